// Fonts as the controls store them (the designer's family name, points and
// style) and as they draw with them. The stored name stays what the window
// description says ("MS Sans Serif"); the font drawn with is mapped, here and
// nowhere else, to a family that exists on this system, at a pixel size that
// does not depend on the screen's DPI setting.
#pragma once

#include <QFont>
#include <QString>
#include <QStringView>
#include <optional>

namespace zephral {

struct FontDesc {
    QString name = QStringLiteral("MS Sans Serif");
    float size = 8.25f; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    bool operator==(const FontDesc&) const = default;
};

// The family drawn for a stored family name: the classic Windows sans, serif
// and fixed faces go to the Liberation families (same widths as the faces
// the captions were laid out in, and installed by scripts/install-deps.sh);
// any other name is used as it stands.
QString drawnFamily(const QString& name);

// The font to draw with: the drawn family at points * 96 / 72 pixels (8.25 pt
// is 11 px, the size the button captions were laid out for), grey-scale
// antialiased without subpixel colour and fully hinted. Each of these is set
// explicitly because Qt otherwise takes them from the desktop (Xft settings,
// font DPI), and the offscreen platform and a display must draw the same
// pixels.
QFont drawingFont(const FontDesc& font);

// Text form, as a window description holds it:
// "MS Sans Serif,8.25" followed by ",Bold", ",Italic", ",Underline",
// ",Strikethrough" for each style set. The name may not hold a comma.
QString fontToText(const FontDesc& font);
std::optional<FontDesc> fontFromText(QStringView text);

} // namespace zephral
