#include "FileErrorOf.h"
#include "FileSizeLimit.h"
#include "ImmutableFile.h"
#include "ResultGrid.h"
#include "SpreadsheetFile.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <numeric>
#include <optional>

using spreadsheetfile::Format;
using Outcome = spreadsheetfile::WriteResult::Outcome;
Q_DECLARE_METATYPE(spreadsheetfile::Format)
Q_DECLARE_METATYPE(spreadsheetfile::WriteResult::Outcome)

namespace {

// The readers print {"rows": [[[text, type], ...], ...], "problems": [...]} as JSON, or
// {"missing": module}. openpyxl reads .xlsx as the common programs do, except that it leaves
// the format's escapes _xHHHH_ in inline text, which they decode; so the reader decodes them.
// It also finds the white space at the ends of a text that they would trim.
const char kReadXlsx[] = R"(
import json, sys, zipfile
import xml.etree.ElementTree as ET
try:
    import openpyxl
    from openpyxl.utils.escape import unescape
except ImportError:
    print(json.dumps({'missing': 'openpyxl'}))
    sys.exit(0)
MAIN = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'
SPACE = '{http://www.w3.org/XML/1998/namespace}space'
path = sys.argv[1]
problems = []
book = openpyxl.load_workbook(path)
if len(book.worksheets) != 1:
    problems.append('%d sheets' % len(book.worksheets))
rows = []
for row in book.worksheets[0].iter_rows():
    cells = []
    for cell in row:
        value = cell.value
        text = '' if value is None else unescape(value) if isinstance(value, str) else str(value)
        cells.append([text, cell.data_type])
    rows.append(cells)
archive = zipfile.ZipFile(path)
for name in archive.namelist():
    if name.startswith('xl/worksheets/') and name.endswith('.xml'):
        for t in ET.fromstring(archive.read(name)).iter(MAIN + 't'):
            text = t.text or ''
            if text != text.strip(' \t\r\n') and t.get(SPACE) != 'preserve':
                problems.append('white space at an end of %r, not preserved' % text)
print(json.dumps({'rows': rows, 'problems': problems}))
)";

// A reader of OpenDocument takes a run of white space in a paragraph's text for one space and
// trims it at the paragraph's ends; text:s, text:tab and text:line-break stand for themselves.
const char kReadOds[] = R"(
import json, re, sys, zipfile
import xml.etree.ElementTree as ET
OFFICE = '{urn:oasis:names:tc:opendocument:xmlns:office:1.0}'
TABLE = '{urn:oasis:names:tc:opendocument:xmlns:table:1.0}'
TEXT = '{urn:oasis:names:tc:opendocument:xmlns:text:1.0}'
MANIFEST = '{urn:oasis:names:tc:opendocument:xmlns:manifest:1.0}'
MIME = b'application/vnd.oasis.opendocument.spreadsheet'
path = sys.argv[1]
problems = []
archive = zipfile.ZipFile(path)
if archive.testzip() is not None:
    problems.append('an entry fails its CRC')
first = archive.infolist()[0]
with open(path, 'rb') as f:
    head = f.read(38 + len(MIME))
if (first.filename != 'mimetype' or first.compress_type != zipfile.ZIP_STORED or first.extra
        or head[30:] != b'mimetype' + MIME):
    problems.append('mimetype is not the first entry, stored, with the type at byte 38')
manifest = ET.fromstring(archive.read('META-INF/manifest.xml'))
types = {e.get(MANIFEST + 'full-path'): e.get(MANIFEST + 'media-type')
         for e in manifest.iter(MANIFEST + 'file-entry')}
if types.get('/') != MIME.decode() or 'content.xml' not in types or 'styles.xml' not in types:
    problems.append('the manifest lists %r' % types)
ET.fromstring(archive.read('styles.xml'))

def paragraph(p):
    parts = []
    def walk(node):
        if node.text:
            parts.append((True, node.text))
        for child in node:
            if child.tag == TEXT + 's':
                parts.append((False, ' ' * int(child.get(TEXT + 'c', '1'))))
            elif child.tag == TEXT + 'tab':
                parts.append((False, '\t'))
            elif child.tag == TEXT + 'line-break':
                parts.append((False, '\n'))
            elif child.tag == TEXT + 'span':
                walk(child)
            else:
                problems.append('unknown element %s' % child.tag)
            if child.tail:
                parts.append((True, child.tail))
    walk(p)
    text = ''
    for i, (literal, part) in enumerate(parts):
        if literal:
            part = re.sub('[ \t\r\n]+', ' ', part)
            if i == 0:
                part = part.lstrip(' ')
            if i == len(parts) - 1:
                part = part.rstrip(' ')
        text += part
    return text

