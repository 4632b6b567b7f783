// Writes a file so that nothing half-written, and nothing readable by anyone
// else, is ever seen under its name or beside it.
//
// open() makes a temporary file in the destination's folder, readable and
// writable by its owner only: unnamed (O_TMPFILE) where the file system
// allows, so that even a killed process leaves nothing behind; otherwise a
// hidden ".<name>.XXXXXX" beside the destination, which SIGINT, SIGTERM and
// SIGHUP remove before the program ends. write() adds content in pieces.
// commit() gives the file the destination's final mode, puts it on disk and
// only then gives it the destination's name; abort(), or destroying an
// uncommitted writer, leaves nothing and the destination as it was.
//
// A destination that is a device or a pipe can't be replaced: it is written
// directly, and abort() can't undo what was written. Through a symbolic link,
// the file the link points to is replaced, not the link; a link to nothing
// is refused.
//
// One writer is used from one thread at a time; several writers may work at
// once.
#pragma once

#include "commands/CommandResult.h"
#include "platform/FileDescriptor.h"
#include "platform/FilePath.h"
#include "platform/ScopedValue.h"

#include <QByteArray>
#include <functional>
#include <optional>
#include <sys/types.h>

namespace zephral {

class FileWriter {
public:
    enum class Existing {
        Replace, // an existing destination is replaced
        Refuse,  // only a new file is made; an existing one fails with EEXIST
        // The caller saw no file there a moment ago: none is looked for now,
        // and one that appeared since fails with EEXIST at the commit.
        Absent,
    };
    // What commit() puts on disk: the content and then the folder's new
    // name; the content only, the caller syncing the folder once for many
    // names; or neither, the caller having synced the whole file system.
    enum class Sync { FileAndFolder, File, None };

    FileWriter() = default;
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    // Failures name their real cause: the folder when it is missing or can't
    // be written, "Could not create a temporary file" for the rest.
    // A new file gets `newMode` when given, else what any new file gets:
    // 0666 less the umask. A replaced file keeps its own mode.
    CommandResult open(const FilePath& destination, Existing existing = Existing::Replace,
                       std::optional<mode_t> newMode = std::nullopt);
    CommandResult write(const char* data, qsizetype size);
    CommandResult commit(Sync sync = Sync::FileAndFolder);
    void abort();

    // The other names (hard links) of the file being replaced; they keep its
    // old content.
    nlink_t otherNames() const { return m_otherNames; }
    // The temporary file's descriptor.
    int descriptor() const { return m_file.get(); }
    // True when the destination is a device or a pipe, written directly.
    bool direct() const { return m_mode == Mode::Direct; }
    // True when the temporary file has no name: nothing is left of it
    // whenever and however the program ends.
    bool unnamed() const { return m_mode == Mode::Unnamed; }

private:
    enum class Mode { Closed, Unnamed, Named, Direct };

    CommandResult createTemporary(const FilePath& folder);
    CommandResult publishUnnamed();
    CommandResult publishNamed();
    CommandResult failAndAbort(int error);
    bool refusing() const { return m_existing != Existing::Replace; }

    Mode m_mode = Mode::Closed;
    Existing m_existing = Existing::Replace;
    FileDescriptor m_file;
    FilePath m_destination; // as given, for messages
    QByteArray m_target;    // the name that gets the content
    QByteArray m_temporary; // the temporary file's name; empty when unnamed
    bool m_exists = false;
    mode_t m_finalMode = 0;
    uid_t m_owner = 0;
    gid_t m_group = 0;
    nlink_t m_otherNames = 0;
};

// Seams for the tests: a hook that runs when a writer's content is complete
// and before it is put in place (the work can be held there), and a switch
// that makes writers use a named temporary file as on a file system without
// unnamed ones.
struct FileWriterSeams {
    std::function<void(const FileWriter&)> beforeCommit;
    bool namedOnly = false;
};

// The seams in force while one lives.
class ScopedFileWriterSeams : public ScopedValue<FileWriterSeams> {
public:
    explicit ScopedFileWriterSeams(FileWriterSeams seams);
};

} // namespace zephral
