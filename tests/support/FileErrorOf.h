#pragma once

#include "FileError.h"

#include <functional>
#include <optional>

// The FileError that action raises; nothing when it raises none.
std::optional<FileError> fileErrorOf(const std::function<void()>& action);
