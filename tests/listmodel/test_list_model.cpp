// The model behind every list, without a window: its rows in a column's order or store order,
// the rows a typed text keeps, sought in the background, and the changes of the store followed
// in place, which give exactly what reading the list afresh gives.
#include "EntriesModel.h"
#include "RowOrder.h"
#include "RowScan.h"
#include "RowSort.h"
#include "SQLite3PowerClass.h"
#include "Schema.h"
#include "StoreChanges.h"
#include "StoreContents.h"
#include "TestEnvironment.h"
#include "TextOrder.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <numeric>

namespace {

const QStringList kHeadings = {"Name", "Town", "Born"};

// Entries by id, their values from the first column on.
using Entries = std::map<qint64, QStringList>;

// Twins, letters beyond ASCII, numbers inside texts, an empty value; ids with gaps.
const Entries kPeople = {
    {1, {"Smith", "York", "1970"}},   {2, {"Miller", "Leeds", "1982"}},
    {3, {"Miller", "Leeds", "1982"}}, {5, {"Jones", "", "1990"}},
    {8, {"Öberg", "Örebro", "1975"}}, {9, {"item 10", "Hull", "2000"}},
    {10, {"item 2", "hull", "2000"}}, {12, {"Åsa", "Leeds", "1960"}},
};

// Which entries a list's query selects.
using Query = std::function<bool(const QStringList& values)>;
bool everyEntry(const QStringList&) {
    return true;
}
bool townWithE(const QStringList& values) {
    return values.value(1).contains(QLatin1Char('e'), Qt::CaseInsensitive);
}

// What a query of columns columns gives: the entries it selects, in store order with their ids.
ResultGrid gridOf(const Entries& entries, int columns, const Query& selects = everyEntry) {
    ResultGrid grid;
    grid.setColumnCount(columns);
    for (const auto& [id, values] : entries) {
        if (!selects(values))
            continue;
        for (int column = 0; column < columns; ++column) {
            const QByteArray cell = values.value(column).toUtf8();
            grid.appendCell(cell.constData(), cell.size());
        }
        grid.appendRowid(id);
    }
    return grid;
}

// A list of headings over rows, read afresh: in the order of sortColumn, narrowed by typed.
void readAfresh(EntriesModel& model, const QStringList& headings, ResultGrid rows, int sortColumn,
                const QString& typed) {
    model.reset(headings, std::move(rows), sortColumn);
    model.setTextFilter(typed);
    model.finishTextFilter();
}

// The same, a list of kHeadings over what query selects of entries.
void readAfresh(EntriesModel& model, const Entries& entries, const Query& query, int sortColumn,
                const QString& typed) {
    readAfresh(model, kHeadings, gridOf(entries, static_cast<int>(kHeadings.size()), query),
               sortColumn, typed);
}

// Each shown row: its id, then its cells, "|" between.
QStringList shownRows(const EntriesModel& model) {
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells{QString::number(model.rowidAt(row))};
        for (int column = 0; column < model.columnCount(); ++column)
            cells.append(model.cellText(row, column));
        rows.append(cells.join(QLatin1Char('|')));
    }
    return rows;
}

// Each row the model holds in store order, the hidden ones too: its id, its cells and its shape
// (by which twins are found), "|" between.
QStringList heldRows(const EntriesModel& model) {
    const ResultGrid& grid = model.grid();
    QStringList rows;
    for (int row : model.storeOrder()) {
        QStringList cells{QString::number(grid.rowid(row))};
        for (int column = 0; column < grid.columnCount(); ++column)
            cells.append(grid.value(row, column));
        cells.append(QString::number(grid.rowShape(row)));
        rows.append(cells.join(QLatin1Char('|')));
    }
    return rows;
}

// The model holds and shows what the list read afresh holds and shows.
void expectSameAs(const EntriesModel& model, const EntriesModel& afresh) {
    QCOMPARE(model.headings(), afresh.headings());
    QCOMPARE(heldRows(model), heldRows(afresh));
    QCOMPARE(shownRows(model), shownRows(afresh));
    QCOMPARE(model.totalRowCount(), afresh.totalRowCount());
}

