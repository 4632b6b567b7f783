// The 3D frame read back pixel by pixel: each border type and inner bevel at
// the coordinates its recipe names, the window outline, the inside area, the
// flood, the caption's place, load and save, and the failure reports.
#include "frame3d/sknFrame3D.h"
#include "shared/ControlFailures.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace zephral;

namespace {

constexpr Colour kBack = rgb(10, 20, 30);
constexpr Colour kHigh = rgb(250, 240, 230);
constexpr Colour kShadow = rgb(90, 80, 70);
constexpr Colour kFlood = rgb(0, 0, 200);
constexpr Colour kMarker = rgb(1, 2, 3);

// A frame in a shown window, with fixed colours and any further values.
struct Framed {
    QWidget host;
    sknFrame3D* frame = nullptr;

    Framed(int w, int h, const QList<std::pair<QString, QString>>& values = {}) {
        frame = new sknFrame3D(&host);
        frame->initProperties();
        frame->setPropertyValue(u"BackColor", qint32(kBack));
        frame->setPropertyValue(u"Border3DHighlight", qint32(kHigh));
        frame->setPropertyValue(u"Border3DShadow", qint32(kShadow));
        frame->setPropertyValue(u"FloodColor", qint32(kFlood));
        for (const auto& [name, value] : values) {
            EXPECT_FALSE(frame->writeProperty(name, value)) << name.toStdString();
        }
        frame->resize(w, h);
        host.resize(w + 10, h + 10);
        host.show();
        QApplication::processEvents();
    }
    Colour at(int x, int y) const { return frame->surface().pixel(x, y); }
    QWidget* label(const char* name) const { return frame->findChild<QWidget*>(name); }
};

// Collects every failure report while it exists.
struct Recorder {
    std::vector<ControlFailure> records;
    ControlFailureHandler previous;
    Recorder() {
        previous =
            setControlFailureHandler([this](const ControlFailure& f) { records.push_back(f); });
    }
    ~Recorder() { setControlFailureHandler(previous); }
};

struct PixelCase {
    int x, y; // negative counts from the right or bottom edge: -1 is the last
    Colour colour;
};

struct BorderCase {
    int type;
    std::vector<PixelCase> pixels;
};

constexpr int W = 40;
constexpr int H = 30;

TEST(Frame3DBorder, DrawsEachTypeAtItsCoordinates) {
    const BorderCase cases[] = {
        {0, {{0, 0, kBack}, {-1, -1, kBack}, {20, 0, kBack}}},
        {1,
         {{0, 0, kShadow},
          {-2, 0, kShadow},
          {-1, 0, kBack},
          {1, 1, kHigh},
          {-1, 1, kHigh},
          {-2, -2, kShadow},
          {1, -1, kHigh},
          {0, -1, kBack},
          {2, 2, kBack}}},
        {2,
         {{0, 0, kHigh},
          {-2, 0, kHigh},
          {-1, 0, kBack},
          {1, 1, kShadow},
          {-1, 1, kShadow},
          {-2, -2, kHigh},
          {1, -1, kShadow},
          {2, 2, kBack}}},
        {3, {{0, 0, kShadow}, {-2, -2, kShadow}, {-1, -1, kBack}, {1, 1, kBack}}},
        {4, {{0, 0, kHigh}, {-1, -1, kHigh}, {1, 1, kBack}}},
        // Raised box: highlight top and left, shadow right and bottom, the
        // top-left pixel left in the back colour.
        {5,
         {{0, 0, kBack},
          {5, 0, kHigh},
          {-1, 0, kHigh},
          {0, 5, kHigh},
          {0, -1, kHigh},
          {-1, 5, kShadow},
          {5, -1, kShadow},
          {-1, -1, kShadow},
          {1, 1, kBack}}},
        // Sunken box: three corners keep the back colour.
        {6,
         {{0, 0, kBack},
          {-1, 0, kBack},
          {0, -1, kBack},
          {-2, 0, kShadow},
          {0, -2, kShadow},
          {-1, 1, kHigh},
          {1, -1, kHigh},
          {-1, -1, kHigh}}},
        {7,
         {{20, 0, kShadow},
          {0, 15, kShadow},
          {20, 1, kHigh},
          {1, 15, kHigh},
          {-1, 15, kHigh},
          {20, -1, kHigh},
          {-2, 15, kShadow},
          {20, -2, kShadow},
          {0, 0, kBack}}},
        {8, {{20, 0, kHigh}, {0, 15, kHigh}, {20, 1, kShadow}, {-1, 15, kShadow}, {-2, 15, kHigh}}},
        {9,
         {{20, 0, kShadow},
          {0, 15, kShadow},
          {-1, 15, kShadow},
          {20, -1, kShadow},
          {0, 0, kBack},
          {20, 1, kBack}}},
        {10, {{20, 0, kHigh}, {0, 15, kHigh}, {-1, 15, kHigh}, {20, -1, kHigh}, {0, 0, kBack}}},
        // Raised rounded box: straight edges from the corner radius (7) on,
        // arcs through the corners.
        {11,
         {{7, 0, kHigh},
          {20, 0, kHigh},
          {0, 7, kHigh},
          {0, 15, kHigh},
          {-1, 7, kShadow},
          {-1, 15, kShadow},
          {7, -1, kShadow},
          {20, -1, kShadow},
          {2, 2, kHigh},
          {2, -3, kHigh},
          {-3, 2, kShadow},
          {-3, -3, kShadow},
          {0, 0, kBack}}},
        {12,
         {{20, 0, kShadow},
          {0, 15, kShadow},
          {-1, 15, kHigh},
          {20, -1, kHigh},
          {2, 2, kShadow},
          {-3, -3, kHigh}}},
        {13, {{0, 0, kBack}, {20, 0, kBack}, {-1, -1, kBack}}},
        {14, {{0, 0, kBack}, {20, 0, kBack}}},
    };
    for (const BorderCase& c : cases) {
        Framed f(W, H, {{"BorderType", QString::number(c.type)}});
        for (const PixelCase& p : c.pixels) {
            const int x = p.x < 0 ? W + p.x : p.x;
            const int y = p.y < 0 ? H + p.y : p.y;
            EXPECT_EQ(f.at(x, y), p.colour) << "type " << c.type << " at " << x << "," << y;
        }
    }
}

TEST(Frame3DBorder, RoundedTypesClipTheWindowToTheirOutline) {
    const QPoint corners[] = {{0, 0}, {W - 1, 0}, {0, H - 1}, {W - 1, H - 1}};
    const QPoint edges[] = {{W / 2, 0}, {0, H / 2}, {W - 1, H / 2}, {W / 2, H - 1}};
    for (int type = 0; type <= 13; ++type) {
        Framed f(W, H, {{"BorderType", QString::number(type)}});
        const QRegion outline = f.frame->windowOutline();
        const bool rounded = type >= 7;
        EXPECT_EQ(f.frame->mask().isEmpty(), !rounded) << type;
        for (const QPoint& p : corners) {
            EXPECT_EQ(outline.contains(p), !rounded) << type;
        }
        for (const QPoint& p : edges) {
            // Type 13 gives up the outermost ring of pixels as well.
            EXPECT_EQ(outline.contains(p), type != 13) << type;
        }
        if (type == 13) {
            EXPECT_TRUE(outline.contains(QPoint(W / 2, 1)));
            EXPECT_TRUE(outline.contains(QPoint(1, H / 2)));
        }
        if (type >= 7 && type <= 12) {
            // Everything the border draws lies inside the outline.
            for (int y = 0; y < H; ++y) {
                for (int x = 0; x < W; ++x) {
                    if (f.at(x, y) != kBack) {
                        EXPECT_TRUE(outline.contains(QPoint(x, y))) << type << " " << x << "," << y;
                    }
                }
            }
        }
    }
}

// A rounded outline is closed: each straight edge meets the arc after it,
// for the raised and sunken round boxes and for a rounded inner bevel.
TEST(Frame3DBorder, RoundedOutlinesAreClosed) {
    struct Case {
        int type;
        int bevelInner;
        int w, h;
        std::vector<QPoint> meets; // where an edge meets its arc
    };
    const Case cases[] = {
        {11, 0, 40, 30, {{32, 0}, {39, 22}}}, {12, 0, 40, 30, {{32, 0}, {39, 22}}},
        {11, 0, 61, 37, {{53, 0}, {60, 29}}}, {7, 1, 60, 40, {{49, 3}, {56, 29}}},
        {8, 2, 60, 40, {{49, 3}, {56, 29}}},
    };
    for (const Case& c : cases) {
        Framed f(c.w, c.h,
                 {{"BorderType", QString::number(c.type)},
                  {"BevelInner", QString::number(c.bevelInner)}});
        for (const QPoint& p : c.meets) {
            EXPECT_NE(f.at(p.x(), p.y()), kBack) << c.type << " at " << p.x() << "," << p.y();
        }
    }
}

TEST(Frame3DBevel, DrawsEachInnerBevelAtItsInset) {
    struct Case {
        int type, bevel;
        std::vector<PixelCase> pixels;
    };
    // BevelWidth 4: the bevel runs 4 pixels in; on rounded types its edges
    // start the corner radius (7) further along and arcs join them.
    const Case cases[] = {
        {1,
         1,
         {{20, 4, kShadow}, {4, 15, kShadow}, {-5, 15, kHigh}, {20, -5, kHigh}, {4, 4, kShadow}}},
        {1, 2, {{20, 4, kHigh}, {4, 15, kHigh}, {-5, 15, kShadow}, {20, -5, kShadow}}},
        {1,
         3,
         {{20, 4, kShadow}, {4, 15, kShadow}, {-5, 15, kShadow}, {20, -5, kShadow}, {5, 5, kBack}}},
        {1, 4, {{20, 4, kHigh}, {4, 15, kHigh}, {-5, 15, kHigh}, {20, -5, kHigh}}},
        {7,
         1,
         {{11, 4, kShadow}, {20, 4, kShadow}, {4, 11, kShadow}, {4, 4, kBack}, {-5, 15, kHigh}}},
        {7, 2, {{11, 4, kHigh}, {4, 11, kHigh}, {-5, 15, kShadow}, {20, -5, kShadow}}},
    };
    for (const Case& c : cases) {
        Framed f(W, H,
                 {{"BorderType", QString::number(c.type)},
                  {"BevelWidth", "4"},
                  {"BevelInner", QString::number(c.bevel)}});
        for (const PixelCase& p : c.pixels) {
            const int x = p.x < 0 ? W + p.x : p.x;
            const int y = p.y < 0 ? H + p.y : p.y;
            EXPECT_EQ(f.at(x, y), p.colour)
                << "type " << c.type << " bevel " << c.bevel << " at " << x << "," << y;
        }
    }
}

TEST(Frame3DInside, ReportsTheInnerAreaInTwips) {
    struct Case {
        int type, bevel, bevelWidth;
        InsideArea inside;
    };
    const Case cases[] = {
        {1, 0, 3, {30, 30, 96 * 15, 46 * 15}}, {8, 0, 3, {30, 30, 96 * 15, 46 * 15}},
        {3, 0, 3, {15, 15, 98 * 15, 48 * 15}}, {11, 0, 3, {15, 15, 98 * 15, 48 * 15}},
        {0, 0, 3, {15, 15, 98 * 15, 48 * 15}}, {1, 1, 5, {90, 90, 88 * 15, 38 * 15}},
        {3, 4, 3, {60, 60, 92 * 15, 42 * 15}},
    };
    for (const Case& c : cases) {
        Framed f(100, 50,
                 {{"BorderType", QString::number(c.type)},
                  {"BevelInner", QString::number(c.bevel)},
                  {"BevelWidth", QString::number(c.bevelWidth)}});
        const InsideArea got{f.frame->InsideLeft(), f.frame->InsideTop(), f.frame->InsideWidth(),
                             f.frame->InsideHeight()};
        EXPECT_EQ(got, c.inside) << c.type << "/" << c.bevel;
    }
    // Fractions of a twip round to the nearest, halves to even.
    EXPECT_EQ(bevelInsideArea(0.5f, 10, 10).left, 22); // 22.5
    EXPECT_EQ(bevelInsideArea(1.5f, 10, 10).left, 38); // 37.5
    EXPECT_EQ(bevelInsideArea(0.5f, 10, 10).width, 105);
}

TEST(Frame3DProperties, ClampsBevelWidthAndFloodPercent) {
    Framed f(60, 30);
    const std::pair<const char*, qint32> bevel[] = {
        {"1", 3}, {"2", 3}, {"3", 3}, {"9", 9}, {"-4", 3}};
    for (const auto& [value, stored] : bevel) {
        ASSERT_FALSE(f.frame->writeProperty(u"BevelWidth", QString::fromLatin1(value)));
        EXPECT_EQ(f.frame->BevelWidth(), stored) << value;
    }
    const std::pair<const char*, qint32> flood[] = {
        {"150", 100}, {"-5", 0}, {"40", 40}, {"100", 100}};
    for (const auto& [value, stored] : flood) {
        ASSERT_FALSE(f.frame->writeProperty(u"FloodPercent", QString::fromLatin1(value)));
        EXPECT_EQ(f.frame->FloodPercent(), stored) << value;
    }
}

TEST(Frame3DFlood, RaisingPaintsOnlyTheBarLoweringRedrawsEverything) {
    Framed f(100, 50, {{"BorderType", "0"}, {"FloodPercent", "20"}});
    // A horizontal bar from (1, 1): (100 - 2) * 20% = 19.6 pixels wide.
    EXPECT_EQ(f.at(1, 1), kFlood);
    EXPECT_EQ(f.at(19, 48), kFlood);
    EXPECT_EQ(f.at(21, 25), kBack);
    EXPECT_EQ(f.at(0, 25), kBack);
    EXPECT_EQ(f.at(1, 49), kBack);

    f.frame->surface().setPixel(90, 25, kMarker);
    f.frame->setPropertyValue(u"FloodPercent", qint32(40));
    EXPECT_EQ(f.at(38, 25), kFlood);
    EXPECT_EQ(f.at(41, 25), kBack);
    EXPECT_EQ(f.at(90, 25), kMarker) << "raising redrew the frame";

    f.frame->setPropertyValue(u"FloodPercent", qint32(40));
    EXPECT_EQ(f.at(90, 25), kBack) << "an equal value redraws";
    f.frame->surface().setPixel(90, 25, kMarker);
    f.frame->setPropertyValue(u"FloodPercent", qint32(10));
    EXPECT_EQ(f.at(90, 25), kBack) << "lowering did not redraw";
    EXPECT_EQ(f.at(30, 25), kBack);
    EXPECT_EQ(f.at(9, 25), kFlood);

    // Showing the percentage changes only the labels, until the next draw.
    f.frame->surface().setPixel(90, 25, kMarker);
    f.frame->setPropertyValue(u"FloodShowPct", true);
    EXPECT_EQ(f.frame->Caption(), QStringLiteral("10%"));
    EXPECT_EQ(f.at(90, 25), kMarker);
    f.frame->setPropertyValue(u"FloodPercent", qint32(60));
    EXPECT_EQ(f.frame->Caption(), QStringLiteral("60%"));
    f.frame->setPropertyValue(u"FloodShowPct", false);
    EXPECT_EQ(f.frame->Caption(), QString());
}

TEST(Frame3DFlood, ABarNarrowerThanAPixelLeavesTheBorderAlone) {
    // (20 - 2) * 1% is 0.18 pixels: nothing to fill, and the left border
    // line stays.
    Framed f(20, 10, {{"BorderType", "3"}, {"FloodPercent", "1"}});
    EXPECT_EQ(f.at(0, 5), kShadow);
    EXPECT_EQ(f.at(1, 5), kBack);
}

TEST(Frame3DFlood, FillsUpwardWhenVerticalAndInsideTheBevel) {
    struct Case {
        QList<std::pair<QString, QString>> values;
        std::vector<PixelCase> pixels;
    };
    const Case cases[] = {
        // Inset 1: the bar's rows run up from 48 to 1 + (47 - 47 * pct%).
        {{{"FloodType", "1"}, {"FloodPercent", "100"}},
         {{1, 1, kFlood}, {98, 48, kFlood}, {0, 0, kBack}, {99, 49, kBack}}},
        {{{"FloodType", "1"}, {"FloodPercent", "50"}},
         {{50, 48, kFlood}, {50, 25, kFlood}, {50, 23, kBack}, {98, 48, kFlood}}},
        // An inner bevel moves the bar in by the bevel width.
        {{{"BevelInner", "1"}, {"BevelWidth", "5"}, {"FloodPercent", "100"}},
         {{6, 6, kFlood}, {93, 43, kFlood}, {5, 20, kShadow}, {94, 20, kHigh}}},
    };
    for (const Case& c : cases) {
        QList<std::pair<QString, QString>> values = c.values;
        values.prepend(std::pair<QString, QString>("BorderType", "0"));
        Framed f(100, 50, values);
        for (const PixelCase& p : c.pixels) {
            EXPECT_EQ(f.at(p.x, p.y), p.colour) << p.x << "," << p.y;
        }
    }
}

TEST(Frame3DGradient, RunsFromFillColourToBackColour) {
    Framed across(10, 6,
                  {{"FillGradient", "1"},
                   {"FillColor", QString::number(rgb(200, 100, 0))},
                   {"BorderType", "0"},
                   {"BackColor", QString::number(rgb(0, 0, 100))}});
    EXPECT_EQ(across.at(1, 3), rgb(180, 90, 10)); // one tenth of the way per column of 10
    EXPECT_EQ(across.at(5, 3), rgb(100, 50, 50));
    EXPECT_EQ(across.at(5, 1), rgb(100, 50, 50));
    Framed down(6, 10,
                {{"FillGradient", "2"},
                 {"FillColor", QString::number(rgb(200, 100, 0))},
                 {"BorderType", "0"},
                 {"BackColor", QString::number(rgb(0, 0, 100))}});
    EXPECT_EQ(down.at(3, 5), rgb(100, 50, 50));
    EXPECT_EQ(down.at(1, 5), rgb(100, 50, 50));
    EXPECT_EQ(gradientColours(rgb(0, 0, 0), rgb(255, 255, 255), 0).size(), 0u);
}

TEST(Frame3DCaption, SitsWhereItsAlignmentAndLocationPutIt) {
    constexpr int FW = 200;
    constexpr int FH = 100;
    for (int location = 0; location <= 1; ++location) {
        for (int alignment = 0; alignment <= 8; ++alignment) {
            Framed f(FW, FH,
                     {{"Caption", "Caption"},
                      {"CaptionAlignment", QString::number(alignment)},
                      {"CaptionLocation", QString::number(location)}});
            QWidget* caption = f.label("lblCaption");
            const int w = caption->width();
            const int h = caption->height();
            const int m = location == 1 ? 6 : 3;
            const int left[] = {m, (FW - w) / 2, FW - w - m};
            const int top[] = {1, (FH - h) / 2, FH - h - 3};
            int x = left[alignment % 3];
            if (alignment == 3) {
                x = 3;
            } else if (alignment == 5) {
                x = FW - w - 3;
            }
            const QString where =
                QStringLiteral("alignment %1 location %2").arg(alignment).arg(location);
            // Odd differences centre on a half pixel, which rounds to even.
            EXPECT_NEAR(caption->x(), x, (FW - w) % 2 ? 1 : 0) << where.toStdString();
            EXPECT_NEAR(caption->y(), top[alignment / 3], (FH - h) % 2 ? 1 : 0)
                << where.toStdString();

            // On the line at the top or bottom, the line runs through the
            // caption's middle and a blank patch hides it behind the caption.
            const bool onLine = location == 1 && alignment / 3 != 1;
            QWidget* blank = f.label("lblCaptionBlank");
            EXPECT_EQ(blank->isVisible(), onLine) << where.toStdString();
            const int lineRow = alignment / 3 == 0 && onLine ? qRound(h / 2.25) : 0;
            EXPECT_EQ(f.at(FW - 2, lineRow), kShadow) << where.toStdString();
            if (onLine) {
                EXPECT_EQ(blank->geometry(), caption->geometry().adjusted(-1, -1, 1, 1));
                if (alignment >= 6) {
                    EXPECT_EQ(f.at(FW / 2, FH - 1 - qRound(h / 2.25)), kHigh)
                        << where.toStdString();
                }
            }
        }
    }
}

TEST(Frame3DCaption, ShadowBevelAndRoundedMargins) {
    struct Case {
        QList<std::pair<QString, QString>> values;
        QPoint caption;
        std::optional<QPoint> shadow;
    };
    const Case cases[] = {
        {{}, {3, 1}, std::nullopt},
        {{{"Caption3D", "1"}}, {3, 1}, QPoint(4, 2)},
        {{{"Caption3D", "2"}}, {3, 1}, QPoint(2, 0)},
        {{{"BevelInner", "1"}, {"BevelWidth", "5"}}, {8, 6}, std::nullopt},
        {{{"BorderType", "9"}}, {7, 1}, std::nullopt},
        {{{"BorderType", "9"}, {"CaptionLocation", "1"}}, {10, 1}, std::nullopt},
        {{{"BorderType", "0"}}, {1, 1}, std::nullopt},
    };
    for (const Case& c : cases) {
        QList<std::pair<QString, QString>> values = c.values;
        values.append(std::pair<QString, QString>("Caption", "Go"));
        Framed f(120, 60, values);
        EXPECT_EQ(f.label("lblCaption")->pos(), c.caption);
        QWidget* shadow = f.label("lblCaptionShadow");
        EXPECT_EQ(shadow->isVisible(), c.shadow.has_value());
        if (c.shadow) {
            EXPECT_EQ(shadow->pos(), *c.shadow);
        }
    }
    // An empty caption never moves the line nor shows the blank patch.
    Framed empty(120, 60, {{"CaptionLocation", "1"}});
    EXPECT_EQ(empty.at(60, 0), kShadow);
    EXPECT_FALSE(empty.label("lblCaptionBlank")->isVisible());
}

TEST(Frame3DEvents, ForwardsTheLabelsEventsAndTheAccessKey) {
    Framed f(120, 60, {{"Caption", "&Go"}});
    QSignalSpy clicks(f.frame, &SkinnedControl::Click);
    QSignalSpy downs(f.frame, &SkinnedControl::MouseDown);
    QWidget* caption = f.label("lblCaption");
    QTest::mouseClick(caption, Qt::LeftButton, Qt::ShiftModifier, QPoint(2, 3));
    ASSERT_EQ(downs.size(), 1);
    EXPECT_EQ(downs[0][0].toInt(), 1);
    EXPECT_EQ(downs[0][1].toInt(), 1);
    EXPECT_EQ(downs[0][2].toFloat(), 2.0f); // in the label's own coordinates
    EXPECT_EQ(clicks.size(), 1);
    QTest::mouseClick(f.frame, Qt::LeftButton, Qt::NoModifier, QPoint(60, 40));
    EXPECT_EQ(downs.size(), 2);
    EXPECT_EQ(clicks.size(), 2);
    EXPECT_EQ(f.frame->accessKeys(), QStringLiteral("G"));
}

// The 33 keys, in the order they are saved.
TEST(Frame3DStore, LoadShowsThePercentageAndKeepsDefaultsForMissingKeys) {
    Framed f(120, 60);
    PropertyBag bag;
    bag.write(u"Caption", QStringLiteral("Progress"));
    bag.write(u"FloodShowPct", true);
    bag.write(u"FloodPercent", qint32(25));
    f.frame->readProperties(bag);
    EXPECT_EQ(f.frame->Caption(), QStringLiteral("25%"));
    EXPECT_EQ(f.frame->BorderType(), 1);
    EXPECT_EQ(f.frame->BevelWidth(), 3);
    EXPECT_EQ(f.frame->CornerRadius(), 7);
    EXPECT_EQ(f.frame->Border3DHighlight(), systemColour(ButtonHighlight));
    EXPECT_EQ(f.frame->Border3DShadow(), systemColour(ButtonShadow));
}

TEST(Frame3DFailures, EachFailingStepIsReportedOnceAndDrawingGoesOn) {
    struct Case {
        const char* procedure;
        const char* step;
        bool show;
    };
    const Case cases[] = {
        {"UserControl_Resize", "border", false},
        {"DrawBevelInner", "bevel", false},
        {"DrawFlood", "fill", false},
        {"DrawCaptionAlignment", "position", false},
        {"DrawCaptionStyle", "shadow", false},
        {"UserControl_InitProperties", "BorderType", true},
    };
    for (const Case& c : cases) {
        Recorder recorder;
        const ControlError error{5, QStringLiteral("Invalid procedure call or \"argument\"")};
        ScopedControlFault fault(QString::fromLatin1(c.procedure), QString::fromLatin1(c.step),
                                 error);
        Framed f(
            100, 50,
            {{"BevelInner", "1"}, {"FloodPercent", "50"}, {"Caption", "Go"}, {"Caption3D", "1"}});
        recorder.records.clear();
        if (QLatin1String(c.procedure) == QLatin1String("UserControl_InitProperties")) {
            f.frame->initProperties();
        } else {
            f.frame->resize(101, 50); // one redraw
        }
        ASSERT_EQ(recorder.records.size(), 1u) << c.procedure;
        EXPECT_EQ(recorder.records[0],
                  (ControlFailure{"Frame3D", c.procedure, 5, error.description, c.show}));
        // The statements after the failing one ran.
        if (QLatin1String(c.procedure) != QLatin1String("UserControl_InitProperties")) {
            EXPECT_EQ(f.frame->InsideLeft(), 4 * 15) << c.procedure;
            // A caption whose position could not be worked out stays put.
            const bool placed = QLatin1String(c.step) != QLatin1String("position");
            EXPECT_EQ(f.label("lblCaption")->pos().y(), placed ? 4 : 0) << c.procedure;
        }
    }
    // Without the fault the bevel and flood are there; with it only the flood.
    Recorder recorder;
    ScopedControlFault fault("DrawBevelInner", "bevel", {5, "x"});
    Framed f(100, 50, {{"BorderType", "0"}, {"BevelInner", "1"}, {"FloodPercent", "100"}});
    EXPECT_EQ(f.at(3, 20), kBack);
    EXPECT_EQ(f.at(4, 20), kFlood);
}

TEST(Frame3DFailures, ASaveGoesOnPastAFailingKey) {
    Recorder recorder;
    Framed f(100, 50);
    ScopedControlFault fault("UserControl_WriteProperties", "Font", {7, "Out of memory"});
    recorder.records.clear();
    PropertyBag saved;
    f.frame->writeProperties(saved);
    ASSERT_EQ(recorder.records.size(), 1u);
    EXPECT_EQ(recorder.records[0],
              (ControlFailure{"Frame3D", "UserControl_WriteProperties", 7, "Out of memory", true}));
    EXPECT_FALSE(saved.contains(u"Font"));
    EXPECT_TRUE(saved.contains(u"FontBold"));
    EXPECT_EQ(saved.entries().size(), size_t(f.frame->propertyTable().keys().size() - 1));
}

TEST(Frame3DFailures, DefaultHandlerWritesOneLine) {
    EXPECT_EQ(controlFailureText({"Frame3D", "DrawFlood", 6, "Overflow", false}),
              QStringLiteral("Frame3D: DrawFlood: error 6: Overflow"));
}

} // namespace
