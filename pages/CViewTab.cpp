#include "CViewTab.h"

#include "BusyCursor.h"
#include "DialogUnits.h"
#include "LinePrinter.h"
#include "Schema.h"
#include "Shell.h"
#include "StoreChanges.h"
#include "StoreSession.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>

namespace {
constexpr int kDefaultWidth = 100;
}

CViewTab::CViewTab(QWidget* parent)
    : CPage(parent),
      m_addButton(new QPushButton(this)),
      m_editButton(new QPushButton(this)),
      m_removeButton(new QPushButton(this)),
      m_copyButton(new QPushButton(this)),
      m_list(new QTableView(this)),
      m_printButton(new QPushButton(this)),
      m_countText(new QLabel(this)),
      m_model(this) {
    resize(dlu::x(399), dlu::y(238));
    m_list->setGeometry(dlu::rect(7, 7, 317, 224));
    m_addButton->setGeometry(dlu::rect(327, 7, 70, 15));
    m_editButton->setGeometry(dlu::rect(327, 27, 70, 15));
    m_removeButton->setGeometry(dlu::rect(327, 47, 70, 15));
    m_countText->setGeometry(dlu::rect(331, 78, 58, 64));
    m_copyButton->setGeometry(dlu::rect(327, 197, 70, 15));
    m_printButton->setGeometry(dlu::rect(327, 217, 70, 15));
    m_countText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_countText->setWordWrap(true);

    m_list->setModel(&m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(true);
    m_list->setWordWrap(false);
    m_list->setTabKeyNavigation(false);
    // A million rows stay cheap only with rows of one fixed height.
    QHeaderView* rows = m_list->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->horizontalHeader()->setSectionsClickable(true);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->horizontalHeader()->setHighlightSections(false);

    connect(m_list->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &CViewTab::OnColumnClick);
    connect(m_list, &QTableView::doubleClicked, this, &CViewTab::OnEditEntry);
    connect(m_addButton, &QPushButton::clicked, this, &CViewTab::OnAddEntry);
    connect(m_editButton, &QPushButton::clicked, this, &CViewTab::OnEditEntry);
    connect(m_removeButton, &QPushButton::clicked, this, &CViewTab::OnRemoveEntry);
    connect(m_copyButton, &QPushButton::clicked, this, &CViewTab::OnCopyEntry);
    connect(m_printButton, &QPushButton::clicked, this, &CViewTab::OnPrintEntries);

    // The keyboard reaches every command of the list: Enter edits, Delete removes, Ctrl+C
    // copies, and the context menu (menu key or Shift+F10) sorts by a column.
    const auto listShortcut = [this](const QKeySequence& keys, void (CViewTab::*command)()) {
        auto* shortcut = new QShortcut(keys, m_list);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, command);
    };
    listShortcut(QKeySequence(Qt::Key_Return), &CViewTab::OnEditEntry);
    listShortcut(QKeySequence(Qt::Key_Enter), &CViewTab::OnEditEntry);
    listShortcut(QKeySequence::Delete, &CViewTab::OnRemoveEntry);
    listShortcut(QKeySequence::Copy, &CViewTab::OnCopyEntry);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, &CViewTab::showSortMenu);
}

void CViewTab::OnInitDialog() {
    CPage::OnInitDialog();
    m_addButton->setText(text(texts::AddEntry));
    m_editButton->setText(text(texts::EditEntry));
    m_removeButton->setText(text(texts::RemoveEntry));
    m_copyButton->setText(text(texts::CopyEntry));
    m_printButton->setText(text(texts::PrintEntries));
    m_addButton->setToolTip(text(texts::AddEntryTip));
    m_editButton->setToolTip(text(texts::EditEntryTip));
    m_removeButton->setToolTip(text(texts::RemoveEntryTip));
    m_copyButton->setToolTip(text(texts::CopyEntryTip));
    m_printButton->setToolTip(text(texts::PrintEntriesTip));
    m_list->setToolTip(text(texts::EntriesListTip));
    m_list->setAccessibleName(text(m_filtered ? texts::ViewFilteredTab : texts::ViewAllTab));
}

void CViewTab::setListColors(const QColor& background, const QColor& text) {
    m_model.setColors(background, text);
    QPalette colors = m_list->palette();
    colors.setColor(QPalette::Base, background);
    colors.setColor(QPalette::Text, text);
    m_list->setPalette(colors);
}

void CViewTab::releaseRows() {
    m_model.takeRows().release();
    m_lastFill = FillKey();
}

void CViewTab::PlaceControls(int w, int h) {
    m_addButton->setGeometry(w - 142, 11, 105, 24);
    m_editButton->setGeometry(w - 142, 44, 105, 24);
    m_removeButton->setGeometry(w - 142, 77, 105, 24);
    m_countText->setGeometry(w - 137, 127, 105, 115);
    m_copyButton->setGeometry(w - 142, h - 117, 105, 24);
    m_printButton->setGeometry(w - 142, h - 84, 105, 24);
    m_list->setGeometry(10, 11, w - 160, h - 70);
}

int CViewTab::columnCount() const {
    return schema::columnCount(m_columnNames);
}

