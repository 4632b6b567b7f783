// The base of the skinned controls: a QWidget that owns a persistent drawing
// surface and only copies it when asked to paint, keeps the container's
// ambient values, shapes its window outline, declares the events the
// controls raise (as signals named after them), and sets up, loads, saves
// and writes by name its properties from the rows of the control's property
// table (PropertyTable.h).
//
// A control draws into surface() whenever its state changes and calls
// update(); paintEvent never draws anything else. The container creates a
// control, sets its ambient values, then calls initProperties() for a new
// instance or readProperties() with the stored bag, and writeProperties()
// when it saves.
#pragma once

#include "shared/ControlFailures.h"
#include "shared/PropertyBag.h"
#include "shared/PropertyTable.h"
#include "shared/Surface.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegion>
#include <QWidget>
#include <optional>

namespace zephral {

// What the container tells its controls about itself.
struct AmbientProperties {
    QString displayName;           // the container's name for the instance
    FontDesc font;                 // the container's font
    bool userMode = true;          // run mode; False while a designer shows the control
    bool displayAsDefault = false; // the container shows this control as its default button
    // The container's background and text colours; unset, those of the parent
    // widget when it has a palette of its own, else the system button face
    // and button text (values 0x8000000F and 0x80000012, so that they follow
    // the desktop).
    std::optional<Colour> backColour;
    std::optional<Colour> foreColour;
    bool operator==(const AmbientProperties&) const = default;
};

// A look the render tool asks for: state, hover, focus, shown as the default
// button, and for the animation the frame in front (0: as created).
struct Look {
    enum class State { Up, Down, Disabled };
    State state = State::Up;
    bool hover = false;
    bool focus = false;
    bool isDefault = false;
    int frame = 0;
};

// Event arguments as the container receives them: mouse buttons 1 left,
// 2 right, 4 middle; Shift 1, Ctrl 2, Alt 4; key codes of the platform
// (letters 65-90 as capitals, digits 48-57, Space 32, Left 37, Up 38,
// Right 39, Down 40, Return 13, Escape 27, Tab 9, F1 112...).
int mouseButtonCode(Qt::MouseButton button);
int mouseButtonsCode(Qt::MouseButtons buttons);
int shiftCode(Qt::KeyboardModifiers modifiers);
int keyCodeOf(const QKeyEvent& event);
// The character of a key press (KeyAscii), 0 for keys that type none.
int keyAsciiOf(const QKeyEvent& event);

class SkinnedControl : public QWidget {
    Q_OBJECT
public:
    explicit SkinnedControl(QWidget* parent = nullptr);
    ~SkinnedControl() override;

    Surface& surface() { return m_surface; }
    const Surface& surface() const { return m_surface; }
    // Draws at this device pixel ratio whatever the screen's, as the render
    // tool does (its pictures are the same on every screen). Unset, the
    // surface follows the screen.
    void pinDevicePixelRatio(double ratio) { m_pinnedRatio = ratio; }

    // Lifecycle, called by the container, row by row in the table's order.
    // A new instance takes each stored property's initial value; a load reads
    // each key with its default, keeps the value by the row's rule and runs
    // the write's effect where the row asks for it on load too; a save
    // writes each key. A value that fails is met as the table's
    // StoragePolicy says. Neither a new instance nor a load announces a
    // change.
    void initProperties();
    void readProperties(const PropertyBag& bag);
    void writeProperties(PropertyBag& bag) const;

    // Properties by name.
    virtual const PropertyTable& propertyTable() const = 0;
    // Writes the property name (any case): the row's rule, then the value is
    // kept, the write's effect runs and, for a stored property, the change
    // is announced. Number 438 for an unknown name, 383 for a read-only
    // property, 13 for a value of another kind, 380 or the row's own for a
    // value refused (the property keeps its value).
    ControlError setPropertyValue(QStringView name, PropertyValue value);
    // The same from the value's text form.
    ControlError writeProperty(QStringView name, QStringView text);
    // The property's value in text form; none for an unknown name.
    std::optional<QString> propertyText(QStringView name) const;

    // Ambient values. Each one that changes is announced to the control
    // through ambientChanged(name), with the names "DisplayName", "Font",
    // "UserMode", "DisplayAsDefault", "BackColor" and "ForeColor"; a change
    // of the desktop's palette comes as "Palette".
    const AmbientProperties& ambient() const { return m_ambient; }
    void setAmbient(const AmbientProperties& ambient);
    QString ambientDisplayName() const;
    Colour ambientBackColour() const;
    Colour ambientForeColour() const;

