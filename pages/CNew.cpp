#include "CNew.h"

#include "DialogUnits.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace {
constexpr int kFirstTemplateText = 10000;
const QString kMissing = QStringLiteral("---");
}  // namespace

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
    setWindowTitle(m_translation.GetText(5));
    m_group->setTitle(m_translation.GetText(400));
    m_explanation->setText(m_translation.GetText(405));
    m_list->clear();
    m_list->setHeaderLabels({m_translation.GetText(410)});
    m_list->setColumnWidth(0, 250);
    m_okButton->setText(m_translation.GetText(620) == kMissing ? QStringLiteral("OK")
                                                               : m_translation.GetText(620));
    m_cancelButton->setText(m_translation.GetText(420));
    m_list->setToolTip(m_translation.GetText(430));
    m_cancelButton->setToolTip(m_translation.GetText(435));
    m_okButton->setToolTip(m_translation.GetText(440));
    m_list->setAccessibleName(m_translation.GetText(410));

    QList<QTreeWidgetItem*> lines{new QTreeWidgetItem({m_translation.GetText(415)})};
    for (int number = kFirstTemplateText; m_translation.GetText(number) != kMissing; number += 10)
        lines.append(new QTreeWidgetItem({m_translation.GetText(number)}));
    m_list->addTopLevelItems(lines);
    m_list->setCurrentItem(lines.first());
    m_list->setFocus();
}

void CNew::OnOK() {
    const QList<QTreeWidgetItem*> chosen = m_list->selectedItems();
    m_selectedIndex = chosen.isEmpty() ? -1 : m_list->indexOfTopLevelItem(chosen.first());
    accept();
}
