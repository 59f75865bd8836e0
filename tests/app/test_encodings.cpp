// Files as people have them: UTF-8 (with and without a byte-order mark) beside single-byte
// files made on Windows or in ISO 8859-1, each loaded, searched, edited and saved byte for
// byte through the real main window; and lists sorted as people read.
#include "MainWindowHarness.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace {

QByteArray utf8(const char* text) {
    return QByteArray(text);
}

}  // namespace

class TestEncodings : public QObject {
    Q_OBJECT
private slots:
    void fileTravelsExactly_data();
    void fileTravelsExactly();
    void fieldsHoldWhatTheFileCan();
    void aMarkInTheTextIsText_data();
    void aMarkInTheTextIsText();
    void saveAsOffersTheEncoding();
    void singleByteSavesNeverChangeTheText_data();
    void singleByteSavesNeverChangeTheText();
    void sortedAsPeopleRead_data();
    void sortedAsPeopleRead();
    void foundAsPeopleRead_data();
    void foundAsPeopleRead();
};

void TestEncodings::fileTravelsExactly_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("criterion");  // typed on the Search tab, in field 1
    QTest::addColumn<QString>("found");      // the one entry it finds
    QTest::addColumn<QString>("edited");     // typed into field 2 of the first entry
    QTest::addColumn<QByteArray>("saved");   // the file after that edit

    const QByteArray cyrillic = utf8(
        "Имя;Город\r\n"
        "ЖУРНАЛ;Αθήνα\r\n"
        "東京;京都\r\n");
    QTest::newRow("UTF-8: Cyrillic, Greek, CJK")
        << cyrillic << QString::fromUtf8("журнал") << QString::fromUtf8("ЖУРНАЛ|Αθήνα")
        << QString::fromUtf8("Σπάρτη") << utf8("Имя;Город\r\nЖУРНАЛ;Σπάρτη\r\n東京;京都\r\n");
    QTest::newRow("UTF-8 with a byte-order mark")
        << "\xef\xbb\xbf" + cyrillic << QString::fromUtf8("東_") << QString::fromUtf8("東京|京都")
        << QString::fromUtf8("ქართული")
        << "\xef\xbb\xbf" + utf8("Имя;Город\r\nЖУРНАЛ;ქართული\r\n東京;京都\r\n");
    QTest::newRow("Windows: euro sign and curly quotes")
        << QByteArray("Preis;Notiz\r\n\x80 5;\x93gut\x94\r\n3 \x80;x\r\n")
        << QString::fromUtf8("€%") << QString::fromUtf8("€ 5|“gut”")
        << QString::fromUtf8("„neu“ – ok")
        << QByteArray("Preis;Notiz\r\n\x80 5;\x84neu\x93 \x96 ok\r\n3 \x80;x\r\n");
    QTest::newRow("ISO 8859-1 that is no UTF-8")
        << QByteArray("Name;Ort\r\nM\xfcller;K\xf6ln\r\nMeier;Bonn\r\n")
        << QString::fromUtf8("MÜLLER") << QString::fromUtf8("Müller|Köln")
        << QString::fromUtf8("Düsseldorf")
        << QByteArray("Name;Ort\r\nM\xfcller;D\xfcsseldorf\r\nMeier;Bonn\r\n");
    QTest::newRow("a byte-order mark before ISO 8859-1 bytes")
        << QByteArray("\xef\xbb\xbfName;Ort\r\nM\xfcller;K\xf6ln\r\nMeier;Bonn\r\n")
        << QString::fromUtf8("MÜLLER") << QString::fromUtf8("Müller|Köln")
        << QString::fromUtf8("Düsseldorf")
        << QByteArray("\xef\xbb\xbfName;Ort\r\nM\xfcller;D\xfcsseldorf\r\nMeier;Bonn\r\n");
    QTest::newRow("ASCII only") << QByteArray("Name;Town\r\nSmith;York\r\nJones;Hull\r\n")
                                << "SMITH"
                                << "Smith|York"
                                << "Leeds"
                                << QByteArray("Name;Town\r\nSmith;Leeds\r\nJones;Hull\r\n");
}

