#include "ColumnWidths.h"

#include "PowerClass.h"
#include "Schema.h"

#include <QStringList>

namespace columnwidths {

namespace {
constexpr QLatin1Char kSeparator(';');
}  // namespace

QList<quint32> fromSetting(const QString& value) {
    if (value.isEmpty())
        return QList<quint32>(schema::kColumnCount, kDefault);
    QList<quint32> widths;
    for (const QString& width : value.split(kSeparator))
        widths.append(static_cast<quint32>(DigitsToInt(width)));
    return widths;
}

QString toSetting(const QList<quint32>& widths, int count) {
    QStringList texts;
    for (int i = 0; i < count; ++i)
        texts.append(QString::number(i < widths.size() ? static_cast<int>(widths[i]) : kDefault));
    return texts.join(kSeparator);
}

}  // namespace columnwidths
