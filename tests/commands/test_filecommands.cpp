// The two file commands on real files: sizes and exact round trips, in-place
// work, atomic replacement, and every failure with its number.
#include "EncryptTestSupport.h"
#include "commands/Commands.h"
#include "commands/FileStream.h"
#include "commands/Files.h"
#include "commands/TextPieces.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zephral::test {
namespace {

const QString kKey = QStringLiteral("correct horse");

FilePath at(const QString& path) {
    return FilePath::fromText(path);
}

CommandResult encryptFile(const QString& source, const QString& destination, const QString& key) {
    return runFileCommand(Command::EncryptFile, at(source), at(destination), key);
}

CommandResult decryptFile(const QString& source, const QString& destination, const QString& key) {
    return runFileCommand(Command::DecryptFile, at(source), at(destination), key);
}

class FileCommand : public BindingTest {
protected:
    QString write(const QString& name, const QByteArray& content) {
        const QString p = path(name);
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        return p;
    }
    static QByteArray read(const QString& p) {
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(p);
        return f.readAll();
    }
    // Names in the temporary folder other than the ones a test made: left-over
    // temporary files.
    QStringList strays(const QStringList& expected) const {
        QStringList names = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& e : expected) {
            names.removeAll(e);
        }
        return names;
    }
    static QByteArray allBytes(int n) {
        QByteArray b;
        for (int i = 0; i < n; ++i) {
            b.append(static_cast<char>((i * 37 + 11) & 0xFF));
        }
        return b;
    }
};

TEST_F(FileCommand, SizesAndExactRoundTrip) {
    const std::pair<int, int> sizes[] = {{1, 8},   {7, 8},       {8, 16},           {9, 16},
                                         {16, 24}, {4099, 4104}, {3145733, 3145736}};
    for (auto [n, encrypted] : sizes) {
        const QByteArray data = allBytes(n);
        const QString source = write(QStringLiteral("plain"), data);
        const QString cipher = path(QStringLiteral("cipher"));
        const QString back = path(QStringLiteral("back"));
        ASSERT_TRUE(encryptFile(source, cipher, kKey).ok) << n;
        EXPECT_EQ(QFileInfo(cipher).size(), encrypted) << n;
        const CommandResult r = decryptFile(cipher, back, kKey);
        ASSERT_TRUE(r.ok) << qPrintable(r.description);
        EXPECT_EQ(read(back), data) << n;
    }
    EXPECT_TRUE(strays({QStringLiteral("plain"), QStringLiteral("cipher"), QStringLiteral("back")})
                    .isEmpty());
}

// Feeds bytes into a pipe from a thread of its own, for a source that can't
// be measured or read twice.
class PipeSource {
public:
    explicit PipeSource(const QByteArray& data) {
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        m_read = fds[0];
        m_writer = std::thread([data, fd = fds[1]] {
            const char* p = data.constData();
            qsizetype left = data.size();
            while (left > 0) {
                const ssize_t w = ::write(fd, p, static_cast<std::size_t>(left));
                if (w <= 0) {
                    break;
                }
                p += w;
                left -= w;
            }
            ::close(fd);
        });
    }
    ~PipeSource() {
        ::close(m_read); // a writer the command left stuck gets EPIPE
        m_writer.join();
    }
    FileEnd end() const { return FileEnd::stream(m_read, QStringLiteral("pipe")); }

private:
    int m_read = -1;
    std::thread m_writer;
};

