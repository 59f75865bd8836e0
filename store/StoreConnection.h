#pragma once

#include "StoreChanges.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// One connection to the working store for the length of one operation. Opening checks that
// the file is a database with the entries table and its columns, so a store that vanished or
// was damaged while the program runs is reported as unusable instead of as an empty table.
// Every change a connection commits is counted (see StoreChanges.h).
//
// The store keeps the user's unsaved changes: a change that has committed survives a kill of
// the program and a power cut, and one cut short by them leaves nothing behind.
class StoreConnection {
public:
    StoreConnection() = default;
    ~StoreConnection();
    StoreConnection(const StoreConnection&) = delete;
    StoreConnection& operator=(const StoreConnection&) = delete;

    // False when the file does not exist, cannot be opened or lacks the table.
    bool open(const QString& storePath);
    sqlite3* handle() const { return m_db; }

    // Runs statements without results; false on any error.
    bool execute(const char* sql);
    bool execute(const QByteArray& sql) { return execute(sql.constData()); }

    // One transaction. begin() takes the write lock at once, so that what the transaction
    // reads first is still true when it writes. rollback() is harmless without a transaction.
    bool begin();
    bool commit();
    void rollback();
    // Commits are not waited for on the disk: for a bulk load, whose source is a file (a
    // power cut during it can damage the store, which the next start replaces), and for a
    // record of the session alone, whose loss costs no entry. The disk gets them in the
    // background after the commit, so that the next commit that waits for the disk (the
    // user's first change) does not wait for all of them.
    bool setUnsyncedWrites();
    // The transaction changes every entry: it keeps more of the changed pages in memory, so
    // that it waits for the disk less often. Durability stays as it is.
    bool holdLargeChange();
    QString lastError() const { return m_lastError; }
    // True when the last failure means the file is no sound store (missing, not a database,
    // damaged, without its table), as opposed to a sound store that refused a change
    // (read-only, disk full, locked).
    bool lastFailureIsDamage() const { return m_damaged; }
    // Records the engine's reason for the last failed call.
    void noteEngineFailure();
    // Tells the change count which entries the transaction changes (see StoreChanges.h): the
    // rows with these ids, added up over the calls; none when it only records the session. A
    // commit without this counts as a change of unknown entries.
    void declareChangedRows(const std::vector<qint64>& rowids);
    // Tells the change count that the transaction moves the columns of every entry and changes
    // nothing else in them. Counted once the commit has returned: a list must never follow a
    // move that the store then did not keep.
    void declareColumnMove(storechanges::ColumnMove move);

    // True when the file at path is a usable working store.
    static bool isUsableStore(const QString& storePath);

private:
    bool hasEntriesTable();
    void noteCommit();

    sqlite3* m_db = nullptr;
    QString m_path;
    bool m_unsynced = false;
    std::optional<std::vector<qint64>> m_changedRows;
    std::optional<storechanges::ColumnMove> m_columnMove;
    QString m_lastError;
    bool m_damaged = false;
};

// A prepared statement that finalises itself.
class PreparedStatement {
public:
    PreparedStatement(StoreConnection& connection, const QByteArray& sql);
    ~PreparedStatement();
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    sqlite3_stmt* handle() const { return m_statement; }
    int prepareResult() const { return m_prepareResult; }

private:
    sqlite3_stmt* m_statement = nullptr;
    int m_prepareResult = 0;
};
