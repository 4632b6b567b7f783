// The three windows as their descriptions lay them out: sizes, places, focus
// and tab order, and the pixels the layout fixes (button outlines, the frames'
// borders, the line's two rows, the logo). Run at a device pixel ratio of 1
// and of 2 (QT_SCALE_FACTOR=2): sizes are logical pixels either way, and the
// windows are drawn whole at the higher density.
#include "FakeServices.h"
#include "button/sknButton.h"
#include "frame3d/sknFrame3D.h"
#include "gui/FormControls.h"
#include "gui/ToolWindowFrame.h"
#include "gui/frmKey.h"
#include "gui/frmMain.h"
#include "gui/frmWait.h"
#include "line3d/sknLine3D.h"
#include "working/sknWorking.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

using namespace zephral;

namespace {

Colour system(int index) {
    return translateColour(systemColour(index));
}

// The colour of the logical pixel p of a grab, whatever its pixel ratio.
Colour pixel(const QImage& shot, QPoint p) {
    const qreal ratio = shot.devicePixelRatio();
    return fromQRgb(shot.pixel(QPoint(int(p.x() * ratio), int(p.y() * ratio))));
}

QString hex(Colour c) {
    return QStringLiteral("#%1").arg(c, 6, 16, QLatin1Char('0'));
}

#define COMPARE_COLOUR(actual, expected, what)                                                     \
    QVERIFY2(                                                                                      \
        (actual) == (expected),                                                                    \
        qPrintable(QStringLiteral("%1: %2, expected %3").arg(what, hex(actual), hex(expected))))

// The grab of a control, at the screen's pixel ratio.
QImage shotOf(QWidget* w) {
    QImage shot = w->grab().toImage();
    // Drawn whole at the higher density, not cut to the logical size.
    const QSize expected = w->size() * w->devicePixelRatio();
    return shot.size() == expected ? shot : QImage();
}

struct Place {
    const char* name;
    const char* parent;
    QRect rect;
};

// Part of the layout: every control's place in pixels.
const Place kMain[] = {
    {"cmdEncryptFile", "frmMain", {4, 4, 101, 21}},
    {"cmdDecryptFile", "frmMain", {4, 28, 101, 21}},
    {"cmdReadme", "frmMain", {182, 4, 101, 21}},
    {"cmdWebsite", "frmMain", {182, 28, 101, 21}},
    {"fQuorvan", "frmMain", {288, 0, 111, 53}},
    {"sknLine3D1", "frmMain", {2, 54, 399, 2}},
    {"cmdEET", "frmMain", {4, 62, 101, 29}},
    {"cmdDDT", "frmMain", {4, 94, 101, 29}},
    {"cmdET", "frmMain", {4, 188, 101, 21}},
    {"cmdDT", "frmMain", {4, 212, 101, 21}},
    {"sknFrame3D1", "frmMain", {108, 60, 289, 123}},
    {"txtOne", "sknFrame3D1", {2, 2, 285, 119}},
    {"sknFrame3D2", "frmMain", {108, 186, 289, 123}},
    {"txtTwo", "sknFrame3D2", {2, 2, 285, 119}},
};
const Place kKey[] = {
    {"sknFrame3D1", "clientArea", {4, 4, 193, 27}},
    {"txtKey", "sknFrame3D1", {2, 2, 189, 23}},
    {"cmdOK", "clientArea", {200, 4, 53, 27}},
    {"cmdCancel", "clientArea", {256, 4, 53, 27}},
};
const Place kWait[] = {
    {"sknWorking1", "frmWait", {2, 2, 90, 90}},
    {"Label1", "frmWait", {104, 40, 101, 13}},
};

template <size_t N>
void checkPlaces(QWidget* window, const FormControls& controls, const Place (&places)[N]) {
    const QPoint client = window->contentsRect().topLeft();
    for (const Place& p : places) {
        QWidget* w = controls.widget(QString::fromLatin1(p.name));
        QVERIFY2(w != nullptr, p.name);
        QCOMPARE(w->objectName(), QLatin1String(p.name));
        QCOMPARE(w->parentWidget()->objectName(), QLatin1String(p.parent));
        const QPoint origin = w->parentWidget() == window ? client : QPoint();
        QCOMPARE(w->geometry().translated(-origin), p.rect);
    }
}

// No two controls of one container overlap, and a control inside a frame
// leaves the frame's two-pixel border free.
void checkNoOverlap(const FormControls& controls) {
    const auto& described = controls.loaded().controls;
    for (size_t i = 0; i < described.size(); ++i) {
        const QWidget* a = controls.widget(described[i].name);
        if (const auto* frame = qobject_cast<const sknFrame3D*>(a->parentWidget())) {
            QVERIFY2(frame->rect().adjusted(2, 2, -2, -2).contains(a->geometry()),
                     qPrintable(described[i].name));
        }
        for (size_t j = i + 1; j < described.size(); ++j) {
            const QWidget* b = controls.widget(described[j].name);
            QVERIFY2(a->parentWidget() != b->parentWidget() ||
                         !a->geometry().intersects(b->geometry()),
                     qPrintable(described[i].name + u' ' + described[j].name));
        }
    }
}

// A caption is not cut: it lies inside the button, clear of the picture.
void checkCaption(const sknButton* button) {
    const Rect& caption = button->captionLayout().caption;
    const QByteArray name = button->objectName().toLatin1();
    QVERIFY2(caption.left >= 1 && caption.top >= 1, name);
    QVERIFY2(caption.right <= button->width() - 1 && caption.bottom <= button->height() - 1, name);
    if (!button->PictureNormal().isNull()) {
        QVERIFY2(button->pictureOrigin().x() + button->PictureNormal().size().width() <=
                     caption.left,
                 name);
    }
}

// The engraved border (BorderType 1) or the embossed one (2): two rectangles,
// the outer one a pixel up and left of the inner one.
void checkBorder(const sknFrame3D* frame, bool engraved) {
    const QImage shot = shotOf(const_cast<sknFrame3D*>(frame));
    QVERIFY(!shot.isNull());
    const Colour shadow = system(ButtonShadow);
    const Colour light = system(ButtonHighlight);
    const Colour outer = engraved ? shadow : light;
    const Colour inner = engraved ? light : shadow;
    const int w = frame->width();
    const int h = frame->height();
    const QString name = frame->objectName();
    const struct {
        QPoint at;
        Colour colour;
    } expected[] = {
        {{0, 0}, outer},         {{w / 2, 0}, outer},     {{0, h / 2}, outer},
        {{w - 2, h - 2}, outer}, {{1, 1}, inner},         {{w / 2, 1}, inner},
        {{1, h / 2}, inner},     {{w - 1, h - 1}, inner}, {{w / 2, h - 1}, inner},
    };
    for (const auto& e : expected) {
        COMPARE_COLOUR(pixel(shot, e.at), e.colour,
                       QStringLiteral("%1 at %2,%3").arg(name).arg(e.at.x()).arg(e.at.y()));
    }
}

// The window's buttons: flat on the face, outlined in the selection colour
// while the pointer is over them. The offscreen platform sends the pointer to
// the first window under it, not the top one, and to the wrong place at a
// pixel ratio other than 1; where windows overlap (the key dialog over the
// main window) or the ratio is not 1, the buttons are put in their hover look
// instead.
void checkButtons(QWidget* window, const QList<sknButton*>& buttons, bool overlapped) {
    const bool pointer = !overlapped && window->devicePixelRatio() == 1;
    for (sknButton* b : buttons) {
        checkCaption(b);
        const int w = b->width();
        const int h = b->height();
        const QList<QPoint> corners{{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
        QImage shot = shotOf(b);
        for (const QPoint& p : corners) {
            COMPARE_COLOUR(pixel(shot, p), b->palette().face,
                           b->objectName() + QStringLiteral(" up"));
        }
        const QPoint middle(w / 2, h / 2);
        if (pointer) {
            QTest::mouseMove(b, middle);
            QTRY_VERIFY(b->isHovered());
        } else {
            QVERIFY(!b->applyLook(Look{Look::State::Up, true}));
        }
        shot = shotOf(b);
        for (const QPoint& p : corners) {
            COMPARE_COLOUR(pixel(shot, p), b->palette().selection,
                           b->objectName() + QStringLiteral(" hovered"));
        }
        COMPARE_COLOUR(pixel(shot, QPoint(1, h - 2)), b->palette().selectionTint,
                       b->objectName() + QStringLiteral(" hovered face"));
        if (pointer) {
            QTest::mouseMove(window, QPoint(window->width() - 1, window->height() - 1));
            QTRY_VERIFY(!b->isHovered());
        } else {
            QVERIFY(!b->applyLook(Look{}));
        }
    }
}

} // namespace

class tst_layout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        env = std::make_unique<zephral::test::TestServices>();
        main = std::make_unique<frmMain>();
        main->move(40, 40);
        main->show();
        QVERIFY(QTest::qWaitForWindowActive(main.get()));
    }
    void cleanup() {
        main.reset();
        env.reset();
    }

