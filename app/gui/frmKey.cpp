#include "gui/frmKey.h"

#include "button/sknButton.h"
#include "frame3d/sknFrame3D.h"
#include "gui/FormControls.h"
#include "gui/ToolWindowFrame.h"
#include "gui/WindowPlacement.h"
#include "gui/WindowStyle.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

namespace zephral {

QString gKey;

frmKey::frmKey(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmKey"));
    // A small title bar with the caption and no buttons or window menu, drawn
    // by the dialog itself over the client area of the description; out of
    // the task bar, modal over its owner.
    FormDescription form = builtInForm(QStringLiteral("frmKey"));
    toolFrame = new ToolWindowFrame(this, clientSizeInPixels(form));
    applyWindowStyle(this, WindowStyle::FixedToolWindow, toolFrame->parts().window);
    setSizeGripEnabled(false);
    setModal(true);
    QWidget* client = toolFrame->clientArea();

    // The key box in its frame (shown as typed, no masking, no length limit),
    // OK and Cancel, in the client area; the caption "Enter Key" goes on the
    // drawn title bar.
    txtKey = new QLineEdit(client);
    m_controls = std::make_unique<FormControls>(
        client, std::move(form), QHash<QString, QWidget*>{{QStringLiteral("txtKey"), txtKey}});
    setWindowTitle(client->windowTitle());
    sknFrame3D1 = m_controls->control<sknFrame3D>(u"sknFrame3D1");
    cmdOK = m_controls->control<sknButton>(u"cmdOK");
    cmdCancel = m_controls->control<sknButton>(u"cmdCancel");
    txtKey->installEventFilter(this);

    // Neither button is a default or cancel button: Enter on a focused button
    // does nothing, Space clicks it.
    connect(cmdOK, &sknButton::Click, this, &frmKey::cmdOK_Click);
    connect(cmdCancel, &sknButton::Click, this, &frmKey::cmdCancel_Click);
    txtKey->setFocus(Qt::OtherFocusReason);
}

frmKey::~frmKey() = default;

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

void showKeyDialog(QWidget* owner) {
    frmKey dialog(owner);
    dialog.exec();
}

} // namespace zephral
