#include "RecordStream.h"

#include "FileError.h"
#include "ResultGrid.h"
#include "Schema.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace csvfile {

namespace {

// Read at a time: the beginning that tells the dialect (far more than the sample detection
// reads), and each part after it.
constexpr qsizetype kPartBytes = 1024 * 1024;
// A batch ends at whichever comes first: small enough that the store starts at once and a
// cancel takes effect soon, large enough that handing it over costs nothing next to it.
constexpr size_t kBatchRecords = 4096;
constexpr qsizetype kBatchBytes = 512 * 1024;
// Batches in flight: the reader runs ahead of the store by at most this many.
constexpr int kBatches = 4;

}  // namespace

void openToRead(QFile& file, const QString& path) {
    if (!QFileInfo::exists(path))
        throw FileError(FileError::Kind::NotFound, path);
    if (QFileInfo(path).isDir())
        throw FileError(FileError::Kind::ReadFailed, path, QStringLiteral("it is a folder"));
    file.setFileName(path);
    // Read in parts of a MiB into buffers of their own: a buffer of QFile's would only copy.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw FileError(FileError::Kind::ReadFailed, path, file.errorString());
}

void RecordBatch::clear() {
    records.clear();
    valueEnds.clear();
    text.clear();
    fileOffset = 0;
    fileEnd = 0;
}

RecordStream::RecordStream(const QString& path, const QByteArray& bytes, const Reading& reading,
                           ResultGrid* listed, qsizetype partBytes)
    : m_bytes(bytes), m_partBytes(partBytes > 0 ? partBytes : kPartBytes), m_listed(listed) {
    if (m_listed)
        m_listed->clear();
    if (!path.isEmpty()) {
        openToRead(m_file, path);
        m_size = m_file.size();
    } else {
        m_size = m_bytes.size();
    }
    readPart(kPartBytes);

    using textencoding::Encoding;
    const bool utf16Marked =
        textencoding::isUtf16(textencoding::detectFile(m_raw.constData(), m_raw.size()));
    if (reading.dialect) {
        m_dialect = *reading.dialect;
        m_quotedIfConsistent = reading.quotedIfConsistent;
        if (reading.encodingFromFile && utf16Marked)
            m_dialect.encoding = textencoding::detectFile(m_raw.constData(), m_raw.size());
        m_findEncoding = reading.encodingFromFile && !utf16Marked;
    } else {
        const Detection detection = detectDialect(m_raw, !allRead());
        m_dialect = detection.dialect;
        m_quotedIfConsistent = detection.quotedIfConsistent;
        m_findEncoding = !textencoding::isUtf16(m_dialect.encoding);
    }
    if (m_findEncoding) {
        // UTF-8 while every byte says so; the mark is the file's, unless it is no UTF-8.
        m_marked = m_raw.startsWith(textencoding::kUtf8Mark);
        const qsizetype mark = m_marked ? 3 : 0;
        m_watch.see(m_raw.constData() + mark, m_raw.size() - mark);
        if (m_watch.valid()) {
            m_dialect.encoding = m_marked ? Encoding::Utf8WithMark : Encoding::Utf8;
        } else {
            m_findEncoding = false;
            m_marked = false;
            m_dialect.encoding = Encoding::SingleByte;
        }
    }
    m_convert = m_dialect.encoding == Encoding::SingleByte;
    decodeNewBytes(textencoding::markLength(m_dialect.encoding), allRead());
    // Saved again, the file's lines end as they did, whatever dialect the caller chose.
    findLineEnds(m_dialect, m_window.constData(), m_window.constData() + m_window.size());
    m_namesFirst = m_dialect.firstLineNames;
    m_ownFormat = m_dialect.isOwnFormat();
    m_filling = std::make_unique<RecordBatch>();
    for (int i = 1; i < kBatches; ++i)
        m_free.push_back(std::make_unique<RecordBatch>());
    m_thread = std::thread([this] { run(); });
}

RecordStream::~RecordStream() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

