#include "commands/FileBatch.h"

#include "commands/FileStream.h"
#include "commands/Files.h"
#include "encrypt/basEncrypt.h"
#include "platform/Services.h"

#include <QHash>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <mutex>
#include <sys/stat.h>
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

class Planner {
public:
    Planner(const BatchOptions& options, BatchPlan& plan) : m_options(options), m_plan(plan) {}

    void addSource(const FilePath& source) {
        struct stat st {};
        if (::stat(source.c_str(), &st) != 0) {
            m_plan.failed.append({source, CommandResult::systemError(errno).description});
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
            struct stat st {};
            const bool replacingItself = f.destination == f.source;
            if (!replacingItself && ::lstat(f.destination.c_str(), &st) == 0) {
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

    // The files under `folder`, in the byte order of their names.
    void walk(const QByteArray& folder, const QByteArray& relative) {
        DIR* dir = ::opendir(folder.constData());
        if (dir == nullptr) {
            m_plan.failed.append(
                {FilePath::fromNative(folder), CommandResult::systemError(errno).description});
            return;
        }
        QList<QByteArray> names;
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..") {
                names.append(name);
            }
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        for (const QByteArray& name : names) {
            const QByteArray path = joined(folder, name);
            struct stat st {};
            if (::lstat(path.constData(), &st) != 0) {
                m_plan.failed.append(
                    {FilePath::fromNative(path), CommandResult::systemError(errno).description});
            } else if (S_ISDIR(st.st_mode)) {
                walk(path, joined(relative, name));
            } else if (S_ISLNK(st.st_mode)) {
                skip(FilePath::fromNative(path), QStringLiteral("a symbolic link"));
            } else {
                addFile(path, joined(relative, name), st);
            }
        }
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
        if (!m_options.inPlace && sameFile(path, destination)) {
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
};

// Makes the folders above `file` that are missing.
int makeFolders(const FilePath& file) {
    const QByteArray folder = file.folder().native();
    struct stat st {};
    if (::stat(folder.constData(), &st) == 0) {
        return 0;
    }
    if (const int error = makeFolders(FilePath::fromNative(folder))) {
        return error;
    }
    return ::mkdir(folder.constData(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

// The shared state of a run: which file comes next, what has been done.
class Run {
public:
    Run(const BatchOptions& options, const BatchPlan& plan, PieceCipher& cipher,
        const BatchProgressFunction& progress, const std::atomic<bool>* stop)
        : m_options(options), m_plan(plan), m_cipher(cipher), m_progress(progress), m_stop(stop),
          m_results(static_cast<std::size_t>(plan.files.size())) {
        m_state.files = static_cast<int>(plan.files.size());
        m_state.bytes = plan.bytes;
    }

    // Works on up to `limit` files, until none are left or the work ends.
    void work(int limit = INT_MAX) {
        for (int n = 0; n < limit; ++n) {
            const int i = next();
            if (i < 0) {
                return;
            }
            m_results[static_cast<std::size_t>(i)] = doFile(m_plan.files[i]);
            finished(m_results[static_cast<std::size_t>(i)]);
        }
    }

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
        CommandResult result;
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

    Outcome doFile(const BatchFile& file) {
        Outcome o{true, {}};
        struct stat st {};
        const bool fresh = ::lstat(file.destination.c_str(), &st) != 0;
        if (const int error = fresh ? makeFolders(file.destination) : 0) {
            o.result = CommandResult::systemError(error, file.destination.folder());
            return o;
        }
        struct stat source {};
        ::stat(file.source.c_str(), &source);
        qint64 seen = 0;
        o.result = transformFileWith(
            m_cipher, m_options.command == Command::EncryptFile, file.source, file.destination,
            m_options.padCheck,
            [&](qint64 done, qint64) {
                addBytes(done - seen);
                seen = done;
            },
            m_stop);
        if (!o.result.ok) {
            return o;
        }
        // A new result keeps its source's permissions, as cp gives them: a
        // private file stays private once decrypted.
        if (fresh) {
            ::chmod(file.destination.c_str(), source.st_mode & 0777);
        }
        if (m_options.inPlace && !(file.destination == file.source) &&
            ::unlink(file.source.c_str()) != 0) {
            o.result = CommandResult::failure(
                errno,
                QStringLiteral("The result %1 was written, but the source could not be "
                               "removed: %2")
                    .arg(file.destination.toDisplayText(),
                         CommandResult::systemError(errno).description),
                file.source);
        }
        return o;
    }

    const BatchOptions& m_options;
    const BatchPlan& m_plan;
    PieceCipher& m_cipher;
    const BatchProgressFunction& m_progress;
    const std::atomic<bool>* m_stop;
    std::vector<Outcome> m_results;
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
        Run run(options, plan, cipher, progress, stop);
        run.work(1);
        std::vector<std::thread> helpers;
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
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
        summary.warnings = checked.warnings + summary.warnings;
    } catch (const std::bad_alloc&) {
        summary.failures.append(CommandResult::outOfMemory());
        summary.failed.append({FilePath(), CommandResult::outOfMemory().description});
    }
    return summary;
}

} // namespace zephral
