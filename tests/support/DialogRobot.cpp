#include "DialogRobot.h"

#include <qpa/qwindowsysteminterface.h>
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QThread>
#include <QWindow>

namespace {

constexpr int kLookEvery = 10;      // ms
constexpr int kAnswerTakes = 2000;  // ms: an answered box still open after this is stuck

QString labelOf(const QDialog& dialog) {
    const QLabel* label = dialog.findChild<QLabel*>();
    return label ? label->text() : QString();
}

}  // namespace

std::unique_ptr<Progress> RealDialogs::progress(QWidget* parent, const QString& label,
                                                const QString& cancelText, qint64 total) {
    record(QStringLiteral("progress"), label, QString());
    return m_real.progress(parent, label, cancelText, total);
}

Prompter::Answer RealDialogs::showMessage(QWidget* parent, const QString& text,
                                          const QString& caption, Buttons buttons, Icon icon) {
    record(QStringLiteral("message"), text, caption);
    return m_real.message(parent, text, caption, buttons, icon);
}

DialogRobot::DialogRobot(int delay) : m_delay(delay) {
    m_timer.setInterval(kLookEvery);
    connect(&m_timer, &QTimer::timeout, this, &DialogRobot::look);
    m_timer.start();
    // A window that appears is looked at as soon as the program lets events in, also when
    // that is only once.
    qApp->installEventFilter(this);
}

bool DialogRobot::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && qobject_cast<QDialog*>(watched))
        QMetaObject::invokeMethod(this, &DialogRobot::look, Qt::QueuedConnection);
    return false;
}

void DialogRobot::answer(QMessageBox::StandardButton button, const QString& text) {
    m_answers.append({button, text});
}

void DialogRobot::onProgress(const QString& label, std::function<void(QDialog&)> action) {
    m_progressActions.append({label, std::move(action)});
}

QList<QDialog*> DialogRobot::shownProgressWindows() {
    QList<QDialog*> shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(window);
        if (dialog && dialog->isVisible() && !qobject_cast<QMessageBox*>(dialog) &&
            dialog->findChild<QProgressBar*>())
            shown.append(dialog);
    }
    return shown;
}

QList<QMessageBox*> DialogRobot::shownMessageBoxes() {
    QList<QMessageBox*> shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible())
            shown.append(box);
    }
    return shown;
}

bool DialogRobot::dialogShown() {
    return !shownProgressWindows().isEmpty() || !shownMessageBoxes().isEmpty();
}

void DialogRobot::pressKey(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(window->window()->windowHandle(), key, modifiers);
}

void DialogRobot::click(QWidget* button) {
    QWidget* window = button->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                      button->mapTo(window, button->rect().center()));
}

void DialogRobot::closeWindow(QWidget* window) {
    // As the title bar's close comes from the window system, which a modal window blocks.
    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
        window->window()->windowHandle());
}

void DialogRobot::fault(const QString& what) {
    if (!m_faults.contains(what))
        m_faults.append(what);
}

void DialogRobot::look() {
    const QList<QMessageBox*> boxes = shownMessageBoxes();
    const QList<QDialog*> progressWindows = shownProgressWindows();
    for (QMessageBox* box : boxes) {
        if (!progressWindows.isEmpty())
            fault(QStringLiteral("a progress window over the message \"%1\"").arg(box->text()));
        const bool known = std::any_of(m_boxes.begin(), m_boxes.end(),
                                       [box](const Box& seen) { return seen.box == box; });
        if (!known) {
            m_boxes.append({box, {}, false, {}});
            m_boxes.last().shown.start();
            m_seen.append(QStringLiteral("message: ") + box->text());
        }
    }
    for (QDialog* progress : progressWindows) {
        if (m_progressWindows.contains(progress))
            continue;
        m_progressWindows.append(progress);
        const QString label = labelOf(*progress);
        m_seen.append(QStringLiteral("progress: ") + label);
        for (int i = 0; i < m_progressActions.size(); ++i) {
            if (!label.contains(m_progressActions[i].label))
                continue;
            // The person looks at it for a while, and the work goes on as slowly meanwhile.
            QThread::msleep(static_cast<unsigned long>(m_delay));
            m_progressActions.takeAt(i).action(*progress);
            break;
        }
    }
    for (Box& box : m_boxes) {
        if (!box.box || !box.box->isVisible())
            continue;
        if (!box.answered && box.shown.hasExpired(m_delay))
            answerBox(box);
        else if (box.answered && box.sinceAnswer.hasExpired(kAnswerTakes)) {
            // Stuck, as a person would be: end it all so that the test can tell.
            fault(QStringLiteral("the message \"%1\" did not close when answered")
                      .arg(box.box->text()));
            for (QDialog* progress : shownProgressWindows())
                progress->hide();
            box.box->done(QMessageBox::Ok);
        }
    }
}

void DialogRobot::answerBox(Box& box) {
    QMessageBox::StandardButton button =
        box.box->standardButtons() & QMessageBox::No ? QMessageBox::No : QMessageBox::Ok;
    for (int i = 0; i < m_answers.size(); ++i) {
        if (box.box->text().contains(m_answers[i].text)) {
            button = m_answers.takeAt(i).button;
            break;
        }
    }
    box.answered = true;
    box.sinceAnswer.start();
    if (QAbstractButton* pressed = box.box->button(button))
        click(pressed);
    else
        fault(QStringLiteral("the message \"%1\" has no such button").arg(box.box->text()));
}