// Pieces put together give byte for byte what the whole-file transform
// gives, at every size around a piece's edges, from a file and from a pipe.
TEST_F(FileCommand, PiecesGiveTheWholeFileBytes) {
    const qsizetype big = streamPieceSize();
    struct Case {
        qsizetype piece;
        QList<qsizetype> sizes;
    };
    const Case cases[] = {
        {64, {0, 1, 7, 8, 9, 63, 64, 65, 128, 3 * 64 + 5}},
        {big, {big - 1, big, big + 1, 2 * big + 13}},
    };
    QRandomGenerator random(13);
    for (const Case& c : cases) {
        ScopedPieceSize scoped(c.piece);
        for (qsizetype n : c.sizes) {
            QByteArray data(n, '\0');
            random.fillRange(reinterpret_cast<quint32*>(data.data()), n / 4);
            const QByteArray whole = n == 0 ? QByteArray() : encryptBytes(data, kKey);
            const QString source = write(QStringLiteral("plain"), data);
            const QString cipher = path(QStringLiteral("cipher"));
            const QString back = path(QStringLiteral("back"));
            ASSERT_TRUE(encryptFile(source, cipher, kKey).ok) << n;
            EXPECT_TRUE(read(cipher) == whole) << n;
            ASSERT_TRUE(decryptFile(cipher, back, kKey).ok) << n;
            EXPECT_TRUE(read(back) == data) << n;

            for (const bool encrypt : {true, false}) {
                PipeSource pipe(encrypt ? data : whole);
                const CommandResult r =
                    runFileCommand(encrypt ? Command::EncryptFile : Command::DecryptFile,
                                   pipe.end(), FileEnd::named(at(back)), kKey);
                if (n == 0 && !encrypt) {
                    // An empty stream is more likely a failed pipeline than
                    // an empty file: refused, the destination kept.
                    EXPECT_EQ(r.number, kErrorNothingToDecrypt);
                    EXPECT_TRUE(QFileInfo::exists(back));
                    continue;
                }
                ASSERT_TRUE(r.ok) << n << qPrintable(r.description);
                EXPECT_TRUE(read(back) == (encrypt ? whole : data)) << n << encrypt;
            }
        }
    }
}

// The text commands in pieces give the bytes of the whole-text commands, at
// sizes around the pieces' edges: UTF-8 sequences and Base64 groups cut by a
// piece's end, white space anywhere, an "=" inside the Base64, and a
// decryption's last block held to the end.
TEST_F(FileCommand, TextPiecesGiveTheWholeTextBytes) {
    ScopedPieceSize scoped(16); // text pieces of 64 bytes
    auto streamed = [](Command command, const QByteArray& input, const QString& key,
                       QByteArray& output) {
        output.clear();
        TextStream stream;
        qsizetype at = 0;
        stream.read = [&](char* data, qsizetype size) {
            const qsizetype n = std::min(size, input.size() - at);
            std::memcpy(data, input.constData() + at, static_cast<std::size_t>(n));
            at += n;
            return n;
        };
        stream.write = [&](const char* data, qsizetype size) {
            output.append(data, size);
            return CommandResult::success();
        };
        return streamTextCommand(command, stream, key);
    };
    auto whole = [](Command command, const QString& text, const QString& key) {
        QString output;
        EXPECT_TRUE(runTextCommand(command, text, key, output).ok);
        return output.toUtf8();
    };
    for (const qsizetype n : {0, 1, 2, 3, 23, 24, 63, 64, 65, 127, 128, 129, 200, 333}) {
        QString text;
        for (qsizetype i = 0; i < n; ++i) {
            text += i % 7 == 3   ? QChar(u'\u20AC')
                    : i % 5 == 1 ? QChar(u'\u00E9')
                                 : QChar(static_cast<char16_t>(u'a' + i % 26));
        }
        QByteArray out;
        ASSERT_TRUE(streamed(Command::EncodeText, text.toUtf8(), {}, out).ok) << n;
        const QByteArray encoded = whole(Command::EncodeText, text, {});
        EXPECT_EQ(out, encoded + '\n') << n;
        ASSERT_TRUE(streamed(Command::EncryptEncodeText, text.toUtf8(), kKey, out).ok) << n;
        const QByteArray encrypted = whole(Command::EncryptEncodeText, text, kKey);
        EXPECT_EQ(out, encrypted + '\n') << n;

        // Back, wrapped at 76 columns with CR LF, and with an "=" inside.
        QByteArray wrapped;
        for (qsizetype at = 0; at < encrypted.size(); at += 76) {
            wrapped += encrypted.mid(at, 76) + "\r\n";
        }
        ASSERT_TRUE(streamed(Command::DecryptDecodeText, wrapped, kKey, out).ok) << n;
        EXPECT_EQ(out, text.toUtf8()) << n;
        const QByteArray inside = encoded + "Zg==" + encoded.left(n % 9);
        ASSERT_TRUE(streamed(Command::DecodeText, inside, {}, out).ok) << n;
        EXPECT_EQ(out, whole(Command::DecodeText, QString::fromLatin1(inside), {})) << n;
        if (n > 0) {
            EXPECT_EQ(
                streamed(Command::DecryptDecodeText, wrapped, QStringLiteral("wrong"), out).number,
                kErrorWrongKey)
                << n;
            if (n <= 24) { // within the first piece: nothing written
                EXPECT_TRUE(out.isEmpty()) << n;
            }
        }
    }
    // A sequence cut short at the very end, or a byte that is no UTF-8.
    QByteArray out;
    for (const QByteArray& bad :
         {QByteArray(100, 'a') + "\xE2\x82", QByteArray(70, 'a') + "\xFF"}) {
        EXPECT_EQ(streamed(Command::EncodeText, bad, {}, out).number, kErrorInvalidUtf8);
    }
}

