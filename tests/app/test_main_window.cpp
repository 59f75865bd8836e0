// The main window: start-up, menu and tabs, layout, the entries lists and page switching.
#include "MainWindowHarness.h"

#include "ActionGuard.h"
#include "ColumnWidths.h"
#include "SQLite3PowerClass.h"
#include "StoreConnection.h"

#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

namespace {

const QStringList kPeople = {
    "Name;Town;Born",
    "Smith;York;1970",
    "Miller;Leeds;1982",
    "O'Brien;Cork;1955",
};

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void firstStartMakesUserFiles();
    void menuFollowsLanguage_data();
    void menuFollowsLanguage();
    void layoutFollowsClientArea();
    void settingsGiveSortColumnAndWidths();
    void columnWidthsSetting_data();
    void columnWidthsSetting();
    void lastDatabaseOpensAtStart();
    void headerClickSortsAndKeepsSortColumn();
    void removeEntryRemovesTwinsAndShortLines();
    void copyEntryPutsOneValuePerLine();
    void listRequestsHandOverToAddEdit();
    void widthsTravelBetweenLists();
    void searchFiltersViewFiltered();
    void addEditMarksTitle();
    void helpWebsiteAndAbout();
    void helpInTheTextsLanguage_data();
    void helpInTheTextsLanguage();
    void missingInstallationFileIsNamed_data();
    void missingInstallationFileIsNamed();
    void unusableStoreIsReplacedAtStart();
};

void TestMainWindow::firstStartMakesUserFiles() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.start();

    QVERIFY(QFileInfo(world.env.userConfig()).isFile());
    QCOMPARE(world.env.config("Path"), world.env.userStore());
    QVERIFY(StoreConnection::isUsableStore(world.env.userStore()));
    QCOMPARE(world.env.storeRows(26), QStringList());
    // No last database: the new-database dialog was offered, and cancelling it leaves an
    // empty untitled database on the View All page, not an empty window.
    QCOMPARE(world.env.prompter.prompts().first().kind, QStringLiteral("modal"));
    QCOMPARE(world.env.prompter.prompts().first().text, QStringLiteral("CNew"));
    QCOMPARE(window.windowTitle(), window.text(130) + QStringLiteral(" - ") + window.text(5));
    QVERIFY(window.viewAllPage().isVisible());
    QCOMPARE(window.tabs()->currentIndex(), 0);
}

void TestMainWindow::menuFollowsLanguage_data() {
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("newDatabase");
    QTest::addColumn<QString>("viewAllTab");
    QTest::addColumn<QString>("yes");  // Qt's own button text follows the program's language
    QTest::newRow("English") << "en_GB.UTF-8"
                             << "&File"
                             << "  &New Database"
                             << "View A&ll"
                             << "&Yes";
    QTest::newRow("German") << "de_DE.UTF-8"
                            << "&Datei"
                            << "  &Neue Datenbank"
                            << "Alle an&zeigen"
                            << "&Ja";
    QTest::newRow("Swiss German by dialect") << "de_CH.UTF-8"
                                             << "&Datei"
                                             << "  &Neue Datenbank"
                                             << "Alle an&zeigen"
                                             << "&Ja";
    QTest::newRow("no section: English") << "ja_JP.UTF-8"
                                         << "&File"
                                         << "  &New Database"
                                         << "View A&ll"
                                         << "&Yes";
}

void TestMainWindow::menuFollowsLanguage() {
    QFETCH(QString, lang);
    QFETCH(QString, file);
    QFETCH(QString, newDatabase);
    QFETCH(QString, viewAllTab);
    QFETCH(QString, yes);
    qputenv("LANG", lang.toLatin1());
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.start();
    qputenv("LANG", "en_US.UTF-8");

    QCOMPARE(window.action(200)->text(), file);
    QCOMPARE(window.action(201)->text(), newDatabase);
    QCOMPARE(window.tabs()->tabText(0), viewAllTab);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), yes);
    const QList<QAction*> popups = window.menuBar()->actions();
    QCOMPARE(popups.size(), 4);  // File, Edit, View, Help
    QCOMPARE(popups.at(1), window.action(texts::EditMenu));
    for (QAction* popup : popups) {
        QVERIFY(!popup->text().startsWith(QLatin1Char(' ')));
        for (QAction* item : popup->menu()->actions()) {
            if (item->isSeparator() || !item->isVisible())  // a recent database not there yet
                continue;
            QVERIFY2(item->text().startsWith(QStringLiteral("  ")) &&
                         item->text().at(2) != QLatin1Char(' '),
                     qPrintable(item->text()));
            QVERIFY(!item->icon().isNull());
        }
    }
    for (int tab = 0; tab < CMyOrvaneDatabaseDlg::TabCount; ++tab)
        QVERIFY(!window.tabs()->tabIcon(tab).isNull());
}

