// A window's controls made from its stored description, and the description
// they give back when saved.
//
// Skinned controls are made through the control registry, get the window's
// ambient values and read their stored values through their own property
// loading. Text boxes ("TextBox", a QPlainTextEdit when MultiLine, else a
// QLineEdit) and labels ("Label", a QLabel) are made here, or taken from the
// window when it makes its own. Every control is placed at its stored place
// and size (15 twips or 2540/96 HIMETRIC to the pixel) in its container, and
// the focusable ones are chained in their tab order.
#pragma once

#include "gui/FormDescription.h"

#include <QHash>
#include <QList>
#include <QSize>
#include <QString>
#include <stdexcept>

class QWidget;

namespace zephral {

// A description that cannot be read or built: a fault of the program's own
// resources, named with the window and the line or control.
class FormError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The description of the window `formName` compiled into the program
// (":/forms/<formName>.form"). Throws FormError.
FormDescription builtInForm(const QString& formName);
QString builtInFormText(const QString& formName);

// The client size in pixels that a window's description gives.
QSize clientSizeInPixels(const FormDescription& description);

class FormControls {
public:
    // Makes the description's controls on form, whose client area is its
    // contents rectangle. Text boxes and labels found in `provided` under
    // their names are used instead of new ones. Throws FormError for an
    // unknown kind or a provided widget of the wrong kind.
    FormControls(QWidget* form, FormDescription description,
                 const QHash<QString, QWidget*>& provided = {});

    // The control of that name (any case); null when there is none.
    QWidget* widget(QStringView name) const;
    // The control of that name as a T; throws FormError when the description
    // has no such control or it is of another kind.
    template <class T>
    T* control(QStringView name) const {
        T* w = qobject_cast<T*>(widget(name));
        if (w == nullptr) {
            missing(name, T::staticMetaObject.className());
        }
        return w;
    }

    // The window's client size in pixels.
    QSize clientSize() const;
    // The focusable controls in tab order; the first one takes the focus
    // when the window opens.
    const QList<QWidget*>& tabOrder() const { return m_tabOrder; }

    // The description as the controls stand now: places and sizes from the
    // widgets (an extent is kept while it still gives the control's pixel
    // size), property values from the controls' own saving. The window's own
    // values, the notes, the tab order and the accessible names are those
    // loaded.
    FormDescription save() const;
    const FormDescription& loaded() const { return m_description; }

private:
    [[noreturn]] void missing(QStringView name, const char* className) const;
    QWidget* make(const ControlDescription& c, QWidget* container, QWidget* provided);

    QWidget* m_form;
    FormDescription m_description;
    QHash<QString, QWidget*> m_widgets; // by lower-case name
    QList<QWidget*> m_tabOrder;
};

} // namespace zephral