    void mainWindow() {
        QCOMPARE(main->size(), QSize(400, 311));
        QCOMPARE(main->minimumSize(), main->maximumSize());
        QVERIFY(!main->windowIcon().isNull());
        checkPlaces(main.get(), main->controls(), kMain);
        checkNoOverlap(main->controls());
        checkBorder(main->sknFrame3D1, true);
        checkBorder(main->sknFrame3D2, true);
        checkBorder(main->fQuorvan, false);
        for (QPlainTextEdit* box : {main->txtOne, main->txtTwo}) {
            QCOMPARE(box->frameShape(), QFrame::NoFrame);
            QCOMPARE(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        }
        QVERIFY(main->txtTwo->isReadOnly() && !main->txtOne->isReadOnly());
    }

    void lineIsEngraved() {
        const QImage shot = shotOf(main->sknLine3D1);
        QVERIFY(!shot.isNull());
        QCOMPARE(main->sknLine3D1->height(), 2);
        for (const int x : {0, 200, 396}) {
            COMPARE_COLOUR(pixel(shot, QPoint(x, 0)), system(ButtonShadow),
                           QStringLiteral("line row 0"));
            COMPARE_COLOUR(pixel(shot, QPoint(x, 1)), system(ButtonHighlight),
                           QStringLiteral("line row 1"));
        }
    }

    // The logo lies at the frame's top left, its opaque pixels as drawn, inside
    // the border.
    // At twice the density, the logo drawn at twice its size, pixel for pixel.
    void logoInItsPlace() {
        const int ratio = main->devicePixelRatio() > 1 ? 2 : 1;
        const QImage logo = QImage(ratio > 1 ? QStringLiteral(":/art/logo@2x.png")
                                             : QStringLiteral(":/art/logo.png"));
        QCOMPARE(logo.size(), QSize(108, 49) * ratio);
        const QImage shot = shotOf(main->fQuorvan);
        QVERIFY(!shot.isNull());
        int opaque = 0;
        for (int y = 0; y < logo.height(); ++y) {
            for (int x = 0; x < logo.width(); ++x) {
                const QRgb p = logo.pixel(x, y);
                if (qAlpha(p) != 0) {
                    QVERIFY2(x >= 2 * ratio && y >= 2 * ratio, "the logo stays off the border");
                }
                if (qAlpha(p) == 255) {
                    ++opaque;
                    COMPARE_COLOUR(fromQRgb(shot.pixel(x, y)), fromQRgb(p),
                                   QStringLiteral("logo at %1,%2").arg(x).arg(y));
                }
            }
        }
        QVERIFY(opaque > 500);
    }

    // At twice the density a button's picture is the large drawing, not the
    // small one doubled: some of its 2 x 2 blocks hold more than one colour.
    void picturesAreTheLargeArt() {
        if (main->devicePixelRatio() != 2) {
            QSKIP("only at twice the density");
        }
        for (sknButton* b : {main->cmdEncryptFile, main->cmdWebsite, main->cmdET}) {
            const QImage shot = shotOf(b);
            QVERIFY(!shot.isNull());
            const QRect picture(b->pictureOrigin() * 2, b->PictureNormal().size() * 2);
            int mixed = 0;
            for (int y = picture.top(); y < picture.bottom(); y += 2) {
                for (int x = picture.left(); x < picture.right(); x += 2) {
                    const QRgb c = shot.pixel(x, y);
                    if (shot.pixel(x + 1, y) != c || shot.pixel(x, y + 1) != c ||
                        shot.pixel(x + 1, y + 1) != c) {
                        ++mixed;
                    }
                }
            }
            QVERIFY2(mixed > 0, qPrintable(b->objectName()));
        }
    }

    void mainButtons() {
        checkButtons(main.get(),
                     {main->cmdEncryptFile, main->cmdDecryptFile, main->cmdReadme, main->cmdWebsite,
                      main->cmdEET, main->cmdDDT, main->cmdET, main->cmdDT},
                     false);
    }

    void mainFocusAndTabOrder() {
        QTRY_COMPARE(QApplication::focusWidget(), main->txtOne);
        const QStringList expected{
            QStringLiteral("txtTwo"),         QStringLiteral("cmdDT"),
            QStringLiteral("cmdDDT"),         QStringLiteral("cmdET"),
            QStringLiteral("cmdEET"),         QStringLiteral("cmdDecryptFile"),
            QStringLiteral("cmdEncryptFile"), QStringLiteral("cmdWebsite"),
            QStringLiteral("cmdReadme"),      QStringLiteral("txtOne")};
        QStringList reached;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached.append(QApplication::focusWidget()->objectName());
        }
        QCOMPARE(reached, expected);
        // Tab moved on instead of typing into the box.
        QVERIFY(main->txtOne->toPlainText().isEmpty());
    }

