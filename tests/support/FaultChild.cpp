#include "FaultChild.h"

#include <csignal>

FaultChild::FaultChild(const QString& program, const QStringList& arguments) {
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
}

bool FaultChild::waitForLine(const QByteArray& prefix) {
    while (true) {
        while (m_process.canReadLine()) {
            const QByteArray line = m_process.readLine();
            m_output += line;
            if (line.startsWith(prefix))
                return true;
        }
        if (m_process.state() == QProcess::NotRunning || !m_process.waitForReadyRead(60000))
            return false;
    }
}

void FaultChild::kill() {
    const qint64 pid = m_process.processId();
    if (pid > 0)
        ::kill(static_cast<pid_t>(pid), SIGKILL);
}

bool FaultChild::finish(int milliseconds) {
    const bool ended = m_process.waitForFinished(milliseconds);
    m_output += m_process.readAllStandardOutput();
    return ended;
}

QStringList FaultChild::lines() const {
    return QString::fromLocal8Bit(m_output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
