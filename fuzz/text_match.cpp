// Matching as the search and the filter do, on any pattern and any text: a text matches itself
// with its wildcards escaped, no answer changes with the canonical form (composed or
// decomposed) of the pattern or the text, and for an ASCII X a mark of its own before a text
// that begins with ASCII (which takes the text past every shortcut) changes no answer of "%X%".
// The input is the pattern, a zero byte, the text.
#include "FuzzSupport.h"
#include "TextMatch.h"

#include <unicode/unorm2.h>
#include <algorithm>
#include <cstdint>

using fuzzsupport::check;

namespace {

bool matches(const QByteArray& pattern, const QByteArray& text, qint32 escape = -1) {
    const textmatch::Pattern compiled(reinterpret_cast<const unsigned char*>(pattern.constData()),
                                      static_cast<int>(pattern.size()), escape);
    return compiled.matches(text.constData(), static_cast<int>(text.size()));
}

// The text with "\" before each wildcard and each "\".
QByteArray escaped(const QByteArray& text) {
    QByteArray result;
    for (char c : text) {
        if (c == '%' || c == '_' || c == '\\')
            result.append('\\');
        result.append(c);
    }
    return result;
}

// The UTF-8 text in the canonical form of normalizer.
QByteArray normalized(const UNormalizer2* normalizer, const QString& text) {
    std::u16string out(static_cast<size_t>(text.size()) * 4 + 4, u'\0');
    UErrorCode error = U_ZERO_ERROR;
    const int32_t length = unorm2_normalize(
        normalizer, reinterpret_cast<const UChar*>(text.utf16()), static_cast<int32_t>(text.size()),
        out.data(), static_cast<int32_t>(out.size()), &error);
    check(U_SUCCESS(error), "ICU normalizes a valid text");
    return QString::fromUtf16(out.data(), length).toUtf8();
}

bool validUtf8(const QByteArray& bytes) {
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype zero = input.indexOf('\0');
    const QByteArray pattern = zero < 0 ? input : input.left(zero);
    const QByteArray text = zero < 0 ? input : input.mid(zero + 1);

    const bool answer = matches(pattern, text);
    check(matches(escaped(text), text, '\\'), "a text matches itself, wildcards escaped");
    const auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
    // A value holds no line feed, so the shortcuts take CR LF as two characters.
    if (std::all_of(pattern.begin(), pattern.end(), ascii) && !text.isEmpty() && ascii(text[0]) &&
        !text.contains('\n')) {
        const QByteArray contained = "%" + escaped(pattern) + "%";
        check(matches(contained, text, '\\') ==
                  matches(contained, "\xCC\x81" + text, '\\'),  // U+0301, a character alone
              "a text found by a shortcut is found by the rules");
    }
    if (!validUtf8(pattern) || !validUtf8(text))
        return 0;
    UErrorCode error = U_ZERO_ERROR;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&error);
    const UNormalizer2* nfd = unorm2_getNFDInstance(&error);
    check(U_SUCCESS(error), "ICU has its normalizers");
    const QString patternText = QString::fromUtf8(pattern);
    const QString textText = QString::fromUtf8(text);
    for (const UNormalizer2* patternForm : {nfc, nfd}) {
        for (const UNormalizer2* textForm : {nfc, nfd}) {
            check(matches(normalized(patternForm, patternText), normalized(textForm, textText)) ==
                      answer,
                  "the canonical forms of pattern and text give the same answer");
        }
    }
    return 0;
}
