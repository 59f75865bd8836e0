#include "ResultGrid.h"

#include <limits>

QString ResultGrid::at(qsizetype index) const {
    if (index < 0 || index >= static_cast<qsizetype>(m_ends.size()))
        return {};
    const quint32 begin = index == 0 ? 0 : m_ends[index - 1];
    return QString::fromUtf8(m_data.data() + begin, m_ends[index] - begin);
}

const char* ResultGrid::cellData(int row, int column, int* size) const {
    const qsizetype index = static_cast<qsizetype>(row) * m_columnCount + column;
    const quint32 begin = index == 0 ? 0 : m_ends[index - 1];
    *size = static_cast<int>(m_ends[index] - begin);
    return m_data.data() + begin;
}

void ResultGrid::clear() {
    m_columnCount = 0;
    m_resultColumns.clear();
    m_data.clear();
    m_ends.clear();
}

void ResultGrid::release() {
    clear();
    m_data.shrink_to_fit();
    m_ends.shrink_to_fit();
}

void ResultGrid::reserve(qsizetype bytes, qsizetype cells) {
    m_data.reserve(static_cast<size_t>(bytes));
    m_ends.reserve(static_cast<size_t>(cells));
}

bool ResultGrid::appendCell(const char* data, qsizetype size) {
    if (static_cast<quint64>(m_data.size()) + size > std::numeric_limits<quint32>::max())
        return false;
    m_data.insert(m_data.end(), data, data + size);
    m_ends.push_back(static_cast<quint32>(m_data.size()));
    return true;
}
