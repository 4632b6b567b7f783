#include "commands/CommandResult.h"

#include <cerrno>

namespace zephral {

CommandResult CommandResult::failure(int number, const QString& description, const FilePath& path) {
    CommandResult r;
    r.ok = false;
    r.number = number;
    r.description = description;
    r.path = path;
    return r;
}

CommandResult CommandResult::systemError(int errorNumber, const FilePath& path) {
    return failure(errorNumber, qt_error_string(errorNumber), path);
}

CommandResult CommandResult::outOfMemory() {
    return systemError(ENOMEM);
}

CommandResult CommandResult::wrongKey(const QString& what, const FilePath& path,
                                      const QString& damage) {
    return failure(kErrorWrongKey,
                   damage.isEmpty() ? QStringLiteral("Wrong key or damaged %1").arg(what) : damage,
                   path);
}

CommandResult CommandResult::noCipherResult(const FilePath& path) {
    return failure(kErrorEmptyResult, QStringLiteral("The cipher gave no result"), path);
}

} // namespace zephral
