#pragma once

#include <QString>

// A file made immutable (chattr +i) for the lifetime of this object: then not even root may
// replace or change it. isSet() is false, with the reason, where the file system cannot hold
// the attribute.
class ImmutableFile {
public:
    explicit ImmutableFile(const QString& path);
    ~ImmutableFile();
    ImmutableFile(const ImmutableFile&) = delete;
    ImmutableFile& operator=(const ImmutableFile&) = delete;

    bool isSet() const { return m_set; }
    const QString& reason() const { return m_reason; }

private:
    QString m_path;
    QString m_reason;
    bool m_set = false;
};
