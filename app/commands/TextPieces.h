// The byte work of the text commands taken a piece at a time: where a piece
// of UTF-8 may end, Base64's white space, and the code page's bytes out as
// UTF-8, each quick on the ASCII that most text is.
#pragma once

#include "encrypt/CodePage.h"

#include <QByteArray>
#include <array>

namespace zephral {

// The length of the longest start of the n bytes that does not end inside a
// UTF-8 sequence: n, or up to 3 less. What is left goes before the next piece.
qsizetype utf8Boundary(const char* data, qsizetype n);

// True when none of the n bytes is 0x80 or more: UTF-8 and every code page
// here are then the same bytes.
bool isAscii(const char* data, qsizetype n);

// True when every one of the n bytes is printable ASCII other than space
// (0x21 to 0x7F): Base64 that needs neither conversion nor white space
// dropped, found in one pass.
bool isGraphicAscii(const char* data, qsizetype n);

// Drops space, tab, CR and LF from the n bytes in place; the length left.
qsizetype dropWhiteSpace(char* data, qsizetype n);

// The code page's bytes as UTF-8.
class Utf8Output {
public:
    explicit Utf8Output(const CodePage& page);
    // Appends the n bytes, converted, to `out`.
    void append(QByteArray& out, const char* data, qsizetype n) const;

private:
    struct Sequence {
        char bytes[3];
        char length;
    };
    std::array<Sequence, 256> m_table{};
};

} // namespace zephral
