// The cipher bindings against the real library: known answers, round trips,
// the key limits, wrong keys, and the library or a function missing.
#include "EncryptTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFunctionPointer>
#include <QRandomGenerator>
#include <atomic>
#include <chrono>
#include <thread>

namespace zephral::test {
namespace {

class Bindings : public BindingTest {};

struct KnownAnswer {
    QString key;
    QByteArray data;
    QByteArray cipher;
};

std::vector<KnownAnswer> loadKnownAnswers() {
    QFile file(QStringLiteral(ZEPHRAL_TEST_DATA "/encryptstring.vec"));
    std::vector<KnownAnswer> answers;
    if (!file.open(QIODevice::ReadOnly)) {
        return answers;
    }
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        const QList<QByteArray> parts = line.split('|');
        if (parts.size() == 3) {
            answers.push_back({QString::fromLatin1(parts[0].trimmed()),
                               QByteArray::fromHex(parts[1].trimmed()),
                               QByteArray::fromHex(parts[2].trimmed())});
        }
    }
    return answers;
}

TEST_F(Bindings, EncryptStringGivesTheKnownAnswers) {
    const auto answers = loadKnownAnswers();
    ASSERT_GE(answers.size(), 7u);
    for (const KnownAnswer& a : answers) {
        const QString cipher = EncryptString(bytesText(a.data), a.key);
        EXPECT_EQ(StringToBytes(cipher).toHex(), a.cipher.toHex()) << qPrintable(a.key);
        EXPECT_EQ(StringToBytes(DecryptString(cipher, a.key)), a.data) << qPrintable(a.key);
    }
}

// RFC 4648, section 10.
TEST_F(Bindings, Base64OfTheRfcVectors) {
    const std::pair<const char*, const char*> vectors[] = {
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"\xFF\xE9\x80", "/+mA"},
    };
    for (auto [plain, encoded] : vectors) {
        const QString text = bytesText(QByteArray(plain));
        EXPECT_EQ(EncodeBase64(text), QLatin1String(encoded)) << plain;
        EXPECT_EQ(DecodeBase64(QLatin1String(encoded)), text) << encoded;
    }
}

TEST_F(Bindings, DecodeBase64IsLenient) {
    // Without "=" a short last group still yields its bytes; a line break
    // inside decodes as 0 and shifts what follows.
    const std::pair<const char*, QString> cases[] = {
        {"Zm9vYg", QStringLiteral("foob")}, {"YWJ", QStringLiteral("ab")},
        {"YW", QStringLiteral("a")},        {"Zm9vYmE", QStringLiteral("fooba")},
        {"YW=", QStringLiteral("a")},       {"====", QString(QChar(0))},
    };
    for (const auto& [encoded, decoded] : cases) {
        EXPECT_EQ(DecodeBase64(QLatin1String(encoded)), decoded) << encoded;
    }
    EXPECT_NE(DecodeBase64(QStringLiteral("Zm9v\nYmFy")), QStringLiteral("foobar"));
}

TEST_F(Bindings, CipherTextLengths) {
    const std::pair<int, int> sizes[] = {{1, 8}, {7, 8}, {8, 16}, {9, 16}, {15, 16}, {16, 24}};
    for (auto [in, out] : sizes) {
        EXPECT_EQ(EncryptString(QString(in, u'x'), QStringLiteral("key")).size(), out) << in;
    }
}

TEST_F(Bindings, RoundTripsEveryByteAndKeyLength) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        all.append(static_cast<char>(b));
    }
    for (int keyLength = 1; keyLength <= kMaxKeyLength; ++keyLength) {
        QString key;
        for (int i = 0; i < keyLength; ++i) {
            key.append(QChar(u'!' + (i * 7 + keyLength) % 94));
        }
        // Every data length 1 to 17 and the full byte range.
        for (int n : {1, 2, 7, 8, 9, 16, 17, 256}) {
            const QString data = bytesText(all.right(n));
            const QString cipher = EncryptString(data, key);
            ASSERT_FALSE(cipher.isEmpty());
            EXPECT_EQ(DecryptString(cipher, key), data) << keyLength << " " << n;
            EXPECT_EQ(DecryptString(DecodeBase64(EncodeBase64(cipher)), key), data);
        }
    }
}

TEST_F(Bindings, KeyWithHighBytesRoundTrips) {
    const QString key = QStringLiteral(u"Schl\u00FCssel\u20AC");
    const QString data = QStringLiteral(u"Gr\u00FC\u00DFe");
    const QString cipher = EncryptString(data, key);
    EXPECT_EQ(DecryptString(cipher, key), data);
    EXPECT_NE(cipher, EncryptString(data, QStringLiteral("Schlussel")));
}

