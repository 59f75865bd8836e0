#include "CTranslation.h"

#include "ConfigKeys.h"
#include "Latin1.h"

namespace {
const QString kEnglish = QStringLiteral("[1033]");
const QString kEndOfSection = QStringLiteral("[EOL]");
constexpr int kMainLanguages[] = {1031, 1033, 1036, 1034, 1043, 1046};
}  // namespace

const QString CTranslation::kMissing = QStringLiteral("---");
const QString CTranslation::kSystemLanguage = QStringLiteral("[----]");

QString CTranslation::translationFilePath() {
    m_power.ResolveConfigPath();
    return m_power.GetProgramFolder() + QLatin1Char('/') +
           m_power.ReadConfig(configkeys::kProductId) + QStringLiteral("trl.ini");
}

QString CTranslation::wantedSection(const QString& translationFile) {
    const QString configured = m_power.ReadConfig(configkeys::kLanguage);
    if (configured != kSystemLanguage)
        return configured;

    m_power.m_registryKey = QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\Nls\\Language");
    const QString hex =
        m_power.ReadRegistryString(PowerClass::LocalMachineRoot, QStringLiteral("Default"));
    QString header = QStringLiteral("[%1]").arg(PowerClass::HexDigitsToInt(hex));
    // Regional variants (de-CH, en-GB, ...) use the section of their main language.
    for (int language : kMainLanguages) {
        const QString dialects = m_power.ReadConfig(configkeys::dialectsOf(language));
        if (dialects.contains(header))
            header = QStringLiteral("[%1]").arg(language);
    }
    return m_power.FileContainsText(translationFile, header) ? header : kEnglish;
}

void CTranslation::LoadTexts() {
    const QString file = translationFilePath();
    const QString section = wantedSection(file);
    const QStringList lines = latin1::readLines(file);

    QHash<int, QString> texts;
    bool terminated = false;  // an entry 99999 hides every entry after it
    const bool isHeader = section.size() == 6 && section.startsWith(QLatin1Char('[')) &&
                          section.endsWith(QLatin1Char(']'));
    qsizetype i = isHeader ? lines.indexOf(section) : -1;
    if (i >= 0) {
        for (++i; i < lines.size() && lines[i] != kEndOfSection && !terminated; ++i) {
            const QString& line = lines[i];
            if (line.size() <= 4)
                continue;
            const int id = DigitsToInt(line.left(5));
            if (!texts.contains(id))
                texts.insert(id, line.mid(6));
            terminated = id == LastTextId;
        }
    }
    if (!texts.contains(LastTextId))
        texts.insert(LastTextId, kMissing);
    m_texts = std::move(texts);
    m_section = section;
}

QString CTranslation::locale() const {
    static const QHash<QString, QString> locales = {{"[1031]", "de"},
                                                    {"[1036]", "fr"},
                                                    {"[1034]", "es"},
                                                    {"[1043]", "nl"},
                                                    {"[1046]", "pt_BR"}};
    return locales.value(m_section, QStringLiteral("en"));
}

QString CTranslation::textOr(int id, const QString& fallback) const {
    const QString text = GetText(id);
    return text == kMissing ? fallback : text;
}

QString CTranslation::GetText(int id) const {
    const auto it = m_texts.constFind(id);
    return it != m_texts.constEnd() ? it.value() : m_texts.value(LastTextId, kMissing);
}
