#include "gui/frmKey.h"

#include "gui/ToolWindowFrame.h"
#include "gui/WindowPlacement.h"
#include "gui/WindowStyle.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <limits>

namespace zephral {

QString gKey;

frmKey::frmKey(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmKey"));
    // A small title bar with the caption and no buttons or window menu, drawn
    // by the dialog itself, over a client area of 313 x 36; out of the task
    // bar, modal over its owner.
    setWindowTitle(QStringLiteral("Enter Key"));
    toolFrame = new ToolWindowFrame(this, QSize(313, 36));
    applyWindowStyle(this, WindowStyle::FixedToolWindow, toolFrame->parts().window);
    setSizeGripEnabled(false);
    setModal(true);
    QWidget* client = toolFrame->clientArea();

    sknFrame3D1 = new QFrame(client);
    sknFrame3D1->setObjectName(QStringLiteral("sknFrame3D1"));
    sknFrame3D1->setGeometry(4, 4, 193, 27);
    sknFrame3D1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sknFrame3D1->setLineWidth(2);

    // Shown as typed, no masking, no length limit.
    txtKey = new QLineEdit(sknFrame3D1);
    txtKey->setObjectName(QStringLiteral("txtKey"));
    txtKey->setGeometry(2, 2, 189, 23);
    txtKey->setFrame(false);
    txtKey->setEchoMode(QLineEdit::Normal);
    txtKey->setMaxLength(std::numeric_limits<int>::max());
    txtKey->installEventFilter(this);

    // Neither button is a default or cancel button: Enter on a focused button
    // does nothing, Space clicks it.
    cmdOK = new QPushButton(QStringLiteral("OK"), client);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(200, 4, 53, 27);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), client);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(256, 4, 53, 27);
    for (QPushButton* button : {cmdOK, cmdCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
        button->setFocusPolicy(Qt::StrongFocus);
    }

    setTabOrder(txtKey, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    connect(cmdOK, &QPushButton::clicked, this, &frmKey::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmKey::cmdCancel_Click);
    txtKey->setFocus(Qt::OtherFocusReason);
}

void frmKey::cmdOK_Click() {
    // Exactly as typed: no trimming, no case change, no length check.
    gKey = txtKey->text();
    unload();
}

void frmKey::cmdCancel_Click() {
    gKey = QString();
    unload();
}

void frmKey::unload() {
    m_unloading = true;
    done(QDialog::Accepted);
}

bool frmKey::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtKey && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Enter in the key box, with any shift state, is OK.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            cmdOK_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmKey::keyPressEvent(QKeyEvent* event) {
    // The dialog handles no key of its own: Escape does not reject it and
    // Enter on a button does not press a default button.
    event->ignore();
}

void frmKey::closeEvent(QCloseEvent* event) {
    // OK, Enter and Cancel are the only ways out, so gKey is always written
    // before the caller reads it: a close from the window system is refused.
    if (m_unloading) {
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

void frmKey::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // No button minimises the dialog, but a window manager's own keys or menu
    // can (Openbox's Alt+Space menu), and the owner goes with it; with no task
    // bar entry the program would seem gone, so both come straight back.
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        QTimer::singleShot(0, this, [this] {
            if (QWidget* owner = parentWidget()) {
                owner->window()->showNormal();
            }
            showNormal();
            activateWindow();
        });
    }
}

void frmKey::showEvent(QShowEvent* event) {
    centreOnOwner(this);
    QDialog::showEvent(event);
    txtKey->setFocus(Qt::OtherFocusReason);
}

void ShowKeyDialog(QWidget* owner) {
    frmKey dialog(owner);
    dialog.exec();
}

} // namespace zephral
