#include "gui/frmKey.h"

#include "button/sknButton.h"
#include "frame3d/sknFrame3D.h"
#include "gui/FormControls.h"
#include "gui/WindowPlacement.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

namespace zephral {

QString gKey;

frmKey::frmKey(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmKey"));
    // A modal dialog of its owner with a title and nothing else in its title
    // bar. On X11 that is a dialog window, transient for the main window (so
    // out of the task bar), whose Motif hints allow neither closing, nor
    // minimising, nor maximising; and its fixed size tells every window
    // manager that it can't be resized or maximised. A manager that still
    // offers to close or minimise it (Openbox does for every dialog) meets the
    // refusal in closeEvent and the restore in changeEvent.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setSizeGripEnabled(false);
    setModal(true);

    // The title "Enter Key", the key box in its frame (shown as typed, no
    // masking, no length limit), OK and Cancel.
    txtKey = new QLineEdit(this);
    m_controls = std::make_unique<FormControls>(
        this, builtInForm(QStringLiteral("frmKey")),
        QHash<QString, QWidget*>{{QStringLiteral("txtKey"), txtKey}});
    setFixedSize(m_controls->clientSize());
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
    // A window manager that minimises the dialog takes its owner with it, and
    // with no task bar the program would seem gone; both come straight back.
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
