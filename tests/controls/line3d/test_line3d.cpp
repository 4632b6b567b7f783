// The 3D line: which way it lies, the size it gives itself and the colour of
// each of its rows or columns, per type.
#include "line3d/sknLine3D.h"

#include <QApplication>
#include <gtest/gtest.h>

using namespace zephral;

namespace {

constexpr Colour kHigh = rgb(250, 240, 230);
constexpr Colour kShadow = rgb(90, 80, 70);

struct Lined {
    QWidget host;
    sknLine3D* line = nullptr;
    Lined(int w, int h, qint32 type) {
        line = new sknLine3D(&host);
        line->initProperties();
        line->setPropertyValue(u"Border3DHighlight", qint32(kHigh));
        line->setPropertyValue(u"Border3DShadow", qint32(kShadow));
        line->setPropertyValue(u"LineTypes", qint32(type));
        line->resize(w, h);
        host.resize(400, 400);
        host.show();
        QApplication::processEvents();
    }
};

TEST(Line3D, SizesItselfAndDrawsEachRowPerType) {
    struct Case {
        int w, h;
        qint32 type;
        QSize size;
        std::vector<Colour> rows; // rows of a horizontal line, columns of a vertical one
    };
    const Case cases[] = {
        {120, 9, 1, {120, 2}, {kShadow, kHigh}}, {120, 9, 2, {120, 2}, {kHigh, kShadow}},
        {120, 9, 0, {120, 1}, {kShadow}},        {120, 9, 3, {120, 1}, {kShadow}},
        {30, 30, 1, {30, 2}, {kShadow, kHigh}}, // square lies horizontally
        {7, 80, 1, {2, 80}, {kShadow, kHigh}},   {7, 80, 2, {2, 80}, {kHigh, kShadow}},
        {7, 80, 5, {1, 80}, {kShadow}},
    };
    for (const Case& c : cases) {
        Lined l(c.w, c.h, c.type);
        ASSERT_EQ(l.line->size(), c.size) << c.w << "x" << c.h << " type " << c.type;
        const bool horizontal = c.size.width() > c.size.height();
        const int length = horizontal ? c.size.width() : c.size.height();
        for (size_t i = 0; i < c.rows.size(); ++i) {
            for (int at : {0, length / 2, length - 1}) {
                const int x = horizontal ? at : int(i);
                const int y = horizontal ? int(i) : at;
                EXPECT_EQ(l.line->surface().pixel(x, y), c.rows[i])
                    << "type " << c.type << " at " << x << "," << y;
            }
        }
    }
}

TEST(Line3D, ChangingToFlatLeavesOneShadowRow) {
    Lined l(100, 2, 1);
    l.line->setPropertyValue(u"LineTypes", qint32(3));
    EXPECT_EQ(l.line->size(), QSize(100, 1));
    EXPECT_EQ(l.line->surface().pixel(50, 0), kShadow);
    l.line->setPropertyValue(u"LineTypes", qint32(2));
    EXPECT_EQ(l.line->size(), QSize(100, 2));
    EXPECT_EQ(l.line->surface().pixel(50, 0), kHigh);
}

TEST(Line3D, DashedPenLeavesGaps) {
    Lined l(100, 2, 1);
    ASSERT_FALSE(l.line->writeProperty(u"DrawStyle", u"2"));
    int shadow = 0;
    for (int x = 0; x < 100; ++x) {
        shadow += l.line->surface().pixel(x, 0) == kShadow ? 1 : 0;
    }
    EXPECT_GT(shadow, 30);
    EXPECT_LT(shadow, 70);
    EXPECT_TRUE(l.line->writeProperty(u"DrawStyle", u"9"));
}

} // namespace
