#include "commands/FileWriter.h"

#include <QRandomGenerator>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zephral {

namespace {

// The named temporary files in existence, for the signal handler, which may
// only read what is already there: fixed slots, each claimed by a flag set
// after its name is written and cleared before it is reused.
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSlots = 16;
struct Slot {
    std::atomic<bool> used{false};
    char name[PATH_MAX];
};
Slot gSlots[kSlots];
struct sigaction gPrevious[std::size(kCleanupSignals)];
bool gInstalled[std::size(kCleanupSignals)] = {};
std::mutex gSlotsMutex;
int gNamesHeld = 0;

FileWriterSeams gSeams;

extern "C" void removeTemporariesAndEnd(int signal) {
    for (Slot& slot : gSlots) {
        if (slot.used.load()) {
            ::unlink(slot.name);
        }
    }
    // What the program would have done without us: usually to end.
    for (std::size_t i = 0; i < std::size(kCleanupSignals); ++i) {
        if (kCleanupSignals[i] == signal) {
            ::sigaction(signal, &gPrevious[i], nullptr);
        }
    }
    ::raise(signal);
}

// Keeps the three signals from this thread while a name is made and recorded,
// so none arrives between the two.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int s : kCleanupSignals) {
            sigaddset(&set, s);
        }
        pthread_sigmask(SIG_BLOCK, &set, &m_previous);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t m_previous;
};

// Records a name for removal at a signal; the handlers are in place while any
// name is. A signal the program ignores (nohup) stays ignored. A name that
// finds no free slot or is too long is not recorded and stays at a signal.
void holdName(const QByteArray& name) {
    if (name.size() >= PATH_MAX) {
        return;
    }
    std::lock_guard lock(gSlotsMutex);
    for (Slot& slot : gSlots) {
        if (!slot.used.load()) {
            std::memcpy(slot.name, name.constData(), static_cast<std::size_t>(name.size()) + 1);
            slot.used.store(true);
            break;
        }
    }
    if (gNamesHeld++ == 0) {
        struct sigaction handler {};
        handler.sa_handler = removeTemporariesAndEnd;
        sigemptyset(&handler.sa_mask);
        for (std::size_t i = 0; i < std::size(kCleanupSignals); ++i) {
            struct sigaction current {};
            ::sigaction(kCleanupSignals[i], nullptr, &current);
            gInstalled[i] = current.sa_handler != SIG_IGN;
            if (gInstalled[i]) {
                ::sigaction(kCleanupSignals[i], &handler, &gPrevious[i]);
            }
        }
    }
}

void releaseName(const QByteArray& name) {
    std::lock_guard lock(gSlotsMutex);
    for (Slot& slot : gSlots) {
        if (slot.used.load() && name == slot.name) {
            slot.used.store(false);
            break;
        }
    }
    if (--gNamesHeld == 0) {
        for (std::size_t i = 0; i < std::size(kCleanupSignals); ++i) {
            if (gInstalled[i]) {
                ::sigaction(kCleanupSignals[i], &gPrevious[i], nullptr);
            }
        }
    }
}

