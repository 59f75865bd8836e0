#pragma once

#include <QByteArray>
#include <QString>

// The two encodings a database file can have. Inside the program text is UTF-8 (in the working
// store) or QString; the file's own encoding matters only where a file is read or written.
//
// Single-byte: one byte per character, both ways exactly. Bytes 0x80 to 0x9F carry their
// Windows-1252 meaning where that code page defines one ("€", "„", "“", "–" ...), since such
// files were mostly made on Windows; every other byte is ISO 8859-1 (so the five bytes
// Windows-1252 leaves undefined stand for U+0081, U+008D, U+008F, U+0090, U+009D).
//
// UTF-8: every character; a file may start with a byte-order mark, which is kept.
//
// UTF-16, little- or big-endian: every character, always with its byte-order mark (without
// one it cannot be told from other text). Read and written whole through UTF-8.
namespace textencoding {

enum class Encoding { SingleByte, Utf8, Utf8WithMark, Utf16LE, Utf16BE };

inline bool isUtf8(Encoding encoding) {
    return encoding == Encoding::Utf8 || encoding == Encoding::Utf8WithMark;
}
inline bool isUtf16(Encoding encoding) {
    return encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE;
}
// Whether the encoding has a form for every character.
inline bool holdsEveryCharacter(Encoding encoding) {
    return encoding != Encoding::SingleByte;
}

// The encoding of a file's bytes: valid UTF-8 that begins with the UTF-8 byte-order mark or
// holds at least one multi-byte sequence is UTF-8; anything else is single-byte, a mark before
// bytes that are no UTF-8 too. One pass, fast over ASCII.
Encoding detect(const char* data, qsizetype size);
// Follows a file's text (after any mark) given in parts, for what detect() tells of it whole:
// whether every byte from 0x80 on forms UTF-8, and whether there is such a byte. A sequence
// cut at the end of one part is judged with the next.
class Utf8Watch {
public:
    void see(const char* data, qsizetype size);
    // False once a byte is seen that forms no UTF-8; a cut sequence still counts as valid.
    bool valid() const { return m_valid; }
    // Whether a byte from 0x80 on has been seen, a cut sequence's too.
    bool sawHighByte() const { return m_sawHigh; }
    // At the end of the text: what detect() finds for the whole file, marked when it began
    // with the UTF-8 mark (which see() was not given).
    Encoding verdict(bool marked) const;

private:
    unsigned char m_cut[4] = {};
    int m_cutSize = 0;
    bool m_valid = true;
    bool m_sawHigh = false;
};
// The three bytes of the UTF-8 byte-order mark.
inline constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
// The encoding of a whole file: UTF-16 when it begins with a UTF-16 byte-order mark,
// otherwise as detect() finds it.
Encoding detectFile(const char* data, qsizetype size);
// The length of the file's own byte-order mark, which is no part of its text.
int markLength(Encoding encoding);
// A UTF-16 file's text (after its mark) as UTF-8, and UTF-8 text as a UTF-16 file's bytes
// (without the mark), appended to out. A lone surrogate becomes U+FFFD.
QByteArray utf16ToUtf8(Encoding encoding, const char* data, qsizetype size);
void utf8ToUtf16(Encoding encoding, const char* data, qsizetype size, QByteArray& out);
// The same for a UTF-16 text given in parts: each part's text as UTF-8, appended to out, the
// same as the whole would give. A unit or surrogate pair cut at the end of a part waits in
// cut for the next; the last part (last) takes what waits as the whole would.
void utf16PartToUtf8(Encoding encoding, const char* data, qsizetype size, bool last,
                     QByteArray& cut, QByteArray& out);
// The encoding as a word ("single-byte", "utf-8", "utf-8 with mark", "utf-16le", "utf-16be")
// and back; an unknown word reads as single-byte.
QString nameOf(Encoding encoding);
Encoding fromName(const QString& name);

// The character of a single-byte file's byte, and the byte of a character (-1: none).
char16_t singleByteCharacter(unsigned char byte);
int singleByteOf(char32_t character);
// Whether encoding can hold every character of text.
bool canHold(Encoding encoding, const QString& text);

// A single-byte file's bytes as UTF-8, appended to out; ASCII goes through as it is.
void singleByteToUtf8(const char* data, qsizetype size, QByteArray& out);
// UTF-8 text as a single-byte file's bytes, appended to out; false (out partly filled) when a
// character has no byte, or the text is not UTF-8.
bool utf8ToSingleByte(const char* data, qsizetype size, QByteArray& out);
// Whether data holds any byte from 0x80 on; such text needs converting, other text is the same
// in both encodings.
bool hasHighBytes(const char* data, qsizetype size);

// UTF-8 as text, a U+FEFF at the start kept as the character it is: Qt's own conversion takes
// it for a byte-order mark and drops it. Every conversion of stored or read text goes through
// here; only a file's own mark is handled apart, once, where the file is read.
QString fromUtf8(const char* data, qsizetype size);
inline QString fromUtf8(const QByteArray& bytes) {
    return fromUtf8(bytes.constData(), bytes.size());
}

// Text to and from a single-byte file's bytes (characters without a byte become "?").
QString decodeSingleByte(const QByteArray& bytes);
QByteArray encodeSingleByte(const QString& text);

}  // namespace textencoding
