#pragma once

#include <QColor>

#include <algorithm>
#include <cmath>

// How well text of one colour reads on another, as WCAG 2 measures it: from 1 (the same
// colour) to 21 (black on white). 4.5 is the least that WCAG AA allows for text.
namespace contrast {

constexpr double kLeastForText = 4.5;

// Relative luminance, from 0 (black) to 1 (white).
inline double luminance(const QColor& color) {
    const auto linear = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = color.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

inline double ratio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace contrast
