#include "CPage.h"

#include "Contrast.h"
#include "SQLite3PowerClass.h"

#include <QApplication>
#include <QEvent>

CPage::CPage(QWidget* parent, OpenDatabase& database) : QWidget(parent), m_database(database) {
    setAutoFillBackground(true);
    CPage::followPalette();
}

bool CPage::lightPalette() {
    const QPalette palette = QApplication::palette();
    const QColor text = palette.color(QPalette::Active, QPalette::WindowText);
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    return contrast::luminance(text) < contrast::luminance(window) &&
           contrast::ratio(text, Qt::white) >= contrast::kLeastForText;
}

void CPage::paintOwnBackground(QWidget& widget) {
    // Only the window colour is the widget's own; every other role comes from the palette.
    QPalette own;
    if (lightPalette())
        own.setColor(QPalette::Window, Qt::white);
    widget.setPalette(own);  // nothing happens when it is the palette the widget has
}

void CPage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)
        placeControls();
    if (event->type() == QEvent::PaletteChange && !m_followingPalette) {
        m_followingPalette = true;
        followPalette();
        m_followingPalette = false;
    }
}

void CPage::followPalette() {
    paintOwnBackground(*this);
}

void CPage::OnInitDialog() {
    m_power.ResolveConfigPath();
    m_translation.LoadTexts();
}

Prompter::Answer CPage::message(int textNumber, Prompter::Buttons buttons, Prompter::Icon icon) {
    return messageText(text(textNumber), buttons, icon);
}

Prompter::Answer CPage::messageText(const QString& text, Prompter::Buttons buttons,
                                    Prompter::Icon icon) {
    return Prompter::current().message(this, text, this->text(texts::ProgramName), buttons, icon);
}

void CPage::reportStoreRefused(const QString& reason) {
    messageText(text(texts::StoreRefusedChange).arg(reason), Prompter::Buttons::Ok,
                Prompter::Icon::Warning);
}

bool CPage::recordChange(const SQLite3PowerClass& store, const StoreResult& result) {
    if (!result.done()) {
        reportStoreRefused(result.error);
        return false;
    }
    if (store.m_step)
        m_database.record(store.m_step);
    return true;
}

std::unique_ptr<Progress> CPage::startOperation(const QString& label, qint64 total) {
    if (m_operationStart)
        return m_operationStart(label, total);
    return Prompter::current().progress(this, label, text(texts::Cancel), total);
}

void CPage::reportUnstorableValue() {
    messageText(refusalText(), Prompter::Buttons::Ok, Prompter::Icon::Warning);
}

QString CPage::refusalText() const {
    return text(textencoding::holdsEveryCharacter(encoding()) ? texts::CharacterRefusedInUtf8
                                                              : texts::CharacterRefused);
}
