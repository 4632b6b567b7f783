// Fuzzes the code pages both ways, for every page the program offers. Any
// bytes must come back unchanged through text, one character per byte, every
// character one the page holds. Any text (the input read as UTF-16) must
// come back unchanged through bytes when the page holds all of it; otherwise
// the first character it can't hold is the one that became "?", a pair of
// surrogates counting as one character, and the room asked for after the
// bytes is zero. Any bytes read as UTF-8 straight to the page's bytes give
// what the strict decoder and the page give, as far as they go, and they
// stop only where the decoder fails or the page lacks the next character.
#include "encrypt/CodePage.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void bytesThroughText(const zephral::CodePage& page, const QByteArray& bytes) {
    const QString text = page.decode(bytes);
    check(text.size() == bytes.size());
    check(page.firstUnencodable(text) == -1);
    check(page.encode(text) == bytes);
}

void textThroughBytes(const zephral::CodePage& page, const QString& text) {
    constexpr qsizetype kRoom = 8;
    const QByteArray encoded = page.encode(text, kRoom);
    check(encoded.size() >= kRoom && encoded.size() <= text.size() + kRoom);
    for (qsizetype i = encoded.size() - kRoom; i < encoded.size(); ++i) {
        check(encoded[i] == 0);
    }
    const QByteArray bytes = encoded.left(encoded.size() - kRoom);
    const qsizetype first = page.firstUnencodable(text);
    if (first < 0) {
        check(bytes.size() == text.size());
        check(page.decode(bytes) == text);
        return;
    }
    // Everything before the first unheld character came through as itself.
    check(page.decode(bytes.left(first)) == text.left(first));
    check(bytes.size() > first && bytes[first] == '?');
}

QString strictUtf8(const QByteArray& bytes, bool& failed) {
    QStringDecoder strict(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                      QStringConverter::Flag::Stateless);
    const QString text = strict.decode(bytes);
    failed = strict.hasError();
    return text;
}

void utf8ThroughBytes(const zephral::CodePage& page, const QByteArray& bytes) {
    QByteArray converted = bytes;
    qsizetype taken = -1;
    const qsizetype n = page.fromUtf8(converted.data(), converted.size(), taken);
    check(taken >= 0 && taken <= bytes.size() && n >= 0 && n <= taken);
    bool failed = false;
    const QString text = strictUtf8(bytes.left(taken), failed);
    check(!failed && page.firstUnencodable(text) == -1);
    check(page.encode(text) == converted.left(n));
    if (taken < bytes.size()) {
        const QString rest = strictUtf8(bytes.mid(taken), failed);
        check(failed || page.firstUnencodable(rest) == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Copied, not cast: the input need not be aligned for 16-bit units.
    QString text(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, static_cast<std::size_t>(text.size()) * 2);
    for (const int number : zephral::CodePage::available()) {
        const zephral::CodePage& page = zephral::CodePage::byNumber(number);
        bytesThroughText(page, bytes);
        textThroughBytes(page, text);
        utf8ThroughBytes(page, bytes);
    }
    return 0;
}
