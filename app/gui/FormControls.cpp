#include "gui/FormControls.h"

#include "Controls.h"
#include "gui/Resources.h"
#include "shared/SkinnedControl.h"
#include "shared/Units.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>
#include <algorithm>
#include <limits>

namespace zephral {

namespace {

const ControlRegistry& registry() {
    static const ControlRegistry registry = [] {
        ControlRegistry r;
        registerControls(r);
        return r;
    }();
    return registry;
}

int twipsToPixels(int twips) {
    return mulDivRound(twips, 1, kTwipsPerPixel);
}

QSize twipsToPixels(QSize twips) {
    return {twipsToPixels(twips.width()), twipsToPixels(twips.height())};
}

QSize pixelSize(const ControlDescription& c) {
    return c.himetric ? himetricToPixels(c.size) : twipsToPixels(c.size);
}

// Reads a stored value of a text box or label; a value of the wrong type is
// a fault of the description.
struct BadValue {
    QString what;
};

template <class T>
T need(const ReadResult<T>& read, const char* key) {
    if (!read.ok()) {
        throw BadValue{
            QStringLiteral("\"%1\": %2").arg(QLatin1String(key), read.error.description)};
    }
    return read.value;
}

// ScrollBars: 0 none, 1 horizontal, 2 vertical, 3 both.
enum ScrollBarBits { kHorizontal = 1, kVertical = 2 };

void applyTextBox(QWidget* widget, const PropertyBag& bag) {
    const QString text = need(bag.readString(u"Text", QString()), "Text");
    const int scrollBars = need(bag.readInteger(u"ScrollBars", 0), "ScrollBars");
    const bool locked = need(bag.readBoolean(u"Locked", false), "Locked");
    const bool border = need(bag.readInteger(u"BorderStyle", 1), "BorderStyle") != 0;
    const QString passwordChar = need(bag.readString(u"PasswordChar", QString()), "PasswordChar");
    const qint32 maxLength = need(bag.readLong(u"MaxLength", 0), "MaxLength");
    widget->setFocusPolicy(Qt::StrongFocus);
    if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
        box->setPlainText(text);
        box->setFrameShape(border ? QFrame::StyledPanel : QFrame::NoFrame);
        const auto policy = [&](int bit) {
            return (scrollBars & bit) != 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
        };
        box->setHorizontalScrollBarPolicy(policy(kHorizontal));
        box->setVerticalScrollBarPolicy(policy(kVertical));
        // With a horizontal scroll bar a line stays one line; without one it
        // wraps at the box's width.
        box->setLineWrapMode((scrollBars & kHorizontal) != 0 ? QPlainTextEdit::NoWrap
                                                             : QPlainTextEdit::WidgetWidth);
        // Tab moves on to the next control; it does not type a tab character.
        box->setTabChangesFocus(true);
        box->setReadOnly(locked);
        if (locked) {
            // Locked, but the user can still select and copy with mouse and keys.
            box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        }
    } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        line->setText(text);
        line->setFrame(border);
        line->setReadOnly(locked);
        line->setEchoMode(passwordChar.isEmpty() ? QLineEdit::Normal : QLineEdit::Password);
        line->setMaxLength(maxLength > 0 ? maxLength : std::numeric_limits<int>::max());
    }
}

void saveTextBox(const QWidget* widget, PropertyBag& bag) {
    int scrollBars = 0;
    bool border = true;
    bool locked = false;
    bool masked = false;
    qint32 maxLength = 0;
    QString text;
    if (const auto* box = qobject_cast<const QPlainTextEdit*>(widget)) {
        text = box->toPlainText();
        border = box->frameShape() != QFrame::NoFrame;
        locked = box->isReadOnly();
        scrollBars = (box->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn ? kHorizontal : 0) |
                     (box->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn ? kVertical : 0);
    } else if (const auto* line = qobject_cast<const QLineEdit*>(widget)) {
        text = line->text();
        border = line->hasFrame();
        locked = line->isReadOnly();
        masked = line->echoMode() != QLineEdit::Normal;
        maxLength = line->maxLength() == std::numeric_limits<int>::max() ? 0 : line->maxLength();
    }
    bag.write(u"Text", text);
    bag.write(u"MultiLine", qobject_cast<const QPlainTextEdit*>(widget) != nullptr);
    bag.write(u"ScrollBars", qint16(scrollBars));
    bag.write(u"Locked", locked);
    bag.write(u"BorderStyle", qint16(border ? 1 : 0));
    bag.write(u"PasswordChar", masked ? QStringLiteral("*") : QString());
    bag.write(u"MaxLength", maxLength);
}

