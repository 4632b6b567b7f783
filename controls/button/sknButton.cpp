#include "button/sknButton.h"

#include "shared/Units.h"

#include <QKeySequence>
#include <QMouseEvent>
#include <QShortcutEvent>
#include <cmath>

// The hand pointer lives in the program's resources (button.qrc); the
// library the button is built into is static, so its resources are brought
// in by name. Q_INIT_RESOURCE cannot be used inside a namespace.
static void initButtonResources() {
    Q_INIT_RESOURCE(button);
}

namespace zephral {

namespace {

// The pointer HandPointer shows: our own hand, in the place of the cursor the
// Windows tool kept as resource 101.
const char* const kHandCursor = ":/button/art/hand.png";

constexpr int kPointerCustom = 99;
constexpr int kPointerArrow = 1;
constexpr int kSpace = 32;
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;

const Picture& handCursor() {
    static const Picture hand = [] {
        initButtonResources();
        Picture picture;
        Picture::load(QString::fromLatin1(kHandCursor), picture); // none if it cannot be read
        return picture;
    }();
    return hand;
}

Colour systemRgb(int index) {
    return translateColour(systemColour(index));
}

} // namespace

sknButton::sknButton(QWidget* parent)
    : SkinnedControl(parent), m_backColor(systemRgb(ButtonFace)), m_backOver(m_backColor),
      m_foreColor(systemRgb(ButtonText)), m_foreOver(m_foreColor) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true); // the hover look needs moves with no button held
    m_overTimer.setInterval(3);
    connect(&m_overTimer, &ControlTimer::timeout, this, &sknButton::overTimerTick);
    m_w = width();
    m_h = height();
    m_focusRect = FocusRectFor(m_buttonType, m_w, m_h);
    BuildPalette();
}

sknButton::~sknButton() {
    m_refreshEnabled = false;
}

