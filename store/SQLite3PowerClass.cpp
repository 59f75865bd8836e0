#include "SQLite3PowerClass.h"

#include "Schema.h"
#include "SqlText.h"
#include "StoreChanges.h"
#include "StoreConnection.h"

#include <sqlite3.h>

bool SQLite3PowerClass::Query(const QString& storePath, const QString& table,
                              const QString& condition, const QString& order, int columnLimit) {
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
    QString statement = QStringLiteral("SELECT %1 FROM %2").arg(columns, table);
    if (!condition.isEmpty())
        statement += QStringLiteral(" WHERE ") + condition;
    if (!order.isEmpty())
        statement += QStringLiteral(" ORDER BY ") + order;
    statement += QLatin1Char(';');

    PreparedStatement query(connection, sqltext::toStatement(statement));
    if (query.prepareResult() != SQLITE_OK || !query.handle()) {
        const int code = query.prepareResult() & 0xFF;
        m_outcome = code == SQLITE_ERROR || code == SQLITE_OK ? Outcome::Rejected : Outcome::Failed;
        m_error = QString::fromUtf8(sqlite3_errmsg(connection.handle()));
        return m_outcome != Outcome::Failed;
    }
    sqlite3_stmt* rows = query.handle();
    const int width = sqlite3_column_count(rows);
    int result;
    bool first = true;
    while ((result = sqlite3_step(rows)) == SQLITE_ROW) {
        if (first) {
            // Like the engine's table interface: no rows, no columns.
            m_resultValues.setColumnCount(width);
            for (int j = 0; j < width; ++j)
                m_resultValues.m_resultColumns.append(
                    QString::fromLatin1(sqlite3_column_name(rows, j)));
            first = false;
        }
        for (int j = 0; j < width; ++j) {
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

bool SQLite3PowerClass::modify(const QString& storePath, const QString& statement) {
    m_error.clear();
    m_changedRows = 0;
    StoreConnection connection;
    if (!connection.open(storePath)) {
        m_outcome = Outcome::Failed;
        m_error = connection.lastError();
        return false;
    }
    const QByteArray sql = sqltext::toStatement(statement);
    PreparedStatement change(connection, sql);
    if (change.prepareResult() != SQLITE_OK || !change.handle()) {
        const int code = change.prepareResult() & 0xFF;
        m_outcome = code == SQLITE_ERROR || code == SQLITE_OK ? Outcome::Rejected : Outcome::Failed;
        m_error = QString::fromUtf8(sqlite3_errmsg(connection.handle()));
        return m_outcome != Outcome::Failed;
    }
    int result;
    while ((result = sqlite3_step(change.handle())) == SQLITE_ROW) {
    }
    if (result != SQLITE_DONE) {
        const int code = result & 0xFF;
        m_outcome = code == SQLITE_CONSTRAINT ? Outcome::Rejected : Outcome::Failed;
        m_error = QString::fromUtf8(sqlite3_errmsg(connection.handle()));
        return m_outcome != Outcome::Failed;
    }
    m_changedRows = sqlite3_changes(connection.handle());
    m_outcome = Outcome::Done;
    return true;
}

bool SQLite3PowerClass::Insert(const QString& storePath, const QString& table,
                               const QString& columnsAndValues, const QString&) {
    return modify(storePath, QStringLiteral("INSERT INTO %1 %2;").arg(table, columnsAndValues));
}

bool SQLite3PowerClass::Update(const QString& storePath, const QString& table,
                               const QString& assignments, const QString& condition,
                               const QString&) {
    return modify(storePath,
                  QStringLiteral("UPDATE %1 SET %2 WHERE %3;").arg(table, assignments, condition));
}

bool SQLite3PowerClass::Delete(const QString& storePath, const QString& table,
                               const QString& condition, const QString&) {
    return modify(storePath, QStringLiteral("DELETE FROM %1 WHERE %2;").arg(table, condition));
}

bool SQLite3PowerClass::Execute(const QString& storePath, const QString& statement) {
    return modify(storePath, statement);
}