// The text pieces' byte scanners read 8 bytes at a time: one byte of each
// kind at every place around those words is found, and only white space goes.
TEST(TextPieces, ScannersFindEveryByteAtEveryPlace) {
    for (const char special : {' ', '\t', '\r', '\n', '\x01', '!', '\x7F', '\x80', '\xE9'}) {
        const auto byte = static_cast<unsigned char>(special);
        const bool space = special == ' ' || special == '\t' || special == '\r' || special == '\n';
        for (int at = 0; at < 19; ++at) {
            QByteArray text(19, 'A');
            text[at] = special;
            EXPECT_EQ(isAscii(text.constData(), text.size()), byte < 0x80) << at << int(byte);
            EXPECT_EQ(isGraphicAscii(text.constData(), text.size()), byte > 0x20 && byte < 0x80)
                << at << int(byte);
            QByteArray kept = text;
            kept.truncate(dropWhiteSpace(kept.data(), kept.size()));
            EXPECT_EQ(kept, space ? QByteArray(18, 'A') : text) << at << int(byte);
        }
    }
}

// A pipe's padding is judged at its end; a wrong key or a cut-off file then
// leaves the destination as it was.
TEST_F(FileCommand, ADecryptedPipeThatCannotBeRightWritesNothing) {
    ScopedPieceSize scoped(64);
    QByteArray cipher = encryptBytes(allBytes(1000), kKey);
    const QByteArray cut = cipher.left(cipher.size() - 3);
    const std::pair<QByteArray, QString> cases[] = {{cipher, QStringLiteral("wrong")}, {cut, kKey}};
    for (const auto& [bytes, key] : cases) {
        const QString dest = write(QStringLiteral("dest"), QByteArray("keep me"));
        PipeSource pipe(bytes);
        const CommandResult r =
            runFileCommand(Command::DecryptFile, pipe.end(), FileEnd::named(at(dest)), key);
        EXPECT_EQ(r.number, kErrorWrongKey);
        EXPECT_EQ(read(dest), QByteArray("keep me"));
    }
    EXPECT_TRUE(strays({QStringLiteral("dest")}).isEmpty());
}

