// Any bytes as config.ini, with a key and a value taken from the input: reading never
// crashes, and writing replaces exactly the values after the key lines.
#include "FileError.h"
#include "FuzzSupport.h"
#include "Latin1.h"
#include "PowerClass.h"

#include <QTemporaryDir>
#include <cstdint>

using fuzzsupport::check;

namespace {

QString& configPath() {
    static QTemporaryDir dir;
    static QString path = dir.filePath(QStringLiteral("config.ini"));
    return path;
}

// Cuts the next line off bytes.
QByteArray takeLine(QByteArray& bytes) {
    const qsizetype end = bytes.indexOf('\n');
    const QByteArray line = end < 0 ? bytes : bytes.left(end);
    bytes = end < 0 ? QByteArray() : bytes.mid(end + 1);
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Input: the key line, the value line (which may keep a CR), then the file.
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString key = QString::fromLatin1(takeLine(bytes));
    const QString value = QString::fromLatin1(takeLine(bytes));
    const QString& path = configPath();
    fuzzsupport::writeFile(path, bytes);

    PowerClass power;
    power.m_configPath = path;
    try {
        power.ReadConfig(key);
        const QStringList before = latin1::readLines(path);
        if (!power.WriteConfig(key, value)) {
            check(value.contains(QLatin1Char('\r')), "only a line break is refused");
            check(fuzzsupport::readFile(path) == bytes, "a refused value leaves the file alone");
            return 0;
        }
        const QStringList after = latin1::readLines(path);
        check(after.size() == before.size(), "a write keeps every line");
        for (qsizetype i = 0; i < after.size(); ++i) {
            const bool afterKey = i > 0 && after[i - 1] == key;
            check(afterKey ? after[i] == value : after[i] == before[i],
                  "a write changes the value lines of the key and nothing else");
        }
        const QString read = power.ReadConfig(key);
        check(read == value || read.isEmpty(), "a written value reads back");
    } catch (const FileError&) {
        fuzzsupport::broken("a readable config.ini raises no file error");
    }
    return 0;
}
