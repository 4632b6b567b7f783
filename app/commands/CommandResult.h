// What a command gives back, from the command layer up: success, or a
// failure with its number, its description and the path it concerns, and on
// either the warnings the user should read. The window shows
// "<procedure>: error <number>: <description> (<path>)" and each warning in a
// message box; the command line prints them on standard error and exits with
// status 1 on failure.
#pragma once

#include "platform/FilePath.h"

#include <QList>
#include <QString>

namespace zephral {

// The program's own failure numbers, above every errno value.
enum CommandError : int {
    kErrorNoKey = 1001,             // "No key was given"
    kErrorKeyTooLong = 1002,        // "The key is longer than 56 characters"
    kErrorWrongKey = 1003,          // a decryption whose padding can't be right; nothing is written
    kErrorEmptyResult = 1004,       // an encryption gave nothing; nothing is written
    kErrorTooLarge = 1005,          // a small file read whole (a key file) that is too large
    kErrorNoLibrary = 1006,         // the cipher library could not be loaded
    kErrorUnknownCodePage = 1007,   // a code page the program does not have
    kErrorNotNewFile = 1008,        // a result that may only go to a new file, and the file exists
    kErrorKeyNotInCodePage = 1009,  // encryption with a key the code page can't hold
    kErrorKeyHoldsNul = 1010,       // encryption with a key that holds a NUL character
    kErrorTextNotInCodePage = 1011, // text the code page can't hold, to be encoded or encrypted
    kErrorInvalidUtf8 = 1012,       // command-line text or key that is not UTF-8
    kErrorKeysDiffer = 1013,        // the key typed twice, two different ways
    kErrorNothingToDecrypt = 1014,  // a decryption whose standard input was empty
    kErrorOutputIsSource = 1015,    // standard output is the very file the command reads
};

// Something the user should know of a command that went on.
struct CommandWarning {
    enum class Kind {
        WeakKey,    // a key byte of 0x80 or more hides the bytes before it
        OtherNames, // the file replaced had other names, which keep the old content
    };
    Kind kind;
    QString text;
};

struct CommandResult {
    bool ok = true;
    // errno (2 "No such file or directory", 13 "Permission denied", 28 "No
    // space left on device", ...) or one of the numbers above.
    int number = 0;
    QString description;
    // The file or folder the failure concerns; empty when it concerns none.
    FilePath path;
    QList<CommandWarning> warnings;

    static CommandResult success() { return {}; }
    static CommandResult failure(int number, const QString& description, const FilePath& path = {});
    // The system's description of errno `errorNumber`.
    static CommandResult systemError(int errorNumber, const FilePath& path = {});
    static CommandResult outOfMemory();
    // kErrorWrongKey: "Wrong key or damaged <what>" (text, file); or, where
    // the source can't be anything this program encrypted whatever the key,
    // `damage` says what is wrong with it instead.
    static CommandResult wrongKey(const QString& what, const FilePath& path = {},
                                  const QString& damage = {});
    // kErrorEmptyResult: the cipher gave nothing where it must give something.
    static CommandResult noCipherResult(const FilePath& path = {});
};

} // namespace zephral
