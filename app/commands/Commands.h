// The six commands of the main window and of zephral-cli: the one place that
// decides what each does (the key checks, the transform through the cipher
// bindings and the code page, the result and its failure). Nothing here shows
// anything or services events, and a failure comes back as a CommandResult,
// running out of memory included. The key never appears in a description.
#pragma once

#include "commands/CommandResult.h"
#include "encrypt/basEncrypt.h"
#include "platform/FilePath.h"

#include <QString>
#include <functional>

namespace zephral {

enum class Command {
    EncryptFile,       // the file's bytes encrypted into the destination
    DecryptFile,       // the reverse
    EncryptEncodeText, // the text encrypted with the key, then Base64
    DecryptDecodeText, // Base64-decoded, then decrypted with the key
    EncodeText,        // Base64 of the text
    DecodeText,        // the text a Base64 text stands for
};

bool isFileCommand(Command command);
bool needsKey(Command command);

// `output` is the result's text: set on success, empty on failure. The window
// and the command line judge alike: an empty or over-long key, a decryption
// whose padding shows a wrong key or damaged text, an empty encryption and a
// missing cipher library are failures. Empty text gives empty text without
// looking for the library. Encryption refuses a key with a NUL or with a
// character the code page can't hold, encoding and encryption refuse text the
// code page can't hold, and a key whose high bytes hide others comes back as a
// warning. `padCheck` judges a decryption. The two decoding commands drop
// ASCII white space (space, tab, CR, LF) from their Base64 first, so that
// wrapped lines decode as one.
CommandResult runTextCommand(Command command, const QString& text, const QString& key,
                             QString& output, PadCheck padCheck = PadCheck::Full);

// How far a long file command is: bytes of the source done, and the source's
// size, or -1 when it can't be known (a pipe). Called after every piece is
// written, from the thread that writes them.
using FileProgress = std::function<void(qint64 done, qint64 total)>;

// A text command over a stream, for zephral-cli: the text is read a piece at
// a time and the result written a piece at a time, in bounded memory (a few
// pieces of 512 KiB for each core) whatever the size, with the bytes
// runTextCommand gives for the whole, the text in and out as UTF-8 (text
// that is not is refused, kErrorInvalidUtf8). Base64 input loses its ASCII
// white space wherever it stands; a Base64 result ends in a line break. A
// text that fails within its first piece has written nothing; a longer one
// may have written what came before its failure. `read` and `write` are
// called on threads of their own, each from one thread at a time.
struct TextStream {
    // Fills `data` with up to `size` bytes, fewer only where the text ends;
    // the count, or -1 with errno set.
    std::function<qsizetype(char* data, qsizetype size)> read;
    FilePath inputName; // for a failure to read
    std::function<CommandResult(const char* data, qsizetype size)> write;
};
CommandResult streamTextCommand(Command command, const TextStream& stream, const QString& key,
                                PadCheck padCheck = PadCheck::Full);

// One end of a file command: a named file, or a descriptor already open
// (zephral-cli's standard input and output), read or written as it comes.
struct FileEnd {
    FilePath path;       // the file; for a descriptor, the name messages give
    int descriptor = -1; // when not -1, used instead of opening `path`

    static FileEnd named(const FilePath& path) { return {path, -1}; }
    static FileEnd stream(int descriptor, const QString& name) {
        return {FilePath::fromText(name), descriptor};
    }
};

// The file is transformed a piece at a time (commands/FileStream.h), in
// bounded memory whatever its size. Source and destination may be the same
// file: the destination is replaced only once the whole result is written
// (see FileWriter), and before that the command checks that its file system
// has room for the result (ENOSPC, saying how much is needed). An empty
// source gives an empty destination, but a decryption refuses an empty
// descriptor (kErrorNothingToDecrypt) and writes nothing. The key is checked first; a decryption
// whose source is not whole blocks or whose padding fails `padCheck` fails
// with kErrorWrongKey and writes nothing: a named source's last block is
// judged before anything is written, and a pipe's is held back to its end
// (what came before it may be in a destination descriptor by then).
// Encryption refuses and warns of keys as the text commands do. A decryption
// without the whole check (PadCheck::LengthOnly) writes a new file only,
// never in place or over an existing one. `progress` hears of every piece.
CommandResult runFileCommand(Command command, const FileEnd& source, const FileEnd& destination,
                             const QString& key, PadCheck padCheck = PadCheck::Full,
                             const FileProgress& progress = {});
CommandResult runFileCommand(Command command, const FilePath& source, const FilePath& destination,
                             const QString& key, PadCheck padCheck = PadCheck::Full,
                             const FileProgress& progress = {});

// Puts the code page of a number or alias in force for the text conversions.
CommandResult useCodePage(const QString& name);
// The code pages useCodePage() knows, for a help text.
QString codePageList();
// `report` hears, once, when the "CodePage" setting names no code page the
// program has, what the program does instead: a sentence for the user.
void reportCodePageFallback(std::function<void(const QString& text)> report);

} // namespace zephral
