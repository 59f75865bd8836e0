// Values that look like pieces of SQL, LIKE wildcards, escapes or bytes above 0x7F travel
// through the whole program: loaded, found, edited, typed, removed and saved exactly, and the
// store's table is never altered by them.
#include "MainWindowHarness.h"
#include "SQLite3PowerClass.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>

namespace {

QString highBytes() {
    QString text;
    for (int c = 0x80; c <= 0xFF; ++c)
        text.append(QChar(c));
    return text;
}

// The store's schema: every object with the statement that made it.
QStringList schemaOf(const QString& store) {
    SQLite3PowerClass sql;
    if (!sql.Query(store, QStringLiteral("sqlite_master"), QString(), QStringLiteral("name")))
        return {QStringLiteral("<failed: %1>").arg(sql.m_error)};
    QStringList objects;
    for (int r = 0; r < sql.rowCount(); ++r)
        objects.append(sql.m_resultValues.value(r, 1) + QLatin1Char(':') +
                       sql.m_resultValues.value(r, 4));
    return objects;
}

// Types text as keys where a keyboard can, and sets it where no key makes the character.
void typeExactly(QLineEdit* field, const QString& text) {
    field->clear();
    for (QChar c : text) {
        if (!c.isPrint()) {
            field->setText(text);
            return;
        }
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

int rowOf(const CViewTab& list, const QString& name, const QString& notes) {
    for (int row = 0; row < list.listRowCount(); ++row) {
        if (list.cellText(row, 0) == name && list.cellText(row, 1) == notes)
            return row;
    }
    return -1;
}

}  // namespace

class TestHostileValues : public QObject {
    Q_OBJECT
private slots:
    void valueTravelsExactly_data();
    void valueTravelsExactly();
    void headerWiderThanTheStoreKeepsEntries();
};

void TestHostileValues::valueTravelsExactly_data() {
    QTest::addColumn<QString>("value");

    QTest::newRow("one quote") << "'";
    QTest::newRow("two quotes") << "''";
    QTest::newRow("name with a quote") << "O'Brien";
    QTest::newRow("more values") << "x'), ('injected') --";
    QTest::newRow("subquery") << "' || (SELECT sql FROM sqlite_master) || '";
    QTest::newRow("always true") << "x' OR '1'='1";
    QTest::newRow("comment") << "/* x */ -- y";
    QTest::newRow("percent") << "%";
    QTest::newRow("underscore") << "_";
    QTest::newRow("both wildcards") << "10%_off";
    QTest::newRow("backslashes") << "C:\\dir\\ \\' \\\\";
    QTest::newRow("double quotes") << "\"quoted\"";
    QTest::newRow("bytes 0x80 to 0xFF") << highBytes();
}

void TestHostileValues::valueTravelsExactly() {
    QFETCH(QString, value);
    MainWindowHarness world;
    const QString header = QStringLiteral("Name;Notes");
    const QString plain = QStringLiteral("Plain;x");
    CMyOrvaneDatabaseDlg& window =
        world.startWith({header, plain, value + QStringLiteral(";from file")});
    const QString path = window.m_currentPath;
    const QStringList schema =
        schemaOf(world.env.programFolder() + QStringLiteral("/orvane_database.sqlite"));
    QCOMPARE(schemaOf(world.env.userStore()), schema);
    CViewTab& list = window.viewAllPage();
    QCOMPARE(MainWindowHarness::listedRows(list),
             QStringList({"Plain|x", value + QStringLiteral("|from file")}));

    // Found.
    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    typeExactly(window.searchPage().field(1), value);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    QVERIFY(MainWindowHarness::listedRows(window.viewFilteredPage())
                .contains(value + QStringLiteral("|from file")));

    // Edited: exactly that entry changes.
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    MainWindowHarness::chooseRow(list, rowOf(list, value, QStringLiteral("from file")));
    list.OnEditEntry();
    window.OnPollTimer();
    QCOMPARE(window.addEditPage().field(1)->text(), value);
    typeExactly(window.addEditPage().field(2), QStringLiteral("edited"));
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QCOMPARE(world.env.storeRows(2), QStringList({"Plain|x", value + QStringLiteral("|edited")}));

    // Typed as a new entry.
    list.OnAddEntry();
    window.OnPollTimer();
    typeExactly(window.addEditPage().field(1), value);
    typeExactly(window.addEditPage().field(2), QStringLiteral("typed"));
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    window.action(203)->trigger();  // Save
    const QByteArray saved = MainWindowHarness::crlf(
        {header, plain, value + QStringLiteral(";edited"), value + QStringLiteral(";typed")});
    QCOMPARE(TestEnvironment::readFile(path), saved);

    // Removed: exactly that entry goes.
    world.env.prompter.queueAnswer(Prompter::Answer::Yes);
    MainWindowHarness::chooseRow(list, rowOf(list, value, QStringLiteral("edited")));
    list.OnRemoveEntry();
    QCOMPARE(world.env.storeRows(2), QStringList({"Plain|x", value + QStringLiteral("|typed")}));
    window.action(203)->trigger();  // Save
    QCOMPARE(TestEnvironment::readFile(path),
             MainWindowHarness::crlf({header, plain, value + QStringLiteral(";typed")}));
    QCOMPARE(schemaOf(world.env.userStore()), schema);

    // And read back after a new start.
    QVERIFY(world.close());
    CMyOrvaneDatabaseDlg& again = world.start();
    QCOMPARE(MainWindowHarness::listedRows(again.viewAllPage()),
             QStringList({"Plain|x", value + QStringLiteral("|typed")}));
    QCOMPARE(schemaOf(world.env.userStore()), schema);
}

void TestHostileValues::headerWiderThanTheStoreKeepsEntries() {
    // The store has 26 columns: a save must not pad the entries to lines of 27 values, which
    // the next load would refuse, and the save after it would drop.
    MainWindowHarness world;
    QStringList names;
    for (int k = 1; k <= 27; ++k)
        names.append(QStringLiteral("C%1").arg(k));
    const QString header = names.join(QLatin1Char(';'));
    CMyOrvaneDatabaseDlg& window = world.startWith({header, "a;b", "c"});
    const QString path = window.m_currentPath;
    window.action(203)->trigger();  // Save
    const QByteArray saved = MainWindowHarness::crlf(
        {header, "a;b" + QString(24, QLatin1Char(';')), "c" + QString(25, QLatin1Char(';'))});
    QCOMPARE(TestEnvironment::readFile(path), saved);

    QVERIFY(world.close());
    world.env.prompter.clearPrompts();
    CMyOrvaneDatabaseDlg& again = world.start();
    QCOMPARE(world.env.storeRows(2), QStringList({"a|b", "c|"}));
    QVERIFY(world.env.prompter.messageTexts().isEmpty());
    again.action(203)->trigger();  // Save
    QCOMPARE(TestEnvironment::readFile(path), saved);
}

QTEST_MAIN(TestHostileValues)
#include "test_hostile_values.moc"
