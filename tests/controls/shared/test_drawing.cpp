// The drawing surface's pixel rules, read back pixel by pixel: lines without
// their end point, fills and frames, ellipses and rounded rectangles that
// cover exactly their outline region, arcs, the focus mark, pixel blocks,
// and the caption's wrap, centring, access key and fit in the buttons.
#include "shared/Raster.h"
#include "shared/Surface.h"
#include "shared/TextLayout.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <numbers>
#include <set>

using namespace zephral;

namespace {

constexpr Colour kWhite = rgb(255, 255, 255);
constexpr Colour kInk = rgb(0, 0, 0);
constexpr Colour kPen = rgb(200, 0, 0);
constexpr Colour kBrush = rgb(0, 0, 200);

Surface blank(int w, int h) {
    Surface s(QSize(w, h));
    s.setBackColour(kWhite);
    s.clear();
    return s;
}

std::set<std::pair<int, int>> pixelsOf(const Surface& s, Colour c) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if (s.pixel(x, y) == c) {
                out.insert({x, y});
            }
        }
    }
    return out;
}

QRect inkBox(const Surface& s) {
    QRect box;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if (s.pixel(x, y) != kWhite) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

struct LineCase {
    int x1, y1, x2, y2;
    std::set<std::pair<int, int>> pixels;
};

TEST(SurfaceLine, LeavesOutItsEndPoint) {
    const LineCase cases[] = {
        {1, 2, 5, 2, {{1, 2}, {2, 2}, {3, 2}, {4, 2}}},
        {5, 2, 1, 2, {{5, 2}, {4, 2}, {3, 2}, {2, 2}}},
        {3, 6, 3, 3, {{3, 6}, {3, 5}, {3, 4}}},
        {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
        {6, 1, 4, 3, {{6, 1}, {5, 2}}},
        {4, 4, 4, 4, {}},
        // Clipped at the surface's edge, never wrapping.
        {-2, 7, 2, 7, {{0, 7}, {1, 7}}},
    };
    for (const LineCase& c : cases) {
        Surface s = blank(8, 8);
        s.line(c.x1, c.y1, c.x2, c.y2, kInk);
        EXPECT_EQ(pixelsOf(s, kInk), c.pixels)
            << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
    }
}

TEST(SurfaceRect, FillAndFrameCoverTheHalfOpenRectangle) {
    Surface s = blank(10, 10);
    s.fillRect(2, 3, 4, 2, kInk);
    std::set<std::pair<int, int>> filled;
    for (int x = 2; x < 6; ++x) {
        filled.insert({x, 3});
        filled.insert({x, 4});
    }
    EXPECT_EQ(pixelsOf(s, kInk), filled);

    Surface f = blank(10, 10);
    f.frameRect(1, 1, 5, 4, kInk);
    const auto framed = pixelsOf(f, kInk);
    EXPECT_EQ(framed.size(), 14u); // 5 + 5 + 2 + 2
    for (auto p : {std::pair{1, 1}, {5, 1}, {1, 4}, {5, 4}, {3, 1}, {1, 2}, {5, 3}}) {
        EXPECT_TRUE(framed.count(p)) << p.first << "," << p.second;
    }
    EXPECT_FALSE(framed.count({6, 1}) || framed.count({1, 5}) || framed.count({3, 2}));

    // Empty and negative sizes draw nothing; a one-pixel-wide frame is a column.
    Surface e = blank(10, 10);
    e.fillRect(3, 3, 0, 4, kInk);
    e.fillRect(3, 3, -2, 4, kInk);
    e.frameRect(3, 3, 4, 0, kInk);
    EXPECT_TRUE(pixelsOf(e, kInk).empty());
    e.frameRect(7, 2, 1, 3, kInk);
    EXPECT_EQ(pixelsOf(e, kInk), (std::set<std::pair<int, int>>{{7, 2}, {7, 3}, {7, 4}}));
}

bool onBorder(const QRegion& region, int x, int y) {
    return region.contains(QPoint(x, y)) &&
           (!region.contains(QPoint(x - 1, y)) || !region.contains(QPoint(x + 1, y)) ||
            !region.contains(QPoint(x, y - 1)) || !region.contains(QPoint(x, y + 1)));
}

// The drawn shape fills exactly its region, symmetric, with the whole border
// in the pen colour (no gap in the outline) and the inside in the brush.
void expectShapeMatchesRegion(const Surface& s, const QRegion& region, Colour inside) {
    const int w = s.width();
    const int h = s.height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Colour c = s.pixel(x, y);
            SCOPED_TRACE(testing::Message() << w << "x" << h << " at " << x << "," << y);
            ASSERT_EQ(c == kWhite, !region.contains(QPoint(x, y)));
            ASSERT_EQ(c, s.pixel(w - 1 - x, y));
            ASSERT_EQ(c, s.pixel(x, h - 1 - y));
            if (onBorder(region, x, y)) {
                ASSERT_EQ(c, kPen);
            }
        }
    }
    EXPECT_EQ(s.pixel(w / 2, h / 2), inside);
}

