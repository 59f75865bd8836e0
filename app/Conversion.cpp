#include "Conversion.h"

#include "CsvDatabaseFile.h"
#include "FileError.h"
#include "LineList.h"
#include "PowerClass.h"
#include "ResultGrid.h"
#include "SQLite3PowerClass.h"
#include "Schema.h"
#include "SpreadsheetFile.h"
#include "StorePath.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstring>
#include <numeric>

namespace conversion {

namespace {

const char kOption[] = "--convert-to";

struct Format {
    const char* name;
    const char* extension;
};
const Format kFormats[] = {
    {"orvane", ".csv"}, {"csv", ".csv"}, {"tsv", ".tsv"}, {"xlsx", ".xlsx"}, {"ods", ".ods"},
};

// Converts the file at path into target in format; what to print about it, and *ok whether
// the file was written.
QString convert(const QString& path, const QString& target, const QString& format,
                const QString& storeTemplate, bool* ok) {
    *ok = false;
    QTemporaryDir folder;
    const QString store = folder.filePath(storepath::kStoreFileName);
    if (!folder.isValid() || !storepath::RenewStore(storeTemplate, store))
        return QStringLiteral("no working store could be made in the temporary folder");
    ResultGrid grid;  // the entries as the load stored them
    const csvfile::LoadReport report = csvfile::LoadIntoStore(path, store, {}, {}, {}, &grid);
    if (report.refusedColumns > 0)
        return QStringLiteral("it has %1 columns, but a database holds at most %2")
            .arg(report.refusedColumns)
            .arg(schema::kColumnCount);
    if (!report.storeUsable)
        return QStringLiteral("the working store could not take its entries (%1)")
            .arg(report.storeError);
    const int columns = schema::columnCount(report.columnNames);
    if (grid.rowCount() != report.storedEntries) {
        // Memory ran out for them while they were stored: read them back.
        SQLite3PowerClass entries;
        const StoreResult read =
            entries.Query(store, schema::table(), QString(), QStringLiteral("rowid"),
                          std::min(columns, schema::kColumnCount));
        if (read.failed())
            return QStringLiteral("its entries could not be read back (%1)").arg(read.error);
        grid = std::move(entries.m_resultValues);
    }
    std::vector<int> order(static_cast<size_t>(grid.rowCount()));
    std::iota(order.begin(), order.end(), 0);

    using textencoding::Encoding;
    QString refusal;
    if (format == QLatin1String("xlsx") || format == QLatin1String("ods")) {
        const auto result = spreadsheetfile::Write(
            target,
            format == QLatin1String("xlsx") ? spreadsheetfile::Format::Xlsx
                                            : spreadsheetfile::Format::Ods,
            report.columnNames.split(QLatin1Char(';')), grid, order, columns);
        using Outcome = spreadsheetfile::WriteResult::Outcome;
        if (result.outcome == Outcome::TooManyRows)
            refusal = QStringLiteral("a spreadsheet holds at most %1 rows")
                          .arg(spreadsheetfile::kMaxRows);
        else if (result.outcome == Outcome::ValueTooLong)
            refusal = QStringLiteral(
                          "the value in row %1, column %2 is longer than a cell "
                          "holds (%3 characters)")
                          .arg(result.row)
                          .arg(result.column + 1)
                          .arg(spreadsheetfile::kMaxXlsxCellLength);
    } else {
        // The own format keeps a single-byte file's encoding; everything else is UTF-8.
        const Encoding utf8 = csvfile::utf8EncodingFor(report.columnNames, grid, order, columns);
        csvfile::Dialect dialect =
            format == QLatin1String("csv") ? csvfile::Dialect::commaSeparated(utf8)
            : format == QLatin1String("tsv")
                ? csvfile::Dialect::tabSeparated(utf8)
                : csvfile::Dialect::ownFormat(report.dialect.encoding == Encoding::SingleByte
                                                  ? Encoding::SingleByte
                                                  : utf8);
        csvfile::WriteResult result =
            csvfile::Write(target, report.columnNames, grid, order, columns, dialect);
        using Outcome = csvfile::WriteResult::Outcome;
        if (result.outcome == Outcome::Unholdable || result.outcome == Outcome::ReadBackAsUtf8) {
            // One byte a character would lose or change text: UTF-8 holds it.
            dialect.encoding = Encoding::Utf8;
            result = csvfile::Write(target, report.columnNames, grid, order, columns, dialect);
        }
        if (result.outcome == Outcome::BreaksOwnFormat)
            refusal = QStringLiteral(
                          "line %1 (\"%2\") holds a \";\" or a line break, which the "
                          "own format cannot hold; convert to csv or tsv instead")
                          .arg(result.line)
                          .arg(result.value);
    }
    if (!refusal.isEmpty())
        return refusal;
    *ok = true;
    QString said = QStringLiteral("written: %1").arg(QDir::toNativeSeparators(target));
    QList<int> notKept = report.tooManyValues + report.hiddenValues;
    std::sort(notKept.begin(), notKept.end());
    if (!notKept.isEmpty())
        said += QStringLiteral(" (values of lines %1 not kept: more than the columns)")
                    .arg(lineList(notKept));
    if (!report.lenientLines.isEmpty())
        said += QStringLiteral(" (lines %1 read leniently)").arg(lineList(report.lenientLines));
    return said;
}

}  // namespace

bool isAsked(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kOption) == 0 ||
            std::strncmp(argv[i], "--convert-to=", std::strlen(kOption) + 1) == 0)
            return true;
    }
    return false;
}

