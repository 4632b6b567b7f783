#include "Cli.h"

#include "KeyPrompt.h"
#include "Progress.h"
#include "RecoverKey.h"
#include "commands/FileBatch.h"
#include "platform/AppInfo.h"
#include "platform/FileDescriptor.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace zephral::cli {

namespace {

constexpr const char* kProgram = "zephral-cli";

// The commands, each one of the six the main window has.
struct CliCommand {
    const char* name;
    Command command;
    const char* operands;
    const char* help;
};

constexpr CliCommand kCommands[] = {
    {"encrypt-file", Command::EncryptFile, "SOURCE DEST",
     "encrypt SOURCE into DEST (may be the same file)"},
    {"decrypt-file", Command::DecryptFile, "SOURCE DEST",
     "decrypt SOURCE into DEST (may be the same file)"},
    {"encode-text", Command::EncodeText, "[TEXT]", "Base64 of TEXT"},
    {"decode-text", Command::DecodeText, "[TEXT]", "the text a Base64 TEXT holds"},
    {"encrypt-text", Command::EncryptEncodeText, "[TEXT]", "TEXT encrypted, then Base64-encoded"},
    {"decrypt-text", Command::DecryptDecodeText, "[TEXT]", "the reverse of encrypt-text"},
};

const CliCommand* findCommand(const QByteArray& name) {
    for (const CliCommand& c : kCommands) {
        if (name == c.name) {
            return &c;
        }
    }
    return nullptr;
}

// %1: the commands; %2: the code pages; %3: the longest key; %4: the largest
// key file, in KiB; %5: recover-key's own options.
const char* const kHelp =
    "Usage: zephral-cli [OPTIONS] COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "%1"
    "\n"
    "Without TEXT the text commands read standard input, of any size: it is read\n"
    "and written 2 MiB at a time (a failure past the first piece may follow what\n"
    "came before it on standard output, with exit status 1). Text is read and\n"
    "written as UTF-8 and converted through the code page as the main window's\n"
    "text boxes convert it; text that is not UTF-8, or that holds a character the\n"
    "code page cannot hold, is refused. It is taken as given, with no line-break\n"
    "conversion (the main window holds line breaks as CR LF, so text encrypted\n"
    "there with several lines carries CR LF). decode-text and decrypt-text drop\n"
    "ASCII white space (space, tab, CR, LF) from their input, so that Base64\n"
    "wrapped into lines decodes whole; encode-text and encrypt-text end their\n"
    "result with one line break.\n"
    "\n"
    "The file commands take files of any size, a piece at a time. SOURCE - reads\n"
    "standard input and DEST - writes standard output. A DEST file is replaced only\n"
    "once complete, and a decryption writes nothing when the key is wrong or the\n"
    "file damaged; from a pipe, whose end comes last, it holds the last block back\n"
    "until then, but what came before may already be on standard output when it\n"
    "fails. An empty standard input is nothing to decrypt, and a command whose\n"
    "standard output is its source is refused. On a terminal, a file command\n"
    "that takes more than a second shows its progress on standard error.\n"
    "\n"
    "Until it is complete, the result is in a temporary file only its owner can\n"
    "read. Where the file system has unnamed files it has no name; elsewhere\n"
    "(FUSE, some network file systems) it is the hidden .NAME.XXXXXX beside DEST\n"
    "(NAME is DEST's name, at most 200 bytes of it), removed on failure, Ctrl-C\n"
    "or kill, but left partial by kill -9 or a crash: delete it by hand.\n"
    "\n"
    "The key (1 to %3 characters, converted through the code page like text) is\n"
    "the first line of --key-file FILE (at most %4 KiB, UTF-8), else the environment\n"
    "variable ZEPHRAL_KEY, else asked for on the terminal, twice when encrypting.\n"
    "--key-file - reads it from standard input, unless the data (SOURCE -) or the\n"
    "text (no TEXT) comes from there. A key file's byte-order mark is dropped.\n"
    "It is never taken as an argument. Encryption refuses a key with a NUL or with\n"
    "a character the code page cannot hold, and warns when a character beyond\n"
    "ASCII weakens it.\n"
    "\n"
    "Many files: encrypt-file and decrypt-file [-r] [--suffix S] [--force]\n"
    "[--keep-going] -t DIR SOURCE... write each result into DIR; with --in-place\n"
    "instead of -t DIR, each SOURCE is replaced by its result. Encryption\n"
    "appends S (default .enc) to the name, decryption takes it off a name that\n"
    "ends with it (in place, other names are skipped unless S is empty). With -r a\n"
    "folder stands for the files under it, made again under DIR as cp -r -t does;\n"
    "links inside it, devices, FIFOs and sockets are skipped. An existing result is\n"
    "skipped unless --force; two SOURCEs with one result name are both skipped. The\n"
    "key is read once. The first failure stops the command (files done stay done)\n"
    "unless --keep-going; Ctrl-C leaves the file in progress as it was. A summary\n"
    "goes to standard error; exit status 1 when any file failed or was skipped.\n"
    "\n"
    "%5"
    "\n"
    "Options:\n"
    "  --key-file FILE   read the key from the first line of FILE\n"
    "  --code-page CP    code page of the text and the key: %2\n"
    "                    (default: the CodePage setting, else 1252)\n"
    "  --no-check        decrypt-file, decrypt-text: check only the padding's\n"
    "                    length, not its zero bytes, for files another program\n"
    "                    padded otherwise; a wrong key then passes 1 time in 32,\n"
    "                    so decrypt-file writes only to a new DEST or to -\n"
    "  -t, --target-directory DIR  many files: write the results into DIR\n"
    "  --in-place        many files: replace each SOURCE by its result\n"
    "  -r, --recursive   with -t or --in-place: the files under a folder SOURCE\n"
    "  --suffix S        the suffix the names gain or lose (default .enc; '' none)\n"
    "  --force           with -t: replace results that exist\n"
    "  --keep-going      go on past a file that fails\n"
    "  --quiet, -q       no progress line on standard error\n"
    "  --help            show this help\n"
    "  --version         show the version\n"
    "\n"
    "Exit status: 0 on success, 1 when the operation failed, 2 for a usage error.\n";

struct Options {
    QByteArray command;
    QList<QByteArray> operands;
    std::optional<QByteArray> keyFile;
    std::optional<QByteArray> codePage;
    bool noCheck = false;
    bool quiet = false;
    // Many files: -t DIR or --in-place.
    std::optional<QByteArray> targetFolder;
    std::optional<QByteArray> suffix;
    bool inPlace = false;
    bool recursive = false;
    bool force = false;
    bool keepGoing = false;
    bool help = false;
    bool version = false;
};

struct UsageError {
    QString message;
};

// The standard descriptors that were closed when the program started, now
// open on /dev/null.
bool gClosedAtStart[3] = {};

// Names and arguments go into messages as the bytes they are, except on a
// terminal, which would act on the control characters they may hold.
bool messagesOnTerminal() {
    static const bool terminal = ::isatty(STDERR_FILENO) == 1;
    return terminal;
}

QByteArray shownName(const FilePath& path) {
    return messagesOnTerminal() ? quotedName(path.native()) : path.native();
}

void printBytes(std::FILE* stream, const QByteArray& bytes) {
    const QByteArray line =
        stream == stderr && messagesOnTerminal() ? escapeControls(bytes) : bytes;
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// A reader that went away before the end (`| head`) is no failure to report:
// the program ends as a pipe's writer does then, by SIGPIPE, also when it
// was started with that signal ignored.
[[noreturn]] void endByBrokenPipe() {
    std::signal(SIGPIPE, SIG_DFL);
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    ::pthread_sigmask(SIG_UNBLOCK, &pipe, nullptr);
    std::raise(SIGPIPE);
    std::_Exit(128 + SIGPIPE);
}

void printLine(std::FILE* stream, const QString& line) {
    printBytes(stream, line.toUtf8());
}

int usage(const QString& message) {
    printLine(stderr,
              QStringLiteral("%1: %2 (see %1 --help)").arg(QLatin1String(kProgram), message));
    return kExitUsage;
}

QByteArray linePrefix(const char* command) {
    return QByteArray(kProgram) + ": " + command + ": ";
}

// A path is printed as the bytes it is, so that the name shown is the name
// (quoted on a terminal when it holds control characters).
int failed(const char* command, const CommandResult& r) {
    if (r.number == EPIPE) {
        endByBrokenPipe();
    }
    QByteArray line = linePrefix(command);
    if (!r.path.isEmpty()) {
        line += shownName(r.path) + ": ";
    }
    line += QStringLiteral("%1 (error %2)").arg(r.description).arg(r.number).toUtf8();
    printBytes(stderr, line);
    return kExitFailed;
}

void warn(const char* command, const QString& text) {
    printBytes(stderr, linePrefix(command) + "warning: " + text.toUtf8());
}

std::optional<UsageError> parse(const QList<QByteArray>& arguments, Options& options) {
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QByteArray& a = arguments[i];
        if (optionsEnded || !a.startsWith('-') || a == "-") {
            if (options.command.isEmpty()) {
                options.command = a;
            } else {
                options.operands.append(a);
            }
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
        } else if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--version") {
            options.version = true;
        } else if (a == "--no-check") {
            options.noCheck = true;
        } else if (a == "--quiet" || a == "-q") {
            options.quiet = true;
        } else if (a == "--recursive" || a == "-r") {
            options.recursive = true;
        } else if (a == "--force") {
            options.force = true;
        } else if (a == "--keep-going") {
            options.keepGoing = true;
        } else if (a == "--in-place") {
            options.inPlace = true;
        } else {
            const ValueOption values[] = {{"--key-file", &options.keyFile},
                                          {"--code-page", &options.codePage},
                                          {"--suffix", &options.suffix},
                                          {"--target-directory", &options.targetFolder},
                                          {"-t", &options.targetFolder}};
            bool matched = false;
            if (std::optional<QString> error = takeOptionValue(arguments, i, values, matched)) {
                return UsageError{*error};
            }
            if (!matched) {
                return UsageError{
                    QStringLiteral("unknown option '%1'").arg(QString::fromLocal8Bit(a))};
            }
        }
    }
    return std::nullopt;
}

