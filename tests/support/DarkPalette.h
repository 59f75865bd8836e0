#pragma once

#include <QPalette>

// A dark palette as desktops make them: light text on dark grey. The look tests and the
// screenshot of the program on a dark desktop use it.
inline QPalette darkPalette() {
    const QColor window(0x35, 0x35, 0x35);
    const QColor base(0x2a, 0x2a, 0x2a);
    QPalette dark(Qt::white, window, window.lighter(150), window.darker(150), window.darker(120),
                  Qt::white, Qt::red, base, window);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::ToolTipBase, window);
    dark.setColor(QPalette::ToolTipText, Qt::white);
    dark.setColor(QPalette::Link, QColor(0x2a, 0x82, 0xda));
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    dark.setColor(QPalette::PlaceholderText, QColor(0xa0, 0xa0, 0xa0));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, QColor(0x7f, 0x7f, 0x7f));
    return dark;
}
