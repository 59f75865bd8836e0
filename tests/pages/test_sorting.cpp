// Sorting a long list is an operation: the order is found in the background while the window
// shows the progress, Cancel leaves the list exactly as it was, nothing else acts on the list or
// the database meanwhile, and an order found for a list that changed meanwhile is dropped. The
// order is the store's, however the work is shared among the cores.
#include "CsvDatabaseFile.h"
#include "DialogRobot.h"
#include "EntriesModel.h"
#include "MainWindowHarness.h"
#include "RowOrder.h"
#include "RowSort.h"
#include "SQLite3PowerClass.h"
#include "Schema.h"
#include "StoreSession.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <numeric>

namespace {

// Enough entries for a sort to be an operation.
constexpr int kEntries = 20'000;

// n entries of three columns: a name of its own, a town shared by many (letter case, accents,
// numbers inside the text, two texts of one key, the empty value) and a number that falls from
// entry to entry.
QByteArray entries(int n) {
    const QStringList towns = {"York",   "york", "Örebro", "Oslo",    "",    "item 10",
                               "item 2", "Åsa",  "hull",   "item 02", "Hull"};
    QByteArray bytes = "Name;Town;Number\r\n";
    for (int i = 0; i < n; ++i)
        bytes += "Person " + QByteArray::number((i * 7919) % n) + ";" +
                 towns[i % towns.size()].toUtf8() + ";" + QByteArray::number(n - i) + "\r\n";
    return bytes;
}

// Row of grid (of three columns), its cells joined with "|".
QString rowText(const ResultGrid& grid, int row) {
    return QStringList{grid.value(row, 0), grid.value(row, 1), grid.value(row, 2)}.join('|');
}

// The entries of the store in the order the store gives them.
QStringList storeOrder(const QString& storePath, const QString& order) {
    SQLite3PowerClass store;
    if (store.Query(storePath, schema::table(), QString(), order, 3).failed())
        return {QStringLiteral("the store could not be read")};
    QStringList rows;
    for (int row = 0; row < store.m_resultValues.rowCount(); ++row)
        rows.append(rowText(store.m_resultValues, row));
    return rows;
}

QStringList listedBy(const EntriesModel& model) {
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model.columnCount(); ++column)
            cells.append(model.cellText(row, column));
        rows.append(cells.join('|'));
    }
    return rows;
}

// Clicks the heading of column on the list, as a person does.
void clickHeading(CViewTab& page, int column) {
    QHeaderView* header = page.list()->horizontalHeader();
    const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
}

// The header's arrow: its column, or -1 when none shows.
int arrowOf(const CViewTab& page) {
    const QHeaderView* header = page.list()->horizontalHeader();
    return header->isSortIndicatorShown() ? header->sortIndicatorSection() : -1;
}

// What the prompter was asked: "<kind>: <text>".
QStringList promptsSeen(const ScriptedPrompter& prompter) {
    QStringList kinds;
    for (const ScriptedPrompter::Prompt& prompt : prompter.prompts())
        kinds.append(prompt.kind + ": " + prompt.text);
    return kinds;
}

// The entries of a file in a store of the test's own, listed in store order with their ids as
// a list has them.
struct StoredEntries {
    TestEnvironment env;
    QString store = env.copyStoreTemplate();
    ResultGrid grid;

    explicit StoredEntries(int n) {
        if (!csvfile::LoadIntoStore(entries(n), store).storeUsable)
            return;
        SQLite3PowerClass query;
        query.Query(store, schema::table(), QString(), QStringLiteral("rowid"), 3,
                    SQLite3PowerClass::RowIds::Read);
        grid = std::move(query.m_resultValues);
    }
    std::vector<int> rows() const {
        std::vector<int> all(static_cast<size_t>(grid.rowCount()));
        std::iota(all.begin(), all.end(), 0);
        return all;
    }
    QStringList listed(const std::vector<int>& order) const {
        QStringList rows;
        for (int row : order)
            rows.append(rowText(grid, row));
        return rows;
    }
};

// A window on kEntries entries, listed in store order.
struct ManyEntries {
    MainWindowHarness world;
    const QString path = world.env.writeFile("many.csv", entries(kEntries));
    CMyOrvaneDatabaseDlg& window = start();
    CViewTab& list = window.viewAllPage();

    CMyOrvaneDatabaseDlg& start() {
        world.env.setConfig("LastDataBase", path);
        return world.start();
    }
    QStringList storeOrder(const QString& order) const {
        return ::storeOrder(window.database().storePath(), order);
    }
    QString sortingLabel(const QString& column) const {
        return "progress: " + window.text(texts::SortingProgress).arg(column);
    }
};

}  // namespace

