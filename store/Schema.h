#pragma once

#include <QLatin1String>
#include <QString>
#include <QStringList>

// The working store's one table, as every statement and every page may rely on it: its name,
// its text columns Column1 to Column26, and how the user's columns map onto them.
namespace schema {

inline constexpr char kTableName[] = "Table1";
inline constexpr char kColumnPrefix[] = "Column";
// The table's text columns; a database therefore has at most this many columns.
inline constexpr int kColumnCount = 26;
// Beside the entries: what the next start needs to recover them (StoreSession.h), one value
// a key, so that a later program can add fields. The template holds it; a store made by an
// earlier version gets it at its first change.
inline constexpr char kSessionTableName[] = "Session";
inline constexpr char kSessionTableColumns[] = "(Key TEXT PRIMARY KEY, Value TEXT) WITHOUT ROWID";

// The table's name as statement text.
inline QLatin1String table() {
    return QLatin1String(kTableName);
}

// The store column of the user's column k (1 to kColumnCount): "Column" followed by k.
QString column(int k);

// The k of a store column name ("Column7" gives 7, "Column12" gives 12); 0 for any other text,
// the empty one included.
int columnNumber(const QString& name);

// How many columns a column-names list names: the pieces between ";", empty ones included
// ("A;;B" names three, "A;" two), and none for the empty list.
int columnCount(const QString& columnNames);

// The condition that the first values.size() columns of an entry hold exactly these values:
// "Column1='a' AND Column2='b'". An entry is found by the values the lists show, so identical
// entries are found together.
QString allColumnsEqual(const QStringList& values);

}  // namespace schema
