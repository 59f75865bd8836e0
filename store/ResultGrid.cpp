#include "ResultGrid.h"

#include <limits>

QString ResultGrid::at(qsizetype index) const {
    if (index < 0 || index >= static_cast<qsizetype>(m_ends.size()))
        return {};
    const quint32 begin = index == 0 ? 0 : m_ends[index - 1];
    return QString::fromLatin1(m_data.constData() + begin, m_ends[index] - begin);
}

const char* ResultGrid::cellData(int row, int column, int* size) const {
    const qsizetype index = static_cast<qsizetype>(row) * m_columnCount + column;
    const quint32 begin = index == 0 ? 0 : m_ends[index - 1];
    *size = static_cast<int>(m_ends[index] - begin);
    return m_data.constData() + begin;
}

void ResultGrid::clear() {
    m_columnCount = 0;
    m_resultColumns.clear();
    m_data = QByteArray();
    m_ends = {};
}

void ResultGrid::reserve(qsizetype bytes, qsizetype cells) {
    m_data.reserve(bytes);
    m_ends.reserve(cells);
}

bool ResultGrid::appendCell(const char* data, qsizetype size) {
    if (static_cast<quint64>(m_data.size()) + size > std::numeric_limits<quint32>::max())
        return false;
    m_data.append(data, size);
    m_ends.push_back(static_cast<quint32>(m_data.size()));
    return true;
}
