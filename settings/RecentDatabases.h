#pragma once

#include <QString>
#include <QStringList>

class PowerClass;

// The databases opened or saved last, newest first, as the File menu lists them. Kept in
// config.ini under "RecentDataBase1" to "RecentDataBase8" by the rule for paths of any name
// (PowerClass::WriteConfigPath); an empty value ends the list. Every function raises
// FileError when config.ini cannot be read or written.
namespace recentdatabases {

constexpr int kMost = 8;

// The list as config.ini holds it.
QStringList read(const PowerClass& power);
// Puts path first (once), keeping at most kMost.
void add(PowerClass& power, const QString& path);
// Takes path out of the list.
void remove(PowerClass& power, const QString& path);

}  // namespace recentdatabases