const PropertyTable& sknButton::propertyTable() const {
    using B = sknButton;
    const auto systemFace = [](const B&) { return systemRgb(ButtonFace); };
    const auto systemText = [](const B&) { return systemRgb(ButtonText); };
    // The font's parts are kept in the font.
    const auto fontPart = [](auto part) {
        return [part](B& b, const auto& v) {
            FontDesc f = b.Font();
            part(f, v);
            b.storeFont(f);
        };
    };
    static const PropertyTable table =
        PropertyTableBuilder<B>({QStringLiteral("sknButton"), true, false})
            .field("ButtonType", "BTYPE", &B::m_buttonType, 2)
            .effect(&B::buttonTypeChanged)
            .field("Caption", "TX", &B::m_caption, QString())
            .initial(&B::ambientDisplayName)
            .effect(&B::captionChanged)
            .field("Enabled", "ENAB", &B::m_enabled, true)
            .effect(&B::enabledChanged)
            .value("Font", "FONT", &B::Font, &B::storeFont, &B::Font)
            .initial([](const B& b) { return b.ambient().font; })
            .effect(&B::fontChanged)
            .field("ColorScheme", "COLTYPE", &B::m_colorScheme, 1)
            .effect([](B& b) {
                b.BuildPalette();
                b.repaintIn(PaintState::Up);
            })
            .field("ShowFocusRect", "FOCUSR", &B::m_showFocusRect, true)
            .effect(&B::repaintLast)
            // In a designer BackColor and ForeColor carry their hover twins.
            .field("BackColor", "BCOL", &B::m_backColor, systemFace)
            .effect([](B& b) {
                if (!b.ambient().userMode) {
                    b.m_backOver = b.m_backColor;
                    b.notifyPropertyChanged(QStringLiteral("BackOver"));
                }
                b.paletteChanged();
            })
            .field("BackOver", "BCOLO", &B::m_backOver, &B::BackColor)
            .effect(&B::paletteChanged)
            .field("ForeColor", "FCOL", &B::m_foreColor, systemText)
            .effect([](B& b) {
                if (!b.ambient().userMode) {
                    b.m_foreOver = b.m_foreColor;
                    b.notifyPropertyChanged(QStringLiteral("ForeOver"));
                }
                b.paletteChanged();
            })
            .field("ForeOver", "FCOLO", &B::m_foreOver, &B::ForeColor)
            .effect(&B::paletteChanged)
            .field("MaskColor", "MCOL", &B::m_maskColor, rgb(192, 192, 192))
            .effect(&B::paletteChanged)
            .value("MousePointer", "MPTR", &B::MousePointer, &B::storeMousePointer, 0)
            .value("MouseIcon", "MICON", &B::MouseIcon, &B::storeMouseIcon, Picture())
            .field("PictureNormal", "PICN", &B::m_pictureNormal, Picture())
            .effect(&B::pictureChanged)
            .field("PictureOver", "PICH", &B::m_pictureOver, Picture())
            .effect([](B& b) {
                if (b.m_hovered) {
                    b.repaintLast();
                }
            })
            .field("UseMaskColor", "UMCOL", &B::m_useMaskColor, true)
            .effect(&B::repaintWithPicture)
            .field("SoftBevel", "SOFT", &B::m_softBevel, false)
            .effect(&B::paletteChanged)
            .field("PicturePosition", "PICPOS", &B::m_picturePosition, 0)
            .range(0, 4)
            .effect(&B::layoutChanged)
            .field("UseGreyscale", "NGREY", &B::m_useGreyscale, false)
            .effect(&B::repaintWithPicture)
            .field("SpecialEffect", "FX", &B::m_specialEffect, 0)
            .range(0, 3)
            .effect(&B::repaintLast)
            // Loaded last of the three, it decides the pointer and its icon.
            .field("HandPointer", "HAND", &B::m_handPointer, false)
            .effect(&B::handPointerChanged, true)
            .field("CheckBoxBehaviour", "CHECK", &B::m_checkBoxBehaviour, false)
            .effect(&B::repaintLast)
            .field("Value", "VALUE", &B::m_value, false)
            .effect([](B& b) {
                if (b.m_checkBoxBehaviour) {
                    b.repaintIn(PaintState::Up);
                }
            })
            .value("FontBold", "", &B::FontBold, fontPart([](FontDesc& f, bool v) { f.bold = v; }),
                   false)
            .effect(&B::fontChanged)
            .value("FontItalic", "", &B::FontItalic,
                   fontPart([](FontDesc& f, bool v) { f.italic = v; }), false)
            .effect(&B::fontChanged)
            .value("FontName", "", &B::FontName,
                   fontPart([](FontDesc& f, const QString& v) { f.name = v; }), QString())
            .rule([](PropertyValue& v) {
                QString& name = std::get<QString>(v);
                name = name.trimmed();
                return name.isEmpty() || name.contains(u',') ? ControlError::invalidValue()
                                                             : ControlError{};
            })
            .effect(&B::fontChanged)
            .value("FontSize", "", &B::FontSize,
                   fontPart([](FontDesc& f, qint16 v) { f.size = float(v); }), 0)
            .range(1, 32767)
            .effect(&B::fontChanged)
            .value("FontUnderline", "", &B::FontUnderline,
                   fontPart([](FontDesc& f, bool v) { f.underline = v; }), false)
            .effect(&B::fontChanged)
            .readOnly("hwnd", &B::hwnd)
            .readOnly("Version", &B::Version)
            .build();
    return table;
}

// ---- Lifecycle ----------------------------------------------------------

void sknButton::finishNewInstance(ControlProcedure& procedure) {
    Q_UNUSED(procedure);
    // BackColor and ForeColor took the system colours, the faces of scheme 1.
    setEnabled(m_enabled);
    BuildPalette();
    LayoutCaption();
}

void sknButton::finishLoad(ControlProcedure& procedure) {
    Q_UNUSED(procedure);
    setEnabled(m_enabled);
    MeasurePicture();
    LayoutCaption();
    UpdateAccessKey();
}

void sknButton::showEvent(QShowEvent* event) {
    SkinnedControl::showEvent(event);
    m_refreshEnabled = true;
    BuildPalette();
    repaintIn(PaintState::Up);
}

void sknButton::hideEvent(QHideEvent* event) {
    m_refreshEnabled = false;
    SkinnedControl::hideEvent(event);
}

void sknButton::resizeEvent(QResizeEvent* event) {
    SkinnedControl::resizeEvent(event);
    resizeProcedure();
}

