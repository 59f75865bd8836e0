#pragma once

#include <QString>
#include <optional>
#include <string>

// Matching UTF-8 text as the search does: letter case ignored for every letter of every
// script (the engine's own LIKE folds only A to Z), one character being one code point.
namespace textmatch {

// LIKE: "%" stands for any run of characters, "_" for one; escape (a code point, or -1 for
// none) makes the character after it stand for itself.
bool like(const unsigned char* pattern, int patternSize, const unsigned char* text, int textSize,
          qint32 escape = -1);

// The code point at s[*i] (of size bytes), advancing *i; a byte that starts no valid sequence
// reads as itself.
char32_t nextCodePoint(const unsigned char* s, int size, int* i);

// The code point as compared when case is ignored.
char32_t folded(char32_t c);

// The X of a pattern "%X%" in which X holds no "%" or "_": like() then asks whether a text
// contains X, which a Needle answers faster. Nothing for any other pattern.
std::optional<QString> containedText(const unsigned char* pattern, int patternSize);

// A text sought inside others, letter case ignored as like() ignores it; every character
// stands for itself ("%" too).
class Needle {
public:
    explicit Needle(const QString& text);

    bool isEmpty() const { return m_folded.empty(); }
    // True when the UTF-8 text of size bytes contains the needle.
    bool foundIn(const char* text, int size) const;

private:
    std::u32string m_folded;  // the needle's code points, folded
    std::string m_ascii;      // the same in bytes, when they are all ASCII
};

}  // namespace textmatch
