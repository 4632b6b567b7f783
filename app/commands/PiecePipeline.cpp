#include "commands/PiecePipeline.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace zephral {

namespace {

constexpr qsizetype kBlock = kCipherBlock;

std::unique_ptr<char[]> roomFor(qsizetype size, char*& at) {
    auto memory = std::make_unique<char[]>(static_cast<std::size_t>(size + 2 * kBlock));
    at = memory.get() + kBlock;
    return memory;
}

// The stages hand pieces round through three queues under one lock: free
// pieces to the reader, read ones to the transforming threads, transformed
// ones to the writer, which takes them in their order. Any stage that fails
// stops the others.
class Pipeline {
public:
    Pipeline(const PieceStages& stages, int pieces, qsizetype dataSize, qsizetype resultSize)
        : m_stages(stages), m_pieces(static_cast<std::size_t>(pieces)) {
        for (std::size_t i = 0; i < m_pieces.size(); ++i) {
            Piece& p = m_pieces[i];
            p.dataMemory = roomFor(dataSize, p.data);
            if (resultSize > 0) {
                p.resultMemory = roomFor(resultSize, p.result);
            }
            m_free.push_back(static_cast<int>(i));
        }
    }

    // Every stage in turn, a piece at a time, on this thread.
    void runHere() {
        Piece& p = m_pieces.front();
        for (qint64 index = 0; !m_stopped; ++index) {
            p.index = index;
            if (!ran(m_stages.read, p) || !ran(m_stages.transform, p) || !ran(m_stages.write, p) ||
                p.last) {
                return;
            }
        }
    }

    void readStage() {
        for (qint64 index = 0;; ++index) {
            const int i = takeFree();
            if (i < 0) {
                return;
            }
            Piece& p = (*this)[i];
            p.index = index;
            if (!ran(m_stages.read, p)) {
                return;
            }
            giveRead(i, p.last);
            if (p.last) {
                return;
            }
        }
    }

    void transformStage() {
        for (;;) {
            const int i = takeRead();
            if (i < 0 || !ran(m_stages.transform, (*this)[i])) {
                return;
            }
            give(m_done, m_doneChanged, i);
        }
    }

    void writeStage() {
        for (qint64 index = 0;; ++index) {
            const int i = takeNextDone(index);
            if (i < 0 || !ran(m_stages.write, (*this)[i])) {
                return;
            }
            const bool last = (*this)[i].last;
            give(m_free, m_freeChanged, i);
            if (last) {
                return;
            }
        }
    }

    // Records the first failure and stops every stage.
    void fail(const CommandResult& r) {
        std::lock_guard lock(m_mutex);
        if (m_failure.ok) {
            m_failure = r;
        }
        m_stopped = true;
        m_freeChanged.notify_all();
        m_readChanged.notify_all();
        m_doneChanged.notify_all();
    }
    CommandResult failure() {
        std::lock_guard lock(m_mutex);
        return m_failure;
    }

private:
    Piece& operator[](int i) { return m_pieces[static_cast<std::size_t>(i)]; }

    bool ran(const std::function<CommandResult(Piece&)>& stage, Piece& p) {
        CommandResult r;
        try {
            r = stage(p);
        } catch (const std::bad_alloc&) {
            r = CommandResult::outOfMemory();
        }
        if (!r.ok) {
            fail(r);
        }
        return r.ok;
    }

    // Each gives the next piece for its stage, or -1 when there is none to
    // come or the work has stopped.
    int takeFree() {
        std::unique_lock lock(m_mutex);
        m_freeChanged.wait(lock, [&] { return m_stopped || !m_free.empty(); });
        return m_stopped ? -1 : pop(m_free);
    }
    int takeRead() {
        std::unique_lock lock(m_mutex);
        m_readChanged.wait(lock, [&] { return m_stopped || m_readEnded || !m_read.empty(); });
        return m_stopped || m_read.empty() ? -1 : pop(m_read);
    }
    int takeNextDone(qint64 index) {
        std::unique_lock lock(m_mutex);
        auto found = m_done.end();
        m_doneChanged.wait(lock, [&] {
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
    void giveRead(int i, bool last) {
        std::lock_guard lock(m_mutex);
        m_read.push_back(i);
        m_readEnded = last;
        if (last) {
            m_readChanged.notify_all(); // every transforming thread may end
        } else {
            m_readChanged.notify_one(); // any one of them takes it
        }
    }
    // For the free and the done queue, which one thread each waits on: the
    // reader, the writer.
    void give(std::deque<int>& queue, std::condition_variable& changed, int i) {
        std::lock_guard lock(m_mutex);
        queue.push_back(i);
        changed.notify_one();
    }
    static int pop(std::deque<int>& queue) {
        const int i = queue.front();
        queue.pop_front();
        return i;
    }

    const PieceStages& m_stages;
    std::vector<Piece> m_pieces;
    std::deque<int> m_free, m_read, m_done;
    std::mutex m_mutex;
    std::condition_variable m_freeChanged, m_readChanged, m_doneChanged;
    bool m_readEnded = false;
    bool m_stopped = false;
    CommandResult m_failure;
};

// Pieces being transformed at once: one per core, as the library would
// share out one long buffer.
unsigned workerCount() {
    return std::clamp(std::thread::hardware_concurrency(), 1u,
                      static_cast<unsigned>(ZEPHCORE_MAX_THREADS));
}

} // namespace

int overlappedPieces() {
    return static_cast<int>(workerCount()) + 4;
}

CommandResult runPieces(const PieceStages& stages, int pieces, qsizetype dataSize,
                        qsizetype resultSize) {
    Pipeline line(stages, std::max(pieces, 1), dataSize, resultSize);
    if (pieces <= 1) {
        line.runHere();
        return line.failure();
    }
    const unsigned workers = std::min(workerCount(), static_cast<unsigned>(pieces));
    std::vector<std::thread> threads;
    try {
        threads.emplace_back(&Pipeline::readStage, &line);
        threads.emplace_back(&Pipeline::writeStage, &line);
        for (unsigned w = 1; w < workers; ++w) {
            threads.emplace_back(&Pipeline::transformStage, &line);
        }
    } catch (const std::system_error& e) {
        // Without its reader or writer nothing moves; without a helper the
        // work goes on with fewer hands.
        if (threads.size() < 2) {
            line.fail(CommandResult::systemError(e.code().value()));
        }
    }
    line.transformStage();
    for (std::thread& t : threads) {
        t.join();
    }
    return line.failure();
}

HeldBlock::~HeldBlock() {
    explicit_bzero(m_block, sizeof m_block);
}

bool HeldBlock::pass(char*& start, qsizetype& length, bool last, qint64 total, PadCheck check) {
    if (m_holding) {
        start -= kBlock; // the room before the bytes
        std::memcpy(start, m_block, kBlock);
        length += kBlock;
        m_holding = false;
    }
    if (!last) {
        if (length >= kBlock) {
            std::memcpy(m_block, start + length - kBlock, kBlock);
            m_holding = true;
            length -= kBlock;
        }
        return true;
    }
    if (total == 0) {
        return true; // nothing deciphered at all
    }
    const int pad = length >= kBlock ? judgeEnd(total, start + length, check) : 0;
    if (pad == 0) {
        explicit_bzero(start, static_cast<std::size_t>(length));
        length = 0;
        return false;
    }
    length -= pad;
    return true;
}

} // namespace zephral