tables = list(ET.fromstring(archive.read('content.xml')).iter(TABLE + 'table'))
if len(tables) != 1:
    problems.append('%d tables' % len(tables))
rows = []
for row in tables[0].iter(TABLE + 'table-row'):
    cells = []
    for cell in row.findall(TABLE + 'table-cell'):
        text = '\n'.join(paragraph(p) for p in cell.findall(TEXT + 'p'))
        kind = cell.get(OFFICE + 'value-type', '')
        cells += [[text, kind]] * int(cell.get(TABLE + 'number-columns-repeated', '1'))
    rows += [cells] * int(row.get(TABLE + 'number-rows-repeated', '1'))
print(json.dumps({'rows': rows, 'problems': problems}))
)";

// What another program reads from a spreadsheet file: the texts and types of the cells, row by
// row, and what it found wrong with the file. missing says why it could not be read.
struct ReadBack {
    QList<QStringList> texts;
    QList<QStringList> types;
    QStringList problems;
    QString missing;
};

ReadBack readBack(const QString& path, Format format) {
    ReadBack back;
    // Debian's python3, which python3-openpyxl serves; a python3 earlier in PATH may lack it.
    QString python =
        QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
    if (python.isEmpty())
        python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        back.missing = QStringLiteral(
            "python3 is not installed: tools/install-dependencies "
            "installs it");
        return back;
    }
    QProcess reader;
    reader.start(python, {QStringLiteral("-c"),
                          QString::fromUtf8(format == Format::Xlsx ? kReadXlsx : kReadOds), path});
    if (!reader.waitForFinished(120'000) || reader.exitStatus() != QProcess::NormalExit ||
        reader.exitCode() != 0) {
        back.problems << QStringLiteral("the reader failed: ") +
                             QString::fromUtf8(reader.readAllStandardError());
        return back;
    }
    const QJsonObject result = QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
    if (result.contains(QLatin1String("missing"))) {
        back.missing = QStringLiteral(
                           "python3 has no %1: tools/install-dependencies installs "
                           "python3-%1")
                           .arg(result.value(QLatin1String("missing")).toString());
        return back;
    }
    for (const QJsonValue& row : result.value(QLatin1String("rows")).toArray()) {
        QStringList texts;
        QStringList types;
        for (const QJsonValue& cell : row.toArray()) {
            texts << cell.toArray().at(0).toString();
            types << cell.toArray().at(1).toString();
        }
        back.texts << texts;
        back.types << types;
    }
    for (const QJsonValue& problem : result.value(QLatin1String("problems")).toArray())
        back.problems << problem.toString();
    return back;
}

ResultGrid gridOf(const QList<QByteArrayList>& rows, int columns) {
    ResultGrid grid;
    grid.setColumnCount(columns);
    for (const QByteArrayList& row : rows) {
        for (int column = 0; column < columns; ++column) {
            const QByteArray value = row.value(column);
            grid.appendCell(value.constData(), value.size());
        }
    }
    return grid;
}

std::vector<int> inOrder(int rows) {
    std::vector<int> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    return order;
}

QString fileName(Format format) {
    return format == Format::Xlsx ? QStringLiteral("entries.xlsx") : QStringLiteral("entries.ods");
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
}

// A value as the store holds it, and as a program reads it back from each format.
struct OddValue {
    QString name;
    QByteArray stored;
    QString xlsx;
    QString ods;
};

