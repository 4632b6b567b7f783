#include "gui/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerZephralResources() {
    Q_INIT_RESOURCE(zephral);
}

namespace zephral {

void initResources() {
    // The resources live in a static library, where nothing else would pull
    // their registration in.
    static const bool registered = [] {
        registerZephralResources();
        return true;
    }();
    static_cast<void>(registered);
}

QIcon programIcon() {
    initResources();
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/art/icons/hicolor/%1x%1/apps/zephral.png").arg(size),
                     QSize(size, size));
    }
    return icon;
}

} // namespace zephral
