// The key search's candidates and its judge of a decryption.
#include "commands/KeyCandidates.h"
#include "commands/KeyRecovery.h"
#include "commands/Plausible.h"
#include "encrypt/CodePage.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>

namespace {

using namespace zephral;

const CodePage& cp1252() {
    return CodePage::byNumber(1252);
}

std::string text(const Candidate& c) {
    return std::string(reinterpret_cast<const char*>(c.bytes), c.length);
}

// The fewest edits from `from` to `to` when inserted and replacing
// characters come from `charset` and a letter may change its case, each
// character edited once (a swap of neighbours is one edit).
int allowedEdits(const std::string& from, const std::string& to, const std::string& charset) {
    constexpr int kNever = 1000;
    const auto caseOf = [](char c) {
        return static_cast<char>(std::isupper(static_cast<unsigned char>(c))
                                     ? std::tolower(static_cast<unsigned char>(c))
                                     : std::toupper(static_cast<unsigned char>(c)));
    };
    const auto inCharset = [&](char c) { return charset.find(c) != std::string::npos; };
    const size_t n = from.size();
    const size_t m = to.size();
    std::vector<std::vector<int>> d(n + 1, std::vector<int>(m + 1, kNever));
    for (size_t i = 0; i <= n; ++i) {
        for (size_t j = 0; j <= m; ++j) {
            int best = i == 0 && j == 0 ? 0 : kNever;
            if (i > 0) {
                best = std::min(best, d[i - 1][j] + 1);
            }
            if (j > 0 && inCharset(to[j - 1])) {
                best = std::min(best, d[i][j - 1] + 1);
            }
            if (i > 0 && j > 0) {
                const char a = from[i - 1];
                const char b = to[j - 1];
                const bool replace = inCharset(b) || (std::isalpha(static_cast<unsigned char>(a)) &&
                                                      caseOf(a) == b);
                best = std::min(best, d[i - 1][j - 1] + (a == b ? 0 : replace ? 1 : kNever));
            }
            if (i > 1 && j > 1 && from[i - 1] == to[j - 2] && from[i - 2] == to[j - 1]) {
                best = std::min(best, d[i - 2][j - 2] + 1);
            }
            d[i][j] = best;
        }
    }
    return d[n][m];
}

// Every string up to `length` over `alphabet`.
void allStrings(const std::string& alphabet, size_t length, std::string prefix,
                std::vector<std::string>& out) {
    if (!prefix.empty()) {
        out.push_back(prefix);
    }
    if (prefix.size() == length) {
        return;
    }
    for (char c : alphabet) {
        allStrings(alphabet, length, prefix + c, out);
    }
}

// The edits of a word are exactly the keys within that many allowed edits,
// each given once: runs of equal letters, letters with and without another
// case, a charset with and without the word's own letters.
TEST(KeyCandidates, EditsGiveEveryNearKeyOnce) {
    const struct {
        const char* word;
        const char* charset;
        int edits;
    } cases[] = {
        {"aab", "ab1", 1}, {"aab", "ab1", 2}, {"aB", "xb", 3}, {"abA", "a", 2},
        {"Ab1", "1b", 2},  {"abc", "cz", 3},  {"aaa", "a", 3},
    };
    for (const auto& c : cases) {
        const std::string word = c.word;
        const std::string charset = c.charset;
        std::vector<std::vector<Symbol>> words{toSymbols(QString::fromLatin1(c.word), cp1252())};
        const auto source = editSource(words, c.edits, QByteArray(c.charset),
                                       caseSwapTable(cp1252()));
        std::map<std::string, int> given;
        Candidate candidate;
        for (std::uint64_t i = 0; i < source->size(); ++i) {
            if (source->at(i, candidate)) {
                ++given[text(candidate)];
            }
        }
        std::string alphabet = charset + word;
        for (char ch : word) {
            alphabet += static_cast<char>(std::isupper(static_cast<unsigned char>(ch))
                                              ? std::tolower(static_cast<unsigned char>(ch))
                                              : std::toupper(static_cast<unsigned char>(ch)));
        }
        std::sort(alphabet.begin(), alphabet.end());
        alphabet.erase(std::unique(alphabet.begin(), alphabet.end()), alphabet.end());
        std::vector<std::string> every;
        allStrings(alphabet, word.size() + static_cast<size_t>(c.edits), "", every);
        std::set<std::string> expected;
        for (const std::string& s : every) {
            if (allowedEdits(word, s, charset) <= c.edits) {
                expected.insert(s);
            }
        }
        std::set<std::string> keys;
        for (const auto& [key, times] : given) {
            keys.insert(key);
            EXPECT_EQ(times, 1) << c.word << " +" << c.edits << ": " << key;
        }
        EXPECT_EQ(keys, expected) << c.word << " with " << c.edits << " edits over " << c.charset;
    }
}


// A mask gives every key of its classes once, every length with
// --increment; malformed masks say what is wrong.
TEST(KeyCandidates, Masks) {
    QString error;
    const auto places = parseMask(QStringLiteral("?d?u??"), cp1252(), error);
    ASSERT_EQ(places.size(), 3u) << error.toStdString();
    const auto source = maskSource(places, true);
    std::set<std::string> keys;
    Candidate candidate;
    for (std::uint64_t i = 0; i < source->size(); ++i) {
        ASSERT_TRUE(source->at(i, candidate));
        keys.insert(text(candidate));
    }
    EXPECT_EQ(keys.size(), source->size());
    EXPECT_EQ(source->size(), 10u + 10u * 26u + 10u * 26u);
    EXPECT_TRUE(keys.count("7") && keys.count("0A") && keys.count("9Z?"));
    for (const char* bad : {"", "ab?", "?x", "\u20ac\u0100"}) {
        error.clear();
        EXPECT_TRUE(parseMask(QString::fromUtf8(bad), cp1252(), error).empty()) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
}

// The N shares of a search follow one another and cover it exactly, with
// sizes at most one apart.
TEST(KeyCandidates, SharesCoverTheWholeOnce) {
    for (std::uint64_t total : {0ull, 1ull, 7ull, 1000003ull, (1ull << 63) - 1}) {
        for (std::uint64_t n : {1ull, 2ull, 3ull, 64ull}) {
            std::uint64_t next = 0;
            for (std::uint64_t k = 1; k <= n; ++k) {
                const Share share = shareOf(total, k, n);
                EXPECT_EQ(share.begin, next) << total << " " << k << "/" << n;
                EXPECT_LE(share.end - share.begin, total / n + 1);
                next = share.end;
            }
            EXPECT_EQ(next, total);
        }
    }
}

// One start of each kind is recognised, random-looking and near-miss starts
// are not, and text is told from binary through the code page.
TEST(Plausible, KindsAndText) {
    const auto bytes = [](const char* data, size_t size) {
        return std::vector<std::uint8_t>(data, data + size);
    };
    std::vector<std::uint8_t> mp3(2000, 0);
    const std::uint8_t frame[] = {0xFF, 0xFB, 0x90, 0x00}; // 128 kbit/s, 44.1 kHz: 417 bytes
    std::copy(frame, frame + 4, mp3.begin());
    std::copy(frame, frame + 4, mp3.begin() + 417);
    std::vector<std::uint8_t> exe(256, 0);
    exe[0] = 'M';
    exe[1] = 'Z';
    exe[0x3C] = 0x80;
    std::copy_n("PE\0\0", 4, exe.begin() + 0x80);
    std::vector<std::uint8_t> bmp = bytes("BM\x36\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0", 18);
    const struct {
        std::vector<std::uint8_t> start;
        bool known;
    } cases[] = {
        {bytes("%PDF-1.7\n", 9), true},
        {bytes("PK\x03\x04\x14\0", 6), true},
        {bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8), true},
        {bytes("{\\rtf1\\ansi", 11), true},
        {bytes("\x89PNG\r\n\x1A\n", 8), true},
        {bytes("\xFF\xD8\xFF\xE0\0\x10JFIF", 10), true},
        {bytes("GIF89a", 6), true},
        {bmp, true},
        {bytes("II*\0\x08\0", 6), true},
        {bytes("ID3\x03\0\0", 6), true},
        {mp3, true},
        {bytes("7z\xBC\xAF\x27\x1C\0\x04", 8), true},
        {bytes("Rar!\x1A\x07\x01\0", 8), true},
        {bytes("\x1F\x8B\x08\0", 4), true},
        {bytes("BZh91AY&SY", 10), true},
        {bytes("\xFD" "7zXZ\0", 6), true},
        {bytes("SQLite format 3\0", 16), true},
        {bytes("\x7F" "ELF\x02\x01\x01", 7), true},
        {exe, true},
        // Too short or only almost: two letters, a lone frame, no PE header.
        {bytes("BM\x36\0\0\0\0\0\0\0\x36\0\0\0\x29\0\0\0", 18), false},
        {std::vector<std::uint8_t>(mp3.begin(), mp3.begin() + 417), false},
        {std::vector<std::uint8_t>(exe.begin(), exe.begin() + 0x80), false},
        {bytes("\x1F\x8B\x08\xE0", 4), false},
        {bytes("\xFF\xD8\xFF\x00", 4), false},
    };
    for (const auto& c : cases) {
        const char* kind = fileKind(c.start.data(), c.start.size());
        EXPECT_EQ(kind != nullptr, c.known)
            << std::string(c.start.begin(), c.start.begin() + std::min<size_t>(8, c.start.size()));
    }
    const TextBytes allowed = textBytes(cp1252());
    const std::string good = "Caf\xE9 \x80 1\t2\r\n\f";
    EXPECT_TRUE(isText(reinterpret_cast<const std::uint8_t*>(good.data()), good.size(), allowed));
    for (const char* bad : {"a\x01", "a\x7F", "a\x81", "a\0b"}) {
        EXPECT_FALSE(isText(reinterpret_cast<const std::uint8_t*>(bad), 3, allowed)) << bad;
    }
}

// A source that can't be anything this program encrypted is refused before
// the search, as a wrong key would be, saying what is wrong with it.
TEST(KeyRecovery, RefusesWhatCannotBeCiphertext) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        const char* content;
        bool text;
        const char* says;
    } cases[] = {
        {"", false, "8-byte blocks"},
        {"thirteen byte", false, "8-byte blocks"},
        {"QUJD", true, "8-byte blocks"}, // "ABC"
        {"QUJDREVGR0g!", true, "not Base64"},
    };
    for (const auto& c : cases) {
        const QString name = dir.filePath(QStringLiteral("source"));
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.content);
        file.close();
        KeyRecoveryRequest request;
        request.source = FilePath::fromText(name);
        request.text = c.text;
        request.mask = QStringLiteral("?l");
        CommandResult result;
        QString usage;
        EXPECT_EQ(KeyRecovery::prepare(request, result, usage), nullptr) << c.content;
        EXPECT_TRUE(usage.isEmpty()) << c.content;
        EXPECT_EQ(result.number, kErrorWrongKey) << c.content;
        EXPECT_TRUE(result.description.contains(QLatin1String(c.says)))
            << qPrintable(result.description);
        EXPECT_EQ(result.path, request.source) << c.content;
    }
}

} // namespace