void TestEncodings::fileTravelsExactly() {
    QFETCH(QByteArray, file);
    QFETCH(QString, criterion);
    QFETCH(QString, found);
    QFETCH(QString, edited);
    QFETCH(QByteArray, saved);
    MainWindowHarness world;
    const QString path = world.env.writeFile(QStringLiteral("file.csv"), file);
    world.env.setConfig(QStringLiteral("LastDataBase"), path);
    CMyOrvaneDatabaseDlg& window = world.start();
    QVERIFY(world.env.prompter.messageTexts().isEmpty());

    // Saved unchanged: the same bytes.
    window.action(texts::SaveDatabaseCommand)->trigger();
    QCOMPARE(TestEnvironment::readFile(path), file);

    // Found with the letter case ignored, in every script.
    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    MainWindowHarness::typeInto(window.searchPage().field(1), criterion);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    QCOMPARE(MainWindowHarness::listedRows(window.viewFilteredPage()), QStringList{found});

    // Edited and saved: the file in its own encoding, the mark kept.
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    MainWindowHarness::chooseRow(window.viewAllPage(), 0);
    window.viewAllPage().OnEditEntry();
    window.OnPollTimer();
    MainWindowHarness::typeInto(window.addEditPage().field(2), edited);
    QCOMPARE(window.addEditPage().field(2)->text(), edited);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    window.action(texts::SaveDatabaseCommand)->trigger();
    QCOMPARE(TestEnvironment::readFile(path), saved);
    QVERIFY(world.env.prompter.messageTexts().isEmpty());

    // And read back so at the next start.
    QVERIFY(world.close());
    CMyOrvaneDatabaseDlg& again = world.start();
    QCOMPARE(MainWindowHarness::listedRows(again.viewAllPage()).first().section('|', 1), edited);
}

void TestEncodings::aMarkInTheTextIsText_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("edited");   // field 2 of the first entry changed to Leeds
    QTest::addColumn<QByteArray>("removed");  // then the first entry removed
    QTest::addColumn<int>("line");            // the line a single-byte copy cannot hold
    const QByteArray mark = "\xef\xbb\xbf";
    QTest::newRow("a value begins with it")
        << "Name;Note\r\n" + mark + "Smith;York\r\nJones;Hull\r\n"
        << "Name;Note\r\n" + mark + "Smith;Leeds\r\nJones;Hull\r\n"
        << QByteArray("Name;Note\r\nJones;Hull\r\n") << 2;
    QTest::newRow("a later value begins with it")
        << "Name;Note\r\nSmith;" + mark + "York\r\nJones;Hull\r\n"
        << QByteArray("Name;Note\r\nSmith;Leeds\r\nJones;Hull\r\n")
        << QByteArray("Name;Note\r\nJones;Hull\r\n") << 2;
    QTest::newRow("the first name begins with it, after the file's own mark")
        << mark + mark + "Name;Note\r\n1;\xe2\x82\xac\r\n"
        << mark + mark + "Name;Note\r\n1;Leeds\r\n"
        << mark + mark + "Name;Note\r\n"
        << 1;
}

// A U+FEFF in the text (two marked files joined, say) is an ordinary character: the entry
// holding it can be edited and removed, and the file is saved byte for byte. Only the file's
// own mark is the file's.
void TestEncodings::aMarkInTheTextIsText() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, edited);
    QFETCH(QByteArray, removed);
    QFETCH(int, line);
    MainWindowHarness world;
    const QString path = world.env.writeFile(QStringLiteral("file.csv"), file);
    world.env.setConfig(QStringLiteral("LastDataBase"), path);
    CMyOrvaneDatabaseDlg& window = world.start();
    window.action(texts::SaveDatabaseCommand)->trigger();
    QCOMPARE(TestEnvironment::readFile(path), file);

    // A copy in one byte a character cannot hold the mark, and says where it stands.
    const QString other = world.env.root() + QStringLiteral("/other.csv");
    world.env.prompter.queueFileName(other);
    world.env.prompter.queueFileType(0);
    window.action(texts::SaveDatabaseAsCommand)->trigger();
    QVERIFY(!QFile::exists(other));
    QCOMPARE(world.env.prompter.messageTexts().size(), 1);
    QVERIFY2(world.env.prompter.messageTexts().first().contains(QStringLiteral(" %1 ").arg(line)),
             qPrintable(world.env.prompter.messageTexts().first()));
    world.env.prompter.clearPrompts();

    MainWindowHarness::chooseRow(window.viewAllPage(), 0);
    window.viewAllPage().OnEditEntry();
    window.OnPollTimer();
    MainWindowHarness::typeInto(window.addEditPage().field(2), QStringLiteral("Leeds"));
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    window.action(texts::SaveDatabaseCommand)->trigger();
    QCOMPARE(TestEnvironment::readFile(path), edited);

    world.env.prompter.queueAnswer(Prompter::Answer::Yes);
    MainWindowHarness::chooseRow(window.viewAllPage(), 0);
    window.viewAllPage().OnRemoveEntry();
    window.action(texts::SaveDatabaseCommand)->trigger();
    QCOMPARE(TestEnvironment::readFile(path), removed);
    QCOMPARE(world.env.prompter.messageTexts(),
             QStringList{window.text(texts::ConfirmRemoveEntry)});
}

