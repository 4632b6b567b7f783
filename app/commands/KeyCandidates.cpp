#include "commands/KeyCandidates.h"

#include "encrypt/CodePage.h"

#include <algorithm>
#include <atomic>

namespace zephral {

namespace {

// A character that is not one of the places a key can hold.
bool triable(Symbol s) {
    return s != 0 && s != kUnheld;
}

// The edits of one word, counted: f(slot, k) is how many ways there are to
// make exactly k edits from `slot` on. The slots run gap 0, character 0, gap
// 1, ..., character n - 1, gap n: any number of characters may go into a
// gap, and one edit at most on each character (delete, change case,
// replace, or swap with the next, which then takes no edit of its own and
// no insertion between the two).
class WordEdits {
public:
    WordEdits(const std::vector<Symbol>& word, const QByteArray& charset,
              const std::array<std::uint8_t, 256>& caseSwap)
        : m_word(word), m_charset(charset), m_n(word.size()) {
        m_position.fill(-1);
        for (qsizetype i = 0; i < charset.size(); ++i) {
            m_position[static_cast<std::uint8_t>(charset[i])] = static_cast<int>(i);
        }
        m_case.resize(m_n, 0);
        m_excluded.resize(m_n);
        const auto c = static_cast<std::uint64_t>(charset.size());
        for (std::size_t i = 0; i < m_n; ++i) {
            const Symbol s = word[i];
            auto& ex = m_excluded[i];
            if (s < 256) {
                m_case[i] = caseSwap[s];
                // Replacing a character with itself is no edit; with its
                // other case, the case edit's key.
                for (Symbol same : {s, Symbol{m_case[i]}}) {
                    if (same != 0 && m_position[same] >= 0) {
                        ex.push_back(m_position[same]);
                    }
                }
                std::sort(ex.begin(), ex.end());
                ex.erase(std::unique(ex.begin(), ex.end()), ex.end());
            }
        }
        m_power[0] = 1;
        for (int k = 1; k <= kMostEdits; ++k) {
            m_power[k] = m_power[k - 1] * c;
        }
        const std::size_t slots = 2 * m_n + 2;
        m_f.assign(slots + 2, {});
        m_f[slots - 1][0] = 1; // past gap n
        for (std::size_t slot = slots - 1; slot-- > 0;) {
            for (int k = 0; k <= kMostEdits; ++k) {
                std::uint64_t ways = 0;
                if (slot % 2 == 0) {
                    for (int m = 0; m <= k; ++m) {
                        ways += m_power[m] * m_f[slot + 1][k - m];
                    }
                } else {
                    const std::size_t i = slot / 2;
                    ways = m_f[slot + 1][k];
                    if (k > 0) {
                        ways += oneEditWays(i) * m_f[slot + 1][k - 1];
                        if (swappable(i)) {
                            ways += m_f[slot + 3][k - 1];
                        }
                    }
                }
                m_f[slot][k] = ways;
            }
        }
    }

    std::uint64_t count(int k) const { return m_f[0][k]; }

