#include "StorePath.h"

#include "PowerClass.h"
#include "StoreConnection.h"

#include <QFile>

namespace storepath {

const QString kStoreFileName = QStringLiteral("orvane_database.sqlite");

namespace {
const QString kNotChosen = QStringLiteral("---");
const QString kProgramFolderMarker = QStringLiteral("...\\");
}  // namespace

QString ResolveStorePath(PowerClass& power) {
    const QString templatePath = power.GetProgramFolder() + QLatin1Char('/') + kStoreFileName;
    const QString pathKey = QStringLiteral("Path");
    if (power.ReadConfig(pathKey) == kNotChosen) {
        const QString perUser = power.m_dataRoot + QLatin1Char('/') + kStoreFileName;
        if (!PowerClass::FileExists(perUser))
            PowerClass::CopyWithShell(templatePath, perUser, false);
        power.WriteConfig(pathKey, perUser);
    }
    const QString value = power.ReadConfig(pathKey);
    const QString candidate = value == kProgramFolderMarker ? templatePath : value;
    if (candidate != templatePath && !StoreConnection::isUsableStore(candidate)) {
        // Its content is only a copy of the CSV file, so a fresh template loses nothing.
        if (PowerClass::FileExists(candidate))
            QFile::remove(candidate);
        PowerClass::CopyWithShell(templatePath, candidate, false);
    }
    return PowerClass::FileExists(candidate) ? candidate : templatePath;
}

}  // namespace storepath
