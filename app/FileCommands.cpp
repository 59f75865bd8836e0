// The database file commands: New, Open, Save, Save As and closing, with the one save
// question they share, and the loading and saving of CSV database files.
#include "CMyOrvaneDatabaseDlg.h"

#include "ActionGuard.h"
#include "BusyCursor.h"
#include "CFilePreview.h"
#include "ColumnWidths.h"
#include "ConfigKeys.h"
#include "CsvDatabaseFile.h"
#include "FileError.h"
#include "LineList.h"
#include "Prompter.h"
#include "RecentDatabases.h"
#include "SQLite3PowerClass.h"
#include "Schema.h"
#include "SpreadsheetFile.h"
#include "StorePath.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QTabWidget>

namespace {

QString fileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// Shows a store operation's progress on progress. Cancel is offered while there is work left
// to stop: at the end only the commit is left, which cannot be stopped halfway.
csvfile::ProgressCallback shownOn(Progress& progress) {
    return [&progress](qint64 done, qint64 total) {
        progress.setCancellable(done < total);
        return progress.advance(done);
    };
}

// The file types Save As offers: the own format in both encodings, CSV for spreadsheets,
// tab-separated text, the spreadsheets themselves, and the way the file came when that is none
// of these.
enum class FileType {
    OwnSingleByte,
    OwnUtf8,
    CommaUtf8,
    CommaSingleByte,
    TabUtf8,
    TabUtf16,
    Xlsx,
    Ods,
    AsOpened,
};

struct FileTypeChoice {
    FileType type;
    int filterText;
    QStringList extensions;  // the first is added to a name that has none of them
};

const FileTypeChoice kFileTypes[] = {
    {FileType::OwnSingleByte, texts::CsvFileFilter, {QStringLiteral(".csv")}},
    {FileType::OwnUtf8, texts::CsvUtf8FileFilter, {QStringLiteral(".csv")}},
    {FileType::CommaUtf8, texts::CommaUtf8FileFilter, {QStringLiteral(".csv")}},
    {FileType::CommaSingleByte, texts::CommaSingleByteFileFilter, {QStringLiteral(".csv")}},
    {FileType::TabUtf8, texts::TabUtf8FileFilter, {QStringLiteral(".tsv"), QStringLiteral(".txt")}},
    {FileType::TabUtf16,
     texts::TabUtf16FileFilter,
     {QStringLiteral(".tsv"), QStringLiteral(".txt")}},
    {FileType::Xlsx, texts::XlsxFileFilter, {QStringLiteral(".xlsx")}},
    {FileType::Ods, texts::OdsFileFilter, {QStringLiteral(".ods")}},
    {FileType::AsOpened,
     texts::AsOpenedFileFilter,
     {QStringLiteral(".csv"), QStringLiteral(".tsv"), QStringLiteral(".txt")}},
};

bool isSpreadsheet(FileType type) {
    return type == FileType::Xlsx || type == FileType::Ods;
}

// The dialect a file type writes for a database whose file has current. A type of the same
// separator and quoting keeps the file's line ends, quoting style and names line, so that the
// type preselected writes the file as it came. A spreadsheet has none: current.
csvfile::Dialect dialectOf(FileType type, const csvfile::Dialect& current) {
    using csvfile::Dialect;
    using textencoding::Encoding;
    const Encoding utf8 =
        textencoding::isUtf8(current.encoding) ? current.encoding : Encoding::Utf8;
    Dialect dialect;
    switch (type) {
        case FileType::OwnSingleByte:
            dialect = Dialect::ownFormat(Encoding::SingleByte);
            break;
        case FileType::OwnUtf8:
            dialect = Dialect::ownFormat(utf8);
            break;
        case FileType::CommaUtf8:
            dialect = Dialect::commaSeparated(utf8);
            break;
        case FileType::CommaSingleByte:
            dialect = Dialect::commaSeparated(Encoding::SingleByte);
            break;
        case FileType::TabUtf8:
            dialect = Dialect::tabSeparated(utf8);
            break;
        case FileType::TabUtf16:
            dialect = Dialect::tabSeparated(
                textencoding::isUtf16(current.encoding) ? current.encoding : Encoding::Utf16LE);
            break;
        case FileType::Xlsx:
        case FileType::Ods:
        case FileType::AsOpened:
            return current;
    }
    if (dialect.separator == current.separator && dialect.quoted() == current.quoted()) {
        dialect.quoting = current.quoting;
        dialect.lineEnd = current.lineEnd;
        dialect.lastLineEnded = current.lastLineEnded;
        dialect.firstLineNames = current.firstLineNames;
    }
    return dialect;
}

}  // namespace

