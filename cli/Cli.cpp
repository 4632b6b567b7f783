#include "Cli.h"

#include "KeyPrompt.h"
#include "commands/Commands.h"
#include "commands/Files.h"
#include "encrypt/CodePage.h"
#include "platform/AppInfo.h"
#include "platform/Services.h"

#include <QByteArray>
#include <cerrno>
#include <cstdio>
#include <optional>
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
    // Base64 text in: line breaks at the very end of the input are dropped,
    // and the result is written without a line break of its own.
    bool base64In;
};

constexpr CliCommand kCommands[] = {
    {"encrypt-file", Command::EncryptFile, "SOURCE DEST",
     "encrypt SOURCE into DEST (may be the same file)", false},
    {"decrypt-file", Command::DecryptFile, "SOURCE DEST",
     "decrypt SOURCE into DEST (may be the same file)", false},
    {"encode-text", Command::EncodeText, "[TEXT]", "Base64 of TEXT", false},
    {"decode-text", Command::DecodeText, "[TEXT]", "the text a Base64 TEXT holds", true},
    {"encrypt-text", Command::EncryptEncodeText, "[TEXT]", "TEXT encrypted, then Base64-encoded",
     false},
    {"decrypt-text", Command::DecryptDecodeText, "[TEXT]", "the reverse of encrypt-text", true},
};

const CliCommand* findCommand(const QString& name) {
    for (const CliCommand& c : kCommands) {
        if (name == QLatin1String(c.name)) {
            return &c;
        }
    }
    return nullptr;
}

// %1: the commands; %2: the code pages.
const char* const kHelp =
    "Usage: zephral-cli [OPTIONS] COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "%1"
    "\n"
    "Without TEXT the text commands read all of standard input. Text is read and\n"
    "written as UTF-8 and converted through the code page as the main window's\n"
    "text boxes convert it; it is taken as given, with no line-break conversion\n"
    "(the main window holds line breaks as CR LF, so text encrypted there with\n"
    "several lines carries CR LF). decode-text and decrypt-text drop line breaks\n"
    "at the very end of their input; encode-text and encrypt-text end their\n"
    "result with one line break.\n"
    "\n"
    "The key (1 to 56 characters) is the first line of --key-file FILE, else the\n"
    "environment variable ZEPHRAL_KEY, else asked for on the terminal. It is\n"
    "never taken as an argument.\n"
    "\n"
    "Options:\n"
    "  --key-file FILE   read the key from the first line of FILE\n"
    "  --code-page CP    the code page of the text commands: %2\n"
    "                    (default: the CodePage setting, else 1252)\n"
    "  --help            show this help\n"
    "  --version         show the version\n"
    "\n"
    "Exit status: 0 on success, 1 when the operation failed, 2 for a usage error.\n";

struct Options {
    QString command;
    QStringList operands;
    std::optional<QString> keyFile;
    std::optional<QString> codePage;
    bool help = false;
    bool version = false;
};

struct UsageError {
    QString message;
};

void printLine(std::FILE* stream, const QString& line) {
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

int usage(const QString& message) {
    printLine(stderr,
              QStringLiteral("%1: %2 (see %1 --help)").arg(QLatin1String(kProgram), message));
    return kExitUsage;
}

int failed(const QString& command, const CommandResult& r) {
    QString line = QStringLiteral("%1: %2: ").arg(QLatin1String(kProgram), command);
    if (!r.path.isEmpty()) {
        line += r.path + QStringLiteral(": ");
    }
    line += QStringLiteral("%1 (error %2)").arg(r.description).arg(r.number);
    printLine(stderr, line);
    return kExitFailed;
}

std::optional<UsageError> parse(const QStringList& arguments, Options& options) {
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (optionsEnded || !a.startsWith(u'-') || a == u"-") {
            if (options.command.isEmpty()) {
                options.command = a;
            } else {
                options.operands.append(a);
            }
            continue;
        }
        if (a == u"--") {
            optionsEnded = true;
            continue;
        }
        if (a == u"--help" || a == u"-h") {
            options.help = true;
            continue;
        }
        if (a == u"--version") {
            options.version = true;
            continue;
        }
        bool matched = false;
        for (auto [name, target] : {std::pair{u"--key-file", &options.keyFile},
                                    std::pair{u"--code-page", &options.codePage}}) {
            const QString option = QString::fromUtf16(name);
            if (a == option) {
                if (i + 1 >= arguments.size()) {
                    return UsageError{QStringLiteral("%1 needs a value").arg(option)};
                }
                *target = arguments[++i];
                matched = true;
            } else if (a.startsWith(option + u'=')) {
                *target = a.mid(option.size() + 1);
                matched = true;
            }
        }
        if (!matched) {
            return UsageError{QStringLiteral("unknown option '%1'").arg(a)};
        }
    }
    return std::nullopt;
}

// Reads all of a descriptor; false with errno set on failure.
bool readAll(int fd, QByteArray& content) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            return true;
        }
        content.append(buffer, got);
    }
}

