#include "commands/FileStream.h"

#include "commands/PiecePipeline.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace zephral {

namespace {

constexpr qsizetype kBlock = kCipherBlock;

CommandResult wrongKey(const StreamJob& job) {
    return CommandResult::wrongKey(QStringLiteral("file"), job.sourcePath);
}

// The job's three stages. `once`: the source was measured to fit in one
// piece, which is all there is room for. Only the last piece of an
// encryption is padded; a decryption's last block is held back to the end.
PieceStages fileStages(const StreamJob& job, PieceCipher& cipher, qsizetype pieceSize, bool once,
                       HeldBlock& held) {
    PieceStages stages;
    stages.read = [&job, pieceSize, once, offset = qint64{0}](Piece& p) mutable {
        if (job.stop != nullptr && job.stop->load()) {
            return CommandResult::systemError(EINTR, job.sourcePath);
        }
        qsizetype got = 0;
        if (once) {
            // A regular file measured a moment ago: one read that gives its
            // size is its end, and only more than that needs another look.
            do {
                got = ::read(job.source->get(), p.data, static_cast<std::size_t>(pieceSize));
            } while (got < 0 && errno == EINTR);
            if (got > 0 && got != job.sourceSize) {
                const qsizetype more = job.source->readFull(p.data + got, pieceSize - got);
                got = more < 0 ? more : got + more;
            }
        } else {
            got = job.source->readFull(p.data, pieceSize);
        }
        if (got < 0) {
            return CommandResult::systemError(errno, job.sourcePath);
        }
        p.offset = offset;
        p.size = got;
        p.last = got < pieceSize;
        if (once && !p.last) {
            return CommandResult::failure(
                EAGAIN, QStringLiteral("The file grew while it was being read"), job.sourcePath);
        }
        offset += got;
        return CommandResult::success();
    };
    stages.transform = [&job, &cipher](Piece& p) {
        bool ok = true;
        p.result = p.data;
        p.resultSize = p.size;
        if (!job.encrypt) {
            if (p.last && (p.offset + p.size) % kBlock != 0) {
                return wrongKey(job); // not whole blocks
            }
            ok = cipher.decryptBlocks(p.data, p.size);
        } else if (!p.last) {
            ok = cipher.encryptBlocks(p.data, p.size);
        } else if (p.offset + p.size > 0) { // an empty source gives nothing at all
            p.resultSize = cipher.encryptLast(p.data, p.size);
            ok = p.resultSize > 0;
        }
        return ok ? CommandResult::success() : CommandResult::noCipherResult(job.sourcePath);
    };
    stages.write = [&job, &held](Piece& p) {
        char* start = p.result;
        qsizetype length = p.resultSize;
        if (!job.encrypt && !held.pass(start, length, p.last, p.offset + p.size, job.padCheck)) {
            return wrongKey(job);
        }
        if (length > 0) {
            if (CommandResult r = job.write(start, length); !r.ok) {
                return r;
            }
        }
        if (job.progress) {
            job.progress(p.offset + p.size, job.sourceSize);
        }
        return CommandResult::success();
    };
    return stages;
}

// Below the size from which the library shares one buffer out between the
// cores: here the pieces are shared out instead.
constexpr qsizetype kPieceSize = qsizetype{512} << 10;
static_assert(kPieceSize < ZEPHCORE_THREADED_FROM && kPieceSize % kBlock == 0);
qsizetype gPieceSize = kPieceSize;

} // namespace

qsizetype streamPieceSize() {
    return gPieceSize;
}

ScopedPieceSize::ScopedPieceSize(qsizetype size) : ScopedValue(gPieceSize, size) {}

CommandResult measureResult(PieceCipher& cipher, const StreamJob& job, qint64& size) {
    size = -1;
    if (job.sourceSize < 0) {
        return CommandResult::success();
    }
    if (job.sourceSize == 0 || job.encrypt) {
        size = job.sourceSize == 0 ? 0 : paddedSize(job.sourceSize);
        return CommandResult::success();
    }
    char last[kBlock];
    const qint64 at = job.sourceStart + job.sourceSize - kBlock;
    const bool read = job.sourceSize % kBlock == 0 &&
                      ::pread(job.source->get(), last, kBlock, static_cast<off_t>(at)) == kBlock &&
                      cipher.decryptBlocks(last, kBlock);
    const int pad = read ? judgeEnd(job.sourceSize, last + kBlock, job.padCheck) : 0;
    explicit_bzero(last, sizeof last);
    if (pad == 0) {
        return wrongKey(job);
    }
    size = job.sourceSize - pad;
    return CommandResult::success();
}

CommandResult streamFile(PieceCipher& cipher, const StreamJob& job) {
    HeldBlock held;
    // A file known to fit in one piece is worked on this thread alone, in a
    // buffer of its size: a batch of small files shares its cores across the
    // files, never paying for threads and full-size buffers per file.
    if (job.sourceSize >= 0 && job.sourceSize < streamPieceSize()) {
        const qsizetype size = (job.sourceSize / kBlock + 1) * kBlock;
        return runPieces(fileStages(job, cipher, size, true, held), 1, size, 0);
    }
    // Whole blocks, so that only the last piece is ever padded or short.
    const qsizetype pieceSize =
        std::clamp<qsizetype>(streamPieceSize() / kBlock * kBlock, kBlock, PieceCipher::kMaxPiece);
    return runPieces(fileStages(job, cipher, pieceSize, false, held), overlappedPieces(), pieceSize,
                     0);
}

} // namespace zephral
