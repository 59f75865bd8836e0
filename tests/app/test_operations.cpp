// One operation at a time: while the program waits (a question, a progress window, a result
// from the background), nothing hangs, no progress window stands over a message, and no command
// acts on another file or entry than the one the user chose.
#include "DialogRobot.h"
#include "ImmutableFile.h"
#include "MainWindowHarness.h"
#include "SQLite3PowerClass.h"
#include "Schema.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

namespace {

const QStringList kPeople = {"Name;Town", "Smith;York", "Miller;Leeds"};
// Sorted by Name: Brown, Jones, Miller, Smith, Taylor, Young. The entry chosen is Jones.
const QStringList kFive = {"Name;Town",  "Smith;York",  "Miller;Leeds",
                           "Jones;Hull", "Brown;Leeds", "Taylor;York"};

// A database of n entries of other columns than kPeople's.
QByteArray manyEntries(int n) {
    QByteArray bytes = "Title;Author;Year\r\n";
    for (int i = 0; i < n; ++i)
        bytes += "Book " + QByteArray::number(i) + ";Author " + QByteArray::number(i % 97) + ";" +
                 QByteArray::number(1900 + i % 120) + "\r\n";
    return bytes;
}

// The file of the issue: lines of other lengths than the header's, LF line ends.
QByteArray linesNotKept() {
    QByteArray wide = "1";
    for (int k = 2; k <= 27; ++k)
        wide += ";" + QByteArray::number(k);
    return "A;B;C\n1;2;3\n" + wide + "\nx\np;q;r;s;t\nlast;line;here\n";
}

QString countText(const CViewTab& page) {
    for (const QLabel* label : page.findChildren<QLabel*>()) {
        if (label->text().startsWith(page.text(texts::EntryCount)) ||
            label->text().startsWith(page.text(texts::FoundEntryCount)))
            return label->text();
    }
    return QString();
}

QStringList headings(const CViewTab& page) {
    QStringList names;
    const QAbstractItemModel* model = page.list()->model();
    for (int column = 0; column < model->columnCount(); ++column)
        names.append(model->headerData(column, Qt::Horizontal).toString());
    return names;
}

// What a list shows a person: headings, rows, count, sort arrow, filter text and chosen entry.
QStringList shownBy(const CViewTab& page) {
    const QHeaderView* header = page.list()->horizontalHeader();
    const std::optional<ChosenEntry> chosen = page.chosenEntry();
    return QStringList{headings(page).join("|"),
                       MainWindowHarness::listedRows(page).join(" / "),
                       countText(page),
                       header->isSortIndicatorShown()
                           ? QString::number(header->sortIndicatorSection())
                           : QStringLiteral("no arrow"),
                       page.filterField()->text(),
                       chosen ? chosen->values.join("|") : QStringLiteral("none chosen")};
}

constexpr int kManyEntries = 20'000;

// A window on kPeople, a file of many entries beside it, and the real dialogs with a person at
// them; a part's work: opening the many entries; once open, listing them again after a file
// that cannot be opened (an open lists what it has stored without reading it back), saving them
// or sorting them.
struct RobotWorld {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString people = window.currentPath();
    const QByteArray bytes = manyEntries(kManyEntries);
    const QString many = world.env.writeFile("many.csv", bytes);
    const QString tooWide = world.env.writeFile("wide.csv", QByteArray(27, ';') + "\r\n");
    RealDialogs dialogs;
    DialogRobot robot;

    void open(const QString& path) {
        dialogs.queueFileName(path);
        window.action(texts::OpenDatabaseCommand)->trigger();
    }
    // Opens what the part's work needs first: the many entries, to save, sort or list again.
    void prepare(const QString& part) {
        if (part != "Opening")
            open(many);
    }
    void work(const QString& part) {
        if (part == "Saving") {
            window.action(texts::SaveDatabaseCommand)->trigger();
        } else if (part == "Sorting") {
            // A click on the heading of the second column.
            QHeaderView* header = window.viewAllPage().list()->horizontalHeader();
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(1) + 10, 5));
        } else {
            open(part == "Listing" ? tooWide : many);
        }
    }
    // The column the list is sorted by, as its arrow shows; -1 for none.
    int sortedBy() const {
        const QHeaderView* header = window.viewAllPage().list()->horizontalHeader();
        return header->isSortIndicatorShown() ? header->sortIndicatorSection() : -1;
    }
};

QString pdfText(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, "-"});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

