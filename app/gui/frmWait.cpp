#include "gui/frmWait.h"

#include "gui/FormControls.h"
#include "gui/WindowPlacement.h"
#include "gui/WindowStyle.h"
#include "working/sknWorking.h"

#include <QLabel>
#include <QPainter>
#include <algorithm>

namespace zephral {

namespace {

// A thin bar: a frame in the desktop's shadow colour, the part done in its
// selection colour, the rest white like the window.
class ProgressStrip : public QWidget {
public:
    explicit ProgressStrip(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("Progress1"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void setFraction(double fraction) {
        const int filled = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * (width() - 2));
        if (filled != m_filled) {
            m_filled = filled;
            update();
        }
    }
    int filled() const { return m_filled; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.setPen(palette().color(QPalette::Active, QPalette::Dark));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.fillRect(1, 1, m_filled, height() - 2,
                   palette().color(QPalette::Active, QPalette::Highlight));
    }

private:
    int m_filled = -1;
};

} // namespace

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

    // Under the label, as wide as the space right of the indicator allows.
    const QRect label = Label1->geometry();
    Progress1 = new ProgressStrip(this);
    Progress1->setGeometry(label.left(), label.bottom() + 6, width() - label.left() - 10, 5);
    Progress1->hide();
}

void frmWait::showProgress(qint64 done, qint64 total) {
    auto* strip = static_cast<ProgressStrip*>(Progress1);
    strip->setFraction(total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 0);
    strip->show();
}

frmWait::~frmWait() = default;

void frmWait::showEvent(QShowEvent* event) {
    centreOnOwner(this);
    QFrame::showEvent(event);
}

} // namespace zephral
