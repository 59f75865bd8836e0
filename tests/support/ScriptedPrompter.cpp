#include "ScriptedPrompter.h"

#include <QDialog>
#include <QMetaObject>
#include <QPrintPreviewWidget>
#include <QPrinter>

#include <limits>
#include <utility>

namespace {

// Cancelled by the script once the work reaches cancelAt; meanwhile happens at the first step,
// duringWork at every one.
class ScriptedProgress : public Progress {
public:
    ScriptedProgress(qint64 cancelAt, std::function<void()> meanwhile,
                     const std::function<void()>& duringWork)
        : m_cancelAt(cancelAt), m_meanwhile(std::move(meanwhile)), m_duringWork(duringWork) {}
    bool advance(qint64 done) override {
        if (m_meanwhile)
            std::exchange(m_meanwhile, {})();
        if (m_duringWork)
            m_duringWork();
        return !(m_cancellable && done >= m_cancelAt);
    }
    void setCancellable(bool cancellable) override { m_cancellable = cancellable; }

private:
    qint64 m_cancelAt;
    std::function<void()> m_meanwhile;
    const std::function<void()>& m_duringWork;
    bool m_cancellable = true;
};

}  // namespace

QStringList ScriptedPrompter::messageTexts() const {
    QStringList texts;
    for (const Prompt& prompt : m_prompts) {
        if (prompt.kind == QLatin1String("message"))
            texts.append(prompt.text);
    }
    return texts;
}

void ScriptedPrompter::happenMeanwhile() {
    if (!m_meanwhile.isEmpty())
        m_meanwhile.dequeue()();
}

bool ScriptedPrompter::queuesEmpty() const {
    return m_answers.isEmpty() && m_fileNames.isEmpty() && m_fileTypes.isEmpty() &&
           m_dialogs.isEmpty() && m_prints.isEmpty() && m_cancels.isEmpty() &&
           m_meanwhile.isEmpty();
}

Prompter::Answer ScriptedPrompter::showMessage(QWidget*, const QString& text,
                                               const QString& caption, Buttons buttons, Icon) {
    m_prompts.append({QStringLiteral("message"), text, caption});
    happenMeanwhile();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (m_answers.isEmpty())  // an unscripted question keeps everything it can
        return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
    return m_answers.dequeue();
}

QString ScriptedPrompter::openFileName(QWidget*, const QString& caption, const QString& folder,
                                       const QString&) {
    m_prompts.append({QStringLiteral("open"), folder, caption});
    happenMeanwhile();
    return m_fileNames.isEmpty() ? QString() : m_fileNames.dequeue();
}

QString ScriptedPrompter::saveFileName(QWidget*, const QString& caption, const QString& initialPath,
                                       const QStringList& filters, int* chosen) {
    m_prompts.append({QStringLiteral("save"), initialPath, caption});
    happenMeanwhile();
    m_offeredTypes = filters;
    m_preselectedType = *chosen;
    if (!m_fileTypes.isEmpty())
        *chosen = m_fileTypes.dequeue();
    return m_fileNames.isEmpty() ? QString() : m_fileNames.dequeue();
}

int ScriptedPrompter::runModal(QDialog& dialog) {
    m_prompts.append({QStringLiteral("modal"),
                      QString::fromLatin1(dialog.metaObject()->className()), dialog.windowTitle()});
    happenMeanwhile();
    if (m_dialogs.isEmpty())
        return QDialog::Rejected;
    dialog.show();
    const int result = m_dialogs.dequeue()(dialog);
    dialog.hide();
    return result;
}

bool ScriptedPrompter::previewAndPrint(QPrinter& printer, QWidget*,
                                       const std::function<void(QPrinter&)>& paint,
                                       bool withPreview) {
    if (withPreview)
        showPreview(printer, paint);
    if (m_prints.isEmpty())
        return false;
    m_prompts.append({QStringLiteral("print"), QString(), QString()});
    if (!m_prints.dequeue()(printer))
        return false;
    paint(printer);
    return true;
}

void ScriptedPrompter::showPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
    QPrintPreviewWidget preview(&printer);
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, &preview,
                     [&paint](QPrinter* device) { paint(*device); });
    preview.updatePreview();
    m_prompts.append(
        {QStringLiteral("preview"), QString::number(preview.pageCount()), printer.docName()});
    if (!m_previewFile.isEmpty()) {
        // The same drawing on the same printer, only put into a file.
        const QPrinter::OutputFormat format = printer.outputFormat();
        const QString file = printer.outputFileName();
        printer.setOutputFileName(m_previewFile);
        paint(printer);
        printer.setOutputFileName(file);
        printer.setOutputFormat(format);
    }
    happenMeanwhile();
}

std::unique_ptr<Progress> ScriptedPrompter::progress(QWidget*, const QString& label, const QString&,
                                                     qint64) {
    m_prompts.append({QStringLiteral("progress"), label, QString()});
    return std::make_unique<ScriptedProgress>(
        m_cancels.isEmpty() ? std::numeric_limits<qint64>::max() : m_cancels.dequeue(),
        m_meanwhile.isEmpty() ? std::function<void()>() : m_meanwhile.dequeue(), m_duringWork);
}
