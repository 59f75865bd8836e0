#pragma once

#include <QtGlobal>
#include <optional>
#include <vector>

// How often the working store has changed while the program runs, and which entries each
// change touched when it said so, so that a list can tell whether it still shows the store as
// it is and bring just the changed entries up to date. Counted where every change passes: each
// commit of a store connection, and each store file replaced by a fresh template.
namespace storechanges {

quint64 count();
// A change whose effect on the entries is not known: a list must read them all again.
void note();
// A change that touched only the entries with these row ids (none: only the session record).
void noteRows(std::vector<qint64> rowids);

// The row ids of the entries changed since the count was since, sorted and each once; nullopt
// when a change since then did not say which, or when it lies too far back to be remembered.
std::optional<std::vector<qint64>> rowsChangedSince(quint64 since);

}  // namespace storechanges
