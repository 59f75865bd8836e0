#include "CsvDatabaseFile.h"
#include "FileErrorOf.h"
#include "FileSizeLimit.h"
#include "PowerClass.h"
#include "ResultGrid.h"
#include "SQLite3PowerClass.h"
#include "Schema.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTest>
#include <optional>

Q_DECLARE_METATYPE(textencoding::Encoding)
Q_DECLARE_METATYPE(csvfile::Dialect)

namespace {

// A working store made from the installed template, and a CSV file to load into it and save
// from it as the program does.
class CsvFixture {
public:
    CsvFixture() : m_store(env.copyStoreTemplate()) {}
    const QString& store() const { return m_store; }

    // Loads as the program opens a file: the list takes the entries as they are stored, and
    // they must be what the store holds.
    csvfile::LoadReport load(const QByteArray& bytes,
                             const QString& name = QStringLiteral("in.csv"),
                             const std::optional<csvfile::Dialect>& dialect = std::nullopt) {
        ResultGrid listed;
        const csvfile::LoadReport report =
            csvfile::LoadIntoStore(env.writeFile(name, bytes), m_store, {}, {}, dialect, &listed);
        const bool loaded = report.storeUsable && !report.cancelled && report.refusedColumns == 0;
        compareWithStore(listed, loaded ? schema::columnCount(report.columnNames) : -1);
        return report;
    }
    // Whether listed is what a query of the first columns of the store returns (columns -1:
    // nothing loaded, listed must be empty).
    void compareWithStore(const ResultGrid& listed, int columns) const {
        if (columns <= 0) {
            QCOMPARE(listed.rowCount(), 0);
            return;
        }
        SQLite3PowerClass sql;
        QVERIFY(sql.Query(m_store, schema::table(), QString(), QStringLiteral("rowid"), columns,
                          SQLite3PowerClass::RowIds::Read)
                    .done());
        const ResultGrid& stored = sql.m_resultValues;
        QCOMPARE(listed.columnCount(), stored.columnCount());
        QCOMPARE(listed.m_resultColumns, stored.m_resultColumns);
        QCOMPARE(listed.rowCount(), stored.rowCount());
        for (int row = 0; row < stored.rowCount(); ++row) {
            QCOMPARE(listed.rowid(row), stored.rowid(row));
            QCOMPARE(listed.rowShape(row), stored.rowShape(row));
            for (int column = 0; column < stored.columnCount(); ++column) {
                int listedSize = 0;
                int storedSize = 0;
                const char* listedCell = listed.cellData(row, column, &listedSize);
                const char* storedCell = stored.cellData(row, column, &storedSize);
                QCOMPARE(QByteArray(listedCell, listedSize), QByteArray(storedCell, storedSize));
            }
        }
    }
    // Writes the store's entries under columnNames, as saving does, and returns the bytes.
    QByteArray save(const QString& columnNames, const csvfile::Dialect& dialect = {}) const {
        const QString path = env.root() + QStringLiteral("/out.csv");
        write(path, columnNames, dialect);
        return TestEnvironment::readFile(path);
    }
    csvfile::WriteResult write(const QString& path, const QString& columnNames,
                               const csvfile::Dialect& dialect = {}) const {
        const int columns = schema::columnCount(columnNames);
        SQLite3PowerClass sql;
        if (sql.Query(m_store, schema::table(), QString(), QString(), std::min(columns, 26))
                .failed())
            qFatal("cannot read the store");
        return csvfile::Write(path, columnNames, sql.m_resultValues, columns, dialect);
    }
    QStringList rows(int columns) const { return env.storeRows(m_store, columns); }
    int count(const QString& condition) const {
        SQLite3PowerClass sql;
        return sql.Query(m_store, schema::table(), condition, QString()).failed() ? -1
                                                                                  : sql.rowCount();
    }

