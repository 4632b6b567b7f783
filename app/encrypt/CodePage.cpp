#include "encrypt/CodePage.h"

#include "platform/AppInfo.h"

#include <QStringList>
#include <atomic>
#include <cstring>
#include <mutex>

namespace zephral {

namespace {

// The upper halves of the tables; the lower half is ASCII in all of them.
// Taken from the system's iconv and checked against it by the tests. The bytes
// a Windows code page leaves unassigned decode to the C1 control of the same
// value, as Windows itself decodes them, so that every byte comes back.
// clang-format off
// Windows-1250, bytes 0x80 to 0xFF
constexpr char16_t kHigh1250[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};
// Windows-1251, bytes 0x80 to 0xFF
constexpr char16_t kHigh1251[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
// Windows-1252, bytes 0x80 to 0xFF
constexpr char16_t kHigh1252[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};
// clang-format on

const char16_t* latin1High() {
    static const std::array<char16_t, 128> table = [] {
        std::array<char16_t, 128> t{};
        for (int i = 0; i < 128; ++i) {
            t[static_cast<std::size_t>(i)] = static_cast<char16_t>(0x80 + i);
        }
        return t;
    }();
    return table.data();
}

struct Entry {
    int number;
    const char16_t* (*high)();
};

const Entry kEntries[] = {
    {1250, [] { return static_cast<const char16_t*>(kHigh1250); }},
    {1251, [] { return static_cast<const char16_t*>(kHigh1251); }},
    {1252, [] { return static_cast<const char16_t*>(kHigh1252); }},
    {28591, latin1High},
};

const CodePage* lookup(int number) {
    // Built once each, on first use; the reverse tables are 64 KiB apiece.
    static std::once_flag once;
    static std::unique_ptr<CodePage> pages[std::size(kEntries)];
    std::call_once(once, [] {
        for (std::size_t i = 0; i < std::size(kEntries); ++i) {
            pages[i] = std::make_unique<CodePage>(kEntries[i].number, kEntries[i].high());
        }
    });
    for (std::size_t i = 0; i < std::size(kEntries); ++i) {
        if (kEntries[i].number == number) {
            return pages[i].get();
        }
    }
    return nullptr;
}

std::atomic<const CodePage*> gActive{nullptr};

} // namespace

CodePage::CodePage(int number, const char16_t* high)
    : m_number(number), m_fromUnicode(std::make_unique<std::uint8_t[]>(0x10000)) {
    for (int b = 0; b < 256; ++b) {
        const char16_t c = b < 0x80 ? static_cast<char16_t>(b) : high[b - 0x80];
        m_toUnicode[static_cast<std::size_t>(b)] = c;
        m_fromUnicode[c] = static_cast<std::uint8_t>(b);
    }
}

const CodePage* CodePage::find(QStringView name) {
    QString n = name.trimmed().toString().toLower();
    if (n == u"latin1" || n == u"latin-1" || n == u"iso-8859-1" || n == u"iso8859-1") {
        return lookup(28591);
    }
    for (const char* prefix : {"windows-", "cp"}) {
        if (n.startsWith(QLatin1String(prefix))) {
            n = n.mid(static_cast<qsizetype>(std::strlen(prefix)));
            break;
        }
    }
    bool ok = false;
    const int number = n.toInt(&ok);
    if (!ok || n.isEmpty() || !n.front().isDigit()) {
        return nullptr;
    }
    return lookup(number);
}

const CodePage& CodePage::byNumber(int number) {
    const CodePage* page = lookup(number);
    return page != nullptr ? *page : *lookup(1252);
}

QList<int> CodePage::available() {
    QList<int> numbers;
    for (const Entry& e : kEntries) {
        numbers.append(e.number);
    }
    return numbers;
}

QString CodePage::availableList() {
    QStringList numbers;
    for (const Entry& e : kEntries) {
        numbers.append(QString::number(e.number));
    }
    return numbers.join(QStringLiteral(", "));
}

QString CodePage::decode(const char* data, qsizetype size) const {
    if (size <= 0) {
        return {};
    }
    QString text(size, Qt::Uninitialized);
    const auto* in = reinterpret_cast<const std::uint8_t*>(data);
    auto* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < size; ++i) {
        out[i] = m_toUnicode[in[i]];
    }
    return text;
}

QByteArray CodePage::encode(QStringView text, qsizetype extra) const {
    const qsizetype size = text.size();
    QByteArray bytes(size + extra, Qt::Uninitialized);
    const char16_t* in = text.utf16();
    auto* out = reinterpret_cast<std::uint8_t*>(bytes.data());
    const std::uint8_t* table = m_fromUnicode.get();
    qsizetype o = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = in[i];
        const std::uint8_t b = table[c];
        if (b == 0 && c != 0) [[unlikely]] {
            // One "?" for a whole character, so a pair of surrogates gives one.
            if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(in[i + 1])) {
                ++i;
            }
            out[o++] = '?';
            continue;
        }
        out[o++] = b;
    }
    if (extra > 0) {
        std::memset(bytes.data() + o, 0, static_cast<std::size_t>(extra));
    }
    if (o != size) {
        bytes.truncate(o + extra);
    }
    return bytes;
}

