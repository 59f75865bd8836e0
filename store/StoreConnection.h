#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// One connection to the working store for the length of one operation. Opening checks that
// the file is a database with the entries table and its columns, so a store that vanished or
// was damaged while the program runs is reported as unusable instead of as an empty table.
// Every change a connection commits is counted (see storeChanges()).
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
    QString lastError() const { return m_lastError; }
    // True when the last failure means the file is no sound store (missing, not a database,
    // damaged, without its table), as opposed to a sound store that refused a change
    // (read-only, disk full, locked).
    bool lastFailureIsDamage() const { return m_damaged; }
    // Records the engine's reason for the last failed call.
    void noteEngineFailure();

    // True when the file at path is a usable working store.
    static bool isUsableStore(const QString& storePath);

private:
    bool hasEntriesTable();

    sqlite3* m_db = nullptr;
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
