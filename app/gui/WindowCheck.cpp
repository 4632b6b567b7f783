#include "gui/WindowCheck.h"

#include "gui/WaitWindow.h"
#include "gui/frmMain.h"
#include "platform/FileDescriptor.h"
#include "platform/Services.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QInputDevice>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zephral {

namespace {

// How long a window is given to answer a state request.
constexpr int kSettleMs = 500;
// How long any one step may wait for what it needs.
constexpr int kStepTimeoutMs = 20000;

void say(const QString& line) {
    std::fprintf(stderr, "zephral: window check: %s\n", qPrintable(line));
    std::fflush(stderr);
}

[[noreturn]] void fail(const QString& why) {
    say(QStringLiteral("FAILED: ") + why);
    std::_Exit(1);
}

QWidget* visibleTopLevel(const char* objectName) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->objectName() == QLatin1String(objectName) &&
            w->windowHandle() != nullptr && w->windowHandle()->isExposed()) {
            return w;
        }
    }
    return nullptr;
}

QFileDialog* visibleFileDialog() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<QFileDialog*>(w); d != nullptr && d->isVisible()) {
            return d;
        }
    }
    return nullptr;
}

// The clipboard needs a seat (keyboard and pointer) from the compositor;
// a headless one has none. X11 always has one.
bool haveSeat() {
    if (QGuiApplication::platformName() != QLatin1String("wayland")) {
        return true;
    }
    const QList<const QInputDevice*> devices = QInputDevice::devices();
    return std::any_of(devices.begin(), devices.end(),
                       [](const QInputDevice* d) { return !d->seatName().isEmpty(); });
}

