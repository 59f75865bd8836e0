#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

// Matching UTF-8 text as a person reads it, for the search and the filter of the lists:
// - texts that are canonically equivalent are equal ("é" as one code point or as "e" and a
//   combining accent, as files from some systems hold it);
// - letter case is ignored in every script, with full case folding ("STRASSE" finds "Straße");
// - a character is what a person sees as one (a grapheme cluster): "e" is not found inside
//   "é", whichever way it is stored, and "_" stands for "é" as for "e".
// The engine's own LIKE does none of this: it folds only A to Z and counts bytes.
namespace textmatch {

// The code point at s[*i] (of size bytes), advancing *i; a byte that starts no valid sequence
// reads as itself.
char32_t nextCodePoint(const unsigned char* s, int size, int* i);

// A text sought inside others; every character stands for itself ("%" too).
class Needle {
public:
    explicit Needle(const QString& text);

    // True when the UTF-8 text of size bytes holds the needle, starting and ending between
    // characters.
    bool foundIn(const char* text, int size) const;

private:
    friend class Pattern;
    Needle() = default;
    void setKey(std::u32string key);

    std::u32string m_key;  // the needle as compared
    std::string m_ascii;   // the same in bytes, when they are all ASCII
};

// A LIKE pattern: "%" stands for any run of characters, "_" for one; escape (a code point, or
// -1 for none) makes the character after it stand for itself, as does an escape that ends the
// pattern.
class Pattern {
public:
    Pattern(const unsigned char* pattern, int size, qint32 escape = -1);

    qint32 escape() const { return m_escape; }
    // True when the UTF-8 text of size bytes matches the whole pattern.
    bool matches(const char* text, int size) const;

private:
    struct Token {
        enum class Kind { Text, OneCharacter, AnyRun };
        Kind kind;
        std::u32string key;  // for Text: the text as compared
    };

    qint32 m_escape;
    std::vector<Token> m_tokens;
    // "%X%" with a text X asks whether a text holds X, which a needle answers faster.
    std::optional<Needle> m_contained;
};

}  // namespace textmatch
