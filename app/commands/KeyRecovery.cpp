#include "commands/KeyRecovery.h"

#include "commands/KeyCandidates.h"
#include "commands/Plausible.h"
#include "encrypt/CodePage.h"
#include "encrypt/basEncrypt.h"
#include "keysearch.h"
#include "platform/FileDescriptor.h"

#include <QScopeGuard>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace zephral {

namespace {

using zephcore::keysearch::kLanes;
using zephcore::keysearch::Schedule;

constexpr auto kBlock = static_cast<std::size_t>(kCipherBlock);
// How much of the start of a file is judged.
constexpr std::size_t kHead = 4096;
// Candidates a thread takes at a time; a stop goes back to the first of a
// share not finished, so at most this many per thread are tried again.
constexpr std::uint64_t kChunk = 2048;
// A word list is read whole; a larger one is not a word list.
constexpr qint64 kMaxWordList = qint64{1} << 30;
// An encrypted text is read whole too.
constexpr qint64 kMaxText = qint64{1} << 28;

// --- What is read of SOURCE -------------------------------------------------

struct Target {
    qint64 size = 0;  // of the ciphertext
    QByteArray head;  // its first kHead bytes, or all of it for a text
    std::uint8_t last[kBlock] = {};
};

// All of a file (or of the descriptor given instead), at most `limit` bytes.
CommandResult readWhole(const FilePath& path, int descriptor, qint64 limit, QByteArray& content) {
    FileDescriptor fd = FileDescriptor::borrowed(descriptor);
    struct stat st {};
    if (descriptor < 0) {
        if (const int error = openForReading(path, fd, st)) {
            return CommandResult::systemError(error, path);
        }
    }
    if (const int error = fd.readAll(content, limit)) {
        return CommandResult::systemError(error, path);
    }
    return CommandResult::success();
}

// The first kHead bytes and the last block, reading no more than that from a
// file and all of a pipe once.
CommandResult readEnds(const KeyRecoveryRequest& request, Target& t) {
    const FilePath& path = request.source;
    const bool standard = request.sourceDescriptor >= 0;
    FileDescriptor fd = FileDescriptor::borrowed(request.sourceDescriptor);
    struct stat st {};
    if (!standard) {
        if (const int error = openForReading(path, fd, st)) {
            return CommandResult::systemError(error, path);
        }
    } else if (::fstat(fd.get(), &st) != 0) {
        return CommandResult::systemError(errno, path);
    }
    if (S_ISREG(st.st_mode) && !standard) {
        t.size = st.st_size;
        t.head.resize(static_cast<qsizetype>(std::min<qint64>(t.size, kHead)));
        if (::pread(fd.get(), t.head.data(), static_cast<std::size_t>(t.head.size()), 0) != t.head.size() ||
            (t.size >= static_cast<qint64>(kBlock) &&
             ::pread(fd.get(), t.last, kBlock, t.size - static_cast<qint64>(kBlock)) !=
                 static_cast<ssize_t>(kBlock))) {
            return CommandResult::systemError(errno ? errno : EIO, path);
        }
        return CommandResult::success();
    }
    // A pipe: everything passes once; the start is kept, and the last block.
    char buffer[1 << 16];
    std::uint8_t tail[2 * kBlock] = {};
    for (;;) {
        const qsizetype got = fd.readFull(buffer, sizeof buffer);
        if (got < 0) {
            return CommandResult::systemError(errno, path);
        }
        if (got == 0) {
            break;
        }
        if (t.head.size() < static_cast<qsizetype>(kHead)) {
            t.head.append(buffer, std::min<qsizetype>(got, kHead - t.head.size()));
        }
        for (ssize_t i = std::max<ssize_t>(0, got - static_cast<ssize_t>(kBlock)); i < got; ++i) {
            std::memmove(tail, tail + 1, sizeof tail - 1);
            tail[sizeof tail - 1] = static_cast<std::uint8_t>(buffer[i]);
        }
        t.size += got;
    }
    std::memcpy(t.last, tail + kBlock, kBlock);
    return CommandResult::success();
}

// Strict UTF-8: a line that is not is left out rather than tried mangled.
bool decodeUtf8(const QByteArray& bytes, QString& text) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                       QStringConverter::Flag::Stateless);
    text = decoder.decode(bytes);
    return !decoder.hasError();
}