// A key byte of 0x80 or more hides the bytes before it in its group of four:
// those keys are one, and only those are called weak.
TEST_F(Bindings, KeysWhoseHighBytesHideOthers) {
    const QString data = QStringLiteral("the same data");
    const QString cafe = bytesText("caf\xE9");
    EXPECT_EQ(EncryptString(data, bytesText("abc\xE9")), EncryptString(data, cafe));
    EXPECT_EQ(EncryptString(data, bytesText("xyz\xE9")), EncryptString(data, cafe));
    const std::pair<const char*, bool> keys[] = {
        {"caf\xE9", true},
        {"\xE9", true},
        {"abcd", false},
        {"\xE9"
         "abc",
         false},
        {"\xE9"
         "bcd\xE9"
         "fgh",
         false},
        {"\xE9"
         "bcd\xE9"
         "fg",
         true},
        {"ab\x80", true},
    };
    for (auto [key, hides] : keys) {
        EXPECT_EQ(keyHidesCharacters(bytesText(key)), hides) << key;
    }
}

TEST_F(Bindings, EmptyTextForEmptyInputOrBadKey) {
    const QString key56(56, u'k');
    const QString key57(57, u'k');
    EXPECT_FALSE(EncryptString(QStringLiteral("data"), key56).isEmpty());
    EXPECT_FALSE(DecryptString(EncryptString(QStringLiteral("data"), key56), key56).isEmpty());
    struct Case {
        QString data, key;
    };
    const Case cases[] = {{QString(8, u'x'), key57},
                          {QString(8, u'x'), QString()},
                          {QString(), QStringLiteral("key")}};
    for (const Case& c : cases) {
        EXPECT_TRUE(EncryptString(c.data, c.key).isEmpty()) << c.key.size();
        EXPECT_TRUE(DecryptString(c.data, c.key).isEmpty()) << c.key.size();
    }
    EXPECT_TRUE(DecryptString(QString(), QStringLiteral("key")).isEmpty());
    EXPECT_TRUE(EncodeBase64(QString()).isEmpty());
    EXPECT_TRUE(DecodeBase64(QString()).isEmpty());
}

// A block whose last deciphered byte is known: encrypt a block ending in it
// and decrypt only the first (data) block of the result.
TEST_F(Bindings, DecryptedLengthFollowsTheLastByte) {
    const QString key = QStringLiteral("key");
    struct Case {
        int last;
        int length; // 0: empty text
    };
    const Case cases[] = {{0x01, 7}, {0x08, 0},  {0x09, 0},  {0x7F, 0},
                          {0x00, 8}, {0xF0, 24}, {0x80, 136}};
    for (const Case& c : cases) {
        QByteArray block("ABCDEFG");
        block.append(static_cast<char>(c.last));
        const QString first = EncryptString(bytesText(block), key).left(8);
        const QString plain = DecryptString(first, key);
        ASSERT_EQ(plain.size(), c.length) << c.last;
        if (c.length > 0) {
            EXPECT_EQ(plain.left(std::min(c.length, 7)),
                      bytesText(block.left(std::min(c.length, 7))));
        }
        if (c.length > 8) {
            // Grown past the input with NUL characters.
            EXPECT_EQ(plain.mid(8), QString(c.length - 8, QChar(0)));
        }
    }
}

TEST(JudgeEnd, LastByteAndZeroFiller) {
    struct Case {
        const char* hex;
        int full, lengthOnly;
    };
    const Case cases[] = {
        {"4142434445464701", 1, 1}, {"4100000000000007", 7, 7}, {"0000000000000008", 8, 8},
        {"4142434445460002", 2, 2}, {"4142434445464702", 0, 2}, {"0100000000000008", 0, 8},
        {"4142434445464700", 0, 0}, {"4142434445464709", 0, 0}, {"41424344454647FF", 0, 0},
    };
    for (const Case& c : cases) {
        const QByteArray block = fromHex(c.hex);
        const char* end = block.constData() + block.size();
        EXPECT_EQ(judgeEnd(block.size(), end, PadCheck::Full), c.full) << c.hex;
        EXPECT_EQ(judgeEnd(block.size(), end, PadCheck::LengthOnly), c.lengthOnly) << c.hex;
    }
}

// Data that is not whole blocks ends in nothing this cipher made, whatever
// its last 8 bytes; of whole blocks, only the 8 bytes before the end count.
TEST(JudgeEnd, OnlyWholeBlocks) {
    const QByteArray data = fromHex("41424344454647480000000000000008");
    const char* end = data.constData() + data.size();
    const struct {
        qint64 size;
        int pad;
    } cases[] = {{0, 0}, {7, 0}, {9, 0}, {15, 0}, {16, 8}, {24, 8}, {1 << 30, 8}};
    for (const auto& c : cases) {
        EXPECT_EQ(judgeEnd(c.size, end, PadCheck::LengthOnly), c.pad) << c.size;
    }
}