const QList<OddValue>& oddValues() {
    static const QList<OddValue> values = [] {
        const auto same = [](const char* name, const QByteArray& stored) {
            const QString text = QString::fromUtf8(stored);
            return OddValue{QString::fromLatin1(name), stored, text, text};
        };
        const QString replaced(QChar::ReplacementCharacter);
        return QList<OddValue>{
            same("leading zero", "007"),
            same("number with an exponent", "1e5"),
            same("formula", "=1+1"),
            same("truth value", "TRUE"),
            same("date", "2024-01-02"),
            same("leading spaces", "  two spaces"),
            same("trailing spaces", "trailing  "),
            same("runs of spaces inside", "a  b   c"),
            same("one space only", " "),
            same("LF", "a\nb"),
            {QStringLiteral("CR LF"), "a\r\nb", QStringLiteral("a\nb"), QStringLiteral("a\nb")},
            {QStringLiteral("CR"), "a\rb", QStringLiteral("a\nb"), QStringLiteral("a\nb")},
            same("line breaks at both ends", "\nmiddle\n"),
            same("tab", "tab\there"),
            same("tab first", "\tfirst"),
            same("markup characters", "<&>\"'"),
            same("Greek", "Ωμέγα"),
            same("CJK", "漢字"),
            same("emoji", "😀 smile"),
            same("empty", ""),
            {QStringLiteral("control character"), "bell\x07", QStringLiteral("bell\x07"),
             QStringLiteral("bell") + replaced},
            {QStringLiteral("NUL"), QByteArray("nul\0byte", 8),
             QStringLiteral("nul") + QChar(0) + QStringLiteral("byte"),
             QStringLiteral("nul") + replaced + QStringLiteral("byte")},
            {QStringLiteral("U+FFFF"), "\xef\xbf\xbf", QString(QChar(0xffff)), replaced},
            same("text that reads as an xlsx escape", "_x0041_ and _x000D_"),
            {QStringLiteral("bytes that are not UTF-8"),
             "a\xff"
             "b",
             QStringLiteral("a") + replaced + QStringLiteral("b"),
             QStringLiteral("a") + replaced + QStringLiteral("b")},
        };
    }();
    return values;
}

const QStringList kNames = {QStringLiteral("Case"), QStringLiteral("Value & <more>")};

// The odd values written once in each format, and read back: the entries in reverse order, a
// third column of the grid beyond columnCount.
const ReadBack& oddValuesReadBack(Format format) {
    static QTemporaryDir folder;
    static QHash<int, ReadBack> read;
    const int key = static_cast<int>(format);
    if (!read.contains(key)) {
        QList<QByteArrayList> rows;
        for (const OddValue& value : oddValues())
            rows.append({value.name.toUtf8(), value.stored, "not written"});
        std::vector<int> order = inOrder(static_cast<int>(rows.size()));
        std::reverse(order.begin(), order.end());
        const QString path = folder.filePath(fileName(format));
        const spreadsheetfile::WriteResult result =
            spreadsheetfile::Write(path, format, kNames, gridOf(rows, 3), order, 2);
        ReadBack back;
        if (result.written())
            back = readBack(path, format);
        else
            back.problems << QStringLiteral("not written");
        read.insert(key, back);
    }
    return read[key];
}

void addFormats() {
    QTest::addColumn<Format>("format");
    QTest::newRow("xlsx") << Format::Xlsx;
    QTest::newRow("ods") << Format::Ods;
}

}  // namespace

class TestSpreadsheetFile : public QObject {
    Q_OBJECT
private slots:
    void sheetReadsBackAsWritten_data() { addFormats(); }
    void sheetReadsBackAsWritten();
    void oddValueReadsBack_data();
    void oddValueReadsBack();
    void longValues_data();
    void longValues();
    void rowLimit_data();
    void rowLimit();
    void progressCountsEntries_data() { addFormats(); }
    void progressCountsEntries();
    void cancelKeepsOldFile_data();
    void cancelKeepsOldFile();
    void failedWriteRaisesFileError_data();
    void failedWriteRaisesFileError();
};

void TestSpreadsheetFile::sheetReadsBackAsWritten() {
    QFETCH(Format, format);
    const ReadBack& back = oddValuesReadBack(format);
    if (!back.missing.isEmpty())
        QSKIP(qPrintable(back.missing));
    QVERIFY2(back.problems.isEmpty(), qPrintable(back.problems.join(QLatin1Char('\n'))));
    QCOMPARE(back.texts.size(), oddValues().size() + 1);
    QCOMPARE(back.texts.first().mid(0, 2), kNames);
    for (const QStringList& row : back.texts)
        QVERIFY2(row.value(2).isEmpty(), qPrintable(row.join(QLatin1Char('|'))));
}

void TestSpreadsheetFile::oddValueReadsBack_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<int>("index");
    for (const Format format : {Format::Xlsx, Format::Ods}) {
        for (int i = 0; i < oddValues().size(); ++i) {
            const QString name =
                (format == Format::Xlsx ? QStringLiteral("xlsx: ") : QStringLiteral("ods: ")) +
                oddValues()[i].name;
            QTest::newRow(qPrintable(name)) << format << i;
        }
    }
}

