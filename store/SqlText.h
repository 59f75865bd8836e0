#pragma once

#include <QByteArray>
#include <QString>

// Pieces of statement text. The store holds ISO 8859-1 bytes, so statement text goes to the
// engine one byte per character.
namespace sqltext {

// value as an SQL string literal: between single quotes, each inner quote doubled. A NUL
// character cannot stand inside a literal, so such a value becomes 'a'||char(0)||'b'.
QString literal(const QString& value);

// The statement text as the engine receives it.
QByteArray toStatement(const QString& text);

}  // namespace sqltext
