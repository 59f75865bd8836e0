#include "StorePath.h"

#include "AtomicFileWriter.h"
#include "FileError.h"
#include "SilentCopy.h"
#include "StoreChanges.h"
#include "StoreConnection.h"

#include <QFile>
#include <QFileInfo>

namespace storepath {

const QString kStoreFileName = QStringLiteral("orvane_database.sqlite");
const QString kNotChosen = QStringLiteral("---");

namespace {
const QString kProgramFolderMarker = QStringLiteral("...\\");
}  // namespace

QString templateIn(const QString& programFolder) {
    return programFolder + QLatin1Char('/') + kStoreFileName;
}

Choice ResolveStorePath(const QString& configured, const QString& dataRoot,
                        const QString& templatePath) {
    Choice choice;
    QString candidate = configured == kProgramFolderMarker ? templatePath : configured;
    if (configured == kNotChosen) {
        candidate = dataRoot + QLatin1Char('/') + kStoreFileName;
        if (!QFileInfo::exists(candidate))
            copySilently(templatePath, candidate);
        choice.remembered = candidate;
    }
    // A folder of that name is left alone: copying would only drop a file into it.
    if (candidate != templatePath && !QFileInfo(candidate).isDir() &&
        !StoreConnection::isUsableStore(candidate)) {
        // Its content is only a copy of the CSV file, so a fresh template loses nothing.
        if (QFileInfo::exists(candidate))
            QFile::remove(candidate);
        copySilently(templatePath, candidate);
        storechanges::note();
    }
    choice.storePath = StoreConnection::isUsableStore(candidate) ? candidate : templatePath;
    return choice;
}

bool RenewStore(const QString& templatePath, const QString& storePath) {
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
    storechanges::note();
    // A journal left by the old file would be played back into the fresh one.
    QFile::remove(storePath + QStringLiteral("-journal"));
    return StoreConnection::isUsableStore(storePath);
}

}  // namespace storepath
