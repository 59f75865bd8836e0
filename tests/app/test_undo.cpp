// Undo and redo of every change the user makes to entries and columns, through the Edit menu
// and its keys, compared with the working store itself after every step.
#include "MainWindowHarness.h"
#include "Schema.h"
#include "StoreContents.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

namespace {

// Twins, a value beyond the database's columns (kept in the store, not shown), an empty value.
const QStringList kPeople = {"Name;Town;Born", "Smith;York;1970;kept beyond the columns",
                             "Miller;Leeds;1982", "Miller;Leeds;1982", "Jones;;1990"};

// The store exactly: every row's id and all its values, NULL apart from the empty text.
QStringList storeAsItIs(const MainWindowHarness& world) {
    QStringList columns;
    for (int k = 1; k <= schema::kColumnCount; ++k)
        columns.append(QStringLiteral("quote(%1)").arg(schema::column(k)));
    return storecontents::query(world.env.userStore(),
                                QStringLiteral("SELECT rowid, %1 FROM %2 ORDER BY rowid;")
                                    .arg(columns.join(QStringLiteral(", ")), schema::table()));
}

int stepName(const QString& change) {
    static const QHash<QString, int> names = {
        {"add entry", texts::AddEntryStep},         {"edit entry", texts::EditEntryStep},
        {"remove entry", texts::RemoveEntryStep},   {"add column", texts::AddColumnStep},
        {"rename column", texts::RenameColumnStep}, {"remove column", texts::RemoveColumnStep}};
    return names.value(change);
}

}  // namespace

class TestUndo : public QObject {
    Q_OBJECT
private slots:
    void undoneAndRedoneExactly_data();
    void undoneAndRedoneExactly();
    void keysWalkTheHistory();
    void newChangeDropsRedo();
    void saveKeepsHistoryAndUndoMarksModified();
    void backAtTheSavedStateNothingIsUnsaved_data();
    void backAtTheSavedStateNothingIsUnsaved();
    void editPageFollowsUndo();
    void historyEndsWithTheDatabase_data();
    void historyEndsWithTheDatabase();
};

void TestUndo::undoneAndRedoneExactly_data() {
    QTest::addColumn<QString>("change");
    for (const QString& change : MainWindowHarness::changes()) {
        if (change != QLatin1String("new from template"))
            QTest::newRow(qPrintable(change)) << change;
    }
}

void TestUndo::undoneAndRedoneExactly() {
    QFETCH(QString, change);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    QAction* undo = window.action(texts::UndoCommand);
    QAction* redo = window.action(texts::RedoCommand);
    QVERIFY(!undo->isEnabled() && !redo->isEnabled());
    QCOMPARE(undo->text(), QStringLiteral("  ") + window.text(texts::UndoCommand));

    const QStringList before = storeAsItIs(world);
    const QString columnsBefore = window.database().columnNames();
    QVERIFY(world.makeChange(change));
    const QStringList after = storeAsItIs(world);
    const QString columnsAfter = window.database().columnNames();
    const QStringList listedAfter = MainWindowHarness::listedRows(window.viewAllPage());
    QVERIFY(after != before || columnsAfter != columnsBefore);
    const QString name = window.text(stepName(change));
    QVERIFY(undo->isEnabled());
    QCOMPARE(undo->text(), QStringLiteral("  ") + window.text(texts::UndoStepCommand).arg(name));

    // Saved first: undo marks the database modified again, redo back to the saved state
    // unmarks it.
    window.action(texts::SaveDatabaseCommand)->trigger();
    QVERIFY(!window.database().isModified());

    for (int round = 0; round < 2; ++round) {
        undo->trigger();
        QCOMPARE(storeAsItIs(world), before);
        for (CPage* page : {static_cast<CPage*>(&window.viewAllPage()),
                            static_cast<CPage*>(&window.settingsPage()),
                            static_cast<CPage*>(&window.addEditPage())})
            QCOMPARE(page->database().columnNames(), columnsBefore);
        QVERIFY(window.windowTitle().startsWith(QStringLiteral("people.csv* - ")));
        QVERIFY(!undo->isEnabled());
        QCOMPARE(redo->text(),
                 QStringLiteral("  ") + window.text(texts::RedoStepCommand).arg(name));

        QVERIFY(storesession::read(world.env.userStore()).unsaved);

        redo->trigger();
        QCOMPARE(storeAsItIs(world), after);
        QCOMPARE(window.database().columnNames(), columnsAfter);
        QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()), listedAfter);
        QVERIFY(!redo->isEnabled());
        QVERIFY(window.windowTitle().startsWith(QStringLiteral("people.csv - ")));
        QVERIFY(!window.database().isModified());
        QVERIFY(!storesession::read(world.env.userStore()).unsaved);
    }
}

