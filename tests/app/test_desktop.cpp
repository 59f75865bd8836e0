// Files reaching the program as a desktop hands them over: on the command line, from a later
// start of the program, dropped on the window, and from the File menu's recent databases.
#include "DialogRobot.h"
#include "FaultChild.h"
#include "MainWindowHarness.h"
#include "RunningProgram.h"

#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTableView>
#include <QTest>
#include <optional>

namespace {

const QStringList kPeople = {"Name;Town", "Smith;York", "Miller;"};
const QStringList kPeopleRows = {"Smith|York", "Miller|"};
const QStringList kBooks = {"Title;Author", "Emma;Austen", "Ulysses;Joyce", "Dubliners;Joyce"};
const QStringList kBooksRows = {"Emma|Austen", "Ulysses|Joyce", "Dubliners|Joyce"};

// The database the window shows: its file and its entries as View All lists them.
QString shownFile(CMyOrvaneDatabaseDlg& window) {
    return window.database().path();
}

// Drops urls on widget as the window system delivers a drop: enter, move, drop. Returns
// whether the drop was taken.
bool drop(QWidget* widget, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = widget->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(widget, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(widget, &move);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(widget, &dropped);
    // The file opens from the event loop, once the drop has ended.
    QCoreApplication::processEvents();
    return enter.isAccepted() && dropped.isAccepted();
}

QStringList fileMenuTexts(CMyOrvaneDatabaseDlg& window) {
    QStringList texts;
    for (QAction* item : window.action(texts::FileMenu)->menu()->actions()) {
        if (item->isVisible() && !item->isSeparator())
            texts.append(item->text().trimmed());
    }
    return texts;
}

QAction* recentItem(CMyOrvaneDatabaseDlg& window, int number) {
    const QString prefix = QStringLiteral("&%1 ").arg(number);
    for (QAction* item : window.action(texts::FileMenu)->menu()->actions()) {
        if (item->isVisible() && item->text().trimmed().startsWith(prefix))
            return item;
    }
    return nullptr;
}

}  // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void laterStartsHandOverToTheRunningProgram();
    void fileOnTheCommandLine_data();
    void fileOnTheCommandLine();
    void handedFileAsksAboutUnsavedChanges_data();
    void handedFileAsksAboutUnsavedChanges();
    void handedFileWaitsForTheQuestionOpenNow();
    void droppedFiles_data();
    void droppedFiles();
    void dropIsRefusedWhileAnOperationRuns();
    void recentDatabases();
};

void TestDesktop::laterStartsHandOverToTheRunningProgram() {
    TestEnvironment env;
    const QString program = QStringLiteral(ORVANE_PROGRAM_FILES "/orvane-database");
    QVERIFY(QDir().mkpath(env.userFolder()));
    QVERIFY(QFile::copy(env.programFolder() + QStringLiteral("/config.ini"), env.userConfig()));
    const QString people =
        env.writeFile(QStringLiteral("people.csv"), MainWindowHarness::crlf(kPeople));
    const QString books =
        env.writeFile(QStringLiteral("shelf/books.csv"), MainWindowHarness::crlf(kBooks));
    env.setConfig(QStringLiteral("LastDataBase"), people);
    const auto laterStart = [&](const QStringList& arguments) {
        auto later = std::make_unique<FaultChild>(program, arguments);
        later->process().setWorkingDirectory(env.root() + QStringLiteral("/shelf"));
        later->start();
        return later;
    };

    auto first = laterStart({});
    QTRY_VERIFY_WITH_TIMEOUT(env.storeRows(2) == kPeopleRows, 60000);

    // A file relative to the caller's folder: the later start ends at once, and the running
    // program opens it.
    const auto handing = laterStart({QStringLiteral("books.csv")});
    QVERIFY(handing->finish(30000));
    QVERIFY2(!handing->crashed() && handing->exitCode() == 0, qPrintable(handing->errors()));
    QTRY_VERIFY_WITH_TIMEOUT(env.storeRows(2) == kBooksRows, 30000);
    // Remembered once the store holds the file's entries: a moment after.
    QTRY_COMPARE_WITH_TIMEOUT(env.config(QStringLiteral("LastDataBase")), books, 30000);

    // Without a file: the running window comes forward, and nothing else happens.
    const QByteArray store = TestEnvironment::readFile(env.userStore());
    const auto bare = laterStart({});
    QVERIFY(bare->finish(30000));
    QVERIFY2(!bare->crashed() && bare->exitCode() == 0, qPrintable(bare->errors()));
    QCOMPARE(first->process().state(), QProcess::Running);
    QCOMPARE(TestEnvironment::readFile(env.userStore()), store);

    // A program that crashed leaves its lock and its socket; neither blocks the next start,
    // which then takes what later starts hand over.
    first->kill();
    QVERIFY(first->finish());
    const QString socket = RunningProgram(env.dataRoot()).socketName();
    QVERIFY2(QFileInfo::exists(socket), qPrintable(socket));
    const auto next = laterStart({people});
    QTRY_VERIFY_WITH_TIMEOUT(env.storeRows(2) == kPeopleRows, 60000);
    const auto handingAgain = laterStart({books});
    QVERIFY(handingAgain->finish(30000));
    QCOMPARE(handingAgain->exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(env.storeRows(2) == kBooksRows, 30000);
    QCOMPARE(next->process().state(), QProcess::Running);
    next->kill();
    QVERIFY(next->finish());
}

void TestDesktop::fileOnTheCommandLine_data() {
    QTest::addColumn<QString>("given");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("told");  // a text the user is told, empty: nothing
    QTest::newRow("a file opens in place of the last database")
        << "books.csv" << kBooksRows << QString();
    QTest::newRow("a name of any script")
        << QString::fromUtf8("книги 書.csv") << kBooksRows << QString();
    QTest::newRow("a missing file is reported; the last database opens")
        << "gone.csv" << kPeopleRows << "gone.csv";
}

void TestDesktop::fileOnTheCommandLine() {
    QFETCH(QString, given);
    QFETCH(QStringList, rows);
    QFETCH(QString, told);
    MainWindowHarness world;
    world.env.setConfig(QStringLiteral("LastDataBase"), world.writeDatabase("people.csv", kPeople));
    if (given != QLatin1String("gone.csv"))
        world.writeDatabase(given, kBooks);
    CMyOrvaneDatabaseDlg& window = world.start(world.env.root() + QLatin1Char('/') + given);
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()), rows);
    const QStringList messages = world.env.prompter.messageTexts();
    if (told.isEmpty()) {
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
        QCOMPARE(shownFile(window), world.env.root() + QLatin1Char('/') + given);
    } else {
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(told), qPrintable(messages[0]));
    }
}