// Over 2 GiB both ways, from a sparse file, where a RAM-backed folder (or
// else the temporary folder) has room for the two results.
TEST_F(FileCommand, LargerThanTwoGiB) {
#ifdef ZEPHRAL_SANITIZED
    GTEST_SKIP() << "minutes under the sanitizers; make test runs it";
#endif
    const qint64 n = (qint64{1} << 31) + 4096 + 13;
    const qint64 encrypted = n - n % 8 + 8;
    auto room = [](const QString& folder) {
        struct statvfs vfs {};
        return ::statvfs(QFile::encodeName(folder).constData(), &vfs) == 0
                   ? static_cast<qint64>(vfs.f_bavail) * static_cast<qint64>(vfs.f_frsize)
                   : 0;
    };
    const qint64 needed = 2 * encrypted + (qint64{1} << 30);
    QTemporaryDir shm(QStringLiteral("/dev/shm/zephral-test-XXXXXX"));
    QString folder = shm.isValid() && room(shm.path()) >= needed ? shm.path() : m_dir.path();
    if (room(folder) < needed) {
        GTEST_SKIP() << "needs " << needed / (1 << 20) << " MiB free in /dev/shm or "
                     << qPrintable(m_dir.path());
    }
    const QString source = folder + QStringLiteral("/sparse");
    const QString cipher = folder + QStringLiteral("/cipher");
    const QString back = folder + QStringLiteral("/back");
    // Marks at the start, across the 2 GiB line and at the end; zeros between.
    const std::pair<qint64, QByteArray> marks[] = {
        {0, QByteArray("start")}, {(qint64{1} << 31) - 3, QByteArray("across")}, {n - 5, "end!!"}};
    {
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(n));
        for (const auto& [at, bytes] : marks) {
            ASSERT_TRUE(f.seek(at));
            ASSERT_EQ(f.write(bytes), bytes.size());
        }
    }
    ASSERT_TRUE(encryptFile(source, cipher, kKey).ok);
    EXPECT_EQ(QFileInfo(cipher).size(), encrypted);
    // ECB: a block of zeros past 2 GiB is the one block 8 zero bytes give.
    QByteArray block(8, '\0');
    const int fd = ::open(QFile::encodeName(cipher).constData(), O_RDONLY);
    EXPECT_EQ(::pread(fd, block.data(), 8, (off_t{1} << 31) + 800), 8);
    ::close(fd);
    EXPECT_EQ(block, encryptBytes(QByteArray(8, '\0'), kKey).left(8));
    ASSERT_TRUE(decryptFile(cipher, back, kKey).ok);
    QFile::remove(cipher);
    QFile a(source);
    QFile b(back);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    ASSERT_EQ(b.size(), n);
    qint64 differing = 0;
    while (!a.atEnd()) {
        differing += a.read(64 << 20) != b.read(64 << 20);
    }
    EXPECT_EQ(differing, 0);
    QFile::remove(back);
    QFile::remove(source);
}

// A file system without room for the result: a clear error that says how
// much is needed, and nothing touched, in place too.
TEST_F(FileCommand, NotEnoughRoom) {
    const QString small = path(QStringLiteral("small"));
    QDir().mkdir(small);
    if (::geteuid() != 0 ||
        ::mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=256k") != 0) {
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    }
    const QString source = write(QStringLiteral("plain"), allBytes(1 << 20));
    const QString dest = small + QStringLiteral("/dest");
    const QString inPlace = small + QStringLiteral("/doc");
    {
        QFile f(dest);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
        QFile g(inPlace);
        ASSERT_TRUE(g.open(QIODevice::WriteOnly));
        g.write(allBytes(150 << 10));
    }
    CommandResult r = encryptFile(source, dest, kKey);
    EXPECT_EQ(r.number, ENOSPC);
    EXPECT_TRUE(r.description.contains(QStringLiteral("1.0 MiB (1048584 bytes)")))
        << qPrintable(r.description);
    EXPECT_EQ(r.path.toText(), dest);
    EXPECT_EQ(read(dest), QByteArray("keep me"));
    // The file is there until its result replaces it: twice its size is more
    // than the file system holds.
    r = encryptFile(inPlace, inPlace, kKey);
    EXPECT_EQ(r.number, ENOSPC);
    EXPECT_EQ(read(inPlace), allBytes(150 << 10));
    EXPECT_EQ(QDir(small).entryList(QDir::Files | QDir::Hidden).size(), 2);
    ::umount2(QFile::encodeName(small).constData(), MNT_DETACH);
}

