// Files the program relies on go wrong while it runs: the working store vanishes or is
// damaged, config.ini is deleted or cannot be written, the translation file lacks texts. The
// program must go on without a crash, never write a wrong database file, and say what
// happened.
#include "ImmutableFile.h"
#include "MainWindowHarness.h"

#include "CSettings.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <optional>

namespace {

const QStringList kPeople = {"Name;Town", "Smith;York", "Miller;"};
const QStringList kPeopleListed = {"Smith|York", "Miller|"};

void editFirstEntry(MainWindowHarness& world, CViewTab& list, const QString& value) {
    CMyOrvaneDatabaseDlg& window = world.window();
    MainWindowHarness::chooseRow(list, 0);
    list.OnEditEntry();
    window.OnPollTimer();
    MainWindowHarness::typeInto(window.addEditPage().field(1), value);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
}

// Overwrites one page in the middle of an SQLite file with garbage.
bool damageMiddlePage(const QString& path) {
    constexpr qint64 kPageSize = 4096;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || file.size() / kPageSize < 20)
        return false;
    return file.seek(file.size() / kPageSize / 2 * kPageSize) &&
           file.write(QByteArray(kPageSize, '\xff')) == kPageSize;
}

// Closes the window answering Yes to "save?" (the save fails) and Yes to "close anyway?".
bool closeLosingChanges(MainWindowHarness& world) {
    world.env.prompter.queueAnswer(Prompter::Answer::Yes);
    world.env.prompter.queueAnswer(Prompter::Answer::Yes);
    return world.close();
}

}  // namespace

class TestRunningFaults : public QObject {
    Q_OBJECT
private slots:
    void storeLostWhileRunning_data();
    void storeLostWhileRunning();
    void damagedStoreGivesNoPartialList();
    void readOnlyStoreTellsOfLostEntry_data();
    void readOnlyStoreTellsOfLostEntry();
    void configLostWhileRunning_data();
    void configLostWhileRunning();
    void translationLacksTexts_data();
    void translationLacksTexts();
};

void TestRunningFaults::storeLostWhileRunning_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("deleted") << "deleted";
    QTest::newRow("replaced by garbage") << "garbage";
    QTest::newRow("cannot be read: a folder in its place") << "folder";
}

void TestRunningFaults::storeLostWhileRunning() {
    QFETCH(QString, how);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString path = window.currentPath();
    const QString store = world.env.userStore();
    QVERIFY(world.addEntry({QStringLiteral("Jones")}));
    CViewTab& list = window.viewAllPage();
    MainWindowHarness::chooseRow(list, 0);

    QVERIFY(QFile::remove(store));
    QByteArray garbage(64 * 1024, '\0');
    if (how == QLatin1String("garbage")) {
        QRandomGenerator random(7);
        random.fillRange(reinterpret_cast<quint32*>(garbage.data()), garbage.size() / 4);
        world.env.writeFile(QStringLiteral("data/Orvane/orvane_database.sqlite"), garbage);
    } else if (how == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(store));
    }
    world.env.prompter.clearPrompts();

    // Every action runs on and changes nothing.
    list.OnRemoveEntry();
    editFirstEntry(world, list, QStringLiteral("Changed"));
    QVERIFY(world.addEntry({QStringLiteral("Brown")}));
    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    MainWindowHarness::typeInto(window.searchPage().field(1), QStringLiteral("S%"));
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    QCOMPARE(window.viewFilteredPage().listRowCount(), 0);
    world.clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QCOMPARE(list.listRowCount(), 0);
    QVERIFY(!list.listIsComplete());

    // Save writes nothing and says why; Save As does not make a file of the wrong entries.
    world.env.prompter.clearPrompts();
    window.action(203)->trigger();  // Save
    const QString other = world.env.root() + QStringLiteral("/other.csv");
    world.env.prompter.queueFileName(other);
    window.action(204)->trigger();  // Save As
    const QStringList messages = world.env.prompter.messageTexts();
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages.first(), window.text(603).arg(path, list.listError()));
    QVERIFY(messages.last().contains(other));
    QVERIFY(!QFileInfo::exists(other));
    QCOMPARE(TestEnvironment::readFile(path), MainWindowHarness::crlf(kPeople));
    QVERIFY(window.database().isModified());
    QCOMPARE(window.currentPath(), path);
    // The store is not made again behind the user's back, nor written over.
    if (how == QLatin1String("deleted"))
        QVERIFY(!QFileInfo::exists(store));
    if (how == QLatin1String("garbage"))
        QCOMPARE(TestEnvironment::readFile(store), garbage);

    QVERIFY(closeLosingChanges(world));
    QCOMPARE(TestEnvironment::readFile(path), MainWindowHarness::crlf(kPeople));

    // The next start repairs what it can and works on the user's file again.
    CMyOrvaneDatabaseDlg& again = world.start();
    QCOMPARE(MainWindowHarness::listedRows(again.viewAllPage()), kPeopleListed);
    if (how != QLatin1String("folder"))
        QCOMPARE(world.env.storeRows(2), kPeopleListed);
}