class TestOperations : public QObject {
    Q_OBJECT
private slots:
    void robotsHandIsAPersons();
    void linesNotKeptAreToldAfterTheWork_data();
    void linesNotKeptAreToldAfterTheWork();
    void progressWindowsCloseOnlyWithTheirWork_data();
    void progressWindowsCloseOnlyWithTheirWork();
    void closingDuringAnOperation_data();
    void closingDuringAnOperation();
    void refusalsAreToldAfterTheWork();
    void commandsActOnTheChosenEntry_data();
    void commandsActOnTheChosenEntry();
    void cancelledOpenShowsWhatItShowed();
    void listingShowsNothingOfTheOldDatabase();
    void addEditPageFollowsAColumnMove();
};

// The robot's keys, clicks and closes reach a window as a person's do, and a modal window
// keeps them from the window under it: what the other tests see through it is real.
void TestOperations::robotsHandIsAPersons() {
    QDialog escaped;
    escaped.show();
    QVERIFY(QTest::qWaitForWindowExposed(&escaped));
    DialogRobot::pressKey(&escaped, Qt::Key_Escape);
    QVERIFY(!escaped.isVisible());

    QDialog closed;
    closed.show();
    QVERIFY(QTest::qWaitForWindowExposed(&closed));
    DialogRobot::closeWindow(&closed);
    QVERIFY(!closed.isVisible());

    QWidget window;
    auto* button = new QPushButton(QStringLiteral("Press"), &window);
    QSignalSpy pressed(button, &QPushButton::clicked);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    DialogRobot::click(button);
    QCOMPARE(pressed.count(), 1);
    QDialog modal(&window);
    modal.setWindowModality(Qt::WindowModal);
    modal.show();
    QVERIFY(QTest::qWaitForWindowExposed(&modal));
    DialogRobot::click(button);
    DialogRobot::closeWindow(&window);
    QCOMPARE(pressed.count(), 1);
    QVERIFY(window.isVisible());
}

void TestOperations::linesNotKeptAreToldAfterTheWork_data() {
    QTest::addColumn<bool>("atStart");
    QTest::newRow("at start-up") << true;
    QTest::newRow("through Open") << false;
}

// The report of the lines not kept comes once the file is open and listed, after every
// progress window has gone, and is answered as a person answers it: nothing hangs.
void TestOperations::linesNotKeptAreToldAfterTheWork() {
    QFETCH(bool, atStart);
    MainWindowHarness world;
    const QString bad = world.env.writeFile("bad.csv", linesNotKept());
    if (!atStart)
        world.startWith(kPeople);
    RealDialogs dialogs;
    DialogRobot robot;
    CMyOrvaneDatabaseDlg* window = nullptr;
    if (atStart) {
        world.env.setConfig("LastDataBase", bad);
        window = &world.start();
    } else {
        window = &world.window();
        dialogs.queueFileName(bad);
        window->action(texts::OpenDatabaseCommand)->trigger();
    }

    QVERIFY2(robot.faults().isEmpty(), qPrintable(robot.faults().join("; ")));
    // Four entries are listed too fast to report the listing's progress.
    QCOMPARE(robot.seen(),
             QStringList({"progress: " + window->text(texts::OpeningProgress).arg("bad.csv"),
                          "message: " + window->text(texts::LinesNotKept)
                                            .arg(QDir::toNativeSeparators(bad), "3, 5")}));
    QVERIFY(!DialogRobot::dialogShown());
    QCOMPARE(window->windowTitle(), "bad.csv - " + window->text(texts::ProgramName));
    QCOMPARE(MainWindowHarness::listedRows(window->viewAllPage()),
             QStringList({"1|2|3", "x||", "p|q|r", "last|line|here"}));
    QCOMPARE(world.env.config("LastDataBase"), bad);
}

void TestOperations::progressWindowsCloseOnlyWithTheirWork_data() {
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("action");
    for (const char* part : {"Opening", "Listing", "Saving", "Sorting"}) {
        for (const char* action :
             {"Escape", "title bar", "close the main window", "Ctrl+S", "click a tab"})
            QTest::addRow("%s, %s", part, action) << part << action;
    }
}