void TestMainWindow::layoutFollowsClientArea() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.resize(QSize(700, 500) + window.size() - window.clientArea()->size());
    QTRY_COMPARE(window.clientArea()->size(), QSize(700, 500));

    QCOMPARE(window.tabs()->geometry(), QRect(7, 7, 686, 486));
    CViewTab& page = window.viewAllPage();
    QCOMPARE(page.geometry(), QRect(15, 38, 671, 446));
    QCOMPARE(window.viewFilteredPage().geometry(), QRect(15, 38, 671, 446));
    QCOMPARE(page.list()->geometry(), QRect(10, 41, 540, 400));
    // The filter field above the list, as wide as the list beside its label.
    QCOMPARE(page.filterField()->geometry().top(), 11);
    QCOMPARE(page.filterField()->geometry().right(), page.list()->geometry().right());
    const auto buttonAt = [&page](int textNumber) {
        for (QPushButton* button : page.findChildren<QPushButton*>()) {
            if (button->text() == page.text(textNumber))
                return button->geometry();
        }
        return QRect();
    };
    QCOMPARE(buttonAt(155), QRect(558, 11, 105, 24));
    QCOMPARE(buttonAt(170), QRect(558, 383, 105, 24));
    QCOMPARE(buttonAt(175), QRect(558, 416, 105, 24));
}

void TestMainWindow::settingsGiveSortColumnAndWidths() {
    MainWindowHarness world;
    world.env.setConfig("Options", "0200000000");
    world.env.setConfig("LastColumnWidths", "120;;80");
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);

    CViewTab& page = window.viewAllPage();
    QCOMPARE(page.sortColumn(), QStringLiteral("Column2"));
    // Sorted by the town at start-up; an empty width shows as 100.
    QCOMPARE(MainWindowHarness::listedRows(page).first(), QStringLiteral("O'Brien|Cork|1955"));
    QCOMPARE(page.list()->columnWidth(0), 120);
    QCOMPARE(page.list()->columnWidth(1), 100);
    QCOMPARE(page.list()->columnWidth(2), 80);
    QHeaderView* header = page.list()->horizontalHeader();
    QVERIFY(header->isSortIndicatorShown());  // the arrow shows the order the rows are in
    QCOMPARE(header->sortIndicatorSection(), 1);
}

void TestMainWindow::columnWidthsSetting_data() {
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QList<quint32>>("widths");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("saved");  // the first count widths kept again
    QTest::newRow("none: every column the default")
        << QString() << QList<quint32>(26, 100) << 2 << QStringLiteral("100;100");
    QTest::newRow("as written") << QStringLiteral("120;80") << QList<quint32>{120, 80} << 2
                                << QStringLiteral("120;80");
    // An empty width is none remembered, which the list fills when it shows the column.
    QTest::newRow("empty and stray characters")
        << QStringLiteral("120;;8x") << QList<quint32>{120, 0, 80} << 3
        << QStringLiteral("120;0;80");
    QTest::newRow("more columns than widths")
        << QStringLiteral("120") << QList<quint32>{120} << 3 << QStringLiteral("120;100;100");
    QTest::newRow("fewer columns than widths")
        << QStringLiteral("120;80;60") << QList<quint32>{120, 80, 60} << 1 << QStringLiteral("120");
}

void TestMainWindow::columnWidthsSetting() {
    QFETCH(QString, setting);
    QFETCH(QList<quint32>, widths);
    QFETCH(int, count);
    QFETCH(QString, saved);
    QCOMPARE(columnwidths::fromSetting(setting), widths);
    QCOMPARE(columnwidths::toSetting(widths, count), saved);
}

void TestMainWindow::lastDatabaseOpensAtStart() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);

    QCOMPARE(window.windowTitle(), QStringLiteral("people.csv - Orvane Database"));
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()),
             QStringList({"Smith|York|1970", "Miller|Leeds|1982", "O'Brien|Cork|1955"}));
    QCOMPARE(world.env.storeRows(3), MainWindowHarness::listedRows(window.viewAllPage()));
    QCOMPARE(window.viewAllPage().list()->model()->headerData(1, Qt::Horizontal).toString(),
             QStringLiteral("Town"));
    QVERIFY(window.pollTimer().isActive());
    // Nothing was asked: the prompts are the progress of opening and of listing.
    QCOMPARE(world.env.prompter.prompts().size(), 2);
    for (const ScriptedPrompter::Prompt& prompt : world.env.prompter.prompts())
        QCOMPARE(prompt.kind, QStringLiteral("progress"));
    const auto* count = window.viewAllPage().findChildren<QLabel*>().first();
    QCOMPARE(count->text(), QStringLiteral("Entries: 3"));
}

