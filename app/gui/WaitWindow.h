// The wait window around a command's work.
#pragma once

#include <QWidget>
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

} // namespace zephral
