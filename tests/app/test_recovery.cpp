// A session that ends badly (the program killed, the machine gone) keeps the user's unsaved
// changes in the working store; the next start offers them back. Provoked for real: a helper
// process makes the change and is killed with SIGKILL.
#include "FaultChild.h"
#include "MainWindowHarness.h"
#include "Schema.h"
#include "StoreContents.h"

#include <QAction>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

namespace {

const QStringList kPeople = {"Name;Town;Born", "Smith;York;1970", "Miller;Leeds;1982",
                             "Miller;Leeds;1982"};

// The helper process: the main window in world, making changes, then waiting to be killed.
FaultChild sessionIn(const MainWindowHarness& world, const QStringList& changes) {
    return FaultChild(QStringLiteral(FAULT_CHILD),
                      QStringList{QStringLiteral("session"), world.env.root()} + changes);
}

// Makes people.csv (kPeople) the last database of world, lets the helper process make the
// changes in it and kills it; the file's path. What goes wrong fails the running test.
QString killedAfter(MainWindowHarness& world, const QStringList& changes) {
    const QString path = world.writeDatabase(QStringLiteral("people.csv"), kPeople);
    world.env.setConfig(QStringLiteral("LastDataBase"), path);
    FaultChild child = sessionIn(world, changes);
    child.start();
    if (!child.waitForLine("changed " + changes.last().toUtf8()))
        QTest::qFail(qPrintable(child.errors()), __FILE__, __LINE__);
    child.kill();
    if (!child.finish())
        QTest::qFail("the helper process did not end", __FILE__, __LINE__);
    return path;
}

// The recovery question for the database at path (empty: untitled).
QString question(CMyOrvaneDatabaseDlg& window, const QString& path) {
    return window.text(texts::RecoverQuestion)
        .arg(path.isEmpty() ? window.text(texts::Untitled) : path);
}

}  // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    void killedAfterAChangeIsRecovered_data();
    void killedAfterAChangeIsRecovered();
    void undoAfterASaveIsRecovered();
    void recoveryDeclinedOpensTheFile();
    void noQuestionFromADamagedStore();
    void noQuestionAfterAnOrderlyEnd_data();
    void noQuestionAfterAnOrderlyEnd();
    void templateDatabaseStaysUntitled_data();
    void templateDatabaseStaysUntitled();
    void startWithoutTheLastFileIsEmpty_data();
    void startWithoutTheLastFileIsEmpty();
    void killedDuringAColumnMoveLeavesItWholeOrNotAtAll_data();
    void killedDuringAColumnMoveLeavesItWholeOrNotAtAll();
};

void TestRecovery::killedAfterAChangeIsRecovered_data() {
    QTest::addColumn<QString>("change");
    for (const QString& change : MainWindowHarness::changes())
        QTest::newRow(qPrintable(change)) << change;
}

// Killed right after a change: Yes to the question brings it back, and a save then writes what
// the save of a session that was never killed writes.
void TestRecovery::killedAfterAChangeIsRecovered() {
    QFETCH(QString, change);
    QByteArray expected;
    {
        MainWindowHarness normal;
        CMyOrvaneDatabaseDlg& window = normal.startWith(kPeople);
        QVERIFY(normal.makeChange(change));
        const QString saved = normal.env.root() + QStringLiteral("/saved.csv");
        normal.env.prompter.queueFileName(saved);
        window.action(texts::SaveDatabaseAsCommand)->trigger();
        expected = TestEnvironment::readFile(saved);
        QVERIFY(!expected.isEmpty());
    }

    MainWindowHarness world;
    const QString path = killedAfter(world, {change});
    if (QTest::currentTestFailed())
        return;

    world.env.prompter.queueAnswer(Prompter::Answer::Yes);
    CMyOrvaneDatabaseDlg& window = world.start();
    const bool untitled = change == QLatin1String("new from template");
    QCOMPARE(world.env.prompter.messageTexts(),
             QStringList{question(window, untitled ? QString() : path)});
    QCOMPARE(window.currentPath(),
             untitled ? QStringLiteral("/") + window.text(texts::Untitled) : path);
    QVERIFY(window.windowTitle().contains(QStringLiteral("* - ")));
    QCOMPARE(TestEnvironment::readFile(path), MainWindowHarness::crlf(kPeople));

    const QString saved = world.env.root() + QStringLiteral("/recovered.csv");
    world.env.prompter.queueFileName(saved);
    window.action(texts::SaveDatabaseAsCommand)->trigger();
    QCOMPARE(TestEnvironment::readFile(saved), expected);
}

