#include "CsvDatabaseFile.h"

#include "AtomicFileWriter.h"
#include "FileError.h"
#include "ResultGrid.h"
#include "Schema.h"
#include "StoreConnection.h"

#include <sqlite3.h>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <numeric>

namespace csvfile {

QByteArray ReadFile(const QString& path) {
    if (!QFileInfo::exists(path))
        throw FileError(FileError::Kind::NotFound, path);
    QFile file(path);
    if (QFileInfo(path).isDir())
        throw FileError(FileError::Kind::ReadFailed, path, QStringLiteral("it is a folder"));
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(FileError::Kind::ReadFailed, path, file.errorString());
    // Exactly the file's size: a large file is held once, not in a rounded-up buffer.
    QByteArray bytes(file.size(), Qt::Uninitialized);
    if (file.read(bytes.data(), bytes.size()) != bytes.size() ||
        file.error() != QFileDevice::NoError)
        throw FileError(FileError::Kind::ReadFailed, path, file.errorString());
    return bytes;
}

namespace {

// Steps between calls of a progress callback: often enough that a cancel takes effect within a
// fraction of a second, seldom enough to cost nothing next to the work.
constexpr qint64 kLoadStep = 64 * 1024;  // bytes
constexpr qint64 kWriteStep = 1024;      // rows

// Calls a progress callback (when there is one) every step units of work, and at the end.
class ProgressSteps {
public:
    ProgressSteps(const ProgressCallback& progress, qint64 total, qint64 step)
        : m_progress(progress), m_total(total), m_step(step) {}