void sknButton::resizeProcedure() {
    m_w = width();
    m_h = height();
    m_focusRect = FocusRectFor(m_buttonType, m_w, m_h);
    LayoutCaption();
    setWindowOutline(BuildRegion(m_buttonType, m_w, m_h));
    if (m_h != 0) {
        repaintIn(PaintState::Up);
    }
}

// ---- Palette, layout, drawing -------------------------------------------

void sknButton::BuildPalette() {
    PaletteInputs in;
    in.colorScheme = m_colorScheme;
    in.buttonType = m_buttonType;
    in.softBevel = m_softBevel;
    in.backColor = m_backColor;
    in.foreColor = m_foreColor;
    in.foreOver = m_foreOver;
    in.maskColor = m_maskColor;
    if (m_colorScheme == 4) {
        in.parentBack = ambientBackColour();
        in.parentFore = ambientForeColour();
    }
    m_palette = zephral::BuildPalette(in);
}

void sknButton::MeasurePicture() {
    // Through the stored HIMETRIC size, as the container reports a picture.
    m_pictureSize =
        m_pictureNormal.isNull() ? QSize(0, 0) : himetricToPixels(m_pictureNormal.himetricSize());
}

void sknButton::LayoutCaption() {
    m_layout = zephral::LayoutCaption(
        m_w, m_h, m_pictureSize, m_picturePosition,
        [this](const Rect& room) { return surface().measureText(room, m_caption); });
    if (!m_pictureNormal.isNull() || !m_pictureOver.isNull()) {
        m_pictureOrigin =
            LayoutPicture(m_w, m_h, m_pictureSize, m_picturePosition, m_caption, m_layout);
    }
}

void sknButton::UpdateAccessKey() {
    setAccessKeys(AccessKeyOf(m_caption));
}

void sknButton::PaintButton(PaintState state, bool force) {
    if (m_checkBoxBehaviour && m_value) {
        state = PaintState::Down; // a checked button always looks pressed
    }
    if (!(force || state != m_lastState || m_caption != m_lastCaption) || m_h == 0 ||
        !m_refreshEnabled) {
        return;
    }
    m_lastState = state;
    m_lastCaption = m_caption;
    surface().clear();
    // While hovered, the own colours scheme shows BackOver as its face.
    const bool hoverFace = m_hovered && m_colorScheme == 2;
    if (hoverFace) {
        std::swap(m_backColor, m_backOver);
        BuildPalette();
    }
    ButtonDrawing d;
    d.buttonType = m_buttonType;
    d.colorScheme = m_colorScheme;
    d.specialEffect = m_specialEffect;
    d.picturePosition = m_picturePosition;
    d.softBevel = m_softBevel;
    d.showFocusRect = m_showFocusRect;
    d.useMaskColor = m_useMaskColor;
    d.useGreyscale = m_useGreyscale;
    d.enabled = m_enabled;
    d.hovered = m_hovered;
    d.hasFocus = m_hasFocus;
    d.displayAsDefault = ambient().displayAsDefault;
    d.caption = m_caption;
    d.palette = m_palette;
    d.width = m_w;
    d.height = m_h;
    d.layout = m_layout;
    d.focus = m_focusRect;
    d.pictureOrigin = m_pictureOrigin;
    d.pictureSize = m_pictureSize;
    d.pictureNormal = m_pictureNormal.isNull() ? nullptr : &m_pictureNormal;
    d.pictureOver = m_pictureOver.isNull() ? nullptr : &m_pictureOver;
    d.maskColor = m_maskColor;
    d.pictures = &m_prepared;
    d.captions = &m_captionInk;
    d.lastCaptionMode = &m_lastCaptionMode;
    PaintButtonLook(surface(), d, state);
    if (hoverFace) {
        std::swap(m_backColor, m_backOver);
        BuildPalette();
    }
    ++m_paintCount;
    update();
}

void sknButton::paintEvent(QPaintEvent* event) {
    BuildPalette(); // the surface keeps its drawing
    SkinnedControl::paintEvent(event);
}

void sknButton::Refresh() {
    BuildPalette();
    LayoutCaption();
    m_refreshEnabled = true;
    repaintLast();
}

void sknButton::DisableRefresh() {
    m_refreshEnabled = false;
}

void sknButton::ambientChanged(const QString& name) {
    Q_UNUSED(name);
    BuildPalette();
    repaintLast();
}

// ---- What the property writes do -----------------------------------------

