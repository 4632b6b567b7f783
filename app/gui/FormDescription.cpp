#include "gui/FormDescription.h"

#include <QRegularExpression>
#include <QSet>

namespace zephral {

namespace {

constexpr qsizetype kKeyColumn = 20; // width of the key column, indent excluded
constexpr qsizetype kTypeColumn = 9;
const QString kIndent = QStringLiteral("    ");

bool isQuotedType(PropertyType type) {
    return type == PropertyType::String || type == PropertyType::Font ||
           type == PropertyType::Picture;
}

QString padded(const QString& text, qsizetype width) {
    return text.size() < width ? text.leftJustified(width) : text + u' ';
}

QString line(const QString& key, const QString& rest) {
    return kIndent + padded(key, kKeyColumn) + rest + u'\n';
}

void writeNotes(QString& out, const QStringList& notes) {
    for (const QString& note : notes) {
        out += note.isEmpty() ? QStringLiteral("#\n") : QStringLiteral("# ") + note + u'\n';
    }
}

void writeProperties(QString& out, const PropertyBag& bag) {
    for (const PropertyBag::Entry& e : bag.entries()) {
        const PropertyType type = typeOf(e.value);
        const QString text = valueToText(e.value);
        out += line(e.name, padded(typeName(type), kTypeColumn) +
                                (isQuotedType(type) ? quoteText(text) : text));
    }
}

QString pair(int a, int b) {
    return QString::number(a) + u' ' + QString::number(b);
}

// One block while it is read.
struct Block {
    bool isForm = false;
    int startLine = 0;
    QSet<QString> seen; // lower-case keys and keywords given so far
};

class Reader {
public:
    explicit Reader(QStringView text) : m_lines(text.split(u'\n')) {}

    std::optional<FormDescription> read(QString* error) {
        FormDescription form;
        QStringList notes;
        std::optional<Block> block;
        QSet<QString> names;
        for (qsizetype i = 0; i < m_lines.size(); ++i) {
            m_lineNo = int(i) + 1;
            QStringView raw = m_lines[i];
            if (raw.endsWith(u'\r')) {
                raw.chop(1);
            }
            const QStringView text = raw.trimmed();
            if (!block) {
                if (text.isEmpty()) {
                    continue;
                }
                if (text.startsWith(u'#')) {
                    // "# note": the one blank after "#" is the writer's.
                    QStringView note = text.mid(1);
                    if (note.startsWith(u' ')) {
                        note = note.mid(1);
                    }
                    notes.append(note.toString());
                    continue;
                }
                const QList<QStringView> words = text.split(u' ', Qt::SkipEmptyParts);
                if (words[0] == u"form" && words.size() == 2) {
                    if (!form.name.isEmpty() || !form.controls.empty()) {
                        return fail(error, QStringLiteral("the window is described twice"));
                    }
                    form.name = words[1].toString();
                    form.notes = std::exchange(notes, {});
                    block = Block{true, m_lineNo, {}};
                    names.insert(form.name.toLower());
                } else if (words[0] == u"control" && words.size() == 3) {
                    if (form.name.isEmpty()) {
                        return fail(error, QStringLiteral("the window comes before its controls"));
                    }
                    const QString name = words[1].toString();
                    if (names.contains(name.toLower())) {
                        return fail(error, QStringLiteral("\"%1\" is described twice").arg(name));
                    }
                    names.insert(name.toLower());
                    ControlDescription c;
                    c.notes = std::exchange(notes, {});
                    c.name = name;
                    c.kind = words[2].toString();
                    form.controls.push_back(std::move(c));
                    block = Block{false, m_lineNo, {}};
                } else {
                    return fail(error, QStringLiteral("expected \"form NAME\" or \"control NAME "
                                                      "KIND\", not \"%1\"")
                                           .arg(text));
                }
                continue;
            }
            if (text.isEmpty()) {
                continue;
            }
            if (text.startsWith(u'#')) {
                return fail(error, QStringLiteral("comments go before a block, not inside it"));
            }
            if (text == u"end") {
                if (!finish(*block, form, names, error)) {
                    return std::nullopt;
                }
                block.reset();
                continue;
            }
            if (!readLine(text, *block, form, error)) {
                return std::nullopt;
            }
        }
        if (block) {
            m_lineNo = block->startLine;
            return fail(error, QStringLiteral("the block has no \"end\""));
        }
        if (form.name.isEmpty()) {
            return fail(error, QStringLiteral("no \"form\" block"));
        }
        if (!notes.isEmpty()) {
            return fail(error, QStringLiteral("comments at the end belong to no block"));
        }
        return form;
    }

private:
    std::nullopt_t fail(QString* error, const QString& what) const {
        if (error != nullptr) {
            *error = QStringLiteral("line %1: %2").arg(m_lineNo).arg(what);
        }
        return std::nullopt;
    }

