// The file commands (New, Open, Save, Save As, closing) and the search and add/edit pages,
// driven through the real main window with scripted answers.
#include "MainWindowHarness.h"

#include "CSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

namespace {

const QStringList kPeople = {
    "Name;Town",
    "Smith;York",
    "Miller;",
};

}  // namespace

class TestFileCommands : public QObject {
    Q_OBJECT
private slots:
    void templateDatabaseThroughWholeSession();
    void newDialogListsTemplatesAndCancels();
    void newEmptyDatabaseGoesToSettings();
    void unconfirmedNewDatabase_data();
    void unconfirmedNewDatabase();
    void newDatabaseAbandonedByALoadedFile();
    void saveWritesFileAndWidths();
    void saveAsAddsExtension_data();
    void saveAsAddsExtension();
    void saveAsOverExistingFileAnsweredNo();
    void saveQuestionBeforeOpen_data();
    void saveQuestionBeforeOpen();
    void openedFileHasNoUnsavedColumns();
    void templateDatabaseStaysUntitledAcrossLanguages();
    void failedSaveKeepsUnsavedEntries();
    void closingUntitledWhenSaveAsIsCancelled();
    void openMissingFileChangesNothing();
    void unreadableFileChangesNothing();
    void loadTellsWhichLinesWillNotBeKept();
    void searchIgnoresCaseOfEveryLetter_data();
    void searchIgnoresCaseOfEveryLetter();
    void editChangesIdenticalTwinsAndKeepsLongValues();
    void editContinuesAfterComingBack();
    void editOfAVanishedEntryIsReported();
    void searchFieldsBeyondTheColumnsAreEmptied();
    void searchFieldsFollowARemovedColumn();
    void firstStartCancelledIsUntitled();
    void openStartsInTheDatabasesFolder();
    void newDialogOffersOkOnlyWithALineMarked();
    void entryFieldsRefuseWhatFilesCannotHold();
};

void TestFileCommands::templateDatabaseThroughWholeSession() {
    MainWindowHarness world;
    world.env.prompter.queueDialog(MainWindowHarness::chooseNewDatabase(2));
    CMyOrvaneDatabaseDlg& window = world.start();

    const QString columns = window.text(10011);
    QCOMPARE(TestEnvironment::readFile(world.env.userFolder() + "/newdatabase.csv"),
             MainWindowHarness::crlf({columns}));
    QCOMPARE(window.windowTitle(), window.text(130) + "* - " + window.text(5));
    QCOMPARE(window.database().columnNames(), columns);

    QVERIFY(world.addEntry({"Smith", "Ann"}));
    QVERIFY(world.addEntry({"Smithers", "Bob"}));
    QVERIFY(world.addEntry({"Jones", "Carl"}));
    QCOMPARE(world.env.storeRows(2), QStringList({"Smith|Ann", "Smithers|Bob", "Jones|Carl"}));

    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    MainWindowHarness::typeInto(window.searchPage().field(1), "sm%");
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    QCOMPARE(MainWindowHarness::listedRows(window.viewFilteredPage()).size(), 2);

    CViewTab& filtered = window.viewFilteredPage();
    MainWindowHarness::chooseRow(filtered, 1);
    filtered.OnEditEntry();
    QTRY_COMPARE_WITH_TIMEOUT(window.tabs()->currentIndex(), 3, 500);
    MainWindowHarness::typeInto(window.addEditPage().field(2), "Robert");
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    window.viewAllPage().OnColumnClick(0);  // sort by name

    const QString saved = world.env.root() + "/books";
    world.env.prompter.queueFileName(saved);
    world.env.prompter.clearPrompts();
    window.OnSaveDatabase();  // untitled: Save As
    QCOMPARE(world.env.prompter.prompts().first().text, QDir::home().filePath(window.text(130)));
    const QByteArray expected = MainWindowHarness::crlf(
        {columns.toLatin1(), "Smith;Ann;;;;;;;", "Smithers;Robert;;;;;;;", "Jones;Carl;;;;;;;"});
    QCOMPARE(TestEnvironment::readFile(saved + ".csv"), expected);
    QCOMPARE(window.windowTitle(), "books.csv - " + window.text(5));

    world.env.prompter.clearPrompts();
    QVERIFY(world.close());
    QVERIFY(world.env.prompter.prompts().isEmpty());  // nothing unsaved: no question
    QCOMPARE(world.env.config("LastDataBase"), saved + ".csv");
    QCOMPARE(world.env.config("Options"), "0100000000");

    CMyOrvaneDatabaseDlg& again = world.start();
    QCOMPARE(again.windowTitle(), "books.csv - " + again.text(5));
    QCOMPARE(again.database().sortColumn(), "Column1");
    QCOMPARE(MainWindowHarness::listedRows(again.viewAllPage()).first().section('|', 0, 1),
             "Jones|Carl");
}