// Undo after a save makes the entries differ from the file again: a kill then loses nothing.
void TestRecovery::undoAfterASaveIsRecovered() {
    MainWindowHarness world;
    const QString path = killedAfter(
        world, {QStringLiteral("add entry"), QStringLiteral("save"), QStringLiteral("undo")});
    if (QTest::currentTestFailed())
        return;

    world.env.prompter.queueAnswer(Prompter::Answer::Yes);
    CMyOrvaneDatabaseDlg& window = world.start();
    QCOMPARE(world.env.prompter.messageTexts(), QStringList{question(window, path)});
    window.action(texts::SaveDatabaseCommand)->trigger();
    QCOMPARE(TestEnvironment::readFile(path), MainWindowHarness::crlf(kPeople));
}

void TestRecovery::recoveryDeclinedOpensTheFile() {
    MainWindowHarness world;
    const QString path = killedAfter(world, {QStringLiteral("add entry")});
    if (QTest::currentTestFailed())
        return;

    world.env.prompter.queueAnswer(Prompter::Answer::No);
    CMyOrvaneDatabaseDlg& window = world.start();
    QCOMPARE(world.env.prompter.messageTexts(), QStringList{question(window, path)});
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()),
             QStringList({"Smith|York|1970", "Miller|Leeds|1982", "Miller|Leeds|1982"}));
    QCOMPARE(window.windowTitle(),
             QStringLiteral("people.csv - ") + window.text(texts::ProgramName));
    QVERIFY(!window.database().isModified());

    // Declined once is declined: the file's entries are what the store holds now.
    QVERIFY(world.close());
    world.env.prompter.clearPrompts();
    world.start();
    QVERIFY(world.env.prompter.messageTexts().isEmpty());
}

// A store that was damaged after the kill offers nothing: the start replaces it and opens the
// file as always.
void TestRecovery::noQuestionFromADamagedStore() {
    MainWindowHarness world;
    const QString path = killedAfter(world, {QStringLiteral("add entry")});
    if (QTest::currentTestFailed())
        return;
    QFile store(world.env.userStore());
    QVERIFY(store.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(store.write(QByteArray(4096, 'x')) == 4096);
    store.close();

    CMyOrvaneDatabaseDlg& window = world.start();
    QVERIFY2(world.env.prompter.messageTexts().isEmpty(),
             qPrintable(world.env.prompter.messageTexts().join('\n')));
    QCOMPARE(window.currentPath(), path);
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()).size(), 3);
}

void TestRecovery::noQuestionAfterAnOrderlyEnd_data() {
    QTest::addColumn<QString>("end");
    QTest::newRow("closed after saving") << "save";
    QTest::newRow("closed with No to the save question") << "discard";
    QTest::newRow("killed after saving") << "kill after save";
    QTest::newRow("closed after an edit that changed nothing") << "unchanged edit";
}

