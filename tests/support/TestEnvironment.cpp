#include "TestEnvironment.h"

#include "PowerClass.h"
#include "ProgramFolder.h"
#include "StoreContents.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TestEnvironment::TestEnvironment() : m_temporary(std::in_place) {
    if (!m_temporary->isValid())
        qFatal("cannot make a temporary folder: %s", qPrintable(m_temporary->errorString()));
    m_root = m_temporary->path();
    makeWorld();
}

TestEnvironment::TestEnvironment(const QString& folder) : m_root(folder) {
    QDir(m_root).removeRecursively();
    makeWorld();
}

TestEnvironment::TestEnvironment(const QString& folder, Existing) : m_root(folder) {
    enterWorld();
}

void TestEnvironment::makeWorld() {
    for (const char* folder : {"program", "home", "data"}) {
        if (!QDir().mkpath(root() + QLatin1Char('/') + QLatin1String(folder)))
            qFatal("cannot make %s below %s", folder, qPrintable(root()));
    }
    const QDir installed(QStringLiteral(ORVANE_PROGRAM_FILES));
    for (const QString& name :
         {QStringLiteral("config.ini"), QStringLiteral("orvanedbtrl.ini"),
          QStringLiteral("orvane_database.sqlite"), QStringLiteral("help.html")}) {
        if (!QFile::copy(installed.filePath(name), programFolder() + QLatin1Char('/') + name))
            qFatal("cannot copy the installation file %s", qPrintable(name));
    }
    enterWorld();
}

void TestEnvironment::enterWorld() {
    m_oldHome = qgetenv("HOME");
    m_oldDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", (root() + QStringLiteral("/home")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", dataHome().toLocal8Bit());
    programfolder::setOverride(programFolder());
}

TestEnvironment::~TestEnvironment() {
    programfolder::setOverride(QString());
    qputenv("HOME", m_oldHome);
    if (m_oldDataHome.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", m_oldDataHome);
}

QString TestEnvironment::writeFile(const QString& name, const QByteArray& bytes) const {
    const QString path = root() + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray TestEnvironment::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString TestEnvironment::copyStoreTemplate(const QString& name) const {
    const QString path = root() + QLatin1Char('/') + name;
    if (!QFile::copy(storeTemplate(), path))
        qFatal("cannot copy the store template to %s", qPrintable(path));
    return path;
}

void TestEnvironment::setConfig(const QString& key, const QString& value) const {
    PowerClass power;
    if (QFileInfo::exists(userConfig()))
        power.m_configPath = userConfig();
    if (!power.WriteConfig(key, value))
        qFatal("cannot write the setting %s", qPrintable(key));
}

QString TestEnvironment::config(const QString& key) const {
    PowerClass power;
    if (QFileInfo::exists(userConfig()))
        power.m_configPath = userConfig();
    return power.ReadConfig(key);
}

QStringList TestEnvironment::storeRows(int columnCount) const {
    return storeRows(userStore(), columnCount);
}

QStringList TestEnvironment::storeRows(const QString& storePath, int columnCount) const {
    return storecontents::rows(storePath, columnCount);
}
