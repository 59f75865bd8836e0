#pragma once

#include <QString>
#include <utility>

// How one call on the working store ended: the one answer every such call gives.
//
// Rejected is a statement the engine refused (bad syntax, a column above 26, a broken
// constraint): it changed nothing and is no fault of the store, and a query then yields no
// rows. Failed is the store's own: it does not exist, cannot be opened, is damaged, or refused
// the write (read-only, disk full, locked).
struct StoreResult {
    enum class Outcome { Done, Rejected, Failed };

    StoreResult() = default;
    StoreResult(Outcome outcome, QString error, int changedRows = 0)
        : outcome(outcome), error(std::move(error)), changedRows(changedRows) {}

    Outcome outcome = Outcome::Done;
    // Why, in the engine's words, when the outcome is not Done.
    QString error;
    // A change: the entries it changed; none unless it is Done.
    int changedRows = 0;

    bool done() const { return outcome == Outcome::Done; }
    bool failed() const { return outcome == Outcome::Failed; }
};
