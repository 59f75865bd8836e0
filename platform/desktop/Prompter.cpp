#include "Prompter.h"

#include "ProgressWindow.h"
#include "UnattendedPrompter.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>
#include <climits>
#include <utility>

namespace {

Prompter*& installed() {
    static Prompter* prompter = nullptr;
    return prompter;
}

// A ProgressWindow over its parent window. It appears only from advance(), once the work has
// taken showAfter ms: never by itself in the middle of something else, such as over a message.
// While it shows, advance() lets the window system deliver what has come at most every 30 ms,
// which is all the eye can follow: a call for each line then costs a look at the clock.
class QtProgress : public Progress {
public:
    QtProgress(QWidget* parent, const QString& label, const QString& cancelText, qint64 total,
               qint64 showAfter)
        : m_window(parent, label, cancelText),
          m_showAfter(showAfter),
          m_total(std::max<qint64>(total, 0)) {
        // The bar counts in int: a larger total is counted in coarser units.
        while ((m_total >> m_shift) > INT_MAX)
            ++m_shift;
        m_window.setMaximum(static_cast<int>(m_total >> m_shift));
        m_started.start();
        m_sinceUpdate.start();
    }

    bool advance(qint64 done) override {
        if (!m_window.isVisible()) {
            if (m_started.elapsed() < m_showAfter) {
                // Too short to be worth a window; nothing can have been pressed. A window just
                // shown (a start on a large file) is painted meanwhile, not left blank.
                if (m_sinceUpdate.hasExpired(kUpdateInterval)) {
                    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                    m_sinceUpdate.restart();
                }
                return true;
            }
            m_window.show();
        } else if (!m_sinceUpdate.hasExpired(kUpdateInterval)) {
            return !(m_cancellable && m_window.wasCancelled());
        }
        m_window.setValue(static_cast<int>(std::clamp<qint64>(done, 0, m_total) >> m_shift));
        QCoreApplication::processEvents();
        m_sinceUpdate.restart();
        return !(m_cancellable && m_window.wasCancelled());
    }

    void setCancellable(bool cancellable) override {
        m_cancellable = cancellable;
        m_window.setCancellable(cancellable);
    }

private:
    static constexpr qint64 kUpdateInterval = 30;  // ms

    ProgressWindow m_window;
    qint64 m_showAfter;  // ms
    QElapsedTimer m_started;
    QElapsedTimer m_sinceUpdate;
    qint64 m_total = 0;
    int m_shift = 0;
    bool m_cancellable = true;
};

// The print dialog for a printout that is always the whole document: no selection, no page
// range. True when the user confirmed.
bool confirmPrint(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}

// An action of the preview's tool bar, by the text Qt gives it (in the language Qt shows);
// nullptr when this Qt has none.
QAction* previewAction(const QPrintPreviewDialog& preview, const char* text) {
    const QString shown = QCoreApplication::translate("QPrintPreviewDialog", text);
    for (QAction* action : preview.findChildren<QAction*>()) {
        if (action->text() == shown)
            return action;
    }
    return nullptr;
}

}  // namespace

Prompter& Prompter::current() {
    static QtPrompter real;
    static UnattendedPrompter unattended;
    if (installed())
        return *installed();
    return UnattendedPrompter::isUnattended() ? static_cast<Prompter&>(unattended) : real;
}

Prompter* Prompter::install(Prompter* prompter) {
    return std::exchange(installed(), prompter);
}

Prompter::Answer Prompter::message(QWidget* parent, const QString& text, const QString& caption,
                                   Buttons buttons, Icon icon) {
    if (m_holds > 0 && buttons == Buttons::Ok) {
        m_held.append({parent, text, caption, icon});
        return Answer::Ok;
    }
    return showMessage(parent, text, caption, buttons, icon);
}

Prompter::MessageHold::MessageHold(Prompter& prompter) : m_prompter(prompter) {
    ++m_prompter.m_holds;
}

Prompter::MessageHold::~MessageHold() {
    if (--m_prompter.m_holds > 0)
        return;
    const QList<HeldMessage> held = std::exchange(m_prompter.m_held, {});
    for (const HeldMessage& message : held)
        m_prompter.showMessage(message.parent, message.text, message.caption, Buttons::Ok,
                               message.icon);
}

Prompter::Answer QtPrompter::showMessage(QWidget* parent, const QString& text,
                                         const QString& caption, Buttons buttons, Icon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
        case Icon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case Icon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case Icon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
    }
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    if (buttons == Buttons::YesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        switch (box.exec()) {
            case QMessageBox::Yes:
                return Answer::Yes;
            case QMessageBox::No:
                return Answer::No;
            default:
                return Answer::Cancel;
        }
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

QString QtPrompter::openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString QtPrompter::saveFileName(QWidget* parent, const QString& caption,
                                 const QString& initialPath, const QStringList& filters,
                                 int* chosen) {
    QString selected = filters.value(*chosen);
    // The program asks itself before replacing a file, after it has added ".csv".
    const QString path = QFileDialog::getSaveFileName(parent, caption, initialPath,
                                                      filters.join(QStringLiteral(";;")), &selected,
                                                      QFileDialog::DontConfirmOverwrite);
    *chosen = std::max(0, static_cast<int>(filters.indexOf(selected)));
    return path;
}

int QtPrompter::runModal(QDialog& dialog) {
    return dialog.exec();
}

bool QtPrompter::previewAndPrint(QPrinter& printer, QWidget* parent,
                                 const std::function<void(QPrinter&)>& paint, bool withPreview) {
    if (!withPreview) {
        if (!confirmPrint(printer, parent))
            return false;
        paint(printer);
        return true;
    }
    QPrintPreviewDialog preview(&printer, parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&paint](QPrinter* device) { paint(*device); });
    // Turning the page or setting it up would change the preview alone: the printout keeps the
    // page setup it was given.
    for (const char* text : {"Portrait", "Landscape", "Page setup"}) {
        if (QAction* action = previewAction(preview, text))
            action->setEnabled(false);
    }
    // Qt's own Print asks with a print dialog that offers a page range, which paint does not
    // know: print through the program's print dialog instead. Cancelling it leaves the preview
    // open, as Qt's does.
    if (QAction* print = previewAction(preview, "Print")) {
        print->disconnect(&preview);
        QObject::connect(print, &QAction::triggered, &preview, [&] {
            if (!confirmPrint(printer, &preview))
                return;
            paint(printer);
            preview.accept();
        });
    }
    return preview.exec() == QDialog::Accepted;
}

std::unique_ptr<Progress> QtPrompter::progress(QWidget* parent, const QString& label,
                                               const QString& cancelText, qint64 total) {
    return std::make_unique<QtProgress>(parent, label, cancelText, total, m_showAfter);
}
