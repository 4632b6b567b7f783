// zephral-render: its refusals of bad arguments, the PNG it writes (the
// control's size, RGBA, alpha from the window outline), and pixels that do
// not depend on the screen's DPI settings.
#include "TestControl.h"
#include "render/RenderTool.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zephral;
using zephral::test::TestControl;

namespace {

// The test control with an outline that leaves out its outer two pixels (and
// no focus, whose redraw would take the outline away).
class InsetControl : public TestControl {
public:
    explicit InsetControl(QWidget* parent) : TestControl(parent) { setFocusPolicy(Qt::NoFocus); }

protected:
    void resizeEvent(QResizeEvent* event) override {
        TestControl::resizeEvent(event);
        setWindowOutline(QRegion(2, 2, width() - 4, height() - 4));
    }
};

ControlRegistry testRegistry() {
    ControlRegistry registry;
    registry.add("test", "tstControl", [](QWidget* parent) { return new TestControl(parent); });
    registry.add("inset", "tstInset", [](QWidget* parent) { return new InsetControl(parent); });
    return registry;
}

int run(const QStringList& args, QString* err = nullptr) {
    QString out;
    QString errors;
    QTextStream o(&out);
    QTextStream e(&errors);
    const int status = runRenderTool(args, testRegistry(), o, e);
    if (err != nullptr) {
        *err = errors;
    }
    return status;
}

TEST(RenderTool, RefusesBadArgumentsWithOneLine) {
    const std::pair<QStringList, const char*> cases[] = {
        {{}, "expected CONTROL"},
        {{"test", "20x10"}, "expected CONTROL"},
        {{"nothing", "20x10", "o.png"}, "unknown control \"nothing\" (known: test, inset)"},
        {{"test", "20x", "o.png"}, "bad size"},
        {{"test", "0x10", "o.png"}, "bad size"},
        {{"test", "20x99999", "o.png"}, "bad size"},
        {{"test", "-3x10", "o.png"}, "bad size"},
        {{"test", "20x10", "o.png", "Colour=1"}, "test has no property \"Colour\""},
        {{"test", "20x10", "o.png", "Shape=round"}, "bad value \"round\" for Shape (Long)"},
        {{"test", "20x10", "o.png", "FillColor=0x90000000"}, "for FillColor (Colour)"},
        {{"test", "20x10", "o.png", "Enabled=yes"}, "for Enabled (Boolean)"},
        {{"test", "20x10", "o.png", "Version=2"}, "read-only"},
        {{"test", "20x10", "o.png", "=1"}, "is not NAME=VALUE"},
        {{"test", "20x10", "o.png", "--state", "pressed"}, "--state takes up, down or disabled"},
        {{"test", "20x10", "o.png", "--state"}, "--state needs a value"},
        {{"test", "20x10", "o.png", "--state", "up", "--state", "up"}, "given twice"},
        {{"test", "20x10", "o.png", "--frame", "x"}, "--frame takes a number"},
        {{"test", "20x10", "o.png", "--glow"}, "unknown option \"--glow\""},
        {{"test", "20x10", "o.png", "--hover"}, "test: no hover look"},
        {{"test", "20x10", "o.png", "--state", "down"}, "test: no pressed look"},
    };
    for (const auto& [args, message] : cases) {
        QString err;
        EXPECT_EQ(run(args, &err), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(err.startsWith(QStringLiteral("zephral-render: ")));
        EXPECT_TRUE(err.contains(QString::fromUtf8(message))) << err.toStdString();
        EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
    }
}

TEST(RenderTool, WritesTheOutlineAsAlpha) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("e.png"));
    ASSERT_EQ(run({"test", "41x21", out, "Shape=1", "FillColor=255", "Caption=Go", "--focus",
                   "--default"}),
              0);
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray png = file.readAll();
    ASSERT_GT(png.size(), 26);
    EXPECT_EQ(png[24], 8); // bits per channel
    EXPECT_EQ(png[25], 6); // colour type: RGB with alpha
    const QImage image = QImage::fromData(png).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(41, 21));
    const QRegion outline = ellipseRegion(QRect(0, 0, 41, 21));
    for (int y = 0; y < 21; ++y) {
        for (int x = 0; x < 41; ++x) {
            EXPECT_EQ(qAlpha(image.pixel(x, y)), outline.contains(QPoint(x, y)) ? 255 : 0);
        }
    }
    EXPECT_EQ(image.pixel(0, 0), 0u);           // transparent black outside
    EXPECT_EQ(image.pixel(20, 0), 0xFF000000u); // the ellipse's black edge
    EXPECT_EQ(image.pixel(4, 10), 0xFFFF0000u); // red inside
}

TEST(RenderTool, KeepsPixelsInPlaceWhenTheOutlineLeavesOutTheEdges) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("i.png"));
    ASSERT_EQ(run({"inset", "10x8", out, "FillColor=255"}), 0);
    const QImage image(out);
    ASSERT_EQ(image.size(), QSize(10, 8));
    for (const QPoint p : {QPoint(2, 2), QPoint(7, 2), QPoint(2, 5), QPoint(7, 5)}) {
        EXPECT_EQ(image.pixel(p), 0xFFFF0000u) << p.x() << "," << p.y();
    }
    EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0);
    EXPECT_EQ(qAlpha(image.pixel(8, 6)), 0);
}