// --- Judging a candidate's schedule -------------------------------------------

enum class Verdict { Miss, Hit, Found };

class Judge {
public:
    Judge(const Target& target, bool text, std::optional<QByteArray> startsWith,
          const CodePage& codePage)
        : m_target(target), m_text(text), m_startsWith(std::move(startsWith)),
          m_textBytes(textBytes(codePage)) {}

    // The file's last block, for every lane to decipher at once.
    const std::uint8_t* cipherLast() const { return m_target.last; }

    // `last` is cipherLast() deciphered under k; `kind` names what a found
    // decryption looks like.
    Verdict judge(const Schedule& k, const std::uint8_t (&last)[kBlock], QString& kind) const {
        const int padding =
            judgeEnd(m_target.size, reinterpret_cast<const char*>(last) + kBlock, PadCheck::Full);
        if (padding == 0) {
            return Verdict::Miss;
        }
        const auto pad = static_cast<std::size_t>(padding);
        QByteArray plain = m_target.head;
        auto* data = reinterpret_cast<std::uint8_t*>(plain.data());
        const auto whole = plain.size() == m_target.size;
        // Text is judged on its first 4 KiB before the rest is deciphered.
        const std::size_t first = std::min<std::size_t>(static_cast<std::size_t>(plain.size()), kHead);
        zephcore::blowfish::decipherBlocks(k, data, first / kBlock);
        std::size_t length = whole ? static_cast<std::size_t>(plain.size()) - pad : first;
        if (m_text) {
            if (!isText(data, std::min(first, length), m_textBytes)) {
                return Verdict::Hit;
            }
            zephcore::blowfish::decipherBlocks(k, data + first,
                                               (static_cast<std::size_t>(plain.size()) - first) / kBlock);
            kind = QStringLiteral("text");
            return isText(data, length, m_textBytes) ? Verdict::Found : Verdict::Hit;
        }
        length = std::min(length, first);
        if (m_startsWith) {
            const auto n = static_cast<std::size_t>(m_startsWith->size());
            const bool starts = length >= n && std::memcmp(data, m_startsWith->constData(), n) == 0;
            kind = QStringLiteral("the start given");
            return starts ? Verdict::Found : Verdict::Hit;
        }
        if (const char* name = fileKind(data, length)) {
            kind = QString::fromLatin1(name);
            return Verdict::Found;
        }
        if (isText(data, length, m_textBytes)) {
            kind = QStringLiteral("text");
            return Verdict::Found;
        }
        return Verdict::Hit;
    }

private:
    const Target& m_target;
    bool m_text;
    std::optional<QByteArray> m_startsWith;
    TextBytes m_textBytes;
};

// The places of a key that its characters beyond ASCII hide from the
// schedule: each byte is read sign-extended, so a byte of 0x80 or more sets
// the bits of the bytes before it in its word. A place is hidden when that
// happens at every one of its uses. 1-based.
QList<int> hiddenPlaces(const Candidate& key) {
    QList<int> hidden;
    constexpr std::size_t kStream = 18 * 4;
    for (std::size_t k = 0; k < key.length; ++k) {
        bool everywhere = true;
        for (std::size_t t = k; t < kStream && everywhere; t += key.length) {
            bool covered = false;
            for (std::size_t u = t + 1; u < (t / 4 + 1) * 4; ++u) {
                covered |= key.bytes[u % key.length] >= 0x80;
            }
            everywhere = covered;
        }
        if (everywhere) {
            hidden.append(static_cast<int>(k) + 1);
        }
    }
    return hidden;
}

// --- The search -------------------------------------------------------------