// Nothing to offer: the changes were saved, or the user chose to lose them.
void TestRecovery::noQuestionAfterAnOrderlyEnd() {
    QFETCH(QString, end);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString path = window.currentPath();
    const bool added = end != QLatin1String("unchanged edit");
    if (added) {
        QVERIFY(world.makeChange(QStringLiteral("add entry")));
    } else {
        MainWindowHarness::chooseRow(window.viewAllPage(), 0);
        window.viewAllPage().OnEditEntry();
        window.OnPollTimer();
        world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    }
    if (added && end != QLatin1String("discard"))
        window.action(texts::SaveDatabaseCommand)->trigger();
    world.env.prompter.queueAnswer(Prompter::Answer::No);  // the save question, if asked
    QVERIFY(world.close());
    if (end == QLatin1String("kill after save")) {
        FaultChild child = sessionIn(world, {});
        child.start();
        QVERIFY(child.process().waitForStarted());
        QThread::msleep(500);  // long enough to start and load; nothing is changed
        child.kill();
        QVERIFY(child.finish());
    }
    world.env.prompter.clearPrompts();
    CMyOrvaneDatabaseDlg& again = world.start();
    QVERIFY2(world.env.prompter.messageTexts().isEmpty(),
             qPrintable(world.env.prompter.messageTexts().join('\n')));
    QCOMPARE(again.currentPath(), path);
    QCOMPARE(MainWindowHarness::listedRows(again.viewAllPage()).size(),
             end == QLatin1String("discard") || !added ? 3 : 4);
}

void TestRecovery::templateDatabaseStaysUntitled_data() {
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<bool>("recovered");
    const QStringList acrossALanguage = {"template alone", "change language", "add entry"};
    QTest::newRow("across a language change, recovered") << acrossALanguage << true;
    QTest::newRow("across a language change, declined") << acrossALanguage << false;
    QTest::newRow("recovered") << QStringList{"new from template"} << true;
    QTest::newRow("declined") << QStringList{"new from template"} << false;
}

// A database made from a template belongs to no file: the program's own file it was made from
// is never remembered as the last database nor written by Save, after a crash whatever the
// answer, and after a language change.
void TestRecovery::templateDatabaseStaysUntitled() {
    QFETCH(QStringList, changes);
    QFETCH(bool, recovered);
    MainWindowHarness world;
    const QString people = killedAfter(world, changes);
    if (QTest::currentTestFailed())
        return;
    const QString programsFile = world.env.userFolder() + QStringLiteral("/newdatabase.csv");
    const QByteArray made = TestEnvironment::readFile(programsFile);
    QVERIFY(!made.isEmpty());

    world.env.prompter.queueAnswer(recovered ? Prompter::Answer::Yes : Prompter::Answer::No);
    CMyOrvaneDatabaseDlg& window = world.start();
    QCOMPARE(world.env.prompter.messageTexts(), QStringList{question(window, QString())});
    QVERIFY(world.env.config(QStringLiteral("LastDataBase")) != programsFile);
    if (!recovered) {
        // The database the window had before New, as it was last saved.
        QCOMPARE(window.currentPath(), people);
        return;
    }
    QCOMPARE(window.currentPath(), QStringLiteral("/") + window.text(texts::Untitled));
    QVERIFY(storesession::read(world.env.userStore()).path.isEmpty());
    world.env.prompter.clearPrompts();
    window.action(texts::SaveDatabaseCommand)->trigger();  // asks for a name; cancelled
    QCOMPARE(world.env.prompter.prompts().value(0).kind, QStringLiteral("save"));
    QCOMPARE(TestEnvironment::readFile(programsFile), made);
    QVERIFY(world.env.config(QStringLiteral("LastDataBase")) != programsFile);
}

void TestRecovery::startWithoutTheLastFileIsEmpty_data() {
    QTest::addColumn<bool>("recovered");
    QTest::newRow("recovered") << true;
    QTest::newRow("declined") << false;
}

