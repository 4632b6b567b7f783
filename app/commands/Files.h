// Whole files in and out, for the file commands. Failures carry the system's
// error number and the path.
#pragma once

#include "commands/CommandResult.h"
#include "commands/FileWriter.h"
#include "platform/FilePath.h"

#include <QByteArray>

namespace zephral {

// The largest source the in-memory file commands take: the library's lengths
// are signed 32-bit and encryption adds up to 8 bytes.
inline constexpr qint64 kMaxFileSize = 2147483647LL - 8;

// Reads a whole file, pipe or device into memory (at most `limit` bytes,
// else kErrorTooLarge); a folder is refused. The buffer keeps room for 8
// bytes more, so that encryption can add its padding without moving the
// whole file.
CommandResult readWholeFile(const FilePath& path, QByteArray& content, qint64 limit = kMaxFileSize);

// Replaces the file at `path` with `content` through a FileWriter: the
// destination changes only once the whole content is written, and keeps its
// permission bits. A replaced file with other names warns that they keep the
// old content.
CommandResult writeWholeFile(const FilePath& path, const QByteArray& content,
                             FileWriter::Existing existing = FileWriter::Existing::Replace);

// EISDIR when `path` is a folder, which no write can replace.
CommandResult refuseFolder(const FilePath& path);

// True when both names lead to one file (the same device and inode), so
// that writing one changes the other: in-place work.
bool sameFile(const FilePath& a, const FilePath& b);

} // namespace zephral
