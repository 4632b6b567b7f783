// sknButton as its container and its user meet it: property writes and
// their side effects, the events in their order for
// mouse, keys, access keys, default and cancel, hover on the poll timer, the
// repaint guard, and the render tool's refusals for the button.
#include "ButtonTestSupport.h"
#include "Controls.h"
#include "render/RenderTool.h"
#include "shared/ControlTimer.h"

#include <QApplication>
#include <QTemporaryDir>

using namespace zephral;
using namespace zephral::test;

namespace {

// Every event the button raises, as text, in order.
struct EventLog {
    explicit EventLog(sknButton& b) {
        auto mouse = [this](const char* name) {
            return [this, name](int button, int shift, float x, float y) {
                events.append(QStringLiteral("%1 %2 %3 %4 %5")
                                  .arg(QLatin1String(name))
                                  .arg(button)
                                  .arg(shift)
                                  .arg(double(x))
                                  .arg(double(y)));
            };
        };
        auto key = [this](const char* name) {
            return [this, name](int code, int shift) {
                events.append(
                    QStringLiteral("%1 %2 %3").arg(QLatin1String(name)).arg(code).arg(shift));
            };
        };
        QObject::connect(&b, &sknButton::MouseDown, mouse("Down"));
        QObject::connect(&b, &sknButton::MouseUp, mouse("Up"));
        QObject::connect(&b, &sknButton::KeyDown, key("KeyDown"));
        QObject::connect(&b, &sknButton::KeyUp, key("KeyUp"));
        QObject::connect(&b, &sknButton::KeyPress, [this](int ascii) {
            events.append(QStringLiteral("KeyPress %1").arg(ascii));
        });
        QObject::connect(&b, &sknButton::Click, [this] { events.append(QStringLiteral("Click")); });
        QObject::connect(&b, &sknButton::MouseOver,
                         [this] { events.append(QStringLiteral("Over")); });
        QObject::connect(&b, &sknButton::MouseOut,
                         [this] { events.append(QStringLiteral("Out")); });
    }
    int count(const QString& name) const { return int(events.count(name)); }
    QStringList events;
};

void moveMouse(QWidget* w, Qt::MouseButtons buttons, QPoint pos = {5, 5}) {
    QMouseEvent move(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, buttons,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

void sendKey(QWidget* w, QEvent::Type type, int key, bool autoRepeat = false) {
    QKeyEvent event(type, key, Qt::NoModifier,
                    key == Qt::Key_Space ? QStringLiteral(" ") : QString(), autoRepeat);
    QApplication::sendEvent(w, &event);
}

TEST(ButtonProperties, NewInstanceAndWriteSideEffects) {
    sknButton b;
    AmbientProperties a;
    a.displayName = QStringLiteral("cmdOK");
    a.font.bold = true;
    b.setAmbient(a);
    b.initProperties();
    EXPECT_EQ(b.Caption(), QStringLiteral("cmdOK"));
    EXPECT_TRUE(b.Font().bold);
    EXPECT_EQ(b.ButtonType(), 2);
    EXPECT_EQ(b.ColorScheme(), 1);
    EXPECT_EQ(b.BackColor(), translateColour(systemColour(ButtonFace)));
    EXPECT_EQ(b.BackOver(), b.BackColor());
    EXPECT_EQ(b.ForeColor(), translateColour(systemColour(ButtonText)));
    EXPECT_EQ(b.MaskColor(), 12632256u);
    EXPECT_EQ(b.Version(), QStringLiteral("2.0.6 B"));
    EXPECT_EQ(b.writeProperty(u"Version", u"3").number, 383);

    QStringList changed;
    QObject::connect(&b, &SkinnedControl::propertyChanged,
                     [&](const QString& n) { changed.append(n); });
    b.writeProperty(u"ButtonType", u"9");
    b.writeProperty(u"FontBold", u"False"); // the font's parts notify nothing
    b.writeProperty(u"FontSize", u"10");
    EXPECT_EQ(b.Font().size, 10.0f);
    b.writeProperty(u"Caption", u"&Go");
    b.writeProperty(u"BackColor", u"255"); // run mode: BackOver stays
    EXPECT_EQ(changed, (QStringList{"ButtonType", "Caption", "BackColor"}));
    EXPECT_NE(b.BackOver(), 255u);
    EXPECT_EQ(b.accessKeys(), QStringLiteral("g"));

    // In a designer BackColor and ForeColor carry their hover twins, and
    // choosing style 5 makes the font bold.
    a.userMode = false;
    b.setAmbient(a);
    b.writeProperty(u"BackColor", u"65280");
    b.writeProperty(u"ForeColor", u"16711680");
    EXPECT_EQ(b.BackOver(), 65280u);
    EXPECT_EQ(b.ForeOver(), 16711680u);
    b.writeProperty(u"ButtonType", u"5");
    EXPECT_TRUE(b.FontBold());

    // The palette follows ForeOver and the style at once: the hover text of
    // the own colours, and style 3's accent with proportional blue.
    b.writeProperty(u"ColorScheme", u"2");
    b.writeProperty(u"BackColor", u"9211020"); // RGB(140, 140, 140)
    b.writeProperty(u"ForeOver", u"255");
    EXPECT_EQ(b.palette().hoverText, 255u);
    b.writeProperty(u"ButtonType", u"3");
    EXPECT_EQ(b.palette().accentFace, rgb(188, 188, 175));

    const std::pair<const char16_t*, const char16_t*> refused[] = {
        {u"PicturePosition", u"5"}, {u"SpecialEffect", u"4"},      {u"SpecialEffect", u"-1"},
        {u"MousePointer", u"50"},   {u"BackColor", u"0x90000000"}, {u"FontSize", u"0"},
        {u"FontName", u""},
    };
    for (const auto& [name, value] : refused) {
        EXPECT_EQ(b.writeProperty(name, value).number, 380)
            << QString::fromUtf16(name).toStdString();
    }
    EXPECT_EQ(b.PicturePosition(), 0);
}

TEST(ButtonProperties, HandPointerSetsThePointer) {
    sknButton b;
    b.writeProperty(u"HandPointer", u"True");
    EXPECT_EQ(b.MousePointer(), 99);
    ASSERT_FALSE(b.MouseIcon().isNull()) << "the hand is in the program's resources";
    EXPECT_EQ(b.MouseIcon().source(), QStringLiteral(":/button/art/hand.png"));
    EXPECT_EQ(b.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(b.cursor().hotSpot(), QPoint(11, 0));
    b.writeProperty(u"HandPointer", u"False");
    EXPECT_EQ(b.MousePointer(), 1);
    EXPECT_TRUE(b.MouseIcon().isNull());
    EXPECT_EQ(b.cursor().shape(), Qt::ArrowCursor);
}

class ButtonEvents : public ::testing::Test {
protected:
    void SetUp() override {
        button = shownButton(101, 21, {{"Caption", "&Go"}});
        log = std::make_unique<EventLog>(*button);
    }
    ManualClock clock;
    sknButton* over = nullptr; // what the pointer is over
    ScopedPointerProbe probe{[this]() -> QWidget* { return over; }};
    std::unique_ptr<sknButton> button;
    std::unique_ptr<EventLog> log;
};

TEST_F(ButtonEvents, LeftClickRightAndMiddle) {
    over = button.get();
    QTest::mouseClick(button.get(), Qt::LeftButton, Qt::ShiftModifier, QPoint(7, 3));
    EXPECT_EQ(log->events, (QStringList{"Down 1 1 7 3", "Up 1 1 7 3", "Click"}));

    log->events.clear();
    QTest::mousePress(button.get(), Qt::RightButton, {}, QPoint(7, 3));
    EXPECT_EQ(button->lastPaintedState(), PaintState::Up);
    QTest::mouseRelease(button.get(), Qt::RightButton, {}, QPoint(7, 3));
    EXPECT_EQ(log->events, (QStringList{"Down 2 0 7 3", "Up 2 0 7 3"}));

    log->events.clear();
    QTest::mousePress(button.get(), Qt::MiddleButton, {}, QPoint(7, 3));
    EXPECT_EQ(button->lastPaintedState(), PaintState::Down);
    QTest::mouseRelease(button.get(), Qt::MiddleButton, {}, QPoint(7, 3));
    EXPECT_EQ(button->lastPaintedState(), PaintState::Up);
    EXPECT_EQ(log->count("Click"), 0);

    // Released outside the button: no click.
    QTest::mousePress(button.get(), Qt::LeftButton, {}, QPoint(7, 3));
    QTest::mouseRelease(button.get(), Qt::LeftButton, {}, QPoint(150, 3));
    EXPECT_EQ(log->count("Click"), 0);
}

TEST_F(ButtonEvents, DoubleClickPressesWithoutASecondClick) {
    over = button.get();
    QTest::mouseClick(button.get(), Qt::LeftButton, {}, QPoint(7, 3));
    QTest::mouseDClick(button.get(), Qt::LeftButton, {}, QPoint(7, 3));
    EXPECT_EQ(button->lastPaintedState(), PaintState::Down);
    EXPECT_EQ(QWidget::mouseGrabber(), button.get());
    QTest::mouseRelease(button.get(), Qt::LeftButton, {}, QPoint(7, 3));
    EXPECT_EQ(log->events,
              (QStringList{"Down 1 0 7 3", "Up 1 0 7 3", "Click", "Down 1 0 0 0", "Up 1 0 7 3"}));
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(button->lastPaintedState(), PaintState::Up);
}

TEST_F(ButtonEvents, DragOutAndBackIn) {
    over = button.get();
    QTest::mousePress(button.get(), Qt::LeftButton, {}, QPoint(7, 3));
    over = nullptr;
    moveMouse(button.get(), Qt::LeftButton, QPoint(150, 3));
    EXPECT_EQ(button->lastPaintedState(), PaintState::Up);
    over = button.get();
    moveMouse(button.get(), Qt::LeftButton);
    EXPECT_EQ(button->lastPaintedState(), PaintState::Down);
    EXPECT_FALSE(button->isHovered());
    QTest::mouseRelease(button.get(), Qt::LeftButton, {}, QPoint(7, 3));
    EXPECT_EQ(log->count("Click"), 1);
}

TEST_F(ButtonEvents, HoverFollowsThePointerOnThePoll) {
    over = button.get();
    moveMouse(button.get(), Qt::NoButton);
    moveMouse(button.get(), Qt::NoButton);
    EXPECT_TRUE(button->isHovered());
    clock.advance(30);
    EXPECT_TRUE(button->isHovered());
    over = nullptr; // left without a move reaching the button
    clock.advance(3);
    EXPECT_FALSE(button->isHovered());
    clock.advance(30);
    EXPECT_EQ(log->events, (QStringList{"Over", "Out"}));

    // A checked button looks pressed through enter and leave.
    button->writeProperty(u"CheckBoxBehaviour", u"True");
    button->writeProperty(u"Value", u"True");
    over = button.get();
    moveMouse(button.get(), Qt::NoButton);
    EXPECT_EQ(button->lastPaintedState(), PaintState::Down);
    over = nullptr;
    clock.advance(3);
    EXPECT_EQ(button->lastPaintedState(), PaintState::Down);
}

TEST_F(ButtonEvents, SpaceClicksOncePerPressAndRelease) {
    sendKey(button.get(), QEvent::KeyPress, Qt::Key_Space);
    EXPECT_EQ(button->lastPaintedState(), PaintState::Down);
    // Held: the key repeats, and is released once.
    sendKey(button.get(), QEvent::KeyRelease, Qt::Key_Space, true);
    sendKey(button.get(), QEvent::KeyPress, Qt::Key_Space, true);
    sendKey(button.get(), QEvent::KeyRelease, Qt::Key_Space);
    EXPECT_EQ(log->events, (QStringList{"KeyDown 32 0", "KeyPress 32", "KeyDown 32 0",
                                        "KeyPress 32", "KeyUp 32 0", "Click"}));
    EXPECT_EQ(button->lastPaintedState(), PaintState::Up);

    // Another key between press and release: no click, and no pressed look left behind.
    log->events.clear();
    sendKey(button.get(), QEvent::KeyPress, Qt::Key_Space);
    sendKey(button.get(), QEvent::KeyPress, Qt::Key_A);
    sendKey(button.get(), QEvent::KeyRelease, Qt::Key_Space);
    EXPECT_EQ(log->count("Click"), 0);
    EXPECT_EQ(button->lastPaintedState(), PaintState::Up);
}

TEST_F(ButtonEvents, CheckBoxTogglesByMouseSpaceAndAccessKey) {
    button->writeProperty(u"CheckBoxBehaviour", u"True");
    over = button.get();
    QTest::mouseClick(button.get(), Qt::LeftButton);
    EXPECT_TRUE(button->Value());
    EXPECT_EQ(button->lastPaintedState(), PaintState::Down);
    QTest::keyClick(button.get(), Qt::Key_Space);
    EXPECT_FALSE(button->Value());
    EXPECT_EQ(button->lastPaintedState(), PaintState::Up);
    button->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(button.get()));
    QTest::keyClick(button.get(), Qt::Key_G, Qt::AltModifier);
    EXPECT_TRUE(button->Value());
    EXPECT_EQ(log->count("Click"), 3);
    // Disabled, the access key clicks nothing.
    button->writeProperty(u"Enabled", u"False");
    button->activate();
    EXPECT_EQ(log->count("Click"), 3);
}

TEST(ButtonKeyboard, ArrowsMoveTheFocusAndContainerKeysClick) {
    QWidget form;
    sknButton* buttons[3];
    for (sknButton*& b : buttons) {
        b = new sknButton(&form);
        b->initProperties();
    }
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    buttons[0]->setFocus();
    const std::pair<Qt::Key, int> steps[] = {
        {Qt::Key_Right, 1}, {Qt::Key_Down, 2}, {Qt::Key_Left, 1}, {Qt::Key_Up, 0}};
    for (const auto& [key, focused] : steps) {
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_EQ(QApplication::focusWidget(), buttons[focused]) << key;
    }

    int clicks[3] = {};
    for (int i = 0; i < 3; ++i) {
        QObject::connect(buttons[i], &sknButton::Click, [&clicks, i] { ++clicks[i]; });
    }
    buttons[1]->setDefault(true);
    buttons[2]->setCancel(true);
    EXPECT_TRUE(buttons[1]->ambient().displayAsDefault);
    QTest::keyClick(&form, Qt::Key_Return);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(clicks[1], 1);
    EXPECT_EQ(clicks[2], 1);
    buttons[1]->setDefault(false);
    QTest::keyClick(&form, Qt::Key_Return); // Enter on a focused button does nothing
    EXPECT_EQ(clicks[0] + clicks[1], 1);
    EXPECT_FALSE(buttons[1]->ambient().displayAsDefault);
}

TEST(ButtonRepaint, GuardRefreshAndHeightZero) {
    auto b = shownButton(101, 21, {{"Caption", "One"}});
    const int painted = b->paintCount();
    b->PaintButton(PaintState::Up, false); // same look, same caption: nothing to do
    EXPECT_EQ(b->paintCount(), painted);
    b->PaintButton(PaintState::Down, false);
    EXPECT_EQ(b->paintCount(), painted + 1);

    b->DisableRefresh();
    const QImage before = b->surface().image();
    b->writeProperty(u"Caption", u"Two");
    b->writeProperty(u"ButtonType", u"7");
    EXPECT_EQ(b->paintCount(), painted + 1);
    EXPECT_EQ(b->surface().image(), before);
    b->Refresh();
    EXPECT_EQ(b->paintCount(), painted + 2);
    EXPECT_NE(b->surface().image(), before);

    // Hidden, a change waits for the show.
    b->hide();
    b->writeProperty(u"Caption", u"Three");
    EXPECT_EQ(b->paintCount(), painted + 2);
    b->show();
    EXPECT_EQ(b->paintCount(), painted + 3);

    b->resize(101, 0);
    const int flat = b->paintCount();
    b->PaintButton(PaintState::Down, true);
    EXPECT_EQ(b->paintCount(), flat);
}

TEST(ButtonRegion, IsTheWidgetsMask) {
    auto b = shownButton(40, 20, {{"ButtonType", "13"}});
    EXPECT_EQ(b->mask(), BuildRegion(13, 40, 20));
    b->writeProperty(u"ButtonType", u"1");
    EXPECT_EQ(b->mask(), BuildRegion(1, 40, 20));
    EXPECT_EQ(b->focusRect(), (Rect{4, 4, 36, 16}));
    b->writeProperty(u"ButtonType", u"9");
    EXPECT_TRUE(b->mask().isEmpty());
    EXPECT_EQ(b->focusRect(), (Rect{3, 3, 37, 17}));
}

int render(const QStringList& args, QString* err = nullptr) {
    ControlRegistry registry;
    registerControls(registry);
    QString out;
    QString errors;
    QTextStream o(&out);
    QTextStream e(&errors);
    const int status = runRenderTool(args, registry, o, e);
    if (err != nullptr) {
        *err = errors;
    }
    return status;
}

TEST(ButtonRender, RefusesBadValuesAndDrawsTheOutline) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("b.png"));
    const std::pair<QStringList, const char*> refused[] = {
        {{"button", "101x21", out, "PicturePosition=5"}, "bad value \"5\" for PicturePosition"},
        {{"button", "101x21", out, "ButtonType=two"}, "for ButtonType (Long)"},
        {{"button", "101x21", out, "Value=maybe"}, "for Value (Boolean)"},
        {{"button", "101x21", out, "PictureNormal=/no/such.png"}, "for PictureNormal (Picture)"},
        {{"button", "101x21", out, "Shape=1"}, "button has no property \"Shape\""},
        {{"button", "101x21", out, "--frame", "2"}, "button: no frames"},
    };
    for (const auto& [args, message] : refused) {
        QString err;
        EXPECT_EQ(render(args, &err), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(err.contains(QString::fromUtf8(message))) << err.toStdString();
        EXPECT_EQ(err.count(u'\n'), 1);
    }
    ASSERT_EQ(render({"button", "41x21", out, "ButtonType=1", "ColorScheme=3", "--state", "down"}),
              0);
    const QImage image(out);
    EXPECT_EQ(image.size(), QSize(41, 21));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(1, 0)), 255);
    EXPECT_EQ(image.pixel(1, 1), 0xFF808080u); // the pressed bevel's shadow
}

} // namespace
