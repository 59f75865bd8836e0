#include "PowerClass.h"

#include "AtomicFileWriter.h"
#include "ConfigKeys.h"
#include "Latin1.h"
#include "ProgramFolder.h"
#include "SilentCopy.h"
#include "TextEncoding.h"
#include "VirtualRegistry.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kConfigFileName = QStringLiteral("config.ini");
const QString kEncodedPathMarker = QStringLiteral("utf-8:");
const QString kNoKeyPath = QStringLiteral("Registry key was not found :-( ");
const QString kLanguageKey = QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\Nls\\Language");
const QString kWindowsVersionKey =
    QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");

int digitsToInt(const QString& text, int base, QLatin1String digits) {
    // Unsigned, so that an overlong text wraps instead of overflowing.
    unsigned value = 0;
    unsigned weight = 1;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const qsizetype digit = digits.indexOf(text[i]);
        if (digit >= 0)
            value += static_cast<unsigned>(digit) * weight;
        weight *= static_cast<unsigned>(base);
    }
    return static_cast<int>(value);
}

// Cuts path before its last "/"; no "/" gives an empty text.
QString parentOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

// The value after the last line of lines equal to key; empty when there is none.
QString valueIn(const QStringList& lines, const QString& key) {
    QString result;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i] == key) {
            result = i + 1 < lines.size() ? lines[i + 1] : QString();
            ++i;  // a value line is never taken for a key
        }
    }
    return result;
}

// How config.ini keeps path: as it is where ISO 8859-1 can spell it, else marked and encoded.
QString configValueOfPath(const QString& path) {
    const bool plain = latin1::isRepresentable(path) && !path.contains(QLatin1Char('\n')) &&
                       !path.contains(QLatin1Char('\r')) && !path.startsWith(kEncodedPathMarker);
    if (plain)
        return path;
    return kEncodedPathMarker + QString::fromLatin1(path.toUtf8().toPercentEncoding("/ "));
}

// The path config.ini keeps as value, by the rule of configValueOfPath().
QString pathOfConfigValue(const QString& value) {
    if (!value.startsWith(kEncodedPathMarker))
        return value;
    return textencoding::fromUtf8(
        QByteArray::fromPercentEncoding(value.mid(kEncodedPathMarker.size()).toLatin1()));
}

}  // namespace

int DigitsToInt(const QString& text) {
    return digitsToInt(text, 10, QLatin1String("0123456789"));
}

int PowerClass::HexDigitsToInt(const QString& text) {
    return digitsToInt(text, 16, QLatin1String("0123456789abcdef"));
}

QString PowerClass::GetProgramFolder() const {
    QString folder = programfolder::path();
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

QString PowerClass::templateConfigPath() const {
    return GetProgramFolder() + QLatin1Char('/') + kConfigFileName;
}

QString PowerClass::configFile() const {
    return m_configPath.isEmpty() ? templateConfigPath() : m_configPath;
}

QString PowerClass::ResolveConfigPath() {
    m_configPath = templateConfigPath();
    const QString appData = ReadRegistryString(ShellFolderRoot, QStringLiteral("AppData"));
    if (!appData.isEmpty()) {
        // Reads the template while m_configPath still points at it.
        const QString productId = ReadConfig(configkeys::kProductId);
        const QString version = ReadConfig(configkeys::kVersion);
        const QString versionFolder =
            QStringLiteral("%1/Orvane/%2/%3").arg(appData, productId, version);
        QDir().mkpath(versionFolder);  // failures end in the fallback below
        m_configPath = versionFolder + QLatin1Char('/') + kConfigFileName;
        if (!FileExists(m_configPath)) {
            CopyWithShell(templateConfigPath(), versionFolder, false);
            if (!FileExists(m_configPath))
                m_configPath = templateConfigPath();
        }
    }
    m_dataFolder = m_configPath.chopped(kConfigFileName.size() + 1);
    // Without a per-user folder the program works on the files beside itself, the working
    // store included, instead of writing two folders above its installation.
    m_dataRoot =
        m_configPath == templateConfigPath() ? m_dataFolder : parentOf(parentOf(m_dataFolder));
    return m_configPath;
}

QString PowerClass::ReadConfig(const QString& key) const {
    return valueIn(latin1::readLines(configFile()), key);
}

bool PowerClass::WriteConfig(const QString& key, const QString& value) {
    if (!latin1::isRepresentable(value) || value.contains(QLatin1Char('\n')) ||
        value.contains(QLatin1Char('\r')))
        return false;
    writeValues({key}, {value}, false);
    return true;
}

void PowerClass::writeValues(const QStringList& keys, const QStringList& values, bool addKeys) {
    const QString path = configFile();
    QStringList lines = latin1::readLines(path);
    for (qsizetype k = 0; k < keys.size(); ++k) {
        bool found = false;
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            if (lines[i] == keys[k]) {
                lines[i + 1] = values[k];
                found = true;
            }
        }
        if (!found && addKeys)
            lines << keys[k] << values[k];
    }
    writeFileAtomically(path, latin1::joinLines(lines));
}

QString PowerClass::ReadConfigPath(const QString& key) const {
    return pathOfConfigValue(ReadConfig(key));
}

QStringList PowerClass::ReadConfigPaths(const QStringList& keys) const {
    const QStringList lines = latin1::readLines(configFile());
    QStringList paths;
    for (const QString& key : keys)
        paths.append(pathOfConfigValue(valueIn(lines, key)));
    return paths;
}

bool PowerClass::WriteConfigPath(const QString& key, const QString& path) {
    return WriteConfig(key, configValueOfPath(path));
}

bool PowerClass::WriteConfigPaths(const QStringList& keys, const QStringList& paths) {
    QStringList values;
    for (const QString& path : paths)
        values.append(configValueOfPath(path));
    writeValues(keys, values, true);
    return true;
}

QString PowerClass::ReadRegistryString(int root, const QString& valueName) const {
    QString keyPath;
    switch (root) {
        case ShellFolderRoot:
            keyPath = QStringLiteral(
                "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
            break;
        case CurrentUserRoot:
        case LocalMachineRoot:
            keyPath = m_registryKey;
            break;
        default:
            break;
    }
    if (keyPath.isEmpty())
        return kNoKeyPath;
    if (root == ShellFolderRoot && valueName == QLatin1String("AppData"))
        return registry::appDataFolder();
    if (root == LocalMachineRoot && keyPath == kLanguageKey &&
        valueName == QLatin1String("Default"))
        return registry::systemLanguage();
    if (root == LocalMachineRoot && keyPath == kWindowsVersionKey &&
        valueName == QLatin1String("ProductName"))
        return registry::productName();
    return {};
}

void PowerClass::CopyWithShell(const QString& source, const QString& destination, bool) {
    copySilently(source, destination);
}

bool PowerClass::FileExists(const QString& path) {
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool PowerClass::FileContainsText(const QString& path, const QString& text) const {
    const QStringList lines = latin1::readLines(path);
    for (const QString& line : lines) {
        if (line.contains(text))
            return true;
    }
    return false;
}

void PowerClass::SplitFields(const QString& text, QChar separator) {
    m_fields.clear();
    if (text.isEmpty())
        return;
    m_fields = text.split(separator);
}

int PowerClass::CountSemicolons(const QString& text) {
    return static_cast<int>(text.count(QLatin1Char(';')));
}

QString PowerClass::IntToText(int value) {
    return QString::number(value);
}

void PowerClass::WriteLinesFile(const QString& path) {
    writeFileAtomically(path, latin1::joinLines(m_lines));
    m_lines.clear();
}
