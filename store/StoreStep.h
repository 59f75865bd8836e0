#pragma once

#include "ColumnStash.h"
#include "StoreResult.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class StoreConnection;
struct sqlite3_value;

// Whole rows of the entries table as they stood: each row's id and every column's value
// exactly (NULL apart from the empty text), so that rows can be put back as they were.
class StoredRows {
public:
    StoredRows() = default;
    ~StoredRows();
    StoredRows(StoredRows&& other) noexcept;
    StoredRows& operator=(StoredRows&& other) noexcept;
    StoredRows(const StoredRows&) = delete;
    StoredRows& operator=(const StoredRows&) = delete;

    qsizetype size() const { return static_cast<qsizetype>(m_rowids.size()); }
    // About the memory the rows hold.
    qint64 memoryUse() const;
    bool isEmpty() const { return m_rowids.empty(); }
    const std::vector<qint64>& rowids() const { return m_rowids; }
    // "rowid IN (...)" for these rows.
    QByteArray condition() const;

    // Reads the rows the condition (statement text, as after WHERE) selects, in store order.
    // False with the engine's reason on connection when the statement fails.
    bool read(StoreConnection& connection, const QByteArray& condition);
    // Inserts the rows again under their own ids, so that they stand where they stood.
    bool insert(StoreConnection& connection) const;
    // Gives the rows that carry these ids these values again.
    bool write(StoreConnection& connection) const;
    // Deletes the rows that carry these ids.
    bool remove(StoreConnection& connection) const;

private:
    void clear();

    std::vector<qint64> m_rowids;
    std::vector<sqlite3_value*> m_values;  // every column of the table for each row
};

// A change of the working store that can be taken back and made again exactly: the rows it
// touched by the store's own row identity, with all their values before and after (twins come
// back as twins), or for a column move the values of the one column the move overwrote. The
// column names before and after travel with it, for the session record and the pages.
class StoreStep {
public:
    enum class Kind { AddEntry, EditEntry, RemoveEntry, AddColumn, RenameColumn, RemoveColumn };

    // A change of the entries (AddEntry, EditEntry, RemoveEntry), yet to be made.
    explicit StoreStep(Kind kind) : m_kind(kind) {}
    // A change of the columns from columnsBefore to columnsAfter, yet to be made: AddColumn and
    // RemoveColumn move the columns column..last (from 1), RenameColumn none.
    StoreStep(Kind kind, int column, int last, const QString& columnsBefore,
              const QString& columnsAfter);

    Kind kind() const { return m_kind; }
    bool changesColumns() const { return m_columnsBefore != m_columnsAfter; }
    const QString& columnsBefore() const { return m_columnsBefore; }
    const QString& columnsAfter() const { return m_columnsAfter; }

    // Makes the change the first time, on connection inside the transaction open on it
    // (StoreTransaction.h), keeps what taking it back and making it again needs, and declares
    // the entries it changes to connection (StoreChanges.h). AddEntry: the statement insert
    // adds one entry.
    StoreResult makeAdd(StoreConnection& connection, const QString& insert);
    // EditEntry and RemoveEntry: the entries condition selects (statement text, as after
    // WHERE), found by their ids first, which statementFor(the condition naming those ids)
    // changes or removes; nothing runs when there are none.
    StoreResult makeOnEntries(StoreConnection& connection, const QByteArray& condition,
                              const std::function<QString(const QString& rows)>& statementFor);
    // AddColumn, RemoveColumn and RenameColumn: the columns move as the step says.
    StoreResult makeColumnChange(StoreConnection& connection);

    // Takes the change back, or makes it again, in one transaction with the session record
    // (the column names of the new state, and whether the entries then hold changes that are
    // not in the file). Failed, with the store's reason, when the store refuses; the store is
    // unchanged then.
    StoreResult undo(const QString& storePath, bool unsavedAfter);
    StoreResult redo(const QString& storePath, bool unsavedAfter);
    // About the memory the step holds to be taken back and made again.
    qint64 memoryUse() const;

    // The moves a column change makes, in one statement for every entry. moveRight() moves
    // columns column..last-1 one to the right and fills column with the empty text, or with
    // the values of *restore; moveLeft() moves columns column+1..last one to the left and
    // leaves last, then beyond the columns, without values (NULL), or fills it with the values
    // of *restore. The values the move overwrites (of last, or of column) go to *keep, NULLs
    // apart, which a stash gives for the rows it lacks: a column left without values costs the
    // next move over it nothing. The move is declared to connection, so that the lists can
    // make it themselves (StoreChanges.h).
    static bool moveRight(StoreConnection& connection, int column, int last, ColumnStash* keep,
                          const std::shared_ptr<const ColumnStash>& restore);
    static bool moveLeft(StoreConnection& connection, int column, int last, ColumnStash* keep,
                         const std::shared_ptr<const ColumnStash>& restore);

private:
    StoreResult apply(const QString& storePath, bool forward, bool unsavedAfter);
    // Moves the columns forward (as the change did) or back, on connection; the values a move
    // forward overwrites go to *kept.
    bool moveColumns(StoreConnection& connection, bool forward, ColumnStash* kept) const;
    // Tells connection which entries the step changes, when it changes entries.
    void declareChangedRows(StoreConnection& connection) const;
    // Holds stash as the values the column move overwrote.
    void keepStash(ColumnStash stash);

    Kind m_kind;
    StoredRows m_before;  // entries: the rows as they were
    StoredRows m_after;   // and as the change left them
    int m_column = 0;     // column moves: the column added or removed (from 1)
    int m_last = 0;       // and the last column the move reaches
    // The values the move overwrote; shared with the lists that follow its undo.
    std::shared_ptr<const ColumnStash> m_stash;
    QString m_columnsBefore;
    QString m_columnsAfter;
};
