// Whole user paths through the real main window, each ending with the saved file compared
// byte for byte with what the person expects.
#include "MainWindowHarness.h"

#include "CNew.h"
#include "CSettings.h"

#include <QLineEdit>
#include <QPrinter>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

namespace {

// Adds a column named name before column `before` (from 0) on the Settings tab.
void insertColumn(MainWindowHarness& world, int before, const QString& name) {
    world.clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
    CSettings& settings = world.window().settingsPage();
    if (before >= 0) {
        settings.columnList()->setCurrentItem(settings.columnList()->topLevelItem(before));
        settings.OnColumnListClick();
    }
    settings.OnAddColumn();
    settings.nameField()->setText(name);
    settings.OnSaveChanges();
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
}

}  // namespace

class TestUserPaths : public QObject {
    Q_OBJECT
private slots:
    void addressBookFromTemplate();
    void fileWithWindowsLineEnds();
    void tenThousandEntries();
    void emptyDatabaseDefinedOnSettings();
    void foldersOfAnyName_data();
    void foldersOfAnyName();
    void perUserFolderOfAnyName();
};

void TestUserPaths::addressBookFromTemplate() {
    MainWindowHarness world;
    world.env.prompter.queueDialog(MainWindowHarness::chooseNewDatabase(1));
    CMyOrvaneDatabaseDlg& window = world.start();
    const QString columns = window.text(10001);
    const int n = columns.count(';') + 1;
    const auto entry = [n](const QStringList& values) {
        QStringList cells = values;
        while (cells.size() < n)
            cells.append(QString());
        return cells;
    };
    QVERIFY(world.addEntry({"Smith", "Ann", "1 High Street", "YO1 7HH", "York"}));
    QVERIFY(world.addEntry({"O'Brien", "Sean", "2 Main Street", "", "Cork"}));
    QVERIFY(world.addEntry({"Miller", "Bob", "", "", "Leeds"}));

    // Find the Smiths and the O'Briens.
    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    MainWindowHarness::typeInto(window.searchPage().field(1), "%'%");
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    QCOMPARE(MainWindowHarness::listedRows(window.viewFilteredPage()).size(), 1);

    // A column for the title, before the name.
    insertColumn(world, 0, "Title");
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()).first().section('|', 0, 1),
             "|Smith");

    // Print the list to a PDF.
    const QString pdf = world.env.root() + "/book.pdf";
    world.env.prompter.queuePrint([&pdf](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    window.viewAllPage().OnPrintEntries();
    QVERIFY(TestEnvironment::readFile(pdf).startsWith("%PDF"));

    // Switch to German: the save question comes first; save the book then.
    const QString saved = world.env.root() + "/addresses.csv";
    world.env.prompter.queueDialog(MainWindowHarness::chooseLanguage("Deutsch"));
    world.env.prompter.queueAnswer(Prompter::Answer::Yes);
    world.env.prompter.queueFileName(saved);
    window.OnLanguageSelection();
    QCOMPARE(window.windowTitle(), "addresses.csv - Orvane Database");
    QCOMPARE(window.tabs()->tabText(0), "Alle an&zeigen");
    QCOMPARE(world.env.config("Language"), "[1031]");

    // The new first column is empty in every entry.
    const QStringList expected = {
        "Title;" + columns,
        ";" + entry({"Smith", "Ann", "1 High Street", "YO1 7HH", "York"}).join(';'),
        ";" + entry({"O'Brien", "Sean", "2 Main Street", "", "Cork"}).join(';'),
        ";" + entry({"Miller", "Bob", "", "", "Leeds"}).join(';'),
    };
    QCOMPARE(TestEnvironment::readFile(saved), MainWindowHarness::crlf(expected));

    // Close and come back: the same book, in German.
    QVERIFY(world.close());
    CMyOrvaneDatabaseDlg& again = world.start();
    QCOMPARE(again.windowTitle(), "addresses.csv - Orvane Database");
    QCOMPARE(MainWindowHarness::listedRows(again.viewAllPage()).size(), 3);
    QCOMPARE(again.tabs()->tabText(0), "Alle an&zeigen");
}

void TestUserPaths::fileWithWindowsLineEnds() {
    MainWindowHarness world;
    // Made elsewhere: CR LF, a last line without one, Latin-1 letters.
    const QByteArray original =
        "Name;Ort\r\nM\xfcller;K\xf6ln\r\nDupont;Orl\xe9"
        "ans";
    world.env.setConfig("LastDataBase", world.env.writeFile("fremd.csv", original));
    CMyOrvaneDatabaseDlg& window = world.start();
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()),
             QStringList({QString::fromUtf8("Müller|Köln"), QString::fromUtf8("Dupont|Orléans")}));

    // The file's lines end as they did: CR LF between them, none after the last.
    QVERIFY(world.addEntry({"Smith", "York"}));
    window.OnSaveDatabase();
    QCOMPARE(TestEnvironment::readFile(window.currentPath()),
             QByteArray("Name;Ort\r\nM\xfcller;K\xf6ln\r\nDupont;Orl\xe9"
                        "ans\r\nSmith;York"));
}