    TestEnvironment env;

private:
    QString m_store;
};

// rows written in dialect the way a spreadsheet writes them: quoted where needed or always,
// "" for a quote.
QByteArray fileOf(const QList<QStringList>& rows, const csvfile::Dialect& dialect) {
    using csvfile::Dialect;
    const QChar separator = QLatin1Char(dialect.separator);
    QString text;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QStringList fields;
        for (QString field : rows[r]) {
            const bool quote = dialect.quoting == Dialect::Quoting::Every ||
                               field.contains(separator) || field.contains(QLatin1Char('"')) ||
                               field.contains(QLatin1Char('\r')) ||
                               field.contains(QLatin1Char('\n'));
            fields.append(quote ? QLatin1Char('"') +
                                      field.replace(QLatin1String("\""), QLatin1String("\"\"")) +
                                      QLatin1Char('"')
                                : field);
        }
        text += fields.join(separator);
        if (r + 1 < rows.size() || dialect.lastLineEnded)
            text += QString::fromLatin1(dialect.lineEndBytes());
    }
    using textencoding::Encoding;
    switch (dialect.encoding) {
        case Encoding::SingleByte:
            return textencoding::encodeSingleByte(text);
        case Encoding::Utf8:
            return text.toUtf8();
        case Encoding::Utf8WithMark:
            return textencoding::kUtf8Mark + text.toUtf8();
        case Encoding::Utf16LE:
            return QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)
                .encode(text);
        case Encoding::Utf16BE:
            return QStringEncoder(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom)
                .encode(text);
    }
    return {};
}

QString describe(const csvfile::Dialect& dialect) {
    return csvfile::nameOf(dialect);
}

QByteArray fields(int count) {
    QByteArrayList values;
    for (int i = 1; i <= count; ++i)
        values.append("v" + QByteArray::number(i));
    return values.join(';');
}

}  // namespace

class TestCsvFile : public QObject {
    Q_OBJECT
private slots:
    void loadAndSave_data();
    void loadAndSave();
    void missingValuesAreEmptyTexts();
    void valuesThatWillNotBeShownAreReported();
    void veryLongLine();
    void loadReplacesEveryEntry();
    void unreadableFileChangesNothing_data();
    void unreadableFileChangesNothing();
    void missingStoreTakesNothing();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void encodingIsFound_data();
    void encodingIsFound();
    void dialectsRoundTrip_data();
    void dialectsRoundTrip();
    void rfc4180Examples_data();
    void rfc4180Examples();
    void lenientReadingAsPythonReads_data();
    void lenientReadingAsPythonReads();
    void dialectIsFound_data();
    void dialectIsFound();
    void tooManyColumnsStoreNothing();
    void ownFormatRefusesWhatItCannotHold();
    void whatAFieldCanHold_data();
    void whatAFieldCanHold();
    void withoutNamesLine();
};

