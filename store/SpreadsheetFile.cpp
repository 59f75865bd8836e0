#include "SpreadsheetFile.h"

#include "AtomicFileWriter.h"
#include "FileError.h"
#include "ResultGrid.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <xlsxwriter.h>
#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <string>

namespace spreadsheetfile {

namespace {

// Rows between calls of the progress callback, as for CSV files.
constexpr qint64 kProgressStep = 1024;
// The length of an xlsx escape, _xHHHH_.
constexpr int kEscapeLength = 7;
// Beyond this many bytes a zip entry (or the whole zip) needs the ZIP64 extensions; a smaller
// sheet goes without them, which every reader opens.
constexpr qint64 kZip64From = qint64(3) << 30;
// The XML of the .ods content gathers in a buffer of about this size before it goes into the
// zip: written straight, every tag would be a call into the compressor.
constexpr qint64 kXmlChunk = 256 * 1024;
// The largest a spreadsheet XML part can grow per byte of a value (a line break in .ods,
// <text:line-break/>), per cell and per row, for the choice of ZIP64.
constexpr qint64 kGrowthPerByte = 18;
constexpr qint64 kBytesPerCell = 96;
constexpr qint64 kBytesPerRow = 64;
// libxlsxwriter packs the file after the last row, in workbook_close, which takes about twice
// as long as the rows took: of the progress of an .xlsx, the rows are a third.
constexpr double kXlsxRowsShare = 1.0 / 3;
// How often progress hears from the packing.
constexpr std::chrono::milliseconds kPackingTick{100};

// Calls a progress callback (when there is one) every kProgressStep rows, and at the end. The
// total is the number of rows, which fill rowsShare of it.
class ProgressSteps {
public:
    ProgressSteps(const csvfile::ProgressCallback& progress, qint64 rows, double rowsShare)
        : m_progress(progress), m_total(rows), m_rowsShare(rowsShare) {}

    qint64 total() const { return m_total; }
    qint64 afterRows() const { return static_cast<qint64>(m_total * m_rowsShare); }
    // False when the callback cancelled.
    bool reached(qint64 row) {
        if (!m_progress || row < m_next)
            return true;
        m_next = row + kProgressStep;
        return m_progress(static_cast<qint64>(row * m_rowsShare), m_total);
    }
    // Calls the callback now.
    bool tell(qint64 done) const { return !m_progress || m_progress(done, m_total); }
    bool finished() const { return !m_progress || m_progress(m_total, m_total); }

private:
    const csvfile::ProgressCallback& m_progress;
    qint64 m_total;
    double m_rowsShare;
    qint64 m_next = 0;
};

[[noreturn]] void fail(const QString& path, const QString& reason) {
    throw FileError(FileError::Kind::WriteFailed, path, reason);
}

// The cells of the sheet: row 0 holds the names, row r > 0 the cells of the grid's row
// order[r - 1].
class Sheet {
public:
    Sheet(const QStringList& names, const ResultGrid& grid, const std::vector<int>& order,
          int columnCount)
        : m_grid(grid),
          m_order(order),
          m_width(std::max(0, std::min(columnCount, grid.columnCount()))) {
        for (const QString& name : names)
            m_names.append(name.toUtf8());
    }

