#include "TextMatch.h"

#include "TextEncoding.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <atomic>

namespace textmatch {

char32_t nextCodePoint(const unsigned char* s, int size, int* i) {
    Q_ASSERT(*i >= 0 && *i < size);
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
    // Too long a form, a surrogate or beyond Unicode is no valid sequence either: read as
    // itself, an overlong "%" never becomes a wildcard.
    constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kShortest[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        ++*i;
        return lead;
    }
    *i += length;
    return c;
}

namespace {

char32_t lowerAscii(char32_t c) {
    return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
}

// Fills out with what call(buffer, capacity, &error) writes, giving it room as it asks.
template <typename Call>
bool intoBuffer(std::u16string& out, const Call& call) {
    out.resize(std::max<size_t>(out.capacity(), 32));
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode error = U_ZERO_ERROR;
        const int32_t length = call(out.data(), static_cast<int32_t>(out.size()), &error);
        if (U_SUCCESS(error)) {
            out.resize(static_cast<size_t>(length));
            return true;
        }
        if (error != U_BUFFER_OVERFLOW_ERROR)
            return false;
        out.resize(static_cast<size_t>(length));
    }
    return false;
}

// Appends to key the key of the character (one grapheme cluster) s[0, length): the NFC form of
// the full case folding of its NFD form, as Unicode's canonical caseless match compares.
void appendKey(const char16_t* s, int32_t length, std::u32string& key) {
    thread_local std::u16string decomposed;
    thread_local std::u16string folded;
    thread_local std::u16string composed;
    UErrorCode error = U_ZERO_ERROR;
    const UNormalizer2* nfd = unorm2_getNFDInstance(&error);
    const UNormalizer2* nfc = unorm2_getNFCInstance(&error);
    const bool done = U_SUCCESS(error) &&
                      intoBuffer(decomposed,
                                 [&](char16_t* to, int32_t room, UErrorCode* e) {
                                     return unorm2_normalize(nfd, s, length, to, room, e);
                                 }) &&
                      intoBuffer(folded,
                                 [&](char16_t* to, int32_t room, UErrorCode* e) {
                                     return u_strFoldCase(to, room, decomposed.data(),
                                                          static_cast<int32_t>(decomposed.size()),
                                                          U_FOLD_CASE_DEFAULT, e);
                                 }) &&
                      intoBuffer(composed, [&](char16_t* to, int32_t room, UErrorCode* e) {
                          return unorm2_normalize(nfc, folded.data(),
                                                  static_cast<int32_t>(folded.size()), to, room, e);
                      });
    const char16_t* from = done ? composed.data() : s;
    const int32_t size = done ? static_cast<int32_t>(composed.size()) : length;
    for (int32_t i = 0; i < size;) {
        UChar32 c;
        U16_NEXT(from, i, size, c);
        key.push_back(static_cast<char32_t>(c));
    }
}

// The keys of the code points, a block of 256 at a time, made when first asked for. A code
// point that is a character of its own wherever it stands among others of the kind (most
// letters, digits, signs and ideographs) has its key here; one that can join its neighbours
// into one character or change with them (combining marks, jamo, joiners, regional
// indicators, characters with another canonical form) makes its text go by Unicode's rules.
struct Block {
    // The key's one code point; or kLongKey with the place of the key in longKeys (<< 8) and
    // its length; or kJoins.
    std::array<quint32, 256> entries;
    std::u32string longKeys;
};
constexpr quint32 kJoins = 0xFFFFFFFFu;
constexpr quint32 kLongKey = 0x80000000u;
static_assert((kJoins & kLongKey) != 0, "a test for kLongKey also finds kJoins");
constexpr char32_t kLastCodePoint = 0x10FFFF;

bool standsAlone(char32_t c) {
    switch (u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_GRAPHEME_CLUSTER_BREAK)) {
        case U_GCB_OTHER:
        case U_GCB_CONTROL:
        case U_GCB_LV:  // a syllable joins only jamo that follow it, which go by the rules
        case U_GCB_LVT:
            break;
        default:
            return false;
    }
    return u_getCombiningClass(static_cast<UChar32>(c)) == 0 &&
           u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_NFC_QUICK_CHECK) == UNORM_YES;
}

const Block* makeBlock(char32_t first) {
    auto* block = new Block;
    std::u32string key;
    for (char32_t i = 0; i < 256; ++i) {
        const char32_t c = first + i;
        if (!standsAlone(c)) {
            block->entries[i] = kJoins;
            continue;
        }
        char16_t units[2];
        int32_t length = 0;
        U16_APPEND_UNSAFE(units, length, c);
        key.clear();
        appendKey(units, length, key);
        if (key.size() == 1) {
            block->entries[i] = key[0];
        } else {
            block->entries[i] = kLongKey | static_cast<quint32>(block->longKeys.size() << 8) |
                                static_cast<quint32>(key.size());
            block->longKeys += key;
        }
    }
    return block;
}

