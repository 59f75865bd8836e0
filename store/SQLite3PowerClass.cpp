#include "SQLite3PowerClass.h"

#include "Schema.h"
#include "SqlText.h"
#include "StoreConnection.h"
#include "StoreTransaction.h"
#include "TextOrder.h"

#include <sqlite3.h>
#include <algorithm>

using Outcome = StoreResult::Outcome;

StoreResult SQLite3PowerClass::Query(const QString& storePath, const QString& table,
                                     const QString& condition, const QString& order,
                                     int columnLimit, RowIds rowids,
                                     const std::function<void(qint64 rows)>& listed) {
    m_resultValues.clear();
    StoreConnection connection;
    if (!connection.open(storePath))
        return {Outcome::Failed, connection.lastError()};
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
        return {code == SQLITE_ERROR || code == SQLITE_OK ? Outcome::Rejected : Outcome::Failed,
                QString::fromUtf8(sqlite3_errmsg(connection.handle()))};
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
        m_resultValues.clear();
        return {Outcome::Failed,
                QString::fromUtf8(result == SQLITE_NOMEM ? "out of memory"
                                                         : sqlite3_errmsg(connection.handle()))};
    }
    return {};
}

StoreResult SQLite3PowerClass::CanOpen(const QString& storePath) {
    StoreConnection connection;
    if (!connection.open(storePath))
        return {Outcome::Failed, connection.lastError()};
    return {};
}

StoreResult SQLite3PowerClass::change(const QString& storePath, const storesession::Update& session,
                                      const std::function<StoreResult(StoreConnection&)>& work) {
    m_step.reset();
    return storetransaction::change(storePath, session, work);
}

StoreResult SQLite3PowerClass::changeEntries(
    const QString& storePath, StoreStep::Kind kind,
    const std::function<StoreResult(StoreStep&, StoreConnection&)>& make) {
    auto step = std::make_shared<StoreStep>(kind);
    const StoreResult result =
        change(storePath, {}, [&](StoreConnection& connection) { return make(*step, connection); });
    if (result.done() && result.changedRows > 0)
        m_step = std::move(step);
    return result;
}

StoreResult SQLite3PowerClass::Insert(const QString& storePath, const QString& table,
                                      const QString& columnsAndValues, const QString&) {
    return changeEntries(
        storePath, StoreStep::Kind::AddEntry, [&](StoreStep& step, StoreConnection& connection) {
            return step.makeAdd(connection,
                                QStringLiteral("INSERT INTO %1 %2;").arg(table, columnsAndValues));
        });
}

StoreResult SQLite3PowerClass::Update(const QString& storePath, const QString& table,
                                      const QString& assignments, const QString& condition,
                                      const QString&) {
    return changeEntries(
        storePath, StoreStep::Kind::EditEntry, [&](StoreStep& step, StoreConnection& connection) {
            return step.makeOnEntries(connection, sqltext::toStatement(condition),
                                      [&](const QString& rows) {
                                          return QStringLiteral("UPDATE %1 SET %2 WHERE %3;")
                                              .arg(table, assignments, rows);
                                      });
        });
}

StoreResult SQLite3PowerClass::Delete(const QString& storePath, const QString& table,
                                      const QString& condition, const QString&) {
    return changeEntries(
        storePath, StoreStep::Kind::RemoveEntry, [&](StoreStep& step, StoreConnection& connection) {
            return step.makeOnEntries(
                connection, sqltext::toStatement(condition), [&](const QString& rows) {
                    return QStringLiteral("DELETE FROM %1 WHERE %2;").arg(table, rows);
                });
        });
}

StoreResult SQLite3PowerClass::Execute(const QString& storePath, const QString& statement,
                                       const storesession::Update& session) {
    return change(storePath, session, [&](StoreConnection& connection) {
        return storetransaction::run(connection, statement);
    });
}

StoreResult SQLite3PowerClass::ClearEntries(const QString& storePath,
                                            const storesession::Update& session) {
    return Execute(storePath, QStringLiteral("DELETE FROM %1;").arg(schema::table()), session);
}

StoreResult SQLite3PowerClass::InsertColumn(const QString& storePath, int position, int columnCount,
                                            const QString& namesBefore, const QString& namesAfter) {
    // With no columns yet nothing identifies a value's column: nothing moves.
    const int last = columnCount == 0 ? 0 : std::min(columnCount + 1, schema::kColumnCount);
    return moveColumns(storePath, StoreStep::Kind::AddColumn, position, last, namesBefore,
                       namesAfter);
}

StoreResult SQLite3PowerClass::RemoveColumn(const QString& storePath, int position, int columnCount,
                                            const QString& namesBefore, const QString& namesAfter) {
    return moveColumns(storePath, StoreStep::Kind::RemoveColumn, position,
                       std::min(columnCount, schema::kColumnCount), namesBefore, namesAfter);
}

StoreResult SQLite3PowerClass::RenameColumn(const QString& storePath, const QString& namesBefore,
                                            const QString& namesAfter) {
    return moveColumns(storePath, StoreStep::Kind::RenameColumn, 0, 0, namesBefore, namesAfter);
}

StoreResult SQLite3PowerClass::moveColumns(const QString& storePath, StoreStep::Kind kind,
                                           int position, int last, const QString& namesBefore,
                                           const QString& namesAfter) {
    auto step = std::make_shared<StoreStep>(kind, position, last, namesBefore, namesAfter);
    storesession::Update session;
    session.columnNames = namesAfter;
    session.unsaved = true;
    const StoreResult result = change(storePath, session, [&](StoreConnection& connection) {
        return step->makeColumnChange(connection);
    });
    // A column change stands even when there are no entries to move.
    if (result.done())
        m_step = std::move(step);
    return result;
}
