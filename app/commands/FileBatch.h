// A file command over many files and folders: which files, where each
// result goes and under what name, then every file through the single-file
// command's own machinery (the private temporary file and rename, the
// padding check, the room check), one key schedule for all of them and the
// cores shared across the files.
#pragma once

#include "commands/CommandResult.h"
#include "commands/Commands.h"
#include "platform/FilePath.h"

#include <QList>
#include <atomic>
#include <functional>

namespace zephral {

struct BatchOptions {
    Command command = Command::EncryptFile;
    // A folder stands for the files under it, in name order; without it a
    // folder is skipped.
    bool recursive = false;
    // Encryption appends it to a name; decryption takes it off a name that
    // ends with it. Empty keeps every name.
    QByteArray suffix = ".enc";
    bool force = false;     // an existing result is replaced, not skipped
    bool keepGoing = false; // a failure does not stop the files after it
    // Each result replaces its source under the new name; else it goes into
    // `targetFolder`, folders made again beneath it as `cp -r -t` makes them.
    bool inPlace = false;
    FilePath targetFolder;
    // In place, decryption takes only names that end with the suffix. With a
    // target folder that is a source's own folder, the result may not
    // replace its source: skipped with this reason. (The window's folder
    // dialog, whose choice of the files' own folder means "beside them".)
    QString noSuffixReason;
    PadCheck padCheck = PadCheck::Full;
};

struct BatchFile {
    FilePath source;
    FilePath destination;
    qint64 size = 0;
};

// A file left alone, or one that failed, and why.
struct BatchNote {
    FilePath path;
    QString reason;
    int number = 0; // the system's error number of a source that could not be read
};

struct BatchPlan {
    QList<BatchFile> files;
    QList<BatchNote> skipped;
    QList<BatchNote> failed; // sources that could not be read
    qint64 bytes = 0;
    // Destinations that exist and would be replaced with `force` (kept in
    // `skipped` without it), for the window's question.
    QList<BatchFile> existing;
    // With a target folder, the folders of each tree given, made again
    // beneath it even when no result goes into them, as `cp -r` makes them.
    QList<FilePath> folders;
};

// Walks the sources (a symbolic link named here is followed; one inside a
// folder, devices, FIFOs and sockets are skipped), names each result, and
// sets aside existing results and names that two sources would both give,
// before anything is written.
BatchPlan planBatch(const BatchOptions& options, const QList<FilePath>& sources);

struct BatchProgress {
    int filesDone = 0;
    int files = 0;
    qint64 bytesDone = 0;
    qint64 bytes = 0;
    FilePath current; // the file last begun
};

struct BatchSummary {
    int done = 0;
    qint64 bytesDone = 0;
    QList<BatchNote> skipped;
    QList<BatchNote> failed;
    QList<CommandResult> failures; // beside `failed`, for the error log
    QList<CommandWarning> warnings;
    bool keyRefused = false; // the key failed its checks: nothing was done
    bool stopped = false;    // `stop` ended the work
    int notStarted = 0;      // files left untouched by a stop or a failure
    bool allDone() const { return skipped.isEmpty() && failed.isEmpty() && notStarted == 0; }
};

// The key's checks alone, as runBatch makes them before any file (the
// refusals, and an encryption's warnings): the window says a refusal before
// it asks where the results go.
CommandResult checkBatchKey(Command command, const QString& key);

using BatchProgressFunction = std::function<void(const BatchProgress&)>;

// Runs the plan: the key checked once (a refusal is the summary's only
// failure), the first file alone and then the others spread over the cores,
// stopping at the first failure unless `keepGoing`, and before the next piece
// once `stop` is true (the file in progress left as it was). `progress` is
// called from the working threads, one call at a time.
BatchSummary runBatch(const BatchOptions& options, const BatchPlan& plan, const QString& key,
                      const BatchProgressFunction& progress = {},
                      const std::atomic<bool>* stop = nullptr);

} // namespace zephral