TEST(SurfaceEllipse, FillsItsRegionWithATwoPixelOutline) {
    for (QSize size : {QSize(101, 21), QSize(30, 30), QSize(53, 27), QSize(7, 5)}) {
        Surface s = blank(size.width(), size.height());
        s.ellipse(0, 0, size.width(), size.height(), kPen, kBrush);
        expectShapeMatchesRegion(s, ellipseRegion(QRect(QPoint(), size)),
                                 size.height() > 4 ? kBrush : kPen);
        // The box's corners are outside; the middle of each side is on the edge.
        const int w = size.width();
        const int h = size.height();
        EXPECT_EQ(s.pixel(0, 0), kWhite);
        EXPECT_EQ(s.pixel(w / 2, 0), kPen);
        EXPECT_EQ(s.pixel(0, h / 2), kPen);
        if (h >= 8) {
            EXPECT_EQ(s.pixel(w / 2, 1), kPen);
            EXPECT_EQ(s.pixel(w / 2, 2), kBrush);
        }
    }
}

TEST(SurfaceRoundRect, FillsItsRegionInsideAOnePixelOutline) {
    Surface s = blank(40, 24);
    s.setFillStyle(FillStyle::Solid);
    s.setFillColour(kBrush);
    s.roundRect(0, 0, 40, 24, 14, 14, kPen);
    expectShapeMatchesRegion(s, roundRectRegion(QRect(0, 0, 40, 24), 14, 14), kBrush);
    EXPECT_EQ(s.pixel(1, 1), kWhite);
    EXPECT_EQ(s.pixel(20, 1), kBrush); // one-pixel outline on straight edges

    // A transparent inside leaves what was there; no corners is the plain rectangle.
    Surface t = blank(12, 8);
    t.rectangle(0, 0, 12, 8, kPen);
    EXPECT_EQ(pixelsOf(t, kPen).size(), size_t(2 * 12 + 2 * 6));
    EXPECT_EQ(t.pixel(5, 4), kWhite);
    EXPECT_EQ(roundRectRegion(QRect(2, 3, 12, 8), 0, 0), QRegion(2, 3, 12, 8));
}

TEST(SurfaceArc, QuadrantsMeetAtTheAxesOnce) {
    // Counter-clockwise quadrants from the right, as the frame's corners use them.
    constexpr double q = std::numbers::pi / 2;
    const QPoint c(7, 7);
    const int r = 7;
    const std::vector<QPoint> topLeft = ellipseArcPixels(c, r, r, 1.57, 3.14);
    const std::vector<QPoint> bottomLeft = ellipseArcPixels(c, r, r, 3.14, 4.71);
    auto has = [](const std::vector<QPoint>& v, QPoint p) {
        return std::find(v.begin(), v.end(), p) != v.end();
    };
    EXPECT_TRUE(has(topLeft, QPoint(7, 0)));
    EXPECT_FALSE(has(topLeft, QPoint(0, 7)));
    EXPECT_TRUE(has(bottomLeft, QPoint(0, 7)));
    EXPECT_FALSE(has(bottomLeft, QPoint(7, 14)));
    for (const QPoint& p : ellipseArcPixels(c, r, r, 0, 4 * q)) {
        const double d = std::hypot(p.x() - c.x(), p.y() - c.y());
        EXPECT_NEAR(d, r, 0.75) << p.x() << "," << p.y();
    }
    for (const QPoint& p : topLeft) {
        EXPECT_TRUE(p.x() <= c.x() && p.y() <= c.y());
    }
}

