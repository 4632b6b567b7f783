// Every style's caption reads at 4.5:1 or more on what it is drawn on, in the
// up, hovered, pressed, focused and default looks, under a light and a dark
// desktop palette, measured from the pixels: the button drawn with its
// caption and bare, the caption's pixels being those that differ inside the
// caption rectangle (and its pressed place).
#include "ButtonTestSupport.h"

#include <QApplication>
#include <QImage>
#include <gtest/gtest.h>

namespace zephral::test {
namespace {

QPalette darkPalette() {
    // A dark desktop theme: light text on dark faces, a strong blue selection.
    QPalette p;
    const QColor face(53, 53, 53);
    p.setColor(QPalette::Window, face);
    p.setColor(QPalette::Button, face);
    p.setColor(QPalette::Base, QColor(35, 35, 35));
    p.setColor(QPalette::WindowText, QColor(238, 238, 236));
    p.setColor(QPalette::ButtonText, QColor(238, 238, 236));
    p.setColor(QPalette::Text, QColor(238, 238, 236));
    p.setColor(QPalette::Light, QColor(90, 90, 90));
    p.setColor(QPalette::Midlight, QColor(70, 70, 70));
    p.setColor(QPalette::Dark, QColor(30, 30, 30));
    p.setColor(QPalette::Mid, QColor(40, 40, 40));
    p.setColor(QPalette::Shadow, QColor(0, 0, 0));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    return p;
}

struct LookCase {
    const char* name;
    const char* state;
    bool hover;
    bool focus;
    bool isDefault;
};

constexpr LookCase kLooks[] = {
    {"up", "Up", false, false, false},        {"hovered", "Up", true, false, false},
    {"pressed", "Down", false, false, false}, {"pressed, hovered", "Down", true, false, false},
    {"focused", "Up", false, true, false},    {"default", "Up", false, false, true},
};

// picture: a picture to lay behind the caption, or empty; behind: where it lies.
QImage drawn(int style, const LookCase& look, const QString& caption, CaptionLayout* layout,
             const QByteArray& picture = {}, QRect* behind = nullptr) {
    const QByteArray type = QByteArray::number(style);
    auto button = picture.isEmpty()
                      ? shownButton(101, 29, {{"ButtonType", type.constData()}})
                      : shownButton(101, 29,
                                    {{"ButtonType", type.constData()},
                                     {"PicturePosition", "4"},
                                     {"PictureNormal", picture.constData()}});
    button->setPropertyValue(u"Caption", caption);
    Look l;
    l.state = QByteArray(look.state) == "Down" ? Look::State::Down : Look::State::Up;
    l.hover = look.hover;
    l.focus = look.focus;
    l.isDefault = look.isDefault;
    EXPECT_FALSE(button->applyLook(l));
    if (layout != nullptr) {
        *layout = button->captionLayout();
    }
    if (behind != nullptr) {
        // A pressed picture lies a pixel lower and to the right, a lifted
        // one a pixel higher and to the left.
        *behind = QRect(button->pictureOrigin(), QSize(12, 12)).adjusted(-1, -1, 1, 1);
    }
    return button->surface().image().copy();
}

// The caption's contrast: its ink is the caption pixel furthest from what
// lies under it, and the ink is judged on the worst of what lies under any
// caption pixel. Nothing drawn: 0.
double captionContrast(const QImage& with, const QImage& without, const CaptionLayout& layout,
                       bool pressed, const QRect& picture = {}) {
    // A pressed caption lies one pixel lower and to the right.
    const QRect caption = layout.caption.toQRect();
    const QRect area = (pressed ? caption.united(layout.pressedCaption.toQRect()) : caption) &
                       QRect(QPoint(0, 0), with.size());
    QList<QPoint> ink;
    Colour inkColour = 0;
    double strongest = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const Colour a = fromQRgb(with.pixel(x, y));
            const Colour b = fromQRgb(without.pixel(x, y));
            if (a == b || picture.contains(x, y)) {
                continue;
            }
            ink.append(QPoint(x, y));
            if (const double k = contrastRatio(a, b); k > strongest) {
                strongest = k;
                inkColour = a;
            }
        }
    }
    double worst = ink.isEmpty() ? 0 : 21;
    for (const QPoint& at : ink) {
        worst = std::min(worst, contrastRatio(inkColour, fromQRgb(without.pixel(at))));
    }
    return worst;
}

class ButtonContrast : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        saved = QApplication::palette();
        if (GetParam()) {
            QApplication::setPalette(darkPalette());
        }
    }
    void TearDown() override { QApplication::setPalette(saved); }
    QPalette saved;
};

TEST_P(ButtonContrast, EveryCaptionReads) {
    for (int style = 1; style <= 14; ++style) {
        if (style == 10) {
            continue; // face and picture only: no caption
        }
        for (const LookCase& look : kLooks) {
            CaptionLayout layout;
            const QImage with = drawn(style, look, QStringLiteral("Caption"), &layout);
            // Bare, the caption's focus and default marks go too (style 5
            // frames the caption rectangle, which has none without a caption).
            const LookCase bare{look.name, look.state, look.hover, false, false};
            const QImage without = drawn(style, bare, QString(), nullptr);
            const double k =
                captionContrast(with, without, layout, QByteArray(look.state) == "Down");
            EXPECT_GE(k, kReadableContrast) << "style " << style << ", " << look.name;
        }
    }
}

// A caption over a picture (drawn on the face, then again over the
// picture) reads on the face as a caption without one does.
TEST_P(ButtonContrast, ACaptionOverThePictureReadsOnTheFace) {
    QTemporaryDir dir;
    const QByteArray picture = savedBlock(dir, 12, 12, qRgb(40, 40, 40));
    for (int style = 1; style <= 14; ++style) {
        if (style == 10) {
            continue;
        }
        for (const LookCase& look : kLooks) {
            CaptionLayout layout;
            QRect behind;
            const QImage with =
                drawn(style, look, QStringLiteral("Caption"), &layout, picture, &behind);
            const LookCase bare{look.name, look.state, look.hover, false, false};
            const QImage without = drawn(style, bare, QString(), nullptr, picture);
            const double k = captionContrast(with, without, layout,
                                             QByteArray(look.state) == "Down", behind);
            EXPECT_GE(k, kReadableContrast) << "style " << style << ", " << look.name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Palettes, ButtonContrast, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Dark" : "Light"; });

// The helper the painter and the wait window choose by.
TEST(ReadableTextColour, KeepsInkThatReadsAndOtherwiseTakesTheBest) {
    const Colour white = rgb(255, 255, 255);
    const Colour black = rgb(0, 0, 0);
    const Colour paleBlue = rgb(200, 220, 245);
    const Colour grey = rgb(128, 128, 128);
    EXPECT_DOUBLE_EQ(contrastRatio(black, white), 21.0);
    EXPECT_DOUBLE_EQ(contrastRatio(grey, grey), 1.0);
    EXPECT_EQ(readableTextColour(black, {white}, {white}), black);           // reads: kept
    EXPECT_EQ(readableTextColour(white, {paleBlue}, {grey, black}), black);  // the best one
    EXPECT_EQ(readableTextColour(white, {paleBlue}, {white}), black);        // none: black
    EXPECT_EQ(readableTextColour(black, {rgb(20, 20, 20)}, {black}), white); // none: white
    // Judged on the worst colour behind it: a gradient's darker end.
    EXPECT_EQ(readableTextColour(white, {white, rgb(60, 60, 60)}, {black}), black);
}

} // namespace
} // namespace zephral::test
