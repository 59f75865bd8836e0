#include "SQLite3PowerClass.h"

#include "Schema.h"
#include "SqlText.h"
#include "StoreConnection.h"
#include "TextOrder.h"

#include <sqlite3.h>
#include <algorithm>

bool SQLite3PowerClass::Query(const QString& storePath, const QString& table,
                              const QString& condition, const QString& order, int columnLimit,
                              RowIds rowids, const std::function<void(qint64 rows)>& listed) {
    m_resultValues.clear();
    m_error.clear();
    StoreConnection connection;
    if (!connection.open(storePath)) {
        m_outcome = Outcome::Failed;
        m_error = connection.lastError();
        return false;
    }
    QString columns = QStringLiteral("*");
    if (columnLimit < schema::kColumnCount) {
        QStringList names;
        for (int k = 1; k <= columnLimit; ++k)
            names.append(schema::column(k));
        columns = names.join(QStringLiteral(", "));
    }
    const bool withRowids = rowids == RowIds::Read;
    QString statement =
        QStringLiteral("SELECT %1%2 FROM %3")
            .arg(withRowids ? QStringLiteral("rowid, ") : QString(), columns, table);
    if (!condition.isEmpty())
        statement += QStringLiteral(" WHERE ") + condition;
    if (!order.isEmpty())
        statement += QStringLiteral(" ORDER BY ") + textorder::orderBy(order);
    statement += QLatin1Char(';');

    PreparedStatement query(connection, sqltext::toStatement(statement));
    if (query.prepareResult() != SQLITE_OK || !query.handle()) {
        const int code = query.prepareResult() & 0xFF;
        m_outcome = code == SQLITE_ERROR || code == SQLITE_OK ? Outcome::Rejected : Outcome::Failed;
        m_error = QString::fromUtf8(sqlite3_errmsg(connection.handle()));
        return m_outcome != Outcome::Failed;
    }
    sqlite3_stmt* rows = query.handle();
    const int first = withRowids ? 1 : 0;  // the first column of the statement is the id
    const int width = sqlite3_column_count(rows);
    int result;
    bool firstRow = true;
    qint64 rowsRead = 0;
    while ((result = sqlite3_step(rows)) == SQLITE_ROW) {
        if (firstRow) {
            // Like the engine's table interface: no rows, no columns.
            m_resultValues.setColumnCount(width - first);
            for (int j = first; j < width; ++j)
                m_resultValues.m_resultColumns.append(
                    QString::fromLatin1(sqlite3_column_name(rows, j)));
            firstRow = false;
        }
        if (withRowids)
            m_resultValues.appendRowid(sqlite3_column_int64(rows, 0));
        if (listed && ++rowsRead % 16384 == 0)
            listed(rowsRead);
        for (int j = first; j < width; ++j) {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(rows, j));
            if (!m_resultValues.appendCell(text, text ? sqlite3_column_bytes(rows, j) : 0)) {
                result = SQLITE_NOMEM;
                break;
            }
        }
        if (result != SQLITE_ROW)
            break;
    }
    if (result != SQLITE_DONE) {
        // A damaged store returns some rows and then an error: never pass part of the
        // entries off as all of them.
        m_error = QString::fromUtf8(result == SQLITE_NOMEM ? "out of memory"
                                                           : sqlite3_errmsg(connection.handle()));
        m_resultValues.clear();
        m_outcome = Outcome::Failed;
        return false;
    }
    m_outcome = Outcome::Done;
    return true;
}

bool SQLite3PowerClass::CanOpen(const QString& storePath) {
    StoreConnection connection;
    const bool usable = connection.open(storePath);
    m_outcome = usable ? Outcome::Done : Outcome::Failed;
    m_error = connection.lastError();
    return usable;
}