// A change of the store: the entries it sets (adds or changes) and the ids it removes, made
// times times, every second time setting the entries back as they were.
struct Change {
    Entries set;
    std::vector<qint64> removed;
    int times = 1;
    // Each entry it sets keeps its place: it is changed where it stands, no row moves.
    bool inPlace = false;
};

// More changes of one entry than the rows a list leaves behind before it drops them.
constexpr int kManyTimes = 8192;

const std::map<QString, Change> kChanges = {
    {"add", {{{20, {"Adams", "Leeds", "1999"}}}, {}}},
    {"add back between others", {{{4, {"Brown", "Örebro", "1950"}}}, {}}},
    {"remove a twin", {{}, {3}}},
    {"edit in place", {{{8, {"Öberg", "Örebro", "1976"}}}, {}, 1, true}},
    {"edit that moves", {{{8, {"Aberg", "Örebro", "1975"}}}, {}}},
    {"edit out of the filter", {{{2, {"Miller", "Hull", "1982"}}}, {}}},
    {"edit into the filter", {{{1, {"Smith", "Leeds", "1970"}}}, {}}},
    {"several at once",
     {{{20, {"Adams", "Leeds", "1999"}}, {1, {"Smith", "Leeds", "1970"}}}, {5, 12}}},
    {"everything removed", {{}, {1, 2, 3, 5, 8, 9, 10, 12}}},
    {"edited back and forth", {{{2, {"Miller", "Hull", "1983"}}}, {}, kManyTimes}},
};

// Makes change on entries and hands it to model, whose query is query, as a page does.
bool applyChange(EntriesModel& model, Entries& entries, const Query& query, const Change& change) {
    for (int time = 0; time < change.times; ++time) {
        Entries changed;
        std::vector<qint64> ids = change.removed;
        for (const auto& [id, values] : change.set) {
            changed[id] = time % 2 == 0 ? values : kPeople.at(id);
            ids.push_back(id);
        }
        std::sort(ids.begin(), ids.end());
        for (qint64 id : change.removed)
            entries.erase(id);
        for (const auto& [id, values] : changed)
            entries[id] = values;
        if (!model.applyChanges(ids, gridOf(changed, model.columnCount(), query)))
            return false;
    }
    return true;
}

QString columnNames(int count) {
    QStringList names;
    for (int k = 1; k <= count; ++k)
        names.append(QStringLiteral("C%1").arg(k));
    return names.join(QLatin1Char(';'));
}

// A list model of the store's entries in columns 1 to columns, read afresh.
void readStore(EntriesModel& model, const QString& storePath, int columns, int sortColumn,
               const QString& typed) {
    SQLite3PowerClass store;
    QVERIFY(store
                .Query(storePath, schema::table(), QString(), QStringLiteral("rowid"), columns,
                       SQLite3PowerClass::RowIds::Read)
                .done());
    readAfresh(model, columnNames(columns).split(QLatin1Char(';')), std::move(store.m_resultValues),
               sortColumn, typed);
}

// The rows (of a grid of one column) in store order, ordered as the language orders their
// texts, equal texts in store order.
std::vector<int> orderedByText(const ResultGrid& grid, std::vector<int> rows) {
    std::stable_sort(rows.begin(), rows.end(), [&grid](int a, int b) {
        return textorder::compare(grid.value(a, 0), grid.value(b, 0)) < 0;
    });
    return rows;
}

QList<int> listOf(const std::vector<int>& rows) {
    return QList<int>(rows.begin(), rows.end());
}

// The cells of the rows (of a grid of one column) in the order given.
QStringList valuesOf(const ResultGrid& grid, const std::vector<int>& rows) {
    QStringList values;
    for (int row : rows)
        values.append(grid.value(row, 0));
    return values;
}

}  // namespace

