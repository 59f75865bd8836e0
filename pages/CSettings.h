#pragma once

#include "CPage.h"

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
    // with fewer than two columns): the message has been shown and the page stays.
    bool LeavePage();

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
    QTreeWidget* m_list;
    QLineEdit* m_nameField;
    QPushButton* m_saveButton;
    QPushButton* m_removeButton;
    QPushButton* m_addButton;
    QLabel* m_nameLabel;
};