    // The key of number `x` among those of exactly k edits; false for a
    // number whose key another number gives, or one that cannot be tried.
    bool at(std::uint64_t x, int k, Candidate& out) const {
        Symbol built[kLongestBuilt];
        Op ops[kLongestBuilt + kMostEdits];
        std::size_t length = 0;
        std::size_t steps = 0;
        const int edits = k;
        const std::size_t end = 2 * m_n + 1;
        std::size_t slot = 0;
        while (slot < end) {
            if (slot % 2 == 0) {
                for (int m = 0; m <= k; ++m) {
                    const std::uint64_t rest = m_f[slot + 1][k - m];
                    const std::uint64_t block = m_power[m] * rest;
                    if (x >= block) {
                        x -= block;
                        continue;
                    }
                    std::uint64_t q = x / rest;
                    x %= rest;
                    const auto c = static_cast<std::uint64_t>(m_charset.size());
                    for (int t = m - 1; t >= 0; --t) {
                        built[length + static_cast<std::size_t>(t)] =
                            static_cast<std::uint8_t>(m_charset[static_cast<qsizetype>(q % c)]);
                        q /= c;
                    }
                    length += static_cast<std::size_t>(m);
                    for (int t = 0; t < m; ++t) {
                        ops[steps++] = Op::Insert;
                    }
                    k -= m;
                    break;
                }
                ++slot;
                continue;
            }
            const std::size_t i = slot / 2;
            const std::uint64_t keep = m_f[slot + 1][k];
            if (x < keep) {
                built[length++] = m_word[i];
                ops[steps++] = Op::Keep;
                ++slot;
                continue;
            }
            x -= keep;
            const std::uint64_t rest = m_f[slot + 1][k - 1];
            const std::uint64_t block = oneEditWays(i) * rest;
            if (x < block) {
                std::uint64_t q = x / rest;
                x %= rest;
                if (q == 0) {
                    ops[steps++] = Op::Delete;
                } else if (m_case[i] != 0 && q == 1) {
                    built[length++] = m_case[i];
                    ops[steps++] = Op::Replace;
                } else {
                    q -= m_case[i] != 0 ? 2 : 1;
                    for (int e : m_excluded[i]) {
                        if (q >= static_cast<std::uint64_t>(e)) {
                            ++q;
                        }
                    }
                    built[length++] = static_cast<std::uint8_t>(m_charset[static_cast<qsizetype>(q)]);
                    ops[steps++] = Op::Replace;
                }
                --k;
                ++slot;
                continue;
            }
            x -= block;
            built[length++] = m_word[i + 1];
            built[length++] = m_word[i];
            ops[steps++] = Op::Swap;
            --k;
            slot += 3;
        }
        if (length == 0 || length > kLongestKey ||
            !std::all_of(built, built + length, triable)) {
            return false;
        }
        if (edits > 0 && !canonical(built, length, ops, steps, edits)) {
            return false;
        }
        std::copy(built, built + length, out.bytes);
        out.length = length;
        return true;
    }

private:
    static constexpr std::size_t kLongestBuilt = kLongestKey + 2 * kMostEdits + 2;
    enum class Op : std::uint8_t { Keep, Replace, Swap, Delete, Insert };

    bool insertable(Symbol c) const { return c < 256 && m_position[c] >= 0; }

