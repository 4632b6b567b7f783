// How the 3D frame reports what goes wrong while it sets up, loads, saves and
// draws itself. Eight of its procedures catch every failure of a statement,
// report it here with the procedure's name and go on with the next
// statement, so that a bad stored value or a failing drawing step costs one
// detail of the frame, never the whole window.
//
// The controls do not know the application: the report goes to a handler
// the application installs at start (its error log, with the message box
// first where showMessage asks for it). Until one is installed, reports go
// to standard error, one line each.
#pragma once

#include "shared/PropertyBag.h"

#include <QString>
#include <QStringView>
#include <functional>
#include <new>
#include <type_traits>

namespace zephral {

struct FrameFailure {
    QString module;           // always "Frame3D"
    QString procedure;        // "DrawBevelInner", "UserControl_ReadProperties", ...
    int number = 0;           // the platform's error number
    QString description;      // its text
    bool showMessage = false; // show the user a message box before logging
    bool operator==(const FrameFailure&) const = default;
};

using FrameFailureHandler = std::function<void(const FrameFailure&)>;

// Installs the handler every frame reports to; an empty one puts back the
// default (standard error). Returns the one it replaces.
FrameFailureHandler setFrameFailureHandler(FrameFailureHandler handler);
void reportFrameFailure(const FrameFailure& failure);

// The one-line text the default handler writes.
QString frameFailureText(const FrameFailure& failure);

// For tests: while one exists, the statement `step` of `procedure` fails
// with `error` instead of running, each time it is reached.
class ScopedFrameFault {
public:
    ScopedFrameFault(QString procedure, QString step, ControlError error);
    ~ScopedFrameFault();
    ScopedFrameFault(const ScopedFrameFault&) = delete;
    ScopedFrameFault& operator=(const ScopedFrameFault&) = delete;

private:
    QString m_procedure;
    QString m_step;
};

// The injected failure of a statement, if a test asked for one.
ControlError injectedFrameFault(QStringView procedure, QStringView step);

// One run of a reporting procedure. step() runs one statement: a statement
// that returns a ControlError (or one a test injects) is reported with the
// procedure's name, and the procedure goes on with its next statement.
class FrameProcedure {
public:
    FrameProcedure(QString name, bool showMessage)
        : m_name(std::move(name)), m_showMessage(showMessage) {}

    template <class Statement>
    void step(QStringView stepName, Statement&& statement) {
        ControlError error = injectedFrameFault(m_name, stepName);
        if (!error) {
            try {
                if constexpr (std::is_same_v<std::invoke_result_t<Statement>, ControlError>) {
                    error = statement();
                } else {
                    statement();
                }
            } catch (const std::bad_alloc&) {
                error = {7, QStringLiteral("Out of memory")};
            }
        }
        if (error) {
            reportFrameFailure({QStringLiteral("Frame3D"), m_name, error.number, error.description,
                                m_showMessage});
        }
    }

private:
    QString m_name;
    bool m_showMessage;
};

} // namespace zephral
