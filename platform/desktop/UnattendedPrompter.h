#pragma once

#include "Prompter.h"

// The prompter of a run that nobody can watch (the offscreen platform): a modal window would
// wait for ever for an answer nobody can give. Every message goes to standard error instead,
// and every question gets the answer of a user who cancels: No, no file, dialog rejected,
// preview closed without printing. Long work shows no progress and is never cancelled.
class UnattendedPrompter : public Prompter {
public:
    // True when windows cannot be seen, so that nobody could answer them.
    static bool isUnattended();

    QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& initialPath,
                         const QStringList& filters, int* chosen) override;
    int runModal(QDialog& dialog) override;
    bool previewAndPrint(QPrinter& printer, QWidget* parent,
                         const std::function<void(QPrinter&)>& paint, bool withPreview) override;
    std::unique_ptr<Progress> progress(QWidget* parent, const QString& label,
                                       const QString& cancelText, qint64 total) override;

protected:
    Answer showMessage(QWidget* parent, const QString& text, const QString& caption,
                       Buttons buttons, Icon icon) override;
};
