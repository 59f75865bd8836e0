#include "CNew.h"

#include "DialogUnits.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>

CNew::CNew(QWidget* parent)
    : QDialog(parent),
      m_group(new QGroupBox(this)),
      m_explanation(new QLabel(this)),
      m_list(new QTreeWidget(this)),
      m_okButton(new QPushButton(this)),
      m_cancelButton(new QPushButton(this)) {
    m_explanation->setWordWrap(true);
    placeControls();
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(1);
    m_list->header()->setSectionsClickable(false);
    m_list->header()->setStretchLastSection(true);  // long template names stay readable
    m_explanation->setBuddy(m_list);
    m_okButton->setDefault(true);

    connect(m_okButton, &QPushButton::clicked, this, &CNew::OnOK);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &CNew::OnOK);
    // OK with no line marked would create nothing: it is offered only with a line marked.
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_okButton->setEnabled(!m_list->selectedItems().isEmpty()); });
}

void CNew::OnInitDialog() {
    m_power.ResolveConfigPath();
    m_translation.LoadTexts();
    setWindowTitle(m_translation.GetText(texts::ProgramName));
    m_group->setTitle(m_translation.GetText(texts::SelectDatabaseGroup));
    m_explanation->setText(m_translation.GetText(texts::SelectDatabaseExplanation));
    m_list->clear();
    m_list->setHeaderLabels({m_translation.GetText(texts::DatabaseListHeading)});
    m_list->setColumnWidth(0, 250);
    m_okButton->setText(m_translation.okText());
    m_cancelButton->setText(m_translation.GetText(texts::Cancel));
    m_list->setToolTip(m_translation.GetText(texts::DatabaseListTip));
    m_cancelButton->setToolTip(m_translation.GetText(texts::CancelTip));
    m_okButton->setToolTip(m_translation.GetText(texts::OkTip));
    m_list->setAccessibleName(m_translation.GetText(texts::DatabaseListHeading));
    placeControls();

    QList<QTreeWidgetItem*> lines{
        new QTreeWidgetItem({m_translation.GetText(texts::NewEmptyDatabase)})};
    for (int k = 1; m_translation.hasTemplate(k); ++k)
        lines.append(new QTreeWidgetItem({m_translation.templateName(k)}));
    m_list->addTopLevelItems(lines);
    m_list->setCurrentItem(lines.first());
    m_list->setFocus();
}

void CNew::placeControls() {
    // The design: a dialog of 300 by 190 units (wide enough for the descriptive template names
    // of every language), the explanation and the list in a group box, OK and Cancel below it
    // at the right. The explanation takes as many lines as its language needs, pushing the
    // list, the group's end and the buttons down; the buttons grow to their captions, leftwards.
    const QSize explanation = dlu::textSize(*m_explanation, dlu::rect(0, 0, 272, 24).size());
    m_explanation->setGeometry(QRect(QPoint(dlu::x(14), dlu::y(19)), explanation));
    const int listTop = m_explanation->geometry().bottom() + 1 + dlu::y(3);
    m_list->setGeometry(dlu::x(14), listTop, dlu::x(272), dlu::y(108));
    const int groupTop = dlu::y(7);
    const int groupBottom = m_list->geometry().bottom() + 1 + dlu::y(7);
    m_group->setGeometry(dlu::x(7), groupTop, dlu::x(286), groupBottom - groupTop);
    const QSize ok = dlu::textSize(*m_okButton, dlu::rect(0, 0, 50, 15).size());
    const QSize cancel = dlu::textSize(*m_cancelButton, dlu::rect(0, 0, 54, 15).size());
    const int buttonHeight = std::max(ok.height(), cancel.height());
    const int buttonTop = groupBottom + dlu::y(7);
    const int right = dlu::x(293);
    m_cancelButton->setGeometry(right - cancel.width(), buttonTop, cancel.width(), buttonHeight);
    m_okButton->setGeometry(m_cancelButton->x() - dlu::x(6) - ok.width(), buttonTop, ok.width(),
                            buttonHeight);
    setFixedSize(dlu::x(300), buttonTop + buttonHeight + dlu::y(7));
}

void CNew::OnOK() {
    const QList<QTreeWidgetItem*> chosen = m_list->selectedItems();
    m_selectedIndex = chosen.isEmpty() ? -1 : m_list->indexOfTopLevelItem(chosen.first());
    accept();
}
