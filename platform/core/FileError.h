#pragma once

#include <QString>
#include <exception>

// A file operation that failed. Raised by the code that touches files and turned into one
// standard message by ActionGuard around each user action, so no page catches it itself.
class FileError : public std::exception {
public:
    enum class Kind { NotFound, ReadFailed, WriteFailed };

    FileError(Kind kind, QString path, QString reason = {});

    Kind kind() const { return m_kind; }
    const QString& path() const { return m_path; }
    const QString& reason() const { return m_reason; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    Kind m_kind;
    QString m_path;
    QString m_reason;
    QByteArray m_what;
};
