#include "shared/ControlFailures.h"

#include <QTextStream>
#include <cstdio>
#include <utility>
#include <vector>

namespace zephral {

namespace {

void writeToStandardError(const ControlFailure& failure) {
    QTextStream err(stderr);
    err << controlFailureText(failure) << '\n';
}

ControlFailureHandler& currentHandler() {
    static ControlFailureHandler handler = writeToStandardError;
    return handler;
}

struct Fault {
    QString procedure;
    QString step;
    ControlError error;
};

std::vector<Fault>& faults() {
    static std::vector<Fault> list;
    return list;
}

} // namespace

ControlFailureHandler setControlFailureHandler(ControlFailureHandler handler) {
    if (!handler) {
        handler = writeToStandardError;
    }
    return std::exchange(currentHandler(), std::move(handler));
}

void reportControlFailure(const ControlFailure& failure) {
    // A copy, so that a handler may replace itself while it runs.
    const ControlFailureHandler handler = currentHandler();
    handler(failure);
}

QString controlFailureText(const ControlFailure& failure) {
    return QStringLiteral("%1: %2: error %3: %4")
        .arg(failure.module, failure.procedure)
        .arg(failure.number)
        .arg(failure.description);
}

ScopedControlFault::ScopedControlFault(QString procedure, QString step, ControlError error)
    : m_procedure(std::move(procedure)), m_step(std::move(step)) {
    faults().push_back({m_procedure, m_step, std::move(error)});
}

ScopedControlFault::~ScopedControlFault() {
    auto& list = faults();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->procedure == m_procedure && it->step == m_step) {
            list.erase(it);
            return;
        }
    }
}

ControlError injectedControlFault(QStringView procedure, QStringView step) {
    for (const Fault& f : faults()) {
        if (f.procedure == procedure && f.step == step) {
            return f.error;
        }
    }
    return {};
}

} // namespace zephral