    // The window outline: pixels outside it are not part of the control (the
    // parent shows through, the pointer passes to it). An empty region, or
    // one covering the whole control, takes the outline away.
    void setWindowOutline(const QRegion& outline);
    QRegion windowOutline() const;

    // The size as the container stores it.
    QSize extentHimetric() const;
    void setExtentHimetric(QSize extent);

    // The pointer shape by its stored number: 0 the default, 1 arrow, 2 cross,
    // 3 I-beam, 4 icon, 5 size, 6 size NE-SW, 7 size N-S, 8 size NW-SE,
    // 9 size W-E, 10 up arrow, 11 hourglass, 12 no drop, 13 arrow and
    // hourglass, 14 arrow and question mark, 15 size all, 99 the custom
    // icon (arrow while there is none). Other numbers are refused.
    ControlError applyMousePointer(int pointer, const Picture& icon);

    // The access keys: each character of keys, pressed with Alt anywhere in
    // the control's window, calls accessKeyPressed. Empty keys clear them.
    void setAccessKeys(const QString& keys);
    const QString& accessKeys() const { return m_accessKeys; }

    // Puts the control into a look for the render tool. The base handles up,
    // disabled (through the "Enabled" property when the control has one),
    // focus (for a control that takes it) and default; a control with hover,
    // pressed or animation looks overrides it.
    virtual ControlError applyLook(const Look& look);

Q_SIGNALS:
    // The container's stored description of the control is out of date.
    void propertyChanged(const QString& name);

    void Click();
    void DblClick();
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);
    void KeyPress(int KeyAscii);
    void KeyDown(int KeyCode, int Shift);
    void KeyUp(int KeyCode, int Shift);

protected:
    // Every write of a persisted property ends with this; nothing is
    // announced while the properties are set up or loaded.
    void notifyPropertyChanged(const QString& name) {
        if (!m_loading) {
            Q_EMIT propertyChanged(name);
        }
    }
    bool isLoading() const { return m_loading; }

    // Click tracking, the one mechanism of every control: a press on a part
    // of the control (the control itself or a child that shows it) begins
    // a click; the second press of a double click begins one that gives
    // none, and with capture the control holds the mouse until the release.
    // The release ends it: a click when it comes from the part pressed,
    // inside `inside` (in the part's coordinates), and clickCounts agrees.
    void clickPress(const QWidget* part, Qt::MouseButton button);
    void clickDoublePress(const QWidget* part, bool capture);
    bool clickRelease(const QWidget* part, const QMouseEvent& release, const QRegion& inside);
    // Each control's own rule of the buttons that make a click; by default
    // the left one, pressed and released.
    virtual bool clickCounts(Qt::MouseButton pressed, Qt::MouseButton released) const {
        return pressed == Qt::LeftButton && released == Qt::LeftButton;
    }
    // What a new instance and a load do after the rows, as further steps of
    // the same procedure.
    virtual void finishNewInstance(ControlProcedure& procedure) { Q_UNUSED(procedure); }
    virtual void finishLoad(ControlProcedure& procedure) { Q_UNUSED(procedure); }
    virtual void ambientChanged(const QString& name) { Q_UNUSED(name); }
    virtual void accessKeyPressed(QChar key) { Q_UNUSED(key); }

    void paintEvent(QPaintEvent* event) override;
    // Sizes the surface to the control; a control that redraws on resize
    // calls this first.
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    Colour parentColour(bool background, Colour fallback) const;
    double surfaceRatio() const { return m_pinnedRatio.value_or(devicePixelRatioF()); }

    Surface m_surface;
    std::optional<double> m_pinnedRatio;
    AmbientProperties m_ambient;
    QRegion m_outline;
    QString m_accessKeys;
    QList<std::pair<int, QChar>> m_shortcuts;
    bool m_loading = false;
    struct ClickUnderWay {
        const QWidget* part = nullptr; // none: no press under way
        Qt::MouseButton button = Qt::NoButton;
        bool second = false; // the second press of a double click
        bool captured = false;
    };
    ClickUnderWay m_click;
};

} // namespace zephral
