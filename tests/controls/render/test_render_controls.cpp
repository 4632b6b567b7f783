// zephral-render with the program's own controls: each comes out at its
// final size, transparent outside its window outline, in the look asked for.
#include "Controls.h"
#include "render/RenderTool.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zephral;

namespace {

struct Rendered {
    int status = 0;
    QString error;
    QImage image;
};

Rendered render(QStringList args) {
    static QTemporaryDir dir;
    ControlRegistry registry;
    registerControls(registry);
    const QString out = dir.filePath(QStringLiteral("out.png"));
    QFile::remove(out);
    args.insert(2, out);
    QString text;
    QString errors;
    QTextStream o(&text);
    QTextStream e(&errors);
    Rendered r;
    r.status = runRenderTool(args, registry, o, e);
    r.error = errors;
    r.image = QImage(out);
    return r;
}

TEST(RenderControls, DrawsEachAtItsFinalSizeWithItsOutline) {
    struct Case {
        QStringList args;
        QSize size;
        std::vector<std::pair<QPoint, int>> alpha;
    };
    const Case cases[] = {
        {{"frame3d", "60x40", "BorderType=1"}, {60, 40}, {{{0, 0}, 255}, {{59, 39}, 255}}},
        {{"frame3d", "60x40", "BorderType=7"},
         {60, 40},
         {{{0, 0}, 0}, {{59, 39}, 0}, {{30, 0}, 255}, {{0, 20}, 255}}},
        {{"frame3d", "60x40", "BorderType=13"},
         {60, 40},
         {{{30, 0}, 0}, {{30, 1}, 255}, {{58, 20}, 255}, {{59, 20}, 0}}},
        {{"line3d", "120x9"}, {120, 2}, {{{0, 0}, 255}, {{119, 1}, 255}}},
        {{"line3d", "9x60", "LineTypes=3"}, {1, 60}, {{{0, 59}, 255}}},
        {{"working", "40x200", "--frame", "5"}, {90, 90}, {{{0, 0}, 255}, {{89, 89}, 255}}},
    };
    for (const Case& c : cases) {
        const Rendered r = render(c.args);
        ASSERT_EQ(r.status, 0) << c.args.join(' ').toStdString() << r.error.toStdString();
        EXPECT_EQ(r.image.size(), c.size) << c.args.join(' ').toStdString();
        for (const auto& [p, a] : c.alpha) {
            EXPECT_EQ(qAlpha(r.image.pixel(p)), a) << c.args.join(' ').toStdString();
        }
    }
    // The rounded-inset frame keeps its pixels in place: its right edge is
    // the back colour, not unpainted black.
    const Rendered inset = render({"frame3d", "60x40", "BorderType=13", "BackColor=255"});
    EXPECT_EQ(inset.image.pixel(58, 20), 0xFFFF0000u);
}

TEST(RenderControls, RefusesWhatTheControlsRefuse) {
    const std::pair<QStringList, const char*> cases[] = {
        {{"frame3d", "60x40", "BevelWidth=wide"}, "bad value \"wide\" for BevelWidth (Long)"},
        {{"frame3d", "60x40", "InsideLeft=3"}, "read-only"},
        {{"frame3d", "60x40", "--frame", "2"}, "frame3d: no frames"},
        {{"line3d", "60x40", "DrawStyle=9"}, "for DrawStyle (Integer)"},
        {{"working", "90x90", "--frame", "10"}, "working: frames are 1 to 9"},
        {{"working", "90x90", "--hover"}, "working: no hover look"},
    };
    for (const auto& [args, message] : cases) {
        const Rendered r = render(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(message))) << r.error.toStdString();
    }
}

} // namespace