void TestFileCommands::newDialogListsTemplatesAndCancels() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    int lines = 0;
    world.env.prompter.queueDialog([&lines](QDialog& dialog) {
        lines = static_cast<CNew&>(dialog).list()->topLevelItemCount();
        dialog.reject();
        return dialog.result();
    });
    window.OnNewDatabase();
    int templates = 0;
    while (window.text(10000 + 10 * templates) != "---")
        ++templates;
    QVERIFY(templates >= 6);
    QCOMPARE(lines, templates + 1);
    QCOMPARE(window.windowTitle(), "people.csv - " + window.text(5));  // cancelled: unchanged
    QCOMPARE(window.database().columnNames(), "Name;Town");

    // Confirmed with no line marked counts as cancelled.
    world.env.prompter.queueDialog([](QDialog& dialog) {
        static_cast<CNew&>(dialog).list()->clearSelection();
        static_cast<CNew&>(dialog).OnOK();
        return dialog.result();
    });
    window.OnNewDatabase();
    QCOMPARE(window.database().columnNames(), "Name;Town");
}

void TestFileCommands::newEmptyDatabaseGoesToSettings() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    world.env.prompter.queueDialog(MainWindowHarness::chooseNewDatabase(0));
    window.OnNewDatabase();

    QCOMPARE(world.env.prompter.messageTexts(), QStringList{window.text(135)});
    QCOMPARE(window.tabs()->currentIndex(), int(CMyOrvaneDatabaseDlg::SettingsTab));
    QVERIFY(window.settingsPage().isVisible() && window.settingsPage().m_active);
    QVERIFY(window.settingsPage().m_newDatabase);
    QCOMPARE(window.settingsPage().columnList()->topLevelItemCount(), 0);
    // The database and its entries stay until the new columns are confirmed.
    QCOMPARE(window.currentPath(), world.env.root() + "/people.csv");
    QCOMPARE(world.env.storeRows(2).size(), 2);
}

// A new empty database whose columns are not confirmed yet (fewer than two): switching tabs
// keeps the user on Settings, but Open, New, a language change and closing leave it as if New
// had never been chosen, without the two-columns message.
void TestFileCommands::unconfirmedNewDatabase_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("Open, dialog cancelled") << "open";
    QTest::newRow("New, dialog cancelled") << "new";
    QTest::newRow("Language Selection") << "language";
    QTest::newRow("closing") << "close";
}

