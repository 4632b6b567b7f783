// The control foundation: colours through the desktop's palette, stored
// sizes, the property store and its text forms, properties written by name,
// the control base (surface copied on paint, outline, ambient values, access
// keys), and timers a test steps.
#include "TestControl.h"
#include "shared/ControlTimer.h"
#include "shared/Units.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace zephral;
using zephral::test::TestControl;

namespace {

// The translation pinned with a palette whose every role has its own colour.
TEST(Colours, SystemColoursComeFromTheDesktopPalette) {
    QPalette palette;
    int n = 1;
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            palette.setColor(group, QPalette::ColorRole(role), QColor(n, role, group));
        }
        ++n;
    }
    const struct {
        int index;
        QPalette::ColorGroup group;
        QPalette::ColorRole role;
    } cases[] = {
        {ButtonFace, QPalette::Active, QPalette::Button},
        {ButtonText, QPalette::Active, QPalette::ButtonText},
        {Light3D, QPalette::Active, QPalette::Midlight},
        {ButtonHighlight, QPalette::Active, QPalette::Light},
        {ButtonShadow, QPalette::Active, QPalette::Dark},
        {DarkShadow3D, QPalette::Active, QPalette::Shadow},
        {Highlight, QPalette::Active, QPalette::Highlight},
        {HighlightText, QPalette::Active, QPalette::HighlightedText},
        {Window, QPalette::Active, QPalette::Base},
        {WindowText, QPalette::Active, QPalette::Text},
        {GrayText, QPalette::Disabled, QPalette::Text},
        {InfoBackground, QPalette::Active, QPalette::ToolTipBase},
    };
    for (const auto& c : cases) {
        const QColor want = palette.color(c.group, c.role);
        EXPECT_EQ(translateColour(systemColour(c.index), palette),
                  rgb(want.red(), want.green(), want.blue()))
            << c.index;
    }
    // RGB values pass unchanged; unknown indices are not colours.
    EXPECT_EQ(translateColour(rgb(1, 2, 3), palette), rgb(1, 2, 3));
    EXPECT_TRUE(isValidColour(0x8000000Fu));
    EXPECT_TRUE(isValidColour(0xFFFFFFu));
    EXPECT_FALSE(isValidColour(0x80000019u)); // index 25 names nothing
    EXPECT_FALSE(isValidColour(0x80000100u));
    EXPECT_FALSE(isValidColour(0x01000000u));

    // The one-argument form follows the application's palette: a dark theme
    // gives a dark face.
    const QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Button, QColor(40, 40, 48));
    QApplication::setPalette(dark);
    EXPECT_EQ(translateColour(systemColour(ButtonFace)), rgb(40, 40, 48));
    QApplication::setPalette(saved);
}