void TestUserPaths::tenThousandEntries() {
    MainWindowHarness world;
    QRandomGenerator random(7);
    const QStringList towns = {"York", "Leeds", "Cork", QString::fromUtf8("Köln"), "Paris"};
    QStringList lines = {"Number;Name;Town"};
    for (int i = 0; i < 10000; ++i)
        lines.append(QStringLiteral("%1;Name %2;%3")
                         .arg(i)
                         .arg(random.bounded(100000))
                         .arg(towns[random.bounded(towns.size())]));
    CMyOrvaneDatabaseDlg& window = world.startWith(lines);
    CViewTab& list = window.viewAllPage();
    QCOMPARE(list.listRowCount(), 10000);

    list.OnColumnClick(2);  // by town
    QCOMPARE(MainWindowHarness::listedRows(list).first().section('|', 2), "Cork");

    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    MainWindowHarness::typeInto(window.searchPage().field(1), "4242");
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    CViewTab& found = window.viewFilteredPage();
    QCOMPARE(found.listRowCount(), 1);
    MainWindowHarness::chooseRow(found, 0);
    found.OnEditEntry();
    QTRY_COMPARE_WITH_TIMEOUT(window.tabs()->currentIndex(), 3, 500);
    MainWindowHarness::typeInto(window.addEditPage().field(3), "Leeds");
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);

    window.OnSaveDatabase();
    lines[4243] = lines[4243].section(';', 0, 1) + ";Leeds";
    QCOMPARE(TestEnvironment::readFile(window.currentPath()), MainWindowHarness::crlf(lines));
}

void TestUserPaths::emptyDatabaseDefinedOnSettings() {
    MainWindowHarness world;
    world.env.prompter.queueDialog(MainWindowHarness::chooseNewDatabase(0));
    CMyOrvaneDatabaseDlg& window = world.start();
    QCOMPARE(window.tabs()->currentIndex(), int(CMyOrvaneDatabaseDlg::SettingsTab));

    insertColumn(world, -1, "Title");
    QCOMPARE(window.tabs()->currentIndex(),
             int(CMyOrvaneDatabaseDlg::SettingsTab));  // one is not enough
    insertColumn(world, -1, "Author");
    insertColumn(world, 1, "Year");  // before Author
    QCOMPARE(window.tabs()->currentIndex(), int(CMyOrvaneDatabaseDlg::ViewAllTab));
    QVERIFY(world.addEntry({"Dune", "1965", "Frank Herbert"}));

    const QString saved = world.env.root() + "/books.csv";
    world.env.prompter.queueFileName(saved);
    window.OnSaveDatabase();
    QCOMPARE(TestEnvironment::readFile(saved),
             MainWindowHarness::crlf({"Title;Year;Author", "Dune;1965;Frank Herbert"}));
}

void TestUserPaths::foldersOfAnyName_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("writtenAsItIs");  // config.ini can spell the path
    QTest::newRow("ASCII") << "Documents" << true;
    QTest::newRow("Latin-1, with a percent sign") << QString::fromUtf8("Büro 100%") << true;
    QTest::newRow("Cyrillic") << QString::fromUtf8("Документы") << false;
    QTest::newRow("CJK") << QString::fromUtf8("写真 データ") << false;
    QTest::newRow("a line break") << "two\nlines" << false;
}

// A database opened from any folder the file system can name is remembered exactly: by the
// next start and by a language change, which both open the last database again.
void TestUserPaths::foldersOfAnyName() {
    QFETCH(QString, folder);
    QFETCH(bool, writtenAsItIs);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith({"Name", "Smith"});
    const QString path = world.writeDatabase(folder + "/people.csv", {"Name;Town", "Ann;Oslo"});
    world.env.prompter.queueFileName(path);
    window.OnOpenDatabase();
    QVERIFY(world.addEntry({"Bob", "Rome"}));
    window.OnSaveDatabase();
    QCOMPARE(window.currentPath(), path);
    QVERIFY(world.env.prompter.messageTexts().isEmpty());
    const QString stored = world.env.config("LastDataBase");
    QCOMPARE(stored == path, writtenAsItIs);
    QVERIFY(!stored.contains('\n'));

    world.env.prompter.queueDialog(MainWindowHarness::chooseLanguage("Deutsch"));
    window.OnLanguageSelection();
    QCOMPARE(window.currentPath(), path);
    QVERIFY(world.close());
    CMyOrvaneDatabaseDlg& again = world.start();
    QCOMPARE(again.currentPath(), path);
    QCOMPARE(MainWindowHarness::listedRows(again.viewAllPage()),
             QStringList({"Ann|Oslo", "Bob|Rome"}));
}

void TestUserPaths::perUserFolderOfAnyName() {
    MainWindowHarness world;
    const QString dataHome = world.env.root() + QString::fromUtf8("/Данные 数据");
    qputenv("XDG_DATA_HOME", dataHome.toUtf8());
    const QString store = dataHome + "/Orvane/orvane_database.sqlite";
    const QString path = world.writeDatabase("people.csv", {"Name", "Smith"});
    world.env.prompter.queueFileName(path);
    world.start().OnOpenDatabase();
    QCOMPARE(world.window().database().storePath(), store);
    QVERIFY(world.close());
    PowerClass settings;
    settings.m_configPath = dataHome + "/Orvane/orvanedb/3.01/config.ini";
    QCOMPARE(settings.ReadConfigPath("Path"), store);
    QCOMPARE(settings.ReadConfigPath("LastDataBase"), path);

    // The store is found again where it was, through its setting.
    CMyOrvaneDatabaseDlg& again = world.start();
    QCOMPARE(again.database().storePath(), store);
    QCOMPARE(again.currentPath(), path);
    QCOMPARE(world.env.storeRows(store, 1), QStringList{"Smith"});
}

QTEST_MAIN(TestUserPaths)
#include "test_user_paths.moc"
