// What a screen reader finds in the three windows, through Qt's
// accessibility interfaces in the process: each control's role, name, actions
// and states; the press action doing what a click does; and the button's own
// states. (Focus events need a live accessibility bridge: make a11y-check.)
#include "ControlAccessibility.h"
#include "Controls.h"
#include "FakeServices.h"
#include "button/sknButton.h"
#include "encrypt/basEncrypt.h"
#include "gui/frmKey.h"
#include "gui/frmMain.h"
#include "gui/frmWait.h"
#include "platform/AppInfo.h"
#include "shared/Colour.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest>

using namespace zephral;
using zephral::test::TestServices;

namespace {

QAccessibleInterface* of(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

QStringList actionsOf(QObject* object) {
    QAccessibleActionInterface* actions = of(object)->actionInterface();
    return actions != nullptr ? actions->actionNames() : QStringList();
}

struct Expected {
    const char* object;
    QAccessible::Role role;
    const char* name;
    bool pressable; // offers the press action
    bool focusable;
};

// Every control of a window as the table says, and each one once among the
// window's accessible children and theirs.
void checkWindow(QWidget* window, QAccessible::Role role, const QString& name,
                 std::initializer_list<Expected> controls) {
    QAccessibleInterface* w = of(window);
    QCOMPARE(w->role(), role);
    QCOMPARE(w->text(QAccessible::Name), name);
    QList<QObject*> reachable;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            QVERIFY(child != nullptr);
            QCOMPARE(node->indexOfChild(child), i);
            reachable.append(child->object());
            walk(child);
        }
    };
    walk(w);
    for (const Expected& e : controls) {
        QObject* control = window->findChild<QObject*>(QLatin1String(e.object));
        QVERIFY2(control != nullptr, e.object);
        QAccessibleInterface* c = of(control);
        QCOMPARE(c->role(), e.role);
        QCOMPARE(c->text(QAccessible::Name), QString::fromUtf8(e.name));
        QCOMPARE(actionsOf(control).contains(QAccessibleActionInterface::pressAction()),
                 e.pressable);
        QCOMPARE(c->state().focusable, e.focusable);
        QVERIFY2(reachable.count(control) == 1, e.object);
    }
}

} // namespace

