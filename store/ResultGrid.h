#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <vector>

// The rows a query returned, held compactly: every cell's bytes (UTF-8) in one buffer
// and the end offset of each cell, and each row's id when the query read them. A million
// entries of eight columns cost their text plus four bytes a cell, and eight a row only when
// their ids do not follow one another; a cell becomes a QString only when somebody asks for it.
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
    const char* cellData(int row, int column, int* size) const {
        const size_t index = static_cast<size_t>(row) * m_columnCount + column;
        const quint32 begin = index == 0 ? 0 : m_ends[index - 1];
        *size = static_cast<int>(m_ends[index] - begin);
        return m_data.data() + begin;
    }
    // The store's id of the row, when the query read ids; 0 otherwise.
    qint64 rowid(int row) const {
        if (m_rowids.empty())
            return static_cast<size_t>(row) < m_consecutiveRowids ? m_firstRowid + row : 0;
        return static_cast<size_t>(row) < m_rowids.size() ? m_rowids[row] : 0;
    }
    // The sizes of the row's cells folded into one number: rows of different shapes hold
    // different values, so a search for equal rows passes them over.
    quint32 rowShape(int row) const;

    // Empties the grid but keeps its memory, so that the next result of about the same size
    // is read without growing and copying the buffers again.
    void clear();
    // Empties the grid and gives its memory back.
    void release();
    void setColumnCount(int count) { m_columnCount = count; }
    // Makes room for that many, and some more, so that the first rows appended after them do
    // not move the whole grid.
    void reserve(qsizetype bytes, qsizetype cells, qsizetype rows = 0);
    // Appends the next cell, row by row. False when the grid would exceed 4 GiB.
    bool appendCell(const char* data, qsizetype size);
    // Gives the row being appended its id: once for each row, before or after its cells.
    void appendRowid(qint64 rowid);
    // Appends row of other, which has the same columns, with its id. False, with nothing
    // appended, when the grid would exceed 4 GiB.
    bool appendRow(const ResultGrid& other, int row);

    // A column of every row changes in place, without a second copy of the cells; the rows
    // must be complete, and the grid then no longer names its columns (m_resultColumns).
    // removeColumn() drops column (nothing beyond the last). insertColumn() puts a column
    // before column (up to columnCount()) whose cells are cells by row, or the empty text in
    // every row when cells is empty; false, with the grid unchanged, when it would exceed
    // 4 GiB. A grid without rows only counts its columns anew.
    void removeColumn(int column);
    bool insertColumn(int column, const std::vector<QByteArrayView>& cells = {});

    QStringList m_resultColumns;

private:
    int m_columnCount = 0;
    std::vector<char> m_data;
    std::vector<quint32> m_ends;
    // Ids that follow one another, as an open's entries and those added after them have, are
    // not held: the first and how many. m_rowids holds them once one does not follow.
    qint64 m_firstRowid = 0;
    size_t m_consecutiveRowids = 0;
    std::vector<qint64> m_rowids;
};
