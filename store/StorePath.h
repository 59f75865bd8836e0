#pragma once

#include <QString>

class PowerClass;

namespace storepath {

extern const QString kStoreFileName;  // "orvane_database.sqlite"

// Chooses the working store at start-up and returns its full path. The setting "Path" holds
// the choice: "---" means not chosen yet (the per-user copy below m_dataRoot is made from the
// template beside the program), "...\" means the template itself. A store that is missing,
// not a database or lacks Table1 with its 26 columns is replaced by a fresh copy of the
// template; when no copy can be made the template itself is used.
QString ResolveStorePath(PowerClass& power);

// Replaces the working store at storePath by a fresh copy of the template beside the program,
// through a temporary file, so that a copy that fails leaves the old file. For a store whose
// damage only shows when its entries are read or replaced: its content is a copy of a CSV file
// anyway. False when storePath is the template itself or a folder, or no sound copy was made.
bool RenewStore(PowerClass& power, const QString& storePath);

}  // namespace storepath
