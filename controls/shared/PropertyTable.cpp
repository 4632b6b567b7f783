#include "shared/PropertyTable.h"

#include <array>

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

const PropertyDef* PropertyTable::find(QStringView name) const {
    for (const PropertyDef& def : m_properties) {
        if (QStringView(def.name).compare(name, Qt::CaseInsensitive) == 0) {
            return &def;
        }
    }
    return nullptr;
}

QStringList PropertyTable::names() const {
    QStringList names;
    for (const PropertyDef& def : m_properties) {
        names.append(def.name);
    }
    return names;
}

} // namespace zephral