FileEnd fileEnd(const QByteArray& operand, int standard, const char* name) {
    if (operand == kStandardStream) {
        return FileEnd::stream(standard, QLatin1String(name));
    }
    return FileEnd::named(FilePath::fromNative(operand));
}

const FilePath& standardOutputName() {
    static const FilePath name = FilePath::fromText(QStringLiteral("standard output"));
    return name;
}

// Writes the whole result to standard output.
CommandResult writeOutput(const QByteArray& bytes) {
    const int error =
        gClosedAtStart[STDOUT_FILENO]
            ? EBADF
            : FileDescriptor::borrowed(STDOUT_FILENO).writeAll(bytes.constData(), bytes.size());
    return error == 0 ? CommandResult::success()
                      : CommandResult::systemError(error, standardOutputName());
}

// Reads a text held in memory as a stream.
std::function<qsizetype(char*, qsizetype)> textReader(const QByteArray& text) {
    return [&text, at = qsizetype{0}](char* data, qsizetype size) mutable {
        const qsizetype n = std::min(size, text.size() - at);
        std::memcpy(data, text.constData() + at, static_cast<std::size_t>(n));
        at += n;
        return n;
    };
}

QString helpText() {
    QString commands;
    for (const CliCommand& c : kCommands) {
        const QString usage =
            QStringLiteral("%1 %2").arg(QLatin1String(c.name), QLatin1String(c.operands));
        commands += QStringLiteral("  %1 %2\n").arg(usage, -26).arg(QLatin1String(c.help));
    }
    commands += recoverKeyCommandHelp();
    return QString::fromUtf8(kHelp).arg(commands, codePageList(), QString::number(kMaxKeyLength),
                                        QString::number(kMaxKeyFile / 1024),
                                        recoverKeyOptionsHelp());
}

