#include "shared/SkinnedControl.h"

#include "shared/Units.h"

#include <QCursor>
#include <QKeySequence>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QScopedValueRollback>
#include <QShortcutEvent>
#include <array>
#include <utility>

namespace zephral {

int mouseButtonCode(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int mouseButtonsCode(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

int shiftCode(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

int keyCodeOf(const QKeyEvent& event) {
    const int key = event.key();
    if (event.modifiers() & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) {
            return 96 + (key - Qt::Key_0);
        }
        switch (key) {
        case Qt::Key_Asterisk:
            return 106;
        case Qt::Key_Plus:
            return 107;
        case Qt::Key_Minus:
            return 109;
        case Qt::Key_Period:
            return 110;
        case Qt::Key_Slash:
            return 111;
        default:
            break;
        }
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) ||
        key == Qt::Key_Space) {
        return key; // the same numbers
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return 112 + (key - Qt::Key_F1);
    }
    static constexpr std::array<std::pair<int, int>, 32> kKeys = {{
        {Qt::Key_Backspace, 8},   {Qt::Key_Tab, 9},
        {Qt::Key_Backtab, 9},     {Qt::Key_Clear, 12},
        {Qt::Key_Return, 13},     {Qt::Key_Enter, 13},
        {Qt::Key_Shift, 16},      {Qt::Key_Control, 17},
        {Qt::Key_Alt, 18},        {Qt::Key_Pause, 19},
        {Qt::Key_CapsLock, 20},   {Qt::Key_Escape, 27},
        {Qt::Key_PageUp, 33},     {Qt::Key_PageDown, 34},
        {Qt::Key_End, 35},        {Qt::Key_Home, 36},
        {Qt::Key_Left, 37},       {Qt::Key_Up, 38},
        {Qt::Key_Right, 39},      {Qt::Key_Down, 40},
        {Qt::Key_Insert, 45},     {Qt::Key_Delete, 46},
        {Qt::Key_Semicolon, 186}, {Qt::Key_Equal, 187},
        {Qt::Key_Comma, 188},     {Qt::Key_Minus, 189},
        {Qt::Key_Period, 190},    {Qt::Key_Slash, 191},
        {Qt::Key_QuoteLeft, 192}, {Qt::Key_BracketLeft, 219},
        {Qt::Key_Backslash, 220}, {Qt::Key_BracketRight, 221},
    }};
    for (const auto& [qt, code] : kKeys) {
        if (qt == key) {
            return code;
        }
    }
    return key == Qt::Key_Apostrophe ? 222 : 0;
}

int keyAsciiOf(const QKeyEvent& event) {
    const QString text = event.text();
    return text.isEmpty() ? 0 : text.at(0).unicode();
}

SkinnedControl::SkinnedControl(QWidget* parent) : QWidget(parent) {
    // The surface covers every pixel; nothing underneath needs drawing.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    m_surface.resize(size());
}

SkinnedControl::~SkinnedControl() = default;

void SkinnedControl::initProperties() {
    const PropertyTable& table = propertyTable();
    ControlProcedure p(table.policy().module, QStringLiteral("UserControl_InitProperties"), true);
    const QScopedValueRollback<bool> loading(m_loading, true);
    for (const PropertyRow& row : table.rows()) {
        if (row.key.isEmpty() || !row.store || !row.newInstance) {
            continue;
        }
        p.step(row.name, [&] {
            return row.store(*this, row.initial ? row.initial(*this) : row.fallback(*this));
        });
    }
    finishNewInstance(p);
}

void SkinnedControl::readProperties(const PropertyBag& bag) {
    const PropertyTable& table = propertyTable();
    const StoragePolicy& policy = table.policy();
    ControlProcedure p(policy.module, QStringLiteral("UserControl_ReadProperties"), true);
    const QScopedValueRollback<bool> loading(m_loading, true);
    for (const PropertyRow& row : table.rows()) {
        if (row.key.isEmpty() || !row.store) {
            continue;
        }
        p.step(row.key, [&] {
            const PropertyValue fallback = row.fallback(*this);
            const PropertyValue before = row.get(*this);
            ReadResult<PropertyValue> read = readStored(bag, row.kind, row.key, fallback);
            if (!read.error && row.rule) {
                read.error = row.rule(read.value);
            }
            if (!read.error) {
                read.error = row.store(*this, read.value);
            }
            if (read.error) {
                if (!policy.defaultOnFailure) {
                    return read.error;
                }
                row.store(*this, fallback);
            }
            if (row.effectOnLoad && row.effect) {
                row.effect(*this, before);
            }
            return read.error;
        });
    }
    finishLoad(p);
}

void SkinnedControl::writeProperties(PropertyBag& bag) const {
    const PropertyTable& table = propertyTable();
    const StoragePolicy& policy = table.policy();
    ControlProcedure p(policy.module, QStringLiteral("UserControl_WriteProperties"), true);
    for (const PropertyRow& row : table.rows()) {
        if (row.key.isEmpty()) {
            continue;
        }
        p.step(row.key, [&] {
            if (policy.saveOnlyChanges) {
                bag.writeIfNotDefault(row.key, row.get(*this), row.fallback(*this));
            } else {
                bag.write(row.key, row.get(*this));
            }
        });
    }
}

ControlError SkinnedControl::setPropertyValue(QStringView name, PropertyValue value) {
    const PropertyRow* row = propertyTable().find(name);
    if (row == nullptr) {
        return ControlError::unknownProperty();
    }
    if (!row->store) {
        return {383, QStringLiteral("Property is read-only")};
    }
    if (!holdsKind(row->kind, value)) {
        return ControlError::typeMismatch();
    }
    if (row->kind == PropertyKind::ColourValue && !isValidColour(Colour(std::get<qint32>(value)))) {
        return ControlError::invalidValue();
    }
    if (row->rule) {
        if (const ControlError e = row->rule(value)) {
            return e;
        }
    }
    const PropertyValue before = row->get(*this);
    if (const ControlError e = row->store(*this, value)) {
        return e;
    }
    if (row->effect) {
        row->effect(*this, before);
    }
    if (!row->key.isEmpty()) {
        notifyPropertyChanged(row->name);
    }
    return {};
}

ControlError SkinnedControl::writeProperty(QStringView name, QStringView text) {
    const PropertyRow* row = propertyTable().find(name);
    if (row == nullptr) {
        return ControlError::unknownProperty();
    }
    if (!row->store) {
        return {383, QStringLiteral("Property is read-only")};
    }
    ReadResult<PropertyValue> value = propertyFromText(row->kind, text);
    if (!value.ok()) {
        return value.error;
    }
    return setPropertyValue(name, std::move(value.value));
}

std::optional<QString> SkinnedControl::propertyText(QStringView name) const {
    const PropertyRow* row = propertyTable().find(name);
    if (row == nullptr) {
        return std::nullopt;
    }
    return propertyToText(row->kind, row->get(*this));
}

void SkinnedControl::setAmbient(const AmbientProperties& ambient) {
    const AmbientProperties before = std::exchange(m_ambient, ambient);
    if (before.displayName != ambient.displayName) {
        ambientChanged(QStringLiteral("DisplayName"));
    }
    if (before.font != ambient.font) {
        ambientChanged(QStringLiteral("Font"));
    }
    if (before.userMode != ambient.userMode) {
        ambientChanged(QStringLiteral("UserMode"));
    }
    if (before.displayAsDefault != ambient.displayAsDefault) {
        ambientChanged(QStringLiteral("DisplayAsDefault"));
    }
    if (before.backColour != ambient.backColour) {
        ambientChanged(QStringLiteral("BackColor"));
    }
    if (before.foreColour != ambient.foreColour) {
        ambientChanged(QStringLiteral("ForeColor"));
    }
}

QString SkinnedControl::ambientDisplayName() const {
    return m_ambient.displayName.isEmpty() ? objectName() : m_ambient.displayName;
}

Colour SkinnedControl::parentColour(bool background, Colour fallback) const {
    const QWidget* parent = parentWidget();
    if (parent == nullptr || !parent->testAttribute(Qt::WA_SetPalette)) {
        return fallback;
    }
    const QPalette::ColorRole role =
        background ? parent->backgroundRole() : parent->foregroundRole();
    return fromQRgb(parent->palette().color(role).rgb());
}

Colour SkinnedControl::ambientBackColour() const {
    return m_ambient.backColour.value_or(parentColour(true, systemColour(ButtonFace)));
}

Colour SkinnedControl::ambientForeColour() const {
    return m_ambient.foreColour.value_or(parentColour(false, systemColour(ButtonText)));
}

void SkinnedControl::setWindowOutline(const QRegion& outline) {
    if (outline.isEmpty() || outline == QRegion(rect())) {
        m_outline = QRegion();
        clearMask();
        return;
    }
    m_outline = outline;
    setMask(outline);
}

QRegion SkinnedControl::windowOutline() const {
    return m_outline.isEmpty() ? QRegion(rect()) : m_outline;
}

QSize SkinnedControl::extentHimetric() const {
    return pixelsToHimetric(size());
}

void SkinnedControl::setExtentHimetric(QSize extent) {
    resize(himetricToPixels(extent));
}

ControlError SkinnedControl::applyMousePointer(int pointer, const Picture& icon) {
    static constexpr std::array<Qt::CursorShape, 16> kShapes = {
        Qt::ArrowCursor,     Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
        Qt::ArrowCursor,     Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
        Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,   Qt::WaitCursor,
        Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor,
    };
    if (pointer == 0) {
        unsetCursor();
    } else if (pointer > 0 && pointer < int(kShapes.size())) {
        setCursor(kShapes[size_t(pointer)]);
    } else if (pointer == 99) {
        if (icon.isNull()) {
            setCursor(Qt::ArrowCursor);
        } else {
            // The hotspot is in the picture's own pixels, which a large
            // drawing keeps (its device pixel ratio is 2).
            const QPoint hot = icon.hotSpot();
            setCursor(
                QCursor(QPixmap::fromImage(icon.imageFor(devicePixelRatioF())), hot.x(), hot.y()));
        }
    } else {
        return ControlError::invalidValue();
    }
    return {};
}

void SkinnedControl::setAccessKeys(const QString& keys) {
    for (const auto& [id, key] : std::as_const(m_shortcuts)) {
        releaseShortcut(id);
    }
    m_shortcuts.clear();
    m_accessKeys = keys;
    for (const QChar key : keys) {
        const QKeySequence sequence(QStringLiteral("Alt+") + key.toUpper());
        if (!sequence.isEmpty()) {
            m_shortcuts.append({grabShortcut(sequence), key});
        }
    }
}

ControlError SkinnedControl::applyLook(const Look& look) {
    if (look.state == Look::State::Down) {
        return {380, QStringLiteral("no pressed look")};
    }
    if (look.hover) {
        return {380, QStringLiteral("no hover look")};
    }
    if (look.frame != 0) {
        return {380, QStringLiteral("no frames")};
    }
    if (look.focus && focusPolicy() == Qt::NoFocus) {
        return {380, QStringLiteral("takes no focus")};
    }
    if (look.isDefault) {
        AmbientProperties a = m_ambient;
        a.displayAsDefault = true;
        setAmbient(a);
    }
    if (look.state == Look::State::Disabled) {
        if (propertyTable().find(u"Enabled") != nullptr) {
            if (const ControlError e = writeProperty(u"Enabled", u"False")) {
                return e;
            }
        } else {
            setEnabled(false);
        }
    }
    if (look.focus) {
        setFocus(Qt::OtherFocusReason);
    }
    return {};
}

void SkinnedControl::clickPress(const QWidget* part, Qt::MouseButton button) {
    m_click = {part, button, false, false};
}

void SkinnedControl::clickDoublePress(const QWidget* part, bool capture) {
    m_click = {part, Qt::NoButton, true, capture};
    if (capture) {
        grabMouse();
    }
}

bool SkinnedControl::clickRelease(const QWidget* part, const QMouseEvent& release,
                                  const QRegion& inside) {
    const ClickUnderWay click = std::exchange(m_click, {});
    if (click.captured && QWidget::mouseGrabber() == this) {
        releaseMouse();
    }
    return click.part != nullptr && click.part == part && !click.second &&
           inside.contains(release.position().toPoint()) &&
           clickCounts(click.button, release.button());
}

void SkinnedControl::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    if (m_surface.devicePixelRatio() == 1.0) {
        p.drawImage(event->rect(), m_surface.image(), event->rect());
    } else {
        // The device's pixels one for one; the paint event's clip keeps it
        // to what needs painting.
        p.drawImage(QPoint(0, 0), m_surface.image());
    }
}

void SkinnedControl::resizeEvent(QResizeEvent* event) {
    // The surface holds the screen's own pixels.
    m_surface.setDevicePixelRatio(surfaceRatio());
    m_surface.resize(size());
    QWidget::resizeEvent(event);
}

void SkinnedControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        ambientChanged(QStringLiteral("Palette"));
    }
    QWidget::changeEvent(event);
}

bool SkinnedControl::event(QEvent* event) {
    // Shown on, or moved to, a screen of another pixel density: the control
    // draws itself again, as after a resize.
    if ((event->type() == QEvent::Show || event->type() == QEvent::ScreenChangeInternal) &&
        surfaceRatio() != m_surface.devicePixelRatio()) {
        QResizeEvent resize(size(), size());
        QWidget::event(&resize);
    }
    if (event->type() == QEvent::Shortcut) {
        const int id = static_cast<QShortcutEvent*>(event)->shortcutId();
        for (const auto& [shortcut, key] : std::as_const(m_shortcuts)) {
            if (shortcut == id) {
                accessKeyPressed(key);
                return true;
            }
        }
    }
    return QWidget::event(event);
}

} // namespace zephral