enum class KeyOutcome { Found, NoSource, Failed };

// The key from --key-file, ZEPHRAL_KEY or the terminal, in that order.
KeyOutcome readKey(const Options& options, QString& key, CommandResult& failure) {
    if (options.keyFile) {
        QByteArray content;
        failure = readWholeFile(*options.keyFile, content);
        if (!failure.ok) {
            return KeyOutcome::Failed;
        }
        qsizetype end = content.indexOf('\n');
        if (end < 0) {
            end = content.size();
        }
        if (end > 0 && content[end - 1] == '\r') {
            --end;
        }
        key = QString::fromUtf8(content.constData(), end);
        explicit_bzero(content.data(), static_cast<std::size_t>(content.size()));
        return KeyOutcome::Found;
    }
    const QString fromEnvironment = services().environment->variable(QStringLiteral("ZEPHRAL_KEY"));
    if (!fromEnvironment.isEmpty()) {
        key = fromEnvironment;
        return KeyOutcome::Found;
    }
    if (std::optional<QString> typed = promptKey()) {
        key = *typed;
        return KeyOutcome::Found;
    }
    return KeyOutcome::NoSource;
}

// Writes the whole result to standard output.
CommandResult writeOutput(const QString& text, bool lineBreak) {
    QByteArray bytes = text.toUtf8();
    if (lineBreak) {
        bytes.append('\n');
    }
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, static_cast<std::size_t>(left));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return CommandResult::systemError(errno, QStringLiteral("standard output"));
        }
        data += written;
        left -= written;
    }
    return CommandResult::success();
}

// The text of a text command: its argument, else all of standard input.
CommandResult inputText(const Options& options, QString& text) {
    if (!options.operands.isEmpty()) {
        text = options.operands.front();
        return CommandResult::success();
    }
    QByteArray content;
    if (!readAll(STDIN_FILENO, content)) {
        return CommandResult::systemError(errno, QStringLiteral("standard input"));
    }
    text = QString::fromUtf8(content);
    return CommandResult::success();
}

void dropTrailingLineBreaks(QString& text) {
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1] == u'\n' || text[end - 1] == u'\r')) {
        --end;
    }
    text.truncate(end);
}

QString helpText() {
    QString commands;
    for (const CliCommand& c : kCommands) {
        const QString usage =
            QStringLiteral("%1 %2").arg(QLatin1String(c.name), QLatin1String(c.operands));
        commands += QStringLiteral("  %1 %2\n").arg(usage, -26).arg(QLatin1String(c.help));
    }
    return QString::fromUtf8(kHelp).arg(commands, CodePage::availableList());
}

} // namespace

int run(const QStringList& arguments) {
    Options options;
    if (std::optional<UsageError> error = parse(arguments, options)) {
        return usage(error->message);
    }
    if (options.help) {
        const QByteArray help = helpText().toUtf8();
        std::fwrite(help.constData(), 1, static_cast<std::size_t>(help.size()), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
    }
    if (options.version) {
        printLine(stdout, appCaption());
        return kExitOk;
    }

    if (options.command.isEmpty()) {
        return usage(QStringLiteral("no command given"));
    }
    const CliCommand* entry = findCommand(options.command);
    if (entry == nullptr) {
        return usage(QStringLiteral("unknown command '%1'").arg(options.command));
    }
    const QString name = QLatin1String(entry->name);
    const bool fileCommand = isFileCommand(entry->command);
    if (fileCommand && options.operands.size() != 2) {
        return usage(QStringLiteral("%1 takes SOURCE and DEST").arg(name));
    }
    if (!fileCommand && options.operands.size() > 1) {
        return usage(QStringLiteral("%1 takes at most one TEXT (quote it)").arg(name));
    }
    if (options.codePage) {
        if (CommandResult r = useCodePage(*options.codePage); !r.ok) {
            return usage(r.description);
        }
    }

    QString key;
    if (needsKey(entry->command)) {
        CommandResult failure;
        switch (readKey(options, key, failure)) {
        case KeyOutcome::Found:
            break;
        case KeyOutcome::NoSource:
            return usage(QStringLiteral(
                "no key: give --key-file FILE or ZEPHRAL_KEY, or run it on a terminal"));
        case KeyOutcome::Failed:
            return failed(name, failure);
        }
    }

    if (fileCommand) {
        const CommandResult r =
            runFileCommand(entry->command, options.operands[0], options.operands[1], key);
        return r.ok ? kExitOk : failed(name, r);
    }

    QString input;
    if (CommandResult r = inputText(options, input); !r.ok) {
        return failed(name, r);
    }
    if (entry->base64In) {
        dropTrailingLineBreaks(input);
    }
    QString output;
    if (CommandResult r = runTextCommand(entry->command, input, key, TextChecks::Strict, output);
        !r.ok) {
        return failed(name, r);
    }
    if (CommandResult r = writeOutput(output, !entry->base64In); !r.ok) {
        return failed(name, r);
    }
    return kExitOk;
}

} // namespace zephral::cli
