// sknButton: the program's own push button. It draws itself in one of
// fourteen styles (ButtonType) with a hover look, a pressed look while held
// by the mouse or the Space key, a disabled look, an optional picture and a
// two-state (check) behaviour, and shapes its window outline to the style.
// It raises Click like a standard button, MouseOver and MouseOut as the
// pointer comes and goes, and the mouse and key events with their platform
// arguments.
//
// The colours and geometry are worked out by the plain functions of
// ButtonGeometry.h and the drawing is done by ButtonPainter.h; this class
// keeps the properties, the state and the reactions to the user.
#pragma once

#include "button/ButtonGeometry.h"
#include "button/ButtonPainter.h"
#include "shared/ControlTimer.h"
#include "shared/SkinnedControl.h"

#include <optional>

namespace zephral {

class sknButton : public SkinnedControl {
    Q_OBJECT
public:
    explicit sknButton(QWidget* parent = nullptr);
    ~sknButton() override;

    // 23 stored keys. A value that cannot be loaded takes its default and is
    // reported (module "sknButton"); the rest still load.
    const PropertyTable& propertyTable() const override;

    // Properties, written by name through SkinnedControl::setPropertyValue
    // or writeProperty. PicturePosition (0 to 4), SpecialEffect (0 to 3),
    // MousePointer, the colours and the font's name and size refuse a value
    // out of their range with number 380 and keep the old one.
    qint32 ButtonType() const { return m_buttonType; }
    QString Caption() const { return m_caption; }
    bool Enabled() const { return m_enabled; }
    FontDesc Font() const { return surface().font(); }
    qint32 ColorScheme() const { return m_colorScheme; }
    bool ShowFocusRect() const { return m_showFocusRect; }
    Colour BackColor() const { return m_backColor; }
    Colour BackOver() const { return m_backOver; }
    Colour ForeColor() const { return m_foreColor; }
    Colour ForeOver() const { return m_foreOver; }
    Colour MaskColor() const { return m_maskColor; }
    qint16 MousePointer() const { return m_mousePointer; }
    Picture MouseIcon() const { return m_mouseIcon; }
    Picture PictureNormal() const { return m_pictureNormal; }
    Picture PictureOver() const { return m_pictureOver; }
    bool UseMaskColor() const { return m_useMaskColor; }
    bool SoftBevel() const { return m_softBevel; }
    qint32 PicturePosition() const { return m_picturePosition; }
    bool UseGreyscale() const { return m_useGreyscale; }
    qint32 SpecialEffect() const { return m_specialEffect; }
    bool HandPointer() const { return m_handPointer; }
    bool CheckBoxBehaviour() const { return m_checkBoxBehaviour; }
    bool Value() const { return m_value; }

    // The font's attributes one by one; not stored by themselves.
    bool FontBold() const { return Font().bold; }
    bool FontItalic() const { return Font().italic; }
    QString FontName() const { return Font().name; }
    qint16 FontSize() const;
    bool FontUnderline() const { return Font().underline; }

    // The native window handle when the control has one of its own, else 0.
    // Asking makes none (a native child would change how it is drawn).
    qint32 hwnd() const;
    QString Version() const { return QStringLiteral("2.0.6 B"); }

    // Repaints in the last look after a DisableRefresh (and takes the palette
    // and layout afresh); DisableRefresh ignores every repaint until then, so
    // a caller can change several properties with one repaint.
    void Refresh();
    void DisableRefresh();

    // What the container does for its default and cancel buttons: with
    // Default set, Return and Enter anywhere in the button's window click it
    // and it is shown as the default button; with Cancel set, Escape clicks
    // it. Neither is stored with the button.
    void setDefault(bool on);
    bool isDefault() const { return m_default; }
    void setCancel(bool on);
    bool isCancel() const { return m_cancel; }
    // A click as an access key, the default or the cancel key gives it.
    void activate();
    // What Space pressed and released does (the pressed look, then with a
    // two-state button the toggle, the up look and Click); nothing while
    // disabled. Assistive tools press the button through it.
    void press();

