#include "frame3d/sknFrame3D.h"

#include "frame3d/FrameDrawing.h"

#include <QMouseEvent>
#include <algorithm>
#include <limits>

namespace zephral {

namespace {

const QString kModule = QStringLiteral("Frame3D");

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
    // The font's parts are kept in the font of both caption labels.
    const auto fontPart = [](auto part) {
        return [part](F& f, const auto& v) {
            FontDesc font = f.Font();
            part(font, v);
            return f.applyFont(font);
        };
    };
    const auto bothLabels = [](auto set) {
        return [set](F& f, const auto& v) {
            (f.lblCaption->*set)(v);
            (f.lblCaptionShadow->*set)(v);
        };
    };
    const auto percentText = [](F& f) {
        f.setCaptionText(f.m_floodShowPct ? QString::number(f.m_floodPercent) + u'%' : QString());
    };
    static const PropertyTable table =
        PropertyTableBuilder<F>({kModule, false, false})
            .field("BorderType", "BorderType", &F::m_borderType, 1)
            .effect(&F::redraw)
            .field("BevelWidth", "BevelWidth", &F::m_bevelWidth, 3)
            .clamp(3, std::numeric_limits<qint32>::max())
            .effect(&F::redraw)
            .field("BevelInner", "BevelInner", &F::m_bevelInner, 0)
            .initial(kLeaveAlone)
            .effect(&F::redraw)
            .field("Caption3D", "Caption3D", &F::m_caption3D, 0)
            .initial(kLeaveAlone)
            .effect(&F::redraw)
            .field("CaptionAlignment", "CaptionAlignment", &F::m_captionAlignment, 0)
            .initial(kLeaveAlone)
            .effect(&F::redraw)
            .field("CaptionLocation", "CaptionLocation", &F::m_captionLocation, 0)
            .effect(&F::redraw)
            .field("BackColor", "BackColor", &F::m_backColour, &F::ambientBackColour)
            .effect(&F::redraw)
            .value(
                "CornerRadius", "CornerDiameter", &F::CornerRadius,
                [](F& f, qint32 v) {
                    f.m_cornerRadius = v;
                    f.m_cornerDiameter = 2 * v;
                },
                7)
            .effect(&F::redraw)
            .value(
                "FillColor", "FillColor", &F::FillColor,
                [](F& f, Colour c) { f.surface().setFillColour(c); }, &F::FillColor)
            .initial(kLeaveAlone)
            .effect(&F::redraw)
            .value(
                "FillStyle", "FillStyle", &F::FillStyle,
                [](F& f, qint16 v) { f.surface().setFillStyle(zephral::FillStyle(v)); },
                &F::FillStyle)
            .initial(kLeaveAlone)
            .range(0, 7)
            .effect(&F::redraw)
            .value(
                "DrawStyle", "DrawStyle", &F::DrawStyle,
                [](F& f, qint16 v) { f.surface().setPenStyle(PenStyle(v)); }, &F::DrawStyle)
            .initial(kLeaveAlone)
            .range(0, 6)
            .effect(&F::redraw)
            .field("FloodPercent", "FloodPercent", &F::m_floodPercent, 0)
            .clamp(0, 100)
            .effect(&F::floodPercentChanged)
            .field("FloodShowPct", "FloodShowPct", &F::m_floodShowPct, false)
            .effect(percentText)
            .field("FloodType", "FloodType", &F::m_floodType, 0)
            .effect(&F::redraw)
            // Read before FillColor was, so its default is the surface's own.
            .field("FloodColor", "FloodColor", &F::m_floodColour, Colour(0))
            .initial(&F::FillColor)
            .effect(&F::DrawFlood)
            .field("FillGradient", "FillGradient", &F::m_fillGradient, 0)
            .initial(kLeaveAlone)
            .effect(&F::redraw)
            .value(
                "MousePointer", "MousePointer", &F::MousePointer,
                [](F& f, qint16 v) {
                    if (const ControlError e = f.applyMousePointer(v, f.m_mouseIcon)) {
                        return e;
                    }
                    f.m_mousePointer = v;
                    return ControlError{};
                },
                0)
            .initial(kLeaveAlone)
            .value(
                "MouseIcon", "MouseIcon", &F::MouseIcon,
                [](F& f, const zephral::Picture& icon) {
                    f.m_mouseIcon = icon;
                    if (f.m_mousePointer == 99) {
                        f.applyMousePointer(f.m_mousePointer, f.m_mouseIcon);
                    }
                },
                zephral::Picture())
            .initial(kLeaveAlone)
            // The picture lies under the border; the border is drawn over it again.
            .value(
                "Picture", "Picture", &F::Picture,
                [](F& f, const zephral::Picture& p) { f.surface().setBackgroundPicture(p); },
                zephral::Picture())
            .initial(kLeaveAlone)
            .effect(&F::redraw)
            .value(
                "Border3DHighlight", "Border3DHighlight", &F::Border3DHighlight,
                [](F& f, Colour c) {
                    f.m_highlight = c;
                    f.lblCaptionShadow->setColour(c);
                },
                systemColour(ButtonHighlight))
            .effect(&F::redraw)
            .field("Border3DShadow", "Border3DShadow", &F::m_shadow, systemColour(ButtonShadow))
            .effect(&F::redraw)
            .field("Enabled", "Enabled", &F::m_enabled, true)
            .effect(&F::redraw)
            .value("CaptionMAlignment", "CaptionMAlignment", &F::CaptionMAlignment,
                   bothLabels(&CaptionLabel::setAlignment), &F::CaptionMAlignment)
            .initial(kLeaveAlone)
            .range(0, 2)
            .effect(&F::redraw)
            .value("Font", "Font", &F::Font, &F::applyFont, &F::Font)
            .initial(kLeaveAlone)
            .effect(&F::redraw)
            .value("FontBold", "FontBold", &F::FontBold,
                   fontPart([](FontDesc& f, bool v) { f.bold = v; }), &F::FontBold)
            .initial(kLeaveAlone)
            .effect(&F::redraw)
            .value("FontItalic", "FontItalic", &F::FontItalic,
                   fontPart([](FontDesc& f, bool v) { f.italic = v; }), &F::FontItalic)
            .initial(kLeaveAlone)
            .effect(&F::redraw)
            .value("FontName", "FontName", &F::FontName,
                   fontPart([](FontDesc& f, const QString& v) { f.name = v; }), &F::FontName)
            .initial(kLeaveAlone)
            .effect(&F::redraw)
            .value("FontSize", "FontSize", &F::FontSize,
                   fontPart([](FontDesc& f, float v) { f.size = v; }), &F::FontSize)
            .initial(kLeaveAlone)
            .effect(&F::redraw)
            .value("FontStrikethru", "FontStrikethru", &F::FontStrikethru,
                   fontPart([](FontDesc& f, bool v) { f.strikethrough = v; }), &F::FontStrikethru)
            .initial(kLeaveAlone)
            .effect(&F::redraw)
            .value("FontUnderline", "FontUnderline", &F::FontUnderline,
                   fontPart([](FontDesc& f, bool v) { f.underline = v; }), &F::FontUnderline)
            .initial(kLeaveAlone)
            .effect(&F::redraw)
            .value(
                "ForeColor", "ForeColor", &F::ForeColor,
                [](F& f, Colour c) { f.lblCaption->setColour(c); }, &F::ForeColor)
            .initial(kLeaveAlone)
            .value("Caption", "Caption", &F::Caption, &F::setCaptionText, &F::Caption)
            .initial(QString())
            .effect(&F::redraw)
            .value(
                "UseMnemonic", "UseMnemonic", &F::UseMnemonic,
                [](F& f, bool on) {
                    f.lblCaption->setUseMnemonic(on);
                    f.lblCaptionShadow->setUseMnemonic(on);
                    f.setCaptionText(f.Caption());
                },
                &F::UseMnemonic)
            .initial(kLeaveAlone)
            .effect(&F::redraw)
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

void sknFrame3D::finishNewInstance(ControlProcedure& p) {
    p.step(u"lblCaptionShadow", [&] { lblCaptionShadow->setColour(m_highlight); });
    redraw();
}

void sknFrame3D::finishLoad(ControlProcedure& p) {
    p.step(u"FloodShowPctText", [&] {
        if (m_floodShowPct) {
            setCaptionText(QString::number(m_floodPercent) + u'%');
        }
    });
    p.step(u"lblCaptionShadow", [&] { lblCaptionShadow->setColour(m_highlight); });
    redraw();
}

// --- drawing -------------------------------------------------------------------

void sknFrame3D::redraw() {
    ControlProcedure p(kModule, QStringLiteral("UserControl_Resize"), false);
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
    ControlProcedure p(kModule, QStringLiteral("DrawBevelInner"), false);
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
    ControlProcedure p(kModule, QStringLiteral("DrawFlood"), false);
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
    ControlProcedure p(kModule, QStringLiteral("DrawCaptionAlignment"), false);
    if (lblCaption->text().isEmpty()) {
        return;
    }
    p.step(u"position", [&] { m_captionPosition = captionPosition(state()); });
    p.step(u"style", [&] { DrawCaptionStyle(); });
    p.step(u"refresh", [&] { update(); });
}

void sknFrame3D::DrawCaptionStyle() {
    ControlProcedure p(kModule, QStringLiteral("DrawCaptionStyle"), false);
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

void sknFrame3D::floodPercentChanged(const PropertyValue& before) {
    // Filling further only adds to the bar; anything else takes the old bar
    // away with a full redraw.
    DrawFlood();
    if (m_floodPercent <= std::get<qint32>(before)) {
        redraw();
    }
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
        clickPress(source, e->button());
        Q_EMIT MouseDown(mouseButtonCode(e->button()), shiftCode(e->modifiers()),
                         float(e->position().x()), float(e->position().y()));
        return fromLabel;
    }
    case QEvent::MouseButtonRelease: {
        const auto* e = static_cast<QMouseEvent*>(event);
        Q_EMIT MouseUp(mouseButtonCode(e->button()), shiftCode(e->modifiers()),
                       float(e->position().x()), float(e->position().y()));
        if (clickRelease(source, *e, source->rect())) {
            Q_EMIT Click();
        }
        return fromLabel;
    }
    case QEvent::MouseButtonDblClick: {
        clickDoublePress(source, false);
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