int run(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvane-database"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Converts database files without a window."));
    parser.addHelpOption();
    const QCommandLineOption convertTo(
        QStringLiteral("convert-to"),
        QStringLiteral("The format to convert to: orvane, csv, tsv, xlsx or ods."),
        QStringLiteral("format"));
    const QCommandLineOption outdir(
        QStringLiteral("outdir"), QStringLiteral("The folder to write to (else beside each file)."),
        QStringLiteral("folder"));
    parser.addOption(convertTo);
    parser.addOption(outdir);
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("The files to convert."),
                                 QStringLiteral("FILE..."));
    parser.process(application);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QString format = parser.value(convertTo).toLower();
    const Format* chosen = nullptr;
    for (const Format& candidate : kFormats) {
        if (format == QLatin1String(candidate.name))
            chosen = &candidate;
    }
    if (!chosen || parser.positionalArguments().isEmpty()) {
        err << (chosen ? QStringLiteral("No file to convert.")
                       : QStringLiteral("Unknown format \"%1\": use orvane, csv, tsv, xlsx or ods.")
                             .arg(format))
            << Qt::endl;
        return 2;
    }
    if (parser.isSet(outdir) && !QDir().mkpath(parser.value(outdir))) {
        err << QStringLiteral("The folder %1 cannot be made.").arg(parser.value(outdir))
            << Qt::endl;
        return 2;
    }
    PowerClass power;
    const QString storeTemplate = storepath::templateIn(power.GetProgramFolder());

    bool allWritten = true;
    for (const QString& file : parser.positionalArguments()) {
        const QFileInfo source(file);
        const QDir folder = parser.isSet(outdir) ? QDir(parser.value(outdir)) : source.dir();
        const QString target =
            QFileInfo(folder.filePath(source.completeBaseName() + QLatin1String(chosen->extension)))
                .absoluteFilePath();
        bool ok = false;
        QString said;
        if (target == source.absoluteFilePath()) {
            said = QStringLiteral(
                "it would be written over itself; choose another folder with "
                "--outdir");
        } else {
            try {
                said = convert(source.absoluteFilePath(), target, format, storeTemplate, &ok);
            } catch (const FileError& error) {
                const QString what = error.kind() == FileError::Kind::NotFound
                                         ? QStringLiteral("not found")
                                     : error.kind() == FileError::Kind::ReadFailed
                                         ? QStringLiteral("cannot be read")
                                         : QStringLiteral("cannot be written");
                // The path is named when it is not the file's own (the converted file).
                const QString named =
                    error.path() == source.absoluteFilePath()
                        ? what
                        : QDir::toNativeSeparators(error.path()) + QLatin1Char(' ') + what;
                said = named + (error.reason().isEmpty() ? QString()
                                                         : QStringLiteral(": ") + error.reason());
            }
        }
        (ok ? out : err) << QDir::toNativeSeparators(file) << ": " << said << Qt::endl;
        allWritten = allWritten && ok;
    }
    return allWritten ? 0 : 1;
}

}  // namespace conversion
