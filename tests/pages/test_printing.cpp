#include "CViewTab.h"
#include "DesktopTestEnvironment.h"
#include "DialogRobot.h"
#include "PrintLayout.h"
#include "StoreContents.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>

using PrinterScript = std::function<bool(QPrinter&)>;
Q_DECLARE_METATYPE(PrinterScript)

namespace {

const QString kPaperMessage = QStringLiteral("The paper format you selected is not supported!");
const QString kPaperCaption = QStringLiteral("Orvane Printing Error");

QString describe(const PlacedChunk& chunk) {
    return QStringLiteral("p%1 @%2 L%3[%4+%5]")
        .arg(chunk.page)
        .arg(chunk.offset)
        .arg(chunk.line)
        .arg(chunk.start)
        .arg(chunk.length);
}

QStringList arrange(const QStringList& lines) {
    PrintLayout layout(lines);
    PlacedChunk chunk;
    QStringList placed;
    while (layout.next(chunk))
        placed.append(describe(chunk));
    return placed;
}

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>")
            .arg(program, QString::fromLocal8Bit(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

// An entries list page over a store of its own, set up as the main window sets up its pages.
// Entries are given as "Name;Town;Year".
class ListPageFixture {
public:
    ListPageFixture(const QStringList& entries, const QString& filter = QString(),
                    const QString& sortColumn = QString())
        : m_store(env.copyStoreTemplate()) {
        for (const QString& entry : entries) {
            if (!storecontents::insert(m_store, entry.split(QLatin1Char(';'))))
                qFatal("cannot fill the store with %s", qPrintable(entry));
        }
        database.setStorePath(m_store);
        database.open(QString(), QStringLiteral("Name;Town;Year"), csvfile::Dialect(), false);
        page.m_columnWidths = {100, 100, 100};
        page.OnInitDialog();
        page.FillList(filter, sortColumn);
    }

    QString pdfPath() const { return env.root() + QStringLiteral("/entries.pdf"); }
    QString previewPath() const { return env.root() + QStringLiteral("/preview.pdf"); }

    // The print dialog answers with a PDF file on the given paper.
    PrinterScript pdfOn(QPageSize::PageSizeId paper,
                        QPageLayout::Orientation orientation = QPageLayout::Portrait) const {
        const QString path = pdfPath();
        return [=](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            printer.setPageSize(QPageSize(paper));
            printer.setPageOrientation(orientation);
            return true;
        };
    }

    void clickPrint() {
        for (QPushButton* button : page.findChildren<QPushButton*>()) {
            if (button->text() == page.text(175)) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
        QFAIL("the page has no Print Entries button");
    }

    // The kinds of the prompts shown, in their order.
    QStringList promptKinds() const {
        QStringList kinds;
        for (const ScriptedPrompter::Prompt& prompt : env.prompter.prompts())
            kinds.append(prompt.kind);
        return kinds;
    }

    // Every message shown, as "caption: text".
    QStringList messages() const { return messagesOf(env.prompter); }
    static QStringList messagesOf(const ScriptedPrompter& prompter) {
        QStringList shown;
        for (const ScriptedPrompter::Prompt& prompt : prompter.prompts()) {
            if (prompt.kind == QLatin1String("message"))
                shown.append(prompt.caption + QStringLiteral(": ") + prompt.text);
        }
        return shown;
    }
    QString pageMessage(int number) const {
        return page.text(5) + QStringLiteral(": ") + page.text(number);
    }

    DesktopTestEnvironment env;
    OpenDatabase database;
    CViewTab page{nullptr, database};

private:
    QString m_store;
};

const QStringList kPeople = {QStringLiteral("Smith;York;1970"), QStringLiteral("Brown;Leeds;1985"),
                             QStringLiteral("Miller;Bristol;1962"),
                             QStringLiteral("Jones;Hull;1990")};

// 25 entries print 150 lines: three pages of at most 59.
QStringList threePagesOfPeople() {
    QStringList entries;
    for (int i = 1; i <= 25; ++i)
        entries.append(QStringLiteral("Person %1;Town %1;19%1").arg(i, 2, 10, QLatin1Char('0')));
    return entries;
}

int pdfPages(const QString& pdf) {
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral(R"(Pages:\s+(\d+)\n)")).match(run("pdfinfo", {pdf}));
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

// The real print preview (and the real message boxes), recorded as the scripted prompts are.
class RealPreview : public RealDialogs {
public:
    bool previewAndPrint(QPrinter& printer, QWidget* parent,
                         const std::function<void(QPrinter&)>& paint, bool withPreview) override {
        record(QStringLiteral("preview"), QString(), printer.docName());
        printed = m_real.previewAndPrint(printer, parent, paint, withPreview);
        return printed;
    }
    bool printed = false;

private:
    QtPrompter m_real;
};

// A person at the print preview: once it has stood for the delay, notes how many pages it
// shows and does what they were told with it. A preview still open long after that is stuck:
// it is closed, so that the test ends and can tell.
class PreviewReader : public QObject {
public:
    explicit PreviewReader(std::function<void(QPrintPreviewDialog&)> act, int delay = 700)
        : m_act(std::move(act)), m_delay(delay) {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, &PreviewReader::look);
        m_timer.start();
    }
    int shownPages = -1;
    bool stuck = false;

private:
    static constexpr int kActionTakes = 5000;  // ms

    void look() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(window);
            if (!preview || !preview->isVisible())
                continue;
            if (!m_shown.isValid())
                m_shown.start();
            if (m_acted.isValid()) {
                if (m_acted.hasExpired(kActionTakes)) {
                    stuck = true;
                    m_timer.stop();
                    preview->reject();
                }
            } else if (m_shown.hasExpired(m_delay)) {
                m_acted.start();
                shownPages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
                m_act(*preview);
            }
            return;
        }
    }

    std::function<void(QPrintPreviewDialog&)> m_act;
    int m_delay;
    QTimer m_timer;
    QElapsedTimer m_shown;
    QElapsedTimer m_acted;
};

}  // namespace

