// The button's plain functions: colour arithmetic with its clamping, soft
// bevel and proportional blue; the palette of each scheme; where caption and
// picture go for each PicturePosition; access keys; outlines; focus marks.
#include "ButtonTestSupport.h"
#include "button/ButtonGeometry.h"
#include "shared/Raster.h"

#include <QGuiApplication>

using namespace zephral;
using namespace zephral::test;

namespace {

TEST(ShiftColour, ClampsBothWaysHalvesSoftAndScalesBlue) {
    struct Case {
        Colour in;
        int amount;
        bool blue, soft;
        Colour out;
    };
    const Case cases[] = {
        {rgb(100, 150, 200), 20, false, false, rgb(120, 170, 220)},
        {rgb(250, 10, 5), 20, false, false, rgb(255, 30, 25)},     // up to 255
        {rgb(10, 100, 5), -20, false, false, rgb(0, 80, 0)},       // down to 0
        {rgb(0, 255, 0), 0, false, false, rgb(0, 255, 0)},         // 0 changes nothing
        {rgb(10, 10, 10), 300, false, false, rgb(255, 255, 255)},  // far past the top
        {rgb(100, 100, 100), 31, false, true, rgb(115, 115, 115)}, // soft: 31 / 2
        {rgb(100, 100, 100), -25, false, true, rgb(88, 88, 88)},   // toward zero: -12
        {rgb(100, 100, 100), -1, false, true, rgb(100, 100, 100)}, // -1 / 2 is 0
        {rgb(100, 100, 192), 48, true, false, rgb(148, 148, 240)}, // 192 * 48 / 192
        {rgb(100, 100, 96), 48, true, false, rgb(148, 148, 120)},  // 96 * 48 / 192
        {rgb(0, 0, 200), -25, true, false, rgb(0, 0, 174)},        // trunc(-26.04)
        {rgb(0, 0, 250), 100, true, false, rgb(100, 100, 255)},    // 250 + 130, clamped
        {rgb(0, 0, 200), -50, true, true, rgb(0, 0, 174)},         // soft first: -25
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShiftColour(c.in, c.amount, c.blue, c.soft), c.out)
            << std::hex << c.in << " " << std::dec << c.amount;
    }
}

TEST(TintTowardWhite, WashesEachChannel) {
    EXPECT_EQ(TintTowardWhite(rgb(0, 0, 128), 176), rgb(176, 176, 215));
    EXPECT_EQ(TintTowardWhite(rgb(0, 0, 128), 128), rgb(128, 128, 191));
    EXPECT_EQ(TintTowardWhite(rgb(255, 255, 255), 176), rgb(255, 255, 255));
    EXPECT_EQ(TintTowardWhite(rgb(10, 20, 30), 0), rgb(10, 20, 30));
}

// The desktop's palette, set for the test and put back after it.
class ScopedPalette {
public:
    explicit ScopedPalette(const QPalette& palette) : m_saved(QGuiApplication::palette()) {
        QGuiApplication::setPalette(palette);
    }
    ~ScopedPalette() { QGuiApplication::setPalette(m_saved); }

private:
    QPalette m_saved;
};

