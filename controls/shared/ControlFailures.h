// How a control reports what goes wrong while it sets up, loads, saves and
// draws itself, where it carries on rather than fail: each statement of
// such a procedure that fails is reported here with the control's module
// and the procedure's name, and the procedure goes on with the next
// statement, so that a bad stored value or a failing drawing step costs one
// detail of the control, never the whole window.
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

struct ControlFailure {
    QString module;           // "Frame3D", "sknButton"
    QString procedure;        // "DrawBevelInner", "UserControl_ReadProperties", ...
    int number = 0;           // the platform's error number
    QString description;      // its text
    bool showMessage = false; // show the user a message box before logging
    bool operator==(const ControlFailure&) const = default;
};

using ControlFailureHandler = std::function<void(const ControlFailure&)>;

// Installs the handler every control reports to; an empty one puts back the
// default (standard error). Returns the one it replaces.
ControlFailureHandler setControlFailureHandler(ControlFailureHandler handler);
void reportControlFailure(const ControlFailure& failure);

// The one-line text the default handler writes.
QString controlFailureText(const ControlFailure& failure);

// For tests: while one exists, the statement `step` of `procedure` fails
// with `error` instead of running, each time it is reached.
class ScopedControlFault {
public:
    ScopedControlFault(QString procedure, QString step, ControlError error);
    ~ScopedControlFault();
    ScopedControlFault(const ScopedControlFault&) = delete;
    ScopedControlFault& operator=(const ScopedControlFault&) = delete;

private:
    QString m_procedure;
    QString m_step;
};

// The injected failure of a statement, if a test asked for one.
ControlError injectedControlFault(QStringView procedure, QStringView step);

// One run of a reporting procedure. step() runs one statement: a statement
// that returns a ControlError (or one a test injects) is reported with the
// procedure's name, and the procedure goes on with its next statement. A
// procedure without a module name reports nothing.
class ControlProcedure {
public:
    ControlProcedure(QString module, QString name, bool showMessage)
        : m_module(std::move(module)), m_name(std::move(name)), m_showMessage(showMessage) {}

    template <class Statement>
    void step(QStringView stepName, Statement&& statement) {
        ControlError error = injectedControlFault(m_name, stepName);
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
        if (error && !m_module.isEmpty()) {
            reportControlFailure(
                {m_module, m_name, error.number, error.description, m_showMessage});
        }
    }

private:
    QString m_module;
    QString m_name;
    bool m_showMessage;
};

} // namespace zephral