void TestDesktop::handedFileAsksAboutUnsavedChanges_data() {
    QTest::addColumn<Prompter::Answer>("answer");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("peopleFile");  // people.csv's entries afterwards
    const QStringList added = kPeopleRows + QStringList{"Jones|Leeds"};
    QTest::newRow("Cancel keeps everything") << Prompter::Answer::Cancel << added << kPeople;
    QTest::newRow("No lets the change go") << Prompter::Answer::No << kBooksRows << kPeople;
    QTest::newRow("Yes saves it first")
        << Prompter::Answer::Yes << kBooksRows << (kPeople + QStringList{"Jones;Leeds"});
}

void TestDesktop::handedFileAsksAboutUnsavedChanges() {
    QFETCH(Prompter::Answer, answer);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, peopleFile);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString people = shownFile(window);
    QVERIFY(world.addEntry({"Jones", "Leeds"}));
    world.env.prompter.clearPrompts();
    world.env.prompter.queueAnswer(answer);
    window.handFile(world.writeDatabase("books.csv", kBooks));
    QCOMPARE(world.env.prompter.messageTexts().size(), 1);  // the save question, with Cancel
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()), rows);
    QCOMPARE(window.database().isModified(), answer == Prompter::Answer::Cancel);
    QCOMPARE(TestEnvironment::readFile(people), MainWindowHarness::crlf(peopleFile));
}

void TestDesktop::handedFileWaitsForTheQuestionOpenNow() {
    // A file handed over while the Open command's save question stands must not open under
    // it: the command goes on with what the user answers, and the file comes after.
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    QVERIFY(world.addEntry({"Jones", "Leeds"}));
    const QString books = world.writeDatabase("books.csv", kBooks);
    const QString other = world.writeDatabase("other.csv", {"A;B", "1;2"});
    RealDialogs dialogs;
    DialogRobot robot;
    robot.answer(QMessageBox::No);  // Open's question: let the change go
    dialogs.queueFileName(other);
    QTimer::singleShot(300, &window, [&] { window.handFile(books); });
    window.action(texts::OpenDatabaseCommand)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(shownFile(window), books, 10000);
    QVERIFY2(robot.faults().isEmpty(), qPrintable(robot.faults().join('\n')));
    // Open chose other.csv and it opened; then the handed file, with nothing left to ask.
    QCOMPARE(robot.seen().filter(QStringLiteral("message")).size(), 1);
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()), kBooksRows);
    QCOMPARE(window.recentDatabases().mid(0, 2), (QStringList{books, other}));
}

void TestDesktop::droppedFiles_data() {
    QTest::addColumn<QStringList>("names");  // below the test's root; "web" for a web address
    QTest::addColumn<bool>("opens");
    QTest::newRow("one file") << QStringList{"books.csv"} << true;
    QTest::newRow("two files") << QStringList{"books.csv", "people.csv"} << false;
    QTest::newRow("a folder") << QStringList{"shelf"} << false;
    QTest::newRow("a web address") << QStringList{"web"} << false;
}

