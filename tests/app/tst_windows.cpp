// The real windows on the offscreen platform: main window, key dialog, wait
// window and start-up.
#include "FakeServices.h"
#include "button/sknButton.h"
#include "frame3d/sknFrame3D.h"
#include "gui/Startup.h"
#include "gui/ToolWindowFrame.h"
#include "gui/WaitWindow.h"
#include "gui/frmKey.h"
#include "gui/frmMain.h"
#include "gui/frmWait.h"
#include "platform/AppInfo.h"
#include "platform/gui/TaskBar.h"
#include "shared/ControlFailures.h"
#include "working/sknWorking.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <optional>

using namespace zephral;
using zephral::test::TestServices;

using KeyActions = std::function<void(frmKey*)>;
Q_DECLARE_METATYPE(KeyActions)

namespace {

// Runs actions on the key dialog once it is up; when they leave it open, notes
// that and closes it with Cancel so the test can go on.
struct KeyDialogScript {
    KeyActions actions;
    bool leftOpen = false;
    bool seen = false;
};

void runKeyDialog(QWidget* owner, KeyDialogScript& script) {
    QTimer::singleShot(0, owner, [&script] {
        auto* dialog = qobject_cast<frmKey*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        script.seen = true;
        // It opens with the key box focused.
        QTRY_COMPARE(QApplication::focusWidget(), dialog->txtKey);
        script.actions(dialog);
        if (dialog->isVisible()) {
            script.leftOpen = true;
            dialog->cmdCancel->activate();
        }
    });
    showKeyDialog(owner);
}

} // namespace

