#include "CLanguage.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>

CLanguage::CLanguage(QWidget* parent)
    : QDialog(parent),
      m_group(new QGroupBox(this)),
      m_combo(new QComboBox(this)),
      m_okButton(new QPushButton(QStringLiteral("OK"), this)) {
    connect(m_okButton, &QPushButton::clicked, this, &CLanguage::OnOK);
}

void CLanguage::OnInitDialog() {
    m_power.ResolveConfigPath();
}

void CLanguage::OnOK() {
    accept();
}
