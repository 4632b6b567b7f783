#include "gui/frmWait.h"

#include "gui/FormControls.h"
#include "gui/WindowPlacement.h"
#include "gui/WindowStyle.h"
#include "shared/Colour.h"
#include "working/sknWorking.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <cmath>

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
            QAccessibleValueChangeEvent changed(this, percentShown());
            QAccessible::updateAccessibility(&changed);
        }
    }
    int filled() const { return m_filled; }
    // What the bar shows, in whole percent.
    int percentShown() const {
        return width() > 2 ? int(std::lround(100.0 * std::max(m_filled, 0) / (width() - 2))) : 0;
    }

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

// Screen readers see the bar as a progress bar, 0 to 100 percent.
class ProgressAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressAccessible(ProgressStrip* strip)
        : QAccessibleWidget(strip, QAccessible::ProgressBar) {}
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override {
        return static_cast<const ProgressStrip*>(widget())->percentShown();
    }
    void setCurrentValue(const QVariant&) override {} // shows, takes nothing
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 0; }
};

// The window is a window named "Please wait..." (its description gives the
// name; it has no title), and the bar in it a progress bar.
QAccessibleInterface* waitWindowInterface(const QString&, QObject* object) {
    if (auto* form = qobject_cast<frmWait*>(object)) {
        return new QAccessibleWidget(form, QAccessible::Window);
    }
    auto* strip = dynamic_cast<ProgressStrip*>(object);
    return strip != nullptr ? new ProgressAccessible(strip) : nullptr;
}

} // namespace

frmWait::frmWait(QWidget* owner) : QFrame(owner) {
    setObjectName(QStringLiteral("frmWait"));
    QAccessible::installFactory(waitWindowInterface); // once, however many windows
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
    // The label lies on the window's own white: the desktop's text colour
    // unless that reads poorly there (a dark theme's light text).
    QPalette labelColours = Label1->palette();
    const auto colourOf = [&](QPalette::ColorRole role) {
        return fromQRgb(labelColours.color(role).rgb());
    };
    labelColours.setColor(
        QPalette::WindowText,
        toQColor(readableTextColour(colourOf(QPalette::WindowText),
                                    {fromQRgb(palette().color(QPalette::Window).rgb())},
                                    {colourOf(QPalette::Text), colourOf(QPalette::ButtonText)})));
    Label1->setPalette(labelColours);

    // Under the label, as wide as the space right of the indicator allows.
    const QRect label = Label1->geometry();
    Progress1 = new ProgressStrip(this);
    Progress1->setGeometry(label.left(), label.bottom() + 6, width() - label.left() - 10, 5);
    Progress1->hide();
    // Under the bar, in the label's font and colour, to the window's edge.
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(Label1->font());
    Label2->setPalette(labelColours);
    const QRect bar = Progress1->geometry();
    Label2->setGeometry(label.left(), bar.bottom() + 4, width() - label.left() - 2, label.height());
    Label2->hide();
}

void frmWait::showProgress(qint64 done, qint64 total) {
    auto* strip = static_cast<ProgressStrip*>(Progress1);
    strip->setFraction(total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 0);
    strip->show();
}

void frmWait::showFile(int file, int files) {
    Label2->setText(QStringLiteral("file %1 of %2").arg(file).arg(files));
    Label2->show();
}

frmWait::~frmWait() = default;

void frmWait::showEvent(QShowEvent* event) {
    centreOnOwner(this);
    QFrame::showEvent(event);
}

} // namespace zephral
