#pragma once

#include <QString>
#include <optional>

class StoreConnection;

// What the next start needs to bring a session back after a crash, kept in the working store
// beside the entries and written in the same transaction as every change of them: which
// database the entries belong to, its columns, the sort column, and whether the entries hold
// changes that are not in the file.
namespace storesession {

struct Record {
    bool exists = false;  // false: the store holds no record (a fresh template, an old store)
    QString path;         // the database file; empty while the database is untitled
    QString columnNames;
    QString sortColumn;
    bool unsaved = false;
    QString dialect;  // the file's (csvfile::nameOf)
};

// The fields a change sets; the others keep their values.
struct Update {
    std::optional<QString> path;
    std::optional<QString> columnNames;
    std::optional<QString> sortColumn;
    std::optional<bool> unsaved;
    std::optional<QString> dialect;  // the file's (csvfile::nameOf)
};

// The record of the store at storePath. exists is false when there is none, and when the
// store cannot be read (a damaged store offers nothing to recover).
Record read(const QString& storePath);

// Writes update inside the transaction open on connection; false on failure, with the reason
// in the connection's last error.
bool write(StoreConnection& connection, const Update& update);

// Writes update in a transaction of its own; false with the reason in *error when the store
// refuses. Waited for on the disk like every change: a write cut short by a power cut leaves
// the store as it was, never damaged.
bool write(const QString& storePath, const Update& update, QString* error = nullptr);

}  // namespace storesession
