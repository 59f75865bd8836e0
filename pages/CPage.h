#pragma once

#include "CTranslation.h"
#include "OpenDatabase.h"
#include "PowerClass.h"
#include "Prompter.h"
#include "StoreResult.h"

#include <QWidget>
#include <functional>
#include <memory>

class SQLite3PowerClass;

// What every tab page shares: the page flag set by page switching, the open database it shows
// and changes (which the window owns), its own settings object and texts, and the program's
// white background while the desktop's palette is light (the palette's own under a dark one).
// F1 anywhere in the window reaches the main window's help command.
class CPage : public QWidget {
    Q_OBJECT
public:
    // database lives as long as the page.
    CPage(QWidget* parent, OpenDatabase& database);

    // The page's own initialisation: settings path and texts. Runs at start-up and again
    // after a language change. Raises FileError when the files cannot be read.
    virtual void OnInitDialog();

    bool m_active = false;

    // The desktop's palette (the application's) is light: its window text is darker than its
    // window, and dark enough to read on white. Only then does the program show its own
    // colours (white pages, the lists' green and blue); under a dark palette every widget
    // keeps the palette's own roles, which its authors made readable together.
    static bool lightPalette();
    // Gives widget the program's white background while the desktop's palette is light, and
    // nothing of its own under a dark one. Runs again whenever the palette changes.
    static void paintOwnBackground(QWidget& widget);

    QString text(int number) const { return m_translation.GetText(number); }
    OpenDatabase& database() const { return m_database; }

    // Tells the user that the working store refused a change (read-only, disk full, gone),
    // so that nothing is lost without a word. Every page that writes calls it.
    void reportStoreRefused(const QString& reason);

    // How the window runs work of a page's that a person waits for (sorting a long list): as
    // one of its operations, begun with the label and the total units of the work. It returns
    // the progress to show, and the operation lasts as long as that does: the window takes no
    // command meanwhile. nullptr: the window takes no operation now (another one runs).
    using OperationStart =
        std::function<std::unique_ptr<Progress>(const QString& label, qint64 total)>;
    void setOperationStart(OperationStart start) { m_operationStart = std::move(start); }

protected:
    // A change of the desktop's palette reaches the page as a change of its own: the program's
    // colours follow it (followPalette()).
    void changeEvent(QEvent* event) override;
    // Shows the program's own colours or the palette's, as lightPalette() says.
    virtual void followPalette();
    // Places the controls again, each as large as its text needs in the font and style shown;
    // runs when they change too.
    virtual void placeControls() {}

    const QString& storePath() const { return m_database.storePath(); }
    const QString& columnNames() const { return m_database.columnNames(); }
    int columnCount() const { return m_database.columnCount(); }
    // The dialect of the database's file, which decides what its values may hold.
    virtual csvfile::Dialect dialect() const { return m_database.dialect(); }
    textencoding::Encoding encoding() const { return dialect().encoding; }

    // Begins work that a person waits for, through the window's OperationStart: its progress,
    // or nullptr when it must not start now. A page the window has not given one shows the
    // progress itself.
    std::unique_ptr<Progress> startOperation(const QString& label, qint64 total);
    // After a change of the working store through store, which ended as result: true when the
    // store took it, and its step, when it made one, goes into the database's history;
    // otherwise the user is told why, and false.
    bool recordChange(const SQLite3PowerClass& store, const StoreResult& result);
    // Tells the user that a value holds what the database file cannot (typed or set some
    // other way, for example through an accessibility tool); nothing of it is stored.
    void reportUnstorableValue();
    // Why a field refuses a character, for the database's encoding.
    QString refusalText() const;

    // A message box with caption text 5.
    Prompter::Answer message(int textNumber, Prompter::Buttons buttons = Prompter::Buttons::Ok,
                             Prompter::Icon icon = Prompter::Icon::None);
    Prompter::Answer messageText(const QString& text, Prompter::Buttons buttons,
                                 Prompter::Icon icon);

    PowerClass m_power;
    CTranslation m_translation;

private:
    OpenDatabase& m_database;
    OperationStart m_operationStart;
    bool m_followingPalette = false;  // setting its colours changes the page's palette too
};
