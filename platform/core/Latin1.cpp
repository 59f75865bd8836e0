#include "Latin1.h"

#include "FileError.h"

#include <QFile>
#include <QFileInfo>

namespace latin1 {

bool isRepresentable(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

QStringList splitLines(const QByteArray& bytes) {
    QStringList lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const bool terminated = end >= 0;
        if (!terminated)
            end = bytes.size();
        qsizetype length = end - start;
        if (terminated && length > 0 && bytes[end - 1] == '\r')
            --length;
        lines.append(QString::fromLatin1(bytes.constData() + start, length));
        start = end + 1;
    }
    return lines;
}

QStringList readLines(const QString& path) {
    QFile file(path);
    if (!QFileInfo::exists(path))
        throw FileError(FileError::Kind::NotFound, path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(FileError::Kind::ReadFailed, path, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(FileError::Kind::ReadFailed, path, file.errorString());
    return splitLines(bytes);
}

QByteArray joinLines(const QStringList& lines) {
    QByteArray out;
    for (const QString& line : lines) {
        out += line.toLatin1();
        out += "\r\n";
    }
    return out;
}

}  // namespace latin1
