#include "gui/WaitWindow.h"

#include "gui/frmWait.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <utility>
#include <vector>

namespace zephral {

namespace {

std::vector<const QWidget*>& blockedWindows() {
    static std::vector<const QWidget*> windows;
    return windows;
}

bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
    case QEvent::HoverLeave:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

} // namespace

// Holds every input event for a widget of one window back, from the whole
// program, while it lives; nothing else of the window changes.
class WaitWindowSession::InputBlock : public QObject {
public:
    explicit InputBlock(const QWidget* window) : m_window(window) {
        blockedWindows().push_back(window);
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputBlock() override {
        auto& windows = blockedWindows();
        windows.erase(std::find(windows.begin(), windows.end(), m_window));
    }
    InputBlock(const InputBlock&) = delete;
    InputBlock& operator=(const InputBlock&) = delete;

    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto* w = qobject_cast<const QWidget*>(watched);
        if (w == nullptr || w->window() != m_window || !isInput(event->type())) {
            return false;
        }
        event->ignore(); // a drag is refused, a key goes nowhere else
        return true;
    }

private:
    const QWidget* m_window;
};

bool takesInput(const QWidget* w) {
    const auto& windows = blockedWindows();
    return w == nullptr || std::find(windows.begin(), windows.end(), w->window()) == windows.end();
}

WaitWindowSession::WaitWindowSession(QWidget* owner) : m_owner(owner) {
    try {
        m_wait = std::make_unique<frmWait>(owner);
        m_wait->show();
        if (m_owner != nullptr) {
            m_block = std::make_unique<InputBlock>(m_owner->window());
        }
        m_wait->repaint();
        // Let the window system put the wait window on screen before the work
        // takes the thread.
        QCoreApplication::processEvents();
        QThread::msleep(50);
        QCoreApplication::processEvents();
    } catch (...) {
        finish();
        throw;
    }
}

namespace {

// Refuses every close request while work runs: the title bar's, the
// window manager's and the session's. Nothing of the program closes the
// two windows meanwhile.
class CloseRefusal : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return false;
    }
};

int gProgressDelayMs = 1000;

} // namespace

int waitProgressDelayMs() {
    return gProgressDelayMs;
}

ScopedWaitProgressDelay::ScopedWaitProgressDelay(int ms) : ScopedValue(gProgressDelayMs, ms) {}

void WaitWindowSession::runAside(const std::function<void(const FileProgress&)>& work) {
    runAsideOverFiles([&](const FilesProgress& progress) {
        work([&](qint64 done, qint64 total) { progress(0, 0, done, total); });
    });
}

void WaitWindowSession::runAsideOverFiles(const std::function<void(const FilesProgress&)>& work) {
    CloseRefusal refusal;
    for (QWidget* w : {m_owner, static_cast<QWidget*>(m_wait.get())}) {
        if (w != nullptr) {
            w->installEventFilter(&refusal);
        }
    }
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{-1};
    std::atomic<int> file{0};
    std::atomic<int> files{0};
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    tick.setInterval(100);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (clock.elapsed() < waitProgressDelayMs()) {
            return;
        }
        if (total.load() > 0) {
            m_wait->showProgress(done.load(), total.load());
        }
        if (files.load() > 0) {
            m_wait->showFile(file.load(), files.load());
        }
    });
    tick.start();

    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work([&](int f, int fs, qint64 d, qint64 t) {
                files.store(fs);
                file.store(f);
                total.store(t);
                done.store(d);
            });
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued, so that a quit before the loop has started still ends it.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    // A loop ended from elsewhere (the program asked to end) still waits
    // for the work: a half-written file is never left to the system.
    worker.join();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

WaitWindowSession::~WaitWindowSession() {
    finish();
}

void WaitWindowSession::finish() noexcept {
    m_block.reset();
    m_wait.reset();
}

} // namespace zephral