class tst_accessibility : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        env = std::make_unique<TestServices>();
        gKey.clear();
        gAppPath = QStringLiteral(ZEPHCORE_DIR "/");
        resetCipherBinding();
    }
    void cleanup() {
        env.reset();
        gAppPath.clear();
    }

    void mainWindow() {
        frmMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const auto B = QAccessible::Button;
        checkWindow(&form, QAccessible::Window, QStringLiteral("Quorvan Zephral 1.0 Build 46"),
                    {
                        {"cmdEncryptFile", B, "Encrypt File", true, true},
                        {"cmdDecryptFile", B, "Decrypt File", true, true},
                        {"cmdReadme", B, "Readme.txt", true, true},
                        {"cmdWebsite", B, "Visit Website", true, true},
                        {"cmdEET", B, "Encrypt & Encode Text", true, true},
                        {"cmdDDT", B, "Decrypt & Decode Text", true, true},
                        {"cmdET", B, "Encode Text", true, true},
                        {"cmdDT", B, "Decode Text", true, true},
                        {"fQuorvan", QAccessible::Link, "Quorvan website", true, false},
                        {"sknLine3D1", QAccessible::Separator, "", false, false},
                        {"sknFrame3D1", QAccessible::Grouping, "", false, false},
                        {"sknFrame3D2", QAccessible::Grouping, "", false, false},
                        {"txtOne", QAccessible::EditableText, "Text", false, true},
                        {"txtTwo", QAccessible::EditableText, "Result", false, true},
                    });
        QVERIFY(!of(form.txtOne)->state().readOnly);
        QVERIFY(of(form.txtTwo)->state().readOnly);
    }

    void keyDialog() {
        frmMain form;
        form.show();
        bool checked = false;
        QTimer::singleShot(0, &form, [&] {
            auto* dialog = qobject_cast<frmKey*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            checkWindow(dialog, QAccessible::Dialog, QStringLiteral("Enter Key"),
                        {
                            {"txtKey", QAccessible::EditableText, "Key", false, true},
                            {"cmdOK", QAccessible::Button, "OK", true, true},
                            {"cmdCancel", QAccessible::Button, "Cancel", true, true},
                        });
            // The key box has the focus, and says so.
            QTRY_VERIFY(of(dialog->txtKey)->state().focused);
            checked = true;
            dialog->txtKey->setText(QStringLiteral("typed"));
            of(dialog->cmdOK)
                ->actionInterface()
                ->doAction(QAccessibleActionInterface::pressAction());
        });
        showKeyDialog(&form);
        QVERIFY(checked);
        QCOMPARE(gKey, QStringLiteral("typed")); // the press action took the key as OK does
    }

    void waitWindowAndItsProgress() {
        frmMain form;
        frmWait wait(&form);
        wait.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wait));
        checkWindow(&wait, QAccessible::Window, QStringLiteral("Please wait..."),
                    {
                        {"sknWorking1", QAccessible::Animation, "Working", false, false},
                        {"Label1", QAccessible::StaticText, "Please wait...", false, false},
                    });
        wait.showProgress(1, 4);
        QAccessibleInterface* bar = of(wait.Progress1);
        QCOMPARE(bar->role(), QAccessible::ProgressBar);
        // What the bar shows, a whole number of its pixels.
        QVERIFY(qAbs(bar->valueInterface()->currentValue().toInt() - 25) <= 1);
        QCOMPARE(bar->valueInterface()->maximumValue().toInt(), 100);
        wait.showProgress(4, 4);
        QCOMPARE(bar->valueInterface()->currentValue().toInt(), 100);
    }

    // The label reads on the window's white under a dark theme's light text.
    void waitLabelReadsInADarkPalette() {
        const QPalette saved = QApplication::palette();
        QPalette dark = saved;
        dark.setColor(QPalette::WindowText, QColor(238, 238, 236));
        dark.setColor(QPalette::Text, QColor(238, 238, 236));
        dark.setColor(QPalette::ButtonText, QColor(238, 238, 236));
        dark.setColor(QPalette::Window, QColor(53, 53, 53));
        QApplication::setPalette(dark);
        frmMain form;
        frmWait wait(&form);
        const QColor text = wait.Label1->palette().color(QPalette::WindowText);
        QApplication::setPalette(saved);
        QVERIFY(contrastRatio(fromQRgb(text.rgb()), rgb(255, 255, 255)) >= kReadableContrast);
    }

    // The press action runs what a click runs, once the event loop turns.
    void pressingEncodeTextFillsTheResult() {
        frmMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.txtOne->setPlainText(QStringLiteral("abc"));
        of(form.cmdET)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(form.txtTwo->toPlainText(), QStringLiteral("YWJj"));
    }

    // The button's states and its check-box form, on a button of its own.
    void buttonStatesAndCheckBox() {
        ControlRegistry registry;
        registerControls(registry); // makes the interfaces Qt's
        QWidget window;
        auto* button = new sknButton(&window);
        button->setGeometry(0, 0, 80, 24);
        button->setPropertyValue(u"Caption", QStringLiteral("&Save && go"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QAccessibleInterface* a = of(button);
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Save & go"));
        QVERIFY(!a->state().pressed && !a->state().defaultButton && !a->state().disabled);

        // Held by Space it is pressed; let go, it is not, and it clicked.
        QSignalSpy clicks(button, &sknButton::Click);
        button->setFocus();
        QTest::keyPress(button, Qt::Key_Space);
        QVERIFY(a->state().pressed);
        QTest::keyRelease(button, Qt::Key_Space);
        QVERIFY(!a->state().pressed);
        QCOMPARE(clicks.count(), 1);

        button->setDefault(true);
        QVERIFY(a->state().defaultButton);

        // A two-state button is a check box; its action toggles it.
        button->setPropertyValue(u"CheckBoxBehaviour", true);
        QCOMPARE(a->role(), QAccessible::CheckBox);
        QVERIFY(a->state().checkable && !a->state().checked);
        a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QTRY_VERIFY(a->state().checked);
        QCOMPARE(clicks.count(), 2);
        QVERIFY(!a->state().pressed); // it looks pressed, but nobody holds it

        // Disabled, the action does nothing.
        button->setPropertyValue(u"Enabled", false);
        QVERIFY(a->state().disabled);
        a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QTest::qWait(10);
        QCOMPARE(clicks.count(), 2);

        // With no caption it takes the name its window gave it.
        button->setPropertyValue(u"Caption", QString());
        button->setAccessibleName(QStringLiteral("Settings"));
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Settings"));
    }

    void captionsAsShown_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shown");
        QTest::newRow("marker") << "&Open"
                                << "Open";
        QTest::newRow("doubled") << "Encrypt && Encode Text"
                                 << "Encrypt & Encode Text";
        QTest::newRow("trailing blanks") << "Encrypt File  "
                                         << "Encrypt File";
        QTest::newRow("line break") << "Two\r\nlines"
                                    << "Two lines";
        QTest::newRow("last ampersand") << "Q&"
                                        << "Q&";
        QTest::newRow("empty") << ""
                               << "";
    }
    void captionsAsShown() {
        QFETCH(QString, caption);
        QFETCH(QString, shown);
        QCOMPARE(captionAsShown(caption), shown);
    }

private:
    std::unique_ptr<TestServices> env;
};

QTEST_MAIN(tst_accessibility)
#include "tst_accessibility.moc"
