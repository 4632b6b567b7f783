#include "gui/frmMain.h"

#include "gui/ClickablePicture.h"
#include "gui/Resources.h"
#include "gui/TextBox.h"
#include "gui/WindowStyle.h"
#include "platform/AppInfo.h"
#include "tools/basTools.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>

namespace zephral {

namespace {

std::function<void()>& programEnd() {
    static std::function<void()> end = [] { QCoreApplication::exit(0); };
    return end;
}

QFont buttonFont() {
    // The buttons' face; where it is not installed the toolkit picks its
    // nearest sans-serif.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const char* picture, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setFont(buttonFont());
    button->setIcon(QIcon(QStringLiteral(":/zephral/art/%1.png").arg(QLatin1String(picture))));
    button->setIconSize(QSize(16, 16));
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QFrame* makeTextFrame(QWidget* parent, const char* name, QRect geometry) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setGeometry(geometry);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);
    return frame;
}

QPlainTextEdit* makeTextBox(QFrame* frame, const char* name, bool readOnly) {
    auto* box = new TextBox(frame);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(2, 2, 285, 119);
    box->setFrameShape(QFrame::NoFrame);
    // A box with both scroll bars keeps each line on one line.
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control; it does not type a tab character.
    box->setTabChangesFocus(true);
    box->setFocusPolicy(Qt::StrongFocus);
    if (readOnly) {
        box->setReadOnly(true);
        // Read-only, but the user can still select and copy with mouse and keys.
        box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    return box;
}

} // namespace

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
    initResources();
    setObjectName(QStringLiteral("frmMain"));
    // A title bar with icon, window menu, minimise and close and no maximise.
    applyWindowStyle(this, WindowStyle::FixedSingle, QSize(400, 311));
    setWindowIcon(QIcon(QStringLiteral(":/zephral/art/icon.png")));
    buildControls();
#ifndef QT_NO_SESSIONMANAGER
    // Closing during log-off or shut-down is not the user's close button.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { m_sessionEnding = true; });
#endif
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::buildControls() {
    cmdEncryptFile = makeButton(this, "cmdEncryptFile", QStringLiteral("Encrypt File  "),
                                "encryptfile", QRect(4, 4, 101, 21));
    cmdDecryptFile = makeButton(this, "cmdDecryptFile", QStringLiteral("Decrypt File  "),
                                "decryptfile", QRect(4, 28, 101, 21));
    cmdReadme = makeButton(this, "cmdReadme", QStringLiteral("Readme.txt"), "readme",
                           QRect(182, 4, 101, 21));
    cmdWebsite = makeButton(this, "cmdWebsite", QStringLiteral("Visit Website"), "website",
                            QRect(182, 28, 101, 21));

    fQuorvan = new ClickablePicture(this);
    fQuorvan->setObjectName(QStringLiteral("fQuorvan"));
    fQuorvan->setGeometry(288, 0, 111, 53);
    fQuorvan->setFrameStyle(QFrame::Panel | QFrame::Raised);
    fQuorvan->setLineWidth(2);
    fQuorvan->setAlignment(Qt::AlignCenter);
    fQuorvan->setPixmap(QPixmap(QStringLiteral(":/zephral/art/logo.png")));
    fQuorvan->setCursor(Qt::PointingHandCursor);
    fQuorvan->setFocusPolicy(Qt::NoFocus);

    sknLine3D1 = new QFrame(this);
    sknLine3D1->setObjectName(QStringLiteral("sknLine3D1"));
    sknLine3D1->setGeometry(2, 54, 399, 2);
    sknLine3D1->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    // Captions keep the doubled "&&", which shows as one "&".
    cmdEET = makeButton(this, "cmdEET", QStringLiteral("Encrypt && Encode Text"), "eet",
                        QRect(4, 62, 101, 29));
    cmdDDT = makeButton(this, "cmdDDT", QStringLiteral("Decrypt && Decode Text"), "ddt",
                        QRect(4, 94, 101, 29));
    cmdET = makeButton(this, "cmdET", QStringLiteral("Encode Text"), "et", QRect(4, 188, 101, 21));
    cmdDT = makeButton(this, "cmdDT", QStringLiteral("Decode Text"), "dt", QRect(4, 212, 101, 21));

    sknFrame3D1 = makeTextFrame(this, "sknFrame3D1", QRect(108, 60, 289, 123));
    txtOne = makeTextBox(sknFrame3D1, "txtOne", false);
    sknFrame3D2 = makeTextFrame(this, "sknFrame3D2", QRect(108, 186, 289, 123));
    txtTwo = makeTextBox(sknFrame3D2, "txtTwo", true);

    // Tab order: the two boxes, then the buttons from cmdDT up to cmdReadme.
    const QList<QWidget*> order{txtOne, txtTwo,         cmdDT,          cmdDDT,     cmdET,
                                cmdEET, cmdDecryptFile, cmdEncryptFile, cmdWebsite, cmdReadme};
    for (qsizetype i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }

    connect(cmdEncryptFile, &QPushButton::clicked, this, &frmMain::cmdEncryptFile_Click);
    connect(cmdDecryptFile, &QPushButton::clicked, this, &frmMain::cmdDecryptFile_Click);
    connect(cmdEET, &QPushButton::clicked, this, &frmMain::cmdEET_Click);
    connect(cmdDDT, &QPushButton::clicked, this, &frmMain::cmdDDT_Click);
    connect(cmdET, &QPushButton::clicked, this, &frmMain::cmdET_Click);
    connect(cmdDT, &QPushButton::clicked, this, &frmMain::cmdDT_Click);
    connect(cmdReadme, &QPushButton::clicked, this, &frmMain::cmdReadme_Click);
    connect(cmdWebsite, &QPushButton::clicked, this, &frmMain::cmdWebsite_Click);
    connect(fQuorvan, &ClickablePicture::clicked, this, &frmMain::fQuorvan_Click);
}

void frmMain::Form_Load() {
    setWindowTitle(appCaption());
}

void frmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The window opens with the input box focused.
    if (!m_focusSet) {
        m_focusSet = true;
        txtOne->setFocus(Qt::OtherFocusReason);
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    // A close the window system sends on its own is the user's, from the title
    // bar, unless the session is ending; close() from the program is not.
    UnloadMode mode = UnloadMode::FormCode;
    if (m_sessionEnding) {
        mode = UnloadMode::AppWindows;
    } else if (event->spontaneous()) {
        mode = UnloadMode::FormControlMenu;
    }
    event->accept();
    Form_QueryUnload(mode);
}

void frmMain::Form_QueryUnload(UnloadMode mode) {
    // Only the user's own close ends the program at once; every other reason
    // lets the window close normally. The closing is never refused.
    if (mode == UnloadMode::FormControlMenu) {
        EndProgram(this);
    }
}

void frmMain::setProgramEnd(std::function<void()> end) {
    programEnd() = std::move(end);
}

// The six command handlers are in frmMainCommands.cpp.

void frmMain::cmdReadme_Click() {
    // Beside the program, else where an installed tree keeps it; nothing
    // happens when it is missing.
    ShellOpen(readmePath());
}

void frmMain::cmdWebsite_Click() {
    ShellOpen(QLatin1String(kMakerAddress));
}

void frmMain::fQuorvan_Click() {
    ShellOpen(QLatin1String(kMakerAddress));
}

void EndProgram(frmMain* form) {
    // Unloading re-enters the close handler as a close by the program, which
    // does nothing; then the program ends without running anything further.
    if (form != nullptr) {
        form->hide();
    }
    programEnd()();
}

} // namespace zephral