void TestRunningFaults::damagedStoreGivesNoPartialList() {
    MainWindowHarness world;
    QStringList lines = {"Name;Notes"};
    for (int i = 0; i < 2000; ++i)
        lines.append(QStringLiteral("row %1;").arg(i) + QString(300, QLatin1Char('n')));
    CMyOrvaneDatabaseDlg& window = world.startWith(lines);
    const QString path = window.currentPath();
    const QByteArray file = TestEnvironment::readFile(path);
    CViewTab& list = window.viewAllPage();
    QCOMPARE(list.listRowCount(), 2000);
    QVERIFY(world.addEntry({QStringLiteral("Jones")}));

    QVERIFY(damageMiddlePage(world.env.userStore()));
    world.env.prompter.clearPrompts();
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    QCOMPARE(window.viewFilteredPage().listRowCount(), 0);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    list.releaseRows();  // read afresh, as after opening a file
    list.FillList(QString(), QString());
    QCOMPARE(list.listRowCount(), 0);
    QVERIFY(!list.listIsComplete());

    window.action(203)->trigger();  // Save
    QCOMPARE(world.env.prompter.messageTexts(),
             QStringList{window.text(603).arg(path, list.listError())});
    QCOMPARE(TestEnvironment::readFile(path), file);
    QVERIFY(window.database().isModified());

    QVERIFY(closeLosingChanges(world));
    world.env.prompter.clearPrompts();
    CMyOrvaneDatabaseDlg& again = world.start();
    QCOMPARE(again.viewAllPage().listRowCount(), 2000);
    QVERIFY(again.viewAllPage().listIsComplete());
    QCOMPARE(world.env.storeRows(1).size(), 2000);
}

void TestRunningFaults::readOnlyStoreTellsOfLostEntry_data() {
    QTest::addColumn<QString>("change");
    QTest::newRow("add entry") << "add";
    QTest::newRow("edit entry") << "edit";
    QTest::newRow("remove entry") << "remove";
    QTest::newRow("add column") << "add column";
    QTest::newRow("rename column") << "rename column";
    QTest::newRow("remove column") << "remove column";
    QTest::newRow("confirm a new database") << "new database";
}

