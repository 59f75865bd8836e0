#include "CFilePreview.h"
#include "CSearchAddEdit.h"
#include "CViewTab.h"
#include "DialogRobot.h"
#include "MainWindowHarness.h"
#include "TextNumbers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {

// A comma file as spreadsheets write it: quoted where needed, a separator and a line break
// inside values.
const QByteArray kComma =
    "Name,Town,Notes\r\n"
    "Smith,York,\"likes ; and , alike\"\r\n"
    "\"Miller, Ann\",Leeds,\"two\r\nlines\"\r\n";
const QStringList kCommaRows = {"Smith|York|likes ; and , alike", "Miller, Ann|Leeds|two\r\nlines"};

// A script for the preview: sets it up with change (when given), checks it, and answers.
std::function<int(QDialog&)> preview(std::function<void(CFilePreview&)> change, int answer,
                                     QStringList* headings = nullptr) {
    return [change, answer, headings](QDialog& dialog) {
        auto& shown = dynamic_cast<CFilePreview&>(dialog);
        if (change)
            change(shown);
        if (headings) {
            headings->clear();
            for (int c = 0; c < shown.table()->columnCount(); ++c)
                headings->append(shown.table()->horizontalHeaderItem(c)->text());
        }
        return answer;
    };
}

int modalPrompts(const ScriptedPrompter& prompter) {
    int count = 0;
    for (const auto& prompt : prompter.prompts())
        count += prompt.kind == QLatin1String("modal") ? 1 : 0;
    return count;
}

}  // namespace

class TestCsvDialects : public QObject {
    Q_OBJECT
private slots:
    void commaFileOpensThroughThePreviewAndSavesBack();
    void previewCancelledChangesNothing();
    void previewChoicesAreHowTheFileIsRead_data();
    void previewChoicesAreHowTheFileIsRead();
    void ownFormatOpensWithoutAsking();
    void lastDatabaseOpensAgainAsChosen();
    void saveAsWritesEachType_data();
    void saveAsWritesEachType();
    void ownFormatRefusesValuesItCannotHold();
    void fileOfTooManyColumnsIsNotOffered();
    void handedFileWaitsForThePreview();
    void spreadsheetIsACopy();
    void conversionFromTheCommandLine_data();
    void conversionFromTheCommandLine();
};

void TestCsvDialects::commaFileOpensThroughThePreviewAndSavesBack() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith({"A;B", "1;2"});
    const QString path = world.env.writeFile("comma.csv", kComma);
    QStringList headings;
    world.env.prompter.queueDialog(preview({}, QDialog::Accepted, &headings));
    QVERIFY(window.LoadDatabase(path));
    QCOMPARE(headings, (QStringList{"Name", "Town", "Notes"}));
    QCOMPARE(window.database().columnNames(), "Name;Town;Notes");
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()), kCommaRows);
    QVERIFY(world.env.prompter.messageTexts().isEmpty());

    window.action(texts::SaveDatabaseCommand)->trigger();
    QCOMPARE(TestEnvironment::readFile(path), kComma);

    // A quoted dialect holds what the own format cannot: the field takes it.
    QVERIFY(world.addEntry({"Jones; Bob", "Hull", "x\"y"}));
    window.action(texts::SaveDatabaseCommand)->trigger();
    // ";" needs no quotes where it is no separator.
    QCOMPARE(TestEnvironment::readFile(path), kComma + "Jones; Bob,Hull,\"x\"\"y\"\r\n");
}

void TestCsvDialects::previewCancelledChangesNothing() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith({"A;B", "1;2"});
    const QString before = window.currentPath();
    world.env.prompter.clearPrompts();
    world.env.prompter.queueDialog(preview({}, QDialog::Rejected));
    QVERIFY(!window.LoadDatabase(world.env.writeFile("comma.csv", kComma)));
    QCOMPARE(window.currentPath(), before);
    QCOMPARE(window.database().columnNames(), "A;B");
    QCOMPARE(world.env.storeRows(2), QStringList{"1|2"});
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()), QStringList{"1|2"});
    QVERIFY(world.env.prompter.messageTexts().isEmpty());
    QCOMPARE(window.recentDatabases().first(), before);
}

