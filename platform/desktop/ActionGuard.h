#pragma once

#include <QString>
#include <functional>

class FileError;
class QWidget;

// The one place where a FileError becomes a message: every user action (menu command, button,
// tab change, start-up) runs inside guard().
namespace actionguard {

// The words of the messages, in the language of the program's texts: the caption, and the
// message for a file not found (%1 the file), not read and not written (%1 the file, %2 the
// reason). One left empty is said in English; so are all until texts are set.
struct Texts {
    QString caption;
    QString notFound;
    QString readFailed;
    QString writeFailed;
};
void setTexts(const Texts& texts);

// Runs action; a FileError it raises is shown as "<file> was not found." or the like.
// Returns false when an error was reported.
bool guard(QWidget* parent, const std::function<void()>& action);

// The message for error, as guard() shows it.
QString describe(const FileError& error);

}  // namespace actionguard
