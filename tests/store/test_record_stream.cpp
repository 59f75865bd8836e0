#include "CsvDialect.h"
#include "RecordStream.h"
#include "ResultGrid.h"
#include "TextEncoding.h"

#include <QStringEncoder>
#include <QTest>
#include <random>

using csvfile::Dialect;

namespace {

// Past the first MiB, which the stream reads at once: the rest comes in small parts.
constexpr qsizetype kFileBytes = 1024 * 1024 + 300 * 1024;

// A file of records made by record(n), until it is kFileBytes long, with rest after them.
template <typename Record>
QByteArray fileOf(const QByteArray& names, Record record, const QByteArray& rest = {}) {
    QByteArray file = names;
    for (int n = 0; file.size() < kFileBytes; ++n)
        file += record(n);
    return file + rest;
}

// Values of varying length made of units, so that the parts end everywhere in them.
QByteArray word(int n, const QByteArrayList& units) {
    std::minstd_rand random(static_cast<unsigned>(n) + 1);
    QByteArray value;
    const int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i)
        value += units[static_cast<int>(random() % units.size())];
    return value;
}

QByteArray utf16(const QByteArray& utf8, QStringConverter::Encoding encoding) {
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder.encode(QString::fromUtf8(utf8));
}

struct Read {
    QList<QStringList> records;  // each: line, lenient line, values
    Dialect dialect;
    QStringList listed;  // as a store emptied first takes the entries: id, then the values
    QStringList listedByStream;
};

// The entries of records (after the names) as a store emptied first numbers and a query of the
// columns named returns them.
QStringList listedRows(const QList<QStringList>& records, const QString& names) {
    const int width = names.isEmpty() ? 0 : static_cast<int>(names.count(';')) + 1;
    QStringList listed;
    for (qsizetype i = 1; i < records.size(); ++i) {
        const QStringList values = records[i].mid(2);
        if (values.isEmpty() || values.size() > 26)
            continue;
        QStringList row{QString::number(listed.size() + 1)};
        for (int column = 0; column < width; ++column)
            row += column < values.size() ? values[column] : QString();
        listed += row.join('|');
    }
    return listed;
}

// The file read whole, as detectDialect and RecordReader read it: what the stream must give.
Read readWhole(const QByteArray& bytes) {
    Read read;
    read.dialect = csvfile::detectDialect(bytes).dialect;
    QByteArray converted;
    const csvfile::Text text =
        csvfile::textOf(bytes.constData(), bytes.size(), read.dialect.encoding, converted);
    csvfile::findLineEnds(read.dialect, text.begin, text.end);
    csvfile::RecordReader reader(text.begin, text.end, read.dialect);
    while (reader.next()) {
        QStringList record{QString::number(reader.line()),
                           QString::number(reader.irregularity() == csvfile::Irregularity::None
                                               ? 0
                                               : reader.irregularLine())};
        for (int i = 0; i < reader.fieldCount(); ++i)
            record += csvfile::decodeField(reader.fieldData(i), reader.fieldSize(i),
                                           read.dialect.encoding);
        read.records.append(record);
    }
    return read;
}

// The file read by streams in parts of partBytes, read again as a stream asks.
Read readInParts(const QByteArray& bytes, qsizetype partBytes, int* readings) {
    Read read;
    csvfile::Reading reading;
    for (*readings = 1;; ++*readings) {
        ResultGrid listed;
        csvfile::RecordStream stream(QString(), bytes, reading, &listed, partBytes);
        read.records.clear();
        while (const csvfile::RecordBatch* batch = stream.next()) {
            for (const csvfile::RecordBatch::Record& r : batch->records) {
                QStringList record{QString::number(r.line), QString::number(r.irregularLine)};
                for (int i = 0; i < r.values; ++i) {
                    qsizetype size = 0;
                    const char* value = batch->value(r.firstValue + i, &size);
                    record += textencoding::fromUtf8(value, size);
                }
                read.records.append(record);
            }
        }
        if (!stream.readAgain()) {
            read.dialect = stream.dialect();
            read.listed = listedRows(read.records, stream.columnNames());
            for (int row = 0; row < listed.rowCount(); ++row) {
                QStringList values;
                for (int column = 0; column < listed.columnCount(); ++column)
                    values += listed.value(row, column);
                read.listedByStream += QString::number(listed.rowid(row)) + '|' + values.join('|');
            }
            return read;
        }
        reading = *stream.readAgain();
    }
}

}  // namespace

class TestRecordStream : public QObject {
    Q_OBJECT

private slots:
    void readsAsTheWholeFile_data();
    void readsAsTheWholeFile();
};

