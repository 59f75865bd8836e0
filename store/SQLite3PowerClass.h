#pragma once

#include "ResultGrid.h"
#include "Schema.h"
#include "StoreSession.h"
#include "StoreStep.h"

#include <QString>
#include <functional>
#include <memory>

class StoreConnection;

// Runs one statement on the working store per call and keeps the result grid of the last
// query. Statement parts (conditions, assignments, column-and-values lists) come from the
// callers as finished SQL text with values quoted by sqltext::literal().
//
// A statement the engine rejects (bad syntax, a column above 26) changes nothing and is not
// an error: a query then yields no rows. A store that does not exist, cannot be opened, is
// damaged, or fails part-way through a result is: the operation returns false.
//
// Every change runs in one transaction together with the session record (StoreSession.h),
// which then says that the entries hold unsaved changes. The changes a user makes and can take
// back (Insert, Update, Delete and the column changes) leave a StoreStep in m_step.
class SQLite3PowerClass {
public:
    enum class Outcome { Done, Rejected, Failed };
    enum class RowIds { Skip, Read };

    // SELECT * FROM table [WHERE condition] [ORDER BY order]; with columnLimit below 26 only
    // the columns Column1 to Column<columnLimit> are read. With RowIds::Read each row's id
    // goes to the grid too (m_resultValues.rowid()). listed, when given, hears now and then how
    // many rows have been read.
    bool Query(const QString& storePath, const QString& table, const QString& condition,
               const QString& order, int columnLimit = schema::kColumnCount,
               RowIds rowids = RowIds::Skip, const std::function<void(qint64 rows)>& listed = {});
    // INSERT INTO table columnsAndValues, e.g. "(Column1, Column2) VALUES ('a', 'b')".
    bool Insert(const QString& storePath, const QString& table, const QString& columnsAndValues,
                const QString& order);
    // UPDATE table SET assignments WHERE condition, e.g. "Column1='a',Column2='b'".
    bool Update(const QString& storePath, const QString& table, const QString& assignments,
                const QString& condition, const QString& order);
    bool Delete(const QString& storePath, const QString& table, const QString& condition,
                const QString& order);
    // True when the store exists, opens and holds its table; sets m_outcome and m_error.
    bool CanOpen(const QString& storePath);
    // Any other statement that changes the store; session names what else the record says.
    bool Execute(const QString& storePath, const QString& statement,
                 const storesession::Update& session = {});

    // The columns of a database of columnCount columns change: a new empty column at
    // position (from 1; the columns from there move one to the right), a column removed (the
    // columns after it move one to the left), a column renamed. Each entry moves once, in one
    // statement; the record takes the new names.
    bool InsertColumn(const QString& storePath, int position, int columnCount,
                      const QString& namesBefore, const QString& namesAfter);
    bool RemoveColumn(const QString& storePath, int position, int columnCount,
                      const QString& namesBefore, const QString& namesAfter);
    bool RenameColumn(const QString& storePath, const QString& namesBefore,
                      const QString& namesAfter);

    // Runs work inside one write transaction. When it changed rows, or session names what to
    // record, the session record is written too (unsaved changes, unless session says
    // otherwise); then all of it commits, or none. work says how it ended and counts
    // m_changedRows; Rejected and Failed roll back.
    bool Change(const QString& storePath, const storesession::Update& session,
                const std::function<Outcome(StoreConnection&)>& work);

    // How the last operation ended, and why when it failed.
    Outcome m_outcome = Outcome::Done;
    QString m_error;
    // Rows changed by the last Insert, Update, Delete or Execute.
    int m_changedRows = 0;
    // The step the last change made, when it can be taken back; null otherwise.
    std::shared_ptr<StoreStep> m_step;

    // The result grid of the last query: m_resultValues.columnCount(), rowCount(), the cells
    // row by row and the column names in m_resultValues.m_resultColumns.
    ResultGrid m_resultValues;
    int columnCount() const { return m_resultValues.columnCount(); }
    int rowCount() const { return m_resultValues.rowCount(); }

private:
    // Runs one statement on connection; Rejected for a statement the engine refuses.
    Outcome run(StoreConnection& connection, const QString& statement);
    // A change of entries that the user can take back: work fills the step it is given.
    bool changeEntries(const QString& storePath, StoreStep::Kind kind,
                       const std::function<Outcome(StoreConnection&, StoreStep&)>& work);
    bool moveColumns(const QString& storePath, StoreStep::Kind kind, int position, int last,
                     const QString& namesBefore, const QString& namesAfter);
};