void CMyOrvaneDatabaseDlg::setTitleForPath(const QString& path, bool modified) {
    setWindowTitle(fileNameOf(path) + (modified ? QStringLiteral("* - ") : QStringLiteral(" - ")) +
                   text(texts::ProgramName));
}

QString CMyOrvaneDatabaseDlg::currentPath() const {
    if (!m_database.isOpen())
        return QString();
    return isUntitled() ? untitledPath() : m_database.path();
}

QString CMyOrvaneDatabaseDlg::lastDatabaseSetting() const {
    return m_database.isOpen() ? currentPath() : storepath::kNotChosen;
}

void CMyOrvaneDatabaseDlg::refreshTitle() {
    setTitleForPath(currentPath(), m_database.isModified() || isUntitled());
}

void CMyOrvaneDatabaseDlg::rememberDatabase(const QString& path, const QString& widths) {
    // The database file is what counts: settings that cannot be written are reported and undo
    // nothing.
    actionguard::guard(this, [&] {
        writeSetting(configkeys::kLastDatabase, path, SettingKind::Path);
        if (!widths.isEmpty())
            writeSetting(configkeys::kColumnWidths, widths);
        recentdatabases::add(m_power, path);
    });
    labelRecentDatabases();
}

QStringList CMyOrvaneDatabaseDlg::recentDatabases() const {
    QStringList paths;
    // A config.ini that cannot be read lists nothing; the commands that write it say why.
    try {
        paths = recentdatabases::read(m_power);
    } catch (const FileError&) {
    }
    return paths;
}

bool CMyOrvaneDatabaseDlg::writeSetting(const QString& key, const QString& value,
                                        SettingKind kind) {
    const bool written = kind == SettingKind::Path ? m_power.WriteConfigPath(key, value)
                                                   : m_power.WriteConfig(key, value);
    if (!written)
        message(text(texts::SettingNotSaved).arg(key), Prompter::Buttons::Ok,
                Prompter::Icon::Warning);
    return written;
}

void CMyOrvaneDatabaseDlg::openLastDatabase() {
    // Only the program's start offers what a session that ended badly left; a language
    // change reloads the file, after its own save question.
    const QString startFile = std::exchange(m_startFile, QString());
    if (!m_started && recoverSession()) {
        selectTab(ViewAllTab);
        showPage(m_viewAllPage);
        m_pollTimer.start();
        // The recovered changes come first; the file follows with the save question.
        if (!startFile.isEmpty())
            handFile(startFile);
        return;
    }
    if (m_untitledColumnsKept) {
        m_database.close(*std::exchange(m_untitledColumnsKept, std::nullopt));
        showEmptyUntitledDatabase();
        refreshTitle();  // marked untitled, as when it was made
        selectTab(ViewAllTab);
        SwitchPage();
        return;
    }
    LoadOutcome outcome = LoadOutcome::NoFile;
    {
        // What the open has to tell comes once the window shows the database.
        Operation opening(*this);
        if (!startFile.isEmpty()) {
            // The file given to the program, else the last database, as after a failed Open.
            if (existsOrTell(startFile))
                outcome = openDatabaseFile(startFile);
        }
        if (outcome != LoadOutcome::Loaded)
            outcome = openDatabaseFile(m_power.ReadConfigPath(configkeys::kLastDatabase),
                                       Origin::LastFile);
        if (outcome == LoadOutcome::Loaded &&
            m_power.ReadConfig(configkeys::kLastDatabase) != storepath::kNotChosen) {
            selectTab(ViewAllTab);  // the list already holds the loaded entries
            showPage(m_viewAllPage);
            m_pollTimer.start();
            return;
        }
    }
    // A load that failed or was cancelled has left an untitled database.
    if (outcome != LoadOutcome::Failed && outcome != LoadOutcome::Cancelled) {
        OnNewDatabase();
        // Cancelled: an empty untitled database, which Save asks a name for. What the store
        // held belongs to a file that is gone, or to changes the user let go. (A new empty
        // database's columns being defined leave it until they are confirmed.)
        if (!m_database.isOpen() && !m_settingsPage.m_newDatabase)
            showEmptyUntitledDatabase();
        for (CPage* page : pages()) {
            if (page->m_active)
                return;
        }
    }
    // A start without a database still shows a page.
    selectTab(ViewAllTab);
    SwitchPage();
}

bool CMyOrvaneDatabaseDlg::LoadDatabase(const QString& path) {
    return openDatabaseFile(path) == LoadOutcome::Loaded;
}

