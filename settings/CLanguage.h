#pragma once

#include <QDialog>

class CTranslation;
#include <QStringList>

class QComboBox;
class QGroupBox;
class QPushButton;

// The language dialog: lists the languages of the translation file by their own names and
// hands the chosen section header back in m_language.
class CLanguage : public QDialog {
    Q_OBJECT
public:
    explicit CLanguage(QWidget* parent);

    // Fills the dialog from the translation file. Raises FileError.
    void OnInitDialog();

    QString m_language;      // in: the current "Language"; out: the chosen section header
    QString m_caption;       // caption of the group box, from the caller's texts
    QString m_selection;     // the combo box text
    QStringList m_sections;  // pairs in file order: header, display name

    QComboBox* languageList() const { return m_combo; }
    QPushButton* okButton() const { return m_okButton; }

public slots:
    void OnOK();

private:
    void readSections(const QStringList& lines, const CTranslation& translation);
    void showSelection();
    void labelWindow(const CTranslation& translation);
    // Places the controls for the texts shown and sizes the dialog.
    void placeControls();

    QGroupBox* m_group;
    QComboBox* m_combo;
    QPushButton* m_okButton;
};
