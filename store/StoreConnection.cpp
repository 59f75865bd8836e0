#include "StoreConnection.h"

#include "Schema.h"
#include "StoreChanges.h"
#include "TextMatch.h"
#include "TextOrder.h"

#include <sqlite3.h>
#include <QFileInfo>
#include <QThreadPool>
#include <utility>

namespace {

// Has the disk take the store's pages that a commit did not wait for, on a thread of its own.
// Through a connection of the engine's: closing a handle of the file that the engine does not
// know of would drop the engine's locks on it.
void writeBackInBackground(const QString& storePath) {
    QThreadPool::globalInstance()->start([path = storePath.toUtf8()] {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                            nullptr) == SQLITE_OK) {
            sqlite3_file* file = nullptr;
            // A failure costs only the wait this would have saved.
            if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK &&
                file && file->pMethods)
                file->pMethods->xSync(file, SQLITE_SYNC_NORMAL);
        }
        sqlite3_close(db);
    });
}

void likeFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    // The engine calls like(pattern, text[, escape]).
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    qint32 escape = -1;
    if (argc == 3) {
        const unsigned char* escapeText = sqlite3_value_text(argv[2]);
        const int escapeSize = sqlite3_value_bytes(argv[2]);
        int end = 0;
        if (escapeText && escapeSize > 0)
            escape = static_cast<qint32>(textmatch::nextCodePoint(escapeText, escapeSize, &end));
        if (end == 0 || end != escapeSize) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
    }
    const unsigned char* pattern = sqlite3_value_text(argv[0]);
    const int patternSize = sqlite3_value_bytes(argv[0]);
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const int textSize = sqlite3_value_bytes(argv[1]);
    // The engine keeps the pattern taken apart for as long as the statement's pattern stays
    // the same; when it cannot, the pattern is taken apart for this text alone.
    auto* kept = static_cast<textmatch::Pattern*>(sqlite3_get_auxdata(context, 0));
    std::optional<textmatch::Pattern> once;
    if (!kept || kept->escape() != escape) {
        sqlite3_set_auxdata(context, 0, new textmatch::Pattern(pattern, patternSize, escape),
                            [](void* made) { delete static_cast<textmatch::Pattern*>(made); });
        kept = static_cast<textmatch::Pattern*>(sqlite3_get_auxdata(context, 0));
        if (!kept)
            kept = &once.emplace(pattern, patternSize, escape);
    }
    sqlite3_result_int(context, kept->matches(text, textSize));
}

}  // namespace

StoreConnection::~StoreConnection() {
    if (m_db)
        sqlite3_close(m_db);
}

bool StoreConnection::open(const QString& storePath) {
    if (storePath.isEmpty() || !QFileInfo(storePath).isFile()) {
        m_lastError = QStringLiteral("the file does not exist");
        m_damaged = true;
        return false;
    }
    // The engine counts its memory under a lock of its own at every allocation unless told
    // not to before its first use; nothing here asks for the count.
    static const bool uncounted = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    Q_UNUSED(uncounted);
    // Never create a file: the store must be there already. One connection serves one
    // operation on one thread, so the engine's own locks are not needed.
    const int result = sqlite3_open_v2(storePath.toUtf8().constData(), &m_db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (result != SQLITE_OK) {
        m_lastError = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(result));
        m_damaged = (result & 0xFF) == SQLITE_NOTADB || (result & 0xFF) == SQLITE_CORRUPT;
        return false;
    }
    sqlite3_busy_timeout(m_db, 2000);
    m_path = storePath;
    // The store holds the user's unsaved changes: every change is journaled in a file beside
    // it and on the disk before it counts, so that a kill or a power cut leaves the store as
    // it was before the change or after it. A rollback journal, not a write-ahead log: reading
    // then needs no file of its own, so that a store on a full disk, or one made read-only,
    // can still be read and saved from.
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    if (!execute("PRAGMA synchronous=FULL;") ||
        sqlite3_create_function(m_db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr) !=
            SQLITE_OK ||
        sqlite3_create_function(m_db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr) !=
            SQLITE_OK)
        return false;
    if (!textorder::registerWith(m_db))
        return false;
    // Whoever writes, through whatever statement: the lists learn that the store changed.
    sqlite3_commit_hook(
        m_db,
        [](void* connection) {
            static_cast<StoreConnection*>(connection)->noteCommit();
            return 0;
        },
        this);
    return hasEntriesTable();
}

