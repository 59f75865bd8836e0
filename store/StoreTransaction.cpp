#include "StoreTransaction.h"

#include "SqlText.h"
#include "StoreConnection.h"

#include <sqlite3.h>

namespace storetransaction {

namespace {

using Outcome = StoreResult::Outcome;

QString engineMessage(StoreConnection& connection) {
    return QString::fromUtf8(sqlite3_errmsg(connection.handle()));
}

bool recordsSomething(const storesession::Update& record) {
    return record.path || record.columnNames || record.sortColumn || record.unsaved ||
           record.dialect;
}

}  // namespace

StoreResult change(const QString& storePath, const storesession::Update& session,
                   const std::function<StoreResult(StoreConnection&)>& work) {
    StoreConnection connection;
    if (!connection.open(storePath) || !connection.begin())
        return {Outcome::Failed, connection.lastError()};
    StoreResult result = work(connection);
    if (result.done()) {
        storesession::Update record = session;
        if (!record.unsaved && result.changedRows > 0)
            record.unsaved = true;
        const bool recorded = !recordsSomething(record) || storesession::write(connection, record);
        if (!recorded || !connection.commit())
            result = {Outcome::Failed, engineMessage(connection)};
    } else if (result.error.isEmpty()) {
        result.error = engineMessage(connection);
    }
    if (!result.done()) {
        connection.rollback();
        result.changedRows = 0;
    }
    return result;
}

StoreResult run(StoreConnection& connection, const QString& statement) {
    PreparedStatement change(connection, sqltext::toStatement(statement));
    if (change.prepareResult() != SQLITE_OK || !change.handle()) {
        const int code = change.prepareResult() & 0xFF;
        return {code == SQLITE_ERROR || code == SQLITE_OK ? Outcome::Rejected : Outcome::Failed,
                engineMessage(connection)};
    }
    int result;
    while ((result = sqlite3_step(change.handle())) == SQLITE_ROW) {
    }
    if (result != SQLITE_DONE)
        return {(result & 0xFF) == SQLITE_CONSTRAINT ? Outcome::Rejected : Outcome::Failed,
                engineMessage(connection)};
    return {Outcome::Done, QString(), sqlite3_changes(connection.handle())};
}

StoreResult failure(StoreConnection& connection) {
    const int code = sqlite3_errcode(connection.handle()) & 0xFF;
    return {code == SQLITE_ERROR ? Outcome::Rejected : Outcome::Failed, engineMessage(connection)};
}

}  // namespace storetransaction