void TestCsvDialects::previewChoicesAreHowTheFileIsRead_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("separator");  // the preview's line; -1 as found
    QTest::addColumn<bool>("quotes");
    QTest::addColumn<bool>("names");
    QTest::addColumn<QString>("columnNames");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("as found") << kComma << -1 << true << true << "Name;Town;Notes" << kCommaRows;
    QTest::newRow("no names line") << QByteArray("1,2\r\n3,4\r\n") << -1 << true << false << "A;B"
                                   << QStringList{"1|2", "3|4"};
    QTest::newRow("quotes are text") << QByteArray("A,B\r\n\"x\",y\r\n") << -1 << false << true
                                     << "A;B" << QStringList{"\"x\"|y"};
    QTest::newRow("another separator")
        << QByteArray("A|B,C\r\n1|2,3\r\n") << 3 << true << true << "A;B,C" << QStringList{"1|2,3"};
}

void TestCsvDialects::previewChoicesAreHowTheFileIsRead() {
    QFETCH(QByteArray, file);
    QFETCH(int, separator);
    QFETCH(bool, quotes);
    QFETCH(bool, names);
    QFETCH(QString, columnNames);
    QFETCH(QStringList, rows);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith({"A;B", "1;2"});
    const QString path = world.env.writeFile("in.csv", file);
    QStringList headings;
    world.env.prompter.queueDialog(preview(
        [&](CFilePreview& shown) {
            if (separator >= 0)
                shown.separatorBox()->setCurrentIndex(separator);
            shown.quotesBox()->setChecked(quotes);
            shown.namesBox()->setChecked(names);
        },
        QDialog::Accepted, &headings));
    QVERIFY(window.LoadDatabase(path));
    // What the preview showed is what opened.
    QCOMPARE(headings.join(QLatin1Char(';')), columnNames);
    QCOMPARE(window.database().columnNames(), columnNames);
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()), rows);
    window.action(texts::SaveDatabaseCommand)->trigger();
    QCOMPARE(TestEnvironment::readFile(path), file);
}

void TestCsvDialects::ownFormatOpensWithoutAsking() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith({"A;B", "1;2"});
    // Quotes that do not read as quoted throughout: the file reads as it always did.
    const QByteArray own = "Name;Note\r\nAnn;\"quoted\" text\r\nBob;5' 10\"\r\n";
    QVERIFY(window.LoadDatabase(world.env.writeFile("own.csv", own)));
    QCOMPARE(modalPrompts(world.env.prompter), 0);
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()),
             (QStringList{"Ann|\"quoted\" text", "Bob|5' 10\""}));
}

void TestCsvDialects::lastDatabaseOpensAgainAsChosen() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith({"A;B", "1;2"});
    world.env.prompter.queueDialog(preview(
        [](CFilePreview& shown) { shown.namesBox()->setChecked(false); }, QDialog::Accepted));
    QVERIFY(window.LoadDatabase(world.env.writeFile("numbers.csv", "1,2\r\n3,4\r\n")));
    QVERIFY(world.close());
    world.env.prompter.clearPrompts();
    CMyOrvaneDatabaseDlg& again = world.start();
    QCOMPARE(modalPrompts(world.env.prompter), 0);
    QCOMPARE(again.database().columnNames(), "A;B");
    QCOMPARE(MainWindowHarness::listedRows(again.viewAllPage()), (QStringList{"1|2", "3|4"}));
}

void TestCsvDialects::saveAsWritesEachType_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("written");
    const QByteArray utf16 = QByteArray::fromHex("fffe") + QByteArray::fromHex(
                                                               "4e0061006d006500090054006f0077006e"
                                                               "000d000a004d00fc006c006c0065007200"
                                                               "090059006f0072006b000d000a00");
    QTest::newRow("own, one byte a character")
        << 0 << "own.csv" << QByteArray("Name;Town\r\nM\xfcller;York\r\n");
    QTest::newRow("own, UTF-8") << 1 << "own8.csv"
                                << QByteArray("Name;Town\r\nM\xc3\xbcller;York\r\n");
    QTest::newRow("comma, UTF-8, extension added")
        << 2 << "comma" << QByteArray("Name,Town\r\nM\xc3\xbcller,York\r\n");
    QTest::newRow("comma, one byte a character")
        << 3 << "comma1.csv" << QByteArray("Name,Town\r\nM\xfcller,York\r\n");
    QTest::newRow("tab, UTF-8") << 4 << "tab.txt"
                                << QByteArray("Name\tTown\r\nM\xc3\xbcller\tYork\r\n");
    QTest::newRow("tab, UTF-16") << 5 << "tab16.tsv" << utf16;
}