void TestDesktop::droppedFiles() {
    QFETCH(QStringList, names);
    QFETCH(bool, opens);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString people = shownFile(window);
    world.writeDatabase("books.csv", kBooks);
    QVERIFY(QDir().mkpath(world.env.root() + QStringLiteral("/shelf")));
    QList<QUrl> urls;
    for (const QString& name : names) {
        urls.append(name == QLatin1String("web")
                        ? QUrl(QStringLiteral("https://example.org/books.csv"))
                        : QUrl::fromLocalFile(world.env.root() + QLatin1Char('/') + name));
    }
    // Also on a field that would take the names as text.
    for (QWidget* target : {static_cast<QWidget*>(window.viewAllPage().findChild<QTableView*>()),
                            static_cast<QWidget*>(window.searchPage().field(1))}) {
        world.env.prompter.clearPrompts();
        QVERIFY(drop(target, urls));
        QTRY_VERIFY(!world.env.prompter.prompts().isEmpty() || shownFile(window) != people);
        const QStringList messages = world.env.prompter.messageTexts();
        if (opens) {
            QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
            QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()), kBooksRows);
            break;  // the second target would open what is open
        }
        QCOMPARE(messages, QStringList{window.text(texts::DropOneFile)});
        QCOMPARE(shownFile(window), people);
        QCOMPARE(window.searchPage().field(1)->text(), QString());
    }
}

void TestDesktop::dropIsRefusedWhileAnOperationRuns() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString books = world.writeDatabase("books.csv", kBooks);
    const QString other = world.writeDatabase("other.csv", {"A;B", "1;2"});
    std::optional<bool> taken;
    world.env.prompter.setDuringWork([&] {
        if (!taken)
            taken = drop(&window.viewAllPage(), {QUrl::fromLocalFile(other)});
    });
    world.env.prompter.queueFileName(books);
    window.action(texts::OpenDatabaseCommand)->trigger();
    world.env.prompter.setDuringWork({});
    QVERIFY(taken.has_value());
    QVERIFY(!*taken);
    QTest::qWait(300);
    QCOMPARE(shownFile(window), books);
    QVERIFY(world.env.prompter.messageTexts().isEmpty());
}

void TestDesktop::recentDatabases() {
    MainWindowHarness world;
    const QString people = world.writeDatabase("people.csv", kPeople);
    // A config.ini of an earlier version has no place for them yet.
    QVERIFY(!TestEnvironment::readFile(world.env.programFolder() + QStringLiteral("/config.ini"))
                 .contains("RecentDataBase"));
    world.env.setConfig(QStringLiteral("LastDataBase"), people);
    CMyOrvaneDatabaseDlg& window = world.start();
    QStringList opened = {people};
    // Eleven more, two of them of the same name, one of a name config.ini cannot spell.
    for (int i = 1; i <= 11; ++i) {
        const QString name = i == 5   ? QStringLiteral("other/people.csv")
                             : i == 7 ? QString::fromUtf8("Документы/книги.csv")
                                      : QStringLiteral("db%1.csv").arg(i);
        world.env.prompter.queueFileName(world.writeDatabase(name, kBooks));
        window.action(texts::OpenDatabaseCommand)->trigger();
        opened.prepend(world.env.root() + QLatin1Char('/') + name);
    }
    QCOMPARE(window.recentDatabases(), opened.mid(0, 8));
    const QStringList items = fileMenuTexts(window);
    for (int i = 1; i <= 8; ++i) {
        QAction* item = recentItem(window, i);
        QVERIFY2(item, qPrintable(items.join('\n')));
        QCOMPARE(item->statusTip(), opened[i - 1]);
    }
    QVERIFY(!recentItem(window, 9));
    // people.csv is no longer listed; the other one is named by its file alone.
    QCOMPARE(recentItem(window, 7)->text().trimmed(), QStringLiteral("&7  people.csv"));

    // Kept across a start.
    QVERIFY(world.close());
    CMyOrvaneDatabaseDlg& again = world.start();
    QCOMPARE(again.recentDatabases(), opened.mid(0, 8));

    // Choosing one opens it; one that is gone is said and leaves the list.
    recentItem(again, 5)->trigger();
    QCOMPARE(shownFile(again), opened[4]);
    QCOMPARE(again.recentDatabases().first(), opened[4]);
    QVERIFY(QFile::remove(opened[2]));
    QAction* gone = nullptr;
    for (int i = 1; i <= 8; ++i) {
        if (recentItem(again, i)->statusTip() == opened[2])
            gone = recentItem(again, i);
    }
    QVERIFY(gone);
    world.env.prompter.clearPrompts();
    gone->trigger();
    const QStringList messages = world.env.prompter.messageTexts();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QDir::toNativeSeparators(opened[2])), qPrintable(messages[0]));
    QCOMPARE(shownFile(again), opened[4]);
    QVERIFY(!again.recentDatabases().contains(opened[2]));
    QCOMPARE(again.recentDatabases().size(), 7);
}

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