void TestMainWindow::headerClickSortsAndKeepsSortColumn() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    CViewTab& page = window.viewAllPage();
    QHeaderView* header = page.list()->horizontalHeader();

    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
    QCOMPARE(page.sortColumn(), QStringLiteral("Column3"));
    QCOMPARE(MainWindowHarness::listedRows(page),
             QStringList({"O'Brien|Cork|1955", "Smith|York|1970", "Miller|Leeds|1982"}));
    QVERIFY(header->isSortIndicatorShown());
    QCOMPARE(header->sortIndicatorSection(), 2);
    // "View All" again lists in store order, without an arrow; the sort column is kept for
    // closing.
    window.action(216)->trigger();
    QCOMPARE(MainWindowHarness::listedRows(page).first(), QStringLiteral("Smith|York|1970"));
    QVERIFY(!header->isSortIndicatorShown());
    QVERIFY(world.close());
    QCOMPARE(world.env.config("Options"), QStringLiteral("0300000000"));
}

void TestMainWindow::removeEntryRemovesTwinsAndShortLines() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(
        {"Name;Town;Born", "Smith;York;1970", "Smith;York;1970", "Short", "O'Brien;Cork;1955"});
    CViewTab& page = window.viewAllPage();

    // Nothing chosen: a message, nothing removed.
    QTest::mouseClick(page.findChildren<QPushButton*>().at(2), Qt::LeftButton);
    QCOMPARE(world.env.prompter.messageTexts(), QStringList{window.text(45)});

    for (const auto& [row, remaining] : QList<QPair<int, QStringList>>{
             {0, {"Short||", "O'Brien|Cork|1955"}}, {0, {"O'Brien|Cork|1955"}}, {0, {}}}) {
        MainWindowHarness::chooseRow(page, row);
        world.env.prompter.queueAnswer(Prompter::Answer::Yes);
        page.OnRemoveEntry();
        QCOMPARE(MainWindowHarness::listedRows(page), remaining);
        QCOMPARE(world.env.storeRows(3), remaining);
    }
}

void TestMainWindow::copyEntryPutsOneValuePerLine() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    CViewTab& page = window.viewAllPage();

    page.OnCopyEntry();
    QCOMPARE(world.env.prompter.messageTexts(), QStringList{window.text(70)});
    MainWindowHarness::chooseRow(page, 2);
    page.OnCopyEntry();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("O'Brien\r\nCork\r\n1955\r\n"));
}

void TestMainWindow::listRequestsHandOverToAddEdit() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    CViewTab& page = window.viewAllPage();
    CSearchAddEdit& addEdit = window.addEditPage();

    page.OnEditEntry();  // nothing chosen
    QCOMPARE(world.env.prompter.messageTexts(), QStringList{window.text(55)});
    QVERIFY(!page.m_editRequested);

    const QModelIndex miller = page.list()->model()->index(1, 0);
    const QPoint millerAt = page.list()->visualRect(miller).center();
    QTest::mouseClick(page.list()->viewport(), Qt::LeftButton, {}, millerAt);
    QTest::mouseDClick(page.list()->viewport(), Qt::LeftButton, {}, millerAt);
    QTRY_COMPARE_WITH_TIMEOUT(window.tabs()->currentIndex(), 3, 200);
    QVERIFY(addEdit.isVisible() && addEdit.m_active && !addEdit.m_addMode);
    QCOMPARE(addEdit.field(1)->text(), QStringLiteral("Miller"));
    QCOMPARE(addEdit.field(3)->text(), QStringLiteral("1982"));
    QVERIFY(!addEdit.field(4)->isEnabled());
    QCOMPARE(addEdit.heading()->text(), window.text(90));
    QCOMPARE(QApplication::focusWidget(), addEdit.field(1));  // ready to type
    QVERIFY(!window.pollTimer().isActive());

    window.action(217)->trigger();  // View Filtered
    window.viewFilteredPage().OnAddEntry();
    QTRY_COMPARE_WITH_TIMEOUT(window.tabs()->currentIndex(), 3, 200);
    QVERIFY(addEdit.m_addMode);
    QCOMPARE(addEdit.field(1)->text(), QString());
    QCOMPARE(addEdit.heading()->text(), window.text(85));
    QCOMPARE(QApplication::focusWidget(), addEdit.field(1));
}

void TestMainWindow::widthsTravelBetweenLists() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    window.viewAllPage().list()->setColumnWidth(1, 230);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);

    QVERIFY(window.viewFilteredPage().isVisible());
    QVERIFY(!window.viewAllPage().isVisible());
    QCOMPARE(window.viewFilteredPage().list()->columnWidth(1), 230);
    QCOMPARE(window.viewAllPage().m_columnWidths.at(1), 230u);
}

