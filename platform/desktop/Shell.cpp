#include "Shell.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QUrl>
#include <QWidget>

namespace shell {

bool open(const QString& pathOrUrl) {
    const QUrl url = QFileInfo(pathOrUrl).isAbsolute() ? QUrl::fromLocalFile(pathOrUrl)
                                                       : QUrl::fromUserInput(pathOrUrl);
    return QDesktopServices::openUrl(url);
}

bool copyToClipboard(const QString& text, bool pasteAfter) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(text);
    if (pasteAfter) {
        if (QWidget* target = QApplication::focusWidget()) {
            QApplication::postEvent(target,
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier,
                                                  QStringLiteral("\x16")));
            QApplication::postEvent(
                target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_V, Qt::ControlModifier,
                                      QStringLiteral("\x16")));
        }
    }
    return true;
}

}  // namespace shell
