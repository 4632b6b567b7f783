// sknWorking: the "working" indicator of the wait window, a flip-book. Nine
// 90 x 90 frames lie stacked in a 90 x 73 clip, a 90 x 18 strip lies under
// them from row 72, and while the animation runs a timer brings the next
// frame to the front every Speed milliseconds. The control draws nothing
// itself: every pixel comes from its pictures. It ignores every failure (a
// missing picture leaves its place empty).
#pragma once

#include "shared/ControlTimer.h"
#include "shared/SkinnedControl.h"

#include <array>

class QLabel;

namespace zephral {

class sknWorking : public SkinnedControl {
    Q_OBJECT
public:
    static constexpr int kFrames = 9;
    static constexpr int kDefaultSpeed = 50;

    explicit sknWorking(QWidget* parent = nullptr);

    // Saves only what differs from the defaults; a value that cannot be
    // loaded is left as it was.
    const PropertyTable& propertyTable() const override;
    // --frame N: frame N (1 to 9) in front; the next tick shows the one after.
    ControlError applyLook(const Look& look) override;

    void StartAni() { tmrAni->start(); }
    void StopAni() { tmrAni->stop(); }
    bool isRunning() const { return tmrAni->isActive(); }

    // Stored only: the control shows its pictures whatever these say.
    Colour BackColor() const { return m_backColour; }
    Colour ForeColor() const { return m_foreColour; }
    bool Enabled() const { return m_enabled; }
    FontDesc Font() const { return m_font; }
    qint16 BackStyle() const { return m_backStyle; }
    qint16 BorderStyle() const { return m_borderStyle; }
    // Milliseconds between frames: the timer's interval. A value outside
    // 0 to 65535 is ignored; 0 stops the frames from changing.
    qint32 Speed() const { return tmrAni->interval(); }

    // The index (1 to 9) of the frame that lies in front, and the index the
    // last tick brought there (0 before the first).
    int frameInFront() const;
    int frameIndex() const { return m_frame; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tick();
    void bringToFront(int index);

    QWidget* Picture3;
    std::array<QLabel*, kFrames + 1> Picture1{}; // indexes 1 to 9
    QLabel* Picture2;
    ControlTimer* tmrAni;

    int m_frame = 0;
    Colour m_backColour = 0;
    Colour m_foreColour = 0;
    bool m_enabled = false;
    FontDesc m_font;
    qint16 m_backStyle = 0;
    qint16 m_borderStyle = 0;
};

} // namespace zephral
