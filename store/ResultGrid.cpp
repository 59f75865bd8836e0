#include "ResultGrid.h"

#include "TextEncoding.h"

#include <cstring>
#include <iterator>
#include <limits>

QString ResultGrid::at(qsizetype index) const {
    if (index < 0 || index >= static_cast<qsizetype>(m_ends.size()))
        return {};
    const quint32 begin = index == 0 ? 0 : m_ends[index - 1];
    return textencoding::fromUtf8(m_data.data() + begin, m_ends[index] - begin);
}

quint32 ResultGrid::rowShape(int row) const {
    // Made when asked rather than held: four bytes a row of a large list.
    quint32 shape = 2166136261u;
    for (int column = 0; column < m_columnCount; ++column) {
        int size = 0;
        cellData(row, column, &size);
        shape = (shape ^ static_cast<quint32>(size)) * 16777619u;
    }
    return shape;
}

void ResultGrid::clear() {
    m_columnCount = 0;
    m_resultColumns.clear();
    m_data.clear();
    m_ends.clear();
    m_rowids.clear();
    m_firstRowid = 0;
    m_consecutiveRowids = 0;
}

void ResultGrid::release() {
    clear();
    m_data.shrink_to_fit();
    m_ends.shrink_to_fit();
    m_rowids.shrink_to_fit();
}

void ResultGrid::reserve(qsizetype bytes, qsizetype cells, qsizetype rows) {
    // A sixteenth more: room for the changes of a long session before the first move.
    const auto withRoom = [](qsizetype n) { return static_cast<size_t>(n + n / 16); };
    m_data.reserve(withRoom(bytes));
    m_ends.reserve(withRoom(cells));
    m_rowids.reserve(withRoom(rows));
}

void ResultGrid::appendRowid(qint64 rowid) {
    if (m_rowids.empty()) {
        if (m_consecutiveRowids == 0)
            m_firstRowid = rowid;
        if (rowid == m_firstRowid + static_cast<qint64>(m_consecutiveRowids)) {
            ++m_consecutiveRowids;
            return;
        }
        m_rowids.reserve(m_consecutiveRowids + 1);
        for (size_t i = 0; i < m_consecutiveRowids; ++i)
            m_rowids.push_back(m_firstRowid + static_cast<qint64>(i));
        m_consecutiveRowids = 0;
    }
    m_rowids.push_back(rowid);
}

bool ResultGrid::appendCell(const char* data, qsizetype size) {
    if (static_cast<quint64>(m_data.size()) + size > std::numeric_limits<quint32>::max())
        return false;
    m_data.insert(m_data.end(), data, data + size);
    m_ends.push_back(static_cast<quint32>(m_data.size()));
    return true;
}

bool ResultGrid::appendRow(const ResultGrid& other, int row) {
    const size_t bytes = m_data.size();
    const size_t cells = m_ends.size();
    for (int column = 0; column < other.columnCount(); ++column) {
        int size = 0;
        const char* cell = other.cellData(row, column, &size);
        if (!appendCell(cell, size)) {
            m_data.resize(bytes);  // no part of the row stays
            m_ends.resize(cells);
            return false;
        }
    }
    appendRowid(other.rowid(row));
    return true;
}

void ResultGrid::removeColumn(int column) {
    m_resultColumns.clear();
    if (column < 0 || column >= m_columnCount)
        return;
    const size_t rows = static_cast<size_t>(rowCount());
    const auto count = static_cast<size_t>(m_columnCount);
    char* data = m_data.data();
    quint32 written = 0;  // bytes of the rows done, as they are now
    size_t cell = 0;      // the next cell written
    for (size_t row = 0; row < rows; ++row) {
        // The row's bytes before the column and after it are each in one piece.
        const size_t first = row * count;
        const quint32 rowBegin = first == 0 ? 0 : m_ends[first - 1];
        const quint32 cut = first + column == 0 ? 0 : m_ends[first + column - 1];
        const quint32 cutEnd = m_ends[first + column];
        const quint32 rowEnd = m_ends[first + count - 1];
        std::memmove(data + written, data + rowBegin, cut - rowBegin);
        std::memmove(data + written + (cut - rowBegin), data + cutEnd, rowEnd - cutEnd);
        quint32 begin = rowBegin;
        quint32 end = written;
        for (size_t k = 0; k < count; ++k) {
            const quint32 size = m_ends[first + k] - begin;
            begin = m_ends[first + k];
            if (static_cast<int>(k) == column)
                continue;
            end += size;
            m_ends[cell++] = end;  // never ahead of the cells still to be read
        }
        written = end;
    }
    m_data.resize(written);
    m_ends.resize(cell);
    --m_columnCount;
}

bool ResultGrid::insertColumn(int column, const std::vector<QByteArrayView>& cells) {
    m_resultColumns.clear();
    if (column < 0 || column > m_columnCount)
        return false;
    const size_t rows = static_cast<size_t>(rowCount());
    if (rows == 0) {
        ++m_columnCount;
        return true;
    }
    quint64 added = 0;
    for (const QByteArrayView cell : cells)
        added += static_cast<quint64>(cell.size());
    if (m_data.size() + added > std::numeric_limits<quint32>::max())
        return false;
    const auto count = static_cast<size_t>(m_columnCount);
    quint32 ends[64];  // a row's ends as they were
    if (count > std::size(ends))
        return false;
    const size_t wider = count + 1;
    m_data.resize(m_data.size() + added);
    m_ends.resize(rows * wider);
    char* data = m_data.data();
    // From the last row back: each row moves up by what the rows before it gain, over bytes
    // and ends already moved.
    quint32 rowEndNow = static_cast<quint32>(m_data.size());
    for (size_t row = rows; row-- > 0;) {
        const size_t first = row * count;
        const quint32 rowBegin = first == 0 ? 0 : m_ends[first - 1];
        std::memcpy(ends, &m_ends[first], count * sizeof(quint32));
        const QByteArrayView cell = cells.empty() ? QByteArrayView() : cells[row];
        const auto cellSize = static_cast<quint32>(cell.size());
        const quint32 cut = column == 0 ? rowBegin : ends[column - 1];
        const quint32 rowEnd = ends[count - 1];
        const quint32 rowBeginNow = rowEndNow - (rowEnd - rowBegin) - cellSize;
        std::memmove(data + rowBeginNow + (cut - rowBegin) + cellSize, data + cut, rowEnd - cut);
        std::memmove(data + rowBeginNow, data + rowBegin, cut - rowBegin);
        if (cellSize > 0)
            std::memcpy(data + rowBeginNow + (cut - rowBegin), cell.data(), cellSize);
        quint32 begin = rowBegin;
        quint32 end = rowBeginNow;
        size_t at = row * wider;
        for (size_t k = 0; k <= count; ++k) {
            if (static_cast<int>(k) == column) {
                end += cellSize;
                m_ends[at++] = end;
            }
            if (k == count)
                break;
            const quint32 size = ends[k] - begin;
            begin = ends[k];
            end += size;
            m_ends[at++] = end;
        }
        rowEndNow = rowBeginNow;
    }
    ++m_columnCount;
    return true;
}
