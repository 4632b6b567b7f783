#include "gui/frmWait.h"

#include "gui/Resources.h"
#include "gui/WindowPlacement.h"
#include "gui/WindowStyle.h"

#include <QLabel>

namespace zephral {

frmWait::frmWait(QWidget* owner) : QFrame(owner) {
    initResources();
    setObjectName(QStringLiteral("frmWait"));
    // No title bar, kept out of the task bar, never takes the focus; a thin
    // border round a white client area of 189 x 95.
    applyWindowStyle(this, WindowStyle::NoTitleBar, QSize(189 + 2, 95 + 2));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);

    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    // The command disables the main window and with it this window; the text
    // must not turn grey for that.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text}) {
        colours.setColor(QPalette::Disabled, role, colours.color(QPalette::Active, role));
    }
    colours.setColor(QPalette::Disabled, QPalette::Window, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);

    // The working indicator's place: its still first frame.
    sknWorking1 = new QLabel(this);
    sknWorking1->setObjectName(QStringLiteral("sknWorking1"));
    sknWorking1->setGeometry(1 + 2, 1 + 2, 90, 90);
    sknWorking1->setPixmap(QPixmap(QStringLiteral(":/zephral/art/working.png")));

    Label1 = new QLabel(QStringLiteral("Please wait..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(1 + 104, 1 + 40, 101, 13);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    Label1->setFont(font);
    Label1->setAttribute(Qt::WA_TranslucentBackground);
}

void frmWait::showEvent(QShowEvent* event) {
    centreOnOwner(this);
    QFrame::showEvent(event);
}

} // namespace zephral