class TestPrinting : public QObject {
    Q_OBJECT
private slots:
    void layout_data();
    void layout();
    void printsTheListedEntriesOnA4InFixedPitch();
    void printsEveryScriptInFixedPitch();
    void paper_data();
    void paper();
    void failuresAreReported_data();
    void failuresAreReported();
    void previewShowsThePagesThatArePrinted_data();
    void previewShowsThePagesThatArePrinted();
    void closingThePreviewPrintsNothingAndSaysNothing_data();
    void closingThePreviewPrintsNothingAndSaysNothing();
    void realPreviewShowsThePagesAndClosesWithoutPrinting_data();
    void realPreviewShowsThePagesAndClosesWithoutPrinting();
    void realPreviewPrintsWhatItShows();
    void listTooLongToPreviewGoesToThePrintDialog();
};

void TestPrinting::layout_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("placed");

    QTest::newRow("two entries of three columns")
        << QStringList{"Smith", "York",  "1970", "", "---", "",
                       "Brown", "Leeds", "1985", "", "---", ""}
        << QStringList{"p0 @0 L0[0+5]",   "p0 @100 L1[0+4]",  "p0 @200 L2[0+4]",
                       "p0 @400 L4[0+3]", "p0 @600 L6[0+5]",  "p0 @700 L7[0+5]",
                       "p0 @800 L8[0+4]", "p0 @1000 L10[0+3]"};
    QTest::newRow("a value of 200 characters continues on two more lines")
        << QStringList{QString(200, QLatin1Char('a')), "next"}
        << QStringList{"p0 @0 L0[0+84]", "p0 @100 L0[84+84]", "p0 @200 L0[168+32]",
                       "p0 @300 L1[0+4]"};
    QTest::newRow("84 characters fit on one line")
        << QStringList{QString(84, QLatin1Char('b')), "next"}
        << QStringList{"p0 @0 L0[0+84]", "p0 @100 L1[0+4]"};
    QTest::newRow("85 characters need two lines")
        << QStringList{QString(85, QLatin1Char('c')), "next"}
        << QStringList{"p0 @0 L0[0+84]", "p0 @100 L0[84+1]", "p0 @200 L1[0+4]"};

    QStringList eighty;
    QStringList eightyPlaced;
    for (int i = 0; i < 80; ++i) {
        eighty.append(QStringLiteral("line %1").arg(i + 1, 2, 10, QLatin1Char('0')));
        // 59 lines fill a page (offsets 0 to 5800); the 60th starts the next one at the top.
        const int page = i < 59 ? 0 : 1;
        const int offset = (i < 59 ? i : i - 59) * 100;
        eightyPlaced.append(QStringLiteral("p%1 @%2 L%3[0+7]").arg(page).arg(offset).arg(i));
    }
    QTest::newRow("80 short lines break after line 59") << eighty << eightyPlaced;

    QStringList bottom(58, QStringLiteral("x"));
    QStringList bottomPlaced;
    for (int i = 0; i < 58; ++i)
        bottomPlaced.append(QStringLiteral("p0 @%1 L%2[0+1]").arg(i * 100).arg(i));
    bottom << QString(200, QLatin1Char('d')) << QStringLiteral("next");
    bottomPlaced << "p0 @5800 L58[0+84]"
                 << "p0 @5900 L58[84+84]"
                 << "p0 @6000 L58[168+32]"
                 << "p1 @0 L59[0+4]";
    QTest::newRow("a long line at the foot of a page finishes there") << bottom << bottomPlaced;

    // 80 printed lines' worth of one value: 66 fit down to the foot of the paper.
    QStringList veryLongPlaced;
    for (int k = 0; k < 80; ++k) {
        const int page = k < 66 ? 0 : 1;
        const int offset = (k < 66 ? k : k - 66) * 100;
        veryLongPlaced.append(
            QStringLiteral("p%1 @%2 L0[%3+84]").arg(page).arg(offset).arg(84 * k));
    }
    veryLongPlaced.append(QStringLiteral("p1 @1400 L1[0+4]"));
    QTest::newRow("a value longer than a page goes on on the next page")
        << QStringList{QString(84 * 80, QLatin1Char('e')), "next"} << veryLongPlaced;

    QTest::newRow("empty lines place nothing, even a page of them")
        << (QStringList(118, QString()) << QStringLiteral("after"))
        << QStringList{"p2 @0 L118[0+5]"};
}

