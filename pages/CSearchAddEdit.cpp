#include "CSearchAddEdit.h"

#include "DialogUnits.h"
#include "InputValidators.h"
#include "SQLite3PowerClass.h"
#include "SqlText.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolTip>

#include <algorithm>

CSearchAddEdit::CSearchAddEdit(QWidget* parent, OpenDatabase& database)
    : CPage(parent, database), m_heading(new QLabel(this)) {
    m_heading->setWordWrap(true);
    for (int k = 1; k <= kFieldCount; ++k) {
        auto* label = new QLabel(this);
        auto* field = new QLineEdit(this);
        label->setBuddy(field);
        m_labels[k - 1] = label;
        m_fields[k - 1] = field;
    }
    // The keyboard walks the fields in column order: down the left half, then the right.
    for (int k = 1; k < kFieldCount; ++k)
        setTabOrder(m_fields[k - 1], m_fields[k]);
    placeControls();
}

void CSearchAddEdit::placeControls() {
    // The design: a page of 399 by 238 units, the heading across it, and the fields in two
    // halves of 13, each a label of 63 units and a field of 113, 6 apart, 16 units a row. A
    // label takes what its name needs from its field, down to a field of 60 units; a longer
    // name shows whole in the label's tooltip. The rows and the heading grow as high as the
    // style's fields and the language's longest heading need, and the page with them.
    const int headingWidth = dlu::x(385);
    int headingHeight = dlu::y(16);
    for (const int heading : {texts::SearchHeading, texts::AddHeading, texts::EditHeading}) {
        const QRect lines = m_heading->fontMetrics().boundingRect(QRect(0, 0, headingWidth, 10000),
                                                                  Qt::TextWordWrap, text(heading));
        headingHeight = std::max(headingHeight, lines.height());
    }
    m_heading->setGeometry(dlu::x(7), dlu::y(7), headingWidth,
                           std::max(headingHeight, m_heading->heightForWidth(headingWidth)));

    const int half = dlu::x(63 + 6 + 113);
    const int gap = dlu::x(6);
    const int widest = half - gap - dlu::x(60);
    int labelWidth = dlu::x(63);
    for (const QLabel* label : m_labels)
        labelWidth = std::max(labelWidth, std::min(widest, label->sizeHint().width()));
    const int fieldHeight = dlu::fieldHeight(*m_fields[0], dlu::y(12));
    const int pitch = std::max(dlu::y(16), fieldHeight + dlu::y(4));
    const int top = m_heading->geometry().bottom() + 1 + dlu::y(2);
    int bottom = 0;
    for (int k = 1; k <= kFieldCount; ++k) {
        const bool left = k <= 13;
        const int row = left ? k : k - 13;
        const int x = left ? dlu::x(7) : dlu::x(210);
        const int y = top + pitch * (row - 1);
        QLabel* label = m_labels[k - 1];
        // The label as high as its field, so that both texts stand on one line.
        label->setGeometry(x, y, labelWidth, fieldHeight);
        label->setToolTip(label->sizeHint().width() > labelWidth ? label->text() : QString());
        m_fields[k - 1]->setGeometry(x + labelWidth + gap, y, half - labelWidth - gap, fieldHeight);
        bottom = std::max(bottom, y + fieldHeight);
    }
    resize(dlu::x(399), std::max(dlu::y(238), bottom + dlu::y(7)));
}

void CSearchAddEdit::OnInitDialog() {
    CPage::OnInitDialog();
    placeControls();  // for the headings of the language
    // A search text need only be writable in the file's encoding; a value must fit its format.
    const auto rule = [this](const QString& text, const QString& given) {
        return m_searchMode ? textencoding::canHold(encoding(), text)
                            : csvfile::canHoldValue(dialect(), text, given);
    };
    for (QLineEdit* field : m_fields) {
        delete field->validator();
        connect(restrictField(field, rule), &FieldValidator::refused, field, [this, field] {
            QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), refusalText(),
                               field);
        });
    }
}

