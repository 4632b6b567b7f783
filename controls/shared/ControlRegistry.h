// The skinned controls by name, each with a factory that makes a new one:
// the render tool finds a control by its short name ("button"), a window
// description by its class name ("sknButton").
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <vector>

class QWidget;

namespace zephral {

class SkinnedControl;

// Makes a control as a child of parent (which owns it).
using ControlFactory = std::function<SkinnedControl*(QWidget* parent)>;

struct ControlType {
    QString name;      // the render tool's name: "button"
    QString className; // "sknButton"; instances are named after it ("sknButton1")
    ControlFactory create;
};

class ControlRegistry {
public:
    void add(const QString& name, const QString& className, ControlFactory create);
    // By name or class name, without regard to case; null when unknown.
    const ControlType* find(QStringView name) const;
    QStringList names() const;

private:
    std::vector<ControlType> m_types;
};

} // namespace zephral