void TestPrinting::layout() {
    QFETCH(QStringList, lines);
    QFETCH(QStringList, placed);
    QCOMPARE(arrange(lines), placed);
}

void TestPrinting::printsTheListedEntriesOnA4InFixedPitch() {
    // The list shows three of the four entries, sorted by name: exactly those are printed,
    // in the list's order.
    ListPageFixture fixture(kPeople, QStringLiteral("Column3>'1965'"), QStringLiteral("Column1"));
    fixture.env.prompter.queuePrint(fixture.pdfOn(QPageSize::A4));
    fixture.clickPrint();

    QCOMPARE(fixture.messages(), QStringList());
    QVERIFY(fixture.env.prompter.queuesEmpty());
    const QString pdf = fixture.pdfPath();

    QStringList text = run("pdftotext", {"-layout", pdf, "-"}).split(QLatin1Char('\n'));
    for (QString& line : text)
        line = line.trimmed();
    text.removeAll(QString());
    QCOMPARE(text, QStringList({"Brown", "Leeds", "1985", "---", "Jones", "Hull", "1990", "---",
                                "Smith", "York", "1970", "---"}));

    // Each word where its line of the list puts it: 200 units (24 pt) from the corner of the
    // paper, one line step (12 pt) per line, empty lines included.
    const QString words = run("pdftotext", {"-bbox", pdf, "-"});
    const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)</word>)re"));
    QStringList placed;
    for (const QRegularExpressionMatch& match : word.globalMatch(words)) {
        const double x = match.captured(1).toDouble();
        const double y = match.captured(2).toDouble();
        const double line = (y - 24.0) / 12.0;
        QVERIFY2(std::abs(x - 24.0) < 0.1, qPrintable(match.captured(0)));
        QVERIFY2(std::abs(line - std::round(line)) < 0.02, qPrintable(match.captured(0)));
        placed.append(QStringLiteral("%1 %2").arg(std::lround(line)).arg(match.captured(3)));
    }
    QCOMPARE(placed, QStringList({"0 Brown", "1 Leeds", "2 1985", "4 ---", "6 Jones", "7 Hull",
                                  "8 1990", "10 ---", "12 Smith", "13 York", "14 1970", "16 ---"}));

    const QString info = run("pdfinfo", {pdf});
    QVERIFY2(info.contains(QRegularExpression(R"(Page size:\s+595(\.\d+)? x 842(\.\d+)? pts)")),
             qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression(R"(Pages:\s+1\n)")), qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression(R"(Title:\s+Printing Screen\n)")), qPrintable(info));

    const QString fonts = run("pdffonts", {pdf});
    QVERIFY2(fonts.contains(QRegularExpression(QStringLiteral("Mono|Courier"),
                                               QRegularExpression::CaseInsensitiveOption)),
             qPrintable(fonts));
}