    qint64 rows() const { return static_cast<qint64>(m_order.size()) + 1; }
    int columns(qint64 row) const { return row == 0 ? static_cast<int>(m_names.size()) : m_width; }
    int widest() const { return std::max(static_cast<int>(m_names.size()), m_width); }
    const char* cell(qint64 row, int column, int* size) const {
        if (row == 0) {
            *size = static_cast<int>(m_names[column].size());
            return m_names[column].constData();
        }
        return m_grid.cellData(m_order[static_cast<size_t>(row - 1)], column, size);
    }
    // Whether the XML of the sheet may grow beyond what a zip holds without ZIP64.
    bool needsZip64() const {
        qint64 bytes = 0;
        for (qint64 row = 0; row < rows(); ++row) {
            for (int column = 0; column < columns(row); ++column) {
                int size = 0;
                cell(row, column, &size);
                bytes += size;
            }
        }
        const qint64 cells = rows() * widest();
        return bytes * kGrowthPerByte + cells * kBytesPerCell + rows() * kBytesPerRow >= kZip64From;
    }

private:
    const ResultGrid& m_grid;
    const std::vector<int>& m_order;
    int m_width;
    QByteArrayList m_names;
};

// Whether XML 1.0 has no place for the character, not even as a reference.
bool xmlCannotHold(char16_t c) {
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF;
}

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Whether the "_" at text[at] begins what a reader of xlsx takes for an escape, _xHHHH_.
bool beginsEscape(const QString& text, qsizetype at) {
    if (at + kEscapeLength > text.size() || text[at + 1] != u'x' ||
        text[at + kEscapeLength - 1] != u'_')
        return false;
    for (qsizetype i = at + 2; i < at + kEscapeLength - 1; ++i) {
        if (!isHexDigit(text[i]))
            return false;
    }
    return true;
}

// Whether the bytes are printable ASCII, tabs and LFs only, with no "_x" that could begin an
// escape: then an xlsx cell takes them as they are.
bool xlsxTakesAsTheyAre(const char* data, int size) {
    for (int i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte >= 0x7f || (byte < 0x20 && byte != '\t' && byte != '\n') ||
            (byte == '_' && i + 1 < size && data[i + 1] == 'x'))
            return false;
    }
    return true;
}

void appendEscape(QString& text, char16_t c) {
    static const char kHex[] = "0123456789ABCDEF";
    text += u"_x";
    for (int shift = 12; shift >= 0; shift -= 4)
        text += QLatin1Char(kHex[(c >> shift) & 0xf]);
    text += u'_';
}

// The value as an xlsx cell holds it, into out (UTF-8, and NUL-terminated for the library): a
// line break as LF, a character XML cannot hold as its escape, and the "_" that begins text
// reading as an escape as _x005F_. Returns its length as kMaxXlsxCellLength counts it.
qsizetype xlsxText(const char* data, int size, std::string& out) {
    if (xlsxTakesAsTheyAre(data, size)) {
        out.assign(data, static_cast<size_t>(size));
        return size;
    }
    const QString value = QString::fromUtf8(data, size);
    QString text;
    text.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t c = value[i].unicode();
        if (c == u'\r') {
            text += u'\n';
            if (i + 1 < value.size() && value[i + 1] == u'\n')
                ++i;
        } else if (xmlCannotHold(c) || (c == u'_' && beginsEscape(value, i))) {
            appendEscape(text, c);
        } else {
            text += QChar(c);
        }
    }
    out = text.toStdString();
    return text.size();
}

// The first cell too long for xlsx. A cell of few bytes cannot be, even when every byte
// becomes an escape, so only the long ones are looked at closely.
std::optional<WriteResult> firstTooLongForXlsx(const Sheet& sheet) {
    std::string text;
    for (qint64 row = 0; row < sheet.rows(); ++row) {
        for (int column = 0; column < sheet.columns(row); ++column) {
            int size = 0;
            const char* data = sheet.cell(row, column, &size);
            if (size <= kMaxXlsxCellLength / kEscapeLength)
                continue;
            if (xlsxText(data, size, text) > kMaxXlsxCellLength)
                return WriteResult{WriteResult::Outcome::ValueTooLong, static_cast<int>(row) + 1,
                                   column};
        }
    }
    return std::nullopt;
}

QString xlsxError(lxw_error error) {
    return QString::fromUtf8(lxw_strerror(error));
}

// Counts the cells and rows of an xlsx sheet part read block by block, and keeps its last bytes.
// Values are escaped, so every "<" begins a tag.
class SheetScan {
public:
    void see(const char* data, qsizetype size) {
        m_pending.append(data, size);
        scan(false);
        m_last.append(data + std::max<qsizetype>(0, size - kLast), std::min(size, kLast));
        m_last.remove(0, std::max<qsizetype>(0, m_last.size() - kLast));
    }
    bool holds(qint64 rows, qint64 cells) {
        scan(true);
        return m_rows == rows && m_cells == cells && m_last.trimmed().endsWith("</worksheet>");
    }

private:
    static constexpr qsizetype kLast = 32;

