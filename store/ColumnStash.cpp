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

}  // namespace

void ColumnStash::clear() {
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_lastRowid = 0;
    m_count = 0;
}

void ColumnStash::append(qint64 rowid, const char* value, int size) {
    putVarint(m_bytes, zigzag(rowid - m_lastRowid));
    m_lastRowid = rowid;
    // The length one more than it is, so that 0 can stand for NULL.
    putVarint(m_bytes, value ? static_cast<quint64>(size) + 1 : 0);
    if (value)
        m_bytes.insert(m_bytes.end(), value, value + size);
    ++m_count;
}

bool ColumnStash::Reader::next() {
    if (m_position >= m_stash.m_bytes.size())
        return false;
    m_rowid += unzigzag(getVarint(m_stash.m_bytes, m_position));
    const quint64 length = getVarint(m_stash.m_bytes, m_position);
    m_size = static_cast<qint64>(length) - 1;
    m_value = m_stash.m_bytes.data() + m_position;
    if (m_size > 0)
        m_position += static_cast<size_t>(m_size);
    return true;
}

void ColumnStash::Reader::resultFor(qint64 rowid, sqlite3_context* context) {
    // A row before the cursor: the statement visits the rows in another order; start over.
    if (m_current && rowid < m_rowid) {
        m_position = 0;
        m_rowid = 0;
        m_current = false;
    }
    if (!m_current)
        m_current = next();
    while (m_current && m_rowid < rowid)
        m_current = next();
    if (!m_current || m_rowid != rowid || m_size < 0) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_text(context, reinterpret_cast<const char*>(m_value), static_cast<int>(m_size),
                        SQLITE_TRANSIENT);
}
