#include "button/sknButton.h"

#include "shared/Units.h"

#include <QKeySequence>
#include <QMouseEvent>
#include <QScopedValueRollback>
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
    static const PropertyTable table =
        PropertyTableBuilder<sknButton>()
            .add("ButtonType", &sknButton::ButtonType, &sknButton::setButtonType)
            .add("Caption", &sknButton::Caption, &sknButton::setCaption)
            .add("Enabled", &sknButton::Enabled, &sknButton::setEnabledProperty)
            .add("Font", &sknButton::Font, &sknButton::setFont)
            .add("ColorScheme", &sknButton::ColorScheme, &sknButton::setColorScheme)
            .add("ShowFocusRect", &sknButton::ShowFocusRect, &sknButton::setShowFocusRect)
            .add("BackColor", &sknButton::BackColor, &sknButton::setBackColor)
            .add("BackOver", &sknButton::BackOver, &sknButton::setBackOver)
            .add("ForeColor", &sknButton::ForeColor, &sknButton::setForeColor)
            .add("ForeOver", &sknButton::ForeOver, &sknButton::setForeOver)
            .add("MaskColor", &sknButton::MaskColor, &sknButton::setMaskColor)
            .add("MousePointer", &sknButton::MousePointer, &sknButton::setMousePointer)
            .add("MouseIcon", &sknButton::MouseIcon, &sknButton::setMouseIcon)
            .add("PictureNormal", &sknButton::PictureNormal, &sknButton::setPictureNormal)
            .add("PictureOver", &sknButton::PictureOver, &sknButton::setPictureOver)
            .add("UseMaskColor", &sknButton::UseMaskColor, &sknButton::setUseMaskColor)
            .add("SoftBevel", &sknButton::SoftBevel, &sknButton::setSoftBevel)
            .add("PicturePosition", &sknButton::PicturePosition, &sknButton::setPicturePosition)
            .add("UseGreyscale", &sknButton::UseGreyscale, &sknButton::setUseGreyscale)
            .add("SpecialEffect", &sknButton::SpecialEffect, &sknButton::setSpecialEffect)
            .add("HandPointer", &sknButton::HandPointer, &sknButton::setHandPointer)
            .add("CheckBoxBehaviour", &sknButton::CheckBoxBehaviour,
                 &sknButton::setCheckBoxBehaviour)
            .add("Value", &sknButton::Value, &sknButton::setValue)
            .add("FontBold", &sknButton::FontBold, &sknButton::setFontBold)
            .add("FontItalic", &sknButton::FontItalic, &sknButton::setFontItalic)
            .add("FontName", &sknButton::FontName, &sknButton::setFontName)
            .add("FontSize", &sknButton::FontSize, &sknButton::setFontSize)
            .add("FontUnderline", &sknButton::FontUnderline, &sknButton::setFontUnderline)
            .readOnly("hwnd", &sknButton::hwnd)
            .readOnly("Version", &sknButton::Version)
            .build();
    return table;
}

// ---- Lifecycle ----------------------------------------------------------

void sknButton::initProperties() {
    m_enabled = true;
    m_showFocusRect = true;
    m_useMaskColor = true;
    setEnabled(true);
    m_caption = ambientDisplayName();
    surface().setFont(ambient().font);
    m_buttonType = 2;
    m_colorScheme = 1;
    BuildPalette();
    m_backColor = m_backOver = m_palette.face;
    m_foreColor = m_foreOver = m_palette.text;
    m_maskColor = rgb(192, 192, 192);
    LayoutCaption();
}

void sknButton::readProperties(const PropertyBag& bag) {
    m_loadError = {};
    const QScopedValueRollback<bool> loading(m_loading, true);
    auto take = [this](auto read) {
        if (read.error && !m_loadError) {
            m_loadError = read.error;
        }
        return read.value;
    };
    auto check = [this](const ControlError& e) {
        if (e && !m_loadError) {
            m_loadError = e;
        }
    };
    auto inRange = [&](qint32 value, qint32 last) {
        if (value < 0 || value > last) {
            check(ControlError::invalidValue());
            return qint32(0);
        }
        return value;
    };
    m_buttonType = take(bag.readLong(u"BTYPE", 2));
    m_caption = take(bag.readString(u"TX", QString()));
    m_enabled = take(bag.readBoolean(u"ENAB", true));
    surface().setFont(take(bag.readFont(u"FONT", Font())));
    m_colorScheme = take(bag.readLong(u"COLTYPE", 1));
    m_showFocusRect = take(bag.readBoolean(u"FOCUSR", true));
    m_backColor = take(bag.readColour(u"BCOL", systemRgb(ButtonFace)));
    m_backOver = take(bag.readColour(u"BCOLO", m_backColor));
    m_foreColor = take(bag.readColour(u"FCOL", systemRgb(ButtonText)));
    m_foreOver = take(bag.readColour(u"FCOLO", m_foreColor));
    m_maskColor = take(bag.readColour(u"MCOL", rgb(192, 192, 192)));
    // The pointer goes through its property writes; HandPointer, coming
    // last, decides the shape and the icon.
    check(setMousePointer(take(bag.readInteger(u"MPTR", 0))));
    setMouseIcon(take(bag.readPicture(u"MICON", Picture())));
    m_pictureNormal = take(bag.readPicture(u"PICN", Picture()));
    m_pictureOver = take(bag.readPicture(u"PICH", Picture()));
    m_useMaskColor = take(bag.readBoolean(u"UMCOL", true));
    m_softBevel = take(bag.readBoolean(u"SOFT", false));
    m_picturePosition = inRange(take(bag.readLong(u"PICPOS", 0)), 4);
    m_useGreyscale = take(bag.readBoolean(u"NGREY", false));
    m_specialEffect = inRange(take(bag.readLong(u"FX", 0)), 3);
    setHandPointer(take(bag.readBoolean(u"HAND", false)));
    m_checkBoxBehaviour = take(bag.readBoolean(u"CHECK", false));
    m_value = take(bag.readBoolean(u"VALUE", false));

    setEnabled(m_enabled);
    MeasurePicture();
    LayoutCaption();
    UpdateAccessKey();
}

