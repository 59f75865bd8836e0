#include "ResultGrid.h"

#include "TextEncoding.h"

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
