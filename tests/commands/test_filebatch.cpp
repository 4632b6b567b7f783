// Many files in one command: the names of the results, what is skipped and
// why, stopping at a failure or going on, a stop in the middle, and results
// byte for byte those of the single-file command.
#include "EncryptTestSupport.h"
#include "commands/FileBatch.h"
#include "commands/FileStream.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zephral::test {
namespace {

const QString kKey = QStringLiteral("correct horse");

class FileBatchTest : public BindingTest {
protected:
    QByteArray native(const QByteArray& name) const {
        return QFile::encodeName(m_dir.path()) + '/' + name;
    }
    FilePath at(const QByteArray& name) const { return FilePath::fromNative(native(name)); }
    // Raw bytes for names, which need not be UTF-8.
    void put(const QByteArray& name, const QByteArray& content) {
        const QByteArray p = native(name);
        QDir().mkpath(QFile::decodeName(FilePath::fromNative(p).folder().native()));
        const int fd = ::open(p.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0) << p.toStdString();
        ASSERT_EQ(::write(fd, content.constData(), static_cast<std::size_t>(content.size())),
                  content.size());
        ::close(fd);
    }
    QByteArray get(const QByteArray& name) const {
        const int fd = ::open(native(name).constData(), O_RDONLY);
        if (fd < 0) {
            return "<missing>";
        }
        QByteArray content;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
            content.append(buffer, n);
        }
        ::close(fd);
        return content;
    }
    BatchOptions options(Command command, bool inPlace, const QByteArray& suffix = ".enc") const {
        BatchOptions o;
        o.command = command;
        o.inPlace = inPlace;
        o.suffix = suffix;
        o.targetFolder = at("t");
        o.recursive = true;
        return o;
    }
    // Names under the test's folder, relative, sorted, hidden ones included.
    QStringList tree() const {
        QStringList names;
        QDir root(m_dir.path());
        std::function<void(const QString&)> walk = [&](const QString& folder) {
            for (const QFileInfo& i : QDir(folder).entryInfoList(
                     QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                     QDir::Name)) {
                if (i.fileName() == QLatin1String("settings") ||
                    i.fileName() == QLatin1String("system")) {
                    continue;
                }
                names.append(root.relativeFilePath(i.filePath()));
                if (i.isDir() && !i.isSymLink()) {
                    walk(i.filePath());
                }
            }
        };
        walk(m_dir.path());
        return names;
    }
};

QByteArray relative(const FilePath& path, const QByteArray& root) {
    return path.native().mid(root.size() + 1);
}

TEST_F(FileBatchTest, NamesTheResults) {
    struct Case {
        Command command;
        bool inPlace;
        QByteArray suffix;
        QByteArray source;
        QByteArray result; // empty: skipped
    };
    const Case cases[] = {
        {Command::EncryptFile, false, ".enc", "a", "t/a.enc"},
        {Command::EncryptFile, true, ".enc", "a", "a.enc"},
        {Command::EncryptFile, true, "", "a", "a"},
        {Command::EncryptFile, false, "", "a", "t/a"},
        {Command::DecryptFile, false, ".enc", "a.enc", "t/a"},
        {Command::DecryptFile, false, ".enc", "a", "t/a"},
        {Command::DecryptFile, true, ".enc", "a.enc", "a"},
        {Command::DecryptFile, true, ".enc", "a", ""},
        {Command::DecryptFile, true, "", "a", "a"},
        {Command::DecryptFile, true, ".enc", ".enc", ""},
        {Command::DecryptFile, true, ".x", "a.x.enc", ""},
        {Command::EncryptFile, false, ".enc", "\xff\x01\xc3(", "t/\xff\x01\xc3(.enc"},
        {Command::DecryptFile, true, ".enc", "\xfe.enc", "\xfe"},
    };
    QDir().mkpath(path(QStringLiteral("t")));
    const QByteArray root = QFile::encodeName(m_dir.path());
    for (const Case& c : cases) {
        put(c.source, "x");
        const BatchPlan plan = planBatch(options(c.command, c.inPlace, c.suffix), {at(c.source)});
        if (c.result.isEmpty()) {
            EXPECT_TRUE(plan.files.isEmpty()) << c.source.toStdString();
            EXPECT_EQ(plan.skipped.size(), 1) << c.source.toStdString();
        } else {
            ASSERT_EQ(plan.files.size(), 1)
                << c.source.toStdString() << " "
                << (plan.skipped.isEmpty() ? "" : plan.skipped[0].reason.toStdString());
            EXPECT_EQ(relative(plan.files[0].destination, root), c.result);
        }
        ::unlink(native(c.source).constData());
    }
}

