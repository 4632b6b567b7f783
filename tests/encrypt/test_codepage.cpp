// The code pages: every byte comes back, the tables agree with the system's
// iconv, unrepresentable characters become "?", and the setting chooses.
#include "EncryptTestSupport.h"

#include <cerrno>
#include <iconv.h>

namespace zephral::test {
namespace {

class EveryCodePage : public ::testing::TestWithParam<int> {};

TEST_P(EveryCodePage, AllBytesRoundTripThroughText) {
    const CodePage& page = CodePage::byNumber(GetParam());
    ASSERT_EQ(page.number(), GetParam());
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        all.append(static_cast<char>(b));
    }
    const QString text = page.decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(page.encode(text), all);
    // Each byte its own character.
    EXPECT_EQ(QSet<QChar>(text.begin(), text.end()).size(), 256);
}

// The system's iconv is the independent reference; a byte iconv leaves
// unassigned must decode to the C1 control of the same value.
TEST_P(EveryCodePage, AgreesWithIconv) {
    const int number = GetParam();
    const QByteArray name =
        number == 28591 ? QByteArray("ISO-8859-1") : "CP" + QByteArray::number(number);
    iconv_t cd = iconv_open("UTF-16LE", name.constData());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        GTEST_SKIP() << "iconv has no " << name.constData();
    }
    const CodePage& page = CodePage::byNumber(number);
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        unsigned char out[8] = {};
        char* inPtr = &in;
        auto* outPtr = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const char16_t expected = r == static_cast<std::size_t>(-1)
                                      ? static_cast<char16_t>(b)
                                      : static_cast<char16_t>(out[0] | (out[1] << 8));
        if (r != static_cast<std::size_t>(-1)) {
            ASSERT_EQ(sizeof out - outLeft, 2u) << "byte " << b;
        }
        EXPECT_EQ(page.toUnicode(static_cast<std::uint8_t>(b)), expected)
            << name.constData() << " byte " << b;
    }
    iconv_close(cd);
}

INSTANTIATE_TEST_SUITE_P(Pages, EveryCodePage, ::testing::ValuesIn(CodePage::available()));

TEST(CodePage, Windows1252UnassignedBytesAreC1Controls) {
    const CodePage& page = CodePage::byNumber(1252);
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(page.toUnicode(static_cast<std::uint8_t>(b)), static_cast<char16_t>(b));
    }
    EXPECT_EQ(page.toUnicode(0x80), u'\u20AC');
    EXPECT_EQ(page.toUnicode(0x9F), u'\u0178');
}

TEST(CodePage, Encodes) {
    struct Case {
        int page;
        QString text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {1252, QStringLiteral(u"a\u20ACb"),
         QByteArray("a\x80"
                    "b")},
        {1252, QStringLiteral(u"\u00E9"), QByteArray("\xE9")},
        {1252, QStringLiteral(u"\u03A9"), QByteArray("?")},         // Greek: not in 1252
        {1252, QStringLiteral(u"\u0080"), QByteArray("?")},         // 0x80 is the euro sign
        {1252, QStringLiteral(u"x\U0001F600y"), QByteArray("x?y")}, // a pair is one character
        {1252, QString(QChar(0xD800)) + u'z', QByteArray("?z")},    // a lone surrogate
        {1252, QString(QChar(0xFFFF)), QByteArray("?")},
        {1252, QString(QChar(0)) + u'a', QByteArray("\0a", 2)},
        {28591, QStringLiteral(u"\u20AC\u00FF\u0081"), QByteArray("?\xFF\x81")},
        {1251, QStringLiteral(u"\u0416\u00E9"), QByteArray("\xC6?")},
        {1250, QStringLiteral(u"\u0141\u00E9"), QByteArray("\xA3\xE9")},
    };
    for (const Case& c : cases) {
        const CodePage& page = CodePage::byNumber(c.page);
        EXPECT_EQ(page.encode(c.text), c.bytes) << c.page << " " << qPrintable(c.text);
    }
}

