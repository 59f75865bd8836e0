#pragma once

#include "CNew.h"
#include "CSearchAddEdit.h"
#include "CSettings.h"
#include "CTranslation.h"
#include "CViewTab.h"
#include "OpenDatabase.h"
#include "PowerClass.h"
#include "SpreadsheetFile.h"
#include "StorePath.h"

#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QTabWidget;
class QUrl;

// The main window: menu, five tabs with their pages, page switching and the file commands.
// Pages never call each other; what one page hands to another travels through SwitchPage.
class CMyOrvaneDatabaseDlg : public QMainWindow {
    Q_OBJECT
public:
    enum Tab { ViewAllTab = 0, ViewFilteredTab, SearchTab, AddEditTab, SettingsTab, TabCount };

    explicit CMyOrvaneDatabaseDlg(QWidget* parent = nullptr);
    ~CMyOrvaneDatabaseDlg() override;

    // Loads texts and settings, labels menu and tabs, sets up the pages and opens the last
    // database. Runs at start-up and again after a language change. Raises FileError.
    void OnInitDialog();

    // Lays out the tab control and the entries pages for a client area of w by h pixels.
    void OnSize(int w, int h);

    // Page switching: leaves the active page (committing its work) and enters the page of
    // the selected tab.
    // False when the shown page cannot be left yet (a new database needs two columns).
    bool SwitchPage();
    void OnPollTimer();
    void MarkTitleModified();

    // Replaces the store's entries by those of the CSV file at path, showing the progress;
    // false when the file does not exist or cannot be read (nothing changes then), when the
    // store could not take its entries (the user has been told) or when the user cancelled.
    // Not loaded, the window stays on the database it had, or on an empty untitled one when
    // the store no longer holds that.
    bool LoadDatabase(const QString& path);
    // Writes the entries to the CSV file at path in the database's dialect, showing the
    // progress; false when nothing was written: it failed (the user has been told) or the
    // user cancelled.
    bool SaveDatabase(const QString& path);

    // The View All page's sort column as the "Options" setting.
    QString optionsValue() const;

