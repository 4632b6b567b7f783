#include "working/sknWorking.h"

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
    QPixmap pixmap;
    if (pixmap.load(source)) { // a missing picture leaves the box empty
        box->setPixmap(pixmap);
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
    static const PropertyTable table = PropertyTableBuilder<K>()
                                           .add("BackColor", &K::BackColor, &K::setBackColor)
                                           .add("ForeColor", &K::ForeColor, &K::setForeColor)
                                           .add("Enabled", &K::Enabled, &K::setEnabledProperty)
                                           .add("Font", &K::Font, &K::setFont)
                                           .add("BackStyle", &K::BackStyle, &K::setBackStyle)
                                           .add("BorderStyle", &K::BorderStyle, &K::setBorderStyle)
                                           .add("Speed", &K::Speed, &K::setSpeed)
                                           .build();
    return table;
}

void sknWorking::initProperties() {
    m_backColour = 0;
    m_foreColour = 0;
    m_enabled = false;
    m_backStyle = 0;
    m_borderStyle = 0;
    m_font = ambient().font;
}

void sknWorking::readProperties(const PropertyBag& bag) {
    // A value that can't be read leaves the property as it was.
    if (const auto v = bag.readLong(u"BackColor", 0); v.ok()) {
        m_backColour = Colour(v.value);
    }
    if (const auto v = bag.readLong(u"ForeColor", 0); v.ok()) {
        m_foreColour = Colour(v.value);
    }
    if (const auto v = bag.readBoolean(u"Enabled", false); v.ok()) {
        m_enabled = v.value;
    }
    if (const auto v = bag.readFont(u"Font", ambient().font); v.ok()) {
        m_font = v.value;
    }
    if (const auto v = bag.readInteger(u"BackStyle", 0); v.ok()) {
        m_backStyle = v.value;
    }
    if (const auto v = bag.readInteger(u"BorderStyle", 0); v.ok()) {
        m_borderStyle = v.value;
    }
    if (const auto v = bag.readLong(u"Speed", kDefaultSpeed);
        v.ok() && v.value >= 0 && v.value <= 65535) {
        tmrAni->setInterval(v.value);
    }
}

void sknWorking::writeProperties(PropertyBag& bag) const {
    bag.writeIfNotDefault(u"BackColor", qint32(m_backColour), qint32(0));
    bag.writeIfNotDefault(u"ForeColor", qint32(m_foreColour), qint32(0));
    bag.writeIfNotDefault(u"Enabled", m_enabled, false);
    bag.writeIfNotDefault(u"Font", m_font, ambient().font);
    bag.writeIfNotDefault(u"BackStyle", m_backStyle, qint16(0));
    bag.writeIfNotDefault(u"BorderStyle", m_borderStyle, qint16(0));
    bag.writeIfNotDefault(u"Speed", Speed(), qint32(kDefaultSpeed));
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

void sknWorking::setBackColor(Colour c) {
    m_backColour = c;
    notifyPropertyChanged(QStringLiteral("BackColor"));
}

void sknWorking::setForeColor(Colour c) {
    m_foreColour = c;
    notifyPropertyChanged(QStringLiteral("ForeColor"));
}

void sknWorking::setEnabledProperty(bool on) {
    m_enabled = on;
    notifyPropertyChanged(QStringLiteral("Enabled"));
}

void sknWorking::setFont(const FontDesc& font) {
    m_font = font;
    notifyPropertyChanged(QStringLiteral("Font"));
}

void sknWorking::setBackStyle(qint16 value) {
    m_backStyle = value;
    notifyPropertyChanged(QStringLiteral("BackStyle"));
}

void sknWorking::setBorderStyle(qint16 value) {
    m_borderStyle = value;
    notifyPropertyChanged(QStringLiteral("BorderStyle"));
}

void sknWorking::setSpeed(qint32 ms) {
    if (ms >= 0 && ms <= 65535) {
        // A running timer counts the new interval from now.
        tmrAni->setInterval(ms);
    }
    notifyPropertyChanged(QStringLiteral("Speed"));
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
        m_stripPressed = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* e = static_cast<QMouseEvent*>(event);
        const bool click = m_stripPressed && e->button() == Qt::LeftButton &&
                           Picture2->rect().contains(e->position().toPoint());
        m_stripPressed = false;
        if (click) {
            Q_EMIT Click();
        }
        return true;
    }
    return false;
}

} // namespace zephral
