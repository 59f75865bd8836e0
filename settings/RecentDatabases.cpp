#include "RecentDatabases.h"

#include "ConfigKeys.h"
#include "PowerClass.h"

namespace recentdatabases {

namespace {

QStringList keys() {
    QStringList names;
    for (int i = 1; i <= kMost; ++i)
        names.append(configkeys::recentDatabase(i));
    return names;
}

void write(PowerClass& power, QStringList paths) {
    paths = paths.mid(0, kMost);
    while (paths.size() < kMost)
        paths.append(QString());
    power.WriteConfigPaths(keys(), paths);
}

}  // namespace

QStringList read(const PowerClass& power) {
    QStringList paths;
    for (const QString& path : power.ReadConfigPaths(keys())) {
        if (path.isEmpty())
            break;
        if (!paths.contains(path))
            paths.append(path);
    }
    return paths;
}

void add(PowerClass& power, const QString& path) {
    QStringList paths = read(power);
    if (paths.value(0) == path)
        return;  // the file is not rewritten for every save
    paths.removeAll(path);
    paths.prepend(path);
    write(power, paths);
}

void remove(PowerClass& power, const QString& path) {
    QStringList paths = read(power);
    if (paths.removeAll(path) > 0)
        write(power, paths);
}

}  // namespace recentdatabases