TEST_F(FileCommand, EveryByteValueSurvivesWhateverTheCodePage) {
    for (int page : CodePage::available()) {
        setActiveCodePage(CodePage::byNumber(page));
        const QByteArray data = allBytes(256 * 3);
        const QString source = write(QStringLiteral("plain"), data);
        ASSERT_TRUE(encryptFile(source, path(QStringLiteral("cipher")), kKey).ok);
        ASSERT_TRUE(
            decryptFile(path(QStringLiteral("cipher")), path(QStringLiteral("back")), kKey).ok);
        EXPECT_EQ(read(path(QStringLiteral("back"))), data) << page;
    }
}

TEST_F(FileCommand, DeterministicElectronicCodebook) {
    const QString source = write(QStringLiteral("plain"), QByteArray("12345678123456789"));
    ASSERT_TRUE(encryptFile(source, path(QStringLiteral("a")), kKey).ok);
    ASSERT_TRUE(encryptFile(source, path(QStringLiteral("b")), kKey).ok);
    const QByteArray a = read(path(QStringLiteral("a")));
    EXPECT_EQ(a, read(path(QStringLiteral("b"))));
    ASSERT_EQ(a.size(), 24);
    EXPECT_EQ(a.left(8), a.mid(8, 8));
    EXPECT_EQ(StringToBytes(EncryptString(bytesText(QByteArray("12345678123456789")), kKey)), a);
}

TEST_F(FileCommand, InPlaceLeavesNoOldBytesBehind) {
    const QByteArray data = allBytes(1000);
    const QString file = write(QStringLiteral("doc"), data);
    ASSERT_TRUE(encryptFile(file, file, kKey).ok);
    EXPECT_EQ(QFileInfo(file).size(), 1008);
    ASSERT_TRUE(decryptFile(file, file, kKey).ok);
    EXPECT_EQ(read(file), data);

    // A longer old destination is replaced, not overwritten from its start.
    const QString small = write(QStringLiteral("small"), QByteArray("tiny"));
    const QString old = write(QStringLiteral("old"), QByteArray(5000, 'z'));
    ASSERT_TRUE(encryptFile(small, old, kKey).ok);
    EXPECT_EQ(QFileInfo(old).size(), 8);
    EXPECT_TRUE(
        strays({QStringLiteral("doc"), QStringLiteral("small"), QStringLiteral("old")}).isEmpty());
}

TEST_F(FileCommand, EmptySourceGivesEmptyDestination) {
    const QString source = write(QStringLiteral("empty"), {});
    const QString fresh = path(QStringLiteral("fresh"));
    ASSERT_TRUE(encryptFile(source, fresh, kKey).ok);
    EXPECT_TRUE(QFileInfo::exists(fresh));
    EXPECT_EQ(QFileInfo(fresh).size(), 0);
    const QString full = write(QStringLiteral("full"), QByteArray("content"));
    ASSERT_TRUE(decryptFile(source, full, kKey).ok);
    EXPECT_EQ(QFileInfo(full).size(), 0);
}

