#pragma once

#include <QStringList>

// One piece of a printed line: characters start to start + length of line number line,
// drawn on page (from 0) at offset below the top of the text.
struct PlacedChunk {
    int page = 0;
    int offset = 0;
    int line = 0;
    int start = 0;
    int length = 0;
};

// Where the lines of a printout go, in the device units of a 600 dpi page: every line
// starts at the left edge, one line step below the one before; a line longer than a printed
// line continues on the following ones. A list line that would start below the last line
// offset goes to the next page. Empty lines place nothing but take their step.
class PrintLayout {
public:
    static constexpr int kLeft = 200;
    static constexpr int kTop = 200;
    static constexpr int kLineStep = 100;
    static constexpr int kChunkLength = 84;
    static constexpr int kLastLineOffset = 5800;
    // The continuation of a long line may run below the last line offset, but a very long
    // line must not run off the paper (7017 units high): it goes on on the next page.
    static constexpr int kLastContinuationOffset = 6500;

    explicit PrintLayout(QStringList lines);

    // The next chunk in printing order, page by page; false after the last one. Chunks come
    // one at a time so that a printout of many pages needs no second copy of its text.
    bool next(PlacedChunk& chunk);

    const QStringList& lines() const { return m_lines; }

private:
    void startNextPage();

    QStringList m_lines;
    int m_line = 0;
    int m_start = 0;  // of the next chunk within m_lines[m_line]
    int m_page = 0;
    int m_offset = 0;
};
