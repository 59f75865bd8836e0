#include "EntriesModel.h"

#include "ColumnStash.h"
#include "RowOrder.h"
#include "RowScan.h"
#include "RowSort.h"
#include "Schema.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {
// Rows left behind by changes are dropped once they are this many and outnumber the listed.
constexpr size_t kUnlistedRowsKept = 4096;
// Fewer rows are sorted in a few milliseconds.
constexpr int kRowsOfALongSort = 10000;
// How often the thread that waits for a sort in the background hears how far it has come (ms).
constexpr int kSortLookEvery = 10;

// Whether the rows of grid come in store order, each id after the one before.
bool inIdOrder(const ResultGrid& grid) {
    for (int row = 1; row < grid.rowCount(); ++row) {
        if (grid.rowid(row - 1) >= grid.rowid(row))
            return false;
    }
    return true;
}
}  // namespace

EntriesModel::EntriesModel(QObject* parent) : QAbstractTableModel(parent) {}

EntriesModel::~EntriesModel() = default;

void EntriesModel::reset(const QStringList& headings, ResultGrid rows, int sortColumn) {
    Q_ASSERT(inIdOrder(rows));
    m_scan.reset();
    m_sort.reset();
    beginResetModel();
    m_headings = headings;
    m_grid = std::move(rows);
    m_unlisted = 0;
    const size_t count = static_cast<size_t>(m_grid.rowCount());
    m_byRowid.reserve(count + count / 16);  // the first entries added do not move them all
    m_byRowid.resize(count);
    std::iota(m_byRowid.begin(), m_byRowid.end(), 0);
    m_sortColumn = sortColumn < columnCount() ? sortColumn : -1;
    m_filtering = false;
    m_shown.clear();
    orderRows();
    endResetModel();
    if (!m_filterText.isEmpty())
        startScan();
}

ResultGrid EntriesModel::takeRows() {
    m_scan.reset();
    m_sort.reset();
    beginResetModel();
    ResultGrid rows = std::move(m_grid);
    m_grid = ResultGrid();
    for (std::vector<int>* list : {&m_byRowid, &m_order, &m_shown})
        *list = std::vector<int>();
    m_filtering = false;
    m_unlisted = 0;
    endResetModel();
    rows.clear();
    return rows;
}

void EntriesModel::sortBy(int column) {
    if (column >= columnCount())
        column = -1;
    if (column == m_sortColumn)
        return;
    m_sort.reset();
    finishTextFilter();
    beginResetModel();
    m_sortColumn = column;
    orderRows();
    endResetModel();
}

bool EntriesModel::sortIsLong(int column) const {
    return column >= 0 && column < columnCount() && column != m_sortColumn &&
           totalRowCount() >= kRowsOfALongSort;
}

bool EntriesModel::sortBy(int column, const Waiting& waiting) {
    if (!sortIsLong(column)) {
        sortBy(column);
        return true;
    }
    const quint64 number = ++m_sortNumber;
    m_sort = std::make_unique<RowSort>(m_grid, m_byRowid, column);
    for (bool found = false; !found;) {
        found = m_sort->waitFor(kSortLookEvery);
        const bool goOn = waiting(found ? totalRowCount() : m_sort->done());
        // What ran meanwhile may have changed the list, which ended this sort.
        if (number != m_sortNumber || !m_sort)
            return false;
        if (!goOn) {
            m_sort.reset();
            return false;
        }
    }
    std::vector<int> order = m_sort->takeSorted();
    m_sort.reset();
    finishTextFilter();  // a search started meanwhile reads the order that goes now
    beginResetModel();
    m_sortColumn = column;
    showInOrder(std::move(order));
    endResetModel();
    return true;
}

void EntriesModel::orderRows() {
    if (m_sortColumn < 0) {
        // Store order, made in the room the rows will have: a large list is not copied twice.
        std::vector<int> order;
        order.reserve(m_byRowid.capacity());
        order.assign(m_byRowid.begin(), m_byRowid.end());
        showInOrder(std::move(order));
    } else {
        showInOrder(RowOrder(m_grid, m_sortColumn).sorted(m_byRowid));
    }
}

void EntriesModel::showInOrder(std::vector<int> order) {
    Q_ASSERT(rowsAtRest());
    m_order = std::move(order);
    m_order.reserve(m_byRowid.capacity());
    if (!m_filtering)
        return;
    // The rows the filter keeps, in the new order.
    std::vector<bool> kept(static_cast<size_t>(m_grid.rowCount()));
    for (int row : m_shown)
        kept[row] = true;
    m_shown.clear();
    for (int row : m_order) {
        if (kept[row])
            m_shown.push_back(row);
    }
}