TEST_F(FileCommand, KeepsPermissionBitsAndFollowsLinks) {
    const QString source = write(QStringLiteral("plain"), QByteArray("data"));
    const QString dest = write(QStringLiteral("dest"), QByteArray("old"));
    ASSERT_EQ(::chmod(QFile::encodeName(dest).constData(), 0640), 0);
    ASSERT_TRUE(encryptFile(source, dest, kKey).ok);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(dest).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    const QString link = path(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(dest, link));
    ASSERT_TRUE(decryptFile(dest, link, kKey).ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(read(dest), QByteArray("data"));
}

// A wrong key or a damaged file fails with one number and the destination
// keeps its bytes, whatever the file's size.
TEST_F(FileCommand, DecryptionThatCannotBeRightWritesNothing) {
    const QByteArray data = allBytes(100);
    const QString source = write(QStringLiteral("plain"), data);
    const QString cipher = path(QStringLiteral("cipher"));
    ASSERT_TRUE(encryptFile(source, cipher, kKey).ok);
    QByteArray truncated = read(cipher);
    truncated.chop(3);
    const QString small = write(QStringLiteral("small"), encryptBytes(QByteArray("seven!!"), kKey));
    // Another program's padding: the filler before the pad length is not zero.
    const QString foreign = write(QStringLiteral("foreign"),
                                  encryptBytes(QByteArray("twelve bytes\4\4\4\4"), kKey).left(16));

    struct Case {
        QString source;
        QString key;
    };
    std::vector<Case> cases = {
        {cipher, QStringLiteral("wrong horse")},
        {write(QStringLiteral("truncated"), truncated), kKey},
        {source, kKey}, // 100 bytes: not whole blocks
        {foreign, kKey},
    };
    // A one-block file with a wrong key most often deciphers to a length of
    // nothing or less: still a wrong key.
    for (int i = 0; i < 16; ++i) {
        cases.push_back({small, QStringLiteral("wrong %1").arg(i)});
    }
    // In pieces of one block too, and in place, where the source is the
    // destination that must keep its bytes.
    for (const qsizetype piece : {streamPieceSize(), qsizetype{8}}) {
        ScopedPieceSize scoped(piece);
        for (const Case& c : cases) {
            const QString dest = write(QStringLiteral("dest"), QByteArray("keep me"));
            const CommandResult r = decryptFile(c.source, dest, c.key);
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.number, kErrorWrongKey) << qPrintable(r.description);
            EXPECT_EQ(r.description, QStringLiteral("Wrong key or damaged file"));
            EXPECT_EQ(read(dest), QByteArray("keep me"));
            const QByteArray before = read(c.source);
            EXPECT_EQ(decryptFile(c.source, c.source, c.key).number, kErrorWrongKey);
            EXPECT_EQ(read(c.source), before);
        }
    }
    // With the pad's length alone checked, the foreign file opens.
    ASSERT_TRUE(runFileCommand(Command::DecryptFile, at(foreign), at(path(QStringLiteral("out"))),
                               kKey, PadCheck::LengthOnly)
                    .ok);
    EXPECT_EQ(read(path(QStringLiteral("out"))), QByteArray("twelve bytes"));
}

TEST_F(FileCommand, KeyChecks) {
    const QString source = write(QStringLiteral("plain"), QByteArray("data"));
    const QString dest = path(QStringLiteral("dest"));
    struct Case {
        QString key;
        int number;
    };
    const Case cases[] = {{QString(57, u'k'), kErrorKeyTooLong}, {QString(), kErrorNoKey}};
    for (const Case& c : cases) {
        for (Command command : {Command::EncryptFile, Command::DecryptFile}) {
            const CommandResult r = runFileCommand(command, at(source), at(dest), c.key);
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.number, c.number);
            EXPECT_FALSE(QFileInfo::exists(dest));
        }
    }
    EXPECT_TRUE(encryptFile(source, dest, QString(56, u'k')).ok);
}

