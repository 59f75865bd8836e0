#pragma once

#include <QString>

struct sqlite3;

// The order in which people read lists: the collation of the program's language, in which
// letter case and accents do not split the order and numbers inside texts compare by their
// value ("item 2" before "item 10"). The store sorts by it through a key function, so that a
// sort compares keys as bytes and each text is looked at once.
namespace textorder {

// The language whose rules apply, as a locale name ("de", "pt_BR"); English until set.
void setLanguage(const QString& locale);

// Registers orvane_sortkey(text) on db: a key whose bytes compare as the texts are ordered
// (NULL for NULL). False when it cannot be registered.
bool registerWith(sqlite3* db);

// The ORDER BY term for order: a store column sorts by its key, and entries with equal keys
// stay in store order; anything else is left as it is.
QString orderBy(const QString& order);

// Compares two texts in the same order: negative, zero or positive.
int compare(const QString& a, const QString& b);

}  // namespace textorder
