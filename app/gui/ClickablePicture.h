// A framed picture that reports a click: the logo's place holder until the
// skinned frame takes over.
#pragma once

#include <QLabel>

namespace zephral {

class ClickablePicture : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

} // namespace zephral
