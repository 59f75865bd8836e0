#pragma once

#include "CsvDialect.h"
#include "History.h"
#include "Schema.h"

#include <QString>
#include <memory>

// The database the window has open, in one place: the file it belongs to (none while it is
// untitled), its column names, the dialect of that file, whether it holds changes that are
// not in the file, the order View All was last sorted in, the working store that holds its
// entries, and the history of its changes. The window and every page read it; none keeps a
// copy. An open that completes switches it as a whole; one that fails or is cancelled leaves it
// as it was.
class OpenDatabase {
public:
    // False before the first database is open, at start-up and while a language change opens
    // the last one again.
    bool isOpen() const { return m_open; }
    // The database file; empty while the database is untitled.
    const QString& path() const { return m_path; }
    bool isUntitled() const { return m_open && m_path.isEmpty(); }
    const QString& columnNames() const { return m_columnNames; }
    int columnCount() const { return schema::columnCount(m_columnNames); }
    // How its file is written; its encoding decides which characters the values may hold.
    const csvfile::Dialect& dialect() const { return m_dialect; }
    textencoding::Encoding encoding() const { return m_dialect.encoding; }
    // The column View All was last sorted by (a store column), or empty for store order.
    const QString& sortColumn() const { return m_sortColumn; }
    // The entries or columns hold changes that are not in the file: the history is not where
    // the file was opened or last saved.
    bool isModified() const { return !m_history.isSaved(); }
    // The working store that holds the entries.
    const QString& storePath() const { return m_storePath; }
    const History& history() const { return m_history; }
    History& history() { return m_history; }

    // Another database is open: its file (empty: untitled), columns and dialect, and whether
    // its entries already hold changes that are not in that file. Its history starts empty;
    // the order and the store stay.
    void open(const QString& path, const QString& columnNames, const csvfile::Dialect& dialect,
              bool modified);
    // No database is open; the pages show columnNames meanwhile.
    void close(const QString& columnNames);
    // The database belongs to the file at path now (empty: to none, untitled).
    void setPath(const QString& path) { m_path = path; }
    // Everything is in the database's file now, written in dialect.
    void saved(const csvfile::Dialect& dialect);
    void setSortColumn(const QString& column) { m_sortColumn = column; }
    void setStorePath(const QString& storePath) { m_storePath = storePath; }

    // A change the store has just made: the database holds it unsaved, a column change gives
    // the columns their new names, and it goes into the history.
    void record(std::shared_ptr<StoreStep> step);
    // Takes the history's last step back in the store, or makes the next one again, and
    // returns it; the database then stands as the step left it, saved when the history is back
    // where the file was. Null when there is none, or when the store refused (its reason in
    // *error): the store is unchanged then.
    const StoreStep* undo(QString* error);
    const StoreStep* redo(QString* error);

private:
    bool m_open = false;
    QString m_path;
    QString m_columnNames;
    csvfile::Dialect m_dialect;
    QString m_sortColumn;
    QString m_storePath;
    History m_history;
};
