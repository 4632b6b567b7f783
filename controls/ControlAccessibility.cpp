#include "ControlAccessibility.h"

#include "button/sknButton.h"
#include "frame3d/CaptionLabel.h"
#include "frame3d/sknFrame3D.h"
#include "line3d/sknLine3D.h"
#include "working/sknWorking.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QTimer>

namespace zephral {

namespace {

const char* const kLinkProperty = "zephralAccessibleLink";

// Runs what an action does once the event loop turns again, so that the
// assistive tool's call returns at once even when the click opens a modal
// dialog; nothing when the control is gone by then.
template <class F>
void later(QWidget* control, F action) {
    QTimer::singleShot(0, control, std::move(action));
}

// The caption as shown, else the accessible name the window gave.
QString nameOf(const QWidget* control, const QString& caption) {
    const QString shown = captionAsShown(caption);
    return shown.isEmpty() ? control->accessibleName() : shown;
}

class ButtonAccessible : public QAccessibleWidget {
public:
    explicit ButtonAccessible(sknButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    sknButton* button() const { return static_cast<sknButton*>(widget()); }

    QAccessible::Role role() const override {
        return button()->CheckBoxBehaviour() ? QAccessible::CheckBox : QAccessible::Button;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return nameOf(button(), button()->Caption());
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State st = QAccessibleWidget::state();
        const bool twoState = button()->CheckBoxBehaviour();
        if (twoState) {
            st.checkable = true;
            st.checked = button()->Value();
        }
        // A checked button always looks pressed; it is held only when not.
        st.pressed =
            !(twoState && button()->Value()) && button()->lastPaintedState() == PaintState::Down;
        st.defaultButton = button()->isDefault() || button()->ambient().displayAsDefault;
        return st;
    }
    QStringList actionNames() const override {
        QStringList names{button()->CheckBoxBehaviour() ? toggleAction() : pressAction()};
        names += QAccessibleWidget::actionNames();
        return names;
    }
    void doAction(const QString& name) override {
        if (name == pressAction() || name == toggleAction()) {
            later(button(), [b = button()] { b->press(); });
        } else {
            QAccessibleWidget::doAction(name);
        }
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == pressAction() || name == toggleAction()) {
            return {QStringLiteral("Space")};
        }
        return QAccessibleWidget::keyBindingsForAction(name);
    }
};

// The frame's own children, without the labels that draw its caption (the
// caption is the frame's name).
class FrameAccessible : public QAccessibleWidget {
public:
    explicit FrameAccessible(sknFrame3D* frame) : QAccessibleWidget(frame, QAccessible::Grouping) {}

    sknFrame3D* frame() const { return static_cast<sknFrame3D*>(widget()); }
    bool isLink() const { return frame()->property(kLinkProperty).toBool(); }

    QAccessible::Role role() const override {
        return isLink() ? QAccessible::Link : QAccessible::Grouping;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return nameOf(frame(), frame()->Caption());
        }
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (isLink()) {
            names.prepend(pressAction());
        }
        return names;
    }
    void doAction(const QString& name) override {
        if (name == pressAction() && isLink()) {
            later(frame(), [f = frame()] {
                if (f->isEnabled()) {
                    Q_EMIT f->Click();
                }
            });
        } else {
            QAccessibleWidget::doAction(name);
        }
    }

    int childCount() const override { return int(children().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> list = children();
        return index >= 0 && index < list.size()
                   ? QAccessible::queryAccessibleInterface(list[index])
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr ? int(children().indexOf(qobject_cast<QWidget*>(child->object())))
                                : -1;
    }

private:
    QList<QWidget*> children() const {
        QList<QWidget*> list;
        for (QObject* o : frame()->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w != nullptr && !w->isWindow() && !w->isHidden() &&
                qobject_cast<CaptionLabel*>(w) == nullptr) {
                list.append(w);
            }
        }
        return list;
    }
};

// A control drawn from pictures or lines, whose inner widgets are its own
// business: no children.
class LeafAccessible : public QAccessibleWidget {
public:
    LeafAccessible(QWidget* w, QAccessible::Role role, const QString& name)
        : QAccessibleWidget(w, role, name) {}
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

QAccessibleInterface* controlInterface(const QString& key, QObject* object) {
    Q_UNUSED(key);
    if (auto* button = qobject_cast<sknButton*>(object)) {
        return new ButtonAccessible(button);
    }
    if (auto* frame = qobject_cast<sknFrame3D*>(object)) {
        return new FrameAccessible(frame);
    }
    if (auto* line = qobject_cast<sknLine3D*>(object)) {
        return new LeafAccessible(line, QAccessible::Separator, QString());
    }
    if (auto* working = qobject_cast<sknWorking*>(object)) {
        return new LeafAccessible(working, QAccessible::Animation, QStringLiteral("Working"));
    }
    return nullptr;
}

} // namespace

void installControlAccessibility() {
    QAccessible::installFactory(controlInterface); // a factory already there is kept once
}

void setAccessibleLink(QWidget* frame, bool link) {
    frame->setProperty(kLinkProperty, link);
}

QString captionAsShown(const QString& caption) {
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) {
            ++i; // the marker goes; "&&" leaves one "&"
        }
        shown += caption[i];
    }
    return shown.simplified();
}

} // namespace zephral