// Standard output as the same file as what the command reads: it would read
// what it writes (encrypt-file f - >> f never ends) or overwrite what it has
// yet to read.
bool outputIsSource(const FileEnd& source) {
    struct stat out {};
    struct stat in {};
    if (::fstat(STDOUT_FILENO, &out) != 0 || !S_ISREG(out.st_mode)) {
        return false;
    }
    const int got =
        source.descriptor >= 0 ? ::fstat(source.descriptor, &in) : ::stat(source.path.c_str(), &in);
    return got == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino;
}

// What every command ends with: standard output flushed and closed, and a
// failure there said (a full disk, a closed descriptor), as the GNU tools do.
int closeOutput(int status) {
    const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    int error = errno;
    if (std::fclose(stdout) != 0 && !failed) {
        error = errno;
    } else if (!failed) {
        return status;
    }
    if (error == EPIPE) {
        endByBrokenPipe();
    }
    printLine(stderr,
              QStringLiteral("%1: standard output: %2 (error %3)")
                  .arg(QLatin1String(kProgram), QString::fromLocal8Bit(std::strerror(error)))
                  .arg(error));
    return status == kExitOk ? kExitFailed : status;
}

int runCommandLine(const QList<QByteArray>& arguments);

// SIGINT, SIGTERM and SIGHUP during a batch: the file in progress stops
// before its next piece and the summary says how far the work got.
std::atomic<bool> gStopBatch{false};
volatile std::sig_atomic_t gBatchSignal = 0;
constexpr int kBatchSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void stopBatch(int signal) {
    gBatchSignal = signal;
    gStopBatch.store(true);
}

