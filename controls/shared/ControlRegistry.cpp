#include "shared/ControlRegistry.h"

namespace zephral {

void ControlRegistry::add(const QString& name, const QString& className, ControlFactory create) {
    m_types.push_back({name, className, std::move(create)});
}

const ControlType* ControlRegistry::find(QStringView name) const {
    for (const ControlType& type : m_types) {
        if (QStringView(type.name).compare(name, Qt::CaseInsensitive) == 0 ||
            QStringView(type.className).compare(name, Qt::CaseInsensitive) == 0) {
            return &type;
        }
    }
    return nullptr;
}

QStringList ControlRegistry::names() const {
    QStringList names;
    for (const ControlType& type : m_types) {
        names.append(type.name);
    }
    return names;
}

} // namespace zephral
