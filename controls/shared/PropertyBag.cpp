#include "shared/PropertyBag.h"

#include <array>
#include <cmath>
#include <limits>

namespace zephral {

namespace {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};

std::optional<qint32> longFromText(QStringView text) {
    text = text.trimmed();
    bool ok = false;
    if (text.startsWith(u"0x", Qt::CaseInsensitive)) {
        const QStringView digits = text.mid(2);
        const uint value = digits.size() <= 8 ? digits.toUInt(&ok, 16) : 0;
        return ok ? std::optional<qint32>(qint32(value)) : std::nullopt;
    }
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional<qint32>(value) : std::nullopt;
}

std::optional<bool> booleanFromText(QStringView text) {
    text = text.trimmed();
    if (text.compare(u"True", Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (text.compare(u"False", Qt::CaseInsensitive) == 0) {
        return false;
    }
    return std::nullopt;
}

QString singleToText(float value) {
    for (int precision = 6; precision < 9; ++precision) {
        const QString text = QString::number(double(value), 'g', precision);
        if (text.toFloat() == value) {
            return text;
        }
    }
    return QString::number(double(value), 'g', 9);
}

// Single or text -> Long, rounding halves to even.
ReadResult<qint32> roundToLong(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<qint32>::min() &&
          rounded <= std::numeric_limits<qint32>::max())) {
        return {0, ControlError::overflow()};
    }
    return {qint32(rounded), {}};
}

ReadResult<qint32> toLong(const PropertyValue& value) {
    return std::visit(
        Overloaded{
            [](qint32 v) -> ReadResult<qint32> {
                return {v, {}};
            },
            [](qint16 v) -> ReadResult<qint32> {
                return {v, {}};
            },
            [](bool v) -> ReadResult<qint32> {
                return {v ? -1 : 0, {}};
            },
            [](float v) -> ReadResult<qint32> { return roundToLong(v); },
            [](const QString& v) -> ReadResult<qint32> {
                if (const std::optional<qint32> n = longFromText(v)) {
                    return {*n, {}};
                }
                bool ok = false;
                const double d = QStringView(v).trimmed().toDouble(&ok);
                return ok ? roundToLong(d) : ReadResult<qint32>{0, ControlError::typeMismatch()};
            },
            [](const auto&) -> ReadResult<qint32> {
                return {0, ControlError::typeMismatch()};
            },
        },
        value);
}

ReadResult<float> toSingle(const PropertyValue& value) {
    return std::visit(Overloaded{
                          [](qint32 v) -> ReadResult<float> {
                              return {float(v), {}};
                          },
                          [](qint16 v) -> ReadResult<float> {
                              return {float(v), {}};
                          },
                          [](bool v) -> ReadResult<float> {
                              return {v ? -1.0f : 0.0f, {}};
                          },
                          [](float v) -> ReadResult<float> {
                              return {v, {}};
                          },
                          [](const QString& v) -> ReadResult<float> {
                              bool ok = false;
                              const float f = QStringView(v).trimmed().toFloat(&ok);
                              return ok ? ReadResult<float>{f, {}}
                                        : ReadResult<float>{0, ControlError::typeMismatch()};
                          },
                          [](const auto&) -> ReadResult<float> {
                              return {0, ControlError::typeMismatch()};
                          },
                      },
                      value);
}

ReadResult<QString> toText(const PropertyValue& value) {
    return std::visit(Overloaded{
                          [](qint32 v) -> ReadResult<QString> {
                              return {QString::number(v), {}};
                          },
                          [](qint16 v) -> ReadResult<QString> {
                              return {QString::number(v), {}};
                          },
                          [](bool v) -> ReadResult<QString> {
                              return {v ? QStringLiteral("True") : QStringLiteral("False"), {}};
                          },
                          [](float v) -> ReadResult<QString> {
                              return {singleToText(v), {}};
                          },
                          [](const QString& v) -> ReadResult<QString> {
                              return {v, {}};
                          },
                          [](const auto&) -> ReadResult<QString> {
                              return {{}, ControlError::typeMismatch()};
                          },
                      },
                      value);
}

} // namespace

PropertyType typeOf(const PropertyValue& value) {
    return PropertyType(value.index());
}

namespace {
constexpr std::array<const char16_t*, 7> kTypeNames = {u"Long",   u"Integer", u"Boolean", u"String",
                                                       u"Single", u"Font",    u"Picture"};
}

QString typeName(PropertyType type) {
    return QString::fromUtf16(kTypeNames[size_t(type)]);
}

std::optional<PropertyType> typeFromName(QStringView name) {
    for (size_t i = 0; i < kTypeNames.size(); ++i) {
        if (name.compare(QStringView(kTypeNames[i]), Qt::CaseInsensitive) == 0) {
            return PropertyType(i);
        }
    }
    return std::nullopt;
}

QString valueToText(const PropertyValue& value) {
    return std::visit(Overloaded{
                          [](qint32 v) {
                              return v < 0 ? QLatin1String("0x") +
                                                 QString::number(quint32(v), 16).toUpper()
                                           : QString::number(v);
                          },
                          [](const FontDesc& v) { return fontToText(v); },
                          [](const Picture& v) { return v.source(); },
                          [&value](const auto&) { return toText(value).value; },
                      },
                      value);
}