// Letters the usual fixed-pitch fonts lack (Georgian, Armenian) are printed, in one fixed-pitch
// font that has them: the whole list in it, so that every character takes the same width.
void TestPrinting::printsEveryScriptInFixedPitch() {
    ListPageFixture fixture(
        {QString::fromUtf8("ქართული;Թբիլիսի;1990"), QString::fromUtf8("Ελένη;Αθήνα;1985")});
    fixture.env.prompter.queuePrint(fixture.pdfOn(QPageSize::A4));
    fixture.clickPrint();
    QCOMPARE(fixture.messages(), QStringList());
    const QString text = run("pdftotext", {"-layout", fixture.pdfPath(), "-"});
    for (const char* word : {"ქართული", "Թբիլիսի", "Ελένη", "Αθήνα"})
        QVERIFY2(text.contains(QString::fromUtf8(word)), qPrintable(text));
    const QString fonts = run("pdffonts", {fixture.pdfPath()});
    QVERIFY2(fonts.contains(QStringLiteral("DejaVuSansMono")), qPrintable(fonts));
    QVERIFY2(!fonts.contains(QStringLiteral("LiberationMono")), qPrintable(fonts));
}

void TestPrinting::paper_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("printed");

    QTest::newRow("A4") << int(QPageSize::A4) << int(QPageLayout::Portrait) << true;
    QTest::newRow("Letter prints on A4")
        << int(QPageSize::Letter) << int(QPageLayout::Portrait) << true;
    QTest::newRow("landscape prints portrait")
        << int(QPageSize::A4) << int(QPageLayout::Landscape) << true;
    QTest::newRow("Legal is refused")
        << int(QPageSize::Legal) << int(QPageLayout::Portrait) << false;
    QTest::newRow("A5 is refused") << int(QPageSize::A5) << int(QPageLayout::Portrait) << false;
}

void TestPrinting::paper() {
    QFETCH(int, paper);
    QFETCH(int, orientation);
    QFETCH(bool, printed);

    ListPageFixture fixture(kPeople);
    fixture.env.prompter.queuePrint(
        fixture.pdfOn(QPageSize::PageSizeId(paper), QPageLayout::Orientation(orientation)));
    fixture.page.OnPrintEntries();

    if (printed) {
        QCOMPARE(fixture.messages(), QStringList());
        const QString info = run("pdfinfo", {fixture.pdfPath()});
        QVERIFY2(info.contains(QRegularExpression(R"(Page size:\s+595(\.\d+)? x 842(\.\d+)? pts)")),
                 qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression(R"(Page rot:\s+0\n)")), qPrintable(info));
    } else {
        QCOMPARE(fixture.messages(),
                 QStringList({kPaperCaption + QStringLiteral(": ") + kPaperMessage,
                              fixture.pageMessage(520)}));
        QVERIFY(!QFile::exists(fixture.pdfPath()));
    }
}

void TestPrinting::failuresAreReported_data() {
    QTest::addColumn<PrinterScript>("dialog");
    QTest::addColumn<QList<int>>("messages");

    QTest::newRow("file cannot be written") << PrinterScript([](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QStringLiteral("/nonexistent-folder/entries.pdf"));
        return true;
    }) << QList<int>{520};
    // Without a print system Qt offers PDF output with no file chosen.
    QTest::newRow("no printer and no file") << PrinterScript([](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString());
        return true;
    }) << QList<int>{616, 520};
    QTest::newRow("native printer without a print system") << PrinterScript([](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::NativeFormat);
        return true;
    }) << QList<int>{616, 520};
}

