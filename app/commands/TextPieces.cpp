#include "commands/TextPieces.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zephral {

namespace {

constexpr std::uint64_t kOnes = ~std::uint64_t{0} / 255;
constexpr std::uint64_t kHighBits = kOnes * 0x80;

std::uint64_t word(const char* at) {
    std::uint64_t w = 0;
    std::memcpy(&w, at, sizeof w);
    return w;
}

// True when one of the 8 bytes is below 0x21: white space may be among them.
bool hasLowByte(std::uint64_t w) {
    return ((w - kOnes * 0x21) & ~w & kHighBits) != 0;
}

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

qsizetype utf8Boundary(const char* data, qsizetype n) {
    // Back over at most 3 continuation bytes to the lead byte of the last
    // sequence; cut before it when the sequence needs more than is there.
    for (qsizetype back = 1; back <= 4 && back <= n; ++back) {
        const auto byte = static_cast<unsigned char>(data[n - back]);
        if ((byte & 0xC0) == 0x80) {
            continue;
        }
        const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? n - back : n;
    }
    return n;
}

bool isAscii(const char* data, qsizetype n) {
    qsizetype i = 0;
    std::uint64_t any = 0;
    for (; i + 8 <= n; i += 8) {
        any |= word(data + i);
    }
    for (; i < n; ++i) {
        any |= static_cast<unsigned char>(data[i]);
    }
    return (any & kHighBits) == 0;
}

bool isGraphicAscii(const char* data, qsizetype n) {
    qsizetype i = 0;
    std::uint64_t low = 0;
    std::uint64_t any = 0;
    for (; i + 8 <= n; i += 8) {
        const std::uint64_t w = word(data + i);
        low |= (w - kOnes * 0x21) & ~w;
        any |= w;
    }
    for (; i < n; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        low |= b < 0x21 ? 0x80 : 0;
        any |= b;
    }
    return ((low | any) & kHighBits) == 0;
}

qsizetype dropWhiteSpace(char* data, qsizetype n) {
    // Up to the first white space nothing moves.
    qsizetype read = 0;
    for (;;) {
        while (read + 8 <= n && !hasLowByte(word(data + read))) {
            read += 8;
        }
        const qsizetype end = std::min<qsizetype>(read + 8, n);
        while (read < end && !isWhiteSpace(data[read])) {
            ++read;
        }
        if (read < end || read == n) {
            break;
        }
    }
    qsizetype kept = read;
    while (read + 8 <= n) {
        const std::uint64_t w = word(data + read);
        if (!hasLowByte(w)) {
            std::memcpy(data + kept, &w, sizeof w);
            kept += 8;
            read += 8;
            continue;
        }
        for (const qsizetype end = read + 8; read < end; ++read) {
            if (!isWhiteSpace(data[read])) {
                data[kept++] = data[read];
            }
        }
    }
    for (; read < n; ++read) {
        if (!isWhiteSpace(data[read])) {
            data[kept++] = data[read];
        }
    }
    return kept;
}

Utf8Output::Utf8Output(const CodePage& page) {
    for (int b = 0; b < 256; ++b) {
        const char16_t c = page.toUnicode(static_cast<std::uint8_t>(b));
        Sequence& s = m_table[static_cast<std::size_t>(b)];
        if (c < 0x80) {
            s = {{static_cast<char>(c)}, 1};
        } else if (c < 0x800) {
            s = {{static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))}, 2};
        } else {
            s = {{static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                  static_cast<char>(0x80 | (c & 0x3F))},
                 3};
        }
    }
}

void Utf8Output::append(QByteArray& out, const char* data, qsizetype n) const {
    if (isAscii(data, n)) {
        out.append(data, n);
        return;
    }
    const qsizetype start = out.size();
    out.resize(start + 3 * n);
    char* o = out.data() + start;
    for (qsizetype i = 0; i < n; ++i) {
        const Sequence& s = m_table[static_cast<unsigned char>(data[i])];
        std::memcpy(o, s.bytes, 3);
        o += s.length;
    }
    out.truncate(o - out.constData());
}

} // namespace zephral
