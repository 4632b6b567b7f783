// What the shell's "Open" hands to the desktop: a local path opens as a file,
// a bare host name ("www.example.org") as a web address, and anything that
// already names its scheme as it stands.
#pragma once

#include <QString>
#include <QUrl>

namespace zephral {

// An invalid URL when there is nothing sensible to open (empty text, or a
// local file that does not exist: opening that would only make the desktop
// show an error of its own).
QUrl shellTarget(const QString& pathOrAddress);

} // namespace zephral