void sknButton::buttonTypeChanged() {
    if (!ambient().userMode && m_buttonType == 5) {
        setPropertyValue(u"FontBold", true);
    }
    // Style 11 takes no snapshot of what lies behind it: no recipe draws one.
    // The accent colour depends on the style, so the palette follows it.
    BuildPalette();
    resizeProcedure();
}

void sknButton::captionChanged() {
    UpdateAccessKey();
    LayoutCaption();
    repaintIn(PaintState::Up);
}

void sknButton::enabledChanged() {
    repaintIn(PaintState::Up);
    setEnabled(m_enabled);
}

void sknButton::fontChanged() {
    LayoutCaption();
    repaintIn(PaintState::Up);
}

void sknButton::paletteChanged() {
    BuildPalette();
    repaintLast();
}

void sknButton::pictureChanged() {
    MeasurePicture();
    LayoutCaption();
    repaintLast();
}

void sknButton::layoutChanged() {
    LayoutCaption();
    repaintLast();
}

void sknButton::repaintWithPicture() {
    if (!m_pictureNormal.isNull()) {
        repaintLast();
    }
}

qint16 sknButton::FontSize() const {
    return qint16(std::lrint(Font().size));
}

ControlError sknButton::storeMousePointer(qint16 pointer) {
    if (const ControlError e = applyMousePointer(pointer, m_mouseIcon)) {
        return e;
    }
    m_mousePointer = pointer;
    return {};
}

void sknButton::storeMouseIcon(const Picture& icon) {
    m_mouseIcon = icon;
    applyMousePointer(m_mousePointer, icon); // a pointer that cannot be set is ignored
}

void sknButton::handPointerChanged() {
    setPropertyValue(u"MouseIcon", m_handPointer ? handCursor() : Picture());
    setPropertyValue(u"MousePointer", qint16(m_handPointer ? kPointerCustom : kPointerArrow));
}

qint32 sknButton::hwnd() const {
    return qint32(internalWinId());
}

// ---- The user -----------------------------------------------------------

bool sknButton::IsPointerOver() const {
    return widgetUnderPointer() == this;
}

void sknButton::overTimerTick() {
    if (!IsPointerOver()) {
        m_overTimer.stop();
        m_hovered = false;
        repaintIn(PaintState::Up);
        Q_EMIT MouseOut();
    }
}

void sknButton::pressDown(int button, int shift, float x, float y) {
    Q_EMIT MouseDown(button, shift, x, y);
    m_lastButton = button;
    if (button != kRightButton) {
        PaintButton(PaintState::Down, false);
    }
}

void sknButton::mousePressEvent(QMouseEvent* event) {
    clickPress(this, event->button());
    pressDown(mouseButtonCode(event->button()), shiftCode(event->modifiers()),
              float(event->position().x()), float(event->position().y()));
}

void sknButton::mouseDoubleClickEvent(QMouseEvent* event) {
    Q_UNUSED(event);
    // The second press of a double click comes only as this event; it
    // presses the button but gives no second Click.
    clickDoublePress(this, m_lastButton == kLeftButton);
    if (m_lastButton == kLeftButton) {
        pressDown(kLeftButton, 0, 0, 0);
    }
}

void sknButton::mouseReleaseEvent(QMouseEvent* event) {
    const int button = mouseButtonCode(event->button());
    Q_EMIT MouseUp(button, shiftCode(event->modifiers()), float(event->position().x()),
                   float(event->position().y()));
    if (button != kRightButton) {
        PaintButton(PaintState::Up, false);
    }
    if (event->buttons() != Qt::NoButton) {
        return; // another button is still held
    }
    if (clickRelease(this, *event, windowOutline())) {
        platformClick();
    }
}

void sknButton::mouseMoveEvent(QMouseEvent* event) {
    const int buttons = mouseButtonsCode(event->buttons());
    Q_EMIT MouseMove(buttons, shiftCode(event->modifiers()), float(event->position().x()),
                     float(event->position().y()));
    if (buttons != 0 && buttons != kLeftButton) {
        return;
    }
    if (!IsPointerOver()) {
        PaintButton(PaintState::Up, false); // dragged out while held
    } else if (buttons == kLeftButton) {
        m_hovered = true;
        PaintButton(PaintState::Down, false);
        m_hovered = false;
    } else if (!m_hovered) {
        m_overTimer.start();
        m_hovered = true;
        repaintIn(PaintState::Up);
        Q_EMIT MouseOver();
    }
}

