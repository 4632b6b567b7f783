#include "platform/gui/WindowStates.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdint>
#include <dlfcn.h>
#include <qpa/qplatformnativeinterface.h>

namespace zephral {

namespace {

constexpr Qt::WindowStates kRefused = Qt::WindowMaximized | Qt::WindowFullScreen;

// Under Wayland a maximised state must be answered with the size the
// compositor hands out, and Qt 6.4 answers a fixed-size window's with its own
// size, which a strict compositor (Weston) ends the connection for. Qt sends
// the request as soon as the state is set, so the opposite request goes out
// right behind it, in the same batch: the compositor takes both before it
// configures the window, and never configures it maximised. The toplevel's
// requests are those of the xdg-shell protocol (unset_maximized 10,
// unset_fullscreen 12), sent through libwayland-client, which Qt's Wayland
// platform has loaded.
void withdrawWaylandRequest(QWindow* handle, Qt::WindowStates states) {
    if (QGuiApplication::platformName() != QLatin1String("wayland")) {
        return;
    }
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    void* toplevel =
        native != nullptr ? native->nativeResourceForWindow("xdg_toplevel", handle) : nullptr;
    using Marshal = void (*)(void*, std::uint32_t, ...);
    static const auto marshal = [] {
        void* library = dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_NOLOAD);
        return library != nullptr ? reinterpret_cast<Marshal>(dlsym(library, "wl_proxy_marshal"))
                                  : nullptr;
    }();
    if (toplevel == nullptr || marshal == nullptr) {
        return;
    }
    constexpr std::uint32_t kUnsetMaximized = 10;
    constexpr std::uint32_t kUnsetFullscreen = 12;
    if (states & Qt::WindowMaximized) {
        marshal(toplevel, kUnsetMaximized);
    }
    if (states & Qt::WindowFullScreen) {
        marshal(toplevel, kUnsetFullscreen);
    }
}

class SizeKeeper : public QObject {
public:
    explicit SizeKeeper(QWidget* window) : QObject(window), m_window(window) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && event->type() == QEvent::Show && !m_watching) {
            if (QWindow* handle = m_window->windowHandle()) {
                m_watching = true;
                connect(handle, &QWindow::windowStateChanged, this,
                        [this, handle](Qt::WindowState state) { refuse(handle, state); });
            }
        }
        // Anything that reaches the widget itself (a state set before the
        // window had a handle) is taken back the same way.
        if (watched == m_window && event->type() == QEvent::WindowStateChange &&
            (m_window->windowState() & kRefused)) {
            restore();
        }
        return false;
    }

private:
    void refuse(QWindow* handle, Qt::WindowState state) {
        if (!(Qt::WindowStates(state) & kRefused)) {
            return;
        }
        withdrawWaylandRequest(handle, state);
        restore();
    }

    // Back to the plain state once the signal has returned; the fixed size
    // holds the window's size meanwhile.
    void restore() {
        QTimer::singleShot(0, this, [window = QPointer<QWidget>(m_window)] {
            if (window != nullptr && (window->windowState() & kRefused)) {
                window->setWindowState(window->windowState() & ~kRefused);
            }
        });
    }

    QWidget* m_window;
    bool m_watching = false;
};

} // namespace

void keepWindowAtItsSize(QWidget* window) {
    new SizeKeeper(window);
}

} // namespace zephral
