// Whole files in and out, for the file commands and the command line's key
// file. Failures carry the system's error number and the path.
#pragma once

#include "commands/CommandResult.h"

#include <QByteArray>
#include <QString>

namespace zephral {

// The largest source the in-memory file commands take: the library's lengths
// are signed 32-bit and encryption adds up to 8 bytes.
inline constexpr qint64 kMaxFileSize = 2147483647LL - 8;

// Reads a whole file, pipe or device into memory (at most kMaxFileSize
// bytes); a folder is refused. The buffer keeps room for 8 bytes more, so
// that encryption can add its padding without moving the whole file.
CommandResult readWholeFile(const QString& path, QByteArray& content);

// Replaces the file at `path` with `content`. The destination is replaced
// only once the whole content is written (through a temporary file beside it,
// keeping an existing destination's permission bits), so a failure leaves it
// as it was. A destination that exists and is not a regular file (a device,
// a pipe) is written directly.
CommandResult writeWholeFile(const QString& path, const QByteArray& content);

// EISDIR when `path` is a folder, which no write can replace.
CommandResult refuseFolder(const QString& path);

} // namespace zephral
