// Small shared tools and the error log.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace zephral {

// Hands a document path or a web address to the desktop with the verb "Open".
// A local path opens in the program the desktop associates with it, a bare host
// name in the web browser. Every failure is ignored and nothing is shown.
void ShellOpen(const QString& pathOrAddress);

// "true" and "false" in any letter case, or a number (0 is false, any other
// number true), blanks around either allowed; anything else, the empty text
// included, is false.
bool ToBool(const QString& value);

// The text before the first NUL character, or the whole text when it has none.
QString TrimAtNul(const QString& text);

// Appends one record to "ErrorLog.txt" in the program's folder, its control
// characters escaped (\033), after first
// showing a critical message box about the error when `show` is true. An
// installed program, and one whose folder refuses the record, writes it to
// "ErrorLog.txt" in the user's data folder instead. When that fails too the
// record is lost silently: the callers are error handlers themselves and have
// nowhere to send a further failure.
void LogError(bool show, const QString& number, const QString& description, const QString& module,
              const QString& procedure);

inline constexpr const char* kErrorLogFileName = "ErrorLog.txt";

// The pieces of LogError, for callers that want them without the side effects.
QString errorLogStamp(const QDateTime& when);
QString errorLogRecord(const QDateTime& when, const QString& number, const QString& description,
                       const QString& module, const QString& procedure, const QString& user,
                       const QString& computer);
QString errorMessageText(const QString& number, const QString& description, const QString& module,
                         const QString& procedure);
QString errorMessageTitle();

// The user and computer names that go into a record: the environment
// variables "username" and "computername" when they are set, else the
// system's own names.
QString errorLogUserName();
QString errorLogComputerName();

// The log is 8-bit text in the program's code page. This is the one place
// that turns a record into bytes.
QByteArray errorLogBytes(const QString& record);

} // namespace zephral
