#pragma once

#include "RowOrder.h"

#include <future>
#include <optional>
#include <vector>

// One sort of a list's rows by a column (RowOrder), in the background: on a thread of its own,
// which brings in every core. The grid and the rows must stay unchanged until the sort has ended;
// destroying it stops it and waits for its threads, which takes a few milliseconds at most.
class RowSort {
public:
    // Starts sorting rows (row numbers of grid, in id order) by column (from 0).
    RowSort(const ResultGrid& grid, const std::vector<int>& rows, int column);
    ~RowSort();
    RowSort(const RowSort&) = delete;
    RowSort& operator=(const RowSort&) = delete;

    // Waits at most ms milliseconds for the sort to end; true once it has.
    bool waitFor(int ms) const;
    // How far it has come, counted in rows: it ends at the number of rows given.
    qint64 done() const;
    // Waits until the sort has ended and returns the rows in order.
    std::vector<int> takeSorted();

private:
    const qint64 m_rows;
    RowOrder::Watch m_watch;
    std::future<std::optional<std::vector<int>>> m_sorted;
};
