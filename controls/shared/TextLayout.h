// How a caption is laid out: the access-key prefix and the word wrap, as
// plain functions of the text and a width measure, shared by the drawing and
// the measurement so that the two always agree.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <functional>
#include <vector>

namespace zephral {

// A caption with its prefixes resolved: "&x" shows x underlined (the access
// key mark), "&&" shows one "&", a lone "&" at the end shows nothing.
struct MnemonicText {
    QString text;
    QList<int> underlined; // indexes into text
};
MnemonicText resolveMnemonics(QStringView caption);

// One line of a wrapped text: text.mid(start, length), width pixels wide.
struct TextLine {
    int start = 0;
    int length = 0;
    int width = 0;
    bool operator==(const TextLine&) const = default;
};

using TextAdvance = std::function<int(QStringView)>;

// Breaks text into lines no wider than maxWidth where it can:
// - CR LF, LF and CR end a line; an empty text has no lines;
// - lines break between words, at blanks, and the blanks at a break are
//   dropped; blanks at the start of the text stay, and blanks at the end of
//   the text stay while they fit (they count in the width, as in
//   "Decrypt File  ");
// - a word wider than maxWidth stands alone on its line and is not cut, so
//   that line is wider than maxWidth.
std::vector<TextLine> wrapText(const QString& text, int maxWidth, const TextAdvance& advance);

} // namespace zephral