TEST(SurfacePen, StylesOnLines) {
    Surface s = blank(60, 3);
    s.line(0, 0, 60, 0, kInk);
    s.setPenStyle(PenStyle::Dash);
    s.line(0, 1, 60, 1, kInk);
    s.setPenStyle(PenStyle::Invisible);
    s.line(0, 2, 60, 2, kInk);
    int solid = 0;
    int dashed = 0;
    int invisible = 0;
    for (int x = 0; x < 60; ++x) {
        solid += s.pixel(x, 0) == kInk;
        dashed += s.pixel(x, 1) == kInk;
        invisible += s.pixel(x, 2) == kInk;
    }
    EXPECT_EQ(solid, 60);
    EXPECT_GT(dashed, 30);
    EXPECT_LT(dashed, 60);
    EXPECT_EQ(invisible, 0);
}

TEST(SurfaceFocus, DottedByInversionAndUndoneByASecondDraw) {
    Surface s(QSize(10, 8));
    s.setBackColour(rgb(212, 208, 200));
    s.clear();
    const QImage before = s.image();
    const Rect r{1, 1, 9, 7};
    s.focusRect(r);
    EXPECT_EQ(s.pixel(1, 1), rgb(255 - 212, 255 - 208, 255 - 200));
    EXPECT_EQ(s.pixel(2, 1), rgb(212, 208, 200));
    EXPECT_EQ(s.pixel(8, 6), rgb(255 - 212, 255 - 208, 255 - 200)); // 8 + 6 even
    EXPECT_EQ(s.pixel(4, 3), rgb(212, 208, 200));                   // inside untouched
    s.focusRect(r);
    EXPECT_EQ(s.image(), before);
}

TEST(SurfaceBlock, RoundTripsAndClipsAtTheEdges) {
    Surface s = blank(4, 4);
    s.setPixel(0, 0, rgb(1, 2, 3));
    std::vector<Rgb> block = s.readBlock(-1, -1, 3, 3);
    ASSERT_EQ(block.size(), 9u);
    EXPECT_EQ(block[0], (Rgb{0, 0, 0}));  // outside reads black
    EXPECT_EQ(block[4], (Rgb{1, 2, 3}));  // (0, 0)
    EXPECT_EQ(block[8].colour(), kWhite); // (1, 1)
    for (Rgb& p : block) {
        p = Rgb::of(rgb(9, 8, 7));
    }
    s.writeBlock(-1, -1, 3, 3, block);
    EXPECT_EQ(pixelsOf(s, rgb(9, 8, 7)).size(), 4u);
    EXPECT_EQ(s.pixel(2, 2), kWhite);
    EXPECT_EQ(s.nearestColour(rgb(255, 0, 255)), rgb(255, 0, 255));
}

TEST(SurfaceResize, KeepsTheDrawingAndFillsNewPixelsWithTheBackColour) {
    Surface s = blank(3, 3);
    s.setPixel(1, 1, kInk);
    s.setBackColour(kBrush);
    s.resize(QSize(5, 4));
    EXPECT_EQ(s.pixel(1, 1), kInk);
    EXPECT_EQ(s.pixel(2, 2), kWhite);
    EXPECT_EQ(s.pixel(4, 3), kBrush);
}

// On a denser screen a one-pixel line is whole device pixels: every device
// pixel is a line's colour or the background's, each line is one band as
// thick as a logical pixel (one or two device pixels at 1.5), and two
// neighbouring lines meet without a gap or an overlap.
class SurfaceAtRatio : public ::testing::TestWithParam<double> {};

