#include "SqlText.h"

namespace sqltext {

QString literal(const QString& value) {
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    if (quoted.contains(QChar(0)))
        quoted.replace(QChar(0), QLatin1String("'||char(0)||'"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString rowidIn(const std::vector<qint64>& rowids) {
    QString ids;
    for (qint64 rowid : rowids) {
        if (!ids.isEmpty())
            ids += QLatin1String(", ");
        ids += QString::number(rowid);
    }
    return QStringLiteral("rowid IN (%1)").arg(ids);
}

QByteArray toStatement(const QString& text) {
    return text.toUtf8();
}

}  // namespace sqltext
