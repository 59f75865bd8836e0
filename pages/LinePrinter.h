#pragma once

#include <QStringList>

class QPainter;
class QPrinter;
class QWidget;

// Prints lines of plain text in a fixed-pitch font on a printer the user chooses, laid out
// by PrintLayout on A4 paper, after a preview of the very pages. No headings, page numbers or
// dates.
class LinePrinter {
public:
    // Cancelled: the preview was closed without printing, which needs no word.
    enum class Outcome { Printed, Cancelled, PaperRefused, NoPrinter, Failed };

    // parent: the window the preview, the print dialog and messages belong to.
    explicit LinePrinter(QWidget* parent) : m_parent(parent) {}

    // Shows the preview of lines, from which the user prints them. True when the whole document
    // was handed to the printer (or written to the file); outcome() tells why not otherwise.
    bool PrintLines(const QStringList& lines);
    Outcome outcome() const { return m_outcome; }

private:
    bool finish(Outcome outcome);
    // Draws lines on printer, for the preview and for the printout alike.
    Outcome paint(QPrinter& printer, const QStringList& lines) const;
    // Letter and A4 are printed (both as A4); any other paper is refused with a message.
    bool acceptPaper(const QPrinter& printer) const;
    static void prepare(QPrinter& printer);
    // False when a new page could not be started; nothing more is drawn then.
    static bool draw(QPainter& painter, QPrinter& printer, const QStringList& lines);

    QWidget* m_parent;
    Outcome m_outcome = Outcome::Printed;
};
