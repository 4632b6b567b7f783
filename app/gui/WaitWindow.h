// The wait window around a command's work.
#pragma once

#include "commands/Commands.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <utility>

namespace zephral {

class frmWait;

// Shows the wait window over owner, disables owner and lets the window be
// drawn (events serviced, 50 ms pause, events serviced again). Its end enables
// owner again and unloads the wait window, on every path out.
class WaitWindowSession {
public:
    explicit WaitWindowSession(QWidget* owner);
    ~WaitWindowSession();
    WaitWindowSession(const WaitWindowSession&) = delete;
    WaitWindowSession& operator=(const WaitWindowSession&) = delete;

    // Runs work on a thread of its own while this thread turns the event
    // loop, so that both windows are repainted and the desktop never takes
    // the program for hung. Input to them stays blocked (the owner is
    // disabled, the wait window takes none) and a close request is refused
    // until the work ends. The work reports its
    // progress through the function it is given; once it has taken a second
    // the wait window shows it. An exception from the work comes back here.
    void runAside(const std::function<void(const FileProgress&)>& work);

private:
    void finish() noexcept;

    QWidget* m_owner;
    std::unique_ptr<frmWait> m_wait;
};

// Runs work with the wait window up and returns its result. No events are
// serviced while work runs. Main window and wait window are restored also when
// work throws; the exception then goes on to the caller.
template <class F>
auto runWithWaitWindow(QWidget* owner, F&& work) -> decltype(std::forward<F>(work)()) {
    WaitWindowSession session(owner);
    return std::forward<F>(work)();
}

// The same for long work, run aside (see WaitWindowSession::runAside).
template <class R>
R runAsideWithWaitWindow(QWidget* owner, const std::function<R(const FileProgress&)>& work) {
    WaitWindowSession session(owner);
    R result{};
    session.runAside([&](const FileProgress& progress) { result = work(progress); });
    return result;
}

// How long work runs before the wait window shows its progress: a second.
int waitProgressDelayMs();

// For tests: another delay while one lives, the one before it after.
class ScopedWaitProgressDelay {
public:
    explicit ScopedWaitProgressDelay(int ms);
    ~ScopedWaitProgressDelay();
    ScopedWaitProgressDelay(const ScopedWaitProgressDelay&) = delete;
    ScopedWaitProgressDelay& operator=(const ScopedWaitProgressDelay&) = delete;

private:
    int m_saved;
};

} // namespace zephral
