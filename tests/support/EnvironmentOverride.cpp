#include "EnvironmentOverride.h"

#include <QtGlobal>

EnvironmentOverride::~EnvironmentOverride() {
    for (auto it = m_saved.crbegin(); it != m_saved.crend(); ++it) {
        if (it->second)
            qputenv(it->first.constData(), *it->second);
        else
            qunsetenv(it->first.constData());
    }
}

void EnvironmentOverride::set(const char* name, const QByteArray& value) {
    remember(name);
    qputenv(name, value);
}

void EnvironmentOverride::unset(const char* name) {
    remember(name);
    qunsetenv(name);
}

void EnvironmentOverride::remember(const char* name) {
    m_saved.emplace_back(name, qEnvironmentVariableIsSet(name)
                                   ? std::optional<QByteArray>(qgetenv(name))
                                   : std::nullopt);
}