    CViewTab& viewAllPage() { return m_viewAllPage; }
    CViewTab& viewFilteredPage() { return m_viewFilteredPage; }
    CSearchAddEdit& searchPage() { return m_searchPage; }
    CSearchAddEdit& addEditPage() { return m_addEditPage; }
    CSettings& settingsPage() { return m_settingsPage; }
    QTabWidget* tabs() const { return m_tabs; }
    QWidget* clientArea() const { return m_client; }
    QAction* action(int textNumber) const;
    const QTimer& pollTimer() const { return m_pollTimer; }
    QString text(int number) const { return m_translation.GetText(number); }
    // The help page of a topic ("search", "languages", ...; empty: the shown tab's), in the
    // language of the texts when there is one.
    QString helpFile(const QString& topic = QString()) const;
    // The database the window has open, which every page reads.
    const OpenDatabase& database() const { return m_database; }
    // The changes the user can take back and make again.
    const History& history() const { return m_database.history(); }
    // An operation runs (an open with its listing, a save, a sort): the window takes no command
    // now.
    bool operationRuns() const { return m_operations > 0; }
    // The database's file; the untitled path while it has none, empty while none is open.
    QString currentPath() const;
    // The file to open at start-up in place of the last database (given on the command line);
    // one that cannot be opened is reported and the last database opens. Before OnInitDialog.
    void setStartFile(const QString& path) { m_startFile = path; }
    // The databases the File menu lists as recent, newest first.
    QStringList recentDatabases() const;

public slots:
    void OnNewDatabase();
    void OnOpenDatabase();
    void OnSaveDatabase();
    void OnSaveDatabaseAs();
    void OnLanguageSelection();
    void OnExit();
    void OnShowHelpFile();
    void OnGoToWebsite();
    void OnAbout();
    void OnUndo();
    void OnRedo();
    // A file handed to the window from outside (a later start of the program, a drop): the
    // window comes forward and opens it as Open does, with the save question (which can
    // cancel), once no command, question or operation runs. Files wait in the order they
    // came. An empty path only brings the window forward.
    void handFile(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Follows a change of the desktop's palette (the pages follow it themselves).
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A command of the user's, from its start until its last question is answered. While one
    // runs the poll timer waits, and a request to close the window comes after it.
    class Command {
    public:
        explicit Command(CMyOrvaneDatabaseDlg& window);
        ~Command();
        Command(const Command&) = delete;
        Command& operator=(const Command&) = delete;

    private:
        CMyOrvaneDatabaseDlg& m_window;
    };
    // One long operation of the window (an open with its listing, a save, a page's long work
    // such as a sort). While it lives the window takes no command: menus, shortcuts, tabs and
    // timers wait or are refused, and a request to close cancels its progress where Cancel is
    // offered and closes the window after it. What it has to tell is shown when it is over, in
    // the order it arose.
    class Operation {
    public:
        explicit Operation(CMyOrvaneDatabaseDlg& window);
        ~Operation();
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;
        // The progress of one part of the operation, shown over the window.
        std::unique_ptr<Progress> progress(const QString& label, qint64 total);

    private:
        CMyOrvaneDatabaseDlg& m_window;
        Command m_command;
        std::optional<Prompter::MessageHold> m_messages;
    };

    // Commands and operations.
    // A page's work as an operation of the window's (CPage::OperationStart): its progress, which
    // ends the operation when it goes; nullptr while an operation runs.
    std::unique_ptr<Progress> startOperation(const QString& label, qint64 total);
    // Runs a user command inside the one guard that reports file errors; nothing while an
    // operation runs.
    void guarded(void (CMyOrvaneDatabaseDlg::*command)());
    void guarded(const std::function<void()>& command);
    Prompter::Answer message(const QString& text, Prompter::Buttons buttons, Prompter::Icon icon);

    // Start-up: menu, tabs, texts, settings and the working store.
    void buildMenu();
    void labelMenu();
    void labelUndoActions();
    // The File menu's items of the recent databases, after Save As.
    void labelRecentDatabases();
    void buildTabs();
    void installQtTexts();
    void setUpPages();
    // Chooses the working store and remembers the choice in the settings.
    void resolveStorePath();
    QString storeTemplate() const { return storepath::templateIn(m_power.GetProgramFolder()); }
    void openLastDatabase();
    // At start-up, when the store holds unsaved changes of the last session: asks whether to
    // bring them back, and does. True when the session was recovered.
    bool recoverSession();
    // Writes a setting; a value config.ini cannot hold is reported. Raises FileError.
    enum class SettingKind { Text, Path };
    bool writeSetting(const QString& key, const QString& value,
                      SettingKind kind = SettingKind::Text);
    // Records path as the last database, and the lists' column widths when given (their
    // setting, columnwidths::toSetting()).
    void rememberDatabase(const QString& path, const QString& widths = {});
    // What "LastDataBase" says of the open database: its path, the untitled path, or
    // storepath::kNotChosen while none is open.
    QString lastDatabaseSetting() const;

    // Opening a database.
    enum class LoadOutcome { Loaded, NoFile, Failed, Cancelled };
    // Where a database that opens comes from: a file of the user's, which it then belongs to
    // (and which is remembered as the last database), or a template the program wrote into a
    // file of its own, which it never belongs to: it opens untitled. A file not in the own
    // format is shown first, to check how it is read; the last database opens again as it
    // was read last time, without asking.
    enum class Origin { File, LastFile, Template };
    LoadOutcome openDatabaseFile(const QString& path, Origin origin = Origin::File);
    // How the file at path is to be read: *chosen stays nullopt to read it as the whole file
    // says (detectDialect), or is the dialect the user chose in the preview or last time, its
    // encoding too when *encodingChosen. Loaded to go on; Cancelled when the user cancelled
    // the preview; NoFile when the file cannot be read (the user has been told).
    LoadOutcome chooseDialect(const QString& path, Origin origin,
                              std::optional<csvfile::Dialect>* chosen, bool* encodingChosen);
    // The progress of listing the database at path (entries of them, 0 when not known) in View
    // All's next fill, which makes room for bytes in cells at once; shown while it lives.
    std::unique_ptr<Progress> expectListing(Operation& operation, const QString& path,
                                            qint64 entries, qsizetype bytes, qsizetype cells);
    // Tells of the lines of path that a load could not take as they stand, in text textNumber.
    void reportLoadProblems(const QString& path, int textNumber, const QList<int>& lines);
    // After a load that did not happen when the store no longer holds the database the window
    // had (or there was none): the window shows an empty untitled one.
    void showEmptyUntitledDatabase();
    // The working store keeps entries of another database and refuses to let them go: the
    // session goes on in an empty store of its own, with the record session.
    void useScratchStore(const storesession::Update& session);
    // Opens path without a file dialog (a recent database, a handed file): as Open does after
    // its dialog, with Cancel in the save question. A file that is gone is reported, and
    // taken out of the recent databases.
    void openDirectly(const QString& path);
    void openHandedFiles();
    // False after telling the user that there is no file at path.
    bool existsOrTell(const QString& path);
    // The path of a drop, or empty after telling the user why it cannot be opened.
    QString droppedFile(const QList<QUrl>& urls);
    QString newDatabaseFile() const {
        return m_power.m_dataFolder + QStringLiteral("/newdatabase.csv");
    }
    // Drops the columns of a new empty database that were never confirmed: the window shows the
    // database it has again. Nothing when none is being defined.
    void abandonNewDatabase();

    // Saving it.
    // What became of the unsaved changes when a save was asked for.
    enum class SaveOutcome {
        Saved,      // in the file (or nothing was unsaved)
        Discarded,  // the user chose not to save them
        NotSaved,   // the save failed (the user has been told) or its file dialog was closed
        Cancelled,  // the user cancelled the save while it was written
    };
    // Writes the entries to the CSV file at path in dialect: Saved, NotSaved or Cancelled.
    SaveOutcome writeDatabaseFile(const QString& path, csvfile::Dialect dialect);
    // Tells the store's session record that the entries hold nothing unsaved (saved, or the
    // user chose to discard them), and at path when given.
    void recordSaved(const std::optional<QString>& path = std::nullopt,
                     const std::optional<csvfile::Dialect>& dialect = std::nullopt);
    // The save question; true when the command that asked may go on (nothing unsaved, saved,
    // or the user chose not to save). *outcome tells which, or why not.
    // offerCancel: the question has Cancel too, for commands that have no dialog of their own
    // where the user could still turn back.
    bool AskToSave(SaveOutcome* outcome = nullptr, bool offerCancel = false);
    // Asks for a file and a type and saves the database there; with offerExport the types
    // include the spreadsheets, which take a copy of the entries (exportSpreadsheet).
    SaveOutcome SaveAsFile(bool offerExport = false);
    // Writes the entries to a spreadsheet file at path; the database stays the file's it was,
    // saved or not as it was.
    void exportSpreadsheet(const QString& path, spreadsheetfile::Format format);
    bool CloseRequested();

    // The title.
    bool isUntitled() const { return m_database.isUntitled(); }
    QString untitledPath() const { return QLatin1Char('/') + text(texts::Untitled); }
    void setTitleForPath(const QString& path, bool modified);
    void refreshTitle();  // after a failed save: the title that the change flags call for

    // Undo and redo.
    // Undo and redo: takes the history's last step back, or makes the next one again, and
    // brings the pages up to date.
    void applyStep(bool forward);
    // The step's name in the Edit menu's items.
    QString stepName(const StoreStep& step) const;
    // Stores what the shown page holds typed, so that history moves from there.
    bool commitShownPage();
    // True while undo and redo wait, the history kept for later.
    bool historyWaits() const;

    // Pages and tabs.
    QList<CPage*> pages();
    // The tab of the page that is shown.
    int shownTab();
    // Selects a tab without running page switching.
    void selectTab(int tab);
    void OnTabChanged(int tab);
    void OnViewCommand(int tab);
    void showPage(CPage& page);
    void hidePage(CPage& page);
    // Fills every page afresh from the open database and the store.
    void showDatabase();
    bool BringPagesUpToDate();
    // After the number of columns changed: the search criteria beyond the columns go, and
    // View Filtered lists by those that are left.
    void fitSearchToColumns();
    // After Add Entry or Edit Entry: the cursor in the Add/Edit Data tab's first field.
    void focusFirstField();
    // The column widths of list, as the user left them, for both lists.
    void keepColumnWidths(const CViewTab& list);
    // Gives both lists widths.
    void shareColumnWidths(const QList<quint32>& widths);

    // Help.
    void openHelp(const QString& topic);
    void addHelpKey(QWidget* dialog, const QString& topic);

    PowerClass m_power;
    CTranslation m_translation;
    OpenDatabase m_database;  // before the pages, which keep a reference to it
    QWidget* m_client;
    QTabWidget* m_tabs;
    CViewTab m_viewAllPage;
    CViewTab m_viewFilteredPage;
    CSearchAddEdit m_searchPage;
    CSearchAddEdit m_addEditPage;
    CSettings m_settingsPage;
    CNew m_selectDatabase;
    QTimer m_pollTimer;
    QTranslator m_qtTexts;
    QList<QPair<int, QAction*>> m_actions;  // text number and menu item
    bool m_started = false;                 // the first initialisation has run
    // The columns of an untitled database that an initialisation (a language change) keeps:
    // it has no file to open again.
    std::optional<QString> m_untitledColumnsKept;
    int m_commands = 0;                             // Command objects alive
    int m_operations = 0;                           // Operation objects alive
    bool m_closeRequested = false;                  // to close once the command that runs has ended
    std::unique_ptr<QTemporaryDir> m_scratchStore;  // holds the store useScratchStore() made
    QString m_startFile;                            // see setStartFile()
    QStringList m_handedFiles;                      // handed over, waiting their turn
    QTimer m_handedFilesTimer;                      // looks whether the window is free for them
    QList<QAction*> m_recentActions;                // the File menu's recent databases
    QAction* m_recentSeparator = nullptr;
};