// The last database's file is gone and the New Database dialog is cancelled: the untitled
// database is empty and its record says so, with the columns shown; what a crash then leaves
// comes back under those columns, and declined it is never shown again.
void TestRecovery::startWithoutTheLastFileIsEmpty() {
    QFETCH(bool, recovered);
    MainWindowHarness world;
    const QString people = world.writeDatabase(QStringLiteral("people.csv"), kPeople);
    world.env.setConfig(QStringLiteral("LastDataBase"), people);
    world.start();
    QVERIFY(world.close());
    QVERIFY(QFile::remove(people));
    FaultChild child = sessionIn(world, {QStringLiteral("add entry")});
    child.start();
    QVERIFY2(child.waitForLine("changed add entry"), qPrintable(child.errors()));
    child.kill();
    QVERIFY(child.finish());

    world.env.prompter.queueAnswer(recovered ? Prompter::Answer::Yes : Prompter::Answer::No);
    CMyOrvaneDatabaseDlg& window = world.start();
    QCOMPARE(world.env.prompter.messageTexts(), QStringList{question(window, QString())});
    QCOMPARE(window.currentPath(), QStringLiteral("/") + window.text(texts::Untitled));
    const QString columns = window.text(texts::DefaultColumnNames);
    QCOMPARE(window.database().columnNames(), columns);
    const QStringList shown = MainWindowHarness::listedRows(window.viewAllPage());
    if (recovered)
        QCOMPARE(shown, QStringList{"Jones|Hull" + QString(columns.count(';') - 1, '|')});
    else
        QVERIFY(shown.isEmpty());
    const storesession::Record record = storesession::read(world.env.userStore());
    QVERIFY(record.path.isEmpty());
    QCOMPARE(record.columnNames, columns);
    window.action(texts::SaveDatabaseCommand)->trigger();  // asks for a name; cancelled
    QVERIFY(!QFile::exists(people));
}

void TestRecovery::killedDuringAColumnMoveLeavesItWholeOrNotAtAll_data() {
    QTest::addColumn<int>("delay");  // milliseconds after the move began
    for (int delay : {0, 20, 60, 150, 400})
        QTest::newRow(qPrintable(QStringLiteral("%1 ms into the move").arg(delay))) << delay;
}

// The removal of a column moves the values of every entry in one statement: a kill at any
// moment of it leaves every entry moved, or none.
void TestRecovery::killedDuringAColumnMoveLeavesItWholeOrNotAtAll() {
    QFETCH(int, delay);
    MainWindowHarness world;
    constexpr int kEntries = 200'000;
    QByteArray bytes = "C1;C2;C3;C4;C5;C6;C7;C8\r\n";
    for (int i = 0; i < kEntries; ++i) {
        for (int k = 1; k <= 8; ++k)
            bytes +=
                'c' + QByteArray::number(k) + '-' + QByteArray::number(i) + (k < 8 ? ";" : "\r\n");
    }
    world.env.setConfig(QStringLiteral("LastDataBase"),
                        world.env.writeFile(QStringLiteral("big.csv"), bytes));
    FaultChild child = sessionIn(world, {QStringLiteral("remove column")});
    child.start();
    QVERIFY2(child.waitForLine("changing"), qPrintable(child.errors()));
    QThread::msleep(static_cast<unsigned long>(delay));
    child.kill();
    QVERIFY(child.finish());
    const bool ended = child.lines().contains(QStringLiteral("changed remove column"));

    // The next connection finds the store as it was before the move, or after it.
    const QString store = world.env.userStore();
    QCOMPARE(storecontents::query(store, QStringLiteral("PRAGMA integrity_check;")),
             QStringList{QStringLiteral("ok")});
    const auto count = [&store](const QString& condition) {
        return storecontents::query(store, QStringLiteral("SELECT count(*) FROM %1 WHERE %2;")
                                               .arg(schema::table(), condition))
            .value(0)
            .toInt();
    };
    const int unmoved = count(QStringLiteral("Column2 LIKE 'c2-%'"));
    const int moved = count(QStringLiteral("Column2 LIKE 'c3-%' AND Column8 IS NULL"));
    QVERIFY2((unmoved == kEntries && moved == 0) || (moved == kEntries && unmoved == 0),
             qPrintable(QStringLiteral("%1 entries moved, %2 not").arg(moved).arg(unmoved)));
    if (ended)
        QCOMPARE(moved, kEntries);
    qInfo("%s", moved ? "killed after the move" : "killed before the move was committed");
}

QTEST_MAIN(TestRecovery)
#include "test_recovery.moc"
