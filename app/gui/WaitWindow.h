// The wait window around a command's work.
#pragma once

#include "commands/Commands.h"
#include "platform/ScopedValue.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <utility>

namespace zephral {

class frmWait;

// Shows the wait window over owner, stops owner's window from taking input
// and lets the wait window be drawn (events serviced, 50 ms pause, events
// serviced again). Owner's window keeps its look meanwhile: it is not
// disabled, which would grey every text box and scroll bar in it. Its end
// lets owner's window take input again and unloads the wait window, on every
// path out.
class WaitWindowSession {
public:
    explicit WaitWindowSession(QWidget* owner);
    ~WaitWindowSession();
    WaitWindowSession(const WaitWindowSession&) = delete;
    WaitWindowSession& operator=(const WaitWindowSession&) = delete;

    // Runs work on a thread of its own while this thread turns the event
    // loop, so that both windows are repainted and the desktop never takes
    // the program for hung. Input to them stays blocked (the owner's window
    // takes none, nor does the wait window) and a close request is refused
    // until the work ends. The work reports its
    // progress through the function it is given; once it has taken a second
    // the wait window shows it. An exception from the work comes back here.
    void runAside(const std::function<void(const FileProgress&)>& work);

    // The same for work over many files, which also says which file of how
    // many it is on (`file` counts from 1); the wait window shows that too.
    using FilesProgress = std::function<void(int file, int files, qint64 done, qint64 total)>;
    void runAsideOverFiles(const std::function<void(const FilesProgress&)>& work);

private:
    class InputBlock;
    void finish() noexcept;

    QWidget* m_owner;
    std::unique_ptr<InputBlock> m_block;
    std::unique_ptr<frmWait> m_wait;
};

// Whether the window of w takes input: false while a wait window session
// holds it.
bool takesInput(const QWidget* w);

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

// For tests: another delay while one lives.
class ScopedWaitProgressDelay : public ScopedValue<int> {
public:
    explicit ScopedWaitProgressDelay(int ms);
};

} // namespace zephral
