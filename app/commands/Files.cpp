#include "commands/Files.h"

#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <memory>
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
    // Closes now and reports the error close gives (some file systems only
    // report a failed write there); 0 when all went well.
    int close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

// Writes everything, going on after a short write; 0 or the errno.
int writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const auto chunk = static_cast<std::size_t>(std::min<qsizetype>(size, 1 << 30));
        const ssize_t written = ::write(fd, data, chunk);
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

// A name that no other file in the folder has yet: ".<name>.<6 characters>".
QByteArray temporaryName(const QByteArray& folder, const QByteArray& name) {
    static constexpr char kChars[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray suffix(6, 'x');
    for (char& c : suffix) {
        c = kChars[QRandomGenerator::global()->bounded(static_cast<int>(sizeof kChars - 1))];
    }
    // Keep the name within the file system's limit of 255 bytes.
    return folder + "/." + name.left(200) + '.' + suffix;
}

// Writes the content to an open descriptor; 0 or the errno.
using ContentWriter = std::function<int(int fd)>;

CommandResult writeInto(const QString& path, const QByteArray& native,
                        const ContentWriter& writer) {
    Descriptor fd(::open(native.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (fd.get() < 0) {
        return CommandResult::systemError(errno, path);
    }
    if (const int error = writer(fd.get())) {
        return CommandResult::systemError(error, path);
    }
    if (const int error = fd.close()) {
        return CommandResult::systemError(error, path);
    }
    return CommandResult::success();
}

CommandResult writeWith(const QString& path, const ContentWriter& writer);

CommandResult tooLargeFailure(const QString& path) {
    return CommandResult::failure(
        kErrorTooLarge,
        QStringLiteral("The file is too large to encrypt or decrypt (at most %1 bytes)")
            .arg(kMaxFileSize),
        path);
}

// Opens a source for reading and takes its status; a folder is refused.
CommandResult openSource(const QString& path, Descriptor& fd, struct stat& st) {
    if (path.isEmpty()) {
        return CommandResult::systemError(ENOENT, path);
    }
    fd.reset(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
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

} // namespace

CommandResult readWholeFile(const QString& path, QByteArray& content) {
    content.clear();
    Descriptor fd;
    struct stat st {};
    if (CommandResult opened = openSource(path, fd, st); !opened.ok) {
        return opened;
    }
    const CommandResult tooLarge = tooLargeFailure(path);
    if (S_ISREG(st.st_mode) && st.st_size > kMaxFileSize) {
        return tooLarge;
    }
    // A regular file is read into a buffer of its size plus one byte, so its
    // end shows without a second allocation; a pipe or device grows the
    // buffer as it goes. One byte more than the limit marks a source too large.
    // The buffer keeps room for 8 bytes more, so that encryption can add its
    // padding without moving the whole file.
    qsizetype capacity = S_ISREG(st.st_mode) ? static_cast<qsizetype>(st.st_size) + 1 : 1 << 16;
    content = QByteArray();
    content.reserve(capacity + 8);
    content.resize(capacity);
    qsizetype used = 0;
    for (;;) {
        if (used == content.size()) {
            if (used > kMaxFileSize) {
                content.clear();
                return tooLarge;
            }
            content.resize(std::min<qsizetype>(used * 2, kMaxFileSize + 1));
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

CommandResult writeWholeFile(const QString& path, const QByteArray& content) {
    return writeWith(path,
                     [&](int fd) { return writeAll(fd, content.constData(), content.size()); });
}

namespace {

CommandResult writeWith(const QString& path, const ContentWriter& writer) {
    if (path.isEmpty()) {
        return CommandResult::systemError(ENOENT, path);
    }
    QByteArray native = QFile::encodeName(path);
    struct stat st {};
    const bool exists = ::stat(native.constData(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        return CommandResult::systemError(EISDIR, path);
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a pipe can't be replaced, only written to.
        return writeInto(path, native, writer);
    }
    if (exists && ::access(native.constData(), W_OK) != 0) {
        // A read-only destination stays protected, although the folder
        // would let it be replaced.
        return CommandResult::systemError(errno, path);
    }
    if (exists) {
        // Through a symbolic link, replace the file it points to, not the link.
        if (char* real = ::realpath(native.constData(), nullptr)) {
            native = QByteArray(real);
            std::free(real);
        }
    }
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray folder =
        slash < 0 ? QByteArray(".") : native.left(std::max<qsizetype>(slash, 1));
    const QByteArray name = native.mid(slash + 1);

    QByteArray temporary;
    int fdNumber = -1;
    for (int attempt = 0; attempt < 100 && fdNumber < 0; ++attempt) {
        temporary = temporaryName(folder, name);
        // 0666 less the umask: a new destination gets the usual permissions.
        fdNumber = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fdNumber < 0 && errno != EEXIST) {
            return CommandResult::systemError(errno, path);
        }
    }
    if (fdNumber < 0) {
        return CommandResult::systemError(EEXIST, path);
    }
    Descriptor fd(fdNumber);
    auto fail = [&](int error) {
        fd.close();
        ::unlink(temporary.constData());
        return CommandResult::systemError(error, path);
    };
    if (exists) {
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
            // Only root may give the file back to its owner; anyone else
            // makes a file of their own, as any editor's save would.
            [[maybe_unused]] const int ignored = ::fchown(fd.get(), st.st_uid, st.st_gid);
        }
        if (::fchmod(fd.get(), st.st_mode & 07777) != 0) {
            return fail(errno);
        }
    }
    if (const int error = writer(fd.get())) {
        return fail(error);
    }
    // On disk before the name points at it, so a crash leaves the old file
    // or the new one, never a half-written one.
    if (::fdatasync(fd.get()) != 0 && errno != EINVAL) {
        return fail(errno);
    }
    if (const int error = fd.close()) {
        ::unlink(temporary.constData());
        return CommandResult::systemError(error, path);
    }
    if (::rename(temporary.constData(), native.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return CommandResult::systemError(error, path);
    }
    return CommandResult::success();
}

} // namespace

CommandResult refuseFolder(const QString& path) {
    struct stat st {};
    if (!path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0 &&
        S_ISDIR(st.st_mode)) {
        return CommandResult::systemError(EISDIR, path);
    }
    return CommandResult::success();
}

} // namespace zephral
