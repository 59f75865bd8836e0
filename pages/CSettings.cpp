#include "CSettings.h"

#include "BusyCursor.h"
#include "DialogUnits.h"
#include "InputValidators.h"
#include "SQLite3PowerClass.h"
#include "Schema.h"
#include "SqlText.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>
#include <QTreeWidget>

#include <algorithm>

namespace {
constexpr int kNameColumn = 1;  // of the list; the position stands in column 0
constexpr int kPositionWidth = 80;
constexpr int kNameWidth = 120;
}  // namespace

CSettings::CSettings(QWidget* parent, OpenDatabase& database)
    : CPage(parent, database),
      m_list(new QTreeWidget(this)),
      m_nameField(new QLineEdit(this)),
      m_saveButton(new QPushButton(this)),
      m_removeButton(new QPushButton(this)),
      m_addButton(new QPushButton(this)),
      m_nameLabel(new QLabel(this)) {
    resize(dlu::x(399), dlu::y(238));
    m_list->setGeometry(dlu::rect(7, 6, 142, 225));
    placeControls();

    m_list->setColumnCount(2);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->header()->setSectionsClickable(false);
    m_list->header()->setSectionsMovable(false);
    m_nameLabel->setBuddy(m_nameField);
    setTabOrder(m_list, m_addButton);
    setTabOrder(m_addButton, m_removeButton);
    setTabOrder(m_removeButton, m_saveButton);
    setTabOrder(m_saveButton, m_nameField);

    // Column names go into the first line of the CSV file.
    connect(restrictField(m_nameField,
                          [this](const QString& name, const QString& given) {
                              return csvfile::canHoldName(dialect(), name, given);
                          }),
            &FieldValidator::refused, m_nameField, [this] {
                QToolTip::showText(m_nameField->mapToGlobal(QPoint(0, m_nameField->height())),
                                   refusalText(), m_nameField);
            });

    // A row chosen with the keyboard counts like a click on it.
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
        if (selected.isEmpty())
            return;
        m_selectionMark = m_list->indexOfTopLevelItem(selected.first());
        OnColumnListClick();
    });
    connect(m_list, &QTreeWidget::itemClicked, this, &CSettings::OnColumnListClick);
    connect(m_nameField, &QLineEdit::textChanged, this, &CSettings::OnColumnNameChange);
    connect(m_nameField, &QLineEdit::returnPressed, this, [this] {
        if (m_saveButton->isEnabled())
            OnSaveChanges();
    });
    connect(m_addButton, &QPushButton::clicked, this, &CSettings::OnAddColumn);
    connect(m_removeButton, &QPushButton::clicked, this, &CSettings::OnRemoveColumn);
    connect(m_saveButton, &QPushButton::clicked, this, &CSettings::OnSaveChanges);
}

void CSettings::OnInitDialog() {
    CPage::OnInitDialog();
    m_addButton->setText(text(texts::AddColumn));
    m_removeButton->setText(text(texts::RemoveColumn));
    m_saveButton->setText(text(texts::SaveChanges));
    m_addButton->setToolTip(text(texts::AddColumnTip));
    m_removeButton->setToolTip(text(texts::RemoveColumnTip));
    m_saveButton->setToolTip(text(texts::SaveChangesTip));
    m_list->setToolTip(text(texts::ColumnListTip));
    m_list->setAccessibleName(text(texts::SettingsTab).remove(QLatin1Char('&')));
    placeControls();
}

void CSettings::placeControls() {
    // The design: three buttons of 86 by 16 units, 8 apart, beside the list; below them the
    // label and the field of a column's name. Buttons as wide and high as their longest
    // caption needs, the label as wide as its text; what stands below them moves down.
    QSize button = dlu::rect(0, 0, 86, 16).size();
    for (const QPushButton* each : {m_addButton, m_removeButton, m_saveButton})
        button = dlu::textSize(*each, button);
    const int left = dlu::x(161);
    const int pitch = button.height() + dlu::y(8);
    m_addButton->setGeometry(QRect(QPoint(left, dlu::y(6)), button));
    m_removeButton->setGeometry(QRect(QPoint(left, dlu::y(6) + pitch), button));
    m_saveButton->setGeometry(QRect(QPoint(left, dlu::y(6) + 2 * pitch), button));
    const int labelTop = m_saveButton->geometry().bottom() + 1 + dlu::y(12);
    const QSize label = dlu::textSize(*m_nameLabel, dlu::rect(0, 0, 231, 11).size());
    m_nameLabel->setGeometry(QRect(QPoint(left, labelTop), label));
    m_nameField->setGeometry(left, labelTop + label.height() + dlu::y(3), dlu::x(135),
                             dlu::fieldHeight(*m_nameField, dlu::y(13)));
}

int CSettings::itemCount() const {
    return m_list->topLevelItemCount();
}

QString CSettings::listNames(int leftOut) const {
    QStringList names = namesInList();
    if (leftOut >= 0 && leftOut < names.size())
        names.removeAt(leftOut);
    return names.join(QLatin1Char(';'));
}