void TestCsvFile::loadAndSave_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("columnNames");
    QTest::addColumn<QStringList>("entries");  // cells of the file's columns joined by "|"
    QTest::addColumn<QByteArray>("saved");

    const QByteArray example = "Name;Town\r\nSmith;York\r\nMiller;\r\n";
    const QStringList exampleEntries = {"Smith|York", "Miller|"};
    QTest::newRow("example file") << example << "Name;Town" << exampleEntries << example;
    const QByteArray lf = "Name;Town\nSmith;York\nMiller;\n";
    QTest::newRow("LF line ends") << lf << "Name;Town" << exampleEntries << lf;
    const QByteArray unended = "Name;Town\r\nSmith;York\r\nMiller;";
    QTest::newRow("last line without line end")
        << unended << "Name;Town" << exampleEntries << unended;
    QTest::newRow("UTF-8 byte-order mark: kept, not a part of the first name")
        << QByteArray("\xef\xbb\xbfName;Town\r\nSmith;York\r\n") << "Name;Town"
        << QStringList{"Smith|York"} << QByteArray("\xef\xbb\xbfName;Town\r\nSmith;York\r\n");
    const QByteArray utf8 =
        "\xd0\x98\xd0\xbc\xd1\x8f;\xce\xa0\xcf\x8c\xce\xbb\xce\xb7\r\n"
        "\xd0\x90\xd0\xbd\xd0\xbd\xd0\xb0;\xe6\x9d\xb1\xe4\xba\xac\r\n";
    QTest::newRow("UTF-8: Cyrillic, Greek, CJK")
        << utf8 << QString::fromUtf8("Имя;Πόλη") << QStringList{QString::fromUtf8("Анна|東京")}
        << utf8;
    QTest::newRow("header with trailing separator: three columns")
        << QByteArray("Name;Town;\r\na;b;\r\n") << "Name;Town;" << QStringList{"a|b|"}
        << QByteArray("Name;Town;\r\na;b;\r\n");
    QTest::newRow("empty file") << QByteArray() << "" << QStringList{} << QByteArray("\r\n");
    QTest::newRow("empty lines add no entry")
        << QByteArray("A;B\r\n1;2\r\n\r\n\n3;4\r\n") << "A;B" << QStringList{"1|2", "3|4"}
        << QByteArray("A;B\r\n1;2\r\n3;4\r\n");
    QTest::newRow("fewer values than columns")
        << QByteArray("A;B;C\r\nx\r\ny;z\r\n") << "A;B;C" << QStringList{"x||", "y|z|"}
        << QByteArray("A;B;C\r\nx;;\r\ny;z;\r\n");
    // Long enough that most entries are stored in groups, and a short or empty line now and
    // then where a group would go.
    QByteArray mixed = "A;B;C\r\n";
    QByteArray mixedSaved = mixed;
    QStringList mixedEntries;
    for (int i = 0; i < 200; ++i) {
        const QByteArray n = QByteArray::number(i);
        if (i % 37 == 5) {
            mixed += "s" + n + "\r\n";
            mixedSaved += "s" + n + ";;\r\n";
            mixedEntries += "s" + n + "||";
        } else if (i % 43 == 40) {
            mixed += "\r\n";
        } else {
            mixed += "a" + n + ";b" + n + ";c" + n + "\r\n";
            mixedSaved += "a" + n + ";b" + n + ";c" + n + "\r\n";
            mixedEntries += "a" + n + "|b" + n + "|c" + n;
        }
    }
    QTest::newRow("many entries, some short lines and empty ones among them")
        << mixed << "A;B;C" << mixedEntries << mixedSaved;
    const QByteArray awkward =
        "A;B\r\n"
        "O'Brien;\"quoted\" and more\r\n"
        "100%;a_b\r\n"
        "--;' OR ''=' --\r\n"
        "DROP TABLE Table1;NULL\r\n"
        " blanks ;\\\r\n";
    QTest::newRow("quotes, wildcards, comments and keywords")
        << awkward << "A;B"
        << QStringList{"O'Brien|\"quoted\" and more", "100%|a_b", "--|' OR ''=' --",
                       "DROP TABLE Table1|NULL", " blanks |\\"}
        << awkward;
    const QByteArray latin1("M\xfcller;\xc4\r\n\xc9t\xe9;\x80\xff\x93\x94\x81\r\n");
    QTest::newRow("single-byte: Latin-1 letters, Windows' euro and quotes, an undefined byte")
        << latin1 << QString::fromUtf8("Müller;Ä")
        << QStringList{QString::fromUtf8("Été|€ÿ“”\u0081")} << latin1;
    const QByteArray nul("A;B\r\na\0b;\0\r\n", 12);
    QTest::newRow("NUL bytes") << nul << "A;B" << QStringList{QString::fromLatin1("a\0b|\0", 5)}
                               << nul;
    QTest::newRow("CR inside a line is a character")
        << QByteArray("A;B\r\na\rb;c\r\r\n") << "A;B" << QStringList{"a\rb|c\r"}
        << QByteArray("A;B\r\na\rb;c\r\r\n");
}

void TestCsvFile::loadAndSave() {
    QFETCH(QByteArray, file);
    QFETCH(QString, columnNames);
    QFETCH(QStringList, entries);
    QFETCH(QByteArray, saved);
    CsvFixture csv;
    const csvfile::LoadReport report = csv.load(file);
    QVERIFY(report.storeUsable);
    QCOMPARE(report.columnNames, columnNames);
    QCOMPARE(report.storedEntries, entries.size());
    const int columns = schema::columnCount(columnNames);
    QCOMPARE(csv.rows(columns), entries);
    QVERIFY(report.dialect.isOwnFormat());
    QCOMPARE(csv.save(columnNames, report.dialect), saved);

    // What was saved loads to the same entries.
    csv.load(saved, QStringLiteral("again.csv"));
    QCOMPARE(csv.rows(columns), entries);
}

void TestCsvFile::missingValuesAreEmptyTexts() {
    CsvFixture csv;
    csv.load("A;B;C\r\nx\r\n");
    // Empty, not NULL, so that equality on every shown column finds the entry again.
    QCOMPARE(csv.count(QStringLiteral("Column2='' AND Column3=''")), 1);
    QCOMPARE(csv.count(QStringLiteral("Column4 IS NULL")), 1);
}

void TestCsvFile::valuesThatWillNotBeShownAreReported() {
    CsvFixture csv;
    const csvfile::LoadReport report = csv.load(
        "A;B\r\n"
        "\r\n" +
        fields(27) + "\r\n" + "1;2;3\r\n" + fields(26) + "\r\n" + "x;y\r\n");
    QCOMPARE(report.tooManyValues, QList<int>{3});
    QCOMPARE(report.hiddenValues, (QList<int>{4, 5}));
    QCOMPARE(report.storedEntries, 3);
    QCOMPARE(csv.rows(3), (QStringList{"1|2|3", "v1|v2|v3", "x|y|"}));
    QCOMPARE(csv.count(QStringLiteral("Column26='v26'")), 1);
    QCOMPARE(csv.save(QStringLiteral("A;B")), QByteArray("A;B\r\n1;2\r\nv1;v2\r\nx;y\r\n"));
}

