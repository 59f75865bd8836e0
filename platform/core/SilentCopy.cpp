#include "SilentCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void copySilently(const QString& source, const QString& destination) {
    if (!QFileInfo::exists(source))
        return;
    QString target = destination;
    if (QFileInfo(destination).isDir())
        target = QDir(destination).filePath(QFileInfo(source).fileName());
    if (QFileInfo::exists(target))
        QFile::remove(target);
    if (QFile::copy(source, target))  // a copy of a read-only template must stay writable
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
}
