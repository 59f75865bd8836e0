#pragma once

#include <QList>
#include <QString>

// The widths in pixels of the lists' columns, the first column's first, which both lists share
// and config.ini keeps from one session to the next as numbers joined by ";"
// (configkeys::kColumnWidths).
namespace columnwidths {

// A column's width when none is remembered.
inline constexpr int kDefault = 100;

// The widths a setting holds, a character that is not a digit counting as a 0 digit; kDefault
// for every column of the store when it holds none.
QList<quint32> fromSetting(const QString& value);

// The setting that keeps the first count widths; kDefault for a column that widths lacks.
QString toSetting(const QList<quint32>& widths, int count);

}  // namespace columnwidths
