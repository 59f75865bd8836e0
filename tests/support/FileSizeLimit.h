#pragma once

#include <sys/resource.h>

// Lowers the file size limit of this process for its lifetime, so that writes beyond it fail
// with an error instead of a signal: a disk that fills up part-way through a save.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};