const Block& blockOf(char32_t c) {
    // Made once per block for the program's life; threads that meet a new block together
    // keep the first one made.
    static std::array<std::atomic<const Block*>, (kLastCodePoint >> 8) + 1> blocks{};
    std::atomic<const Block*>& slot = blocks[c >> 8];
    const Block* block = slot.load(std::memory_order_acquire);
    if (!block) {
        const Block* made = makeBlock(c & ~char32_t(0xFF));
        if (slot.compare_exchange_strong(block, made, std::memory_order_acq_rel))
            block = made;
        else
            delete made;
    }
    return *block;
}

// Segments text into grapheme clusters; one for each thread, made when first used.
class ClusterBreaker {
public:
    ~ClusterBreaker() {
        if (m_iterator)
            ubrk_close(m_iterator);
    }
    // Starts on text (which must stay); false when ICU cannot segment it.
    bool start(const std::u16string& text) {
        UErrorCode error = U_ZERO_ERROR;
        if (!m_iterator)
            m_iterator = ubrk_open(UBRK_CHARACTER, "", u"", 0, &error);
        if (!m_iterator || U_FAILURE(error))
            return false;
        ubrk_setText(m_iterator, text.data(), static_cast<int32_t>(text.size()), &error);
        return U_SUCCESS(error) && ubrk_first(m_iterator) == 0;
    }
    // Where the next cluster ends, or UBRK_DONE.
    int32_t next() { return ubrk_next(m_iterator); }

private:
    UBreakIterator* m_iterator = nullptr;
};

// A text as compared: the keys of its characters in a row, and where each character ends.
class KeyedText {
public:
    // Takes the UTF-8 text of size bytes.
    void assign(const unsigned char* text, int size) {
        m_key.clear();
        m_everyPlace = true;
        const Block* block = nullptr;
        char32_t blockNumber = 0;
        for (int i = 0; i < size;) {
            const char32_t c = nextCodePoint(text, size, &i);
            // A value holds no line feed: every other ASCII byte is a character of its own.
            if (c < 0x80) {
                append(lowerAscii(c));
                continue;
            }
            if (!block || c >> 8 != blockNumber) {
                block = &blockOf(c);
                blockNumber = c >> 8;
            }
            const quint32 entry = block->entries[c & 0xFF];
            if (entry == kJoins) {
                assignByRules(text, size);
                return;
            }
            if (entry & kLongKey)
                appendLong(block->longKeys.data() + ((entry & ~kLongKey) >> 8), entry & 0xFF);
            else
                append(entry);
        }
    }
    void assign(const QByteArray& text) {
        assign(reinterpret_cast<const unsigned char*>(text.constData()),
               static_cast<int>(text.size()));
    }

    const std::u32string& key() const { return m_key; }
    // Whether a character ends at place (in the key; 0 and the key's size count).
    bool endsCharacter(size_t place) const { return m_everyPlace || m_ends[place]; }
    size_t nextCharacter(size_t place) const {
        do
            ++place;
        while (!endsCharacter(place));
        return place;
    }
    // Whether key stands in the text from the end of a character to the end of another.
    bool holds(const std::u32string& key) const {
        for (size_t at = m_key.find(key); at != std::u32string::npos;
             at = m_key.find(key, at + 1)) {
            if (endsCharacter(at) && endsCharacter(at + key.size()))
                return true;
        }
        return false;
    }

private:
    void append(char32_t c) {
        m_key.push_back(c);
        if (!m_everyPlace)
            m_ends.push_back(1);
    }
    // A key of several code points: no character ends inside it.
    void appendLong(const char32_t* key, size_t length) {
        if (m_everyPlace) {
            m_ends.assign(m_key.size() + 1, 1);
            m_everyPlace = false;
        }
        m_key.append(key, length);
        m_ends.insert(m_ends.end(), length, 0);
        if (length > 0)
            m_ends.back() = 1;
    }
    // The text taken apart into grapheme clusters, each keyed as a whole.
    void assignByRules(const unsigned char* text, int size) {
        thread_local std::u16string units;
        thread_local ClusterBreaker breaker;
        units.clear();
        for (int i = 0; i < size;) {
            const char32_t c = nextCodePoint(text, size, &i);
            if (c > 0xFFFF) {
                units.push_back(static_cast<char16_t>(U16_LEAD(c)));
                units.push_back(static_cast<char16_t>(U16_TRAIL(c)));
            } else {
                units.push_back(static_cast<char16_t>(c));
            }
        }
        m_key.clear();
        m_ends.assign(1, 1);
        m_everyPlace = false;
        thread_local std::u32string key;
        const bool segmented = breaker.start(units);
        int32_t start = 0;
        while (start < static_cast<int32_t>(units.size())) {
            int32_t end = start;
            if (segmented) {
                end = breaker.next();
            } else {
                // Without ICU's rules, each code point is a character.
                U16_FWD_1(units.data(), end, static_cast<int32_t>(units.size()));
            }
            key.clear();
            appendKey(units.data() + start, end - start, key);
            appendLong(key.data(), key.size());
            start = end;
        }
    }

    std::u32string m_key;
    std::vector<char> m_ends;  // for each place of m_key and its end; unused when m_everyPlace
    bool m_everyPlace = true;  // every code point of m_key is a character
};

