#include "commands/Files.h"

#include <cerrno>
#include <sys/stat.h>

namespace zephral {

namespace {

QString otherNamesWarning(const FilePath& path, nlink_t others) {
    if (others == 1) {
        return QStringLiteral("%1 had another name (a hard link), which keeps the old content.")
            .arg(path.toText());
    }
    return QStringLiteral("%1 had %2 other names (hard links), which keep the old content.")
        .arg(path.toText())
        .arg(others);
}

} // namespace

CommandResult commitFile(FileWriter& writer, const FilePath& path, FileWriter::Sync sync) {
    CommandResult r = writer.commit(sync);
    if (r.ok && writer.otherNames() > 0) {
        r.warnings.append(
            {CommandWarning::Kind::OtherNames, otherNamesWarning(path, writer.otherNames())});
    }
    return r;
}

CommandResult refuseFolder(const FilePath& path) {
    struct stat st {};
    if (!path.isEmpty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return CommandResult::systemError(EISDIR, path);
    }
    return CommandResult::success();
}

bool sameFile(const FilePath& a, const FilePath& b) {
    struct stat sa {};
    struct stat sb {};
    return !a.isEmpty() && !b.isEmpty() && ::stat(a.c_str(), &sa) == 0 &&
           ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace zephral
