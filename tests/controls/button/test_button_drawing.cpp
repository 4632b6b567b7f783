// The pixels of every style in every look with the fixed greys of
// ColorScheme 3: frames, bevel rows and columns and their end points, corner
// pixels, both visible ends of each gradient, the ellipse, the focus mark;
// then the caption modes and effects, and the pictures in every state.
#include "ButtonTestSupport.h"
#include "button/ButtonPainter.h"

#include <QTemporaryDir>
#include <cstdlib>

using namespace zephral;
using namespace zephral::test;

namespace {

constexpr int W = 40;
constexpr int H = 20;

Colour sh(Colour c, int n) {
    return ShiftColour(c, n, false, false);
}
Colour shB(Colour c, int n) {
    return ShiftColour(c, n, true, false);
}
Colour inverted(Colour c) {
    return c ^ 0xFFFFFFu;
}

// A point counted from the right or bottom edge when negative.
struct Px {
    int x, y;
    Colour c;
};

Look look(Look::State state, bool hover = false, bool focus = false, bool isDefault = false) {
    Look l;
    l.state = state;
    l.hover = hover;
    l.focus = focus;
    l.isDefault = isDefault;
    return l;
}

const Look kUp = look(Look::State::Up);
const Look kHover = look(Look::State::Up, true);
const Look kDown = look(Look::State::Down);
const Look kDownHover = look(Look::State::Down, true);
const Look kDisabled = look(Look::State::Disabled);
const Look kFocus = look(Look::State::Up, false, true);
const Look kDefault = look(Look::State::Up, false, false, true);
const Look kDownDefault = look(Look::State::Down, false, false, true);
const Look kFocusDefault = look(Look::State::Up, false, true, true);

std::unique_ptr<sknButton> drawn(int style, const Look& l, Values extra = {}, int w = W,
                                 int h = H) {
    const QByteArray type = QByteArray::number(style);
    auto button = shownButton(
        w, h, {{"ButtonType", type.constData()}, {"ColorScheme", "3"}, {"Caption", ""}});
    for (const auto& [name, value] : extra) {
        EXPECT_FALSE(button->writeProperty(QString::fromLatin1(name), QString::fromUtf8(value)));
    }
    EXPECT_FALSE(button->applyLook(l));
    return button;
}

struct StyleCase {
    int style;
    Look look;
    const char* name;
    std::vector<Px> pixels;
};

TEST(ButtonStyles, RecipePixelsInEveryLook) {
    const Colour a = rgb(240, 240, 240); // accentFace: the face + 48
    const Colour frame3 = rgb(0, 60, 115);
    const Colour corner3 = rgb(16, 77, 123);
    const Colour base3 = shB(a, -32);
    const Colour pressed4 = sh(kShadow, -16);
    const Colour light6 = sh(kLight, 8);
    const std::vector<Px> bare = {{0, 5, kFace}, {5, 5, kFace}, {-1, -1, kFace}, {20, 0, kFace}};
    const std::vector<Px> style1Up = {{0, 5, kDark},      {-1, 5, kDark},     {5, 0, kDark},
                                      {5, -1, kDark},     {1, 1, kHighlight}, {1, 5, kHighlight},
                                      {5, 1, kHighlight}, {-2, 5, kShadow},   {5, -2, kShadow},
                                      {1, -2, kShadow},   {-2, 1, kShadow},   {2, 2, kHighlight},
                                      {2, 5, kHighlight}, {-3, 5, kShadow},   {5, -3, kShadow},
                                      {2, -3, kShadow},   {-3, 2, kShadow},   {5, 5, kFace}};
    const std::vector<Px> style2Up = {{0, 5, kHighlight}, {5, 0, kHighlight}, {-1, 5, kDark},
                                      {5, -1, kDark},     {0, -1, kDark},     {-1, 0, kDark},
                                      {1, 5, kLight},     {1, 1, kLight},     {-2, 5, kShadow},
                                      {5, -2, kShadow},   {1, -2, kShadow},   {-2, 1, kShadow}};
    const std::vector<Px> style4Up = {{5, 5, kLight},     {0, 5, kDark},      {1, 1, kDark},
                                      {1, 2, kFace},      {2, 1, kFace},      {5, 2, kHighlight},
                                      {2, 5, kHighlight}, {3, 3, kHighlight}, {-3, 5, kFace},
                                      {5, -3, kFace},     {-4, -4, kFace},    {-2, 5, kShadow},
                                      {5, -2, kShadow},   {-3, -3, kShadow}};
    const std::vector<Px> style14Up = {{0, 5, sh(kShadow, -50)},     {1, 5, sh(kFace, -9)},
                                       {5, 2, kHighlight},           {5, 3, kHighlight},
                                       {2, 5, kHighlight},           {3, 5, kHighlight},
                                       {20, 4, sh(kHighlight, -12)}, // gradient row 4: -58 * 4 / 20
                                       {20, -3, sh(kHighlight, -49)}}; // row 17: -49.3
    const std::vector<Px> style3Focus = {{1, 5, rgb(140, 174, 231)}, {5, -2, rgb(107, 130, 239)},
                                         {5, 1, rgb(206, 231, 255)}, {5, 2, rgb(189, 215, 247)},
                                         {2, 5, rgb(181, 209, 240)}, {-3, 5, rgb(181, 209, 240)}};

    const StyleCase cases[] = {
        {0, kUp, "", bare},
        {0, kDisabled, "", bare},
        {15, kHover, "", bare},
        {1, kUp, "", style1Up},
        {1, kDisabled, "", style1Up},
        {1,
         kDown,
         "",
         {{0, 5, kDark},
          {1, 1, kShadow},
          {1, 5, kShadow},
          {5, 1, kShadow},
          {-2, 5, kHighlight},
          {5, -2, kHighlight},
          {1, -2, kHighlight},
          {-2, 1, kHighlight},
          {2, 2, kShadow},
          {-3, 5, kHighlight},
          {2, -3, kHighlight}}},
        {2, kUp, "", style2Up},
        {2, kDisabled, "", style2Up},
        {2,
         kDefault,
         "",
         {{0, 5, kDark},
          {1, 5, kHighlight},
          {-1, 5, kDark},
          {-2, 5, kDark},
          {2, 5, kLight},
          {-3, 5, kShadow}}},
        {2, kDown, "", {{0, 5, kDark}, {-1, 5, kHighlight}, {1, 5, kShadow}, {-2, 5, kLight}}},
        {2, kDownDefault, "", {{0, 5, kDark}, {1, 5, kShadow}, {-2, 5, kShadow}, {2, 5, kFace}}},
        {3,
         kUp,
         "",
         {{0, 5, frame3},
          {1, 1, corner3},
          {1, -2, corner3},
          {-2, 1, corner3},
          {-2, -2, corner3},
          {5, -2, shB(a, -48)},
          {5, -3, shB(a, -32)},
          {-2, 5, shB(a, -36)},
          {-3, 5, shB(a, -24)},
          {5, 1, shB(a, 16)},
          {5, 2, shB(a, 10)},
          {1, 5, shB(a, -5)},
          {2, 5, shB(a, -10)},
          {20, 3, shB(a, -4)},
          {20, -4, shB(a, -20)}}},
        {3,
         kHover,
         "",
         {{1, 5, rgb(255, 178, 49)},
          {-2, 5, rgb(255, 178, 49)},
          {5, -3, rgb(255, 178, 49)},
          {5, -2, rgb(231, 150, 0)},
          {5, 1, rgb(255, 243, 206)},
          {5, 2, rgb(255, 219, 140)},
          {2, 5, rgb(255, 203, 107)},
          {-3, 5, rgb(255, 203, 107)}}},
        {3, kFocus, "", style3Focus},
        {3, kDefault, "", style3Focus},
        {3,
         kDown,
         "",
         {{0, 5, frame3},
          {1, 1, corner3},
          {5, -2, shB(base3, 16)},
          {5, -3, shB(base3, 10)},
          {-2, 5, shB(base3, 5)},
          {-3, 5, a},
          {5, 1, shB(base3, -32)},
          {5, 2, shB(base3, -24)},
          {1, 5, shB(base3, -32)},
          {2, 5, shB(base3, -22)},
          {20, 3, shB(base3, -21)},
          {20, -4, shB(base3, -5)}}},
        {3, kDisabled, "", {{5, 5, shB(a, -24)}, {0, 5, shB(a, -84)}, {1, 1, shB(a, -72)}}},
        {4, kUp, "", style4Up},
        {4, kDisabled, "", style4Up},
        {4,
         kDown,
         "",
         {{5, 5, pressed4},
          {0, 5, kDark},
          {1, 5, sh(kShadow, -64)},
          {2, 5, sh(kShadow, -32)},
          {2, 2, sh(kShadow, -64)},
          {3, 3, sh(kShadow, -32)},
          {1, 1, kDark},
          {-3, 5, kShadow},
          {5, -3, kShadow},
          {-4, -4, kShadow},
          {-2, 5, pressed4},
          {5, -2, pressed4},
          {-2, -3, sh(kShadow, -32)},
          {-3, -2, sh(kShadow, -32)},
          {2, -2, sh(kShadow, -32)},
          {-2, 2, sh(kShadow, -32)}}},
        {5,
         kUp,
         "",
         {{5, 5, sh(kFace, 12)},
          {0, 5, sh(kShadow, -26)},
          {1, 5, kHighlight},
          {-2, 5, sh(kShadow, -26)},
          {-1, 5, kHighlight},
          {5, -1, kHighlight},
          {1, -2, sh(kShadow, 26)},
          {-2, 1, sh(kShadow, 26)}}},
        {5,
         kDown,
         "",
         {{5, 5, sh(kShadow, 16)},
          {0, 5, sh(kShadow, -26)},
          {-2, 5, sh(kShadow, -26)},
          {-1, 5, kHighlight},
          {5, -1, kHighlight}}},
        {5, kDisabled, "", {{0, 5, kShadow}, {-1, 5, kShadow}, {5, 5, kFace}}},
        {6, kUp, "", {{0, 5, light6}, {1, 5, light6}, {-1, 5, kShadow}, {-2, 5, kShadow}}},
        {6, kDisabled, "", {{0, 5, light6}, {1, 5, light6}, {-1, 5, kShadow}, {-2, 5, kShadow}}},
        {6, kDown, "", {{0, 5, kShadow}, {1, 5, kShadow}, {-1, 5, light6}, {-2, 5, light6}}},
        {7,
         kUp,
         "",
         {{0, 5, kHighlight},
          {5, 0, kHighlight},
          {-1, 5, kShadow},
          {5, -1, kShadow},
          {1, 5, kFace}}},
        {7, kDisabled, "", {{0, 5, kHighlight}, {-1, 5, kShadow}, {1, 5, kFace}}},
        {7, kDown, "", {{0, 5, kShadow}, {-1, 5, kHighlight}, {1, 5, kFace}}},
        {8, kUp, "", {{0, 5, kFace}, {-1, 5, kFace}}},
        {8, kHover, "", {{0, 5, kHighlight}, {-1, 5, kShadow}}},
        {8, kDown, "", {{0, 5, kShadow}, {-1, 5, kHighlight}}},
        {8, kDisabled, "", {{0, 5, kFace}, {-1, 5, kFace}}},
        {9, kUp, "", {{0, 5, kFace}, {5, 5, kFace}}},
        {9,
         kHover,
         "",
         {{0, 5, kSelection}, {-1, 5, kSelection}, {5, -1, kSelection}, {5, 5, kSelectionTint}}},
        {9, kDown, "", {{0, 5, kSelection}, {5, 5, kFace}}},
        {9, kDownHover, "", {{0, 5, kSelection}, {5, 5, TintTowardWhite(kSelection, 128)}}},
        {9, kDisabled, "", {{0, 5, kFace}, {5, 5, kFace}}},
        {10, kHover, "", bare},
        {10, kDownHover, "", bare},
        {11, kDown, "", bare},
        {11, kDisabled, "", bare},
        {12, kUp, "", {{0, 5, kFace}, {-1, 5, kFace}}},
        {12, kHover, "", {{0, 5, kHighlight}, {-1, 5, kDark}, {1, 5, kLight}, {-2, 5, kShadow}}},
        {12, kDown, "", {{0, 5, kDark}, {-1, 5, kHighlight}, {1, 5, kShadow}, {-2, 5, kLight}}},
        {12, kDisabled, "", {{0, 5, kFace}, {1, 5, kFace}}},
        {13, kUp, "", {{20, 0, kFace}, {20, 10, kFace}}},
        {13,
         kHover,
         "",
         {{20, 0, kShadow}, {20, 1, kShadow}, {20, 2, kFace}, {0, 10, kShadow}, {20, 10, kFace}}},
        {13, kDown, "", {{20, 0, kDark}, {20, 1, kDark}, {20, 10, sh(kFace, -32)}}},
        {13, kDisabled, "", {{20, 0, kFace}, {20, 10, kFace}}},
        {14, kUp, "", style14Up},
        {14, kDisabled, "", style14Up},
        {14, kHover, "", {{20, 5, kLight}, {0, 5, sh(kShadow, -50)}, {5, 2, kHighlight}}},
        {14,
         kDown,
         "",
         {{5, 5, sh(kFace, -9)},
          {0, 5, sh(kShadow, -48)},
          {-1, 5, sh(kShadow, -48)},
          {5, -2, kHighlight},
          {-2, 5, kHighlight}}},
        // The focus mark: every other pixel of the focus rectangle inverted.
        {1, kFocus, "", {{4, 4, inverted(kFace)}, {5, 4, kFace}, {-5, -5, inverted(kFace)}}},
        {7, kFocus, "", {{3, 3, inverted(kFace)}, {4, 3, kFace}}},
        {14, kFocus, "", {{6, 6, inverted(sh(kHighlight, -17))}}},
        {2, kFocus, "no mark without the default look", {{4, 4, kFace}}},
        {2, kFocusDefault, "", {{4, 4, inverted(kFace)}}},
        {13, kFocus, "never a mark", {{21, 3, kFace}}},
        {5, kFocus, "", {{5, 5, sh(kFace, 12)}}},
        {9, kDisabled, "no mark while disabled", {{3, 3, kFace}}},
    };
    for (const StyleCase& c : cases) {
        const auto button = drawn(c.style, c.look);
        const Surface& s = button->surface();
        for (const Px& p : c.pixels) {
            const int x = p.x < 0 ? W + p.x : p.x;
            const int y = p.y < 0 ? H + p.y : p.y;
            EXPECT_EQ(s.pixel(x, y), p.c)
                << "style " << c.style << " state " << int(c.look.state) << " hover "
                << c.look.hover << " focus " << c.look.focus << " default " << c.look.isDefault
                << " at " << x << "," << y << " " << c.name << ": " << std::hex << s.pixel(x, y)
                << " != " << p.c;
        }
    }
}

// Style 13's ellipse is the surface's own, pixel for pixel.
TEST(ButtonStyles, OvalIsTheSurfacesEllipse) {
    for (const QSize size : {QSize(40, 20), QSize(101, 21), QSize(7, 30)}) {
        auto button = drawn(13, kDown, {}, size.width(), size.height());
        Surface expected(size);
        expected.setBackColour(kFace);
        expected.clear();
        expected.ellipse(0, 0, size.width(), size.height(), kDark, sh(kFace, -32));
        EXPECT_EQ(button->surface().image(), expected.image())
            << size.width() << "x" << size.height();
    }
}

// Text is drawn antialiased, so its colour shows as the pixels nearest to
// it: whether some pixel in r is within a few steps of c in every channel.
bool showsNear(const Surface& s, const QRect& r, Colour c) {
    constexpr int kNear = 8;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const Colour p = s.pixel(x, y);
            if (std::abs(redOf(p) - redOf(c)) <= kNear &&
                std::abs(greenOf(p) - greenOf(c)) <= kNear &&
                std::abs(blueOf(p) - blueOf(c)) <= kNear) {
                return true;
            }
        }
    }
    return false;
}