void TestCsvDialects::saveAsWritesEachType() {
    QFETCH(int, type);
    QFETCH(QString, name);
    QFETCH(QByteArray, written);
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window =
        world.startWith({QString("Name;Town"), QString::fromUtf8("Müller;York")});
    world.env.prompter.queueFileName(world.env.root() + QLatin1Char('/') + name);
    world.env.prompter.queueFileType(type);
    window.action(texts::SaveDatabaseAsCommand)->trigger();
    QString path = world.env.root() + QLatin1Char('/') + name;
    if (!name.contains(QLatin1Char('.')))
        path += QStringLiteral(".csv");
    QCOMPARE(TestEnvironment::readFile(path), written);
    QCOMPARE(window.currentPath(), path);
    // Opened again, it reads as it was written (asking first when it is not the own format).
    if (type > 1)
        world.env.prompter.queueDialog(preview({}, QDialog::Accepted));
    QVERIFY(window.LoadDatabase(path));
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()),
             QStringList{QString::fromUtf8("Müller|York")});
}

void TestCsvDialects::ownFormatRefusesValuesItCannotHold() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith({"A;B", "1;2"});
    const QString path = world.env.writeFile("comma.csv", kComma);
    world.env.prompter.queueDialog(preview({}, QDialog::Accepted));
    QVERIFY(window.LoadDatabase(path));
    world.env.prompter.clearPrompts();
    const QString own = world.env.root() + QStringLiteral("/own.csv");
    world.env.prompter.queueFileName(own);
    world.env.prompter.queueFileType(0);
    window.action(texts::SaveDatabaseAsCommand)->trigger();
    const QStringList messages = world.env.prompter.messageTexts();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains("line 2") && messages.first().contains("likes ; and"),
             qPrintable(messages.first()));
    QVERIFY(!QFile::exists(own));
    QCOMPARE(window.currentPath(), path);
    // The own format's fields refuse what its file cannot hold.
    CMyOrvaneDatabaseDlg& other = window;
    QVERIFY(other.LoadDatabase(world.writeDatabase("own.csv", {"A;B", "1;2"})));
    other.addEditPage().OnInitDialog();
    QLineEdit* field = other.addEditPage().field(1);
    MainWindowHarness::typeInto(field, QStringLiteral("a;b"));
    QVERIFY(!field->text().contains(QLatin1Char(';')));
}

void TestCsvDialects::fileOfTooManyColumnsIsNotOffered() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith({"A;B", "1;2"});
    QStringList names;
    for (int k = 1; k <= 30; ++k)
        names.append(QStringLiteral("C%1").arg(k));
    const QString path =
        world.env.writeFile("wide.csv", names.join(QLatin1Char(',')).toLatin1() + "\r\n");
    bool okOffered = true;
    QString warning;
    world.env.prompter.queueDialog([&](QDialog& dialog) {
        auto& shown = dynamic_cast<CFilePreview&>(dialog);
        okOffered = shown.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled();
        warning = shown.tooWideLabel()->isVisible() ? shown.tooWideLabel()->text() : QString();
        return int(QDialog::Rejected);
    });
    QVERIFY(!window.LoadDatabase(path));
    QVERIFY(!okOffered);
    QVERIFY2(warning.contains("30"), qPrintable(warning));
    QCOMPARE(window.database().columnNames(), "A;B");
}

void TestCsvDialects::handedFileWaitsForThePreview() {
    // A file handed over while the preview stands opens after it, not under it.
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith({"A;B", "1;2"});
    const QString comma = world.env.writeFile("comma.csv", kComma);
    const QString books = world.writeDatabase("books.csv", {"Title;Author", "Emma;Austen"});
    world.env.prompter.queueDialog([](QDialog& dialog) {
        QTimer::singleShot(700, &dialog, &QDialog::accept);
        return dialog.exec();
    });
    QTimer::singleShot(300, &window, [&] { window.handFile(books); });
    QVERIFY(window.LoadDatabase(comma));
    QTRY_COMPARE_WITH_TIMEOUT(window.currentPath(), books, 10000);
    QCOMPARE(MainWindowHarness::listedRows(window.viewAllPage()), QStringList{"Emma|Austen"});
    QCOMPARE(window.recentDatabases().mid(0, 2), (QStringList{books, comma}));
}