// A left click in the middle of a control, as the window system delivers it.
void click(QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    const QPointF global = w->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

// Steps run one after the other from a timer, so that they go on inside the
// modal loops of the dialogs the program opens.
class WindowCheck : public QObject {
public:
    WindowCheck(frmMain& form, QString folder) : QObject(&form), m_form(form), m_folder(folder) {
        buildSteps();
        connect(&m_timer, &QTimer::timeout, this, &WindowCheck::poll);
        m_timer.start(20);
        m_clock.start();
    }

private:
    struct Step {
        QString name;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    void poll() {
        if (m_busy || m_next >= m_steps.size()) {
            return;
        }
        Step& step = m_steps[m_next];
        if (!step.ready()) {
            if (m_clock.elapsed() > kStepTimeoutMs) {
                fail(QStringLiteral("timed out waiting at \"%1\"").arg(step.name));
            }
            return;
        }
        m_busy = true;
        say(step.name);
        ++m_next;
        step.act();
        m_clock.restart();
        m_busy = false;
    }

    void add(QString name, std::function<bool()> ready, std::function<void()> act) {
        m_steps.push_back({std::move(name), std::move(ready), std::move(act)});
    }
    void settle() {
        add(
            QStringLiteral("settle"), [this] { return m_clock.elapsed() >= kSettleMs; }, [] {});
    }

    // Asks the window for one state, as its title bar or the compositor would,
    // and afterwards checks that it stayed as it was.
    void askState(const char* window, Qt::WindowState state, const QString& what) {
        add(
            QStringLiteral("%1: ask for %2").arg(QLatin1String(window), what),
            [window] { return visibleTopLevel(window) != nullptr; },
            [this, window, state] {
                QWidget* w = visibleTopLevel(window);
                m_size = w->size();
                w->windowHandle()->setWindowStates(state);
            });
        settle();
        add(
            QStringLiteral("%1: still at its size after %2").arg(QLatin1String(window), what),
            [] { return true; },
            [this, window] {
                QWidget* w = visibleTopLevel(window);
                if (w == nullptr) {
                    fail(QStringLiteral("%1 is gone").arg(QLatin1String(window)));
                }
                if (w->size() != m_size || w->windowHandle()->size() != m_size ||
                    (w->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
                    fail(QStringLiteral("%1 is %2x%3 (state %4), was %5x%6")
                             .arg(QLatin1String(window))
                             .arg(w->width())
                             .arg(w->height())
                             .arg(int(w->windowState()))
                             .arg(m_size.width())
                             .arg(m_size.height()));
                }
            });
    }

    void checkOwnedByMain(const char* window) {
        add(
            QStringLiteral("%1: transient for the main window").arg(QLatin1String(window)),
            [] { return true; },
            [this, window] {
                QWidget* w = visibleTopLevel(window);
                if (w == nullptr || w->windowHandle()->transientParent() != m_form.windowHandle()) {
                    fail(QStringLiteral("%1 is not transient for the main window")
                             .arg(QLatin1String(window)));
                }
            });
    }

    void typeKey() {
        add(
            QStringLiteral("frmKey: type the key and press OK"),
            [] { return visibleTopLevel("frmKey") != nullptr; },
            [] {
                QWidget* key = visibleTopLevel("frmKey");
                auto* box = key->findChild<QLineEdit*>(QStringLiteral("txtKey"));
                box->setText(QStringLiteral("wayland check"));
                QWidget* ok = key->findChild<QWidget*>(QStringLiteral("cmdOK"));
                QTimer::singleShot(0, ok, [ok] { click(ok); });
            });
    }

    void chooseFile(const QString& name, const QString& path) {
        add(
            QStringLiteral("file dialog: %1").arg(name),
            [] { return visibleFileDialog() != nullptr; },
            [path] {
                QFileDialog* d = visibleFileDialog();
                d->selectFile(path);
                QTimer::singleShot(0, d, [d] { static_cast<QDialog*>(d)->accept(); });
            });
    }

    QWidget* control(const char* name) const {
        return m_form.findChild<QWidget*>(QLatin1String(name));
    }
    QPlainTextEdit* box(const char* name) const {
        return m_form.findChild<QPlainTextEdit*>(QLatin1String(name));
    }

    void buildSteps() {
        const QString source = m_folder + QStringLiteral("/source.fifo");
        const QString encrypted = m_folder + QStringLiteral("/encrypted.bin");
        const QString decrypted = m_folder + QStringLiteral("/decrypted.bin");

        add(
            QStringLiteral("frmMain: shown"), [] { return visibleTopLevel("frmMain") != nullptr; },
            [] {});
        askState("frmMain", Qt::WindowMaximized, QStringLiteral("maximised"));
        askState("frmMain", Qt::WindowFullScreen, QStringLiteral("full screen"));

        // Text: encrypt and encode through the key dialog, copy the result,
        // decrypt and decode it back.
        add(
            QStringLiteral("frmMain: Encrypt && Encode Text"), [] { return true; },
            [this] {
                box("txtOne")->setPlainText(m_text);
                QWidget* button = control("cmdEET");
                QTimer::singleShot(0, button, [button] { click(button); });
            });
        checkOwnedByMain("frmKey");
        askState("frmKey", Qt::WindowMaximized, QStringLiteral("maximised"));
        askState("frmKey", Qt::WindowFullScreen, QStringLiteral("full screen"));
        typeKey();
        add(
            QStringLiteral("frmMain: copy the result"),
            [this] { return !box("txtTwo")->toPlainText().isEmpty(); },
            [this] {
                QPlainTextEdit* result = box("txtTwo");
                if (result->toPlainText() == m_text) {
                    fail(QStringLiteral("the text came out unchanged"));
                }
                result->selectAll();
                result->copy();
            });
        add(
            haveSeat() ? QStringLiteral("frmMain: Decrypt && Decode Text from the clipboard")
                       : QStringLiteral("frmMain: Decrypt && Decode Text (no seat, so no "
                                        "clipboard: the result is carried over by hand)"),
            [this] {
                return !haveSeat() ||
                       QApplication::clipboard()->text() == box("txtTwo")->toPlainText();
            },
            [this] {
                box("txtOne")->setPlainText(box("txtTwo")->toPlainText());
                box("txtTwo")->clear();
                QWidget* button = control("cmdDDT");
                QTimer::singleShot(0, button, [button] { click(button); });
            });
        typeKey();
        add(
            QStringLiteral("frmMain: the text is back"),
            [this] { return !box("txtTwo")->toPlainText().isEmpty(); },
            [this] {
                if (box("txtTwo")->toPlainText() != m_text) {
                    fail(QStringLiteral("the text came back as \"%1\"")
                             .arg(box("txtTwo")->toPlainText()));
                }
            });

        // Files: encrypt from a named pipe through both file dialogs, which
        // holds the wait window up until the data is written; decrypt by
        // dropping the result on "Decrypt File".
        add(
            QStringLiteral("frmMain: Encrypt File"), [] { return true; },
            [this, source] {
                if (mkfifo(QFile::encodeName(source).constData(), 0600) != 0) {
                    fail(QStringLiteral("cannot make %1").arg(source));
                }
                QWidget* button = control("cmdEncryptFile");
                QTimer::singleShot(0, button, [button] { click(button); });
            });
        chooseFile(QStringLiteral("source"), source);
        chooseFile(QStringLiteral("destination"), encrypted);
        typeKey();
        add(
            QStringLiteral("frmWait: shown over a main window that takes no input"),
            [] { return visibleTopLevel("frmWait") != nullptr; },
            [this] {
                if (takesInput(&m_form)) {
                    fail(QStringLiteral("the main window takes input while the work runs"));
                }
            });
        checkOwnedByMain("frmWait");
        askState("frmWait", Qt::WindowMaximized, QStringLiteral("maximised"));
        askState("frmWait", Qt::WindowFullScreen, QStringLiteral("full screen"));
        add(
            QStringLiteral("frmWait: write the source"), [] { return true; },
            [this, source] {
                const FileDescriptor fd(
                    ::open(QFile::encodeName(source).constData(), O_WRONLY | O_NONBLOCK));
                if (!fd.isOpen()) {
                    fail(QStringLiteral("nobody reads %1").arg(source));
                }
                const int flags = fcntl(fd.get(), F_GETFL);
                fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
                if (fd.writeAll(m_data.constData(), m_data.size()) != 0) {
                    fail(QStringLiteral("cannot write %1").arg(source));
                }
            });
        add(
            QStringLiteral("frmMain: drop the encrypted file on Decrypt File"),
            [this, encrypted] {
                return visibleTopLevel("frmWait") == nullptr && takesInput(&m_form) &&
                       QFile(encrypted).size() > m_data.size();
            },
            [this, encrypted] {
                QWidget* button = control("cmdDecryptFile");
                QMimeData mime;
                mime.setUrls({QUrl::fromLocalFile(encrypted)});
                const QPointF at(button->width() / 2.0, button->height() / 2.0);
                QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton,
                                      Qt::NoModifier);
                QApplication::sendEvent(button, &enter);
                QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(button, &drop);
                if (!drop.isAccepted()) {
                    fail(QStringLiteral("Decrypt File refused the drop"));
                }
            });
        chooseFile(QStringLiteral("destination"), decrypted);
        typeKey();
        add(
            QStringLiteral("frmMain: the file is back"),
            [this, decrypted] {
                return visibleTopLevel("frmWait") == nullptr && takesInput(&m_form) &&
                       QFile(decrypted).size() == m_data.size();
            },
            [this, decrypted] {
                QFile back(decrypted);
                if (!back.open(QIODevice::ReadOnly) || back.readAll() != m_data) {
                    fail(QStringLiteral("the decrypted file differs from the source"));
                }
            });
        askState("frmMain", Qt::WindowMaximized, QStringLiteral("maximised"));
        add(
            QStringLiteral("passed"), [] { return true; }, [] { QCoreApplication::exit(0); });
    }

    frmMain& m_form;
    QString m_folder;
    QString m_text = QStringLiteral("Wayland round trip: \u00e4\u00f6\u00fc \u00df \u20ac 123");
    QByteArray m_data = [] {
        QByteArray d(300 * 1024 + 5, Qt::Uninitialized);
        QRandomGenerator rng(20);
        for (char& c : d) {
            c = char(rng.generate() & 0xFF);
        }
        return d;
    }();
    std::vector<Step> m_steps;
    size_t m_next = 0;
    bool m_busy = false;
    QSize m_size;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

} // namespace

void startWindowCheckForTests(frmMain& form) {
    const QString folder =
        services().environment->variable(QStringLiteral("ZEPHRAL_TEST_WINDOW_CHECK"));
    if (!folder.isEmpty()) {
        new WindowCheck(form, folder);
    }
}

} // namespace zephral