namespace {

// How a failed call on connection ends: a statement the engine refuses to prepare (bad
// syntax, a column above 26) is rejected, anything else is a failure of the store.
SQLite3PowerClass::Outcome failureOf(StoreConnection& connection, QString* error) {
    const int code = sqlite3_errcode(connection.handle()) & 0xFF;
    *error = QString::fromUtf8(sqlite3_errmsg(connection.handle()));
    return code == SQLITE_ERROR ? SQLite3PowerClass::Outcome::Rejected
                                : SQLite3PowerClass::Outcome::Failed;
}

}  // namespace

SQLite3PowerClass::Outcome SQLite3PowerClass::run(StoreConnection& connection,
                                                  const QString& statement) {
    PreparedStatement change(connection, sqltext::toStatement(statement));
    if (change.prepareResult() != SQLITE_OK || !change.handle()) {
        const int code = change.prepareResult() & 0xFF;
        m_error = QString::fromUtf8(sqlite3_errmsg(connection.handle()));
        return code == SQLITE_ERROR || code == SQLITE_OK ? Outcome::Rejected : Outcome::Failed;
    }
    int result;
    while ((result = sqlite3_step(change.handle())) == SQLITE_ROW) {
    }
    if (result != SQLITE_DONE) {
        m_error = QString::fromUtf8(sqlite3_errmsg(connection.handle()));
        return (result & 0xFF) == SQLITE_CONSTRAINT ? Outcome::Rejected : Outcome::Failed;
    }
    m_changedRows += sqlite3_changes(connection.handle());
    return Outcome::Done;
}

bool SQLite3PowerClass::Change(const QString& storePath, const storesession::Update& session,
                               const std::function<Outcome(StoreConnection&)>& work) {
    m_error.clear();
    m_changedRows = 0;
    m_step.reset();
    StoreConnection connection;
    if (!connection.open(storePath) || !connection.begin()) {
        m_outcome = Outcome::Failed;
        m_error = connection.lastError();
        return false;
    }
    m_outcome = work(connection);
    if (m_outcome == Outcome::Done) {
        storesession::Update record = session;
        if (!record.unsaved && m_changedRows > 0)
            record.unsaved = true;
        const bool recorded = !(record.path || record.columnNames || record.sortColumn ||
                                record.unsaved || record.dialect) ||
                              storesession::write(connection, record);
        if (!recorded || !connection.commit()) {
            failureOf(connection, &m_error);
            m_outcome = Outcome::Failed;
        }
    } else if (m_error.isEmpty()) {
        m_error = QString::fromUtf8(sqlite3_errmsg(connection.handle()));
    }
    if (m_outcome != Outcome::Done) {
        connection.rollback();
        m_changedRows = 0;
    }
    return m_outcome != Outcome::Failed;
}

bool SQLite3PowerClass::changeEntries(
    const QString& storePath, StoreStep::Kind kind,
    const std::function<Outcome(StoreConnection&, StoreStep&)>& work) {
    std::shared_ptr<StoreStep> step(new StoreStep(kind));
    const bool changed = Change(storePath, {}, [&](StoreConnection& connection) {
        const Outcome outcome = work(connection, *step);
        step->declareChangedRows(connection);
        return outcome;
    });
    if (m_outcome == Outcome::Done && m_changedRows > 0)
        m_step = std::move(step);
    return changed;
}

bool SQLite3PowerClass::Insert(const QString& storePath, const QString& table,
                               const QString& columnsAndValues, const QString&) {
    return changeEntries(
        storePath, StoreStep::Kind::AddEntry, [&](StoreConnection& connection, StoreStep& step) {
            const Outcome outcome =
                run(connection, QStringLiteral("INSERT INTO %1 %2;").arg(table, columnsAndValues));
            if (outcome != Outcome::Done || m_changedRows == 0)
                return outcome;
            const qint64 rowid = sqlite3_last_insert_rowid(connection.handle());
            return step.m_after.read(connection, "rowid = " + QByteArray::number(rowid))
                       ? Outcome::Done
                       : Outcome::Failed;
        });
}