TEST(Units, StoredExtentsGiveThePixelSizesOfTheWindows) {
    const struct {
        QSize himetric, pixels;
    } cases[] = {
        {{2672, 556}, {101, 21}},   {{2672, 767}, {101, 29}}, {{1402, 714}, {53, 27}},
        {{7646, 3254}, {289, 123}}, {{10557, 53}, {399, 2}},  {{2381, 2381}, {90, 90}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(himetricToPixels(c.himetric), c.pixels);
        EXPECT_EQ(pixelsToHimetric(c.pixels), c.himetric);
    }
    EXPECT_EQ(pointsToPixels(8.25), 11);
}

TEST(PropertyBag, ReadsWithDefaultsAndConverts) {
    PropertyBag bag;
    bag.write(u"BTYPE", qint32(9));
    bag.write(u"tx", QStringLiteral("Encode Text"));
    bag.write(u"MPTR", qint16(99));
    bag.write(u"ENAB", false);
    bag.write(u"Size", 8.5f);
    bag.write(u"Text7", QStringLiteral("7"));
    bag.write(u"Word", QStringLiteral("seven"));
    bag.write(u"FONT", FontDesc{QStringLiteral("Arial"), 10.f, true});
    bag.write(u"Big", qint32(70000));
    bag.write(u"BCOL", qint32(0x80000019u));
    bag.write(u"btype", qint32(10)); // replaces, whatever the case

    EXPECT_EQ(bag.entries().size(), 10u);
    EXPECT_EQ(bag.entries().front().name, QStringLiteral("BTYPE"));
    EXPECT_EQ(bag.readLong(u"BType", 2).value, 10);
    EXPECT_EQ(bag.readLong(u"missing", 2).value, 2);
    EXPECT_EQ(bag.readString(u"TX", {}).value, QStringLiteral("Encode Text"));
    EXPECT_EQ(bag.readLong(u"MPTR", 0).value, 99);
    EXPECT_EQ(bag.readLong(u"ENAB", 1).value, 0);
    EXPECT_EQ(bag.readLong(u"Size", 0).value, 8); // half to even
    EXPECT_EQ(bag.readInteger(u"Text7", 0).value, 7);
    EXPECT_EQ(bag.readString(u"ENAB", {}).value, QStringLiteral("False"));
    EXPECT_TRUE(bag.readBoolean(u"BTYPE", false).value);
    EXPECT_EQ(bag.readFont(u"font", {}).value.name, QStringLiteral("Arial"));

    // Failures hand back the default with the platform's error.
    const ReadResult<qint32> word = bag.readLong(u"Word", 5);
    EXPECT_EQ(word.error.number, 13);
    EXPECT_EQ(word.value, 5);
    EXPECT_EQ(bag.readInteger(u"Big", 1).error.number, 6);
    EXPECT_EQ(bag.readString(u"FONT", {}).error.number, 13);
    EXPECT_EQ(bag.readPicture(u"TX", {}).error.number, 13);
    EXPECT_EQ(bag.readColour(u"BCOL", 0).error.number, 380);

    PropertyBag saved;
    saved.writeIfNotDefault(u"Speed", qint32(50), qint32(50));
    saved.writeIfNotDefault(u"Enabled", true, false);
    ASSERT_EQ(saved.entries().size(), 1u);
    EXPECT_EQ(saved.entries()[0].name, QStringLiteral("Enabled"));
}

TEST(PropertyBag, TextFormsRoundTrip) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.png"));
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    ASSERT_TRUE(image.save(path));
    Picture picture;
    ASSERT_TRUE(Picture::load(path, picture));

    const std::pair<PropertyValue, QString> cases[] = {
        {qint32(12632256), QStringLiteral("12632256")},
        {qint32(0x8000000Fu), QStringLiteral("0x8000000F")},
        {qint16(-3), QStringLiteral("-3")},
        {true, QStringLiteral("True")},
        {QStringLiteral("Encrypt && Encode Text"), QStringLiteral("Encrypt && Encode Text")},
        {8.25f, QStringLiteral("8.25")},
        {0.1f, QStringLiteral("0.1")},
        {FontDesc{QStringLiteral("MS Sans Serif"), 8.25f, true, false, true},
         QStringLiteral("MS Sans Serif,8.25,Bold,Underline")},
        {picture, path},
        {Picture(), QString()},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(valueToText(value), text);
        const ReadResult<PropertyValue> back = valueFromText(typeOf(value), text);
        ASSERT_TRUE(back.ok()) << text.toStdString();
        EXPECT_EQ(back.value, value) << text.toStdString();
    }
    EXPECT_EQ(picture.himetricSize(), QSize(423, 423));
    EXPECT_EQ(picture.hotSpot(), QPoint(8, 8));
    QFile hotSpot(dir.filePath(QStringLiteral("p.hotspot")));
    ASSERT_TRUE(hotSpot.open(QIODevice::WriteOnly));
    hotSpot.write("11 0\n");
    hotSpot.close();
    ASSERT_TRUE(Picture::load(path, picture));
    EXPECT_EQ(picture.hotSpot(), QPoint(11, 0));

    const std::pair<PropertyType, const char*> bad[] = {
        {PropertyType::Long, "12a"},           {PropertyType::Long, "0x123456789"},
        {PropertyType::Integer, "40000"},      {PropertyType::Boolean, "yes"},
        {PropertyType::Single, "nan"},         {PropertyType::Font, "Arial"},
        {PropertyType::Font, "Arial,8,Heavy"}, {PropertyType::Picture, "/no/such/picture.png"},
    };
    for (const auto& [type, text] : bad) {
        EXPECT_FALSE(valueFromText(type, QString::fromUtf8(text)).ok()) << text;
    }
}

