#include "StoreContents.h"

#include "SQLite3PowerClass.h"
#include "Schema.h"
#include "SqlText.h"

namespace storecontents {

QStringList rows(const QString& storePath, int columnCount) {
    SQLite3PowerClass store;
    if (!store.Query(storePath, schema::table(), QString(), QString(), columnCount))
        return {QStringLiteral("<store failed: %1>").arg(store.m_error)};
    QStringList rows;
    for (int r = 0; r < store.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < store.columnCount(); ++c)
            cells.append(store.m_resultValues.value(r, c));
        rows.append(cells.join(QLatin1Char('|')));
    }
    return rows;
}

bool insert(const QString& storePath, const QStringList& values) {
    QStringList columns;
    QStringList literals;
    for (int k = 1; k <= values.size(); ++k) {
        columns.append(schema::column(k));
        literals.append(sqltext::literal(values[k - 1]));
    }
    SQLite3PowerClass store;
    return store.Insert(
               storePath, schema::table(),
               QStringLiteral("(%1) VALUES (%2)")
                   .arg(columns.join(QStringLiteral(", ")), literals.join(QStringLiteral(", "))),
               QString()) &&
           store.m_outcome == SQLite3PowerClass::Outcome::Done;
}

}  // namespace storecontents
