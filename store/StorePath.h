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

}  // namespace storepath