class tst_windows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        env = std::make_unique<TestServices>();
        services().components = QStringList{};
        gKey.clear();
        gAppPath = QStringLiteral("/opt/zephral/");
        endings = 0;
        programEnd.emplace([this] { ++endings; });
    }
    void cleanup() {
        programEnd.reset();
        env.reset();
        gAppPath.clear();
    }

    void outputBoxIsReadOnlyButSelectable() {
        frmMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.txtTwo->setPlainText(QStringLiteral("result"));
        form.txtTwo->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), form.txtTwo);
        QTest::keyClicks(form.txtTwo, QStringLiteral("typed"));
        QTest::keyClick(form.txtTwo, Qt::Key_Delete);
        QCOMPARE(form.txtTwo->toPlainText(), QStringLiteral("result"));
        QTest::keyClick(form.txtTwo, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(form.txtTwo->textCursor().selectedText(), QStringLiteral("result"));
        QVERIFY(form.txtOne->isReadOnly() == false);
    }

    void readmeWebsiteAndLogoOpenThroughTheShell() {
        frmMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.cmdReadme, Qt::LeftButton);
        QTest::mouseClick(form.cmdWebsite, Qt::LeftButton);
        QTest::mouseClick(form.fQuorvan, Qt::LeftButton);
        // A press that ends outside the logo is no click.
        QTest::mousePress(form.fQuorvan, Qt::LeftButton);
        QTest::mouseRelease(form.fQuorvan, Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(env->shell.opened, (QStringList{QStringLiteral("/opt/zephral/readme.txt"),
                                                 QStringLiteral("www.quorvan.example"),
                                                 QStringLiteral("www.quorvan.example")}));
    }

    void closeRule_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("ends");
        QTest::newRow("title bar") << int(UnloadMode::FormControlMenu) << 1;
        QTest::newRow("program") << int(UnloadMode::FormCode) << 0;
        QTest::newRow("log-off") << int(UnloadMode::AppWindows) << 0;
    }
    void closeRule() {
        QFETCH(int, mode);
        QFETCH(int, ends);
        frmMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Form_QueryUnload(static_cast<UnloadMode>(mode));
        QCOMPARE(endings, ends);
        QCOMPARE(form.isVisible(), ends == 0);
    }

    void closingByTheProgramClosesNormally() {
        frmMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.close());
        QVERIFY(!form.isVisible());
        QCOMPARE(endings, 0);
    }

    // The drawn title bar lies right above the client area, as wide, and the
    // dialog is centred on the main window.
    void keyDialogFrame() {
        frmMain form;
        form.move(100, 100);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        KeyDialogScript script{[&form](frmKey* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Enter Key"));
            const ToolFrameGeometry& parts = dialog->toolFrame->parts();
            QCOMPARE(dialog->toolFrame->clientArea()->geometry(), parts.client);
            QCOMPARE(parts.client.size(), QSize(313, 36));
            QCOMPARE(parts.titleBar.bottom() + 1, parts.client.top());
            QCOMPARE(parts.titleBar.left(), parts.client.left());
            QCOMPARE(parts.titleBar.width(), parts.client.width());
            QCOMPARE(dialog->size(), parts.window);
            QVERIFY(
                QRect(QPoint(0, 0), parts.window).contains(parts.client.adjusted(-1, -1, 1, 1)));
            QCOMPARE(dialog->frameGeometry().center(), form.frameGeometry().center());
            QCOMPARE(dialog->sknFrame3D1->parentWidget(), dialog->toolFrame->clientArea());
            dialog->cmdCancel->activate();
        }};
        runKeyDialog(&form, script);
        QVERIFY(script.seen);
        QVERIFY(!script.leftOpen);
    }

    void keyDialogKeys_data() {
        QTest::addColumn<QString>("before"); // gKey before the dialog
        QTest::addColumn<KeyActions>("actions");
        QTest::addColumn<bool>("leftOpen");
        QTest::addColumn<QString>("key");

        const auto type = [](frmKey* d, const QString& text) { QTest::keyClicks(d->txtKey, text); };
        QTest::newRow("OK") << QString() << KeyActions([=](frmKey* d) {
            type(d, QStringLiteral("secret"));
            QTest::mouseClick(d->cmdOK, Qt::LeftButton);
        }) << false << QStringLiteral("secret");
        QTest::newRow("Enter in box") << QString() << KeyActions([=](frmKey* d) {
            type(d, QStringLiteral("pass word"));
            QTest::keyClick(d->txtKey, Qt::Key_Return);
        }) << false << QStringLiteral("pass word");
        QTest::newRow("keypad Enter with Shift") << QString() << KeyActions([=](frmKey* d) {
            type(d, QStringLiteral("k"));
            QTest::keyClick(d->txtKey, Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier);
        }) << false << QStringLiteral("k");
        QTest::newRow("blanks kept") << QString() << KeyActions([=](frmKey* d) {
            type(d, QStringLiteral("  Key  "));
            QTest::keyClick(d->txtKey, Qt::Key_Return);
        }) << false << QStringLiteral("  Key  ");
        QTest::newRow("long key taken as typed") << QString() << KeyActions([=](frmKey* d) {
            type(d, QString(100, QLatin1Char('x')));
            QTest::keyClick(d->txtKey, Qt::Key_Return);
        }) << false << QString(100, QLatin1Char('x'));
        QTest::newRow("empty OK") << QStringLiteral("old") << KeyActions([](frmKey* d) {
            QTest::mouseClick(d->cmdOK, Qt::LeftButton);
        }) << false << QString();
        QTest::newRow("Cancel") << QStringLiteral("old") << KeyActions([=](frmKey* d) {
            type(d, QStringLiteral("typed"));
            QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
        }) << false << QString();
        QTest::newRow("Escape does nothing") << QStringLiteral("old") << KeyActions([=](frmKey* d) {
            type(d, QStringLiteral("typed"));
            QTest::keyClick(d->txtKey, Qt::Key_Escape);
            QTest::keyClick(d, Qt::Key_Escape);
        }) << true << QString();
        QTest::newRow("window close refused")
            << QStringLiteral("old") << KeyActions([](frmKey* d) { QVERIFY(!d->close()); }) << true
            << QString();
        QTest::newRow("Enter on a button does nothing")
            << QStringLiteral("old") << KeyActions([=](frmKey* d) {
                   type(d, QStringLiteral("typed"));
                   d->cmdOK->setFocus();
                   QTest::keyClick(d->cmdOK, Qt::Key_Return);
                   QTest::keyClick(d->cmdOK, Qt::Key_Enter, Qt::KeypadModifier);
                   d->cmdCancel->setFocus();
                   QTest::keyClick(d->cmdCancel, Qt::Key_Return);
               })
            << true << QString();
        QTest::newRow("Space on OK") << QString() << KeyActions([=](frmKey* d) {
            type(d, QStringLiteral("spaced"));
            QTest::keyClick(d->txtKey, Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        }) << false << QStringLiteral("spaced");
        QTest::newRow("Space on Cancel") << QStringLiteral("old") << KeyActions([](frmKey* d) {
            d->cmdCancel->setFocus();
            QTest::keyClick(d->cmdCancel, Qt::Key_Space);
        }) << false << QString();
    }
    void keyDialogKeys() {
        QFETCH(QString, before);
        QFETCH(KeyActions, actions);
        QFETCH(bool, leftOpen);
        QFETCH(QString, key);
        frmMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        gKey = before;
        KeyDialogScript script{actions};
        runKeyDialog(&form, script);
        QVERIFY(script.seen);
        QCOMPARE(script.leftOpen, leftOpen);
        // A dialog left open was closed with Cancel afterwards.
        QCOMPARE(gKey, key);
    }

    void keyDialogOpensEmptyEachTime() {
        frmMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        KeyDialogScript first{[](frmKey* d) {
            QTest::keyClicks(d->txtKey, QStringLiteral("first"));
            QTest::keyClick(d->txtKey, Qt::Key_Return);
        }};
        runKeyDialog(&form, first);
        QString shown = QStringLiteral("unset");
        KeyDialogScript second{[&shown](frmKey* d) {
            shown = d->txtKey->text();
            QCOMPARE(gKey, QStringLiteral("first"));
            QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
        }};
        runKeyDialog(&form, second);
        QCOMPARE(shown, QString());
        QCOMPARE(gKey, QString());
    }

    // What each window asks of the window manager, as the platform layer
    // receives it (on X11: window type, Motif hints, transient-for, modal
    // state, equal minimum and maximum sizes) and the task bar request.
    void windowHints() {
        frmMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        frmKey key(&form);
        key.show();
        frmWait wait(&form);
        wait.show();
        QVERIFY(QTest::qWaitForWindowExposed(&key));
        QVERIFY(QTest::qWaitForWindowExposed(&wait));
        const struct {
            QWidget* widget;
            Qt::WindowType type;
            Qt::WindowFlags wanted;
            Qt::WindowFlags unwanted;
            QWindow* transientParent;
            Qt::WindowModality modality;
            bool outOfTaskBar;
        } cases[] = {
            {&form, Qt::Window,
             Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint,
             Qt::WindowMaximizeButtonHint | Qt::FramelessWindowHint, nullptr, Qt::NonModal, false},
            // The key dialog draws its own title bar: the manager draws none.
            {&key, Qt::Dialog, Qt::FramelessWindowHint,
             Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                 Qt::WindowCloseButtonHint,
             form.windowHandle(), Qt::ApplicationModal, true},
            {&wait, Qt::Tool, Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus,
             Qt::WindowTitleHint, form.windowHandle(), Qt::NonModal, true},
        };
        for (const auto& c : cases) {
            const QWindow* window = c.widget->windowHandle();
            QVERIFY(window != nullptr);
            const QByteArray name = c.widget->objectName().toLatin1();
            QCOMPARE(window->type(), c.type);
            QVERIFY2((window->flags() & c.wanted) == c.wanted, name);
            QVERIFY2(!(window->flags() & c.unwanted), name);
            QCOMPARE(window->transientParent(), c.transientParent);
            QCOMPARE(window->modality(), c.modality);
            QCOMPARE(isKeptOutOfTaskBar(c.widget), c.outOfTaskBar);
            // Nothing to resize, so nothing to maximise.
            QCOMPARE(window->minimumSize(), window->maximumSize());
            QCOMPARE(window->minimumSize(), c.widget->size());
            // Asked for either state, as by a title bar or the compositor,
            // the window takes it back and keeps its size.
            const QSize size = c.widget->size();
            for (Qt::WindowState state : {Qt::WindowMaximized, Qt::WindowFullScreen}) {
                c.widget->windowHandle()->setWindowStates(state);
                QTRY_COMPARE(c.widget->windowHandle()->windowStates(), Qt::WindowNoState);
                QCOMPARE(c.widget->windowState(), Qt::WindowNoState);
                QCOMPARE(c.widget->size(), size);
            }
        }
        key.cmdCancel->activate();
    }

    // The drawn frame: a raised edge, a title bar in the palette's selection
    // colours (grey when inactive) with the caption at its left and nothing
    // else in it, and the client area left to the controls.
    void toolFrameDrawing_data() {
        QTest::addColumn<bool>("active");
        QTest::newRow("active") << true;
        QTest::newRow("inactive") << false;
    }
    void toolFrameDrawing() {
        QFETCH(bool, active);
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(0xc0, 0xc0, 0xc0));
        palette.setColor(QPalette::Light, Qt::white);
        palette.setColor(QPalette::Shadow, Qt::black);
        palette.setColor(QPalette::Highlight, QColor(0x00, 0x00, 0x80));
        palette.setColor(QPalette::HighlightedText, Qt::white);
        palette.setColor(QPalette::Inactive, QPalette::Dark, QColor(0x80, 0x80, 0x80));
        palette.setColor(QPalette::Inactive, QPalette::Window, QColor(0xd4, 0xd0, 0xc8));
        const QFont font = toolCaptionFont();
        const ToolFrameGeometry parts = toolFrameGeometry(QSize(313, 36), toolTitleBarHeight(font));
        QVERIFY(parts.titleBar.height() > QFontMetrics(font).ascent());

        QImage image(parts.window, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        drawToolFrame(painter, parts, QStringLiteral("Enter Key"), font, palette, active);
        painter.end();

        const TitleColours colours = toolTitleColours(palette, active);
        QCOMPARE(colours.background, active ? QColor(0x00, 0x00, 0x80) : QColor(0x80, 0x80, 0x80));
        QCOMPARE(colours.text, active ? QColor(Qt::white) : QColor(0xd4, 0xd0, 0xc8));
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
        QCOMPARE(image.pixelColor(image.width() - 1, image.height() - 1), QColor(Qt::black));
        QCOMPARE(image.pixelColor(parts.client.center()).alpha(), 0);
        // The caption is drawn in the left part; the rest of the bar is empty,
        // so no button, glyph or stray line is in it.
        const QRect bar = parts.titleBar;
        int captionPixels = 0;
        for (int y = bar.top(); y <= bar.bottom(); ++y) {
            for (int x = bar.left(); x <= bar.right(); ++x) {
                const bool background = image.pixelColor(x, y) == colours.background;
                if (x > bar.left() + bar.width() / 2) {
                    QVERIFY2(background, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                } else if (!background) {
                    ++captionPixels;
                }
            }
        }
        QVERIFY(captionPixels > 20);
    }

    // Dragging the title bar moves the dialog; where the window manager
    // cannot move it (as here, off screen) it follows the pointer itself.
    void keyDialogMovesByItsTitleBar() {
        frmMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        KeyDialogScript script{[](frmKey* d) {
            ToolWindowFrame* frame = d->toolFrame;
            const QPoint start = d->pos();
            const QPoint grip = frame->parts().titleBar.center();
            QTest::mousePress(frame, Qt::LeftButton, {}, grip);
            QTest::mouseMove(frame, grip + QPoint(30, 20));
            QTest::mouseRelease(frame, Qt::LeftButton, {}, grip + QPoint(30, 20));
            QCOMPARE(d->pos(), start + QPoint(30, 20));
            // Only the title bar is a handle.
            const QPoint edge(1, frame->height() - 2);
            QTest::mousePress(frame, Qt::LeftButton, {}, edge);
            QTest::mouseMove(frame, edge + QPoint(30, 20));
            QTest::mouseRelease(frame, Qt::LeftButton, {}, edge + QPoint(30, 20));
            QCOMPARE(d->pos(), start + QPoint(30, 20));
            d->cmdCancel->activate();
        }};
        runKeyDialog(&form, script);
        QVERIFY(script.seen);
        QVERIFY(!script.leftOpen);
    }

    // A window manager that still offers to minimise the key dialog takes the
    // main window with it; both come back at once.
    void keyDialogComesBackWhenMinimised() {
        frmMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        KeyDialogScript script{[&form](frmKey* d) {
            form.setWindowState(Qt::WindowMinimized);
            d->setWindowState(Qt::WindowMinimized);
            QTRY_VERIFY(!d->isMinimized());
            QVERIFY(!form.isMinimized());
            QVERIFY(d->isVisible());
            QTest::keyClicks(d->txtKey, QStringLiteral("still here"));
            QTest::keyClick(d->txtKey, Qt::Key_Return);
        }};
        runKeyDialog(&form, script);
        QVERIFY(!script.leftOpen);
        QCOMPARE(gKey, QStringLiteral("still here"));
    }

    // While the work runs the main window takes no input but keeps its
    // look: disabling it would grey its text boxes and scroll bars.
    void workRunsWithTheWaitWindowUp() {
        frmMain form;
        form.txtOne->setPlainText(QStringLiteral("kept"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        if (QWidget* focused = form.focusWidget()) {
            focused->clearFocus(); // no blinking caret in the pictures
        }
        const QImage before = form.grab().toImage();
        int clicks = 0;
        connect(form.cmdET, &SkinnedControl::Click, this, [&] { ++clicks; });
        bool sawWindow = false;
        bool noInput = false;
        QImage during;
        const int result = runWithWaitWindow(&form, [&] {
            auto* wait = form.findChild<frmWait*>();
            sawWindow = wait != nullptr && wait->isVisible();
            noInput = !takesInput(form.txtOne) && takesInput(wait);
            QTest::keyClicks(form.txtOne, QStringLiteral("x"));
            QTest::mouseClick(form.cmdET, Qt::LeftButton);
            during = form.grab().toImage();
            return 42;
        });
        QCOMPARE(result, 42);
        QVERIFY(sawWindow);
        QVERIFY(noInput);
        QCOMPARE(form.txtOne->toPlainText(), QStringLiteral("kept"));
        QCOMPARE(clicks, 0);
        QVERIFY(during == before);
        QVERIFY(takesInput(&form));
        QVERIFY(form.findChild<frmWait*>() == nullptr);
    }

    void waitWindowGoesAlsoWhenWorkFails() {
        frmMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        bool thrown = false;
        try {
            runWithWaitWindow(&form, [] { throw std::runtime_error("disk full"); });
        } catch (const std::runtime_error&) {
            thrown = true;
        }
        QVERIFY(thrown);
        QVERIFY(form.isEnabled());
        QVERIFY(form.findChild<frmWait*>() == nullptr);
        // The window takes input again.
        QTest::keyClicks(form.txtOne, QStringLiteral("ok"));
        QCOMPARE(form.txtOne->toPlainText(), QStringLiteral("ok"));
    }

    // Text dropped on the upper box goes in where it is dropped, as typed
    // there; the lower box takes none.
    void textDroppedOnTheInputBox() {
        frmMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.txtOne->setPlainText(QStringLiteral("ab"));
        form.txtTwo->setPlainText(QStringLiteral("result"));
        QMimeData data;
        data.setText(QStringLiteral("XY"));
        for (QPlainTextEdit* box : {form.txtOne, form.txtTwo}) {
            QTextCursor between(box->document());
            between.setPosition(1);
            const QPoint at = box->cursorRect(between).center();
            QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(box->viewport(), &enter);
            QCOMPARE(enter.isAccepted(), box == form.txtOne);
            QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(box->viewport(), &move);
            QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(box->viewport(), &drop);
        }
        QCOMPARE(form.txtOne->toPlainText(), QStringLiteral("aXYb"));
        QCOMPARE(form.txtTwo->toPlainText(), QStringLiteral("result"));
    }

    // What the 3D frames report goes to the error log, after a message box
    // where the report asks for one (a value that could not be loaded).
    void frameFailuresGoToTheErrorLog() {
        gAppPath = env->dir.path() + u'/';
        installControlFailureLog();
        {
            const ScopedControlFault fault(QStringLiteral("UserControl_ReadProperties"),
                                           QStringLiteral("BorderType"),
                                           {5, QStringLiteral("Invalid procedure call")});
            frmMain form;
        }
        setControlFailureHandler({});
        // Three frames in the main window, one report each.
        QCOMPARE(env->messageBox.shown.size(), 3);
        for (const auto& shown : env->messageBox.shown) {
            QCOMPARE(shown.icon, MessageIcon::Critical);
            QVERIFY(shown.text.contains(QStringLiteral("UserControl_ReadProperties")));
        }
        QFile log(env->path(QStringLiteral("ErrorLog.txt")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> records = log.readAll().trimmed().split('\n');
        QCOMPARE(records.size(), 3);
        for (const QByteArray& record : records) {
            QVERIFY2(record.contains("Frame3D") && record.contains("UserControl_ReadProperties") &&
                         record.contains("Invalid procedure call"),
                     record.constData());
        }
    }

    void fileDialogKeepsItsFileName() {
        frmMain form;
        env->fileDialog.answers = {QStringLiteral("/data/a.txt"), QStringLiteral("/data/a.enc"),
                                   std::nullopt};
        form.cdMain.setDialogTitle(QStringLiteral("Select file to encrypt..."));
        QCOMPARE(form.cdMain.showOpen(), std::optional<QString>(QStringLiteral("/data/a.txt")));
        form.cdMain.setDialogTitle(QStringLiteral("Select file to save to..."));
        QCOMPARE(form.cdMain.showSave(), std::optional<QString>(QStringLiteral("/data/a.enc")));
        QCOMPARE(form.cdMain.showOpen(), std::optional<QString>());
        QCOMPARE(form.cdMain.fileName(), QStringLiteral("/data/a.enc"));
        const auto& asked = env->fileDialog.requests;
        QCOMPARE(asked.size(), 3);
        QCOMPARE(asked[1].save, true);
        QCOMPARE(asked[1].title, QStringLiteral("Select file to save to..."));
        QCOMPARE(asked[1].fileName, QStringLiteral("/data/a.txt"));
        QCOMPARE(asked[2].fileName, QStringLiteral("/data/a.enc"));
    }

    void startUpShowsTheMainWindow() {
        std::unique_ptr<frmMain> form;
        QVERIFY(startWithMainWindow(QStringLiteral("/opt/zephral"), form, StartupOptions{1000, 0}));
        QVERIFY(form && form->isVisible());
        QCOMPARE(gAppPath, QStringLiteral("/opt/zephral/"));
        QCOMPARE(readSetting(kSettingSelfInstall), QStringLiteral("true"));
        QVERIFY(env->messageBox.shown.isEmpty());
    }

private:
    std::unique_ptr<TestServices> env;
    int endings = 0;
    std::optional<ScopedProgramEnd> programEnd;
};

QTEST_MAIN(tst_windows)
#include "tst_windows.moc"
