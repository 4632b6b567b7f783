#include "commands/Files.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zephral {

namespace {

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { reset(); }
    void reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

CommandResult tooLargeFailure(const FilePath& path, qint64 limit) {
    return CommandResult::failure(
        kErrorTooLarge,
        QStringLiteral("The file is too large to encrypt or decrypt (at most %1 bytes)").arg(limit),
        path);
}

// Opens a source for reading and takes its status; a folder is refused.
CommandResult openSource(const FilePath& path, Descriptor& fd, struct stat& st) {
    if (path.isEmpty()) {
        return CommandResult::systemError(ENOENT, path);
    }
    fd.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return CommandResult::systemError(errno, path);
    }
    if (::fstat(fd.get(), &st) != 0) {
        return CommandResult::systemError(errno, path);
    }
    if (S_ISDIR(st.st_mode)) {
        return CommandResult::systemError(EISDIR, path);
    }
    return CommandResult::success();
}

QString otherNamesWarning(const FilePath& path, nlink_t others) {
    if (others == 1) {
        return QStringLiteral("%1 had another name (a hard link), which keeps the old content.")
            .arg(path.toText());
    }
    return QStringLiteral("%1 had %2 other names (hard links), which keep the old content.")
        .arg(path.toText())
        .arg(others);
}

} // namespace

CommandResult readWholeFile(const FilePath& path, QByteArray& content, qint64 limit) {
    content.clear();
    Descriptor fd;
    struct stat st {};
    if (CommandResult opened = openSource(path, fd, st); !opened.ok) {
        return opened;
    }
    if (S_ISREG(st.st_mode) && st.st_size > limit) {
        return tooLargeFailure(path, limit);
    }
    // A regular file is read into a buffer of its size plus one byte, so its
    // end shows without a second allocation; a pipe or device grows the
    // buffer as it goes. One byte more than the limit marks a source too large.
    // The buffer keeps room for 8 bytes more, so that encryption can add its
    // padding without moving the whole file.
    qsizetype capacity = S_ISREG(st.st_mode) ? static_cast<qsizetype>(st.st_size) + 1
                                             : std::min<qsizetype>(1 << 16, limit + 1);
    content = QByteArray();
    content.reserve(capacity + 8);
    content.resize(capacity);
    qsizetype used = 0;
    for (;;) {
        if (used == content.size()) {
            if (used > limit) {
                content.clear();
                return tooLargeFailure(path, limit);
            }
            content.resize(std::min<qsizetype>(used * 2, limit + 1));
        }
        const auto want =
            static_cast<std::size_t>(std::min<qsizetype>(content.size() - used, 1 << 30));
        const ssize_t got = ::read(fd.get(), content.data() + used, want);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            content.clear();
            return CommandResult::systemError(error, path);
        }
        if (got == 0) {
            break;
        }
        used += got;
    }
    content.truncate(used);
    return CommandResult::success();
}

CommandResult writeWholeFile(const FilePath& path, const QByteArray& content,
                             FileWriter::Existing existing) {
    FileWriter writer;
    CommandResult r = writer.open(path, existing);
    if (r.ok) {
        r = writer.write(content.constData(), content.size());
    }
    if (r.ok) {
        r = writer.commit();
    }
    if (r.ok && writer.otherNames() > 0) {
        r.warnings.append(
            {CommandWarning::Kind::OtherNames, otherNamesWarning(path, writer.otherNames())});
    }
    return r;
}

CommandResult refuseFolder(const FilePath& path) {
    struct stat st {};
    if (!path.isEmpty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return CommandResult::systemError(EISDIR, path);
    }
    return CommandResult::success();
}

bool sameFile(const FilePath& a, const FilePath& b) {
    struct stat sa {};
    struct stat sb {};
    return !a.isEmpty() && !b.isEmpty() && ::stat(a.c_str(), &sa) == 0 &&
           ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace zephral
