#include "CViewTab.h"

#include "BusyCursor.h"
#include "ColumnWidths.h"
#include "DialogUnits.h"
#include "LinePrinter.h"
#include "Schema.h"
#include "Shell.h"
#include "SqlText.h"
#include "StoreChanges.h"
#include "StoreSession.h"
#include "TextOrder.h"

#include <QApplication>
#include <QColor>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <algorithm>
#include <utility>

namespace {
// The list's own colours, shown while the desktop's palette is light.
const QColor kOwnBackground(0xF0, 0xFF, 0xF0);
const QColor kOwnText(0x14, 0x14, 0xFF);
}  // namespace

CViewTab::CViewTab(QWidget* parent, OpenDatabase& database)
    : CPage(parent, database),
      m_addButton(new QPushButton(this)),
      m_editButton(new QPushButton(this)),
      m_removeButton(new QPushButton(this)),
      m_copyButton(new QPushButton(this)),
      m_list(new QTableView(this)),
      m_printButton(new QPushButton(this)),
      m_countText(new QLabel(this)),
      m_filterLabel(new QLabel(this)),
      m_filterField(new QLineEdit(this)),
      m_model(this) {
    resize(dlu::x(399), dlu::y(238));
    m_filterLabel->setGeometry(dlu::rect(7, 7, 30, 12));
    m_filterField->setGeometry(dlu::rect(40, 7, 284, 12));
    m_list->setGeometry(dlu::rect(7, 23, 317, 208));
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

    // The filter narrows the list as the user types; Escape shows every entry again, and
    // Ctrl+F reaches the field from anywhere on the page.
    m_filterLabel->setBuddy(m_filterField);
    m_filterField->setClearButtonEnabled(true);
    setTabOrder(m_filterField, m_list);
    connect(m_filterField, &QLineEdit::textChanged, &m_model, &EntriesModel::setTextFilter);
    connect(&m_model, &EntriesModel::filterApplied, this, [this] {
        m_list->selectionModel()->clear();
        showCount();
    });
    auto* clear = new QShortcut(QKeySequence(Qt::Key_Escape), m_filterField);
    clear->setContext(Qt::WidgetShortcut);
    connect(clear, &QShortcut::activated, m_filterField, &QLineEdit::clear);
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        m_filterField->setFocus(Qt::ShortcutFocusReason);
        m_filterField->selectAll();
    });
    CViewTab::followPalette();  // the list's colours too, as changeEvent() keeps them
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
    m_filterLabel->setText(text(texts::FilterLabel));
    m_filterField->setToolTip(text(texts::FilterTip));
    m_list->setAccessibleName(text(m_filtered ? texts::ViewFilteredTab : texts::ViewAllTab));
}

void CViewTab::followPalette() {
    CPage::followPalette();
    const bool own = lightPalette();
    m_model.setColors(own ? QVariant(kOwnBackground) : QVariant(),
                      own ? QVariant(kOwnText) : QVariant());
    // The empty part of the list below the last entry, in the colours of the entries.
    QPalette colors;
    if (own) {
        colors.setColor(QPalette::Base, kOwnBackground);
        colors.setColor(QPalette::Text, kOwnText);
    }
    m_list->setPalette(colors);
}

void CViewTab::releaseRows() {
    // A filter typed for the entries of the database that goes would hide those of the next.
    m_filterField->clear();
    // Rows, memory and columns go: nothing of them, nor their count, stands over what comes.
    m_model.reset(QStringList(), ResultGrid(), -1);
    m_lastFill = FillKey();
    showCount();
}

CViewTab::View CViewTab::view() const {
    View shown{m_filterField->text(), std::nullopt, m_list->verticalScrollBar()->value()};
    if (const int row = selectionMark(); row >= 0)
        shown.chosen = m_model.rowidAt(row);
    return shown;
}

void CViewTab::showAgain(const View& view) {
    m_filterField->setText(view.typed);
    if (!m_active)
        return;
    Refill();  // narrowed by the typed text before it returns
    if (view.chosen) {
        if (const int row = m_model.shownRowOf(*view.chosen); row >= 0)
            m_list->selectRow(row);
    }
    m_list->verticalScrollBar()->setValue(view.scrolled);
}

