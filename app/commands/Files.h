// Whole files in and out, for the file commands. Failures carry the system's
// error number and the path.
#pragma once

#include "commands/CommandResult.h"
#include "commands/FileWriter.h"
#include "platform/FilePath.h"

#include <QByteArray>
#include <sys/stat.h>

namespace zephral {

// Reads a whole small file, pipe or device into memory (at most `limit`
// bytes, else kErrorTooLarge); a folder is refused.
CommandResult readWholeFile(const FilePath& path, QByteArray& content, qint64 limit);

// Opens a source for reading and takes its status; a folder is refused.
// The descriptor is the caller's to close.
CommandResult openSource(const FilePath& path, int& fd, struct stat& st);

// Commits a writer for the file at `path`: a replaced file with other names
// warns that they keep the old content.
CommandResult commitFile(FileWriter& writer, const FilePath& path);

// EISDIR when `path` is a folder, which no write can replace.
CommandResult refuseFolder(const FilePath& path);

// True when both names lead to one file (the same device and inode), so
// that writing one changes the other: in-place work.
bool sameFile(const FilePath& a, const FilePath& b);

} // namespace zephral