void TestEncodings::fieldsHoldWhatTheFileCan() {
    MainWindowHarness world;
    const QString single = world.writeDatabase(QStringLiteral("single.csv"), {"A;B", "x;y"});
    const QString unicode =
        world.env.writeFile(QStringLiteral("unicode.csv"), utf8("A;B\r\nж;y\r\n"));
    world.env.setConfig(QStringLiteral("LastDataBase"), single);
    CMyOrvaneDatabaseDlg& window = world.start();
    const QString typed = QString::fromUtf8("Жa;€");
    for (const auto& [path, kept] : {std::pair{single, QString::fromUtf8("a€")},
                                     std::pair{unicode, QString::fromUtf8("Жa€")}}) {
        world.env.prompter.queueFileName(path);
        window.OnOpenDatabase();
        window.viewAllPage().OnAddEntry();
        window.OnPollTimer();
        MainWindowHarness::typeInto(window.addEditPage().field(1), typed);
        QCOMPARE(window.addEditPage().field(1)->text(), kept);
        world.clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
        window.settingsPage().OnAddColumn();
        MainWindowHarness::typeInto(window.settingsPage().nameField(), typed);
        QCOMPARE(window.settingsPage().nameField()->text(), kept);
        world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
        MainWindowHarness::typeInto(window.searchPage().field(1), typed);
        QCOMPARE(window.searchPage().field(1)->text(),
                 path == single ? QString::fromUtf8("a;€") : typed);
        world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
        world.env.prompter.queueAnswer(Prompter::Answer::No);  // do not save
    }
}

void TestEncodings::singleByteSavesNeverChangeTheText_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("route");
    QTest::addColumn<int>("question");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("misread");
    // Its bytes 4D 61 DF B2 are UTF-8 for "Ma߲".
    QTest::newRow("an ASCII file given Maß²")
        << QByteArray("Name;Note\r\nSmith;York\r\n") << "add" << int(texts::ReadBackAsOtherText)
        << 3 << QString::fromUtf8("Maß²") << QString::fromUtf8("Ma\u07F2");
    QTest::newRow("a Latin-1 file whose only other letter went")
        << QByteArray("Name;Note\r\nM\xfcller;1\r\nCaf\xc3\xa9;2\r\n") << "remove"
        << int(texts::ReadBackAsOtherText) << 2 << QString::fromUtf8("CafÃ©")
        << QString::fromUtf8("Café");
    QTest::newRow("a value back by undo that one byte cannot hold")
        << QByteArray("Name;Note\r\n\xd0\x96;1\r\nA;2\r\n") << "remove, copy, undo"
        << int(texts::SingleByteCannotHold) << 2 << QString::fromUtf8("Ж") << QString();
}

