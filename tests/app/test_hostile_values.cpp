// Values that look like pieces of SQL, LIKE wildcards, escapes or bytes above 0x7F travel
// through the whole program: loaded, found, edited, typed, removed and saved exactly, and the
// store's table is never altered by them.
#include "HighBytes.h"
#include "ImmutableFile.h"
#include "MainWindowHarness.h"
#include "SQLite3PowerClass.h"

#include "CSettings.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>

namespace {

// The store's schema: every object with the statement that made it.
QStringList schemaOf(const QString& store) {
    SQLite3PowerClass sql;
    const StoreResult read =
        sql.Query(store, QStringLiteral("sqlite_master"), QString(), QStringLiteral("name"));
    if (read.failed())
        return {QStringLiteral("<failed: %1>").arg(read.error)};
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

// Whether told is the text with its %1, %2, ... replaced by arguments, each as it stands; a
// null argument stands for any text (a reason the system gives).
bool filledIn(const QString& told, const QString& text, const QStringList& arguments) {
    QString pattern;
    int from = 0;
    const QRegularExpression marker(QStringLiteral("%([1-9])"));
    for (auto found = marker.globalMatch(text); found.hasNext();) {
        const QRegularExpressionMatch at = found.next();
        pattern += QRegularExpression::escape(text.mid(from, at.capturedStart() - from));
        const QString argument = arguments.value(at.captured(1).toInt() - 1);
        pattern += argument.isNull() ? QStringLiteral(".*") : QRegularExpression::escape(argument);
        from = at.capturedEnd();
    }
    pattern += QRegularExpression::escape(text.mid(from));
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                              QRegularExpression::DotMatchesEverythingOption)
        .match(told)
        .hasMatch();
}

}  // namespace

class TestHostileValues : public QObject {
    Q_OBJECT
private slots:
    void valueTravelsExactly_data();
    void valueTravelsExactly();
    void fileWiderThanTheStoreIsRefused();
    void typingNextToALoadedCarriageReturn();
    void valuesSetPastTheKeyboard_data();
    void valuesSetPastTheKeyboard();
    void messagesShowPathsAndValuesAsTheyAre_data();
    void messagesShowPathsAndValuesAsTheyAre();
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
    const QString path = window.currentPath();
    const QStringList schema = schemaOf(world.env.storeTemplate());
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

void TestHostileValues::fileWiderThanTheStoreIsRefused() {
    // The store has 26 columns: a file of more is not opened, and nothing is written anywhere.
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith({"Name;Town", "Smith;York"});
    const QString kept = window.currentPath();
    world.env.prompter.clearPrompts();
    QStringList names;
    for (int k = 1; k <= 27; ++k)
        names.append(QStringLiteral("C%1").arg(k));
    const QByteArray wide = MainWindowHarness::crlf({names.join(QLatin1Char(';')), "a;b", "c"});
    const QString path = world.env.writeFile("wide.csv", wide);
    QVERIFY(!window.LoadDatabase(path));

    const QStringList messages = world.env.prompter.messageTexts();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains("27") && messages.first().contains("26"),
             qPrintable(messages.first()));
    QCOMPARE(window.currentPath(), kept);
    QCOMPARE(window.database().columnNames(), "Name;Town");
    QCOMPARE(world.env.storeRows(2), QStringList{"Smith|York"});
    QCOMPARE(TestEnvironment::readFile(path), wide);
    QVERIFY(!window.database().isModified());
}

