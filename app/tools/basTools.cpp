#include "tools/basTools.h"

#include "encrypt/CodePage.h"
#include "platform/AppInfo.h"
#include "platform/FilePath.h"
#include "platform/Services.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace zephral {

void ShellOpen(const QString& pathOrAddress) {
    // The shell ignores what it can't open; nothing that goes wrong with a
    // document is worth interrupting the user for.
    services().shell->open(pathOrAddress);
}

bool ToBool(const QString& value) {
    const QString text = value.trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    // A plain decimal number only: QString::toDouble would also take "inf"
    // and "nan", which are words, not numbers.
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?$"));
    if (!number.match(text).hasMatch()) {
        return false;
    }
    // A number is 0 exactly when its digits before the exponent are all 0;
    // deciding on the digits keeps "1e999" (too large for a double) true.
    const QString mantissa = text.section(QRegularExpression(QStringLiteral("[eE]")), 0, 0);
    return mantissa.contains(QRegularExpression(QStringLiteral("[1-9]")));
}

QString TrimAtNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString errorLogStamp(const QDateTime& when) {
    const QTime time = when.time();
    // At exactly midnight the stamp carries the date alone.
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0) {
        return when.toString(QStringLiteral("'#'yyyy-MM-dd'#'"));
    }
    return when.toString(QStringLiteral("'#'yyyy-MM-dd HH:mm:ss'#'"));
}

QString errorLogRecord(const QDateTime& when, const QString& number, const QString& description,
                       const QString& module, const QString& procedure, const QString& user,
                       const QString& computer) {
    const QString program = QStringLiteral("%1 v%2.%3.%4")
                                .arg(QLatin1String(kAppTitle))
                                .arg(kVersionMajor)
                                .arg(kVersionMinor)
                                .arg(kVersionRevision);
    // Text fields go between double quotes exactly as they are: a quote inside
    // a field is written as it stands, not doubled.
    // Control characters (a file name's escape sequences, say) are written
    // escaped, so that showing the log on a terminal shows them as text.
    QString record = errorLogStamp(when);
    for (const QString* field :
         {&number, &description, &module, &procedure, &program, &user, &computer}) {
        record += QStringLiteral(",\"") + QString::fromUtf8(escapeControls(field->toUtf8())) +
                  QLatin1Char('"');
    }
    return record + QStringLiteral("\r\n");
}

QString errorMessageText(const QString& number, const QString& description, const QString& module,
                         const QString& procedure) {
    const QString lineEnd = QStringLiteral("\r\n");
    QString text = QStringLiteral("Error occured: ") + number + lineEnd;
    if (!description.isEmpty()) {
        text += QStringLiteral("Description: ") + description + lineEnd;
    }
    if (!module.isEmpty()) {
        text += QStringLiteral("Module: ") + module + lineEnd;
    }
    if (!procedure.isEmpty()) {
        text += QStringLiteral("Function: ") + procedure;
    }
    return text;
}

QString errorMessageTitle() {
    return QLatin1String(kAppTitle) + QStringLiteral(" - ERROR");
}

QString errorLogUserName() {
    const QString name = services().environment->variable(QStringLiteral("username"));
    return name.isEmpty() ? services().environment->systemUserName() : name;
}

QString errorLogComputerName() {
    const QString name = services().environment->variable(QStringLiteral("computername"));
    return name.isEmpty() ? services().environment->systemHostName() : name;
}

QByteArray errorLogBytes(const QString& record) {
    // The same code page as every other text the program turns into bytes;
    // a character it can't represent becomes "?".
    return activeCodePage().encode(record);
}

namespace {

bool appendTo(const QString& path, const QByteArray& bytes) {
    QFile log(path);
    return log.open(QIODevice::WriteOnly | QIODevice::Append) && log.write(bytes) == bytes.size();
}

} // namespace

void LogError(bool show, const QString& number, const QString& description, const QString& module,
              const QString& procedure) {
    if (show) {
        services().messageBox->show(errorMessageTitle(),
                                    errorMessageText(number, description, module, procedure),
                                    MessageIcon::Critical);
    }
    const QByteArray bytes =
        errorLogBytes(errorLogRecord(services().clock->now(), number, description, module,
                                     procedure, errorLogUserName(), errorLogComputerName()));
    // Beside a program that runs from a folder of its own; an installed
    // program keeps nothing beside itself (even when it could: run by root),
    // and a folder that refuses the record sends it on to the user's data
    // folder. Only when that refuses it too is the record lost.
    const QString name = QLatin1String(kErrorLogFileName);
    if (!gAppPath.isEmpty() && !runsInstalled() && appendTo(gAppPath + name, bytes)) {
        return;
    }
    const QString dataFolder = services().dataFolder->dataFolder();
    if (!dataFolder.isEmpty() && QDir().mkpath(dataFolder)) {
        appendTo(QDir(dataFolder).filePath(name), bytes);
    }
}

} // namespace zephral
