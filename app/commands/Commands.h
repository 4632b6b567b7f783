// The four text commands' work, and the line breaks of the two text boxes.
#pragma once

#include <QString>

namespace zephral {

enum class TextCommand {
    Encode,        // Base64 of the text
    Decode,        // the text a Base64 text stands for
    EncryptEncode, // encrypt with the key, then Base64
    DecryptDecode, // Base64-decode, then decrypt with the key
};

// True for the two commands that ask for a key first.
bool needsKey(TextCommand command);

// The result that replaces the lower box, from the upper box's text (both in
// the boxes' own form, see below). A wrong key on DecryptDecode is not
// detected here: the unrelated text it gives is what the box shows.
QString runTextCommand(TextCommand command, const QString& boxText, const QString& key);

// The text boxes of the Windows tool held a line break as CR LF, and its text
// commands transformed exactly that; a Qt text box holds LF. Text taken from
// the upper box therefore has each LF turned into CR LF before it is encoded
// or encrypted, so the same lines give the same bytes on both systems.
QString textFromBox(const QString& boxText);
// A result shown in the lower box has its CR LF pairs turned into the box's
// LF; a lone LF is a line break already, and a lone CR stays as it is.
QString textForBox(const QString& result);

} // namespace zephral