class TestListModel : public QObject {
    Q_OBJECT
private slots:
    void rowsInOrder_data();
    void rowsInOrder();
    void scanFindsTheRowsHoldingTheText_data();
    void scanFindsTheRowsHoldingTheText();
    void changesInPlaceEqualReadingAfresh_data();
    void changesInPlaceEqualReadingAfresh();
    void orderAndFilterInEitherOrder_data();
    void orderAndFilterInEitherOrder();
    void entryOfARowIsItsIdAndTwins();
    void columnMovesEqualReadingTheStore_data();
    void columnMovesEqualReadingTheStore();
};

void TestListModel::rowsInOrder_data() {
    QTest::addColumn<QStringList>("values");  // of one column, in store order
    QTest::addColumn<int>("column");          // -1: store order
    QTest::addColumn<QStringList>("ordered");
    QTest::addColumn<int>("copies");  // of the values, one after the other in store order
    struct Case {
        const char* name;
        QStringList values;
        int column;
        QStringList ordered;
    };
    const Case cases[] = {
        {"store order", {"b", "a", "c"}, -1, {"b", "a", "c"}},
        {"letter case does not split the order",
         {"b", "B", "a", "A", "b"},
         0,
         {"a", "A", "b", "b", "B"}},
        {"accents after the plain letter",
         {"Öberg", "Oberg", "Zeta", "Ober"},
         0,
         {"Ober", "Oberg", "Öberg", "Zeta"}},
        // "item 02" and "item 2" have one key: they stay in store order.
        {"numbers inside texts by their value",
         {"item 10", "item 2", "item 1", "item 02"},
         0,
         {"item 1", "item 2", "item 02", "item 10"}},
        {"the empty value first", {"b", "", "a"}, 0, {"", "a", "b"}},
    };
    // One copy has a key made for every row; many copies of few texts have their rows placed
    // by the rank of their text.
    for (const Case& c : cases) {
        for (int copies : {1, 16})
            QTest::addRow("%s, %d copies", c.name, copies)
                << c.values << c.column << c.ordered << copies;
    }
}

// The rows come ordered by the language's rules, equal keys in store order, sorted at once or
// in the background; placeIn() and less() agree with the order.
void TestListModel::rowsInOrder() {
    QFETCH(QStringList, values);
    QFETCH(int, column);
    QFETCH(QStringList, ordered);
    QFETCH(int, copies);
    Entries entries;
    for (int copy = 0; copy < copies; ++copy) {
        for (const QString& value : values)
            entries[3 * static_cast<qint64>(entries.size()) + 7] = {value};
    }
    const ResultGrid grid = gridOf(entries, 1);
    std::vector<int> rows(entries.size());
    std::iota(rows.begin(), rows.end(), 0);
    const RowOrder order(grid, column);

    const std::vector<int> sorted = order.sorted(rows);
    if (copies == 1)
        QCOMPARE(valuesOf(grid, sorted), ordered);
    QCOMPARE(listOf(sorted), listOf(column < 0 ? rows : orderedByText(grid, rows)));
    if (column >= 0) {
        RowSort background(grid, rows, column);
        QCOMPARE(listOf(background.takeSorted()), listOf(sorted));
        QCOMPARE(background.done(), qint64(rows.size()));
    }
    for (size_t place = 0; place < sorted.size(); ++place) {
        std::vector<int> others = sorted;
        others.erase(others.begin() + static_cast<qsizetype>(place));
        QCOMPARE(order.placeIn(sorted, sorted[place]), place);  // where it stands
        QCOMPARE(order.placeIn(others, sorted[place]), place);  // where it would stand
        if (place > 0) {
            QVERIFY(order.less(sorted[place - 1], sorted[place]));
            QVERIFY(!order.less(sorted[place], sorted[place - 1]));
        }
    }
}

void TestListModel::scanFindsTheRowsHoldingTheText_data() {
    QTest::addColumn<int>("rows");     // of the grid: "Person <i>", a town, "No. <i>"
    QTest::addColumn<int>("columns");  // looked at, from the first
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("reversed");  // the rows given last first
    QTest::newRow("a few rows") << 10 << 3 << "person 1" << false;
    QTest::newRow("letter case ignored") << 10 << 2 << "LEEDS" << false;
    QTest::newRow("no column beyond those looked at") << 10 << 1 << "leeds" << false;
    QTest::newRow("the order given") << 10 << 3 << "o" << true;
    QTest::newRow("the empty text keeps every row") << 10 << 3 << "" << false;
    QTest::newRow("no rows") << 0 << 3 << "a" << false;
    QTest::newRow("every core a part") << 50'000 << 3 << "person 4" << false;
    QTest::newRow("every core a part, the order given") << 50'000 << 3 << "no. 12" << true;
    QTest::newRow("every core a part, nothing found") << 50'000 << 3 << "zzz" << false;
}

