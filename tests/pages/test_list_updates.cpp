// The lists follow each change of single entries in place, and show exactly what reading
// them afresh would show; the filter above each list narrows what it shows as the user types.
#include "EntriesModel.h"
#include "MainWindowHarness.h"
#include "Schema.h"

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

}  // namespace

class TestListUpdates : public QObject {
    Q_OBJECT
private slots:
    void inPlaceEqualsReadingAfresh_data();
    void inPlaceEqualsReadingAfresh();
    void filterNarrowsTheList_data();
    void filterNarrowsTheList();
    void filterChangesNothingElse();
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
