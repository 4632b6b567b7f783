// A control's property table: every public property by name, with its kind
// and its getter and setter, so that a property can be written by name from
// its stored text form (the render tool's NAME=VALUE arguments, a window
// description's values). A control builds its table once:
//
//   static const PropertyTable table = PropertyTableBuilder<sknButton>()
//       .add("ButtonType", &sknButton::ButtonType, &sknButton::setButtonType)
//       .add("BackColor", &sknButton::BackColor, &sknButton::setBackColor)
//       .readOnly("Version", &sknButton::Version)
//       .build();
//
// The C++ type of the getter gives the kind: qint32 Long, qint16 Integer,
// bool Boolean, QString String, float Single, Colour (quint32) Colour,
// FontDesc Font, Picture Picture. A setter returns void, or a ControlError to
// refuse a value.
#pragma once

#include "shared/PropertyBag.h"

#include <QStringList>
#include <functional>
#include <type_traits>
#include <vector>

namespace zephral {

class SkinnedControl;

enum class PropertyKind { Long, Integer, Boolean, String, Single, ColourValue, Font, Picture };

// Text forms by kind: those of valueToText, except that a Colour is written
// as its decimal RGB value or, for a system colour, as 0x80000000 + index in
// hex ("0x8000000F"), and must be one of the two when read.
QString propertyToText(PropertyKind kind, const PropertyValue& value);
ReadResult<PropertyValue> propertyFromText(PropertyKind kind, QStringView text);
QString kindName(PropertyKind kind);

struct PropertyDef {
    QString name;
    PropertyKind kind = PropertyKind::Long;
    std::function<PropertyValue(const SkinnedControl&)> get;
    std::function<ControlError(SkinnedControl&, const PropertyValue&)> set; // empty: read-only
};

class PropertyTable {
public:
    PropertyTable() = default;
    explicit PropertyTable(std::vector<PropertyDef> properties)
        : m_properties(std::move(properties)) {}

    // By name, without regard to case; null when there is none.
    const PropertyDef* find(QStringView name) const;
    const std::vector<PropertyDef>& properties() const { return m_properties; }
    QStringList names() const;

private:
    std::vector<PropertyDef> m_properties;
};

template <class T>
struct PropertyTraits;

template <PropertyKind K, class T, class Stored>
struct PropertyTraitsOf {
    static constexpr PropertyKind kind = K;
    static PropertyValue wrap(const T& v) { return Stored(v); }
    static T unwrap(const PropertyValue& v) { return T(std::get<Stored>(v)); }
};
template <>
struct PropertyTraits<qint32> : PropertyTraitsOf<PropertyKind::Long, qint32, qint32> {};
template <>
struct PropertyTraits<qint16> : PropertyTraitsOf<PropertyKind::Integer, qint16, qint16> {};
template <>
struct PropertyTraits<bool> : PropertyTraitsOf<PropertyKind::Boolean, bool, bool> {};
template <>
struct PropertyTraits<QString> : PropertyTraitsOf<PropertyKind::String, QString, QString> {};
template <>
struct PropertyTraits<float> : PropertyTraitsOf<PropertyKind::Single, float, float> {};
template <>
struct PropertyTraits<Colour> : PropertyTraitsOf<PropertyKind::ColourValue, Colour, qint32> {};
template <>
struct PropertyTraits<FontDesc> : PropertyTraitsOf<PropertyKind::Font, FontDesc, FontDesc> {};
template <>
struct PropertyTraits<Picture> : PropertyTraitsOf<PropertyKind::Picture, Picture, Picture> {};

template <class C>
class PropertyTableBuilder {
public:
    template <class G, class R, class A>
    PropertyTableBuilder& add(const QString& name, G (C::*getter)() const, R (C::*setter)(A)) {
        using T = std::remove_cvref_t<G>;
        static_assert(std::is_same_v<T, std::remove_cvref_t<A>>,
                      "getter and setter of a property take the same type");
        PropertyDef def = readOnlyDef<T>(name, getter);
        def.set = [setter](SkinnedControl& control, const PropertyValue& value) -> ControlError {
            C& self = static_cast<C&>(control);
            if constexpr (std::is_same_v<R, ControlError>) {
                return (self.*setter)(PropertyTraits<T>::unwrap(value));
            } else {
                (self.*setter)(PropertyTraits<T>::unwrap(value));
                return {};
            }
        };
        m_properties.push_back(std::move(def));
        return *this;
    }

    template <class G>
    PropertyTableBuilder& readOnly(const QString& name, G (C::*getter)() const) {
        m_properties.push_back(readOnlyDef<std::remove_cvref_t<G>>(name, getter));
        return *this;
    }

    PropertyTable build() { return PropertyTable(std::move(m_properties)); }

private:
    template <class T, class Getter>
    static PropertyDef readOnlyDef(const QString& name, Getter getter) {
        PropertyDef def;
        def.name = name;
        def.kind = PropertyTraits<T>::kind;
        def.get = [getter](const SkinnedControl& control) {
            return PropertyTraits<T>::wrap((static_cast<const C&>(control).*getter)());
        };
        return def;
    }

    std::vector<PropertyDef> m_properties;
};

} // namespace zephral