const RecordBatch* RecordStream::next() {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_handedOut) {
        m_free.push_back(std::move(m_handedOut));
        m_changed.notify_all();
    }
    m_changed.wait(lock, [this] { return !m_ready.empty() || m_done; });
    if (!m_ready.empty()) {
        m_handedOut = std::move(m_ready.front());
        m_ready.pop_front();
        return m_handedOut.get();
    }
    m_ended = true;
    if (m_failure)
        std::rethrow_exception(m_failure);
    return nullptr;
}

qsizetype RecordStream::readPart(qsizetype most) {
    const qsizetype before = m_raw.size();
    if (!m_file.isOpen()) {
        const qsizetype size = std::min<qsizetype>(most, m_bytes.size() - m_read);
        m_raw.append(m_bytes.constData() + m_read, size);
        m_read += size;
        return size;
    }
    m_raw.resize(before + most);
    const qint64 got = m_file.read(m_raw.data() + before, most);
    if (got < 0 || m_file.error() != QFileDevice::NoError)
        throw FileError(FileError::Kind::ReadFailed, m_file.fileName(), m_file.errorString());
    m_raw.resize(before + got);
    m_read += got;
    m_shrank = got == 0 && most > 0;  // what is read is the end
    return got;
}

void RecordStream::decodeNewBytes(qsizetype from, bool last) {
    if (textencoding::isUtf16(m_dialect.encoding)) {
        textencoding::utf16PartToUtf8(m_dialect.encoding, m_raw.constData() + from,
                                      m_raw.size() - from, last, m_cut, m_window);
    } else {
        m_window.append(m_raw.constData() + from, m_raw.size() - from);
    }
    m_raw.clear();
}

void RecordStream::run() {
    try {
        while (!m_stop) {
            const bool last = allRead();
            if (!parseWindow(last) || last)
                break;
            const bool sawHigh = m_watch.sawHighByte();
            readPart(m_partBytes);
            if (m_findEncoding) {
                m_watch.see(m_raw.constData(), m_raw.size());
                if (!m_watch.valid() && !switchToSingleByte(sawHigh))
                    break;
            }
            decodeNewBytes(0, allRead());
        }
        if (!m_readAgain && !m_stop)
            finish();
    } catch (...) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_failure = std::current_exception();
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_done = true;
    }
    m_changed.notify_all();
}

bool RecordStream::switchToSingleByte(bool highBytesRead) {
    using textencoding::Encoding;
    if (m_marked || highBytesRead) {
        // Values already read took bytes as UTF-8 that stand for characters of their own.
        Reading again{m_dialect, false, m_quotedIfConsistent};
        again.dialect->encoding = Encoding::SingleByte;
        m_readAgain = again;
        return false;
    }
    m_findEncoding = false;
    m_dialect.encoding = Encoding::SingleByte;
    m_convert = true;
    return true;
}

bool RecordStream::parseWindow(bool last) {
    RecordReader reader(m_window.constData(), m_window.constData() + m_window.size(), m_dialect,
                        m_line);
    qint64 consumed = 0;
    int line = m_line;
    while (reader.next()) {
        if (!last && !reader.ended()) {
            line = reader.line();
            break;
        }
        if (m_quotedIfConsistent && reader.irregularity() != Irregularity::None) {
            // As the own format, as it always read.
            Reading again{m_dialect, m_findEncoding, false};
            again.dialect->quoting = Dialect::Quoting::None;
            m_readAgain = again;
            return false;
        }
        // About where the record began and ended in the file: the text left is what was read
        // last.
        const qint64 fileOffset =
            std::max<qint64>(0, m_read - (m_window.size() - reader.recordOffset()));
        m_filling->fileEnd = std::max<qint64>(0, m_read - (m_window.size() - reader.offset()));
        if (!addRecord(reader, fileOffset))
            return false;
        consumed = reader.offset();
        line = reader.nextLine();
    }
    if (last) {
        findLastLineEnd(m_dialect, m_window.constData(), m_window.constData() + m_window.size());
        if (m_findEncoding)
            return foundEncoding();
        return true;
    }
    m_window.remove(0, consumed);
    m_line = line;
    return true;
}

bool RecordStream::foundEncoding() {
    const textencoding::Encoding found = m_watch.verdict(m_marked);
    if (found == textencoding::Encoding::SingleByte && (m_watch.sawHighByte() || m_marked))
        return switchToSingleByte(true);
    m_dialect.encoding = found;
    return true;
}

