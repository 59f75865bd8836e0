#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A fresh world for one test: a temporary HOME and XDG_DATA_HOME, and a program folder holding
// copies of this build's installation files. Nothing touches the real user's folders. Qt Core
// only: the store and settings suites link no widgets.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();

    QString root() const { return m_root.path(); }
    QString programFolder() const { return root() + QStringLiteral("/program"); }
    QString dataHome() const { return root() + QStringLiteral("/data"); }
    QString userFolder() const { return dataHome() + QStringLiteral("/Orvane/orvanedb/3.01"); }
    QString userConfig() const { return userFolder() + QStringLiteral("/config.ini"); }
    QString userStore() const {
        return dataHome() + QStringLiteral("/Orvane/orvane_database.sqlite");
    }
    QString storeTemplate() const {
        return programFolder() + QStringLiteral("/orvane_database.sqlite");
    }

    // Writes bytes to a file below the root and returns its path.
    QString writeFile(const QString& name, const QByteArray& bytes) const;
    // The bytes of the file at path; empty when it cannot be read.
    static QByteArray readFile(const QString& path);
    // Copies the store template to name below the root, a working store of the test's own,
    // and returns its path.
    QString copyStoreTemplate(const QString& name = QStringLiteral("store.sqlite")) const;

    // Sets a value in the template config.ini beside the program (before the first start) or
    // in the per-user copy (after it).
    void setConfig(const QString& key, const QString& value) const;
    QString config(const QString& key) const;

    // Rows of the working store, each cell joined with "|", columns 1 to columnCount.
    QStringList storeRows(int columnCount) const;
    QStringList storeRows(const QString& storePath, int columnCount) const;

private:
    QTemporaryDir m_root;
    QByteArray m_oldHome;
    QByteArray m_oldDataHome;
};
