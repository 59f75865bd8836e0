#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Line numbers as a message names them: the first shown of them, then "..." and how many
// there are in all.
inline QString lineList(const QList<int>& lines, int shown = 50) {
    QStringList numbers;
    for (const int line : lines.mid(0, shown))
        numbers.append(QString::number(line));
    if (lines.size() > shown)
        numbers.append(QStringLiteral("... (%1)").arg(lines.size()));
    return numbers.join(QStringLiteral(", "));
}