void TestCsvFile::veryLongLine() {
    CsvFixture csv;
    const QByteArray longValue(5'000'000, 'x');
    const QByteArray file = "A;B\r\n" + longValue + ";end\r\nshort;y\r\n";
    QCOMPARE(csv.load(file).storedEntries, 2);
    SQLite3PowerClass sql;
    QVERIFY(sql.Query(csv.store(), schema::table(), QString(), QString(), 2).done());
    QCOMPARE(sql.m_resultValues.value(0, 0).size(), longValue.size());
    QCOMPARE(sql.m_resultValues.value(0, 1), QStringLiteral("end"));
    QCOMPARE(csv.save(QStringLiteral("A;B")), file);
}

void TestCsvFile::loadReplacesEveryEntry() {
    CsvFixture csv;
    csv.load("A;B\r\nHpadfjwern;1\r\nold;2\r\n;3\r\n");
    QCOMPARE(csv.rows(2), (QStringList{"Hpadfjwern|1", "old|2", "|3"}));
    // Not even an entry holding the word that marks "every entry" may survive the next file.
    csv.load("A;B\r\nnew;4\r\n", QStringLiteral("second.csv"));
    QCOMPARE(csv.rows(2), QStringList{"new|4"});
}

void TestCsvFile::unreadableFileChangesNothing_data() {
    QTest::addColumn<bool>("folder");
    QTest::addColumn<FileError::Kind>("kind");

    QTest::newRow("a folder of that name") << true << FileError::Kind::ReadFailed;
    QTest::newRow("missing file") << false << FileError::Kind::NotFound;
}

void TestCsvFile::unreadableFileChangesNothing() {
    QFETCH(bool, folder);
    QFETCH(FileError::Kind, kind);
    CsvFixture csv;
    csv.load("A\r\nkept\r\n");
    const QString path = csv.env.root() + QStringLiteral("/unreadable.csv");
    if (folder)
        QVERIFY(QDir().mkpath(path));

    const auto error = fileErrorOf([&] { csvfile::LoadIntoStore(path, csv.store()); });
    QVERIFY(error);
    QCOMPARE(error->kind(), kind);
    QCOMPARE(error->path(), path);
    QCOMPARE(csv.rows(1), QStringList{"kept"});
}

void TestCsvFile::missingStoreTakesNothing() {
    CsvFixture csv;
    QVERIFY(QFile::remove(csv.store()));
    const csvfile::LoadReport report = csv.load("A;B\r\n1;2\r\n");
    QVERIFY(!report.storeUsable);
    QCOMPARE(report.storedEntries, 0);
    QCOMPARE(report.columnNames, QStringLiteral("A;B"));
    QVERIFY(!QFileInfo::exists(csv.store()));
}

void TestCsvFile::failedWriteKeepsOldFile_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("fullDisk");

    QTest::newRow("folder does not exist") << "missing/out.csv" << false;
    QTest::newRow("a folder of that name") << "folder.csv" << false;
    QTest::newRow("disk full part-way") << "old.csv" << true;
}

