#include "commands/FileStream.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zephral {

namespace {

constexpr qsizetype kBlock = kCipherBlock;
// Pieces being transformed at once: one per core, as the library would
// share out one long buffer.
constexpr unsigned kMaxWorkers = ZEPHCORE_MAX_THREADS;

// One buffer: 8 bytes before the data, where a decryption puts the block it
// held back from the piece before, and 8 after, which encryption's padding
// needs.
struct Piece {
    std::unique_ptr<char[]> memory;
    char* data = nullptr;
    qint64 index = 0;  // the piece's place in the source, 0 first
    qint64 offset = 0; // bytes of the source before it
    qsizetype size = 0;
    bool last = false; // the source ended in this piece
    qsizetype outSize = 0;
};

// The stages hand pieces round through three queues under one lock: free
// pieces to the reader, read ones to the transforming threads, transformed
// ones to the writer, which takes them in their order. Any stage that fails
// stops the others.
class Pipeline {
public:
    Pipeline(int pieces, qsizetype pieceSize) : m_pieces(static_cast<std::size_t>(pieces)) {
        for (std::size_t i = 0; i < m_pieces.size(); ++i) {
            m_pieces[i].memory =
                std::make_unique<char[]>(static_cast<std::size_t>(pieceSize + 2 * kBlock));
            m_pieces[i].data = m_pieces[i].memory.get() + kBlock;
            m_free.push_back(static_cast<int>(i));
        }
    }

    Piece& operator[](int i) { return m_pieces[static_cast<std::size_t>(i)]; }

    // Each gives the next piece for its stage, or -1 when there is none to
    // come or the work has stopped.
    int takeFree() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_stopped || !m_free.empty(); });
        return m_stopped ? -1 : pop(m_free);
    }
    int takeRead() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_stopped || m_readEnded || !m_read.empty(); });
        return m_stopped || m_read.empty() ? -1 : pop(m_read);
    }
    int takeNextDone(qint64 index) {
        std::unique_lock lock(m_mutex);
        auto found = m_done.end();
        m_changed.wait(lock, [&] {
            found = std::find_if(m_done.begin(), m_done.end(),
                                 [&](int i) { return (*this)[i].index == index; });
            return m_stopped || found != m_done.end();
        });
        if (m_stopped) {
            return -1;
        }
        const int i = *found;
        m_done.erase(found);
        return i;
    }
    void giveFree(int i) { give(m_free, i); }
    void giveRead(int i, bool last) {
        std::lock_guard lock(m_mutex);
        m_read.push_back(i);
        m_readEnded = last;
        m_changed.notify_all();
    }
    void giveDone(int i) { give(m_done, i); }

    // Records the first failure and stops every stage.
    void fail(const CommandResult& r) {
        std::lock_guard lock(m_mutex);
        if (m_failure.ok) {
            m_failure = r;
        }
        m_stopped = true;
        m_changed.notify_all();
    }
    CommandResult failure() {
        std::lock_guard lock(m_mutex);
        return m_failure;
    }

private:
    static int pop(std::deque<int>& queue) {
        const int i = queue.front();
        queue.pop_front();
        return i;
    }
    void give(std::deque<int>& queue, int i) {
        std::lock_guard lock(m_mutex);
        queue.push_back(i);
        m_changed.notify_all();
    }

    std::vector<Piece> m_pieces;
    std::deque<int> m_free, m_read, m_done;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_readEnded = false;
    bool m_stopped = false;
    CommandResult m_failure;
};

CommandResult wrongKey(const StreamJob& job) {
    return CommandResult::wrongKey(QStringLiteral("file"), job.sourcePath);
}

// `once`: the source was measured to fit in one piece, which is all there is
// room for.
void readStage(Pipeline& line, const StreamJob& job, qsizetype pieceSize, bool once = false) {
    qint64 offset = 0;
    for (qint64 index = 0;; ++index) {
        const int i = line.takeFree();
        if (i < 0) {
            return;
        }
        Piece& p = line[i];
        if (job.stop != nullptr && job.stop->load()) {
            line.fail(CommandResult::systemError(EINTR, job.sourcePath));
            return;
        }
        const qsizetype got = job.source->readFull(p.data, pieceSize);
        if (got < 0) {
            line.fail(CommandResult::systemError(errno, job.sourcePath));
            return;
        }
        p.index = index;
        p.offset = offset;
        p.size = got;
        p.last = got < pieceSize;
        if (once && !p.last) {
            line.fail(CommandResult::failure(
                EAGAIN, QStringLiteral("The file grew while it was being read"), job.sourcePath));
            return;
        }
        offset += got;
        line.giveRead(i, p.last);
        if (p.last) {
            return;
        }
    }
}