ReadResult<PropertyValue> valueFromText(PropertyType type, QStringView text) {
    using R = ReadResult<PropertyValue>;
    switch (type) {
    case PropertyType::Long: {
        const std::optional<qint32> v = longFromText(text);
        return v ? R{*v, {}} : R{{}, ControlError::invalidValue()};
    }
    case PropertyType::Integer: {
        const std::optional<qint32> v = longFromText(text);
        if (!v) {
            return {{}, ControlError::invalidValue()};
        }
        if (*v < std::numeric_limits<qint16>::min() || *v > std::numeric_limits<qint16>::max()) {
            return {{}, ControlError::overflow()};
        }
        return {qint16(*v), {}};
    }
    case PropertyType::Boolean: {
        const std::optional<bool> v = booleanFromText(text);
        return v ? R{*v, {}} : R{{}, ControlError::invalidValue()};
    }
    case PropertyType::String:
        return {text.toString(), {}};
    case PropertyType::Single: {
        bool ok = false;
        const float v = text.trimmed().toFloat(&ok);
        return ok && std::isfinite(v) ? R{v, {}} : R{{}, ControlError::invalidValue()};
    }
    case PropertyType::Font: {
        const std::optional<FontDesc> v = fontFromText(text);
        return v ? R{*v, {}} : R{{}, ControlError::invalidValue()};
    }
    case PropertyType::Picture: {
        Picture picture;
        QString why;
        if (!Picture::load(text.toString(), picture, &why)) {
            return {{}, ControlError::invalidPicture(why)};
        }
        return {picture, {}};
    }
    }
    return {{}, ControlError::invalidValue()};
}

qsizetype PropertyBag::indexOf(QStringView name) const {
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (QStringView(m_entries[i].name).compare(name, Qt::CaseInsensitive) == 0) {
            return qsizetype(i);
        }
    }
    return -1;
}

const PropertyBag::Entry* PropertyBag::find(QStringView name) const {
    const qsizetype i = indexOf(name);
    return i < 0 ? nullptr : &m_entries[size_t(i)];
}

void PropertyBag::write(QStringView name, const PropertyValue& value) {
    qsizetype i = indexOf(name);
    if (i < 0) {
        i = qsizetype(m_entries.size());
        m_entries.emplace_back();
        m_entries.back().name = name.toString();
    }
    m_entries[size_t(i)].value = value;
}

void PropertyBag::writeIfNotDefault(QStringView name, const PropertyValue& value,
                                    const PropertyValue& fallback) {
    if (!(value == fallback)) {
        write(name, value);
    }
}

bool PropertyBag::remove(QStringView name) {
    const qsizetype i = indexOf(name);
    if (i < 0) {
        return false;
    }
    m_entries.erase(m_entries.begin() + i);
    return true;
}

namespace {
// A failed read gives the caller its fallback together with the error.
template <class T>
ReadResult<T> orFallback(ReadResult<T> read, const T& fallback) {
    if (!read.ok()) {
        read.value = fallback;
    }
    return read;
}
} // namespace

ReadResult<qint32> PropertyBag::readLong(QStringView name, qint32 fallback) const {
    const Entry* e = find(name);
    return e != nullptr ? orFallback(toLong(e->value), fallback) : ReadResult<qint32>{fallback, {}};
}

ReadResult<qint16> PropertyBag::readInteger(QStringView name, qint16 fallback) const {
    const Entry* e = find(name);
    if (e == nullptr) {
        return {fallback, {}};
    }
    const ReadResult<qint32> v = toLong(e->value);
    if (!v.ok()) {
        return {fallback, v.error};
    }
    if (v.value < std::numeric_limits<qint16>::min() ||
        v.value > std::numeric_limits<qint16>::max()) {
        return {fallback, ControlError::overflow()};
    }
    return {qint16(v.value), {}};
}

ReadResult<bool> PropertyBag::readBoolean(QStringView name, bool fallback) const {
    const Entry* e = find(name);
    if (e == nullptr) {
        return {fallback, {}};
    }
    if (const bool* b = std::get_if<bool>(&e->value)) {
        return {*b, {}};
    }
    if (const QString* s = std::get_if<QString>(&e->value)) {
        if (const std::optional<bool> b = booleanFromText(*s)) {
            return {*b, {}};
        }
    }
    const ReadResult<float> v = toSingle(e->value);
    return v.ok() ? ReadResult<bool>{v.value != 0, {}} : ReadResult<bool>{fallback, v.error};
}

ReadResult<QString> PropertyBag::readString(QStringView name, const QString& fallback) const {
    const Entry* e = find(name);
    return e != nullptr ? orFallback(toText(e->value), fallback)
                        : ReadResult<QString>{fallback, {}};
}

ReadResult<float> PropertyBag::readSingle(QStringView name, float fallback) const {
    const Entry* e = find(name);
    return e != nullptr ? orFallback(toSingle(e->value), fallback)
                        : ReadResult<float>{fallback, {}};
}

ReadResult<FontDesc> PropertyBag::readFont(QStringView name, const FontDesc& fallback) const {
    const Entry* e = find(name);
    if (e == nullptr) {
        return {fallback, {}};
    }
    const FontDesc* f = std::get_if<FontDesc>(&e->value);
    return f != nullptr ? ReadResult<FontDesc>{*f, {}}
                        : ReadResult<FontDesc>{fallback, ControlError::typeMismatch()};
}

ReadResult<Picture> PropertyBag::readPicture(QStringView name, const Picture& fallback) const {
    const Entry* e = find(name);
    if (e == nullptr) {
        return {fallback, {}};
    }
    const Picture* p = std::get_if<Picture>(&e->value);
    return p != nullptr ? ReadResult<Picture>{*p, {}}
                        : ReadResult<Picture>{fallback, ControlError::typeMismatch()};
}

ReadResult<Colour> PropertyBag::readColour(QStringView name, Colour fallback) const {
    const ReadResult<qint32> v = readLong(name, qint32(fallback));
    if (!v.ok()) {
        return {fallback, v.error};
    }
    if (!isValidColour(Colour(v.value))) {
        return {fallback, ControlError::invalidValue()};
    }
    return {Colour(v.value), {}};
}

} // namespace zephral
