#pragma once

#include <QString>
#include <functional>

class QWidget;

// The one place where a FileError becomes a message: every user action (menu command, button,
// tab change, start-up) runs inside guard(). The texts come from the main window's
// translation; until one is set, English ones are used.
namespace actionguard {

using TextLookup = std::function<QString(int)>;
void setTextLookup(TextLookup lookup);

// Runs action; a FileError it raises is shown as "<file> was not found." or the like.
// Returns false when an error was reported.
bool guard(QWidget* parent, const std::function<void()>& action);

// The message for a FileError, as guard() shows it (kind as FileError::Kind).
QString describe(int kind, const QString& path, const QString& reason);

// A translated text by number, or fallback when the lookup has no such text.
QString text(int number, const QString& fallback);

}  // namespace actionguard