void CSearchAddEdit::PreparePage() {
    for (QLabel* label : m_labels)
        label->clear();
    m_heading->setText(text(m_searchMode ? texts::SearchHeading
                            : m_addMode  ? texts::AddHeading
                                         : texts::EditHeading));
    m_power.SplitFields(columnNames(), QLatin1Char(';'));
    const QStringList names = m_power.m_fields;
    const int n = static_cast<int>(names.size());
    m_values.resize(n);
    for (int k = 1; k <= kFieldCount; ++k) {
        field(k)->setEnabled(k <= n);
        if (k > n) {
            // A disabled field cannot be cleared by the user, and a criterion left in it
            // would narrow every later search.
            field(k)->clear();
            // A screen reader still names the fields the database does not use.
            field(k)->setAccessibleName(text(texts::UnusedColumnField).arg(k));
        }
    }
    if (m_addMode)
        m_values = QStringList(n, QString());
    for (int k = 1; k <= n && k <= kFieldCount; ++k) {
        setGivenText(field(k), m_values[k - 1]);
        label(k)->setText(names[k - 1]);
        field(k)->setAccessibleName(names[k - 1]);
    }
    placeControls();  // for the names of the columns
}

void CSearchAddEdit::BuildSearchFilter() {
    QStringList conditions;
    m_values.clear();
    for (int k = 1; k <= kFieldCount; ++k) {
        const QString value = field(k)->text();
        m_values.append(value);
        if (!value.isEmpty())
            conditions.append(schema::column(k) + QStringLiteral(" LIKE ") +
                              sqltext::literal(value));
    }
    m_values.resize(columnCount());
    m_searchCondition = conditions.join(QStringLiteral(" AND "));
}

void CSearchAddEdit::SaveEditedEntry() {
    const int n = std::min(columnCount(), kFieldCount);
    if (n == 0)
        return;
    QStringList oldValues;
    QStringList newValues;
    QStringList assignments;
    bool changed = false;
    for (int i = 1; i <= n; ++i) {
        const QString oldValue = i <= m_values.size() ? m_values[i - 1] : QString();
        const QString newValue = field(i)->text();
        // A CR the value came with from its file may stay; nothing else the file cannot hold.
        if (!csvfile::canHoldValue(dialect(), newValue, oldValue)) {
            reportUnstorableValue();
            return;
        }
        assignments.append(schema::column(i) + QLatin1Char('=') + sqltext::literal(newValue));
        oldValues.append(oldValue);
        newValues.append(newValue);
        changed = changed || newValue != oldValue;
    }
    // Nothing to store: the store and its record of unsaved changes stay as they are.
    if (!changed)
        return;
    // The entry and its twins by their ids, when a list handed them over, so that the store
    // need not look at every entry; the values must still be those handed over.
    QString condition = schema::allColumnsEqual(oldValues);
    if (!m_entries.empty())
        condition = sqltext::rowidIn(m_entries) + QStringLiteral(" AND ") + condition;
    SQLite3PowerClass store;
    const StoreResult edited = store.Update(
        storePath(), schema::table(), assignments.join(QLatin1Char(',')), condition, QString());
    if (!recordChange(store, edited))
        return;
    if (edited.changedRows == 0) {
        // The entry was removed or changed since it was handed over: say so rather than
        // drop the change without a word.
        message(texts::EditedEntryGone, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return;
    }
    // The page goes on editing the entry as it is now stored, so that coming back to the
    // tab continues the same entry.
    m_values = newValues;
}

void CSearchAddEdit::FollowStoredEntry(WhenGone whenGone) {
    if (m_searchMode || m_addMode || m_entries.empty())
        return;
    const int n = std::min(columnCount(), kFieldCount);
    SQLite3PowerClass store;
    const StoreResult read = store.Query(storePath(), schema::table(), sqltext::rowidIn(m_entries),
                                         QStringLiteral("rowid"), n);
    if (read.failed())
        return;  // the store says so at the next change
    if (store.rowCount() == 0) {
        if (whenGone == WhenGone::StartAdding) {
            m_values.clear();
            m_entries.clear();
            m_addMode = true;
        }
        return;
    }
    m_values.clear();
    for (int k = 0; k < n; ++k)
        m_values.append(store.m_resultValues.value(0, k));
}

void CSearchAddEdit::SaveNewEntry() {
    const int n = std::min(columnCount(), kFieldCount);
    QStringList columns;
    QStringList values;
    QString allText;
    for (int i = 1; i <= n; ++i) {
        const QString value = field(i)->text();
        columns.append(schema::column(i));
        values.append(sqltext::literal(value));
        allText += value;
    }
    if (allText.isEmpty())
        return;
    for (int i = 1; i <= n; ++i) {
        if (!csvfile::canHoldValue(dialect(), field(i)->text())) {
            reportUnstorableValue();
            return;
        }
    }
    SQLite3PowerClass store;
    recordChange(store, store.Insert(storePath(), schema::table(),
                                     QStringLiteral("(%1) VALUES (%2)")
                                         .arg(columns.join(QStringLiteral(", ")),
                                              values.join(QStringLiteral(", "))),
                                     QString()));
}
