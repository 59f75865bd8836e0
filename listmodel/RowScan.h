#pragma once

#include "ResultGrid.h"
#include "TextMatch.h"

#include <QString>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

// One search, in the background, for the rows in which any of the first columns cells contains
// a text (textmatch::Needle): the rows are looked at on every core, a part each. The grid and
// the rows must stay unchanged until the search has finished or been cancelled; destroying
// the search cancels it and waits for its threads.
class RowScan {
public:
    // Starts looking through rows (row numbers of grid, in the list's order); finished() is
    // called on one of the search's threads once the search has ended, cancelled or not.
    RowScan(const ResultGrid& grid, const std::vector<int>& rows, int columns, const QString& text,
            std::function<void()> finished);
    ~RowScan();
    RowScan(const RowScan&) = delete;
    RowScan& operator=(const RowScan&) = delete;

    // Waits until the search has ended and returns the rows found, in the order given.
    std::vector<int> takeFound();

    // Whether a cell among the first columns of row holds needle: what the search asks of
    // every row.
    static bool rowHolds(const ResultGrid& grid, int row, int columns,
                         const textmatch::Needle& needle);

private:
    void search(size_t part);

    const ResultGrid& m_grid;
    const std::vector<int>& m_rows;
    const int m_columns;
    const textmatch::Needle m_needle;
    const std::function<void()> m_finished;
    std::vector<std::vector<int>> m_found;  // each part's
    std::vector<std::thread> m_threads;
    std::atomic<bool> m_cancelled{false};
    std::atomic<int> m_running{0};
};
