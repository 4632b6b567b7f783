#include "gui/Startup.h"

#include "gui/frmMain.h"

namespace zephral {

bool StartWithMainWindow(const QString& programFolder, std::unique_ptr<frmMain>& form,
                         const StartupOptions& options) {
    const MainWindowSteps window{[&form] { form = std::make_unique<frmMain>(); },
                                 [&form] { form->show(); }};
    return Main(programFolder, window, options);
}

} // namespace zephral