void sknButton::platformClick() {
    if (m_lastButton != kLeftButton || !m_enabled) {
        return;
    }
    if (m_checkBoxBehaviour) {
        setPropertyValue(u"Value", !m_value);
    }
    repaintIn(PaintState::Up);
    Q_EMIT Click();
}

void sknButton::activate() {
    m_lastButton = kLeftButton;
    platformClick();
}

void sknButton::accessKeyPressed(QChar key) {
    Q_UNUSED(key);
    activate();
}

void sknButton::keyPressEvent(QKeyEvent* event) {
    const int code = keyCodeOf(*event);
    Q_EMIT KeyDown(code, shiftCode(event->modifiers()));
    m_lastKey = code;
    switch (event->key()) {
    case Qt::Key_Space:
        PaintButton(PaintState::Down, false);
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        focusNextPrevChild(false);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        focusNextPrevChild(true);
        break;
    default:
        break;
    }
    if (const int ascii = keyAsciiOf(*event)) {
        Q_EMIT KeyPress(ascii);
    }
}

void sknButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) {
        return; // a held key is released once, at the end
    }
    const int code = keyCodeOf(*event);
    Q_EMIT KeyUp(code, shiftCode(event->modifiers()));
    if (code != kSpace) {
        return;
    }
    if (m_lastKey != kSpace) {
        // Another key came between: no Click, but the button does not stay
        // looking pressed either.
        PaintButton(PaintState::Up, false);
        return;
    }
    spaceReleased();
}

void sknButton::spaceReleased() {
    if (m_checkBoxBehaviour) {
        setPropertyValue(u"Value", !m_value);
    }
    PaintButton(PaintState::Up, false);
    Q_EMIT Click();
}

void sknButton::press() {
    if (!m_enabled || !isEnabled()) {
        return;
    }
    PaintButton(PaintState::Down, false);
    spaceReleased();
}

void sknButton::focusInEvent(QFocusEvent* event) {
    SkinnedControl::focusInEvent(event);
    m_hasFocus = true;
    repaintLast();
}

void sknButton::focusOutEvent(QFocusEvent* event) {
    SkinnedControl::focusOutEvent(event);
    m_hasFocus = false;
    repaintLast();
}

// ---- The container's default and cancel buttons -------------------------

void sknButton::grabContainerKeys() {
    for (int id : std::as_const(m_containerKeys)) {
        releaseShortcut(id);
    }
    m_containerKeys.clear();
    if (m_default) {
        m_containerKeys.append(grabShortcut(QKeySequence(Qt::Key_Return), Qt::WindowShortcut));
        m_containerKeys.append(grabShortcut(QKeySequence(Qt::Key_Enter), Qt::WindowShortcut));
    }
    if (m_cancel) {
        m_containerKeys.append(grabShortcut(QKeySequence(Qt::Key_Escape), Qt::WindowShortcut));
    }
}

void sknButton::setDefault(bool on) {
    m_default = on;
    grabContainerKeys();
    AmbientProperties a = ambient();
    a.displayAsDefault = on;
    setAmbient(a);
}

void sknButton::setCancel(bool on) {
    m_cancel = on;
    grabContainerKeys();
}

bool sknButton::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut &&
        m_containerKeys.contains(static_cast<QShortcutEvent*>(event)->shortcutId())) {
        activate();
        return true;
    }
    return SkinnedControl::event(event);
}

// ---- Looks for the render tool ------------------------------------------

ControlError sknButton::applyLook(const Look& look) {
    if (look.frame != 0) {
        return {380, QStringLiteral("no frames")};
    }
    if (look.isDefault) {
        AmbientProperties a = ambient();
        a.displayAsDefault = true;
        setAmbient(a);
    }
    if (look.state == Look::State::Disabled) {
        setPropertyValue(u"Enabled", false);
    }
    if (look.focus) {
        setFocus(Qt::OtherFocusReason);
    }
    // Hovered without the poll: the pointer is not really there.
    m_hovered = look.hover;
    PaintButton(look.state == Look::State::Down ? PaintState::Down : PaintState::Up, true);
    return {};
}

} // namespace zephral
