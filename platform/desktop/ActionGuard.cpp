#include "ActionGuard.h"

#include "FileError.h"
#include "Prompter.h"

#include <QDir>

namespace actionguard {

namespace {

Texts& installed() {
    static Texts texts;
    return texts;
}

QString orEnglish(const QString& text, const char* english) {
    return text.isEmpty() ? QString::fromLatin1(english) : text;
}

}  // namespace

void setTexts(const Texts& texts) {
    installed() = texts;
}

QString describe(const FileError& error) {
    const Texts& texts = installed();
    const QString shownPath = QDir::toNativeSeparators(error.path());
    switch (error.kind()) {
        case FileError::Kind::NotFound:
            return orEnglish(texts.notFound, "%1 was not found.").arg(shownPath);
        case FileError::Kind::ReadFailed:
            return orEnglish(texts.readFailed, "%1 could not be read: %2")
                .arg(shownPath, error.reason());
        case FileError::Kind::WriteFailed:
            return orEnglish(texts.writeFailed,
                             "%1 could not be written: %2. The file was left unchanged.")
                .arg(shownPath, error.reason());
    }
    return shownPath;
}

bool guard(QWidget* parent, const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const FileError& error) {
        Prompter::current().message(parent, describe(error),
                                    orEnglish(installed().caption, "Orvane Database"),
                                    Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return false;
    }
}

}  // namespace actionguard
