#include "ProgressWindow.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

ProgressWindow::ProgressWindow(QWidget* parent, const QString& label, const QString& cancelText)
    : QDialog(parent),
      m_label(new QLabel(label, this)),
      m_bar(new QProgressBar(this)),
      m_cancel(new QPushButton(cancelText, this)) {
    setWindowTitle(QGuiApplication::applicationDisplayName());
    setWindowModality(Qt::WindowModal);
    // Nothing but Cancel ends it early: no close button in the title bar where the desktop
    // honours that.
    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                   ~(Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint));
    m_label->setWordWrap(true);
    m_bar->setRange(0, 0);
    m_bar->setMinimumWidth(320);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_cancel, QDialogButtonBox::RejectRole);
    // A click only: the button box would call reject(), which does nothing here.
    m_cancel->disconnect(buttons);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_cancelled = true;
        m_cancel->setEnabled(false);  // heard: the operation stops at its next step
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addWidget(buttons);
}

void ProgressWindow::setMaximum(int maximum) {
    m_bar->setMaximum(maximum);
}

void ProgressWindow::setValue(int value) {
    m_bar->setValue(value);
}

void ProgressWindow::setCancellable(bool cancellable) {
    m_cancel->setVisible(cancellable);
}

void ProgressWindow::reject() {
    // Escape: the window stays until its operation ends.
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}