QString amount(qint64 bytes) {
    if (bytes < 1024) {
        return QStringLiteral("%1 bytes").arg(bytes);
    }
    double value = static_cast<double>(bytes) / 1024;
    const char* unit = "KiB";
    for (const char* next : {"MiB", "GiB", "TiB"}) {
        if (value < 1024) {
            break;
        }
        value /= 1024;
        unit = next;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(unit));
}

QString batchLine(const BatchProgress& p, double seconds) {
    const double rate = seconds > 0 ? static_cast<double>(p.bytesDone) / seconds : 0;
    QString line =
        QStringLiteral("%1 of %2 files, %3 of %4, %5/s")
            .arg(p.filesDone)
            .arg(p.files)
            .arg(amount(p.bytesDone), amount(p.bytes), amount(static_cast<qint64>(rate)));
    if (rate > 0 && p.bytes > p.bytesDone) {
        const auto left = static_cast<qint64>(static_cast<double>(p.bytes - p.bytesDone) / rate);
        line +=
            QStringLiteral(", %1:%2 left").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'));
    }
    return line;
}

// Many files through one command: the plan, the work with its progress, and
// one summary on standard error.
// For the tests that interrupt a batch: ZEPHRAL_TEST_BATCH_HOLD=1 holds the
// work where the last of its content is written and not yet in place, says
// "held" on standard error and waits there for a signal.
class BatchHold {
public:
    void onProgress(const BatchProgress& p) {
        if (m_armed && p.bytes > 0 && p.bytesDone >= p.bytes) {
            m_armed = false;
            std::fputs("held\n", stderr);
            while (!gStopBatch.load()) {
                ::usleep(1000);
            }
        }
    }

private:
    bool m_armed = qEnvironmentVariableIntValue("ZEPHRAL_TEST_BATCH_HOLD") == 1;
};