void TestPrinting::failuresAreReported() {
    QFETCH(PrinterScript, dialog);
    QFETCH(QList<int>, messages);
    if (QByteArray(QTest::currentDataTag()).startsWith("native") &&
        !QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("a printer is installed here: this would really print");

    ListPageFixture fixture(kPeople);
    fixture.env.prompter.queuePrint(dialog);
    fixture.page.OnPrintEntries();

    QStringList expected;
    for (int number : messages)
        expected.append(fixture.pageMessage(number));
    QCOMPARE(fixture.messages(), expected);
}

void TestPrinting::previewShowsThePagesThatArePrinted_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("paper");
    QTest::addColumn<int>("pages");

    QTest::newRow("one page") << kPeople << int(QPageSize::A4) << 1;
    QTest::newRow("three pages, Letter chosen to print")
        << threePagesOfPeople() << int(QPageSize::Letter) << 3;
}

// The preview comes first, and shows the very pages that are then printed.
void TestPrinting::previewShowsThePagesThatArePrinted() {
    QFETCH(QStringList, entries);
    QFETCH(int, paper);
    QFETCH(int, pages);

    ListPageFixture fixture(entries);
    fixture.env.prompter.setPreviewFile(fixture.previewPath());
    bool printedDuringPreview = true;
    fixture.env.prompter.queueMeanwhile(
        [&] { printedDuringPreview = QFile::exists(fixture.pdfPath()); });
    fixture.env.prompter.queuePrint(fixture.pdfOn(QPageSize::PageSizeId(paper)));
    fixture.clickPrint();

    QCOMPARE(fixture.messages(), QStringList());
    QVERIFY(fixture.env.prompter.queuesEmpty());
    QCOMPARE(fixture.promptKinds(), QStringList({"preview", "print"}));
    QVERIFY(!printedDuringPreview);
    const ScriptedPrompter::Prompt preview = fixture.env.prompter.prompts().first();
    QCOMPARE(preview.text, QString::number(pages));
    QCOMPARE(preview.caption, QStringLiteral("Printing Screen"));

    QCOMPARE(pdfPages(fixture.previewPath()), pages);
    QCOMPARE(pdfPages(fixture.pdfPath()), pages);
    const QString printed = run("pdftotext", {"-layout", fixture.pdfPath(), "-"});
    QVERIFY2(printed.contains(entries.last().section(QLatin1Char(';'), 0, 0)), qPrintable(printed));
    QCOMPARE(run("pdftotext", {"-layout", fixture.previewPath(), "-"}), printed);
    const QRegularExpression pageSize(QStringLiteral(R"(Page size:[^\n]*)"));
    QCOMPARE(pageSize.match(run("pdfinfo", {fixture.previewPath()})).captured(),
             pageSize.match(run("pdfinfo", {fixture.pdfPath()})).captured());
}

// Qt's preview draws every page before it shows one: a list of more than a thousand pages
// would keep the window busy for minutes. It prints all the same.
void TestPrinting::listTooLongToPreviewGoesToThePrintDialog() {
    QStringList entries;
    for (int i = 0; i < 10001; ++i)
        entries.append(QStringLiteral("Person %1;Town %1;%1").arg(i));
    ListPageFixture fixture(entries);
    fixture.env.prompter.queuePrint(fixture.pdfOn(QPageSize::A4));
    fixture.clickPrint();

    QCOMPARE(fixture.promptKinds(), QStringList({"print"}));
    QCOMPARE(fixture.messages(), QStringList());
    QVERIFY(pdfPages(fixture.pdfPath()) > 1000);
}

void TestPrinting::closingThePreviewPrintsNothingAndSaysNothing_data() {
    QTest::addColumn<bool>("printDialog");
    QTest::newRow("preview closed") << false;
    QTest::newRow("print dialog cancelled, then the preview closed") << true;
}

