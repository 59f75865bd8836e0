#pragma once

#include "ResultGrid.h"

#include <QString>

// Runs one statement on the working store per call and keeps the result grid of the last
// query. Statement parts (conditions, assignments, column-and-values lists) come from the
// callers as finished SQL text with values quoted by sqltext::literal().
//
// A statement the engine rejects (bad syntax, a column above 26) changes nothing and is not
// an error: a query then yields no rows. A store that does not exist, cannot be opened, is
// damaged, or fails part-way through a result is: the operation returns false.
class SQLite3PowerClass {
public:
    enum class Outcome { Done, Rejected, Failed };

    // SELECT * FROM table [WHERE condition] [ORDER BY order]; with columnLimit below 26 only
    // the columns Column1 to Column<columnLimit> are read.
    bool Query(const QString& storePath, const QString& table, const QString& condition,
               const QString& order, int columnLimit = 26);
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
    // Any other statement that changes the store.
    bool Execute(const QString& storePath, const QString& statement);

    // How the last operation ended, and why when it failed.
    Outcome m_outcome = Outcome::Done;
    QString m_error;
    // Rows changed by the last Insert, Update, Delete or Execute.
    int m_changedRows = 0;

    // The result grid of the last query: m_resultValues.columnCount(), rowCount(), the cells
    // row by row and the column names in m_resultValues.m_resultColumns.
    ResultGrid m_resultValues;
    int columnCount() const { return m_resultValues.columnCount(); }
    int rowCount() const { return m_resultValues.rowCount(); }

private:
    bool modify(const QString& storePath, const QString& statement);
};