// A progress window stays until its work is done, whatever a person presses meanwhile, and the
// window under it takes nothing: the work ends as if nothing had been pressed.
void TestOperations::progressWindowsCloseOnlyWithTheirWork() {
    QFETCH(QString, part);
    QFETCH(QString, action);
    RobotWorld at;
    CMyOrvaneDatabaseDlg& window = at.window;
    at.prepare(part);

    bool stood = false;
    at.robot.onProgress(part, [&](QDialog& progress) {
        if (action == "Escape") {
            DialogRobot::pressKey(&progress, Qt::Key_Escape);
        } else if (action == "title bar") {
            DialogRobot::closeWindow(&progress);
        } else if (action == "close the main window") {
            DialogRobot::closeWindow(&window);
        } else if (action == "Ctrl+S") {
            DialogRobot::pressKey(&window, Qt::Key_S, Qt::ControlModifier);
        } else {
            QTabBar* bar = window.tabs()->tabBar();
            QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                              bar->mapTo(&window, bar->tabRect(1).center()));
        }
        stood = progress.isVisible() && QApplication::activeModalWidget() == &progress;
    });
    at.work(part);

    QVERIFY2(at.robot.faults().isEmpty(), qPrintable(at.robot.faults().join("; ")));
    QVERIFY(stood);
    QVERIFY(window.isVisible());
    QCOMPARE(window.tabs()->currentIndex(), int(CMyOrvaneDatabaseDlg::ViewAllTab));
    QCOMPARE(window.currentPath(), at.many);
    QCOMPARE(window.windowTitle(), "many.csv - " + window.text(texts::ProgramName));
    QCOMPARE(window.viewAllPage().listRowCount(), kManyEntries);
    QCOMPARE(at.sortedBy(), part == "Sorting" ? 1 : -1);
    QCOMPARE(TestEnvironment::readFile(at.many), at.bytes);
    QCOMPARE(TestEnvironment::readFile(at.people), MainWindowHarness::crlf(kPeople));
    QVERIFY(!DialogRobot::dialogShown());
}

void TestOperations::closingDuringAnOperation_data() {
    QTest::addColumn<QString>("part");
    QTest::addColumn<bool>("cancelled");  // the work could stop
    QTest::newRow("opening: stops") << "Opening" << true;
    QTest::newRow("listing: closes after it") << "Listing" << false;
    QTest::newRow("saving: stops") << "Saving" << true;
    QTest::newRow("sorting: stops") << "Sorting" << true;
}

// A request to close (the desktop's, at logout) stops the work where it can stop, and the
// window closes after it, with the usual question about unsaved changes.
void TestOperations::closingDuringAnOperation() {
    QFETCH(QString, part);
    QFETCH(bool, cancelled);
    RobotWorld at;
    CMyOrvaneDatabaseDlg& window = at.window;
    at.prepare(part);
    if (part == "Saving")
        QVERIFY(at.world.addEntry({"Book", "Writer", "2000"}));
    at.robot.onProgress(part, [&](QDialog&) { window.close(); });
    // The save question of the close, after a save that stopped: not now, no.
    if (part == "Saving")
        at.robot.answer(QMessageBox::No);
    at.work(part);
    QTRY_VERIFY(!window.isVisible());

    QVERIFY2(at.robot.faults().isEmpty(), qPrintable(at.robot.faults().join("; ")));
    QCOMPARE(TestEnvironment::readFile(at.many), at.bytes);  // a stopped save leaves the file
    QCOMPARE(at.world.env.config("LastDataBase"), part == "Opening" ? at.people : at.many);
    if (part == "Saving")
        QVERIFY(at.robot.seen().contains(
            "message: " +
            window.text(texts::SaveChangesQuestion).replace("%s", QStringLiteral("many.csv"))));
    else if (part == "Sorting")  // the list stays in store order, and the database too
        QVERIFY(at.sortedBy() == -1 && window.database().sortColumn().isEmpty() &&
                window.viewAllPage().cellText(0, 0) == "Book 0");
    else
        QCOMPARE(at.world.env.storeRows(1).size(), cancelled ? 2 : kManyEntries);
}

// What the store refuses is told after the progress window has gone, and answered as a
// person answers it; the window stays on the database it had.
void TestOperations::refusalsAreToldAfterTheWork() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString many = world.env.writeFile("many.csv", manyEntries(kManyEntries));
    const QStringList shown = shownBy(window.viewAllPage());
    RealDialogs dialogs;
    DialogRobot robot;
    ImmutableFile readOnly(world.env.userStore());
    if (!readOnly.isSet())
        QSKIP(qPrintable("the file system cannot make a file immutable: " + readOnly.reason()));

    dialogs.queueFileName(many);
    window.action(texts::OpenDatabaseCommand)->trigger();
    QVERIFY(world.addEntry({"Jones", "Hull"}));

    QVERIFY2(robot.faults().isEmpty(), qPrintable(robot.faults().join("; ")));
    const QStringList told = robot.seen().filter(QRegularExpression("^message: "));
    QCOMPARE(told.size(), 2);
    // Each with the store's reason in its place.
    QVERIFY(told[0].startsWith(
        "message: " +
        window.text(texts::FileNotLoaded).section("%2", 0, 0).arg(QDir::toNativeSeparators(many))));
    QVERIFY(told[1].startsWith("message: " +
                               window.text(texts::StoreRefusedChange).section("%1", 0, 0)));
    QCOMPARE(window.currentPath(), world.env.root() + "/people.csv");
    QCOMPARE(shownBy(window.viewAllPage()), shown);
}