// UTF-8 straight to the code page, stopping before what is no UTF-8 (too
// long a form, a surrogate, a cut sequence) or has no byte in the page.
TEST(CodePage, FromUtf8StopsWhereItCannotTake) {
    struct Case {
        int page;
        QByteArray utf8;
        QByteArray bytes;
        qsizetype taken;
    };
    const Case cases[] = {
        {1252, "caf\xC3\xA9 \xE2\x82\xAC", "caf\xE9 \x80", 9},
        {1251, "\xD0\x9F\xD0\xB6", "\xCF\xE6", 4},
        {1250, "\xC5\x81x", "\xA3x", 3},
        {1252, "a\xD0\x9F", "a", 1},         // Cyrillic: not in 1252
        {1252, "a\xF0\x9F\x98\x80", "a", 1}, // beyond the 16-bit characters
        {1252, "a\xC0\xA9", "a", 1},         // too long a form of "\xA9"
        {1252, "a\xE0\x82\xAC", "a", 1},     // too long a form of the euro sign
        {1252, "a\xED\xA0\x80", "a", 1},     // a surrogate
        {1252, "ab\xE2\x82", "ab", 2},       // cut off at the end
        {1252, "\x80", "", 0},               // a continuation byte alone
        {1252, QByteArray("\0\xC2\x81", 3), QByteArray("\0\x81", 2), 3},
    };
    for (const Case& c : cases) {
        QByteArray data = c.utf8;
        qsizetype taken = -1;
        const qsizetype n = CodePage::byNumber(c.page).fromUtf8(data.data(), data.size(), taken);
        EXPECT_EQ(data.left(n), c.bytes) << c.page << " " << c.utf8.toHex().constData();
        EXPECT_EQ(taken, c.taken) << c.page << " " << c.utf8.toHex().constData();
    }
}

TEST(CodePage, EncodeAddsZeroedRoom) {
    const QByteArray b = CodePage::byNumber(1252).encode(QStringLiteral(u"ab\U0001F600"), 8);
    EXPECT_EQ(b, QByteArray("ab?\0\0\0\0\0\0\0\0", 11));
}

TEST(CodePage, FindsByNameAndAlias) {
    struct Case {
        const char* name;
        int number; // 0: unknown
    };
    const Case cases[] = {
        {"1252", 1252},
        {"cp1252", 1252},
        {"Windows-1252", 1252},
        {" 1251 ", 1251},
        {"CP1250", 1250},
        {"28591", 28591},
        {"latin1", 28591},
        {"ISO-8859-1", 28591},
        {"", 0},
        {"abc", 0},
        {"437", 0},
        {"1252x", 0},
        {"-1252", 0},
        {"+1252", 0},
        {"cp", 0},
        {"65001", 0},
    };
    for (const Case& c : cases) {
        const CodePage* page = CodePage::find(QString::fromUtf8(c.name));
        if (c.number == 0) {
            EXPECT_EQ(page, nullptr) << c.name;
        } else {
            ASSERT_NE(page, nullptr) << c.name;
            EXPECT_EQ(page->number(), c.number) << c.name;
        }
    }
    EXPECT_EQ(CodePage::byNumber(437).number(), 1252);
}

class CodePageSetting : public BindingTest {};

TEST_F(CodePageSetting, ChoosesTheCodePage) {
    struct Case {
        const char* stored; // nullptr: no setting
        int number;
    };
    const Case cases[] = {{nullptr, 1252}, {"28591", 28591}, {"1251", 1251},
                          {"bogus", 1252}, {"", 1252},       {"1252", 1252}};
    for (const Case& c : cases) {
        if (c.stored != nullptr) {
            writeSetting(kSettingCodePage, QString::fromUtf8(c.stored));
        }
        resetActiveCodePage();
        EXPECT_EQ(activeCodePage().number(), c.number) << (c.stored ? c.stored : "(none)");
    }
}

TEST_F(CodePageSetting, SetOverridesTheSetting) {
    writeSetting(kSettingCodePage, QStringLiteral("1251"));
    setActiveCodePage(CodePage::byNumber(28591));
    EXPECT_EQ(activeCodePage().number(), 28591);
    EXPECT_EQ(StringToBytes(QStringLiteral(u"\u0416")), QByteArray("?"));
    resetActiveCodePage();
    EXPECT_EQ(StringToBytes(QStringLiteral(u"\u0416")), QByteArray("\xC6"));
}

} // namespace
} // namespace zephral::test