int EntriesModel::gridRowOf(qint64 rowid) const {
    const auto found =
        std::lower_bound(m_byRowid.begin(), m_byRowid.end(), rowid,
                         [this](int row, qint64 value) { return m_grid.rowid(row) < value; });
    return found != m_byRowid.end() && m_grid.rowid(*found) == rowid ? *found : -1;
}

bool EntriesModel::keptByFilter(int gridRow) const {
    return RowScan::rowHolds(m_grid, gridRow, std::min(columnCount(), m_grid.columnCount()),
                             m_shownNeedle);
}

bool EntriesModel::applyChanges(const std::vector<qint64>& changed, const ResultGrid& fresh) {
    Q_ASSERT(std::is_sorted(changed.begin(), changed.end()) && inIdOrder(fresh));
    m_sort.reset();
    finishTextFilter();
    // An empty result has no columns: nothing comes in.
    if (!fresh.isEmpty() && !m_grid.isEmpty() && fresh.columnCount() != m_grid.columnCount())
        return false;
    if (m_grid.isEmpty())
        m_grid.setColumnCount(fresh.columnCount());
    // Both in id order: fresh holds some of the changed entries.
    int next = 0;
    for (qint64 rowid : changed) {
        const int old = gridRowOf(rowid);
        int now = -1;
        if (next < fresh.rowCount() && fresh.rowid(next) == rowid) {
            if (!m_grid.appendRow(fresh, next++))
                return false;
            now = m_grid.rowCount() - 1;
        }
        if (old >= 0 && now >= 0)
            replaceGridRow(old, now);
        else if (old >= 0)
            removeGridRow(old);
        else if (now >= 0)
            insertGridRow(now);
    }
    Q_ASSERT(next == fresh.rowCount());  // every fresh entry is among the changed
    dropUnlistedRows();
    return true;
}

bool EntriesModel::moveColumns(const std::vector<storechanges::ColumnMove>& moves,
                               const QStringList& headings) {
    finishTextFilter();
    const int shown = static_cast<int>(headings.size());
    beginResetModel();
    int sortColumn = m_sortColumn;
    bool moved = shown > 0;
    for (size_t i = 0; moved && i < moves.size(); ++i)
        moved = moveGridColumns(moves[i], i + 1 == moves.size() ? shown : schema::kColumnCount,
                                &sortColumn);
    if (m_grid.rowCount() > 0) {
        while (moved && m_grid.columnCount() > shown)
            m_grid.removeColumn(m_grid.columnCount() - 1);
        moved = moved && m_grid.columnCount() == shown;
    }
    m_headings = headings;
    const bool reorder = sortColumn != m_sortColumn && (sortColumn < 0 || sortColumn >= shown);
    m_sortColumn = sortColumn < shown ? sortColumn : -1;
    m_filtering = false;
    m_shown.clear();
    if (moved && reorder)
        orderRows();  // the column it was sorted by is gone: store order
    endResetModel();
    if (moved && !m_filterText.isEmpty())
        startScan();  // the values the filter finds have moved
    return moved;
}

bool EntriesModel::moveGridColumns(const storechanges::ColumnMove& move, int shown,
                                   int* sortColumn) {
    Q_ASSERT(rowsAtRest());
    // Store column k is grid column k - 1.
    const auto remove = [&](int column) {
        if (column >= m_grid.columnCount())
            return;
        m_grid.removeColumn(column);
        if (*sortColumn == column)
            *sortColumn = -1;
        else if (*sortColumn > column)
            --*sortColumn;
    };
    const auto insert = [&](int column) {
        if (column > m_grid.columnCount() || column >= shown)
            return true;  // beyond what the list holds, or shows afterwards
        if (*sortColumn >= column)
            ++*sortColumn;
        if (!move.values)
            return m_grid.insertColumn(column);
        // The stash is read by id in one pass; rows left behind by changes get the empty text.
        std::vector<QByteArrayView> cells(static_cast<size_t>(m_grid.rowCount()));
        ColumnStash::Reader values(*move.values);
        for (int row : m_byRowid) {
            qint64 size = 0;
            const char* value = values.valueFor(m_grid.rowid(row), &size);
            cells[static_cast<size_t>(row)] = QByteArrayView(value, value ? size : 0);
        }
        return m_grid.insertColumn(column, cells);
    };
    if (move.right) {
        remove(move.last - 1);  // its values were overwritten
        return insert(move.column - 1);
    }
    remove(move.column - 1);
    return insert(move.last - 1);
}

