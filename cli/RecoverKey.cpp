#include "RecoverKey.h"

#include "Cli.h"
#include "KeyPrompt.h"
#include "Progress.h"
#include "commands/Commands.h"
#include "commands/KeyRecovery.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <optional>
#include <thread>
#include <unistd.h>

namespace zephral::cli {

namespace {

constexpr const char* kProgram = "zephral-cli";
constexpr const char* kCommand = "recover-key";

enum Exit { kFound = 0, kNoneFound = 1, kUsage = 2 };

const char* const kValueOptions[] = {"--like-file", "--edits",   "--words",
                                     "--mask",      "--charset", "--starts-with",
                                     "--starts-with-hex", "--threads", "--part",
                                     "--resume",    "--code-page", "--key-file"};

struct Options {
    bool like = false;
    bool increment = false;
    bool text = false;
    bool all = false;
    bool quiet = false;
    bool help = false;
    std::optional<QByteArray> likeFile, edits, words, mask, charset, startsWith, startsWithHex,
        threads, part, resume, codePage;
    QList<QByteArray> operands;
};

struct UsageError {
    QString message;
};

void printLine(std::FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

void say(const QString& text) {
    printLine(stderr, QByteArray(kProgram) + ": " + kCommand + ": " + text.toUtf8());
}

int usage(const QString& message) {
    printLine(stderr, QStringLiteral("%1: %2: %3 (see %1 --help)")
                          .arg(QLatin1String(kProgram), QLatin1String(kCommand), message)
                          .toUtf8());
    return kUsage;
}

int failed(const CommandResult& r) {
    QByteArray line = QByteArray(kProgram) + ": " + kCommand + ": ";
    if (!r.path.isEmpty()) {
        line += r.path.native() + ": ";
    }
    line += QStringLiteral("%1 (error %2)").arg(r.description).arg(r.number).toUtf8();
    printLine(stderr, line);
    return kNoneFound;
}

std::optional<UsageError> parse(const QList<QByteArray>& arguments, Options& o) {
    bool ended = false;
    bool commandSeen = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QByteArray& a = arguments[i];
        if (ended || !a.startsWith('-') || a == kStandardStream) {
            if (!commandSeen) {
                commandSeen = true; // "recover-key" itself
            } else {
                o.operands.append(a);
            }
            continue;
        }
        if (a == "--") {
            ended = true;
            continue;
        }
        const std::pair<const char*, bool*> flags[] = {
            {"--like", &o.like},   {"--increment", &o.increment}, {"--text", &o.text},
            {"--all", &o.all},     {"--quiet", &o.quiet},         {"-q", &o.quiet},
            {"--help", &o.help},   {"-h", &o.help}};
        bool matched = false;
        for (auto [name, target] : flags) {
            if (a == name) {
                *target = true;
                matched = true;
            }
        }
        const ValueOption values[] = {
            {"--like-file", &o.likeFile},   {"--edits", &o.edits},
            {"--words", &o.words},          {"--mask", &o.mask},
            {"--charset", &o.charset},      {"--starts-with", &o.startsWith},
            {"--starts-with-hex", &o.startsWithHex}, {"--threads", &o.threads},
            {"--part", &o.part},            {"--resume", &o.resume},
            {"--code-page", &o.codePage}};
        if (std::optional<QString> error = takeOptionValue(arguments, i, values, matched)) {
            return UsageError{*error};
        }
        if (!matched) {
            return UsageError{QStringLiteral("unknown option '%1'").arg(QString::fromLocal8Bit(a))};
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> number(const QByteArray& text) {
    bool ok = false;
    const qulonglong n = text.toULongLong(&ok, 10);
    if (!ok || text.startsWith('+') || text.startsWith('-')) {
        return std::nullopt;
    }
    return n;
}

volatile std::sig_atomic_t gStopSignal = 0;

extern "C" void stopSearch(int signal) {
    gStopSignal = signal;
}

QString count(double n) {
    if (n >= 1e9) {
        return QString::number(n / 1e9, 'f', 1) + u'G';
    }
    if (n >= 1e6) {
        return QString::number(n / 1e6, 'f', 1) + u'M';
    }
    if (n >= 1e4) {
        return QString::number(n / 1e3, 'f', 0) + u'k';
    }
    return QString::number(n, 'f', 0);
}

QString duration(double seconds) {
    const auto s = static_cast<qint64>(seconds + 0.5);
    if (s >= 86400 * 2) {
        return QStringLiteral("%1 days").arg(s / 86400);
    }
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

std::optional<QByteArray> fromHex(const QByteArray& hex) {
    if (hex.isEmpty() || hex.size() % 2 != 0) {
        return std::nullopt;
    }
    for (char c : hex) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
    }
    return QByteArray::fromHex(hex);
}

} // namespace

bool isRecoverKey(const QList<QByteArray>& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QByteArray& a = arguments[i];
        if (a == "--") {
            return i + 1 < arguments.size() && arguments[i + 1] == kCommand;
        }
        if (a.startsWith('-') && a != kStandardStream) {
            if (std::find(std::begin(kValueOptions), std::end(kValueOptions), a) !=
                std::end(kValueOptions)) {
                ++i;
            }
            continue;
        }
        return a == kCommand;
    }
    return false;
}

QString recoverKeyCommandHelp() {
    return QStringLiteral("  %1 %2\n")
        .arg(QStringLiteral("recover-key SOURCE"), -26)
        .arg(QStringLiteral("find the forgotten key of SOURCE (options below)"));
}

QString recoverKeyOptionsHelp() {
    return QStringLiteral(
        "recover-key tries candidate keys on SOURCE (an encrypted file, or - for\n"
        "standard input) and prints the key found on standard output. A candidate\n"
        "that deciphers the last block to a whole padding is a hit (about 1 wrong\n"
        "key in 256 is one); it is found when the decryption starts as a known kind of\n"
        "file or as text in the code page, or as --starts-with says. It reads SOURCE\n"
        "only and prints nothing but found keys (with --all, the other hits on\n"
        "standard error as \"possible\"). On a terminal it shows its progress; Ctrl-C\n"
        "stops it and prints the --resume point to go on from.\n"
        "\n"
        "recover-key options:\n"
        "  --like              the key as remembered, asked on the terminal: try\n"
        "                      every key within --edits edits of it\n"
        "  --like-file FILE    the same, read from the first line of FILE\n"
        "  --edits N           edits (insert, delete, replace, swap two neighbours,\n"
        "                      change a letter's case), 0 to 3; default 1 for --like,\n"
        "                      0 for --words\n"
        "  --words FILE        one candidate a line (UTF-8), each within --edits\n"
        "  --mask MASK         ?l a-z, ?u A-Z, ?d 0-9, ?s symbols and space, ?a all\n"
        "                      printable ASCII, ?? a '?', any other character itself\n"
        "  --increment         with --mask, every length from 1 up to the mask's\n"
        "  --charset CHARS     the characters edits insert and replace with\n"
        "                      (default: printable ASCII)\n"
        "  --starts-with TEXT  found only when the decryption starts with TEXT\n"
        "  --starts-with-hex HEX  the same, given as hexadecimal bytes\n"
        "  --text              SOURCE is Base64 text as encrypt-text makes it; found\n"
        "                      only when all of it decrypts to text\n"
        "  --all               go on after a key is found, and list the hits\n"
        "  --threads N         threads to search on (default: one per core)\n"
        "  --part K/N          search only the K-th of N equal shares\n"
        "  --resume POINT      go on from where a stopped search printed\n"
        "Exit status of recover-key: 0 when a key was found, 1 when none was, 2 for a\n"
        "usage error, 130 or 143 when Ctrl-C or SIGTERM stopped it first.\n");
}

int recoverKey(const QList<QByteArray>& arguments) {
    Options o;
    if (std::optional<UsageError> error = parse(arguments, o)) {
        return usage(error->message);
    }
    if (o.help) {
        const QByteArray help =
            (QStringLiteral("Usage: zephral-cli [OPTIONS] recover-key [OPTIONS] SOURCE\n\n") +
             recoverKeyOptionsHelp())
                .toUtf8();
        std::fwrite(help.constData(), 1, static_cast<std::size_t>(help.size()), stdout);
        return std::fflush(stdout) == 0 ? kFound : kNoneFound;
    }
    if (o.operands.size() != 1) {
        return usage(QStringLiteral("recover-key takes one SOURCE"));
    }
    if (o.codePage) {
        if (CommandResult r = useCodePage(QString::fromUtf8(*o.codePage)); !r.ok) {
            return usage(r.description);
        }
    }
    if (!o.like && !o.likeFile && !o.words && !o.mask) {
        return usage(QStringLiteral("give the candidates: --like, --like-file, --words or --mask"));
    }
    if (o.like && o.likeFile) {
        return usage(QStringLiteral("--like and --like-file are one remembered key: give one"));
    }
    if (o.increment && !o.mask) {
        return usage(QStringLiteral("--increment goes with --mask"));
    }
    if (o.startsWith && o.startsWithHex) {
        return usage(QStringLiteral("give --starts-with or --starts-with-hex, not both"));
    }
    const QByteArray& source = o.operands.front();
    int fromInput = source == kStandardStream ? 1 : 0;
    fromInput += o.likeFile && *o.likeFile == kStandardStream;
    fromInput += o.words && *o.words == kStandardStream;
    if (fromInput > 1) {
        return usage(QStringLiteral("only one of SOURCE, --like-file and --words can be -"));
    }

    KeyRecoveryRequest request;
    request.text = o.text;
    request.increment = o.increment;
    if (source == kStandardStream) {
        request.source = FilePath::fromText(QStringLiteral("standard input"));
        request.sourceDescriptor = STDIN_FILENO;
    } else {
        request.source = FilePath::fromNative(source);
    }
    if (o.edits) {
        const std::optional<std::uint64_t> n = number(*o.edits);
        if (!n || *n > 3) {
            return usage(QStringLiteral("--edits takes 0 to 3"));
        }
        request.edits = static_cast<int>(*n);
    }
    const auto text = [&](const std::optional<QByteArray>& bytes, const char* option,
                          std::optional<QString>& into) {
        if (!bytes) {
            return true;
        }
        QString decoded;
        if (!decodeUtf8(*bytes, decoded)) {
            usage(QStringLiteral("%1 is not UTF-8").arg(QLatin1String(option)));
            return false;
        }
        into = decoded;
        return true;
    };
    if (!text(o.charset, "--charset", request.charset) ||
        !text(o.startsWith, "--starts-with", request.startsWith) ||
        !text(o.mask, "--mask", request.mask)) {
        return kUsage;
    }
    if (o.startsWithHex) {
        request.startsWithBytes = fromHex(*o.startsWithHex);
        if (!request.startsWithBytes) {
            return usage(QStringLiteral("--starts-with-hex takes pairs of hexadecimal digits"));
        }
    }
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    if (o.threads) {
        const std::optional<std::uint64_t> n = number(*o.threads);
        if (!n || *n < 1 || *n > 1024) {
            return usage(QStringLiteral("--threads takes 1 to 1024"));
        }
        threads = static_cast<unsigned>(*n);
    }
    if (o.part) {
        const QList<QByteArray> kn = o.part->split('/');
        const std::optional<std::uint64_t> k = kn.size() == 2 ? number(kn[0]) : std::nullopt;
        const std::optional<std::uint64_t> n = kn.size() == 2 ? number(kn[1]) : std::nullopt;
        if (!k || !n || *k < 1 || *k > *n) {
            return usage(QStringLiteral("--part takes K/N with 1 <= K <= N"));
        }
        request.partK = *k;
        request.partN = *n;
    }
    if (o.resume) {
        request.resume = number(*o.resume);
        if (!request.resume) {
            return usage(QStringLiteral("--resume takes the point a stopped search printed"));
        }
    }
    if (o.words) {
        request.words = FilePath::fromNative(*o.words == kStandardStream ? QByteArray("/dev/stdin")
                                                                         : *o.words);
    }

    // The key remembered, last: nothing is asked for a command line that is
    // wrong anyway.
    QString usageError;
    if (o.like || o.likeFile) {
        QString key;
        if (o.likeFile) {
            if (CommandResult r = readKey(o.likeFile, false, key); !r.ok) {
                return failed(r);
            }
        } else {
            PromptedKey typed = promptKey(false);
            if (typed.outcome == PromptedKey::Outcome::NoTerminal) {
                return usage(QStringLiteral("--like asks on the terminal, and there is none: give "
                                            "--like-file FILE"));
            }
            const bool valid = decodeUtf8(typed.key, key);
            explicit_bzero(typed.key.data(), static_cast<std::size_t>(typed.key.size()));
            if (!valid) {
                return failed(notUtf8(QStringLiteral("The key typed")));
            }
        }
        if (key.isEmpty()) {
            return usage(QStringLiteral("the remembered key is empty"));
        }
        request.like = key;
    }
    CommandResult prepared;
    std::unique_ptr<KeyRecovery> recovery = KeyRecovery::prepare(request, prepared, usageError);
    if (request.like) {
        request.like->fill(u'\0');
    }
    if (!recovery) {
        return prepared.ok ? usage(usageError) : failed(prepared);
    }
    if (recovery->unreadableWords() > 0) {
        say(QStringLiteral("warning: lines of the word list that are not UTF-8 are not tried: "
                           "%1 of them")
                .arg(recovery->unreadableWords()));
    }

    // The search, its progress and its stop.
    ProgressLine progress(stderr, !o.quiet && ::isatty(STDERR_FILENO) == 1);
    const std::uint64_t total = recovery->total();
    KeyRecovery::Events events;
    events.tick = [&] {
        progress.updateText([&](double seconds) {
            const double done = static_cast<double>(recovery->done());
            const double rate = seconds > 0 ? static_cast<double>(recovery->tried()) / seconds : 0;
            const double perSecond = seconds > 0 ? done / seconds : 0;
            const QString left = perSecond > 0
                                     ? duration((static_cast<double>(total) - done) / perSecond)
                                     : QStringLiteral("?");
            return QStringLiteral("tried %1 of %2, %3 keys/s, %4 hits, %5 left")
                .arg(count(done), count(static_cast<double>(total)), count(rate),
                     count(static_cast<double>(recovery->hits())), left);
        });
    };
    events.stopRequested = [] { return gStopSignal != 0; };
    events.found = [&](const KeyRecovery::Found& found) {
        progress.finish();
        printLine(stdout, found.key.toUtf8());
        say(QStringLiteral("found: it decrypts to %1").arg(found.kind));
        if (!found.hidden.isEmpty()) {
            QStringList places;
            for (int p : found.hidden) {
                places.append(QString::number(p));
            }
            say(QStringLiteral("note: a character beyond ASCII hides character %1 of this key "
                               "from the cipher: keys that differ there open it too")
                    .arg(places.join(QStringLiteral(", "))));
        }
    };
    events.possible = [&](const QString& key) {
        progress.finish();
        say(QStringLiteral("possible: ") + key);
    };
    gStopSignal = 0;
    struct sigaction handler {};
    handler.sa_handler = stopSearch;
    sigemptyset(&handler.sa_mask);
    struct sigaction previousInt {};
    struct sigaction previousTerm {};
    ::sigaction(SIGINT, &handler, &previousInt);
    ::sigaction(SIGTERM, &handler, &previousTerm);
    recovery->run(threads, o.all, events);
    progress.finish();
    ::sigaction(SIGINT, &previousInt, nullptr);
    ::sigaction(SIGTERM, &previousTerm, nullptr);

    const int signal = gStopSignal;
    if (signal != 0 && (o.all || recovery->found() == 0)) {
        say(QStringLiteral("stopped: to go on, run the same command with --resume %1")
                .arg(recovery->resumePoint()));
    }
    if (recovery->found() > 0) {
        return kFound;
    }
    if (signal != 0) {
        return 128 + signal;
    }
    say(QStringLiteral("no key found among %1 candidates (%2 tried; %3 passed the padding check "
                       "alone)")
            .arg(total)
            .arg(recovery->tried())
            .arg(recovery->hits()));
    return kNoneFound;
}

} // namespace zephral::cli
