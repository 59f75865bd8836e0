#pragma once

#include "CTranslation.h"
#include "PowerClass.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;
class QTreeWidget;

// The new-database dialog: a new empty database, or one of the templates the translation file
// offers (names at 10000, 10010, ... as long as they exist).
class CNew : public QDialog {
    Q_OBJECT
public:
    explicit CNew(QWidget* parent);

    // Builds the dialog afresh; runs before every showing. Raises FileError.
    void OnInitDialog();

    // The chosen line when the dialog was confirmed: 0 the empty database, k the template k,
    // -1 no line marked. Kept when the dialog is cancelled.
    int m_selectedIndex = 0;

    QTreeWidget* list() const { return m_list; }

public slots:
    void OnOK();

private:
    // Places the controls for the texts shown and sizes the dialog.
    void placeControls();

    PowerClass m_power;
    CTranslation m_translation;
    QGroupBox* m_group;
    QLabel* m_explanation;
    QTreeWidget* m_list;
    QPushButton* m_okButton;
    QPushButton* m_cancelButton;
};
