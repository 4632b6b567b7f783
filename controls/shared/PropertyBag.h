// The property store a container keeps for each control instance: named,
// typed values, names compared without regard to case, plus the instance's
// size as a HIMETRIC extent. A control reads every value with a default for
// a missing name. Each value has a stable text form, so a window description
// file can hold a bag and give it back unchanged.
#pragma once

#include "shared/Colour.h"
#include "shared/Fonts.h"
#include "shared/Picture.h"

#include <QSize>
#include <QString>
#include <QStringView>
#include <optional>
#include <variant>
#include <vector>

namespace zephral {

// A failure as the platform numbers and describes it; number 0 is success.
struct ControlError {
    int number = 0;
    QString description;

    explicit operator bool() const { return number != 0; }
    static ControlError typeMismatch() { return {13, QStringLiteral("Type mismatch")}; }
    static ControlError overflow() { return {6, QStringLiteral("Overflow")}; }
    static ControlError invalidValue() { return {380, QStringLiteral("Invalid property value")}; }
    static ControlError invalidPicture(const QString& why = QStringLiteral("Invalid picture")) {
        return {481, why};
    }
    static ControlError unknownProperty() {
        return {438, QStringLiteral("Object doesn't support this property or method")};
    }
};

// A value read from a bag; when it could not be read, the fallback the
// reader was given, with the reason.
template <class T>
struct ReadResult {
    T value{};
    ControlError error;
    bool ok() const { return !error; }
};

enum class PropertyType { Long, Integer, Boolean, String, Single, Font, Picture };

// Long is 32-bit signed (colours are stored as Longs), Integer 16-bit signed.
using PropertyValue = std::variant<qint32, qint16, bool, QString, float, FontDesc, Picture>;

PropertyType typeOf(const PropertyValue& value);
QString typeName(PropertyType type);
std::optional<PropertyType> typeFromName(QStringView name);

// Text forms: Long and Integer in decimal (a Long with the top bit set, as
// every system colour has, in hex: "0x8000000F"); Boolean "True"/"False";
// String as it is; Single in the shortest decimal that reads back the same;
// Font as fontToText; Picture as its source (empty for none).
QString valueToText(const PropertyValue& value);
// The reverse; reading a picture loads it. Decimal and 0x-hex are both read
// for Long and Integer, True/False without regard to case.
ReadResult<PropertyValue> valueFromText(PropertyType type, QStringView text);

class PropertyBag {
public:
    struct Entry {
        QString name;
        PropertyValue value;
    };

    // Reads with a default for a missing name. A value stored as another type
    // is converted the way the container converts: numbers between the
    // numeric types (Singles rounded half to even), Booleans as -1 and 0,
    // numeric text as its number; what cannot convert is a type mismatch and
    // what does not fit an overflow.
    ReadResult<qint32> readLong(QStringView name, qint32 fallback) const;
    ReadResult<qint16> readInteger(QStringView name, qint16 fallback) const;
    ReadResult<bool> readBoolean(QStringView name, bool fallback) const;
    ReadResult<QString> readString(QStringView name, const QString& fallback) const;
    ReadResult<float> readSingle(QStringView name, float fallback) const;
    ReadResult<FontDesc> readFont(QStringView name, const FontDesc& fallback) const;
    ReadResult<Picture> readPicture(QStringView name, const Picture& fallback) const;
    // A colour is a Long that must name an RGB value or a known system colour.
    ReadResult<Colour> readColour(QStringView name, Colour fallback) const;

    // Stores under name, replacing a value of the same name in any case; a
    // new name goes to the end, so the order of writing is kept.
    void write(QStringView name, const PropertyValue& value);
    void writeColour(QStringView name, Colour c) { write(name, qint32(c)); }
    // Stores only when value differs from fallback.
    void writeIfNotDefault(QStringView name, const PropertyValue& value,
                           const PropertyValue& fallback);

    const Entry* find(QStringView name) const;
    bool contains(QStringView name) const { return find(name) != nullptr; }
    bool remove(QStringView name);
    const std::vector<Entry>& entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.empty(); }

    // The instance's size as the container keeps it, HIMETRIC; none if unset.
    std::optional<QSize> extent() const { return m_extent; }
    void setExtent(QSize himetric) { m_extent = himetric; }

private:
    qsizetype indexOf(QStringView name) const;

    std::vector<Entry> m_entries;
    std::optional<QSize> m_extent;
};

} // namespace zephral
