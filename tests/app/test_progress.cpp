// Progress with Cancel while a database is opened or saved: the real dialog, the store's steps,
// and what the window is left with when the user cancels.
#include "CsvDatabaseFile.h"
#include "DialogRobot.h"
#include "MainWindowHarness.h"
#include "ProgressWindow.h"
#include "Prompter.h"
#include "SQLite3PowerClass.h"
#include "Schema.h"
#include "StoreContents.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {

constexpr int kBigEntries = 100'000;
const QStringList kPeople = {"Name;Town", "Smith;York", "Miller;Leeds"};

// A database large enough that its work is reported many times over.
QByteArray bigDatabase() {
    QByteArray bytes = "Name;Town\r\n";
    for (int i = 0; i < kBigEntries; ++i)
        bytes +=
            "Person " + QByteArray::number(i) + ";Town " + QByteArray::number(i % 100) + "\r\n";
    return bytes;
}

// A progress callback that cancels once the work reaches cancelAt (a fraction of the total;
// beyond 1: never), and remembers how far each report said the work had come.
class CancellingCallback {
public:
    explicit CancellingCallback(double cancelAt) : m_cancelAt(cancelAt) {}

    csvfile::ProgressCallback callback() {
        return [this](qint64 done, qint64 total) {
            reports.append(done);
            this->total = total;
            return done < m_cancelAt * total;
        };
    }
    // The cancel was heard while there was work left to stop.
    bool cancelledEarly() const { return !reports.isEmpty() && reports.last() < total; }

    QList<qint64> reports;
    qint64 total = -1;

private:
    double m_cancelAt;
};

void addCancelPoints() {
    QTest::addColumn<double>("cancelAt");
    QTest::newRow("never") << 2.0;
    QTest::newRow("at the first report") << 0.0;
    QTest::newRow("halfway") << 0.5;
    QTest::newRow("at the last report") << 1.0;
}

QStringList sessionOf(const QString& store) {
    const storesession::Record record = storesession::read(store);
    return {
        record.exists ? "exists" : "none",    record.path,   record.columnNames, record.sortColumn,
        record.unsaved ? "unsaved" : "saved", record.dialect};
}

QStringList folderContents(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Every file of folder with its bytes.
QMap<QString, QByteArray> filesIn(const QString& folder) {
    QMap<QString, QByteArray> files;
    for (const QString& name : folderContents(folder))
        files.insert(name, TestEnvironment::readFile(folder + "/" + name));
    return files;
}

// The kinds of the prompts since the last clearPrompts().
QStringList promptKinds(const ScriptedPrompter& prompter) {
    QStringList kinds;
    for (const ScriptedPrompter::Prompt& prompt : prompter.prompts())
        kinds.append(prompt.kind);
    return kinds;
}

}  // namespace

class TestProgress : public QObject {
    Q_OBJECT
private slots:
    void dialogFollowsTheWorkAndCancels_data();
    void dialogFollowsTheWorkAndCancels();
    void cancelledLoadKeepsTheStore_data() { addCancelPoints(); }
    void cancelledLoadKeepsTheStore();
    void cancelledWriteKeepsTheFile_data() { addCancelPoints(); }
    void cancelledWriteKeepsTheFile();
    void openAndSaveShowProgress();
    void cancelledOpenStaysOnTheDatabase();
    void cancelledLoadWithoutADatabaseIsUntitled_data();
    void cancelledLoadWithoutADatabaseIsUntitled();
    void cancelledSaveKeepsFileAndChanges_data();
    void cancelledSaveKeepsFileAndChanges();
};