class Search {
public:
    Search(const CandidateSpace& space, Share range, const Judge& judge, bool all,
           const CodePage& codePage, const KeyRecovery::Events& events)
        : m_space(space), m_range(range), m_judge(judge), m_all(all), m_codePage(codePage),
          m_events(events), m_next(range.begin) {}

    // Runs the search on `threads` threads; the events' tick and stop are
    // called on this thread about ten times a second while it runs.
    void run(unsigned threads) {
        m_working.assign(threads, kIdle);
        std::vector<std::thread> workers;
        for (unsigned w = 0; w < threads; ++w) {
            try {
                workers.emplace_back([this, w] { work(w); });
            } catch (const std::exception&) {
                if (w == 0) {
                    work(0); // no thread at all: this one does it
                }
                break;
            }
        }
        std::unique_lock lock(m_mutex);
        while (m_running.load() > 0 || (!workers.empty() && m_started.load() < workers.size())) {
            m_wake.wait_for(lock, std::chrono::milliseconds(100));
            if (m_events.stopRequested && m_events.stopRequested()) {
                m_stop = true;
            }
            lock.unlock();
            if (m_events.tick) {
                m_events.tick();
            }
            lock.lock();
        }
        lock.unlock();
        for (std::thread& w : workers) {
            w.join();
        }
    }

    // The first candidate not yet tried to its end: all before it were.
    std::uint64_t resumePoint() const {
        std::lock_guard lock(m_mutex);
        std::uint64_t point = std::min(m_next, m_range.end);
        for (std::uint64_t w : m_working) {
            point = std::min(point, w);
        }
        return point;
    }

    std::uint64_t done() const { return m_done.load(); }
    std::uint64_t tried() const { return m_tried.load(); }
    std::uint64_t hits() const { return m_hits.load(); }
    std::uint64_t found() const { return m_found.load(); }
    bool stopped() const { return m_stop.load(); }

private:
    static constexpr std::uint64_t kIdle = ~std::uint64_t{0};

    void work(unsigned w) {
        ++m_running;
        ++m_started;
        Candidate candidates[kLanes];
        zephcore::keysearch::Key keys[kLanes];
        std::size_t lanes = 0;
        std::uint64_t hits = 0;
        auto tryLanes = [&] {
            for (std::size_t j = 0; j < lanes; ++j) {
                keys[j] = {candidates[j].bytes, candidates[j].length};
            }
            const auto& schedules = zephcore::keysearch::scheduleKeys(keys, lanes);
            std::uint8_t lasts[kLanes][kBlock];
            zephcore::keysearch::decipherLanes(m_judge.cipherLast(), lasts);
            for (std::size_t j = 0; j < lanes; ++j) {
                QString kind;
                const Verdict v = m_judge.judge(schedules[j], lasts[j], kind);
                if (v != Verdict::Miss) {
                    ++hits;
                    report(v, candidates[j], kind);
                }
            }
            m_tried += lanes;
            lanes = 0;
        };
        for (;;) {
            std::uint64_t begin = 0;
            {
                std::lock_guard lock(m_mutex);
                m_working[w] = kIdle;
                if (m_stop || m_next >= m_range.end) {
                    break;
                }
                begin = m_next;
                m_next = std::min(m_range.end, m_next + kChunk);
                m_working[w] = begin;
            }
            const std::uint64_t end = std::min(m_range.end, begin + kChunk);
            std::uint64_t i = begin;
            for (; i < end && !m_stop; ++i) {
                if (m_space.at(i, candidates[lanes]) && ++lanes == kLanes) {
                    tryLanes();
                }
            }
            if (lanes > 0) {
                tryLanes();
            }
            m_hits += hits;
            hits = 0;
            if (i < end) {
                break; // stopped: this share stays marked as not done
            }
            m_done += end - begin;
        }
        --m_running;
        m_wake.notify_all();
    }

