#pragma once

#include "CPage.h"
#include "Schema.h"

#include <QStringList>
#include <array>
#include <vector>

class QLabel;
class QLineEdit;

// One labelled field per column. The search instance turns the filled fields into the filter
// of View Filtered when its tab is left; the add/edit instance stores the fields as a new
// entry (add mode) or as the changed values of the entry being edited (edit mode).
class CSearchAddEdit : public CPage {
    Q_OBJECT
public:
    // One field for each column the store has.
    static constexpr int kFieldCount = schema::kColumnCount;

    CSearchAddEdit(QWidget* parent, OpenDatabase& database);

    void OnInitDialog() override;

    void PreparePage();
    void BuildSearchFilter();
    void SaveEditedEntry();
    void SaveNewEntry();
    // Edit mode: takes the values of the entry being edited from the store again, after the
    // entry or the columns changed (undo, redo, a column moved), so that the page shows it as
    // it is now. An entry that is no longer there is kept as it was, so that storing a change
    // to it says so, or (after undo) left for a new one.
    enum class WhenGone { KeepEditing, StartAdding };
    void FollowStoredEntry(WhenGone whenGone);

    QLineEdit* field(int k) const { return m_fields[k - 1]; }  // k from 1
    QLabel* label(int k) const { return m_labels[k - 1]; }
    QLabel* heading() const { return m_heading; }

    QStringList m_values;
    // Edit mode: the ids of the entry being edited and its twins, when it came from a list.
    std::vector<qint64> m_entries;
    // Search mode: the WHERE condition of the criteria last searched for.
    QString m_searchCondition;
    bool m_addMode = false;
    bool m_searchMode = false;

protected:
    // Places heading, labels and fields for the texts shown, and sizes the page.
    void placeControls() override;

private:
    std::array<QLineEdit*, kFieldCount> m_fields;
    std::array<QLabel*, kFieldCount> m_labels;
    QLabel* m_heading;
};
