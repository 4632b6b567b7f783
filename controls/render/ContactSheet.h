// zephral-render --sheet OUT.png [FILE]: many renders of the controls laid out
// as one labelled contact sheet, so that a person sees every look at once.
// The description is read from FILE, or from standard input, one item a line:
//
//   # a comment (as is an empty line)
//   title TEXT            a heading across the sheet
//   columns A | B | ...   headings over the cells of the rows that follow
//   row LABEL             starts a row of cells, LABEL on its left
//   cell CONTROL WIDTHxHEIGHT [NAME=VALUE ...] [--state ...] [--hover] ...
//                         one render into the next cell of the row: the
//                         arguments of a single render without OUT.png,
//                         quoted as a shell would ("Caption=Encrypt File")
//
// Cells stand on a chequered ground so that the pixels outside a control's
// window outline show. Each column is as wide as its widest cell.
#pragma once

#include "shared/ControlRegistry.h"

#include <QImage>
#include <QString>
#include <QTextStream>

namespace zephral {

// The sheet, or a null image with a one-line reason ("line 12: ...").
QImage renderSheet(const ControlRegistry& registry, QTextStream& description, QString& error);

} // namespace zephral