    ControlError applyLook(const Look& look) override;

    // State for the tests and the render tool.
    const ButtonPalette& palette() const { return m_palette; }
    const CaptionLayout& captionLayout() const { return m_layout; }
    QPoint pictureOrigin() const { return m_pictureOrigin; }
    const Rect& focusRect() const { return m_focusRect; }
    bool isHovered() const { return m_hovered; }
    PaintState lastPaintedState() const { return m_lastState; }
    int paintCount() const { return m_paintCount; }
    // One full repaint in a state, as a click or a key makes it.
    void PaintButton(PaintState state, bool force);

Q_SIGNALS:
    void MouseOver();
    void MouseOut();

protected:
    void finishNewInstance(ControlProcedure& procedure) override;
    void finishLoad(ControlProcedure& procedure) override;
    void ambientChanged(const QString& name) override;
    void accessKeyPressed(QChar key) override;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;
    // Any button clicks as far as the mouse goes; the click itself takes
    // only the left one (platformClick), as the access and container keys
    // give it too.
    bool clickCounts(Qt::MouseButton, Qt::MouseButton) const override { return true; }

private:
    void BuildPalette();
    void MeasurePicture();
    void LayoutCaption();
    void UpdateAccessKey();
    void resizeProcedure();
    bool IsPointerOver() const;
    void overTimerTick();
    void repaintIn(PaintState state) { PaintButton(state, true); }
    void repaintLast() { PaintButton(m_lastState, true); }
    void platformClick();
    void pressDown(int button, int shift, float x, float y);
    void spaceReleased();

    // What the property writes do besides storing the value.
    void buttonTypeChanged();
    void captionChanged();
    void enabledChanged();
    void fontChanged();
    void paletteChanged();
    void pictureChanged();
    void layoutChanged();
    void repaintWithPicture();
    void handPointerChanged();
    void storeFont(const FontDesc& font) { surface().setFont(font); }
    ControlError storeMousePointer(qint16 pointer);
    void storeMouseIcon(const Picture& icon);
    void grabContainerKeys();

    // Properties.
    qint32 m_buttonType = 2;
    QString m_caption;
    bool m_enabled = true;
    qint32 m_colorScheme = 1;
    bool m_showFocusRect = true;
    Colour m_backColor;
    Colour m_backOver;
    Colour m_foreColor;
    Colour m_foreOver;
    Colour m_maskColor = rgb(192, 192, 192);
    qint16 m_mousePointer = 0;
    Picture m_mouseIcon;
    Picture m_pictureNormal;
    Picture m_pictureOver;
    bool m_useMaskColor = true;
    bool m_softBevel = false;
    qint32 m_picturePosition = 0;
    bool m_useGreyscale = false;
    qint32 m_specialEffect = 0;
    bool m_handPointer = false;
    bool m_checkBoxBehaviour = false;
    bool m_value = false;

    // Palette, geometry and picture.
    ButtonPalette m_palette;
    int m_w = 0;
    int m_h = 0;
    CaptionLayout m_layout;
    QSize m_pictureSize;
    QPoint m_pictureOrigin;
    Rect m_focusRect;
    PreparedPictures m_prepared;
    CaptionInk m_captionInk;

    // Interaction.
    ControlTimer m_overTimer;
    bool m_hovered = false;
    bool m_hasFocus = false;
    int m_lastButton = 0;
    int m_lastKey = 0;
    PaintState m_lastState = PaintState::Up;
    std::optional<QString> m_lastCaption;
    std::optional<CaptionMode> m_lastCaptionMode;
    bool m_refreshEnabled = true;
    int m_paintCount = 0;

    bool m_default = false;
    bool m_cancel = false;
    QList<int> m_containerKeys; // shortcut ids of Return, Enter and Escape
};

} // namespace zephral
