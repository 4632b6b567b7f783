#include "working/sknWorking.h"

#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

// The pictures live in the controls' static library; register them before
// the first control looks for them.
static void initWorkingResources() {
    Q_INIT_RESOURCE(working);
}

namespace zephral {

namespace {

constexpr int kSide = 90;
constexpr int kClipHeight = 73;
constexpr int kStripTop = 72;
constexpr int kStripHeight = 18;

QLabel* pictureBox(QWidget* parent, const QString& name, const QString& source, const QRect& at) {
    auto* box = new QLabel(parent);
    box->setObjectName(name);
    box->setGeometry(at);
    QImage image;
    // On a denser screen the frame drawn at twice the size, brought to the
    // screen's own pixels.
    const double ratio = parent->devicePixelRatioF();
    if (ratio > 1.0) {
        QString large = source;
        large.insert(large.lastIndexOf(u'.'), QLatin1String("@2x"));
        if (image.load(large)) {
            const QSize device = (QSizeF(image.deviceIndependentSize()) * ratio).toSize();
            image = image.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            image.setDevicePixelRatio(ratio);
        }
    }
    if (image.isNull()) {
        image.load(source); // a missing picture leaves the box empty
    }
    if (!image.isNull()) {
        box->setPixmap(QPixmap::fromImage(image));
    }
    return box;
}

} // namespace

sknWorking::sknWorking(QWidget* parent) : SkinnedControl(parent) {
    initWorkingResources();
    Picture3 = new QWidget(this);
    Picture3->setObjectName(QStringLiteral("Picture3"));
    Picture3->setGeometry(0, 0, kSide, kClipHeight);
    for (int i = 1; i <= kFrames; ++i) {
        Picture1[size_t(i)] =
            pictureBox(Picture3, QStringLiteral("Picture1(%1)").arg(i),
                       QStringLiteral(":/working/art/frame%1.png").arg(i), {0, 0, kSide, kSide});
    }
    // Frame 1 lies in front until the animation moves on.
    Picture1[1]->raise();
    Picture2 =
        pictureBox(this, QStringLiteral("Picture2"), QStringLiteral(":/working/art/strip.png"),
                   {0, kStripTop, kSide, kStripHeight});
    Picture2->installEventFilter(this);

    tmrAni = new ControlTimer(this);
    tmrAni->setObjectName(QStringLiteral("tmrAni"));
    tmrAni->setInterval(kDefaultSpeed);
    connect(tmrAni, &ControlTimer::timeout, this, &sknWorking::tick);
}

const PropertyTable& sknWorking::propertyTable() const {
    using K = sknWorking;
    const auto ambientFont = [](const K& k) { return k.ambient().font; };
    static const PropertyTable table =
        PropertyTableBuilder<K>({QString(), false, true})
            .field("BackColor", "BackColor", &K::m_backColour, 0)
            .field("ForeColor", "ForeColor", &K::m_foreColour, 0)
            .field("Enabled", "Enabled", &K::m_enabled, false)
            .field("Font", "Font", &K::m_font, ambientFont)
            .field("BackStyle", "BackStyle", &K::m_backStyle, 0)
            .field("BorderStyle", "BorderStyle", &K::m_borderStyle, 0)
            .value(
                "Speed", "Speed", &K::Speed,
                [](K& k, qint32 ms) {
                    if (ms >= 0 && ms <= 65535) {
                        // A running timer counts the new interval from now.
                        k.tmrAni->setInterval(ms);
                    }
                },
                kDefaultSpeed)
            .build();
    return table;
}

ControlError sknWorking::applyLook(const Look& look) {
    if (look.frame > kFrames) {
        return {380, QStringLiteral("frames are 1 to %1").arg(kFrames)};
    }
    if (look.frame > 0) {
        m_frame = look.frame;
        bringToFront(look.frame);
    }
    Look rest = look;
    rest.frame = 0;
    return SkinnedControl::applyLook(rest);
}

int sknWorking::frameInFront() const {
    const QObjectList& stack = Picture3->children(); // back to front
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        for (int i = 1; i <= kFrames; ++i) {
            if (*it == Picture1[size_t(i)]) {
                return i;
            }
        }
    }
    return 0;
}

void sknWorking::tick() {
    m_frame = m_frame == kFrames ? 1 : m_frame + 1;
    bringToFront(m_frame);
}

void sknWorking::bringToFront(int index) {
    Picture1[size_t(index)]->raise();
}

void sknWorking::showEvent(QShowEvent* event) {
    // Always the size of the pictures, whatever the container asked for.
    resize(Picture3->width(), Picture1[1]->height());
    SkinnedControl::showEvent(event);
}

bool sknWorking::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Picture2) {
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        clickPress(Picture2, static_cast<QMouseEvent*>(event)->button());
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        if (clickRelease(Picture2, *static_cast<QMouseEvent*>(event), Picture2->rect())) {
            Q_EMIT Click();
        }
        return true;
    }
    return false;
}

} // namespace zephral
