// Any bytes as a CSV database file: loading into a working store never crashes, and a saved
// file loads back to the same entries and saves to the same bytes.
#include "CsvDatabaseFile.h"
#include "FileError.h"
#include "FuzzSupport.h"
#include "SQLite3PowerClass.h"
#include "Schema.h"

#include <QTemporaryDir>
#include <cstdint>
#include <optional>

using fuzzsupport::check;

namespace {

struct Files {
    QTemporaryDir dir;
    QString store = dir.filePath(QStringLiteral("store.sqlite"));
    QString in = dir.filePath(QStringLiteral("in.csv"));
    QString saved = dir.filePath(QStringLiteral("saved.csv"));
    QString again = dir.filePath(QStringLiteral("again.csv"));
};

Files& files() {
    static Files instance;
    return instance;
}

struct Saved {
    QByteArray bytes;
    csvfile::Dialect dialect;
};

// Loads path into the store, in dialect when given, and writes what the program would list to
// out; the bytes written and the dialect they were written in, or none when the file has more
// columns than a database holds and is not loaded, or the write is refused.
std::optional<Saved> loadAndSave(const QString& path, const QString& out,
                                 const std::optional<csvfile::Dialect>& dialect = std::nullopt) {
    const QString& store = files().store;
    const csvfile::LoadReport report = csvfile::LoadIntoStore(path, store, {}, {}, dialect);
    if (report.refusedColumns > 0)
        return std::nullopt;
    check(report.storeUsable, "a sound store takes every file");
    const int columns = schema::columnCount(report.columnNames);
    SQLite3PowerClass sql;
    check(!sql.Query(store, schema::table(), QString(), QString(),
                     std::min(columns, schema::kColumnCount))
               .failed(),
          "the store reads back what was loaded");
    // A refusal (lines not kept may leave bytes that read back as other text) writes nothing.
    if (csvfile::Write(out, report.columnNames, sql.m_resultValues, columns, report.dialect)
            .outcome != csvfile::WriteResult::Outcome::Written)
        return std::nullopt;
    return Saved{fuzzsupport::readFile(out), report.dialect};
}

// The header and the entry lines; a one-column entry with an empty value is written in the
// own format as an empty line, which the format cannot tell from no entry.
QList<QByteArray> linesOf(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    QList<QByteArray> kept;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i == 0 || (lines[i] != "\r" && !lines[i].isEmpty()))
            kept.append(lines[i]);
    }
    return kept;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    check(QFile::copy(QStringLiteral(ORVANE_STORE_TEMPLATE), files().store),
          "the store template is there");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Files& f = files();
    fuzzsupport::writeFile(
        f.in, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    try {
        const std::optional<Saved> saved = loadAndSave(f.in, f.saved);
        if (!saved)
            return 0;
        // Values of the own format that start and end with quotes may make a file that also
        // reads as quoted; read in the dialect it was written in, it is the same file.
        const std::optional<Saved> again = loadAndSave(f.saved, f.again, saved->dialect);
        check(again && linesOf(again->bytes) == linesOf(saved->bytes),
              "a saved file loads and saves unchanged");
    } catch (const FileError&) {
        fuzzsupport::broken("a readable file and a writable folder raise no file error");
    }
    return 0;
}
