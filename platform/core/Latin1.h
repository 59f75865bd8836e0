#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Every text file of the program is ISO 8859-1: one byte per character. These helpers read
// and write such files line by line (CR LF written; LF or CR LF read).
namespace latin1 {

// True when every character of text fits into one byte.
bool isRepresentable(const QString& text);

// Lines of the file at path; a CR before LF is dropped, a last line without LF still counts.
// Raises FileError(NotFound) for a missing file, FileError(ReadFailed) for an unreadable one.
QStringList readLines(const QString& path);

// The lines joined, each followed by CR LF.
QByteArray joinLines(const QStringList& lines);

// Splits a byte buffer into lines with the reading rule above.
QStringList splitLines(const QByteArray& bytes);

}  // namespace latin1