void TestProgress::dialogFollowsTheWorkAndCancels_data() {
    QTest::addColumn<qint64>("total");
    QTest::newRow("small") << qint64(1000);
    QTest::newRow("beyond the dialog's int") << qint64(6'000'000'000);
}

void TestProgress::dialogFollowsTheWorkAndCancels() {
    QFETCH(qint64, total);
    QWidget window;
    window.show();
    QtPrompter prompter;
    std::unique_ptr<Progress> progress =
        prompter.progress(&window, "Opening big.csv...", "Stop", total);

    // Work that goes on for half a second brings the window up, over its window only.
    QElapsedTimer working;
    working.start();
    QPointer<ProgressWindow> shown;
    QVERIFY(QTest::qWaitFor(
        [&] {
            progress->advance(total / 2);
            shown = window.findChild<ProgressWindow*>();
            return shown && shown->isVisible();
        },
        5000));
    QVERIFY(working.elapsed() >= 500);
    QCOMPARE(shown->label()->text(), "Opening big.csv...");
    QCOMPARE(shown->windowModality(), Qt::WindowModal);
    QVERIFY(shown->bar()->maximum() > 0);
    QVERIFY(qAbs(shown->bar()->value() - shown->bar()->maximum() / 2) <= 1);

    // Escape and the title bar's close leave it standing and the work going on.
    DialogRobot::pressKey(shown, Qt::Key_Escape);
    DialogRobot::closeWindow(shown);
    QVERIFY(progress->advance(total / 2));
    QVERIFY(shown && shown->isVisible());

    // Cancel comes and goes; pressed, the next step hears of it, and the window stays until
    // the work is done with it.
    progress->setCancellable(false);
    QVERIFY(!shown->cancelButton()->isVisible());
    progress->setCancellable(true);
    QVERIFY(shown->cancelButton()->isVisible());
    QCOMPARE(shown->cancelButton()->text(), "Stop");
    QVERIFY(progress->advance(total / 2));
    DialogRobot::click(shown->cancelButton());
    QVERIFY(!progress->advance(total / 2 + 1));
    QVERIFY(shown && shown->isVisible());

    progress.reset();
    QVERIFY(!shown);
}

void TestProgress::cancelledLoadKeepsTheStore() {
    QFETCH(double, cancelAt);
    TestEnvironment env;
    const QString store = env.copyStoreTemplate();
    // The store holds a small database with changes that are in no file yet.
    storesession::Update small;
    small.path = env.root() + "/small.csv";
    QVERIFY(csvfile::LoadIntoStore(QByteArray("Name;Town\r\nSmith;York\r\n"), store, small)
                .storeUsable);
    QVERIFY(storecontents::insert(store, {"Jones", "Hull"}));
    storesession::Update changed;
    changed.unsaved = true;
    QVERIFY(storesession::write(store, changed));
    const QStringList rows = storecontents::rows(store, 2);
    const QStringList session = sessionOf(store);

    const QByteArray bytes = bigDatabase();
    storesession::Update update;
    update.path = env.root() + "/big.csv";
    CancellingCallback progress(cancelAt);
    const csvfile::LoadReport report =
        csvfile::LoadIntoStore(bytes, store, update, progress.callback());

    QCOMPARE(progress.total, bytes.size());
    QVERIFY(std::is_sorted(progress.reports.begin(), progress.reports.end()));
    if (cancelAt > 1) {
        QVERIFY(!report.cancelled);
        QCOMPARE(report.storedEntries, kBigEntries);
        QCOMPARE(progress.reports.last(), bytes.size());
        QCOMPARE(storecontents::rows(store, 2).size(), kBigEntries);
        QCOMPARE(storesession::read(store).path, env.root() + "/big.csv");
        return;
    }
    QVERIFY(report.cancelled);
    QCOMPARE(progress.cancelledEarly(), cancelAt < 1);
    QCOMPARE(storecontents::rows(store, 2), rows);
    QCOMPARE(sessionOf(store), session);
}

void TestProgress::cancelledWriteKeepsTheFile() {
    QFETCH(double, cancelAt);
    TestEnvironment env;
    const QString store = env.copyStoreTemplate();
    const QByteArray bytes = bigDatabase();
    QVERIFY(csvfile::LoadIntoStore(bytes, store).storeUsable);
    SQLite3PowerClass entries;
    QVERIFY(entries.Query(store, schema::table(), QString(), QString(), 2).done());
    const QByteArray old = "Name;Town\r\nSmith;York\r\n";
    const QString path = env.writeFile("saved/big.csv", old);

    CancellingCallback progress(cancelAt);
    const bool written = csvfile::Write(path, "Name;Town", entries.m_resultValues, 2,
                                        textencoding::Encoding::SingleByte, progress.callback())
                             .written();

    QCOMPARE(progress.total, qint64(kBigEntries));
    QVERIFY(std::is_sorted(progress.reports.begin(), progress.reports.end()));
    QCOMPARE(folderContents(env.root() + "/saved"), QStringList{"big.csv"});
    QCOMPARE(written, cancelAt > 1);
    QCOMPARE(TestEnvironment::readFile(path), written ? bytes : old);
    if (!written)
        QCOMPARE(progress.cancelledEarly(), cancelAt < 1);
}

void TestProgress::openAndSaveShowProgress() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString big = world.env.writeFile("big.csv", bigDatabase());
    world.env.prompter.clearPrompts();
    world.env.prompter.queueFileName(big);
    window.OnOpenDatabase();
    QCOMPARE(promptKinds(world.env.prompter), QStringList({"open", "progress", "progress"}));
    QCOMPARE(world.env.prompter.prompts()[1].text, window.text(634).arg("big.csv"));
    QCOMPARE(world.env.prompter.prompts()[2].text, window.text(636).arg("big.csv"));
    QCOMPARE(window.windowTitle(), "big.csv - " + window.text(5));
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()).size(), kBigEntries);

    QVERIFY(world.addEntry({"Jones", "Hull"}));
    world.env.prompter.clearPrompts();
    window.OnSaveDatabase();
    QCOMPARE(promptKinds(world.env.prompter), QStringList{"progress"});
    QCOMPARE(world.env.prompter.prompts().last().text, window.text(635).arg("big.csv"));
    QCOMPARE(TestEnvironment::readFile(big), bigDatabase() + "Jones;Hull\r\n");
    QCOMPARE(window.windowTitle(), "big.csv - " + window.text(5));
}