    // Counts the tags in m_pending and keeps only the tag that the next block may complete.
    void scan(bool atEnd) {
        const char* const begin = m_pending.constData();
        const char* const end = begin + m_pending.size();
        const char* at = begin;
        while ((at = static_cast<const char*>(std::memchr(at, '<', end - at)))) {
            if (!atEnd && end - at < 6)
                break;
            if (end - at >= 3 && std::memcmp(at, "<c ", 3) == 0)
                ++m_cells;
            else if (end - at >= 6 && std::memcmp(at, "</row>", 6) == 0)
                ++m_rows;
            ++at;
        }
        m_pending.remove(0, (at ? at : end) - begin);
    }

    QByteArray m_pending;
    QByteArray m_last;
    qint64 m_cells = 0;
    qint64 m_rows = 0;
};

bool isWellFormed(const QByteArray& xml) {
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

// libxlsxwriter writes every part to a temporary file before it goes into the zip, and does
// not check those writes: on a full disk its workbook_close reports success for a file cut
// short. So the file made is read back before it replaces anything: every part whole (its CRC)
// and well-formed, the sheet with every row and cell.
void checkXlsx(const QString& file, qint64 rows, qint64 cells, const QString& target) {
    const auto broken = [&] {
        fail(target, QStringLiteral("a temporary file of the workbook could not be written whole"));
    };
    std::unique_ptr<void, int (*)(unzFile)> zip(unzOpen64(QFile::encodeName(file).constData()),
                                                unzClose);
    if (!zip)
        broken();
    bool sheetSeen = false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (int at = unzGoToFirstFile(zip.get()); at != UNZ_END_OF_LIST_OF_FILE;
         at = unzGoToNextFile(zip.get())) {
        char name[256];
        if (at != UNZ_OK ||
            unzGetCurrentFileInfo64(zip.get(), nullptr, name, sizeof name, nullptr, 0, nullptr,
                                    0) != UNZ_OK ||
            unzOpenCurrentFile(zip.get()) != UNZ_OK)
            broken();
        const bool isSheet = std::strcmp(name, "xl/worksheets/sheet1.xml") == 0;
        SheetScan scan;
        QByteArray part;
        int read = 0;
        while ((read = unzReadCurrentFile(zip.get(), block.data(), block.size())) > 0) {
            if (isSheet)
                scan.see(block.constData(), read);
            else
                part.append(block.constData(), read);
        }
        // Closing the part compares its CRC.
        if (unzCloseCurrentFile(zip.get()) != UNZ_OK || read < 0)
            broken();
        if (isSheet ? !scan.holds(rows, cells) : !isWellFormed(part))
            broken();
        sheetSeen = sheetSeen || isSheet;
    }
    if (!sheetSeen)
        broken();
}

// Packs the workbook and frees it. The packing runs on a thread of its own while this one keeps
// telling progress, estimated from the time the rows took, so that a window showing it stays
// alive and a cancel is heard; the cancel takes effect when the packing ends.
lxw_error closeWorkbook(lxw_workbook* book, qint64 rowsMs, ProgressSteps& steps, bool* cancelled) {
    std::future<lxw_error> closed = std::async(std::launch::async, workbook_close, book);
    QElapsedTimer packing;
    packing.start();
    const qint64 start = steps.afterRows();
    const double expectedMs = std::max(1.0, rowsMs * (1 - kXlsxRowsShare) / kXlsxRowsShare);
    while (closed.wait_for(kPackingTick) != std::future_status::ready) {
        if (*cancelled)
            continue;
        const double share = std::min(0.95, packing.elapsed() / expectedMs);
        *cancelled = !steps.tell(start + static_cast<qint64>(share * (steps.total() - start)));
    }
    return closed.get();
}

// Makes the .xlsx at file, the library's own temporary files in folder, through its
// constant-memory mode: each row goes to a temporary file as soon as the next begins. False
// when progress cancelled.
bool makeXlsx(const QString& file, const QString& folder, const Sheet& sheet, ProgressSteps& steps,
              const QString& target) {
    const QByteArray fileName = QFile::encodeName(file);
    QByteArray folderName = QFile::encodeName(folder);
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folderName.data();
    options.use_zip64 = sheet.needsZip64() ? LXW_TRUE : LXW_FALSE;
    // Freed without writing anything unless closed.
    std::unique_ptr<lxw_workbook, void (*)(lxw_workbook*)> book(
        workbook_new_opt(fileName.constData(), &options), lxw_workbook_free);
    if (!book)
        fail(target, QStringLiteral("the workbook could not be started"));
    lxw_worksheet* worksheet = workbook_add_worksheet(book.get(), nullptr);
    if (!worksheet)
        fail(target, QStringLiteral("the worksheet could not be started"));
    QElapsedTimer rowsTime;
    rowsTime.start();
    std::string text;
    // Written, that is with a value: an empty cell, and a row of them, the sheet leaves out.
    qint64 rowsWritten = 0;
    qint64 cellsWritten = 0;
    for (qint64 row = 0; row < sheet.rows(); ++row) {
        if (row > 0 && !steps.reached(row - 1))
            return false;
        const qint64 cellsBefore = cellsWritten;
        for (int column = 0; column < sheet.columns(row); ++column) {
            int size = 0;
            const char* data = sheet.cell(row, column, &size);
            if (size == 0)
                continue;
            ++cellsWritten;
            xlsxText(data, size, text);
            const lxw_error error =
                worksheet_write_string(worksheet, static_cast<lxw_row_t>(row),
                                       static_cast<lxw_col_t>(column), text.c_str(), nullptr);
            if (error != LXW_NO_ERROR)
                fail(target, xlsxError(error));
        }
        if (cellsWritten > cellsBefore)
            ++rowsWritten;
    }
    bool cancelled = false;
    const lxw_error error = closeWorkbook(book.release(), rowsTime.elapsed(), steps, &cancelled);
    if (cancelled)
        return false;
    if (error != LXW_NO_ERROR)
        fail(target, xlsxError(error));
    checkXlsx(file, rowsWritten, cellsWritten, target);
    return true;
}

const QString kOfficeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kTableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kTextNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kManifestNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:manifest:1.0");
const QString kOdfVersion = QStringLiteral("1.2");
constexpr char kOdsMimeType[] = "application/vnd.oasis.opendocument.spreadsheet";

// Whether a reader of the paragraph keeps this character as it is: white space it collapses.
bool isLiteral(QChar c) {
    return c != u' ' && c != u'\t' && c != u'\n' && c != u'\r';
}

// Writes the value into its cell's paragraph. A reader of OpenDocument collapses white space
// and trims it at the ends, so a line break, a tab and every space but a single one between
// two other characters go as elements.
void writeOdsText(QXmlStreamWriter& xml, const QString& value) {
    QString literal;
    const auto flush = [&] {
        if (!literal.isEmpty()) {
            xml.writeCharacters(literal);
            literal.clear();
        }
    };
    const qsizetype length = value.size();
    for (qsizetype i = 0; i < length;) {
        const char16_t c = value[i].unicode();
        if (c == u'\r' || c == u'\n') {
            flush();
            xml.writeEmptyElement(QStringLiteral("text:line-break"));
            i += c == u'\r' && i + 1 < length && value[i + 1] == u'\n' ? 2 : 1;
        } else if (c == u'\t') {
            flush();
            xml.writeEmptyElement(QStringLiteral("text:tab"));
            ++i;
        } else if (c == u' ') {
            qsizetype end = i;
            while (end < length && value[end] == u' ')
                ++end;
            qsizetype spaces = end - i;
            // literal is not empty only right after a character that is kept.
            if (!literal.isEmpty() && end < length && isLiteral(value[end])) {
                literal += u' ';
                --spaces;
            }
            if (spaces > 0) {
                flush();
                xml.writeEmptyElement(QStringLiteral("text:s"));
                if (spaces > 1)
                    xml.writeAttribute(QStringLiteral("text:c"), QString::number(spaces));
            }
            i = end;
        } else {
            literal += xmlCannotHold(c) ? QChar(QChar::ReplacementCharacter) : QChar(c);
            ++i;
        }
    }
    flush();
}

// A zip being made at file, for the .ods. The zip library checks every write, the closing of
// the file among them, so a full disk is reported.
class OdsZip {
public:
    OdsZip(const QString& file, const QString& target)
        : m_zip(zipOpen64(QFile::encodeName(file).constData(), APPEND_STATUS_CREATE)),
          m_target(target) {
        if (!m_zip)
            failed(ZIP_ERRNO);
    }
    ~OdsZip() {
        if (m_zip)
            zipClose(m_zip, nullptr);
    }
    OdsZip(const OdsZip&) = delete;
    OdsZip& operator=(const OdsZip&) = delete;

    void open(const char* name, bool compressed, bool zip64) {
        const QDateTime now = QDateTime::currentDateTime();
        zip_fileinfo info = {};
        info.tmz_date = {
            static_cast<uInt>(now.time().second()),    static_cast<uInt>(now.time().minute()),
            static_cast<uInt>(now.time().hour()),      static_cast<uInt>(now.date().day()),
            static_cast<uInt>(now.date().month() - 1), static_cast<uInt>(now.date().year())};
        check(zipOpenNewFileInZip64(m_zip, name, &info, nullptr, 0, nullptr, 0, nullptr,
                                    compressed ? Z_DEFLATED : 0,
                                    compressed ? Z_DEFAULT_COMPRESSION : 0, zip64 ? 1 : 0));
    }
    void write(const char* data, qint64 size) {
        check(zipWriteInFileInZip(m_zip, data, static_cast<unsigned>(size)));
    }
    void closeEntry() { check(zipCloseFileInZip(m_zip)); }
    void addEntry(const char* name, const QByteArray& bytes, bool compressed = true) {
        open(name, compressed, false);
        write(bytes.constData(), bytes.size());
        closeEntry();
    }
    void close() {
        const int result = zipClose(m_zip, nullptr);
        m_zip = nullptr;
        check(result);
    }

private:
    void check(int result) {
        if (result != ZIP_OK)
            failed(result);
    }
    [[noreturn]] void failed(int result) {
        fail(m_target, result == ZIP_ERRNO ? qt_error_string(errno)
                                           : QStringLiteral("zip error %1").arg(result));
    }

    zipFile m_zip;
    QString m_target;
};

QByteArray odsManifest() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeNamespace(kManifestNs, QStringLiteral("manifest"));
    xml.writeStartElement(kManifestNs, QStringLiteral("manifest"));
    xml.writeAttribute(kManifestNs, QStringLiteral("version"), kOdfVersion);
    const auto entry = [&](const QString& path, const QString& type) {
        xml.writeEmptyElement(kManifestNs, QStringLiteral("file-entry"));
        xml.writeAttribute(kManifestNs, QStringLiteral("full-path"), path);
        if (path == u'/')
            xml.writeAttribute(kManifestNs, QStringLiteral("version"), kOdfVersion);
        xml.writeAttribute(kManifestNs, QStringLiteral("media-type"), type);
    };
    entry(QStringLiteral("/"), QString::fromLatin1(kOdsMimeType));
    entry(QStringLiteral("content.xml"), QStringLiteral("text/xml"));
    entry(QStringLiteral("styles.xml"), QStringLiteral("text/xml"));
    xml.writeEndDocument();
    return bytes;
}