// Random wrong keys on a ciphertext, and on plain files decrypted by
// mistake: the few that pass the padding check give a result that encrypts
// back, with the same key, to the very source, so nothing accepted is lost.
TEST_F(Bindings, EveryAcceptedDecryptionEncryptsBackToItsSource) {
    QRandomGenerator random(8);
    auto randomBytes = [&](int n) {
        QByteArray b(n, Qt::Uninitialized);
        for (char& c : b) {
            c = static_cast<char>(random.bounded(256));
        }
        return b;
    };
    const QByteArray sources[] = {encryptBytes(randomBytes(25), QStringLiteral("the right key")),
                                  randomBytes(32), randomBytes(8)};
    int accepted = 0;
    int tried = 0;
    for (const QByteArray& source : sources) {
        for (int i = 0; i < 1500; ++i, ++tried) {
            QString key;
            for (int k = random.bounded(1, 21); k > 0; --k) {
                key.append(QChar(u' ' + random.bounded(95)));
            }
            const std::optional<QByteArray> plain =
                decryptBytesChecked(source, key, PadCheck::Full);
            if (plain) {
                ++accepted;
                EXPECT_EQ(encryptBytes(*plain, key), source) << qPrintable(key);
            }
        }
    }
    // About 1 in 256 passes; a check of the last byte alone would pass 1 in 32.
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, tried / 100);
}

TEST_F(Bindings, CheckedDecryption) {
    const QString key = QStringLiteral("key");
    const QByteArray cipher = encryptBytes(QByteArray("twelve bytes"), key);
    EXPECT_EQ(decryptBytesChecked(cipher, key, PadCheck::Full), QByteArray("twelve bytes"));
    // Another program's padding: the filler is not zero.
    const QByteArray foreign =
        StringToBytes(EncryptString(bytesText(QByteArray("twelve bytes\4\4\4\4")), key)).left(16);
    EXPECT_EQ(decryptBytesChecked(foreign, key, PadCheck::Full), std::nullopt);
    EXPECT_EQ(decryptBytesChecked(foreign, key, PadCheck::LengthOnly), QByteArray("twelve bytes"));
    // A block of padding alone is the encryption of nothing.
    const QByteArray padOnly =
        StringToBytes(EncryptString(bytesText(QByteArray("\0\0\0\0\0\0\0\x08", 8)), key).left(8));
    EXPECT_EQ(decryptBytesChecked(padOnly, key, PadCheck::Full), QByteArray());
    for (const QByteArray& bad : {cipher.left(12), QByteArray()}) {
        EXPECT_EQ(decryptBytesChecked(bad, key, PadCheck::LengthOnly), std::nullopt);
    }
}

TEST_F(Bindings, WithoutTheLibraryEveryOperationGivesEmptyText) {
    NoLibraries loader;
    Services s = services();
    s.libraries = &loader;
    ScopedServices scoped(s);
    resetCipherBinding();
    gAppPath = path(QStringLiteral("program")) + u'/';

    EXPECT_FALSE(cipherLibraryAvailable());
    EXPECT_TRUE(EncryptString(QStringLiteral("data"), QStringLiteral("key")).isEmpty());
    EXPECT_TRUE(DecryptString(QString(8, u'x'), QStringLiteral("key")).isEmpty());
    EXPECT_TRUE(EncodeBase64(QStringLiteral("data")).isEmpty());
    EXPECT_TRUE(DecodeBase64(QStringLiteral("ZGF0YQ==")).isEmpty());
    // The program's folder, an installed tree's private folder beside it,
    // the system folder, then the ordinary search; always by the SONAME.
    const QString name = QStringLiteral("libzephcore.so.1");
    const QString installed = installedLibraryFolder();
    EXPECT_TRUE(installed.startsWith(m_dir.path() + u'/')) << installed.toStdString();
    EXPECT_NE(installed, gAppPath);
    const QStringList order{path(QStringLiteral("program/")) + name, installed + name,
                            path(QStringLiteral("system/")) + name, name};
    ASSERT_GE(loader.asked.size(), 4);
    EXPECT_EQ(loader.asked.mid(0, 4), order);
}

