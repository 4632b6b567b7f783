// A file's name as the system knows it: bytes, which need not be UTF-8. The
// command line passes the bytes of its arguments through untouched, so a name
// that is no valid text is still found and written under exactly that name;
// the window's dialogs give text, converted the way Qt converts file names.
#pragma once

#include <QByteArray>
#include <QString>

namespace zephral {

class FilePath {
public:
    FilePath() = default;
    static FilePath fromNative(const QByteArray& bytes);
    static FilePath fromText(const QString& text);

    const QByteArray& native() const { return m_native; }
    const char* c_str() const { return m_native.constData(); }
    // For the window and for messages: bytes that are not UTF-8 show as U+FFFD.
    QString toText() const;
    // For messages that may reach a terminal or a log: the name as
    // quotedName() gives it.
    QString toDisplayText() const;
    bool isEmpty() const { return m_native.isEmpty(); }
    // The folder part ("." when there is none) and the last part.
    FilePath folder() const;
    QByteArray fileName() const;

    friend bool operator==(const FilePath&, const FilePath&) = default;

private:
    QByteArray m_native;
};

// A name that holds a control character (C0, DEL, C1) or a byte that is no
// UTF-8, quoted as a shell would take it back and as `ls` shows it:
// 'x'$'\033''[2J'. Any other name comes back as it is. Shown on a terminal,
// such a name can't move the cursor, clear the screen or retitle the window.
QByteArray quotedName(const QByteArray& name);

// The same characters and bytes escaped in text (\033, \n, \a, ...), for
// lines where no name stands alone to be quoted.
QByteArray escapeControls(const QByteArray& utf8);

} // namespace zephral