TEST(PropertyTable, WritesPropertiesByNameFromTheirTextForm) {
    TestControl control;
    QSignalSpy changed(&control, &SkinnedControl::propertyChanged);
    EXPECT_FALSE(control.writeProperty(u"shape", u"1"));
    EXPECT_FALSE(control.writeProperty(u"FillColor", u"0x80000012"));
    EXPECT_FALSE(control.writeProperty(u"Caption", u""));
    EXPECT_FALSE(control.writeProperty(u"Enabled", u"false"));
    EXPECT_FALSE(control.writeProperty(u"Border", u"-2"));
    EXPECT_FALSE(control.writeProperty(u"Ratio", u"1.5"));
    EXPECT_FALSE(control.writeProperty(u"Font", u"Courier New,10,Italic"));
    EXPECT_EQ(control.Shape(), 1);
    EXPECT_EQ(control.FillColor(), systemColour(ButtonText));
    EXPECT_EQ(control.Caption(), QString());
    EXPECT_FALSE(control.Enabled());
    EXPECT_EQ(control.Border(), -2);
    EXPECT_EQ(control.Ratio(), 1.5f);
    EXPECT_TRUE(control.Font().italic);
    EXPECT_EQ(changed.count(), 5);
    EXPECT_EQ(changed.first().first().toString(), QStringLiteral("Shape"));

    EXPECT_EQ(control.propertyText(u"FillColor"), QStringLiteral("0x80000012"));
    control.setPropertyValue(u"FillColor", qint32(rgb(255, 0, 255)));
    EXPECT_EQ(control.propertyText(u"fillcolor"), QStringLiteral("16711935"));
    EXPECT_EQ(control.propertyText(u"Version"), QStringLiteral("1.0"));
    EXPECT_FALSE(control.propertyText(u"Nope").has_value());

    const std::pair<const char16_t*, int> refused[] = {
        {u"Nope", 438},    {u"Version", 383}, {u"Shape", 380},   {u"FillColor", 380},
        {u"Enabled", 380}, {u"Border", 6},    {u"Picture", 481}, {u"FillColor", 380},
    };
    const char16_t* values[] = {u"1",     u"2.0",          u"7",       u"0x80000019", u"maybe",
                                u"40000", u"/no/such.png", u"16777216"};
    for (size_t i = 0; i < std::size(refused); ++i) {
        EXPECT_EQ(control.writeProperty(refused[i].first, values[i]).number, refused[i].second)
            << QString::fromUtf16(refused[i].first).toStdString();
    }
    EXPECT_EQ(control.FillColor(), rgb(255, 0, 255));
}

TEST(ControlBase, PaintOnlyCopiesTheSurface) {
    TestControl control;
    control.writeProperty(u"FillColor", u"255");
    control.resize(30, 12);
    control.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
    control.surface().setPixel(3, 4, rgb(0, 255, 0));
    const int redraws = control.redraws;
    const QImage shown = control.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, control.surface().image());
    EXPECT_EQ(control.redraws, redraws);
}

TEST(ControlBase, OutlineIsTheWidgetsMask) {
    TestControl control;
    control.resize(40, 20);
    EXPECT_TRUE(control.mask().isEmpty());
    EXPECT_EQ(control.windowOutline(), QRegion(0, 0, 40, 20));
    control.writeProperty(u"Shape", u"1");
    EXPECT_EQ(control.mask(), ellipseRegion(QRect(0, 0, 40, 20)));
    EXPECT_FALSE(control.windowOutline().contains(QPoint(0, 0)));
    control.writeProperty(u"Shape", u"0");
    EXPECT_TRUE(control.mask().isEmpty());
}