qsizetype CodePage::fromUtf8(char* data, qsizetype n, qsizetype& taken) const {
    const auto* in = reinterpret_cast<const std::uint8_t*>(data);
    auto* out = reinterpret_cast<std::uint8_t*>(data);
    const std::uint8_t* table = m_fromUnicode.get();
    auto follows = [&](qsizetype at) { return at < n && (in[at] & 0xC0) == 0x80; };
    // Every character takes at least a byte and gives one: what is written
    // never overtakes what is still to read.
    qsizetype i = 0;
    qsizetype o = 0;
    while (i < n) {
        const std::uint8_t lead = in[i];
        if (lead < 0x80) {
            // ASCII is the same bytes in every page here: 8 at a time
            // while it lasts.
            out[o++] = lead;
            ++i;
            std::uint64_t w = 0;
            while (i + 8 <= n && (std::memcpy(&w, in + i, 8), (w & 0x8080808080808080u) == 0)) {
                std::memcpy(out + o, &w, 8);
                i += 8;
                o += 8;
            }
            continue;
        }
        char16_t c = 0;
        int length = 2;
        if (lead >= 0xC2 && lead <= 0xDF && follows(i + 1)) {
            c = static_cast<char16_t>(((lead & 0x1F) << 6) | (in[i + 1] & 0x3F));
        } else if ((lead & 0xF0) == 0xE0 && follows(i + 1) && follows(i + 2)) {
            c = static_cast<char16_t>(((lead & 0x0F) << 12) | ((in[i + 1] & 0x3F) << 6) |
                                      (in[i + 2] & 0x3F));
            length = 3;
            if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF)) {
                break; // too long a form, or a surrogate: no UTF-8
            }
        } else {
            break; // no UTF-8, or beyond every code page here
        }
        const std::uint8_t byte = table[c];
        if (byte == 0) {
            break;
        }
        out[o++] = byte;
        i += length;
    }
    taken = i;
    return o;
}

qsizetype CodePage::firstUnencodable(QStringView text) const {
    const char16_t* in = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (m_fromUnicode[in[i]] == 0 && in[i] != 0) {
            return i;
        }
    }
    return -1;
}

static CodePageFallback& fallbackHandler() {
    static CodePageFallback handler;
    return handler;
}

const CodePage& activeCodePage() {
    const CodePage* page = gActive.load(std::memory_order_acquire);
    if (page == nullptr) {
        page = &CodePage::byNumber(1252);
        const QString setting = readSetting(kSettingCodePage);
        const CodePage* chosen = CodePage::find(setting);
        if (chosen != nullptr) {
            page = chosen;
        }
        // In force before the handler runs: what it does may convert text.
        gActive.store(page, std::memory_order_release);
        if (chosen == nullptr && fallbackHandler()) {
            fallbackHandler()(setting, page->number());
        }
    }
    return *page;
}

void setCodePageFallbackHandler(CodePageFallback handler) {
    fallbackHandler() = std::move(handler);
}

void setActiveCodePage(const CodePage& codePage) {
    gActive.store(&codePage, std::memory_order_release);
}

void resetActiveCodePage() {
    gActive.store(nullptr, std::memory_order_release);
}

} // namespace zephral