// ".<name>.<6 characters>" in the folder; the name is shortened so that the
// whole stays within the file system's 255 bytes.
QByteArray temporaryNameIn(const QByteArray& folder, const QByteArray& name) {
    static constexpr char kChars[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray suffix(6, 'x');
    for (char& c : suffix) {
        c = kChars[QRandomGenerator::global()->bounded(static_cast<int>(sizeof kChars - 1))];
    }
    return folder + "/." + name.left(200) + '.' + suffix;
}

// The process's umask, without changing it even for a moment where the
// system tells it.
mode_t currentUmask() {
    const FileDescriptor fd(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
    if (fd.isOpen()) {
        char buffer[4096];
        const QByteArray status(buffer, std::max<qsizetype>(fd.readFull(buffer, sizeof buffer), 0));
        if (const qsizetype at = status.indexOf("\nUmask:"); at >= 0) {
            bool ok = false;
            const uint mask =
                status.mid(at + 7, status.indexOf('\n', at + 1) - at - 7).trimmed().toUInt(&ok, 8);
            if (ok) {
                return static_cast<mode_t>(mask);
            }
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// Unnamed files are given a name through /proc; without it they can't be.
bool unnamedPossible() {
    static const bool possible = ::access("/proc/self/fd", X_OK) == 0;
    return possible && !gSeams.namedOnly;
}

bool isFolderError(int error) {
    return error == ENOENT || error == ENOTDIR || error == EACCES || error == EPERM ||
           error == EROFS;
}

void syncFolder(const QByteArray& target) {
    const FilePath folder = FilePath::fromNative(target).folder();
    const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.isOpen()) {
        ::fsync(fd.get()); // the new name on disk too; a failure here loses nothing written
    }
}

// A name for a file that is not there: writing would put the content where
// the link stands, not where it points (an unmounted volume, say).
CommandResult danglingLink(const FilePath& link) {
    QByteArray target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(link.c_str(), target.data(), PATH_MAX);
    target.truncate(std::max<ssize_t>(length, 0));
    return CommandResult::failure(
        ENOENT,
        QStringLiteral("Not writing through a symbolic link whose target %1 does not exist")
            .arg(FilePath::fromNative(target).toText()),
        link);
}

} // namespace

ScopedFileWriterSeams::ScopedFileWriterSeams(FileWriterSeams seams)
    : ScopedValue(gSeams, std::move(seams)) {}

FileWriter::~FileWriter() {
    abort();
}

CommandResult FileWriter::open(const FilePath& destination, Existing existing,
                               std::optional<mode_t> newMode) {
    abort();
    m_destination = destination;
    m_existing = existing;
    m_otherNames = 0;
    if (destination.isEmpty()) {
        return CommandResult::systemError(ENOENT, destination);
    }
    // What any new file gets: 0666 less the umask.
    auto modeOfNew = [&] { return newMode ? *newMode & 07777 : 0666 & ~currentUmask(); };
    if (existing == Existing::Absent) {
        m_exists = false;
        m_target = destination.native();
        m_finalMode = modeOfNew();
        return createTemporary(destination.folder());
    }
    struct stat st {};
    m_exists = ::stat(destination.c_str(), &st) == 0;
    if (m_exists && S_ISDIR(st.st_mode)) {
        return CommandResult::systemError(EISDIR, destination);
    }
    if (!m_exists && ::lstat(destination.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        return danglingLink(destination);
    }
    if (m_exists && existing == Existing::Refuse) {
        return CommandResult::systemError(EEXIST, destination);
    }
    if (m_exists && !S_ISREG(st.st_mode)) {
        // A device or a pipe can't be replaced, only written to.
        m_file.reset(::open(destination.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        if (!m_file.isOpen()) {
            return CommandResult::systemError(errno, destination);
        }
        m_mode = Mode::Direct;
        return CommandResult::success();
    }
    m_target = destination.native();
    if (m_exists) {
        if (::access(destination.c_str(), W_OK) != 0) {
            // A read-only destination stays protected, although the folder
            // would let it be replaced.
            return CommandResult::systemError(errno, destination);
        }
        // Through a symbolic link, replace the file it points to.
        if (char* real = ::realpath(destination.c_str(), nullptr)) {
            m_target = QByteArray(real);
            std::free(real);
        }
        m_finalMode = st.st_mode & 07777;
        m_owner = st.st_uid;
        m_group = st.st_gid;
        m_otherNames = st.st_nlink > 1 ? st.st_nlink - 1 : 0;
    } else {
        m_finalMode = modeOfNew();
    }
    return createTemporary(FilePath::fromNative(m_target).folder());
}

CommandResult FileWriter::createTemporary(const FilePath& folder) {
    auto failure = [&](int error) {
        if (isFolderError(error)) {
            return CommandResult::systemError(error, folder);
        }
        return CommandResult::failure(
            error,
            QStringLiteral("Could not create a temporary file: %1").arg(qt_error_string(error)),
            m_destination);
    };
    if (unnamedPossible()) {
        m_file.reset(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        if (m_file.isOpen()) {
            m_mode = Mode::Unnamed;
            return CommandResult::success();
        }
        // Not every file system has unnamed files; anything else is a real
        // failure that a named file would meet as well.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return failure(errno);
        }
    }
    const QByteArray name = FilePath::fromNative(m_target).fileName();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temporary = temporaryNameIn(folder.native(), name);
        SignalsHeld held;
        m_file.reset(::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (m_file.isOpen()) {
            holdName(temporary);
            m_temporary = temporary;
            m_mode = Mode::Named;
            return CommandResult::success();
        }
        if (errno != EEXIST) {
            return failure(errno);
        }
    }
    return failure(EEXIST);
}

CommandResult FileWriter::write(const char* data, qsizetype size) {
    if (m_mode == Mode::Closed) {
        return CommandResult::systemError(EBADF, m_destination);
    }
    if (const int error = m_file.writeAll(data, size)) {
        return CommandResult::systemError(error, m_destination);
    }
    return CommandResult::success();
}

CommandResult FileWriter::failAndAbort(int error) {
    abort();
    return CommandResult::systemError(error, m_destination);
}

CommandResult FileWriter::commit(Sync sync) {
    if (m_mode == Mode::Closed) {
        return CommandResult::systemError(EBADF, m_destination);
    }
    if (gSeams.beforeCommit) {
        gSeams.beforeCommit(*this);
    }
    if (m_mode == Mode::Direct) {
        m_mode = Mode::Closed;
        const int error = m_file.close();
        return error == 0 ? CommandResult::success()
                          : CommandResult::systemError(error, m_destination);
    }
    if (m_exists && (m_owner != ::geteuid() || m_group != ::getegid())) {
        // Only root may give the file back to its owner; anyone else makes
        // a file of their own, as any editor's save would.
        [[maybe_unused]] const int ignored = ::fchown(m_file.get(), m_owner, m_group);
    }
    // The final mode only now that the content is complete.
    if (::fchmod(m_file.get(), m_finalMode) != 0) {
        return failAndAbort(errno);
    }
    // On disk before the name points at it, so a crash leaves the old file
    // or the new one, never a half-written one.
    if (sync != Sync::None && ::fdatasync(m_file.get()) != 0 && errno != EINVAL) {
        return failAndAbort(errno);
    }
    CommandResult r = m_mode == Mode::Unnamed ? publishUnnamed() : publishNamed();
    if (r.ok && sync == Sync::FileAndFolder) {
        syncFolder(m_target);
    }
    return r;
}

CommandResult FileWriter::publishUnnamed() {
    // The descriptor named directly where the system lets its owner do so
    // (Linux 6.10 on, or with CAP_DAC_READ_SEARCH), else through /proc.
    static std::atomic<bool> direct{true};
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_file.get());
    auto linkTo = [&](const QByteArray& name) {
        if (direct.load(std::memory_order_relaxed)) {
            if (::linkat(m_file.get(), "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0) {
                return true;
            }
            if (errno != ENOENT && errno != EPERM && errno != EINVAL) {
                return false;
            }
            direct.store(false, std::memory_order_relaxed);
        }
        return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(),
                        AT_SYMLINK_FOLLOW) == 0;
    };
    if (!m_exists || refusing()) {
        if (linkTo(m_target)) {
            abort(); // closes the descriptor; the file now has its name
            return CommandResult::success();
        }
        if (errno != EEXIST || refusing()) {
            return failAndAbort(errno);
        }
        // Made by someone else meanwhile: replaced like any existing file.
    }
    // A name can't be moved onto an existing one by linking: link to a
    // temporary name, then rename that over the destination.
    const QByteArray name = FilePath::fromNative(m_target).fileName();
    const QByteArray folder = FilePath::fromNative(m_target).folder().native();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temporary = temporaryNameIn(folder, name);
        {
            SignalsHeld held;
            if (!linkTo(temporary)) {
                if (errno == EEXIST) {
                    continue;
                }
                return failAndAbort(errno);
            }
            holdName(temporary);
        }
        const int renamed = ::rename(temporary.constData(), m_target.constData());
        const int error = errno;
        if (renamed != 0) {
            ::unlink(temporary.constData());
        }
        releaseName(temporary);
        if (renamed != 0) {
            return failAndAbort(error);
        }
        abort();
        return CommandResult::success();
    }
    return failAndAbort(EEXIST);
}

CommandResult FileWriter::publishNamed() {
    if (const int error = m_file.close()) {
        return failAndAbort(error);
    }
    int placed = 0;
    if (refusing()) {
        // link fails where rename would replace a file made meanwhile.
        placed = ::link(m_temporary.constData(), m_target.constData());
    } else {
        placed = ::rename(m_temporary.constData(), m_target.constData());
    }
    if (placed != 0) {
        return failAndAbort(errno);
    }
    if (refusing()) {
        ::unlink(m_temporary.constData());
    }
    releaseName(m_temporary);
    m_temporary.clear();
    m_mode = Mode::Closed;
    return CommandResult::success();
}

void FileWriter::abort() {
    m_file.reset();
    if (!m_temporary.isEmpty()) {
        ::unlink(m_temporary.constData());
        releaseName(m_temporary);
        m_temporary.clear();
    }
    m_mode = Mode::Closed;
}

} // namespace zephral