TEST(RenderTool, LooksReachTheControl) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("d.png"));
    ASSERT_EQ(run({"test", "8x8", out, "FillColor=255", "--state", "disabled"}), 0);
    EXPECT_EQ(QImage(out).pixel(4, 4), 0xFF808080u);
    ASSERT_EQ(run({"test", "8x8", out, "FillColor=255", "--focus", "--default"}), 0);
    const QImage looks(out);
    EXPECT_EQ(looks.pixel(0, 3), 0xFF000000u); // the default frame
    EXPECT_EQ(looks.pixel(2, 2), 0xFF00FFFFu); // a dot of the focus mark, red inverted
    EXPECT_EQ(looks.pixel(3, 2), 0xFFFF0000u);
    // Showing the window gives the control the focus, but the mark is drawn
    // only when asked for.
    ASSERT_EQ(run({"test", "8x8", out, "FillColor=255", "--default"}), 0);
    EXPECT_EQ(QImage(out).pixel(2, 2), 0xFFFF0000u);
}

TEST(RenderTool, SheetLaysOutLabelledCells) {
    QTemporaryDir dir;
    const QString description = dir.filePath(QStringLiteral("sheet.txt"));
    const QString out = dir.filePath(QStringLiteral("sheet.png"));
    auto write = [&](const char* text) {
        QFile file(description);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    write("# two rows\n"
          "title Test control\n"
          "columns plain | round\n"
          "row red\n"
          "cell test 30x10 FillColor=255\n"
          "cell test 50x12 Shape=1 FillColor=255 \"Caption=a b\"\n"
          "row disabled\n"
          "cell test 30x20 --state disabled\n");
    ASSERT_EQ(run({"--sheet", out, description}), 0);
    const QImage sheet(out);
    EXPECT_GT(sheet.width(), 30 + 50);
    EXPECT_GT(sheet.height(), 10 + 20);
    // Every cell is there: red pixels of the first row, the grey of the second.
    bool red = false;
    bool grey = false;
    for (int y = 0; y < sheet.height(); ++y) {
        for (int x = 0; x < sheet.width(); ++x) {
            red = red || sheet.pixel(x, y) == 0xFFFF0000u;
            grey = grey || sheet.pixel(x, y) == 0xFF808080u;
        }
    }
    EXPECT_TRUE(red && grey);

    const std::pair<const char*, const char*> refused[] = {
        {"cell test 10x10\n", "line 1: a cell needs a row before it"},
        {"row r\ncell test 10x10 Colour=1\n", "line 2: test has no property \"Colour\""},
        {"row r\ncell test\n", "line 2: expected cell CONTROL WIDTHxHEIGHT"},
        {"frame x\n", "line 1: unknown item \"frame\""},
        {"# nothing\n", "the sheet describes nothing"},
    };
    for (const auto& [text, message] : refused) {
        write(text);
        QString err;
        EXPECT_EQ(run({"--sheet", out, description}, &err), 2) << text;
        EXPECT_TRUE(err.contains(QString::fromUtf8(message))) << err.toStdString();
        EXPECT_EQ(err.count(u'\n'), 1);
    }
    QString err;
    EXPECT_EQ(run({"--sheet"}, &err), 2);
    EXPECT_TRUE(err.contains(QStringLiteral("expected --sheet OUT.png [FILE]")));
}

TEST(RenderTool, ProgramRefusesAnUnknownControl) {
    QProcess tool;
    tool.start(QStringLiteral(ZEPHRAL_RENDER), {"nothing", "10x10", "/dev/null"});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 2);
    const QString err = QString::fromUtf8(tool.readAllStandardError());
    EXPECT_TRUE(err.startsWith(QStringLiteral("zephral-render: unknown control \"nothing\"")))
        << err.toStdString();
    EXPECT_EQ(err.count(u'\n'), 1);
}

// A screen's font DPI and scale factor (which Qt turns into a device pixel
// ratio) change nothing: this binary renders again in a child with other
// settings and the pictures must be identical.
TEST(RenderTool, PixelsDoNotDependOnTheScreensDpi) {
    QTemporaryDir dir;
    const QStringList args = {"test", "90x30", "", "Caption=Encrypt && Encode Text",
                              "FillColor=0x8000000F"};
    QStringList here = args;
    here[2] = dir.filePath(QStringLiteral("here.png"));
    ASSERT_EQ(run(here), 0);

    QStringList there = args;
    there[2] = dir.filePath(QStringLiteral("there.png"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_FONT_DPI"), QStringLiteral("144"));
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), QStringList{"--render"} + there);
    ASSERT_TRUE(child.waitForFinished(30000));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    EXPECT_EQ(QImage(here[2]), QImage(there[2]));
}

} // namespace

// Run with --render ARGS, the binary is the render tool with the test control
// (the DPI test starts it so, with other screen settings).
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--render") {
        QTextStream out(stdout);
        QTextStream err(stderr);
        return runRenderTool(QApplication::arguments().mid(2), testRegistry(), out, err);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