QByteArray odsStyles() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeNamespace(kOfficeNs, QStringLiteral("office"));
    xml.writeStartElement(kOfficeNs, QStringLiteral("document-styles"));
    xml.writeAttribute(kOfficeNs, QStringLiteral("version"), kOdfVersion);
    xml.writeEndDocument();
    return bytes;
}

// Makes the .ods at file: the mimetype entry first and stored, as OpenDocument asks, then the
// manifest, the styles, and the content streamed into its entry row by row. False when
// progress cancelled.
bool makeOds(const QString& file, const Sheet& sheet, ProgressSteps& steps, const QString& target) {
    OdsZip zip(file, target);
    zip.addEntry("mimetype", QByteArray(kOdsMimeType), false);
    zip.addEntry("META-INF/manifest.xml", odsManifest());
    zip.addEntry("styles.xml", odsStyles());

    zip.open("content.xml", true, sheet.needsZip64());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const auto drain = [&] {
        zip.write(buffer.data().constData(), buffer.size());
        buffer.buffer().clear();
        buffer.seek(0);
    };
    QXmlStreamWriter xml(&buffer);
    xml.writeStartDocument();
    // The prefixes are declared once here and written as they are below.
    xml.writeNamespace(kOfficeNs, QStringLiteral("office"));
    xml.writeNamespace(kTableNs, QStringLiteral("table"));
    xml.writeNamespace(kTextNs, QStringLiteral("text"));
    xml.writeStartElement(kOfficeNs, QStringLiteral("document-content"));
    xml.writeAttribute(kOfficeNs, QStringLiteral("version"), kOdfVersion);
    xml.writeStartElement(QStringLiteral("office:body"));
    xml.writeStartElement(QStringLiteral("office:spreadsheet"));
    xml.writeStartElement(QStringLiteral("table:table"));
    xml.writeAttribute(QStringLiteral("table:name"), QStringLiteral("Sheet1"));
    xml.writeEmptyElement(QStringLiteral("table:table-column"));
    xml.writeAttribute(QStringLiteral("table:number-columns-repeated"),
                       QString::number(std::max(1, sheet.widest())));
    const QString cell = QStringLiteral("table:table-cell");
    const QString valueType = QStringLiteral("office:value-type");
    const QString string = QStringLiteral("string");
    const QString paragraph = QStringLiteral("text:p");
    for (qint64 row = 0; row < sheet.rows(); ++row) {
        if (row > 0 && !steps.reached(row - 1))
            return false;
        xml.writeStartElement(QStringLiteral("table:table-row"));
        for (int column = 0; column < sheet.columns(row); ++column) {
            int size = 0;
            const char* data = sheet.cell(row, column, &size);
            if (size == 0) {
                xml.writeEmptyElement(cell);
                continue;
            }
            xml.writeStartElement(cell);
            xml.writeAttribute(valueType, string);
            xml.writeStartElement(paragraph);
            writeOdsText(xml, QString::fromUtf8(data, size));
            xml.writeEndElement();
            xml.writeEndElement();
        }
        xml.writeEndElement();
        if (buffer.size() >= kXmlChunk)
            drain();
    }
    xml.writeEndDocument();
    drain();
    zip.closeEntry();
    zip.close();
    return true;
}

