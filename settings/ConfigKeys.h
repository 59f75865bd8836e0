#pragma once

#include <QLatin1String>
#include <QString>

// Every key of config.ini that the program reads or writes, named (PowerClass.h says how the
// file keeps a key and its value). The installed template holds them all but the recent
// databases', which are added when first written.
namespace configkeys {

// The program and version the settings belong to, which name the per-user copy's folder.
inline constexpr QLatin1String kProductId("Product ID");
inline constexpr QLatin1String kVersion("Version");
// The working store and the database open when the program last ended: each a path, or a
// marker while none was chosen yet.
inline constexpr QLatin1String kStorePath("Path");
inline constexpr QLatin1String kLastDatabase("LastDataBase");
// The widths of the lists' columns.
inline constexpr QLatin1String kColumnWidths("LastColumnWidths");
// View All's sort column.
inline constexpr QLatin1String kOptions("Options");
// The section of the translation file the texts come from, or CTranslation::kSystemLanguage.
inline constexpr QLatin1String kLanguage("Language");
inline constexpr QLatin1String kHomepage("Homepage");

// The k-th (from 1) of the databases opened last (RecentDatabases.h).
inline QString recentDatabase(int k) {
    return QStringLiteral("RecentDataBase%1").arg(k);
}
// The language numbers whose texts are those of the main language number (CTranslation).
inline QString dialectsOf(int language) {
    return QStringLiteral("Dialects[%1]").arg(language);
}

}  // namespace configkeys
