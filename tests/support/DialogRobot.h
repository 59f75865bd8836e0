#pragma once

#include "Prompter.h"
#include "ScriptedPrompter.h"

#include <QElapsedTimer>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>

// The program's real message boxes and progress windows in a test. Messages and progress go to
// Qt's dialogs (QtPrompter), shown as the program shows them, and are recorded as a
// ScriptedPrompter records them; file names, the program's own dialogs and the print dialog
// still come from the queues. A progress window appears at the work's first step instead of
// after half a second, so that a small database shows one too.
class RealDialogs : public ScriptedPrompter {
public:
    std::unique_ptr<Progress> progress(QWidget* parent, const QString& label,
                                       const QString& cancelText, qint64 total) override;

protected:
    Answer showMessage(QWidget* parent, const QString& text, const QString& caption,
                       Buttons buttons, Icon icon) override;

private:
    QtPrompter m_real{0};
};

// A person at the real dialogs. It looks at the windows every few milliseconds, so in every
// event loop the program runs (a message box's, a progress window's); it answers each message box
// once the box has stood for a while (longer than a progress window takes to appear), and acts
// on each progress window as told once it has shown for that while. Keys, clicks and closes go
// through the window system as a person's do: a window that a modal one covers does not get
// them. What a person would see go wrong is collected in faults().
class DialogRobot : public QObject {
    Q_OBJECT
public:
    explicit DialogRobot(int delay = 700);

    // The next message box whose text holds text (any, for the empty text) is answered with
    // button. A box without an answer gets OK, or No when it asks.
    void answer(QMessageBox::StandardButton button, const QString& text = QString());
    // The next progress window to appear whose text holds label gets action once it has shown
    // for the delay; the work waits meanwhile, as slow work would.
    void onProgress(const QString& label, std::function<void(QDialog& progress)> action);

    // Every window seen, in the order they appeared: "message: <text>", "progress: <label>".
    const QStringList& seen() const { return m_seen; }
    // A progress window over a message box, a message box the answer did not close, a window
    // left over: what a person would find wrong. Empty when nothing was.
    const QStringList& faults() const { return m_faults; }
    // Whether a message box or progress window is open now.
    static bool dialogShown();

    // A person's hand: a key pressed in a window, a click on a button, the title bar's close.
    static void pressKey(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    static void click(QWidget* button);
    static void closeWindow(QWidget* window);
    // The progress windows and message boxes shown now.
    static QList<QDialog*> shownProgressWindows();
    static QList<QMessageBox*> shownMessageBoxes();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Answer {
        QMessageBox::StandardButton button;
        QString text;
    };
    struct ProgressAction {
        QString label;
        std::function<void(QDialog&)> action;
    };
    struct Box {
        QPointer<QMessageBox> box;
        QElapsedTimer shown;
        bool answered = false;
        QElapsedTimer sinceAnswer;
    };
    void look();
    void answerBox(Box& box);
    void fault(const QString& what);

    int m_delay;
    QTimer m_timer;
    QList<Answer> m_answers;
    QList<ProgressAction> m_progressActions;
    QList<Box> m_boxes;
    QList<QPointer<QDialog>> m_progressWindows;
    QStringList m_seen;
    QStringList m_faults;
};
