#include "shared/TextLayout.h"

namespace zephral {

MnemonicText resolveMnemonics(QStringView caption) {
    MnemonicText out;
    out.text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] != u'&') {
            out.text.append(caption[i]);
            continue;
        }
        if (++i == caption.size()) {
            break;
        }
        if (caption[i] != u'&') {
            out.underlined.append(int(out.text.size()));
        }
        out.text.append(caption[i]);
    }
    return out;
}

namespace {

bool isBlank(QChar c) {
    return c == u' ';
}

// Wraps the paragraph text[begin, end) (no line breaks inside).
void wrapParagraph(const QString& text, int begin, int end, int maxWidth,
                   const TextAdvance& advance, std::vector<TextLine>& lines) {
    auto widthOf = [&](int from, int to) {
        return advance(QStringView(text).mid(from, to - from));
    };
    auto emit = [&](int from, int to) { lines.push_back({from, to - from, widthOf(from, to)}); };

    int lineStart = begin;
    while (true) {
        int fitEnd = -1; // end of the last word that fits on this line
        int pos = lineStart;
        while (true) {
            int wordStart = pos;
            while (wordStart < end && isBlank(text[wordStart])) {
                ++wordStart;
            }
            if (wordStart == end) {
                // Only blanks left: they end the paragraph's last line if they fit.
                const bool keep = fitEnd < 0 || widthOf(lineStart, end) <= maxWidth;
                emit(lineStart, keep ? end : fitEnd);
                return;
            }
            int wordEnd = wordStart;
            while (wordEnd < end && !isBlank(text[wordEnd])) {
                ++wordEnd;
            }
            if (fitEnd < 0 || widthOf(lineStart, wordEnd) <= maxWidth) {
                fitEnd = wordEnd;
                pos = wordEnd;
                continue;
            }
            emit(lineStart, fitEnd);
            lineStart = wordStart;
            break;
        }
    }
}

} // namespace

std::vector<TextLine> wrapText(const QString& text, int maxWidth, const TextAdvance& advance) {
    std::vector<TextLine> lines;
    const int size = int(text.size());
    int begin = 0;
    while (begin < size) {
        int end = begin;
        while (end < size && text[end] != u'\n' && text[end] != u'\r') {
            ++end;
        }
        wrapParagraph(text, begin, end, maxWidth, advance, lines);
        if (end < size && text[end] == u'\r' && end + 1 < size && text[end + 1] == u'\n') {
            ++end;
        }
        begin = end + 1;
        if (end + 1 == size) {
            // A break at the very end opens one more, empty line.
            lines.push_back({size, 0, 0});
        }
    }
    return lines;
}

} // namespace zephral