TEST(BuildPalette, EachScheme) {
    QPalette desk;
    desk.setColor(QPalette::Button, QColor(212, 208, 200));
    desk.setColor(QPalette::Dark, QColor(128, 128, 128));
    desk.setColor(QPalette::Midlight, QColor(223, 223, 223));
    desk.setColor(QPalette::Light, QColor(255, 255, 255));
    desk.setColor(QPalette::Shadow, QColor(64, 64, 64));
    desk.setColor(QPalette::ButtonText, QColor(1, 2, 3));
    desk.setColor(QPalette::Highlight, QColor(10, 36, 106));
    const ScopedPalette scoped(desk);

    PaletteInputs in;
    in.maskColor = systemColour(ButtonFace);
    const ButtonPalette system = BuildPalette(in);
    const ButtonPalette expectSystem{rgb(212, 208, 200), rgb(223, 223, 223), rgb(255, 255, 255),
                                     rgb(128, 128, 128), rgb(64, 64, 64),    rgb(1, 2, 3),
                                     rgb(1, 2, 3),       rgb(212, 208, 200), rgb(255, 255, 248),
                                     rgb(10, 36, 106),   rgb(179, 187, 208)};
    EXPECT_EQ(system, expectSystem);
    in.colorScheme = 9; // any other value is scheme 1
    EXPECT_EQ(BuildPalette(in), expectSystem);

    in.colorScheme = 3;
    in.maskColor = rgb(255, 0, 255);
    const ButtonPalette fixed{
        kFace,        kLight,           kHighlight,         kShadow,    kDark,         rgb(0, 0, 0),
        rgb(0, 0, 0), rgb(255, 0, 255), rgb(240, 240, 240), kSelection, kSelectionTint};
    EXPECT_EQ(BuildPalette(in), fixed);

    in.colorScheme = 2;
    in.backColor = rgb(100, 120, 140);
    in.foreColor = rgb(7, 8, 9);
    in.foreOver = rgb(200, 0, 0);
    const ButtonPalette own{rgb(100, 120, 140), rgb(131, 151, 171), rgb(147, 167, 187),
                            rgb(36, 56, 76),    rgb(0, 0, 0),       rgb(7, 8, 9),
                            rgb(200, 0, 0),     rgb(255, 0, 255),   rgb(148, 168, 188),
                            rgb(0, 0, 12),      rgb(100, 120, 140)};
    EXPECT_EQ(BuildPalette(in), own);
    in.buttonType = 3; // the accent keeps a blue face blue
    EXPECT_EQ(BuildPalette(in).accentFace, rgb(148, 168, 175));
    in.buttonType = 2;
    in.softBevel = true; // every shift halved
    EXPECT_EQ(BuildPalette(in).light, rgb(115, 135, 155));
    EXPECT_EQ(BuildPalette(in).darkShadow, rgb(4, 24, 44));
    in.softBevel = false;

    in.colorScheme = 4;
    in.parentBack = systemColour(ButtonHighlight);
    in.parentFore = rgb(9, 9, 9);
    const ButtonPalette parent = BuildPalette(in);
    EXPECT_EQ(parent.face, rgb(255, 255, 255));
    EXPECT_EQ(parent.shadow, rgb(191, 191, 191));
    EXPECT_EQ(parent.text, rgb(9, 9, 9));
    EXPECT_EQ(parent.hoverText, rgb(9, 9, 9));
    EXPECT_EQ(parent.selection, rgb(10, 36, 106));
    EXPECT_EQ(parent.selectionTint, rgb(179, 187, 208));
}

// A caption that always needs 40 x 13 pixels from the room's top left.
Rect fixedCaption(const Rect& room) {
    return {room.left, room.top, room.left + 40, room.top + 13};
}

TEST(Layout, CaptionAndPictureForEachPosition) {
    struct Case {
        int position, h;
        Rect caption;
        QPoint picture;
    };
    const Case cases[] = {
        {0, 29, {39, 8, 79, 21}, {19, 6}},
        {1, 29, {21, 8, 61, 21}, {65, 6}},
        {2, 40, {31, 22, 71, 35}, {42, 4}},
        {3, 40, {31, 4, 71, 17}, {42, 19}},
        {4, 40, {31, 14, 71, 27}, {42, 12}},
        // Divisions truncate toward zero: (29 - 30) / 2 is 0.
        {2, 29, {31, 17, 71, 30}, {42, -1}},
    };
    for (const Case& c : cases) {
        const CaptionLayout layout =
            LayoutCaption(101, c.h, QSize(16, 16), c.position, fixedCaption);
        EXPECT_EQ(layout.caption, c.caption) << c.position;
        EXPECT_EQ(layout.pressedCaption, c.caption.moved(1, 1));
        EXPECT_EQ(layout.captionWidth, 40);
        EXPECT_EQ(layout.captionHeight, 13);
        EXPECT_EQ(LayoutPicture(101, c.h, QSize(16, 16), c.position, QStringLiteral("Go"), layout),
                  c.picture)
            << c.position;
    }
    // The room the caption is measured in leaves the picture out.
    Rect room;
    LayoutCaption(101, 29, QSize(16, 12), 1, [&room](const Rect& r) {
        room = r;
        return r;
    });
    EXPECT_EQ(room, (Rect{1, 1, 83, 27}));
    LayoutCaption(101, 40, QSize(16, 12), 3, [&room](const Rect& r) {
        room = r;
        return r;
    });
    EXPECT_EQ(room, (Rect{1, 1, 99, 26}));
}