    void keyDialog() {
        frmKey key(main.get());
        key.show();
        QVERIFY(QTest::qWaitForWindowActive(&key));
        QCOMPARE(key.windowTitle(), QStringLiteral("Enter Key"));
        // The controls lie in the client area below the drawn title bar.
        QWidget* client = key.toolFrame->clientArea();
        QCOMPARE(client->size(), QSize(313, 36));
        QCOMPARE(key.minimumSize(), key.maximumSize());
        QCOMPARE(key.frameGeometry().center(), main->frameGeometry().center());
        checkPlaces(client, key.controls(), kKey);
        checkNoOverlap(key.controls());
        checkBorder(key.sknFrame3D1, true);
        QCOMPARE(key.txtKey->echoMode(), QLineEdit::Normal);
        QVERIFY(!key.txtKey->hasFrame());
        QVERIFY(key.txtKey->maxLength() >= 32767);
        QTRY_COMPARE(QApplication::focusWidget(), key.txtKey);
        QTest::keyClick(key.txtKey, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), key.cmdOK);
        QTest::keyClick(key.cmdOK, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), key.cmdCancel);
        QTest::keyClick(key.cmdCancel, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), key.txtKey);
        for (sknButton* b : {key.cmdOK, key.cmdCancel}) {
            QVERIFY(!b->isDefault() && !b->isCancel() && b->ShowFocusRect());
            QVERIFY(b->PictureNormal().isNull());
        }
        checkButtons(&key, {key.cmdOK, key.cmdCancel}, true);
    }

    void waitWindow() {
        frmWait wait(main.get());
        wait.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wait));
        QCOMPARE(wait.contentsRect().size(), QSize(189, 95));
        QCOMPARE(wait.frameGeometry().center(), main->frameGeometry().center());
        checkPlaces(&wait, wait.controls(), kWait);
        checkNoOverlap(wait.controls());
        QCOMPARE(wait.Label1->text(), QStringLiteral("Please wait..."));
        // One still frame: nothing runs the animation.
        const int still = wait.sknWorking1->frameInFront();
        QVERIFY(still != 0);
        QTest::qWait(3 * sknWorking::kDefaultSpeed);
        QVERIFY(!wait.sknWorking1->isRunning());
        QCOMPARE(wait.sknWorking1->frameInFront(), still);

        const QImage shot = shotOf(&wait);
        QVERIFY(!shot.isNull());
        const QPoint client = wait.contentsRect().topLeft();
        COMPARE_COLOUR(pixel(shot, QPoint(0, 0)), Colour(0), QStringLiteral("border"));
        COMPARE_COLOUR(pixel(shot, client + QPoint(188, 94)), rgb(255, 255, 255),
                       QStringLiteral("client"));
        COMPARE_COLOUR(pixel(shot, client + QPoint(100, 60)), rgb(255, 255, 255),
                       QStringLiteral("below label"));
        // Dark text in the label's place, picture in the indicator's.
        const auto darkPixels = [&](QRect r) {
            int n = 0;
            for (int y = r.top(); y <= r.bottom(); ++y) {
                for (int x = r.left(); x <= r.right(); ++x) {
                    const Colour c = pixel(shot, client + QPoint(x, y));
                    n += redOf(c) + greenOf(c) + blueOf(c) < 3 * 128 ? 1 : 0;
                }
            }
            return n;
        };
        QVERIFY(darkPixels(QRect(104, 40, 101, 13) & QRect(0, 0, 189, 95)) > 40);
        QVERIFY(darkPixels(QRect(2, 2, 90, 90)) > 40);
    }

private:
    std::unique_ptr<zephral::test::TestServices> env;
    std::unique_ptr<frmMain> main;
};

QTEST_MAIN(tst_layout)
#include "tst_layout.moc"
