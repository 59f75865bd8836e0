#pragma once

#include "TextEncoding.h"

#include <QString>

// The characters of every byte from 0x80 to 0xFF of a single-byte file, in order (Windows'
// "€" for 0x80 ...): all the bytes above 0x7F such files hold, in one value.
inline QString highBytes() {
    QByteArray bytes;
    for (int c = 0x80; c <= 0xFF; ++c)
        bytes.append(static_cast<char>(c));
    return textencoding::decodeSingleByte(bytes);
}
