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
    std::optional<ColumnMove> move;             // with rowids empty
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

void remember(std::optional<std::vector<qint64>> rowids,
              std::optional<ColumnMove> move = std::nullopt) {
    Log& l = log();
    const std::lock_guard<std::mutex> lock(l.mutex);
    ++l.count;
    if (!rowids) {
        // A list that has not seen this change reads everything again: what came before it
        // is of no more use, and a stash among it is let go.
        l.changes.clear();
        l.rows = 0;
        l.forgotten = l.count;
        return;
    }
    l.rows += rowids->size();
    if (move && move->values) {
        // A stash can hold a column of every entry: the log keeps one alive, not many.
        for (Change& change : l.changes) {
            if (change.move && change.move->values) {
                change.move.reset();
                change.rowids.reset();
            }
        }
    }
    l.changes.push_back({l.count, std::move(rowids), std::move(move)});
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

void noteColumnMove(ColumnMove move) {
    remember(std::vector<qint64>(), std::move(move));
}

std::optional<Changes> changedSince(quint64 since) {
    Log& l = log();
    const std::lock_guard<std::mutex> lock(l.mutex);
    if (since < l.forgotten || since > l.count)
        return std::nullopt;
    Changes changes;
    for (const Change& change : l.changes) {
        if (change.count <= since)
            continue;
        if (!change.rowids)
            return std::nullopt;
        changes.rows.insert(changes.rows.end(), change.rowids->begin(), change.rowids->end());
        if (change.move)
            changes.moves.push_back(*change.move);
    }
    std::sort(changes.rows.begin(), changes.rows.end());
    changes.rows.erase(std::unique(changes.rows.begin(), changes.rows.end()), changes.rows.end());
    return changes;
}

}  // namespace storechanges
