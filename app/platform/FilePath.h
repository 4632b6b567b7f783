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
    bool isEmpty() const { return m_native.isEmpty(); }
    // The folder part ("." when there is none) and the last part.
    FilePath folder() const;
    QByteArray fileName() const;

    friend bool operator==(const FilePath&, const FilePath&) = default;

private:
    QByteArray m_native;
};

} // namespace zephral
