#pragma once

#include <QtGlobal>
#include <vector>

struct sqlite3_context;

// The values one store column held before a column move overwrote them, by row: each row as
// the step of its id from the row before and its value, one after the other, and rows in a
// row that hold NULL or the empty text as one run of them. So the undo of a move over a
// million entries costs about the column's text in memory (nearly nothing for an empty
// column) and is read back in the same one pass the move itself takes.
class ColumnStash {
public:
    bool isEmpty() const { return m_count == 0; }
    qsizetype size() const { return m_count; }
    void clear();
    // Gives back the room the last appends did not need.
    void shrinkToFit() { m_bytes.shrink_to_fit(); }
    qint64 memoryUse() const { return static_cast<qint64>(m_bytes.capacity()); }

    // Keeps value (size bytes; null for NULL) as the value of row rowid. Rows come in any
    // order, ascending being the cheap one.
    void append(qint64 rowid, const char* value, int size);

    // Reads the values back by row id: a forward cursor, since a statement over the whole
    // table visits the rows in the order they were kept.
    class Reader {
    public:
        explicit Reader(const ColumnStash& stash) : m_stash(stash) {}
        // The value kept for rowid (*size bytes, valid while the stash is unchanged), or null
        // when none was.
        const char* valueFor(qint64 rowid, qint64* size);
        // Sets the result of context to the value kept for rowid, or NULL when none was.
        void resultFor(qint64 rowid, sqlite3_context* context);

    private:
        bool next();  // reads the entry at m_position into the fields below

        const ColumnStash& m_stash;
        size_t m_position = 0;
        qint64 m_first = 0;  // the rows the entry read last holds
        qint64 m_last = 0;
        const unsigned char* m_value = nullptr;
        qint64 m_size = -1;  // -1: NULL
        bool m_current = false;
    };

private:
    friend class Reader;
    std::vector<unsigned char> m_bytes;
    qint64 m_lastRowid = 0;
    qsizetype m_count = 0;
    // The run the last entry began, while appends can lengthen it: NULL or the empty text,
    // how many rows, and where its count is written (it ends the bytes).
    enum class Run { None, Null, Empty };
    Run m_run = Run::None;
    quint64 m_runLength = 0;
    size_t m_runLengthAt = 0;
};
