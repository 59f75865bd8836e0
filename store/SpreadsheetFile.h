#pragma once

#include "CsvDatabaseFile.h"

#include <QString>
#include <QStringList>
#include <vector>

class ResultGrid;

// The entries as a spreadsheet file for other programs: .xlsx (Office Open XML) or .ods
// (OpenDocument), one sheet, the column names in row 1 and an entry a row below them. Every
// value is a text cell holding the value's characters: no number, date or formula is read into
// it, so "007", "1e5" and "=1+1" open as those characters, and leading, trailing and repeated
// spaces and tabs stay. Where a format cannot hold a value as it is:
// - a line break (CR LF, LF or CR) becomes the cell's line break, which reads back as LF;
// - a character XML cannot hold (below U+0020 other than tab and line breaks, U+FFFE, U+FFFF)
//   is written in .xlsx as the format's escape _xHHHH_, which spreadsheet programs read back
//   as the character (and text that reads as such an escape has its "_" escaped as _x005F_);
//   .ods has no escape, so there it becomes U+FFFD;
// - bytes that are not UTF-8 become U+FFFD.
namespace spreadsheetfile {

enum class Format { Xlsx, Ods };

// Rows of a sheet, the names' row among them: the most the common spreadsheet programs open
// of either format.
constexpr int kMaxRows = 1'048'576;
// Characters of an .xlsx cell, counted in UTF-16 units as the spreadsheet programs count them
// (a character beyond U+FFFF counts two) and each escaped character as its seven.
constexpr int kMaxXlsxCellLength = 32'767;

// How a write that raised nothing ended. Unless written, the old file stays whole and no file
// was made: the write was cancelled, or refused before anything was written because the sheet
// would not hold the entries whole: more than kMaxRows - 1 of them (a longer sheet would open
// cut, so the caller tells the person to narrow the list or choose CSV), or, in .xlsx, a value
// longer than kMaxXlsxCellLength (a longer one would be cut or break the file; .ods has no
// such limit). row (1: the names' row, 2: the first entry) and column (from 0) say where the
// first such value is.
struct WriteResult {
    enum class Outcome { Written, Cancelled, TooManyRows, ValueTooLong };
    Outcome outcome = Outcome::Written;
    int row = 0;
    int column = 0;
    bool written() const { return outcome == Outcome::Written; }
};

// Writes columnNames as row 1 and the first columnCount cells of the rows of grid that order
// names, in that order (an empty value as an empty cell), to path in format. The file is made
// in a hidden temporary folder beside path, which is removed again, and its bytes reach path
// through AtomicFileWriter: a file written completely survives a power cut, and a failure
// leaves the old one whole. Raises FileError(WriteFailed) naming path when the file cannot be
// written. progress, when given, follows the rows written and can cancel (csvfile's
// ProgressCallback), total the number of entries. An .xlsx is packed after its last row, which
// takes about twice as long as the rows: there the rows fill the first third of total and the
// packing, told as time goes by, the rest; a cancel during the packing takes effect when the
// packing ends.
WriteResult Write(const QString& path, Format format, const QStringList& columnNames,
                  const ResultGrid& grid, const std::vector<int>& order, int columnCount,
                  const csvfile::ProgressCallback& progress = {});

}  // namespace spreadsheetfile
