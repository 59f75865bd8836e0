#include "StorePath.h"

#include "AtomicFileWriter.h"
#include "FileError.h"
#include "PowerClass.h"
#include "StoreConnection.h"

#include <QFile>
#include <QFileInfo>

namespace storepath {

const QString kStoreFileName = QStringLiteral("orvane_database.sqlite");

namespace {
const QString kNotChosen = QStringLiteral("---");
const QString kProgramFolderMarker = QStringLiteral("...\\");
}  // namespace

QString ResolveStorePath(PowerClass& power) {
    const QString templatePath = power.GetProgramFolder() + QLatin1Char('/') + kStoreFileName;
    const QString pathKey = QStringLiteral("Path");
    QString value = power.ReadConfigPath(pathKey);
    if (value == kNotChosen) {
        const QString perUser = power.m_dataRoot + QLatin1Char('/') + kStoreFileName;
        if (!PowerClass::FileExists(perUser))
            PowerClass::CopyWithShell(templatePath, perUser, false);
        power.WriteConfigPath(pathKey, perUser);
        value = perUser;
    }
    const QString candidate = value == kProgramFolderMarker ? templatePath : value;
    // A folder of that name is left alone: copying would only drop a file into it.
    if (candidate != templatePath && !QFileInfo(candidate).isDir() &&
        !StoreConnection::isUsableStore(candidate)) {
        // Its content is only a copy of the CSV file, so a fresh template loses nothing.
        if (PowerClass::FileExists(candidate))
            QFile::remove(candidate);
        PowerClass::CopyWithShell(templatePath, candidate, false);
    }
    return StoreConnection::isUsableStore(candidate) ? candidate : templatePath;
}

bool RenewStore(PowerClass& power, const QString& storePath) {
    const QString templatePath = power.GetProgramFolder() + QLatin1Char('/') + kStoreFileName;
    if (storePath == templatePath || QFileInfo(storePath).isDir())
        return false;
    QFile source(templatePath);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray fresh = source.readAll();
    try {
        writeFileAtomically(storePath, fresh);
    } catch (const FileError&) {
        return false;  // the caller reports the store as unusable
    }
    // A journal left by the old file would be played back into the fresh one.
    QFile::remove(storePath + QStringLiteral("-journal"));
    return StoreConnection::isUsableStore(storePath);
}

}  // namespace storepath
