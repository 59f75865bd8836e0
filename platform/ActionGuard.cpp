#include "ActionGuard.h"

#include "FileError.h"
#include "Prompter.h"

#include <QDir>

namespace actionguard {

namespace {
TextLookup& lookup() {
    static TextLookup function;
    return function;
}
}  // namespace

void setTextLookup(TextLookup function) {
    lookup() = std::move(function);
}

QString text(int number, const QString& fallback) {
    if (!lookup())
        return fallback;
    const QString translated = lookup()(number);
    return translated == QLatin1String("---") ? fallback : translated;
}

QString describe(int kind, const QString& path, const QString& reason) {
    const QString shownPath = QDir::toNativeSeparators(path);
    switch (static_cast<FileError::Kind>(kind)) {
        case FileError::Kind::NotFound:
            return text(600, QStringLiteral("%1 was not found.")).arg(shownPath);
        case FileError::Kind::ReadFailed:
            return text(601, QStringLiteral("%1 could not be read: %2")).arg(shownPath, reason);
        case FileError::Kind::WriteFailed:
            return text(602, QStringLiteral("%1 could not be written: %2. The file was left "
                                            "unchanged."))
                .arg(shownPath, reason);
    }
    return shownPath;
}

bool guard(QWidget* parent, const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const FileError& error) {
        Prompter::current().message(
            parent, describe(static_cast<int>(error.kind()), error.path(), error.reason()),
            text(5, QStringLiteral("Orvane Database")), Prompter::Buttons::Ok,
            Prompter::Icon::Warning);
        return false;
    }
}

}  // namespace actionguard