    void report(Verdict v, const Candidate& key, const QString& kind) {
        std::lock_guard lock(m_outputMutex);
        if (m_stop && !m_all) {
            return; // another thread's key came first
        }
        const QString text = m_codePage.decode(key.toByteArray());
        if (v == Verdict::Hit) {
            if (m_all && m_events.possible) {
                m_events.possible(text);
            }
            return;
        }
        ++m_found;
        if (m_events.found) {
            m_events.found({text, kind, hiddenPlaces(key)});
        }
        if (!m_all) {
            m_stop = true;
        }
    }

    const CandidateSpace& m_space;
    const Share m_range;
    const Judge& m_judge;
    const bool m_all;
    const CodePage& m_codePage;
    const KeyRecovery::Events& m_events;

    mutable std::mutex m_mutex; // the shares handed out
    std::condition_variable m_wake;
    std::uint64_t m_next;
    std::vector<std::uint64_t> m_working;
    std::mutex m_outputMutex;
    std::atomic<bool> m_stop{false};
    std::atomic<unsigned> m_running{0};
    std::atomic<unsigned> m_started{0};
    std::atomic<std::uint64_t> m_done{0};
    std::atomic<std::uint64_t> m_tried{0};
    std::atomic<std::uint64_t> m_hits{0};
    std::atomic<std::uint64_t> m_found{0};
};

// The candidates' words of a word list: one a line, UTF-8, each once.
CommandResult readWords(const FilePath& path, const CodePage& codePage,
                        std::vector<std::vector<Symbol>>& words, qsizetype& unreadable) {
    QByteArray content;
    if (CommandResult r = readWhole(path, -1, kMaxWordList, content); !r.ok) {
        return r;
    }
    QSet<QByteArray> seen;
    for (QByteArray line : content.split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (line.isEmpty() || seen.contains(line)) {
            continue;
        }
        seen.insert(line);
        QString word;
        if (!decodeUtf8(line, word)) {
            ++unreadable;
            continue;
        }
        words.push_back(toSymbols(word, codePage));
    }
    explicit_bzero(content.data(), static_cast<std::size_t>(content.size()));
    return CommandResult::success();
}
} // namespace

struct KeyRecovery::State {
    CandidateSpace space;
    Share share;
    Target target;
    std::optional<Judge> judge;
    std::unique_ptr<Search> search;
    qsizetype unreadableWords = 0;
};

KeyRecovery::KeyRecovery() : m(std::make_unique<State>()) {}
KeyRecovery::~KeyRecovery() = default;

