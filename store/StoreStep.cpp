#include "StoreStep.h"

#include "Schema.h"
#include "SqlText.h"
#include "StoreConnection.h"
#include "StoreTransaction.h"

#include <sqlite3.h>

namespace {

QByteArray columnList(const char* separator, const char* suffix = "") {
    QByteArray list;
    for (int k = 1; k <= schema::kColumnCount; ++k) {
        if (k > 1)
            list += separator;
        list += schema::column(k).toLatin1() + suffix;
    }
    return list;
}

// Runs a prepared statement to its end once for every row, after bind has bound that row.
template <typename Bind>
bool runForEachRow(StoreConnection& connection, const QByteArray& sql, qsizetype rows, Bind bind) {
    PreparedStatement statement(connection, sql);
    if (statement.prepareResult() != SQLITE_OK) {
        connection.noteEngineFailure();
        return false;
    }
    for (qsizetype row = 0; row < rows; ++row) {
        bind(statement.handle(), row);
        if (sqlite3_step(statement.handle()) != SQLITE_DONE) {
            connection.noteEngineFailure();
            return false;
        }
        sqlite3_reset(statement.handle());
    }
    return true;
}

void keepFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    // keep(rowid, old value): the old value, never NULL, goes to the stash; true.
    auto* stash = static_cast<ColumnStash*>(sqlite3_user_data(context));
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    stash->append(sqlite3_value_int64(argv[0]), text ? text : "", sqlite3_value_bytes(argv[1]));
    sqlite3_result_int(context, 1);
}

void restoreFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    auto* reader = static_cast<ColumnStash::Reader*>(sqlite3_user_data(context));
    reader->resultFor(sqlite3_value_int64(argv[0]), context);
}

// One move of columns column..last as one statement: source gives the new value of column k
// as statement text; the column the move overwrites (last to the right, column to the left)
// keeps its old values in keep.
template <typename Source>
bool runMove(StoreConnection& connection, bool right, int column, int last, ColumnStash* keep,
             const std::shared_ptr<const ColumnStash>& restore, Source source) {
    if (last < column)
        return true;
    if (!connection.holdLargeChange())
        return false;
    static const ColumnStash none;
    ColumnStash::Reader reader(restore ? *restore : none);
    // Not deterministic: each call keeps or gives a value of its own row.
    if (sqlite3_create_function(connection.handle(), "orvane_keep", 2, SQLITE_UTF8, keep,
                                keepFunction, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function(connection.handle(), "orvane_restore", 1, SQLITE_UTF8, &reader,
                                restoreFunction, nullptr, nullptr) != SQLITE_OK) {
        connection.noteEngineFailure();
        return false;
    }
    const int overwritten = right ? last : column;
    QByteArray assignments;
    for (int k = column; k <= last; ++k) {
        QByteArray value = source(k);
        if (keep && k == overwritten) {
            // A NULL is what the stash gives for a row it lacks: only values are kept, and the
            // new value is taken as it is, not copied through the function.
            const QByteArray old = schema::column(k).toLatin1();
            value = "CASE WHEN " + old + " IS NULL OR orvane_keep(rowid, " + old + ") THEN " +
                    value + " END";
        }
        assignments += (k > column ? ", " : "") + schema::column(k).toLatin1() + " = " + value;
    }
    if (!connection.execute(QByteArray("UPDATE ") + schema::kTableName + " SET " + assignments +
                            ";"))
        return false;
    connection.declareColumnMove({right, column, last, restore});
    return true;
}

}  // namespace

StoredRows::~StoredRows() {
    clear();
}

StoredRows::StoredRows(StoredRows&& other) noexcept
    : m_rowids(std::move(other.m_rowids)), m_values(std::move(other.m_values)) {
    other.m_rowids.clear();
    other.m_values.clear();
}

StoredRows& StoredRows::operator=(StoredRows&& other) noexcept {
    if (this != &other) {
        clear();
        m_rowids = std::move(other.m_rowids);
        m_values = std::move(other.m_values);
        other.m_rowids.clear();
        other.m_values.clear();
    }
    return *this;
}

void StoredRows::clear() {
    for (sqlite3_value* value : m_values)
        sqlite3_value_free(value);
    m_values.clear();
    m_rowids.clear();
}

qint64 StoredRows::memoryUse() const {
    // Each value as the engine keeps it: a cell of its own and the text.
    constexpr qint64 kPerValue = 64;
    qint64 held = static_cast<qint64>(m_rowids.capacity() * sizeof(qint64) +
                                      m_values.capacity() * sizeof(sqlite3_value*));
    for (sqlite3_value* value : m_values)
        held += kPerValue + sqlite3_value_bytes(value);
    return held;
}