TEST_F(FileBatchTest, SkipsWhatItMustNotTouch) {
    put("src/b", "b");
    put("src/a", "a");
    put("src/sub/c", "c");
    put("src/exists", "e");
    put("t/src/exists.enc", "old");
    put("t/exists.enc", "old");
    put("other/a", "clash");
    put("loose", "l");
    ASSERT_EQ(::symlink("a", native("src/link").constData()), 0);
    ASSERT_EQ(::symlink("loose", native("given-link").constData()), 0);
    ASSERT_EQ(::mkfifo(native("src/fifo").constData(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = native("src/socket");
    if (socketPath.size() < static_cast<qsizetype>(sizeof address.sun_path)) {
        std::memcpy(address.sun_path, socketPath.constData(),
                    static_cast<std::size_t>(socketPath.size()));
        ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    const QByteArray root = QFile::encodeName(m_dir.path());
    const QList<FilePath> sources = {at("src"), at("given-link"), at("missing")};

    BatchOptions o = options(Command::EncryptFile, false);
    BatchPlan plan = planBatch(o, sources);
    QList<QByteArray> results;
    for (const BatchFile& f : plan.files) {
        results.append(relative(f.destination, root));
    }
    // In name order, the tree made again under the target; the link given
    // on the command line followed.
    EXPECT_EQ(results, (QList<QByteArray>{"t/src/a.enc", "t/src/b.enc", "t/src/sub/c.enc",
                                          "t/given-link.enc"}));
    QList<QByteArray> skipped;
    for (const BatchNote& n : plan.skipped) {
        skipped.append(relative(n.path, root));
    }
    std::sort(skipped.begin(), skipped.end());
    QList<QByteArray> expected = {"src/exists", "src/fifo", "src/link"};
    if (socketPath.size() < static_cast<qsizetype>(sizeof address.sun_path)) {
        expected.append("src/socket");
    }
    EXPECT_EQ(skipped, expected);
    ASSERT_EQ(plan.failed.size(), 1);
    EXPECT_EQ(relative(plan.failed[0].path, root), "missing");
    EXPECT_EQ(plan.failed[0].number, ENOENT);
    ::close(sock);

    // --force takes the existing result; two sources with one result name
    // are both refused; a folder without -r is skipped.
    o.force = true;
    o.recursive = false;
    plan = planBatch(o, {at("src/exists"), at("src/a"), at("other/a"), at("src")});
    ASSERT_EQ(plan.files.size(), 1);
    EXPECT_EQ(relative(plan.files[0].destination, root), "t/exists.enc");
    EXPECT_EQ(plan.existing.size(), 1);
    EXPECT_EQ(plan.skipped.size(), 3);
}

// Every result is the single-file command's, byte for byte, small files and
// files of many pieces alike, and comes back in place. Each result has its
// source's permissions whatever the umask would give a new file.
TEST_F(FileBatchTest, ResultsAreTheSingleFileCommands) {
    const ScopedPieceSize pieces(64);
    struct File {
        QByteArray name;
        int size;
        mode_t mode;
    };
    const QList<File> files = {{"d/empty", 0, 0600},
                               {"d/five", 5, 0644},
                               {"d/eight", 8, 0640},
                               {"d/s/many", 1000, 0600},
                               {"d/s/\xff", 64, 0644}};
    for (const File& f : files) {
        QByteArray content;
        for (int i = 0; i < f.size; ++i) {
            content.append(static_cast<char>(i * 7 + f.name.size()));
        }
        put(f.name, content);
        ASSERT_EQ(::chmod(native(f.name).constData(), f.mode), 0);
    }
    // An empty folder is made again under the target, as `cp -r` makes it.
    QDir().mkpath(path(QStringLiteral("d/s/none/deeper")));
    auto modeOf = [&](const QByteArray& name) {
        struct stat st {};
        return ::stat(native(name).constData(), &st) == 0 ? st.st_mode & 07777 : mode_t(07777);
    };
    const mode_t umask = ::umask(0);
    BatchOptions o = options(Command::EncryptFile, false);
    BatchSummary s = runBatch(o, planBatch(o, {at("d")}), kKey);
    EXPECT_TRUE(s.allDone());
    EXPECT_EQ(s.done, files.size());
    for (const File& f : files) {
        const CommandResult r =
            runFileCommand(Command::EncryptFile, at(f.name), at("single"), kKey);
        ASSERT_TRUE(r.ok) << f.name.toStdString() << r.description.toStdString();
        EXPECT_EQ(get("t/" + f.name + ".enc"), get("single")) << f.name.toStdString();
        EXPECT_EQ(modeOf("t/" + f.name + ".enc"), f.mode) << f.name.toStdString();
    }
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("t/d/s/none/deeper"))).isDir());
    ASSERT_EQ(::rename(native("d").constData(), native("orig").constData()), 0);
    ::umask(077);
    o = options(Command::DecryptFile, true);
    s = runBatch(o, planBatch(o, {at("t/d")}), kKey);
    ::umask(umask);
    EXPECT_EQ(s.done, files.size());
    for (const File& f : files) {
        EXPECT_EQ(get("t/" + f.name), get("orig" + f.name.mid(1))) << f.name.toStdString();
        EXPECT_EQ(modeOf("t/" + f.name), f.mode) << f.name.toStdString();
    }
    // Names that are no UTF-8 are beyond QTemporaryDir's cleaning.
    for (const QByteArray name : {"t/d/s/\xff", "orig/s/\xff", "t/d/s/\xff.enc"}) {
        ::unlink(native(name).constData());
    }
}

// Results wait for their file system's sync in groups, each holding a
// descriptor: a process allowed few descriptors still does every file.
TEST_F(FileBatchTest, FewDescriptorsStillDoEveryFile) {
    for (int i = 0; i < 150; ++i) {
        put("few/" + QByteArray::number(i), QByteArray::number(i));
    }
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = 48;
    ::setrlimit(RLIMIT_NOFILE, &tight);
    BatchOptions o = options(Command::EncryptFile, true);
    const BatchSummary s = runBatch(o, planBatch(o, {at("few")}), kKey);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(s.done, 150);
    EXPECT_TRUE(s.allDone()) << (s.failed.isEmpty() ? "" : s.failed[0].reason.toStdString());
}

// A failure stops the batch unless it is to go on; a wrong key fails on the
// first file, and the others are left untouched.
TEST_F(FileBatchTest, StopsAtTheFirstFailureOrGoesOn) {
    struct Case {
        bool keepGoing;
        QString key;
        int done, failed, notStarted;
    };
    const Case cases[] = {
        {false, kKey, 0, 1, 2}, {true, kKey, 2, 1, 0}, {false, QStringLiteral("wrong"), 0, 1, 2}};
    for (const Case& c : cases) {
        put("c/1", "damaged: not whole blocks");
        for (const QByteArray name : {"c/2", "c/3"}) {
            put("p", "plain " + name);
            ASSERT_TRUE(runFileCommand(Command::EncryptFile, at("p"), at(name), kKey).ok);
        }
        const QByteArray two = get("c/2");
        BatchOptions o = options(Command::DecryptFile, true, "");
        o.keepGoing = c.keepGoing;
        const BatchSummary s = runBatch(o, planBatch(o, {at("c")}), c.key);
        EXPECT_EQ(s.done, c.done) << c.keepGoing;
        EXPECT_EQ(s.failed.size(), c.failed) << c.keepGoing;
        EXPECT_EQ(s.notStarted, c.notStarted) << c.keepGoing;
        EXPECT_EQ(get("c/1"), "damaged: not whole blocks");
        if (c.notStarted > 0) {
            EXPECT_EQ(get("c/2"), two);
        }
    }
}

// A stop (what SIGINT sets) in the middle of a file leaves it as it was and
// no temporary file beside it; the file before it stays done.
TEST_F(FileBatchTest, AStopLeavesTheFileInProgressAsItWas) {
    const ScopedPieceSize pieces(64);
    const QByteArray big(4096, 'b');
    put("s/1", "first");
    put("s/2", big);
    put("s/3", big);
    std::atomic<bool> stop{false};
    BatchOptions o = options(Command::EncryptFile, true, "");
    const BatchSummary s = runBatch(
        o, planBatch(o, {at("s")}), kKey,
        [&](const BatchProgress& p) {
            if (p.bytesDone > 5 + 128) {
                stop = true;
            }
        },
        &stop);
    EXPECT_TRUE(s.stopped);
    EXPECT_EQ(s.done, 1);
    EXPECT_TRUE(s.failed.isEmpty());
    EXPECT_EQ(s.notStarted, 2);
    EXPECT_NE(get("s/1"), "first");
    EXPECT_EQ(get("s/2"), big);
    EXPECT_EQ(get("s/3"), big);
    EXPECT_EQ(tree(), (QStringList{QStringLiteral("s"), QStringLiteral("s/1"),
                                   QStringLiteral("s/2"), QStringLiteral("s/3")}));
}

} // namespace
} // namespace zephral::test
