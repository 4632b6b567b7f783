#include "gui/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerZephralResources() {
    Q_INIT_RESOURCE(zephral);
}

namespace zephral {

void initResources() {
    // The pictures live in a static library, where nothing else would pull
    // their registration in.
    static const bool registered = [] {
        registerZephralResources();
        return true;
    }();
    static_cast<void>(registered);
}

} // namespace zephral