QSize CViewTab::buttonSize() const {
    QSize size(105, 24);  // the design's, and more where a caption needs it
    for (const QPushButton* button :
         {m_addButton, m_editButton, m_removeButton, m_copyButton, m_printButton})
        size = dlu::textSize(*button, size);
    return size;
}

QSize CViewTab::minimumClientSize() const {
    const QSize button = buttonSize();
    const int pitch = button.height() + 9;
    // The list at least as wide as two columns; the count between Remove Entry and Copy Entry.
    const int width = 55 + 2 * columnwidths::kDefault + button.width();
    const int countTop = 11 + 2 * pitch + button.height() + 26;
    const int height = countTop + countHeight(button.width()) + 8 + 2 * pitch + 60 - 9;
    return QSize(width, height);
}

int CViewTab::countHeight(int width) const {
    return dlu::textSize(*m_countText, QSize(width, 115)).height();
}

void CViewTab::PlaceControls(int w, int h) {
    // The design's buttons are 105 by 24 pixels, 37 from the right edge, 9 apart; the list
    // and the filter field end 8 before them.
    m_clientSize = QSize(w, h);
    const QSize button = buttonSize();
    const int pitch = button.height() + 9;
    const int left = w - 37 - button.width();
    m_addButton->setGeometry(QRect(QPoint(left, 11), button));
    m_editButton->setGeometry(QRect(QPoint(left, 11 + pitch), button));
    m_removeButton->setGeometry(QRect(QPoint(left, 11 + 2 * pitch), button));
    const int countTop = m_removeButton->geometry().bottom() + 1 + 26;
    m_countText->setGeometry(left + 5, countTop, button.width(), countHeight(button.width()));
    m_printButton->setGeometry(QRect(QPoint(left, h - 60 - button.height()), button));
    m_copyButton->setGeometry(QRect(QPoint(left, h - 60 - button.height() - pitch), button));
    const int listRight = left - 8;
    const QSize label = dlu::textSize(*m_filterLabel, QSize(0, 24));
    const int fieldHeight = dlu::fieldHeight(*m_filterField, 24);
    const int rowHeight = std::max(label.height(), fieldHeight);
    m_filterLabel->setGeometry(10, 11, label.width(), rowHeight);
    m_filterField->setGeometry(16 + label.width(), 11, listRight - 16 - label.width(), rowHeight);
    const int listTop = 11 + rowHeight + 6;
    m_list->setGeometry(10, listTop, listRight - 10, h - 59 - listTop);
}

