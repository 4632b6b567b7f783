#include "platform/gui/TaskBar.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace zephral {

namespace {

const char* const kFilterName = "keepOutOfTaskBar";

template <typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    const XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Adds the state to _NET_WM_STATE of an unmapped window, keeping the states
// already there; Qt merges its own (modal, above) into the same list when it
// maps the window.
void addNetWmState(xcb_connection_t* connection, xcb_window_t window, const char* stateName) {
    const xcb_atom_t property = internAtom(connection, "_NET_WM_STATE");
    const xcb_atom_t state = internAtom(connection, stateName);
    if (property == XCB_ATOM_NONE || state == XCB_ATOM_NONE) {
        return;
    }
    std::vector<xcb_atom_t> states;
    const auto cookie = xcb_get_property(connection, 0, window, property, XCB_ATOM_ATOM, 0, 1024);
    const XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (reply && reply->type == XCB_ATOM_ATOM && reply->format == 32) {
        const auto* first = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        states.assign(first, first + xcb_get_property_value_length(reply.get()) / 4);
    }
    for (xcb_atom_t present : states) {
        if (present == state) {
            return;
        }
    }
    states.push_back(state);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, property, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
    xcb_flush(connection);
}

// Writes the hint when the window is about to be shown: the show event comes
// after the native window exists and before it is mapped, and a window that
// was hidden and is shown again needs it again (the manager drops the states
// of a withdrawn window).
class TaskBarExclusion : public QObject {
public:
    explicit TaskBarExclusion(QWidget* window) : QObject(window) {
        setObjectName(QLatin1String(kFilterName));
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            apply(static_cast<QWidget*>(watched));
        }
        return false;
    }

private:
    static void apply(QWidget* window) {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        const QWindow* handle = window->windowHandle();
        if (x11 == nullptr || x11->connection() == nullptr || handle == nullptr) {
            return;
        }
        addNetWmState(x11->connection(), static_cast<xcb_window_t>(handle->winId()),
                      "_NET_WM_STATE_SKIP_TASKBAR");
    }
};

} // namespace

void keepOutOfTaskBar(QWidget* window) {
    if (!isKeptOutOfTaskBar(window)) {
        new TaskBarExclusion(window);
    }
}

bool isKeptOutOfTaskBar(const QWidget* window) {
    return window->findChild<QObject*>(QLatin1String(kFilterName), Qt::FindDirectChildrenOnly) !=
           nullptr;
}

} // namespace zephral
