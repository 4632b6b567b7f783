// The frame of a fixed tool window, drawn by the window itself: a raised edge
// round a small title bar that shows the window's caption and nothing else,
// with the client area below the title bar. Dragging the title bar moves the
// window. The window asks the manager for no frame of its own
// (WindowStyle::FixedToolWindow).
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QWidget>
#include <optional>

class QPainter;

namespace zephral {

// Where the parts lie in a window whose client area has the given size.
struct ToolFrameGeometry {
    QSize window;
    QRect titleBar;
    QRect client;
};

ToolFrameGeometry toolFrameGeometry(QSize client, int titleBarHeight);

// The caption's small bold face, and the height of a title bar that holds it.
QFont toolCaptionFont();
int toolTitleBarHeight(const QFont& captionFont);

// The title bar's colours, from the desktop palette: its selection colours
// while the window is active, grey with the face colour otherwise.
struct TitleColours {
    QColor background;
    QColor text;
};
TitleColours toolTitleColours(const QPalette& palette, bool active);

// Draws the edge and the title bar with its caption; leaves the client area
// untouched.
void drawToolFrame(QPainter& painter, const ToolFrameGeometry& geometry, const QString& caption,
                   const QFont& captionFont, const QPalette& palette, bool active);

// Fills its window, draws the frame for the window's title and holds the
// client area, where the window's controls go.
class ToolWindowFrame : public QWidget {
    Q_OBJECT

public:
    ToolWindowFrame(QWidget* window, QSize clientSize);

    QWidget* clientArea() const { return m_client; }
    const ToolFrameGeometry& parts() const { return m_parts; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QFont m_captionFont;
    ToolFrameGeometry m_parts;
    QWidget* m_client = nullptr;
    // Where the pointer holds the window while it is moved by hand.
    std::optional<QPoint> m_grip;
};

} // namespace zephral