std::unique_ptr<KeyRecovery> KeyRecovery::prepare(const KeyRecoveryRequest& request,
                                                  CommandResult& result, QString& usage) {
    result = CommandResult::success();
    const CodePage& codePage = activeCodePage();
    std::unique_ptr<KeyRecovery> recovery(new KeyRecovery);
    State& s = *recovery->m;

    QByteArray charset;
    if (request.charset) {
        if (request.charset->isEmpty()) {
            usage = QStringLiteral("--charset takes one or more characters");
            return nullptr;
        }
        for (qsizetype i = 0; i < request.charset->size(); ++i) {
            const QStringView c = QStringView(*request.charset).mid(i, 1);
            if (c == u"\0" || codePage.firstUnencodable(c) >= 0) {
                usage = QStringLiteral("--charset has a character that code page %1 cannot hold")
                            .arg(codePage.number());
                return nullptr;
            }
            const char byte = codePage.encode(c).at(0);
            if (!charset.contains(byte)) {
                charset.append(byte);
            }
        }
    } else {
        for (char c = ' '; c <= '~'; ++c) {
            charset.append(c);
        }
    }
    std::optional<QByteArray> startsWith = request.startsWithBytes;
    if (request.startsWith) {
        if (request.startsWith->isEmpty() || codePage.firstUnencodable(*request.startsWith) >= 0) {
            usage = QStringLiteral("--starts-with takes text that code page %1 can hold")
                        .arg(codePage.number());
            return nullptr;
        }
        startsWith = codePage.encode(*request.startsWith);
    }
    if (startsWith && startsWith->size() > static_cast<qsizetype>(kHead)) {
        usage = QStringLiteral("--starts-with is longer than the 4 KiB judged");
        return nullptr;
    }
    std::vector<QByteArray> mask;
    if (request.mask) {
        mask = parseMask(*request.mask, codePage, usage);
        if (mask.empty()) {
            return nullptr;
        }
    }

    const auto caseSwap = caseSwapTable(codePage);
    bool fits = true;
    if (request.like) {
        std::vector<std::vector<Symbol>> words{toSymbols(*request.like, codePage)};
        fits = s.space.add(editSource(std::move(words), request.edits.value_or(1), charset, caseSwap));
    }
    if (request.words && fits) {
        std::vector<std::vector<Symbol>> words;
        result = readWords(*request.words, codePage, words, s.unreadableWords);
        if (!result.ok) {
            return nullptr;
        }
        fits = s.space.add(editSource(std::move(words), request.edits.value_or(0), charset, caseSwap));
    }
    if (request.mask && fits) {
        fits = s.space.add(maskSource(std::move(mask), request.increment));
    }
    if (!fits) {
        usage = QStringLiteral("more than 2^63 candidates: narrow the search");
        return nullptr;
    }
    s.share = shareOf(s.space.size(), request.partK, request.partN);
    if (request.resume) {
        if (*request.resume < s.share.begin || *request.resume > s.share.end) {
            usage = QStringLiteral("--resume %1 is not a point of this search (with these "
                                   "options its points run from %2 to %3)")
                        .arg(*request.resume)
                        .arg(s.share.begin)
                        .arg(s.share.end);
            return nullptr;
        }
        s.share.begin = *request.resume;
    }

    Target& target = s.target;
    if (request.text) {
        QByteArray content;
        result = readWhole(request.source, request.sourceDescriptor, kMaxText, content);
        if (!result.ok) {
            return nullptr;
        }
        // As decrypt-text takes it: Base64 wrapped into lines decodes whole.
        content.removeIf([](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
        const auto decoded =
            QByteArray::fromBase64Encoding(content, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) {
            result = CommandResult::wrongKey(QStringLiteral("text"), request.source,
                                             QStringLiteral("The text is not Base64"));
            return nullptr;
        }
        target.head = *decoded;
        target.size = target.head.size();
        if (target.size >= static_cast<qint64>(kBlock)) {
            std::memcpy(target.last, target.head.constData() + target.size - kBlock, kBlock);
        }
    } else {
        result = readEnds(request, target);
        if (!result.ok) {
            return nullptr;
        }
    }
    if (target.size == 0 || target.size % static_cast<qint64>(kBlock) != 0) {
        result = CommandResult::wrongKey(
            request.text ? QStringLiteral("text") : QStringLiteral("file"), request.source,
            QStringLiteral("Not encrypted by this program: the length is not a whole number of "
                           "8-byte blocks"));
        return nullptr;
    }
    s.judge.emplace(target, request.text, startsWith, codePage);
    return recovery;
}

qsizetype KeyRecovery::unreadableWords() const {
    return m->unreadableWords;
}

void KeyRecovery::run(unsigned threads, bool all, const Events& events) {
    m->search = std::make_unique<Search>(m->space, m->share, *m->judge, all, activeCodePage(), events);
    m->search->run(std::max(1u, threads));
}

std::uint64_t KeyRecovery::total() const {
    return m->share.end - m->share.begin;
}
std::uint64_t KeyRecovery::done() const {
    return m->search ? m->search->done() : 0;
}
std::uint64_t KeyRecovery::tried() const {
    return m->search ? m->search->tried() : 0;
}
std::uint64_t KeyRecovery::hits() const {
    return m->search ? m->search->hits() : 0;
}
std::uint64_t KeyRecovery::found() const {
    return m->search ? m->search->found() : 0;
}
std::uint64_t KeyRecovery::resumePoint() const {
    return m->search ? m->search->resumePoint() : m->share.begin;
}

} // namespace zephral
