#include "ColumnStash.h"

#include <sqlite3.h>

namespace {

// Unsigned numbers in 7-bit groups, low first, the high bit saying "more follows".
void putVarint(std::vector<unsigned char>& out, quint64 value) {
    while (value >= 0x80) {
        out.push_back(static_cast<unsigned char>(value | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<unsigned char>(value));
}

quint64 getVarint(const std::vector<unsigned char>& in, size_t& position) {
    quint64 value = 0;
    int shift = 0;
    while (position < in.size()) {
        const unsigned char byte = in[position++];
        value |= static_cast<quint64>(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            break;
        shift += 7;
    }
    return value;
}

// Signed steps as unsigned numbers, small either way: 0, -1, 1, -2, 2 ... as 0, 1, 2, 3, 4.
quint64 zigzag(qint64 value) {
    return (static_cast<quint64>(value) << 1) ^ static_cast<quint64>(value >> 63);
}

qint64 unzigzag(quint64 value) {
    return static_cast<qint64>(value >> 1) ^ -static_cast<qint64>(value & 1);
}

// What follows the step of a row's id: a run of NULLs, a run of empty texts (each with how
// many rows it covers), or a value of (code - kValue) bytes.
constexpr quint64 kNullRun = 0;
constexpr quint64 kEmptyRun = 1;
constexpr quint64 kValue = 2;

}  // namespace

void ColumnStash::clear() {
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_lastRowid = 0;
    m_count = 0;
    m_run = Run::None;
}

void ColumnStash::append(qint64 rowid, const char* value, int size) {
    ++m_count;
    const Run run = !value ? Run::Null : size == 0 ? Run::Empty : Run::None;
    if (run != Run::None && run == m_run && rowid == m_lastRowid + 1) {
        m_bytes.resize(m_runLengthAt);
        putVarint(m_bytes, ++m_runLength);
        m_lastRowid = rowid;
        return;
    }
    putVarint(m_bytes, zigzag(rowid - m_lastRowid));
    m_lastRowid = rowid;
    m_run = run;
    if (run == Run::None) {
        putVarint(m_bytes, static_cast<quint64>(size) + kValue);
        m_bytes.insert(m_bytes.end(), value, value + size);
        return;
    }
    putVarint(m_bytes, run == Run::Null ? kNullRun : kEmptyRun);
    m_runLength = 1;
    m_runLengthAt = m_bytes.size();
    putVarint(m_bytes, m_runLength);
}

bool ColumnStash::Reader::next() {
    if (m_position >= m_stash.m_bytes.size())
        return false;
    m_first = m_last + unzigzag(getVarint(m_stash.m_bytes, m_position));
    const quint64 code = getVarint(m_stash.m_bytes, m_position);
    if (code < kValue) {
        m_last = m_first + static_cast<qint64>(getVarint(m_stash.m_bytes, m_position)) - 1;
        m_size = code == kNullRun ? -1 : 0;
        return true;
    }
    m_last = m_first;
    m_size = static_cast<qint64>(code - kValue);
    m_value = m_stash.m_bytes.data() + m_position;
    m_position += static_cast<size_t>(m_size);
    return true;
}

const char* ColumnStash::Reader::valueFor(qint64 rowid, qint64* size) {
    // A row before the cursor: the statement visits the rows in another order; start over.
    if (m_current && rowid < m_first) {
        m_position = 0;
        m_last = 0;
        m_current = false;
    }
    if (!m_current)
        m_current = next();
    while (m_current && m_last < rowid)
        m_current = next();
    if (!m_current || rowid < m_first || m_size < 0) {
        *size = 0;
        return nullptr;
    }
    *size = m_size;
    return m_size == 0 ? "" : reinterpret_cast<const char*>(m_value);
}

void ColumnStash::Reader::resultFor(qint64 rowid, sqlite3_context* context) {
    qint64 size = 0;
    const char* value = valueFor(rowid, &size);
    if (!value) {
        sqlite3_result_null(context);
        return;
    }
    // The stash outlives every statement that reads it: the engine copies the text as it
    // writes the row.
    sqlite3_result_text(context, value, static_cast<int>(size), SQLITE_STATIC);
}
