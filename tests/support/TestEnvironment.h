#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

// A world of its own for one test: HOME and XDG_DATA_HOME in a folder of the test, and a
// program folder holding copies of this build's installation files. Nothing touches the real
// user's folders; the destructor points HOME, XDG_DATA_HOME and the program folder back.
class TestEnvironment {
public:
    // The world in a new temporary folder, removed with it.
    TestEnvironment();
    // The world in folder, emptied first and left for the caller to remove: the benchmark
    // keeps its files on the disk it measures.
    explicit TestEnvironment(const QString& folder);
    // The world another process made in folder, taken as it is: a child process of a test
    // works in its parent's world.
    enum class Existing { World };
    TestEnvironment(const QString& folder, Existing);
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    QString root() const { return m_root; }
    QString programFolder() const { return root() + QStringLiteral("/program"); }
    QString dataHome() const { return root() + QStringLiteral("/data"); }
    QString userFolder() const { return dataHome() + QStringLiteral("/Orvane/orvanedb/3.01"); }
    QString userConfig() const { return userFolder() + QStringLiteral("/config.ini"); }
    // The per-user folder of the program's maker, where the working store lives.
    QString dataRoot() const { return dataHome() + QStringLiteral("/Orvane"); }
    QString userStore() const { return dataRoot() + QStringLiteral("/orvane_database.sqlite"); }
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
    void makeWorld();
    void enterWorld();

    std::optional<QTemporaryDir> m_temporary;
    QString m_root;
    QByteArray m_oldHome;
    QByteArray m_oldDataHome;
};
