#include "shared/Colour.h"

#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace zephral {

namespace {

struct SystemRole {
    int index;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// Index -> the role of the desktop's palette that plays the same part. The 3D
// roles follow Qt's own reading of the classic scheme: button highlight is
// Light, 3D light Midlight, button shadow Dark, 3D dark shadow Shadow; the
// window (text box) background is Base.
using G = QPalette::ColorGroup;
using R = QPalette::ColorRole;
// clang-format off
constexpr SystemRole kRoles[] = {
    {ScrollBar,               G::Active,   R::Button},
    {Desktop,                 G::Active,   R::Dark},
    {ActiveCaption,           G::Active,   R::Highlight},
    {InactiveCaption,         G::Inactive, R::Highlight},
    {Menu,                    G::Active,   R::Window},
    {Window,                  G::Active,   R::Base},
    {WindowFrame,             G::Active,   R::Shadow},
    {MenuText,                G::Active,   R::WindowText},
    {WindowText,              G::Active,   R::Text},
    {CaptionText,             G::Active,   R::HighlightedText},
    {ActiveBorder,            G::Active,   R::Button},
    {InactiveBorder,          G::Inactive, R::Button},
    {AppWorkspace,            G::Active,   R::Dark},
    {Highlight,               G::Active,   R::Highlight},
    {HighlightText,           G::Active,   R::HighlightedText},
    {ButtonFace,              G::Active,   R::Button},
    {ButtonShadow,            G::Active,   R::Dark},
    {GrayText,                G::Disabled, R::Text},
    {ButtonText,              G::Active,   R::ButtonText},
    {InactiveCaptionText,     G::Inactive, R::HighlightedText},
    {ButtonHighlight,         G::Active,   R::Light},
    {DarkShadow3D,            G::Active,   R::Shadow},
    {Light3D,                 G::Active,   R::Midlight},
    {InfoText,                G::Active,   R::ToolTipText},
    {InfoBackground,          G::Active,   R::ToolTipBase},
    {HotLight,                G::Active,   R::Link},
    {GradientActiveCaption,   G::Active,   R::Highlight},
    {GradientInactiveCaption, G::Inactive, R::Highlight},
    {MenuHighlight,           G::Active,   R::Highlight},
    {MenuBar,                 G::Active,   R::Window},
};
// clang-format on

const SystemRole* roleOf(Colour c) {
    if ((c & ~kSystemColourFlag) > 0xFFu) {
        return nullptr;
    }
    const int index = int(c & 0xFFu);
    for (const SystemRole& role : kRoles) {
        if (role.index == index) {
            return &role;
        }
    }
    return nullptr;
}

} // namespace

bool isValidColour(Colour c) {
    return isSystemColour(c) ? roleOf(c) != nullptr : c <= 0xFFFFFFu;
}

QColor systemColourOf(int index, const QPalette& palette) {
    const SystemRole* role = index >= 0 ? roleOf(systemColour(index)) : nullptr;
    return role != nullptr ? palette.color(role->group, role->role) : QColor(Qt::black);
}

Colour translateColour(Colour c, const QPalette& palette) {
    if (!isSystemColour(c)) {
        return c & 0xFFFFFFu;
    }
    const SystemRole* role = roleOf(c);
    return role != nullptr ? fromQRgb(palette.color(role->group, role->role).rgb()) : 0;
}

Colour translateColour(Colour c) {
    return isSystemColour(c) ? translateColour(c, QGuiApplication::palette()) : c & 0xFFFFFFu;
}

namespace {

// Relative luminance of an sRGB colour, 0 for black to 1 for white.
double luminance(Colour c) {
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(redOf(c)) + 0.7152 * channel(greenOf(c)) + 0.0722 * channel(blueOf(c));
}

// The contrast of ink on the colour of `behind` it reads worst on.
double worstContrast(Colour ink, const QList<Colour>& behind) {
    double worst = 21.0;
    for (const Colour b : behind) {
        worst = std::min(worst, contrastRatio(ink, b));
    }
    return worst;
}

} // namespace

double contrastRatio(Colour a, Colour b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Colour readableTextColour(Colour ink, const QList<Colour>& behind,
                          std::initializer_list<Colour> alternatives) {
    if (worstContrast(ink, behind) >= kReadableContrast) {
        return ink;
    }
    Colour best = ink;
    double bestContrast = worstContrast(ink, behind);
    for (const Colour c : alternatives) {
        if (const double k = worstContrast(c, behind); k > bestContrast) {
            best = c;
            bestContrast = k;
        }
    }
    if (bestContrast >= kReadableContrast) {
        return best;
    }
    // Black or white reads at 4.58:1 at least on any one colour.
    const Colour black = rgb(0, 0, 0);
    const Colour white = rgb(255, 255, 255);
    return worstContrast(black, behind) >= worstContrast(white, behind) ? black : white;
}

} // namespace zephral
