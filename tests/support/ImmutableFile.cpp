#include "ImmutableFile.h"

#include <QProcess>

namespace {

// Runs chattr with flag on path; false, with chattr's complaint in reason, when it fails.
bool chattr(const QString& flag, const QString& path, QString* reason = nullptr) {
    QProcess process;
    process.start(QStringLiteral("chattr"), {flag, path});
    const bool done = process.waitForFinished(10000) &&
                      process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!done && reason)
        *reason = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return done;
}

}  // namespace

ImmutableFile::ImmutableFile(const QString& path) : m_path(path) {
    m_set = chattr(QStringLiteral("+i"), path, &m_reason);
}

ImmutableFile::~ImmutableFile() {
    if (m_set)
        chattr(QStringLiteral("-i"), m_path);
}