TEST_P(SurfaceAtRatio, OnePixelLinesCoverWholeDevicePixels) {
    const double ratio = GetParam();
    Surface s(QSize(20, 20));
    s.setDevicePixelRatio(ratio);
    s.setBackColour(kWhite);
    s.clear();
    s.line(2, 5, 15, 5, kInk);
    s.line(2, 6, 15, 6, kPen);
    s.line(9, 9, 9, 18, kBrush);
    const QImage& image = s.image();
    ASSERT_EQ(image.size(), QSize(qRound(20 * ratio), qRound(20 * ratio)));
    std::map<Colour, std::set<int>> rows;
    std::map<Colour, std::set<int>> columns;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const Colour c = fromQRgb(image.pixel(x, y));
            ASSERT_TRUE(c == kWhite || c == kInk || c == kPen || c == kBrush)
                << "a blended device pixel at " << x << "," << y;
            rows[c].insert(y);
            columns[c].insert(x);
        }
    }
    const auto band = [&](const std::set<int>& v) {
        ASSERT_FALSE(v.empty());
        EXPECT_EQ(*v.rbegin() - *v.begin() + 1, int(v.size())) << "not one band";
        EXPECT_GE(int(v.size()), int(std::floor(ratio)));
        EXPECT_LE(int(v.size()), int(std::ceil(ratio)));
    };
    band(rows[kInk]);
    band(rows[kPen]);
    band(columns[kBrush]);
    EXPECT_EQ(*rows[kPen].begin(), *rows[kInk].rbegin() + 1);
    // Both horizontal lines cover the same whole columns in every row.
    for (const Colour c : {kInk, kPen}) {
        for (int y : rows[c]) {
            for (int x = 0; x < image.width(); ++x) {
                EXPECT_EQ(fromQRgb(image.pixel(x, y)) == c,
                          x >= *columns[kInk].begin() && x <= *columns[kInk].rbegin());
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Densities, SurfaceAtRatio, ::testing::Values(1.25, 1.5, 1.75, 2.0));

TEST(PicturePixels, IconsOntoTheKeyBitmapsAsTheyAre) {
    QImage icon(2, 1, QImage::Format_ARGB32);
    icon.setPixel(0, 0, qRgba(10, 20, 30, 255));
    icon.setPixel(1, 0, qRgba(0, 0, 0, 0));
    const QImage onKey = picturePixels(Picture::fromImage(icon), QSize(4, 2), rgb(255, 0, 255));
    EXPECT_EQ(onKey.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(onKey.pixel(1, 1), qRgb(10, 20, 30)); // scaled to the size asked
    EXPECT_EQ(onKey.pixel(3, 0), qRgb(255, 0, 255));

    QImage bitmap(2, 1, QImage::Format_RGB32);
    bitmap.fill(qRgb(1, 2, 3));
    const QImage cut = picturePixels(Picture::fromImage(bitmap), QSize(3, 2), rgb(255, 0, 255));
    EXPECT_EQ(cut.pixel(1, 0), qRgb(1, 2, 3));
    EXPECT_EQ(cut.pixel(2, 0), qRgb(0, 0, 0)); // padded, not scaled
    EXPECT_EQ(cut.pixel(0, 1), qRgb(0, 0, 0));
}

TEST(TextLayout, MnemonicsResolve) {
    struct Case {
        const char* caption;
        const char* text;
        QList<int> underlined;
    };
    const Case cases[] = {
        {"E&xit", "Exit", {1}}, {"Encrypt && Encode Text", "Encrypt & Encode Text", {}},
        {"&&&a", "&a", {1}},    {"&a&b", "ab", {0, 1}},
        {"end&", "end", {}},    {"", "", {}},
    };
    for (const Case& c : cases) {
        const MnemonicText m = resolveMnemonics(QString::fromUtf8(c.caption));
        EXPECT_EQ(m.text, QString::fromUtf8(c.text)) << c.caption;
        EXPECT_EQ(m.underlined, c.underlined) << c.caption;
    }
}

TEST(TextLayout, WrapsBetweenWords) {
    // Five pixels a character, blanks included.
    const TextAdvance advance = [](QStringView s) { return int(s.size()) * 5; };
    struct Case {
        const char* text;
        int maxWidth;
        QStringList lines;
    };
    const Case cases[] = {
        {"Decrypt File  ", 200, {"Decrypt File  "}},
        {"Encrypt & Encode Text", 60, {"Encrypt &", "Encode Text"}},
        {"Abcdefghijklmnop", 20, {"Abcdefghijklmnop"}},
        {"a  b", 5, {"a", "b"}},
        {"  lead in", 100, {"  lead in"}},
        {"abc   ", 20, {"abc"}},
        {"one\r\ntwo\n", 100, {"one", "two", ""}},
        {"x\n\ny", 100, {"x", "", "y"}},
        {"", 100, {}},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        QStringList got;
        for (const TextLine& line : wrapText(text, c.maxWidth, advance)) {
            got.append(text.mid(line.start, line.length));
            EXPECT_EQ(line.width, line.length * 5);
        }
        EXPECT_EQ(got, c.lines) << c.text;
    }
}

TEST(SurfaceText, CentredWithTheAccessKeyUnderlined) {
    Surface s = blank(200, 20);
    const Rect r{0, 2, 200, 20};
    s.drawText(r, u"&Encode", kInk);
    const QRect ink = inkBox(s);
    const Rect measured = s.measureText(r, u"&Encode");
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.center().x(), 100, 2);
    // The underline is the lowest ink, below the baseline, under the E only.
    const QFontMetrics fm(s.qfont());
    const int underlineRow = ink.bottom();
    EXPECT_GT(underlineRow, r.top + fm.ascent() - 1);
    EXPECT_LE(underlineRow, measured.bottom);
    int run = 0;
    for (int x = 0; x < 200; ++x) {
        run += s.pixel(x, underlineRow) == kInk;
    }
    const int e = fm.horizontalAdvance(QStringLiteral("E"));
    EXPECT_GE(run, e - 1);
    EXPECT_LE(run, e);

    // A doubled ampersand is a literal one and underlines nothing.
    Surface t = blank(200, 20);
    t.drawText(r, u"Encode && Go", kInk);
    EXPECT_LT(inkBox(t).bottom(), r.top + fm.ascent() + 1);
}

TEST(SurfaceText, MeasureBoundsWhatIsDrawn) {
    Surface s = blank(120, 40);
    const Rect r{17, 1, 99, 38};
    const QString caption = QStringLiteral("Encrypt && Encode Text");
    const Rect m = s.measureText(r, caption);
    EXPECT_EQ(m.left, r.left);
    EXPECT_EQ(m.top, r.top);
    EXPECT_EQ(m.height(), 2 * QFontMetrics(s.qfont()).height());
    s.drawText(m, caption, kInk);
    const QRect ink = inkBox(s);
    EXPECT_TRUE(m.toQRect().adjusted(-1, 0, 1, 0).contains(ink))
        << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
}

// "MS Sans Serif" 8.25 pt is drawn with an installed family at 11 pixels,
// whatever the screen's DPI, and the longest captions of the program's
// buttons fit them beside their 16 x 16 pictures.
TEST(Fonts, CaptionsFitTheirButtons) {
    const QFont font = drawingFont(FontDesc());
    EXPECT_EQ(font.pixelSize(), 11);
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Liberation Sans"))
        << "install the font package of scripts/install-deps.sh";

    struct Button {
        const char* caption;
        int w, h, pictureWidth;
    };
    const Button buttons[] = {
        {"Encrypt File  ", 101, 21, 16},
        {"Decrypt File  ", 101, 21, 16},
        {"Encode Text", 101, 21, 16},
        {"Decode Text", 101, 21, 16},
        {"Encrypt && Encode Text", 101, 29, 16},
        {"Decrypt && Decode Text", 101, 29, 16},
        {"Readme.txt", 101, 21, 16},
        {"Visit Website", 101, 21, 16},
        {"OK", 53, 27, 0},
        {"Cancel", 53, 27, 0},
    };
    Surface s(QSize(101, 29));
    for (const Button& b : buttons) {
        // The caption's room with the picture on its left.
        const Rect room{b.pictureWidth + 1, 1, b.w - 2, b.h - 2};
        const Rect need = s.measureText(room, QString::fromUtf8(b.caption));
        EXPECT_LE(need.width(), room.width()) << b.caption;
        EXPECT_LE(need.height(), room.height()) << b.caption;
    }
}

} // namespace