void TestUndo::keysWalkTheHistory() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    QCOMPARE(window.action(texts::UndoCommand)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(window.action(texts::RedoCommand)->shortcuts(),
             QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                  QKeySequence(Qt::CTRL | Qt::Key_Y)}));
    const QStringList start = storeAsItIs(world);
    QVERIFY(world.makeChange(QStringLiteral("add entry")));
    QVERIFY(world.makeChange(QStringLiteral("remove entry")));
    const QStringList end = storeAsItIs(world);

    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.viewAllPage().list()->setFocus();
    QTest::keyClick(window.viewAllPage().list(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(window.viewAllPage().list(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(storeAsItIs(world), start);
    QTest::keyClick(window.viewAllPage().list(), Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(window.viewAllPage().list(), Qt::Key_Z,
                    Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(storeAsItIs(world), end);
}

void TestUndo::newChangeDropsRedo() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    QVERIFY(world.makeChange(QStringLiteral("add entry")));
    window.OnUndo();
    QVERIFY(window.history().canRedo());
    QVERIFY(world.makeChange(QStringLiteral("rename column")));
    QVERIFY(!window.history().canRedo());
    QCOMPARE(window.history().count(), 1);

    // An entry typed and not yet stored is stored first, as a step of its own, and undone.
    window.viewAllPage().OnAddEntry();
    window.OnPollTimer();
    MainWindowHarness::typeInto(window.addEditPage().field(1), QStringLiteral("Brown"));
    const QStringList withoutBrown = storeAsItIs(world);
    window.OnUndo();
    QCOMPARE(storeAsItIs(world), withoutBrown);
    QCOMPARE(window.history().count(), 2);
    QVERIFY(window.history().canRedo());
}

void TestUndo::saveKeepsHistoryAndUndoMarksModified() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString path = window.currentPath();
    QVERIFY(world.makeChange(QStringLiteral("remove entry")));
    window.OnSaveDatabase();
    QCOMPARE(window.windowTitle(),
             QStringLiteral("people.csv - ") + window.text(texts::ProgramName));
    window.OnUndo();
    QCOMPARE(window.windowTitle(),
             QStringLiteral("people.csv* - ") + window.text(texts::ProgramName));
    QVERIFY(window.database().isModified());
    window.OnSaveDatabase();
    QCOMPARE(TestEnvironment::readFile(path),
             MainWindowHarness::crlf({"Name;Town;Born", "Smith;York;1970", "Miller;Leeds;1982",
                                      "Miller;Leeds;1982", "Jones;;1990"}));
}

void TestUndo::backAtTheSavedStateNothingIsUnsaved_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("an entry added, undone") << QStringList{"add entry", "undo"};
    QTest::newRow("a column removed, undone") << QStringList{"remove column", "undo"};
    QTest::newRow("saved, undone, redone") << QStringList{"remove entry", "save", "undo", "redo"};
    QTest::newRow("two changes, both undone")
        << QStringList{"edit entry", "rename column", "undo", "undo"};
}

// As in every editor: when the history is back where the file was opened or last saved, the
// title has no marker, closing asks nothing, and the store's record (what the next start
// offers to recover) says that nothing is unsaved.
void TestUndo::backAtTheSavedStateNothingIsUnsaved() {
    QFETCH(QStringList, steps);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    for (const QString& step : steps) {
        if (step == "redo")
            window.OnRedo();
        else
            QVERIFY(world.makeChange(step));
    }

    QCOMPARE(window.windowTitle(),
             QStringLiteral("people.csv - ") + window.text(texts::ProgramName));
    QVERIFY(!storesession::read(world.env.userStore()).unsaved);
    world.env.prompter.clearPrompts();
    QVERIFY(world.close());
    QVERIFY(world.env.prompter.messageTexts().isEmpty());
}

// The Add/Edit Data tab goes on editing the entry as undo left it in the store.
void TestUndo::editPageFollowsUndo() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    CSearchAddEdit& edit = window.addEditPage();
    world.env.prompter.clearPrompts();                        // of the value beyond the columns
    QVERIFY(world.makeChange(QStringLiteral("edit entry")));  // Smith of York now of Leeds
    window.OnUndo();
    world.clickTab(CMyOrvaneDatabaseDlg::AddEditTab);
    QCOMPARE(edit.field(2)->text(), QStringLiteral("York"));
    MainWindowHarness::typeInto(edit.field(3), QStringLiteral("1971"));
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QVERIFY2(world.env.prompter.messageTexts().isEmpty(),
             qPrintable(world.env.prompter.messageTexts().join('\n')));
    QCOMPARE(world.env.storeRows(3).first(), QStringLiteral("Smith|York|1971"));
}

void TestUndo::historyEndsWithTheDatabase_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Open") << "open";
    QTest::newRow("New from a template") << "template";
    QTest::newRow("New empty database, confirmed") << "empty";
    QTest::newRow("language change") << "language";
}

