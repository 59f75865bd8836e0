#pragma once

#include "CPage.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// The column set of the database: add a column at a chosen place, rename or remove one. Adding
// and removing move the stored values so that each stays under its column. A new empty
// database gets its columns here: they are only a draft of the page's own until LeavePage()
// confirms them, and the open database stays as it was until then.
class CSettings : public CPage {
    Q_OBJECT
public:
    CSettings(QWidget* parent, OpenDatabase& database);

    void OnInitDialog() override;

    // Rebuilds the list from the database's columns (or the draft's) and resets the controls.
    void FillColumnList();

    // Starts the draft of a new database's columns, with none yet; the open database stays as it
    // is until LeavePage() confirms the draft.
    void StartNewDatabase();
    // Drops the draft: the page shows the open database's columns again.
    void AbandonNewDatabase();

    // The leaving step of page switching. A new database's draft of at least two columns is
    // confirmed: the store's entries go, and the database opens as a new untitled one. False
    // when the page cannot be left (fewer than two columns, or the store would not let the old
    // entries go): the message has been shown and the page stays.
    bool LeavePage();

    // The item last selected since the list was filled; -1 when none was.
    int selectionMark() const { return m_selectionMark; }

    QTreeWidget* columnList() const { return m_list; }
    QLineEdit* nameField() const { return m_nameField; }
    QLabel* nameLabel() const { return m_nameLabel; }
    QPushButton* addButton() const { return m_addButton; }
    QPushButton* removeButton() const { return m_removeButton; }
    QPushButton* saveButton() const { return m_saveButton; }

    // A new database's columns are being defined.
    bool m_newDatabase = false;
    bool m_addingColumn = false;

public slots:
    void OnColumnListClick();
    void OnColumnNameChange();
    void OnAddColumn();
    void OnSaveChanges();
    void OnRemoveColumn();

protected:
    void placeControls() override;
    // A new database is in the own format, single-byte, until it is saved otherwise.
    csvfile::Dialect dialect() const override {
        return m_newDatabase ? csvfile::Dialect() : CPage::dialect();
    }

private:
    int itemCount() const;
    QStringList namesInList() const;
    // The names of the list joined, without item leftOut.
    QString listNames(int leftOut = -1) const;
    // The names the list shows: the draft's while a new database is defined.
    QString shownColumnNames() const { return m_newDatabase ? m_draftColumnNames : columnNames(); }

    QTreeWidget* m_list;
    QLineEdit* m_nameField;
    QPushButton* m_saveButton;
    QPushButton* m_removeButton;
    QPushButton* m_addButton;
    QLabel* m_nameLabel;
    int m_selectionMark = -1;
    QString m_draftColumnNames;
};
