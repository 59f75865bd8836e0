#include "Prompter.h"

#include "UnattendedPrompter.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>

#include <algorithm>
#include <climits>

namespace {

Prompter*& installed() {
    static Prompter* prompter = nullptr;
    return prompter;
}

// Qt's progress dialog, over its parent window only. It appears once the work has taken half a
// second, and is told of the progress at most every 30 ms, which is all the eye can follow: a
// call for each line then costs a look at the clock, and the dialog's own event processing (which
// lets Cancel be pressed) stays a small part of the work.
class QtProgress : public Progress {
public:
    QtProgress(QWidget* parent, const QString& label, const QString& cancelText, qint64 total)
        : m_dialog(label, cancelText, 0, 0, parent),
          m_cancelText(cancelText),
          m_total(std::max<qint64>(total, 0)) {
        // The dialog counts in int: a larger total is counted in coarser units.
        while ((m_total >> m_shift) > INT_MAX)
            ++m_shift;
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(500);
        m_dialog.setAutoReset(false);  // stays, full, until the work is done with it
        m_dialog.setMaximum(static_cast<int>(m_total >> m_shift));
        m_dialog.setValue(0);  // the half second counts from here
        m_sinceUpdate.start();
    }

    bool advance(qint64 done) override {
        if (m_sinceUpdate.hasExpired(kUpdateInterval)) {
            m_dialog.setValue(static_cast<int>(std::clamp<qint64>(done, 0, m_total) >> m_shift));
            m_sinceUpdate.restart();
        }
        return !(m_cancellable && m_dialog.wasCanceled());
    }

    void setCancellable(bool cancellable) override {
        if (cancellable == m_cancellable)
            return;
        m_cancellable = cancellable;
        // No text, no button (and no Escape key).
        m_dialog.setCancelButtonText(cancellable ? m_cancelText : QString());
    }

private:
    static constexpr qint64 kUpdateInterval = 30;  // ms

    QProgressDialog m_dialog;
    QString m_cancelText;
    QElapsedTimer m_sinceUpdate;
    qint64 m_total = 0;
    int m_shift = 0;
    bool m_cancellable = true;
};

}  // namespace

Prompter& Prompter::current() {
    static QtPrompter real;
    static UnattendedPrompter unattended;
    if (installed())
        return *installed();
    return UnattendedPrompter::isUnattended() ? static_cast<Prompter&>(unattended) : real;
}

void Prompter::install(Prompter* prompter) {
    installed() = prompter;
}

Prompter::Answer QtPrompter::message(QWidget* parent, const QString& text, const QString& caption,
                                     Buttons buttons, Icon icon) {
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

bool QtPrompter::choosePrinter(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}

std::unique_ptr<Progress> QtPrompter::progress(QWidget* parent, const QString& label,
                                               const QString& cancelText, qint64 total) {
    return std::make_unique<QtProgress>(parent, label, cancelText, total);
}
