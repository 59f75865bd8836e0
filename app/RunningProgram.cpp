#include "RunningProgram.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {

// What a later start writes: this greeting, then the path as a QString; the running program
// answers with one byte once it has taken it.
const QString kGreeting = QStringLiteral("orvane-database 1 open");
constexpr char kTaken = 'k';

}  // namespace

RunningProgram::RunningProgram(const QString& dataFolder, QObject* parent) : QObject(parent) {
    const QByteArray key =
        QCryptographicHash::hash(QDir::cleanPath(dataFolder).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    const QString name = QStringLiteral("orvane-database-%1.socket").arg(QLatin1String(key));
    // The runtime folder is the user's own (mode 0700) and emptied at logout; without one, Qt
    // puts a plain name in the temporary folder.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    m_socketName = runtime.isEmpty() ? name : runtime + QLatin1Char('/') + name;
}

bool RunningProgram::listen() {
    // The lock is ours: a socket there belongs to a program that ended without removing it.
    QLocalServer::removeServer(m_socketName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &RunningProgram::receive);
    return m_server->listen(m_socketName);
}

void RunningProgram::receive() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            QString greeting;
            QString path;
            in >> greeting >> path;
            if (!in.commitTransaction())
                return;  // the rest is still on its way
            if (greeting != kGreeting) {
                socket->abort();
                return;
            }
            socket->write(&kTaken, 1);
            socket->flush();
            socket->disconnectFromServer();
            emit handed(path);
        });
    }
}

bool RunningProgram::handOver(const QString& path, int timeoutMs) const {
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The program that holds the lock may not listen yet: it is starting.
    for (;;) {
        socket.connectToServer(m_socketName);
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    QDataStream out(&socket);
    out << kGreeting << path;
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    // It answers when its window takes the request, which a long operation may delay.
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == kTaken;
}