class TestSorting : public QObject {
    Q_OBJECT
private slots:
    void orderIsTheStores_data();
    void orderIsTheStores();
    void sortGivesWayToAChangedList_data();
    void sortGivesWayToAChangedList();
    void longSortIsAnOperation_data();
    void longSortIsAnOperation();
    void cancelLeavesTheListAsItWas_data();
    void cancelLeavesTheListAsItWas();
    void commandsWaitForTheSort_data();
    void commandsWaitForTheSort();
};

void TestSorting::orderIsTheStores_data() {
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("column");
    QTest::newRow("one entry") << 1 << 1;
    QTest::newRow("two entries") << 2 << 0;
    QTest::newRow("one core's, by town") << 9'999 << 1;
    QTest::newRow("every core's, by town") << 10'000 << 1;
    QTest::newRow("every core's, by name") << 10'000 << 0;
    // Runs merged pass after pass; on one, two or three cores an odd one is left over once.
    QTest::newRow("many runs, by town") << 150'000 << 1;
    QTest::newRow("many runs, by number") << 150'000 << 2;
}

// The rows come in the store's order (its key function, equal keys in id order), found at once
// or in the background.
void TestSorting::orderIsTheStores() {
    QFETCH(int, entries);
    QFETCH(int, column);
    StoredEntries stored(entries);
    QCOMPARE(stored.grid.rowCount(), entries);
    const QStringList expected = storeOrder(stored.store, schema::column(column + 1));

    QCOMPARE(stored.listed(RowOrder(stored.grid, column).sorted(stored.rows())), expected);
    const std::vector<int> rows = stored.rows();
    RowSort background(stored.grid, rows, column);
    QCOMPARE(stored.listed(background.takeSorted()), expected);
    QCOMPARE(background.done(), qint64(entries));

    // Told to stop before it begins, it gives up without doing any of the work.
    RowOrder::Watch stopped;
    stopped.stop = true;
    QVERIFY(!RowOrder(stored.grid, column).sorted(rows, stopped));
    QCOMPARE(qint64(stopped.done), qint64(0));
}

void TestSorting::sortGivesWayToAChangedList_data() {
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<bool>("sorted");
    QTest::newRow("nothing") << "nothing" << true;
    QTest::newRow("given up") << "given up" << false;
    QTest::newRow("a new result") << "new result" << false;
    QTest::newRow("a change applied") << "change" << false;
    QTest::newRow("its rows taken") << "rows taken" << false;
    QTest::newRow("another sort") << "another sort" << false;
}

// A sort in the background lands only on the list it was made for. Given up, or when the list
// changed meanwhile (a new result, a change applied, its rows taken, another sort), the order
// found is dropped and the list shows what it shows without the sort. Left alone, it lands in
// the store's order, its progress rising to the number of rows.
void TestSorting::sortGivesWayToAChangedList() {
    QFETCH(QString, meanwhile);
    QFETCH(bool, sorted);
    StoredEntries stored(kEntries);
    const QStringList headings = {"Name", "Town", "Number"};
    EntriesModel model;
    EntriesModel without;  // the same list, which only what arrives changes
    StoredEntries other(3);
    for (EntriesModel* list : {&model, &without})
        list->reset(headings, ResultGrid(stored.grid), -1);
    const auto arrive = [&](EntriesModel& list) {
        if (meanwhile == "new result")
            list.reset(headings, ResultGrid(other.grid), -1);
        else if (meanwhile == "change")
            list.applyChanges({5}, ResultGrid());  // entry 5 left the store
        else if (meanwhile == "rows taken")
            list.takeRows();
        else if (meanwhile == "another sort")
            list.sortBy(2);
    };
    QVERIFY(model.sortIsLong(1));

    QList<qint64> reports;
    const bool done = model.sortBy(1, [&](qint64 rows) {
        if (reports.isEmpty())
            arrive(model);
        reports.append(rows);
        return meanwhile != "given up";
    });

    QCOMPARE(done, sorted);
    arrive(without);
    if (sorted) {
        QCOMPARE(listedBy(model), storeOrder(stored.store, schema::column(2)));
        QVERIFY(!reports.isEmpty());
        QCOMPARE(reports.last(), qint64(kEntries));
        QVERIFY(std::is_sorted(reports.begin(), reports.end()));
    } else {
        QCOMPARE(listedBy(model), listedBy(without));
        QCOMPARE(model.sortColumn(), without.sortColumn());
    }
}

