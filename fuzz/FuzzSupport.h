#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>

// What every fuzz target shares: writing the input to a file and stopping loudly when an
// invariant breaks, so that libFuzzer keeps the input as a crash.
namespace fuzzsupport {

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return file.readAll();
}

[[noreturn]] inline void broken(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void check(bool holds, const char* what) {
    if (!holds)
        broken(what);
}

}  // namespace fuzzsupport