// Saved in one byte a character, a file never comes back as other text: where it cannot hold
// a value, or its bytes would read back as UTF-8, the user is told where, and offered UTF-8
// (No saves nothing, Yes saves it in UTF-8).
void TestEncodings::singleByteSavesNeverChangeTheText() {
    QFETCH(QByteArray, file);
    QFETCH(QString, route);
    QFETCH(int, question);
    QFETCH(int, line);
    QFETCH(QString, value);
    QFETCH(QString, misread);
    MainWindowHarness world;
    ScriptedPrompter& prompter = world.env.prompter;
    const QString path = world.env.writeFile(QStringLiteral("file.csv"), file);
    world.env.setConfig(QStringLiteral("LastDataBase"), path);
    CMyOrvaneDatabaseDlg& window = world.start();
    if (route == "add") {
        QVERIFY(world.addEntry({value, QStringLiteral("x")}));
    } else {
        prompter.queueAnswer(Prompter::Answer::Yes);
        MainWindowHarness::chooseRow(window.viewAllPage(), 0);
        window.viewAllPage().OnRemoveEntry();
    }
    if (route == "remove, copy, undo") {
        prompter.queueFileName(world.env.root() + QStringLiteral("/copy.csv"));
        prompter.queueFileType(0);
        window.OnSaveDatabaseAs();
        window.OnUndo();
    }
    const QString savedAs = window.currentPath();
    const QByteArray before = TestEnvironment::readFile(savedAs);
    const QString expected = window.text(question).arg(QDir::toNativeSeparators(savedAs),
                                                       QString::number(line), value, misread);

    for (const Prompter::Answer answer : {Prompter::Answer::No, Prompter::Answer::Yes}) {
        prompter.clearPrompts();
        prompter.queueAnswer(answer);
        window.OnSaveDatabase();
        QCOMPARE(prompter.messageTexts(), QStringList{expected});
        if (answer == Prompter::Answer::No) {
            QCOMPARE(TestEnvironment::readFile(savedAs), before);
            QVERIFY(window.database().isModified());
        }
    }
    QVERIFY(!window.database().isModified());
    QVERIFY(textencoding::isUtf8(window.database().encoding()));
    QVERIFY(world.close());
    CMyOrvaneDatabaseDlg& again = world.start();
    QVERIFY(MainWindowHarness::listedRows(again.viewAllPage()).join('\n').contains(value));
}

void TestEncodings::saveAsOffersTheEncoding() {
    MainWindowHarness world;
    ScriptedPrompter& prompter = world.env.prompter;
    world.env.setConfig(
        QStringLiteral("LastDataBase"),
        world.env.writeFile(QStringLiteral("latin.csv"), "Name;Ort\r\nM\xfcller;K\xf6ln\r\n"));
    CMyOrvaneDatabaseDlg& window = world.start();
    const QStringList types = {window.text(texts::CsvFileFilter),
                               window.text(texts::CsvUtf8FileFilter)};

    // A single-byte database saved as UTF-8 becomes one.
    const QString converted = world.env.root() + QStringLiteral("/converted.csv");
    prompter.queueFileName(converted);
    prompter.queueFileType(1);
    window.OnSaveDatabaseAs();
    QCOMPARE(prompter.offeredFileTypes().mid(0, 2), types);
    QCOMPARE(prompter.preselectedFileType(), 0);
    QCOMPARE(TestEnvironment::readFile(converted), utf8("Name;Ort\r\nMüller;Köln\r\n"));
    QVERIFY(world.addEntry({QString::fromUtf8("Ж")}));
    window.OnSaveDatabase();
    QCOMPARE(TestEnvironment::readFile(converted), utf8("Name;Ort\r\nMüller;Köln\r\nЖ;\r\n"));

    // Back to single-byte it cannot go while a value has no byte: nothing is written.
    const QString back = world.env.root() + QStringLiteral("/back.csv");
    prompter.clearPrompts();
    prompter.queueFileName(back);
    prompter.queueFileType(0);
    window.OnSaveDatabaseAs();
    QCOMPARE(prompter.preselectedFileType(), 1);
    QCOMPARE(
        prompter.messageTexts(),
        QStringList{
            window.text(texts::SingleByteCannotHold).arg(back).arg(3).arg(QString::fromUtf8("Ж"))});
    QVERIFY(!QFile::exists(back));
    QCOMPARE(window.currentPath(), converted);

    // Made UTF-8 while it holds nothing but ASCII, it carries the mark, and so stays UTF-8.
    prompter.queueFileName(world.writeDatabase(QStringLiteral("ascii.csv"), {"A;B", "x;y"}));
    window.OnOpenDatabase();
    const QString marked = world.env.root() + QStringLiteral("/marked.csv");
    prompter.queueFileName(marked);
    prompter.queueFileType(1);
    window.OnSaveDatabaseAs();
    QCOMPARE(TestEnvironment::readFile(marked), QByteArray("\xef\xbb\xbf"
                                                           "A;B\r\nx;y\r\n"));
    prompter.queueFileName(marked);
    window.OnOpenDatabase();
    QCOMPARE(window.database().encoding(), textencoding::Encoding::Utf8WithMark);

    // A new database starts single-byte, a template's likewise.
    prompter.queueDialog(MainWindowHarness::chooseNewDatabase(1));
    window.OnNewDatabase();
    prompter.queueFileName(QString());  // cancelled
    window.OnSaveDatabaseAs();
    QCOMPARE(prompter.preselectedFileType(), 0);
}