TEST(Layout, BlankCaptionCentresThePicture) {
    for (int position = 0; position <= 4; ++position) {
        const CaptionLayout layout =
            LayoutCaption(101, 29, QSize(16, 16), position, [](const Rect& r) {
                return Rect{r.left, r.top, r.left, r.top};
            });
        for (const QString& blank : {QString(), QStringLiteral("   ")}) {
            EXPECT_EQ(LayoutPicture(101, 29, QSize(16, 16), position, blank, layout), QPoint(42, 6))
                << position;
        }
    }
}

TEST(AccessKeyOf, FirstLoneAmpersand) {
    const std::pair<const char*, const char*> cases[] = {
        {"&Encrypt File", "e"},
        {"Save &As", "a"},
        {"Encrypt && Encode Text", ""},
        {"Decrypt && Decode Text", ""},
        {"a&&b&c", "c"}, // the next "&" after the pair marks c
        {"a&&b&&c", ""}, // ... but another pair gives none
        {"&&&x", "x"},
        {"a&&&&b", ""},
        {"x&", ""},
        {"&", ""},
        {"", ""},
        {"OK", ""},
        {"&\xc3\x89t\xc3\xa9", "\xc3\xa9"},
    };
    for (const auto& [caption, key] : cases) {
        EXPECT_EQ(AccessKeyOf(QString::fromUtf8(caption)), QString::fromUtf8(key)) << caption;
    }
}

TEST(BuildRegion, EachStyleCutsItsCorners) {
    const int w = 10;
    const int h = 6;
    const QRegion full(0, 0, w, h);
    const QList<QPoint> corners = {{0, 0}, {9, 0}, {0, 5}, {9, 5}};
    const QList<QPoint> ells = {{0, 0}, {1, 0}, {0, 1}, {8, 0}, {9, 0}, {9, 1},
                                {0, 5}, {1, 5}, {0, 4}, {8, 5}, {9, 5}, {9, 4}};
    const std::pair<QList<int>, QList<QPoint>> cut[] = {
        {{1, 14}, corners},
        {{5}, {{9, 0}, {0, 5}}},
        {{3, 4}, ells},
        {{0, 2, 6, 7, 8, 9, 10, 11, 12, 15}, {}},
    };
    for (const auto& [styles, points] : cut) {
        QRegion expected = full;
        for (const QPoint& p : points) {
            expected -= QRect(p, QSize(1, 1));
        }
        for (int style : styles) {
            EXPECT_EQ(BuildRegion(style, w, h), expected) << style;
        }
    }
    EXPECT_EQ(BuildRegion(13, 40, 20), ellipseRegion(QRect(0, 0, 40, 20)));
}

TEST(FocusRect, InsetsByStyle) {
    for (int style = 0; style <= 15; ++style) {
        const int inset = style >= 7 && style <= 13 ? 3 : 4;
        const Rect expected =
            style == 14 ? Rect{6, 6, 97, 25} : Rect{inset, inset, 101 - inset, 29 - inset};
        EXPECT_EQ(FocusRectFor(style, 101, 29), expected) << style;
    }
}

} // namespace
