// A window's stored description: the window's own values and, for each of
// its controls, the name, kind, container, place, size, tab order and stored
// property values. The three windows keep theirs in app/forms/ in the plain
// text form read and written here:
//
//   # comment lines, kept with the block that follows them
//   form frmKey
//       client              4695 540
//       Caption             String   "Enter Key"
//   end
//
//   control cmdOK sknButton
//       container           frmKey
//       position            3000 60
//       extent              1402 714
//       tabindex            1
//       accessible          "OK"
//       BTYPE               Long     9
//       TX                  String   "OK"
//   end
//
// Positions are twips (15 to the pixel) from the top left of the container's
// client area. A skinned control's size is the HIMETRIC extent its container
// keeps ("extent"), any other control's is twips ("size"). "tabindex" is left
// out for a control that takes no focus. "accessible" is the quoted name a
// screen reader gives a window or control that shows no caption of its own
// (left out when there is none). Each property line is the stored
// key, the type and the value in its PropertyBag text form; a String, Font or
// Picture value is quoted, with \" \\ \n \r \t and \uXXXX escapes. A
// container must be described before the controls inside it.
#pragma once

#include "shared/PropertyBag.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <vector>

namespace zephral {

struct ControlDescription {
    QStringList notes; // the comment lines before the block, without "#"
    QString name;
    QString kind; // "sknButton", "sknFrame3D", ..., "TextBox", "Label"
    QString container;
    QPoint position; // twips
    QSize size;      // HIMETRIC when himetric is set, else twips
    bool himetric = false;
    std::optional<int> tabIndex;
    QString accessibleName; // empty: none
    PropertyBag properties;
};

struct FormDescription {
    QStringList notes;
    QString name;
    QSize clientSize; // twips
    QString accessibleName; // empty: none
    PropertyBag properties;
    std::vector<ControlDescription> controls;

    const ControlDescription* find(QStringView controlName) const;
};

// The description in text, or nothing with "line N: what is wrong" in error.
// Picture values are loaded while reading.
std::optional<FormDescription> readFormDescription(QStringView text, QString* error = nullptr);
QString writeFormDescription(const FormDescription& form);

// A String value as a description holds it, and back; nothing when the text
// is not one quoted string.
QString quoteText(const QString& text);
std::optional<QString> unquoteText(QStringView quoted);

} // namespace zephral
