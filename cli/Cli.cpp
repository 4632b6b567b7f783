#include "Cli.h"

#include "KeyPrompt.h"
#include "core/AppInfo.h"
#include "core/FileCommand.h"
#include "encrypt/CodePage.h"
#include "encrypt/basEncrypt.h"
#include "platform/Services.h"

#include <QByteArray>
#include <QCoreApplication>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace zephral::cli {

namespace {

constexpr const char* kProgram = "zephral-cli";

const char* const kHelp =
    "Usage: zephral-cli [OPTIONS] COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  encrypt-file SOURCE DEST   encrypt SOURCE into DEST (may be the same file)\n"
    "  decrypt-file SOURCE DEST   decrypt SOURCE into DEST (may be the same file)\n"
    "  encode-text [TEXT]         Base64 of TEXT\n"
    "  decode-text [TEXT]         the text a Base64 TEXT holds\n"
    "  encrypt-text [TEXT]        TEXT encrypted, then Base64-encoded\n"
    "  decrypt-text [TEXT]        the reverse of encrypt-text\n"
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
    "  --code-page CP    the code page of the text commands: %1\n"
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

CommandResult wrongKeyOrDamagedText() {
    return CommandResult::failure(kErrorWrongKey, QStringLiteral("Wrong key or damaged text"));
}

CommandResult runText(const QString& command, const QString& input, const QString& key,
                      QString& output) {
    if (command == u"encode-text") {
        output = EncodeBase64(input);
    } else if (command == u"decode-text") {
        output = DecodeBase64(input);
        // A text that holds no whole group of Base64 decodes to nothing.
        return CommandResult::success();
    } else if (command == u"encrypt-text") {
        output = EncodeBase64(EncryptString(input, key));
    } else {
        const QString cipherText = DecodeBase64(input);
        if (cipherText.isEmpty() || cipherText.size() % 8 != 0) {
            return wrongKeyOrDamagedText();
        }
        output = DecryptString(cipherText, key);
        if (output.isEmpty()) {
            return CommandResult::failure(
                kErrorEmptyResult,
                QStringLiteral("The decryption gives no data (wrong key or damaged text)"));
        }
        if (!decryptedLengthValid(cipherText.size(), output.size())) {
            output.clear();
            return wrongKeyOrDamagedText();
        }
        return CommandResult::success();
    }
    if (output.isEmpty()) {
        return CommandResult::failure(kErrorEmptyResult,
                                      QStringLiteral("The cipher gave no result"));
    }
    return CommandResult::success();
}

} // namespace

int run(const QStringList& arguments) {
    Options options;
    if (std::optional<UsageError> error = parse(arguments, options)) {
        return usage(error->message);
    }
    if (options.help) {
        QStringList pages;
        for (int number : CodePage::available()) {
            pages.append(QString::number(number));
        }
        const QByteArray help =
            QString::fromUtf8(kHelp).arg(pages.join(QStringLiteral(", "))).toUtf8();
        std::fwrite(help.constData(), 1, static_cast<std::size_t>(help.size()), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
    }
    if (options.version) {
        printLine(stdout, appCaption());
        return kExitOk;
    }

    const QString& command = options.command;
    const bool fileCommand = command == u"encrypt-file" || command == u"decrypt-file";
    const bool textCommand = command == u"encode-text" || command == u"decode-text" ||
                             command == u"encrypt-text" || command == u"decrypt-text";
    if (command.isEmpty()) {
        return usage(QStringLiteral("no command given"));
    }
    if (!fileCommand && !textCommand) {
        return usage(QStringLiteral("unknown command '%1'").arg(command));
    }
    if (fileCommand && options.operands.size() != 2) {
        return usage(QStringLiteral("%1 takes SOURCE and DEST").arg(command));
    }
    if (textCommand && options.operands.size() > 1) {
        return usage(QStringLiteral("%1 takes at most one TEXT (quote it)").arg(command));
    }
    if (options.codePage) {
        const CodePage* page = CodePage::find(*options.codePage);
        if (page == nullptr) {
            QStringList pages;
            for (int number : CodePage::available()) {
                pages.append(QString::number(number));
            }
            return usage(QStringLiteral("unknown code page '%1' (known: %2)")
                             .arg(*options.codePage, pages.join(QStringLiteral(", "))));
        }
        setActiveCodePage(*page);
    }
    if (gAppPath.isEmpty()) {
        gAppPath = QCoreApplication::applicationDirPath() + u'/';
    }

    const bool needsKey = fileCommand || command == u"encrypt-text" || command == u"decrypt-text";
    QString key;
    if (needsKey) {
        CommandResult failure;
        switch (readKey(options, key, failure)) {
        case KeyOutcome::Found:
            break;
        case KeyOutcome::NoSource:
            return usage(QStringLiteral(
                "no key: give --key-file FILE or ZEPHRAL_KEY, or run it on a terminal"));
        case KeyOutcome::Failed:
            return failed(command, failure);
        }
        if (CommandResult r = checkKey(key); !r.ok) {
            return failed(command, r);
        }
    }

    if (fileCommand) {
        const CommandResult r = transformFile(command == u"encrypt-file" ? FileTransform::Encrypt
                                                                         : FileTransform::Decrypt,
                                              options.operands[0], options.operands[1], key);
        return r.ok ? kExitOk : failed(command, r);
    }

    QString input;
    if (CommandResult r = inputText(options, input); !r.ok) {
        return failed(command, r);
    }
    const bool decoding = command == u"decode-text" || command == u"decrypt-text";
    if (decoding) {
        dropTrailingLineBreaks(input);
    }
    QString output;
    if (!input.isEmpty()) {
        if (!cipherLibraryAvailable()) {
            return failed(command, libraryMissing());
        }
        if (CommandResult r = runText(command, input, key, output); !r.ok) {
            return failed(command, r);
        }
    }
    if (CommandResult r = writeOutput(output, !decoding); !r.ok) {
        return failed(command, r);
    }
    return kExitOk;
}

} // namespace zephral::cli
