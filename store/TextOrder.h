#pragma once

#include <QString>
#include <vector>

struct sqlite3;
struct UCollator;

// The order in which people read lists: the collation of the program's language, in which
// letter case and accents do not split the order and numbers inside texts compare by their
// value ("item 2" before "item 10"). The store sorts by it through a key function, so that a
// sort compares keys as bytes and each text is looked at once.
namespace textorder {

// The language whose rules apply, as a locale name ("de", "pt_BR"); English until set.
void setLanguage(const QString& locale);
QString language();

// Registers orvane_sortkey(text) on db: the text's key (SortKeys), NULL taken as the empty
// text, as the lists show it. False when it cannot be registered.
bool registerWith(sqlite3* db);

// The ORDER BY term for order: a store column sorts by its key, and entries with equal keys
// stay in store order; anything else is left as it is.
QString orderBy(const QString& order);

// Compares two texts in the same order: negative, zero or positive.
int compare(const QString& a, const QString& b);

// Keys whose bytes compare (unsigned, a key before every longer key it begins) as their texts
// are ordered by the language set when the object was made. One object serves one thread.
class SortKeys {
public:
    SortKeys();
    ~SortKeys();
    SortKeys(const SortKeys&) = delete;
    SortKeys& operator=(const SortKeys&) = delete;

    bool isValid() const { return m_collator != nullptr; }
    // Appends the key of the UTF-8 text of size bytes to *keys.
    void append(const char* text, int size, std::vector<unsigned char>* keys);

private:
    UCollator* m_collator = nullptr;
    std::vector<char16_t> m_utf16;
};

}  // namespace textorder
