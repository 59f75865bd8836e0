#include "FileErrorOf.h"

std::optional<FileError> fileErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const FileError& error) {
        return error;
    }
    return std::nullopt;
}
