#include "shared/Picture.h"

#include "shared/Units.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <algorithm>

namespace zephral {

bool Picture::load(const QString& source, Picture& out, QString* error) {
    if (source.isEmpty()) {
        out = Picture();
        return true;
    }
    QImageReader reader(source);
    QImage image = reader.read();
    if (image.isNull()) {
        if (error != nullptr) {
            *error =
                QStringLiteral("cannot read picture \"%1\": %2").arg(source, reader.errorString());
        }
        return false;
    }
    out = fromImage(image, source);
    const QFileInfo info(source);
    QImage large(info.path() + u'/' + info.completeBaseName() + QLatin1String("@2x.") +
                 info.suffix());
    if (large.size() == image.size() * 2) {
        large = large.hasAlphaChannel() ? large.convertToFormat(QImage::Format_ARGB32)
                                        : large.convertToFormat(QImage::Format_RGB32);
        large.setDevicePixelRatio(2.0);
        out.m_large = large;
    }
    QFile hotSpot(info.path() + u'/' + info.completeBaseName() + QLatin1String(".hotspot"));
    if (hotSpot.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QList<QByteArray> xy = hotSpot.readAll().simplified().split(' ');
        bool okX = false;
        bool okY = false;
        const QPoint point(xy.value(0).toInt(&okX), xy.value(1).toInt(&okY));
        if (okX && okY && image.rect().contains(point)) {
            out.setHotSpot(point);
        }
    }
    return true;
}

Picture Picture::fromImage(const QImage& image, const QString& source) {
    Picture picture;
    picture.m_source = source;
    picture.m_image = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32)
                                              : image.convertToFormat(QImage::Format_RGB32);
    return picture;
}

QSize Picture::himetricSize() const {
    return pixelsToHimetric(size());
}

QPoint Picture::hotSpot() const {
    return m_hotSpot.value_or(QPoint(m_image.width() / 2, m_image.height() / 2));
}

QImage picturePixels(const Picture& picture, QSize size, Colour key, QSize device) {
    if (!device.isEmpty() && device != size) {
        QImage out(device, QImage::Format_RGB32);
        out.fill(picture.isIcon() ? toQRgb(translateColour(key)) : QRgb(0xFF000000u));
        if (picture.isNull()) {
            return out;
        }
        const double ratio = double(device.width()) / std::max(size.width(), 1);
        const QImage& source = picture.imageFor(ratio);
        QPainter p(&out);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        if (!picture.isIcon()) {
            p.setCompositionMode(QPainter::CompositionMode_Source);
        }
        // An icon fills the place; a bitmap keeps its own size, scaled as
        // the place is.
        const QSizeF drawn =
            picture.isIcon()
                ? QSizeF(device)
                : QSizeF(source.deviceIndependentSize().width() * device.width() / size.width(),
                         source.deviceIndependentSize().height() * device.height() / size.height());
        p.drawImage(QRectF(QPointF(0, 0), drawn), source, QRectF(source.rect()));
        return out;
    }
    QImage out(size, QImage::Format_RGB32);
    out.fill(picture.isIcon() ? toQRgb(translateColour(key)) : QRgb(0xFF000000u));
    if (picture.isNull() || size.isEmpty()) {
        return out;
    }
    QPainter p(&out);
    if (picture.isIcon()) {
        // Scaled the plain way, pixel for pixel, never smoothed.
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRect(QPoint(0, 0), size), picture.image());
    } else {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), picture.image());
    }
    return out;
}

} // namespace zephral
