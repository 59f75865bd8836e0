#include "CsvDatabaseFile.h"

#include "AtomicFileWriter.h"
#include "FileError.h"
#include "RecordStream.h"
#include "ResultGrid.h"
#include "Schema.h"
#include "StoreConnection.h"

#include <sqlite3.h>
#include <QFile>
#include <algorithm>
#include <cstring>
#include <numeric>

namespace csvfile {

QByteArray ReadBeginning(const QString& path, qint64 size) {
    QFile file;
    openToRead(file, path);
    QByteArray bytes(std::min(size, file.size()), Qt::Uninitialized);
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

// An insert of rows entries of the first columns columns.
QByteArray insertStatement(int columns, int rows = 1) {
    QByteArray sql = QByteArray("INSERT INTO ") + schema::kTableName + " (";
    for (int k = 1; k <= columns; ++k)
        sql += schema::column(k).toLatin1() + (k < columns ? ", " : ") VALUES ");
    for (int row = 0; row < rows; ++row) {
        sql += row > 0 ? ", (" : "(";
        for (int k = 1; k <= columns; ++k)
            sql += k < columns ? "?, " : "?)";
    }
    return sql + ';';
}

// Stores the records of a stream whose first batch is batch, in one transaction that also
// writes the session record; false when the store refused, the progress cancelled or the
// stream is to be read again. The first record is the header when the file names its columns.
// The list the stream made holds the entries as stored while their ids are as it numbered them.
class RecordStorer {
public:
    RecordStorer(StoreConnection& connection, LoadReport& report)
        : m_connection(connection), m_report(report) {}

    bool store(RecordStream& stream, const RecordBatch* batch, storesession::Update session,
               const ProgressCallback& progress) {
        if (!prepare())
            return false;
        ProgressSteps steps(progress, stream.size(), kLoadStep);
        int skip = stream.namesFirst() ? 1 : 0;
        for (; batch; batch = stream.next()) {
            // Told before the records are stored: the last of them leave work to stop too.
            if (!steps.reached(batch->fileOffset))
                return cancel(m_connection, m_report);
            if (!storeBatch(*batch, static_cast<size_t>(skip)))
                return fail(m_connection, m_report);
            skip = 0;
        }
        if (stream.readAgain()) {
            m_connection.rollback();
            return false;
        }
        if (!steps.finished())
            return cancel(m_connection, m_report);
        m_report.dialect = stream.dialect();
        session.columnNames = m_report.columnNames;
        session.dialect = nameOf(m_report.dialect);
        session.unsaved = false;
        if (!storesession::write(m_connection, session) || !m_connection.commit())
            return fail(m_connection, m_report);
        return true;
    }
    // Whether every entry got the id the stream's list gave it.
    bool idsAsListed() const { return m_idsAsListed; }

private:
    bool prepare() {
        if (!m_connection.setUnsyncedWrites() || !m_connection.begin())
            return fail(m_connection, m_report);
        // Every entry goes, also one that holds the word of the clear-all condition: it
        // belongs to the file loaded before and would otherwise slip into this one.
        if (!m_connection.execute(QByteArray("DELETE FROM ") + schema::kTableName + ";"))
            return fail(m_connection, m_report);
        // Most lines hold the file's columns and are stored through a statement naming just
        // those; a line with more values (at most 26) through one naming every column.
        m_columns = schema::columnCount(m_report.columnNames);
        m_narrowWidth = std::clamp(m_columns, 1, schema::kColumnCount);
        m_narrow.emplace(m_connection, insertStatement(m_narrowWidth));
        m_group.emplace(m_connection, insertStatement(m_narrowWidth, kGroup));
        m_wide.emplace(m_connection, insertStatement(schema::kColumnCount));
        if (m_narrow->prepareResult() != SQLITE_OK || m_group->prepareResult() != SQLITE_OK ||
            m_wide->prepareResult() != SQLITE_OK) {
            m_connection.noteEngineFailure();
            return fail(m_connection, m_report);
        }
        return true;
    }

    // The records of batch from first on; false when the store refused one. Records with
    // exactly the file's columns go kGroup at a time through one statement, which spares the
    // engine most of its work per statement; the rest one by one, in the file's order.
    bool storeBatch(const RecordBatch& batch, size_t first) {
        const size_t count = batch.records.size();
        size_t i = first;
        while (i < count) {
            if (i + kGroup <= count && m_columns > 0 && groupFits(batch, i)) {
                if (!storeGroup(batch, i))
                    return false;
                i += kGroup;
            } else if (!storeRecord(batch, batch.records[i++])) {
                return false;
            }
        }
        return true;
    }

    bool groupFits(const RecordBatch& batch, size_t first) const {
        for (size_t i = first; i < first + kGroup; ++i) {
            if (batch.records[i].values != m_columns)
                return false;
        }
        return true;
    }

    bool storeGroup(const RecordBatch& batch, size_t first) {
        sqlite3_stmt* statement = m_group->handle();
        int parameter = 0;
        for (size_t i = first; i < first + kGroup; ++i) {
            const RecordBatch::Record& record = batch.records[i];
            if (record.irregularLine > 0)
                m_report.lenientLines.append(record.irregularLine);
            for (int k = 0; k < m_columns; ++k) {
                qsizetype size = 0;
                const char* value = batch.value(record.firstValue + k, &size);
                sqlite3_bind_text(statement, ++parameter, value, static_cast<int>(size),
                                  SQLITE_STATIC);
            }
        }
        return insert(statement, kGroup);
    }

    // False when the store refused it.
    bool storeRecord(const RecordBatch& batch, const RecordBatch::Record& record) {
        if (record.irregularLine > 0)
            m_report.lenientLines.append(record.irregularLine);
        const int fields = record.values;
        if (fields == 0)
            return true;
        if (fields > schema::kColumnCount) {
            m_report.tooManyValues.append(record.line);
            return true;
        }
        if (fields > m_columns)
            m_report.hiddenValues.append(record.line);
        sqlite3_stmt* statement = fields > m_narrowWidth ? m_wide->handle() : m_narrow->handle();
        const int width = fields > m_narrowWidth ? schema::kColumnCount : m_narrowWidth;
        // Missing values of the file's columns are stored as empty texts, so that the entry
        // matches what the lists show; columns beyond stay NULL.
        for (int k = 1; k <= width; ++k) {
            if (k > m_columns && k > fields) {
                sqlite3_bind_null(statement, k);
                continue;
            }
            qsizetype size = 0;
            const char* value = k <= fields ? batch.value(record.firstValue + k - 1, &size) : "";
            sqlite3_bind_text(statement, k, value, static_cast<int>(size), SQLITE_STATIC);
        }
        return insert(statement, 1);
    }

    // Runs statement, bound to insert entries entries; false when the store refused them.
    bool insert(sqlite3_stmt* statement, int entries) {
        if (sqlite3_step(statement) != SQLITE_DONE) {
            m_connection.noteEngineFailure();
            return false;
        }
        sqlite3_reset(statement);
        m_report.storedEntries += entries;
        // Ids are given in order: when the last is the list's, so are the others.
        if (sqlite3_last_insert_rowid(m_connection.handle()) != m_report.storedEntries)
            m_idsAsListed = false;
        return true;
    }

    StoreConnection& m_connection;
    LoadReport& m_report;
    int m_columns = 0;
    int m_narrowWidth = 1;
    bool m_idsAsListed = true;
    // 32 entries of at most 26 values stay within the engine's smallest limit of 999 values
    // to a statement.
    static constexpr int kGroup = 32;
    std::optional<PreparedStatement> m_narrow;
    std::optional<PreparedStatement> m_group;
    std::optional<PreparedStatement> m_wide;
};

// One reading of the file in reading, the stream's list in listed; readAgain tells a reading the
// file asks for instead.
LoadReport storeStream(RecordStream& stream, const QString& storePath,
                       const storesession::Update& session, const ProgressCallback& progress,
                       bool* listUsable, std::optional<Reading>* readAgain) {
    LoadReport report;
    *listUsable = false;
    const RecordBatch* first = stream.next();
    report.columnNames = stream.columnNames();
    if (stream.headerValues() > schema::kColumnCount) {
        // Unless the rest of the file shows it is to be read otherwise.
        while (stream.next()) {
        }
        *readAgain = stream.readAgain();
        report.refusedColumns = stream.headerValues();
        report.columnNames.clear();
        return report;
    }

    StoreConnection connection;
    if (!connection.open(storePath)) {
        report.storeUsable = false;
        report.storeDamaged = connection.lastFailureIsDamage();
        report.storeError = connection.lastError();
        return report;
    }
    RecordStorer storer(connection, report);
    bool stored = false;
    try {
        stored = storer.store(stream, first, session, progress);
    } catch (...) {
        connection.rollback();  // the file could not be read on: nothing changes
        throw;
    }
    *readAgain = stream.readAgain();
    *listUsable = stored && storer.idsAsListed();
    if (!stored)
        report.storedEntries = 0;
    return report;
}

LoadReport loadOnce(const QString& path, const QByteArray& bytes, const QString& storePath,
                    const storesession::Update& session, const ProgressCallback& progress,
                    const Reading& reading, ResultGrid* listed, std::optional<Reading>* readAgain) {
    bool listUsable = false;
    LoadReport report;
    {
        // The list is the stream's until it ends.
        RecordStream stream(path, bytes, reading, listed);
        report = storeStream(stream, storePath, session, progress, &listUsable, readAgain);
    }
    if (!listed)
        return report;
    if (!listUsable || listed->rowCount() != report.storedEntries) {
        listed->release();  // the list reads the entries from the store instead
    } else if (report.storedEntries == 0) {
        listed->clear();  // like a query: no rows, no columns
    } else {
        for (int k = 1; k <= listed->columnCount(); ++k)
            listed->m_resultColumns.append(schema::column(k));
    }
    return report;
}

LoadReport load(const QString& path, const QByteArray& bytes, const QString& storePath,
                const storesession::Update& session, const ProgressCallback& progress,
                Reading reading, ResultGrid* listed) {
    for (;;) {
        std::optional<Reading> again;
        const LoadReport report =
            loadOnce(path, bytes, storePath, session, progress, reading, listed, &again);
        if (!again)
            return report;
        reading = *again;
    }
}

}  // namespace

LoadReport LoadIntoStore(const QString& csvPath, const QString& storePath,
                         const storesession::Update& session, const ProgressCallback& progress,
                         const Reading& reading, ResultGrid* listed) {
    return load(csvPath, QByteArray(), storePath, session, progress, reading, listed);
}

LoadReport LoadIntoStore(const QByteArray& bytes, const QString& storePath,
                         const storesession::Update& session, const ProgressCallback& progress,
                         const Reading& reading, ResultGrid* listed) {
    return load(QString(), bytes, storePath, session, progress, reading, listed);
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

namespace {

// Whether a value must be quoted: it holds the separator, a quote or a line break.
bool needsQuotes(const char* data, qsizetype size, char separator) {
    for (const char* p = data; p < data + size; ++p) {
        if (*p == separator || *p == '"' || *p == '\r' || *p == '\n')
            return true;
    }
    return false;
}

// Makes the file's lines: fields joined and quoted as the dialect writes them, each line
// handed to the file in the dialect's encoding. Fields come in the file's bytes, or as UTF-8
// when the file is UTF-16.
class LineMaker {
public:
    LineMaker(AtomicFileWriter& writer, const Dialect& dialect)
        : m_writer(writer), m_dialect(dialect), m_lineEnd(dialect.lineEndBytes()) {}

    void field(const char* data, qsizetype size) {
        if (m_fields++ > 0)
            m_line += m_dialect.separator;
        if (!m_dialect.quoted() || (m_dialect.quoting == Dialect::Quoting::WhereNeeded &&
                                    !needsQuotes(data, size, m_dialect.separator))) {
            m_line.append(data, size);
            return;
        }
        m_line += '"';
        for (const char* p = data; p < data + size;) {
            const char* quote = static_cast<const char*>(std::memchr(p, '"', data + size - p));
            const char* end = quote ? quote + 1 : data + size;
            m_line.append(p, end - p);
            if (quote)
                m_line += '"';
            p = end;
        }
        m_line += '"';
    }
    // Ends the line; the file's last line ends as the dialect's did.
    void endLine(bool last) {
        // One empty value alone would be an empty line, which holds no entry: quoted, it stays.
        if (m_fields == 1 && m_line.isEmpty() && m_dialect.quoted())
            m_line = "\"\"";
        if (!last || m_dialect.lastLineEnded) {
            // Unquoted, a value's closing CR before an LF would read back as a CR LF line
            // end; a CR LF keeps it, as the reader takes one CR only.
            if (!m_dialect.quoted() && m_dialect.lineEnd == Dialect::LineEnd::Lf &&
                m_line.endsWith('\r'))
                m_line += '\r';
            m_line += m_lineEnd;
        }
        if (textencoding::isUtf16(m_dialect.encoding)) {
            m_converted.clear();
            textencoding::utf8ToUtf16(m_dialect.encoding, m_line.constData(), m_line.size(),
                                      m_converted);
            m_writer.write(m_converted);
        } else {
            m_writer.write(m_line);
        }
        m_line.clear();
        m_fields = 0;
    }

private:
    AtomicFileWriter& m_writer;
    const Dialect& m_dialect;
    const QByteArray m_lineEnd;
    QByteArray m_line;
    QByteArray m_converted;
    int m_fields = 0;
};

}  // namespace

WriteResult Write(const QString& path, const QString& columnNames, const ResultGrid& grid,
                  const std::vector<int>& order, int columnCount, const Dialect& dialect,
                  const ProgressCallback& progress) {
    using textencoding::Encoding;
    const Encoding encoding = dialect.encoding;
    const bool singleByte = encoding == Encoding::SingleByte;
    if (!textencoding::canHold(encoding, columnNames))
        return {WriteResult::Outcome::Unholdable, 1, columnNames, {}};
    AtomicFileWriter writer(path);
    ReadBackWatch readBack;
    if (encoding == Encoding::Utf8WithMark)
        writer.write(textencoding::kUtf8Mark, 3);
    else if (encoding == Encoding::Utf16LE)
        writer.write("\xFF\xFE", 2);
    else if (encoding == Encoding::Utf16BE)
        writer.write("\xFE\xFF", 2);
    LineMaker lines(writer, dialect);
    const qint64 rows = static_cast<qint64>(order.size());
    if (dialect.firstLineNames) {
        const QByteArray names =
            singleByte ? textencoding::encodeSingleByte(columnNames) : columnNames.toUtf8();
        if (singleByte && textencoding::hasHighBytes(names.constData(), names.size()))
            readBack.see(names, 1, columnNames);
        if (!dialect.isOwnFormat()) {
            for (const QByteArray& name : names.split(';'))
                lines.field(name.constData(), name.size());
        } else {
            lines.field(names.constData(), names.size());
        }
        // A names line alone and unended would read back otherwise when empty (a file whose
        // lines end) or holding a CR (taken for the line end): it keeps its line end then.
        const bool keepEnd =
            names.isEmpty() || (names.contains('\r') && dialect.lineEnd != Dialect::LineEnd::Cr);
        lines.endLine(rows == 0 && !keepEnd);
    }
    // A line of more than 26 values would not load again, and names beyond the store's
    // columns have no values to write.
    const int values = std::min(columnCount, schema::kColumnCount);
    const int width = std::min(values, grid.columnCount());
    QByteArray converted;
    // Returned before the commit, the writer leaves the old file and removes its own.
    ProgressSteps steps(progress, rows, kWriteStep);
    for (qint64 place = 0; place < rows; ++place) {
        if (!steps.reached(place))
            return {WriteResult::Outcome::Cancelled, 0, {}, {}};
        const int row = order[static_cast<size_t>(place)];
        const int line = static_cast<int>(place) + (dialect.firstLineNames ? 2 : 1);
        for (int c = 0; c < values; ++c) {
            int size = 0;
            const char* cell = c < width ? grid.cellData(row, c, &size) : "";
            if (!dialect.quoted() && breaksUnquotedField(dialect, cell, size))
                return {WriteResult::Outcome::BreaksOwnFormat, line, grid.value(row, c), {}};
            if (singleByte && textencoding::hasHighBytes(cell, size)) {
                converted.clear();
                if (!textencoding::utf8ToSingleByte(cell, size, converted))
                    return {WriteResult::Outcome::Unholdable, line, grid.value(row, c), {}};
                readBack.see(converted, line, grid.value(row, c));
                lines.field(converted.constData(), converted.size());
            } else {
                lines.field(cell, size);
            }
        }
        lines.endLine(place == rows - 1);
    }
    if (!steps.finished())
        return {WriteResult::Outcome::Cancelled, 0, {}, {}};
    if (readBack.readsBackAsUtf8())
        return readBack.first();
    writer.commit();
    return {};
}

WriteResult Write(const QString& path, const QString& columnNames, const ResultGrid& grid,
                  int columnCount, const Dialect& dialect, const ProgressCallback& progress) {
    std::vector<int> order(static_cast<size_t>(grid.rowCount()));
    std::iota(order.begin(), order.end(), 0);
    return Write(path, columnNames, grid, order, columnCount, dialect, progress);
}

textencoding::Encoding utf8EncodingFor(const QString& columnNames, const ResultGrid& grid,
                                       const std::vector<int>& order, int columnCount) {
    using textencoding::Encoding;
    for (QChar c : columnNames) {
        if (c.unicode() >= 0x80)
            return Encoding::Utf8;
    }
    const int width = std::min(std::min(columnCount, schema::kColumnCount), grid.columnCount());
    for (const int row : order) {
        for (int c = 0; c < width; ++c) {
            int size = 0;
            const char* cell = grid.cellData(row, c, &size);
            if (textencoding::hasHighBytes(cell, size))
                return Encoding::Utf8;
        }
    }
    return Encoding::Utf8WithMark;
}

}  // namespace csvfile
