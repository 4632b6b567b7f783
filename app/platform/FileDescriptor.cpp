#include "platform/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace zephral {

namespace {

// The most one system call is asked to move: far below what a 32-bit count
// or the system's own limit (about 2 GiB) could hold.
constexpr qsizetype kMaxTransfer = qsizetype{1} << 30;

} // namespace

FileDescriptor FileDescriptor::borrowed(int fd) {
    FileDescriptor d(fd);
    d.m_owned = false;
    return d;
}

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_owned(other.m_owned) {}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        reset();
        m_fd = std::exchange(other.m_fd, -1);
        m_owned = other.m_owned;
    }
    return *this;
}

void FileDescriptor::reset(int fd) {
    if (m_fd >= 0 && m_owned) {
        ::close(m_fd);
    }
    m_fd = fd;
    m_owned = true;
}

int FileDescriptor::close() {
    const int fd = std::exchange(m_fd, -1);
    if (fd < 0 || !m_owned) {
        return 0;
    }
    return ::close(fd) == 0 ? 0 : errno;
}

qsizetype FileDescriptor::readFull(char* data, qsizetype size) const {
    qsizetype got = 0;
    while (got < size) {
        const auto want = static_cast<std::size_t>(std::min(size - got, kMaxTransfer));
        const ssize_t n = ::read(m_fd, data + got, want);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    return got;
}

int FileDescriptor::readAll(QByteArray& content, qint64 limit) const {
    content.clear();
    struct stat st {};
    const bool regular = ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode);
    if (regular && st.st_size > limit) {
        return EFBIG;
    }
    // A regular file is read into a buffer of its size plus one byte, so its
    // end shows without a second allocation; a pipe or device grows the
    // buffer as it goes. One byte more than the limit marks a source too large.
    content.resize(regular ? static_cast<qsizetype>(st.st_size) + 1
                           : std::min<qsizetype>(1 << 16, limit + 1));
    qsizetype used = 0;
    for (;;) {
        if (used == content.size()) {
            if (used > limit) {
                content.clear();
                return EFBIG;
            }
            content.resize(std::min<qsizetype>(used * 2, limit + 1));
        }
        const qsizetype want = content.size() - used;
        const qsizetype got = readFull(content.data() + used, want);
        if (got < 0) {
            const int error = errno;
            content.clear();
            return error;
        }
        used += got;
        if (got < want) {
            break;
        }
    }
    content.truncate(used);
    return 0;
}

int FileDescriptor::writeAll(const char* data, qsizetype size) const {
    while (size > 0) {
        const ssize_t written =
            ::write(m_fd, data, static_cast<std::size_t>(std::min(size, kMaxTransfer)));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data += written;
        size -= written;
    }
    return 0;
}

int openForReading(const FilePath& path, FileDescriptor& fd, struct stat& st) {
    fd.reset();
    if (path.isEmpty()) {
        return ENOENT;
    }
    FileDescriptor opened(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!opened.isOpen() || ::fstat(opened.get(), &st) != 0) {
        return errno;
    }
    if (S_ISDIR(st.st_mode)) {
        return EISDIR;
    }
    fd = std::move(opened);
    return 0;
}

} // namespace zephral
