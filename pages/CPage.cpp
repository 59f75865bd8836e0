#include "CPage.h"

#include <QApplication>
#include <QEvent>

#include <cmath>

namespace {

// Relative luminance as WCAG defines it, from 0 (black) to 1 (white).
double luminance(const QColor& color) {
    const auto linear = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = color.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

}  // namespace

CPage::CPage(QWidget* parent, OpenDatabase& database) : QWidget(parent), m_database(database) {
    setAutoFillBackground(true);
    CPage::followPalette();
}

bool CPage::lightPalette() {
    const QPalette palette = QApplication::palette();
    const double text = luminance(palette.color(QPalette::Active, QPalette::WindowText));
    const double window = luminance(palette.color(QPalette::Active, QPalette::Window));
    // 4.5:1 against white, the least contrast for text that WCAG AA allows.
    return text < window && (1.0 + 0.05) / (text + 0.05) >= 4.5;
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

void CPage::reportUnstorableValue() {
    messageText(refusalText(), Prompter::Buttons::Ok, Prompter::Icon::Warning);
}

QString CPage::refusalText() const {
    return text(textencoding::isUtf8(encoding()) ? texts::CharacterRefusedInUtf8
                                                 : texts::CharacterRefused);
}