    // Whether the edits that made `to` are its one counted way: the fewest
    // edits there are from the word to it, and at every step the first of
    // keep, replace, swap, delete, insert that still leads there in the
    // fewest. Other edits that give the same key (a letter inserted before
    // or after an equal one, one of two equal letters deleted, edits that
    // undo each other) fail it, so each key comes once.
    bool canonical(const Symbol* to, std::size_t m, const Op* ops, std::size_t steps,
                   int edits) const {
        const std::size_t n = m_n;
        // least[i][j]: the fewest edits from word[i..] to to[j..]. Only the
        // band of cells within `edits` of the diagonal through (n, m) can be
        // on a path of `edits` edits; the others count as never.
        constexpr int kNever = 1 << 20;
        int least[kLongestBuilt + 1][kLongestBuilt + 1];
        const auto offset = static_cast<std::ptrdiff_t>(m) - static_cast<std::ptrdiff_t>(n);
        const auto at = [&](std::size_t i, std::size_t j) { return least[i][j]; };
        const auto cost = [&](Op op, std::size_t i, std::size_t j) -> int {
            switch (op) {
            case Op::Keep:
                return i < n && j < m && m_word[i] == to[j] ? at(i + 1, j + 1) : kNever;
            case Op::Replace:
                return i < n && j < m && m_word[i] != to[j] &&
                               (insertable(to[j]) || (m_case[i] != 0 && m_case[i] == to[j]))
                           ? 1 + at(i + 1, j + 1)
                           : kNever;
            case Op::Swap:
                return i + 1 < n && j + 1 < m && m_word[i] != m_word[i + 1] &&
                               m_word[i] == to[j + 1] && m_word[i + 1] == to[j]
                           ? 1 + at(i + 2, j + 2)
                           : kNever;
            case Op::Delete:
                return i < n ? 1 + at(i + 1, j) : kNever;
            case Op::Insert:
                return j < m && insertable(to[j]) ? 1 + at(i, j + 1) : kNever;
            }
            return kNever;
        };
        constexpr Op kOrder[] = {Op::Keep, Op::Replace, Op::Swap, Op::Delete, Op::Insert};
        for (std::size_t i = n + 1; i-- > 0;) {
            const std::ptrdiff_t centre = static_cast<std::ptrdiff_t>(i) + offset;
            const std::ptrdiff_t low = std::max<std::ptrdiff_t>(0, centre - edits);
            const std::ptrdiff_t high = std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(m), centre + edits);
            // Never, just around the band, for the cells beside it to read.
            for (std::ptrdiff_t jj : {low - 2, low - 1, high + 1, high + 2}) {
                if (jj >= 0 && jj <= static_cast<std::ptrdiff_t>(m)) {
                    least[i][static_cast<std::size_t>(jj)] = kNever;
                }
            }
            for (std::ptrdiff_t jj = high; jj >= low; --jj) {
                const auto j = static_cast<std::size_t>(jj);
                int best = i == n && j == m ? 0 : kNever;
                for (Op op : kOrder) {
                    best = std::min(best, cost(op, i, j));
                }
                least[i][j] = best;
            }
        }
        if (at(0, 0) != edits) {
            return false; // fewer edits give it: it came already, nearer
        }
        std::size_t i = 0;
        std::size_t j = 0;
        for (std::size_t step = 0; step < steps; ++step) {
            const int best = at(i, j);
            for (Op op : kOrder) {
                if (cost(op, i, j) == best) {
                    if (op != ops[step]) {
                        return false;
                    }
                    break;
                }
            }
            switch (ops[step]) {
            case Op::Keep:
            case Op::Replace: ++i; ++j; break;
            case Op::Swap: i += 2; j += 2; break;
            case Op::Delete: ++i; break;
            case Op::Insert: ++j; break;
            }
        }
        return true;
    }

    std::uint64_t oneEditWays(std::size_t i) const {
        const auto c = static_cast<std::uint64_t>(m_charset.size());
        return 1 + (m_case[i] != 0 ? 1 : 0) + c - m_excluded[i].size();
    }
    bool swappable(std::size_t i) const { return i + 1 < m_n && m_word[i] != m_word[i + 1]; }

    std::vector<Symbol> m_word;
    QByteArray m_charset;
    std::size_t m_n;
    std::array<int, 256> m_position{};
    std::vector<std::uint8_t> m_case;
    std::vector<std::vector<int>> m_excluded;
    std::uint64_t m_power[kMostEdits + 1] = {};
    std::vector<std::array<std::uint64_t, kMostEdits + 1>> m_f;
};

// Every word within `edits` edits, level by level: the numbers of level k
// are those of every word's k edits, word after word.
class EditSource final : public CandidateSource {
public:
    EditSource(std::vector<std::vector<Symbol>> words, int edits, QByteArray charset,
               const std::array<std::uint8_t, 256>& caseSwap)
        : m_words(std::move(words)), m_edits(edits), m_charset(std::move(charset)),
          m_caseSwap(caseSwap) {
        for (int k = 0; k <= m_edits; ++k) {
            std::vector<std::uint64_t> starts{0};
            starts.reserve(m_words.size() + 1);
            for (const auto& word : m_words) {
                const std::uint64_t n =
                    k == 0 ? 1 : WordEdits(word, m_charset, m_caseSwap).count(k);
                starts.push_back(starts.back() + n);
            }
            m_levelStart.push_back(m_size);
            m_size += starts.back();
            m_starts.push_back(std::move(starts));
        }
    }

    std::uint64_t size() const override { return m_size; }

