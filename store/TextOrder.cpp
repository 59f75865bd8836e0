#include "TextOrder.h"

#include "Schema.h"

#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>
#include <vector>

namespace textorder {

namespace {

// The collator of the language; each connection sorts with a clone of its own.
struct Collator {
    UCollator* collator = nullptr;
    ~Collator() {
        if (collator)
            ucol_close(collator);
    }
};

Collator& language() {
    static Collator chosen;
    return chosen;
}

UCollator* collator() {
    if (!language().collator)
        setLanguage(QStringLiteral("en"));
    return language().collator;
}

void sortKey(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    auto* collator = static_cast<UCollator*>(sqlite3_user_data(context));
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int size = sqlite3_value_bytes(argv[0]);
    // Buffers that grow to the longest text and key seen, and are then reused.
    thread_local std::vector<UChar> utf16;
    thread_local std::vector<uint8_t> key;
    if (utf16.size() < static_cast<size_t>(size) + 1)
        utf16.resize(static_cast<size_t>(size) + 1);
    UErrorCode error = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8Lenient(utf16.data(), static_cast<int32_t>(utf16.size()), &length, text, size,
                         &error);
    if (U_FAILURE(error)) {
        sqlite3_result_error(context, "text that cannot be ordered", -1);
        return;
    }
    if (key.size() < 64)
        key.resize(64);
    int32_t keySize = ucol_getSortKey(collator, utf16.data(), length, key.data(),
                                      static_cast<int32_t>(key.size()));
    if (keySize > static_cast<int32_t>(key.size())) {
        key.resize(static_cast<size_t>(keySize));
        keySize = ucol_getSortKey(collator, utf16.data(), length, key.data(), keySize);
    }
    // The key ends with a zero byte that every key has; it adds nothing to the order.
    sqlite3_result_blob(context, key.data(), keySize > 0 ? keySize - 1 : 0, SQLITE_TRANSIENT);
}

void closeCollator(void* collator) {
    ucol_close(static_cast<UCollator*>(collator));
}

}  // namespace

void setLanguage(const QString& locale) {
    UErrorCode error = U_ZERO_ERROR;
    UCollator* collator = ucol_open(locale.toLatin1().constData(), &error);
    if (U_FAILURE(error)) {
        error = U_ZERO_ERROR;
        collator = ucol_open("", &error);  // the root order, shared by every language
    }
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &error);
    if (language().collator)
        ucol_close(language().collator);
    language().collator = collator;
}

bool registerWith(sqlite3* db) {
    UErrorCode error = U_ZERO_ERROR;
    UCollator* clone = ucol_clone(collator(), &error);
    if (U_FAILURE(error))
        return false;
    return sqlite3_create_function_v2(db, "orvane_sortkey", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      clone, sortKey, nullptr, nullptr, closeCollator) == SQLITE_OK;
}

QString orderBy(const QString& order) {
    if (schema::columnNumber(order) == 0)
        return order;
    return QStringLiteral("orvane_sortkey(%1), rowid").arg(order);
}

int compare(const QString& a, const QString& b) {
    return ucol_strcoll(collator(), reinterpret_cast<const UChar*>(a.utf16()),
                        static_cast<int32_t>(a.size()), reinterpret_cast<const UChar*>(b.utf16()),
                        static_cast<int32_t>(b.size()));
}

}  // namespace textorder
