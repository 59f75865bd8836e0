#include "StoreContents.h"

#include "SQLite3PowerClass.h"
#include "Schema.h"
#include "SqlText.h"

#include <sqlite3.h>

namespace storecontents {

QStringList rows(const QString& storePath, int columnCount) {
    SQLite3PowerClass store;
    const StoreResult read =
        store.Query(storePath, schema::table(), QString(), QString(), columnCount);
    if (read.failed())
        return {QStringLiteral("<store failed: %1>").arg(read.error)};
    QStringList rows;
    for (int r = 0; r < store.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < store.columnCount(); ++c)
            cells.append(store.m_resultValues.value(r, c));
        rows.append(cells.join(QLatin1Char('|')));
    }
    return rows;
}

QStringList query(const QString& storePath, const QString& statement) {
    sqlite3* db = nullptr;
    QStringList rows;
    sqlite3_stmt* prepared = nullptr;
    if (sqlite3_open_v2(storePath.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v2(db, statement.toUtf8().constData(), -1, &prepared, nullptr) !=
            SQLITE_OK) {
        rows = {QStringLiteral("<failed: %1>").arg(QString::fromUtf8(sqlite3_errmsg(db)))};
        sqlite3_close(db);
        return rows;
    }
    int result;
    while ((result = sqlite3_step(prepared)) == SQLITE_ROW) {
        QStringList cells;
        for (int c = 0; c < sqlite3_column_count(prepared); ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(prepared, c));
            cells.append(text ? QString::fromUtf8(text) : QStringLiteral("NULL"));
        }
        rows.append(cells.join(QLatin1Char('|')));
    }
    if (result != SQLITE_DONE)
        rows = {QStringLiteral("<failed: %1>").arg(QString::fromUtf8(sqlite3_errmsg(db)))};
    sqlite3_finalize(prepared);
    sqlite3_close(db);
    return rows;
}

bool insert(const QString& storePath, const QStringList& values) {
    QStringList columns;
    QStringList literals;
    for (int k = 1; k <= values.size(); ++k) {
        columns.append(schema::column(k));
        literals.append(sqltext::literal(values[k - 1]));
    }
    SQLite3PowerClass store;
    return store
        .Insert(storePath, schema::table(),
                QStringLiteral("(%1) VALUES (%2)")
                    .arg(columns.join(QStringLiteral(", ")), literals.join(QStringLiteral(", "))),
                QString())
        .done();
}

}  // namespace storecontents
