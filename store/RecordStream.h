#pragma once

#include "CsvDialect.h"

class ResultGrid;

#include <QByteArray>
#include <QFile>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// The records of a CSV file, read in parts on a thread of their own while the caller stores
// the records read before: the file's bytes are never all held at once, and reading, decoding
// and splitting take the second core. The records come in file order, in batches, their
// values as UTF-8.
namespace csvfile {

// Records read one after the other: their values' bytes, UTF-8, in one buffer.
struct RecordBatch {
    struct Record {
        int firstValue;     // of values
        int values;         // none: an empty line
        int line;           // where it began, from 1
        int irregularLine;  // where it was read leniently (Irregularity); 0: it was not
    };
    std::vector<Record> records;
    std::vector<qsizetype> valueEnds;  // value i is text [valueEnds[i - 1], valueEnds[i])
    QByteArray text;
    qint64 fileOffset = 0;  // about how far into the file the first record began
    qint64 fileEnd = 0;     // and the last one ended

    const char* value(int i, qsizetype* size) const {
        const qsizetype begin = i == 0 ? 0 : valueEnds[static_cast<size_t>(i) - 1];
        *size = valueEnds[static_cast<size_t>(i)] - begin;
        return text.constData() + begin;
    }
    void clear();
};

// How a file is read: in the dialect its beginning shows, or one chosen for it (in the
// preview, or as it was read last time), whose encoding may still be left to the file.
struct Reading {
    Reading() = default;
    Reading(std::optional<Dialect> chosen, bool encodingFromFile = false,
            bool quotedIfConsistent = false)
        : dialect(std::move(chosen)),
          encodingFromFile(encodingFromFile),
          quotedIfConsistent(quotedIfConsistent) {}

    std::optional<Dialect> dialect;
    bool encodingFromFile = false;  // with dialect: its encoding is found in the file's bytes
    // With dialect: a ";" file read as quoted is the own format unless every record reads
    // consistently so (Detection::quotedIfConsistent).
    bool quotedIfConsistent = false;
};

// Opens the file at path to read it. Raises FileError when it is missing, a folder or cannot
// be read.
void openToRead(QFile& file, const QString& path);

class RecordStream {
public:
    // Reads the file at path, or bytes (when path is empty): its first MiB, which tells the
    // dialect, then partBytes at a time (0: a MiB). Raises FileError when the file cannot be
    // opened or its beginning read, before any thread starts. listed, when given, is the
    // stream's until next() returns nullptr; it then holds the records a store emptied first
    // takes, as a query of the file's columns with ids returns them, or nothing when memory
    // ran out for them or the store refuses the file.
    RecordStream(const QString& path, const QByteArray& bytes, const Reading& reading,
                 ResultGrid* listed = nullptr, qsizetype partBytes = 0);
    ~RecordStream();  // stops the reading
    RecordStream(const RecordStream&) = delete;
    RecordStream& operator=(const RecordStream&) = delete;

    // The file's size, for progress.
    qint64 size() const { return m_size; }
    // Whether the first record names the columns.
    bool namesFirst() const { return m_namesFirst; }
    // The first record, once next() has returned it: the column names, joined by ";" (the own
    // format's names line as it stands; other names without ";" and line breaks; a file without
    // names gets A, B, C...), and how many values it has.
    const QString& columnNames() const { return m_columnNames; }
    int headerValues() const { return m_headerValues; }
    // The next batch, valid until the next call; nullptr at the end, or when the file must be
    // read again (readAgain). Raises FileError when the file could not be read on.
    const RecordBatch* next();
    // Whether the records handed out were read in a dialect the rest of the file has shown to
    // be wrong (the encoding was not UTF-8 after all, or a ";" file did not read consistently
    // as quoted): the caller drops them and reads the file again with this reading.
    // Known once next() has returned nullptr.
    std::optional<Reading> readAgain() const {
        return m_ended ? m_readAgain : std::optional<Reading>();
    }
    // The dialect the whole file was read in, once next() returned nullptr without readAgain:
    // its encoding as every byte told it, whether its last line ends.
    const Dialect& dialect() const { return m_dialect; }

private:
    void run();
    qsizetype readPart(qsizetype most);
    // Whether the file is read to its end: its size when it was opened, or less if it shrank.
    bool allRead() const { return m_read >= m_size || m_shrank; }
    void decodeNewBytes(qsizetype from, bool last);
    bool parseWindow(bool last);
    bool addRecord(const RecordReader& reader, qint64 fileOffset);
    // The bytes are no UTF-8 after all: they are single-byte from here on, or, when values
    // already took such bytes as UTF-8, the file is to be read again.
    bool switchToSingleByte(bool highBytesRead);
    bool foundEncoding();
    void readHeader(const RecordBatch& batch, const RecordBatch::Record& header);
    void list(const RecordBatch& batch, const RecordBatch::Record& record);
    void dropList();
    bool handOver();
    void finish();

    // Set before the thread starts, then the thread's own until it ends.
    QFile m_file;
    QByteArray m_bytes;  // the bytes given instead of a file
    qint64 m_size = 0;
    qint64 m_read = 0;  // bytes of the file read so far
    qsizetype m_partBytes;
    bool m_shrank = false;
    Dialect m_dialect;
    bool m_namesFirst = true;
    bool m_ownFormat = true;
    bool m_findEncoding = false;  // the encoding is UTF-8 while every byte says so
    bool m_marked = false;        // the file begins with the UTF-8 mark
    bool m_quotedIfConsistent = false;
    textencoding::Utf8Watch m_watch;
    QByteArray m_raw;        // bytes read and not yet decoded
    QByteArray m_cut;        // UTF-16 cut at the end of the last part
    QByteArray m_window;     // text not yet split into records
    int m_line = 1;          // where the window's text begins
    bool m_convert = false;  // single-byte values are made UTF-8
    std::unique_ptr<RecordBatch> m_filling;
    qint64 m_records = 0;
    QString m_columnNames;
    int m_headerValues = 0;
    ResultGrid* m_listed;
    int m_listedWidth = 0;
    qint64 m_listedRows = 0;
    qint64 m_listedBytes = 0;
    std::optional<Reading> m_readAgain;

    // Shared by both threads, under m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<RecordBatch>> m_ready;
    std::vector<std::unique_ptr<RecordBatch>> m_free;
    bool m_done = false;
    std::atomic<bool> m_stop{false};
    std::exception_ptr m_failure;

    std::unique_ptr<RecordBatch> m_handedOut;  // the caller's
    bool m_ended = false;                      // the caller has been told the end
    std::thread m_thread;
};

}  // namespace csvfile
