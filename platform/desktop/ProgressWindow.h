#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The window that shows how far a long operation has come, modal to its parent window, with a
// Cancel button while the operation can still stop. It closes only with its operation: Escape
// and the title bar's close do nothing, and Cancel only asks the operation to stop
// (wasCancelled()); the operation then ends and takes the window with it.
class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    ProgressWindow(QWidget* parent, const QString& label, const QString& cancelText);

    void setMaximum(int maximum);
    void setValue(int value);
    // Offers Cancel, or takes it away (a step that can no longer be taken back).
    void setCancellable(bool cancellable);
    // Cancel was pressed while it was offered.
    bool wasCancelled() const { return m_cancelled; }

    QLabel* label() const { return m_label; }
    QProgressBar* bar() const { return m_bar; }
    QPushButton* cancelButton() const { return m_cancel; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_label;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    bool m_cancelled = false;
};
