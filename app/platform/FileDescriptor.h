// An open file descriptor with one owner, and the whole reads and writes
// every file path of the program goes through: a read or a write that the
// system cut short by a signal or a short count goes on until it is done.
#pragma once

#include "platform/FilePath.h"

#include <QByteArray>
#include <limits>
#include <sys/stat.h>

namespace zephral {

class FileDescriptor {
public:
    FileDescriptor() = default;
    // Owns `fd` (-1 for none): closes it when done.
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    // One the program holds open for itself (standard input or output):
    // read and written, never closed.
    static FileDescriptor borrowed(int fd);
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    // Closes an owned descriptor and takes `fd` in its place.
    void reset(int fd = -1);
    // Closes it and says whether that worked: 0, or the errno of a close
    // that failed (a write the system could not finish shows only there).
    int close();

    // Fills `data` with up to `size` bytes; fewer only where the source
    // ends. The count, or -1 with errno set.
    qsizetype readFull(char* data, qsizetype size) const;
    // Reads from where it stands to the end into `content`, a regular file
    // into a buffer of its size at once. 0, the errno of the failure, or
    // EFBIG when there are more than `limit` bytes (a regular file that
    // large is refused before anything is read).
    static constexpr qint64 kNoLimit = std::numeric_limits<qsizetype>::max() / 2;
    int readAll(QByteArray& content, qint64 limit = kNoLimit) const;
    // Writes all of `data`: 0, or the errno of the failure.
    int writeAll(const char* data, qsizetype size) const;

private:
    int m_fd = -1;
    bool m_owned = true;
};

// Opens `path` for reading and takes its status; a folder is refused with
// EISDIR. 0, or the errno of the failure.
int openForReading(const FilePath& path, FileDescriptor& fd, struct stat& st);

} // namespace zephral
