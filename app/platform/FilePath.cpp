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

} // namespace zephral