void TestSorting::longSortIsAnOperation_data() {
    QTest::addColumn<bool>("realDialogs");
    QTest::newRow("scripted progress") << false;
    QTest::newRow("real progress window, looked at a while") << true;
}

// A click on a heading of a long list sorts it as an operation: its progress shows, the window
// takes no command while it runs, and the list comes in the store's order, remembered as the
// database's order.
void TestSorting::longSortIsAnOperation() {
    QFETCH(bool, realDialogs);
    ManyEntries at;
    std::optional<RealDialogs> dialogs;
    std::optional<DialogRobot> robot;
    if (realDialogs) {
        dialogs.emplace();
        robot.emplace();
    }
    ScriptedPrompter& prompter = realDialogs ? *dialogs : at.world.env.prompter;
    prompter.clearPrompts();
    bool ran = false;
    bool modal = !realDialogs;
    if (realDialogs) {
        robot->onProgress("Town", [&](QDialog& progress) {
            ran = at.window.operationRuns();
            modal = QApplication::activeModalWidget() == &progress &&
                    progress.parentWidget() == &at.window;
        });
    } else {
        prompter.queueMeanwhile([&] { ran = at.window.operationRuns(); });
    }

    clickHeading(at.list, 1);

    QVERIFY(ran);
    QVERIFY(modal);
    QVERIFY(!at.window.operationRuns());
    QCOMPARE(promptsSeen(prompter), QStringList{at.sortingLabel("Town")});
    if (realDialogs) {
        QVERIFY2(robot->faults().isEmpty(), qPrintable(robot->faults().join("; ")));
        QVERIFY(!DialogRobot::dialogShown());
    }
    QCOMPARE(MainWindowHarness::listedRows(at.list), at.storeOrder(schema::column(2)));
    QCOMPARE(arrowOf(at.list), 1);
    QCOMPARE(at.window.database().sortColumn(), schema::column(2));
    QCOMPARE(storesession::read(at.window.database().storePath()).sortColumn, schema::column(2));
    QCOMPARE(at.window.windowTitle(), "many.csv - " + at.window.text(texts::ProgramName));
}

void TestSorting::cancelLeavesTheListAsItWas_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("at once") << "at once";
    QTest::newRow("halfway") << "halfway";
    QTest::newRow("when the order is found") << "found";
    QTest::newRow("Cancel pressed after a while") << "Cancel";
}

// Cancelled, however early or late, a sort leaves the list exactly as it was: its order, the
// rows the filter field keeps, the chosen entry, the current cell, how far it is scrolled and
// the arrow, which the click moved; the database's order is the one it had.
void TestSorting::cancelLeavesTheListAsItWas() {
    QFETCH(QString, how);
    ManyEntries at;
    CViewTab& list = at.list;
    at.list.OnColumnClick(0);
    QSignalSpy filtered(&list.listedRows(), &EntriesModel::filterApplied);
    MainWindowHarness::typeInto(list.filterField(), "7");
    QVERIFY(filtered.count() > 0 || filtered.wait(5000));
    QVERIFY(list.listRowCount() > 1000 && list.listRowCount() < kEntries);
    MainWindowHarness::chooseRow(list, 600);
    list.list()->setCurrentIndex(list.list()->model()->index(600, 2));
    QScrollBar* scroll = list.list()->verticalScrollBar();
    scroll->setValue(scroll->maximum() / 3);
    const auto shown = [&] {
        const std::optional<ChosenEntry> chosen = list.chosenEntry();
        return QStringList{MainWindowHarness::listedRows(list).join(" / "),
                           chosen ? chosen->values.join('|') : "none chosen",
                           QString::number(list.list()->currentIndex().row()),
                           QString::number(list.list()->currentIndex().column()),
                           QString::number(scroll->value()),
                           QString::number(arrowOf(list)),
                           list.filterField()->text(),
                           at.window.database().sortColumn(),
                           storesession::read(at.window.database().storePath()).sortColumn,
                           at.window.windowTitle()};
    };
    const QStringList before = shown();
    QCOMPARE(before[5], "0");

    std::optional<RealDialogs> dialogs;
    std::optional<DialogRobot> robot;
    if (how == "Cancel") {
        dialogs.emplace();
        robot.emplace();
        robot->onProgress("Town", [](QDialog& progress) {
            DialogRobot::click(progress.findChild<QPushButton*>());
        });
    } else {
        at.world.env.prompter.queueCancelAt(how == "at once"   ? 0
                                            : how == "halfway" ? kEntries / 2
                                                               : kEntries);
    }
    clickHeading(list, 1);

    QCOMPARE(shown(), before);
    QVERIFY(!at.window.operationRuns());
    if (robot) {
        QVERIFY2(robot->faults().isEmpty(), qPrintable(robot->faults().join("; ")));
        QCOMPARE(robot->seen(), QStringList{at.sortingLabel("Town")});
    }
    // Sorting again goes through.
    clickHeading(list, 1);
    QCOMPARE(arrowOf(list), 1);
    QCOMPARE(at.window.database().sortColumn(), schema::column(2));
}

