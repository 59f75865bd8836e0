#include "CNew.h"

#include "DialogUnits.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

CNew::CNew(QWidget* parent)
    : QDialog(parent),
      m_group(new QGroupBox(this)),
      m_explanation(new QLabel(this)),
      m_list(new QTreeWidget(this)),
      m_okButton(new QPushButton(this)),
      m_cancelButton(new QPushButton(this)) {
    // Wide enough for the descriptive template names of every language.
    setFixedSize(dlu::x(300), dlu::y(190));
    m_group->setGeometry(dlu::rect(7, 7, 286, 154));
    m_explanation->setGeometry(dlu::rect(14, 19, 272, 24));
    m_explanation->setWordWrap(true);
    m_list->setGeometry(dlu::rect(14, 46, 272, 108));
    m_okButton->setGeometry(dlu::rect(183, 168, 50, 15));
    m_cancelButton->setGeometry(dlu::rect(239, 168, 54, 15));
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

    QList<QTreeWidgetItem*> lines{
        new QTreeWidgetItem({m_translation.GetText(texts::NewEmptyDatabase)})};
    for (int k = 1; m_translation.hasTemplate(k); ++k)
        lines.append(new QTreeWidgetItem({m_translation.templateName(k)}));
    m_list->addTopLevelItems(lines);
    m_list->setCurrentItem(lines.first());
    m_list->setFocus();
}

void CNew::OnOK() {
    const QList<QTreeWidgetItem*> chosen = m_list->selectedItems();
    m_selectedIndex = chosen.isEmpty() ? -1 : m_list->indexOfTopLevelItem(chosen.first());
    accept();
}
