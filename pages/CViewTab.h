#pragma once

#include "CPage.h"
#include "EntriesModel.h"
#include "SQLite3PowerClass.h"

#include <QList>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// An entries list page: View All (every entry) or View Filtered (the entries the last search
// selected). It lists, sorts, filters as the user types, removes, copies and prints entries;
// Edit Entry and Add Entry only raise request flags that the main window carries out.
class CViewTab : public CPage {
    Q_OBJECT
public:
    CViewTab(QWidget* parent, OpenDatabase& database);

    void OnInitDialog() override;

    // Shows the store's entries that searchCondition (a search's WHERE condition; empty: every
    // entry) selects, in the order of sortColumn. A list that already shows the same query
    // reads only the entries changed since, makes the store's column moves in its own rows
    // (unless a condition selects them), and sorts in memory: a long
    // list as an operation (startOperation) that the user can cancel. False when its sort was
    // cancelled or could not start now: the list then shows exactly what it showed.
    bool FillList(const QString& searchCondition, const QString& sortColumn);
    // Reads the store again with the search condition and sort column of the last fill.
    void Refill() { FillList(m_shownCondition, m_shownOrder); }

    // Empties the list (rows, columns and count) and gives its memory back, before a new
    // database is read, so that a large database is never held twice.
    void releaseRows();
    // What the list shows a person beyond the rows of its query: the text typed into the
    // filter field, the entry chosen and how far the list is scrolled.
    struct View {
        QString typed;
        std::optional<qint64> chosen;  // its id
        int scrolled = 0;
    };
    View view() const;
    // After releaseRows(), when the database that was to come did not: reads the rows of the
    // last fill again, in its order, and shows them as view says. A page not shown takes only
    // the typed filter, for when it is.
    void showAgain(const View& view);
    // The next fill reads about this many bytes in this many cells: room is made at once, and
    // listed hears how many rows it has read so far.
    void expectRows(qsizetype bytes, qsizetype cells,
                    std::function<void(qint64 rows)> listed = {}) {
        m_expected = {bytes, cells, std::move(listed)};
    }
    // The next fill of every entry takes rows instead of reading the store: the entries a load
    // has just stored, as that query returns them (ids read, in store order).
    void takeLoadedRows(ResultGrid rows) { m_loadedRows = std::move(rows); }

    // Places the controls for a main window client area of w by h pixels. Buttons grow where
    // their captions need it; the list and the filter field give them the room.
    void PlaceControls(int w, int h);
    // The smallest client area in which the page shows every text whole.
    QSize minimumClientSize() const;

    // The row of the chosen entry, or -1.
    int selectionMark() const;
    // The entry chosen in the list, by its identity; none when no row is chosen.
    std::optional<ChosenEntry> chosenEntry() const;
    QString cellText(int row, int column) const { return m_model.cellText(row, column); }
    int listRowCount() const { return m_model.rowCount(); }
    // Width of list column i in pixels; 0 for a column the list does not have.
    int listColumnWidth(int column) const;
    // Every row the list holds, in its order, those the filter field hides too, and whether
    // they are every row the query asked for.
    const EntriesModel& listedRows() const { return m_model; }
    bool listIsComplete() const { return !m_listRead.failed(); }
    const QString& listError() const { return m_listRead.error; }

    QTableView* list() const { return m_list; }
    QLineEdit* filterField() const { return m_filterField; }

    // The column the list was last sorted by ("Column" and its number), or empty. View All's is
    // the database's order, which the next start and a recovered session come back in.
    QString sortColumn() const { return m_filtered ? m_sortColumn : database().sortColumn(); }
    void setSortColumn(const QString& column);

    bool m_filtered = false;
    // View Filtered's: the condition of the search it lists (the typed filter is the model's
    // text filter).
    QString m_searchCondition;
    // Edit Entry asked to edit this entry, chosen when it was asked; the main window's poll
    // timer hands it to the Add/Edit Data tab.
    std::optional<ChosenEntry> m_editRequested;
    bool m_addRequested = false;
    QList<quint32> m_columnWidths;

public slots:
    void OnColumnClick(int column);
    void OnEditEntry();
    void OnAddEntry();
    void OnRemoveEntry();
    void OnCopyEntry();
    void OnPrintEntries();

protected:
    void followPalette() override;
    void placeControls() override {
        if (!m_clientSize.isEmpty())
            PlaceControls(m_clientSize.width(), m_clientSize.height());
    }

private:
    void showSortMenu(const QPoint& position);
    // Lists the rows in the order of column (from 0; -1 store order); false as FillList says.
    bool sortList(int column);
    // The header's arrow over column (none for -1): the order of the rows shown.
    void showSortArrow(int column);
    // Brings the list, which shows the query of searchCondition, up to date with the store's
    // changes since, column moves included, under headings; false when it must be read again.
    bool applyStoreChanges(const QString& searchCondition, const QStringList& headings);
    void showCount();
    // The size of every button: the design's, or what the longest caption needs.
    QSize buttonSize() const;
    // The height of the entry count at width, room for its longest text.
    int countHeight(int width) const;

    QPushButton* m_addButton;
    QPushButton* m_editButton;
    QPushButton* m_removeButton;
    QPushButton* m_copyButton;
    QTableView* m_list;
    QPushButton* m_printButton;
    QLabel* m_countText;
    QLabel* m_filterLabel;
    QLineEdit* m_filterField;
    EntriesModel m_model;
    // The query the list was last filled with, and the store's change count it shows. The
    // columns are not part of it: the store's changes say how they moved.
    struct FillKey {
        QString searchCondition, storePath, language;  // language: the order's rules
        bool operator==(const FillKey& other) const {
            return searchCondition == other.searchCondition && storePath == other.storePath &&
                   language == other.language;
        }
    };
    FillKey m_lastFill;
    quint64 m_shownChanges = 0;
    bool m_counted = false;
    QString m_shownCondition;
    QString m_shownOrder;
    struct Expected {
        qsizetype bytes = 0;
        qsizetype cells = 0;
        std::function<void(qint64 rows)> listed;
    };
    Expected m_expected;
    std::optional<ResultGrid> m_loadedRows;
    StoreResult m_listRead;  // how the list was last read from the store
    QString m_sortColumn;    // View Filtered's; View All's is the database's
    QSize m_clientSize;      // the window's client area the controls were last placed for
};