// A value read from a file may hold a lone CR; the field must still judge what is typed next
// to it, or ";" slips in and splits the value into two on the next load.
void TestHostileValues::typingNextToALoadedCarriageReturn() {
    MainWindowHarness world;
    const QByteArray file = "Na\rme;Note\r\nAnn;one\rtwo\r\nBob;x\r\n";
    world.env.setConfig(QStringLiteral("LastDataBase"), world.env.writeFile("cr.csv", file));
    CMyOrvaneDatabaseDlg& window = world.start();
    CViewTab& list = window.viewAllPage();
    MainWindowHarness::chooseRow(list, 0);
    list.OnEditEntry();
    window.OnPollTimer();
    QLineEdit* note = window.addEditPage().field(2);
    QCOMPARE(note->text(), QStringLiteral("one\rtwo"));
    note->setFocus();
    QTest::keyClick(note, Qt::Key_End);
    QTest::keyClicks(note, QStringLiteral(";three"));
    QCOMPARE(note->text(), QStringLiteral("one\rtwothree"));
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);

    // The same for a column name read with a CR.
    world.clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
    CSettings& settings = window.settingsPage();
    settings.columnList()->setCurrentItem(settings.columnList()->topLevelItem(0));
    settings.OnColumnListClick();
    QTest::keyClick(settings.nameField(), Qt::Key_End);
    QTest::keyClicks(settings.nameField(), QStringLiteral(";Town"));
    settings.OnSaveChanges();
    QCOMPARE(settings.database().columnNames(), QStringLiteral("Na\rmeTown;Note"));
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);

    window.OnSaveDatabase();
    QCOMPARE(TestEnvironment::readFile(window.currentPath()),
             QByteArray("Na\rmeTown;Note\r\nAnn;one\rtwothree\r\nBob;x\r\n"));
}

void TestHostileValues::valuesSetPastTheKeyboard_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("separator") << "e;f";
    QTest::newRow("line feed") << "l1\nl2";
    QTest::newRow("carriage return") << "l1\rl2";
    QTest::newRow("without a byte in a single-byte file") << QString::fromUtf8("Ж 5");
}

// Text set through the accessibility interface (as dictation and screen-reader tools do)
// never meets the field's check: the rule holds where a value or a name is stored.
void TestHostileValues::valuesSetPastTheKeyboard() {
    QFETCH(QString, value);
    MainWindowHarness world;
    const QStringList people = {"Name;Note", "Ann;x", "Bob;y"};
    CMyOrvaneDatabaseDlg& window = world.startWith(people);
    const QString path = window.currentPath();
    const auto setThroughAccessibility = [](QWidget* field, const QString& text) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(field);
        QVERIFY(accessible && accessible->editableTextInterface());
        const int length = accessible->textInterface()->characterCount();
        accessible->editableTextInterface()->replaceText(0, length, text);
    };
    const QString refused = window.text(608);

    // A new entry.
    window.viewAllPage().OnAddEntry();
    window.OnPollTimer();
    setThroughAccessibility(window.addEditPage().field(1), value);
    QCOMPARE(window.addEditPage().field(1)->text(), value);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    // An edited entry.
    MainWindowHarness::chooseRow(window.viewAllPage(), 0);
    window.viewAllPage().OnEditEntry();
    window.OnPollTimer();
    setThroughAccessibility(window.addEditPage().field(2), value);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    // A column name, new and renamed.
    world.clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
    CSettings& settings = window.settingsPage();
    settings.OnAddColumn();
    setThroughAccessibility(settings.nameField(), value);
    settings.OnSaveChanges();
    settings.columnList()->setCurrentItem(settings.columnList()->topLevelItem(1));
    settings.OnColumnListClick();
    setThroughAccessibility(settings.nameField(), value);
    settings.OnSaveChanges();
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);

    QCOMPARE(world.env.prompter.messageTexts(), QStringList(4, refused));
    QCOMPARE(world.env.storeRows(2), QStringList({"Ann|x", "Bob|y"}));
    QCOMPARE(settings.database().columnNames(), QStringLiteral("Name;Note"));
    QVERIFY(!window.database().isModified());
    window.OnSaveDatabase();
    QCOMPARE(TestEnvironment::readFile(path), MainWindowHarness::crlf(people));
}

QTEST_MAIN(TestHostileValues)
#include "test_hostile_values.moc"

