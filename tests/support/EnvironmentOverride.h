#pragma once

#include <QByteArray>
#include <optional>
#include <utility>
#include <vector>

// Sets environment variables for one test and puts the old values back on destruction, unset
// ones unset again.
class EnvironmentOverride {
public:
    EnvironmentOverride() = default;
    ~EnvironmentOverride();
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

    void set(const char* name, const QByteArray& value);
    void unset(const char* name);

private:
    void remember(const char* name);

    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};