bool StoreConnection::hasEntriesTable() {
    PreparedStatement columns(
        *this, QByteArray("SELECT name FROM pragma_table_info('") + schema::kTableName + "');");
    if (columns.prepareResult() != SQLITE_OK) {
        noteEngineFailure();
        return false;
    }
    int count = 0;
    int result;
    while ((result = sqlite3_step(columns.handle())) == SQLITE_ROW) {
        const char* name = reinterpret_cast<const char*>(sqlite3_column_text(columns.handle(), 0));
        if (++count > schema::kColumnCount || schema::column(count) != QLatin1String(name))
            break;
    }
    if (result != SQLITE_DONE && result != SQLITE_ROW) {
        noteEngineFailure();
        return false;
    }
    if (count != schema::kColumnCount || result != SQLITE_DONE) {
        m_lastError = QStringLiteral("the file holds no table %1 with %2 columns")
                          .arg(schema::table(), QString::number(schema::kColumnCount));
        m_damaged = true;
        return false;
    }
    return true;
}

bool StoreConnection::execute(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) == SQLITE_OK)
        return true;
    noteEngineFailure();
    if (error)
        m_lastError = QString::fromUtf8(error);
    sqlite3_free(error);
    return false;
}

bool StoreConnection::begin() {
    return execute("BEGIN IMMEDIATE;");
}

bool StoreConnection::commit() {
    if (!execute("COMMIT;")) {
        // Whether the move stands is not known here: the lists read the store again.
        if (std::exchange(m_columnMove, std::nullopt))
            storechanges::note();
        return false;
    }
    if (m_columnMove)
        storechanges::noteColumnMove(std::move(*std::exchange(m_columnMove, std::nullopt)));
    if (m_unsynced)
        writeBackInBackground(m_path);
    return true;
}

void StoreConnection::rollback() {
    m_changedRows.reset();
    m_columnMove.reset();
    if (m_db && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK;", nullptr, nullptr, nullptr);
}

bool StoreConnection::setUnsyncedWrites() {
    m_unsynced = execute("PRAGMA synchronous=OFF;");
    return m_unsynced;
}

bool StoreConnection::holdLargeChange() {
    // Each time the cache is full, the journal is synced before changed pages may go to the
    // store: with the default 2 MiB, a change of every entry syncs every 2 MiB. 32 MiB makes
    // those waits few and still costs little memory, given back when the connection closes.
    return execute("PRAGMA cache_size=-32768;");
}

void StoreConnection::declareChangedRows(const std::vector<qint64>& rowids) {
    if (!m_changedRows)
        m_changedRows.emplace();
    m_changedRows->insert(m_changedRows->end(), rowids.begin(), rowids.end());
}

void StoreConnection::declareColumnMove(storechanges::ColumnMove move) {
    m_columnMove = std::move(move);
}

void StoreConnection::noteCommit() {
    if (m_columnMove)
        return;  // commit() counts it once it has returned
    if (m_changedRows)
        storechanges::noteRows(std::move(*m_changedRows));
    else
        storechanges::note();
    m_changedRows.reset();
}

void StoreConnection::noteEngineFailure() {
    m_lastError = QString::fromUtf8(sqlite3_errmsg(m_db));
    const int code = sqlite3_errcode(m_db) & 0xFF;
    m_damaged = code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

bool StoreConnection::isUsableStore(const QString& storePath) {
    StoreConnection connection;
    return connection.open(storePath);
}

PreparedStatement::PreparedStatement(StoreConnection& connection, const QByteArray& sql) {
    m_prepareResult = sqlite3_prepare_v2(connection.handle(), sql.constData(),
                                         static_cast<int>(sql.size()), &m_statement, nullptr);
}

PreparedStatement::~PreparedStatement() {
    sqlite3_finalize(m_statement);
}
