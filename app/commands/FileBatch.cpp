#include "commands/FileBatch.h"

#include "commands/FileStream.h"
#include "commands/Files.h"
#include "encrypt/basEncrypt.h"
#include "platform/FileDescriptor.h"
#include "platform/Services.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zephral {

namespace {

QByteArray joined(const QByteArray& folder, const QByteArray& name) {
    if (folder.isEmpty()) {
        return name;
    }
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// The name a folder given on the command line has under the target, as
// `cp -r` takes it: its last part, or for "." and ".." the real one.
QByteArray folderName(const FilePath& folder) {
    QByteArray native = folder.native();
    while (native.size() > 1 && native.endsWith('/')) {
        native.chop(1);
    }
    QByteArray name = FilePath::fromNative(native).fileName();
    if (name == "." || name == ".." || name.isEmpty()) {
        char real[PATH_MAX];
        if (::realpath(native.constData(), real) != nullptr) {
            name = FilePath::fromNative(real).fileName();
        }
    }
    return name;
}

BatchNote unreadable(const FilePath& path, int error) {
    return {path, CommandResult::systemError(error).description, error};
}

class Planner {
public:
    Planner(const BatchOptions& options, BatchPlan& plan) : m_options(options), m_plan(plan) {}

    void addSource(const FilePath& source) {
        struct stat st {};
        if (::stat(source.c_str(), &st) != 0) {
            m_plan.failed.append(unreadable(source, errno));
            return;
        }
        if (S_ISDIR(st.st_mode)) {
            if (!m_options.recursive) {
                skip(source, QStringLiteral("a folder (-r takes the files under it)"));
                return;
            }
            walk(source.native(), folderName(source));
            return;
        }
        addFile(source.native(), source.fileName(), st);
    }

    // Names that two sources would both give: both refused.
    void refuseClashes() {
        QHash<QByteArray, int> count;
        for (const BatchFile& f : m_plan.files) {
            ++count[f.destination.native()];
        }
        QList<BatchFile> kept;
        for (const BatchFile& f : m_plan.files) {
            if (count[f.destination.native()] > 1) {
                skip(f.source, QStringLiteral("another source gives the same result, %1")
                                   .arg(f.destination.toDisplayText()));
            } else {
                kept.append(f);
            }
        }
        m_plan.files = kept;
    }

    // Existing results: kept aside, or listed for replacing.
    void setAsideExisting() {
        QList<BatchFile> kept;
        for (const BatchFile& f : m_plan.files) {
            const bool replacingItself = f.destination == f.source;
            if (!replacingItself && exists(f.destination)) {
                m_plan.existing.append(f);
                if (!m_options.force) {
                    skip(
                        f.source,
                        QStringLiteral("the result exists: %1").arg(f.destination.toDisplayText()));
                    continue;
                }
            }
            kept.append(f);
        }
        m_plan.files = kept;
        for (const BatchFile& f : m_plan.files) {
            m_plan.bytes += f.size;
        }
    }

private:
    void skip(const FilePath& path, const QString& reason) {
        m_plan.skipped.append({path, reason});
    }

    // The files under `folder`, in the byte order of their names, each
    // looked at once, relative to the folder.
    void walk(const QByteArray& folder, const QByteArray& relative) {
        DIR* dir = ::opendir(folder.constData());
        if (dir == nullptr) {
            m_plan.failed.append(unreadable(FilePath::fromNative(folder), errno));
            return;
        }
        QList<QByteArray> names;
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..") {
                names.append(name);
            }
        }
        std::sort(names.begin(), names.end());
        std::vector<std::pair<int, struct stat>> entries(static_cast<std::size_t>(names.size()));
        for (qsizetype i = 0; i < names.size(); ++i) {
            auto& [error, st] = entries[static_cast<std::size_t>(i)];
            error = ::fstatat(::dirfd(dir), names[i].constData(), &st, AT_SYMLINK_NOFOLLOW) == 0
                        ? 0
                        : errno;
        }
        ::closedir(dir);
        m_listings.insert(folder, QSet<QByteArray>(names.begin(), names.end()));
        if (!m_options.inPlace) {
            m_plan.folders.append(
                FilePath::fromNative(joined(m_options.targetFolder.native(), relative)));
        }
        for (qsizetype i = 0; i < names.size(); ++i) {
            const auto& [error, st] = entries[static_cast<std::size_t>(i)];
            const QByteArray path = joined(folder, names[i]);
            if (error != 0) {
                m_plan.failed.append(unreadable(FilePath::fromNative(path), error));
            } else if (S_ISDIR(st.st_mode)) {
                walk(path, joined(relative, names[i]));
            } else if (S_ISLNK(st.st_mode)) {
                skip(FilePath::fromNative(path), QStringLiteral("a symbolic link"));
            } else {
                addFile(path, joined(relative, names[i]), st);
            }
        }
    }

