// The lists follow each change of single entries in place, and show exactly what reading
// them afresh would show; the filter above each list narrows what it shows as the user types.
#include "EntriesModel.h"
#include "MainWindowHarness.h"
#include "SQLite3PowerClass.h"
#include "Schema.h"
#include "StoreChanges.h"
#include "StoreContents.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace {

// Twins, letters beyond ASCII, numbers inside texts, an empty value.
const QStringList kPeople = {"Name;Town;Born",    "Smith;York;1970",  "Miller;Leeds;1982",
                             "Miller;Leeds;1982", "Jones;;1990",      "Öberg;Örebro;1975",
                             "item 10;Hull;2000", "item 2;hull;2000", "Åsa;Leeds;1960"};
const QString kTownsWithE = QStringLiteral("%e%");  // the search that fills View Filtered

// Waits until the list shows the rows of the text typed into its filter field.
void typeFilter(CViewTab& page, const QString& text) {
    QSignalSpy applied(&page.listedRows(), &EntriesModel::filterApplied);
    MainWindowHarness::typeInto(page.filterField(), text);
    if (!text.isEmpty())
        QVERIFY(applied.count() > 0 || applied.wait());
}

int rowOf(const CViewTab& page, const QString& name) {
    for (int row = 0; row < page.listRowCount(); ++row) {
        if (page.cellText(row, 0) == name)
            return row;
    }
    return -1;
}

// The page read afresh: a list of the same query that has never been filled.
QStringList readAfresh(CMyOrvaneDatabaseDlg& window, const CViewTab& page, int* total) {
    CViewTab fresh(&window, page.database());
    fresh.m_filtered = page.m_filtered;
    fresh.m_columnWidths = page.m_columnWidths;
    fresh.OnInitDialog();
    QHeaderView* header = page.list()->horizontalHeader();
    const QString order = header->isSortIndicatorShown()
                              ? schema::column(header->sortIndicatorSection() + 1)
                              : QString();
    fresh.FillList(page.m_filtered ? page.m_searchCondition : QString(), order);
    typeFilter(fresh, page.filterField()->text());
    *total = fresh.listedRows().totalRowCount();
    return MainWindowHarness::listedRows(fresh);
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
    model.reset(columnNames(columns).split(QLatin1Char(';')), std::move(store.m_resultValues),
                sortColumn);
    model.setTextFilter(typed);
    model.finishTextFilter();
}

// The model holds what reading the store afresh gives: every row (the hidden ones too) with
// the same id, cells and shape (by which twins are found), and shows the same rows in the same
// order.
void expectSameAsStore(const EntriesModel& model, const QString& storePath, int sortColumn,
                       const QString& typed) {
    EntriesModel fresh;
    readStore(fresh, storePath, static_cast<int>(model.headings().size()), sortColumn, typed);
    QCOMPARE(model.headings(), fresh.headings());
    QCOMPARE(model.storeOrder().size(), fresh.storeOrder().size());
    const ResultGrid& mine = model.grid();
    const ResultGrid& theirs = fresh.grid();
    QCOMPARE(mine.columnCount(), theirs.columnCount());
    for (size_t i = 0; i < model.storeOrder().size(); ++i) {
        const int row = model.storeOrder()[i];
        const int freshRow = fresh.storeOrder()[i];
        QCOMPARE(mine.rowid(row), theirs.rowid(freshRow));
        for (int column = 0; column < theirs.columnCount(); ++column)
            QCOMPARE(mine.value(row, column), theirs.value(freshRow, column));
        QCOMPARE(mine.rowShape(row), theirs.rowShape(freshRow));
    }
    QCOMPARE(model.rowCount(), fresh.rowCount());
    for (int row = 0; row < fresh.rowCount(); ++row)
        QCOMPARE(model.rowidAt(row), fresh.rowidAt(row));
}

}  // namespace

class TestListUpdates : public QObject {
    Q_OBJECT
private slots:
    void inPlaceEqualsReadingAfresh_data();
    void inPlaceEqualsReadingAfresh();
    void filterNarrowsTheList_data();
    void filterNarrowsTheList();
    void filterChangesNothingElse();
    void columnMovesEqualReadingTheStore_data();
    void columnMovesEqualReadingTheStore();
    void columnChangesShowInTheLists_data();
    void columnChangesShowInTheLists();
};

