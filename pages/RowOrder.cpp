#include "RowOrder.h"

#include "TextOrder.h"

#include <QThread>
#include <algorithm>
#include <cstring>
#include <thread>

namespace {

// The sort keys of some rows' cells, packed: key i is bytes [ends[i-1], ends[i]).
struct Keys {
    std::vector<unsigned char> bytes;
    std::vector<size_t> ends;

    void add(const ResultGrid& grid, int row, int column, textorder::SortKeys& maker) {
        int size = 0;
        const char* cell = grid.cellData(row, column, &size);
        maker.append(cell, size, &bytes);
        ends.push_back(bytes.size());
    }
    const unsigned char* key(size_t i, size_t* size) const {
        const size_t begin = i == 0 ? 0 : ends[i - 1];
        *size = ends[i] - begin;
        return bytes.data() + begin;
    }
};

// Bytes compared unsigned, a key before every longer key it begins: as the store compares
// its blobs.
int compareKeys(const unsigned char* a, size_t aSize, const unsigned char* b, size_t bSize) {
    const int common = std::memcmp(a, b, std::min(aSize, bSize));
    if (common != 0)
        return common;
    return aSize < bSize ? -1 : aSize > bSize ? 1 : 0;
}

// Runs work(part) for every part at once: part 0 on this thread, the others on their own.
template <typename Work>
void inParallel(int parts, const Work& work) {
    std::vector<std::thread> others;
    for (int part = 1; part < parts; ++part)
        others.emplace_back(work, part);
    work(0);
    for (std::thread& other : others)
        other.join();
}

}  // namespace

std::vector<int> RowOrder::sorted(std::vector<int> rows) const {
    if (m_column < 0 || rows.size() < 2)
        return rows;
    // A key is made for each row once, on every core a part; each part is sorted on its own
    // core and the parts merged. A stable sort of rows in id order keeps equal keys in id order.
    const int parts = rows.size() < 10000 ? 1 : std::max(1, QThread::idealThreadCount());
    std::vector<Keys> keys(static_cast<size_t>(parts));
    std::vector<size_t> starts(static_cast<size_t>(parts) + 1);
    for (int part = 0; part <= parts; ++part)
        starts[part] = rows.size() * static_cast<size_t>(part) / static_cast<size_t>(parts);
    // Position i of rows: its part's keys, at i - start.
    std::vector<int> positions(rows.size());
    inParallel(parts, [&](int part) {
        textorder::SortKeys maker;
        Keys& own = keys[part];
        own.ends.reserve(starts[part + 1] - starts[part]);
        for (size_t i = starts[part]; i < starts[part + 1]; ++i) {
            own.add(m_grid, rows[i], m_column, maker);
            positions[i] = static_cast<int>(i);
        }
    });
    const auto partOf = [&](size_t i) {
        return static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), i) -
                                   starts.begin() - 1);
    };
    const auto less = [&](int a, int b) {
        const size_t pa = partOf(static_cast<size_t>(a));
        const size_t pb = partOf(static_cast<size_t>(b));
        size_t aSize = 0;
        size_t bSize = 0;
        const unsigned char* aKey = keys[pa].key(static_cast<size_t>(a) - starts[pa], &aSize);
        const unsigned char* bKey = keys[pb].key(static_cast<size_t>(b) - starts[pb], &bSize);
        return compareKeys(aKey, aSize, bKey, bSize) < 0;
    };
    inParallel(parts, [&](int part) {
        std::stable_sort(positions.begin() + static_cast<qsizetype>(starts[part]),
                         positions.begin() + static_cast<qsizetype>(starts[part + 1]), less);
    });
    for (int part = 1; part < parts; ++part)
        std::inplace_merge(positions.begin(),
                           positions.begin() + static_cast<qsizetype>(starts[part]),
                           positions.begin() + static_cast<qsizetype>(starts[part + 1]), less);
    std::vector<int> ordered(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        ordered[i] = rows[static_cast<size_t>(positions[i])];
    return ordered;
}

size_t RowOrder::placeIn(const std::vector<int>& rows, int row) const {
    const qint64 id = m_grid.rowid(row);
    if (m_column < 0) {
        return static_cast<size_t>(
            std::lower_bound(rows.begin(), rows.end(), id,
                             [&](int r, qint64 value) { return m_grid.rowid(r) < value; }) -
            rows.begin());
    }
    textorder::SortKeys maker;
    Keys keys;
    keys.add(m_grid, row, m_column, maker);
    size_t size = 0;
    const unsigned char* key = keys.key(0, &size);
    std::vector<unsigned char> probe;
    const auto before = [&](int r, int) {
        probe.clear();
        int cellSize = 0;
        const char* cell = m_grid.cellData(r, m_column, &cellSize);
        maker.append(cell, cellSize, &probe);
        const int order = compareKeys(probe.data(), probe.size(), key, size);
        return order < 0 || (order == 0 && m_grid.rowid(r) < id);
    };
    return static_cast<size_t>(std::lower_bound(rows.begin(), rows.end(), row, before) -
                               rows.begin());
}

bool RowOrder::less(int a, int b) const {
    if (m_column >= 0) {
        textorder::SortKeys maker;
        Keys keys;
        keys.add(m_grid, a, m_column, maker);
        keys.add(m_grid, b, m_column, maker);
        size_t aSize = 0;
        size_t bSize = 0;
        const unsigned char* aKey = keys.key(0, &aSize);
        const unsigned char* bKey = keys.key(1, &bSize);
        const int order = compareKeys(aKey, aSize, bKey, bSize);
        if (order != 0)
            return order < 0;
    }
    return m_grid.rowid(a) < m_grid.rowid(b);
}
