#pragma once

#include <QString>

// The folder of the running program, where its installation files stand. Tests point it at a
// temporary folder.
namespace programfolder {
QString path();
void setOverride(const QString& folder);  // empty: the real folder again
}  // namespace programfolder
