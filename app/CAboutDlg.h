#pragma once

#include <QDialog>

class CTranslation;

// The About box: program icon, name and version, credits and an OK button.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(QWidget* parent, const CTranslation& translation);
};