int CViewTab::selectionMark() const {
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

int CViewTab::listColumnWidth(int column) const {
    return column < m_model.columnCount() ? m_list->columnWidth(column) : 0;
}

void CViewTab::FillList(const QString& filter, const QString& sortColumn) {
    m_shownFilter = filter;
    m_shownOrder = sortColumn;
    const bool counted = !filter.isEmpty();
    QString order = sortColumn;
    if (m_columnWidths.size() < schema::columnNumber(order))
        order.clear();

    m_power.SplitFields(m_columnNames, QLatin1Char(';'));
    const QStringList headings = m_power.m_fields;
    const int n = static_cast<int>(headings.size());

    // A list already filled with the same query since the store last changed shows the
    // store as it is: a refill nobody would see the difference of is skipped.
    const FillKey key{storechanges::count(), filter, order, m_columnNames, m_storePath};
    SQLite3PowerClass store;
    bool queried;
    if (key == m_lastFill && m_listOutcome == SQLite3PowerClass::Outcome::Done &&
        store.CanOpen(m_storePath)) {
        queried = true;
    } else {
        BusyCursor busy;
        store.m_resultValues = m_model.takeRows();  // reuse its memory for the new rows
        store.m_resultValues.reserve(m_expectedRows.first, m_expectedRows.second);
        m_expectedRows = {};
        queried = store.Query(m_storePath, schema::table(), filter, order, n);
        m_listOutcome = store.m_outcome;
        m_listError = store.m_error;
        m_lastFill = queried ? key : FillKey();
        m_model.reset(queried ? headings : m_model.headings(), std::move(store.m_resultValues));
    }
    // The arrow shows exactly the order of the rows shown: none for store order.
    QHeaderView* header = m_list->horizontalHeader();
    const int sortedBy = queried ? schema::columnNumber(order) - 1 : -1;
    header->setSortIndicatorShown(sortedBy >= 0 && sortedBy < n);
    if (sortedBy >= 0 && sortedBy < n)
        header->setSortIndicator(sortedBy, Qt::AscendingOrder);
    if (queried) {
        for (quint32& width : m_columnWidths) {
            if (width == 0)
                width = kDefaultWidth;
        }
        while (m_columnWidths.size() < n)
            m_columnWidths.append(kDefaultWidth);
        for (int j = 0; j < n; ++j)
            m_list->setColumnWidth(j, static_cast<int>(m_columnWidths[j] & 0xFFFF));
    }
    m_countText->setText(QStringLiteral("%1 %2")
                             .arg(text(counted ? texts::FoundEntryCount : texts::EntryCount))
                             .arg(m_model.rowCount()));
}

void CViewTab::showSortMenu(const QPoint& position) {
    QMenu menu(this);
    for (int column = 0; column < m_model.columnCount(); ++column) {
        const QString heading =
            m_model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        connect(menu.addAction(text(texts::SortBy).arg(heading)), &QAction::triggered, this,
                [this, column] { OnColumnClick(column); });
    }
    menu.exec(m_list->viewport()->mapToGlobal(position));
}

void CViewTab::OnColumnClick(int column) {
    m_sortColumn = schema::column(column + 1);
    FillList(m_filtered ? m_filter : QString(), m_sortColumn);
    // The View All page's order is the one a recovered session comes back in.
    if (!m_filtered) {
        storesession::Update session;
        session.sortColumn = m_sortColumn;
        storesession::write(m_storePath, session);
    }
}

void CViewTab::OnEditEntry() {
    if (selectionMark() == -1) {
        message(texts::SelectEntryToEdit);
        return;
    }
    m_editRequested = true;
}

void CViewTab::OnAddEntry() {
    m_addRequested = true;
}

void CViewTab::OnRemoveEntry() {
    const int row = selectionMark();
    if (row == -1) {
        message(texts::SelectItemFirst);
        return;
    }
    SQLite3PowerClass store;
    if (!store.CanOpen(m_storePath)) {
        reportStoreRefused(store.m_error);
        return;
    }
    if (message(texts::ConfirmRemoveEntry, Prompter::Buttons::YesNo, Prompter::Icon::Warning) !=
        Prompter::Answer::Yes)
        return;
    QStringList shown;
    for (int column = 0; column < columnCount(); ++column)
        shown.append(m_model.cellText(row, column));
    if (!store.Delete(m_storePath, schema::table(), schema::allColumnsEqual(shown), m_sortColumn) ||
        store.m_outcome != SQLite3PowerClass::Outcome::Done) {
        reportStoreRefused(store.m_error);
        return;
    }
    if (store.m_step)
        emit stepStored(store.m_step);
    FillList(QString(), m_sortColumn);
}

void CViewTab::OnCopyEntry() {
    const int row = selectionMark();
    if (row == -1) {
        message(texts::SelectEntryToCopy);
        return;
    }
    QString text;
    for (int column = 0; column < columnCount(); ++column)
        text += m_model.cellText(row, column) + QStringLiteral("\r\n");
    shell::copyToClipboard(text, false);
}

void CViewTab::OnPrintEntries() {
    const int n = columnCount();
    m_power.m_lines.clear();
    for (int row = 0; row < m_model.rowCount(); ++row) {
        for (int column = 0; column < n; ++column)
            m_power.m_lines.append(m_model.cellText(row, column));
        m_power.m_lines << QString() << QStringLiteral("---") << QString();
    }
    LinePrinter printer(this);
    const bool printed = printer.PrintLines(m_power.m_lines);
    // The lines of a long list are large; nothing reads them after printing.
    m_power.m_lines = QStringList();
    if (!printed) {
        if (printer.outcome() == LinePrinter::Outcome::NoPrinter)
            message(texts::NoPrinter);
        message(texts::NotPrinted);
    }
}