    // Whether a file of that name is there, from one listing per folder: a
    // folder that is not there holds nothing.
    bool exists(const FilePath& file) {
        const QByteArray folder = file.folder().native();
        auto found = m_listings.find(folder);
        if (found == m_listings.end()) {
            QSet<QByteArray> names;
            if (DIR* dir = ::opendir(folder.constData())) {
                while (const dirent* entry = ::readdir(dir)) {
                    names.insert(QByteArray(entry->d_name));
                }
                ::closedir(dir);
            }
            found = m_listings.insert(folder, names);
        }
        return found->contains(file.fileName());
    }

    // `relative`: the result's place under a target folder, name included.
    void addFile(const QByteArray& source, QByteArray relative, const struct stat& st) {
        const FilePath path = FilePath::fromNative(source);
        if (!S_ISREG(st.st_mode)) {
            skip(path, QStringLiteral("not a regular file (a device, FIFO or socket)"));
            return;
        }
        const QByteArray& suffix = m_options.suffix;
        const QByteArray name = path.fileName();
        QByteArray resultName = name;
        if (m_options.command == Command::EncryptFile) {
            resultName += suffix;
            relative += suffix;
        } else if (!suffix.isEmpty() && name.endsWith(suffix)) {
            resultName.chop(suffix.size());
            relative.chop(suffix.size());
            if (resultName.isEmpty()) {
                skip(path, QStringLiteral("its name is only the suffix"));
                return;
            }
        } else if (m_options.inPlace && !suffix.isEmpty()) {
            skip(path, m_options.noSuffixReason.isEmpty()
                           ? QStringLiteral("no %1 suffix").arg(QString::fromUtf8(suffix))
                           : m_options.noSuffixReason);
            return;
        }
        FilePath destination =
            m_options.inPlace
                ? FilePath::fromNative(joined(path.folder().native(), resultName))
                : FilePath::fromNative(joined(m_options.targetFolder.native(), relative));
        // Under another name it is another file, or a hard link of it that
        // a result replaces by rename without touching the source.
        if (!m_options.inPlace && destination.fileName() == name && sameFile(path, destination)) {
            skip(path, m_options.noSuffixReason.isEmpty()
                           ? QStringLiteral("the result would replace its source")
                           : m_options.noSuffixReason);
            return;
        }
        if (m_options.inPlace && resultName == name) {
            destination = path;
        }
        m_plan.files.append({path, destination, static_cast<qint64>(st.st_size)});
    }

    const BatchOptions& m_options;
    BatchPlan& m_plan;
    // The names in each folder listed, by the folder's path as written.
    QHash<QByteArray, QSet<QByteArray>> m_listings;
};

// The folders the results go into, each made when missing and looked at
// once: the room of its file system is asked once and counted down as
// results are written (asked again only when the count runs out, since
// others write and in-place work frees room), and at the end the names given
// in it are put on disk together.
class Folders {
public:
    // Makes the folder of `file` when missing; gives its file system.
    int prepare(const FilePath& file, dev_t& device) {
        return prepareFolder(file.folder().native(), device);
    }

    int prepareFolder(const QByteArray& folder, dev_t& device) {
        std::lock_guard lock(m_mutex);
        if (auto found = m_devices.constFind(folder); found != m_devices.cend()) {
            device = *found;
            return 0;
        }
        struct stat st {};
        if (::stat(folder.constData(), &st) != 0) {
            if (const int error = make(folder)) {
                return error;
            }
            if (::stat(folder.constData(), &st) != 0) {
                return errno;
            }
        }
        m_devices.insert(folder, st.st_dev);
        device = st.st_dev;
        return 0;
    }

