#include "Controls.h"

#include "ControlAccessibility.h"
#include "button/sknButton.h"
#include "frame3d/sknFrame3D.h"
#include "line3d/sknLine3D.h"
#include "working/sknWorking.h"

namespace zephral {

// One line a control, in this order: button, frame3d, line3d, working.
void registerControls(ControlRegistry& registry) {
    installControlAccessibility();
    registry.add("button", "sknButton", [](QWidget* p) { return new sknButton(p); });
    registry.add("frame3d", "sknFrame3D", [](QWidget* p) { return new sknFrame3D(p); });
    registry.add("line3d", "sknLine3D", [](QWidget* p) { return new sknLine3D(p); });
    registry.add("working", "sknWorking", [](QWidget* p) { return new sknWorking(p); });
}

} // namespace zephral
