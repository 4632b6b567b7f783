// The button's painter: free functions that draw a button's look from a plain
// description of it (ButtonDrawing) onto a surface. One enum names the
// fourteen styles and one switch picks the recipe named after each; the captions, their
// raised, sunken and shadow effects, and the picture compositing are here
// too. Nothing here knows the widget.
#pragma once

#include "button/ButtonGeometry.h"
#include "shared/Picture.h"
#include "shared/Surface.h"

#include <QSize>
#include <QString>
#include <algorithm>
#include <optional>
#include <vector>

namespace zephral {

// The drawing styles, numbered as ButtonType stores them. Other numbers draw
// only the face and the picture.
enum class ButtonStyle : int {
    Framed = 1,     // two-pixel bevel in a dark frame, corners cut
    Classic = 2,    // the classic push button, with a default look
    Glossy = 3,     // accent gradient in a dark blue frame, warm edges while hovered
    Embossed = 4,   // light face in a dark frame with an inner relief
    Offset = 5,     // brightened face, highlight frame set off by a pixel
    LightBevel = 6, // one-pixel bevel in a brightened light and the shadow
    Thin = 7,       // one-pixel outer bevel
    HotThin = 8,    // the outer bevel only while hovered
    Selection = 9,  // flat; the selection colour frames and tints it while hovered
    Bare = 10,      // face and picture only
    Plain = 11,     // flat face and caption
    HotBevel = 12,  // two-pixel bevel only while hovered
    Oval = 13,      // an ellipse
    Gradient = 14,  // white gradient, bold caption while shown as the default
};

enum class PaintState { Up, Down };

// The modes a caption is drawn in (see drawCaption in the .cpp for each).
enum class CaptionMode : int {
    Up = 0,
    Hovered = 1,
    Down = 2,
    Disabled = 3,
    DisabledFlat = 4,
    DisabledAccent = 5,
    DisabledPale = 6,
    DownPale = 7,
};

// The few entries of a cache used most recently, the most recent first: a
// repaint finds what it drew last time without holding on to everything.
template <class Entry, size_t Kept = 4>
class RecentEntries {
public:
    // The first entry that matches, moved to the front; null when none does.
    template <class Match>
    Entry* find(Match&& match) {
        const auto it = std::find_if(m_entries.begin(), m_entries.end(), match);
        if (it == m_entries.end()) {
            return nullptr;
        }
        std::rotate(m_entries.begin(), it, it + 1);
        return &m_entries.front();
    }
    // A new entry at the front, the least recently used one dropped to make room.
    Entry& add(Entry entry) {
        if (m_entries.size() == Kept) {
            m_entries.pop_back();
        }
        m_entries.insert(m_entries.begin(), std::move(entry));
        return m_entries.front();
    }

private:
    std::vector<Entry> m_entries;
};

// A picture's pixels prepared for compositing at one size on one mask
// colour, kept while the picture, the size and the colour stay the same, so
// that a repaint reads each picture once.
class PreparedPictures {
public:
    // device: the size of the place in the surface's device pixels (on a
    // denser screen), as BlitPicture takes them.
    const std::vector<Rgb>& pixels(const Picture& picture, QSize size, Colour maskColour,
                                   QSize device = {});

private:
    struct Entry {
        qint64 image = 0;
        QSize size;
        QSize device;
        Colour mask = 0;
        std::vector<Rgb> pixels;
    };
    RecentEntries<Entry> m_entries; // normal and hover picture, and a size change
};

// A caption's ink, kept as coverage for each caption, font and width it was
// drawn with and laid onto the surface in any colour. Shaping the text is
// the dearest part of a repaint, and a look draws its caption up to three
// times in as many colours; the pixels are those Surface::drawText gives.
class CaptionInk {
public:
    void draw(Surface& surface, const Rect& r, const QString& caption, Colour c);

private:
    struct Entry {
        QString caption;
        FontDesc font;
        int width = 0;
        double ratio = 1.0; // the surface's device pixel ratio
        QPoint offset;      // of the ink's box from the rectangle's top left, in device pixels
        QSize size;
        std::vector<quint8> coverage;
    };
    const Entry& entry(const Surface& surface, const Rect& r, const QString& caption);
    RecentEntries<Entry> m_entries; // the caption in its font, bold, and after a change
};

// Everything a repaint reads.
struct ButtonDrawing {
    int buttonType = 2;
    int colorScheme = 1;
    int specialEffect = 0;
    int picturePosition = 0;
    bool softBevel = false;
    bool showFocusRect = true;
    bool useMaskColor = true;
    bool useGreyscale = false;
    bool enabled = true;
    bool hovered = false;
    bool hasFocus = false;
    bool displayAsDefault = false;
    QString caption;
    ButtonPalette palette;
    int width = 0;
    int height = 0;
    CaptionLayout layout;
    Rect focus;
    QPoint pictureOrigin;
    QSize pictureSize;
    const Picture* pictureNormal = nullptr; // null: none
    const Picture* pictureOver = nullptr;   // null: none
    Colour maskColor = 0;                   // what an icon's transparent parts become
    PreparedPictures* pictures = nullptr;   // must be set when a picture is
    CaptionInk* captions = nullptr;         // none: the text is drawn each time
    // The mode the caption was last drawn in, kept from one repaint to the
    // next: a look that draws its caption directly (style 5 pressed) leaves
    // it as it was, and a caption behind which the picture lies is drawn
    // again over the picture in it.
    std::optional<CaptionMode>* lastCaptionMode = nullptr;
};

// Fills the face and draws the look: disabled when not enabled, else the
// state's, then the picture. A caption behind which the picture lies is drawn
// again over it, as the look drew it; a look without a caption draws none.
void PaintButtonLook(Surface& surface, const ButtonDrawing& drawing, PaintState state);

// How BlitPicture puts each picture pixel that is not the mask key.
struct BlitMode {
    std::optional<Colour> colour; // a solid shape in this colour
    bool silhouette = false;      // with colour: only the dark pixels (R+G+B <= 384)
    bool greyscale = false;
    bool blend = false; // two parts picture, one part what is under it
};

// Composes a w x h picture (prepared pixels, row by row, for the device
// pixels of that place) onto the surface at (x, y): pixels equal to maskKey
// stay transparent while useMaskColor is set.
// Reads and writes the surface as one block each.
void BlitPicture(Surface& surface, int x, int y, int w, int h, const std::vector<Rgb>& picture,
                 Colour maskKey, bool useMaskColor, const BlitMode& mode);

} // namespace zephral
