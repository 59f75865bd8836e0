#include "Prompter.h"

#include "UnattendedPrompter.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>

namespace {
Prompter*& installed() {
    static Prompter* prompter = nullptr;
    return prompter;
}
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