// Each value as another program reads it, in its own row: the entries were written in reverse.
void TestSpreadsheetFile::oddValueReadsBack() {
    QFETCH(Format, format);
    QFETCH(int, index);
    const ReadBack& back = oddValuesReadBack(format);
    if (!back.missing.isEmpty())
        QSKIP(qPrintable(back.missing));
    const OddValue& value = oddValues()[index];
    const int row = static_cast<int>(oddValues().size()) - index;
    QVERIFY(row < back.texts.size());
    QCOMPARE(back.texts[row].value(0), value.name);
    QCOMPARE(back.texts[row].value(1), format == Format::Xlsx ? value.xlsx : value.ods);
    if (!value.stored.isEmpty())
        QCOMPARE(back.types[row].value(1),
                 format == Format::Xlsx ? QStringLiteral("s") : QStringLiteral("string"));
}

void TestSpreadsheetFile::longValues_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<Outcome>("outcome");
    QTest::newRow("xlsx: 32,767 characters fit")
        << Format::Xlsx << QByteArray(32'767, 'a') << Outcome::Written;
    QTest::newRow("xlsx: 32,768 characters")
        << Format::Xlsx << QByteArray(32'768, 'a') << Outcome::ValueTooLong;
    QTest::newRow("xlsx: an emoji counts two")
        << Format::Xlsx << QByteArray(32'766, 'a') + "😀" << Outcome::ValueTooLong;
    QTest::newRow("xlsx: an escaped character counts seven")
        << Format::Xlsx << QByteArray(32'761, 'a') + "\x01" << Outcome::ValueTooLong;
    QTest::newRow("ods: no such limit")
        << Format::Ods << QByteArray(100'000, 'a') << Outcome::Written;
}

void TestSpreadsheetFile::longValues() {
    QFETCH(Format, format);
    QFETCH(QByteArray, value);
    QFETCH(Outcome, outcome);
    QTemporaryDir folder;
    const QString path = folder.filePath(fileName(format));
    writeFile(path, "old");
    const ResultGrid grid = gridOf({{"first", "x"}, {"second", value}, {"third", "y"}}, 2);

    const spreadsheetfile::WriteResult result =
        spreadsheetfile::Write(path, format, kNames, grid, inOrder(3), 2);
    QCOMPARE(result.outcome, outcome);
    if (outcome == Outcome::ValueTooLong) {
        QCOMPARE(result.row, 3);
        QCOMPARE(result.column, 1);
        QCOMPARE(readFile(path), QByteArray("old"));
        QCOMPARE(entriesOf(folder.path()), QStringList{fileName(format)});
        return;
    }
    const ReadBack back = readBack(path, format);
    if (!back.missing.isEmpty())
        QSKIP(qPrintable(back.missing));
    QVERIFY2(back.problems.isEmpty(), qPrintable(back.problems.join(QLatin1Char('\n'))));
    QCOMPARE(back.texts.size(), 4);
    QCOMPARE(back.texts[2].value(1), QString::fromUtf8(value));
    QCOMPARE(back.texts[3].value(1), QStringLiteral("y"));
}

void TestSpreadsheetFile::rowLimit_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<int>("entries");
    QTest::addColumn<Outcome>("outcome");
    QTest::newRow("xlsx: the most a sheet holds") << Format::Xlsx << 1'048'575 << Outcome::Written;
    QTest::newRow("xlsx: one more") << Format::Xlsx << 1'048'576 << Outcome::TooManyRows;
    QTest::newRow("ods: one more") << Format::Ods << 1'048'576 << Outcome::TooManyRows;
}

void TestSpreadsheetFile::rowLimit() {
    QFETCH(Format, format);
    QFETCH(int, entries);
    QFETCH(Outcome, outcome);
    QTemporaryDir folder;
    const QString path = folder.filePath(fileName(format));
    ResultGrid grid;
    grid.setColumnCount(1);
    for (int i = 0; i < entries; ++i)
        grid.appendCell("v", 1);

    const spreadsheetfile::WriteResult result =
        spreadsheetfile::Write(path, format, {QStringLiteral("A")}, grid, inOrder(entries), 1);
    QCOMPARE(result.outcome, outcome);
    QCOMPARE(entriesOf(folder.path()),
             outcome == Outcome::Written ? QStringList{fileName(format)} : QStringList{});
}

// The caller shows progress against the number of entries, as for CSV files: the packing of an
// .xlsx after the rows must not run beyond it.
void TestSpreadsheetFile::progressCountsEntries() {
    QFETCH(Format, format);
    QTemporaryDir folder;
    QList<QByteArrayList> rows;
    for (int i = 0; i < 5000; ++i)
        rows.append({"entry " + QByteArray::number(i), "value"});
    QList<std::pair<qint64, qint64>> calls;
    const spreadsheetfile::WriteResult result =
        spreadsheetfile::Write(folder.filePath(fileName(format)), format, kNames, gridOf(rows, 2),
                               inOrder(5000), 2, [&](qint64 done, qint64 total) {
                                   calls.append({done, total});
                                   return true;
                               });
    QVERIFY(result.written());
    QVERIFY(calls.size() > 1);
    QCOMPARE(calls.last().first, qint64(5000));
    for (int i = 0; i < calls.size(); ++i) {
        QCOMPARE(calls[i].second, qint64(5000));
        QVERIFY(calls[i].first >= (i == 0 ? 0 : calls[i - 1].first));
    }
}

void TestSpreadsheetFile::cancelKeepsOldFile_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<bool>("atTheEnd");  // else part-way through the rows
    QTest::newRow("xlsx, part-way") << Format::Xlsx << false;
    QTest::newRow("xlsx, at the last call") << Format::Xlsx << true;
    QTest::newRow("ods, part-way") << Format::Ods << false;
    QTest::newRow("ods, at the last call") << Format::Ods << true;
}

void TestSpreadsheetFile::cancelKeepsOldFile() {
    QFETCH(Format, format);
    QFETCH(bool, atTheEnd);
    QTemporaryDir folder;
    const QString path = folder.filePath(fileName(format));
    writeFile(path, "old");
    QList<QByteArrayList> rows;
    for (int i = 0; i < 5000; ++i)
        rows.append({"entry " + QByteArray::number(i), "value"});
    const ResultGrid grid = gridOf(rows, 2);

    const spreadsheetfile::WriteResult result = spreadsheetfile::Write(
        path, format, kNames, grid, inOrder(5000), 2,
        [&](qint64 done, qint64 total) { return atTheEnd ? done < total : done == 0; });
    QCOMPARE(result.outcome, Outcome::Cancelled);
    QCOMPARE(readFile(path), QByteArray("old"));
    QCOMPARE(entriesOf(folder.path()), QStringList{fileName(format)});
}

void TestSpreadsheetFile::failedWriteRaisesFileError_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<QString>("fault");
    for (const Format format : {Format::Xlsx, Format::Ods}) {
        const QString prefix =
            format == Format::Xlsx ? QStringLiteral("xlsx: ") : QStringLiteral("ods: ");
        for (const QString& fault :
             {QStringLiteral("missing folder"), QStringLiteral("folder that takes no files"),
              QStringLiteral("disk full part-way")})
            QTest::newRow(qPrintable(prefix + fault)) << format << fault;
    }
}

// The disk that fills up part-way catches a sheet that the library would pack cut short.
void TestSpreadsheetFile::failedWriteRaisesFileError() {
    QFETCH(Format, format);
    QFETCH(QString, fault);
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(folder));
    QString path = folder + QLatin1Char('/') + fileName(format);
    if (fault == QLatin1String("missing folder"))
        path = root.filePath(QStringLiteral("missing/")) + fileName(format);
    else
        writeFile(path, "old");
    QList<QByteArrayList> rows;
    for (int i = 0; i < 30'000; ++i)
        rows.append({QByteArray::number(i), QByteArray::number(i * 2'654'435'761u, 36),
                     "entry " + QByteArray::number(i * 40'503u % 65'521u)});
    const ResultGrid grid = gridOf(rows, 3);
    std::optional<ImmutableFile> immutable;
    if (fault == QLatin1String("folder that takes no files")) {
        immutable.emplace(folder);
        if (!immutable->isSet())
            QSKIP(qPrintable(QStringLiteral("the file system cannot make a folder immutable: ") +
                             immutable->reason()));
    }
    const QStringList before = entriesOf(folder);

    std::optional<FileError> error;
    {
        std::optional<FileSizeLimit> limit;
        if (fault == QLatin1String("disk full part-way"))
            limit.emplace(64 * 1024);
        error = fileErrorOf(
            [&] { spreadsheetfile::Write(path, format, kNames, grid, inOrder(30'000), 3); });
    }
    QVERIFY(error);
    QCOMPARE(error->kind(), FileError::Kind::WriteFailed);
    QCOMPARE(error->path(), path);
    QCOMPARE(entriesOf(folder), before);
    if (fault != QLatin1String("missing folder"))
        QCOMPARE(readFile(path), QByteArray("old"));
}

QTEST_GUILESS_MAIN(TestSpreadsheetFile)
#include "test_spreadsheet_file.moc"