int runBatchCommand(const char* name, const BatchOptions& batch, const QList<FilePath>& sources,
                    const QString& key, bool quiet) {
    BatchHold hold;
    const BatchPlan plan = planBatch(batch, sources);
    gStopBatch.store(false);
    gBatchSignal = 0;
    struct sigaction previous[std::size(kBatchSignals)]{};
    for (std::size_t i = 0; i < std::size(kBatchSignals); ++i) {
        struct sigaction handler {};
        handler.sa_handler = stopBatch;
        sigemptyset(&handler.sa_mask);
        ::sigaction(kBatchSignals[i], nullptr, &previous[i]);
        if (previous[i].sa_handler != SIG_IGN) { // nohup's choice stays
            ::sigaction(kBatchSignals[i], &handler, nullptr);
        }
    }
    const double start = ProgressLine::steadySeconds();
    BatchSummary summary;
    {
        ProgressLine progress(stderr, !quiet && ::isatty(STDERR_FILENO) == 1);
        summary = runBatch(
            batch, plan, key,
            [&](const BatchProgress& p) {
                hold.onProgress(p);
                progress.updateText([&](double seconds) { return batchLine(p, seconds); });
            },
            &gStopBatch);
        progress.finish();
    }
    for (std::size_t i = 0; i < std::size(kBatchSignals); ++i) {
        ::sigaction(kBatchSignals[i], &previous[i], nullptr);
    }
    if (summary.keyRefused) {
        const CommandResult& r = summary.failures.front();
        return r.number == kErrorNoKey ? usage(r.description) : failed(name, r);
    }
    for (const CommandWarning& w : summary.warnings) {
        warn(name, w.text);
    }
    for (const BatchNote& n : summary.skipped) {
        printBytes(stderr,
                   linePrefix(name) + "skipped: " + shownName(n.path) + ": " + n.reason.toUtf8());
    }
    for (const BatchNote& n : summary.failed) {
        printBytes(stderr,
                   linePrefix(name) + "failed: " + shownName(n.path) + ": " + n.reason.toUtf8());
    }
    const int signal = gBatchSignal;
    QString total = QStringLiteral("%1 of %2 files done, %3 skipped, %4 failed; %5 in %6 s")
                        .arg(summary.done)
                        .arg(plan.files.size())
                        .arg(summary.skipped.size())
                        .arg(summary.failed.size())
                        .arg(amount(summary.bytesDone))
                        .arg(ProgressLine::steadySeconds() - start, 0, 'f', 1);
    if (summary.notStarted > 0) {
        const QString left = summary.notStarted == 1
                                 ? QStringLiteral("1 file left as it was")
                                 : QStringLiteral("%1 files left as they were")
                                       .arg(summary.notStarted);
        total += signal != 0 ? QStringLiteral("; stopped by signal %1, %2").arg(signal).arg(left)
                             : QStringLiteral("; stopped at the first failure, %1 "
                                              "(--keep-going goes on)")
                                   .arg(left);
    }
    if (!quiet || !summary.allDone()) {
        printLine(stderr, QString::fromUtf8(linePrefix(name)) + total);
    }
    if (signal != 0) {
        return 128 + signal;
    }
    return summary.allDone() ? kExitOk : kExitFailed;
}

} // namespace

void guardStandardDescriptors() {
    for (int fd = 0; fd < 3; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            gClosedAtStart[fd] = true;
            // Opened on /dev/null so that no file the program opens takes
            // the number, and no result goes into it.
            const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
            if (opened >= 0 && opened != fd) {
                ::dup2(opened, fd);
                ::close(opened);
            }
        }
    }
}

