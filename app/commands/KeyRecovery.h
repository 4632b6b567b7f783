// Finding the forgotten key of an encrypted file or text among candidates
// built from what its owner remembers of it (commands/KeyCandidates.h).
//
// A candidate is a hit when it deciphers the last block to a whole padding:
// the last byte 1 to 8, the bytes before it of the padding zero. About 1
// wrong key in 256 is one, so a hit is found only when the start of the
// decryption is plausible too (commands/Plausible.h): as `startsWith` says,
// else a known kind of file or text in the code page. Each candidate costs
// a whole key schedule; the search runs several at once on every core.
#pragma once

#include "commands/CommandResult.h"
#include "platform/FilePath.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace zephral {

struct KeyRecoveryRequest {
    // The encrypted file, or a descriptor to read it from (-1: the path).
    FilePath source;
    int sourceDescriptor = -1;
    // The source holds Base64 text as encrypt-text makes it, all of which
    // must decrypt to text.
    bool text = false;

    std::optional<QString> like;      // the key as remembered
    std::optional<FilePath> words;    // a word list, one candidate a line
    std::optional<QString> mask;      // "?l?l?d..."
    bool increment = false;           // every length of the mask from 1
    std::optional<int> edits;         // default 1 for `like`, 0 for `words`
    std::optional<QString> charset;   // inserted and replacing characters
    std::optional<QString> startsWith;
    std::optional<QByteArray> startsWithBytes;

    std::uint64_t partK = 1; // the K-th of N shares
    std::uint64_t partN = 1;
    std::optional<std::uint64_t> resume;
};

class KeyRecovery {
public:
    struct Found {
        QString key;
        QString kind;       // what the decryption is: "text", "PDF document", ...
        QList<int> hidden;  // places (from 1) the key's characters beyond ASCII hide
    };
    struct Events {
        std::function<void(const Found&)> found;
        std::function<void(const QString& key)> possible; // a hit not found
        std::function<void()> tick;                       // about ten times a second
        std::function<bool()> stopRequested;              // polled as often
    };

    // Reads what the search needs: the candidates' sources (a failure to
    // read the word list is `result`), the source's first 4 KiB and last
    // block, or all of an encrypted text. A request that cannot be a search
    // leaves `usage` set and returns null.
    static std::unique_ptr<KeyRecovery> prepare(const KeyRecoveryRequest& request,
                                                CommandResult& result, QString& usage);
    ~KeyRecovery();
    KeyRecovery(const KeyRecovery&) = delete;
    KeyRecovery& operator=(const KeyRecovery&) = delete;

    // Word-list lines that are not UTF-8, and so not tried.
    qsizetype unreadableWords() const;

    // Searches on `threads` threads until a key is found (with `all`, to the
    // end), or until stopRequested.
    void run(unsigned threads, bool all, const Events& events);

    std::uint64_t total() const;      // candidates of the search (its share, from --resume)
    std::uint64_t done() const;       // numbers gone through
    std::uint64_t tried() const;      // keys scheduled
    std::uint64_t hits() const;
    std::uint64_t found() const;
    // Where to go on from: every candidate before it was tried.
    std::uint64_t resumePoint() const;

private:
    KeyRecovery();
    struct State;
    std::unique_ptr<State> m;
};

} // namespace zephral
