// Any bytes as a CSV file of any dialect: finding the dialect and reading the records never
// crashes or loops, and a file that reads as the own format reads exactly as the own format
// always did: lines at LF (a CR before it dropped), values at ";", nothing else special.
#include "CsvDialect.h"
#include "FuzzSupport.h"

#include <cstdint>

using fuzzsupport::check;

namespace {

// The own format's reading, written plainly: each line's values.
QList<QByteArrayList> ownFormatRecords(const QByteArray& text) {
    QList<QByteArrayList> records;
    if (text.isEmpty())
        return records;
    QByteArrayList lines = text.split('\n');
    if (text.endsWith('\n'))
        lines.removeLast();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (i + 1 < lines.size() || text.endsWith('\n')) {
            if (line.endsWith('\r'))
                line.chop(1);
        }
        records.append(line.isEmpty() ? QByteArrayList() : line.split(';'));
    }
    return records;
}

QList<QByteArrayList> recordsOf(const QByteArray& text, const csvfile::Dialect& dialect) {
    QList<QByteArrayList> records;
    csvfile::RecordReader reader(text.constData(), text.constData() + text.size(), dialect);
    qint64 offset = 0;
    int line = 0;
    while (reader.next()) {
        check(reader.offset() > offset && reader.offset() <= text.size(),
              "every record moves on, within the text");
        check(reader.line() > line, "records begin on later lines");
        check(reader.irregularity() == csvfile::Irregularity::None ||
                  reader.irregularLine() >= reader.line(),
              "a lenient reading is named at or after the record's first line");
        offset = reader.offset();
        line = reader.line();
        QByteArrayList fields;
        for (int i = 0; i < reader.fieldCount(); ++i)
            fields.append(reader.field(i));
        records.append(fields);
    }
    return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const csvfile::Detection detection = csvfile::detectDialect(bytes);
    csvfile::detectDialect(bytes, true);
    csvfile::previewRows(bytes, detection.dialect, 30);

    // A single-byte or UTF-8 file without a quote at the start of a value, whose first line
    // has two values or more, is the own format.
    const csvfile::Dialect own;
    const qsizetype mark = bytes.startsWith(textencoding::kUtf8Mark) ? 3 : 0;
    const QByteArray text = bytes.mid(mark);
    if (!textencoding::isUtf16(detection.dialect.encoding)) {
        const QList<QByteArrayList> plain = ownFormatRecords(text);
        check(recordsOf(text, own) == plain, "the own format reads as it always did");
        bool quoteStarts = false;
        for (const QByteArrayList& record : plain) {
            for (const QByteArray& value : record)
                quoteStarts = quoteStarts || value.startsWith('"');
        }
        if (!quoteStarts && !plain.isEmpty() && plain.first().size() >= 2 && !text.contains('\r') &&
            text.size() < 64 * 1024)
            check(detection.dialect.isOwnFormat(), "a file that reads as the own format is one");
    }

    // Every dialect reads any text to its end.
    for (const char separator : {';', ',', '\t', '|'}) {
        for (const auto quoting :
             {csvfile::Dialect::Quoting::None, csvfile::Dialect::Quoting::WhereNeeded}) {
            for (const auto lineEnd :
                 {csvfile::Dialect::LineEnd::CrLf, csvfile::Dialect::LineEnd::Cr}) {
                csvfile::Dialect dialect;
                dialect.separator = separator;
                dialect.quoting = quoting;
                dialect.lineEnd = lineEnd;
                recordsOf(text, dialect);
            }
        }
    }
    return 0;
}
