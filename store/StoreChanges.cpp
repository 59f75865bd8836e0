#include "StoreChanges.h"

#include <algorithm>
#include <deque>
#include <mutex>

namespace storechanges {

namespace {

// The recent changes; beyond these limits a list reads everything again, which is then no
// slower than applying the changes one by one.
constexpr size_t kRememberedChanges = 256;
constexpr size_t kRememberedRows = 50000;

struct Change {
    quint64 count;                              // the count this change brought
    std::optional<std::vector<qint64>> rowids;  // nullopt: not known
};

struct Log {
    std::mutex mutex;
    quint64 count = 0;
    quint64 forgotten = 0;  // changes up to this count are no longer remembered
    std::deque<Change> changes;
    size_t rows = 0;
};

Log& log() {
    static Log changes;
    return changes;
}

void remember(std::optional<std::vector<qint64>> rowids) {
    Log& l = log();
    const std::lock_guard<std::mutex> lock(l.mutex);
    ++l.count;
    l.rows += rowids ? rowids->size() : 0;
    l.changes.push_back({l.count, std::move(rowids)});
    while (l.changes.size() > kRememberedChanges || l.rows > kRememberedRows) {
        const Change& oldest = l.changes.front();
        l.rows -= oldest.rowids ? oldest.rowids->size() : 0;
        l.forgotten = oldest.count;
        l.changes.pop_front();
    }
}

}  // namespace

quint64 count() {
    const std::lock_guard<std::mutex> lock(log().mutex);
    return log().count;
}

void note() {
    remember(std::nullopt);
}

void noteRows(std::vector<qint64> rowids) {
    remember(std::move(rowids));
}

std::optional<std::vector<qint64>> rowsChangedSince(quint64 since) {
    Log& l = log();
    const std::lock_guard<std::mutex> lock(l.mutex);
    if (since < l.forgotten || since > l.count)
        return std::nullopt;
    std::vector<qint64> rowids;
    for (const Change& change : l.changes) {
        if (change.count <= since)
            continue;
        if (!change.rowids)
            return std::nullopt;
        rowids.insert(rowids.end(), change.rowids->begin(), change.rowids->end());
    }
    std::sort(rowids.begin(), rowids.end());
    rowids.erase(std::unique(rowids.begin(), rowids.end()), rowids.end());
    return rowids;
}

}  // namespace storechanges