void TestSorting::commandsWaitForTheSort_data() {
    QTest::addColumn<QString>("command");
    for (const char* command : {"Save", "Open", "New", "Undo", "a tab", "View Filtered",
                                "another sort", "a handed file", "closing"})
        QTest::newRow(command) << command;
}

// What the user asks for while a sort runs does nothing to the list or the database: commands
// are refused, a file handed over opens once the sort is over, and a request to close stops the
// sort and closes the window after it.
void TestSorting::commandsWaitForTheSort() {
    QFETCH(QString, command);
    ManyEntries at;
    CMyOrvaneDatabaseDlg& window = at.window;
    ScriptedPrompter& prompter = at.world.env.prompter;
    QVERIFY(at.world.addEntry({"Adams", "Bath", "1"}));  // something to save and to take back
    const QString title = window.windowTitle();
    const QByteArray file = TestEnvironment::readFile(at.path);
    const QStringList inStoreOrder = MainWindowHarness::listedRows(at.list);
    const QString other = at.world.writeDatabase("other.csv", {"Title;Year", "Dune;1965"});
    prompter.queueFileName(other);  // for an Open that must not come
    // The save question of a close or an open, which come after the sort: not saved.
    prompter.queueAnswer(Prompter::Answer::No);
    prompter.clearPrompts();
    prompter.queueMeanwhile([&] {
        if (command == "Save")
            window.action(texts::SaveDatabaseCommand)->trigger();
        else if (command == "Open")
            window.action(texts::OpenDatabaseCommand)->trigger();
        else if (command == "New")
            window.action(texts::NewDatabaseCommand)->trigger();
        else if (command == "Undo")
            window.action(texts::UndoCommand)->trigger();
        else if (command == "a tab")
            at.world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
        else if (command == "View Filtered")
            window.action(texts::ViewFilteredCommand)->trigger();
        else if (command == "another sort")
            at.list.OnColumnClick(0);  // as the heading's click and the sort menu ask
        else if (command == "a handed file")
            window.handFile(other);
        else
            window.close();
    });

    clickHeading(at.list, 1);

    const bool closing = command == "closing";
    QCOMPARE(promptsSeen(prompter).first(), at.sortingLabel("Town"));
    QCOMPARE(window.tabs()->currentIndex(), int(CMyOrvaneDatabaseDlg::ViewAllTab));
    QCOMPARE(window.currentPath(), at.path);
    QCOMPARE(window.history().count(), 1);
    QCOMPARE(TestEnvironment::readFile(at.path), file);
    QCOMPARE(MainWindowHarness::listedRows(at.list),
             closing ? inStoreOrder : at.storeOrder(schema::column(2)));
    QCOMPARE(arrowOf(at.list), closing ? -1 : 1);
    const QString saveQuestion =
        "message: " + window.text(texts::SaveChangesQuestion).replace("%s", "many.csv");
    if (closing) {
        // The window closes after the sort, asking about the unsaved entry first.
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(promptsSeen(prompter), QStringList({at.sortingLabel("Town"), saveQuestion}));
        QCOMPARE(TestEnvironment::readFile(at.path), file);
        QCOMPARE(window.database().sortColumn(), QString());
    } else if (command == "a handed file") {
        // It opens once the sort is over, after the save question.
        QTRY_COMPARE(window.currentPath(), other);
        QCOMPARE(promptsSeen(prompter).mid(0, 2),
                 QStringList({at.sortingLabel("Town"), saveQuestion}));
        QCOMPARE(MainWindowHarness::listedRows(at.list), QStringList{"Dune|1965"});
    } else {
        QCOMPARE(promptsSeen(prompter), QStringList{at.sortingLabel("Town")});
        QCOMPARE(window.windowTitle(), title);
        QVERIFY(!prompter.queuesEmpty());  // the file name that Open would have taken
    }
}

QTEST_MAIN(TestSorting)
#include "test_sorting.moc"
