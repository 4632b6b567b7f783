// The single-byte code pages through which text and bytes are converted.
//
// Linux has no system ANSI code page, so the program picks one by the
// "CodePage" setting (default "1252"). Every table here maps each of the 256
// byte values to a character of its own, so bytes -> text -> bytes gives back
// exactly the bytes it started from: ciphertext and file contents travel as
// text and rely on that.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace zephral {

class CodePage {
public:
    // The code page of a number ("1252", "28591", ...) or a common alias
    // ("cp1252", "windows-1252", "latin1", "iso-8859-1"); null when unknown.
    static const CodePage* find(QStringView name);
    static const CodePage& byNumber(int number); // an unknown number gives 1252
    static QList<int> available();
    // "1250, 1251, 1252, 28591"
    static QString availableList();

    int number() const { return m_number; }

    // One character per byte.
    QString decode(const char* data, qsizetype size) const;
    QString decode(const QByteArray& bytes) const {
        return decode(bytes.constData(), bytes.size());
    }

    // One byte per character; a character this code page can't represent
    // becomes "?" (a surrogate pair counts as one character). The result has
    // `extra` more bytes at its end, set to 0, so that a caller that needs
    // room after the text (the cipher's padding) gets it without a second copy.
    QByteArray encode(QStringView text, qsizetype extra = 0) const;

    // The n bytes of UTF-8 at `data` as this code page's bytes, written over
    // them from the start; returns how many. It stops before the first
    // sequence that is not UTF-8, is cut off at the end, or is a character
    // the code page can't represent: `taken` is the count of bytes read.
    qsizetype fromUtf8(char* data, qsizetype n, qsizetype& taken) const;

    // The index of the first character this code page can't represent, -1
    // when it represents them all.
    qsizetype firstUnencodable(QStringView text) const;

    char16_t toUnicode(std::uint8_t byte) const { return m_toUnicode[byte]; }

    CodePage(int number, const char16_t* high);

private:
    int m_number;
    std::array<char16_t, 256> m_toUnicode{};
    // Indexed by UTF-16 code unit. 0 means "not representable" for every unit
    // but U+0000, which every table here maps to the byte 0.
    std::unique_ptr<std::uint8_t[]> m_fromUnicode;
};

// The code page the conversions use: the one set with setActiveCodePage, else
// the one the "CodePage" setting names, read at first use (an unknown value
// gives 1252, and the handler below hears of it).
const CodePage& activeCodePage();
// Called when the "CodePage" setting is read and names no code page this
// program has: the value as written (empty included) and the page used.
using CodePageFallback = std::function<void(const QString& value, int used)>;
void setCodePageFallbackHandler(CodePageFallback handler);
void setActiveCodePage(const CodePage& codePage);
// Forgets a code page set or read, so that the next use reads the setting again.
void resetActiveCodePage();

} // namespace zephral
