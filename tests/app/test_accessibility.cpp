// What a person using a screen reader or only the keyboard meets: every control named, the
// fields in column order, and every command of a list within reach of the keys.
#include "MainWindowHarness.h"

#include "CLanguage.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

namespace {

const QStringList kPeople = {"Name;Town;Born", "Smith;York;1970", "Miller;Leeds;1982"};

// Controls a person acts on; each needs a name a screen reader can speak.
bool needsName(QAccessible::Role role) {
    switch (role) {
        case QAccessible::PushButton:
        case QAccessible::EditableText:
        case QAccessible::Table:
        case QAccessible::List:
        case QAccessible::Tree:
        case QAccessible::PageTab:
        case QAccessible::ComboBox:
        case QAccessible::MenuItem:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
            return true;
        default:
            return false;
    }
}

// The visible controls below root that have no accessible name, as "role (class)".
void collectUnnamed(QAccessibleInterface* node, QStringList& unnamed, int depth = 0) {
    if (!node || depth > 12 || node->state().invisible)
        return;
    if (needsName(node->role()) && node->text(QAccessible::Name).trimmed().isEmpty()) {
        const QObject* object = node->object();
        unnamed.append(QStringLiteral("role %1 (%2)")
                           .arg(node->role())
                           .arg(object ? object->metaObject()->className() : "item"));
    }
    // Cells of a big list need no walk: the list and its column headers carry the names.
    if (node->role() == QAccessible::Table)
        return;
    for (int i = 0; i < node->childCount(); ++i)
        collectUnnamed(node->child(i), unnamed, depth + 1);
}

QStringList unnamedControls(QWidget* root) {
    QStringList unnamed;
    collectUnnamed(QAccessible::queryAccessibleInterface(root), unnamed);
    return unnamed;
}

}  // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void everyControlHasAName();
    void dialogsNameTheirControls();
    void fieldsFollowTheColumns();
    void enterKeepsTypedText();
    void listCommandsByKeyboard();
};

void TestAccessibility::everyControlHasAName() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    for (int tab = 0; tab < CMyOrvaneDatabaseDlg::TabCount; ++tab) {
        world.clickTab(tab);
        const QStringList unnamed = unnamedControls(&window);
        QVERIFY2(unnamed.isEmpty(),
                 qPrintable(QStringLiteral("tab %1: %2").arg(tab).arg(unnamed.join(", "))));
    }
    // The lists name their columns.
    const QAbstractItemModel* model = window.viewAllPage().list()->model();
    QCOMPARE(model->headerData(2, Qt::Horizontal, Qt::AccessibleTextRole).toString(), "Born");
    // A field's label is its buddy, so the label's mnemonic and text reach the field.
    QCOMPARE(window.searchPage().field(2)->accessibleName(), "Town");
}

void TestAccessibility::dialogsNameTheirControls() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    QStringList unnamed = {"not shown"};
    world.env.prompter.queueDialog([&unnamed](QDialog& dialog) {
        unnamed = unnamedControls(&dialog);
        dialog.reject();
        return dialog.result();
    });
    window.OnNewDatabase();
    QVERIFY2(unnamed.isEmpty(), qPrintable("new database: " + unnamed.join(", ")));

    unnamed = QStringList{"not shown"};
    world.env.prompter.queueDialog([&unnamed](QDialog& dialog) {
        unnamed = unnamedControls(&dialog);
        dialog.reject();
        return dialog.result();
    });
    window.OnLanguageSelection();
    QVERIFY2(unnamed.isEmpty(), qPrintable("language: " + unnamed.join(", ")));
}

void TestAccessibility::fieldsFollowTheColumns() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    world.clickTab(CMyOrvaneDatabaseDlg::AddEditTab);
    CSearchAddEdit& page = window.addEditPage();
    page.field(1)->setFocus();
    for (int k = 2; k <= 3; ++k) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), page.field(k));
    }
}

void TestAccessibility::enterKeepsTypedText() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    world.clickTab(CMyOrvaneDatabaseDlg::AddEditTab);
    QLineEdit* name = window.addEditPage().field(1);
    QTest::keyClicks(name, "Jones");
    QTest::keyClick(name, Qt::Key_Return);
    QCOMPARE(name->text(), "Jones");
    QCOMPARE(window.tabs()->currentIndex(), int(CMyOrvaneDatabaseDlg::AddEditTab));
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()).last(), "Jones||");
}

void TestAccessibility::listCommandsByKeyboard() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    CViewTab& page = window.viewAllPage();
    QTableView* list = page.list();
    list->setFocus();
    MainWindowHarness::chooseRow(page, 1);

    QTest::keySequence(list, QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), "Miller\r\nLeeds\r\n1982\r\n");

    world.env.prompter.queueAnswer(Prompter::Answer::Yes);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(MainWindowHarness::listedRows(page), QStringList{"Smith|York|1970"});

    MainWindowHarness::chooseRow(page, 0);
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(window.tabs()->currentIndex(), int(CMyOrvaneDatabaseDlg::AddEditTab),
                              500);
    QCOMPARE(window.addEditPage().field(1)->text(), "Smith");

    // Ctrl+1 to Ctrl+5 reach the tabs.
    QTest::keyClick(&window, Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(window.tabs()->currentIndex(), int(CMyOrvaneDatabaseDlg::ViewFilteredTab));
}

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
