#include "gui/ToolWindowFrame.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <algorithm>
#include <qdrawutil.h>

namespace zephral {

namespace {

// A raised edge two pixels wide and one pixel of face colour inside it, as
// round a fixed dialog.
constexpr int kEdge = 3;
constexpr int kCaptionIndent = 3;

} // namespace

ToolFrameGeometry toolFrameGeometry(QSize client, int titleBarHeight) {
    ToolFrameGeometry parts;
    parts.titleBar = QRect(kEdge, kEdge, client.width(), titleBarHeight);
    parts.client = QRect(QPoint(kEdge, parts.titleBar.bottom() + 1), client);
    parts.window = QSize(client.width() + 2 * kEdge, parts.client.bottom() + 1 + kEdge);
    return parts;
}

QFont toolCaptionFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    return font;
}

int toolTitleBarHeight(const QFont& captionFont) {
    return std::max(15, QFontMetrics(captionFont).height() + 3);
}

TitleColours toolTitleColours(const QPalette& palette, bool active) {
    if (active) {
        return {palette.color(QPalette::Active, QPalette::Highlight),
                palette.color(QPalette::Active, QPalette::HighlightedText)};
    }
    return {palette.color(QPalette::Inactive, QPalette::Dark),
            palette.color(QPalette::Inactive, QPalette::Window)};
}

void drawToolFrame(QPainter& painter, const ToolFrameGeometry& geometry, const QString& caption,
                   const QFont& captionFont, const QPalette& palette, bool active) {
    const QRect outside(QPoint(0, 0), geometry.window);
    painter.save();
    painter.setClipRegion(QRegion(outside).subtracted(geometry.client));
    painter.fillRect(outside, palette.color(QPalette::Window));
    qDrawWinPanel(&painter, outside, palette, false);

    const TitleColours colours = toolTitleColours(palette, active);
    painter.fillRect(geometry.titleBar, colours.background);
    const QRect text = geometry.titleBar.adjusted(kCaptionIndent, 0, -kCaptionIndent, 0);
    painter.setFont(captionFont);
    painter.setPen(colours.text);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QFontMetrics(captionFont).elidedText(caption, Qt::ElideRight, text.width()));
    painter.restore();
}

ToolWindowFrame::ToolWindowFrame(QWidget* window, QSize clientSize)
    : QWidget(window), m_captionFont(toolCaptionFont()),
      m_parts(toolFrameGeometry(clientSize, toolTitleBarHeight(m_captionFont))) {
    setObjectName(QStringLiteral("toolWindowFrame"));
    setGeometry(QRect(QPoint(0, 0), m_parts.window));
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("clientArea"));
    m_client->setGeometry(m_parts.client);
    // The caption follows the window's title.
    window->installEventFilter(this);
}

bool ToolWindowFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window() && event->type() == QEvent::WindowTitleChange) {
        update(m_parts.titleBar);
    }
    return QWidget::eventFilter(watched, event);
}

bool ToolWindowFrame::event(QEvent* event) {
    // The window passes its activation on to its children as these two.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        update(m_parts.titleBar);
    }
    return QWidget::event(event);
}

void ToolWindowFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawToolFrame(painter, m_parts, window()->windowTitle(), m_captionFont, palette(),
                  isActiveWindow());
}

void ToolWindowFrame::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton ||
        !m_parts.titleBar.contains(event->position().toPoint())) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The window manager moves the window where it can (as it would by its
    // own title bar); otherwise the window follows the pointer itself.
    QWindow* handle = window()->windowHandle();
    if (handle != nullptr && handle->startSystemMove()) {
        return;
    }
    m_grip = event->globalPosition().toPoint() - window()->pos();
}

void ToolWindowFrame::mouseMoveEvent(QMouseEvent* event) {
    if (m_grip && (event->buttons() & Qt::LeftButton)) {
        window()->move(event->globalPosition().toPoint() - *m_grip);
    }
}

void ToolWindowFrame::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_grip.reset();
    }
}

} // namespace zephral