// A scan keeps the rows of which a cell among the columns looked at holds the text, letter case
// ignored, in the order given, and says once that it has finished.
void TestListModel::scanFindsTheRowsHoldingTheText() {
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(QString, text);
    QFETCH(bool, reversed);
    const QStringList towns = {"Leeds", "York", "Hull"};
    Entries entries;
    for (int i = 0; i < rows; ++i)
        entries[i + 1] = {QStringLiteral("Person %1").arg(i), towns[i % towns.size()],
                          QStringLiteral("No. %1").arg(i)};
    const ResultGrid grid = gridOf(entries, 3);
    std::vector<int> given(static_cast<size_t>(rows));
    std::iota(given.begin(), given.end(), 0);
    if (reversed)
        std::reverse(given.begin(), given.end());
    std::vector<int> expected;
    for (int row : given) {
        bool holds = false;
        for (int column = 0; column < columns; ++column)
            holds = holds || grid.value(row, column).contains(text, Qt::CaseInsensitive);
        if (holds)
            expected.push_back(row);
    }

    std::atomic<int> finished{0};
    RowScan scan(grid, given, columns, text, [&finished] { ++finished; });
    QCOMPARE(listOf(scan.takeFound()), listOf(expected));
    QCOMPARE(finished.load(), 1);
}

void TestListModel::changesInPlaceEqualReadingAfresh_data() {
    QTest::addColumn<bool>("searched");   // the list of a search (towns with an e), else of all
    QTest::addColumn<int>("sortColumn");  // -1: store order
    QTest::addColumn<QString>("typed");   // in the filter field
    QTest::addColumn<QString>("change");  // in kChanges
    for (bool searched : {false, true}) {
        for (int sortColumn : {-1, 0, 1}) {
            for (const char* typed : {"", "leeds", "ö"}) {
                for (const auto& [change, made] : kChanges)
                    QTest::addRow("%s by %d, typed '%s', %s", searched ? "searched" : "all",
                                  sortColumn, typed, qPrintable(change))
                        << searched << sortColumn << QString::fromUtf8(typed) << change;
            }
        }
    }
}

// A list follows the changes of single entries in its own rows, announcing each as a view
// expects it (no reset), and then holds and shows what reading it afresh gives. Rows left
// behind by the changes are dropped once they are many.
void TestListModel::changesInPlaceEqualReadingAfresh() {
    QFETCH(bool, searched);
    QFETCH(int, sortColumn);
    QFETCH(QString, typed);
    QFETCH(QString, change);
    const Query query = searched ? townWithE : everyEntry;
    const Change& made = kChanges.at(change);
    Entries entries = kPeople;
    EntriesModel model;
    readAfresh(model, entries, query, sortColumn, typed);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

    QVERIFY(applyChange(model, entries, query, made));

    QCOMPARE(resets.count(), 0);
    if (made.inPlace)
        QCOMPARE(inserted.count() + removed.count(), 0);
    EntriesModel afresh;
    readAfresh(afresh, entries, query, sortColumn, typed);
    expectSameAs(model, afresh);
    if (made.times == kManyTimes)
        QCOMPARE(model.grid().rowCount(), model.totalRowCount());
}

void TestListModel::orderAndFilterInEitherOrder_data() {
    QTest::addColumn<int>("sortColumn");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("sortFirst");  // else typed first
    // Shown when the search in the background ends, else when asked for.
    QTest::addColumn<bool>("waited");
    for (int sortColumn : {-1, 0, 1, 2}) {
        for (const char* typed : {"", "LEEDS", "ö", "1"}) {
            for (bool sortFirst : {false, true}) {
                for (bool waited : {false, true})
                    QTest::addRow("by %d, typed '%s', %s, %s", sortColumn, typed,
                                  sortFirst ? "sorted first" : "typed first",
                                  waited ? "waited for" : "asked for")
                        << sortColumn << QString::fromUtf8(typed) << sortFirst << waited;
            }
        }
    }
}

