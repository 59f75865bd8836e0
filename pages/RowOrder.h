#pragma once

#include "ResultGrid.h"

#include <vector>

// The order of a list's rows, as the store orders them: by id (store order), or by one
// column's sort key (TextOrder.h) with equal keys in id order. Rows are row numbers of a grid
// that holds each row's id.
class RowOrder {
public:
    // Store order for column -1.
    RowOrder(const ResultGrid& grid, int column) : m_grid(grid), m_column(column) {}

    // The rows (given in id order) in this order, their keys made on every core.
    std::vector<int> sorted(std::vector<int> rows) const;
    // Where row stands, or would stand, among rows (in this order).
    size_t placeIn(const std::vector<int>& rows, int row) const;
    // Whether row a comes before row b.
    bool less(int a, int b) const;

private:
    const ResultGrid& m_grid;
    int m_column;
};
