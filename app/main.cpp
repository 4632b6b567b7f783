#include "gui/Startup.h"
#include "gui/WindowCheck.h"
#include "gui/frmMain.h"
#include "platform/gui/QtGuiServices.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    zephral::prepareHighDpi();
    QApplication app(argc, argv);
    // Desktops match the window to its menu entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(ZEPHRAL_APP_ID));
    zephral::installGuiServices();
    zephral::installControlFailureLog();
    zephral::installCodePageFallbackLog();
    std::unique_ptr<zephral::frmMain> form;
    // A failed start-up has been reported; with no window up there is nothing
    // left to run.
    const bool started = zephral::startWithMainWindow(QCoreApplication::applicationDirPath(), form);
    if (!started && !(form && form->isVisible())) {
        return 1;
    }
    if (form) {
        zephral::closeMainWindowWhenShownForTests(*form);
        zephral::startWindowCheckForTests(*form);
    }
    return app.exec();
}
