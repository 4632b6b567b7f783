// What screen readers and other assistive tools see of the skinned controls,
// through Qt's accessibility interfaces (AT-SPI on Linux):
//
//   sknButton   push button, or check box (checked) with CheckBoxBehaviour;
//               named by its caption as shown ("&" markers gone, "&&" as
//               "&"), or when it has none by its accessible name; a press
//               action that does what Space does; focusable, focused,
//               pressed while held, disabled and default states.
//   sknFrame3D  grouping named by its caption; a frame marked as a link
//               (setAccessibleLink) is a link with a press action that clicks
//               it. Its caption labels are not shown as children.
//   sknLine3D   separator.
//   sknWorking  animation named "Working".
#pragma once

#include <QString>

class QWidget;

namespace zephral {

// Makes the interfaces above the ones Qt uses; any number of calls.
void installControlAccessibility();

// Marks a frame that opens something when clicked (the maker's logo).
void setAccessibleLink(QWidget* frame, bool link = true);

// A caption as the control shows it: each "&" that marks an access key
// gone, "&&" shown as "&", line breaks and runs of blanks as one blank.
QString captionAsShown(const QString& caption);

} // namespace zephral
