#include "TextMatch.h"

#include "TextEncoding.h"

#include <QChar>
#include <QVector>
#include <algorithm>
#include <cstring>

namespace textmatch {

char32_t nextCodePoint(const unsigned char* s, int size, int* i) {
    const unsigned char lead = s[*i];
    int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length <= 1 || *i + length > size) {
        ++*i;
        return lead;
    }
    char32_t c = lead & (0xFF >> (length + 1));
    for (int k = 1; k < length; ++k) {
        const unsigned char next = s[*i + k];
        if ((next & 0xC0) != 0x80) {
            ++*i;
            return lead;
        }
        c = (c << 6) | (next & 0x3F);
    }
    *i += length;
    return c;
}

char32_t folded(char32_t c) {
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
    return QChar::toCaseFolded(c);
}

bool like(const unsigned char* pattern, int patternSize, const unsigned char* text, int textSize,
          qint32 escape) {
    int p = 0;
    int t = 0;
    int starPattern = -1;  // position after the last "%"
    int starText = 0;      // where the text stood when that "%" was met
    while (t < textSize) {
        if (p < patternSize) {
            int pNext = p;
            const char32_t pc = nextCodePoint(pattern, patternSize, &pNext);
            int tNext = t;
            const char32_t tc = nextCodePoint(text, textSize, &tNext);
            if (escape >= 0 && pc == static_cast<char32_t>(escape) && pNext < patternSize) {
                int literalNext = pNext;
                const char32_t literal = nextCodePoint(pattern, patternSize, &literalNext);
                if (folded(literal) == folded(tc)) {
                    p = literalNext;
                    t = tNext;
                    continue;
                }
            } else if (pc == '%') {
                starPattern = p = pNext;
                starText = t;
                continue;
            } else if (pc == '_' || folded(pc) == folded(tc)) {
                p = pNext;
                t = tNext;
                continue;
            }
        }
        if (starPattern < 0)
            return false;
        // Let the last "%" take one more character and try again from there.
        p = starPattern;
        nextCodePoint(text, textSize, &starText);
        t = starText;
    }
    while (p < patternSize && pattern[p] == '%')
        ++p;
    return p == patternSize;
}

std::optional<QString> containedText(const unsigned char* pattern, int patternSize) {
    if (patternSize < 3 || pattern[0] != '%' || pattern[patternSize - 1] != '%')
        return std::nullopt;
    for (int i = 1; i < patternSize - 1; ++i) {
        if (pattern[i] == '%' || pattern[i] == '_')
            return std::nullopt;
    }
    return textencoding::fromUtf8(reinterpret_cast<const char*>(pattern) + 1, patternSize - 2);
}

Needle::Needle(const QString& text) {
    const QVector<uint> codePoints = text.toUcs4();
    bool ascii = true;
    for (uint c : codePoints) {
        m_folded.push_back(folded(c));
        ascii = ascii && m_folded.back() < 0x80;
    }
    if (ascii)
        m_ascii.assign(m_folded.begin(), m_folded.end());
}

namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c;
}

}  // namespace

bool Needle::foundIn(const char* text, int size) const {
    if (m_folded.empty())
        return true;
    // Most values are ASCII: compared byte by byte. A letter beyond ASCII can fold to one
    // within it (the Kelvin sign to k), so any other value is compared by code points.
    if (!m_ascii.empty() && !textencoding::hasHighBytes(text, size)) {
        const auto equal = [](char a, char b) { return lowerAscii(a) == b; };
        return std::search(text, text + size, m_ascii.begin(), m_ascii.end(), equal) != text + size;
    }
    thread_local std::u32string folded32;  // grows to the longest value, then reused
    folded32.clear();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (int i = 0; i < size;)
        folded32.push_back(folded(nextCodePoint(bytes, size, &i)));
    return folded32.find(m_folded) != std::u32string::npos;
}

}  // namespace textmatch