void TestOperations::commandsActOnTheChosenEntry_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("arrival");
    for (const char* command : {"edit", "remove", "print", "save", "close"}) {
        for (const char* arrival : {"filter result", "change in place", "keystroke"}) {
            // A save lets nothing change the list it writes: no command runs meanwhile.
            if (QByteArray(command) != "save" || QByteArray(arrival) != "change in place")
                QTest::addRow("%s, %s", command, arrival) << command << arrival;
        }
    }
}

// While a command waits (its question, its dialog, its progress, the poll timer), a filter's
// result, an entry changed in place or a keystroke arrive. The command acts on the entry the
// user chose, or on what the user saw when they gave it, and on nothing else.
void TestOperations::commandsActOnTheChosenEntry() {
    QFETCH(QString, command);
    QFETCH(QString, arrival);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kFive);
    ScriptedPrompter& prompter = world.env.prompter;
    CViewTab& list = window.viewAllPage();
    QVERIFY(world.addEntry({"Young", "Wells"}));  // unsaved, so that closing asks
    list.OnColumnClick(0);
    MainWindowHarness::chooseRow(list, 1);
    QCOMPARE(list.chosenEntry()->values, QStringList({"Jones", "Hull"}));
    const QStringList shownRows = MainWindowHarness::listedRows(list);

    // What the store holds once the arrival is in, in store order.
    QStringList stored = {"Smith|York",  "Miller|Leeds", "Jones|Hull",
                          "Brown|Leeds", "Taylor|York",  "Young|Wells"};
    QSignalSpy filtered(&list.listedRows(), &EntriesModel::filterApplied);
    if (arrival == "filter result")
        list.filterField()->setText("h");  // Jones and Smith; sought in the background
    std::function<void()> arrive = [&] {
        if (arrival == "filter result") {
            QVERIFY(filtered.count() > 0 || filtered.wait(5000));
        } else if (arrival == "change in place") {
            // Taylor becomes Adams and moves to the top, Jones one row down.
            SQLite3PowerClass store;
            QVERIFY(store
                        .Update(window.database().storePath(), schema::table(), "Column1='Adams'",
                                "Column1='Taylor'", QString())
                        .done());
            list.Refill();
        } else {
            QTest::keyClick(list.list(), Qt::Key_Down);  // Miller
        }
    };
    if (arrival == "change in place")
        stored[4] = "Adams|York";

    const QString pdf = world.env.root() + "/entries.pdf";
    if (command == "edit") {
        list.OnEditEntry();
        arrive();  // before the poll timer hands the entry over
        window.OnPollTimer();
        QCOMPARE(window.tabs()->currentIndex(), int(CMyOrvaneDatabaseDlg::AddEditTab));
        QCOMPARE(window.addEditPage().field(1)->text(), "Jones");
        MainWindowHarness::typeInto(window.addEditPage().field(2), "Bath");
        world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
        stored[2] = "Jones|Bath";
    } else if (command == "remove") {
        prompter.queueAnswer(Prompter::Answer::Yes);
        prompter.queueMeanwhile(arrive);
        list.OnRemoveEntry();
        stored.removeAt(2);
    } else if (command == "print") {
        prompter.queueMeanwhile(arrive);
        prompter.queuePrint([&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        list.OnPrintEntries();
    } else if (command == "save") {
        prompter.queueMeanwhile(arrive);
        window.action(texts::SaveDatabaseCommand)->trigger();
    } else {
        prompter.queueMeanwhile(arrive);
        prompter.queueAnswer(Prompter::Answer::Yes);
        QVERIFY(world.close());
    }

    QCOMPARE(world.env.storeRows(2), stored);
    if (command == "print") {
        // What the list showed when Print Entries was pressed, in its order.
        const QString printed = pdfText(pdf);
        int from = 0;
        for (const QString& row : shownRows) {
            from = printed.indexOf(row.section('|', 0, 0), from);
            QVERIFY2(from >= 0, qPrintable(row + " is not printed in its place"));
        }
    }
    if (command == "save" || command == "close") {
        QByteArray file = "Name;Town\r\n";
        for (const QString& row : stored)
            file += row.toLatin1().replace('|', ';') + "\r\n";
        QCOMPARE(TestEnvironment::readFile(world.env.root() + "/people.csv"), file);
    }
    if (command != "close")
        QCOMPARE(window.history().count(), command == "remove" || command == "edit" ? 2 : 1);
}

// An open cancelled halfway leaves the window as it was: order, filter, count and choice.
void TestOperations::cancelledOpenShowsWhatItShowed() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window =
        world.startWith({"Name;Town", "Smith;York", "Miller;Leeds", "Jones;Hull", "Brown;Leeds",
                         "Taylor;York", "Wilson;Bath", "Clark;Derby", "Evans;Bristol"});
    CViewTab& list = window.viewAllPage();
    list.OnColumnClick(1);
    QSignalSpy filtered(&list.listedRows(), &EntriesModel::filterApplied);
    list.filterField()->setText("e");
    QVERIFY(filtered.wait(5000));
    MainWindowHarness::chooseRow(list, 1);
    const QStringList shown = shownBy(list);
    QCOMPARE(shown[2],
             window.text(texts::EntryCount) + " " + window.text(texts::ShownOfTotal).arg(5).arg(8));
    const QString title = window.windowTitle();
    const QByteArray bytes = manyEntries(kManyEntries);
    world.env.prompter.queueFileName(world.env.writeFile("many.csv", bytes));
    world.env.prompter.queueCancelAt(bytes.size() / 2);

    window.action(texts::OpenDatabaseCommand)->trigger();

    QCOMPARE(shownBy(list), shown);
    QCOMPARE(window.windowTitle(), title);
    QCOMPARE(window.database().sortColumn(), schema::column(2));
    QCOMPARE(world.env.storeRows(2).size(), 8);
}

