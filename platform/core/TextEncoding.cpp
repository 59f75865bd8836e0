#include "TextEncoding.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <cstring>

namespace textencoding {

namespace {

// Windows-1252 from 0x80 to 0x9F; 0 where the code page defines no character.
constexpr char16_t kWindows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The length of the valid UTF-8 sequence at p (at most end - p bytes), or 0 when there is none
// (a stray continuation byte, an overlong form, a surrogate, beyond U+10FFFF, cut short).
int sequenceLength(const unsigned char* p, const unsigned char* end) {
    const unsigned char lead = p[0];
    int length;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (end - p < length || p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < length; ++i) {
        if (p[i] < 0x80 || p[i] > 0xBF)
            return 0;
    }
    return length;
}

// The first byte at or after p from 0x80 on, or end.
const unsigned char* nextHighByte(const unsigned char* p, const unsigned char* end) {
    while (end - p >= 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL)
            break;
        p += 8;
    }
    while (p < end && *p < 0x80)
        ++p;
    return p;
}

void appendUtf8(QByteArray& out, char32_t c) {
    if (c < 0x80) {
        out.append(static_cast<char>(c));
    } else if (c < 0x800) {
        out.append(static_cast<char>(0xC0 | (c >> 6)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.append(static_cast<char>(0xE0 | (c >> 12)));
        out.append(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

QString nameOf(Encoding encoding) {
    switch (encoding) {
        case Encoding::SingleByte:
            break;
        case Encoding::Utf8:
            return QStringLiteral("utf-8");
        case Encoding::Utf8WithMark:
            return QStringLiteral("utf-8 with mark");
        case Encoding::Utf16LE:
            return QStringLiteral("utf-16le");
        case Encoding::Utf16BE:
            return QStringLiteral("utf-16be");
    }
    return QStringLiteral("single-byte");
}

Encoding fromName(const QString& name) {
    for (Encoding encoding :
         {Encoding::Utf8, Encoding::Utf8WithMark, Encoding::Utf16LE, Encoding::Utf16BE}) {
        if (name == nameOf(encoding))
            return encoding;
    }
    return Encoding::SingleByte;
}

Encoding detect(const char* data, qsizetype size) {
    const bool marked = size >= 3 && std::memcmp(data, kUtf8Mark, 3) == 0;
    const auto* p = reinterpret_cast<const unsigned char*>(data) + (marked ? 3 : 0);
    const auto* end = reinterpret_cast<const unsigned char*>(data) + size;
    bool multiByte = false;
    while ((p = nextHighByte(p, end)) < end) {
        const int length = sequenceLength(p, end);
        // Not UTF-8, whatever its first bytes say: read and written byte for byte, the mark's
        // bytes as the characters they are.
        if (length == 0)
            return Encoding::SingleByte;
        multiByte = true;
        p += length;
    }
    if (marked)
        return Encoding::Utf8WithMark;
    return multiByte ? Encoding::Utf8 : Encoding::SingleByte;
}

void Utf8Watch::see(const char* data, qsizetype size) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* end = p + size;
    if (!m_valid)
        return;
    if (m_cutSize > 0) {
        // The cut sequence with as much of this part as it can take.
        unsigned char joined[4];
        std::memcpy(joined, m_cut, static_cast<size_t>(m_cutSize));
        const int taken = static_cast<int>(std::min<qsizetype>(4 - m_cutSize, size));
        std::memcpy(joined + m_cutSize, p, static_cast<size_t>(taken));
        const int length = sequenceLength(joined, joined + m_cutSize + taken);
        if (length == 0) {
            // Still cut short when the part ran out before the sequence could end.
            if (m_cutSize + taken < 4 && taken == size) {
                std::memcpy(m_cut + m_cutSize, p, static_cast<size_t>(taken));
                m_cutSize += taken;
                return;
            }
            m_valid = false;
            return;
        }
        p += length - m_cutSize;
        m_cutSize = 0;
    }
    while ((p = nextHighByte(p, end)) < end) {
        m_sawHigh = true;
        const int length = sequenceLength(p, end);
        if (length == 0) {
            if (end - p < 4) {  // maybe cut: the next part tells
                m_cutSize = static_cast<int>(end - p);
                std::memcpy(m_cut, p, static_cast<size_t>(m_cutSize));
                return;
            }
            m_valid = false;
            return;
        }
        p += length;
    }
}

Encoding Utf8Watch::verdict(bool marked) const {
    if (!m_valid || m_cutSize > 0)
        return Encoding::SingleByte;
    if (marked)
        return Encoding::Utf8WithMark;
    return m_sawHigh ? Encoding::Utf8 : Encoding::SingleByte;
}

Encoding detectFile(const char* data, qsizetype size) {
    if (size >= 2 && data[0] == '\xFF' && data[1] == '\xFE')
        return Encoding::Utf16LE;
    if (size >= 2 && data[0] == '\xFE' && data[1] == '\xFF')
        return Encoding::Utf16BE;
    return detect(data, size);
}

int markLength(Encoding encoding) {
    switch (encoding) {
        case Encoding::Utf8WithMark:
            return 3;
        case Encoding::Utf16LE:
        case Encoding::Utf16BE:
            return 2;
        default:
            return 0;
    }
}

QByteArray utf16ToUtf8(Encoding encoding, const char* data, qsizetype size) {
    QStringDecoder decoder(
        encoding == Encoding::Utf16BE ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QString text = decoder.decode(QByteArrayView(data, size));
    return text.toUtf8();
}

void utf16PartToUtf8(Encoding encoding, const char* data, qsizetype size, bool last,
                     QByteArray& cut, QByteArray& out) {
    cut.append(data, size);
    qsizetype whole = last ? cut.size() : cut.size() & ~qsizetype(1);
    if (!last && whole >= 2) {
        // A high surrogate waits for the unit after it.
        const auto* unit = reinterpret_cast<const unsigned char*>(cut.constData() + whole - 2);
        const unsigned high = encoding == Encoding::Utf16BE ? unit[0] : unit[1];
        if (high >= 0xD8 && high <= 0xDB)
            whole -= 2;
    }
    out += utf16ToUtf8(encoding, cut.constData(), whole);
    cut.remove(0, whole);
}

void utf8ToUtf16(Encoding encoding, const char* data, qsizetype size, QByteArray& out) {
    QStringEncoder encoder(
        encoding == Encoding::Utf16BE ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
        QStringConverter::Flag::Stateless);
    out += encoder.encode(fromUtf8(data, size));
}

char16_t singleByteCharacter(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F && kWindows1252[byte - 0x80])
        return kWindows1252[byte - 0x80];
    return byte;
}

int singleByteOf(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<int>(character);
    if (character >= 0x80 && character <= 0x9F)  // only where the code page leaves the byte
        return kWindows1252[character - 0x80] ? -1 : static_cast<int>(character);
    for (int i = 0; i < 32; ++i) {
        if (kWindows1252[i] == character)
            return 0x80 + i;
    }
    return -1;
}

bool canHold(Encoding encoding, const QString& text) {
    if (holdsEveryCharacter(encoding))
        return true;
    for (QChar c : text) {
        if (singleByteOf(c.unicode()) < 0)
            return false;
    }
    return true;
}

bool hasHighBytes(const char* data, qsizetype size) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    return nextHighByte(p, p + size) != p + size;
}

namespace {

// Copies the ASCII runs of [data, data + size) to out as they are, and hands every byte
// beyond ASCII to convert(byte, end), which appends what it stands for and returns how many
// bytes it took: 0 when it cannot, which ends the copy with false.
template <typename Convert>
bool convertBeyondAscii(const char* data, qsizetype size, QByteArray& out, Convert convert) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* end = p + size;
    while (p < end) {
        const auto* high = nextHighByte(p, end);
        out.append(reinterpret_cast<const char*>(p), high - p);
        if (high == end)
            break;
        const int length = convert(high, end);
        if (length == 0)
            return false;
        p = high + length;
    }
    return true;
}

}  // namespace

void singleByteToUtf8(const char* data, qsizetype size, QByteArray& out) {
    convertBeyondAscii(data, size, out, [&out](const unsigned char* byte, const unsigned char*) {
        appendUtf8(out, singleByteCharacter(*byte));
        return 1;
    });
}

bool utf8ToSingleByte(const char* data, qsizetype size, QByteArray& out) {
    return convertBeyondAscii(data, size, out,
                              [&out](const unsigned char* sequence, const unsigned char* end) {
                                  const int length = sequenceLength(sequence, end);
                                  if (length == 0)
                                      return 0;
                                  char32_t c = sequence[0] & (0xFF >> (length + 1));
                                  for (int i = 1; i < length; ++i)
                                      c = (c << 6) | (sequence[i] & 0x3F);
                                  const int byte = singleByteOf(c);
                                  if (byte < 0)
                                      return 0;
                                  out.append(static_cast<char>(byte));
                                  return length;
                              });
}

QString fromUtf8(const char* data, qsizetype size) {
    QString text;
    while (size >= 3 && std::memcmp(data, kUtf8Mark, 3) == 0) {
        text += QChar(0xFEFF);
        data += 3;
        size -= 3;
    }
    return text.isEmpty() ? QString::fromUtf8(data, size) : text + QString::fromUtf8(data, size);
}

QString decodeSingleByte(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        text[i] = QChar(singleByteCharacter(static_cast<unsigned char>(bytes[i])));
    return text;
}

QByteArray encodeSingleByte(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int byte = singleByteOf(text[i].unicode());
        bytes[i] = static_cast<char>(byte < 0 ? '?' : byte);
    }
    return bytes;
}

}  // namespace textencoding