    CommandResult reserve(dev_t device, const FileWriter& writer, const FilePath& destination,
                          qint64 needed) {
        if (needed <= 0) {
            return CommandResult::success();
        }
        std::lock_guard lock(m_mutex);
        Room& room = m_room[device];
        const qint64 taken = (needed + room.block - 1) / room.block * room.block;
        if (room.free >= taken) {
            room.free -= taken;
            return CommandResult::success();
        }
        qint64 available = -1;
        CommandResult r = checkRoom(writer, destination, needed, &available);
        struct statvfs vfs {};
        if (::fstatvfs(writer.descriptor(), &vfs) == 0 && vfs.f_frsize > 0) {
            room.block = static_cast<qint64>(vfs.f_frsize);
        }
        room.free = available < 0 ? LLONG_MAX : available - taken;
        return r;
    }

    // Each folder's names on disk; a failure here loses nothing written.
    void syncAll() {
        std::lock_guard lock(m_mutex);
        for (auto i = m_devices.cbegin(); i != m_devices.cend(); ++i) {
            syncFolder(i.key());
        }
        for (const QByteArray& folder : m_madeIn) {
            syncFolder(folder);
        }
    }

    static void syncFolder(const QByteArray& folder) {
        const FileDescriptor fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fd.isOpen()) {
            ::fsync(fd.get());
        }
    }

private:
    struct Room {
        qint64 free = -1; // bytes, as far as known
        qint64 block = 1;
    };

    // Makes `folder` and those above it that are missing.
    int make(const QByteArray& folder) {
        const QByteArray above = FilePath::fromNative(folder).folder().native();
        struct stat st {};
        if (above != folder && ::stat(above.constData(), &st) != 0) {
            if (const int error = make(above)) {
                return error;
            }
        }
        if (::mkdir(folder.constData(), 0777) != 0 && errno != EEXIST) {
            return errno;
        }
        m_madeIn.insert(above);
        return 0;
    }

    std::mutex m_mutex;
    QHash<QByteArray, dev_t> m_devices;
    QSet<QByteArray> m_madeIn; // folders that got a new folder
    QHash<dev_t, Room> m_room;
};

// The shared state of a run: which file comes next, what has been done.
class Run {
public:
    Run(const BatchOptions& options, const BatchPlan& plan, PieceCipher& cipher,
        const BatchProgressFunction& progress, const std::atomic<bool>* stop, unsigned workers)
        : m_options(options), m_plan(plan), m_cipher(cipher), m_progress(progress), m_stop(stop),
          m_results(static_cast<std::size_t>(plan.files.size())) {
        // Each result kept back holds a descriptor: all the workers' groups
        // together take at most half of what the process may open.
        if (rlimit limit{};
            ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
            m_groupFiles = std::clamp<std::size_t>(limit.rlim_cur / 2 / workers, 1, m_groupFiles);
        }
        m_state.files = static_cast<int>(plan.files.size());
        m_state.bytes = plan.bytes;
        for (const BatchFile& f : plan.existing) {
            m_replacing.insert(f.destination.native());
        }
    }

    // Works on up to `limit` files, until none are left or the work ends;
    // the results kept back are then given their names.
    void work(int limit = INT_MAX) {
        Group group;
        for (int n = 0; n < limit; ++n) {
            const int i = next();
            if (i < 0) {
                break;
            }
            Outcome o = doFile(i, group);
            if (!o.kept) {
                m_results[static_cast<std::size_t>(i)] = o;
                finished(o);
            }
            if (group.full(m_groupFiles)) {
                commitGroup(group);
            }
        }
        commitGroup(group);
    }

    // The folders of the trees that no result went into, made when the
    // work went to its end.
    void makeFolders(BatchSummary& summary) {
        if (m_halted || (m_stop != nullptr && m_stop->load())) {
            return;
        }
        for (const FilePath& folder : m_plan.folders) {
            dev_t device = 0;
            if (const int error = m_folders.prepareFolder(folder.native(), device)) {
                const CommandResult r = CommandResult::systemError(error, folder);
                summary.failed.append(
                    {folder, QStringLiteral("%1 (error %2)").arg(r.description).arg(r.number)});
                summary.failures.append(r);
            }
        }
    }

    // The names given, on disk.
    void syncFolders() { m_folders.syncAll(); }

