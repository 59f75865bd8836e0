#include "RowScan.h"

#include <QThread>
#include <algorithm>

namespace {
// Fewer rows than this are not worth a thread of their own.
constexpr size_t kRowsForAPart = 8192;
}  // namespace

RowScan::RowScan(const ResultGrid& grid, const std::vector<int>& rows, int columns,
                 const QString& text, std::function<void()> finished)
    : m_grid(grid),
      m_rows(rows),
      m_columns(std::min(columns, grid.columnCount())),
      m_needle(text),
      m_finished(std::move(finished)) {
    Q_ASSERT(std::all_of(rows.begin(), rows.end(),
                         [&grid](int row) { return row >= 0 && row < grid.rowCount(); }));
    const size_t parts =
        rows.size() < 2 * kRowsForAPart ? 1 : std::max(1, QThread::idealThreadCount());
    m_found.resize(parts);
    m_running = static_cast<int>(parts);
    for (size_t part = 0; part < parts; ++part)
        m_threads.emplace_back(&RowScan::search, this, part);
}

RowScan::~RowScan() {
    m_cancelled = true;
    for (std::thread& thread : m_threads)
        thread.join();
}

std::vector<int> RowScan::takeFound() {
    for (std::thread& thread : m_threads)
        thread.join();
    m_threads.clear();
    if (m_found.empty())
        return {};
    std::vector<int> found = std::move(m_found.front());
    for (size_t part = 1; part < m_found.size(); ++part)
        found.insert(found.end(), m_found[part].begin(), m_found[part].end());
    m_found.clear();
    return found;
}

void RowScan::search(size_t part) {
    const size_t parts = m_found.size();
    const size_t begin = m_rows.size() * part / parts;
    const size_t end = m_rows.size() * (part + 1) / parts;
    std::vector<int>& found = m_found[part];
    // A newer keystroke cancels: each row looks whether it did.
    for (size_t i = begin; i < end && !m_cancelled.load(std::memory_order_relaxed); ++i) {
        if (rowHolds(m_grid, m_rows[i], m_columns, m_needle))
            found.push_back(m_rows[i]);
    }
    if (--m_running == 0 && m_finished)
        m_finished();
}

bool RowScan::rowHolds(const ResultGrid& grid, int row, int columns,
                       const textmatch::Needle& needle) {
    for (int column = 0; column < columns; ++column) {
        int size = 0;
        const char* cell = grid.cellData(row, column, &size);
        if (needle.foundIn(cell, size))
            return true;
    }
    return false;
}
