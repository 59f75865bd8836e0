#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Pieces of statement text. The store holds its text as UTF-8, whatever a database file's
// encoding, and statement text goes to the engine in it.
namespace sqltext {

// value as an SQL string literal: between single quotes, each inner quote doubled. A NUL
// character cannot stand inside a literal, so such a value becomes 'a'||char(0)||'b'.
QString literal(const QString& value);

// The condition that an entry is one of these: "rowid IN (3, 17)".
QString rowidIn(const std::vector<qint64>& rowids);

// The statement text as the engine receives it.
QByteArray toStatement(const QString& text);

}  // namespace sqltext