void TestFileCommands::unconfirmedNewDatabase() {
    QFETCH(QString, command);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString path = window.currentPath();
    QVERIFY(world.addEntry({"Jones", "Hull"}));  // unsaved: the question names people.csv
    world.env.prompter.queueDialog(MainWindowHarness::chooseNewDatabase(0));
    window.OnNewDatabase();
    CSettings& settings = window.settingsPage();
    settings.OnAddColumn();
    settings.nameField()->setText("Title");
    settings.OnSaveChanges();
    world.env.prompter.clearPrompts();

    // The tabs still wait for two columns.
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QCOMPARE(world.env.prompter.messageTexts(), QStringList{window.text(35)});
    QCOMPARE(window.tabs()->currentIndex(), int(CMyOrvaneDatabaseDlg::SettingsTab));
    world.env.prompter.clearPrompts();

    const QString question = window.text(105).replace("%s", "people.csv");
    world.env.prompter.queueAnswer(Prompter::Answer::No);  // do not save people.csv
    if (command == "open") {
        window.OnOpenDatabase();
    } else if (command == "new") {
        window.OnNewDatabase();
    } else if (command == "language") {
        world.env.prompter.queueDialog(MainWindowHarness::chooseLanguage("Deutsch"));
        window.OnLanguageSelection();
    } else {
        QVERIFY(world.close());
        QCOMPARE(world.env.prompter.messageTexts(), QStringList{question});
        QCOMPARE(world.env.config("LastDataBase"), path);
        return;
    }
    QCOMPARE(world.env.prompter.messageTexts(), QStringList{question});
    QVERIFY(!settings.m_newDatabase);
    QCOMPARE(window.currentPath(), path);
    QCOMPARE(window.tabs()->currentIndex(), int(CMyOrvaneDatabaseDlg::ViewAllTab));
    QVERIFY(window.viewAllPage().isVisible());
    QCOMPARE(settings.database().columnNames(), "Name;Town");
    // The old entries were never cleared: the new database's columns were not confirmed.
    QCOMPARE(world.env.storeRows(2).size(), command == "language" ? 2 : 3);
}

void TestFileCommands::newDatabaseAbandonedByALoadedFile() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString second = world.writeDatabase("second.csv", {"A;B", "1;2"});
    world.env.prompter.queueDialog(MainWindowHarness::chooseNewDatabase(0));
    window.OnNewDatabase();
    QVERIFY(window.LoadDatabase(second));
    // Its entries are not cleared later, when a tab is left.
    world.clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QCOMPARE(world.env.storeRows(2), QStringList{"1|2"});
}

void TestFileCommands::saveWritesFileAndWidths() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString path = window.currentPath();
    window.viewAllPage().list()->setColumnWidth(0, 140);
    QVERIFY(world.addEntry({"O'Brien", "Cork"}));
    world.env.prompter.clearPrompts();
    window.OnSaveDatabase();

    // A named database saves without a dialog: the one prompt is the saving's progress.
    QCOMPARE(world.env.prompter.prompts().size(), 1);
    QCOMPARE(world.env.prompter.prompts().first().kind, "progress");
    QCOMPARE(TestEnvironment::readFile(path),
             MainWindowHarness::crlf(kPeople + QStringList{"O'Brien;Cork"}));
    QCOMPARE(world.env.config("LastColumnWidths"), "140;150");
    QCOMPARE(window.windowTitle(), "people.csv - " + window.text(5));
    QVERIFY(!window.database().isModified());
}

void TestFileCommands::saveAsAddsExtension_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::newRow("no extension") << "data"
                                  << "data.csv";
    QTest::newRow(".csv") << "data.csv"
                          << "data.csv";
    QTest::newRow("upper case .CSV") << "data.CSV"
                                     << "data.CSV.csv";
}

void TestFileCommands::saveAsAddsExtension() {
    QFETCH(QString, typed);
    QFETCH(QString, written);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    world.env.prompter.queueFileName(world.env.root() + "/" + typed);
    window.OnSaveDatabaseAs();

    QCOMPARE(window.currentPath(), world.env.root() + "/" + written);
    QCOMPARE(TestEnvironment::readFile(window.currentPath()), MainWindowHarness::crlf(kPeople));
    QCOMPARE(world.env.config("LastDataBase"), window.currentPath());
}

void TestFileCommands::saveAsOverExistingFileAnsweredNo() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString other = world.env.writeFile("other.csv", "keep me\r\n");
    world.env.prompter.queueFileName(other);
    world.env.prompter.queueAnswer(Prompter::Answer::No);
    window.OnSaveDatabaseAs();

    QCOMPARE(world.env.prompter.messageTexts(), QStringList{window.text(100)});
    QCOMPARE(TestEnvironment::readFile(other), QByteArray("keep me\r\n"));
    QCOMPARE(window.currentPath(), world.env.root() + "/people.csv");
}