    void summarise(BatchSummary& summary) {
        summary.bytesDone = m_state.bytesDone;
        summary.stopped = m_stop != nullptr && m_stop->load();
        for (qsizetype i = 0; i < m_plan.files.size(); ++i) {
            const Outcome& o = m_results[static_cast<std::size_t>(i)];
            if (!o.started) {
                ++summary.notStarted;
            } else if (o.result.ok) {
                ++summary.done;
                summary.warnings += o.result.warnings;
            } else if (o.result.number == EINTR && summary.stopped) {
                ++summary.notStarted; // left as it was
            } else {
                const FilePath& path =
                    o.result.path.isEmpty() ? m_plan.files[i].source : o.result.path;
                summary.failed.append({path, QStringLiteral("%1 (error %2)")
                                                 .arg(o.result.description)
                                                 .arg(o.result.number)});
                CommandResult r = o.result;
                r.path = path;
                summary.failures.append(r);
            }
        }
    }

private:
    struct Outcome {
        bool started = false;
        bool kept = false; // complete, kept back for its group's commit
        CommandResult result;
    };

    // Results complete and unnamed, kept back so that one sync of their file
    // system puts all of their content on disk before any of them gets its
    // name, rather than one sync per file.
    struct Kept {
        int index;
        dev_t device;
        std::unique_ptr<FileWriter> writer;
    };
    struct Group {
        std::vector<Kept> files;
        qint64 bytes = 0;
        // Few enough descriptors and little enough unsynced data at once.
        bool full(std::size_t most) const {
            return files.size() >= most || bytes >= (qint64{64} << 20);
        }
    };

    int next() {
        std::lock_guard lock(m_mutex);
        if (m_halted || (m_stop != nullptr && m_stop->load()) || m_next >= m_plan.files.size()) {
            return -1;
        }
        m_results[static_cast<std::size_t>(m_next)].started = true;
        m_state.current = m_plan.files[m_next].source;
        return static_cast<int>(m_next++);
    }

    void finished(const Outcome& o) {
        std::lock_guard lock(m_mutex);
        if (!o.result.ok && !m_options.keepGoing) {
            m_halted = true;
        }
        ++m_state.filesDone;
        if (m_progress) {
            m_progress(m_state);
        }
    }

    void addBytes(qint64 n) {
        std::lock_guard lock(m_mutex);
        m_state.bytesDone += n;
        if (m_progress) {
            m_progress(m_state);
        }
    }

    Outcome doFile(int index, Group& group) {
        const BatchFile& file = m_plan.files[index];
        Outcome o{true, false, {}};
        dev_t device = 0;
        if (const int error = m_folders.prepare(file.destination, device)) {
            o.result = CommandResult::systemError(error, file.destination.folder());
            return o;
        }
        // A result no file stood in the way of when planned is made new and
        // keeps its source's permissions, as cp gives them: a private file
        // stays private once decrypted.
        const bool replacing =
            file.destination == file.source || m_replacing.contains(file.destination.native());
        BatchFileWork work;
        work.cipher = &m_cipher;
        work.stop = m_stop;
        work.destinationAbsent = !replacing;
        work.sourceMode = !replacing;
        // A named temporary file is put in place at once, its content on
        // disk first, as for one file; the folders' names follow at the end.
        work.sync = FileWriter::Sync::File;
        work.keep = [&](std::unique_ptr<FileWriter> writer) {
            group.bytes += file.size;
            group.files.push_back({index, device, std::move(writer)});
            o.kept = true;
            return CommandResult::success();
        };
        work.room = [&](const FileWriter& writer, qint64 needed) {
            return m_folders.reserve(device, writer, file.destination, needed);
        };
        qint64 seen = 0;
        o.result = transformFileWith(
            m_options.command == Command::EncryptFile, file.source, file.destination,
            m_options.padCheck,
            [&](qint64 done, qint64) {
                addBytes(done - seen);
                seen = done;
            },
            work);
        if (o.result.ok && !o.kept && m_options.inPlace) {
            Folders::syncFolder(file.destination.folder().native());
            removeSource(file, o.result);
        }
        return o;
    }

    // Gives the kept results their names: their content on disk first, with
    // one sync of each file system (a file's own sync where that fails, so
    // that the failure is that file's), then in place their sources go, once
    // the new names are on disk.
    void commitGroup(Group& group) {
        std::vector<dev_t> synced;
        bool each = false;
        for (const Kept& k : group.files) {
            if (std::find(synced.begin(), synced.end(), k.device) == synced.end()) {
                synced.push_back(k.device);
                each = each || ::syncfs(k.writer->descriptor()) != 0;
            }
        }
        std::vector<Outcome> outcomes;
        for (Kept& k : group.files) {
            const BatchFile& file = m_plan.files[k.index];
            outcomes.push_back(
                {true, false,
                 commitFile(*k.writer, file.destination,
                            each ? FileWriter::Sync::File : FileWriter::Sync::None)});
            k.writer.reset();
        }
        QSet<QByteArray> folders;
        for (std::size_t n = 0; n < group.files.size(); ++n) {
            const int i = group.files[n].index;
            if (outcomes[n].result.ok && m_options.inPlace) {
                const QByteArray folder = m_plan.files[i].destination.folder().native();
                if (!folders.contains(folder)) {
                    folders.insert(folder);
                    Folders::syncFolder(folder);
                }
                removeSource(m_plan.files[i], outcomes[n].result);
            }
            m_results[static_cast<std::size_t>(i)] = outcomes[n];
            finished(outcomes[n]);
        }
        group.files.clear();
        group.bytes = 0;
    }

