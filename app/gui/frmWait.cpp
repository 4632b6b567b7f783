#include "gui/frmWait.h"

#include "gui/FormControls.h"
#include "gui/WindowPlacement.h"
#include "gui/WindowStyle.h"
#include "working/sknWorking.h"

#include <QLabel>

namespace zephral {

frmWait::frmWait(QWidget* owner) : QFrame(owner) {
    setObjectName(QStringLiteral("frmWait"));
    // No title bar, kept out of the task bar, never takes the focus.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);

    // A thin border around the white client area; the indicator, still, and
    // the label "Please wait..." on it.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    m_controls = std::make_unique<FormControls>(this, builtInForm(QStringLiteral("frmWait")));
    applyWindowStyle(this, WindowStyle::NoTitleBar,
                     m_controls->clientSize() + QSize(2 * lineWidth(), 2 * lineWidth()));
    sknWorking1 = m_controls->control<sknWorking>(u"sknWorking1");
    Label1 = m_controls->control<QLabel>(u"Label1");
}

frmWait::~frmWait() = default;

void frmWait::showEvent(QShowEvent* event) {
    centreOnOwner(this);
    QFrame::showEvent(event);
}

} // namespace zephral
