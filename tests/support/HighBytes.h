#pragma once

#include <QString>

// Every character from U+0080 to U+00FF in order: all the bytes above 0x7F that ISO 8859-1
// files hold, in one value.
inline QString highBytes() {
    QString text;
    for (int c = 0x80; c <= 0xFF; ++c)
        text.append(QChar(c));
    return text;
}
