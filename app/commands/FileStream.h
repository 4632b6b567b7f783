// The file commands' transform in pieces: the source is read, transformed and
// written a piece at a time (commands/PiecePipeline.h), so memory stays
// bounded whatever the file's size and the bytes are those of the whole-file
// transform. The pieces are small enough that the library keeps each on the
// thread that hands it over, so the cores are shared out there and never
// twice. A decryption holds back its last block until the source ends, so
// nothing of the padding, and nothing at all of a last piece whose padding
// fails the check, is ever written.
#pragma once

#include "commands/CommandResult.h"
#include "commands/Commands.h"
#include "commands/FileWriter.h"
#include "encrypt/basEncrypt.h"
#include "platform/FileDescriptor.h"
#include "platform/ScopedValue.h"

#include <atomic>
#include <functional>
#include <memory>

namespace zephral {

struct StreamJob {
    bool encrypt = true;
    PadCheck padCheck = PadCheck::Full;
    const FileDescriptor* source = nullptr; // read from where it stands to its end
    FilePath sourcePath;                    // for messages
    qint64 sourceSize = -1;                 // from where it stands; -1 when unknown
    qint64 sourceStart = 0;                 // where it stands, when its size is known
    // Takes each piece of the result in order; a failure ends the work.
    std::function<CommandResult(const char* data, qsizetype size)> write;
    FileProgress progress;
    // When set and true, the work stops before its next piece (EINTR).
    const std::atomic<bool>* stop = nullptr;
};

// The size of the job's result, -1 where the source's size is unknown. A
// decryption's last block is read and judged here, so that a wrong key or a
// damaged file fails (kErrorWrongKey) before anything is written.
CommandResult measureResult(PieceCipher& cipher, const StreamJob& job, qint64& size);

// Runs the job; fails with kErrorWrongKey when a decryption's source is not
// whole blocks or its padding fails the check, or with the reading or
// writing failure. Empty sources give nothing to write.
CommandResult streamFile(PieceCipher& cipher, const StreamJob& job);

// The key checks of a file command, made once for a batch: its refusals,
// and on success the warnings an encryption with it carries.
CommandResult checkFileKey(Command command, const QString& key);

// What a batch knows of one of its files, and what it does once for all of
// them, sparing the single-file command's own checks.
struct BatchFileWork {
    PieceCipher* cipher = nullptr; // the schedule shared by the batch's files
    // Heard before every piece and before the result is put in place.
    const std::atomic<bool>* stop = nullptr;
    // No file was there when the batch was planned: the result is made new,
    // and one that appeared since fails with EEXIST.
    bool destinationAbsent = false;
    // A new result takes its source's permissions, as cp gives them.
    bool sourceMode = false;
    FileWriter::Sync sync = FileWriter::Sync::FileAndFolder;
    // When set, a result complete and checked in an unnamed temporary file
    // is handed over here rather than committed, to be committed with
    // others.
    std::function<CommandResult(std::unique_ptr<FileWriter> writer)> keep;
    // The room check, given the writer and the result's size; empty: the
    // file system is asked (checkRoom).
    std::function<CommandResult(const FileWriter&, qint64 needed)> room;
};

// One file of a batch: the key already checked (checkFileKey). Otherwise as
// runFileCommand.
CommandResult transformFileWith(bool encrypt, const FilePath& source, const FilePath& destination,
                                PadCheck padCheck, const FileProgress& progress,
                                const BatchFileWork& work);

// Whether the file system the writer writes to has room for `needed` bytes
// more; `available`, when given, gets the free bytes seen (-1 unknown).
CommandResult checkRoom(const FileWriter& writer, const FilePath& destination, qint64 needed,
                        qint64* available = nullptr);

// The size of a piece: 512 KiB, whole blocks.
qsizetype streamPieceSize();

// For tests: another piece size while one lives.
class ScopedPieceSize : public ScopedValue<qsizetype> {
public:
    explicit ScopedPieceSize(qsizetype size);
};

} // namespace zephral