bool SQLite3PowerClass::Update(const QString& storePath, const QString& table,
                               const QString& assignments, const QString& condition,
                               const QString&) {
    return changeEntries(
        storePath, StoreStep::Kind::EditEntry, [&](StoreConnection& connection, StoreStep& step) {
            // The rows the condition names, by their ids: those are changed, and can be
            // changed back, however many share the values.
            if (!step.m_before.read(connection, sqltext::toStatement(condition)))
                return failureOf(connection, &m_error);
            if (step.m_before.isEmpty())
                return Outcome::Done;
            const QByteArray rows = step.m_before.condition();
            const Outcome outcome =
                run(connection, QStringLiteral("UPDATE %1 SET %2 WHERE %3;")
                                    .arg(table, assignments, QString::fromLatin1(rows)));
            if (outcome != Outcome::Done)
                return outcome;
            return step.m_after.read(connection, rows) ? Outcome::Done : Outcome::Failed;
        });
}

bool SQLite3PowerClass::Delete(const QString& storePath, const QString& table,
                               const QString& condition, const QString&) {
    return changeEntries(
        storePath, StoreStep::Kind::RemoveEntry, [&](StoreConnection& connection, StoreStep& step) {
            if (!step.m_before.read(connection, sqltext::toStatement(condition)))
                return failureOf(connection, &m_error);
            if (step.m_before.isEmpty())
                return Outcome::Done;
            return run(connection, QStringLiteral("DELETE FROM %1 WHERE %2;")
                                       .arg(table, QString::fromLatin1(step.m_before.condition())));
        });
}

bool SQLite3PowerClass::Execute(const QString& storePath, const QString& statement,
                                const storesession::Update& session) {
    return Change(storePath, session,
                  [&](StoreConnection& connection) { return run(connection, statement); });
}

bool SQLite3PowerClass::InsertColumn(const QString& storePath, int position, int columnCount,
                                     const QString& namesBefore, const QString& namesAfter) {
    // With no columns yet nothing identifies a value's column: nothing moves.
    const int last = columnCount == 0 ? 0 : std::min(columnCount + 1, schema::kColumnCount);
    return moveColumns(storePath, StoreStep::Kind::AddColumn, position, last, namesBefore,
                       namesAfter);
}

bool SQLite3PowerClass::RemoveColumn(const QString& storePath, int position, int columnCount,
                                     const QString& namesBefore, const QString& namesAfter) {
    return moveColumns(storePath, StoreStep::Kind::RemoveColumn, position,
                       std::min(columnCount, schema::kColumnCount), namesBefore, namesAfter);
}

bool SQLite3PowerClass::RenameColumn(const QString& storePath, const QString& namesBefore,
                                     const QString& namesAfter) {
    return moveColumns(storePath, StoreStep::Kind::RenameColumn, 0, 0, namesBefore, namesAfter);
}

bool SQLite3PowerClass::moveColumns(const QString& storePath, StoreStep::Kind kind, int position,
                                    int last, const QString& namesBefore,
                                    const QString& namesAfter) {
    std::shared_ptr<StoreStep> step(new StoreStep(kind));
    step->m_column = position;
    step->m_last = last;
    step->m_columnsBefore = namesBefore;
    step->m_columnsAfter = namesAfter;
    storesession::Update session;
    session.columnNames = namesAfter;
    session.unsaved = true;
    ColumnStash overwritten;
    const bool changed = Change(storePath, session, [&](StoreConnection& connection) {
        step->declareChangedRows(connection);
        bool moved = true;
        if (kind == StoreStep::Kind::AddColumn)
            moved = StoreStep::moveRight(connection, position, last, &overwritten, nullptr);
        else if (kind == StoreStep::Kind::RemoveColumn)
            moved = StoreStep::moveLeft(connection, position, last, &overwritten, nullptr);
        if (!moved)
            return failureOf(connection, &m_error);
        m_changedRows = sqlite3_changes(connection.handle());
        return Outcome::Done;
    });
    if (m_outcome == Outcome::Done) {
        step->keepStash(std::move(overwritten));
        m_step = std::move(step);
    }
    return changed;
}
