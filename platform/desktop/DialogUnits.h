#pragma once

#include <QRect>
#include <QWidget>
#include <algorithm>
#include <cmath>

// Window layouts are given in dialog units of an 8 point dialog font at 96 dpi: 1.5 pixels
// per horizontal and 1.625 pixels per vertical unit. Qt scales the pixels on high-dpi screens.
// The sizes of the design are minimums: a control grows where its text needs more room in the
// language, font and style shown, and the layout moves what stands beside it.
namespace dlu {
inline int x(double units) {
    return static_cast<int>(std::lround(units * 1.5));
}
inline int y(double units) {
    return static_cast<int>(std::lround(units * 1.625));
}
inline QRect rect(double left, double top, double width, double height) {
    return QRect(x(left), y(top), x(width), y(height));
}
// The size at least minimum in which widget (a label, a button, a group box) shows its text
// whole. A label that wraps its words keeps the width, but no less than its longest word
// needs, and takes the height of its lines.
inline QSize textSize(const QWidget& widget, QSize minimum) {
    if (widget.hasHeightForWidth()) {
        const int width = std::max(minimum.width(), widget.minimumSizeHint().width());
        return QSize(width, std::max(minimum.height(), widget.heightForWidth(width)));
    }
    return minimum.expandedTo(widget.sizeHint()).expandedTo(widget.minimumSizeHint());
}
// The height at least minimum in which a field (a line edit, a combo box) shows its text whole;
// its width is the layout's.
inline int fieldHeight(const QWidget& field, int minimum) {
    return std::max(minimum, field.minimumSizeHint().height());
}
}  // namespace dlu
