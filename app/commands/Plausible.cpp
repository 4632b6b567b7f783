#include "commands/Plausible.h"

#include "encrypt/CodePage.h"

#include <cstring>
#include <string_view>

namespace zephral {

namespace {

using Bytes = std::basic_string_view<std::uint8_t>;

bool startsWith(Bytes data, std::string_view prefix) {
    return data.size() >= prefix.size() &&
           std::memcmp(data.data(), prefix.data(), prefix.size()) == 0;
}

std::uint32_t littleEndian32(Bytes data, std::size_t at) {
    return std::uint32_t{data[at]} | std::uint32_t{data[at + 1]} << 8 |
           std::uint32_t{data[at + 2]} << 16 | std::uint32_t{data[at + 3]} << 24;
}

bool jpeg(Bytes d) {
    if (!startsWith(d, "\xFF\xD8\xFF") || d.size() < 4) {
        return false;
    }
    const std::uint8_t marker = d[3];
    return (marker >= 0xC0 && marker <= 0xCF) || (marker >= 0xDB && marker <= 0xEF) ||
           marker == 0xFE;
}

bool bmp(Bytes d) {
    if (!startsWith(d, "BM") || d.size() < 18 || littleEndian32(d, 6) != 0) {
        return false;
    }
    switch (littleEndian32(d, 14)) { // the size of the header that follows
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124:
        return true;
    default:
        return false;
    }
}

// The length of the MPEG audio frame (layer III) whose header is at `at`, 0
// when there is none.
std::size_t mpegFrame(Bytes d, std::size_t at) {
    if (at + 4 > d.size() || d[at] != 0xFF || (d[at + 1] & 0xE0) != 0xE0) {
        return 0;
    }
    const int version = (d[at + 1] >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int layer = (d[at + 1] >> 1) & 3;   // 1: layer III
    const int bitrate = d[at + 2] >> 4;
    const int rate = (d[at + 2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrate == 0 || bitrate == 15 || rate == 3) {
        return 0;
    }
    static constexpr int kRates1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static constexpr int kRates2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static constexpr int kSampleRates[] = {44100, 48000, 32000};
    const int divisor = version == 3 ? 1 : version == 2 ? 2 : 4;
    const int samples = kSampleRates[rate] / divisor;
    const int kbits = version == 3 ? kRates1[bitrate] : kRates2[bitrate];
    const int padding = (d[at + 2] >> 1) & 1;
    return static_cast<std::size_t>((version == 3 ? 144000 : 72000) * kbits / samples + padding);
}

bool mp3(Bytes d) {
    if (startsWith(d, "ID3") && d.size() >= 6) {
        return d[3] >= 2 && d[3] <= 4 && d[4] != 0xFF && (d[5] & 0x0F) == 0;
    }
    // A frame, and where it ends the next one.
    const std::size_t first = mpegFrame(d, 0);
    const std::size_t second = first ? mpegFrame(d, first) : 0;
    return second != 0 && (d[first + 1] & 0xFE) == (d[1] & 0xFE);
}

bool windowsExecutable(Bytes d) {
    if (!startsWith(d, "MZ") || d.size() < 0x40) {
        return false;
    }
    const std::uint32_t pe = littleEndian32(d, 0x3C);
    return pe + 4 <= d.size() && std::memcmp(d.data() + pe, "PE\0\0", 4) == 0;
}

bool elf(Bytes d) {
    return startsWith(d, "\x7F"
                         "ELF") &&
           d.size() >= 7 && (d[4] == 1 || d[4] == 2) && (d[5] == 1 || d[5] == 2) && d[6] == 1;
}

struct Kind {
    const char* name;
    bool (*matches)(Bytes);
};

template <const char* Magic, std::size_t Length>
bool magic(Bytes d) {
    return startsWith(d, std::string_view(Magic, Length));
}

#define ZEPHRAL_MAGIC(id, text)                                                                    \
    constexpr char id[] = text;                                                                    \
    bool id##Match(Bytes d) { return magic<id, sizeof id - 1>(d); }

ZEPHRAL_MAGIC(kPdf, "%PDF-")
ZEPHRAL_MAGIC(kZip, "PK\x03\x04")
ZEPHRAL_MAGIC(kZipEmpty, "PK\x05\x06")
ZEPHRAL_MAGIC(kZipSpanned, "PK\x07\x08PK\x03\x04")
ZEPHRAL_MAGIC(kOle2, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")
ZEPHRAL_MAGIC(kRtf, "{\\rtf")
ZEPHRAL_MAGIC(kPng, "\x89PNG\r\n\x1A\n")
ZEPHRAL_MAGIC(kGif87, "GIF87a")
ZEPHRAL_MAGIC(kGif89, "GIF89a")
ZEPHRAL_MAGIC(kTiffLittle, "II*\0")
ZEPHRAL_MAGIC(kTiffBig, "MM\0*")
ZEPHRAL_MAGIC(k7z, "7z\xBC\xAF\x27\x1C")
ZEPHRAL_MAGIC(kRar, "Rar!\x1A\x07")
ZEPHRAL_MAGIC(kXz, "\xFD"
                   "7zXZ\0")
ZEPHRAL_MAGIC(kSqlite, "SQLite format 3\0")
#undef ZEPHRAL_MAGIC

bool gzip(Bytes d) {
    return startsWith(d, "\x1F\x8B\x08") && d.size() >= 4 && (d[3] & 0xE0) == 0;
}

bool bzip2(Bytes d) {
    return startsWith(d, "BZh") && d.size() >= 10 && d[3] >= '1' && d[3] <= '9' &&
           (std::memcmp(d.data() + 4, "\x31\x41\x59\x26\x53\x59", 6) == 0 ||
            std::memcmp(d.data() + 4, "\x17\x72\x45\x38\x50\x90", 6) == 0);
}

constexpr Kind kKinds[] = {
    {"PDF document", kPdfMatch},
    {"ZIP archive (or an office document)", kZipMatch},
    {"ZIP archive", kZipEmptyMatch},
    {"ZIP archive", kZipSpannedMatch},
    {"OLE2 document", kOle2Match},
    {"RTF document", kRtfMatch},
    {"PNG image", kPngMatch},
    {"JPEG image", jpeg},
    {"GIF image", kGif87Match},
    {"GIF image", kGif89Match},
    {"BMP image", bmp},
    {"TIFF image", kTiffLittleMatch},
    {"TIFF image", kTiffBigMatch},
    {"MP3 audio", mp3},
    {"7z archive", k7zMatch},
    {"RAR archive", kRarMatch},
    {"gzip file", gzip},
    {"bzip2 file", bzip2},
    {"xz file", kXzMatch},
    {"SQLite database", kSqliteMatch},
    {"ELF program", elf},
    {"Windows program", windowsExecutable},
};

} // namespace

const char* fileKind(const std::uint8_t* data, std::size_t size) {
    const Bytes d(data, size);
    for (const Kind& kind : kKinds) {
        if (kind.matches(d)) {
            return kind.name;
        }
    }
    return nullptr;
}

TextBytes textBytes(const CodePage& codePage) {
    TextBytes allowed{};
    for (int b = 0; b < 256; ++b) {
        const char16_t c = codePage.toUnicode(static_cast<std::uint8_t>(b));
        const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
        allowed[static_cast<std::size_t>(b)] =
            !control || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
    }
    return allowed;
}

bool isText(const std::uint8_t* data, std::size_t size, const TextBytes& allowed) {
    for (std::size_t i = 0; i < size; ++i) {
        if (!allowed[data[i]]) {
            return false;
        }
    }
    return true;
}

} // namespace zephral