    // False when the callback cancelled.
    bool reached(qint64 done) {
        if (!m_progress || done < m_next)
            return true;
        m_next = done + m_step;
        return m_progress(done, m_total);
    }
    bool finished() const { return !m_progress || m_progress(m_total, m_total); }

private:
    const ProgressCallback& m_progress;
    qint64 m_total;
    qint64 m_step;
    qint64 m_next = 0;
};

// The next line of [*pos, end): its start and length without the line end.
bool nextLine(const char*& pos, const char* end, const char** line, qsizetype* length) {
    if (pos >= end)
        return false;
    const char* newline = static_cast<const char*>(std::memchr(pos, '\n', end - pos));
    const char* lineEnd = newline ? newline : end;
    *line = pos;
    *length = lineEnd - pos;
    if (newline && *length > 0 && lineEnd[-1] == '\r')
        --*length;
    pos = newline ? newline + 1 : end;
    return true;
}

int fieldCount(const char* text, qsizetype length) {
    if (length == 0)
        return 0;
    int count = 1;
    for (const char* p = text;
         (p = static_cast<const char*>(std::memchr(p, ';', text + length - p))); ++p)
        ++count;
    return count;
}

bool fail(StoreConnection& connection, LoadReport& report) {
    if (connection.lastError().isEmpty())
        connection.noteEngineFailure();
    report.storeUsable = false;
    report.storeDamaged = connection.lastFailureIsDamage();
    report.storeError = connection.lastError();
    connection.rollback();
    return false;
}

// Stops the load as the progress callback asked: the store keeps what it had.
bool cancel(StoreConnection& connection, LoadReport& report) {
    report.cancelled = true;
    connection.rollback();
    return false;
}

QByteArray insertStatement(int columns) {
    QByteArray sql = QByteArray("INSERT INTO ") + schema::kTableName + " (";
    for (int k = 1; k <= columns; ++k)
        sql += schema::column(k).toLatin1() + (k < columns ? ", " : ") VALUES (");
    for (int k = 1; k <= columns; ++k)
        sql += k < columns ? "?, " : "?);";
    return sql;
}

// Stores the entry lines of [pos, end); progress counts the bytes from begin, the file's first.
bool insertLines(StoreConnection& connection, const char* begin, const char* pos, const char* end,
                 LoadReport& report, storesession::Update session,
                 const ProgressCallback& progress) {
    const bool singleByte = report.encoding == textencoding::Encoding::SingleByte;
    QByteArray converted;  // a single-byte line with bytes from 0x80 on, as UTF-8
    const int columns = schema::columnCount(report.columnNames);
    if (!connection.setUnsyncedWrites() || !connection.begin())
        return fail(connection, report);
    // Every entry goes, also one that holds the word of the clear-all condition: it belongs to
    // the file loaded before and would otherwise slip into this one.
    if (!connection.execute(QByteArray("DELETE FROM ") + schema::kTableName + ";"))
        return fail(connection, report);

    // Most lines hold the file's columns and are stored through a statement naming just
    // those; a line with more values (at most 26) through one naming every column.
    // A header may name more columns than the store has: the statement names at most 26.
    const int narrowWidth = std::clamp(columns, 1, schema::kColumnCount);
    PreparedStatement narrow(connection, insertStatement(narrowWidth));
    PreparedStatement wide(connection, insertStatement(schema::kColumnCount));
    if (narrow.prepareResult() != SQLITE_OK || wide.prepareResult() != SQLITE_OK) {
        connection.noteEngineFailure();
        return fail(connection, report);
    }

    ProgressSteps steps(progress, end - begin, kLoadStep);
    const char* line;
    qsizetype length;
    int lineNumber = 1;
    while (nextLine(pos, end, &line, &length)) {
        ++lineNumber;
        if (!steps.reached(line - begin))
            return cancel(connection, report);
        const int fields = fieldCount(line, length);
        if (fields == 0)
            continue;
        if (fields > schema::kColumnCount) {
            report.tooManyValues.append(lineNumber);
            continue;
        }
        if (fields > columns)
            report.hiddenValues.append(lineNumber);
        sqlite3_stmt* statement = fields > narrowWidth ? wide.handle() : narrow.handle();
        const int width = fields > narrowWidth ? schema::kColumnCount : narrowWidth;
        // ";" is ASCII in both encodings: the converted line splits where the file's does.
        if (singleByte && textencoding::hasHighBytes(line, length)) {
            converted.clear();
            textencoding::singleByteToUtf8(line, length, converted);
            line = converted.constData();
            length = converted.size();
        }
        // Missing values of the file's columns are stored as empty texts, so that the entry
        // matches what the lists show; columns beyond stay NULL.
        const char* field = line;
        const char* lineEnd = line + length;
        for (int k = 1; k <= width; ++k) {
            if (k <= fields) {
                const char* separator =
                    static_cast<const char*>(std::memchr(field, ';', lineEnd - field));
                const char* fieldEnd = separator ? separator : lineEnd;
                sqlite3_bind_text(statement, k, field, static_cast<int>(fieldEnd - field),
                                  SQLITE_STATIC);
                field = fieldEnd + 1;
            } else if (k <= columns) {
                sqlite3_bind_text(statement, k, "", 0, SQLITE_STATIC);
            } else {
                sqlite3_bind_null(statement, k);
            }
        }
        if (sqlite3_step(statement) != SQLITE_DONE) {
            connection.noteEngineFailure();
            return fail(connection, report);
        }
        sqlite3_reset(statement);
        ++report.storedEntries;
    }
    if (!steps.finished())
        return cancel(connection, report);
    session.columnNames = report.columnNames;
    session.encoding = textencoding::nameOf(report.encoding);
    session.unsaved = false;
    if (!storesession::write(connection, session) || !connection.commit())
        return fail(connection, report);
    return true;
}

}  // namespace

LoadReport LoadIntoStore(const QString& csvPath, const QString& storePath,
                         const storesession::Update& session) {
    return LoadIntoStore(ReadFile(csvPath), storePath, session);
}

LoadReport LoadIntoStore(const QByteArray& bytes, const QString& storePath,
                         const storesession::Update& session, const ProgressCallback& progress) {
    LoadReport report;
    const char* pos = bytes.constData();
    const char* end = pos + bytes.size();
    report.encoding = textencoding::detect(pos, bytes.size());
    if (report.encoding == textencoding::Encoding::Utf8WithMark)
        pos += 3;  // the mark is the file's, not the first column name's
    const char* header;
    qsizetype headerLength = 0;
    if (nextLine(pos, end, &header, &headerLength)) {
        const QByteArray names(header, headerLength);
        report.columnNames = textencoding::isUtf8(report.encoding)
                                 ? textencoding::fromUtf8(names)
                                 : textencoding::decodeSingleByte(names);
    }

    StoreConnection connection;
    if (!connection.open(storePath)) {
        report.storeUsable = false;
        report.storeDamaged = connection.lastFailureIsDamage();
        report.storeError = connection.lastError();
        return report;
    }
    if (!insertLines(connection, bytes.constData(), pos, end, report, session, progress))
        report.storedEntries = 0;
    return report;
}

namespace {

// Whether a single-byte file's bytes would read back as UTF-8: every byte from 0x80 on forms
// UTF-8 with those around it, and there is one. Told a value or name at a time, since ";" and
// line ends cannot stand inside a sequence.
class ReadBackWatch {
public:
    // bytes: the file's bytes of text, a value or name at line, with a byte from 0x80 on.
    void see(const QByteArray& bytes, int line, const QString& text) {
        if (m_broken)
            return;
        if (textencoding::detect(bytes.constData(), bytes.size()) ==
            textencoding::Encoding::SingleByte) {
            m_broken = true;
            return;
        }
        if (m_first.line == 0)
            m_first = {WriteResult::Outcome::ReadBackAsUtf8, line, text,
                       textencoding::fromUtf8(bytes)};
    }
    bool readsBackAsUtf8() const { return !m_broken && m_first.line > 0; }
    const WriteResult& first() const { return m_first; }

private:
    bool m_broken = false;
    WriteResult m_first;
};

}  // namespace

WriteResult Write(const QString& path, const QString& columnNames, const ResultGrid& grid,
                  const std::vector<int>& order, int columnCount, textencoding::Encoding encoding,
                  const ProgressCallback& progress) {
    using textencoding::Encoding;
    const bool singleByte = encoding == Encoding::SingleByte;
    if (!textencoding::canHold(encoding, columnNames))
        return {WriteResult::Outcome::Unholdable, 1, columnNames, {}};
    AtomicFileWriter writer(path);
    ReadBackWatch readBack;
    if (encoding == Encoding::Utf8WithMark)
        writer.write(textencoding::kUtf8Mark, 3);
    const QByteArray names =
        singleByte ? textencoding::encodeSingleByte(columnNames) : columnNames.toUtf8();
    if (singleByte && textencoding::hasHighBytes(names.constData(), names.size()))
        readBack.see(names, 1, columnNames);
    writer.write(names + "\r\n");
    // A line of more than 26 values would not load again, and names beyond the store's
    // columns have no values to write.
    const int values = std::min(columnCount, schema::kColumnCount);
    const int width = std::min(values, grid.columnCount());
    QByteArray converted;
    // Returned before the commit, the writer leaves the old file and removes its own.
    const qint64 rows = static_cast<qint64>(order.size());
    ProgressSteps steps(progress, rows, kWriteStep);
    for (qint64 place = 0; place < rows; ++place) {
        if (!steps.reached(place))
            return {WriteResult::Outcome::Cancelled, 0, {}, {}};
        const int row = order[static_cast<size_t>(place)];
        const int line = static_cast<int>(place) + 2;
        for (int c = 0; c < values; ++c) {
            if (c > 0)
                writer.write(";", 1);
            if (c >= width)
                continue;
            int size = 0;
            const char* cell = grid.cellData(row, c, &size);
            if (singleByte && textencoding::hasHighBytes(cell, size)) {
                converted.clear();
                if (!textencoding::utf8ToSingleByte(cell, size, converted))
                    return {WriteResult::Outcome::Unholdable, line, grid.value(row, c), {}};
                readBack.see(converted, line, grid.value(row, c));
                writer.write(converted);
            } else {
                writer.write(cell, size);
            }
        }
        writer.write("\r\n", 2);
    }
    if (!steps.finished())
        return {WriteResult::Outcome::Cancelled, 0, {}, {}};
    if (readBack.readsBackAsUtf8())
        return readBack.first();
    writer.commit();
    return {};
}

WriteResult Write(const QString& path, const QString& columnNames, const ResultGrid& grid,
                  int columnCount, textencoding::Encoding encoding,
                  const ProgressCallback& progress) {
    std::vector<int> order(static_cast<size_t>(grid.rowCount()));
    std::iota(order.begin(), order.end(), 0);
    return Write(path, columnNames, grid, order, columnCount, encoding, progress);
}

bool holdsBeyondAscii(const QString& columnNames, const ResultGrid& grid,
                      const std::vector<int>& order, int columnCount) {
    for (QChar c : columnNames) {
        if (c.unicode() >= 0x80)
            return true;
    }
    const int width = std::min(std::min(columnCount, schema::kColumnCount), grid.columnCount());
    for (const int row : order) {
        for (int c = 0; c < width; ++c) {
            int size = 0;
            const char* cell = grid.cellData(row, c, &size);
            if (textencoding::hasHighBytes(cell, size))
                return true;
        }
    }
    return false;
}

}  // namespace csvfile
