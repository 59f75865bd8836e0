#pragma once

#include "CTranslation.h"
#include "CsvDialect.h"

#include <QByteArray>
#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QTableWidget;

// Asked before a file that is not in the program's own format is opened: shows the file's
// first lines split into columns as they will be read, with the separator, the quoting, the
// encoding and whether the first line holds the column names as choices, set to what reading
// the file found. OK opens the file so (dialect()); Cancel opens nothing.
class CFilePreview : public QDialog {
    Q_OBJECT
public:
    // bytes: the whole file, as read; fileName: its name, for the caption.
    CFilePreview(const QByteArray& bytes, const csvfile::Detection& detection,
                 const QString& fileName, const CTranslation& translation, QWidget* parent);

    // The dialect the choices make.
    csvfile::Dialect dialect() const;

    QComboBox* separatorBox() const { return m_separator; }
    QCheckBox* quotesBox() const { return m_quotes; }
    QComboBox* encodingBox() const { return m_encoding; }
    QCheckBox* namesBox() const { return m_names; }
    QTableWidget* table() const { return m_table; }
    // Shown, and OK disabled, when the choices split the file into more than 26 columns.
    QLabel* tooWideLabel() const { return m_tooWide; }

private:
    // Splits the beginning of the file afresh with the choices.
    void showRows();

    QByteArray m_sample;  // the beginning of the file, which the preview shows
    csvfile::Dialect m_found;
    const CTranslation& m_translation;
    QComboBox* m_separator;
    QCheckBox* m_quotes;
    QComboBox* m_encoding;
    QCheckBox* m_names;
    QTableWidget* m_table;
    QLabel* m_tooWide;
    QDialogButtonBox* m_buttons;
};
