#include "LinePrinter.h"

#include "BusyCursor.h"

#include "PrintLayout.h"
#include "Prompter.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QRawFont>
#include <QSet>

#include <algorithm>

namespace {

constexpr int kDotsPerInch = 600;
constexpr qsizetype kMostPreviewedLines = 60000;
// Height of a character cell (ascent plus descent) in device units.
constexpr int kCellHeight = 90;

// Whether font itself, not one Qt would fall back to for a character, draws every character of
// lines that is not ASCII (ASCII every font has).
bool drawsAll(const QFont& font, const QStringList& lines) {
    const QRawFont itself = QRawFont::fromFont(font);
    QSet<char32_t> seen;
    for (const QString& line : lines) {
        for (char32_t c : line.toUcs4()) {
            if (c >= 0x80 && !seen.contains(c)) {
                if (!itself.supportsCharacter(c))
                    return false;
                seen.insert(c);
            }
        }
    }
    return true;
}

// "Courier New" where it exists or fontconfig offers a metric twin (Liberation Mono);
// otherwise the system's fixed-pitch font, so that the columns of text stay aligned. Where
// that font lacks characters of the lines (Cyrillic, Greek, CJK ...), DejaVu Sans Mono, which
// has far more.
QFont printFont(QPaintDevice& device, const QStringList& lines) {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    if (!QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!drawsAll(font, lines)) {
        QFont wider(QStringLiteral("DejaVu Sans Mono"));
        if (QFontInfo(wider).family() == wider.family())
            font = wider;
    }
    font.setWeight(QFont::Thin);
    // Qt sizes a font by its em height; the layout's line step of 100 is made for a cell
    // of 90, so scale the em until the cell has that height.
    font.setPixelSize(kCellHeight);
    const qreal cell = QFontMetricsF(font, &device).height();
    if (cell > 0)
        font.setPixelSize(std::max(1, qRound(kCellHeight * kCellHeight / cell)));
    return font;
}

}  // namespace

bool LinePrinter::PrintLines(const QStringList& lines) {
    QPrinter printer(QPrinter::HighResolution);
    // The preview shows the page setup that prints, and the print dialog starts from it.
    prepare(printer);
    // Each call draws the whole document; the last one is the printout, if any.
    Outcome printed = Outcome::Cancelled;
    // Qt's preview holds every page in memory before it shows one: beyond about a thousand
    // pages (the list of some five thousand entries) the print dialog comes alone.
    const bool withPreview = lines.size() <= kMostPreviewedLines;
    if (!Prompter::current().previewAndPrint(
            printer, m_parent, [&](QPrinter& device) { printed = paint(device, lines); },
            withPreview))
        return finish(Outcome::Cancelled);
    if (printed == Outcome::PaperRefused) {
        Prompter::current().message(
            m_parent, QStringLiteral("The paper format you selected is not supported!"),
            QStringLiteral("Orvane Printing Error"), Prompter::Buttons::Ok, Prompter::Icon::None);
    }
    return finish(printed);
}

LinePrinter::Outcome LinePrinter::paint(QPrinter& printer, const QStringList& lines) const {
    // The print dialog may have chosen other paper since the preview.
    if (!acceptPaper(printer))
        return Outcome::PaperRefused;
    prepare(printer);

    BusyCursor busy;
    QPainter painter;
    if (!painter.begin(&printer)) {
        // Without a print system Qt falls back to PDF output with no file to write to.
        const bool noPrinter =
            printer.outputFormat() == QPrinter::NativeFormat || printer.outputFileName().isEmpty();
        return noPrinter ? Outcome::NoPrinter : Outcome::Failed;
    }
    if (!draw(painter, printer, lines)) {
        // Half a document is of no use: cancel the job where the printer allows it.
        printer.abort();
        painter.end();
        return Outcome::Failed;
    }
    return painter.end() ? Outcome::Printed : Outcome::Failed;
}

bool LinePrinter::finish(Outcome outcome) {
    m_outcome = outcome;
    return outcome == Outcome::Printed;
}

bool LinePrinter::acceptPaper(const QPrinter& printer) const {
    const QPageSize::PageSizeId paper = printer.pageLayout().pageSize().id();
    return paper == QPageSize::A4 || paper == QPageSize::Letter;
}

void LinePrinter::prepare(QPrinter& printer) {
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    // The layout measures from the corner of the paper, not from the printable area.
    printer.setFullPage(true);
    printer.setResolution(kDotsPerInch);
    printer.setDocName(QStringLiteral("Printing Screen"));
}

bool LinePrinter::draw(QPainter& painter, QPrinter& printer, const QStringList& lines) {
    // A printer that insists on another resolution still gets the layout's geometry.
    const qreal scale = qreal(printer.resolution()) / kDotsPerInch;
    if (scale != 1.0)
        painter.scale(scale, scale);
    const QFont font = printFont(printer, lines);
    painter.setFont(font);
    painter.setPen(Qt::black);
    // Text is placed by its baseline; the layout gives the top of the character cell.
    const qreal ascent = QFontMetricsF(font, &printer).ascent();

    PrintLayout layout(lines);
    PlacedChunk chunk;
    int page = 0;
    while (layout.next(chunk)) {
        for (; page < chunk.page; ++page) {
            if (!printer.newPage())
                return false;
        }
        painter.drawText(QPointF(PrintLayout::kLeft, PrintLayout::kTop + chunk.offset + ascent),
                         lines.at(chunk.line).mid(chunk.start, chunk.length));
    }
    return true;
}