// A file read in parts gives the records, their lines and the dialect the whole file gives,
// wherever the parts end: inside a character, a quoted line break, a CR LF; and when what
// comes after the beginning shows the beginning misled (the bytes are no UTF-8 after all, a
// ";" file does not read as quoted), the file is read again.
void TestRecordStream::readsAsTheWholeFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("readings");
    const QByteArrayList letters{"a", "bX", "Yz", "_0", " "};
    const QByteArrayList utf8Letters{"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
                                     "gh"};  // é € 😀
    const auto own = [&](const QByteArrayList& l) {
        return [l](int n) { return word(n, l) + ";" + word(n + 7, l) + "\r\n"; };
    };
    const auto quoted = [&](char separator, const QByteArray& lineEnd) {
        return [=](int n) {
            const QByteArray tricky[] = {
                "\"a,b\"", "\"say \"\"hi\"\"\"", "\"two\r\nlines\"", "\"lf\nonly\"", "plain",
                "\"\""};
            return word(n, {"ab", "cd"}) + separator + tricky[n % 6] + separator +
                   word(n + 3, {"x", "y"}) + lineEnd;
        };
    };

    QTest::newRow("UTF-8, own format") << fileOf("N\xC3\xA4me;Town\r\n", own(utf8Letters)) << 1;
    QTest::newRow("single-byte from the start")
        << fileOf("Name;Town\r\n", own({"\xE9", "\xE8", "\xFC\xDF"})) << 1;
    QTest::newRow("ASCII, then single-byte")
        << fileOf("Name;Town\r\n", own(letters), "\xE9t\xE9;x\r\n") << 1;
    QTest::newRow("UTF-8, then a byte that is none")
        << fileOf("Name;Town\r\n", own(utf8Letters), "caf\xE9;x\r\n") << 2;
    QTest::newRow("UTF-8 with mark") << fileOf("\xEF\xBB\xBFName;Town\r\n", own(utf8Letters)) << 1;
    QTest::newRow("UTF-8 mark, then a byte that is none")
        << fileOf("\xEF\xBB\xBFName;Town\r\n", own(letters), "\xE9;x\r\n") << 2;
    QTest::newRow("UTF-8 sequence cut at the file's end")
        << fileOf("Name;Town\r\n", own(utf8Letters), "x;\xE2\x82") << 2;
    QTest::newRow("own format, LF, lone CRs, no last line end")
        << fileOf(
               "A;B\n",
               [](int n) {
                   return word(n, {"a", "\r", "bc"}) + ";" + word(n, {"\r\r", "d"}) + "\n";
               },
               "end\r")
        << 1;
    QTest::newRow("comma, quoted, CR LF") << fileOf("A,B,C\r\n", quoted(',', "\r\n")) << 1;
    QTest::newRow("tab, quoted, LF") << fileOf("A\tB\tC\n", quoted('\t', "\n")) << 1;
    QTest::newRow("comma, quoted, CR") << fileOf("A,B,C\r", quoted(',', "\r")) << 1;
    QTest::newRow("semicolon, every field quoted") << fileOf("\"A\";\"B\"\r\n", [&](int n) {
        return "\"" + word(n, letters) + "\";\"x;" + word(n + 1, letters) + "\"\r\n";
    }) << 1;
    QTest::newRow("semicolon quoted, then a record that is not")
        << fileOf(
               "\"A\";\"B\"\r\n", [&](int n) { return "\"" + word(n, letters) + "\";\"x;y\"\r\n"; },
               "\"a\"b;c\r\n\"d\";\"e\"\r\n")
        << 2;
    QTest::newRow("UTF-16 LE, quoted tab")
        << utf16(fileOf("A\tB\tC\r\n", quoted('\t', "\r\n")) + "\xF0\x9F\x98\x80\t\xE2\x82\xAC\r\n",
                 QStringConverter::Utf16LE)
        << 1;
    QTest::newRow("UTF-16 BE, surrogate pairs everywhere")
        << utf16(fileOf("A,B\r\n", [&](int n) { return word(n, utf8Letters) + ",x\r\n"; }),
                 QStringConverter::Utf16BE)
        << 1;
    QTest::newRow("a quote never closed takes the rest")
        << fileOf("A,B\r\n", quoted(',', "\r\n"), "\"open,\r\nto the end\r\n") << 1;
}

void TestRecordStream::readsAsTheWholeFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, readings);
    const Read whole = readWhole(bytes);
    for (const qsizetype partBytes : {qsizetype(0), qsizetype(997), qsizetype(4096)}) {
        int read = 0;
        const Read inParts = readInParts(bytes, partBytes, &read);
        QCOMPARE(inParts.records.size(), whole.records.size());
        for (qsizetype i = 0; i < whole.records.size(); ++i) {
            if (inParts.records[i] != whole.records[i])
                QFAIL(
                    qPrintable(QStringLiteral("record %1 in parts of %2: %3 instead of %4")
                                   .arg(i)
                                   .arg(partBytes)
                                   .arg(inParts.records[i].join('|'), whole.records[i].join('|'))));
        }
        QCOMPARE(csvfile::nameOf(inParts.dialect), csvfile::nameOf(whole.dialect));
        // The list it made holds what the store takes.
        QCOMPARE(inParts.listedByStream, inParts.listed);
        QCOMPARE(read, readings);
    }
}

QTEST_GUILESS_MAIN(TestRecordStream)
#include "test_record_stream.moc"