bool RecordStream::addRecord(const RecordReader& reader, qint64 fileOffset) {
    RecordBatch& batch = *m_filling;
    if (batch.records.empty())
        batch.fileOffset = fileOffset;
    const int irregularLine =
        reader.irregularity() != Irregularity::None ? reader.irregularLine() : 0;
    batch.records.push_back({static_cast<int>(batch.valueEnds.size()), reader.fieldCount(),
                             reader.line(), irregularLine});
    for (int i = 0; i < reader.fieldCount(); ++i) {
        const char* value = reader.fieldData(i);
        const qsizetype size = reader.fieldSize(i);
        if (m_convert && textencoding::hasHighBytes(value, size))
            textencoding::singleByteToUtf8(value, size, batch.text);
        else
            batch.text.append(value, size);
        batch.valueEnds.push_back(batch.text.size());
    }
    if (m_records++ == 0)
        readHeader(batch, batch.records.back());
    if (m_listed && (m_records > 1 || !m_namesFirst))
        list(batch, batch.records.back());
    if (batch.records.size() < kBatchRecords && batch.text.size() < kBatchBytes)
        return true;
    return handOver();
}

void RecordStream::readHeader(const RecordBatch& batch, const RecordBatch::Record& header) {
    QStringList names;
    for (int k = 0; k < header.values; ++k) {
        if (!m_namesFirst) {
            names.append(QChar(u'A' + k));
            continue;
        }
        qsizetype size = 0;
        const char* value = batch.value(header.firstValue + k, &size);
        QString name = textencoding::fromUtf8(value, size);
        if (!m_ownFormat) {
            // The store keeps the names as one line joined by ";".
            name.replace(QLatin1Char(';'), QLatin1Char(','));
            name.replace(QLatin1String("\r\n"), QLatin1String(" "));
            name.replace(QLatin1Char('\r'), QLatin1Char(' '))
                .replace(QLatin1Char('\n'), QLatin1Char(' '));
        }
        names.append(name);
    }
    m_columnNames = names.join(QLatin1Char(';'));
    m_headerValues = header.values;
    // The list shows the file's columns, as a query of them would return them; a file the
    // store refuses, or of no columns, lists nothing.
    m_listedWidth = std::min(schema::columnCount(m_columnNames), schema::kColumnCount);
    if (m_listed && (m_listedWidth == 0 || m_headerValues > schema::kColumnCount))
        dropList();
    else if (m_listed)
        m_listed->setColumnCount(m_listedWidth);
}

void RecordStream::list(const RecordBatch& batch, const RecordBatch::Record& record) {
    // As the store takes them: no empty line, no line of more than 26 values.
    if (record.values == 0 || record.values > schema::kColumnCount)
        return;
    if (++m_listedRows == kBatchRecords) {
        // Room for as many as the file holds if these are like the rest, and some more: room
        // untouched costs no memory, but a grid that grows beyond its room is copied whole.
        const qint64 done = std::max<qint64>(1, batch.fileEnd);
        const auto scaled = [&](qint64 n) {
            const qint64 all = n * m_size / done;
            return all + all / 8;
        };
        const qint64 rows = scaled(m_listedRows);
        m_listed->reserve(scaled(m_listedBytes), rows * m_listedWidth, rows);
    }
    m_listed->appendRowid(m_listedRows);  // the store numbers a table it emptied from 1
    for (int k = 0; k < m_listedWidth; ++k) {
        qsizetype size = 0;
        const char* value = k < record.values ? batch.value(record.firstValue + k, &size) : "";
        m_listedBytes += size;
        if (!m_listed->appendCell(value, size)) {
            dropList();
            return;
        }
    }
}

void RecordStream::dropList() {
    m_listed->release();
    m_listed = nullptr;
}

bool RecordStream::handOver() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_ready.push_back(std::move(m_filling));
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_stop || !m_free.empty(); });
    if (m_stop)
        return false;
    m_filling = std::move(m_free.back());
    m_free.pop_back();
    m_filling->clear();
    return true;
}

void RecordStream::finish() {
    if (!m_filling || m_filling->records.empty())
        return;
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_ready.push_back(std::move(m_filling));
}

}  // namespace csvfile
