#include "startup/basMain.h"

#include "commands/Commands.h"
#include "platform/AppInfo.h"
#include "platform/Services.h"
#include "startup/basSelfInstall.h"
#include "tools/basTools.h"

#include <new>

namespace zephral {

QString appPathFrom(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool Main(const QString& programFolder, const MainWindowSteps& window,
          const StartupOptions& options) {
    // How far start-up got, for the error message. Nothing happens at "3":
    // the marker passes straight on to "4".
    QString step = QStringLiteral("1");
    try {
        gAppPath = appPathFrom(programFolder);
        step = QStringLiteral("2");
        RunSelfInstall(options.registrationWaitMs, options.installPauseMs);
        step = QStringLiteral("4");
        window.load();
        step = QStringLiteral("5");
        window.show();
        step = QStringLiteral("6");
        return true;
    } catch (const std::bad_alloc&) {
        ReportError(QStringLiteral("Main ") + step, CommandResult::outOfMemory());
        return false;
    }
}

void ReportError(const QString& procedure, const CommandResult& failure) {
    QString text = QStringLiteral("%1: error %2: %3")
                       .arg(procedure, QString::number(failure.number), failure.description);
    if (!failure.path.isEmpty()) {
        text += QStringLiteral(" (%1)").arg(failure.path.toText());
    }
    services().messageBox->show(QLatin1String(kAppTitle), text, MessageIcon::None);
}

void installCodePageFallbackLog() {
    reportCodePageFallback([](const QString& text) {
        LogError(false, QString::number(kErrorUnknownCodePage), text, QStringLiteral("basEncrypt"),
                 QStringLiteral("activeCodePage"));
    });
}

void reportWarning(const QString& text) {
    services().messageBox->show(QLatin1String(kAppTitle), text, MessageIcon::Warning);
}

} // namespace zephral
