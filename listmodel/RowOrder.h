#pragma once

#include "ResultGrid.h"

#include <atomic>
#include <optional>
#include <vector>

// The order of a list's rows, as the store orders them: by id (store order), or by one
// column's sort key (TextOrder.h) with equal keys in id order. Rows are row numbers of a grid
// that holds each row's id.
class RowOrder {
public:
    // What a sort shares with another thread that follows it: how far it has come (done, of
    // total units of work; total is set once the sort knows it, 0 until then) and stop, which
    // makes it give up soon, within a few milliseconds.
    struct Watch {
        std::atomic<bool> stop{false};
        std::atomic<qint64> done{0};
        std::atomic<qint64> total{0};
    };

    // Store order for column -1.
    RowOrder(const ResultGrid& grid, int column) : m_grid(grid), m_column(column) {}

    // The rows (given in id order) in this order, their keys made and sorted on every core.
    std::vector<int> sorted(const std::vector<int>& rows) const;
    // The same, followed through watch; nothing when watch.stop was set before it ended.
    std::optional<std::vector<int>> sorted(const std::vector<int>& rows, Watch& watch) const;
    // Where row stands, or would stand, among rows (in this order).
    size_t placeIn(const std::vector<int>& rows, int row) const;
    // Whether row a comes before row b.
    bool less(int a, int b) const;

private:
    const ResultGrid& m_grid;
    int m_column;
};
