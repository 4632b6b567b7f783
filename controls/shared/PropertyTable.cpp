#include "shared/PropertyTable.h"

#include <algorithm>
#include <array>
#include <optional>

namespace zephral {

QString propertyToText(PropertyKind kind, const PropertyValue& value) {
    if (kind == PropertyKind::ColourValue) {
        const Colour c = Colour(std::get<qint32>(value));
        return isSystemColour(c) ? QLatin1String("0x") + QString::number(c, 16).toUpper()
                                 : QString::number(c);
    }
    return valueToText(value);
}

ReadResult<PropertyValue> propertyFromText(PropertyKind kind, QStringView text) {
    // A colour is stored as a Long; the other kinds are stored types of their own.
    static constexpr std::array<PropertyType, 8> kStored = {
        PropertyType::Long,   PropertyType::Integer, PropertyType::Boolean, PropertyType::String,
        PropertyType::Single, PropertyType::Long,    PropertyType::Font,    PropertyType::Picture};
    ReadResult<PropertyValue> read = valueFromText(kStored[size_t(kind)], text);
    if (kind == PropertyKind::ColourValue && read.ok() &&
        !isValidColour(Colour(std::get<qint32>(read.value)))) {
        read.error = ControlError::invalidValue();
    }
    return read;
}

QString kindName(PropertyKind kind) {
    static constexpr std::array<const char*, 8> kNames = {
        "Long", "Integer", "Boolean", "String", "Single", "Colour", "Font", "Picture"};
    return QString::fromLatin1(kNames[size_t(kind)]);
}

ReadResult<PropertyValue> readStored(const PropertyBag& bag, PropertyKind kind, QStringView key,
                                     const PropertyValue& fallback) {
    auto read = [](auto r) { return ReadResult<PropertyValue>{PropertyValue(r.value), r.error}; };
    switch (kind) {
    case PropertyKind::Long:
        return read(bag.readLong(key, std::get<qint32>(fallback)));
    case PropertyKind::Integer:
        return read(bag.readInteger(key, std::get<qint16>(fallback)));
    case PropertyKind::Boolean:
        return read(bag.readBoolean(key, std::get<bool>(fallback)));
    case PropertyKind::String:
        return read(bag.readString(key, std::get<QString>(fallback)));
    case PropertyKind::Single:
        return read(bag.readSingle(key, std::get<float>(fallback)));
    case PropertyKind::ColourValue: {
        const ReadResult<Colour> r = bag.readColour(key, Colour(std::get<qint32>(fallback)));
        return {PropertyValue(qint32(r.value)), r.error};
    }
    case PropertyKind::Font:
        return read(bag.readFont(key, std::get<FontDesc>(fallback)));
    case PropertyKind::Picture:
        return read(bag.readPicture(key, std::get<Picture>(fallback)));
    }
    return {fallback, ControlError::typeMismatch()};
}

bool holdsKind(PropertyKind kind, const PropertyValue& value) {
    static constexpr std::array<PropertyType, 8> kStored = {
        PropertyType::Long,   PropertyType::Integer, PropertyType::Boolean, PropertyType::String,
        PropertyType::Single, PropertyType::Long,    PropertyType::Font,    PropertyType::Picture};
    return typeOf(value) == kStored[size_t(kind)];
}

namespace {

// The whole number a Long or Integer holds, or none.
std::optional<qint64> wholeNumber(const PropertyValue& value) {
    if (const auto* v = std::get_if<qint32>(&value)) {
        return *v;
    }
    if (const auto* v = std::get_if<qint16>(&value)) {
        return *v;
    }
    return std::nullopt;
}

} // namespace

std::function<ControlError(PropertyValue&)> rangeRule(qint64 first, qint64 last) {
    return [first, last](PropertyValue& value) -> ControlError {
        const std::optional<qint64> v = wholeNumber(value);
        return v && (*v < first || *v > last) ? ControlError::invalidValue() : ControlError{};
    };
}

std::function<ControlError(PropertyValue&)> clampRule(qint64 first, qint64 last) {
    return [first, last](PropertyValue& value) -> ControlError {
        if (const std::optional<qint64> v = wholeNumber(value)) {
            const qint64 kept = std::clamp(*v, first, last);
            value = std::holds_alternative<qint16>(value) ? PropertyValue(qint16(kept))
                                                          : PropertyValue(qint32(kept));
        }
        return {};
    };
}

const PropertyRow* PropertyTable::find(QStringView name) const {
    for (const PropertyRow& row : m_rows) {
        if (QStringView(row.name).compare(name, Qt::CaseInsensitive) == 0) {
            return &row;
        }
    }
    return nullptr;
}

QStringList PropertyTable::names() const {
    QStringList names;
    for (const PropertyRow& row : m_rows) {
        names.append(row.name);
    }
    return names;
}

QStringList PropertyTable::keys() const {
    QStringList keys;
    for (const PropertyRow& row : m_rows) {
        if (!row.key.isEmpty()) {
            keys.append(row.key);
        }
    }
    return keys;
}

} // namespace zephral