void TestFileCommands::saveQuestionBeforeOpen_data() {
    QTest::addColumn<bool>("save");
    QTest::newRow("Yes saves first") << true;
    QTest::newRow("No opens without saving") << false;
}

void TestFileCommands::saveQuestionBeforeOpen() {
    QFETCH(bool, save);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString first = window.currentPath();
    QVERIFY(world.addEntry({"Jones", "Hull"}));
    const QString second = world.writeDatabase("second.csv", {"Title", "Dune"});

    world.env.prompter.queueAnswer(save ? Prompter::Answer::Yes : Prompter::Answer::No);
    world.env.prompter.queueFileName(second);
    window.OnOpenDatabase();

    QCOMPARE(world.env.prompter.messageTexts(),
             QStringList{window.text(105).replace("%s", "people.csv")});
    QCOMPARE(TestEnvironment::readFile(first),
             MainWindowHarness::crlf(save ? kPeople + QStringList{"Jones;Hull"} : kPeople));
    QCOMPARE(window.currentPath(), second);
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()), QStringList{"Dune"});
    QVERIFY(!window.database().isModified());
}

void TestFileCommands::openedFileHasNoUnsavedColumns() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    world.clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
    CSettings& settings = window.settingsPage();
    settings.columnList()->setCurrentItem(settings.columnList()->topLevelItem(1));
    settings.OnColumnListClick();
    settings.nameField()->setText("City");
    settings.OnSaveChanges();
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QCOMPARE(window.windowTitle(), "people.csv* - " + window.text(5));

    world.env.prompter.queueAnswer(Prompter::Answer::No);
    world.env.prompter.queueFileName(world.writeDatabase("second.csv", {"Title", "Dune"}));
    window.OnOpenDatabase();
    world.env.prompter.clearPrompts();
    window.OnNewDatabase();  // nothing unsaved in the file just opened: no question
    QCOMPARE(world.env.prompter.messageTexts(), QStringList());
}

void TestFileCommands::templateDatabaseStaysUntitledAcrossLanguages() {
    MainWindowHarness world;
    world.env.prompter.queueDialog(MainWindowHarness::chooseNewDatabase(2));
    CMyOrvaneDatabaseDlg& window = world.start();
    world.env.prompter.queueDialog(MainWindowHarness::chooseLanguage("Deutsch"));
    window.OnLanguageSelection();

    QCOMPARE(window.windowTitle(), "Unbenannt* - Orvane Database");
    const QString saved = world.env.root() + "/books.csv";
    world.env.prompter.queueFileName(saved);
    window.OnSaveDatabase();  // asks for a name: the program's own file stays its own
    QCOMPARE(window.currentPath(), saved);
}

void TestFileCommands::failedSaveKeepsUnsavedEntries() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    QVERIFY(world.addEntry({"Jones", "Hull"}));
    // The file's place is taken by a folder: the save cannot happen.
    const QString path = window.currentPath();
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir().mkdir(path));

    window.OnSaveDatabase();
    QCOMPARE(world.env.prompter.messageTexts().size(), 1);
    QVERIFY(world.env.prompter.messageTexts().first().contains(path));
    QVERIFY(window.database().isModified());
    QCOMPARE(window.windowTitle(), "people.csv* - " + window.text(5));

    // Yes to the save question of Open, the save fails: nothing is opened or lost.
    const QString second = world.writeDatabase("second.csv", {"Title", "Dune"});
    world.env.prompter.queueAnswer(Prompter::Answer::Yes);
    world.env.prompter.queueFileName(second);
    window.OnOpenDatabase();
    QCOMPARE(window.currentPath(), path);
    QCOMPARE(world.env.storeRows(2).last(), "Jones|Hull");

    // Closing asks again whether to close without saving.
    world.env.prompter.clearPrompts();
    world.env.prompter.queueAnswer(Prompter::Answer::Yes);  // save: fails again
    world.env.prompter.queueAnswer(Prompter::Answer::No);   // do not close
    QVERIFY(!world.close());
    QCOMPARE(world.env.prompter.messageTexts().last(), window.text(609));
}

