#pragma once

#include "PowerClass.h"

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

    // Chooses the section and loads its texts afresh. Raises FileError when the
    // configuration or translation file cannot be read.
    void LoadTexts();

    // The text of the first entry with number id; "---" for a number the section lacks.
    QString GetText(int id) const;

    // The section header that LoadTexts chose, for example "[1031]".
    const QString& loadedSection() const { return m_section; }

    // The translation file of the installation.
    QString translationFilePath();

private:
    QString wantedSection(const QString& translationFile);

    PowerClass m_power;
    QHash<int, QString> m_texts;
    QString m_section;
};