void TestListUpdates::inPlaceEqualsReadingAfresh_data() {
    QTest::addColumn<bool>("filtered");   // View Filtered with a search, else View All
    QTest::addColumn<int>("sortColumn");  // -1: store order
    QTest::addColumn<QString>("typed");   // in the filter field
    QTest::addColumn<QString>("action");
    const QStringList onThePage = {"remove twin",     "undo add",       "redo add",
                                   "undo edit twin",  "redo edit twin", "undo remove twin",
                                   "redo remove twin"};
    for (bool filtered : {false, true}) {
        for (const QString& typed : {QString(), QStringLiteral("leeds"), QStringLiteral("ö")}) {
            const char* view = filtered ? "filtered" : "all";
            // Adding and editing go through the Add/Edit tab, and coming back lists in store
            // order; the other actions keep the list's order.
            for (const QString& action : {QStringLiteral("add"), QStringLiteral("edit twin")})
                QTest::addRow("%s, typed '%s', %s", view, qPrintable(typed), qPrintable(action))
                    << filtered << -1 << typed << action;
            for (int sortColumn : {-1, 0, 1}) {
                for (const QString& action : onThePage) {
                    if (filtered && action == QLatin1String("remove twin"))
                        continue;  // removing on View Filtered lists every entry afterwards
                    QTest::addRow("%s by %d, typed '%s', %s", view, sortColumn, qPrintable(typed),
                                  qPrintable(action))
                        << filtered << sortColumn << typed << action;
                }
            }
        }
    }
}

void TestListUpdates::inPlaceEqualsReadingAfresh() {
    QFETCH(bool, filtered);
    QFETCH(int, sortColumn);
    QFETCH(QString, typed);
    QFETCH(QString, action);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const int tab =
        filtered ? CMyOrvaneDatabaseDlg::ViewFilteredTab : CMyOrvaneDatabaseDlg::ViewAllTab;
    CViewTab& page = filtered ? window.viewFilteredPage() : window.viewAllPage();
    if (filtered) {
        world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
        MainWindowHarness::typeInto(window.searchPage().field(2), kTownsWithE);
    }

    const QString change = action.section(' ', 1);  // what undo or redo works on
    const auto make = [&](const QString& what) {
        CViewTab& all = window.viewAllPage();
        if (what == QLatin1String("add")) {
            world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
            QVERIFY(world.addEntry({"Adams", "Leeds", "1999"}));
        } else if (what == QLatin1String("edit twin")) {
            world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
            MainWindowHarness::chooseRow(all, rowOf(all, "Miller"));
            all.OnEditEntry();
            window.OnPollTimer();
            QCOMPARE(window.tabs()->currentIndex(), int(CMyOrvaneDatabaseDlg::AddEditTab));
            MainWindowHarness::typeInto(window.addEditPage().field(2), "Hull");
        } else {
            world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
            MainWindowHarness::chooseRow(all, rowOf(all, "Miller"));
            world.env.prompter.queueAnswer(Prompter::Answer::Yes);
            all.OnRemoveEntry();
        }
    };
    const bool history = action.startsWith("undo") || action.startsWith("redo");
    if (history) {
        make(change);
        if (action.startsWith("redo")) {
            world.clickTab(tab);
            window.action(texts::UndoCommand)->trigger();
        }
    }
    world.clickTab(tab);
    if (sortColumn >= 0)
        page.OnColumnClick(sortColumn);
    typeFilter(page, typed);
    MainWindowHarness::chooseRow(page, 0);

    const QAbstractItemModel* model = page.list()->model();
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    if (history) {
        window.action(action.startsWith("undo") ? texts::UndoCommand : texts::RedoCommand)
            ->trigger();
    } else {
        make(action);
        world.clickTab(tab);
    }
    QVERIFY(world.env.prompter.queuesEmpty());

    // Followed in place, not read again.
    QCOMPARE(resets.count(), 0);
    int total = 0;
    const QStringList afresh = readAfresh(window, page, &total);
    QCOMPARE(MainWindowHarness::listedRows(page), afresh);
    QCOMPARE(page.listedRows().totalRowCount(), total);
    QCOMPARE(page.selectionMark(), -1);  // as after reading afresh: nothing chosen
}

void TestListUpdates::filterNarrowsTheList_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("shown");  // the names listed
    QTest::newRow("letter case") << "SMITH" << QStringList{"Smith"};
    QTest::newRow("accented letter, either case") << "örebro" << QStringList{"Öberg"};
    QTest::newRow("in any column") << "leeds" << QStringList{"Miller", "Miller", "Åsa"};
    QTest::newRow("percent is a letter") << "50%" << QStringList{"Sale"};
    QTest::newRow("underscore is a letter") << "a_b" << QStringList{"Code"};
    QTest::newRow("nothing found") << "zzz" << QStringList{};
}

void TestListUpdates::filterNarrowsTheList() {
    QFETCH(QString, typed);
    QFETCH(QStringList, shown);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window =
        world.startWith(kPeople + QStringList{"Sale;50% off;2001", "Sold;500 off;2001",
                                              "Code;a_b;2002", "Cod;axb;2002"});
    CViewTab& page = window.viewAllPage();
    const int all = page.listRowCount();
    typeFilter(page, typed);
    QStringList names;
    for (int row = 0; row < page.listRowCount(); ++row)
        names.append(page.cellText(row, 0));
    QCOMPARE(names, shown);
    QCOMPARE(page.listedRows().totalRowCount(), all);

    // Escape in the field shows every entry again.
    page.filterField()->setFocus();
    QTest::keyClick(page.filterField(), Qt::Key_Escape);
    QVERIFY(page.filterField()->text().isEmpty());
    QCOMPARE(page.listRowCount(), all);
}