void TestPrinting::closingThePreviewPrintsNothingAndSaysNothing() {
    QFETCH(bool, printDialog);

    ListPageFixture fixture(kPeople);
    if (printDialog)
        fixture.env.prompter.queuePrint([](QPrinter&) { return false; });
    fixture.clickPrint();

    QCOMPARE(fixture.promptKinds(),
             printDialog ? QStringList({"preview", "print"}) : QStringList({"preview"}));
    QCOMPARE(fixture.messages(), QStringList());
    QVERIFY(!QFile::exists(fixture.pdfPath()));
}

void TestPrinting::realPreviewShowsThePagesAndClosesWithoutPrinting_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("Escape") << true;
    QTest::newRow("closed by its title bar") << false;
}

// Qt's own preview dialog, left open for a while as a person would: it shows every page, and
// closing it prints nothing and says nothing.
void TestPrinting::realPreviewShowsThePagesAndClosesWithoutPrinting() {
    QFETCH(bool, escape);

    ListPageFixture fixture(threePagesOfPeople());
    RealPreview prompter;
    DialogRobot robot;
    PreviewReader person([escape](QPrintPreviewDialog& preview) {
        if (escape)
            DialogRobot::pressKey(&preview, Qt::Key_Escape);
        else
            DialogRobot::closeWindow(&preview);
    });
    fixture.page.OnPrintEntries();

    QVERIFY(!person.stuck);
    QCOMPARE(person.shownPages, 3);
    QVERIFY(!prompter.printed);
    QCOMPARE(ListPageFixture::messagesOf(prompter), QStringList());
    QCOMPARE(robot.seen(), QStringList());
    QVERIFY2(robot.faults().isEmpty(), qPrintable(robot.faults().join("; ")));
    for (QWidget* window : QApplication::topLevelWidgets())
        QVERIFY(!(qobject_cast<QPrintPreviewDialog*>(window) && window->isVisible()));
}

// Print in Qt's preview opens the print dialog; what it prints is what the preview showed.
void TestPrinting::realPreviewPrintsWhatItShows() {
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("a printer is installed here: the print dialog would offer it first");

    ListPageFixture fixture(threePagesOfPeople());
    RealPreview prompter;
    DialogRobot robot;
    const QString pdf = fixture.pdfPath();
    QString printDialogOptions;
    // The person in the print dialog chooses the file and prints.
    QTimer inPrintDialog;
    inPrintDialog.setInterval(10);
    QObject::connect(&inPrintDialog, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QPrintDialog*>(window);
            if (!dialog || !dialog->isVisible())
                continue;
            inPrintDialog.stop();
            printDialogOptions = dialog->testOption(QAbstractPrintDialog::PrintPageRange)
                                     ? QStringLiteral("page range")
                                     : QStringLiteral("whole document");
            auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
            if (!file) {
                printDialogOptions = QStringLiteral("no file name to enter");
                dialog->reject();
                return;
            }
            file->setText(pdf);
            DialogRobot::pressKey(dialog, Qt::Key_Return);
            return;
        }
    });
    PreviewReader person([&](QPrintPreviewDialog& preview) {
        inPrintDialog.start();
        // The tool bar of a preview this size shows only its first buttons: Print is in its
        // overflow menu, and does there what it does on the bar.
        for (QAction* action : preview.findChildren<QAction*>()) {
            if (action->text() == QPrintPreviewDialog::tr("Print")) {
                action->trigger();
                return;
            }
        }
        QFAIL("the preview has no Print");
    });
    fixture.page.OnPrintEntries();

    QVERIFY(!person.stuck);
    QVERIFY(prompter.printed);
    QCOMPARE(printDialogOptions, QStringLiteral("whole document"));
    QCOMPARE(ListPageFixture::messagesOf(prompter), QStringList());
    QCOMPARE(robot.seen(), QStringList());
    QCOMPARE(person.shownPages, 3);
    QCOMPARE(pdfPages(pdf), 3);
    const QString text = run("pdftotext", {"-layout", pdf, "-"});
    for (const char* word : {"Person 01", "Town 13", "1925"})
        QVERIFY2(text.contains(QLatin1String(word)), qPrintable(text));
}

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