TEST(ControlBase, AmbientValuesAndTheirChanges) {
    QWidget form;
    auto* control = new TestControl(&form);
    control->setObjectName(QStringLiteral("tstControl1"));
    EXPECT_EQ(control->ambientDisplayName(), QStringLiteral("tstControl1"));
    EXPECT_EQ(control->ambientBackColour(), systemColour(ButtonFace));
    EXPECT_EQ(control->ambientForeColour(), systemColour(ButtonText));

    AmbientProperties a = control->ambient();
    a.displayAsDefault = true;
    a.userMode = false;
    a.displayName = QStringLiteral("cmdOK");
    control->setAmbient(a);
    control->setAmbient(a);
    EXPECT_EQ(control->ambientChanges,
              (QStringList{"DisplayName", "UserMode", "DisplayAsDefault"}));
    EXPECT_EQ(control->ambientDisplayName(), QStringLiteral("cmdOK"));

    // A form with a palette of its own lends its colours; a palette change
    // reaches the control.
    control->ambientChanges.clear();
    QPalette white = form.palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, QColor(1, 2, 3));
    form.setPalette(white);
    EXPECT_EQ(control->ambientBackColour(), rgb(255, 255, 255));
    EXPECT_EQ(control->ambientForeColour(), rgb(1, 2, 3));
    EXPECT_TRUE(control->ambientChanges.contains(QStringLiteral("Palette")));
}

TEST(ControlBase, AccessKeysWithAlt) {
    QWidget form;
    auto* control = new TestControl(&form);
    control->setAccessKeys(QStringLiteral("g"));
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_G, Qt::AltModifier);
    QTest::keyClick(&form, Qt::Key_H, Qt::AltModifier);
    EXPECT_EQ(control->accessKeysPressed, QStringLiteral("g"));
    control->setAccessKeys({});
    QTest::keyClick(&form, Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(control->accessKeysPressed, QStringLiteral("g"));
}

TEST(ControlBase, EventArgumentsInThePlatformsCodes) {
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* text;
        int code;
        int ascii;
    } keys[] = {
        {Qt::Key_Space, Qt::NoModifier, " ", 32, 32},
        {Qt::Key_A, Qt::ShiftModifier, "A", 65, 'A'},
        {Qt::Key_Left, Qt::NoModifier, "", 37, 0},
        {Qt::Key_Down, Qt::NoModifier, "", 40, 0},
        {Qt::Key_Return, Qt::NoModifier, "\r", 13, 13},
        {Qt::Key_F5, Qt::NoModifier, "", 116, 0},
        {Qt::Key_5, Qt::KeypadModifier, "5", 101, '5'},
    };
    for (const auto& k : keys) {
        const QKeyEvent event(QEvent::KeyPress, k.key, k.modifiers, QString::fromLatin1(k.text));
        EXPECT_EQ(keyCodeOf(event), k.code) << k.key;
        EXPECT_EQ(keyAsciiOf(event), k.ascii) << k.key;
    }
    EXPECT_EQ(shiftCode(Qt::ShiftModifier | Qt::AltModifier), 5);
    EXPECT_EQ(mouseButtonCode(Qt::MiddleButton), 4);
    EXPECT_EQ(mouseButtonsCode(Qt::LeftButton | Qt::RightButton), 3);
}

TEST(ControlTimer, StepsOnTheManualClock) {
    ControlTimer early; // made and started before the clock: it moves over
    early.setInterval(50);
    early.start();
    ManualClock clock;
    ControlTimer poll;
    poll.setInterval(3);
    QStringList ticks;
    QObject::connect(&early, &ControlTimer::timeout,
                     [&] { ticks.append(QStringLiteral("a%1").arg(clock.now())); });
    QObject::connect(&poll, &ControlTimer::timeout, [&] {
        ticks.append(QStringLiteral("p%1").arg(clock.now()));
        if (clock.now() == 9) {
            poll.stop();
        }
    });
    poll.start();
    clock.advance(100);
    EXPECT_EQ(ticks, (QStringList{"p3", "p6", "p9", "a50", "a100"}));

    // A new interval counts from the moment it is set; 0 never ticks.
    ticks.clear();
    clock.advance(20); // 120
    early.setInterval(10);
    clock.advance(25); // 145
    EXPECT_EQ(ticks, (QStringList{"a130", "a140"}));
    early.setInterval(0);
    clock.advance(100);
    EXPECT_EQ(ticks.size(), 2);
    EXPECT_TRUE(early.isActive());
}

TEST(ControlTimer, PointerProbe) {
    QWidget w;
    {
        ScopedPointerProbe probe([&w] { return &w; });
        EXPECT_EQ(widgetUnderPointer(), &w);
    }
    EXPECT_NE(widgetUnderPointer(), &w);
}

} // namespace
