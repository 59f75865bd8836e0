#pragma once

#include <QString>

// Where the working store lives. The program remembers the choice in its settings ("Path");
// this part only decides, from values it is given.
namespace storepath {

extern const QString kStoreFileName;  // "orvane_database.sqlite"
// What a path setting holds before a file was chosen ("---"): "Path" before the working store,
// "LastDataBase" before the first database.
extern const QString kNotChosen;

// The store template installed in programFolder.
QString templateIn(const QString& programFolder);

struct Choice {
    QString storePath;   // the working store to use
    QString remembered;  // the value the "Path" setting is to hold from now; empty: as it is
};

// Chooses the working store at start-up. configured is the "Path" setting: kNotChosen means
// not chosen yet (the per-user copy in dataRoot is made from the template and is to be
// remembered), "...\" means the template itself, anything else is the store's full path. A
// store that is missing, not a database or lacks its table is replaced by a fresh copy of the
// template; when no copy can be made the template itself is used.
Choice ResolveStorePath(const QString& configured, const QString& dataRoot,
                        const QString& templatePath);

// Replaces the working store at storePath by a fresh copy of templatePath, through a temporary
// file, so that a copy that fails leaves the old file. For a store whose damage only shows when
// its entries are read or replaced: its content is a copy of a CSV file anyway. False when
// storePath is the template itself or a folder, or no sound copy was made.
bool RenewStore(const QString& templatePath, const QString& storePath);

}  // namespace storepath
