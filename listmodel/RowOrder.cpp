#include "RowOrder.h"

#include "TextOrder.h"

#include <QThread>
#include <algorithm>
#include <cstring>
#include <numeric>
#include <string_view>
#include <thread>
#include <unordered_map>

namespace {

// Fewer rows than this are sorted by one core: more would cost more than they save.
constexpr size_t kRowsForParts = 10000;
// The rows a core sorts on its own before the runs are merged: their keys stay in its cache.
constexpr size_t kRunRows = size_t(1) << 15;
// Rows handled between two looks at Watch::stop: a few milliseconds of work at most.
constexpr size_t kRowsBetweenLooks = 4096;
// A column is sorted by its texts (Sorter::sortByTexts()) when it holds at most one distinct
// text in kRowsPerText rows and kMostTexts texts in all; any other by the key of every row. The
// texts' keys are made and sorted on one core: few of them keep that quick, and Cancel prompt.
constexpr size_t kRowsPerText = 8;
constexpr size_t kMostTexts = size_t(1) << 17;
// The work of finding a row's text among the texts seen, of making a row's key and of sorting it
// within its run, in units of a merge pass's work on it (as measured), so that the progress
// moves evenly.
constexpr qint64 kTextWork = 1;
constexpr qint64 kKeyWork = 4;
constexpr qint64 kRunWork = 3;
constexpr qint64 kPlaceWork = 1;  // taking the rows into their order at the end

// The sort keys of some rows' cells, packed: key i is bytes [ends[i-1], ends[i]).
struct Keys {
    std::vector<unsigned char> bytes;
    std::vector<size_t> ends;

