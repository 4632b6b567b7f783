#include "core/basMain.h"

#include "core/AppInfo.h"
#include "core/basSelfInstall.h"
#include "platform/Services.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <system_error>

namespace zephral {

AppError::AppError(int number, const QString& description)
    : std::runtime_error(description.toStdString()), m_number(number), m_description(description) {}

ErrorInfo currentErrorInfo() {
    try {
        throw;
    } catch (const AppError& e) {
        return {e.number(), e.description()};
    } catch (const std::system_error& e) {
        return {e.code().value(), QString::fromLocal8Bit(e.code().message())};
    } catch (const std::bad_alloc&) {
        return {ENOMEM, QString::fromLocal8Bit(std::strerror(ENOMEM))};
    } catch (const std::exception& e) {
        return {-1, QString::fromLocal8Bit(e.what())};
    } catch (...) {
        return {-1, QStringLiteral("Unknown error")};
    }
}

QString appPathFrom(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace zephral

using namespace zephral;

bool Main(const QString& programFolder, const MainWindowSteps& window,
          const StartupOptions& options) {
    // How far start-up got, for the error message.
    QString step = QStringLiteral("1");
    try {
        gAppPath = appPathFrom(programFolder);
        step = QStringLiteral("2");
        RunSelfInstall(options.registrationWaitMs, options.installPauseMs);
        step = QStringLiteral("3");
        step = QStringLiteral("4");
        window.load();
        step = QStringLiteral("5");
        window.show();
        step = QStringLiteral("6");
        return true;
    } catch (...) {
        ReportError(QStringLiteral("Main ") + step);
        return false;
    }
}

void ReportError(const QString& procedure, int number, const QString& description) {
    services().messageBox->show(
        QLatin1String(kAppTitle),
        QStringLiteral("%1: error %2: %3").arg(procedure, QString::number(number), description),
        MessageIcon::None);
}

void ReportError(const QString& procedure) {
    const ErrorInfo error = currentErrorInfo();
    ReportError(procedure, error.number, error.description);
}