void TestCsvFile::failedWriteKeepsOldFile() {
    QFETCH(QString, target);
    QFETCH(bool, fullDisk);
    CsvFixture csv;
    QByteArray file = "A;B\r\n";
    for (int i = 0; i < 20'000; ++i)
        file += "entry " + QByteArray::number(i) + ";some longer value\r\n";
    csv.load(file);
    const QString path = csv.env.root() + QLatin1Char('/') + target;
    const QByteArray old = "A;B\r\nold;file\r\n";
    if (target == QLatin1String("folder.csv"))
        QVERIFY(QDir().mkpath(path));
    else if (fullDisk)
        csv.env.writeFile(target, old);
    const QStringList before =
        QDir(csv.env.root()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);

    std::optional<FileError> error;
    {
        std::optional<FileSizeLimit> limit;
        if (fullDisk)
            limit.emplace(64 * 1024);
        error = fileErrorOf([&] { csv.write(path, QStringLiteral("A;B")); });
    }
    QVERIFY(error);
    QCOMPARE(error->kind(), FileError::Kind::WriteFailed);
    QCOMPARE(error->path(), path);
    if (fullDisk)
        QCOMPARE(TestEnvironment::readFile(path), old);
    else
        QVERIFY(!QFileInfo(path).isFile());
    // No temporary file is left behind.
    QCOMPARE(QDir(csv.env.root()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), before);
}

void TestCsvFile::encodingIsFound_data() {
    using textencoding::Encoding;
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Encoding>("encoding");
    QTest::newRow("ASCII only") << QByteArray("A;B\r\nx;y\r\n") << Encoding::SingleByte;
    QTest::newRow("a byte-order mark alone")
        << QByteArray("\xef\xbb\xbf") << Encoding::Utf8WithMark;
    QTest::newRow("a byte-order mark before ISO 8859-1 bytes") << QByteArray(
                                                                      "\xef\xbb\xbf"
                                                                      "A\r\nM\xfcller\r\n")
                                                               << Encoding::SingleByte;
    QTest::newRow("two-byte sequence") << QByteArray("A\r\nM\xc3\xbcller\r\n") << Encoding::Utf8;
    QTest::newRow("four-byte sequence (emoji)")
        << QByteArray("A\r\n\xf0\x9f\x98\x80\r\n") << Encoding::Utf8;
    QTest::newRow("ISO 8859-1 umlaut") << QByteArray("A\r\nM\xfcller\r\n") << Encoding::SingleByte;
    QTest::newRow("UTF-8, then one invalid byte")
        << QByteArray("\xc3\xbc;\xfc\r\n") << Encoding::SingleByte;
    QTest::newRow("overlong form of '/'")
        << QByteArray("A\r\n\xc0\xaf\r\n") << Encoding::SingleByte;
    QTest::newRow("surrogate half") << QByteArray("A\r\n\xed\xa0\x80\r\n") << Encoding::SingleByte;
    QTest::newRow("beyond U+10FFFF")
        << QByteArray("A\r\n\xf4\x90\x80\x80\r\n") << Encoding::SingleByte;
    QTest::newRow("sequence cut short at the end")
        << QByteArray("A\r\n\xe6\x9d") << Encoding::SingleByte;
    QTest::newRow("Windows quotes") << QByteArray("A\r\n\x93x\x94\r\n") << Encoding::SingleByte;
}

void TestCsvFile::encodingIsFound() {
    QFETCH(QByteArray, file);
    QFETCH(textencoding::Encoding, encoding);
    CsvFixture csv;
    QCOMPARE(csv.load(file).dialect.encoding, encoding);
}

void TestCsvFile::dialectsRoundTrip_data() {
    using csvfile::Dialect;
    using textencoding::Encoding;
    QTest::addColumn<Dialect>("dialect");
    // Every separator x quoting x line end x encoding the program finds; separators, quotes
    // and every kind of line break inside values.
    for (const char separator : {';', ',', '\t', '|'}) {
        for (const auto quoting : {Dialect::Quoting::WhereNeeded, Dialect::Quoting::Every}) {
            for (const auto lineEnd :
                 {Dialect::LineEnd::CrLf, Dialect::LineEnd::Lf, Dialect::LineEnd::Cr}) {
                for (const auto encoding :
                     {Encoding::SingleByte, Encoding::Utf8, Encoding::Utf8WithMark,
                      Encoding::Utf16LE, Encoding::Utf16BE}) {
                    Dialect dialect;
                    dialect.separator = separator;
                    dialect.quoting = quoting;
                    dialect.lineEnd = lineEnd;
                    dialect.encoding = encoding;
                    dialect.lastLineEnded = lineEnd != Dialect::LineEnd::Lf;
                    QTest::newRow(qPrintable(describe(dialect))) << dialect;
                }
            }
        }
    }
}

void TestCsvFile::dialectsRoundTrip() {
    QFETCH(csvfile::Dialect, dialect);
    const QList<QStringList> rows = {
        {"Name", "Town, county", "Notes"},
        {QString::fromUtf8("Müller"), QString::fromUtf8("Köln"), "says \"hi\""},
        {"Smith; John", "York", "two\r\nlines"},
        {"", "a;b,c\td|e", ""},
        {"lf\nonly", "cr\ronly", "\"\""},
        {" blanks ", "'", "end"},
    };
    const QByteArray file = fileOf(rows, dialect);
    CsvFixture csv;
    const csvfile::Detection detection = csvfile::detectDialect(file);
    QCOMPARE(describe(detection.dialect), describe(dialect));
    QVERIFY(detection.sure);
    const csvfile::LoadReport report = csv.load(file);
    QCOMPARE(report.columnNames, QStringLiteral("Name;Town, county;Notes"));
    QVERIFY(report.lenientLines.isEmpty());
    QStringList entries;
    for (const QStringList& row : rows.mid(1))
        entries.append(row.join(QLatin1Char('|')));
    QCOMPARE(csv.rows(3), entries);

    // Unchanged, written back byte for byte.
    QCOMPARE(csv.save(report.columnNames, report.dialect), file);

    // Edited: a new entry goes into the file in the same dialect, and reads back.
    SQLite3PowerClass sql;
    QVERIFY(sql.Execute(csv.store(), QStringLiteral("INSERT INTO Table1 (Column1, Column2, "
                                                    "Column3) VALUES ('new\nline', 'x\"y', '');"))
                .done());
    const QByteArray edited = csv.save(report.columnNames, report.dialect);
    QList<QStringList> editedRows = rows;
    editedRows.append({"new\nline", "x\"y", ""});
    QCOMPARE(edited, fileOf(editedRows, dialect));
    csv.load(edited, QStringLiteral("edited.csv"));
    QCOMPARE(csv.rows(3), entries + QStringList{"new\nline|x\"y|"});
}

void TestCsvFile::rfc4180Examples_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("entries");
    const QByteArray header = "field_name,field_name,field_name\r\n";
    QTest::newRow("2.1 and 2.2") << header + "aaa,bbb,ccc\r\nzzz,yyy,xxx\r\n"
                                 << QStringList{"aaa|bbb|ccc", "zzz|yyy|xxx"};
    QTest::newRow("2.3: no line end at the end")
        << header + "aaa,bbb,ccc\r\nzzz,yyy,xxx" << QStringList{"aaa|bbb|ccc", "zzz|yyy|xxx"};
    QTest::newRow("2.5: fields in quotes") << header + "\"aaa\",\"bbb\",\"ccc\"\r\nzzz,yyy,xxx\r\n"
                                           << QStringList{"aaa|bbb|ccc", "zzz|yyy|xxx"};
    QTest::newRow("2.6: a line break inside quotes")
        << header + "\"aaa\",\"b\r\nbb\",\"ccc\"\r\nzzz,yyy,xxx\r\n"
        << QStringList{"aaa|b\r\nbb|ccc", "zzz|yyy|xxx"};
    QTest::newRow("2.7: a quote doubled") << header + "\"aaa\",\"b\"\"bb\",\"ccc\"\r\n"
                                          << QStringList{"aaa|b\"bb|ccc"};
}

