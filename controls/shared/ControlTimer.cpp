#include "shared/ControlTimer.h"

#include <QApplication>
#include <QCursor>
#include <algorithm>
#include <vector>

namespace zephral {

namespace {

std::vector<ControlTimer*>& allTimers() {
    static std::vector<ControlTimer*> timers;
    return timers;
}

ManualClock* g_clock = nullptr;

std::function<QWidget*()>& pointerProbe() {
    static std::function<QWidget*()> probe;
    return probe;
}

} // namespace

ControlTimer::ControlTimer(QObject* parent) : QObject(parent) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ControlTimer::timeout);
    allTimers().push_back(this);
}

ControlTimer::~ControlTimer() {
    std::erase(allTimers(), this);
}

void ControlTimer::arm() {
    m_timer.stop();
    if (!m_active) {
        return;
    }
    if (g_clock != nullptr) {
        m_due = g_clock->now() + m_interval;
    } else if (m_interval > 0) {
        m_timer.start(m_interval);
    }
}

void ControlTimer::setInterval(int ms) {
    m_interval = ms;
    arm();
}

void ControlTimer::start() {
    m_active = true;
    arm();
}

void ControlTimer::stop() {
    m_active = false;
    arm();
}

ManualClock::ManualClock() {
    Q_ASSERT(g_clock == nullptr);
    g_clock = this;
    for (ControlTimer* t : allTimers()) {
        t->arm();
    }
}

ManualClock::~ManualClock() {
    g_clock = nullptr;
    for (ControlTimer* t : allTimers()) {
        t->arm();
    }
}

ManualClock* ManualClock::current() {
    return g_clock;
}

void ManualClock::advance(int ms) {
    const qint64 target = m_now + std::max(ms, 0);
    while (true) {
        ControlTimer* next = nullptr;
        for (ControlTimer* t : allTimers()) {
            if (t->m_active && t->m_interval > 0 && t->m_due <= target &&
                (next == nullptr || t->m_due < next->m_due)) {
                next = t;
            }
        }
        if (next == nullptr) {
            break;
        }
        m_now = next->m_due;
        next->m_due += next->m_interval;
        Q_EMIT next->timeout();
    }
    m_now = target;
}

QWidget* widgetUnderPointer() {
    if (pointerProbe()) {
        return pointerProbe()();
    }
    return QApplication::widgetAt(QCursor::pos());
}

ScopedPointerProbe::ScopedPointerProbe(std::function<QWidget*()> probe)
    : m_previous(std::move(pointerProbe())) {
    pointerProbe() = std::move(probe);
}

ScopedPointerProbe::~ScopedPointerProbe() {
    pointerProbe() = std::move(m_previous);
}

} // namespace zephral