// Whether an ASCII needle is in the text's key exactly where it is in the text's bytes: true
// when each character beyond ASCII is a code point of its own whose key is one code point
// beyond ASCII. Then every code point is a character, the key of an ASCII byte is that byte in
// lower case, and no other byte or key can be part of the needle.
bool asciiStandsInPlace(const unsigned char* text, int size) {
    for (int i = 0; i < size;) {
        if (text[i] < 0x80) {
            ++i;
            continue;
        }
        const char32_t c = nextCodePoint(text, size, &i);
        const quint32 entry = blockOf(c).entries[c & 0xFF];
        if ((entry & kLongKey) || entry < 0x80)
            return false;
    }
    return true;
}

}  // namespace

Needle::Needle(const QString& text) {
    KeyedText keyed;
    keyed.assign(text.toUtf8());
    setKey(keyed.key());
}

void Needle::setKey(std::u32string key) {
    m_key = std::move(key);
    m_ascii.clear();
    if (std::all_of(m_key.begin(), m_key.end(), [](char32_t c) { return c < 0x80; }))
        m_ascii.assign(m_key.begin(), m_key.end());
}

bool Needle::foundIn(const char* text, int size) const {
    if (m_key.empty())
        return true;
    if (m_ascii.empty()) {
        // An ASCII text's key is ASCII: a needle whose key is not cannot be in it.
        if (!textencoding::hasHighBytes(text, size))
            return false;
    } else if (asciiStandsInPlace(reinterpret_cast<const unsigned char*>(text), size)) {
        // Most values are ASCII, or ASCII with letters such as é or ü: compared byte by byte.
        const auto equal = [](char a, char b) { return static_cast<char>(lowerAscii(a)) == b; };
        return std::search(text, text + size, m_ascii.begin(), m_ascii.end(), equal) != text + size;
    }
    thread_local KeyedText keyed;  // its buffers grow to the longest value, then are reused
    keyed.assign(reinterpret_cast<const unsigned char*>(text), size);
    return keyed.holds(m_key);
}

Pattern::Pattern(const unsigned char* pattern, int size, qint32 escape) : m_escape(escape) {
    Q_ASSERT(escape >= -1 && escape <= qint32(kLastCodePoint));
    QByteArray run;  // the text between wildcards, in UTF-8
    const auto endRun = [&] {
        if (run.isEmpty())
            return;
        KeyedText keyed;
        keyed.assign(run);
        m_tokens.push_back({Token::Kind::Text, keyed.key()});
        run.clear();
    };
    for (int i = 0; i < size;) {
        const int start = i;
        const char32_t c = nextCodePoint(pattern, size, &i);
        if (escape >= 0 && c == static_cast<char32_t>(escape) && i < size) {
            const int literal = i;
            nextCodePoint(pattern, size, &i);
            run.append(reinterpret_cast<const char*>(pattern) + literal, i - literal);
        } else if (c == '%' || c == '_') {
            endRun();
            const Token::Kind kind = c == '%' ? Token::Kind::AnyRun : Token::Kind::OneCharacter;
            if (kind != Token::Kind::AnyRun || m_tokens.empty() ||
                m_tokens.back().kind != Token::Kind::AnyRun)
                m_tokens.push_back({kind, {}});
        } else {
            run.append(reinterpret_cast<const char*>(pattern) + start, i - start);
        }
    }
    endRun();
    if (m_tokens.size() == 3 && m_tokens[0].kind == Token::Kind::AnyRun &&
        m_tokens[1].kind == Token::Kind::Text && m_tokens[2].kind == Token::Kind::AnyRun) {
        m_contained = Needle();
        m_contained->setKey(m_tokens[1].key);
    }
}

bool Pattern::matches(const char* text, int size) const {
    if (m_contained)
        return m_contained->foundIn(text, size);
    thread_local KeyedText keyed;
    keyed.assign(reinterpret_cast<const unsigned char*>(text), size);
    const std::u32string& key = keyed.key();
    size_t p = 0;                         // the token
    size_t t = 0;                         // the place in the key
    size_t afterRun = std::string::npos;  // the token after the last "%" met
    size_t runEnd = 0;                    // where that "%" ends now
    while (true) {
        if (p < m_tokens.size()) {
            const Token& token = m_tokens[p];
            if (token.kind == Token::Kind::AnyRun) {
                if (p + 1 == m_tokens.size())
                    return true;
                afterRun = ++p;
                runEnd = t;
                continue;
            }
            if (t < key.size()) {
                if (token.kind == Token::Kind::OneCharacter) {
                    t = keyed.nextCharacter(t);
                    ++p;
                    continue;
                }
                if (key.compare(t, token.key.size(), token.key) == 0 &&
                    keyed.endsCharacter(t + token.key.size())) {
                    t += token.key.size();
                    ++p;
                    continue;
                }
            }
        } else if (t == key.size()) {
            return true;
        }
        // Let the last "%" take one more character and try again from there.
        if (afterRun == std::string::npos || runEnd >= key.size())
            return false;
        runEnd = keyed.nextCharacter(runEnd);
        t = runEnd;
        p = afterRun;
    }
}

}  // namespace textmatch
