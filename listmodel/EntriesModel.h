#pragma once

#include "ResultGrid.h"
#include "StoreChanges.h"
#include "TextMatch.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class RowScan;
class RowSort;

// An entry as the user chose it in a list, held by what identifies it in the store rather than
// by its row, which a filter's result or a change of the list can give to another entry: the
// ids of the entry and its twins (the entries of the same values), and those values.
struct ChosenEntry {
    std::vector<qint64> ids;
    QStringList values;
};

// The entries of a list page as a table model over the compact result grid of the query that
// filled it. The grid is only appended to: an entry changed in the store comes in as a new row
// at its place in the list's order and its old row stays behind, unlisted, until such rows are
// many. The order (store order or a column's) and the rows a typed filter keeps are row numbers
// of the grid. Cells become QStrings only when the view paints them.
class EntriesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit EntriesModel(QObject* parent = nullptr);
    ~EntriesModel() override;

    // Replaces headings and rows in one reset. rows come in store order with their ids, and
    // are listed in the order of column sortColumn (from 0; -1 for store order).
    void reset(const QStringList& headings, ResultGrid rows, int sortColumn);
    // Empties the list and hands over its rows, memory and all.
    ResultGrid takeRows();
    // Lists the rows in the order of column (from 0), as the store orders it, or in store
    // order (-1).
    void sortBy(int column);
    // Whether sortBy(column) takes long enough for a person to wait for it: then it is worth
    // sorting in the background, with the progress shown.
    bool sortIsLong(int column) const;
    // How a sort in the background is followed: done counts its work in rows, up to
    // totalRowCount(); false gives it up.
    using Waiting = std::function<bool(qint64 done)>;
    // The same, the order found in the background while this thread calls waiting every few
    // milliseconds, and once more when it is found. When waiting gives it up, or the list
    // changes meanwhile (a new result, changes applied, another sort), the list stays exactly as
    // it was: false then.
    bool sortBy(int column, const Waiting& waiting);
    // The entries with the ids in changed (sorted) changed in the store; fresh holds those of
    // them that the list's query selects now, with their ids. Each leaves, changes or comes in
    // at its place. False when the list can hold no more; it then shows part of the changes.
    bool applyChanges(const std::vector<qint64>& changed, const ResultGrid& fresh);
    // The store moved the columns of every entry (StoreChanges.h): the list makes the same
    // moves in its rows, in one reset, and shows headings, one for each column it then lists.
    // False when its rows lack a column the moves need; it must be read again then.
    bool moveColumns(const std::vector<storechanges::ColumnMove>& moves,
                     const QStringList& headings);
    // The columns are named anew, as many as before.
    void setHeadings(const QStringList& headings);

    // Shows only the rows in which a value contains text, letter case ignored as a search
    // ignores it; the empty text shows every row. The rows are sought in the background, and a
    // newer text supersedes a search still running; filterApplied() tells when they are shown.
    void setTextFilter(const QString& text);
    // Waits for the rows of the text filter, if they are still sought, and shows them.
    void finishTextFilter();
    const QString& textFilter() const { return m_filterText; }
    // The column the rows are listed in the order of (from 0); -1 for store order.
    int sortColumn() const { return m_sortColumn; }
    // Every row the list holds, those the text filter hides included.
    int totalRowCount() const { return static_cast<int>(m_order.size()); }

    // The colours of every cell: the view's QColor values, passed on as they are so that the
    // model needs Qt Core alone; invalid values leave the cells to the view's palette.
    void setColors(const QVariant& background, const QVariant& text);
    const QStringList& headings() const { return m_headings; }
    // Value of the shown row in column (from 0); the empty text for a cell the list lacks.
    QString cellText(int row, int column) const;
    // The ids of the rows that hold the same values as the shown row, its own id among them.
    std::vector<qint64> twinsOf(int row) const;
    // The entry of the shown row (0 <= row < rowCount()), and its id alone.
    ChosenEntry entryAt(int row) const;
    qint64 rowidAt(int row) const;
    // The shown row of the entry with this id; -1 when it is not shown.
    int shownRowOf(qint64 rowid) const;
    // Every row in the list's order, the hidden ones too, as row numbers of grid().
    const ResultGrid& grid() const { return m_grid; }
    const std::vector<int>& order() const { return m_order; }
    // The same rows in store order (by id), the order of the database's file.
    const std::vector<int>& storeOrder() const { return m_byRowid; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void filterApplied();

private:
    int gridRow(int row) const { return m_filtering ? m_shown[row] : m_order[row]; }
    // The grid row of the entry with this id, or -1 when the list does not hold it.
    int gridRowOf(qint64 rowid) const;
    bool keptByFilter(int gridRow) const;
    void orderRows();
    // One move of moveColumns() in the grid; its columns from shown on need not be right.
    // *sortColumn follows the column it sorts by, -1 when that column is gone.
    bool moveGridColumns(const storechanges::ColumnMove& move, int shown, int* sortColumn);
    // Lists the rows in order (grid rows, those of m_byRowid), the text filter's too.
    void showInOrder(std::vector<int> order);
    void removeGridRow(int gridRow);
    void insertGridRow(int gridRow);
    // The entry of grid row old changed into grid row now (the same id).
    void replaceGridRow(int old, int now);
    // Where the listed gridRow stands, or would stand, in m_byRowid.
    std::vector<int>::iterator byRowidPlace(int gridRow);
    // Copies the listed rows into a new grid once the rows left behind are many.
    void dropUnlistedRows();
    void startScan();
    void showScanResult();
    // Whether no scan or sort reads the grid and its rows in the background: only then may
    // they change.
    bool rowsAtRest() const { return !m_scan && !m_sort; }

    QStringList m_headings;
    ResultGrid m_grid;
    std::vector<int> m_byRowid;  // the listed grid rows in id order
    std::vector<int> m_order;    // the same in the list's order
    std::vector<int> m_shown;    // those the text filter keeps, in the list's order
    bool m_filtering = false;    // m_shown is what the list shows
    int m_sortColumn = -1;
    size_t m_unlisted = 0;  // grid rows left behind by changes
    QString m_filterText;
    textmatch::Needle m_shownNeedle{QString()};  // the text m_shown was sought with
    std::unique_ptr<RowScan> m_scan;
    quint64 m_scanNumber = 0;
    // The sort running in the background, which reads m_grid and m_byRowid: whatever changes
    // them ends it first.
    std::unique_ptr<RowSort> m_sort;
    quint64 m_sortNumber = 0;
    QVariant m_background;  // see setColors()
    QVariant m_text;
};
