#include "VirtualRegistry.h"

#include <QFile>
#include <QHash>

namespace registry {

namespace {

// Windows language numbers of the regional variants of the languages the program offers,
// plus a few common others. A bare language code maps to its main variant.
const QHash<QString, int>& localeTable() {
    static const QHash<QString, int> table = {
        {"de", 0x0407},    {"de_DE", 0x0407}, {"de_CH", 0x0807}, {"de_AT", 0x0C07},
        {"de_LU", 0x1007}, {"de_LI", 0x1407}, {"en", 0x0409},    {"en_US", 0x0409},
        {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_NZ", 0x1409},
        {"en_IE", 0x1809}, {"en_ZA", 0x1C09}, {"en_IN", 0x4009}, {"en_SG", 0x4809},
        {"fr", 0x040C},    {"fr_FR", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C},
        {"fr_CH", 0x100C}, {"fr_LU", 0x140C}, {"fr_MC", 0x180C}, {"es", 0x0C0A},
        {"es_ES", 0x0C0A}, {"es_MX", 0x080A}, {"es_AR", 0x2C0A}, {"es_CO", 0x240A},
        {"es_CL", 0x340A}, {"es_PE", 0x280A}, {"es_VE", 0x200A}, {"es_US", 0x540A},
        {"nl", 0x0413},    {"nl_NL", 0x0413}, {"nl_BE", 0x0813}, {"pt", 0x0816},
        {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"it", 0x0410},    {"it_IT", 0x0410},
        {"it_CH", 0x0810}, {"da", 0x0406},    {"da_DK", 0x0406}, {"sv", 0x041D},
        {"sv_SE", 0x041D}, {"fi", 0x040B},    {"fi_FI", 0x040B}, {"pl", 0x0415},
        {"pl_PL", 0x0415}, {"cs", 0x0405},    {"cs_CZ", 0x0405}, {"ja", 0x0411},
        {"ja_JP", 0x0411}, {"ru", 0x0419},    {"ru_RU", 0x0419},
    };
    return table;
}

constexpr int kEnglishUs = 0x0409;

}  // namespace

QString appDataFolder() {
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty())
        return xdg;
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty())
        return home + QStringLiteral("/.local/share");
    return {};
}

int languageNumberOfLocale(const QString& localeName) {
    QString name = localeName;
    name = name.section(QLatin1Char('@'), 0, 0).section(QLatin1Char('.'), 0, 0);
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    const auto& table = localeTable();
    if (const auto it = table.constFind(name); it != table.constEnd())
        return it.value();
    const QString language = name.section(QLatin1Char('_'), 0, 0).toLower();
    if (const auto it = table.constFind(language); it != table.constEnd())
        return it.value();
    return kEnglishUs;
}

QString systemLanguage() {
    QString locale;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = qEnvironmentVariable(variable);
        if (!locale.isEmpty())
            break;
    }
    return QStringLiteral("%1").arg(languageNumberOfLocale(locale), 4, 16, QLatin1Char('0'));
}

QString productName() {
    QFile file(QStringLiteral("/etc/os-release"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1String("PRETTY_NAME="))) {
            QString value = line.mid(12);
            if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) &&
                value.endsWith(QLatin1Char('"')))
                value = value.mid(1, value.size() - 2);
            return value;
        }
    }
    return {};
}

}  // namespace registry
