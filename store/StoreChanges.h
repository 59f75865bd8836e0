#pragma once

#include <QtGlobal>
#include <memory>
#include <optional>
#include <vector>

class ColumnStash;

// How often the working store has changed while the program runs, and what each change did
// to the entries when it said so, so that a list can tell whether it still shows the store as
// it is and bring just what changed up to date. Counted where every change passes: each
// commit of a store connection, and each store file replaced by a fresh template.
namespace storechanges {

// A move of the columns of every entry (StoreStep::moveRight() and moveLeft()), store
// columns from 1: to the right, columns column..last-1 move one to the right and column is
// filled; to the left, columns column+1..last move one to the left and last is filled. The
// filled column takes the values of a stash by row id (NULL where it has none), or without
// a stash the empty text to the right and NULL to the left.
struct ColumnMove {
    bool right = false;
    int column = 0;
    int last = 0;
    std::shared_ptr<const ColumnStash> values;
};

// What changed since a count: the column moves in the order they were made, and the entries
// changed otherwise (sorted, each once), which hold their values as they are after the moves.
struct Changes {
    std::vector<ColumnMove> moves;
    std::vector<qint64> rows;
};

quint64 count();
// A change whose effect on the entries is not known: a list must read them all again.
void note();
// A change that touched only the entries with these row ids (none: only the session record).
void noteRows(std::vector<qint64> rowids);
// A change that moved the columns of every entry and nothing else. Only the latest move's
// stash is held: an earlier move that has one is then no longer known.
void noteColumnMove(ColumnMove move);

// What changed since the count was since; nullopt when a change since then did not say, or
// when it lies too far back to be remembered.
std::optional<Changes> changedSince(quint64 since);

}  // namespace storechanges
