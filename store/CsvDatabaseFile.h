#pragma once

#include "CsvDialect.h"
#include "RecordStream.h"
#include "StoreSession.h"
#include "TextEncoding.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class ResultGrid;

// The CSV database file: line 1 holds the column names, every further line one entry. In the
// program's own format values are joined by ";" with no quoting; other files have their own
// separator and quoting (CsvDialect.h). The dialect and the encoding (TextEncoding.h) are
// found when the file is read and kept when it is written. The store holds the entries as
// UTF-8 whatever the file's encoding.
namespace csvfile {

// Told how far a long operation has come: done of total. Called every so often while the work
// goes on, and once with done == total before the result is committed; false cancels the work.
using ProgressCallback = std::function<bool(qint64 done, qint64 total)>;

struct LoadReport {
    // The names joined by ";": the own format's line 1 unchanged; a quoted name's ";" becomes
    // "," and its line breaks blanks. A file without names gets A, B, C...
    QString columnNames;
    Dialect dialect;
    int refusedColumns = 0;     // more than 26 columns, this many: nothing was stored
    QList<int> lenientLines;    // lines (from 1) read leniently (Irregularity): stored
    int storedEntries = 0;      // entry lines that went into the store
    QList<int> tooManyValues;   // lines (from 1) of more than 26 values: not stored
    QList<int> hiddenValues;    // lines with more values than columns: stored, not shown
    bool storeUsable = true;    // false: the store could not take the entries; it holds the
                                // entries it had before, unless storeDamaged
    bool storeDamaged = false;  // the store is missing, not a database or damaged
    QString storeError;
    bool cancelled = false;  // the progress callback cancelled: the store keeps what it had
};

// Reads the file at csvPath (raising FileError when it cannot be read, before anything
// changes) and replaces every entry of the store by the file's entry lines, in file order, in
// one transaction, read as reading says: in the dialect the file shows when it names none. An
// empty line and a line of more than 26 values add no entry; a line with fewer values than
// columns leaves the rest empty. A file of more than 26 columns changes nothing. The same
// transaction records the session (session, with the file's column names and dialect, and no
// unsaved changes), so that the record never speaks of entries the store does not hold.
// progress, when given, follows the bytes of the file stored and can cancel: the store keeps
// its entries and its session record as they were. The file is read in parts beside the store
// taking them, never held whole. With listed, the entries stored are also put there as a query
// of the file's columns with ids in store order would return them, so that nobody reads them
// back; it is left empty when the load fails, or holds fewer rows than storedEntries when
// memory ran out.
LoadReport LoadIntoStore(const QString& csvPath, const QString& storePath,
                         const storesession::Update& session = {},
                         const ProgressCallback& progress = {}, const Reading& reading = {},
                         ResultGrid* listed = nullptr);
// The same for a file's bytes.
LoadReport LoadIntoStore(const QByteArray& bytes, const QString& storePath,
                         const storesession::Update& session = {},
                         const ProgressCallback& progress = {}, const Reading& reading = {},
                         ResultGrid* listed = nullptr);

// The first bytes of the file at path, at most size: enough to tell its dialect and show its
// first lines. Raises FileError when it cannot be read.
QByteArray ReadBeginning(const QString& path, qint64 size);

// How a write that raised nothing ended. Unless written, the old file stays whole: the write
// was cancelled, or refused because the file would not hold the text as it is: a value or name
// has a character the encoding has no byte for, or, in one byte a character, the bytes would
// read back as UTF-8 (every byte from 0x80 on forming UTF-8 with those around it), that is
// as other text, or a value holds a ";" or a line break, which the own format cannot hold.
// line (from 1: the names' line) and value say where; misread is how that value would read
// back.
struct WriteResult {
    enum class Outcome { Written, Cancelled, Unholdable, ReadBackAsUtf8, BreaksOwnFormat };
    Outcome outcome = Outcome::Written;
    int line = 0;
    QString value;
    QString misread;
    bool written() const { return outcome == Outcome::Written; }
};

// Writes columnNames (unless the dialect has none) and the first columnCount cells (at most 26)
// of the rows of grid that order names, in that order (UTF-8, as the store holds them), to path
// in dialect, through a temporary file. Raises FileError when the file cannot be written; the
// old file stays whole. progress, when given, follows the rows written and can cancel.
WriteResult Write(const QString& path, const QString& columnNames, const ResultGrid& grid,
                  const std::vector<int>& order, int columnCount, const Dialect& dialect,
                  const ProgressCallback& progress = {});
// The same for every row of grid, in its order.
WriteResult Write(const QString& path, const QString& columnNames, const ResultGrid& grid,
                  int columnCount, const Dialect& dialect, const ProgressCallback& progress = {});
// The same in the own format in encoding.
inline WriteResult Write(const QString& path, const QString& columnNames, const ResultGrid& grid,
                         int columnCount, textencoding::Encoding encoding,
                         const ProgressCallback& progress = {}) {
    return Write(path, columnNames, grid, columnCount, Dialect::ownFormat(encoding), progress);
}

// The UTF-8 a file of columnNames and the first columnCount cells of the rows that order names
// is written in to read back as UTF-8: with the byte-order mark when they hold nothing beyond
// ASCII, which would read as single-byte again without it.
textencoding::Encoding utf8EncodingFor(const QString& columnNames, const ResultGrid& grid,
                                       const std::vector<int>& order, int columnCount);

}  // namespace csvfile
