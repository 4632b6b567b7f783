// zephral-render: draws one skinned control offscreen into a PNG.
//
//   zephral-render CONTROL WIDTHxHEIGHT OUT.png [NAME=VALUE ...]
//                  [--state up|down|disabled] [--hover] [--focus] [--default] [--frame N]
//
// The control is made as a new instance in run mode, the values are written
// through its property writes in the order given (each in its stored text
// form), it is shown at the size given and put in the look asked for, and
// what it shows is saved: exactly the control's final size, 32-bit RGBA,
// every pixel outside its window outline fully transparent, every pixel
// inside opaque. Exit status 0 on success, 2 with one line on standard error
// for arguments that are wrong (an unknown control, property or value among
// them), 1 when the PNG cannot be written.
//
//   zephral-render --sheet OUT.png [FILE]
//
// renders many controls into one labelled contact sheet (ContactSheet.h),
// with the same exit statuses.
#pragma once

#include "shared/ControlRegistry.h"
#include "shared/SkinnedControl.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>
#include <utility>

namespace zephral {

struct RenderRequest {
    QString control;
    QSize size;
    QString output;
    QList<std::pair<QString, QString>> values;
    Look look;
};

QString renderUsage();

// The request, or nothing with a one-line reason in error.
std::optional<RenderRequest> parseRenderArguments(const QStringList& args, QString& error);

// The control's picture as described above, or a null image with a one-line
// reason in error.
QImage renderControl(const ControlRegistry& registry, const RenderRequest& request, QString& error);

// The whole tool: arguments without the program name; returns the exit status.
int runRenderTool(const QStringList& args, const ControlRegistry& registry, QTextStream& out,
                  QTextStream& err);

} // namespace zephral