// Transforms pieces in place, whichever come next; several threads run this
// at once. Only the last piece of an encryption is padded.
void transformStage(Pipeline& line, const StreamJob& job, PieceCipher& cipher) {
    for (;;) {
        const int i = line.takeRead();
        if (i < 0) {
            return;
        }
        Piece& p = line[i];
        bool ok = true;
        if (!job.encrypt) {
            if (p.last && (p.offset + p.size) % kBlock != 0) {
                line.fail(wrongKey(job)); // not whole blocks
                return;
            }
            ok = cipher.decryptBlocks(p.data, p.size);
            p.outSize = p.size;
        } else if (!p.last) {
            ok = cipher.encryptBlocks(p.data, p.size);
            p.outSize = p.size;
        } else if (p.offset + p.size == 0) {
            p.outSize = 0; // an empty source gives nothing at all
        } else {
            p.outSize = cipher.encryptLast(p.data, p.size);
            ok = p.outSize > 0;
        }
        if (!ok) {
            line.fail(CommandResult::noCipherResult(job.sourcePath));
            return;
        }
        line.giveDone(i);
    }
}

// Writes the pieces in their order. A decryption holds back the last block
// it has seen until the source ends, and then writes it without its padding
// or, when the padding fails the check, not at all.
void writeStage(Pipeline& line, const StreamJob& job) {
    char held[kBlock] = {};
    bool holding = false;
    for (qint64 index = 0;; ++index) {
        const int i = line.takeNextDone(index);
        if (i < 0) {
            return;
        }
        Piece& p = line[i];
        char* start = p.data;
        qsizetype length = p.outSize;
        if (!job.encrypt) {
            if (holding) {
                start -= kBlock; // the room before the data
                std::memcpy(start, held, kBlock);
                length += kBlock;
            }
            if (length >= kBlock && !p.last) {
                std::memcpy(held, start + length - kBlock, kBlock);
                holding = true;
                length -= kBlock;
            } else if (length >= kBlock) {
                const int pad = judgeEnd(p.offset + p.size, start + length, job.padCheck);
                if (pad == 0) {
                    explicit_bzero(start, static_cast<std::size_t>(length));
                    line.fail(wrongKey(job));
                    return;
                }
                length -= pad;
            }
            // else: an empty source, nothing to write
        }
        if (length > 0) {
            if (CommandResult r = job.write(start, length); !r.ok) {
                line.fail(r);
                return;
            }
        }
        if (job.progress) {
            job.progress(p.offset + p.size, job.sourceSize);
        }
        const bool last = p.last;
        line.giveFree(i);
        if (last) {
            explicit_bzero(held, sizeof held);
            return;
        }
    }
}

// Below the size from which the library shares one buffer out between the
// cores: here the pieces are shared out instead.
constexpr qsizetype kPieceSize = qsizetype{512} << 10;
static_assert(kPieceSize < ZEPHCORE_THREADED_FROM && kPieceSize % kBlock == 0);
qsizetype gPieceSize = kPieceSize;

unsigned workerCount() {
    return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxWorkers);
}

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
    // A file known to fit in one piece is worked on this thread alone, in a
    // buffer of its size: a batch of small files shares its cores across the
    // files, never paying for threads and full-size buffers per file.
    if (job.sourceSize >= 0 && job.sourceSize < streamPieceSize()) {
        const qsizetype size = (job.sourceSize / kBlock + 1) * kBlock;
        Pipeline line(1, size);
        readStage(line, job, size, true);
        transformStage(line, job, cipher);
        writeStage(line, job);
        return line.failure();
    }
    // Whole blocks, so that only the last piece is ever padded or short.
    const qsizetype pieceSize =
        std::clamp<qsizetype>(streamPieceSize() / kBlock * kBlock, kBlock, PieceCipher::kMaxPiece);
    const unsigned workers = workerCount();
    // One piece being read, one being written and two in the queues besides
    // each transforming thread's.
    Pipeline line(static_cast<int>(workers) + 4, pieceSize);
    std::vector<std::thread> threads;
    try {
        threads.emplace_back(readStage, std::ref(line), std::cref(job), pieceSize, false);
        threads.emplace_back(writeStage, std::ref(line), std::cref(job));
        for (unsigned w = 1; w < workers; ++w) {
            threads.emplace_back(transformStage, std::ref(line), std::cref(job), std::ref(cipher));
        }
    } catch (const std::system_error& e) {
        // Without its reader or writer nothing moves; without a helper the
        // work goes on with fewer hands.
        if (threads.size() < 2) {
            line.fail(CommandResult::systemError(e.code().value()));
        }
    }
    transformStage(line, job, cipher);
    for (std::thread& t : threads) {
        t.join();
    }
    return line.failure();
}

} // namespace zephral