void TestCsvDialects::spreadsheetIsACopy() {
    // Written as a spreadsheet, the database stays its CSV file's, unsaved changes and all.
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith({"Name;Town", "Smith;York"});
    const QString path = window.currentPath();
    QVERIFY(world.addEntry({"Jones", "Hull"}));
    for (const auto& [type, name] : {std::pair{6, "sheet.xlsx"}, std::pair{7, "sheet.ods"}}) {
        const QString sheet = world.env.root() + QLatin1Char('/') + QLatin1String(name);
        world.env.prompter.queueFileName(sheet);
        world.env.prompter.queueFileType(type);
        window.action(texts::SaveDatabaseAsCommand)->trigger();
        QVERIFY(TestEnvironment::readFile(sheet).startsWith("PK"));
        QCOMPARE(window.currentPath(), path);
        QVERIFY(window.database().isModified());
    }
    QVERIFY(world.env.prompter.offeredFileTypes().contains(window.text(texts::XlsxFileFilter)));
    QCOMPARE(TestEnvironment::readFile(path), MainWindowHarness::crlf({"Name;Town", "Smith;York"}));
}

void TestCsvDialects::conversionFromTheCommandLine_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("written");  // the files written, as name=bytes or name=PK
    const auto file = [](const char* name, const QByteArray& bytes) {
        return QLatin1String(name) + QLatin1Char('=') + QString::fromLatin1(bytes);
    };
    const QByteArray mark = textencoding::kUtf8Mark;
    const QString ownAsComma = file("own.csv", mark + "A,B\r\n1,2\r\n");
    QTest::newRow("csv") << "csv" << QStringList{"people.csv", "own.csv"} << 0
                         << QStringList{file("people.csv", mark + kComma), ownAsComma};
    QTest::newRow("tsv") << "tsv" << QStringList{"own.csv"} << 0
                         << QStringList{file("own.tsv", mark + "A\tB\r\n1\t2\r\n")};
    QTest::newRow("xlsx") << "xlsx" << QStringList{"people.csv"} << 0
                          << QStringList{"people.xlsx=PK"};
    QTest::newRow("ods") << "ods" << QStringList{"people.csv"} << 0 << QStringList{"people.ods=PK"};
    QTest::newRow("own format refuses a \";\" in a value, converts the rest")
        << "orvane" << QStringList{"people.csv", "own.csv"} << 1
        << QStringList{file("own.csv", "A;B\r\n1;2\r\n")};
    QTest::newRow("missing and too wide files fail, the others are written")
        << "csv" << QStringList{"missing.csv", "wide.csv", "own.csv"} << 1
        << QStringList{ownAsComma};
    QTest::newRow("unknown format") << "pdf" << QStringList{"own.csv"} << 2 << QStringList{};
}

void TestCsvDialects::conversionFromTheCommandLine() {
    QFETCH(QString, format);
    QFETCH(QStringList, files);
    QFETCH(int, exitCode);
    QFETCH(QStringList, written);
    TestEnvironment env;
    env.writeFile("in/people.csv", kComma);
    env.writeFile("in/own.csv", "A;B\r\n1;2\r\n");
    QStringList names;
    for (int k = 1; k <= 27; ++k)
        names.append(QStringLiteral("C%1").arg(k));
    env.writeFile("in/wide.csv", names.join(QLatin1Char(',')).toLatin1() + "\r\n");
    const QString out = env.root() + QStringLiteral("/out");

    // No display: the conversion shows no window.
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(env.root() + QStringLiteral("/in"));
    program.start(
        QStringLiteral(ORVANE_PROGRAM_FILES "/orvane-database"),
        QStringList{QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), out} +
            files);
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QStringList said =
        QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError())
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (exitCode != 2)
        QCOMPARE(said.size(), files.size());  // one line a file
    QStringList made;
    for (const QString& entry : written) {
        const QString name = entry.section(QLatin1Char('='), 0, 0);
        const QByteArray expected = entry.section(QLatin1Char('='), 1).toLatin1();
        const QByteArray bytes = TestEnvironment::readFile(out + QLatin1Char('/') + name);
        if (expected == "PK")
            QVERIFY2(bytes.startsWith("PK"), qPrintable(name));
        else
            QCOMPARE(bytes, expected);
        made.append(name);
    }
    made.sort();
    const QStringList there = QDir(out).entryList(QDir::Files, QDir::Name);
    QCOMPARE(there, made);
    // The working store of a program running meanwhile is not touched.
    QVERIFY(!QFileInfo::exists(env.userStore()));
}

QTEST_MAIN(TestCsvDialects)
#include "test_csv_dialects.moc"
