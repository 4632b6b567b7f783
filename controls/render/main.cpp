// zephral-render: see RenderTool.h.
#include "Controls.h"
#include "render/RenderTool.h"

#include <QApplication>
#include <QTextStream>
#include <cstdio>

namespace {

// Qt's own chatter would break the one-line error contract.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "zephral-render: %s\n", qPrintable(message));
    }
}

} // namespace

int main(int argc, char** argv) {
    // Always offscreen, and with Qt's own palette rather than a desktop
    // theme's, so a picture never depends on where it was made.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("QT_QPA_PLATFORMTHEME");
    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);

    zephral::ControlRegistry registry;
    zephral::registerControls(registry);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return zephral::runRenderTool(QApplication::arguments().mid(1), registry, out, err);
}