TEST_F(FileCommand, SystemErrorsCarryNumberDescriptionAndPath) {
    const QString source = write(QStringLiteral("plain"), QByteArray("data"));
    QDir(m_dir.path()).mkdir(QStringLiteral("folder"));
    const QString folder = path(QStringLiteral("folder"));
    struct Case {
        QString source, dest;
        int number;
        const char* description;
        QString failing;
    };
    const Case cases[] = {
        {path(QStringLiteral("missing")), path(QStringLiteral("d1")), 2,
         "No such file or directory", path(QStringLiteral("missing"))},
        {folder, path(QStringLiteral("d2")), 21, "Is a directory", folder},
        {source, folder, 21, "Is a directory", folder},
        // A folder that is missing or no folder is named as the cause.
        {source, path(QStringLiteral("nofolder/d3")), 2, "No such file or directory",
         path(QStringLiteral("nofolder"))},
        {source, source + QStringLiteral("/d5"), 20, "Not a directory", source},
        {QString(), path(QStringLiteral("d4")), 2, "No such file or directory", QString()},
        {source, QStringLiteral("/dev/full"), 28, "No space left on device",
         QStringLiteral("/dev/full")},
    };
    for (const Case& c : cases) {
        const CommandResult r = encryptFile(c.source, c.dest, kKey);
        EXPECT_FALSE(r.ok) << qPrintable(c.dest);
        EXPECT_EQ(r.number, c.number) << qPrintable(c.dest);
        EXPECT_EQ(r.description, QLatin1String(c.description));
        EXPECT_EQ(r.path.toText(), c.failing);
    }
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("d1"))));
    EXPECT_TRUE(strays({QStringLiteral("plain")}).isEmpty());
    EXPECT_TRUE(QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

TEST_F(FileCommand, ReadOnlyDestinationAndFolder) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permission bits do not stop root";
    }
    const QString source = write(QStringLiteral("plain"), QByteArray("data"));
    const QString dest = write(QStringLiteral("locked"), QByteArray("keep"));
    ASSERT_EQ(::chmod(QFile::encodeName(dest).constData(), 0444), 0);
    CommandResult r = encryptFile(source, dest, kKey);
    EXPECT_EQ(r.number, 13);
    EXPECT_EQ(r.description, QStringLiteral("Permission denied"));
    EXPECT_EQ(read(dest), QByteArray("keep"));

    QDir(m_dir.path()).mkdir(QStringLiteral("ro"));
    const QString folder = path(QStringLiteral("ro"));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    r = encryptFile(source, folder + QStringLiteral("/x"), kKey);
    EXPECT_EQ(r.number, 13);
    EXPECT_EQ(r.path.toText(), folder);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

// The temporary file is its owner's alone until its content is complete,
// whether unnamed or named; the result gets the mode a new file gets, or the
// one the replaced file had; an abandoned writer leaves nothing.
TEST_F(FileCommand, TheTemporaryFileIsPrivateUntilComplete) {
    const mode_t savedUmask = ::umask(022);
    const QString source = write(QStringLiteral("plain"), allBytes(100));
    const QString replaced = write(QStringLiteral("replaced"), QByteArray("old"));
    ::chmod(QFile::encodeName(replaced).constData(), 0640);
    for (const bool named : {false, true}) {
        for (const auto& [dest, finalMode] :
             {std::pair{path(QStringLiteral("new")), 0644u}, std::pair{replaced, 0640u}}) {
            mode_t modeWhileHeld = 0;
            QStringList seenWhileHeld;
            const auto look = [&](const FileWriter& writer) {
                struct stat st {};
                ::fstat(writer.descriptor(), &st);
                modeWhileHeld = st.st_mode & 07777;
                seenWhileHeld = strays(
                    {QStringLiteral("plain"), QStringLiteral("replaced"), QStringLiteral("new")});
            };
            const ScopedFileWriterSeams seams({look, named});
            ASSERT_TRUE(encryptFile(source, dest, kKey).ok);
            EXPECT_EQ(modeWhileHeld, 0600u) << named;
            // Unnamed, it has no name to be seen by; named, it is hidden.
            EXPECT_EQ(seenWhileHeld.size(), named ? 1 : 0) << qPrintable(seenWhileHeld.join(u' '));
            struct stat st {};
            ASSERT_EQ(::stat(QFile::encodeName(dest).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, finalMode) << named;
        }
        const ScopedFileWriterSeams seams({{}, named});
        FileWriter abandoned;
        ASSERT_TRUE(abandoned.open(at(replaced)).ok);
        ASSERT_TRUE(abandoned.write("x", 1).ok);
        abandoned.abort();
    }
    ::umask(savedUmask);
    EXPECT_TRUE(strays({QStringLiteral("plain"), QStringLiteral("replaced"), QStringLiteral("new")})
                    .isEmpty());
    EXPECT_EQ(read(replaced).size(), 104);
}

// Other names of a replaced file keep the old content, and the command says
// so; the source under another name is the same file.
TEST_F(FileCommand, HardLinksAreNamed) {
    const QString source = write(QStringLiteral("plain"), QByteArray("data"));
    const QString dest = write(QStringLiteral("dest"), QByteArray("old"));
    const QString other = path(QStringLiteral("other"));
    ASSERT_TRUE(::link(QFile::encodeName(dest).constData(), QFile::encodeName(other).constData()) ==
                0);
    EXPECT_TRUE(sameFile(at(dest), at(other)));
    EXPECT_FALSE(sameFile(at(dest), at(source)));
    CommandResult r = encryptFile(source, dest, kKey);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.warnings.size(), 1);
    EXPECT_EQ(r.warnings[0].kind, CommandWarning::Kind::OtherNames);
    EXPECT_TRUE(r.warnings[0].text.contains(dest));
    EXPECT_EQ(read(other), QByteArray("old"));
    r = encryptFile(source, dest, kKey);
    EXPECT_TRUE(r.warnings.isEmpty());
}

