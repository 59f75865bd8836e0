#pragma once

#include "ResultGrid.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>

// The entries of a list page as a table model over the compact result grid of the last
// query. Cells become QStrings only when the view paints them.
class EntriesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Replaces headings and rows in one reset.
    void reset(const QStringList& headings, ResultGrid rows);
    // Empties the list and hands over its rows, memory and all.
    ResultGrid takeRows();
    void setColors(const QColor& background, const QColor& text);

    const ResultGrid& rows() const { return m_rows; }
    const QStringList& headings() const { return m_headings; }
    QString cellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList m_headings;
    ResultGrid m_rows;
    QColor m_background = QColor(0xF0, 0xFF, 0xF0);
    QColor m_text = QColor(0x14, 0x14, 0xFF);
};
