#include "shared/Fonts.h"

#include "shared/Units.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <utility>

namespace zephral {

QString drawnFamily(const QString& name) {
    static const std::array<std::pair<const char*, const char*>, 9> kMap = {{
        {"MS Sans Serif", "Liberation Sans"},
        {"Microsoft Sans Serif", "Liberation Sans"},
        {"Arial", "Liberation Sans"},
        {"Tahoma", "Liberation Sans"},
        {"MS Serif", "Liberation Serif"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier", "Liberation Mono"},
        {"Courier New", "Liberation Mono"},
        {"Fixedsys", "Liberation Mono"},
    }};
    for (const auto& [from, to] : kMap) {
        if (name.compare(QLatin1String(from), Qt::CaseInsensitive) == 0) {
            return QString::fromLatin1(to);
        }
    }
    return name;
}

QFont drawingFont(const FontDesc& font) {
    QFont f(drawnFamily(font.name));
    f.setPixelSize(std::max(1, pointsToPixels(font.size)));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikethrough);
    f.setKerning(false);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

QString fontToText(const FontDesc& font) {
    QString text = font.name + u',' + QString::number(double(font.size), 'g', 7);
    if (font.bold) {
        text += QLatin1String(",Bold");
    }
    if (font.italic) {
        text += QLatin1String(",Italic");
    }
    if (font.underline) {
        text += QLatin1String(",Underline");
    }
    if (font.strikethrough) {
        text += QLatin1String(",Strikethrough");
    }
    return text;
}

std::optional<FontDesc> fontFromText(QStringView text) {
    const QList<QStringView> parts = text.split(u',');
    if (parts.size() < 2 || parts[0].trimmed().isEmpty()) {
        return std::nullopt;
    }
    FontDesc font;
    font.name = parts[0].trimmed().toString();
    bool ok = false;
    font.size = parts[1].trimmed().toFloat(&ok);
    if (!ok || !(font.size > 0) || font.size > 2048) {
        return std::nullopt;
    }
    for (qsizetype i = 2; i < parts.size(); ++i) {
        const QStringView style = parts[i].trimmed();
        bool* flag = style.compare(u"Bold", Qt::CaseInsensitive) == 0        ? &font.bold
                     : style.compare(u"Italic", Qt::CaseInsensitive) == 0    ? &font.italic
                     : style.compare(u"Underline", Qt::CaseInsensitive) == 0 ? &font.underline
                     : style.compare(u"Strikethrough", Qt::CaseInsensitive) == 0
                         ? &font.strikethrough
                         : nullptr;
        if (flag == nullptr) {
            return std::nullopt;
        }
        *flag = true;
    }
    return font;
}

} // namespace zephral