void TestListUpdates::filterChangesNothingElse() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString path = window.currentPath();
    const QByteArray file = TestEnvironment::readFile(path);
    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    MainWindowHarness::typeInto(window.searchPage().field(2), kTownsWithE);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    CViewTab& filtered = window.viewFilteredPage();
    QCOMPARE(filtered.listRowCount(), 4);

    // Ctrl+F reaches the field; the count says how many of the entries found are shown.
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    filtered.list()->setFocus();
    QTest::keyClick(filtered.list(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(filtered.filterField()->hasFocus());
    typeFilter(filtered, "mil");
    QCOMPARE(MainWindowHarness::listedRows(filtered),
             QStringList({"Miller|Leeds|1982", "Miller|Leeds|1982"}));
    bool counted = false;
    for (QLabel* label : filtered.findChildren<QLabel*>())
        counted = counted || label->text() == window.text(texts::FoundEntryCount) + " " +
                                                  window.text(texts::ShownOfTotal).arg(2).arg(4);
    QVERIFY(counted);

    // Neither the search, the other list, the store nor the file know of it.
    QCOMPARE(window.searchPage().m_searchCondition, QStringLiteral("Column2 LIKE '%e%'"));
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QCOMPARE(window.viewAllPage().listRowCount(), kPeople.size() - 1);
    QVERIFY(!window.windowTitle().contains('*'));
    QCOMPARE(world.env.storeRows(3).size(), kPeople.size() - 1);

    // A filter typed on View All hides entries from the list, not from the file.
    typeFilter(window.viewAllPage(), "york");
    QCOMPARE(window.viewAllPage().listRowCount(), 1);
    QVERIFY(window.SaveDatabase(path));
    QCOMPARE(TestEnvironment::readFile(path), file);
}

void TestListUpdates::columnMovesEqualReadingTheStore_data() {
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
void TestListUpdates::columnMovesEqualReadingTheStore() {
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
        expectSameAsStore(model, path, order, typed);
        if (QTest::currentTestFailed()) {
            qWarning("after %s", name);
            return;
        }
    }
}

void TestListUpdates::columnChangesShowInTheLists_data() {
    QTest::addColumn<bool>("filtered");  // View Filtered with a search, else View All
    QTest::addColumn<int>("sortColumn");
    QTest::addColumn<QString>("typed");
    // On the settings page, or the undo and redo of a removal on the list.
    QTest::addColumn<QString>("change");
    for (const char* change : {"add column", "remove column", "rename column", "undo", "redo"}) {
        QTest::addRow("all, %s", change) << false << -1 << QString() << QString(change);
        QTest::addRow("all sorted by town, typed, %s", change)
            << false << 1 << QStringLiteral("leeds") << QString(change);
        QTest::addRow("filtered, %s", change) << true << -1 << QString() << QString(change);
    }
}

// The lists follow the column changes made on the settings page, and their undo and redo on
// the list itself, and show what reading them afresh shows.
void TestListUpdates::columnChangesShowInTheLists() {
    QFETCH(bool, filtered);
    QFETCH(int, sortColumn);
    QFETCH(QString, typed);
    QFETCH(QString, change);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const int tab =
        filtered ? CMyOrvaneDatabaseDlg::ViewFilteredTab : CMyOrvaneDatabaseDlg::ViewAllTab;
    CViewTab& page = filtered ? window.viewFilteredPage() : window.viewAllPage();
    if (filtered) {
        world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
        MainWindowHarness::typeInto(window.searchPage().field(3), "19%");
    }
    world.clickTab(tab);
    if (sortColumn >= 0)
        page.OnColumnClick(sortColumn);
    typeFilter(page, typed);

    const bool history = change == QLatin1String("undo") || change == QLatin1String("redo");
    QVERIFY(world.makeChange(history ? QStringLiteral("remove column") : change));
    if (change == QLatin1String("redo"))
        QVERIFY(world.makeChange(QStringLiteral("undo")));
    world.clickTab(tab);
    if (history) {
        window.action(change == QLatin1String("undo") ? texts::UndoCommand : texts::RedoCommand)
            ->trigger();
    }
    QVERIFY(world.env.prompter.queuesEmpty());

    int total = 0;
    const QStringList afresh = readAfresh(window, page, &total);
    QCOMPARE(MainWindowHarness::listedRows(page), afresh);
    QCOMPARE(page.listedRows().totalRowCount(), total);
    QCOMPARE(page.listedRows().headings(), window.database().columnNames().split(';'));
}

QTEST_MAIN(TestListUpdates)
#include "test_list_updates.moc"
