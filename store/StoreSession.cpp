#include "StoreSession.h"

#include "Schema.h"
#include "StoreConnection.h"
#include "TextEncoding.h"

#include <sqlite3.h>

namespace storesession {

namespace {

const QByteArray kCreate = QByteArray("CREATE TABLE IF NOT EXISTS ") + schema::kSessionTableName +
                           " " + schema::kSessionTableColumns + ";";
constexpr char kPath[] = "path";
constexpr char kColumnNames[] = "columns";
constexpr char kSortColumn[] = "sort";
constexpr char kUnsaved[] = "unsaved";
// Earlier versions kept the encoding alone under this key; csvfile::dialectFromName reads both.
constexpr char kDialect[] = "encoding";

bool put(StoreConnection& connection, const char* key, const QString& value) {
    PreparedStatement statement(connection, QByteArray("INSERT OR REPLACE INTO ") +
                                                schema::kSessionTableName +
                                                " (Key, Value) VALUES (?, ?);");
    if (statement.prepareResult() != SQLITE_OK) {
        connection.noteEngineFailure();
        return false;
    }
    const QByteArray text = value.toUtf8();
    sqlite3_bind_text(statement.handle(), 1, key, -1, SQLITE_STATIC);
    sqlite3_bind_text(statement.handle(), 2, text.constData(), static_cast<int>(text.size()),
                      SQLITE_STATIC);
    if (sqlite3_step(statement.handle()) != SQLITE_DONE) {
        connection.noteEngineFailure();
        return false;
    }
    return true;
}

}  // namespace

Record read(const QString& storePath) {
    Record record;
    StoreConnection connection;
    if (!connection.open(storePath))
        return record;
    PreparedStatement statement(
        connection, QByteArray("SELECT Key, Value FROM ") + schema::kSessionTableName + ";");
    if (statement.prepareResult() != SQLITE_OK)
        return record;  // a store from before records were kept
    int result;
    bool any = false;
    while ((result = sqlite3_step(statement.handle())) == SQLITE_ROW) {
        const QByteArray key(
            reinterpret_cast<const char*>(sqlite3_column_text(statement.handle(), 0)));
        const QString value = textencoding::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(statement.handle(), 1)),
            sqlite3_column_bytes(statement.handle(), 1));
        any = true;
        if (key == kPath)
            record.path = value;
        else if (key == kColumnNames)
            record.columnNames = value;
        else if (key == kSortColumn)
            record.sortColumn = value;
        else if (key == kUnsaved)
            record.unsaved = value == QLatin1String("1");
        else if (key == kDialect)
            record.dialect = value;
    }
    record.exists = any && result == SQLITE_DONE;
    if (!record.exists)
        record = Record();
    return record;
}

bool write(StoreConnection& connection, const Update& update) {
    if (!connection.execute(kCreate.constData()))
        return false;
    return (!update.path || put(connection, kPath, *update.path)) &&
           (!update.columnNames || put(connection, kColumnNames, *update.columnNames)) &&
           (!update.sortColumn || put(connection, kSortColumn, *update.sortColumn)) &&
           (!update.unsaved || put(connection, kUnsaved,
                                   *update.unsaved ? QStringLiteral("1") : QStringLiteral("0"))) &&
           (!update.dialect || put(connection, kDialect, *update.dialect));
}

bool write(const QString& storePath, const Update& update, QString* error) {
    StoreConnection connection;
    const bool opened = connection.open(storePath);
    connection.declareChangedRows({});  // the record alone: no entry changes
    const bool written =
        opened && connection.begin() && write(connection, update) && connection.commit();
    if (!written) {
        connection.rollback();
        if (error)
            *error = connection.lastError();
    }
    return written;
}

}  // namespace storesession
