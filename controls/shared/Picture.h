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
    static bool load(const QString& source, Picture& out, QString* error = nullptr);
    // A picture made in code; source is what its stored form will say.
    static Picture fromImage(const QImage& image, const QString& source = {});

    bool isNull() const { return m_image.isNull(); }
    const QString& source() const { return m_source; }
    const QImage& image() const { return m_image; }
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
    std::optional<QPoint> m_hotSpot;
};

// The picture's pixels at size for compositing, as an RGB32 image: a bitmap
// as it is (cut to size, padded with black), an icon scaled to size onto a
// field of key, so that its transparent parts take the key colour.
QImage picturePixels(const Picture& picture, QSize size, Colour key);

} // namespace zephral
