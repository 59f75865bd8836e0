// The small text operations on any text: the field splitter, the separator count and the
// digit readers.
#include "FuzzSupport.h"
#include "PowerClass.h"

#include <cstdint>

using fuzzsupport::check;

namespace {

// text with every character that is not in digits turned into the digit zero.
QString zeroed(const QString& text, QLatin1String digits) {
    QString result = text;
    for (QChar& c : result) {
        if (!digits.contains(c))
            c = QLatin1Char('0');
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The same bytes as ISO 8859-1 text and as UTF-16, which reaches characters above U+00FF.
    const QString latin1 = QString::fromLatin1(bytes);
    const QString wide(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);

    PowerClass power;
    for (const QString& text : {latin1, wide}) {
        power.SplitFields(text, QLatin1Char(';'));
        if (text.isEmpty()) {
            check(power.m_fields.isEmpty(), "an empty text has no field");
        } else {
            check(power.m_fields.size() == PowerClass::CountSemicolons(text) + 1,
                  "one field more than separators");
            check(power.m_fields.join(QLatin1Char(';')) == text, "the fields make the text");
        }
        const QLatin1String decimal("0123456789");
        const QLatin1String hex("0123456789abcdef");
        check(DigitsToInt(text) == DigitsToInt(zeroed(text, decimal)),
              "any other character counts as a zero digit");
        check(PowerClass::HexDigitsToInt(text) == PowerClass::HexDigitsToInt(zeroed(text, hex)),
              "any other character counts as a zero hex digit");
        const QString digits = text.left(9);
        if (zeroed(digits, decimal) == digits)
            check(PowerClass::IntToText(DigitsToInt(digits)).toInt() == digits.toInt(),
                  "nine digits read as their number");
    }
    return 0;
}
