// The timers of the controls (the button's 3 ms hover poll, the animation's
// frame step) and the pointer test, each with a seam for tests: while a
// ManualClock exists every ControlTimer runs on the clock's time, which only
// advance() moves, and a ScopedPointerProbe says which widget is under the
// pointer. Tests step them instead of sleeping.
#pragma once

#include <QObject>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace zephral {

class ControlTimer : public QObject {
    Q_OBJECT
public:
    explicit ControlTimer(QObject* parent = nullptr);
    ~ControlTimer() override;

    // Milliseconds between ticks. An interval of 0 or less never ticks. A
    // change while the timer runs starts the count again from the change.
    void setInterval(int ms);
    int interval() const { return m_interval; }
    void start();
    void stop();
    bool isActive() const { return m_active; }

Q_SIGNALS:
    void timeout();

private:
    friend class ManualClock;
    void arm();

    QTimer m_timer;
    int m_interval = 0;
    bool m_active = false;
    qint64 m_due = 0; // on the manual clock
};

// While one exists, all ControlTimers (those running already and those made
// later) tick only from advance(). One at a time.
class ManualClock {
public:
    ManualClock();
    ~ManualClock();
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    // Moves the time on by ms, firing every tick that falls due on the way,
    // in time order (timers due at the same moment in the order they were
    // made). A timer that a tick starts or stops counts from that moment.
    void advance(int ms);
    qint64 now() const { return m_now; }

    static ManualClock* current();

private:
    qint64 m_now = 0;
};

// The widget under the global pointer position, the innermost one.
QWidget* widgetUnderPointer();

class ScopedPointerProbe {
public:
    explicit ScopedPointerProbe(std::function<QWidget*()> probe);
    ~ScopedPointerProbe();
    ScopedPointerProbe(const ScopedPointerProbe&) = delete;
    ScopedPointerProbe& operator=(const ScopedPointerProbe&) = delete;

private:
    std::function<QWidget*()> m_previous;
};

} // namespace zephral