void TestEncodings::foundAsPeopleRead_data() {
    QTest::addColumn<QString>("sought");  // typed into the Search tab's field 1
    QTest::addColumn<QStringList>("searched");
    QTest::addColumn<QString>("filter");  // typed above View All
    QTest::addColumn<QStringList>("filtered");
    const auto u = [](const char* text) { return QString::fromUtf8(text); };
    const QString ecole = u("e\u0301cole|Paris");
    QTest::newRow("composed typed, decomposed stored")
        << u("\u00E9cole") << QStringList{ecole} << u("\u00C9COL") << QStringList{ecole};
    QTest::newRow("capitals without the sharp s")
        << "STRASSE" << QStringList{u("Stra\u00DFe|Bonn")} << "strasse"
        << QStringList{u("Stra\u00DFe|Bonn")};
    QTest::newRow("one character as seen") << "_cole" << QStringList{ecole, "Ecole|Lyon"} << "cole"
                                           << QStringList{ecole, "Ecole|Lyon"};
    QTest::newRow("no letter inside an accented one")
        << "cafe%" << QStringList{"Cafeteria|Oslo"} << "cafe" << QStringList{"Cafeteria|Oslo"};
}

// Search, View Filtered and the filter above a list find what a reader sees, however it is
// stored: a file from another system may hold letters and their accents apart.
void TestEncodings::foundAsPeopleRead() {
    QFETCH(QString, sought);
    QFETCH(QStringList, searched);
    QFETCH(QString, filter);
    QFETCH(QStringList, filtered);
    MainWindowHarness world;
    const QString path = world.env.writeFile(
        QStringLiteral("file.csv"), utf8("Name;Town\r\ne\u0301cole;Paris\r\nStra\u00DFe;Bonn\r\n"
                                         "Ecole;Lyon\r\nCafe\u0301;Oslo\r\nCafeteria;Oslo\r\n"));
    world.env.setConfig(QStringLiteral("LastDataBase"), path);
    CMyOrvaneDatabaseDlg& window = world.start();

    world.clickTab(CMyOrvaneDatabaseDlg::SearchTab);
    MainWindowHarness::typeInto(window.searchPage().field(1), sought);
    world.clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab);
    QCOMPARE(MainWindowHarness::listedRows(window.viewFilteredPage()), searched);

    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    CViewTab& list = window.viewAllPage();
    QSignalSpy applied(&list.listedRows(), &EntriesModel::filterApplied);
    MainWindowHarness::typeInto(list.filterField(), filter);
    QVERIFY(applied.count() > 0 || applied.wait());
    QCOMPARE(MainWindowHarness::listedRows(list), filtered);
}

void TestEncodings::sortedAsPeopleRead_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "[1033]";
    QTest::newRow("German") << "[1031]";
}

void TestEncodings::sortedAsPeopleRead() {
    QFETCH(QString, language);
    // Case and accents do not split the order, numbers in texts compare by value: an order an
    // English and a German reader agree on.
    const QStringList order = {"Angstrom",
                               QString::fromUtf8("Ångström"),
                               QString::fromUtf8("Äpfel"),
                               "apple",
                               "Banana",
                               "item 2",
                               "item 10",
                               "Zebra",
                               "zoo"};
    const QStringList stored = {"zoo",
                                "item 10",
                                "Banana",
                                QString::fromUtf8("Äpfel"),
                                "Zebra",
                                "apple",
                                QString::fromUtf8("Ångström"),
                                "item 2",
                                "Angstrom"};
    MainWindowHarness world;
    world.env.setConfig(QStringLiteral("Language"), language);
    QByteArray file = "Name\r\n";
    for (const QString& value : stored)
        file += value.toUtf8() + "\r\n";
    world.env.setConfig(QStringLiteral("LastDataBase"),
                        world.env.writeFile(QStringLiteral("words.csv"), file));
    CMyOrvaneDatabaseDlg& window = world.start();
    window.viewAllPage().OnColumnClick(0);
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()), order);

    // The same order when the next start sorts by the column it was closed with.
    QVERIFY(world.close());
    CMyOrvaneDatabaseDlg& again = world.start();
    QCOMPARE(again.database().sortColumn(), QStringLiteral("Column1"));
    QCOMPARE(MainWindowHarness::listedRows(again.viewAllPage()), order);
}

QTEST_MAIN(TestEncodings)
#include "test_encodings.moc"