// BackStyle: 0 transparent, 1 opaque.
void applyLabel(QLabel* label, const PropertyBag& bag) {
    label->setText(need(bag.readString(u"Caption", QString()), "Caption"));
    label->setAutoFillBackground(need(bag.readInteger(u"BackStyle", 1), "BackStyle") != 0);
    // Text from the top left, wrapped at the label's width.
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
}

void saveLabel(const QLabel* label, PropertyBag& bag) {
    bag.write(u"Caption", label->text());
    bag.write(u"BackStyle", qint16(label->autoFillBackground() ? 1 : 0));
}

} // namespace

QString builtInFormText(const QString& formName) {
    initResources();
    QFile file(QStringLiteral(":/forms/%1.form").arg(formName));
    if (!file.open(QIODevice::ReadOnly)) {
        throw FormError(
            QStringLiteral("%1.form: %2").arg(formName, file.errorString()).toStdString());
    }
    return QString::fromUtf8(file.readAll());
}

FormDescription builtInForm(const QString& formName) {
    const QString text = builtInFormText(formName);
    QString error;
    std::optional<FormDescription> form = readFormDescription(text, &error);
    if (!form) {
        throw FormError(QStringLiteral("%1.form %2").arg(formName, error).toStdString());
    }
    return std::move(*form);
}

FormControls::FormControls(QWidget* form, FormDescription description,
                           const QHash<QString, QWidget*>& provided)
    : m_form(form), m_description(std::move(description)) {
    const PropertyBag& own = m_description.properties;
    if (const auto caption = own.readString(u"Caption", QString()); own.contains(u"Caption")) {
        form->setWindowTitle(caption.value);
    }
    if (!m_description.accessibleName.isEmpty()) {
        form->setAccessibleName(m_description.accessibleName);
    }
    if (own.contains(u"BackColor")) {
        QPalette colours = form->palette();
        colours.setColor(QPalette::Window,
                         toQColor(own.readColour(u"BackColor", systemColour(ButtonFace)).value));
        form->setPalette(colours);
        form->setAutoFillBackground(true);
    }

    QHash<QString, QWidget*> providedByName;
    for (auto it = provided.begin(); it != provided.end(); ++it) {
        providedByName.insert(it.key().toLower(), it.value());
    }
    for (const ControlDescription& c : m_description.controls) {
        QWidget* container = c.container.compare(m_description.name, Qt::CaseInsensitive) == 0
                                 ? form
                                 : widget(c.container);
        if (container == nullptr) {
            throw FormError(
                QStringLiteral("%1: no container \"%2\"").arg(c.name, c.container).toStdString());
        }
        QWidget* w = make(c, container, providedByName.value(c.name.toLower()));
        if (!c.accessibleName.isEmpty()) {
            w->setAccessibleName(c.accessibleName);
        }
        m_widgets.insert(c.name.toLower(), w);
    }

    // The focusable controls in tab order; a control with a tab index that
    // takes no focus (the 3D line) is passed over.
    std::vector<std::pair<int, QWidget*>> order;
    for (const ControlDescription& c : m_description.controls) {
        QWidget* w = widget(c.name);
        if (c.tabIndex && (w->focusPolicy() & Qt::TabFocus) != 0) {
            order.emplace_back(*c.tabIndex, w);
        }
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [index, w] : order) {
        if (!m_tabOrder.isEmpty()) {
            QWidget::setTabOrder(m_tabOrder.last(), w);
        }
        m_tabOrder.append(w);
    }
}