void TestCsvFile::rfc4180Examples() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, entries);
    CsvFixture csv;
    const csvfile::LoadReport report = csv.load(file);
    QCOMPARE(report.dialect.separator, ',');
    QCOMPARE(report.columnNames, QStringLiteral("field_name;field_name;field_name"));
    QCOMPARE(csv.rows(3), entries);
    QVERIFY(report.lenientLines.isEmpty());
}

void TestCsvFile::lenientReadingAsPythonReads_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<int>>("lenientLines");
    const QByteArray header = "A,B,C\r\n";
    QTest::newRow("text after a closing quote") << header + "a,\"b\"c,d\r\ne,f,g\r\n"
                                                << QList<int>{2};
    QTest::newRow("blank after a closing quote") << header + "a,\"b\" ,c\r\n" << QList<int>{2};
    QTest::newRow("a quote inside an unquoted field") << header + "x,y,z\r\na,b\"c\",d\r\n"
                                                      << QList<int>{3};
    QTest::newRow("a quote never closed takes the rest of the file")
        << header + "a,\"bc\r\nde,f\r\n"
        << QList<int>{2};
    QTest::newRow("a doubled quote at the end of a field never closed") << header + "x,\"a\"\"\n"
                                                                        << QList<int>{2};
    QTest::newRow("a quoted line break, then a quote inside a field")
        << header + "\"1\n2\",b,c\r\nd,e\"f,g\r\n"
        << QList<int>{4};
}