    bool at(std::uint64_t index, Candidate& out) const override {
        int k = m_edits;
        while (index < m_levelStart[static_cast<std::size_t>(k)]) {
            --k;
        }
        index -= m_levelStart[static_cast<std::size_t>(k)];
        const auto& starts = m_starts[static_cast<std::size_t>(k)];
        const auto w = static_cast<std::size_t>(
            std::upper_bound(starts.begin(), starts.end(), index) - starts.begin() - 1);
        const std::vector<Symbol>& word = m_words[w];
        if (k == 0) {
            if (word.empty() || word.size() > kLongestKey ||
                !std::all_of(word.begin(), word.end(), triable)) {
                return false;
            }
            std::copy(word.begin(), word.end(), out.bytes);
            out.length = word.size();
            return true;
        }
        // A search goes through the numbers in order, so each thread keeps
        // the last word's counts.
        thread_local std::uint64_t cachedSource = 0;
        thread_local std::size_t cachedWord = 0;
        thread_local std::unique_ptr<WordEdits> cached;
        if (cachedSource != m_serial || cachedWord != w || !cached) {
            cached = std::make_unique<WordEdits>(word, m_charset, m_caseSwap);
            cachedSource = m_serial;
            cachedWord = w;
        }
        return cached->at(index - starts[w], k, out);
    }

private:
    std::vector<std::vector<Symbol>> m_words;
    int m_edits;
    QByteArray m_charset;
    std::array<std::uint8_t, 256> m_caseSwap;
    std::vector<std::uint64_t> m_levelStart;
    std::vector<std::vector<std::uint64_t>> m_starts;
    std::uint64_t m_size = 0;
    // Tells this source's words from another's in the threads' caches.
    inline static std::atomic<std::uint64_t> s_serials{0};
    std::uint64_t m_serial = ++s_serials;
};

class MaskSource final : public CandidateSource {
public:
    MaskSource(std::vector<QByteArray> places, bool increment) : m_places(std::move(places)) {
        std::uint64_t count = 1;
        for (std::size_t l = 1; l <= m_places.size(); ++l) {
            const auto n = static_cast<std::uint64_t>(m_places[l - 1].size());
            count = count > kTooMany / n ? kTooMany : count * n;
            if (increment || l == m_places.size()) {
                m_lengths.push_back({l, count});
                m_size = m_size > kTooMany - count ? kTooMany : m_size + count;
            }
        }
    }

    std::uint64_t size() const override { return m_size; }

    bool at(std::uint64_t index, Candidate& out) const override {
        for (const auto& [length, count] : m_lengths) {
            if (index >= count) {
                index -= count;
                continue;
            }
            for (std::size_t i = length; i-- > 0;) {
                const QByteArray& place = m_places[i];
                const auto n = static_cast<std::uint64_t>(place.size());
                out.bytes[i] = static_cast<std::uint8_t>(place[static_cast<qsizetype>(index % n)]);
                index /= n;
            }
            out.length = length;
            return true;
        }
        return false;
    }

    // Beyond this a mask is refused; it is far beyond any search's reach.
    static constexpr std::uint64_t kTooMany = std::uint64_t{1} << 63;

private:
    struct Length {
        std::size_t length;
        std::uint64_t count;
    };
    std::vector<QByteArray> m_places;
    std::vector<Length> m_lengths;
    std::uint64_t m_size = 0;
};

QByteArray asciiRange(char first, char last) {
    QByteArray bytes;
    for (char c = first; c <= last; ++c) {
        bytes.append(c);
    }
    return bytes;
}

} // namespace

std::vector<Symbol> toSymbols(const QString& word, const CodePage& codePage) {
    std::vector<Symbol> symbols;
    for (qsizetype i = 0; i < word.size(); ++i) {
        qsizetype length = 1;
        if (word[i].isHighSurrogate() && i + 1 < word.size() && word[i + 1].isLowSurrogate()) {
            length = 2;
        }
        const QStringView character = QStringView(word).mid(i, length);
        if (codePage.firstUnencodable(character) >= 0) {
            symbols.push_back(kUnheld);
        } else {
            symbols.push_back(static_cast<std::uint8_t>(codePage.encode(character).at(0)));
        }
        i += length - 1;
    }
    return symbols;
}

