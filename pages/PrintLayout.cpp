#include "PrintLayout.h"

#include <algorithm>

PrintLayout::PrintLayout(QStringList lines) : m_lines(std::move(lines)) {}

bool PrintLayout::next(PlacedChunk& chunk) {
    while (m_line < m_lines.size()) {
        const QString& line = m_lines.at(m_line);
        const bool continuation = m_start > 0;
        if (!continuation && m_offset > kLastLineOffset)
            startNextPage();
        if (line.isEmpty()) {
            m_offset += kLineStep;
            ++m_line;
            continue;
        }
        if (continuation && m_offset > kLastContinuationOffset)
            startNextPage();

        const int length = std::min(kChunkLength, static_cast<int>(line.size()) - m_start);
        chunk = {m_page, m_offset, m_line, m_start, length};
        m_start += length;
        if (m_start >= line.size()) {
            ++m_line;
            m_start = 0;
        }
        m_offset += kLineStep;
        return true;
    }
    return false;
}

void PrintLayout::startNextPage() {
    ++m_page;
    m_offset = 0;
}
