#include "gui/WaitWindow.h"

#include "gui/frmWait.h"

#include <QCoreApplication>
#include <QThread>

namespace zephral {

WaitWindowSession::WaitWindowSession(QWidget* owner) : m_owner(owner) {
    try {
        m_wait = std::make_unique<frmWait>(owner);
        m_wait->show();
        if (m_owner != nullptr) {
            m_owner->setEnabled(false);
            // Disabling a window disables the windows it owns with it; the
            // wait window stays as it is drawn, its pictures not greyed.
            m_wait->setEnabled(true);
        }
        m_wait->repaint();
        // Let the window system put the wait window on screen before the work
        // takes the thread.
        QCoreApplication::processEvents();
        QThread::msleep(50);
        QCoreApplication::processEvents();
    } catch (...) {
        finish();
        throw;
    }
}

WaitWindowSession::~WaitWindowSession() {
    finish();
}

void WaitWindowSession::finish() noexcept {
    if (m_owner != nullptr) {
        m_owner->setEnabled(true);
    }
    m_wait.reset();
}

} // namespace zephral