void TestFileCommands::closingUntitledWhenSaveAsIsCancelled() {
    MainWindowHarness world;
    world.env.prompter.queueDialog(MainWindowHarness::chooseNewDatabase(1));
    const QString untitled = "/" + world.start().text(130);
    QVERIFY(world.addEntry({"Smith"}));

    world.env.prompter.queueAnswer(Prompter::Answer::Yes);  // save? Save As is cancelled
    world.env.prompter.queueAnswer(Prompter::Answer::Yes);  // close without saving
    QVERIFY(world.close());
    QCOMPARE(world.env.prompter.prompts().at(world.env.prompter.prompts().size() - 2).kind, "save");
    QCOMPARE(world.env.config("LastDataBase"), untitled);
}

void TestFileCommands::openMissingFileChangesNothing() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString missing = world.env.root() + "/missing.csv";
    world.env.prompter.queueFileName(missing);
    window.OnOpenDatabase();

    QCOMPARE(world.env.prompter.messageTexts(), QStringList{window.text(600).arg(missing)});
    QCOMPARE(window.windowTitle(), "people.csv - " + window.text(5));
    QCOMPARE(world.env.storeRows(2), QStringList({"Smith|York", "Miller|"}));
}

void TestFileCommands::unreadableFileChangesNothing() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString folder = world.env.root() + "/folder.csv";
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(!window.LoadDatabase(folder));

    QCOMPARE(world.env.prompter.messageTexts().size(), 1);
    QVERIFY(world.env.prompter.messageTexts().first().contains(folder));
    QCOMPARE(window.windowTitle(), "people.csv - " + window.text(5));
    QCOMPARE(window.database().columnNames(), "Name;Town");
    QCOMPARE(world.env.storeRows(2), QStringList({"Smith|York", "Miller|"}));
}

void TestFileCommands::loadTellsWhichLinesWillNotBeKept() {
    MainWindowHarness world;
    const QString wide = QStringList(27, "x").join(';');
    CMyOrvaneDatabaseDlg& window =
        world.startWith({"Name;Town", "Smith;York", wide, "Miller;Leeds;extra", "", "Jones;Hull"});

    const QStringList messages = world.env.prompter.messageTexts();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains("3, 4"), qPrintable(messages.first()));
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()),
             QStringList({"Smith|York", "Miller|Leeds", "Jones|Hull"}));
}

void TestFileCommands::searchIgnoresCaseOfEveryLetter_data() {
    QTest::addColumn<QString>("criterion");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("umlaut") << QString::fromUtf8("müller%") << QStringList{"Müller"};
    QTest::newRow("accent") << QString::fromUtf8("%É%") << QStringList{"Chloé"};
    QTest::newRow("quote") << "o'b%" << QStringList{"O'Brien"};
    QTest::newRow("underscore") << "M_ller" << QStringList{"Müller", "Muller"};
    QTest::newRow("no wildcard") << "muller" << QStringList{"Muller"};
    QTest::newRow("SQL text") << "'; DROP TABLE Table1; --" << QStringList{};
}

void TestFileCommands::searchIgnoresCaseOfEveryLetter() {
    QFETCH(QString, criterion);
    QFETCH(QStringList, found);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(
        {"Name", QString::fromUtf8("Müller"), "Muller", "O'Brien", QString::fromUtf8("Chloé")});

    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    window.searchPage().field(1)->setText(criterion);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    QCOMPARE(MainWindowHarness::listedRows(window.viewFilteredPage()), found);
    QCOMPARE(world.env.storeRows(1).size(), 4);
}

