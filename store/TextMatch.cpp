#include "TextMatch.h"

#include <QChar>

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

}  // namespace textmatch
