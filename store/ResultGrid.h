#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The rows a query returned, held compactly: every cell's bytes (UTF-8) in one buffer
// and the end offset of each cell. A million entries of eight columns cost their text plus
// four bytes a cell; a cell becomes a QString only when somebody asks for it.
class ResultGrid {
public:
    int columnCount() const { return m_columnCount; }
    int rowCount() const {
        return m_columnCount == 0 ? 0 : static_cast<int>(m_ends.size() / m_columnCount);
    }
    bool isEmpty() const { return m_ends.empty(); }

    // Cell (row, column) as text; cell i of the row-by-row order with at(i).
    QString value(int row, int column) const {
        return at(static_cast<qsizetype>(row) * m_columnCount + column);
    }
    QString at(qsizetype index) const;
    // The raw bytes of a cell, valid while the grid is unchanged.
    const char* cellData(int row, int column, int* size) const;

    // Empties the grid but keeps its memory, so that the next result of about the same size
    // is read without growing and copying the buffers again.
    void clear();
    // Empties the grid and gives its memory back.
    void release();
    void setColumnCount(int count) { m_columnCount = count; }
    void reserve(qsizetype bytes, qsizetype cells);
    // Appends the next cell, row by row. False when the grid would exceed 4 GiB.
    bool appendCell(const char* data, qsizetype size);

    QStringList m_resultColumns;

private:
    int m_columnCount = 0;
    std::vector<char> m_data;
    std::vector<quint32> m_ends;
};