int CViewTab::selectionMark() const {
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

std::optional<ChosenEntry> CViewTab::chosenEntry() const {
    const int row = selectionMark();
    if (row == -1)
        return std::nullopt;
    return m_model.entryAt(row);
}

int CViewTab::listColumnWidth(int column) const {
    return column < m_model.columnCount() ? m_list->columnWidth(column) : 0;
}

bool CViewTab::FillList(const QString& searchCondition, const QString& sortColumn) {
    QString order = sortColumn;
    if (m_columnWidths.size() < schema::columnNumber(order))
        order.clear();
    const int sortedBy = schema::columnNumber(order) - 1;  // -1: store order

    m_power.SplitFields(columnNames(), QLatin1Char(';'));
    const QStringList headings = m_power.m_fields;
    const int n = static_cast<int>(headings.size());

    BusyCursor busy;
    const FillKey key{searchCondition, storePath(), textorder::language()};
    bool listed =
        key == m_lastFill && m_listRead.done() && applyStoreChanges(searchCondition, headings);
    if (listed) {
        if (!sortList(sortedBy))
            return false;
    } else {
        const quint64 changes = storechanges::count();
        SQLite3PowerClass store;
        const Expected expected = std::exchange(m_expected, {});
        std::optional<ResultGrid> loaded = std::exchange(m_loadedRows, std::nullopt);
        if (loaded && searchCondition.isEmpty()) {
            store.m_resultValues = std::move(*loaded);
            m_listRead = StoreResult();
        } else {
            store.m_resultValues = m_model.takeRows();  // reuse its memory for the new rows
            store.m_resultValues.reserve(expected.bytes, expected.cells,
                                         n > 0 ? expected.cells / n : 0);
            // In store order, with ids: the list orders them itself and follows each change.
            m_listRead =
                store.Query(storePath(), schema::table(), searchCondition, QStringLiteral("rowid"),
                            n, SQLite3PowerClass::RowIds::Read, expected.listed);
        }
        listed = !m_listRead.failed();
        m_lastFill = listed ? key : FillKey();
        m_shownChanges = changes;
        m_model.reset(listed ? headings : m_model.headings(), std::move(store.m_resultValues),
                      sortedBy);
        m_model.finishTextFilter();  // the list comes narrowed by the filter field, or not at all
    }
    m_shownCondition = searchCondition;
    m_shownOrder = sortColumn;
    m_counted = !searchCondition.isEmpty();
    showSortArrow(listed ? sortedBy : -1);
    QHeaderView* header = m_list->horizontalHeader();
    if (listed) {
        // A column without a remembered width gets the default one, or what its name needs. A
        // remembered width is the user's and stays, also narrower than the name, which the
        // header's tooltip then shows whole.
        while (m_columnWidths.size() < n)
            m_columnWidths.append(0);
        for (int j = 0; j < m_columnWidths.size(); ++j) {
            if (m_columnWidths[j] == 0)
                m_columnWidths[j] = static_cast<quint32>(
                    j < n ? std::max(columnwidths::kDefault, header->sectionSizeHint(j))
                          : columnwidths::kDefault);
        }
        for (int j = 0; j < n; ++j)
            m_list->setColumnWidth(j, static_cast<int>(m_columnWidths[j] & 0xFFFF));
    }
    showCount();
    return true;
}

bool CViewTab::sortList(int column) {
    if (!m_model.sortIsLong(column)) {
        m_model.sortBy(column);
        return true;
    }
    const QString heading = m_model.headings().value(column);
    const std::unique_ptr<Progress> progress =
        startOperation(text(texts::SortingProgress).arg(heading), m_model.totalRowCount());
    if (!progress)
        return false;
    return m_model.sortBy(column, [&progress](qint64 done) { return progress->advance(done); });
}

void CViewTab::showSortArrow(int column) {
    // Exactly the order of the rows shown: none for store order.
    QHeaderView* header = m_list->horizontalHeader();
    const bool shown = column >= 0 && column < m_model.columnCount();
    header->setSortIndicatorShown(shown);
    if (shown)
        header->setSortIndicator(column, Qt::AscendingOrder);
}

bool CViewTab::applyStoreChanges(const QString& searchCondition, const QStringList& headings) {
    if (!SQLite3PowerClass::CanOpen(storePath()).done())
        return false;
    const quint64 changes = storechanges::count();
    const std::optional<storechanges::Changes> changed = storechanges::changedSince(m_shownChanges);
    if (!changed)
        return false;
    if (!changed->moves.empty()) {
        // A search condition names store columns, which then hold other values: it selects other
        // entries.
        if (!searchCondition.isEmpty() || !m_model.moveColumns(changed->moves, headings))
            return false;
        m_model.finishTextFilter();
    } else if (headings != m_model.headings()) {
        if (headings.size() != m_model.columnCount())
            return false;
        m_model.setHeadings(headings);  // renamed
    }
    if (!changed->rows.empty()) {
        QString condition = sqltext::rowidIn(changed->rows);
        if (!searchCondition.isEmpty())
            condition += QStringLiteral(" AND (%1)").arg(searchCondition);
        SQLite3PowerClass store;
        const StoreResult read =
            store.Query(storePath(), schema::table(), condition, QStringLiteral("rowid"),
                        m_model.columnCount(), SQLite3PowerClass::RowIds::Read);
        if (read.failed() || !m_model.applyChanges(changed->rows, store.m_resultValues))
            return false;
        // As after reading the list again: no entry is chosen.
        m_list->selectionModel()->clear();
    }
    m_shownChanges = changes;
    return true;
}

void CViewTab::showCount() {
    const QString count = m_model.textFilter().isEmpty()
                              ? QString::number(m_model.rowCount())
                              : text(texts::ShownOfTotal)
                                    .arg(QString::number(m_model.rowCount()),
                                         QString::number(m_model.totalRowCount()));
    m_countText->setText(QStringLiteral("%1 %2").arg(
        text(m_counted ? texts::FoundEntryCount : texts::EntryCount), count));
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

void CViewTab::setSortColumn(const QString& column) {
    if (m_filtered)
        m_sortColumn = column;
    else
        database().setSortColumn(column);
}

void CViewTab::OnColumnClick(int column) {
    const QString chosen = schema::column(column + 1);
    if (!FillList(m_filtered ? m_searchCondition : QString(), chosen)) {
        // The list stays in its order, and so does the arrow, which a click on the header has
        // moved to the column clicked.
        showSortArrow(m_model.sortColumn());
        return;
    }
    setSortColumn(chosen);
    // View All's order is the one a recovered session comes back in. A store that refuses to
    // record it costs only that order; its next change says that it refused.
    if (!m_filtered) {
        storesession::Update session;
        session.sortColumn = sortColumn();
        storesession::write(storePath(), session);
    }
}

void CViewTab::OnEditEntry() {
    m_editRequested = chosenEntry();
    if (!m_editRequested)
        message(texts::SelectEntryToEdit);
}

void CViewTab::OnAddEntry() {
    m_addRequested = true;
}

void CViewTab::OnRemoveEntry() {
    // Chosen now: the question lets results arrive that change what the rows show.
    const std::optional<ChosenEntry> entry = chosenEntry();
    if (!entry) {
        message(texts::SelectItemFirst);
        return;
    }
    const StoreResult usable = SQLite3PowerClass::CanOpen(storePath());
    if (!usable.done()) {
        reportStoreRefused(usable.error);
        return;
    }
    if (message(texts::ConfirmRemoveEntry, Prompter::Buttons::YesNo, Prompter::Icon::Warning) !=
        Prompter::Answer::Yes)
        return;
    // The entry and its twins, found by their ids first, so that the store need not look
    // at every entry; the values must still be those shown.
    const QString condition = sqltext::rowidIn(entry->ids) + QStringLiteral(" AND ") +
                              schema::allColumnsEqual(entry->values);
    SQLite3PowerClass store;
    const StoreResult removed = store.Delete(storePath(), schema::table(), condition, QString());
    if (!recordChange(store, removed))
        return;
    if (removed.changedRows == 0) {
        message(texts::ChosenEntryGone, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return;
    }
    FillList(QString(), sortColumn());
}

void CViewTab::OnCopyEntry() {
    const std::optional<ChosenEntry> entry = chosenEntry();
    if (!entry) {
        message(texts::SelectEntryToCopy);
        return;
    }
    QString text;
    for (const QString& value : entry->values)
        text += value + QStringLiteral("\r\n");
    shell::copyToClipboard(text, false);
}

namespace {
const QRegularExpression kLineBreak(QStringLiteral("\\r\\n|\\r|\\n"));
}  // namespace

void CViewTab::OnPrintEntries() {
    const int n = columnCount();
    m_power.m_lines.clear();
    for (int row = 0; row < m_model.rowCount(); ++row) {
        // A value of several lines (a quoted file may hold them) prints as those lines.
        for (int column = 0; column < n; ++column)
            m_power.m_lines.append(m_model.cellText(row, column).split(kLineBreak));
        m_power.m_lines << QString() << QStringLiteral("---") << QString();
    }
    LinePrinter printer(this);
    const bool printed = printer.PrintLines(m_power.m_lines);
    // The lines of a long list are large; nothing reads them after printing.
    m_power.m_lines = QStringList();
    if (!printed && printer.outcome() != LinePrinter::Outcome::Cancelled) {
        if (printer.outcome() == LinePrinter::Outcome::NoPrinter)
            message(texts::NoPrinter);
        message(texts::NotPrinted);
    }
}
