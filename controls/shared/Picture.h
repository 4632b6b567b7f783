// A picture property: an image with the text it was loaded from, a file path
// or a resource reference (":/..."), which is also its stored form.
#pragma once

#include "shared/Colour.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

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
    // The point of a pointer picture that is the pointer's position: the text
    // keys "HotspotX" and "HotspotY" of the image file when it has them, the
    // middle otherwise.
    QPoint hotSpot() const;

    bool operator==(const Picture& other) const {
        return m_source == other.m_source && m_image == other.m_image;
    }

private:
    QString m_source;
    QImage m_image;
};

// The picture's pixels at size for compositing, as an RGB32 image: a bitmap
// as it is (cut to size, padded with black), an icon scaled to size onto a
// field of key, so that its transparent parts take the key colour.
QImage picturePixels(const Picture& picture, QSize size, Colour key);

} // namespace zephral
