#pragma once

#include "PowerClass.h"
#include "TextNumbers.h"

#include <QHash>
#include <QString>

// A window's texts by number, read from the translation file "<Product ID>trl.ini" beside the
// program, in the configured language or the system's.
//
// The file holds sections that start at a header line "[nnnn]" (a Windows language number)
// and end at "[EOL]"; each line of more than four characters is an entry: five digits of
// text number, one separator character, then the text.
class CTranslation {
public:
    static constexpr int LastTextId = 99999;
    // What GetText gives for a number the section lacks: callers take it as "no such text".
    static const QString kMissing;
    // The section of the system's language: the "Language" setting that names it follows the
    // system.
    static const QString kSystemLanguage;

    // Chooses the section and loads its texts afresh. Raises FileError when the
    // configuration or translation file cannot be read.
    void LoadTexts();

    // The text of the first entry with number id; kMissing for a number the section lacks.
    QString GetText(int id) const;
    // Whether the section has a text of number id.
    bool has(int id) const { return GetText(id) != kMissing; }
    // The text of number id, or fallback where the section lacks it.
    QString textOr(int id, const QString& fallback) const;
    // The confirming button of a dialog: the text Ok, or "OK".
    QString okText() const { return textOr(texts::Ok, QStringLiteral("OK")); }

    // Template k (from 1) of the New Database dialog: its name and its column-names line. The
    // templates run from 1 for as long as hasTemplate() is true.
    bool hasTemplate(int k) const { return has(templateNumber(k)); }
    QString templateName(int k) const { return GetText(templateNumber(k)); }
    QString templateColumns(int k) const { return GetText(templateNumber(k) + 1); }

    // The section header that LoadTexts chose, for example "[1031]".
    const QString& loadedSection() const { return m_section; }
    // The locale of the loaded texts ("de", "pt_BR", ...; "en" for English and any other):
    // it chooses Qt's own translation, the help pages and the order of sorted lists.
    QString locale() const;

    // The translation file of the installation.
    QString translationFilePath();

private:
    static int templateNumber(int k) { return texts::FirstTemplate + 10 * (k - 1); }
    QString wantedSection(const QString& translationFile);

    PowerClass m_power;
    QHash<int, QString> m_texts;
    QString m_section;
};
