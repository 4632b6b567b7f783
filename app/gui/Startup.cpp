#include "gui/Startup.h"

#include "frame3d/FrameFailures.h"
#include "gui/frmMain.h"
#include "tools/basTools.h"

#include <QGuiApplication>

namespace zephral {

void prepareHighDpi() {
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::Round);
}

void installFrameFailureLog() {
    setFrameFailureHandler([](const FrameFailure& failure) {
        LogError(failure.showMessage, QString::number(failure.number), failure.description,
                 failure.module, failure.procedure);
    });
}

bool StartWithMainWindow(const QString& programFolder, std::unique_ptr<frmMain>& form,
                         const StartupOptions& options) {
    const MainWindowSteps window{[&form] { form = std::make_unique<frmMain>(); },
                                 [&form] { form->show(); }};
    return Main(programFolder, window, options);
}

} // namespace zephral