// The bounding box of the pixels that are not the given background.
QRect inkBox(const Surface& s, Colour background) {
    QRect box;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if (s.pixel(x, y) != background) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

TEST(ButtonCaption, EachModeInItsColoursAndPlace) {
    const Colour ink = rgb(0, 0, 200);
    const Colour over = rgb(200, 0, 0);
    const Colour face = rgb(180, 180, 180); // the own colours: every role from it
    const Colour mask = rgb(192, 192, 192);
    const ButtonPalette own = BuildPalette({2, 2, false, face, ink, over, mask, 0, 0});
    const Colour accentMode5 =
        shB(BuildPalette({2, 3, false, face, ink, over, mask, 0, 0}).accentFace, -104);
    struct Case {
        int style;
        Look look;
        std::vector<Colour> present;
        std::vector<Colour> absent;
        bool pressed; // the ink lies in the pressed caption rectangle
        bool both;    // ... and in the caption rectangle
    };
    const Case cases[] = {
        {11, kUp, {ink}, {over}, false, false},
        {11, kHover, {over}, {ink}, false, false},
        {11, kDown, {over}, {ink}, true, false},
        {4, kDown, {own.light}, {over, ink}, true, false},
        {11, kDisabled, {own.highlight, own.shadow}, {ink, over}, true, true},
        {9, kDisabled, {own.shadow}, {own.highlight, ink}, false, false},
        {14, kDisabled, {own.highlight}, {ink, over}, true, true},
        {14, kDown, {sh(own.shadow, -50), own.highlight}, {ink, over}, true, true},
        {5, kDown, {over}, {ink}, false, false}, // hover text, no offset
    };
    for (const Case& c : cases) {
        const QByteArray type = QByteArray::number(c.style);
        auto button = shownButton(101, 29,
                                  {{"ButtonType", type.constData()},
                                   {"ColorScheme", "2"},
                                   {"BackColor", "11842740"},
                                   {"BackOver", "11842740"},
                                   {"ForeColor", "13107200"},
                                   {"ForeOver", "200"},
                                   {"Caption", "Encrypt File"}});
        ASSERT_EQ(button->palette(), own);
        ASSERT_FALSE(button->applyLook(c.look));
        const Surface& s = button->surface();
        const QRect caption = button->captionLayout().caption.toQRect();
        const QRect pressed = button->captionLayout().pressedCaption.toQRect();
        const QRect allowed = c.both ? (caption | pressed) : (c.pressed ? pressed : caption);
        for (Colour colour : c.present) {
            EXPECT_TRUE(showsNear(s, allowed, colour)) << c.style << " " << std::hex << colour;
        }
        for (Colour colour : c.absent) {
            EXPECT_FALSE(showsNear(s, allowed, colour)) << c.style << " " << std::hex << colour;
        }
        // Nothing of the caption outside its place (styles 11 and 9 draw
        // nothing else inside the frame).
        if (c.style == 11 || c.style == 9) {
            EXPECT_TRUE(allowed.contains(inkBox(s, face))) << c.style;
        }
    }
    // Style 3's disabled caption is the accent darkened with proportional blue.
    auto glossy = shownButton(101, 29,
                              {{"ButtonType", "3"},
                               {"ColorScheme", "2"},
                               {"BackColor", "11842740"},
                               {"Caption", "Encrypt File"},
                               {"Enabled", "False"}});
    EXPECT_TRUE(
        showsNear(glossy->surface(), glossy->captionLayout().caption.toQRect(), accentMode5));
}

TEST(ButtonCaption, EffectsCopiesAroundTheText) {
    struct Case {
        int style;
        const char* effect;
        const char* soft;
        Look look;
        std::vector<Colour> present;
        std::vector<Colour> absent; // only colours no blend of the others can make
        QMargins grown;             // how far the ink reaches past the plain text
    };
    const Colour tint = kSelectionTint;
    const Case cases[] = {
        {11, "1", "False", kUp, {sh(kFace, -40), sh(kFace, 40)}, {}, {1, 1, 1, 1}},
        {11, "2", "False", kUp, {sh(kFace, -40), sh(kFace, 40)}, {}, {1, 1, 1, 1}},
        {11, "3", "False", kUp, {sh(kFace, -40)}, {sh(kFace, 40)}, {0, 0, 1, 1}},
        {11, "1", "True", kUp, {sh(kFace, -20), sh(kFace, 20)}, {sh(kFace, 40)}, {1, 1, 1, 1}},
        // Style 9 hovered takes the effect from the selection tint.
        {9, "3", "False", kHover, {sh(tint, -40)}, {}, {0, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        auto plain = drawn(c.style, c.look, {{"Caption", "Encrypt File"}}, 101, 29);
        auto fx =
            drawn(c.style, c.look,
                  {{"Caption", "Encrypt File"}, {"SpecialEffect", c.effect}, {"SoftBevel", c.soft}},
                  101, 29);
        const Colour ground = c.look.hover ? tint : kFace;
        const QRect inner(3, 3, 95, 23); // inside any frame
        for (Colour colour : c.present) {
            EXPECT_TRUE(showsNear(fx->surface(), inner, colour))
                << c.effect << " " << std::hex << colour;
        }
        for (Colour colour : c.absent) {
            EXPECT_FALSE(showsNear(fx->surface(), inner, colour))
                << c.effect << " " << std::hex << colour;
        }
        auto inkOf = [&](const Surface& s) {
            QRect box;
            for (int y = inner.top(); y <= inner.bottom(); ++y) {
                for (int x = inner.left(); x <= inner.right(); ++x) {
                    if (s.pixel(x, y) != ground) {
                        box |= QRect(x, y, 1, 1);
                    }
                }
            }
            return box;
        };
        EXPECT_EQ(inkOf(fx->surface()), inkOf(plain->surface()).marginsAdded(c.grown))
            << c.style << " effect " << c.effect;
    }
}

// The caption's ink laid on from its kept coverage gives the pixels of
// drawing the text, in any colour on any ground, kept or made afresh; only
// where two glyphs of a bold caption touch may a channel differ by one (the
// two coverages are blended as one).
int largestDifference(const Surface& a, const Surface& b) {
    int most = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const Colour p = a.pixel(x, y);
            const Colour q = b.pixel(x, y);
            most = std::max({most, std::abs(redOf(p) - redOf(q)), std::abs(greenOf(p) - greenOf(q)),
                             std::abs(blueOf(p) - blueOf(q))});
        }
    }
    return most;
}

TEST(CaptionInk, SamePixelsAsDrawingTheText) {
    struct Case {
        const char* caption;
        Rect r;
        Colour ink, ground;
    };
    const Case cases[] = {
        {"&Encrypt File", {10, 4, 90, 17}, rgb(0, 0, 0), rgb(192, 192, 192)},
        {"&Encrypt File", {10, 4, 90, 17}, rgb(250, 20, 90), rgb(10, 60, 30)},
        {"Encrypt && Encode Text", {20, 1, 84, 28}, rgb(255, 255, 255), rgb(0, 0, 128)},
        {"Averyveryverylongword", {40, 5, 50, 18}, rgb(30, 30, 30), rgb(255, 255, 255)},
        {"", {10, 4, 90, 17}, rgb(0, 0, 0), rgb(255, 255, 255)},
    };
    CaptionInk kept;
    for (const Case& c : cases) {
        for (bool bold : {false, true}) {
            FontDesc font;
            font.bold = bold;
            for (const Rect& r : {c.r, c.r.moved(3, -1)}) {
                Surface direct(QSize(101, 30));
                direct.setFont(font);
                direct.setBackColour(c.ground);
                direct.clear();
                Surface laid = direct;
                direct.drawText(r, QString::fromUtf8(c.caption), c.ink);
                kept.draw(laid, r, QString::fromUtf8(c.caption), c.ink);
                if (bold) {
                    EXPECT_LE(largestDifference(laid, direct), 1) << c.caption;
                } else {
                    EXPECT_EQ(laid.image(), direct.image()) << c.caption;
                }
            }
        }
    }
}

// A 4 x 2 picture: the mask key, a dark, a bright and a mid pixel above; a
// green, a grey, black and the mask key below.
const Colour kKey = rgb(255, 0, 255);
const Colour kPic[8] = {kKey,
                        rgb(40, 60, 80),
                        rgb(250, 250, 250),
                        rgb(200, 100, 60),
                        rgb(10, 200, 30),
                        rgb(100, 100, 100),
                        rgb(0, 0, 0),
                        kKey};

std::vector<Rgb> picturePixelsOf(const Colour (&c)[8]) {
    std::vector<Rgb> out;
    for (Colour v : c) {
        out.push_back(Rgb::of(v));
    }
    return out;
}

TEST(BlitPicture, EveryModePixelByPixel) {
    const Colour none = 0xFFFFFFFFu; // the destination stays
    struct Case {
        const char* name;
        bool useMask;
        BlitMode mode;
        Colour expected[8];
    };
    const Colour dot = rgb(1, 2, 3);
    BlitMode solid;
    solid.colour = dot;
    BlitMode silhouette = solid;
    silhouette.silhouette = true;
    BlitMode grey;
    grey.greyscale = true;
    BlitMode blend;
    blend.blend = true;
    BlitMode greyBlend = grey;
    greyBlend.blend = true;
    const Case cases[] = {
        {"copy", true, {}, {none, kPic[1], kPic[2], kPic[3], kPic[4], kPic[5], kPic[6], none}},
        {"copy, no mask",
         false,
         {},
         {kKey, kPic[1], kPic[2], kPic[3], kPic[4], kPic[5], kPic[6], kKey}},
        {"solid", true, solid, {none, dot, dot, dot, dot, dot, dot, none}},
        {"solid, no mask", false, solid, {dot, dot, dot, dot, dot, dot, dot, dot}},
        {"silhouette", true, silhouette, {none, dot, none, dot, dot, dot, dot, none}},
        {"greyscale",
         true,
         grey,
         {none, rgb(56, 56, 56), rgb(250, 250, 250), rgb(126, 126, 126), rgb(124, 124, 124),
          rgb(100, 100, 100), rgb(0, 0, 0), none}},
        {"greyscale wins over blend",
         true,
         greyBlend,
         {none, rgb(56, 56, 56), rgb(250, 250, 250), rgb(126, 126, 126), rgb(124, 124, 124),
          rgb(100, 100, 100), rgb(0, 0, 0), none}},
        {"blend",
         true,
         blend,
         {none, rgb(90, 104, 117), rgb(230, 230, 230), rgb(197, 130, 104), rgb(70, 197, 84),
          rgb(130, 130, 130), rgb(64, 64, 64), none}},
    };
    for (const Case& c : cases) {
        Surface s(QSize(6, 4));
        s.setBackColour(kFace);
        s.clear();
        BlitPicture(s, 1, 1, 4, 2, picturePixelsOf(kPic), kKey, c.useMask, c.mode);
        for (int i = 0; i < 8; ++i) {
            const Colour want = c.expected[i] == none ? kFace : c.expected[i];
            EXPECT_EQ(s.pixel(1 + i % 4, 1 + i / 4), want) << c.name << " pixel " << i;
        }
        EXPECT_EQ(s.pixel(0, 0), kFace);
        EXPECT_EQ(s.pixel(5, 3), kFace);
    }
    // Partly off the surface: what is on it is drawn, nothing wraps.
    Surface edge(QSize(3, 3));
    edge.setBackColour(kFace);
    edge.clear();
    BlitPicture(edge, -1, 2, 4, 2, picturePixelsOf(kPic), kKey, true, {});
    EXPECT_EQ(edge.pixel(0, 2), kPic[1]);
    EXPECT_EQ(edge.pixel(2, 2), kPic[3]);
    EXPECT_EQ(edge.pixel(0, 0), kFace);
}

TEST(BlitPicture, IconsTakeTheMaskColourWhereTransparent) {
    QImage icon(2, 1, QImage::Format_ARGB32);
    icon.setPixel(0, 0, 0x00000000u);
    icon.setPixel(1, 0, 0xFF102030u);
    const Picture picture = Picture::fromImage(icon);
    PreparedPictures prepared;
    for (bool useMask : {true, false}) {
        Surface s(QSize(2, 1));
        s.setBackColour(kFace);
        s.clear();
        BlitPicture(s, 0, 0, 2, 1, prepared.pixels(picture, QSize(2, 1), kKey), kKey, useMask, {});
        EXPECT_EQ(s.pixel(0, 0), useMask ? kFace : kKey);
        EXPECT_EQ(s.pixel(1, 0), rgb(0x10, 0x20, 0x30));
    }
}

QString writePicture(const QString& path, const Colour (&c)[8]) {
    QImage image(4, 2, QImage::Format_RGB32);
    for (int i = 0; i < 8; ++i) {
        image.setPixel(i % 4, i / 4, toQRgb(c[i]));
    }
    EXPECT_TRUE(image.save(path));
    return path;
}

TEST(ButtonPicture, EveryStateInItsPlace) {
    QTemporaryDir dir;
    const QByteArray normal = writePicture(dir.filePath("n.png"), kPic).toUtf8();
    const Colour red = rgb(255, 0, 0);
    const Colour overPixels[8] = {kKey, red, red, red, red, red, red, kKey};
    const QByteArray over = writePicture(dir.filePath("o.png"), overPixels).toUtf8();
    // Caption blank: the picture sits in the middle, at (18, 9); its dark
    // pixel (column 1 of row 0) at (19, 9).
    constexpr int x = 18;
    constexpr int y = 9;
    struct Case {
        int style;
        Look look;
        bool withOver;
        Values extra;
        std::vector<Px> pixels;
    };
    const Colour dark = kPic[1];
    const Case cases[] = {
        {2, kUp, false, {}, {{x + 1, y, dark}, {x, y, kFace}, {x + 2, y, kPic[2]}}},
        {2, kUp, false, {{"UseGreyscale", "True"}}, {{x + 1, y, rgb(56, 56, 56)}}},
        {2, kUp, false, {{"UseMaskColor", "False"}}, {{x, y, kKey}}},
        {9, kUp, false, {}, {{x + 1, y, rgb(90, 104, 117)}}}, // blended with the face
        // Style 9 lifts the picture: its shadow below right.
        {9, kHover, true, {}, {{x, y - 1, dark}, {x + 2, y + 1, kShadow}, {x + 1, y, kPic[6]}}},
        {2, kHover, true, {}, {{x + 1, y, red}}},
        {2, kHover, false, {}, {{x + 1, y, dark}}},
        {2, kDown, false, {}, {{x + 2, y + 1, dark}, {x + 1, y, kFace}}},
        {2, kDown, true, {}, {{x + 2, y + 1, red}}},
        {5, kDown, false, {}, {{x + 1, y, dark}}},
        {5, kDown, true, {}, {{x + 1, y, red}}},
        {9, kDown, true, {}, {{x + 1, y, dark}}}, // style 9 never shows PictureOver
        // Disabled: the dark parts as an embossed silhouette, bright parts gone.
        {2,
         kDisabled,
         false,
         {},
         {{x + 1, y, kShadow},
          {x + 2, y, kFace},
          {x + 4, y + 1, kHighlight},
          {x + 1, y + 2, kHighlight},
          {x + 2, y + 1, kShadow}}},
        {9, kDisabled, false, {}, {{x + 1, y, sh(kShadow, 13)}, {x + 2, y, kFace}}},
        {6, kDisabled, false, {}, {{x + 1, y, kShadow}, {x + 2, y, kFace}}},
        {3, kDisabled, false, {}, {{x + 2, y + 1, rgb(56, 56, 56)}}},
        // The picture effect: a dark copy down right before the picture.
        {2,
         kUp,
         false,
         {{"SpecialEffect", "3"}},
         {{x + 4, y + 1, sh(kFace, -40)}, {x + 1, y, dark}}},
        {2, kUp, false, {{"SpecialEffect", "1"}}, {{x - 1, y, sh(kFace, 40)}}},
    };
    for (const Case& c : cases) {
        const QByteArray type = QByteArray::number(c.style);
        auto button = shownButton(W, H,
                                  {{"ButtonType", type.constData()},
                                   {"ColorScheme", "3"},
                                   {"Caption", ""},
                                   {"MaskColor", "16711935"},
                                   {"PictureNormal", normal.constData()}});
        if (c.withOver) {
            ASSERT_FALSE(button->writeProperty(u"PictureOver", QString::fromUtf8(over)));
        }
        for (const auto& [name, value] : c.extra) {
            ASSERT_FALSE(
                button->writeProperty(QString::fromLatin1(name), QString::fromLatin1(value)));
        }
        ASSERT_EQ(button->pictureOrigin(), QPoint(x, y));
        ASSERT_FALSE(button->applyLook(c.look));
        for (const Px& p : c.pixels) {
            EXPECT_EQ(button->surface().pixel(p.x, p.y), p.c)
                << "style " << c.style << " state " << int(c.look.state) << " at " << p.x << ","
                << p.y << ": " << std::hex << button->surface().pixel(p.x, p.y);
        }
    }
}

// Behind the caption the picture is drawn first and the caption again over
// it, in the last caption mode; a style that draws no caption draws none
// there either.
TEST(ButtonPicture, BehindTheCaption) {
    QTemporaryDir dir;
    const QByteArray picture = savedBlock(dir, 60, 16, qRgb(255, 0, 0));
    for (const char* style : {"11", "10", "0"}) {
        auto button = shownButton(101, 29,
                                  {{"ButtonType", style},
                                   {"ColorScheme", "2"},
                                   {"BackColor", "11842740"},
                                   {"ForeColor", "13107200"},
                                   {"Caption", "Encrypt"},
                                   {"PicturePosition", "4"},
                                   {"PictureNormal", picture.constData()}});
        const QRect under(button->pictureOrigin(), QSize(60, 16));
        EXPECT_EQ(showsNear(button->surface(), under, rgb(0, 0, 200)), std::string(style) == "11")
            << style;
        EXPECT_TRUE(showsNear(button->surface(), under, rgb(255, 0, 0))) << style;
    }
    // Style 5 draws its pressed caption directly, in no caption mode: over
    // the picture the caption comes again in the mode it was last drawn in
    // (hovered, with its raised effect), not in a plain one.
    auto button = shownButton(101, 29,
                              {{"ButtonType", "5"},
                               {"ColorScheme", "2"},
                               {"BackColor", "11842740"},
                               {"BackOver", "11842740"},
                               {"ForeOver", "13107200"},
                               {"SpecialEffect", "1"},
                               {"Caption", "Encrypt"},
                               {"PicturePosition", "4"},
                               {"PictureNormal", picture.constData()}});
    EXPECT_FALSE(button->applyLook(kHover));
    EXPECT_FALSE(button->applyLook(kDownHover));
    const QRect under(button->pictureOrigin(), QSize(60, 16));
    EXPECT_TRUE(showsNear(button->surface(), under, rgb(0, 0, 200)));
    EXPECT_TRUE(showsNear(button->surface(), under, rgb(140, 140, 140))) << "the raised effect";
}

} // namespace
