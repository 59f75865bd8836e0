#pragma once

#include <QString>

// Copies source into the folder destination, or onto the file destination. Failures are
// ignored: the callers check for the copy themselves and fall back when it is missing.
void copySilently(const QString& source, const QString& destination);
