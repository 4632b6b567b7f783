#include "commands/Files.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

CommandResult tooLargeFailure(const FilePath& path, qint64 limit) {
    return CommandResult::failure(
        kErrorTooLarge, QStringLiteral("The file is larger than %1 bytes").arg(limit), path);
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

CommandResult openSource(const FilePath& path, int& fd, struct stat& st) {
    fd = -1;
    if (path.isEmpty()) {
        return CommandResult::systemError(ENOENT, path);
    }
    Descriptor opened(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (opened.get() < 0) {
        return CommandResult::systemError(errno, path);
    }
    if (::fstat(opened.get(), &st) != 0) {
        return CommandResult::systemError(errno, path);
    }
    if (S_ISDIR(st.st_mode)) {
        return CommandResult::systemError(EISDIR, path);
    }
    fd = opened.release();
    return CommandResult::success();
}

CommandResult readWholeFile(const FilePath& path, QByteArray& content, qint64 limit) {
    content.clear();
    struct stat st {};
    int opened = -1;
    if (CommandResult r = openSource(path, opened, st); !r.ok) {
        return r;
    }
    Descriptor fd(opened);
    if (S_ISREG(st.st_mode) && st.st_size > limit) {
        return tooLargeFailure(path, limit);
    }
    // A regular file is read into a buffer of its size plus one byte, so its
    // end shows without a second allocation; a pipe or device grows the
    // buffer as it goes. One byte more than the limit marks a source too large.
    qsizetype capacity = S_ISREG(st.st_mode) ? static_cast<qsizetype>(st.st_size) + 1
                                             : std::min<qsizetype>(1 << 16, limit + 1);
    content = QByteArray();
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

CommandResult commitFile(FileWriter& writer, const FilePath& path) {
    CommandResult r = writer.commit();
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