// Sorting and typing, in either order, and a text typed over another still sought, show what
// the list read afresh in that order and with that text shows; the filter is applied once.
void TestListModel::orderAndFilterInEitherOrder() {
    QFETCH(int, sortColumn);
    QFETCH(QString, typed);
    QFETCH(bool, sortFirst);
    QFETCH(bool, waited);
    EntriesModel model;
    readAfresh(model, kPeople, everyEntry, -1, QString());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy applied(&model, &EntriesModel::filterApplied);
    const auto type = [&] {
        model.setTextFilter(QStringLiteral("zzz"));  // superseded before it is shown
        model.setTextFilter(typed);
    };

    if (sortFirst)
        model.sortBy(sortColumn);
    type();
    if (!sortFirst)
        model.sortBy(sortColumn);
    if (waited)
        QVERIFY(applied.count() > 0 || applied.wait());
    else
        model.finishTextFilter();
    QCoreApplication::processEvents();  // what the searches superseded or waited for still say

    QCOMPARE(applied.count(), 1);
    QCOMPARE(model.textFilter(), typed);
    QCOMPARE(model.sortColumn(), sortColumn);
    EntriesModel afresh;
    readAfresh(afresh, kPeople, everyEntry, sortColumn, typed);
    expectSameAs(model, afresh);
}

// A shown row's entry is what identifies it in the store: its id and those of its twins (the
// entries of the same values), never a row left behind by a change; with a text typed, rows
// are counted among those shown.
void TestListModel::entryOfARowIsItsIdAndTwins() {
    EntriesModel model;
    readAfresh(model, kPeople, everyEntry, 0, QString());
    Entries entries = kPeople;
    // Two rows of the twin's values stay behind.
    const Change awayAndBack{{{3, {"Miller", "Leeds", "1983"}}}, {}, 2};
    QVERIFY(applyChange(model, entries, everyEntry, awayAndBack));

    const ChosenEntry twin = model.entryAt(model.shownRowOf(2));
    QCOMPARE(QList<qint64>(twin.ids.begin(), twin.ids.end()), QList<qint64>({2, 3}));
    QCOMPARE(twin.values, kPeople.at(2));
    const ChosenEntry alone = model.entryAt(model.shownRowOf(9));
    QCOMPARE(QList<qint64>(alone.ids.begin(), alone.ids.end()), QList<qint64>({9}));

    model.setTextFilter(QStringLiteral("york"));
    model.finishTextFilter();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.rowidAt(0), qint64(1));
    QCOMPARE(model.entryAt(0).values, kPeople.at(1));
    QCOMPARE(model.shownRowOf(2), -1);
    QCOMPARE(model.cellText(0, 3), QString());  // beyond the columns
    QCOMPARE(model.cellText(1, 0), QString());  // beyond the shown rows
}

