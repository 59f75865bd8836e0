#include "TextOrder.h"

#include "Schema.h"

#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

namespace textorder {

namespace {

// The collator of the language; each user sorts with a clone of its own.
struct Collator {
    UCollator* collator = nullptr;
    QString locale;
    ~Collator() {
        if (collator)
            ucol_close(collator);
    }
};

Collator& chosen() {
    static Collator language;
    return language;
}

UCollator* collator() {
    if (!chosen().collator)
        setLanguage(QStringLiteral("en"));
    return chosen().collator;
}

void sortKeyFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    auto* keys = static_cast<SortKeys*>(sqlite3_user_data(context));
    thread_local std::vector<unsigned char> key;  // grows to the longest key, then reused
    key.clear();
    const bool null = sqlite3_value_type(argv[0]) == SQLITE_NULL;
    const auto* text = null ? "" : reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    keys->append(text, null ? 0 : sqlite3_value_bytes(argv[0]), &key);
    sqlite3_result_blob(context, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
}

void deleteSortKeys(void* keys) {
    delete static_cast<SortKeys*>(keys);
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
    if (chosen().collator)
        ucol_close(chosen().collator);
    chosen().collator = collator;
    chosen().locale = locale;
}

QString language() {
    collator();  // English until set
    return chosen().locale;
}

SortKeys::SortKeys() {
    UErrorCode error = U_ZERO_ERROR;
    m_collator = ucol_clone(collator(), &error);
    if (U_FAILURE(error))
        m_collator = nullptr;
}

SortKeys::~SortKeys() {
    if (m_collator)
        ucol_close(m_collator);
}

void SortKeys::append(const char* text, int size, std::vector<unsigned char>* keys) {
    if (!m_collator)
        return;
    // UTF-8 never takes fewer units than UTF-16.
    if (m_utf16.size() < static_cast<size_t>(size) + 1)
        m_utf16.resize(static_cast<size_t>(size) + 1);
    UErrorCode error = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8Lenient(m_utf16.data(), static_cast<int32_t>(m_utf16.size()), &length, text, size,
                         &error);
    if (U_FAILURE(error))
        length = 0;
    const size_t start = keys->size();
    keys->resize(start + 64);
    int32_t keySize = ucol_getSortKey(m_collator, m_utf16.data(), length, keys->data() + start, 64);
    if (keySize > 64) {
        keys->resize(start + static_cast<size_t>(keySize));
        keySize =
            ucol_getSortKey(m_collator, m_utf16.data(), length, keys->data() + start, keySize);
    }
    // The key ends with a zero byte that every key has; it adds nothing to the order.
    keys->resize(start + static_cast<size_t>(keySize > 0 ? keySize - 1 : 0));
}

bool registerWith(sqlite3* db) {
    auto* keys = new SortKeys;
    if (!keys->isValid()) {
        delete keys;
        return false;
    }
    return sqlite3_create_function_v2(db, "orvane_sortkey", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      keys, sortKeyFunction, nullptr, nullptr,
                                      deleteSortKeys) == SQLITE_OK;
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