void TestFileCommands::editChangesIdenticalTwinsAndKeepsLongValues() {
    MainWindowHarness world;
    const QString longValue(40000, 'z');
    CMyOrvaneDatabaseDlg& window =
        world.startWith({"Name;Notes", "Twin;" + longValue, "Twin;" + longValue, "Other;x"});
    CViewTab& list = window.viewAllPage();

    MainWindowHarness::chooseRow(list, 0);
    list.OnEditEntry();
    QTRY_COMPARE_WITH_TIMEOUT(window.tabs()->currentIndex(), 3, 500);
    MainWindowHarness::typeInto(window.addEditPage().field(1), "Changed");
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QCOMPARE(world.env.storeRows(2),
             QStringList({"Changed|" + longValue, "Changed|" + longValue, "Other|x"}));

    // The same edit again finds nothing to change.
    world.clickTab(CMyOrvaneDatabaseDlg::AddEditTab);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QCOMPARE(world.env.storeRows(2).size(), 3);
}

void TestFileCommands::entryFieldsRefuseWhatFilesCannotHold() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    world.clickTab(CMyOrvaneDatabaseDlg::AddEditTab);
    QLineEdit* field = window.addEditPage().field(1);
    QTest::keyClicks(field, "a;b");
    // A single-byte file has no byte for Cyrillic letters; Windows' euro sign has one.
    for (const char16_t c : {u'\u0416', u'\u20ac', u'\u00e9'})
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(QChar(c)),
                            Qt::NoModifier);
    QCOMPARE(field->text(), QString::fromUtf8("ab€é"));

    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    QLineEdit* criterion = window.searchPage().field(1);
    QTest::keyClicks(criterion, "a;%");
    QTest::sendKeyEvent(QTest::Click, criterion, Qt::Key_unknown, QString(QChar(0x0416)),
                        Qt::NoModifier);
    QCOMPARE(criterion->text(), "a;%");
}

void TestFileCommands::editContinuesAfterComingBack() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window =
        world.startWith({"Name;Town;Phone", "Alpha;Aachen;111", "Beta;Bonn;222"});
    CViewTab& list = window.viewAllPage();
    CSearchAddEdit& edit = window.addEditPage();
    MainWindowHarness::chooseRow(list, 1);
    list.OnEditEntry();
    window.OnPollTimer();
    MainWindowHarness::typeInto(edit.field(2), "Berlin");
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);

    // Back on the tab, the entry is shown as it is stored, and a further change reaches it.
    world.clickTab(CMyOrvaneDatabaseDlg::AddEditTab);
    QCOMPARE(edit.field(2)->text(), "Berlin");
    MainWindowHarness::typeInto(edit.field(3), "999");
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QCOMPARE(world.env.storeRows(3), QStringList({"Alpha|Aachen|111", "Beta|Berlin|999"}));
    QVERIFY(world.env.prompter.messageTexts().isEmpty());
}

void TestFileCommands::editOfAVanishedEntryIsReported() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    CViewTab& list = window.viewAllPage();
    MainWindowHarness::chooseRow(list, 0);
    list.OnEditEntry();
    window.OnPollTimer();
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    // The entry goes; the Add/Edit Data tab still holds it.
    world.env.prompter.queueAnswer(Prompter::Answer::Yes);
    MainWindowHarness::chooseRow(list, 0);
    list.OnRemoveEntry();
    window.OnSaveDatabase();
    world.env.prompter.clearPrompts();

    world.clickTab(CMyOrvaneDatabaseDlg::AddEditTab);
    MainWindowHarness::typeInto(window.addEditPage().field(2), "Leeds");
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QCOMPARE(world.env.prompter.messageTexts(), QStringList{window.text(624)});
    QVERIFY(!window.database().isModified());
    QCOMPARE(window.windowTitle(), "people.csv - " + window.text(5));
    QCOMPARE(world.env.storeRows(2), QStringList{"Miller|"});

    // Entering and leaving the tab without a change says nothing.
    world.env.prompter.clearPrompts();
    world.clickTab(CMyOrvaneDatabaseDlg::AddEditTab);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QVERIFY(world.env.prompter.messageTexts().isEmpty());
}