    bool failed(QString* error, const QString& what) const {
        fail(error, what);
        return false;
    }

    // Two whole numbers, the second optional for "tabindex".
    bool numbers(QStringView rest, int count, int* out, bool nonNegative, QString* error) const {
        const QList<QStringView> parts = rest.split(u' ', Qt::SkipEmptyParts);
        bool ok = parts.size() == count;
        for (int i = 0; ok && i < count; ++i) {
            out[i] = parts[i].toInt(&ok);
            ok = ok && (!nonNegative || out[i] >= 0);
        }
        return ok || failed(error, QStringLiteral("expected %1 whole number%2, not \"%3\"")
                                       .arg(count)
                                       .arg(count == 1 ? "" : "s")
                                       .arg(rest));
    }

    bool readLine(QStringView text, Block& block, FormDescription& form, QString* error) {
        static const QRegularExpression kLine(QStringLiteral("^([A-Za-z0-9_]+)(?:\\s+(.*))?$"));
        const QRegularExpressionMatch m = kLine.match(text.toString());
        if (!m.hasMatch()) {
            return failed(error, QStringLiteral("expected KEY TYPE VALUE, not \"%1\"").arg(text));
        }
        const QString key = m.captured(1);
        const QString rest = m.captured(2);
        if (block.seen.contains(key.toLower())) {
            return failed(error, QStringLiteral("\"%1\" is given twice").arg(key));
        }
        block.seen.insert(key.toLower());

        ControlDescription* control = block.isForm ? nullptr : &form.controls.back();
        int v[2] = {0, 0};
        if (block.isForm && key == u"client") {
            if (!numbers(rest, 2, v, true, error)) {
                return false;
            }
            form.clientSize = QSize(v[0], v[1]);
            return true;
        }
        if (key == u"accessible") {
            const std::optional<QString> name = unquoteText(rest);
            if (!name || name->isEmpty()) {
                return failed(error,
                              QStringLiteral("expected a quoted name, not \"%1\"").arg(rest));
            }
            (control != nullptr ? control->accessibleName : form.accessibleName) = *name;
            return true;
        }
        if (control != nullptr) {
            if (key == u"container") {
                if (rest.isEmpty() || rest.contains(u' ')) {
                    return failed(error, QStringLiteral("expected the container's name"));
                }
                control->container = rest;
                return true;
            }
            if (key == u"position") {
                if (!numbers(rest, 2, v, false, error)) {
                    return false;
                }
                control->position = QPoint(v[0], v[1]);
                return true;
            }
            if (key == u"extent" || key == u"size") {
                if (block.seen.contains(key == u"extent" ? QStringLiteral("size")
                                                         : QStringLiteral("extent"))) {
                    return failed(error, QStringLiteral("a control has an extent or a size, "
                                                        "not both"));
                }
                if (!numbers(rest, 2, v, true, error)) {
                    return false;
                }
                control->size = QSize(v[0], v[1]);
                control->himetric = key == u"extent";
                return true;
            }
            if (key == u"tabindex") {
                if (!numbers(rest, 1, v, true, error)) {
                    return false;
                }
                control->tabIndex = v[0];
                return true;
            }
        }
        return readProperty(key, rest, control != nullptr ? control->properties : form.properties,
                            error);
    }

    bool readProperty(const QString& key, QStringView rest, PropertyBag& bag, QString* error) {
        const qsizetype space = rest.indexOf(u' ');
        const QStringView typeText = space < 0 ? rest : rest.left(space);
        const std::optional<PropertyType> type = typeFromName(typeText);
        if (typeText.isEmpty() || !type) {
            return failed(error, QStringLiteral("\"%1\" needs a type (Long, Integer, Boolean, "
                                                "String, Single, Font or Picture), not \"%2\"")
                                     .arg(key, typeText));
        }
        QStringView valueText = space < 0 ? QStringView() : rest.mid(space + 1).trimmed();
        QString value = valueText.toString();
        if (isQuotedType(*type)) {
            const std::optional<QString> unquoted = unquoteText(valueText);
            if (!unquoted) {
                return failed(
                    error, QStringLiteral("the value of \"%1\" is not one quoted text").arg(key));
            }
            value = *unquoted;
        }
        const ReadResult<PropertyValue> read = valueFromText(*type, value);
        if (!read.ok()) {
            return failed(error, QStringLiteral("bad %1 value for \"%2\": %3")
                                     .arg(typeName(*type), key, read.error.description));
        }
        bag.write(key, read.value);
        return true;
    }

