#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One running program per user's data: the program that holds the data listens on a local
// socket in the user's runtime folder, and a later start hands it what it was given (a file
// to open, or nothing) instead of starting a second window. The socket is named after the
// data folder, so programs that work on other data (tests, another user) never meet; one left
// by a crashed program is replaced by the next program that holds the data.
class RunningProgram : public QObject {
    Q_OBJECT
public:
    // dataFolder: the folder whose lock the program holds.
    explicit RunningProgram(const QString& dataFolder, QObject* parent = nullptr);

    // Listens for later starts; call only while holding the data's lock. False when the
    // socket cannot be made: the program runs on, and later starts find nobody to hand to.
    bool listen();

    // Hands path (empty: nothing to open) to the program that holds the data. True once that
    // program has taken it; false when none answered within timeoutMs.
    bool handOver(const QString& path, int timeoutMs) const;

    // The socket's path (or name where the runtime folder is unknown).
    const QString& socketName() const { return m_socketName; }

signals:
    // A later start handed path over (empty: it only asks the window to come forward).
    void handed(const QString& path);

private:
    void receive();

    QString m_socketName;
    QLocalServer* m_server = nullptr;
};