QWidget* FormControls::make(const ControlDescription& c, QWidget* container, QWidget* provided) {
    const FontDesc font =
        m_description.properties.readFont(u"Font", FontDesc()).value; // the window's font
    const QPoint origin = container == m_form ? m_form->contentsRect().topLeft() : QPoint();
    const QRect place(origin + QPoint(twipsToPixels(c.position.x()), twipsToPixels(c.position.y())),
                      pixelSize(c));
    const auto fault = [&](const QString& what) {
        return FormError(
            QStringLiteral("%1.form: %2: %3").arg(m_description.name, c.name, what).toStdString());
    };

    if (const ControlType* type = registry().find(c.kind)) {
        if (!c.himetric) {
            throw fault(QStringLiteral("a %1 is sized by an \"extent\"").arg(c.kind));
        }
        SkinnedControl* control = type->create(container);
        control->setObjectName(c.name);
        AmbientProperties ambient;
        ambient.displayName = c.name;
        ambient.font = font;
        ambient.userMode = true;
        control->setAmbient(ambient);
        control->setGeometry(place);
        PropertyBag bag = c.properties;
        bag.setExtent(c.size);
        control->readProperties(bag); // reports each value it cannot load
        return control;
    }
    if (c.kind != u"TextBox" && c.kind != u"Label") {
        throw fault(QStringLiteral("unknown kind \"%1\"").arg(c.kind));
    }
    if (c.himetric) {
        throw fault(QStringLiteral("a %1 is sized by a \"size\" in twips").arg(c.kind));
    }
    QWidget* w = nullptr;
    try {
        if (c.kind == u"TextBox") {
            const bool multiLine = need(c.properties.readBoolean(u"MultiLine", false), "MultiLine");
            w = provided != nullptr ? provided
                : multiLine         ? static_cast<QWidget*>(new QPlainTextEdit)
                                    : static_cast<QWidget*>(new QLineEdit);
            if (multiLine ? !qobject_cast<QPlainTextEdit*>(w) : !qobject_cast<QLineEdit*>(w)) {
                throw fault(QStringLiteral("the window's own text box is not a %1-line box")
                                .arg(multiLine ? "multi" : "single"));
            }
            applyTextBox(w, c.properties);
        } else {
            auto* label = provided != nullptr ? qobject_cast<QLabel*>(provided) : new QLabel;
            if (label == nullptr) {
                throw fault(QStringLiteral("the window's own label is not a label"));
            }
            w = label;
            applyLabel(label, c.properties);
        }
    } catch (...) {
        if (w != provided) {
            delete w;
        }
        try {
            throw;
        } catch (const BadValue& bad) {
            throw fault(bad.what);
        }
    }
    w->setParent(container);
    w->setObjectName(c.name);
    w->setFont(drawingFont(font));
    w->setGeometry(place);
    return w;
}

QWidget* FormControls::widget(QStringView name) const {
    return m_widgets.value(name.toString().toLower());
}

void FormControls::missing(QStringView name, const char* className) const {
    throw FormError(QStringLiteral("%1.form: no %2 \"%3\"")
                        .arg(m_description.name, QLatin1String(className), name)
                        .toStdString());
}

QSize clientSizeInPixels(const FormDescription& description) {
    return twipsToPixels(description.clientSize);
}

QSize FormControls::clientSize() const {
    return clientSizeInPixels(m_description);
}

FormDescription FormControls::save() const {
    FormDescription out = m_description;
    out.clientSize = m_form->contentsRect().size() * kTwipsPerPixel;
    for (ControlDescription& c : out.controls) {
        const QWidget* w = widget(c.name);
        const QWidget* container = w->parentWidget();
        c.container = container == m_form ? out.name : container->objectName();
        const QPoint origin = container == m_form ? m_form->contentsRect().topLeft() : QPoint();
        c.position = (w->pos() - origin) * kTwipsPerPixel;
        // Each side keeps its stored length while that still gives its pixels.
        const QSize stored = pixelSize(c);
        const QSize now = c.himetric ? pixelsToHimetric(w->size()) : w->size() * kTwipsPerPixel;
        if (stored.width() != w->width()) {
            c.size.setWidth(now.width());
        }
        if (stored.height() != w->height()) {
            c.size.setHeight(now.height());
        }
        c.properties = PropertyBag();
        if (const auto* control = qobject_cast<const SkinnedControl*>(w)) {
            control->writeProperties(c.properties);
        } else if (const auto* label = qobject_cast<const QLabel*>(w)) {
            saveLabel(label, c.properties);
        } else {
            saveTextBox(w, c.properties);
        }
    }
    return out;
}

} // namespace zephral
