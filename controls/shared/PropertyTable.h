// A control's property table: one row per public property says everything
// about it (its name, the key it is stored under, its kind, its default,
// the rule a value must keep, where the value lives and what a write does
// besides storing it), and SkinnedControl derives from the rows the new
// instance, the load, the save and every write by name. A control builds
// its table once:
//
//   using B = sknButton;
//   static const PropertyTable table =
//       PropertyTableBuilder<B>({QStringLiteral("sknButton"), true})
//           .field("ButtonType", "BTYPE", &B::m_buttonType, 2)
//           .effect(&B::buttonTypeChanged)
//           .field("PicturePosition", "PICPOS", &B::m_picturePosition, 0)
//           .range(0, 4).effect(&B::relayout)
//           .readOnly("Version", &B::Version)
//           .build();
//
// The C++ type of the value gives the kind: qint32 Long, qint16 Integer,
// bool Boolean, QString String, float Single, Colour (quint32) Colour,
// FontDesc Font, Picture Picture.
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
// Reads a value of the kind from a bag (a Colour must name one).
ReadResult<PropertyValue> readStored(const PropertyBag& bag, PropertyKind kind, QStringView key,
                                     const PropertyValue& fallback);
// Whether value holds what a property of the kind keeps.
bool holdsKind(PropertyKind kind, const PropertyValue& value);

using PropertyDefault = std::function<PropertyValue(const SkinnedControl&)>;

struct PropertyRow {
    QString name;
    QString key; // stored under this key; empty: not stored (nor set up, nor announced)
    PropertyKind kind = PropertyKind::Long;
    std::function<PropertyValue(const SkinnedControl&)> get;
    // Keeps a value, without side effects; empty: read-only. May refuse it.
    std::function<ControlError(SkinnedControl&, const PropertyValue&)> store;
    PropertyDefault fallback; // the default when reading, and when saving only changes
    PropertyDefault initial;  // a new instance's value; empty: fallback; none: left alone
    bool newInstance = true;
    // The range or clamp rule: may change the value, or refuse it (380).
    std::function<ControlError(PropertyValue&)> rule;
    // What a write does after storing, given the value before it.
    std::function<void(SkinnedControl&, const PropertyValue& before)> effect;
    bool effectOnLoad = false; // a load runs the effect too
};

// How a control's new-instance setup, load and save meet a value that fails.
struct StoragePolicy {
    // Each failure is reported under this module name (ControlFailures.h),
    // with the procedure's name and the key; empty: failures are ignored.
    QString module;
    // A value that cannot be loaded takes its default; otherwise the
    // property keeps the value it had.
    bool defaultOnFailure = false;
    // A save leaves out the values equal to their defaults.
    bool saveOnlyChanges = false;
};

class PropertyTable {
public:
    PropertyTable() = default;
    explicit PropertyTable(std::vector<PropertyRow> rows, StoragePolicy policy = {})
        : m_rows(std::move(rows)), m_policy(std::move(policy)) {}

    // By name, without regard to case; null when there is none.
    const PropertyRow* find(QStringView name) const;
    const std::vector<PropertyRow>& rows() const { return m_rows; }
    const StoragePolicy& policy() const { return m_policy; }
    QStringList names() const;
    // The stored keys in the order they are loaded and saved.
    QStringList keys() const;

private:
    std::vector<PropertyRow> m_rows;
    StoragePolicy m_policy;
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

// Rules on whole numbers.
std::function<ControlError(PropertyValue&)> rangeRule(qint64 first, qint64 last);
std::function<ControlError(PropertyValue&)> clampRule(qint64 first, qint64 last);

// A value as a property of the kind keeps it: numbers converted to the
// kind's own type, a Colour as the Long it is stored as.
template <class V>
PropertyValue valueOfKind(PropertyKind kind, const V& v) {
    if constexpr (std::is_arithmetic_v<V>) {
        switch (kind) {
        case PropertyKind::Integer:
            return qint16(v);
        case PropertyKind::Boolean:
            return bool(v);
        case PropertyKind::Single:
            return float(v);
        default:
            return qint32(v);
        }
    } else {
        return PropertyValue(v);
    }
}

// What a new instance leaves as it is.
struct LeaveAlone {};
inline constexpr LeaveAlone kLeaveAlone;

template <class C>
class PropertyTableBuilder {
public:
    explicit PropertyTableBuilder(StoragePolicy policy = {}) : m_policy(std::move(policy)) {}

