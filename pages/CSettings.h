#pragma once

#include "CPage.h"

class SQLite3PowerClass;

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// The column set of the database: add a column at a chosen place, rename or remove one. Adding
// and removing move the stored values so that each stays under its column. A new empty
// database gets its columns here.
class CSettings : public CPage {
    Q_OBJECT
public:
    explicit CSettings(QWidget* parent);

    void OnInitDialog() override;

    // Rebuilds the list from m_columnNames and resets the controls.
    void FillColumnList();

    // The leaving step of page switching. False when the page cannot be left (a new database
    // with fewer than two columns, or whose old entries the store would not let go): the
    // message has been shown and the page stays.
    bool LeavePage();

    // The item last selected since the list was filled; -1 when none was.
    int selectionMark() const { return m_selectionMark; }

    QTreeWidget* columnList() const { return m_list; }
    QLineEdit* nameField() const { return m_nameField; }
    QLabel* nameLabel() const { return m_nameLabel; }
    QPushButton* addButton() const { return m_addButton; }
    QPushButton* removeButton() const { return m_removeButton; }
    QPushButton* saveButton() const { return m_saveButton; }

    bool m_newDatabase = false;
    bool m_columnsChanged = false;
    bool m_addingColumn = false;

public slots:
    void OnColumnListClick();
    void OnColumnNameChange();
    void OnAddColumn();
    void OnSaveChanges();
    void OnRemoveColumn();

private:
    int itemCount() const;
    QStringList namesInList() const;
    // The names of the list joined, without item leftOut.
    QString listNames(int leftOut = -1) const;
    // After a change of the store's columns: true when store took it (the step goes to the
    // undo history); otherwise the user is told and false.
    bool stored(const SQLite3PowerClass& store, bool ran);

    QTreeWidget* m_list;
    QLineEdit* m_nameField;
    QPushButton* m_saveButton;
    QPushButton* m_removeButton;
    QPushButton* m_addButton;
    QLabel* m_nameLabel;
    int m_selectionMark = -1;
};
