#include "CSettings.h"

#include "DialogUnits.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

CSettings::CSettings(QWidget* parent)
    : CPage(parent),
      m_list(new QTreeWidget(this)),
      m_nameField(new QLineEdit(this)),
      m_saveButton(new QPushButton(this)),
      m_removeButton(new QPushButton(this)),
      m_addButton(new QPushButton(this)),
      m_nameLabel(new QLabel(this)) {
    resize(dlu::x(399), dlu::y(238));
    m_list->setGeometry(dlu::rect(7, 6, 142, 225));
    m_addButton->setGeometry(dlu::rect(161, 6, 86, 16));
    m_removeButton->setGeometry(dlu::rect(161, 30, 86, 16));
    m_saveButton->setGeometry(dlu::rect(161, 54, 86, 16));
    m_nameLabel->setGeometry(dlu::rect(161, 82, 231, 11));
    m_nameField->setGeometry(dlu::rect(161, 96, 135, 13));
}

void CSettings::OnInitDialog() {
    CPage::OnInitDialog();
}

void CSettings::FillColumnList() {}

bool CSettings::LeavePage() {
    return true;
}

void CSettings::OnColumnListClick() {}
void CSettings::OnColumnNameChange() {}
void CSettings::OnAddColumn() {}
void CSettings::OnSaveChanges() {}
void CSettings::OnRemoveColumn() {}
