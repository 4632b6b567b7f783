// A picture property: an image with the text it was loaded from, a file path
// or a resource reference (":/..."), which is also its stored form.
#pragma once

#include "shared/Colour.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <optional>

namespace zephral {

class Picture {
public:
    Picture() = default; // none

    // Loads the picture a stored text names. An empty text is no picture.
    // False, with a one-line reason, when the file is missing or unreadable.
    // The same drawing at twice the size, "name@2x.png" beside "name.png",
    // comes along when it is there, for denser screens.
    static bool load(const QString& source, Picture& out, QString* error = nullptr);
    // A picture made in code; source is what its stored form will say.
    static Picture fromImage(const QImage& image, const QString& source = {});

    bool isNull() const { return m_image.isNull(); }
    const QString& source() const { return m_source; }
    const QImage& image() const { return m_image; }
    // The drawing to use at a device pixel ratio: above 1 the large one, when
    // there is one (its device pixel ratio 2), else image().
    const QImage& imageFor(double ratio) const {
        return ratio > 1.0 && !m_large.isNull() ? m_large : m_image;
    }
    QSize size() const { return m_image.size(); }
    // The size the container keeps, in HIMETRIC.
    QSize himetricSize() const;
    // A picture with transparent parts plays the part of an icon: it is drawn
    // onto a key colour before its pixels are used. Others are bitmaps.
    bool isIcon() const { return m_image.hasAlphaChannel(); }
    // The point of a pointer picture that is the pointer's position: as read
    // by load() from a file beside the image with the same name and the
    // extension ".hotspot" holding "x y" (hand.png -> hand.hotspot), or as
    // set; the middle otherwise.
    QPoint hotSpot() const;
    void setHotSpot(QPoint point) { m_hotSpot = point; }

    bool operator==(const Picture& other) const {
        return m_source == other.m_source && m_image == other.m_image &&
               m_hotSpot == other.m_hotSpot;
    }

private:
    QString m_source;
    QImage m_image;
    QImage m_large;
    std::optional<QPoint> m_hotSpot;
};

// The picture's pixels at size for compositing, as an RGB32 image: a bitmap
// as it is (cut to size, padded with black), an icon scaled to size onto a
// field of key, so that its transparent parts take the key colour. With a
// device size (a denser screen), the same for the device's pixels of that
// place, from the large drawing when there is one; pixels are picked, never
// blended, so that the key colour stays exact.
QImage picturePixels(const Picture& picture, QSize size, Colour key, QSize device = {});

} // namespace zephral