void TestCsvFile::lenientReadingAsPythonReads() {
    QFETCH(QByteArray, file);
    QFETCH(QList<int>, lenientLines);
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("python3 is not installed: tools/install-dependencies installs it");
    // Python's csv module, the common reader, prints each record's fields joined by "|".
    QProcess reader;
    reader.start(python, {QStringLiteral("-c"),
                          QStringLiteral("import csv,sys,io\n"
                                         "text = sys.stdin.buffer.read().decode('latin-1')\n"
                                         "for row in list(csv.reader(io.StringIO(text, "
                                         "newline='')))[1:]:\n"
                                         "    sys.stdout.buffer.write(('|'.join(row) + "
                                         "'\\0').encode('latin-1'))\n")});
    reader.write(file);
    reader.closeWriteChannel();
    QVERIFY(reader.waitForFinished(30'000));
    QCOMPARE(reader.exitCode(), 0);
    QStringList expected = QString::fromLatin1(reader.readAllStandardOutput()).split(QChar(0));
    expected.removeLast();

    CsvFixture csv;
    const csvfile::LoadReport report = csv.load(file);
    QCOMPARE(report.dialect.separator, ',');
    QCOMPARE(csv.rows(3).replaceInStrings(QRegularExpression(QStringLiteral("\\|+$")), QString()),
             expected.replaceInStrings(QRegularExpression(QStringLiteral("\\|+$")), QString()));
    QCOMPARE(report.lenientLines, lenientLines);
}

void TestCsvFile::dialectIsFound_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<char>("separator");
    QTest::addColumn<bool>("quoted");
    QTest::addColumn<bool>("sure");
    QTest::newRow("own format") << QByteArray("A;B\r\n1,5;2\r\n") << ';' << false << true;
    QTest::newRow("own format, one column with commas")
        << QByteArray("Notes\r\nhello, world\r\nbye\r\n") << ';' << false << true;
    QTest::newRow("own format, quotes that do not read consistently as quoted")
        << QByteArray("A;B\r\n\"x\" y;2\r\n\"z\";3\r\n") << ';' << false << true;
    QTest::newRow("own format: a quote late in the value")
        << QByteArray("A;B\r\nsize 5\";2\r\n") << ';' << false << true;
    QTest::newRow("own format, a few values that happen to stand in quotes")
        << QByteArray("A;B\r\n\"x\";2\r\ny;3\r\nz;4\r\n") << ';' << false << true;
    QTest::newRow("semicolons, quoted where needed")
        << QByteArray("A;B\r\n\"x;y\";2\r\n") << ';' << true << true;
    QTest::newRow("comma") << QByteArray("A,B\r\n1;5,2\r\n") << ',' << true << true;
    QTest::newRow("tab") << QByteArray("A\tB\n1,2\t3\n") << '\t' << true << true;
    QTest::newRow("bar") << QByteArray("A|B|C\n1|2|3\n") << '|' << true << true;
    QTest::newRow("ragged: unsure") << QByteArray("A,B,C\n1,2\n3,4,5\n6\n") << ',' << true << false;
    QTest::newRow("comma and bar fit alike: unsure")
        << QByteArray("A,B|C\n1,2|3\n") << ',' << true << false;
}

void TestCsvFile::dialectIsFound() {
    QFETCH(QByteArray, file);
    QFETCH(char, separator);
    QFETCH(bool, quoted);
    QFETCH(bool, sure);
    const csvfile::Detection detection = csvfile::detectDialect(file);
    QCOMPARE(detection.dialect.separator, separator);
    QCOMPARE(detection.dialect.quoted(), quoted);
    QCOMPARE(detection.sure, sure);
    if (separator == ';' && !quoted) {
        // As the own format, the file reads and saves as it always did.
        QVERIFY(detection.dialect.isOwnFormat());
        CsvFixture csv;
        const csvfile::LoadReport report = csv.load(file);
        QCOMPARE(csv.save(report.columnNames, report.dialect), file);
    }
}

void TestCsvFile::tooManyColumnsStoreNothing() {
    CsvFixture csv;
    csv.load("A\r\nkept\r\n");
    for (const QByteArray& file :
         {fields(27) + "\r\n1;2\r\n", fields(27).replace(';', ',') + "\n"}) {
        const csvfile::LoadReport report = csv.load(file, QStringLiteral("wide.csv"));
        QCOMPARE(report.refusedColumns, 27);
        QCOMPARE(report.storedEntries, 0);
        QCOMPARE(csv.rows(1), QStringList{"kept"});
    }
    QCOMPARE(csv.load(fields(26) + "\r\n").refusedColumns, 0);
}

void TestCsvFile::ownFormatRefusesWhatItCannotHold() {
    CsvFixture csv;
    csv.load("A,B\r\nx,\"1;2\"\r\n\"y\r\nz\",3\r\n");
    const QString path = csv.env.writeFile(QStringLiteral("old.csv"), "old");
    csvfile::WriteResult result = csv.write(path, QStringLiteral("A;B"));
    QCOMPARE(result.outcome, csvfile::WriteResult::Outcome::BreaksOwnFormat);
    QCOMPARE(result.line, 2);
    QCOMPARE(result.value, QStringLiteral("1;2"));
    QCOMPARE(TestEnvironment::readFile(path), QByteArray("old"));
    SQLite3PowerClass sql;
    QVERIFY(
        sql.Execute(csv.store(), QStringLiteral("DELETE FROM Table1 WHERE Column1='x';")).done());
    result = csv.write(path, QStringLiteral("A;B"));
    QCOMPARE(result.outcome, csvfile::WriteResult::Outcome::BreaksOwnFormat);
    QCOMPARE(result.value, QStringLiteral("y\r\nz"));
}

void TestCsvFile::whatAFieldCanHold_data() {
    using csvfile::Dialect;
    using textencoding::Encoding;
    QTest::addColumn<Dialect>("dialect");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("replaced");  // what the field held before: a value read
    QTest::addColumn<bool>("valueHeld");
    QTest::addColumn<bool>("nameHeld");  // names are joined by ";" in every dialect

    const Dialect own = Dialect::ownFormat(Encoding::SingleByte);
    const Dialect comma = Dialect::commaSeparated(Encoding::Utf8);
    Dialect commaUnquoted = comma;
    commaUnquoted.quoting = Dialect::Quoting::None;
    const Dialect tab = Dialect::tabSeparated(Encoding::Utf16LE);
    Dialect tabUnquoted = tab;
    tabUnquoted.quoting = Dialect::Quoting::None;
    const auto row = [](const char* name, const Dialect& dialect, const QString& value,
                        const QString& replaced, bool valueHeld, bool nameHeld) {
        QTest::newRow(name) << dialect << value << replaced << valueHeld << nameHeld;
    };
    const QString cr = QStringLiteral("x\r");
    const QString omega(QChar(0x03A9));
    row("own: plain", own, "a b", {}, true, true);
    row("own: separator", own, "a;b", {}, false, false);
    row("own: LF", own, "a\nb", {}, false, false);
    row("own: new CR", own, "a\rb", {}, false, false);
    row("own: CR it was read with", own, "a\rb", cr, true, true);
    row("own: one CR more than it was read with", own, "a\r\rb", cr, false, false);
    row("own: quote", own, "say \"hi\"", {}, true, true);
    row("own: comma", own, "a,b", {}, true, true);
    row("own single-byte: no byte for it", own, omega, {}, false, false);
    row("own UTF-8: any character", Dialect::ownFormat(Encoding::Utf8), omega, {}, true, true);
    row("comma quoted: separator", comma, "a,b", {}, true, true);
    row("comma quoted: semicolon", comma, "a;b", {}, true, false);
    row("comma quoted: LF", comma, "a\nb", {}, true, false);
    row("comma quoted: CR", comma, "a\rb", {}, true, false);
    row("comma quoted: quote", comma, "say \"hi\"", {}, true, true);
    row("comma unquoted: separator", commaUnquoted, "a,b", {}, false, true);
    row("comma unquoted: semicolon", commaUnquoted, "a;b", {}, true, false);
    row("comma unquoted: LF", commaUnquoted, "a\nb", {}, false, false);
    row("comma unquoted: new CR", commaUnquoted, "a\rb", {}, false, false);
    row("comma unquoted: quote", commaUnquoted, "say \"hi\"", {}, true, true);
    row("tab quoted: separator", tab, "a\tb", {}, true, true);
    row("tab quoted: CR LF", tab, "a\r\nb", {}, true, false);
    row("tab unquoted: separator", tabUnquoted, "a\tb", {}, false, true);
}

void TestCsvFile::whatAFieldCanHold() {
    QFETCH(csvfile::Dialect, dialect);
    QFETCH(QString, value);
    QFETCH(QString, replaced);
    QFETCH(bool, valueHeld);
    QFETCH(bool, nameHeld);
    QCOMPARE(csvfile::canHoldValue(dialect, value, replaced), valueHeld);
    QCOMPARE(csvfile::canHoldName(dialect, value, replaced), nameHeld);
}

void TestCsvFile::withoutNamesLine() {
    csvfile::Dialect dialect = csvfile::Dialect::commaSeparated(textencoding::Encoding::Utf8);
    dialect.firstLineNames = false;
    const QByteArray file = "1,2\r\n3,4\r\n";
    CsvFixture csv;
    const csvfile::LoadReport report = csv.load(file, QStringLiteral("in.csv"), dialect);
    QCOMPARE(report.columnNames, QStringLiteral("A;B"));
    QCOMPARE(csv.rows(2), (QStringList{"1|2", "3|4"}));
    QCOMPARE(csv.save(report.columnNames, report.dialect), file);
}

QTEST_GUILESS_MAIN(TestCsvFile)
#include "test_csv_file.moc"