// Every page that writes to the store says when the store refuses, and then nothing counts
// as changed and every list still shows what the store holds.
void TestRunningFaults::readOnlyStoreTellsOfLostEntry() {
    QFETCH(QString, change);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    CViewTab& list = window.viewAllPage();
    CSettings& settings = window.settingsPage();
    if (change == QLatin1String("new database")) {
        world.env.prompter.queueDialog(MainWindowHarness::chooseNewDatabase(0));
        window.OnNewDatabase();
        for (const QString& name : {QStringLiteral("Title"), QStringLiteral("Author")}) {
            settings.OnAddColumn();
            settings.nameField()->setText(name);
            settings.OnSaveChanges();
        }
    }
    const QStringList stored = world.env.storeRows(2);
    ImmutableFile readOnly(world.env.userStore());
    if (!readOnly.isSet())
        QSKIP(qPrintable(QStringLiteral("the file system cannot make a file immutable: ") +
                         readOnly.reason()));
    world.env.prompter.clearPrompts();
    const auto chooseColumn = [&settings](int item) {
        settings.columnList()->setCurrentItem(settings.columnList()->topLevelItem(item));
        settings.OnColumnListClick();
    };

    if (change == QLatin1String("add")) {
        QVERIFY(world.addEntry({QStringLiteral("Jones")}));
    } else if (change == QLatin1String("edit")) {
        editFirstEntry(world, list, QStringLiteral("Changed"));
    } else if (change == QLatin1String("remove")) {
        world.env.prompter.queueAnswer(Prompter::Answer::Yes);
        MainWindowHarness::chooseRow(list, 0);
        list.OnRemoveEntry();
    } else if (change == QLatin1String("new database")) {
        world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
        QCOMPARE(window.tabs()->currentIndex(), int(CMyOrvaneDatabaseDlg::SettingsTab));
        QVERIFY(settings.m_newDatabase);
    } else {
        world.clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
        chooseColumn(0);
        if (change == QLatin1String("add column")) {
            settings.OnAddColumn();
            settings.nameField()->setText(QStringLiteral("Title"));
            settings.OnSaveChanges();
        } else if (change == QLatin1String("rename column")) {
            settings.nameField()->setText(QStringLiteral("Surname"));
            settings.OnSaveChanges();
        } else {
            settings.OnRemoveColumn();
        }
        QCOMPARE(settings.database().columnNames(), QStringLiteral("Name;Town"));
        world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    }
    QCOMPARE(world.env.storeRows(2), stored);  // the store could not take it
    const QStringList messages = world.env.prompter.messageTexts();
    QCOMPARE(messages.filter(window.text(623).section(QLatin1Char('('), 0, 0)).size(), 1);
    QVERIFY(!window.database().isModified());
    if (change != QLatin1String("new database")) {
        QCOMPARE(MainWindowHarness::listedRows(list), kPeopleListed);
        QCOMPARE(list.database().columnNames(), QStringLiteral("Name;Town"));
        QCOMPARE(window.windowTitle(), QStringLiteral("people.csv - ") + window.text(5));
    }
}

void TestRunningFaults::configLostWhileRunning_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("deleted") << "deleted";
    QTest::newRow("a folder in its place") << "folder";
    QTest::newRow("cannot be written: immutable") << "immutable";
}

void TestRunningFaults::configLostWhileRunning() {
    QFETCH(QString, how);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString first = window.currentPath();
    const QString second = world.writeDatabase(QStringLiteral("second.csv"), {"Title", "Dune"});
    const QString config = world.env.userConfig();
    std::optional<ImmutableFile> immutable;
    if (how == QLatin1String("immutable")) {
        immutable.emplace(config);
        if (!immutable->isSet())
            QSKIP(qPrintable(QStringLiteral("the file system cannot make a file immutable: ") +
                             immutable->reason()));
    } else {
        QVERIFY(QFile::remove(config));
        if (how == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(config));
    }
    const auto namesConfig = [&config](const QStringList& messages) {
        return !messages.isEmpty() && messages.last().contains(config);
    };

    // The database is saved; only the setting is not, and the message names its file.
    QVERIFY(world.addEntry({QStringLiteral("Jones")}));
    world.env.prompter.clearPrompts();
    window.action(203)->trigger();  // Save
    QVERIFY2(namesConfig(world.env.prompter.messageTexts()),
             qPrintable(world.env.prompter.messageTexts().join('\n')));
    QCOMPARE(TestEnvironment::readFile(first),
             MainWindowHarness::crlf(kPeople + QStringList{"Jones;"}));
    QVERIFY(!window.database().isModified());
    QCOMPARE(window.windowTitle(), QStringLiteral("people.csv - ") + window.text(5));

    // Another database opens as the current one, so that saving it never writes over the
    // first file.
    world.env.prompter.clearPrompts();
    world.env.prompter.queueFileName(second);
    window.action(202)->trigger();  // Open
    QVERIFY(namesConfig(world.env.prompter.messageTexts()));
    QCOMPARE(window.currentPath(), second);
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()), QStringList{"Dune"});
    QVERIFY(world.addEntry({QStringLiteral("Emma")}));
    window.action(203)->trigger();  // Save
    QCOMPARE(TestEnvironment::readFile(second), MainWindowHarness::crlf({"Title", "Dune", "Emma"}));
    QCOMPARE(TestEnvironment::readFile(first),
             MainWindowHarness::crlf(kPeople + QStringList{"Jones;"}));

    // Closing still works, and says why the settings are not kept.
    world.env.prompter.clearPrompts();
    QVERIFY(world.close());
    QVERIFY(namesConfig(world.env.prompter.messageTexts()));
}

