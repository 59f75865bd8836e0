#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

// A helper process of a fault test (tests/fault_child, or the program itself), which the test
// can read line by line, kill at a chosen moment, and wait for.
class FaultChild {
public:
    FaultChild(const QString& program, const QStringList& arguments);
    QProcess& process() { return m_process; }

    void start() { m_process.start(); }
    // Waits for a line of standard output that starts with prefix; false when it ended first.
    bool waitForLine(const QByteArray& prefix);
    // Ends the process at once, as a crash or a power cut ends a program: SIGKILL.
    void kill();
    // Waits for the end; false when it did not come in time.
    bool finish(int milliseconds = 120000);
    bool crashed() const { return m_process.exitStatus() == QProcess::CrashExit; }
    int exitCode() const { return m_process.exitCode(); }
    QStringList lines() const;
    QString errors() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }

private:
    QProcess m_process;
    QByteArray m_output;
};
