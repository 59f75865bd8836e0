#pragma once

#include "ResultGrid.h"
#include "Schema.h"
#include "StoreResult.h"
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
// Every call says how it ended in its StoreResult, and in nothing else: a statement the engine
// rejects (bad syntax, a column above 26) changes nothing and is Rejected, and a query then
// yields no rows; a store that does not exist, cannot be opened, is damaged, refuses the write
// or fails part-way through a result has Failed.
//
// Every change runs in one transaction together with the session record (StoreTransaction.h),
// which then says that the entries hold unsaved changes. The changes a user makes and can take
// back (Insert, Update, Delete and the column changes) leave a StoreStep in m_step.
class SQLite3PowerClass {
public:
    enum class RowIds { Skip, Read };

    // SELECT * FROM table [WHERE condition] [ORDER BY order]; with columnLimit below 26 only
    // the columns Column1 to Column<columnLimit> are read. With RowIds::Read each row's id
    // goes to the grid too (m_resultValues.rowid()). listed, when given, hears now and then how
    // many rows have been read.
    StoreResult Query(const QString& storePath, const QString& table, const QString& condition,
                      const QString& order, int columnLimit = schema::kColumnCount,
                      RowIds rowids = RowIds::Skip,
                      const std::function<void(qint64 rows)>& listed = {});
    // INSERT INTO table columnsAndValues, e.g. "(Column1, Column2) VALUES ('a', 'b')".
    StoreResult Insert(const QString& storePath, const QString& table,
                       const QString& columnsAndValues, const QString& order);
    // UPDATE table SET assignments WHERE condition, e.g. "Column1='a',Column2='b'".
    StoreResult Update(const QString& storePath, const QString& table, const QString& assignments,
                       const QString& condition, const QString& order);
    StoreResult Delete(const QString& storePath, const QString& table, const QString& condition,
                       const QString& order);
    // Done when the store exists, opens and holds its table; Failed with the reason otherwise.
    static StoreResult CanOpen(const QString& storePath);
    // Any other statement that changes the store; session names what else the record says.
    StoreResult Execute(const QString& storePath, const QString& statement,
                        const storesession::Update& session = {});
    // Every entry goes, and session is recorded in the same transaction: the store then holds
    // the empty database that session describes.
    StoreResult ClearEntries(const QString& storePath, const storesession::Update& session);

    // The columns of a database of columnCount columns change: a new empty column at
    // position (from 1; the columns from there move one to the right), a column removed (the
    // columns after it move one to the left), a column renamed. Each entry moves once, in one
    // statement; the record takes the new names.
    StoreResult InsertColumn(const QString& storePath, int position, int columnCount,
                             const QString& namesBefore, const QString& namesAfter);
    StoreResult RemoveColumn(const QString& storePath, int position, int columnCount,
                             const QString& namesBefore, const QString& namesAfter);
    StoreResult RenameColumn(const QString& storePath, const QString& namesBefore,
                             const QString& namesAfter);

    // The step the last change made, when it can be taken back; null otherwise.
    std::shared_ptr<StoreStep> m_step;

    // The result grid of the last query: m_resultValues.columnCount(), rowCount(), the cells
    // row by row and the column names in m_resultValues.m_resultColumns.
    ResultGrid m_resultValues;
    int columnCount() const { return m_resultValues.columnCount(); }
    int rowCount() const { return m_resultValues.rowCount(); }

private:
    // Every change: the step of the one before goes.
    StoreResult change(const QString& storePath, const storesession::Update& session,
                       const std::function<StoreResult(StoreConnection&)>& work);
    // A change of entries the user can take back: make makes it through a new step of kind,
    // which m_step keeps when it changed an entry.
    StoreResult changeEntries(const QString& storePath, StoreStep::Kind kind,
                              const std::function<StoreResult(StoreStep&, StoreConnection&)>& make);
    StoreResult moveColumns(const QString& storePath, StoreStep::Kind kind, int position, int last,
                            const QString& namesBefore, const QString& namesAfter);
};