    // In place, the source goes once its result's name is on disk.
    static void removeSource(const BatchFile& file, CommandResult& result) {
        if (file.destination == file.source) {
            return;
        }
        if (::unlink(file.source.c_str()) != 0) {
            result = CommandResult::failure(
                errno,
                QStringLiteral("The result %1 was written, but the source could not be "
                               "removed: %2")
                    .arg(file.destination.toDisplayText(),
                         CommandResult::systemError(errno).description),
                file.source);
        }
    }

    const BatchOptions& m_options;
    const BatchPlan& m_plan;
    PieceCipher& m_cipher;
    const BatchProgressFunction& m_progress;
    const std::atomic<bool>* m_stop;
    std::vector<Outcome> m_results;
    std::size_t m_groupFiles = 64;
    QSet<QByteArray> m_replacing; // results that replace a file (--force)
    Folders m_folders;
    std::mutex m_mutex;
    qsizetype m_next = 0;
    bool m_halted = false;
    BatchProgress m_state;
};

} // namespace

BatchPlan planBatch(const BatchOptions& options, const QList<FilePath>& sources) {
    BatchPlan plan;
    Planner planner(options, plan);
    for (const FilePath& source : sources) {
        planner.addSource(source);
    }
    planner.refuseClashes();
    planner.setAsideExisting();
    return plan;
}

CommandResult checkBatchKey(Command command, const QString& key) {
    return isFileCommand(command) ? checkFileKey(command, key) : CommandResult::systemError(EINVAL);
}

BatchSummary runBatch(const BatchOptions& options, const BatchPlan& plan, const QString& key,
                      const BatchProgressFunction& progress, const std::atomic<bool>* stop) {
    BatchSummary summary;
    summary.skipped = plan.skipped;
    summary.failed = plan.failed;
    if (!isFileCommand(options.command)) {
        summary.keyRefused = true;
        summary.failures.append(CommandResult::systemError(EINVAL));
        return summary;
    }
    CommandResult checked = checkFileKey(options.command, key);
    if (!checked.ok) {
        summary.keyRefused = true;
        summary.failures.append(checked);
        summary.notStarted = static_cast<int>(plan.files.size());
        return summary;
    }
    if (!plan.failed.isEmpty() && !options.keepGoing) {
        summary.notStarted = static_cast<int>(plan.files.size());
        return summary;
    }
    if (!plan.files.isEmpty() && plan.bytes > 0 && !cipherLibraryAvailable()) {
        summary.keyRefused = true;
        summary.failures.append(CommandResult::failure(
            kErrorNoLibrary, QStringLiteral("The cipher library %1 could not be loaded")
                                 .arg(cipherLibraryFileName())));
        summary.notStarted = static_cast<int>(plan.files.size());
        return summary;
    }
    try {
        // One schedule for every file. The first file runs alone, so that a
        // wrong key stops the work before any other file is touched.
        PieceCipher cipher(key);
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        Run run(options, plan, cipher, progress, stop, cores);
        run.work(1);
        std::vector<std::thread> helpers;
        for (unsigned i = 1; i < cores && i < static_cast<unsigned>(plan.files.size()); ++i) {
            try {
                helpers.emplace_back([&run] { run.work(); });
            } catch (const std::system_error&) {
                break; // fewer hands
            }
        }
        run.work();
        for (std::thread& t : helpers) {
            t.join();
        }
        run.summarise(summary);
        run.makeFolders(summary);
        run.syncFolders();
        summary.warnings = checked.warnings + summary.warnings;
    } catch (const std::bad_alloc&) {
        summary.failures.append(CommandResult::outOfMemory());
        summary.failed.append({FilePath(), CommandResult::outOfMemory().description});
    }
    return summary;
}

} // namespace zephral