void TestUndo::historyEndsWithTheDatabase() {
    QFETCH(QString, how);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    QVERIFY(world.makeChange(QStringLiteral("add entry")));
    window.OnSaveDatabase();
    QVERIFY(window.history().canUndo());
    if (how == QLatin1String("open")) {
        world.env.prompter.queueFileName(world.writeDatabase("other.csv", {"A;B", "1;2"}));
        window.OnOpenDatabase();
    } else if (how == QLatin1String("template")) {
        world.env.prompter.queueDialog(MainWindowHarness::chooseNewDatabase(1));
        window.OnNewDatabase();
    } else if (how == QLatin1String("empty")) {
        world.env.prompter.queueDialog(MainWindowHarness::chooseNewDatabase(0));
        window.OnNewDatabase();
        // Abandoning it would go back to the database and its history; confirming ends both.
        QVERIFY(window.history().canUndo());
        for (const QString& name : {QStringLiteral("Title"), QStringLiteral("Author")}) {
            window.settingsPage().OnAddColumn();
            window.settingsPage().nameField()->setText(name);
            window.settingsPage().OnSaveChanges();
        }
        QVERIFY(window.history().canUndo());
        // Meanwhile the history waits: its steps would work under the new columns.
        const QStringList defining = storeAsItIs(world);
        window.OnUndo();
        QCOMPARE(storeAsItIs(world), defining);
        QCOMPARE(window.settingsPage().columnList()->topLevelItemCount(), 2);
        world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
        QCOMPARE(window.database().columnNames(), QStringLiteral("Title;Author"));
    } else {
        world.env.prompter.queueDialog(
            MainWindowHarness::chooseLanguage(QStringLiteral("Deutsch")));
        window.OnLanguageSelection();
    }
    QVERIFY(!window.history().canUndo());
    QVERIFY(!window.action(texts::UndoCommand)->isEnabled());
}

QTEST_MAIN(TestUndo)
#include "test_undo.moc"
