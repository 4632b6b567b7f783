#include "gui/frmMain.h"

#include "ControlAccessibility.h"
#include "button/sknButton.h"
#include "frame3d/sknFrame3D.h"
#include "gui/FormControls.h"
#include "gui/Resources.h"
#include "gui/TextBox.h"
#include "gui/WaitWindow.h"
#include "gui/WindowStyle.h"
#include "line3d/sknLine3D.h"
#include "platform/AppInfo.h"
#include "platform/Services.h"
#include "tools/basTools.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTimer>

namespace zephral {

namespace {

std::function<void()> gProgramEnd = [] { QCoreApplication::exit(0); };

// The window is a window to screen readers, named by its title.
QAccessibleInterface* mainWindowInterface(const QString&, QObject* object) {
    auto* form = qobject_cast<frmMain*>(object);
    return form != nullptr ? new QAccessibleWidget(form, QAccessible::Window) : nullptr;
}

} // namespace

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmMain"));
    QAccessible::installFactory(mainWindowInterface); // once, however many windows
    // A title bar with icon, window menu, minimise and close and no maximise;
    // fixed at the description's client size.
    buildControls();
    applyWindowStyle(this, WindowStyle::FixedSingle, m_controls->clientSize());
    setWindowIcon(programIcon());
#ifndef QT_NO_SESSIONMANAGER
    // Closing during log-off or shut-down is not the user's close button.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { m_sessionEnding = true; });
#endif
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::buildControls() {
    // The text boxes are the window's own; the description places them in
    // their frames.
    txtOne = new TextBox(this);
    txtTwo = new TextBox(this);
    m_controls = std::make_unique<FormControls>(
        this, builtInForm(QStringLiteral("frmMain")),
        QHash<QString, QWidget*>{{QStringLiteral("txtOne"), txtOne},
                                 {QStringLiteral("txtTwo"), txtTwo}});
    const FormControls& c = *m_controls;
    cmdEncryptFile = c.control<sknButton>(u"cmdEncryptFile");
    cmdDecryptFile = c.control<sknButton>(u"cmdDecryptFile");
    cmdReadme = c.control<sknButton>(u"cmdReadme");
    cmdWebsite = c.control<sknButton>(u"cmdWebsite");
    fQuorvan = c.control<sknFrame3D>(u"fQuorvan");
    sknLine3D1 = c.control<sknLine3D>(u"sknLine3D1");
    cmdEET = c.control<sknButton>(u"cmdEET");
    cmdDDT = c.control<sknButton>(u"cmdDDT");
    cmdET = c.control<sknButton>(u"cmdET");
    cmdDT = c.control<sknButton>(u"cmdDT");
    sknFrame3D1 = c.control<sknFrame3D>(u"sknFrame3D1");
    sknFrame3D2 = c.control<sknFrame3D>(u"sknFrame3D2");

    connect(cmdEncryptFile, &sknButton::Click, this, &frmMain::cmdEncryptFile_Click);
    connect(cmdDecryptFile, &sknButton::Click, this, &frmMain::cmdDecryptFile_Click);
    connect(cmdEET, &sknButton::Click, this, &frmMain::cmdEET_Click);
    connect(cmdDDT, &sknButton::Click, this, &frmMain::cmdDDT_Click);
    connect(cmdET, &sknButton::Click, this, &frmMain::cmdET_Click);
    connect(cmdDT, &sknButton::Click, this, &frmMain::cmdDT_Click);
    connect(cmdReadme, &sknButton::Click, this, &frmMain::cmdReadme_Click);
    connect(cmdWebsite, &sknButton::Click, this, &frmMain::cmdWebsite_Click);
    connect(fQuorvan, &sknFrame3D::Click, this, &frmMain::fQuorvan_Click);
    // The logo opens the maker's site: a screen reader offers it as a link.
    setAccessibleLink(fQuorvan);

    for (sknButton* button : {cmdEncryptFile, cmdDecryptFile}) {
        button->setAcceptDrops(true);
        button->installEventFilter(this);
    }
}

void frmMain::Form_Load() {
    setWindowTitle(appCaption());
}

void frmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The window opens with the first control in tab order, the input box,
    // focused.
    if (!m_focusSet && !m_controls->tabOrder().isEmpty()) {
        m_focusSet = true;
        m_controls->tabOrder().first()->setFocus(Qt::OtherFocusReason);
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

ScopedProgramEnd::ScopedProgramEnd(std::function<void()> end)
    : ScopedValue(gProgramEnd, std::move(end)) {}

// The six command handlers are in frmMainCommands.cpp.

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<sknButton*>(watched);
    if (button == nullptr || (button != cmdEncryptFile && button != cmdDecryptFile)) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        // Any file may come near; the drop says whether it can be taken.
        auto* drag = static_cast<QDropEvent*>(event);
        if (drag->mimeData()->hasUrls() && takesInput(this)) {
            drag->acceptProposedAction();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()->hasUrls() || !takesInput(this)) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        // The command, with its dialogs, runs after the drop has been
        // answered, so the program the file came from is not kept waiting.
        QTimer::singleShot(0, this, [this, button, urls = drop->mimeData()->urls()] {
            fileDropped(button, urls);
        });
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void frmMain::fileDropped(sknButton* button, const QList<QUrl>& urls) {
    QStringList sources;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) {
            services().messageBox->show(
                QLatin1String(kAppTitle),
                QStringLiteral("Only a file on this computer can be dropped on \"%1\".")
                    .arg(button->Caption().trimmed()),
                MessageIcon::Warning);
            return;
        }
        sources.append(QDir::cleanPath(url.toLocalFile()));
    }
    if (sources.isEmpty()) {
        return;
    }
    const Command command = button == cmdEncryptFile ? Command::EncryptFile : Command::DecryptFile;
    // One file is the source of the one-file command; several, or a folder,
    // are one command over all of them.
    if (sources.size() == 1 && !QFileInfo(sources[0]).isDir()) {
        fileCommand(command, urls[0].toLocalFile());
    } else {
        manyFilesCommand(command, sources);
    }
}

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
    gProgramEnd();
}

} // namespace zephral
