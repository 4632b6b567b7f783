// Work on a stream a piece at a time in three overlapping stages: a thread
// reads the pieces in their order, one thread per core (the calling thread
// among them) transforms whichever piece comes next, and a thread writes the
// results in their order. Memory stays bounded whatever the stream's size,
// and the wall time nears the slowest stage's instead of the sum of all.
// The file commands (FileStream.h) and the streamed text commands run on it.
#pragma once

#include "commands/CommandResult.h"
#include "encrypt/basEncrypt.h"

#include <functional>
#include <memory>

namespace zephral {

// One piece's buffers, each with a cipher block of room before its bytes
// (where a decryption puts the block it held back from the piece before) and
// one after (which encryption's padding and a Base64 group's completion need).
struct Piece {
    char* data = nullptr; // what was read
    qsizetype size = 0;
    // What the transform made: a buffer of its own where the stages asked
    // for one, else for the transform to point into `data`.
    char* result = nullptr;
    qsizetype resultSize = 0;
    qint64 index = 0;   // the piece's place in the stream, 0 first
    qint64 offset = 0;  // bytes read before it
    bool last = false;  // the stream ended in this piece
    bool ascii = false; // for the stages: the result is ASCII

    std::unique_ptr<char[]> dataMemory, resultMemory;
};

// Each stage fills or works on one piece and returns a failure, which stops
// the others and is the run's result. `read` sets the size, the offset and
// `last`; nothing is read after a last piece, and the run ends once it is
// written.
struct PieceStages {
    std::function<CommandResult(Piece&)> read;
    std::function<CommandResult(Piece&)> transform; // on several threads at once
    std::function<CommandResult(Piece&)> write;
};

// Runs the stages over `pieces` buffers of `dataSize` bytes read and
// `resultSize` made (0: none, the transform works in place). One buffer
// runs every stage in turn on this thread.
CommandResult runPieces(const PieceStages& stages, int pieces, qsizetype dataSize,
                        qsizetype resultSize);

// The buffers to give runPieces for the stages to overlap: one per
// transforming thread, one being read, one being written and two queued.
int overlappedPieces();

// A decryption's last block, held back from each piece until the stream
// ends, so that nothing of the padding, and nothing at all of a last piece
// whose padding fails the check, is ever written.
class HeldBlock {
public:
    HeldBlock() = default;
    ~HeldBlock();
    HeldBlock(const HeldBlock&) = delete;
    HeldBlock& operator=(const HeldBlock&) = delete;

    // Makes `start` and `length`, the piece's `length` deciphered bytes at
    // `start`, into what is to be written of them: the block held from the
    // piece before comes first (in the room before `start`), and the
    // piece's own last block is held, unless `last`. Then the padding is
    // taken off, judged over all `total` deciphered bytes; false when it
    // fails the check, the bytes then blanked. No bytes at all pass.
    bool pass(char*& start, qsizetype& length, bool last, qint64 total, PadCheck check);

private:
    char m_block[kCipherBlock] = {};
    bool m_holding = false;
};

} // namespace zephral
