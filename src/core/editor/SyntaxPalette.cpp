#include "core/editor/SyntaxPalette.h"

#include <QPalette>

namespace {

// The platform's secondary label is its label colour at about half opacity.
constexpr float kSecondaryLabelOpacity = 0.5f;

} // namespace

SyntaxPalette::SyntaxPalette(bool dark, const QColor &label, const QColor &secondaryLabel)
    : m_dark(dark)
    , m_label(label)
    , m_secondaryLabel(secondaryLabel)
{
}

SyntaxPalette SyntaxPalette::fromPalette(const QPalette &palette)
{
    const QColor label = palette.color(QPalette::Active, QPalette::Text);
    QColor secondary = label;
    secondary.setAlphaF(label.alphaF() * kSecondaryLabelOpacity);
    return SyntaxPalette(isDarkPalette(palette), label, secondary);
}

bool SyntaxPalette::isDarkPalette(const QPalette &palette)
{
    return palette.color(QPalette::Active, QPalette::Window).lightness() < 128;
}

QColor SyntaxPalette::fixedColor(SyntaxRole role, bool dark)
{
    switch (role) {
    case SyntaxRole::Blue:
        return dark ? QColor(0x61, 0xAF, 0xEF) : QColor(0x05, 0x50, 0xAE);
    case SyntaxRole::Yellow:
        return dark ? QColor(0xE5, 0xC0, 0x7B) : QColor(0x94, 0x66, 0x0A);
    case SyntaxRole::Pink:
        return dark ? QColor(0xE0, 0x6C, 0x75) : QColor(0xCF, 0x22, 0x2E);
    case SyntaxRole::Label:
    case SyntaxRole::SecondaryLabel:
        break;
    }
    return {};
}

QColor SyntaxPalette::color(SyntaxRole role) const
{
    switch (role) {
    case SyntaxRole::Label:
        return m_label;
    case SyntaxRole::SecondaryLabel:
        return m_secondaryLabel;
    case SyntaxRole::Blue:
    case SyntaxRole::Yellow:
    case SyntaxRole::Pink:
        break;
    }
    return fixedColor(role, m_dark);
}
