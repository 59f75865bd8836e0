#include "RowSort.h"

#include <algorithm>
#include <chrono>

RowSort::RowSort(const ResultGrid& grid, const std::vector<int>& rows, int column)
    : m_rows(static_cast<qint64>(rows.size())),
      m_sorted(std::async(std::launch::async, [this, &grid, &rows, column] {
          return RowOrder(grid, column).sorted(rows, m_watch);
      })) {
    Q_ASSERT(column >= 0 && column < grid.columnCount());
}

RowSort::~RowSort() {
    m_watch.stop = true;
    if (m_sorted.valid())
        m_sorted.wait();
}

bool RowSort::waitFor(int ms) const {
    return !m_sorted.valid() ||
           m_sorted.wait_for(std::chrono::milliseconds(ms)) == std::future_status::ready;
}

qint64 RowSort::done() const {
    const qint64 total = m_watch.total;
    if (total <= 0)
        return 0;
    // Of the units of work, as many rows' worth: the product stays far below 2^63.
    return std::min(m_rows, m_watch.done * m_rows / total);
}

std::vector<int> RowSort::takeSorted() {
    // Only the destructor stops it: the order is whole.
    return m_sorted.valid() ? std::move(*m_sorted.get()) : std::vector<int>();
}