void TestMainWindow::searchFiltersViewFiltered() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    CSearchAddEdit& search = window.searchPage();

    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    QVERIFY(search.isVisible());
    QCOMPARE(search.heading()->text(), window.text(80));
    MainWindowHarness::typeInto(search.field(2), QStringLiteral("%O%"));
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    QCOMPARE(window.viewFilteredPage().m_searchCondition, QStringLiteral("Column2 LIKE '%O%'"));
    QCOMPARE(MainWindowHarness::listedRows(window.viewFilteredPage()),
             QStringList({"Smith|York|1970", "O'Brien|Cork|1955"}));
    const auto* count = window.viewFilteredPage().findChildren<QLabel*>().first();
    QCOMPARE(count->text(), QStringLiteral("Entries found: 2"));

    // The criteria stay on the Search tab; an emptied search lists every entry.
    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    QCOMPARE(search.field(2)->text(), QStringLiteral("%O%"));
    search.field(2)->clear();
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    QCOMPARE(MainWindowHarness::listedRows(window.viewFilteredPage()).size(), 3);
}

void TestMainWindow::addEditMarksTitle() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    CSearchAddEdit& addEdit = window.addEditPage();

    world.clickTab(CMyOrvaneDatabaseDlg::AddEditTab);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);  // nothing typed: nothing stored
    QCOMPARE(window.windowTitle(), QStringLiteral("people.csv - Orvane Database"));
    QCOMPARE(world.env.storeRows(3).size(), 3);

    world.clickTab(CMyOrvaneDatabaseDlg::AddEditTab);
    MainWindowHarness::typeInto(addEdit.field(1), QStringLiteral("Jones"));
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QCOMPARE(window.windowTitle(), QStringLiteral("people.csv* - Orvane Database"));
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()).last(), QStringLiteral("Jones||"));
}

// Records the addresses the program asks the desktop to open.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls() {
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~OpenedUrls() override {
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

void TestMainWindow::helpWebsiteAndAbout() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    OpenedUrls opened;

    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(window.viewAllPage().list(), Qt::Key_F1);
    window.action(255)->trigger();
    QCOMPARE(opened.urls,
             QList<QUrl>({QUrl::fromLocalFile(world.env.programFolder() + "/help.html"),
                          QUrl(world.env.config("Homepage"))}));

    window.action(260)->trigger();
    QCOMPARE(world.env.prompter.prompts().last().kind, QStringLiteral("modal"));
    QCOMPARE(world.env.prompter.prompts().last().text, QStringLiteral("CAboutDlg"));
}

// F1 opens the page of the shown tab in the language of the texts, wherever the build put the
// pages of that language.
void TestMainWindow::helpInTheTextsLanguage_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("folder");
    QTest::newRow("German") << "[1031]"
                            << "de";
    QTest::newRow("Brazilian Portuguese") << "[1046]"
                                          << "pt_BR";
}

void TestMainWindow::helpInTheTextsLanguage() {
    QFETCH(QString, language);
    QFETCH(QString, folder);
    MainWindowHarness world;
    const QString page = QStringLiteral("help/%1/search.html").arg(folder);
    world.env.writeFile(QStringLiteral("program/") + page, "<html></html>");
    world.env.setConfig(QStringLiteral("Language"), language);
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    OpenedUrls opened;
    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    window.action(texts::ShowHelpCommand)->trigger();
    QCOMPARE(opened.urls,
             QList<QUrl>{QUrl::fromLocalFile(world.env.programFolder() + QLatin1Char('/') + page)});
}

void TestMainWindow::missingInstallationFileIsNamed_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("settings template") << "config.ini";
    QTest::newRow("translation file") << "orvanedbtrl.ini";
}

void TestMainWindow::missingInstallationFileIsNamed() {
    QFETCH(QString, file);
    MainWindowHarness world;
    const QString path = world.env.programFolder() + "/" + file;
    QVERIFY(QFile::remove(path));
    QVERIFY(!actionguard::guard(nullptr, [&world] { world.start(); }));
    QCOMPARE(world.env.prompter.messageTexts(), QStringList{path + " was not found."});
}

void TestMainWindow::unusableStoreIsReplacedAtStart() {
    for (const QByteArray& content : {QByteArray("just text\n"), QByteArray()}) {
        MainWindowHarness world;
        world.startWith(kPeople);
        QVERIFY(world.close());
        world.env.writeFile("data/Orvane/orvane_database.sqlite", content);
        CMyOrvaneDatabaseDlg& window = world.start();
        QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()).size(), 3);
        QCOMPARE(world.env.storeRows(3).size(), 3);
    }
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
