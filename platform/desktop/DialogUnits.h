#pragma once

#include <QRect>
#include <cmath>

// Window layouts are given in dialog units of an 8 point dialog font at 96 dpi: 1.5 pixels
// per horizontal and 1.625 pixels per vertical unit. Qt scales the pixels on high-dpi screens.
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
}  // namespace dlu
