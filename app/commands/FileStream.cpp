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

// Pieces in flight: one being read, one transformed, one or two written.
constexpr int kPieces = 4;
constexpr qsizetype kBlock = 8;

// One buffer: 8 bytes before the data, where a decryption puts the block it
// held back from the piece before, and 8 after, which encryption's padding
// needs.
struct Piece {
    std::unique_ptr<char[]> memory;
    char* data = nullptr;
    qsizetype size = 0; // bytes read into data
    bool last = false;  // the source ended in this piece
    const char* out = nullptr;
    qsizetype outSize = 0;
};

// The three stages hand pieces round through three queues under one lock.
// Any stage that fails stops the others.
class Pipeline {
public:
    explicit Pipeline(qsizetype pieceSize) {
        for (Piece& p : m_pieces) {
            p.memory = std::make_unique<char[]>(static_cast<std::size_t>(pieceSize + 2 * kBlock));
            p.data = p.memory.get() + kBlock;
        }
        for (int i = 0; i < kPieces; ++i) {
            m_free.push_back(i);
        }
    }

    Piece& operator[](int i) { return m_pieces[i]; }

    // The next piece from a queue; -1 once the work has stopped.
    int takeFree() { return take(m_free); }
    int takeRead() { return take(m_read); }
    int takeDone() { return take(m_done); }
    void giveFree(int i) { give(m_free, i); }
    void giveRead(int i) { give(m_read, i); }
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
    bool stopped() {
        std::lock_guard lock(m_mutex);
        return m_stopped;
    }
    CommandResult failure() {
        std::lock_guard lock(m_mutex);
        return m_failure;
    }

private:
    int take(std::deque<int>& queue) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_stopped || !queue.empty(); });
        if (m_stopped) {
            return -1;
        }
        const int i = queue.front();
        queue.pop_front();
        return i;
    }
    void give(std::deque<int>& queue, int i) {
        std::lock_guard lock(m_mutex);
        queue.push_back(i);
        m_changed.notify_all();
    }

    Piece m_pieces[kPieces];
    std::deque<int> m_free, m_read, m_done;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopped = false;
    CommandResult m_failure;
};

// Fills data with up to `size` bytes; fewer only where the source ends.
// Returns the count, or -1 with errno set.
qsizetype readFull(int fd, char* data, qsizetype size) {
    qsizetype got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, static_cast<std::size_t>(size - got));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    return got;
}

void readStage(Pipeline& line, const StreamJob& job, qsizetype pieceSize) {
    for (;;) {
        const int i = line.takeFree();
        if (i < 0) {
            return;
        }
        Piece& p = line[i];
        const qsizetype got = readFull(job.source, p.data, pieceSize);
        if (got < 0) {
            line.fail(CommandResult::systemError(errno, job.sourcePath));
            return;
        }
        p.size = got;
        p.last = got < pieceSize;
        line.giveRead(i);
        if (p.last) {
            return;
        }
    }
}

void writeStage(Pipeline& line, const StreamJob& job) {
    for (;;) {
        const int i = line.takeDone();
        if (i < 0) {
            return;
        }
        Piece& p = line[i];
        if (p.outSize > 0) {
            if (CommandResult r = job.write(p.out, p.outSize); !r.ok) {
                line.fail(r);
                return;
            }
        }
        const bool last = p.last;
        line.giveFree(i);
        if (last) {
            return;
        }
    }
}

CommandResult wrongKey(const FilePath& path) {
    return CommandResult::failure(kErrorWrongKey, QStringLiteral("Wrong key or damaged file"),
                                  path);
}

CommandResult cipherFailed(const FilePath& path) {
    return CommandResult::failure(kErrorEmptyResult, QStringLiteral("The cipher gave no result"),
                                  path);
}

// The transform of one piece, on the calling thread. A decryption carries
// the last block it has seen in `held` from piece to piece.
class Transform {
public:
    Transform(PieceCipher& cipher, const StreamJob& job) : m_cipher(cipher), m_job(job) {}

    // Sets p.out and p.outSize; false (and the failure) when the work must end.
    CommandResult run(Piece& p) {
        m_total += p.size;
        return m_job.encrypt ? encrypt(p) : decrypt(p);
    }
    qint64 total() const { return m_total; }

private:
    CommandResult encrypt(Piece& p) {
        p.out = p.data;
        if (!p.last) {
            p.outSize = p.size;
            return m_cipher.encryptBlocks(p.data, p.size) ? CommandResult::success()
                                                          : cipherFailed(m_job.sourcePath);
        }
        // An empty source gives nothing at all; any other ends in its padding.
        if (m_total == 0) {
            p.outSize = 0;
            return CommandResult::success();
        }
        p.outSize = m_cipher.encryptLast(p.data, p.size);
        return p.outSize > 0 ? CommandResult::success() : cipherFailed(m_job.sourcePath);
    }

    CommandResult decrypt(Piece& p) {
        if (p.last && m_total % kBlock != 0) {
            return wrongKey(m_job.sourcePath); // not whole blocks
        }
        if (!m_cipher.decryptBlocks(p.data, p.size)) {
            return cipherFailed(m_job.sourcePath);
        }
        // The block held back goes in front of this piece's bytes, and the
        // last block of them is held back in its turn.
        char* start = p.data;
        qsizetype length = p.size;
        if (m_holding) {
            start -= kBlock;
            length += kBlock;
            std::memcpy(start, m_held, kBlock);
        }
        p.out = start;
        p.outSize = 0;
        if (length < kBlock) {
            return CommandResult::success(); // an empty source, last too
        }
        if (!p.last) {
            std::memcpy(m_held, start + length - kBlock, kBlock);
            m_holding = true;
            p.outSize = length - kBlock;
            return CommandResult::success();
        }
        const int pad = padLength(start + length - kBlock, m_job.padCheck);
        if (pad == 0) {
            explicit_bzero(start, static_cast<std::size_t>(length));
            return wrongKey(m_job.sourcePath);
        }
        p.outSize = length - pad;
        return CommandResult::success();
    }

    PieceCipher& m_cipher;
    const StreamJob& m_job;
    qint64 m_total = 0;
    char m_held[kBlock] = {};
    bool m_holding = false;
};

} // namespace

qsizetype& streamPieceSize() {
    static qsizetype size = qsizetype{4} << 20;
    return size;
}

CommandResult streamFile(PieceCipher& cipher, const StreamJob& job) {
    // Whole blocks, so that only the last piece is ever padded or short.
    const qsizetype pieceSize =
        std::clamp<qsizetype>(streamPieceSize() / kBlock * kBlock, kBlock, PieceCipher::kMaxPiece);
    Pipeline line(pieceSize);
    std::thread reader, writer;
    try {
        reader = std::thread(readStage, std::ref(line), std::cref(job), pieceSize);
        writer = std::thread(writeStage, std::ref(line), std::cref(job));
    } catch (const std::system_error& e) {
        line.fail(CommandResult::systemError(e.code().value()));
    }

    Transform transform(cipher, job);
    for (;;) {
        const int i = line.takeRead();
        if (i < 0) {
            break;
        }
        Piece& p = line[i];
        if (CommandResult r = transform.run(p); !r.ok) {
            line.fail(r);
            break;
        }
        const bool last = p.last;
        line.giveDone(i);
        if (job.progress) {
            job.progress(transform.total(), job.sourceSize);
        }
        if (last) {
            break;
        }
    }
    if (reader.joinable()) {
        reader.join();
    }
    if (writer.joinable()) {
        writer.join();
    }
    return line.failure();
}

} // namespace zephral
