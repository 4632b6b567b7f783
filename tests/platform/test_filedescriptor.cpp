// The owned descriptor: whole reads from files and pipes up to a limit, and
// who closes what.
#include "platform/FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace zephral::test {
namespace {

QByteArray pattern(qsizetype n) {
    QByteArray b(n, '\0');
    for (qsizetype i = 0; i < n; ++i) {
        b[i] = static_cast<char>(i * 7 + i / 251);
    }
    return b;
}

bool isOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

// A pipe larger than the system buffers (64 KiB) needs its writer on a
// thread of its own; a regular file is sized before it is read.
TEST(FileDescriptor, ReadAllUpToTheLimit) {
    struct Case {
        bool pipe;
        qsizetype size;
        qint64 limit;
        int expected;
    };
    const Case cases[] = {
        {false, 0, 10, 0},          {false, 4096, 4096, 0},
        {false, 4097, 4096, EFBIG}, {true, 0, 10, 0},
        {true, 4096, 4096, 0},      {true, 4097, 4096, EFBIG},
        {true, 200000, 1 << 20, 0}, {false, 200000, FileDescriptor::kNoLimit, 0},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QByteArray data = pattern(c.size);
        FileDescriptor in;
        std::thread writer;
        if (c.pipe) {
            int fds[2];
            ASSERT_EQ(::pipe(fds), 0);
            in.reset(fds[0]);
            writer = std::thread([&data, fd = fds[1]] {
                FileDescriptor out(fd);
                out.writeAll(data.constData(), data.size());
            });
        } else {
            const QByteArray name = QFile::encodeName(dir.filePath(QStringLiteral("f")));
            FileDescriptor out(::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
            ASSERT_EQ(out.writeAll(data.constData(), data.size()), 0);
            ASSERT_EQ(out.close(), 0);
            in.reset(::open(name.constData(), O_RDONLY));
        }
        QByteArray content("stale");
        const int error = in.readAll(content, c.limit);
        in.reset(); // a writer left with bytes to give gets EPIPE
        if (writer.joinable()) {
            writer.join();
        }
        EXPECT_EQ(error, c.expected) << c.pipe << ' ' << c.size;
        EXPECT_EQ(content, error == 0 ? data : QByteArray()) << c.pipe << ' ' << c.size;
    }
}

TEST(FileDescriptor, ClosesWhatItOwnsOnly) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    {
        const FileDescriptor borrowed = FileDescriptor::borrowed(fds[0]);
        FileDescriptor owned(fds[1]);
        FileDescriptor moved(std::move(owned));
        EXPECT_FALSE(owned.isOpen());
        EXPECT_EQ(moved.get(), fds[1]);
    }
    EXPECT_TRUE(isOpen(fds[0]));
    EXPECT_FALSE(isOpen(fds[1]));
    ::close(fds[0]);

    FileDescriptor folder;
    struct stat st {};
    EXPECT_EQ(openForReading(FilePath::fromText(QDir::tempPath()), folder, st), EISDIR);
    EXPECT_FALSE(folder.isOpen());
}

} // namespace
} // namespace zephral::test