    void add(const ResultGrid& grid, int row, int column, textorder::SortKeys& maker) {
        int size = 0;
        const char* cell = grid.cellData(row, column, &size);
        add(std::string_view(cell, static_cast<size_t>(size)), maker);
    }
    void add(std::string_view text, textorder::SortKeys& maker) {
        maker.append(text.data(), static_cast<int>(text.size()), &bytes);
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

// One sort of rows by their keys in a column, on every core a part. Rows are sorted as their
// positions among the rows given, which are in id order: position breaks the tie of equal keys.
// A column of few texts (a town, a year) has each text's key made once, and its rows placed by
// the rank of their text. Any other has the key of each row made once; runs of rows are sorted
// each on one core, then merged pass after pass, every core making its share of each pass's
// rows.
class Sorter {
public:
    Sorter(const ResultGrid& grid, const std::vector<int>& rows, int column, RowOrder::Watch& watch)
        : m_grid(grid),
          m_rows(rows),
          m_column(column),
          m_watch(watch),
          m_parts(rows.size() < kRowsForParts ? 1 : std::max(1, QThread::idealThreadCount())) {
        const size_t n = rows.size();
        for (int part = 0; part <= m_parts; ++part)
            m_starts.push_back(n * static_cast<size_t>(part) / static_cast<size_t>(m_parts));
        // As many runs as every core can share equally, each no longer than kRunRows.
        const size_t parts = static_cast<size_t>(m_parts);
        const size_t runs =
            std::max<size_t>(1, (n + parts * kRunRows - 1) / (parts * kRunRows)) * parts;
        for (size_t run = 0; run <= runs; ++run)
            m_bounds.push_back(n * run / runs);
        for (size_t merged = 1; merged < runs; merged *= 2)
            ++m_passes;
        // Until the texts are known to be few, as if they were many.
        m_watch.total = static_cast<qint64>(n) * (kTextWork + keyWork() + kPlaceWork);
    }

    std::optional<std::vector<int>> sorted() {
        if (!sortByTexts()) {
            if (stopped())
                return std::nullopt;
            m_watch.total =
                m_watch.done + static_cast<qint64>(m_rows.size()) * (keyWork() + kPlaceWork);
            if (!makeKeys() || !sortRuns())
                return std::nullopt;
            while (m_bounds.size() > 2) {
                if (!mergePass())
                    return std::nullopt;
            }
        }
        std::vector<int> ordered(m_rows.size());
        inParallel(m_parts, [&](int part) {
            for (size_t i = m_starts[part]; i < m_starts[part + 1]; ++i)
                ordered[i] = m_rows[static_cast<size_t>(m_positions[i])];
            advance(m_starts[part + 1] - m_starts[part], kPlaceWork);
        });
        return ordered;
    }

private:
    // The work of sorting by the key of every row, per row.
    qint64 keyWork() const { return kKeyWork + kRunWork + m_passes; }
    bool stopped() const { return m_watch.stop.load(std::memory_order_relaxed); }
    void advance(size_t rows, qint64 work) {
        m_watch.done.fetch_add(static_cast<qint64>(rows) * work, std::memory_order_relaxed);
    }

    // The key of position i: its part's keys, at i - start.
    const unsigned char* key(int i, size_t* size) const {
        const size_t position = static_cast<size_t>(i);
        size_t part = 0;
        while (position >= m_starts[part + 1])
            ++part;
        return m_keys[part].key(position - m_starts[part], size);
    }
    bool less(int a, int b) const {
        size_t aSize = 0;
        size_t bSize = 0;
        const unsigned char* aKey = key(a, &aSize);
        const unsigned char* bKey = key(b, &bSize);
        const int order = compareKeys(aKey, aSize, bKey, bSize);
        return order < 0 || (order == 0 && a < b);
    }

    // Rows that hold the same text have the same key: the texts are told apart first, then
    // each distinct text gets its key and, in the order of the keys, its rank, and the rows are
    // placed by the ranks of their texts, in id order within each rank. False when the column
    // holds too many texts for that to pay (or when told to stop).
    bool sortByTexts() {
        std::vector<std::vector<std::string_view>> texts;
        std::vector<quint32> textOf(m_rows.size());
        if (!findTexts(&texts, &textOf))
            return false;
        m_watch.total = static_cast<qint64>(m_rows.size()) * (2 * kTextWork + kPlaceWork);
        size_t ranks = 0;
        const std::optional<std::vector<std::vector<quint32>>> rankOf = rankTexts(texts, &ranks);
        if (!rankOf)
            return false;
        placeByRank(*rankOf, ranks, &textOf);
        return true;
    }

    // Each core tells apart the texts of its part of the rows: (*texts)[part] in the order first
    // seen, (*textOf)[i] the one of position i. False when they are too many.
    bool findTexts(std::vector<std::vector<std::string_view>>* texts,
                   std::vector<quint32>* textOf) {
        const size_t parts = static_cast<size_t>(m_parts);
        texts->resize(parts);
        std::atomic<bool> tooMany{false};
        inParallel(m_parts, [&](int part) {
            std::unordered_map<std::string_view, quint32> seen;
            std::vector<std::string_view>& own = (*texts)[part];
            const size_t most =
                std::min((m_starts[part + 1] - m_starts[part]) / kRowsPerText, kMostTexts / parts);
            for (size_t begin = m_starts[part]; begin < m_starts[part + 1];) {
                const size_t end = std::min(begin + kRowsBetweenLooks, m_starts[part + 1]);
                for (size_t i = begin; i < end; ++i) {
                    int size = 0;
                    const char* cell = m_grid.cellData(m_rows[i], m_column, &size);
                    const auto [text, added] =
                        seen.try_emplace(std::string_view(cell, static_cast<size_t>(size)),
                                         static_cast<quint32>(own.size()));
                    if (added)
                        own.push_back(text->first);
                    (*textOf)[i] = text->second;
                }
                advance(end - begin, kTextWork);
                if (own.size() > most)
                    tooMany = true;
                if (tooMany || stopped())
                    return;
                begin = end;
            }
        });
        return !tooMany && !stopped();
    }

    // The rank of each part's texts in the order of their keys, texts of equal keys one rank;
    // *ranks says how many there are. The keys are made once for each distinct text.
    std::optional<std::vector<std::vector<quint32>>> rankTexts(
        const std::vector<std::vector<std::string_view>>& texts, size_t* ranks) const {
        std::unordered_map<std::string_view, quint32> seen;
        std::vector<std::string_view> distinct;
        std::vector<std::vector<quint32>> rankOf(texts.size());  // first: the place in distinct
        for (size_t part = 0; part < texts.size(); ++part) {
            for (std::string_view text : texts[part]) {
                const auto [place, added] =
                    seen.try_emplace(text, static_cast<quint32>(distinct.size()));
                if (added)
                    distinct.push_back(text);
                rankOf[part].push_back(place->second);
            }
        }
        textorder::SortKeys maker;
        Keys keys;
        for (size_t k = 0; k < distinct.size(); ++k) {
            keys.add(distinct[k], maker);
            if (k % kRowsBetweenLooks == 0 && stopped())
                return std::nullopt;
        }
        const auto compare = [&keys](quint32 a, quint32 b) {
            size_t aSize = 0;
            size_t bSize = 0;
            const unsigned char* aKey = keys.key(a, &aSize);
            const unsigned char* bKey = keys.key(b, &bSize);
            return compareKeys(aKey, aSize, bKey, bSize);
        };
        std::vector<quint32> byKey(distinct.size());
        std::iota(byKey.begin(), byKey.end(), 0);
        std::sort(byKey.begin(), byKey.end(),
                  [&](quint32 a, quint32 b) { return compare(a, b) < 0; });
        std::vector<quint32> rankOfDistinct(distinct.size());
        quint32 rank = 0;
        for (size_t k = 0; k < byKey.size(); ++k) {
            if (k > 0 && compare(byKey[k - 1], byKey[k]) != 0)
                ++rank;
            rankOfDistinct[byKey[k]] = rank;
        }
        *ranks = distinct.empty() ? 0 : size_t(rank) + 1;
        for (std::vector<quint32>& part : rankOf) {
            for (quint32& text : part)
                text = rankOfDistinct[text];
        }
        return rankOf;
    }

    // Places the positions by the ranks of their texts: each core counts the rows of each rank
    // in its part; the rows of a rank follow those of the ranks before, each part's after those
    // of the parts before, in the order of the positions.
    void placeByRank(const std::vector<std::vector<quint32>>& rankOf, size_t ranks,
                     std::vector<quint32>* textOf) {
        const size_t parts = static_cast<size_t>(m_parts);
        std::vector<std::vector<size_t>> placed(parts, std::vector<size_t>(ranks));
        inParallel(m_parts, [&](int part) {
            std::vector<size_t>& counts = placed[part];
            for (size_t i = m_starts[part]; i < m_starts[part + 1]; ++i) {
                quint32& text = (*textOf)[i];
                text = rankOf[part][text];
                ++counts[text];
            }
        });
        size_t next = 0;
        for (size_t rank = 0; rank < ranks; ++rank) {
            for (size_t part = 0; part < parts; ++part)
                next += std::exchange(placed[part][rank], next);
        }
        m_positions.resize(m_rows.size());
        inParallel(m_parts, [&](int part) {
            std::vector<size_t>& places = placed[part];
            for (size_t i = m_starts[part]; i < m_starts[part + 1]; ++i)
                m_positions[places[(*textOf)[i]]++] = static_cast<int>(i);
            advance(m_starts[part + 1] - m_starts[part], kTextWork);
        });
    }

    bool makeKeys() {
        m_keys.resize(static_cast<size_t>(m_parts));
        inParallel(m_parts, [&](int part) {
            textorder::SortKeys maker;
            Keys& own = m_keys[part];
            own.ends.reserve(m_starts[part + 1] - m_starts[part]);
            for (size_t begin = m_starts[part]; begin < m_starts[part + 1] && !stopped();) {
                const size_t end = std::min(begin + kRowsBetweenLooks, m_starts[part + 1]);
                for (size_t i = begin; i < end; ++i)
                    own.add(m_grid, m_rows[i], m_column, maker);
                advance(end - begin, kKeyWork);
                begin = end;
            }
        });
        return !stopped();
    }

    // Each core sorts its share of the runs.
    bool sortRuns() {
        m_positions.resize(m_rows.size());
        const size_t runs = m_bounds.size() - 1;
        const auto less = [this](int a, int b) { return this->less(a, b); };
        inParallel(m_parts, [&](int part) {
            const size_t parts = static_cast<size_t>(m_parts);
            const size_t first = runs * static_cast<size_t>(part) / parts;
            const size_t last = runs * static_cast<size_t>(part + 1) / parts;
            for (size_t run = first; run < last && !stopped(); ++run) {
                const auto begin = m_positions.begin() + static_cast<qsizetype>(m_bounds[run]);
                const auto end = m_positions.begin() + static_cast<qsizetype>(m_bounds[run + 1]);
                std::iota(begin, end, static_cast<int>(m_bounds[run]));
                std::stable_sort(begin, end, less);
                advance(m_bounds[run + 1] - m_bounds[run], kRunWork);
            }
        });
        return !stopped();
    }

    // How many of the first k rows of the merge of runs a and b (of na and nb rows) come from a.
    size_t fromFirst(const int* a, size_t na, const int* b, size_t nb, size_t k) const {
        size_t low = k > nb ? k - nb : 0;
        size_t high = std::min(k, na);
        while (low < high) {
            const size_t i = low + (high - low) / 2;
            if (less(a[i], b[k - i - 1]))  // a's row i is among the first k, and so more of a
                low = i + 1;
            else
                high = i;
        }
        return low;
    }

    // Merges the runs [a, aEnd) and [b, bEnd) into out; false once told to stop.
    bool merge(const int* a, const int* aEnd, const int* b, const int* bEnd, int* out) {
        while (a != aEnd && b != bEnd) {
            const int* const start = out;
            for (size_t left = kRowsBetweenLooks; left > 0 && a != aEnd && b != bEnd; --left)
                *out++ = less(*b, *a) ? *b++ : *a++;
            advance(static_cast<size_t>(out - start), 1);
            if (stopped())
                return false;
        }
        advance(static_cast<size_t>((aEnd - a) + (bEnd - b)), 1);
        out = std::copy(a, aEnd, out);
        std::copy(b, bEnd, out);
        return true;
    }

    // Merges the runs two by two (an odd one out is taken over as it is); each core makes an
    // equal share of the merged rows, wherever they fall.
    bool mergePass() {
        std::vector<int>& merged = m_merged;
        merged.resize(m_positions.size());
        const size_t n = m_positions.size();
        inParallel(m_parts, [&](int part) {
            const size_t parts = static_cast<size_t>(m_parts);
            const size_t low = n * static_cast<size_t>(part) / parts;
            const size_t high = n * static_cast<size_t>(part + 1) / parts;
            const size_t last = m_bounds.size() - 1;
            for (size_t pair = 0; pair < last && !stopped(); pair += 2) {
                const size_t start = m_bounds[pair];
                const size_t middle = m_bounds[std::min(pair + 1, last)];
                const size_t end = m_bounds[std::min(pair + 2, last)];
                if (end <= low || start >= high)
                    continue;
                const int* a = m_positions.data() + start;
                const int* b = m_positions.data() + middle;
                const size_t from = std::max(start, low) - start;
                const size_t to = std::min(end, high) - start;
                const size_t aFrom = fromFirst(a, middle - start, b, end - middle, from);
                const size_t aTo = fromFirst(a, middle - start, b, end - middle, to);
                if (!merge(a + aFrom, a + aTo, b + (from - aFrom), b + (to - aTo),
                           merged.data() + start + from))
                    return;
            }
        });
        if (stopped())
            return false;
        m_positions.swap(merged);
        std::vector<size_t> bounds;
        for (size_t run = 0; run < m_bounds.size(); run += 2)
            bounds.push_back(m_bounds[run]);
        if (bounds.back() != m_bounds.back())
            bounds.push_back(m_bounds.back());
        m_bounds = std::move(bounds);
        return true;
    }

    const ResultGrid& m_grid;
    const std::vector<int>& m_rows;
    const int m_column;
    RowOrder::Watch& m_watch;
    const int m_parts;
    qint64 m_passes = 0;           // of the merges of the runs
    std::vector<size_t> m_starts;  // of each part's rows, and the end
    std::vector<Keys> m_keys;      // each part's
    std::vector<size_t> m_bounds;  // of each run, and the end
    std::vector<int> m_positions;  // in the order found so far
    std::vector<int> m_merged;     // what the next pass merges them into
};

}  // namespace

std::vector<int> RowOrder::sorted(const std::vector<int>& rows) const {
    Watch unwatched;
    return *sorted(rows, unwatched);
}

std::optional<std::vector<int>> RowOrder::sorted(const std::vector<int>& rows, Watch& watch) const {
    Q_ASSERT(std::is_sorted(rows.begin(), rows.end(),
                            [this](int a, int b) { return m_grid.rowid(a) < m_grid.rowid(b); }));
    if (watch.stop)
        return std::nullopt;
    if (m_column < 0 || rows.size() < 2) {
        watch.total = 1;
        watch.done = 1;
        return rows;
    }
    Q_ASSERT(m_column < m_grid.columnCount());
    return Sorter(m_grid, rows, m_column, watch).sorted();
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