void TestProgress::cancelledOpenStaysOnTheDatabase() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    QVERIFY(world.addEntry({"Jones", "Hull"}));
    const QString path = window.currentPath();
    const QString title = window.windowTitle();
    const QStringList listed = MainWindowHarness::listedRows(window.viewAllPage());
    const QStringList stored = world.env.storeRows(2);
    const QStringList session = sessionOf(world.env.userStore());
    const int steps = window.history().count();
    const QByteArray bytes = bigDatabase();
    const QString big = world.env.writeFile("big.csv", bytes);

    // The change is not saved first; then the opening is cancelled halfway.
    world.env.prompter.clearPrompts();
    world.env.prompter.queueAnswer(Prompter::Answer::No);
    world.env.prompter.queueFileName(big);
    world.env.prompter.queueCancelAt(bytes.size() / 2);
    window.OnOpenDatabase();

    // The entries of the database it stays on are listed again.
    QCOMPARE(promptKinds(world.env.prompter),
             QStringList({"message", "open", "progress", "progress"}));
    QCOMPARE(world.env.prompter.prompts()[2].text, window.text(634).arg("big.csv"));
    QCOMPARE(world.env.prompter.prompts()[3].text, window.text(636).arg("people.csv"));
    QCOMPARE(window.currentPath(), path);
    QCOMPARE(window.windowTitle(), title);
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()), listed);
    QCOMPARE(world.env.storeRows(2), stored);
    QCOMPARE(sessionOf(world.env.userStore()), session);
    QCOMPARE(window.history().count(), steps);
    QVERIFY(window.database().isModified());
    QCOMPARE(TestEnvironment::readFile(big), bytes);
}

void TestProgress::cancelledLoadWithoutADatabaseIsUntitled_data() {
    QTest::addColumn<bool>("atStart");
    QTest::addColumn<QStringList>("prompts");
    QTest::newRow("start") << true << QStringList{"progress"};
    QTest::newRow("language change") << false << QStringList{"modal", "progress"};
}

