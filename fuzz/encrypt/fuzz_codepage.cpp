// Fuzzes the code pages both ways, for every page the program offers. Any
// bytes must come back unchanged through text, one character per byte, every
// character one the page holds. Any text (the input read as UTF-16) must
// come back unchanged through bytes when the page holds all of it; otherwise
// the first character it can't hold is the one that became "?", a pair of
// surrogates counting as one character, and the room asked for after the
// bytes is zero.
#include "encrypt/CodePage.h"

#include <QByteArray>
#include <QString>
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
    }
    return 0;
}