void EntriesModel::setHeadings(const QStringList& headings) {
    Q_ASSERT(headings.size() == m_headings.size());
    m_headings = headings;
    if (!headings.isEmpty())
        emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(headings.size()) - 1);
}

void EntriesModel::replaceGridRow(int old, int now) {
    Q_ASSERT(rowsAtRest());
    const RowOrder order(m_grid, m_sortColumn);
    const size_t place = order.placeIn(m_order, old);
    const bool staysInPlace = (place == 0 || order.less(m_order[place - 1], now)) &&
                              (place + 1 == m_order.size() || order.less(now, m_order[place + 1]));
    if (!staysInPlace) {
        removeGridRow(old);
        insertGridRow(now);
        return;
    }
    // A changed entry that keeps its place (always so in store order) is changed where it
    // stands: the view repaints one row instead of moving all that follow it.
    const size_t shownPlace = m_filtering ? order.placeIn(m_shown, old) : place;
    const bool wasShown =
        !m_filtering || (shownPlace < m_shown.size() && m_shown[shownPlace] == old);
    const bool isShown = !m_filtering || keptByFilter(now);
    *byRowidPlace(old) = now;
    m_order[place] = now;
    ++m_unlisted;
    const int row = static_cast<int>(shownPlace);
    if (wasShown && isShown) {
        if (m_filtering)
            m_shown[shownPlace] = now;
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    } else if (wasShown) {
        beginRemoveRows(QModelIndex(), row, row);
        m_shown.erase(m_shown.begin() + row);
        endRemoveRows();
    } else if (isShown) {
        beginInsertRows(QModelIndex(), row, row);
        m_shown.insert(m_shown.begin() + row, now);
        endInsertRows();
    }
}

std::vector<int>::iterator EntriesModel::byRowidPlace(int gridRow) {
    return std::lower_bound(m_byRowid.begin(), m_byRowid.end(), m_grid.rowid(gridRow),
                            [this](int row, qint64 value) { return m_grid.rowid(row) < value; });
}

void EntriesModel::removeGridRow(int gridRow) {
    Q_ASSERT(rowsAtRest());
    const RowOrder order(m_grid, m_sortColumn);
    const size_t place = order.placeIn(m_order, gridRow);
    const size_t shownPlace = m_filtering ? order.placeIn(m_shown, gridRow) : place;
    const bool shown =
        !m_filtering || (shownPlace < m_shown.size() && m_shown[shownPlace] == gridRow);
    if (shown)
        beginRemoveRows(QModelIndex(), static_cast<int>(shownPlace), static_cast<int>(shownPlace));
    m_order.erase(m_order.begin() + static_cast<qsizetype>(place));
    if (shown && m_filtering)
        m_shown.erase(m_shown.begin() + static_cast<qsizetype>(shownPlace));
    if (shown)
        endRemoveRows();
    m_byRowid.erase(byRowidPlace(gridRow));
    ++m_unlisted;
}

void EntriesModel::insertGridRow(int gridRow) {
    Q_ASSERT(rowsAtRest());
    m_byRowid.insert(byRowidPlace(gridRow), gridRow);
    const RowOrder order(m_grid, m_sortColumn);
    const size_t place = order.placeIn(m_order, gridRow);
    const bool shown = !m_filtering || keptByFilter(gridRow);
    const size_t shownPlace = m_filtering && shown ? order.placeIn(m_shown, gridRow) : place;
    if (shown)
        beginInsertRows(QModelIndex(), static_cast<int>(shownPlace), static_cast<int>(shownPlace));
    m_order.insert(m_order.begin() + static_cast<qsizetype>(place), gridRow);
    if (shown && m_filtering)
        m_shown.insert(m_shown.begin() + static_cast<qsizetype>(shownPlace), gridRow);
    if (shown)
        endInsertRows();
}

