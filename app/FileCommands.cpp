// The database file commands: New, Open, Save, Save As and closing, with the one save
// question they share, and the loading and saving of CSV database files.
#include "CMyOrvaneDatabaseDlg.h"

#include "ActionGuard.h"
#include "BusyCursor.h"
#include "CsvDatabaseFile.h"
#include "SQLite3PowerClass.h"
#include "StorePath.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QTabWidget>

namespace {

const QString kLastDataBase = QStringLiteral("LastDataBase");

QString fileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString lineList(const QList<int>& lines) {
    QStringList numbers;
    for (int line : lines)
        numbers.append(QString::number(line));
    return numbers.join(QStringLiteral(", "));
}

// Records path as the last database, and the list's column widths when given. The database
// file is what counts: settings that cannot be written are reported and undo nothing.
void rememberDatabase(QWidget* window, PowerClass& settings, const QString& path,
                      const QStringList& widths = {}) {
    actionguard::guard(window, [&] {
        settings.WriteConfig(kLastDataBase, path);
        if (!widths.isEmpty())
            settings.WriteConfig(QStringLiteral("LastColumnWidths"), widths.join(QLatin1Char(';')));
    });
}

}  // namespace

void CMyOrvaneDatabaseDlg::setTitleForPath(const QString& path, bool modified) {
    setWindowTitle(fileNameOf(path) + (modified ? QStringLiteral("* - ") : QStringLiteral(" - ")) +
                   text(5));
}

void CMyOrvaneDatabaseDlg::refreshTitle() {
    const bool unsaved = m_addEditPage.m_entriesChanged || m_settingsPage.m_columnsChanged;
    setTitleForPath(m_currentPath, unsaved || isUntitled());
}

bool CMyOrvaneDatabaseDlg::LoadDatabase(const QString& path) {
    if (!PowerClass::FileExists(path))
        return false;
    const QString oldTitle = windowTitle();
    setWindowTitle(text(75));
    QByteArray bytes;
    if (!actionguard::guard(this, [&] { bytes = csvfile::ReadFile(path); })) {
        setWindowTitle(oldTitle);  // nothing was changed
        return false;
    }
    csvfile::LoadReport report;
    {
        BusyCursor busy;
        // The old lists go before the new entries come, so that a large database is never
        // held twice.
        m_viewAllPage.releaseRows();
        m_viewFilteredPage.releaseRows();
        report = csvfile::LoadIntoStore(bytes, m_storePath);
        // A damaged store can pass the check at start-up and fail only when it is emptied.
        // Its content is about to be replaced anyway: a fresh copy of the template takes it.
        if (!report.storeUsable && storepath::RenewStore(m_power, m_storePath))
            report = csvfile::LoadIntoStore(bytes, m_storePath);
        SQLite3PowerClass::noteStoreChanged();
    }
    const int columns = PowerClass::CountSemicolons(report.columnNames) + 1;
    m_viewAllPage.expectRows(bytes.size(), qsizetype(report.storedEntries) * columns);
    bytes = QByteArray();
    for (CPage* page : pages())
        page->m_columnNames = report.columnNames;
    m_settingsPage.m_newDatabase = false;  // an unconfirmed new database is abandoned

    m_viewAllPage.FillList(QString(), m_viewAllPage.m_sortColumn);
    m_addEditPage.PreparePage();
    // A file just read has no unsaved changes, also none to its columns.
    m_addEditPage.m_entriesChanged = false;
    m_settingsPage.m_columnsChanged = false;
    m_settingsPage.FillColumnList();
    m_searchPage.m_values =
        QStringList(PowerClass::CountSemicolons(report.columnNames) + 1, QString());
    m_searchPage.PreparePage();
    setTitleForPath(path, false);
    m_currentPath = path;
    // Only now: the store holds this file's entries, and a config.ini that cannot be written
    // must not leave the window on the previous file, which the next save would overwrite.
    rememberDatabase(this, m_power, path);

    if (!report.storeUsable)
        message(text(613).arg(report.storeError), Prompter::Buttons::Ok, Prompter::Icon::Warning);
    QList<int> notKept = report.tooManyValues + report.hiddenValues;
    std::sort(notKept.begin(), notKept.end());
    if (!notKept.isEmpty())
        reportLoadProblems(path, notKept);
    return true;
}

void CMyOrvaneDatabaseDlg::reportLoadProblems(const QString& path, const QList<int>& lines) {
    // The next save drops these values, so the user hears of them once, now.
    constexpr int kShownLines = 50;
    QString numbers = lineList(lines.mid(0, kShownLines));
    if (lines.size() > kShownLines)
        numbers += QStringLiteral(", ... (%1)").arg(lines.size());
    message(text(604).arg(QDir::toNativeSeparators(path), numbers), Prompter::Buttons::Ok,
            Prompter::Icon::Warning);
}