void CSettings::FillColumnList() {
    m_list->clear();
    m_list->setHeaderLabels({text(texts::PositionHeading), text(texts::ColumnNameHeading)});
    // The design's widths, or what the headings need.
    m_list->setColumnWidth(0, std::max(kPositionWidth, m_list->header()->sectionSizeHint(0)));
    m_list->setColumnWidth(1, std::max(kNameWidth, m_list->header()->sectionSizeHint(1)));
    m_power.SplitFields(shownColumnNames(), QLatin1Char(';'));
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < m_power.m_fields.size(); ++i)
        items.append(new QTreeWidgetItem({QString::number(i), m_power.m_fields[i]}));
    m_list->addTopLevelItems(items);
    m_selectionMark = -1;

    setGivenText(m_nameField, QString());
    m_nameField->setEnabled(false);
    m_nameLabel->setText(text(texts::ColumnNameLabel));
    m_nameLabel->setEnabled(false);
    placeControls();
    m_removeButton->setEnabled(false);
    m_saveButton->setEnabled(false);
    m_addButton->setEnabled(true);
    m_addingColumn = false;
}

void CSettings::StartNewDatabase() {
    m_newDatabase = true;
    m_draftColumnNames.clear();
    FillColumnList();
}

void CSettings::AbandonNewDatabase() {
    m_newDatabase = false;
    m_draftColumnNames.clear();
    FillColumnList();
}

void CSettings::OnColumnListClick() {
    if (m_selectionMark < 0 || m_selectionMark >= itemCount())
        return;
    m_nameField->setEnabled(true);
    setGivenText(m_nameField, m_list->topLevelItem(m_selectionMark)->text(kNameColumn));
    m_nameLabel->setEnabled(true);
    m_saveButton->setEnabled(false);
    m_removeButton->setEnabled(true);
}

void CSettings::OnColumnNameChange() {
    m_saveButton->setEnabled(true);
}

void CSettings::OnAddColumn() {
    if (itemCount() >= schema::kColumnCount) {
        message(texts::TooManyColumns, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return;
    }
    m_nameField->setEnabled(true);
    m_nameLabel->setEnabled(true);
    m_removeButton->setEnabled(false);
    m_saveButton->setEnabled(true);
    m_addButton->setEnabled(false);
    setGivenText(m_nameField, QString());
    m_nameLabel->setText(text(texts::NewColumnNameLabel));
    placeControls();
    m_addingColumn = true;
    m_nameField->setFocus();
}

void CSettings::OnSaveChanges() {
    const QString name = m_nameField->text();
    if (name.isEmpty()) {
        message(texts::ColumnNameMissing, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return;
    }
    const int n = itemCount();
    int p = m_selectionMark;
    // A name goes into the file's first line: it may keep a CR it was read with, and hold
    // nothing else the line cannot (whatever way it reached the field).
    const QString oldName =
        !m_addingColumn && p >= 0 && p < n ? m_list->topLevelItem(p)->text(kNameColumn) : QString();
    if (!csvfile::canHoldName(dialect(), name, oldName)) {
        reportUnstorableValue();
        return;
    }
    if (m_addingColumn) {
        if (n >= schema::kColumnCount) {
            message(texts::TooManyColumns, Prompter::Buttons::Ok, Prompter::Icon::Warning);
            return;
        }
        if (p < 0 || p > n)
            p = n;
        QStringList names = namesInList();
        names.insert(p, name);
        // The names change only together with the values, so no value ever stands under
        // another column's name.
        const BusyCursor busy;
        SQLite3PowerClass store;
        if (!m_newDatabase &&
            !recordChange(store, store.InsertColumn(storePath(), p + 1, n, columnNames(),
                                                    names.join(QLatin1Char(';')))))
            return;
        m_list->insertTopLevelItem(p, new QTreeWidgetItem({QString::number(p), name}));
    } else {
        if (p < 0 || p >= n)
            return;
        if (name == oldName) {  // Remove Column saves first: the same name is no change
            FillColumnList();
            return;
        }
        QStringList names = namesInList();
        names[p] = name;
        SQLite3PowerClass store;
        if (!m_newDatabase &&
            !recordChange(store, store.RenameColumn(storePath(), columnNames(),
                                                    names.join(QLatin1Char(';')))))
            return;
        m_list->topLevelItem(p)->setText(kNameColumn, name);
    }
    if (m_newDatabase)
        m_draftColumnNames = listNames();
    FillColumnList();
}

void CSettings::OnRemoveColumn() {
    const int p = m_selectionMark;
    if (p < 0) {
        message(texts::SelectItemFirst);
        return;
    }
    // A rename or a new column typed before Remove is pressed is kept first.
    OnSaveChanges();
    const int n = itemCount();
    if (p >= n)
        return;
    const BusyCursor busy;
    SQLite3PowerClass store;
    if (!m_newDatabase && !recordChange(store, store.RemoveColumn(storePath(), p + 1, n,
                                                                  columnNames(), listNames(p))))
        return;
    if (m_newDatabase)
        m_draftColumnNames = listNames(p);
    FillColumnList();
}

QStringList CSettings::namesInList() const {
    QStringList names;
    for (int i = 0; i < itemCount(); ++i)
        names.append(m_list->topLevelItem(i)->text(kNameColumn));
    return names;
}

bool CSettings::LeavePage() {
    if (!m_newDatabase)
        return true;
    if (itemCount() < 2) {
        message(texts::NeedTwoColumns);
        return false;
    }
    // The new column set is confirmed: the entries of the previous database go. Every entry,
    // whatever its first value holds. Until they have gone, the page cannot be left: the
    // other pages would show them under the new names.
    const QString names = listNames();
    storesession::Update session;
    session.path = QString();  // untitled
    session.columnNames = names;
    session.dialect = csvfile::nameOf(dialect());
    session.unsaved = true;
    SQLite3PowerClass store;
    if (!recordChange(store, store.ClearEntries(storePath(), session)))
        return false;
    m_newDatabase = false;
    m_draftColumnNames.clear();
    database().open(QString(), names, csvfile::Dialect(), true);
    return true;
}
