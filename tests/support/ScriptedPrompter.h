#pragma once

#include "Prompter.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <functional>

// A Prompter for tests and scripted runs: answers come from queues, and every prompt is
// recorded. With an empty queue a message gets Ok (or No for a Yes/No question), a file
// dialog is cancelled, a modal dialog is rejected, a print preview is closed without printing
// and a progress runs to its end. What happens elsewhere while a person would look at a prompt
// (a background result, a keystroke) can be made to happen then.
class ScriptedPrompter : public Prompter {
public:
    struct Prompt {
        // "message", "open", "save", "modal", "preview", "print" (the print dialog, opened from
        // the preview), "progress"
        QString kind;
        // message text, file dialog's initial path or folder, dialog class name, the number of
        // pages the preview shows, progress label
        QString text;
        QString caption;  // a preview's: the document name
    };

    // Installed from construction to destruction; the one installed before comes back then.
    ScriptedPrompter() : m_previous(Prompter::install(this)) {}
    ~ScriptedPrompter() override { Prompter::install(m_previous); }

    void queueAnswer(Answer answer) { m_answers.enqueue(answer); }
    void queueFileName(const QString& path) { m_fileNames.enqueue(path); }
    // The file type the next save dialog answers with (else the preselected one).
    void queueFileType(int index) { m_fileTypes.enqueue(index); }
    // The file types the last save dialog offered, and the one it preselected.
    const QStringList& offeredFileTypes() const { return m_offeredTypes; }
    int preselectedFileType() const { return m_preselectedType; }
    // The function acts on the shown dialog (selects a line, presses OK) and returns the result.
    void queueDialog(std::function<int(QDialog&)> script) { m_dialogs.enqueue(std::move(script)); }
    // The print dialog, opened from the next preview: the function sets up the printer (output
    // file, paper) and returns whether to print.
    void queuePrint(std::function<bool(QPrinter&)> script) { m_prints.enqueue(std::move(script)); }
    // Every preview from now on is also drawn into the PDF file path, as the preview shows it,
    // so that a test can read it (none when empty).
    void setPreviewFile(const QString& path) { m_previewFile = path; }
    // The next progress is cancelled once its work reaches done (while Cancel is offered).
    void queueCancelAt(qint64 done) { m_cancels.enqueue(done); }
    // The next prompt has happening happen while it is open, before it is answered; a progress
    // at its first step.
    void queueMeanwhile(std::function<void()> happening) { m_meanwhile.enqueue(happening); }
    // step runs at every step of every progress, as what arrives while a progress window
    // shows; none when empty.
    void setDuringWork(std::function<void()> step) { m_duringWork = std::move(step); }

    const QList<Prompt>& prompts() const { return m_prompts; }
    QStringList messageTexts() const;
    void clearPrompts() { m_prompts.clear(); }
    bool queuesEmpty() const;

    QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& initialPath,
                         const QStringList& filters, int* chosen) override;
    int runModal(QDialog& dialog) override;
    // Renders the preview through Qt's preview widget, as the real dialog does, then prints as
    // the print queue says.
    bool previewAndPrint(QPrinter& printer, QWidget* parent,
                         const std::function<void(QPrinter&)>& paint, bool withPreview) override;
    std::unique_ptr<Progress> progress(QWidget* parent, const QString& label,
                                       const QString& cancelText, qint64 total) override;

protected:
    Answer showMessage(QWidget* parent, const QString& text, const QString& caption,
                       Buttons buttons, Icon icon) override;
    void record(const QString& kind, const QString& text, const QString& caption) {
        m_prompts.append({kind, text, caption});
    }

private:
    Prompter* m_previous;
    QList<Prompt> m_prompts;
    QQueue<Answer> m_answers;
    QQueue<QString> m_fileNames;
    QQueue<int> m_fileTypes;
    QStringList m_offeredTypes;
    int m_preselectedType = -1;
    QQueue<std::function<int(QDialog&)>> m_dialogs;
    QQueue<std::function<bool(QPrinter&)>> m_prints;
    QString m_previewFile;
    QQueue<qint64> m_cancels;
    QQueue<std::function<void()>> m_meanwhile;
    std::function<void()> m_duringWork;

    // What was queued to happen while the prompt is open.
    void happenMeanwhile();
    // Renders the preview (into the preview file too, when one is set) and records it.
    void showPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint);
};