// Copies the file made into the writer of the target.
void copyInto(AtomicFileWriter& writer, const QString& made, const QString& target) {
    QFile file(made);
    if (!file.open(QIODevice::ReadOnly))
        fail(target, file.errorString());
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 read = file.read(block.data(), block.size());
        if (read < 0)
            fail(target, file.errorString());
        if (read == 0)
            break;
        writer.write(block.constData(), read);
    }
}

}  // namespace

WriteResult Write(const QString& path, Format format, const QStringList& columnNames,
                  const ResultGrid& grid, const std::vector<int>& order, int columnCount,
                  const csvfile::ProgressCallback& progress) {
    const Sheet sheet(columnNames, grid, order, columnCount);
    if (sheet.rows() > kMaxRows)
        return {WriteResult::Outcome::TooManyRows, 0, 0};
    if (format == Format::Xlsx) {
        if (const auto tooLong = firstTooLongForXlsx(sheet))
            return *tooLong;
    }
    // Opened first: a folder that cannot take the file fails before any work.
    AtomicFileWriter writer(path);
    const QFileInfo info(path);
    QTemporaryDir folder(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                         QStringLiteral("-XXXXXX"));
    if (!folder.isValid())
        fail(path, folder.errorString());
    const QString made = folder.filePath(QStringLiteral("sheet"));
    ProgressSteps steps(progress, static_cast<qint64>(order.size()),
                        format == Format::Xlsx ? kXlsxRowsShare : 1);
    const bool complete = format == Format::Xlsx ? makeXlsx(made, folder.path(), sheet, steps, path)
                                                 : makeOds(made, sheet, steps, path);
    // Returned before the commit, the writer leaves the old file and removes its own.
    if (!complete)
        return {WriteResult::Outcome::Cancelled, 0, 0};
    copyInto(writer, made, path);
    if (!steps.finished())
        return {WriteResult::Outcome::Cancelled, 0, 0};
    writer.commit();
    return {};
}

}  // namespace spreadsheetfile
