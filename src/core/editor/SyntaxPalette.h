#pragma once

#include <QColor>

#include "core/editor/SyntaxRole.h"

class QPalette;

// The colours of the roles for one appearance. Blue, yellow and pink have fixed values per
// appearance; the two labels come from the platform palette's text colour.
class SyntaxPalette {
public:
    SyntaxPalette(bool dark, const QColor &label, const QColor &secondaryLabel);

    // Dark when the palette's window colour is dark.
    static SyntaxPalette fromPalette(const QPalette &palette);
    static bool isDarkPalette(const QPalette &palette);
    // Blue, yellow and pink for either appearance, opaque sRGB.
    static QColor fixedColor(SyntaxRole role, bool dark);

    bool isDark() const { return m_dark; }
    QColor color(SyntaxRole role) const;

    bool operator==(const SyntaxPalette &) const = default;

private:
    bool m_dark;
    QColor m_label;
    QColor m_secondaryLabel;
};
