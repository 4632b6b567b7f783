// The file commands' dealings with names: where a result may go, and what
// its commit tells. Failures carry the system's error number and the path.
#pragma once

#include "commands/CommandResult.h"
#include "commands/FileWriter.h"
#include "platform/FilePath.h"

namespace zephral {

// Commits a writer for the file at `path`: a replaced file with other names
// warns that they keep the old content.
CommandResult commitFile(FileWriter& writer, const FilePath& path,
                         FileWriter::Sync sync = FileWriter::Sync::FileAndFolder);

// EISDIR when `path` is a folder, which no write can replace.
CommandResult refuseFolder(const FilePath& path);

// True when both names lead to one file (the same device and inode), so
// that writing one changes the other: in-place work.
bool sameFile(const FilePath& a, const FilePath& b);

} // namespace zephral