std::optional<QString> takeOptionValue(const QList<QByteArray>& arguments, qsizetype& i,
                                       std::span<const ValueOption> options, bool& taken) {
    const QByteArray a = arguments[i];
    for (auto [name, value] : options) {
        const QByteArray option(name);
        if (a == option) {
            if (i + 1 >= arguments.size()) {
                return QStringLiteral("%1 needs a value").arg(QLatin1String(name));
            }
            *value = arguments[++i];
            taken = true;
            return std::nullopt;
        }
        if (option.startsWith("--") && a.startsWith(option + '=')) {
            *value = a.mid(option.size() + 1);
            taken = true;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

CommandResult textCommand(Command command, const QByteArray& input, const QString& key,
                          PadCheck padCheck, QByteArray& output) {
    output.clear();
    TextStream stream;
    stream.read = textReader(input);
    stream.write = [&](const char* data, qsizetype size) {
        output.append(data, size);
        return CommandResult::success();
    };
    CommandResult r = streamTextCommand(command, stream, key, padCheck);
    if (!r.ok) {
        output.clear();
    }
    return r;
}

int run(const QList<QByteArray>& arguments) {
    if (isRecoverKey(arguments)) {
        return closeOutput(recoverKey(arguments));
    }
    return closeOutput(runCommandLine(arguments));
}

namespace {

int runCommandLine(const QList<QByteArray>& arguments) {
    Options options;
    if (std::optional<UsageError> error = parse(arguments, options)) {
        return usage(error->message);
    }
    reportCodePageFallback([](const QString& text) {
        printBytes(stderr, QByteArray(kProgram) + ": warning: " + text.toUtf8());
    });
    if (options.help || options.version) {
        if (gClosedAtStart[STDOUT_FILENO]) {
            return failed(options.help ? "--help" : "--version",
                          CommandResult::systemError(EBADF, standardOutputName()));
        }
        const QByteArray text = options.help ? helpText().toUtf8() : appCaption().toUtf8() + '\n';
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
        return kExitOk;
    }

    if (options.command.isEmpty()) {
        return usage(QStringLiteral("no command given"));
    }
    const CliCommand* entry = findCommand(options.command);
    if (entry == nullptr) {
        return usage(
            QStringLiteral("unknown command '%1'").arg(QString::fromLocal8Bit(options.command)));
    }
    const char* name = entry->name;
    const bool fileCommand = isFileCommand(entry->command);
    const bool batch = options.targetFolder || options.inPlace;
    if (!batch && (options.recursive || options.force || options.keepGoing || options.suffix)) {
        return usage(QStringLiteral("-r, --suffix, --force and --keep-going go with -t DIR or "
                                    "--in-place"));
    }
    if (batch && !fileCommand) {
        return usage(QStringLiteral("-t and --in-place go with encrypt-file and decrypt-file"));
    }
    if (batch && options.targetFolder && options.inPlace) {
        return usage(QStringLiteral("-t and --in-place exclude each other"));
    }
    if (batch && options.operands.isEmpty()) {
        return usage(QStringLiteral("%1 takes at least one SOURCE").arg(name));
    }
    if (batch && options.operands.contains(kStandardStream)) {
        return usage(QStringLiteral("- (standard input) is no SOURCE with -t or --in-place"));
    }
    if (batch && options.targetFolder) {
        struct stat st {};
        if (::stat(options.targetFolder->constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            return usage(QStringLiteral("the target folder '%1' is no folder")
                             .arg(QString::fromLocal8Bit(*options.targetFolder)));
        }
    }
    if (fileCommand && !batch && options.operands.size() != 2) {
        return usage(QStringLiteral("%1 takes SOURCE and DEST").arg(name));
    }
    if (!fileCommand && options.operands.size() > 1) {
        return usage(QStringLiteral("%1 takes at most one TEXT (quote it)").arg(name));
    }
    const bool decrypting =
        entry->command == Command::DecryptFile || entry->command == Command::DecryptDecodeText;
    if (options.noCheck && !decrypting) {
        return usage(QStringLiteral("--no-check goes with decrypt-file and decrypt-text only"));
    }
    if (options.codePage) {
        if (CommandResult r = useCodePage(QString::fromUtf8(*options.codePage)); !r.ok) {
            return usage(r.description);
        }
    }

    const bool sourceIsInput =
        fileCommand ? options.operands[0] == kStandardStream : options.operands.isEmpty();
    if (sourceIsInput && options.keyFile && keyFileIsStandardInput(*options.keyFile)) {
        return usage(fileCommand
                         ? QStringLiteral("the key cannot come from standard input when SOURCE "
                                          "is -, which reads the data from it: give the key in "
                                          "another --key-file, in ZEPHRAL_KEY or on the terminal")
                         : QStringLiteral("the key cannot come from standard input when the text "
                                          "does: give the text as TEXT, or the key in another "
                                          "--key-file, in ZEPHRAL_KEY or on the terminal"));
    }
    const bool writesOutput = !fileCommand || (!batch && options.operands[1] == kStandardStream);
    const FileEnd source = fileCommand
                               ? fileEnd(options.operands[0], STDIN_FILENO, "standard input")
                               : FileEnd::stream(STDIN_FILENO, QStringLiteral("standard input"));
    if (writesOutput && gClosedAtStart[STDOUT_FILENO]) {
        return failed(name, CommandResult::systemError(EBADF, standardOutputName()));
    }
    if (sourceIsInput && gClosedAtStart[STDIN_FILENO]) {
        return failed(name, CommandResult::systemError(EBADF, source.path));
    }
    if (writesOutput && (fileCommand || sourceIsInput) && outputIsSource(source)) {
        return failed(name, CommandResult::failure(kErrorOutputIsSource,
                                                   QStringLiteral("standard output is the source"),
                                                   source.path));
    }

    QString key;
    if (needsKey(entry->command)) {
        const bool encrypting =
            entry->command == Command::EncryptFile || entry->command == Command::EncryptEncodeText;
        if (CommandResult r = readKey(options.keyFile, encrypting, key); !r.ok) {
            // Without a key to be had, the command line lacks something.
            return r.number == kErrorNoKey ? usage(r.description) : failed(name, r);
        }
    }
    const PadCheck padCheck = options.noCheck ? PadCheck::LengthOnly : PadCheck::Full;
    if (options.noCheck) {
        warn(name, QStringLiteral("--no-check: only the padding's length is checked, so a wrong "
                                  "key gives unrelated bytes without an error 1 time in 32"));
    }

    if (batch) {
        BatchOptions b;
        b.command = entry->command;
        b.recursive = options.recursive;
        b.suffix = options.suffix.value_or(QByteArray(".enc"));
        b.force = options.force;
        b.keepGoing = options.keepGoing;
        b.inPlace = options.inPlace;
        b.targetFolder = FilePath::fromNative(options.targetFolder.value_or(QByteArray()));
        b.padCheck = padCheck;
        QList<FilePath> sources;
        for (const QByteArray& operand : options.operands) {
            sources.append(FilePath::fromNative(operand));
        }
        return runBatchCommand(name, b, sources, key, options.quiet);
    }
    CommandResult r;
    if (fileCommand) {
        ProgressLine progress(stderr, !options.quiet && ::isatty(STDERR_FILENO) == 1);
        r = runFileCommand(
            entry->command, source, fileEnd(options.operands[1], STDOUT_FILENO, "standard output"),
            key, padCheck, [&](qint64 done, qint64 total) { progress.update(done, total); });
        progress.finish();
    } else {
        // Read and written a piece at a time: text of any size.
        const FileDescriptor input = FileDescriptor::borrowed(STDIN_FILENO);
        TextStream stream;
        stream.inputName = source.path;
        stream.read = options.operands.isEmpty() ? std::function([&](char* data, qsizetype size) {
            return input.readFull(data, size);
        })
                                                 : textReader(options.operands.front());
        stream.write = [](const char* data, qsizetype size) {
            return writeOutput(QByteArray::fromRawData(data, size));
        };
        r = streamTextCommand(entry->command, stream, key, padCheck);
    }
    for (const CommandWarning& w : r.warnings) {
        warn(name, w.text);
    }
    return r.ok ? kExitOk : failed(name, r);
}

} // namespace

} // namespace zephral::cli