void TestHostileValues::messagesShowPathsAndValuesAsTheyAre_data() {
    QTest::addColumn<QString>("route");
    QTest::addColumn<int>("text");
    QTest::newRow("a value one byte cannot hold")
        << "save as single-byte" << int(texts::SingleByteCannotHold);
    QTest::newRow("bytes that read back as UTF-8")
        << "save Maß²" << int(texts::ReadBackAsOtherText);
    QTest::newRow("lines with too many values") << "open" << int(texts::LinesNotKept);
    QTest::newRow("a store that takes nothing")
        << "open into an immutable store" << int(texts::FileNotLoaded);
    QTest::newRow("a file that cannot be replaced")
        << "save over an immutable file" << int(texts::FileNotWritten);
}

// A text with several arguments shows each as it stands: a path holding "%2" or a value
// holding "%1" is never taken for a place of the text.
void TestHostileValues::messagesShowPathsAndValuesAsTheyAre() {
    QFETCH(QString, route);
    QFETCH(int, text);
    MainWindowHarness world;
    ScriptedPrompter& prompter = world.env.prompter;
    const QString value = QStringLiteral("%1%2");
    QStringList lines = {"Name;Note", "A;1", "B;2", QString::fromUtf8("Ж") + value + ";3"};
    if (route == "open")
        lines[2] = QStringList(28, QStringLiteral("x")).join(';');
    if (route == "save Maß²")
        lines.removeLast();
    const QString path = world.env.writeFile(QStringLiteral("offer%2%3.csv"),
                                             (lines.join("\r\n") + "\r\n").toUtf8());
    const QString shown = QDir::toNativeSeparators(path);
    world.env.setConfig(QStringLiteral("LastDataBase"), path);
    QStringList arguments;
    if (route == "open") {
        world.start();
        arguments = QStringList{shown, QStringLiteral("3")};
    } else if (route == "open into an immutable store") {
        CMyOrvaneDatabaseDlg& window = world.startWith({"Name;Note", "C;3"});
        ImmutableFile readOnly(world.env.userStore());
        if (!readOnly.isSet())
            QSKIP(qPrintable("the file system cannot make a file immutable: " + readOnly.reason()));
        prompter.clearPrompts();
        prompter.queueFileName(path);
        window.OnOpenDatabase();
        arguments = QStringList{shown, QString()};
    } else {
        CMyOrvaneDatabaseDlg& window = world.start();
        QString savedAs = path;
        if (route == "save as single-byte") {
            savedAs = world.env.root() + QStringLiteral("/copy%3%1.csv");
            prompter.queueFileName(savedAs);
            prompter.queueFileType(0);
            prompter.queueAnswer(Prompter::Answer::No);
            window.OnSaveDatabaseAs();
            arguments = QStringList{QDir::toNativeSeparators(savedAs), QStringLiteral("4"),
                                    QString::fromUtf8("Ж") + value};
        } else {
            const QString typed = QString::fromUtf8("Maß²") + value;
            QVERIFY(world.addEntry({typed, QStringLiteral("4")}));
            std::unique_ptr<ImmutableFile> readOnly;
            if (route == "save over an immutable file") {
                readOnly = std::make_unique<ImmutableFile>(path);
                if (!readOnly->isSet())
                    QSKIP(qPrintable("the file system cannot make a file immutable: " +
                                     readOnly->reason()));
                arguments = QStringList{shown, QString()};
            } else {
                prompter.queueAnswer(Prompter::Answer::No);
                arguments = QStringList{shown, QStringLiteral("4"), typed,
                                        QString::fromUtf8("Ma\u07F2") + value};
            }
            window.OnSaveDatabase();
        }
    }
    const QString expected = world.window().text(text);
    const QStringList told = prompter.messageTexts();
    QVERIFY2(std::any_of(told.begin(), told.end(),
                         [&](const QString& one) { return filledIn(one, expected, arguments); }),
             qPrintable(told.join('\n')));
}
