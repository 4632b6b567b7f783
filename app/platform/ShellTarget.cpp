#include "platform/ShellTarget.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace zephral {

namespace {

bool hasScheme(const QString& text) {
    // "http://...", "file:///...", "mailto:..." – but not "C:" style paths,
    // which don't occur here, nor relative paths with a colon in a file name
    // (a scheme has at least two letters before the colon).
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch() &&
           (text.contains(QStringLiteral("://")) || text.startsWith(QStringLiteral("mailto:")));
}

bool isBareHostName(const QString& text) {
    // Labels of letters, digits and hyphens joined by dots, at least one dot,
    // optionally followed by a path: "www.quorvan.example", "example.org/help".
    static const QRegularExpression host(QStringLiteral(
        "^[A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?(?:\\.[A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?)+"
        "(?::[0-9]+)?(?:/\\S*)?$"));
    return host.match(text).hasMatch();
}

} // namespace

QUrl shellTarget(const QString& pathOrAddress) {
    const QString text = pathOrAddress.trimmed();
    if (text.isEmpty()) {
        return {};
    }
    if (hasScheme(text)) {
        return QUrl(text);
    }
    const QFileInfo file(text);
    if (text.startsWith(QLatin1Char('/')) || file.exists()) {
        return file.exists() ? QUrl::fromLocalFile(file.absoluteFilePath()) : QUrl();
    }
    if (isBareHostName(text)) {
        return QUrl(QStringLiteral("http://") + text);
    }
    return {};
}

} // namespace zephral
