#include "FileError.h"

FileError::FileError(Kind kind, QString path, QString reason)
    : m_kind(kind), m_path(std::move(path)), m_reason(std::move(reason)) {
    m_what = (m_path + QStringLiteral(": ") + m_reason).toLocal8Bit();
}
