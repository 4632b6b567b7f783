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
    switch (kind) {
    case PropertyKind::Long:
        return valueFromText(PropertyType::Long, text);
    case PropertyKind::Integer:
        return valueFromText(PropertyType::Integer, text);
    case PropertyKind::Boolean:
        return valueFromText(PropertyType::Boolean, text);
    case PropertyKind::String:
        return valueFromText(PropertyType::String, text);
    case PropertyKind::Single:
        return valueFromText(PropertyType::Single, text);
    case PropertyKind::Font:
        return valueFromText(PropertyType::Font, text);
    case PropertyKind::Picture:
        return valueFromText(PropertyType::Picture, text);
    case PropertyKind::ColourValue: {
        ReadResult<PropertyValue> read = valueFromText(PropertyType::Long, text);
        if (read.ok() && !isValidColour(Colour(std::get<qint32>(read.value)))) {
            read.error = ControlError::invalidValue();
        }
        return read;
    }
    }
    return {{}, ControlError::invalidValue()};
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
