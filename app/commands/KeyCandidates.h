// The candidate keys of a key search, numbered 0 .. size() - 1 so that a
// search can be cut into shares and taken up again at any number.
//
// Candidates are built as code-page bytes. Each source yields its own kind:
// a remembered key and every key within a few edits of it (insert, delete,
// replace, swap two neighbours, change a letter's case), the lines of a word
// list (also with edits), and a mask of character classes. The edits of a
// key are counted with their places fixed from left to right, so that
// number n is always the same key; the few numbers that would give a key
// already given (the same key reached by other edits) give none, and cost
// no key schedule.
#pragma once

#include "zephcore.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace zephral {

class CodePage;

inline constexpr std::size_t kLongestKey = ZEPHCORE_MAX_KEY_LENGTH;
// At most this many edits: beyond it the numbers run into the trillions.
inline constexpr int kMostEdits = 3;

// One candidate key as the code page's bytes (1 to kLongestKey of them, none 0).
struct Candidate {
    std::uint8_t bytes[kLongestKey];
    std::size_t length = 0;
    QByteArray toByteArray() const {
        return QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(length));
    }
};

// A remembered word as symbols: code-page bytes, with kUnheld standing for a
// character the code page cannot hold (a key keeping it is never tried, but
// the edits that delete or replace it are).
using Symbol = std::uint16_t;
inline constexpr Symbol kUnheld = 256;
std::vector<Symbol> toSymbols(const QString& word, const CodePage& codePage);

class CandidateSource {
public:
    virtual ~CandidateSource() = default;
    virtual std::uint64_t size() const = 0;
    // False when number `index` gives no key to try (a repeat, or a key with
    // a character the code page cannot hold, a NUL, or over 56 bytes).
    virtual bool at(std::uint64_t index, Candidate& out) const = 0;
};

// Every word within `edits` edits of one of `words`, the nearest first:
// all words as they are, then all their edits at distance 1, and so on.
// Inserted and replacing characters come from `charset` (code-page bytes,
// each once); the case of a letter changes through `caseSwap` (byte -> the
// other case's byte, 0 when none).
std::unique_ptr<CandidateSource> editSource(std::vector<std::vector<Symbol>> words, int edits,
                                            QByteArray charset,
                                            const std::array<std::uint8_t, 256>& caseSwap);

// A mask: one set of code-page bytes per place; with `increment` every
// length from 1 up to the mask's, shortest first.
std::unique_ptr<CandidateSource> maskSource(std::vector<QByteArray> places, bool increment);

// "?l" a-z, "?u" A-Z, "?d" 0-9, "?s" the printable ASCII symbols and space,
// "?a" all printable ASCII, "??" a "?", any other character itself (through
// the code page). Empty with `error` set when the mask is not one.
std::vector<QByteArray> parseMask(const QString& mask, const CodePage& codePage, QString& error);

// The byte of the other case for each byte of a code page, 0 when none.
std::array<std::uint8_t, 256> caseSwapTable(const CodePage& codePage);

// The sources one after the other. Sizes over 2^63 are refused.
class CandidateSpace {
public:
    // False when the whole would be too large to number.
    bool add(std::unique_ptr<CandidateSource> source);
    std::uint64_t size() const { return m_size; }
    bool at(std::uint64_t index, Candidate& out) const;

private:
    std::vector<std::unique_ptr<CandidateSource>> m_sources;
    std::vector<std::uint64_t> m_starts;
    std::uint64_t m_size = 0;
};

// The K-th of N equal shares of 0 .. total - 1 (K from 1), as [begin, end).
struct Share {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};
Share shareOf(std::uint64_t total, std::uint64_t k, std::uint64_t n);

} // namespace zephral