void EntriesModel::dropUnlistedRows() {
    if (m_unlisted < kUnlistedRowsKept || m_unlisted < m_byRowid.size())
        return;
    Q_ASSERT(rowsAtRest());
    // The shown rows stay as they are: only their numbers in the grid change.
    std::vector<int> renumbered(static_cast<size_t>(m_grid.rowCount()), -1);
    ResultGrid listed;
    listed.setColumnCount(m_grid.columnCount());
    for (int row : m_byRowid) {
        renumbered[row] = listed.rowCount();
        listed.appendRow(m_grid, row);  // smaller than the grid it comes from
    }
    for (std::vector<int>* list : {&m_byRowid, &m_order, &m_shown}) {
        for (int& row : *list)
            row = renumbered[row];
    }
    m_grid = std::move(listed);
    m_unlisted = 0;
}

void EntriesModel::setTextFilter(const QString& text) {
    if (text == m_filterText)
        return;
    m_filterText = text;
    m_scan.reset();  // a search for an older text is of no use
    if (!text.isEmpty()) {
        startScan();
        return;
    }
    beginResetModel();
    m_filtering = false;
    m_shown = std::vector<int>();
    m_shownNeedle = textmatch::Needle(QString());
    endResetModel();
    emit filterApplied();
}

void EntriesModel::startScan() {
    const quint64 number = ++m_scanNumber;
    m_scan =
        std::make_unique<RowScan>(m_grid, m_order, columnCount(), m_filterText, [this, number] {
            QMetaObject::invokeMethod(
                this,
                [this, number] {
                    if (number == m_scanNumber && m_scan)
                        showScanResult();
                },
                Qt::QueuedConnection);
        });
}

void EntriesModel::finishTextFilter() {
    if (m_scan)
        showScanResult();
}

void EntriesModel::showScanResult() {
    beginResetModel();
    m_shown = m_scan->takeFound();
    m_scan.reset();
    m_shownNeedle = textmatch::Needle(m_filterText);
    m_filtering = true;
    endResetModel();
    emit filterApplied();
}

std::vector<qint64> EntriesModel::twinsOf(int row) const {
    std::vector<qint64> twins;
    if (row < 0 || row >= rowCount())
        return twins;
    const int of = gridRow(row);
    const int columns = std::min(columnCount(), m_grid.columnCount());
    const quint32 shape = m_grid.rowShape(of);
    const auto sameValues = [&](int other) {
        for (int column = 0; column < columns; ++column) {
            int size = 0;
            int otherSize = 0;
            const char* cell = m_grid.cellData(of, column, &size);
            const char* otherCell = m_grid.cellData(other, column, &otherSize);
            if (size != otherSize || std::memcmp(cell, otherCell, static_cast<size_t>(size)) != 0)
                return false;
        }
        return true;
    };
    for (int other = 0; other < m_grid.rowCount(); ++other) {
        if (m_grid.rowShape(other) == shape && sameValues(other) &&
            gridRowOf(m_grid.rowid(other)) == other)  // listed, not left behind by a change
            twins.push_back(m_grid.rowid(other));
    }
    return twins;
}

qint64 EntriesModel::rowidAt(int row) const {
    Q_ASSERT(row >= 0 && row < rowCount());
    return m_grid.rowid(gridRow(row));
}

int EntriesModel::shownRowOf(qint64 rowid) const {
    for (int row = 0; row < rowCount(); ++row) {
        if (rowidAt(row) == rowid)
            return row;
    }
    return -1;
}

ChosenEntry EntriesModel::entryAt(int row) const {
    Q_ASSERT(row >= 0 && row < rowCount());
    ChosenEntry entry{twinsOf(row), {}};
    for (int column = 0; column < columnCount(); ++column)
        entry.values.append(cellText(row, column));
    return entry;
}

void EntriesModel::setColors(const QVariant& background, const QVariant& text) {
    if (background == m_background && text == m_text)
        return;
    m_background = background;
    m_text = text;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

QString EntriesModel::cellText(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= m_grid.columnCount())
        return {};
    return m_grid.value(gridRow(row), column);
}

int EntriesModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return static_cast<int>(m_filtering ? m_shown.size() : m_order.size());
}

int EntriesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headings.size());
}

QVariant EntriesModel::data(const QModelIndex& index, int role) const {
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
        case Qt::AccessibleTextRole:
            return cellText(index.row(), index.column());
        case Qt::BackgroundRole:
            return m_background;
        case Qt::ForegroundRole:
            return m_text;
        default:
            return {};
    }
}

QVariant EntriesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal &&
        (role == Qt::DisplayRole || role == Qt::AccessibleTextRole || role == Qt::ToolTipRole) &&
        section >= 0 && section < m_headings.size())
        return m_headings[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}
