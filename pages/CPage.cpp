#include "CPage.h"

CPage::CPage(QWidget* parent, OpenDatabase& database) : QWidget(parent), m_database(database) {
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
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
