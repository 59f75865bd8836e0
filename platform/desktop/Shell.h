#pragma once

#include <QString>

class QWidget;

// Desktop services in place of the Windows shell and clipboard.
namespace shell {

// Opens a local file or a web address with the desktop's program for it; false on failure.
bool open(const QString& pathOrUrl);

// Puts text on the clipboard; with pasteAfter, the widget with the keyboard focus receives
// Ctrl+V as if the user had pressed it.
bool copyToClipboard(const QString& text, bool pasteAfter);

}  // namespace shell