QByteArray StoredRows::condition() const {
    return sqltext::toStatement(sqltext::rowidIn(m_rowids));
}

bool StoredRows::read(StoreConnection& connection, const QByteArray& condition) {
    clear();
    PreparedStatement statement(connection, "SELECT rowid, " + columnList(", ") + " FROM " +
                                                schema::kTableName + " WHERE " + condition + ";");
    if (statement.prepareResult() != SQLITE_OK) {
        connection.noteEngineFailure();
        return false;
    }
    int result;
    while ((result = sqlite3_step(statement.handle())) == SQLITE_ROW) {
        m_rowids.push_back(sqlite3_column_int64(statement.handle(), 0));
        for (int k = 1; k <= schema::kColumnCount; ++k) {
            sqlite3_value* value = sqlite3_value_dup(sqlite3_column_value(statement.handle(), k));
            if (!value) {
                connection.noteEngineFailure();
                return false;
            }
            m_values.push_back(value);
        }
    }
    if (result != SQLITE_DONE) {
        connection.noteEngineFailure();
        return false;
    }
    return true;
}

bool StoredRows::insert(StoreConnection& connection) const {
    QByteArray placeholders = "?";
    for (int k = 1; k <= schema::kColumnCount; ++k)
        placeholders += ", ?";
    return runForEachRow(connection,
                         QByteArray("INSERT INTO ") + schema::kTableName + " (rowid, " +
                             columnList(", ") + ") VALUES (" + placeholders + ");",
                         size(), [this](sqlite3_stmt* statement, qsizetype row) {
                             sqlite3_bind_int64(statement, 1, m_rowids[row]);
                             for (int k = 0; k < schema::kColumnCount; ++k)
                                 sqlite3_bind_value(statement, k + 2,
                                                    m_values[row * schema::kColumnCount + k]);
                         });
}

bool StoredRows::write(StoreConnection& connection) const {
    return runForEachRow(connection,
                         QByteArray("UPDATE ") + schema::kTableName + " SET " +
                             columnList(", ", " = ?") + " WHERE rowid = ?;",
                         size(), [this](sqlite3_stmt* statement, qsizetype row) {
                             for (int k = 0; k < schema::kColumnCount; ++k)
                                 sqlite3_bind_value(statement, k + 1,
                                                    m_values[row * schema::kColumnCount + k]);
                             sqlite3_bind_int64(statement, schema::kColumnCount + 1, m_rowids[row]);
                         });
}

bool StoredRows::remove(StoreConnection& connection) const {
    return runForEachRow(connection,
                         QByteArray("DELETE FROM ") + schema::kTableName + " WHERE rowid = ?;",
                         size(), [this](sqlite3_stmt* statement, qsizetype row) {
                             sqlite3_bind_int64(statement, 1, m_rowids[row]);
                         });
}

bool StoreStep::moveRight(StoreConnection& connection, int column, int last, ColumnStash* keep,
                          const std::shared_ptr<const ColumnStash>& restore) {
    return runMove(connection, true, column, last, keep, restore, [&](int k) -> QByteArray {
        if (k > column)
            return schema::column(k - 1).toLatin1();
        return restore ? "orvane_restore(rowid)" : "''";
    });
}

bool StoreStep::moveLeft(StoreConnection& connection, int column, int last, ColumnStash* keep,
                         const std::shared_ptr<const ColumnStash>& restore) {
    return runMove(connection, false, column, last, keep, restore, [&](int k) -> QByteArray {
        if (k < last)
            return schema::column(k + 1).toLatin1();
        return restore ? "orvane_restore(rowid)" : "NULL";
    });
}

StoreStep::StoreStep(Kind kind, int column, int last, const QString& columnsBefore,
                     const QString& columnsAfter)
    : m_kind(kind),
      m_column(column),
      m_last(last),
      m_columnsBefore(columnsBefore),
      m_columnsAfter(columnsAfter) {}

StoreResult StoreStep::makeAdd(StoreConnection& connection, const QString& insert) {
    StoreResult result = storetransaction::run(connection, insert);
    if (result.done() && result.changedRows > 0) {
        const qint64 rowid = sqlite3_last_insert_rowid(connection.handle());
        if (!m_after.read(connection, "rowid = " + QByteArray::number(rowid)))
            result.outcome = StoreResult::Outcome::Failed;
    }
    declareChangedRows(connection);
    return result;
}