std::array<std::uint8_t, 256> caseSwapTable(const CodePage& codePage) {
    std::array<std::uint8_t, 256> table{};
    for (int b = 1; b < 256; ++b) {
        const QChar c(codePage.toUnicode(static_cast<std::uint8_t>(b)));
        if (!c.isLetter()) {
            continue;
        }
        const QChar other = c.isUpper() ? c.toLower() : c.toUpper();
        if (other == c || codePage.firstUnencodable(QStringView(&other, 1)) >= 0) {
            continue;
        }
        table[static_cast<std::size_t>(b)] =
            static_cast<std::uint8_t>(codePage.encode(QStringView(&other, 1)).at(0));
    }
    return table;
}

std::unique_ptr<CandidateSource> editSource(std::vector<std::vector<Symbol>> words, int edits,
                                            QByteArray charset,
                                            const std::array<std::uint8_t, 256>& caseSwap) {
    // A word longer than a key by more than the edits can shorten it never
    // gives one.
    std::erase_if(words, [edits](const std::vector<Symbol>& w) {
        return w.size() > kLongestKey + static_cast<std::size_t>(edits);
    });
    return std::make_unique<EditSource>(std::move(words), edits, std::move(charset), caseSwap);
}

std::unique_ptr<CandidateSource> maskSource(std::vector<QByteArray> places, bool increment) {
    return std::make_unique<MaskSource>(std::move(places), increment);
}

std::vector<QByteArray> parseMask(const QString& mask, const CodePage& codePage, QString& error) {
    std::vector<QByteArray> places;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        if (mask[i] == u'?') {
            if (i + 1 >= mask.size()) {
                error = QStringLiteral("the mask ends in a lone '?' (write '?" "?' for a '?')");
                return {};
            }
            switch (mask[++i].unicode()) {
            case u'l': places.push_back(asciiRange('a', 'z')); break;
            case u'u': places.push_back(asciiRange('A', 'Z')); break;
            case u'd': places.push_back(asciiRange('0', '9')); break;
            case u'a': places.push_back(asciiRange(' ', '~')); break;
            case u's': {
                QByteArray symbols;
                for (char c : asciiRange(' ', '~')) {
                    if (!QChar::isLetterOrNumber(static_cast<char32_t>(c))) {
                        symbols.append(c);
                    }
                }
                places.push_back(symbols);
                break;
            }
            case u'?': places.push_back("?"); break;
            default:
                error = QStringLiteral("the mask has '?%1': the classes are ?l ?u ?d ?s ?a and ??")
                            .arg(mask[i]);
                return {};
            }
            continue;
        }
        qsizetype length = 1;
        if (mask[i].isHighSurrogate() && i + 1 < mask.size()) {
            length = 2;
        }
        const QStringView character = QStringView(mask).mid(i, length);
        if (character == u"\0" || codePage.firstUnencodable(character) >= 0) {
            error = QStringLiteral("the mask has a character that code page %1 cannot hold")
                        .arg(codePage.number());
            return {};
        }
        places.push_back(codePage.encode(character));
        i += length - 1;
    }
    if (places.empty()) {
        error = QStringLiteral("the mask is empty");
    } else if (places.size() > kLongestKey) {
        error = QStringLiteral("the mask is longer than a key (56 characters)");
        places.clear();
    }
    return places;
}

bool CandidateSpace::add(std::unique_ptr<CandidateSource> source) {
    const std::uint64_t n = source->size();
    if (n >= MaskSource::kTooMany || m_size >= MaskSource::kTooMany - n) {
        return false;
    }
    m_starts.push_back(m_size);
    m_size += n;
    m_sources.push_back(std::move(source));
    return true;
}

bool CandidateSpace::at(std::uint64_t index, Candidate& out) const {
    for (std::size_t i = m_sources.size(); i-- > 0;) {
        if (index >= m_starts[i]) {
            return m_sources[i]->at(index - m_starts[i], out);
        }
    }
    return false;
}

Share shareOf(std::uint64_t total, std::uint64_t k, std::uint64_t n) {
    __extension__ using Wide = unsigned __int128;
    const auto t = static_cast<Wide>(total);
    return {static_cast<std::uint64_t>(t * (k - 1) / n), static_cast<std::uint64_t>(t * k / n)};
}

} // namespace zephral
