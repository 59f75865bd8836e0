#include "AtomicFileWriter.h"

#include "FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qsizetype kBufferSize = 1 << 20;

// Has the folder of path take a file renamed into it, or removed from it, onto the disk: a
// power cut could otherwise take back the rename of a file that did reach the disk. A folder
// that cannot be synced costs only that promise; the file is in place either way.
void syncFolderOf(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int handle = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0)
        return;
    ::fsync(handle);
    ::close(handle);
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(const QString& path) : m_path(path), m_file(path) {
    const QFileInfo info(path);
    if (info.isDir())
        fail(QStringLiteral("a folder of that name exists"));
    if (!info.dir().exists())
        fail(QStringLiteral("the folder does not exist"));
    if (!m_file.open(QIODevice::WriteOnly))
        fail(m_file.errorString());
    m_buffer.reserve(kBufferSize);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (!m_done && m_file.isOpen())
        abandon();
}

void AtomicFileWriter::abandon() {
    m_file.cancelWriting();
    m_file.commit();  // after cancelWriting(): removes the temporary file, replaces nothing
    syncFolderOf(m_path);
}

void AtomicFileWriter::write(const char* data, qsizetype size) {
    if (static_cast<qsizetype>(m_buffer.size()) + size > kBufferSize)
        flushBuffer();
    if (size >= kBufferSize) {
        if (m_file.write(data, size) != size)
            fail(m_file.errorString());
        return;
    }
    m_buffer.insert(m_buffer.end(), data, data + size);
}

void AtomicFileWriter::flushBuffer() {
    if (m_buffer.empty())
        return;
    const auto size = static_cast<qint64>(m_buffer.size());
    if (m_file.write(m_buffer.data(), size) != size)
        fail(m_file.errorString());
    m_buffer.clear();
}

void AtomicFileWriter::commit() {
    flushBuffer();
    // QSaveFile::commit() of Qt 6.4 can report success on a full disk; check every step
    // ourselves and abandon the temporary file on any sign of trouble.
    if (!m_file.flush() || m_file.error() != QFileDevice::NoError)
        fail(m_file.errorString());
    if (!m_file.commit()) {
        m_done = true;
        syncFolderOf(m_path);
        throw FileError(FileError::Kind::WriteFailed, m_path, m_file.errorString());
    }
    m_done = true;
    syncFolderOf(m_path);
}

void AtomicFileWriter::fail(const QString& reason) {
    if (m_file.isOpen())
        abandon();
    m_done = true;
    throw FileError(FileError::Kind::WriteFailed, m_path, reason);
}

void writeFileAtomically(const QString& path, const QByteArray& content) {
    AtomicFileWriter writer(path);
    writer.write(content);
    writer.commit();
}
