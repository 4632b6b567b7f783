#include "frame3d/FrameFailures.h"

#include <QTextStream>
#include <cstdio>
#include <utility>
#include <vector>

namespace zephral {

namespace {

void writeToStandardError(const FrameFailure& failure) {
    QTextStream err(stderr);
    err << frameFailureText(failure) << '\n';
}

FrameFailureHandler& currentHandler() {
    static FrameFailureHandler handler = writeToStandardError;
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

FrameFailureHandler setFrameFailureHandler(FrameFailureHandler handler) {
    if (!handler) {
        handler = writeToStandardError;
    }
    return std::exchange(currentHandler(), std::move(handler));
}

void reportFrameFailure(const FrameFailure& failure) {
    // A copy, so that a handler may replace itself while it runs.
    const FrameFailureHandler handler = currentHandler();
    handler(failure);
}

QString frameFailureText(const FrameFailure& failure) {
    return QStringLiteral("%1: %2: error %3: %4")
        .arg(failure.module, failure.procedure)
        .arg(failure.number)
        .arg(failure.description);
}

ScopedFrameFault::ScopedFrameFault(QString procedure, QString step, ControlError error)
    : m_procedure(std::move(procedure)), m_step(std::move(step)) {
    faults().push_back({m_procedure, m_step, std::move(error)});
}

ScopedFrameFault::~ScopedFrameFault() {
    auto& list = faults();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->procedure == m_procedure && it->step == m_step) {
            list.erase(it);
            return;
        }
    }
}

ControlError injectedFrameFault(QStringView procedure, QStringView step) {
    for (const Fault& f : faults()) {
        if (f.procedure == procedure && f.step == step) {
            return f.error;
        }
    }
    return {};
}

} // namespace zephral