void TestProgress::cancelledLoadWithoutADatabaseIsUntitled() {
    // Neither has a database to go back to: the window shows an empty untitled one, as when
    // the file could not be loaded, but says nothing.
    QFETCH(bool, atStart);
    QFETCH(QStringList, prompts);
    MainWindowHarness world;
    const QByteArray bytes = bigDatabase();
    const QString big = world.env.writeFile("big.csv", bytes);
    CMyOrvaneDatabaseDlg* window = &world.startWith(kPeople);
    world.env.prompter.clearPrompts();
    if (atStart) {
        QVERIFY(world.close());
        world.env.setConfig("LastDataBase", big);
        world.env.prompter.queueCancelAt(bytes.size() / 2);
        window = &world.start();
    } else {
        world.env.setConfig("LastDataBase", big);
        world.env.prompter.queueDialog(MainWindowHarness::chooseLanguage("Deutsch"));
        world.env.prompter.queueCancelAt(bytes.size() / 2);
        window->OnLanguageSelection();
    }

    QCOMPARE(promptKinds(world.env.prompter), prompts);
    QCOMPARE(window->currentPath(), "/" + window->text(130));
    QCOMPARE(window->windowTitle(), window->text(130) + " - " + window->text(5));
    QVERIFY(MainWindowHarness::listedRows(window->viewAllPage()).isEmpty());
    QVERIFY(world.env.storeRows(2).isEmpty());
    QCOMPARE(TestEnvironment::readFile(big), bytes);
}

void TestProgress::cancelledSaveKeepsFileAndChanges_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("savedName");  // the file the save writes
    QTest::newRow("Save") << "save"
                          << "big.csv";
    QTest::newRow("Save As over another file") << "save as"
                                               << "other.csv";
    QTest::newRow("save question of Open") << "open"
                                           << "big.csv";
    QTest::newRow("save question of New") << "new"
                                          << "big.csv";
    QTest::newRow("save question of closing") << "close"
                                              << "big.csv";
}

void TestProgress::cancelledSaveKeepsFileAndChanges() {
    QFETCH(QString, command);
    QFETCH(QString, savedName);
    MainWindowHarness world;
    const QString folder = world.env.root() + "/files";
    const QString big = world.env.writeFile("files/big.csv", bigDatabase());
    const QString other = world.env.writeFile("files/other.csv", MainWindowHarness::crlf(kPeople));
    world.env.setConfig("LastDataBase", big);
    CMyOrvaneDatabaseDlg& window = world.start();
    QVERIFY(world.addEntry({"Jones", "Hull"}));
    const QMap<QString, QByteArray> files = filesIn(folder);

    world.env.prompter.clearPrompts();
    world.env.prompter.queueCancelAt(kBigEntries / 2);
    if (command == "save") {
        window.OnSaveDatabase();
    } else if (command == "save as") {
        world.env.prompter.queueFileName(other);
        world.env.prompter.queueAnswer(Prompter::Answer::Yes);  // replace it
        window.OnSaveDatabaseAs();
    } else {
        world.env.prompter.queueAnswer(Prompter::Answer::Yes);  // save first
        // What the command would go on with, so that going on shows.
        world.env.prompter.queueFileName(other);
        world.env.prompter.queueDialog(MainWindowHarness::chooseNewDatabase(2));
        if (command == "open")
            window.OnOpenDatabase();
        else if (command == "new")
            window.OnNewDatabase();
        else
            QVERIFY(!world.close());
    }

    // Nothing is asked after the save, and the command that asked for it stops there.
    QCOMPARE(promptKinds(world.env.prompter).last(), "progress");
    QCOMPARE(world.env.prompter.prompts().last().text, window.text(635).arg(savedName));
    QCOMPARE(filesIn(folder), files);
    QCOMPARE(window.currentPath(), big);
    QCOMPARE(window.windowTitle(), "big.csv* - " + window.text(5));
    QVERIFY(window.database().isModified());
    QVERIFY(storesession::read(world.env.userStore()).unsaved);
    QCOMPARE(world.env.storeRows(2).size(), kBigEntries + 1);
    QCOMPARE(window.database().columnNames(), "Name;Town");
}

QTEST_MAIN(TestProgress)
#include "test_progress.moc"
