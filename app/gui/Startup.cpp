#include "gui/Startup.h"

#include "gui/frmMain.h"
#include "platform/Services.h"
#include "shared/ControlFailures.h"
#include "tools/basTools.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace zephral {

void prepareHighDpi() {
    // The screen's own factor (1.25, 1.5...): the controls draw for the
    // device's pixels and keep their lines whole pixels at any ratio.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

void installControlFailureLog() {
    setControlFailureHandler([](const ControlFailure& failure) {
        LogError(failure.showMessage, QString::number(failure.number), failure.description,
                 failure.module, failure.procedure);
    });
}

bool startWithMainWindow(const QString& programFolder, std::unique_ptr<frmMain>& form,
                         const StartupOptions& options) {
    const MainWindowSteps window{[&form] { form = std::make_unique<frmMain>(); },
                                 [&form] { form->show(); }};
    return Main(programFolder, window, options);
}

void closeMainWindowWhenShownForTests(frmMain& form) {
    const QString asked =
        services().environment->variable(QStringLiteral("ZEPHRAL_TEST_CLOSE_MAIN_WINDOW"));
    if (asked.isEmpty()) {
        return;
    }
    auto* poll = new QTimer(&form);
    QObject::connect(poll, &QTimer::timeout, &form, [&form, poll] {
        const QWindow* window = form.windowHandle();
        if (!form.isVisible() || window == nullptr || !window->isExposed()) {
            return;
        }
        poll->stop();
        std::fprintf(stderr, "zephral: main window shown: %s\n", qPrintable(form.windowTitle()));
        std::fflush(stderr);
        form.close();
    });
    poll->start(10);
}

} // namespace zephral
