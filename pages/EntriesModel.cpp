#include "EntriesModel.h"

void EntriesModel::reset(const QStringList& headings, ResultGrid rows) {
    beginResetModel();
    m_headings = headings;
    m_rows = std::move(rows);
    endResetModel();
}

ResultGrid EntriesModel::takeRows() {
    beginResetModel();
    ResultGrid rows = std::move(m_rows);
    m_rows = ResultGrid();
    endResetModel();
    rows.clear();
    return rows;
}

void EntriesModel::setColors(const QColor& background, const QColor& text) {
    m_background = background;
    m_text = text;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

QString EntriesModel::cellText(int row, int column) const {
    if (row < 0 || row >= m_rows.rowCount() || column < 0 || column >= m_rows.columnCount())
        return {};
    return m_rows.value(row, column);
}

int EntriesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows.rowCount();
}

int EntriesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headings.size());
}

QVariant EntriesModel::data(const QModelIndex& index, int role) const {
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
        case Qt::AccessibleTextRole:
            return cellText(index.row(), index.column());
        case Qt::BackgroundRole:
            return m_background;
        case Qt::ForegroundRole:
            return m_text;
        default:
            return {};
    }
}

QVariant EntriesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal &&
        (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) && section >= 0 &&
        section < m_headings.size())
        return m_headings[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}
