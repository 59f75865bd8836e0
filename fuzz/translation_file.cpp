// Any bytes as the translation file, with the configured language taken from the input:
// loading never crashes or hangs, and every lookup gives a text.
#include "CTranslation.h"
#include "FileError.h"
#include "FuzzSupport.h"
#include "ProgramFolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdint>

using fuzzsupport::check;

namespace {

QTemporaryDir& programFolder() {
    static QTemporaryDir dir;
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // No per-user folder: the program works on the files beside itself.
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("HOME");
    programfolder::setOverride(programFolder().path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Input: the "Language" value (up to the first LF, CR dropped), then the file.
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype end = bytes.indexOf('\n');
    QByteArray language = end < 0 ? bytes : bytes.left(end);
    language.replace('\r', "");
    bytes = end < 0 ? QByteArray() : bytes.mid(end + 1);

    const QDir folder(programFolder().path());
    fuzzsupport::writeFile(
        folder.filePath(QStringLiteral("config.ini")),
        "Product ID\r\nfz\r\nLanguage\r\n" + language + "\r\nDialects[1031]\r\n[1031][2055]\r\n");
    fuzzsupport::writeFile(folder.filePath(QStringLiteral("fztrl.ini")), bytes);
    CTranslation texts;
    try {
        texts.LoadTexts();
    } catch (const FileError&) {
        fuzzsupport::broken("readable files raise no file error");
    }
    for (int id : {0, 1, 5, 40, 603, 10000, 99998, CTranslation::LastTextId})
        texts.GetText(id);
    check(texts.GetText(-1) == texts.GetText(CTranslation::LastTextId),
          "a number no line can carry gives the text of 99999");
    return 0;
}