// A program in an installed tree, with nothing beside it and no copy in the
// system folder, finds the library in its private folder.
TEST_F(Bindings, InstalledProgramFindsItsPrivateLibrary) {
    // The real loader, noting where it first succeeded.
    struct Noting : LibraryLoader {
        std::unique_ptr<Library> load(const QString& nameOrPath) override {
            auto library = real.load(nameOrPath);
            if (library && loaded.isEmpty()) {
                loaded = nameOrPath;
            }
            return library;
        }
        QtLibraryLoader real;
        QString loaded;
    } loader;
    Services s = services();
    s.libraries = &loader;
    ScopedServices scoped(s);
    gAppPath = path(QStringLiteral("usr/bin/"));
    ASSERT_TRUE(QDir().mkpath(gAppPath));
    const QString installed = installedLibraryFolder();
    ASSERT_TRUE(QDir().mkpath(installed));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ZEPHCORE_DIR "/") + cipherLibraryFileName(),
                            installed + cipherLibraryFileName()));
    resetCipherBinding();
    EXPECT_EQ(EncodeBase64(QStringLiteral("foo")), QStringLiteral("Zm9v"));
    EXPECT_EQ(loader.loaded, installed + cipherLibraryFileName());
}

// The real library, with one function hidden.
class HidingLoader : public LibraryLoader {
public:
    class Hiding : public Library {
    public:
        Hiding(std::unique_ptr<Library> inner, QByteArray hidden)
            : m_inner(std::move(inner)), m_hidden(std::move(hidden)) {}
        QFunctionPointer resolve(const char* name) override {
            ++resolved;
            return m_hidden == name ? nullptr : m_inner->resolve(name);
        }
        void unload() override {}
        static inline int resolved = 0;

    private:
        std::unique_ptr<Library> m_inner;
        QByteArray m_hidden;
    };
    explicit HidingLoader(QByteArray hidden) : m_hidden(std::move(hidden)) {}
    std::unique_ptr<Library> load(const QString& nameOrPath) override {
        ++loads;
        auto inner = m_real.load(nameOrPath);
        if (!inner) {
            return nullptr;
        }
        return std::make_unique<Hiding>(std::move(inner), m_hidden);
    }
    int loads = 0;

private:
    QtLibraryLoader m_real;
    QByteArray m_hidden;
};

TEST_F(Bindings, AMissingFunctionFailsOnlyItsOperations) {
    HidingLoader loader("BlowENC");
    Services s = services();
    s.libraries = &loader;
    ScopedServices scoped(s);
    resetCipherBinding();

    EXPECT_TRUE(EncryptString(QStringLiteral("data"), QStringLiteral("key")).isEmpty());
    EXPECT_EQ(EncodeBase64(QStringLiteral("foo")), QStringLiteral("Zm9v"));
    EXPECT_EQ(DecodeBase64(QStringLiteral("Zm9v")), QStringLiteral("foo"));
    const QString cipher = bytesText(fromHex("324ED0FEF413A203BD0A9C639EF3ACDC"));
    EXPECT_EQ(DecryptString(cipher, QStringLiteral("abcdefghijklmnopqrstuvwxyz")),
              QStringLiteral("BLOWFISH"));
}

TEST_F(Bindings, LoadedOnceAndEachFunctionLookedUpOnce) {
    HidingLoader loader("none");
    Services s = services();
    s.libraries = &loader;
    ScopedServices scoped(s);
    resetCipherBinding();
    HidingLoader::Hiding::resolved = 0;
    for (int i = 0; i < 3; ++i) {
        const QString key = QStringLiteral("key");
        DecryptString(EncryptString(DecodeBase64(EncodeBase64(QStringLiteral("x"))), key), key);
    }
    EXPECT_EQ(loader.loads, 1);
    EXPECT_EQ(HidingLoader::Hiding::resolved, 6);
}

// The library has one key schedule: other cipher work with another key waits
// while a PieceCipher lives, so its pieces are never enciphered with a key
// changed under them, and then runs with its own.
TEST_F(Bindings, OtherCipherWorkWaitsForAPieceCipher) {
    const QString pieceKey = QStringLiteral("piece key");
    const QString otherKey = QStringLiteral("other key");
    const QByteArray plain("sixteen bytes!!!");
    QString otherCipher;
    std::atomic<bool> otherDone = false;
    std::thread other;
    QByteArray piece = plain + QByteArray(kCipherBlock, '\0');
    {
        PieceCipher cipher(pieceKey);
        ASSERT_TRUE(cipher.ok());
        other = std::thread([&] {
            otherCipher = EncryptString(bytesText(plain), otherKey);
            otherDone = true;
        });
        // Time enough for the other thread to set its key, were it let.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(otherDone);
        ASSERT_TRUE(cipher.encryptBlocks(piece.data(), plain.size()));
    }
    other.join();
    EXPECT_EQ(piece.left(plain.size()), encryptBytes(plain, pieceKey).left(plain.size()));
    EXPECT_EQ(otherCipher, EncryptString(bytesText(plain), otherKey));
}

} // namespace
} // namespace zephral::test