// While a new file is opened, the list shows nothing of the database that went: no count of
// its entries, none of its columns.
void TestOperations::listingShowsNothingOfTheOldDatabase() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kFive);
    CViewTab& list = window.viewAllPage();
    QStringList whileOpened;
    // Enough entries for the open to report its progress; the entries it stores are listed
    // at once.
    world.env.prompter.queueFileName(world.env.writeFile("many.csv", manyEntries(kManyEntries)));
    world.env.prompter.queueMeanwhile([] {});  // the file dialog
    world.env.prompter.queueMeanwhile([&] {
        whileOpened = QStringList{headings(list).join("|"), countText(list),
                                  QString::number(list.listRowCount())};
    });

    window.action(texts::OpenDatabaseCommand)->trigger();

    QCOMPARE(whileOpened, QStringList({QString(), window.text(texts::EntryCount) + " 0", "0"}));
    QCOMPARE(headings(list), QStringList({"Title", "Author", "Year"}));
    QCOMPARE(countText(list), window.text(texts::EntryCount) + " " + QString::number(kManyEntries));
}

// The Add/Edit Data page holds its entry by identity: after columns were added before it, it
// shows the entry as it now is, under the names it now has, and a change to it is stored.
void TestOperations::addEditPageFollowsAColumnMove() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kFive);
    CViewTab& list = window.viewAllPage();
    CSettings& settings = window.settingsPage();
    MainWindowHarness::chooseRow(list, 2);  // Jones, in store order
    list.OnEditEntry();
    window.OnPollTimer();
    QCOMPARE(window.addEditPage().field(1)->text(), "Jones");
    for (const char* name : {"Email", "Phone"}) {
        world.clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
        settings.columnList()->setCurrentItem(settings.columnList()->topLevelItem(0));
        settings.OnColumnListClick();
        settings.OnAddColumn();
        settings.nameField()->setText(name);
        settings.OnSaveChanges();
    }
    world.env.prompter.clearPrompts();

    world.clickTab(CMyOrvaneDatabaseDlg::AddEditTab);
    CSearchAddEdit& page = window.addEditPage();
    QStringList fields;
    for (int k = 1; k <= 4; ++k)
        fields.append(page.label(k)->text() + "=" + page.field(k)->text());
    QCOMPARE(fields, QStringList({"Phone=", "Email=", "Name=Jones", "Town=Hull"}));
    MainWindowHarness::typeInto(page.field(4), "Bath");
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);

    QVERIFY(world.env.prompter.messageTexts().isEmpty());
    QVERIFY(world.env.storeRows(4).contains("||Jones|Bath"));
}

QTEST_MAIN(TestOperations)
#include "test_operations.moc"
