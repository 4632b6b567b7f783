#include "frame3d/sknFrame3D.h"

#include "frame3d/FrameDrawing.h"
#include "frame3d/FrameFailures.h"

#include <QMouseEvent>
#include <algorithm>
#include <type_traits>

namespace zephral {

namespace {

// A value read from the bag goes through apply only when it could be read;
// otherwise the read's failure is the statement's failure and the property
// keeps the value it had.
template <class T, class Apply>
ControlError applyRead(const ReadResult<T>& read, Apply&& apply) {
    if (!read.ok()) {
        return read.error;
    }
    if constexpr (std::is_same_v<std::invoke_result_t<Apply, const T&>, ControlError>) {
        return apply(read.value);
    } else {
        apply(read.value);
        return {};
    }
}

ControlError checkColour(Colour c) {
    return isValidColour(c) ? ControlError{} : ControlError::invalidValue();
}

} // namespace

sknFrame3D::sknFrame3D(QWidget* parent) : SkinnedControl(parent) {
    // Created behind to front: the blank patch under the shadow under the
    // caption.
    lblCaptionBlank = new CaptionLabel(this);
    lblCaptionBlank->setObjectName(QStringLiteral("lblCaptionBlank"));
    lblCaptionBlank->setAutoSize(false);
    lblCaptionBlank->setFill(m_backColour);
    lblCaptionBlank->hide();
    lblCaptionShadow = new CaptionLabel(this);
    lblCaptionShadow->setObjectName(QStringLiteral("lblCaptionShadow"));
    lblCaptionShadow->setColour(m_highlight);
    lblCaptionShadow->hide();
    lblCaption = new CaptionLabel(this);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    for (QWidget* w :
         {static_cast<QWidget*>(this), static_cast<QWidget*>(lblCaptionBlank),
          static_cast<QWidget*>(lblCaptionShadow), static_cast<QWidget*>(lblCaption)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

const PropertyTable& sknFrame3D::propertyTable() const {
    using F = sknFrame3D;
    static const PropertyTable table =
        PropertyTableBuilder<F>()
            .add("BorderType", &F::BorderType, &F::setBorderType)
            .add("BevelWidth", &F::BevelWidth, &F::setBevelWidth)
            .add("BevelInner", &F::BevelInner, &F::setBevelInner)
            .add("Caption3D", &F::Caption3D, &F::setCaption3D)
            .add("CaptionAlignment", &F::CaptionAlignment, &F::setCaptionAlignment)
            .add("CaptionLocation", &F::CaptionLocation, &F::setCaptionLocation)
            .add("BackColor", &F::BackColor, &F::setBackColor)
            .add("CornerRadius", &F::CornerRadius, &F::setCornerRadius)
            .add("FillColor", &F::FillColor, &F::setFillColor)
            .add("FillStyle", &F::FillStyle, &F::setFillStyle)
            .add("DrawStyle", &F::DrawStyle, &F::setDrawStyle)
            .add("FloodPercent", &F::FloodPercent, &F::setFloodPercent)
            .add("FloodShowPct", &F::FloodShowPct, &F::setFloodShowPct)
            .add("FloodType", &F::FloodType, &F::setFloodType)
            .add("FloodColor", &F::FloodColor, &F::setFloodColor)
            .add("FillGradient", &F::FillGradient, &F::setFillGradient)
            .add("MousePointer", &F::MousePointer, &F::setMousePointer)
            .add("MouseIcon", &F::MouseIcon, &F::setMouseIcon)
            .add("Picture", &F::Picture, &F::setPicture)
            .add("Border3DHighlight", &F::Border3DHighlight, &F::setBorder3DHighlight)
            .add("Border3DShadow", &F::Border3DShadow, &F::setBorder3DShadow)
            .add("Enabled", &F::Enabled, &F::setEnabledProperty)
            .add("CaptionMAlignment", &F::CaptionMAlignment, &F::setCaptionMAlignment)
            .add("Font", &F::Font, &F::setFont)
            .add("FontBold", &F::FontBold, &F::setFontBold)
            .add("FontItalic", &F::FontItalic, &F::setFontItalic)
            .add("FontName", &F::FontName, &F::setFontName)
            .add("FontSize", &F::FontSize, &F::setFontSize)
            .add("FontStrikethru", &F::FontStrikethru, &F::setFontStrikethru)
            .add("FontUnderline", &F::FontUnderline, &F::setFontUnderline)
            .add("ForeColor", &F::ForeColor, &F::setForeColor)
            .add("Caption", &F::Caption, &F::setCaption)
            .add("UseMnemonic", &F::UseMnemonic, &F::setUseMnemonic)
            .readOnly("InsideLeft", &F::InsideLeft)
            .readOnly("InsideTop", &F::InsideTop)
            .readOnly("InsideWidth", &F::InsideWidth)
            .readOnly("InsideHeight", &F::InsideHeight)
            .readOnly("hwnd", &F::hwnd)
            .build();
    return table;
}

FrameState sknFrame3D::state() const {
    FrameState s;
    s.width = width();
    s.height = height();
    s.borderType = m_borderType;
    s.bevelWidth = m_bevelWidth;
    s.bevelInner = m_bevelInner;
    s.caption3D = m_caption3D;
    s.captionAlignment = m_captionAlignment;
    s.captionLocation = m_captionLocation;
    s.cornerRadius = m_cornerRadius;
    s.floodPercent = m_floodPercent;
    s.floodType = m_floodType;
    s.fillGradient = m_fillGradient;
    s.backColour = m_backColour;
    s.highlight = m_highlight;
    s.shadow = m_shadow;
    s.hasCaption = !lblCaption->text().isEmpty();
    s.captionSize = lblCaption->size();
    return s;
}

// --- lifecycle ---------------------------------------------------------------

void sknFrame3D::initProperties() {
    FrameProcedure p(QStringLiteral("UserControl_InitProperties"), true);
    p.step(u"BevelWidth", [&] { m_bevelWidth = 3; });
    p.step(u"BorderType", [&] { m_borderType = 1; });
    p.step(u"BackColor", [&] { m_backColour = ambientBackColour(); });
    p.step(u"Border3DHighlight", [&] { m_highlight = systemColour(ButtonHighlight); });
    p.step(u"Border3DShadow", [&] { m_shadow = systemColour(ButtonShadow); });
    p.step(u"Enabled", [&] { m_enabled = true; });
    p.step(u"FloodPercent", [&] { m_floodPercent = 0; });
    p.step(u"FloodShowPct", [&] { m_floodShowPct = false; });
    p.step(u"FloodType", [&] { m_floodType = 0; });
    p.step(u"FloodColor", [&] { m_floodColour = surface().fillColour(); });
    p.step(u"lblCaptionShadow", [&] { lblCaptionShadow->setColour(m_highlight); });
    p.step(u"Caption", [&] { setCaptionText(QString()); });
    p.step(u"CaptionLocation", [&] { m_captionLocation = 0; });
    p.step(u"CornerRadius", [&] {
        m_cornerRadius = 7;
        m_cornerDiameter = 14;
    });
    redraw();
}

void sknFrame3D::readProperties(const PropertyBag& bag) {
    FrameProcedure p(QStringLiteral("UserControl_ReadProperties"), true);
    auto setLong = [&](const char16_t* key, qint32& member, qint32 fallback) {
        p.step(key, [&] {
            return applyRead(bag.readLong(key, fallback), [&](qint32 v) { member = v; });
        });
    };
    auto setColour = [&](const char16_t* key, Colour& member, Colour fallback) {
        p.step(key, [&] {
            return applyRead(bag.readColour(key, fallback), [&](Colour v) { member = v; });
        });
    };
    auto setFontPart = [&](const char16_t* key, auto read, auto apply) {
        p.step(key, [&] {
            return applyRead(read(key), [&](const auto& v) {
                FontDesc f = Font();
                apply(f, v);
                return applyFont(f);
            });
        });
    };

    setLong(u"BorderType", m_borderType, 1);
    p.step(u"BevelWidth", [&] {
        return applyRead(bag.readLong(u"BevelWidth", 3),
                         [&](qint32 v) { m_bevelWidth = std::max(v, qint32(3)); });
    });
    setLong(u"BevelInner", m_bevelInner, 0);
    setLong(u"Caption3D", m_caption3D, 0);
    setLong(u"CaptionAlignment", m_captionAlignment, 0);
    setLong(u"CaptionLocation", m_captionLocation, 0);
    setColour(u"BackColor", m_backColour, ambientBackColour());
    setColour(u"Border3DHighlight", m_highlight, systemColour(ButtonHighlight));
    setColour(u"Border3DShadow", m_shadow, systemColour(ButtonShadow));
    p.step(u"Enabled", [&] {
        return applyRead(bag.readBoolean(u"Enabled", true), [&](bool v) { m_enabled = v; });
    });
    p.step(u"CornerDiameter", [&] {
        return applyRead(bag.readLong(u"CornerDiameter", 7), [&](qint32 v) {
            m_cornerRadius = v;
            m_cornerDiameter = 2 * v;
        });
    });
    p.step(u"FloodPercent", [&] {
        return applyRead(bag.readLong(u"FloodPercent", 0),
                         [&](qint32 v) { m_floodPercent = std::clamp(v, qint32(0), qint32(100)); });
    });
    p.step(u"FloodShowPct", [&] {
        return applyRead(bag.readBoolean(u"FloodShowPct", false),
                         [&](bool v) { m_floodShowPct = v; });
    });
    setLong(u"FloodType", m_floodType, 0);
    setColour(u"FloodColor", m_floodColour, surface().fillColour());
    setLong(u"FillGradient", m_fillGradient, 0);
    p.step(u"FillColor", [&] {
        return applyRead(bag.readColour(u"FillColor", surface().fillColour()),
                         [&](Colour v) { surface().setFillColour(v); });
    });
    p.step(u"FillStyle", [&] {
        return applyRead(bag.readInteger(u"FillStyle", FillStyle()), [&](qint16 v) {
            if (v < 0 || v > 7) {
                return ControlError::invalidValue();
            }
            surface().setFillStyle(zephral::FillStyle(v));
            return ControlError{};
        });
    });
    p.step(u"DrawStyle", [&] {
        return applyRead(bag.readInteger(u"DrawStyle", DrawStyle()), [&](qint16 v) {
            if (v < 0 || v > 6) {
                return ControlError::invalidValue();
            }
            surface().setPenStyle(PenStyle(v));
            return ControlError{};
        });
    });
    p.step(u"MousePointer", [&] {
        return applyRead(bag.readInteger(u"MousePointer", 0), [&](qint16 v) {
            if (const ControlError e = applyMousePointer(v, m_mouseIcon)) {
                return e;
            }
            m_mousePointer = v;
            return ControlError{};
        });
    });
    p.step(u"MouseIcon", [&] {
        return applyRead(bag.readPicture(u"MouseIcon", {}), [&](const zephral::Picture& v) {
            m_mouseIcon = v;
            return m_mousePointer == 99 ? applyMousePointer(m_mousePointer, m_mouseIcon)
                                        : ControlError{};
        });
    });
    p.step(u"Picture", [&] {
        return applyRead(bag.readPicture(u"Picture", {}),
                         [&](const zephral::Picture& v) { surface().setBackgroundPicture(v); });
    });
    p.step(u"CaptionMAlignment", [&] {
        return applyRead(bag.readInteger(u"CaptionMAlignment", CaptionMAlignment()), [&](qint16 v) {
            if (v < 0 || v > 2) {
                return ControlError::invalidValue();
            }
            lblCaption->setAlignment(v);
            lblCaptionShadow->setAlignment(v);
            return ControlError{};
        });
    });
    setFontPart(
        u"Font", [&](const char16_t* key) { return bag.readFont(key, Font()); },
        [](FontDesc& f, const FontDesc& v) { f = v; });
    setFontPart(
        u"FontBold", [&](const char16_t* key) { return bag.readBoolean(key, FontBold()); },
        [](FontDesc& f, bool v) { f.bold = v; });
    setFontPart(
        u"FontItalic", [&](const char16_t* key) { return bag.readBoolean(key, FontItalic()); },
        [](FontDesc& f, bool v) { f.italic = v; });
    setFontPart(
        u"FontName", [&](const char16_t* key) { return bag.readString(key, FontName()); },
        [](FontDesc& f, const QString& v) { f.name = v; });
    setFontPart(
        u"FontSize", [&](const char16_t* key) { return bag.readSingle(key, FontSize()); },
        [](FontDesc& f, float v) { f.size = v; });
    setFontPart(
        u"FontStrikethru",
        [&](const char16_t* key) { return bag.readBoolean(key, FontStrikethru()); },
        [](FontDesc& f, bool v) { f.strikethrough = v; });
    setFontPart(
        u"FontUnderline",
        [&](const char16_t* key) { return bag.readBoolean(key, FontUnderline()); },
        [](FontDesc& f, bool v) { f.underline = v; });
    p.step(u"ForeColor", [&] {
        return applyRead(bag.readColour(u"ForeColor", ForeColor()),
                         [&](Colour v) { lblCaption->setColour(v); });
    });
    p.step(u"Caption", [&] {
        return applyRead(bag.readString(u"Caption", Caption()),
                         [&](const QString& v) { setCaptionText(v); });
    });
    p.step(u"UseMnemonic", [&] {
        return applyRead(bag.readBoolean(u"UseMnemonic", UseMnemonic()), [&](bool v) {
            lblCaption->setUseMnemonic(v);
            lblCaptionShadow->setUseMnemonic(v);
            setCaptionText(Caption());
        });
    });
    p.step(u"FloodShowPctText", [&] {
        if (m_floodShowPct) {
            setCaptionText(QString::number(m_floodPercent) + u'%');
        }
    });
    p.step(u"lblCaptionShadow", [&] { lblCaptionShadow->setColour(m_highlight); });
    redraw();
}

void sknFrame3D::writeProperties(PropertyBag& bag) const {
    FrameProcedure p(QStringLiteral("UserControl_WriteProperties"), true);
    auto put = [&](const char16_t* key, const PropertyValue& value) {
        p.step(key, [&] { bag.write(key, value); });
    };
    put(u"BorderType", m_borderType);
    put(u"BevelWidth", m_bevelWidth);
    put(u"BevelInner", m_bevelInner);
    put(u"Caption3D", m_caption3D);
    put(u"CaptionAlignment", m_captionAlignment);
    put(u"CaptionLocation", m_captionLocation);
    put(u"BackColor", qint32(m_backColour));
    put(u"CornerDiameter", m_cornerRadius);
    put(u"FillColor", qint32(FillColor()));
    put(u"FillStyle", FillStyle());
    put(u"DrawStyle", DrawStyle());
    put(u"FloodPercent", m_floodPercent);
    put(u"FloodShowPct", m_floodShowPct);
    put(u"FloodType", m_floodType);
    put(u"FloodColor", qint32(m_floodColour));
    put(u"FillGradient", m_fillGradient);
    put(u"MousePointer", m_mousePointer);
    put(u"MouseIcon", m_mouseIcon);
    put(u"Picture", Picture());
    put(u"Border3DHighlight", qint32(m_highlight));
    put(u"Border3DShadow", qint32(m_shadow));
    put(u"Enabled", m_enabled);
    put(u"CaptionMAlignment", CaptionMAlignment());
    put(u"Font", Font());
    put(u"FontBold", FontBold());
    put(u"FontItalic", FontItalic());
    put(u"FontName", FontName());
    put(u"FontSize", FontSize());
    put(u"FontStrikethru", FontStrikethru());
    put(u"FontUnderline", FontUnderline());
    put(u"ForeColor", qint32(ForeColor()));
    put(u"Caption", Caption());
    put(u"UseMnemonic", UseMnemonic());
}

// --- drawing -------------------------------------------------------------------

void sknFrame3D::redraw() {
    FrameProcedure p(QStringLiteral("UserControl_Resize"), false);
    Surface& s = surface();
    OutlineShape outline = OutlineShape::Rectangle;
    p.step(u"hideBlank", [&] {
        lblCaptionBlank->hide();
        m_lines = {0, float(height()), false};
    });
    p.step(u"captionLine", [&] {
        m_lines = frameLines(state());
        if (m_lines.showBlank) {
            lblCaptionBlank->show();
        }
    });
    p.step(u"clear", [&] {
        m_cornerDiameter = 2 * m_cornerRadius;
        s.setBackColour(m_backColour);
        s.clear();
        lblCaptionBlank->setFill(m_backColour);
        setEnabled(m_enabled);
    });
    p.step(u"gradient", [&] {
        if (m_fillGradient != 0) {
            DrawGradiant();
        }
    });
    p.step(u"inside", [&] { m_inside = borderInsideArea(state()); });
    p.step(u"border", [&] {
        const BorderRecipe recipe = borderRecipe(state(), m_lines);
        if (recipe.hidesBlank) {
            lblCaptionBlank->hide();
        }
        drawStrokes(s, recipe.strokes);
        outline = recipe.outline;
    });
    p.step(u"outline",
           [&] { setWindowOutline(frameOutline(outline, width(), height(), m_cornerDiameter)); });
    p.step(u"bevel", [&] { DrawBevelInner(); });
    p.step(u"caption", [&] { DrawCaptionAlignment(); });
    update();
}

void sknFrame3D::DrawGradiant() {
    // A gradient that can't be drawn is left out without a word.
    drawGradient(surface(), state(), surface().fillColour());
    update();
}

void sknFrame3D::DrawBevelInner() {
    FrameProcedure p(QStringLiteral("DrawBevelInner"), false);
    if (m_bevelInner != 0) {
        float d = 0;
        p.step(u"inset", [&] {
            d = bevelInset(state(), m_lines);
            lblCaptionBlank->hide();
        });
        p.step(u"bevel", [&] { drawStrokes(surface(), bevelStrokes(state(), d)); });
        p.step(u"inside", [&] { m_inside = bevelInsideArea(d, width(), height()); });
    }
    p.step(u"flood", [&] {
        if (m_floodPercent > 0) {
            DrawFlood();
        }
    });
}

void sknFrame3D::DrawFlood() {
    FrameProcedure p(QStringLiteral("DrawFlood"), false);
    p.step(u"percentText", [&] {
        if (m_floodShowPct) {
            setCaptionText(QString::number(m_floodPercent) + u'%');
            DrawCaptionAlignment();
        }
    });
    if (m_floodPercent == 0) {
        return;
    }
    p.step(u"fill", [&] {
        if (const std::optional<QRect> box = floodBox(state(), m_lines)) {
            surface().fillRect(box->x(), box->y(), box->width(), box->height(), m_floodColour);
        }
    });
    update();
}

void sknFrame3D::DrawCaptionAlignment() {
    FrameProcedure p(QStringLiteral("DrawCaptionAlignment"), false);
    if (lblCaption->text().isEmpty()) {
        return;
    }
    p.step(u"position", [&] { m_captionPosition = captionPosition(state()); });
    p.step(u"style", [&] { DrawCaptionStyle(); });
    p.step(u"refresh", [&] { update(); });
}

void sknFrame3D::DrawCaptionStyle() {
    FrameProcedure p(QStringLiteral("DrawCaptionStyle"), false);
    const CaptionPlacement place = captionPlacement(state(), m_captionPosition);
    p.step(u"caption", [&] { lblCaption->move(place.caption); });
    p.step(u"shadow", [&] {
        if (place.shadow) {
            lblCaptionShadow->move(*place.shadow);
            lblCaptionShadow->show();
        } else {
            lblCaptionShadow->hide();
        }
    });
    p.step(u"blank", [&] { lblCaptionBlank->setGeometry(place.blank); });
}

// --- properties ----------------------------------------------------------------

void sknFrame3D::changed(const char* name, bool redrawToo) {
    notifyPropertyChanged(QString::fromLatin1(name));
    if (redrawToo) {
        redraw();
    }
}

void sknFrame3D::setCaptionText(const QString& text) {
    lblCaption->setText(text);
    lblCaptionShadow->setText(text);
    const QChar key = lblCaption->accessKey();
    setAccessKeys(key.isNull() ? QString() : QString(key));
}

ControlError sknFrame3D::applyFont(const FontDesc& font) {
    if (font.name.isEmpty() || !(font.size > 0 && font.size <= 2048)) {
        return ControlError::invalidValue();
    }
    lblCaption->setFontDesc(font);
    lblCaptionShadow->setFontDesc(font);
    return {};
}

void sknFrame3D::setBorderType(qint32 value) {
    m_borderType = value;
    changed("BorderType");
}

void sknFrame3D::setBevelWidth(qint32 value) {
    m_bevelWidth = std::max(value, qint32(3));
    changed("BevelWidth");
}

void sknFrame3D::setBevelInner(qint32 value) {
    m_bevelInner = value;
    changed("BevelInner");
}

void sknFrame3D::setCaption3D(qint32 value) {
    m_caption3D = value;
    changed("Caption3D");
}

void sknFrame3D::setCaptionAlignment(qint32 value) {
    m_captionAlignment = value;
    changed("CaptionAlignment");
}

void sknFrame3D::setCaptionLocation(qint32 value) {
    m_captionLocation = value;
    changed("CaptionLocation");
}

ControlError sknFrame3D::setBackColor(Colour c) {
    if (const ControlError e = checkColour(c)) {
        return e;
    }
    m_backColour = c;
    changed("BackColor");
    return {};
}

void sknFrame3D::setCornerRadius(qint32 value) {
    m_cornerRadius = value;
    m_cornerDiameter = 2 * value;
    changed("CornerRadius");
}

ControlError sknFrame3D::setFillColor(Colour c) {
    if (const ControlError e = checkColour(c)) {
        return e;
    }
    surface().setFillColour(c);
    changed("FillColor");
    return {};
}

ControlError sknFrame3D::setFillStyle(qint16 value) {
    if (value < 0 || value > 7) {
        return ControlError::invalidValue();
    }
    surface().setFillStyle(zephral::FillStyle(value));
    changed("FillStyle");
    return {};
}

ControlError sknFrame3D::setDrawStyle(qint16 value) {
    if (value < 0 || value > 6) {
        return ControlError::invalidValue();
    }
    surface().setPenStyle(PenStyle(value));
    changed("DrawStyle");
    return {};
}

void sknFrame3D::setFloodPercent(qint32 value) {
    value = std::clamp(value, qint32(0), qint32(100));
    // Filling further only adds to the bar; anything else takes the old bar
    // away with a full redraw.
    const bool raised = value > m_floodPercent;
    m_floodPercent = value;
    notifyPropertyChanged(QStringLiteral("FloodPercent"));
    DrawFlood();
    if (!raised) {
        redraw();
    }
}

void sknFrame3D::setFloodShowPct(bool on) {
    m_floodShowPct = on;
    setCaptionText(on ? QString::number(m_floodPercent) + u'%' : QString());
    changed("FloodShowPct", false);
}

void sknFrame3D::setFloodType(qint32 value) {
    m_floodType = value;
    changed("FloodType");
}

ControlError sknFrame3D::setFloodColor(Colour c) {
    if (const ControlError e = checkColour(c)) {
        return e;
    }
    m_floodColour = c;
    notifyPropertyChanged(QStringLiteral("FloodColor"));
    DrawFlood();
    return {};
}

void sknFrame3D::setFillGradient(qint32 value) {
    m_fillGradient = value;
    changed("FillGradient");
}

ControlError sknFrame3D::setMousePointer(qint16 value) {
    if (const ControlError e = applyMousePointer(value, m_mouseIcon)) {
        return e;
    }
    m_mousePointer = value;
    changed("MousePointer", false);
    return {};
}

void sknFrame3D::setMouseIcon(const zephral::Picture& icon) {
    m_mouseIcon = icon;
    if (m_mousePointer == 99) {
        applyMousePointer(m_mousePointer, m_mouseIcon);
    }
    changed("MouseIcon", false);
}

void sknFrame3D::setPicture(const zephral::Picture& picture) {
    surface().setBackgroundPicture(picture);
    // The picture lies under the border; draw the border over it again.
    changed("Picture");
}

ControlError sknFrame3D::setBorder3DHighlight(Colour c) {
    if (const ControlError e = checkColour(c)) {
        return e;
    }
    m_highlight = c;
    lblCaptionShadow->setColour(c);
    changed("Border3DHighlight");
    return {};
}

ControlError sknFrame3D::setBorder3DShadow(Colour c) {
    if (const ControlError e = checkColour(c)) {
        return e;
    }
    m_shadow = c;
    changed("Border3DShadow");
    return {};
}

void sknFrame3D::setEnabledProperty(bool on) {
    m_enabled = on;
    changed("Enabled");
}

ControlError sknFrame3D::setCaptionMAlignment(qint16 value) {
    if (value < 0 || value > 2) {
        return ControlError::invalidValue();
    }
    lblCaption->setAlignment(value);
    lblCaptionShadow->setAlignment(value);
    changed("CaptionMAlignment");
    return {};
}

ControlError sknFrame3D::setFont(const FontDesc& font) {
    if (const ControlError e = applyFont(font)) {
        return e;
    }
    changed("Font");
    return {};
}

void sknFrame3D::setFontBold(bool on) {
    FontDesc f = Font();
    f.bold = on;
    applyFont(f);
    changed("FontBold");
}

void sknFrame3D::setFontItalic(bool on) {
    FontDesc f = Font();
    f.italic = on;
    applyFont(f);
    changed("FontItalic");
}

ControlError sknFrame3D::setFontName(const QString& name) {
    FontDesc f = Font();
    f.name = name;
    if (const ControlError e = applyFont(f)) {
        return e;
    }
    changed("FontName");
    return {};
}

ControlError sknFrame3D::setFontSize(float points) {
    FontDesc f = Font();
    f.size = points;
    if (const ControlError e = applyFont(f)) {
        return e;
    }
    changed("FontSize");
    return {};
}

void sknFrame3D::setFontStrikethru(bool on) {
    FontDesc f = Font();
    f.strikethrough = on;
    applyFont(f);
    changed("FontStrikethru");
}

void sknFrame3D::setFontUnderline(bool on) {
    FontDesc f = Font();
    f.underline = on;
    applyFont(f);
    changed("FontUnderline");
}

ControlError sknFrame3D::setForeColor(Colour c) {
    if (const ControlError e = checkColour(c)) {
        return e;
    }
    lblCaption->setColour(c);
    changed("ForeColor", false);
    return {};
}

void sknFrame3D::setCaption(const QString& caption) {
    setCaptionText(caption);
    changed("Caption");
}

void sknFrame3D::setUseMnemonic(bool on) {
    lblCaption->setUseMnemonic(on);
    lblCaptionShadow->setUseMnemonic(on);
    setCaptionText(Caption());
    changed("UseMnemonic");
}

// --- events ----------------------------------------------------------------------

void sknFrame3D::resizeEvent(QResizeEvent* event) {
    SkinnedControl::resizeEvent(event);
    redraw();
}

void sknFrame3D::ambientChanged(const QString& name) {
    if (name == QLatin1String("Palette")) {
        redraw(); // system colours look different now
    }
}

void sknFrame3D::accessKeyPressed(QChar) {
    Q_EMIT Click();
}

bool sknFrame3D::eventFilter(QObject* watched, QEvent* event) {
    // The frame's own events and its labels' alike; a label's are used up
    // here so that they don't reach the frame a second time.
    auto* source = qobject_cast<QWidget*>(watched);
    if (source == nullptr) {
        return false;
    }
    const bool fromLabel = source != this;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* e = static_cast<QMouseEvent*>(event);
        Q_EMIT MouseDown(mouseButtonCode(e->button()), shiftCode(e->modifiers()),
                         float(e->position().x()), float(e->position().y()));
        return fromLabel;
    }
    case QEvent::MouseButtonRelease: {
        const auto* e = static_cast<QMouseEvent*>(event);
        Q_EMIT MouseUp(mouseButtonCode(e->button()), shiftCode(e->modifiers()),
                       float(e->position().x()), float(e->position().y()));
        const bool click = e->button() == Qt::LeftButton && !m_afterDoubleClick &&
                           source->rect().contains(e->position().toPoint());
        m_afterDoubleClick = false;
        if (click) {
            Q_EMIT Click();
        }
        return fromLabel;
    }
    case QEvent::MouseButtonDblClick: {
        m_afterDoubleClick = true;
        Q_EMIT DblClick();
        return fromLabel;
    }
    case QEvent::MouseMove: {
        const auto* e = static_cast<QMouseEvent*>(event);
        Q_EMIT MouseMove(mouseButtonsCode(e->buttons()), shiftCode(e->modifiers()),
                         float(e->position().x()), float(e->position().y()));
        return fromLabel;
    }
    case QEvent::KeyPress: {
        const auto* e = static_cast<QKeyEvent*>(event);
        Q_EMIT KeyDown(keyCodeOf(*e), shiftCode(e->modifiers()));
        if (const int ascii = keyAsciiOf(*e)) {
            Q_EMIT KeyPress(ascii);
        }
        return false;
    }
    case QEvent::KeyRelease: {
        const auto* e = static_cast<QKeyEvent*>(event);
        Q_EMIT KeyUp(keyCodeOf(*e), shiftCode(e->modifiers()));
        return false;
    }
    default:
        return false;
    }
}

} // namespace zephral