StoreResult StoreStep::makeOnEntries(
    StoreConnection& connection, const QByteArray& condition,
    const std::function<QString(const QString& rows)>& statementFor) {
    // The rows the condition names, by their ids: those are changed, and can be changed back,
    // however many share the values.
    if (!m_before.read(connection, condition))
        return storetransaction::failure(connection);
    StoreResult result;
    if (!m_before.isEmpty()) {
        const QByteArray rows = m_before.condition();
        result = storetransaction::run(connection, statementFor(QString::fromLatin1(rows)));
        if (result.done() && m_kind == Kind::EditEntry && !m_after.read(connection, rows))
            result.outcome = StoreResult::Outcome::Failed;
    }
    declareChangedRows(connection);
    return result;
}

StoreResult StoreStep::makeColumnChange(StoreConnection& connection) {
    declareChangedRows(connection);
    ColumnStash overwritten;
    if (!moveColumns(connection, true, &overwritten))
        return storetransaction::failure(connection);
    // Kept at once: the step is thrown away unless its transaction commits.
    keepStash(std::move(overwritten));
    return {StoreResult::Outcome::Done, QString(), sqlite3_changes(connection.handle())};
}

StoreResult StoreStep::undo(const QString& storePath, bool unsavedAfter) {
    return apply(storePath, false, unsavedAfter);
}

StoreResult StoreStep::redo(const QString& storePath, bool unsavedAfter) {
    return apply(storePath, true, unsavedAfter);
}

qint64 StoreStep::memoryUse() const {
    return sizeof(*this) + m_before.memoryUse() + m_after.memoryUse() +
           (m_stash ? m_stash->memoryUse() : 0) +
           2 * (m_columnsBefore.size() + m_columnsAfter.size());
}

void StoreStep::keepStash(ColumnStash stash) {
    stash.shrinkToFit();  // the history keeps it
    m_stash = std::make_shared<const ColumnStash>(std::move(stash));
}

void StoreStep::declareChangedRows(StoreConnection& connection) const {
    switch (m_kind) {
        case Kind::AddEntry:
        case Kind::EditEntry:
        case Kind::RemoveEntry:
            connection.declareChangedRows(m_before.rowids());
            connection.declareChangedRows(m_after.rowids());
            break;
        case Kind::RenameColumn:
            connection.declareChangedRows({});
            break;
        case Kind::AddColumn:
        case Kind::RemoveColumn:
            break;  // every entry moves
    }
}

bool StoreStep::moveColumns(StoreConnection& connection, bool forward, ColumnStash* kept) const {
    if (m_kind == Kind::AddColumn)
        return forward ? moveRight(connection, m_column, m_last, kept, nullptr)
                       : moveLeft(connection, m_column, m_last, nullptr, m_stash);
    if (m_kind == Kind::RemoveColumn)
        return forward ? moveLeft(connection, m_column, m_last, kept, nullptr)
                       : moveRight(connection, m_column, m_last, nullptr, m_stash);
    return true;  // a rename moves nothing
}

StoreResult StoreStep::apply(const QString& storePath, bool forward, bool unsavedAfter) {
    // A column move made again keeps the overwritten values anew, and only once it stands.
    ColumnStash kept;
    const auto done = [](bool ok) {
        return StoreResult(ok ? StoreResult::Outcome::Done : StoreResult::Outcome::Failed, {});
    };
    storesession::Update session;
    if (changesColumns())
        session.columnNames = forward ? m_columnsAfter : m_columnsBefore;
    session.unsaved = unsavedAfter;
    const StoreResult result =
        storetransaction::change(storePath, session, [&](StoreConnection& connection) {
            declareChangedRows(connection);
            switch (m_kind) {
                case Kind::AddEntry:
                    return done(forward ? m_after.insert(connection) : m_after.remove(connection));
                case Kind::EditEntry:
                    return done(forward ? m_after.write(connection) : m_before.write(connection));
                case Kind::RemoveEntry:
                    return done(forward ? m_before.remove(connection)
                                        : m_before.insert(connection));
                case Kind::AddColumn:
                case Kind::RemoveColumn:
                case Kind::RenameColumn:
                    return done(moveColumns(connection, forward, &kept));
            }
            return done(false);
        });
    if (result.done() && forward && (m_kind == Kind::AddColumn || m_kind == Kind::RemoveColumn))
        keepStash(std::move(kept));
    return result;
}