CMyOrvaneDatabaseDlg::LoadOutcome CMyOrvaneDatabaseDlg::openDatabaseFile(const QString& path,
                                                                         Origin origin) {
    if (!PowerClass::FileExists(path))
        return LoadOutcome::NoFile;
    Operation operation(*this);
    std::optional<csvfile::Dialect> dialect;
    bool encodingChosen = false;
    if (const LoadOutcome chosen = chooseDialect(path, origin, &dialect, &encodingChosen);
        chosen != LoadOutcome::Loaded)
        return chosen;
    const QString oldTitle = windowTitle();
    setWindowTitle(text(texts::PleaseWait));
    csvfile::LoadReport report;
    ResultGrid loaded;  // the entries as stored, for the list
    bool previousEntriesKept = true;
    // The lists give their rows back before the file comes, so that a large database is never
    // held twice. An open that fails or is cancelled leaves the store as it was, and the lists
    // show exactly what they showed again.
    const CViewTab::View allView = m_viewAllPage.view();
    const CViewTab::View filteredView = m_viewFilteredPage.view();
    const qint64 listed = m_viewAllPage.listedRows().totalRowCount();
    m_viewAllPage.releaseRows();
    m_viewFilteredPage.releaseRows();
    const auto showAgain = [&] {
        const std::unique_ptr<Progress> listing =
            expectListing(operation, currentPath(), listed, 0, 0);
        m_viewAllPage.showAgain(allView);
        m_viewFilteredPage.showAgain(filteredView);
    };
    // The progress runs from reading the file to the entries stored. It is gone when the guard
    // reports a file that cannot be read, which changes nothing.
    const bool read = actionguard::guard(this, [&] {
        const std::unique_ptr<Progress> progress = operation.progress(
            text(texts::OpeningProgress).arg(fileNameOf(path)), QFileInfo(path).size());
        BusyCursor busy;
        storesession::Update session;
        session.path = origin != Origin::Template ? path : QString();
        session.sortColumn = m_database.sortColumn();
        // The encoding left as the beginning showed it is found in the whole file.
        const csvfile::Reading reading(dialect, dialect && !encodingChosen);
        report = csvfile::LoadIntoStore(path, m_database.storePath(), session, shownOn(*progress),
                                        reading, &loaded);
        // A store that is missing or damaged (which can pass the check at start-up and fail
        // only when it is emptied) holds nothing worth keeping: a fresh copy of the template
        // takes the file. A sound store that refused (read-only, disk full) keeps what it had.
        if (!report.storeUsable && report.storeDamaged) {
            previousEntriesKept = false;
            if (storepath::RenewStore(storeTemplate(), m_database.storePath()))
                report = csvfile::LoadIntoStore(path, m_database.storePath(), session,
                                                shownOn(*progress), reading, &loaded);
        }
    });
    if (!read) {
        setWindowTitle(oldTitle);
        showAgain();
        return LoadOutcome::NoFile;
    }
    if (report.refusedColumns > 0) {
        // Nothing was stored: the window stays as it was.
        setWindowTitle(oldTitle);
        showAgain();
        message(text(texts::FileHasTooManyColumns)
                    .arg(QDir::toNativeSeparators(path), QString::number(report.refusedColumns)),
                Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return LoadOutcome::Failed;
    }
    if (report.cancelled || !report.storeUsable) {
        setWindowTitle(oldTitle);
        if (!previousEntriesKept || !m_database.isOpen())
            showEmptyUntitledDatabase();
        else
            showAgain();
        if (report.cancelled)
            return LoadOutcome::Cancelled;  // as the user asked: nothing to tell
        message(text(texts::FileNotLoaded).arg(QDir::toNativeSeparators(path), report.storeError),
                Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return LoadOutcome::Failed;
    }
    // The store holds the file's entries: the database switches as a whole. A file just read
    // has no unsaved changes.
    m_database.open(origin != Origin::Template ? path : QString(), report.columnNames,
                    report.dialect, false);
    {
        const std::unique_ptr<Progress> listing =
            expectListing(operation, path, report.storedEntries, QFileInfo(path).size(),
                          qsizetype(report.storedEntries) * m_database.columnCount());
        // The list takes the entries as the load stored them, unless memory ran out for them.
        if (loaded.rowCount() == report.storedEntries)
            m_viewAllPage.takeLoadedRows(std::move(loaded));
        showDatabase();
    }
    refreshTitle();
    // Only now: the store holds this file's entries, and a config.ini that cannot be written
    // must not leave the window on the previous file, which the next save would overwrite.
    if (origin != Origin::Template)
        rememberDatabase(path);

    QList<int> notKept = report.tooManyValues + report.hiddenValues;
    std::sort(notKept.begin(), notKept.end());
    if (!notKept.isEmpty())
        reportLoadProblems(path, texts::LinesNotKept, notKept);
    if (!report.lenientLines.isEmpty())
        reportLoadProblems(path, texts::LinesReadLeniently, report.lenientLines);
    return LoadOutcome::Loaded;
}

CMyOrvaneDatabaseDlg::LoadOutcome CMyOrvaneDatabaseDlg::chooseDialect(
    const QString& path, Origin origin, std::optional<csvfile::Dialect>* chosen,
    bool* encodingChosen) {
    if (origin == Origin::Template)
        return LoadOutcome::Loaded;
    if (origin == Origin::LastFile) {
        // Read as last time, which the file alone may not tell: the user's choices in the
        // preview, or the own format for a file that reads as another now. The encoding of an
        // own-format file is found again, as it always was.
        const storesession::Record record = storesession::read(m_database.storePath());
        if (record.exists && record.path == path) {
            *chosen = csvfile::dialectFromName(record.dialect);
            *encodingChosen = !(*chosen)->isOwnFormat();
        }
        return LoadOutcome::Loaded;
    }
    constexpr qint64 kBeginning = 256 * 1024;
    QByteArray beginning;
    if (!actionguard::guard(this, [&] { beginning = csvfile::ReadBeginning(path, kBeginning); }))
        return LoadOutcome::NoFile;
    const csvfile::Detection found =
        csvfile::detectDialect(beginning, beginning.size() < QFileInfo(path).size());
    if (found.dialect.isOwnFormat())
        return LoadOutcome::Loaded;
    CFilePreview preview(beginning, found, fileNameOf(path), m_translation, this);
    if (Prompter::current().runModal(preview) != QDialog::Accepted)
        return LoadOutcome::Cancelled;
    const csvfile::Dialect dialect = preview.dialect();
    if (dialect != found.dialect) {
        *chosen = dialect;
        *encodingChosen = dialect.encoding != found.dialect.encoding;
    }
    return LoadOutcome::Loaded;
}

std::unique_ptr<Progress> CMyOrvaneDatabaseDlg::expectListing(Operation& operation,
                                                              const QString& path, qint64 entries,
                                                              qsizetype bytes, qsizetype cells) {
    // Listing a large database takes a while too. Its entries are in the store by then: there
    // is nothing left to cancel.
    std::unique_ptr<Progress> listing =
        operation.progress(text(texts::ListingProgress).arg(fileNameOf(path)), entries);
    listing->setCancellable(false);
    Progress* shown = listing.get();
    m_viewAllPage.expectRows(bytes, cells, [shown](qint64 rows) { shown->advance(rows); });
    return listing;
}

void CMyOrvaneDatabaseDlg::showDatabase() {
    m_settingsPage.AbandonNewDatabase();  // an unconfirmed new database is abandoned
    m_viewAllPage.FillList(QString(), m_database.sortColumn());
    // The entry being edited belonged to another database.
    m_addEditPage.m_entries.clear();
    m_addEditPage.m_addMode = true;
    m_addEditPage.PreparePage();
    // The criteria are cleared, and so is the filter made of them: View Filtered lists this
    // database's entries, not those a search in the previous one would have found.
    m_searchPage.m_values = QStringList(m_database.columnCount(), QString());
    fitSearchToColumns();
}

bool CMyOrvaneDatabaseDlg::recoverSession() {
    const storesession::Record record = storesession::read(m_database.storePath());
    if (!record.unsaved)
        return false;
    const QString name =
        record.path.isEmpty() ? text(texts::Untitled) : QDir::toNativeSeparators(record.path);
    if (message(text(texts::RecoverQuestion).arg(name), Prompter::Buttons::YesNo,
                Prompter::Icon::Question) != Prompter::Answer::Yes) {
        // Declined once is declined, also when the file cannot be loaded in their place.
        recordSaved();
        return false;
    }
    // What the store holds is not in the file.
    m_database.open(record.path, record.columnNames, csvfile::dialectFromName(record.dialect),
                    true);
    m_database.setSortColumn(record.sortColumn);
    Operation listing(*this);
    {
        const std::unique_ptr<Progress> progress = expectListing(listing, currentPath(), 0, 0, 0);
        showDatabase();
    }
    setTitleForPath(currentPath(), true);
    return true;
}

void CMyOrvaneDatabaseDlg::recordSaved(const std::optional<QString>& path,
                                       const std::optional<csvfile::Dialect>& dialect) {
    // A store that refuses says so at its next change; the file is what counts here.
    storesession::Update session;
    session.path = path;
    session.unsaved = false;
    if (dialect)
        session.dialect = csvfile::nameOf(*dialect);
    storesession::write(m_database.storePath(), session);
}

void CMyOrvaneDatabaseDlg::showEmptyUntitledDatabase() {
    // Nothing may be left that a save could write over the file that was not loaded: the
    // store no longer holds the database the window had (or it had none yet), so an empty
    // untitled one, with no file to write to until the user names one.
    storesession::Update session;
    session.path = QString();
    session.columnNames = m_database.columnNames();
    session.dialect = csvfile::nameOf(m_database.dialect());
    session.unsaved = false;
    SQLite3PowerClass store;
    if (!store.ClearEntries(m_database.storePath(), session).done())
        useScratchStore(session);
    m_database.open(QString(), m_database.columnNames(), m_database.dialect(), false);
    m_settingsPage.AbandonNewDatabase();
    setTitleForPath(currentPath(), false);
    if (m_viewAllPage.m_active)
        m_viewAllPage.FillList(QString(), QString());
    if (m_viewFilteredPage.m_active)
        m_viewFilteredPage.FillList(m_searchPage.m_searchCondition, QString());
}

void CMyOrvaneDatabaseDlg::useScratchStore(const storesession::Update& session) {
    // Shown, those entries could be saved as the untitled database's. The store of this
    // session is not offered for recovery after a crash; one that cannot be made names no
    // file, and every action then says that the store refused.
    m_scratchStore = std::make_unique<QTemporaryDir>();
    const QString path =
        m_scratchStore->isValid() ? m_scratchStore->filePath(storepath::kStoreFileName) : QString();
    if (!path.isEmpty() && storepath::RenewStore(storeTemplate(), path))
        storesession::write(path, session);
    m_database.setStorePath(path);
}

void CMyOrvaneDatabaseDlg::reportLoadProblems(const QString& path, int textNumber,
                                              const QList<int>& lines) {
    // The next save changes these lines, so the user hears of them once, now.
    message(text(textNumber).arg(QDir::toNativeSeparators(path), lineList(lines)),
            Prompter::Buttons::Ok, Prompter::Icon::Warning);
}

bool CMyOrvaneDatabaseDlg::SaveDatabase(const QString& path) {
    return writeDatabaseFile(path, m_database.dialect()) == SaveOutcome::Saved;
}

CMyOrvaneDatabaseDlg::SaveOutcome CMyOrvaneDatabaseDlg::writeDatabaseFile(
    const QString& path, csvfile::Dialect dialect) {
    setWindowTitle(text(texts::PleaseWait));
    if (!BringPagesUpToDate()) {
        refreshTitle();
        return SaveOutcome::NotSaved;
    }
    if (!m_viewAllPage.listIsComplete()) {
        // Writing what little could be read would destroy the user's file.
        refreshTitle();
        message(text(texts::StoreUnreadableNothingWritten)
                    .arg(QDir::toNativeSeparators(path), m_viewAllPage.listError()),
                Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return SaveOutcome::NotSaved;
    }
    const QString& columnNames = m_database.columnNames();
    const int n = m_database.columnCount();
    // Every entry in the order of the store, which the file keeps, also those the filter field
    // hides.
    const ResultGrid& rows = m_viewAllPage.listedRows().grid();
    const std::vector<int>& order = m_viewAllPage.listedRows().storeOrder();
    // Made UTF-8, a database of nothing but ASCII keeps that only with the mark; one that was
    // UTF-8 already keeps its file's form.
    if (dialect.encoding == textencoding::Encoding::Utf8 &&
        !textencoding::isUtf8(m_database.encoding()))
        dialect.encoding = csvfile::utf8EncodingFor(columnNames, rows, order, n);
    csvfile::WriteResult result;
    bool failed = false;
    {
        Operation saving(*this);
        failed = !actionguard::guard(this, [&] {
            BusyCursor busy;
            const std::unique_ptr<Progress> progress =
                saving.progress(text(texts::SavingProgress).arg(fileNameOf(path)),
                                static_cast<qint64>(order.size()));
            result = csvfile::Write(path, columnNames, rows, order, n, dialect, shownOn(*progress));
        });
    }
    if (failed || !result.written())
        refreshTitle();
    if (failed)
        return SaveOutcome::NotSaved;
    using Outcome = csvfile::WriteResult::Outcome;
    if (result.outcome == Outcome::Cancelled)
        return SaveOutcome::Cancelled;
    const QString shownPath = QDir::toNativeSeparators(path);
    if (result.outcome == Outcome::BreaksOwnFormat) {
        message(text(texts::OwnFormatCannotHold)
                    .arg(shownPath, QString::number(result.line), result.value),
                Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return SaveOutcome::NotSaved;
    }
    if (result.outcome != Outcome::Written) {
        // One byte a character would lose text, or read back as other text: UTF-8 holds it as
        // it is, if the user wants that.
        const QString line = QString::number(result.line);
        const QString question =
            result.outcome == Outcome::Unholdable
                ? text(texts::SingleByteCannotHold).arg(shownPath, line, result.value)
                : text(texts::ReadBackAsOtherText)
                      .arg(shownPath, line, result.value, result.misread);
        if (message(question, Prompter::Buttons::YesNo, Prompter::Icon::Warning) !=
            Prompter::Answer::Yes)
            return SaveOutcome::NotSaved;
        dialect.encoding = textencoding::Encoding::Utf8;
        return writeDatabaseFile(path, dialect);
    }
    m_database.saved(dialect);
    recordSaved(path, dialect);
    setTitleForPath(path, false);
    rememberDatabase(path, columnwidths::toSetting(m_viewAllPage.m_columnWidths, n));
    return SaveOutcome::Saved;
}

bool CMyOrvaneDatabaseDlg::BringPagesUpToDate() {
    // View All shown has nothing pending: it stays exactly as the user sees it (order, filter,
    // selection), so that a command that changes nothing in the end leaves it so.
    if (m_viewAllPage.m_active && m_tabs->currentIndex() == ViewAllTab) {
        keepColumnWidths(m_viewAllPage);
        m_viewAllPage.Refill();
        return true;
    }
    selectTab(ViewAllTab);
    showPage(m_viewAllPage);
    return SwitchPage();
}

bool CMyOrvaneDatabaseDlg::AskToSave(SaveOutcome* outcome, bool offerCancel) {
    SaveOutcome result = SaveOutcome::Saved;
    if (m_database.isModified()) {
        const QString question = text(texts::SaveChangesQuestion)
                                     .replace(QStringLiteral("%s"), fileNameOf(currentPath()));
        const Prompter::Answer answer = message(
            question, offerCancel ? Prompter::Buttons::YesNoCancel : Prompter::Buttons::YesNo,
            Prompter::Icon::Question);
        if (answer == Prompter::Answer::Cancel)
            result = SaveOutcome::Cancelled;
        else if (answer != Prompter::Answer::Yes)
            result = SaveOutcome::Discarded;
        else if (isUntitled())
            result = SaveAsFile();
        else
            result = writeDatabaseFile(m_database.path(), m_database.dialect());
    }
    if (outcome)
        *outcome = result;
    // A save that did not happen stops the command, so nothing unsaved is thrown away.
    return result == SaveOutcome::Saved || result == SaveOutcome::Discarded;
}

void CMyOrvaneDatabaseDlg::OnSaveDatabase() {
    // A new database whose columns are confirmed now is untitled: the file to write is known
    // only after this.
    if (!BringPagesUpToDate())
        return;
    if (isUntitled())
        SaveAsFile();
    else
        SaveDatabase(m_database.path());
}

void CMyOrvaneDatabaseDlg::OnSaveDatabaseAs() {
    SaveAsFile(true);
}

void CMyOrvaneDatabaseDlg::exportSpreadsheet(const QString& path, spreadsheetfile::Format format) {
    const QString shownPath = QDir::toNativeSeparators(path);
    if (!m_viewAllPage.listIsComplete()) {
        message(
            text(texts::StoreUnreadableNothingWritten).arg(shownPath, m_viewAllPage.listError()),
            Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return;
    }
    // Every entry in the order of the store, as a save writes them.
    const ResultGrid& rows = m_viewAllPage.listedRows().grid();
    const std::vector<int>& order = m_viewAllPage.listedRows().storeOrder();
    spreadsheetfile::WriteResult result;
    {
        Operation exporting(*this);
        actionguard::guard(this, [&] {
            BusyCursor busy;
            const std::unique_ptr<Progress> progress =
                exporting.progress(text(texts::SavingProgress).arg(fileNameOf(path)),
                                   static_cast<qint64>(order.size()));
            result = spreadsheetfile::Write(path, format,
                                            m_database.columnNames().split(QLatin1Char(';')), rows,
                                            order, m_database.columnCount(), shownOn(*progress));
        });
    }
    using Outcome = spreadsheetfile::WriteResult::Outcome;
    if (result.outcome == Outcome::TooManyRows)
        message(text(texts::SpreadsheetTooManyRows)
                    .arg(shownPath, QString::number(spreadsheetfile::kMaxRows)),
                Prompter::Buttons::Ok, Prompter::Icon::Warning);
    else if (result.outcome == Outcome::ValueTooLong)
        message(text(texts::SpreadsheetValueTooLong)
                    .arg(shownPath, QString::number(result.row), QString::number(result.column + 1),
                         QString::number(spreadsheetfile::kMaxXlsxCellLength)),
                Prompter::Buttons::Ok, Prompter::Icon::Warning);
}

CMyOrvaneDatabaseDlg::SaveOutcome CMyOrvaneDatabaseDlg::SaveAsFile(bool offerExport) {
    // The dialog offers what the database is once a new one's columns are confirmed.
    if (!BringPagesUpToDate())
        return SaveOutcome::NotSaved;
    // The untitled path names no real folder: start in the user's home folder instead.
    const QString initial =
        isUntitled() ? QDir::home().filePath(text(texts::Untitled)) : m_database.path();
    // The type the database's file has is preselected; a file of another kind is offered the
    // way it came as well.
    const csvfile::Dialect current = m_database.dialect();
    QList<FileTypeChoice> choices;
    QStringList filters;
    int chosen = -1;
    for (const FileTypeChoice& choice : kFileTypes) {
        const bool spreadsheet = isSpreadsheet(choice.type);
        const bool fits = !spreadsheet && dialectOf(choice.type, current) == current;
        if ((choice.type == FileType::AsOpened && chosen >= 0) || (spreadsheet && !offerExport))
            continue;
        if (fits && chosen < 0)
            chosen = static_cast<int>(choices.size());
        choices.append(choice);
        filters.append(text(choice.filterText));
    }
    QString path = Prompter::current().saveFileName(this, text(texts::SaveAsCaption), initial,
                                                    filters, &chosen);
    if (path.isEmpty())
        return SaveOutcome::NotSaved;
    const FileTypeChoice& choice = choices[std::clamp(chosen, 0, int(choices.size()) - 1)];
    const bool named =
        std::any_of(choice.extensions.begin(), choice.extensions.end(),
                    [&path](const QString& extension) { return path.endsWith(extension); });
    if (!named)
        path += choice.extensions.first();
    if (PowerClass::FileExists(path) && message(text(texts::ReplaceFile), Prompter::Buttons::YesNo,
                                                Prompter::Icon::Question) != Prompter::Answer::Yes)
        return SaveOutcome::NotSaved;
    if (isSpreadsheet(choice.type)) {
        exportSpreadsheet(path, choice.type == FileType::Xlsx ? spreadsheetfile::Format::Xlsx
                                                              : spreadsheetfile::Format::Ods);
        return SaveOutcome::NotSaved;  // the database is no more saved than it was
    }
    const SaveOutcome outcome = writeDatabaseFile(path, dialectOf(choice.type, current));
    if (outcome == SaveOutcome::Saved)
        m_database.setPath(path);  // writeDatabaseFile has recorded it as the last database
    return outcome;
}

void CMyOrvaneDatabaseDlg::abandonNewDatabase() {
    // A new empty database whose columns were never confirmed holds no entries and has no
    // file: the window goes back to the database it had, as if New had not been chosen.
    if (!m_settingsPage.m_newDatabase)
        return;
    m_settingsPage.AbandonNewDatabase();
    refreshTitle();
}

void CMyOrvaneDatabaseDlg::OnOpenDatabase() {
    abandonNewDatabase();
    if (!BringPagesUpToDate() || !AskToSave())
        return;
    // Where the current database lives, or the home folder: never the program's folder,
    // where no file of the user's lives.
    const QString folder = QFileInfo(m_database.path()).absolutePath();
    const QString start =
        !m_database.path().isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
    // Tab-separated files open too; any file may be a table of text.
    const QString filters =
        text(texts::TextTablesFileFilter) + QStringLiteral(";;") + text(texts::AllFilesFilter);
    const QString path =
        Prompter::current().openFileName(this, text(texts::OpenCaption), start, filters);
    if (path.isEmpty())
        return;
    if (existsOrTell(path))
        LoadDatabase(path);
}

bool CMyOrvaneDatabaseDlg::existsOrTell(const QString& path) {
    if (PowerClass::FileExists(path))
        return true;
    message(actionguard::describe(FileError(FileError::Kind::NotFound, path)),
            Prompter::Buttons::Ok, Prompter::Icon::Warning);
    return false;
}

void CMyOrvaneDatabaseDlg::openDirectly(const QString& path) {
    // A file that is gone is said before anything is asked.
    if (!existsOrTell(path)) {
        recentdatabases::remove(m_power, path);
        labelRecentDatabases();
        return;
    }
    abandonNewDatabase();
    if (!BringPagesUpToDate() || !AskToSave(nullptr, true))
        return;
    LoadDatabase(path);
}

void CMyOrvaneDatabaseDlg::handFile(const QString& path) {
    // Forward, also from behind other windows or minimized: the user asked for this window.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    if (path.isEmpty())
        return;
    m_handedFiles.append(path);
    openHandedFiles();
}

void CMyOrvaneDatabaseDlg::openHandedFiles() {
    // Never inside a command: its question, dialog or operation would go on with another
    // database under it.
    const bool free = m_started && m_commands == 0 && !QApplication::activeModalWidget() &&
                      !QApplication::activePopupWidget();
    if (!free) {
        m_handedFilesTimer.start();
        return;
    }
    m_handedFilesTimer.stop();
    if (m_handedFiles.isEmpty())
        return;
    const QString path = m_handedFiles.takeFirst();
    guarded([this, &path] { openDirectly(path); });
    if (!m_handedFiles.isEmpty())
        m_handedFilesTimer.start();
}

void CMyOrvaneDatabaseDlg::OnNewDatabase() {
    abandonNewDatabase();
    if (!BringPagesUpToDate() || !AskToSave())
        return;
    writeSetting(configkeys::kLastDatabase, lastDatabaseSetting(), SettingKind::Path);
    m_selectDatabase.OnInitDialog();
    if (Prompter::current().runModal(m_selectDatabase) != QDialog::Accepted)
        return;
    const int chosen = m_selectDatabase.m_selectedIndex;
    if (chosen < 0)
        return;  // confirmed with no line marked: as cancelled
    if (chosen == 0) {
        message(text(texts::DefineColumnsHint), Prompter::Buttons::Ok, Prompter::Icon::None);
        selectTab(SettingsTab);
        m_settingsPage.StartNewDatabase();
        m_settingsPage.show();
        SwitchPage();
        m_settingsPage.m_active = true;
        return;
    }
    m_power.m_lines = {m_translation.templateColumns(chosen)};
    m_power.WriteLinesFile(newDatabaseFile());
    openDatabaseFile(newDatabaseFile(), Origin::Template);
}

QString CMyOrvaneDatabaseDlg::optionsValue() const {
    // Two digits of the sort column's number ("00" for none), then eight zeros.
    const int sortNumber = schema::columnNumber(m_database.sortColumn());
    return QStringLiteral("%1").arg(sortNumber, 2, 10, QLatin1Char('0')) +
           QStringLiteral("00000000");
}

bool CMyOrvaneDatabaseDlg::CloseRequested() {
    abandonNewDatabase();
    BringPagesUpToDate();
    SaveOutcome outcome = SaveOutcome::Saved;
    // A save the user cancelled keeps the window open; one that failed or got no name would
    // lose the changes if it closed, which the user decides.
    if (!AskToSave(&outcome) && (outcome == SaveOutcome::Cancelled ||
                                 message(text(texts::CloseWithoutSaving), Prompter::Buttons::YesNo,
                                         Prompter::Icon::Warning) != Prompter::Answer::Yes))
        return false;
    // Saved, nothing to save, or the user chose to lose them: the next start offers nothing.
    if (outcome == SaveOutcome::Saved || outcome == SaveOutcome::Discarded)
        recordSaved();
    writeSetting(configkeys::kLastDatabase, lastDatabaseSetting(), SettingKind::Path);
    writeSetting(configkeys::kOptions, optionsValue());
    return true;
}

void CMyOrvaneDatabaseDlg::closeEvent(QCloseEvent* event) {
    // Closing waits for the command that runs, and cancels its operation where it can stop.
    if (m_commands > 0) {
        m_closeRequested = true;
        event->ignore();
        return;
    }
    bool close = true;  // an error in the settings must not keep the window open
    {
        Command closing(*this);
        actionguard::guard(this, [&] { close = CloseRequested(); });
        m_closeRequested = false;  // answered by this close, whatever came meanwhile
    }
    if (close)
        event->accept();
    else
        event->ignore();
}