bool CMyOrvaneDatabaseDlg::SaveDatabase(const QString& path) {
    setWindowTitle(text(75));
    if (!BringPagesUpToDate()) {
        refreshTitle();
        return false;
    }
    if (!m_viewAllPage.listIsComplete()) {
        // Writing what little could be read would destroy the user's file.
        refreshTitle();
        message(text(603).arg(QDir::toNativeSeparators(path), m_viewAllPage.listError()),
                Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return false;
    }
    const int n = PowerClass::CountSemicolons(m_viewAllPage.m_columnNames) + 1;
    const bool written = actionguard::guard(this, [&] {
        BusyCursor busy;
        csvfile::Write(path, m_viewAllPage.m_columnNames, m_viewAllPage.listedRows(), n);
    });
    if (!written) {
        refreshTitle();
        return false;
    }
    m_addEditPage.m_entriesChanged = false;
    m_settingsPage.m_columnsChanged = false;
    setTitleForPath(path, false);
    QStringList widths;
    for (int i = 0; i < n; ++i)
        widths.append(PowerClass::IntToText(i < m_viewAllPage.m_columnWidths.size()
                                                ? static_cast<int>(m_viewAllPage.m_columnWidths[i])
                                                : 100));
    rememberDatabase(this, m_power, path, widths);
    return true;
}

bool CMyOrvaneDatabaseDlg::BringPagesUpToDate() {
    selectTab(ViewAllTab);
    showPage(m_viewAllPage);
    return SwitchPage();
}

bool CMyOrvaneDatabaseDlg::AskToSave() {
    if (!m_addEditPage.m_entriesChanged && !m_settingsPage.m_columnsChanged)
        return true;
    const QString question = text(105).replace(QStringLiteral("%s"), fileNameOf(m_currentPath));
    if (message(question, Prompter::Buttons::YesNo, Prompter::Icon::Question) !=
        Prompter::Answer::Yes)
        return true;
    // A save that did not happen stops the command, so nothing unsaved is thrown away.
    return isUntitled() ? SaveAsFile() : SaveDatabase(m_currentPath);
}

void CMyOrvaneDatabaseDlg::OnSaveDatabase() {
    if (isUntitled())
        SaveAsFile();
    else
        SaveDatabase(m_currentPath);
}

void CMyOrvaneDatabaseDlg::OnSaveDatabaseAs() {
    SaveAsFile();
}

bool CMyOrvaneDatabaseDlg::SaveAsFile() {
    // The untitled path names no real folder: start in the user's home folder instead.
    const QString initial = isUntitled() ? QDir::home().filePath(text(130)) : m_currentPath;
    QString path = Prompter::current().saveFileName(this, text(618), initial, text(617));
    if (path.isEmpty())
        return false;
    if (path.size() > 4 && !path.endsWith(QLatin1String(".csv")))
        path += QStringLiteral(".csv");
    if (PowerClass::FileExists(path) && message(text(100), Prompter::Buttons::YesNo,
                                                Prompter::Icon::Question) != Prompter::Answer::Yes)
        return false;
    if (!SaveDatabase(path))
        return false;
    m_currentPath = path;  // SaveDatabase has recorded it as the last database
    return true;
}

void CMyOrvaneDatabaseDlg::OnOpenDatabase() {
    if (!BringPagesUpToDate() || !AskToSave())
        return;
    const QString path =
        Prompter::current().openFileName(this, text(619), m_power.GetProgramFolder(), text(617));
    if (path.isEmpty())
        return;
    if (!PowerClass::FileExists(path)) {
        message(actionguard::describe(0, path, QString()), Prompter::Buttons::Ok,
                Prompter::Icon::Warning);
        return;
    }
    LoadDatabase(path);
}

void CMyOrvaneDatabaseDlg::OnNewDatabase() {
    if (!BringPagesUpToDate() || !AskToSave())
        return;
    m_power.WriteConfig(kLastDataBase,
                        m_currentPath.isEmpty() ? QStringLiteral("---") : m_currentPath);
    m_selectDatabase.OnInitDialog();
    if (Prompter::current().runModal(m_selectDatabase) != QDialog::Accepted)
        return;
    const int chosen = m_selectDatabase.m_selectedIndex;
    if (chosen < 0)
        return;  // confirmed with no line marked: as cancelled
    if (chosen == 0) {
        message(text(135), Prompter::Buttons::Ok, Prompter::Icon::None);
        selectTab(SettingsTab);
        m_settingsPage.m_columnNames.clear();
        m_settingsPage.show();
        m_settingsPage.m_newDatabase = true;
        m_currentPath = untitledPath();
        m_settingsPage.FillColumnList();
        SwitchPage();
        m_settingsPage.m_active = true;
        return;
    }
    m_power.m_lines = {text(9991 + 10 * chosen)};
    m_power.WriteLinesFile(newDatabaseFile());
    LoadDatabase(newDatabaseFile());
    m_currentPath = untitledPath();
    setTitleForPath(m_currentPath, true);
}

QString CMyOrvaneDatabaseDlg::optionsValue() const {
    const QString& sort = m_viewAllPage.m_sortColumn;
    QString digits = QStringLiteral("00");
    if (sort.size() == 7)
        digits = QLatin1Char('0') + sort.right(1);
    else if (sort.size() == 8)
        digits = sort.right(2);
    return digits + QStringLiteral("00000000");
}

bool CMyOrvaneDatabaseDlg::CloseRequested() {
    if (!BringPagesUpToDate()) {
        // A new database whose columns were never confirmed holds nothing to save: its
        // entries would only be the old database's under the new names.
        m_settingsPage.m_newDatabase = false;
        m_settingsPage.m_columnsChanged = false;
        m_addEditPage.m_entriesChanged = false;
    }
    if (!AskToSave() && message(text(609), Prompter::Buttons::YesNo, Prompter::Icon::Warning) !=
                            Prompter::Answer::Yes)
        return false;
    m_power.WriteConfig(kLastDataBase,
                        m_currentPath.isEmpty() ? QStringLiteral("---") : m_currentPath);
    m_power.WriteConfig(QStringLiteral("Options"), optionsValue());
    return true;
}

void CMyOrvaneDatabaseDlg::closeEvent(QCloseEvent* event) {
    bool close = true;  // an error in the settings must not keep the window open
    actionguard::guard(this, [&] { close = CloseRequested(); });
    if (close)
        event->accept();
    else
        event->ignore();
}
