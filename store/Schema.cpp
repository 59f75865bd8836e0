#include "Schema.h"

#include "SqlText.h"

namespace schema {

QString column(int k) {
    return QLatin1String(kColumnPrefix) + QString::number(k);
}

int columnNumber(const QString& name) {
    const QLatin1String prefix(kColumnPrefix);
    if (!name.startsWith(prefix))
        return 0;
    bool isNumber = false;
    const int k = name.mid(prefix.size()).toInt(&isNumber);
    return isNumber && k >= 1 && k <= kColumnCount && column(k) == name ? k : 0;
}

int columnCount(const QString& columnNames) {
    return columnNames.isEmpty() ? 0 : static_cast<int>(columnNames.count(QLatin1Char(';'))) + 1;
}

QString allColumnsEqual(const QStringList& values) {
    QStringList condition;
    for (int i = 0; i < values.size(); ++i)
        condition.append(column(i + 1) + QLatin1Char('=') + sqltext::literal(values[i]));
    return condition.join(QStringLiteral(" AND "));
}

}  // namespace schema