// Without a descriptor to spare no temporary file can be made, and the
// message says that, not merely the system's words.
TEST_F(FileCommand, AFailedTemporaryFileSaysSo) {
    const int lowestFree = ::dup(0);
    ::close(lowestFree);
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree);
    ::setrlimit(RLIMIT_NOFILE, &tight);
    FileWriter writer;
    const CommandResult r = writer.open(at(path(QStringLiteral("out"))));
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(r.number, EMFILE);
    EXPECT_EQ(r.description,
              QStringLiteral("Could not create a temporary file: Too many open files"));
    EXPECT_EQ(r.path.toText(), path(QStringLiteral("out")));
}

// A child held at the point where its content is complete, then ended by a
// signal: the named temporary file goes with it, and an unnamed one leaves
// nothing even after SIGKILL. The destination is as it was.
TEST_F(FileCommand, AnInterruptedCommandLeavesNothing) {
    const QString source = write(QStringLiteral("plain"), allBytes(5000));
    const QString dest = write(QStringLiteral("dest"), QByteArray("keep me"));
    const std::pair<int, const char*> cases[] = {
        {SIGINT, "named"}, {SIGTERM, "named"}, {SIGHUP, "named"}, {SIGKILL, "unnamed"}};
    for (auto [signal, how] : cases) {
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        const QByteArray child(FILE_WORK_CHILD);
        const QByteArray s = QFile::encodeName(source);
        const QByteArray d = QFile::encodeName(dest);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(out[1], 1);
            ::execl(child.constData(), child.constData(), how, s.constData(), d.constData(),
                    ZEPHCORE_DIR, nullptr);
            ::_exit(127);
        }
        ::close(out[1]);
        char held[4096] = {};
        const ssize_t got = ::read(out[0], held, sizeof held - 1);
        ::close(out[0]);
        ASSERT_GT(got, 0) << "the child never reached the seam";
        EXPECT_EQ(strays({QStringLiteral("plain"), QStringLiteral("dest")}).size(),
                  qstrcmp(how, "named") == 0 ? 1 : 0);
        ::kill(pid, signal);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
        EXPECT_TRUE(strays({QStringLiteral("plain"), QStringLiteral("dest")}).isEmpty()) << signal;
        EXPECT_EQ(read(dest), QByteArray("keep me"));
    }
}

TEST_F(FileCommand, MissingLibraryIsReportedAndNothingWritten) {
    NoLibraries loader;
    Services s = services();
    s.libraries = &loader;
    ScopedServices scoped(s);
    resetCipherBinding();
    const QString source = write(QStringLiteral("plain"), QByteArray("data"));
    const CommandResult r = encryptFile(source, path(QStringLiteral("out")), kKey);
    EXPECT_EQ(r.number, kErrorNoLibrary);
    EXPECT_TRUE(r.description.contains(QStringLiteral("libzephcore.so")));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("out"))));
}

} // namespace
} // namespace zephral::test
