// sknFrame3D: a decorative container that draws a 3D border (engraved,
// embossed, single line, raised or sunken box, each square or rounded) with
// an optional caption on or inside the border line, an inner bevel, a
// gradient, a background picture and a flood bar with an optional
// percentage caption. Rounded types shape the window so that the parent
// shows through the corners; the usable inner area is reported in twips so
// that the container can place its controls inside.
//
// Its set-up, load, save and drawing procedures report every failure through
// the control failure handler (shared/ControlFailures.h) and carry on.
#pragma once

#include "frame3d/CaptionLabel.h"
#include "frame3d/FrameGeometry.h"
#include "shared/SkinnedControl.h"

namespace zephral {

class sknFrame3D : public SkinnedControl {
    Q_OBJECT
public:
    explicit sknFrame3D(QWidget* parent = nullptr);

    // Each value that cannot be set up, loaded or saved is reported
    // (module "Frame3D") and the property keeps the value it had.
    const PropertyTable& propertyTable() const override;

    // Draws the gradient from FillColor to BackColor after FillGradient.
    void DrawGradiant();

    qint32 BorderType() const { return m_borderType; }
    qint32 BevelWidth() const { return m_bevelWidth; } // at least 3
    qint32 BevelInner() const { return m_bevelInner; }
    qint32 Caption3D() const { return m_caption3D; }
    qint32 CaptionAlignment() const { return m_captionAlignment; }
    qint32 CaptionLocation() const { return m_captionLocation; }
    Colour BackColor() const { return m_backColour; }
    // Stored as "CornerDiameter"; the corners are drawn twice this wide.
    qint32 CornerRadius() const { return m_cornerRadius; }
    Colour FillColor() const { return surface().fillColour(); }
    qint16 FillStyle() const { return qint16(surface().fillStyle()); } // 0 to 7
    qint16 DrawStyle() const { return qint16(surface().penStyle()); }  // 0 to 6
    // 0 to 100. A larger value paints only the flood; a smaller or equal one
    // paints the flood and redraws the whole frame.
    qint32 FloodPercent() const { return m_floodPercent; }
    // Puts the percentage into the caption labels (or empties them); shown
    // from the next redraw or flood on.
    bool FloodShowPct() const { return m_floodShowPct; }
    qint32 FloodType() const { return m_floodType; }
    Colour FloodColor() const { return m_floodColour; }
    qint32 FillGradient() const { return m_fillGradient; }
    qint16 MousePointer() const { return m_mousePointer; }
    zephral::Picture MouseIcon() const { return m_mouseIcon; }
    zephral::Picture Picture() const { return surface().backgroundPicture(); }
    Colour Border3DHighlight() const { return m_highlight; }
    Colour Border3DShadow() const { return m_shadow; }
    bool Enabled() const { return m_enabled; }
    qint16 CaptionMAlignment() const { return lblCaption->alignment(); } // 0 to 2
    FontDesc Font() const { return lblCaption->fontDesc(); }
    bool FontBold() const { return Font().bold; }
    bool FontItalic() const { return Font().italic; }
    QString FontName() const { return Font().name; }
    float FontSize() const { return Font().size; }
    bool FontStrikethru() const { return Font().strikethrough; }
    bool FontUnderline() const { return Font().underline; }
    Colour ForeColor() const { return lblCaption->colour(); }
    QString Caption() const { return lblCaption->text(); }
    bool UseMnemonic() const { return lblCaption->useMnemonic(); }

    // The usable inner area in twips, as of the last redraw.
    qint32 InsideLeft() const { return m_inside.left; }
    qint32 InsideTop() const { return m_inside.top; }
    qint32 InsideWidth() const { return m_inside.width; }
    qint32 InsideHeight() const { return m_inside.height; }
    // The window's handle, 0 while it has none.
    qint32 hwnd() const { return qint32(effectiveWinId()); }

    // The plain description the geometry works from.
    FrameState state() const;

protected:
    void finishNewInstance(ControlProcedure& procedure) override;
    void finishLoad(ControlProcedure& procedure) override;
    void resizeEvent(QResizeEvent* event) override;
    void ambientChanged(const QString& name) override;
    void accessKeyPressed(QChar key) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The left button's release clicks, whichever button was pressed first.
    bool clickCounts(Qt::MouseButton, Qt::MouseButton released) const override {
        return released == Qt::LeftButton;
    }

private:
    // The procedures that report their own failures.
    void redraw(); // "UserControl_Resize"
    void DrawBevelInner();
    void DrawFlood();
    void DrawCaptionAlignment();
    void DrawCaptionStyle();

    void setCaptionText(const QString& text);
    ControlError applyFont(const FontDesc& font);
    void floodPercentChanged(const PropertyValue& before);

    CaptionLabel* lblCaptionBlank;
    CaptionLabel* lblCaptionShadow;
    CaptionLabel* lblCaption;

    qint32 m_borderType = 1;
    qint32 m_bevelWidth = 3;
    qint32 m_bevelInner = 0;
    qint32 m_caption3D = 0;
    qint32 m_captionAlignment = 0;
    qint32 m_captionLocation = 0;
    Colour m_backColour = systemColour(ButtonFace);
    qint32 m_cornerRadius = 7;
    qint32 m_floodPercent = 0;
    bool m_floodShowPct = false;
    qint32 m_floodType = 0;
    Colour m_floodColour = 0;
    qint32 m_fillGradient = 0;
    qint16 m_mousePointer = 0;
    zephral::Picture m_mouseIcon;
    Colour m_highlight = systemColour(ButtonHighlight);
    Colour m_shadow = systemColour(ButtonShadow);
    bool m_enabled = true;

    // Computed by the redraw.
    FrameLines m_lines;
    int m_cornerDiameter = 14;
    CaptionPoint m_captionPosition;
    InsideArea m_inside;
};

} // namespace zephral