void TestFileCommands::searchFieldsBeyondTheColumnsAreEmptied() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window =
        world.startWith({"A;B;C;D;E", "1;2;3;4;x", "1;2;3;4;y"}, "wide.csv");
    CSearchAddEdit& search = window.searchPage();
    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    MainWindowHarness::typeInto(search.field(5), "x");
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    QCOMPARE(window.viewFilteredPage().listRowCount(), 1);

    world.env.prompter.queueFileName(
        world.writeDatabase("narrow.csv", {"Name;Town;Phone", "Beta;Bonn;222"}));
    window.OnOpenDatabase();
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    QCOMPARE(window.viewFilteredPage().listRowCount(), 1);  // the old criteria went with the file
    window.viewFilteredPage().OnColumnClick(0);             // also when it is sorted
    QCOMPARE(window.viewFilteredPage().listRowCount(), 1);
    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    for (int k = 4; k <= CSearchAddEdit::kFieldCount; ++k)
        QVERIFY2(search.field(k)->text().isEmpty(), qPrintable(QString::number(k)));
    MainWindowHarness::typeInto(search.field(1), "B%");
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    QCOMPARE(MainWindowHarness::listedRows(window.viewFilteredPage()),
             QStringList{"Beta|Bonn|222"});
}

// A column removed takes the criterion typed for it along, from the field and from the filter.
void TestFileCommands::searchFieldsFollowARemovedColumn() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith({"A;B;C", "1;2;x", "1;2;y"}, "abc.csv");
    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    MainWindowHarness::typeInto(window.searchPage().field(3), "x");
    world.clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
    CSettings& settings = window.settingsPage();
    settings.columnList()->setCurrentItem(settings.columnList()->topLevelItem(2));
    settings.OnColumnListClick();
    settings.OnRemoveColumn();
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    QCOMPARE(window.viewFilteredPage().listRowCount(), 2);
    QVERIFY(window.searchPage().field(3)->text().isEmpty());
}

void TestFileCommands::firstStartCancelledIsUntitled() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.start();  // the New Database dialog is cancelled
    const QString untitled = window.text(130);
    const QString question = window.text(105).replace("%s", untitled);
    const QString columns = window.text(40);
    QCOMPARE(window.currentPath(), "/" + untitled);
    QCOMPARE(window.windowTitle(), untitled + " - " + window.text(5));
    QVERIFY(world.addEntry({"Smith"}));

    // Closing asks about the untitled database, and Yes asks for a name.
    const QString saved = world.env.root() + "/first.csv";
    world.env.prompter.queueAnswer(Prompter::Answer::Yes);
    world.env.prompter.queueFileName(saved);
    QVERIFY(world.close());
    QCOMPARE(world.env.prompter.messageTexts().first(), question);
    QCOMPARE(TestEnvironment::readFile(saved), MainWindowHarness::crlf({columns, "Smith;;;;"}));
    QCOMPARE(world.env.config("LastDataBase"), saved);
}

void TestFileCommands::openStartsInTheDatabasesFolder() {
    MainWindowHarness world;
    const QString path = world.writeDatabase("files/people.csv", kPeople);
    world.env.setConfig("LastDataBase", path);
    CMyOrvaneDatabaseDlg& window = world.start();
    window.OnOpenDatabase();
    QCOMPARE(world.env.prompter.prompts().last().text, world.env.root() + "/files");

    world.env.prompter.queueDialog(MainWindowHarness::chooseNewDatabase(1));
    window.OnNewDatabase();
    window.OnOpenDatabase();  // untitled: no folder of its own
    QCOMPARE(world.env.prompter.prompts().last().text, QDir::homePath());
}

void TestFileCommands::newDialogOffersOkOnlyWithALineMarked() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    bool okWithLine = false;
    bool okWithoutLine = true;
    world.env.prompter.queueDialog([&](QDialog& dialog) {
        auto& select = static_cast<CNew&>(dialog);
        const auto ok = [&dialog] {
            for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
                if (button->isDefault())
                    return button->isEnabled();
            }
            return false;
        };
        okWithLine = ok();
        select.list()->clearSelection();
        okWithoutLine = ok();
        dialog.reject();
        return dialog.result();
    });
    window.OnNewDatabase();
    QVERIFY(okWithLine);
    QVERIFY(!okWithoutLine);
}

QTEST_MAIN(TestFileCommands)
#include "test_file_commands.moc"