void TestRunningFaults::translationLacksTexts_data() {
    QTest::addColumn<QString>("trim");
    QTest::newRow("the language's section is missing") << "section";
    QTest::newRow("every second number is missing") << "numbers";
    QTest::newRow("the file is empty") << "empty";
}

void TestRunningFaults::translationLacksTexts() {
    QFETCH(QString, trim);
    MainWindowHarness world;
    const QString file = world.env.programFolder() + QStringLiteral("/orvanedbtrl.ini");
    CTranslation full;
    full.LoadTexts();
    const QString section = full.loadedSection();

    // The trimmed copy, and the numbers it still holds.
    QSet<int> kept;
    QByteArray trimmed;
    if (trim != QLatin1String("empty")) {
        bool inSection = false;
        int entry = 0;
        for (const QByteArray& line : TestEnvironment::readFile(file).split('\n')) {
            const QByteArray text = line.endsWith('\r') ? line.chopped(1) : line;
            if (text == section.toLatin1()) {
                inSection = true;
                trimmed += (trim == QLatin1String("section") ? QByteArray("[0000]") : line) + '\n';
                continue;
            }
            if (text == "[EOL]") {
                inSection = false;
            } else if (inSection && text.size() > 4 && trim == QLatin1String("numbers")) {
                if (entry++ % 2 == 1)
                    continue;
                kept.insert(DigitsToInt(QString::fromLatin1(text.left(5))));
            }
            trimmed += line + '\n';
        }
    }
    world.env.writeFile(QStringLiteral("program/orvanedbtrl.ini"), trimmed);
    const auto expected = [&](int number) {
        return kept.contains(number) ? full.GetText(number) : QStringLiteral("---");
    };

    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    for (int number : {1, 5, 10, 15, 20, 25, 30, 40, 60, 130, 201, 212, 603, 607})
        QCOMPARE(window.text(number), expected(number));
    const int captions[] = {10, 15, 20, 25, 30};
    for (int tab = 0; tab < CMyOrvaneDatabaseDlg::TabCount; ++tab)
        QCOMPARE(window.tabs()->tabText(tab), expected(captions[tab]));
    QCOMPARE(window.action(201)->text(), QStringLiteral("  ") + expected(201));
    QCOMPARE(window.windowTitle(), QStringLiteral("people.csv - ") + expected(5));

    // The whole program still works: every page, the dialogs, saving and a failed save.
    for (int tab = CMyOrvaneDatabaseDlg::TabCount - 1; tab >= 0; --tab)
        world.clickTab(tab);
    QVERIFY(world.addEntry({QStringLiteral("Jones")}));
    window.action(203)->trigger();  // Save
    QCOMPARE(TestEnvironment::readFile(window.currentPath()),
             MainWindowHarness::crlf(kPeople + QStringList{"Jones;"}));
    window.action(201)->trigger();  // New
    window.action(210)->trigger();  // Language
    window.action(260)->trigger();  // About
    MainWindowHarness::chooseRow(window.viewAllPage(), 0);
    window.viewAllPage().OnCopyEntry();
    world.env.prompter.clearPrompts();
    world.env.prompter.queueFileName(world.env.root() + QStringLiteral("/missing/x.csv"));
    window.action(204)->trigger();  // Save As
    // A missing message text falls back to English rather than to "---" alone.
    const QStringList messages = world.env.prompter.messageTexts();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(QStringLiteral("/missing/x.csv")),
             qPrintable(messages.first()));
    QVERIFY(world.close());
}

QTEST_MAIN(TestRunningFaults)
#include "test_running_faults.moc"