    bool finish(const Block& block, FormDescription& form, const QSet<QString>& names,
                QString* error) const {
        const auto need = [&](const char* keyword) {
            return block.seen.contains(QLatin1String(keyword)) ||
                   failed(error, QStringLiteral("the block has no \"%1\"").arg(keyword));
        };
        if (block.isForm) {
            return need("client");
        }
        const ControlDescription& c = form.controls.back();
        if (!need("container") || !need("position")) {
            return false;
        }
        if (!block.seen.contains(QStringLiteral("extent")) &&
            !block.seen.contains(QStringLiteral("size"))) {
            return failed(error, QStringLiteral("the block has no \"extent\" or \"size\""));
        }
        // The container must already exist when the control is made.
        if (c.container.compare(c.name, Qt::CaseInsensitive) == 0 ||
            !names.contains(c.container.toLower())) {
            return failed(error, QStringLiteral("container \"%1\" is not described before \"%2\"")
                                     .arg(c.container, c.name));
        }
        return true;
    }

    QList<QStringView> m_lines;
    int m_lineNo = 0;
};

} // namespace

const ControlDescription* FormDescription::find(QStringView controlName) const {
    for (const ControlDescription& c : controls) {
        if (QStringView(c.name).compare(controlName, Qt::CaseInsensitive) == 0) {
            return &c;
        }
    }
    return nullptr;
}

QString quoteText(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.isSurrogate()) {
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            } else {
                out += c;
            }
        }
    }
    out += u'"';
    return out;
}

std::optional<QString> unquoteText(QStringView quoted) {
    if (quoted.size() < 2 || !quoted.startsWith(u'"') || !quoted.endsWith(u'"')) {
        return std::nullopt;
    }
    const QStringView body = quoted.mid(1, quoted.size() - 2);
    QString out;
    out.reserve(body.size());
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body[i];
        if (c == u'"') {
            return std::nullopt; // an unescaped quote ends the text early
        }
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i >= body.size()) {
            return std::nullopt;
        }
        switch (body[i].unicode()) {
        case u'"':
            out += u'"';
            break;
        case u'\\':
            out += u'\\';
            break;
        case u'n':
            out += u'\n';
            break;
        case u'r':
            out += u'\r';
            break;
        case u't':
            out += u'\t';
            break;
        case u'u': {
            bool ok = false;
            const uint code = i + 4 < body.size() ? body.mid(i + 1, 4).toUInt(&ok, 16) : 0;
            if (!ok) {
                return std::nullopt;
            }
            out += QChar(char16_t(code));
            i += 4;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

std::optional<FormDescription> readFormDescription(QStringView text, QString* error) {
    return Reader(text).read(error);
}

QString writeFormDescription(const FormDescription& form) {
    QString out;
    writeNotes(out, form.notes);
    out += QStringLiteral("form ") + form.name + u'\n';
    out += line(QStringLiteral("client"), pair(form.clientSize.width(), form.clientSize.height()));
    if (!form.accessibleName.isEmpty()) {
        out += line(QStringLiteral("accessible"), quoteText(form.accessibleName));
    }
    writeProperties(out, form.properties);
    out += QStringLiteral("end\n");
    for (const ControlDescription& c : form.controls) {
        out += u'\n';
        writeNotes(out, c.notes);
        out += QStringLiteral("control %1 %2\n").arg(c.name, c.kind);
        out += line(QStringLiteral("container"), c.container);
        out += line(QStringLiteral("position"), pair(c.position.x(), c.position.y()));
        out += line(c.himetric ? QStringLiteral("extent") : QStringLiteral("size"),
                    pair(c.size.width(), c.size.height()));
        if (c.tabIndex) {
            out += line(QStringLiteral("tabindex"), QString::number(*c.tabIndex));
        }
        if (!c.accessibleName.isEmpty()) {
            out += line(QStringLiteral("accessible"), quoteText(c.accessibleName));
        }
        writeProperties(out, c.properties);
        out += QStringLiteral("end\n");
    }
    return out;
}

} // namespace zephral
