#include "platform/FilePath.h"

#include <QFile>
#include <algorithm>

namespace zephral {

FilePath FilePath::fromNative(const QByteArray& bytes) {
    FilePath p;
    p.m_native = bytes;
    return p;
}

FilePath FilePath::fromText(const QString& text) {
    return fromNative(QFile::encodeName(text));
}

QString FilePath::toText() const {
    return QFile::decodeName(m_native);
}

QString FilePath::toDisplayText() const {
    return QString::fromUtf8(quotedName(m_native));
}

FilePath FilePath::folder() const {
    const qsizetype slash = m_native.lastIndexOf('/');
    if (slash < 0) {
        return fromNative(QByteArrayLiteral("."));
    }
    return fromNative(m_native.left(std::max<qsizetype>(slash, 1)));
}

QByteArray FilePath::fileName() const {
    return m_native.mid(m_native.lastIndexOf('/') + 1);
}

namespace {

// The length of the UTF-8 sequence at `at` that is printable text, or 0 for a
// byte to escape: a control character, a C1 control or no UTF-8 at all.
qsizetype printableAt(const QByteArray& bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x20 || lead == 0x7F) {
        return 0;
    }
    if (lead < 0x80) {
        return 1;
    }
    const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > bytes.size()) {
        return 0;
    }
    char32_t code = lead & (0x7F >> length);
    for (qsizetype i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000) ||
        (code >= 0x80 && code < 0xA0)) {
        return 0;
    }
    return length;
}

void appendEscape(QByteArray& out, unsigned char byte) {
    static constexpr char kNamed[] = "abtnvfr"; // \a (7) to \r (13)
    out += '\\';
    if (byte >= 7 && byte <= 13) {
        out += kNamed[byte - 7];
    } else {
        out += static_cast<char>('0' + (byte >> 6));
        out += static_cast<char>('0' + ((byte >> 3) & 7));
        out += static_cast<char>('0' + (byte & 7));
    }
}

} // namespace

QByteArray quotedName(const QByteArray& name) {
    bool plain = true;
    for (qsizetype i = 0; i < name.size() && plain;) {
        const qsizetype n = printableAt(name, i);
        plain = n > 0;
        i += n;
    }
    if (plain) {
        return name;
    }
    // Runs of printable text in '...', runs of the rest in $'...'.
    QByteArray out;
    for (qsizetype i = 0; i < name.size();) {
        if (printableAt(name, i) > 0) {
            out += '\'';
            for (qsizetype n; i < name.size() && (n = printableAt(name, i)) > 0; i += n) {
                out += name[i] == '\'' ? QByteArray("'\\''") : name.mid(i, n);
            }
            out += '\'';
        } else {
            out += "$'";
            for (; i < name.size() && printableAt(name, i) == 0; ++i) {
                appendEscape(out, static_cast<unsigned char>(name[i]));
            }
            out += '\'';
        }
    }
    return out;
}

QByteArray escapeControls(const QByteArray& utf8) {
    QByteArray out;
    out.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size();) {
        if (const qsizetype n = printableAt(utf8, i); n > 0) {
            out += utf8.mid(i, n);
            i += n;
        } else {
            appendEscape(out, static_cast<unsigned char>(utf8[i++]));
        }
    }
    return out;
}

} // namespace zephral
