#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QDialog;
class QPrinter;
class QWidget;

// The progress of a long operation as the user follows it, with Cancel; it goes away with the
// object, and only with it.
class Progress {
public:
    virtual ~Progress() = default;
    // done of the total so far; false once the user has cancelled. Cheap enough to call for
    // every line.
    virtual bool advance(qint64 done) = 0;
    // Cancel is offered until this turns it off (a step that can no longer be taken back).
    virtual void setCancellable(bool cancellable) = 0;
};

// Every modal question the program asks goes through the current Prompter: message boxes,
// file dialogs, the print preview and the modal runs of the program's own dialogs. The real
// one shows Qt's dialogs; tests install a ScriptedPrompter that answers from a queue.
class Prompter {
public:
    // YesNoCancel: Cancel (and Escape, and closing the box) keeps everything as it was.
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Icon { None, Question, Warning, Information };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~Prompter() = default;

    // A message box. One that only informs (Buttons::Ok) waits while messages are held and is
    // answered Ok at once.
    Answer message(QWidget* parent, const QString& text, const QString& caption, Buttons buttons,
                   Icon icon);

    // While a hold lives, messages that only inform wait; when the last hold goes they are shown
    // in the order they came. So what an operation has to tell comes after its progress windows
    // have closed and its result is complete, never under or over them. A question cannot wait
    // and is asked at once.
    class MessageHold {
    public:
        explicit MessageHold(Prompter& prompter);
        ~MessageHold();
        MessageHold(const MessageHold&) = delete;
        MessageHold& operator=(const MessageHold&) = delete;

    private:
        Prompter& m_prompter;
    };

    // Empty result: the user cancelled.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    // filters are the file types offered ("CSV Databases (*.csv)", ...); *chosen is the one
    // preselected on the way in and the one the user took on the way out.
    virtual QString saveFileName(QWidget* parent, const QString& caption,
                                 const QString& initialPath, const QStringList& filters,
                                 int* chosen) = 0;
    // Runs dialog modally and returns its result code (QDialog::Accepted or Rejected).
    virtual int runModal(QDialog& dialog) = 0;
    // Shows the pages that paint draws on printer in a print preview, from which the user can
    // print them through the print dialog. paint draws the whole document, the same way for the
    // preview and for the printout: it is called for every rendering of the preview and, once
    // the user has confirmed the print dialog, once more to print. It opens no window. True when
    // paint was called to print (how that went is paint's to tell); false when the preview was
    // closed without printing. Without withPreview the print dialog comes alone: a document of
    // many thousand pages would take minutes and gigabytes to preview.
    virtual bool previewAndPrint(QPrinter& printer, QWidget* parent,
                                 const std::function<void(QPrinter&)>& paint, bool withPreview) = 0;
    // The progress of work of total units, described by label, with a Cancel button that says
    // cancelText; shown only when the work takes long enough for a person to wait.
    virtual std::unique_ptr<Progress> progress(QWidget* parent, const QString& label,
                                               const QString& cancelText, qint64 total) = 0;

    static Prompter& current();
    // Installs prompter as the current one (not owned); nullptr restores the real one. Returns
    // the one installed before.
    static Prompter* install(Prompter* prompter);

protected:
    virtual Answer showMessage(QWidget* parent, const QString& text, const QString& caption,
                               Buttons buttons, Icon icon) = 0;

private:
    struct HeldMessage {
        QPointer<QWidget> parent;
        QString text;
        QString caption;
        Icon icon;
    };
    int m_holds = 0;
    QList<HeldMessage> m_held;
};

// The real prompter on Qt's standard dialogs, and a progress window of its own (ProgressWindow),
// which appears once the work has taken showAfter milliseconds.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(qint64 showAfter = 500) : m_showAfter(showAfter) {}

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

private:
    qint64 m_showAfter;
};
