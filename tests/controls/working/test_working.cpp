// The working animation on a clock the test steps: the order of the frames
// across stop and start, the pace after a change of speed, the size it
// forces, the picture it shows and its click.
#include "working/sknWorking.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace zephral;

namespace {

struct Working {
    QWidget host;
    sknWorking* control = nullptr;
    explicit Working(QSize size = {90, 90}) {
        control = new sknWorking(&host);
        control->initProperties();
        control->resize(size);
        host.resize(300, 300);
        host.show();
        QApplication::processEvents();
    }
};

TEST(Working, StepsThroughTheFramesAcrossStopAndStart) {
    ManualClock clock;
    Working w;
    EXPECT_EQ(w.control->frameIndex(), 0);
    EXPECT_EQ(w.control->frameInFront(), 1);
    clock.advance(500);
    EXPECT_EQ(w.control->frameIndex(), 0) << "ticked before StartAni";

    w.control->StartAni();
    std::vector<int> seen;
    for (int i = 0; i < 11; ++i) {
        clock.advance(50);
        seen.push_back(w.control->frameInFront());
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2}));

    w.control->StopAni();
    clock.advance(1000);
    EXPECT_EQ(w.control->frameInFront(), 2);
    w.control->StartAni();
    clock.advance(50);
    EXPECT_EQ(w.control->frameInFront(), 3);
}

TEST(Working, ANewSpeedSetsThePaceFromTheNextTick) {
    ManualClock clock;
    Working w;
    w.control->StartAni();
    clock.advance(50);
    ASSERT_EQ(w.control->frameIndex(), 1);
    clock.advance(30);
    w.control->setPropertyValue(u"Speed", qint32(200));
    EXPECT_EQ(w.control->Speed(), 200);
    clock.advance(199);
    EXPECT_EQ(w.control->frameIndex(), 1);
    clock.advance(1);
    EXPECT_EQ(w.control->frameIndex(), 2);
    clock.advance(200);
    EXPECT_EQ(w.control->frameIndex(), 3);
    w.control->setPropertyValue(u"Speed", qint32(-1)); // ignored
    EXPECT_EQ(w.control->Speed(), 200);
}

TEST(Working, IsAlways90By90AndShowsTheFrameAboveTheStrip) {
    for (const QSize size : {QSize(90, 90), QSize(200, 40), QSize(10, 300)}) {
        Working w(size);
        EXPECT_EQ(w.control->size(), QSize(90, 90));
    }
    Working w;
    ASSERT_FALSE(w.control->applyLook({.frame = 4}));
    EXPECT_EQ(w.control->frameInFront(), 4);
    const QImage shown = w.control->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage frame(QStringLiteral(":/working/art/frame4.png"));
    const QImage strip(QStringLiteral(":/working/art/strip.png"));
    ASSERT_EQ(frame.size(), QSize(90, 90));
    ASSERT_EQ(strip.size(), QSize(90, 18));
    EXPECT_EQ(shown.copy(0, 0, 90, 72),
              frame.convertToFormat(QImage::Format_RGB32).copy(0, 0, 90, 72));
    EXPECT_EQ(shown.copy(0, 72, 90, 18), strip.convertToFormat(QImage::Format_RGB32));
    EXPECT_TRUE(w.control->applyLook({.frame = 10}));
}

TEST(Working, ClicksOnlyFromTheStrip) {
    Working w;
    QSignalSpy clicks(w.control, &SkinnedControl::Click);
    QTest::mouseClick(w.control->findChild<QWidget*>("Picture1(1)"), Qt::LeftButton);
    EXPECT_EQ(clicks.size(), 0);
    QTest::mouseClick(w.control->findChild<QWidget*>("Picture2"), Qt::LeftButton);
    EXPECT_EQ(clicks.size(), 1);
}

} // namespace
