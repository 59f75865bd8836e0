#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <vector>

// Writes a file through a temporary file beside it that replaces the old one only when every
// byte reached the disk, and the folder is synced after the rename: a file written completely
// survives a power cut. A crash, a full disk or a failed write leaves the old file whole.
// Every failure raises FileError(WriteFailed) naming the target file.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const QString& path);
    ~AtomicFileWriter();  // abandons the temporary file unless commit() ran

    // Small pieces are gathered in a buffer and reach the file in large blocks.
    void write(const char* data, qsizetype size);
    void write(const QByteArray& data) { write(data.constData(), data.size()); }
    void commit();

private:
    void flushBuffer();
    // Drops the temporary file.
    void abandon();
    [[noreturn]] void fail(const QString& reason);

    QString m_path;
    QSaveFile m_file;
    std::vector<char> m_buffer;
    bool m_done = false;
};

// Convenience for small files: the whole content in one go.
void writeFileAtomically(const QString& path, const QByteArray& content);
