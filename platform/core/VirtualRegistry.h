#pragma once

#include <QString>

// The three values the program reads from the system, in place of a registry.
namespace registry {

// $XDG_DATA_HOME, else $HOME/.local/share, else empty.
QString appDataFolder();

// The system language as a Windows language number in four lowercase hex digits, from the
// first of LC_ALL, LC_MESSAGES and LANG that is set ("de_CH.UTF-8" gives "0807"). C, POSIX
// and unknown locales give "0409".
QString systemLanguage();

// The language number of a locale name such as "de_CH.UTF-8@euro", "fr" or "pt_BR".
int languageNumberOfLocale(const QString& localeName);

// PRETTY_NAME of /etc/os-release; empty when it cannot be read.
QString productName();

}  // namespace registry