    // A property kept in a member. fallback: a value, or a function of the
    // control (a getter of C works).
    template <class T, class D>
    PropertyTableBuilder& field(const char* name, const char* key, T C::*member, D fallback) {
        return add<T>(
            name, key, [member](const C& c) { return c.*member; },
            [member](C& c, const T& v) { c.*member = v; }, std::move(fallback));
    }

    // A property kept elsewhere: read through get, kept through store (a
    // member function or a function of the control and the value), which
    // returns void or a ControlError to refuse the value.
    template <class G, class Store, class D>
    PropertyTableBuilder& value(const char* name, const char* key, G (C::*get)() const, Store store,
                                D fallback) {
        return add<std::remove_cvref_t<G>>(
            name, key, [get](const C& c) { return (c.*get)(); }, std::move(store),
            std::move(fallback));
    }

    template <class G>
    PropertyTableBuilder& readOnly(const char* name, G (C::*get)() const) {
        using T = std::remove_cvref_t<G>;
        PropertyRow row;
        row.name = QString::fromLatin1(name);
        row.kind = PropertyTraits<T>::kind;
        row.get = [get](const SkinnedControl& c) {
            return PropertyTraits<T>::wrap((static_cast<const C&>(c).*get)());
        };
        m_rows.push_back(std::move(row));
        return *this;
    }

    // Modifiers of the row added last.
    PropertyTableBuilder& range(qint64 first, qint64 last) {
        m_rows.back().rule = rangeRule(first, last);
        return *this;
    }
    PropertyTableBuilder& clamp(qint64 first, qint64 last) {
        m_rows.back().rule = clampRule(first, last);
        return *this;
    }
    // A rule of its own: a function of the value that may change or refuse it.
    template <class Rule>
    PropertyTableBuilder& rule(Rule check) {
        m_rows.back().rule = std::move(check);
        return *this;
    }
    // A new instance's value where it is not the default.
    template <class D>
    PropertyTableBuilder& initial(D first) {
        m_rows.back().initial = defaultOf(m_rows.back().kind, std::move(first));
        return *this;
    }
    PropertyTableBuilder& initial(LeaveAlone) {
        m_rows.back().newInstance = false;
        return *this;
    }
    // What a write does after storing: a member function of C taking
    // nothing, or a function of the control, or of the control and the value
    // before the write. onLoadToo: a load runs it too.
    template <class E>
    PropertyTableBuilder& effect(E what, bool onLoadToo = false) {
        m_rows.back().effect = [what = std::move(what)](SkinnedControl& control,
                                                        const PropertyValue& before) {
            C& c = static_cast<C&>(control);
            if constexpr (std::is_invocable_v<E, C&>) {
                std::invoke(what, c);
            } else {
                std::invoke(what, c, before);
            }
        };
        m_rows.back().effectOnLoad = onLoadToo;
        return *this;
    }

    PropertyTable build() { return PropertyTable(std::move(m_rows), std::move(m_policy)); }

private:
    template <class D>
    static PropertyDefault defaultOf(PropertyKind kind, D d) {
        if constexpr (std::is_invocable_v<D, const C&>) {
            return [kind, d = std::move(d)](const SkinnedControl& c) {
                return valueOfKind(kind, std::invoke(d, static_cast<const C&>(c)));
            };
        } else {
            return [v = valueOfKind(kind, d)](const SkinnedControl&) { return v; };
        }
    }

    template <class T, class Get, class Store, class D>
    PropertyTableBuilder& add(const char* name, const char* key, Get get, Store store, D fallback) {
        using Traits = PropertyTraits<T>;
        PropertyRow row;
        row.name = QString::fromLatin1(name);
        row.key = QString::fromLatin1(key);
        row.kind = Traits::kind;
        row.get = [get](const SkinnedControl& c) {
            return Traits::wrap(get(static_cast<const C&>(c)));
        };
        row.store = [store](SkinnedControl& c, const PropertyValue& v) -> ControlError {
            C& self = static_cast<C&>(c);
            if constexpr (std::is_same_v<std::invoke_result_t<Store, C&, const T&>, ControlError>) {
                return std::invoke(store, self, Traits::unwrap(v));
            } else {
                std::invoke(store, self, Traits::unwrap(v));
                return {};
            }
        };
        row.fallback = defaultOf(row.kind, std::move(fallback));
        m_rows.push_back(std::move(row));
        return *this;
    }

    std::vector<PropertyRow> m_rows;
    StoragePolicy m_policy;
};

} // namespace zephral