void TestListModel::columnMovesEqualReadingTheStore_data() {
    QTest::addColumn<QStringList>("entries");  // values from Column1 on, ';' between
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("add");      // a column added before position, else removed
    QTest::addColumn<int>("position");  // from 1
    QTest::addColumn<int>("sortColumn");
    // Listed in store order after each move, as View All is after the settings page; else
    // sorted by the same column again, as the page sorts after every change.
    QTest::addColumn<bool>("storeOrderAfter");
    QTest::addColumn<QString>("typed");  // in the filter field
    // Twins, an empty value, and one entry of a single value: NULL in the other columns.
    const QStringList people = {"Smith;York;1970", "Miller;Leeds;1982", "Miller;Leeds;1982",
                                "Jones;;1990",     "Öberg;Örebro;1975", "Alone"};
    // Values beyond the columns, which the list does not show and a move must not lose.
    const QStringList beyond = {"a;b;c;hidden", "d;e;f", "g;h;i;more;and more"};
    QStringList wide;
    for (int entry = 0; entry < 4; ++entry) {
        QStringList values;
        for (int k = 1; k <= schema::kColumnCount; ++k)
            values.append(QStringLiteral("%1.%2").arg(entry % 2).arg(k));
        wide.append(values.join(QLatin1Char(';')));
    }
    struct Case {
        const char* name;
        QStringList entries;
        int columns;
        bool add;
        int position;
        int sortColumn;
        bool storeOrderAfter;
        QString typed;
    };
    const Case cases[] = {
        {"add first", people, 3, true, 1, -1, false, {}},
        {"add in the middle, sorted by a column that moves", people, 3, true, 2, 1, false, {}},
        {"add last, filtered", people, 3, true, 4, -1, false, "leeds"},
        {"remove first, sorted by it", people, 3, false, 1, 0, false, {}},
        {"remove first, sorted by it, then store order", people, 3, false, 1, 0, true, {}},
        {"remove in the middle, filtered by it", people, 3, false, 2, 2, false, "örebro"},
        {"remove last", people, 3, false, 3, -1, false, {}},
        {"add before values beyond the columns", beyond, 3, true, 2, -1, false, {}},
        {"remove before values beyond the columns", beyond, 3, false, 2, 0, false, {}},
        {"remove from 26 columns", wide, schema::kColumnCount, false, 5, 4, false, "1.6"},
        {"remove the 26th column", wide, schema::kColumnCount, false, 26, -1, true, {}},
    };
    for (const Case& c : cases)
        QTest::newRow(c.name) << c.entries << c.columns << c.add << c.position << c.sortColumn
                              << c.storeOrderAfter << c.typed;
}

// A list follows each column move of the store, its undo and its redo in its own rows, and
// then holds what reading the store afresh gives.
void TestListModel::columnMovesEqualReadingTheStore() {
    QFETCH(QStringList, entries);
    QFETCH(int, columns);
    QFETCH(bool, add);
    QFETCH(int, position);
    QFETCH(int, sortColumn);
    QFETCH(bool, storeOrderAfter);
    QFETCH(QString, typed);
    TestEnvironment env;
    const QString path = env.copyStoreTemplate();
    for (const QString& entry : entries)
        QVERIFY(storecontents::insert(path, entry.split(QLatin1Char(';'))));
    EntriesModel model;
    readStore(model, path, columns, sortColumn, typed);

    SQLite3PowerClass store;
    std::shared_ptr<StoreStep> step;
    const int moved = add ? columns + 1 : columns - 1;
    const QList<std::pair<const char*, std::function<bool()>>> actions = {
        {"the move",
         [&] {
             const StoreResult done =
                 add ? store.InsertColumn(path, position, columns, columnNames(columns),
                                          columnNames(moved))
                     : store.RemoveColumn(path, position, columns, columnNames(columns),
                                          columnNames(moved));
             step = store.m_step;
             return done.done() && step;
         }},
        {"undo", [&] { return step->undo(path, true).done(); }},
        {"redo", [&] { return step->redo(path, true).done(); }},
        {"undo again", [&] { return step->undo(path, true).done(); }},
    };
    int shown = columns;
    for (const auto& [name, action] : actions) {
        const quint64 since = storechanges::count();
        QVERIFY2(action(), name);
        shown = shown == columns ? moved : columns;
        const std::optional<storechanges::Changes> changes = storechanges::changedSince(since);
        QVERIFY2(changes && changes->rows.empty() && changes->moves.size() == 1, name);
        QVERIFY2(model.moveColumns(changes->moves, columnNames(shown).split(QLatin1Char(';'))),
                 name);
        model.finishTextFilter();
        const int order = storeOrderAfter || sortColumn >= shown ? -1 : sortColumn;
        model.sortBy(order);
        EntriesModel afresh;
        readStore(afresh, path, shown, order, typed);
        expectSameAs(model, afresh);
        if (QTest::currentTestFailed()) {
            qWarning("after %s", name);
            return;
        }
    }
}

QTEST_GUILESS_MAIN(TestListModel)
#include "test_list_model.moc"