void sknButton::writeProperties(PropertyBag& bag) const {
    bag.write(u"BTYPE", m_buttonType);
    bag.write(u"TX", m_caption);
    bag.write(u"ENAB", m_enabled);
    bag.write(u"FONT", Font());
    bag.write(u"COLTYPE", m_colorScheme);
    bag.write(u"FOCUSR", m_showFocusRect);
    bag.writeColour(u"BCOL", m_backColor);
    bag.writeColour(u"BCOLO", m_backOver);
    bag.writeColour(u"FCOL", m_foreColor);
    bag.writeColour(u"FCOLO", m_foreOver);
    bag.writeColour(u"MCOL", m_maskColor);
    bag.write(u"MPTR", m_mousePointer);
    bag.write(u"MICON", m_mouseIcon);
    bag.write(u"PICN", m_pictureNormal);
    bag.write(u"PICH", m_pictureOver);
    bag.write(u"UMCOL", m_useMaskColor);
    bag.write(u"SOFT", m_softBevel);
    bag.write(u"PICPOS", m_picturePosition);
    bag.write(u"NGREY", m_useGreyscale);
    bag.write(u"FX", m_specialEffect);
    bag.write(u"HAND", m_handPointer);
    bag.write(u"CHECK", m_checkBoxBehaviour);
    bag.write(u"VALUE", m_value);
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

// ---- Property writes ----------------------------------------------------

void sknButton::setButtonType(qint32 type) {
    m_buttonType = type;
    if (!ambient().userMode && type == 5) {
        setFontBold(true);
    }
    // Style 11 takes no snapshot of what lies behind it: no recipe draws one.
    // The accent colour depends on the style, so the palette follows it.
    BuildPalette();
    changed("ButtonType");
    resizeProcedure();
}

void sknButton::setCaption(const QString& caption) {
    m_caption = caption;
    UpdateAccessKey();
    LayoutCaption();
    repaintIn(PaintState::Up);
    changed("Caption");
}

void sknButton::setEnabledProperty(bool enabled) {
    m_enabled = enabled;
    repaintIn(PaintState::Up);
    setEnabled(enabled);
    changed("Enabled");
}

void sknButton::fontChanged(const FontDesc& font) {
    surface().setFont(font);
    LayoutCaption();
    repaintIn(PaintState::Up);
}

void sknButton::setFont(const FontDesc& font) {
    fontChanged(font);
    changed("Font");
}

void sknButton::setFontBold(bool bold) {
    FontDesc f = Font();
    f.bold = bold;
    fontChanged(f);
}

void sknButton::setFontItalic(bool italic) {
    FontDesc f = Font();
    f.italic = italic;
    fontChanged(f);
}

void sknButton::setFontUnderline(bool underline) {
    FontDesc f = Font();
    f.underline = underline;
    fontChanged(f);
}

ControlError sknButton::setFontName(const QString& name) {
    if (name.trimmed().isEmpty() || name.contains(u',')) {
        return ControlError::invalidValue();
    }
    FontDesc f = Font();
    f.name = name.trimmed();
    fontChanged(f);
    return {};
}

qint16 sknButton::FontSize() const {
    return qint16(std::lrint(Font().size));
}

ControlError sknButton::setFontSize(qint16 points) {
    if (points <= 0) {
        return ControlError::invalidValue();
    }
    FontDesc f = Font();
    f.size = float(points);
    fontChanged(f);
    return {};
}

void sknButton::setColorScheme(qint32 scheme) {
    m_colorScheme = scheme;
    BuildPalette();
    repaintIn(PaintState::Up);
    changed("ColorScheme");
}

void sknButton::setShowFocusRect(bool show) {
    m_showFocusRect = show;
    repaintLast();
    changed("ShowFocusRect");
}

ControlError sknButton::setColour(Colour& field, Colour c, const char* name) {
    if (!isValidColour(c)) {
        return ControlError::invalidValue();
    }
    field = c;
    BuildPalette();
    repaintLast();
    changed(name);
    return {};
}

ControlError sknButton::setBackColor(Colour c) {
    if (isValidColour(c) && !ambient().userMode) {
        m_backOver = c;
        changed("BackOver");
    }
    return setColour(m_backColor, c, "BackColor");
}

ControlError sknButton::setBackOver(Colour c) {
    return setColour(m_backOver, c, "BackOver");
}

ControlError sknButton::setForeColor(Colour c) {
    if (isValidColour(c) && !ambient().userMode) {
        m_foreOver = c;
        changed("ForeOver");
    }
    return setColour(m_foreColor, c, "ForeColor");
}

ControlError sknButton::setForeOver(Colour c) {
    // The hover text of the own colours scheme: shown at once, like BackOver.
    return setColour(m_foreOver, c, "ForeOver");
}

ControlError sknButton::setMaskColor(Colour c) {
    return setColour(m_maskColor, c, "MaskColor");
}

ControlError sknButton::setMousePointer(qint16 pointer) {
    if (const ControlError e = applyMousePointer(pointer, m_mouseIcon)) {
        return e;
    }
    m_mousePointer = pointer;
    changed("MousePointer");
    return {};
}

void sknButton::setMouseIcon(const Picture& icon) {
    m_mouseIcon = icon;
    applyMousePointer(m_mousePointer, icon); // a pointer that cannot be set is ignored
    changed("MouseIcon");
}

void sknButton::setPictureNormal(const Picture& picture) {
    m_pictureNormal = picture;
    MeasurePicture();
    LayoutCaption();
    repaintLast();
    changed("PictureNormal");
}

void sknButton::setPictureOver(const Picture& picture) {
    m_pictureOver = picture;
    if (m_hovered) {
        repaintLast();
    }
    changed("PictureOver");
}

void sknButton::setUseMaskColor(bool use) {
    m_useMaskColor = use;
    if (!m_pictureNormal.isNull()) {
        repaintLast();
    }
    changed("UseMaskColor");
}

void sknButton::setSoftBevel(bool soft) {
    m_softBevel = soft;
    BuildPalette();
    repaintLast();
    changed("SoftBevel");
}

ControlError sknButton::setPicturePosition(qint32 position) {
    if (position < 0 || position > 4) {
        return ControlError::invalidValue();
    }
    m_picturePosition = position;
    LayoutCaption();
    repaintLast();
    changed("PicturePosition");
    return {};
}

void sknButton::setUseGreyscale(bool use) {
    m_useGreyscale = use;
    if (!m_pictureNormal.isNull()) {
        repaintLast();
    }
    changed("UseGreyscale");
}

ControlError sknButton::setSpecialEffect(qint32 effect) {
    if (effect < 0 || effect > 3) {
        return ControlError::invalidValue();
    }
    m_specialEffect = effect;
    repaintLast();
    changed("SpecialEffect");
    return {};
}

void sknButton::setHandPointer(bool hand) {
    m_handPointer = hand;
    if (hand) {
        setMouseIcon(handCursor());
        setMousePointer(kPointerCustom);
    } else {
        setMouseIcon(Picture());
        setMousePointer(kPointerArrow);
    }
    changed("HandPointer");
}

void sknButton::setCheckBoxBehaviour(bool check) {
    m_checkBoxBehaviour = check;
    repaintLast();
    changed("CheckBoxBehaviour");
}

void sknButton::setValue(bool value) {
    m_value = value;
    if (m_checkBoxBehaviour) {
        repaintIn(PaintState::Up);
    }
    changed("Value");
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
    m_pressedHere = true;
    m_doubleClicked = false;
    pressDown(mouseButtonCode(event->button()), shiftCode(event->modifiers()),
              float(event->position().x()), float(event->position().y()));
}

void sknButton::mouseDoubleClickEvent(QMouseEvent* event) {
    Q_UNUSED(event);
    // The second press of a double click comes only as this event; it
    // presses the button but gives no second Click.
    m_pressedHere = true;
    m_doubleClicked = true;
    if (m_lastButton == kLeftButton) {
        pressDown(kLeftButton, 0, 0, 0);
        grabMouse();
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
    const bool click =
        m_pressedHere && !m_doubleClicked && windowOutline().contains(event->position().toPoint());
    if (m_doubleClicked && QWidget::mouseGrabber() == this) {
        releaseMouse();
    }
    m_pressedHere = false;
    m_doubleClicked = false;
    if (click) {
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
        setValue(!m_value);
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
    if (m_checkBoxBehaviour) {
        setValue(!m_value);
    }
    PaintButton(PaintState::Up, false);
    Q_EMIT Click();
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
        setEnabledProperty(false);
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
