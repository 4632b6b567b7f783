#include "KeyPrompt.h"

#include "platform/FileDescriptor.h"

#include <QByteArray>
#include <QStringDecoder>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace zephral::cli {

namespace {

// What a signal handler needs to give the terminal its echo back, and to
// take it away again and ask afresh when the program is continued.
volatile sig_atomic_t gTerminal = -1;
termios gSaved{};
termios gQuiet{};
const char* volatile gPrompt = "";

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

void showPrompt(int fd) {
    const char* prompt = gPrompt;
    [[maybe_unused]] ssize_t ignored = ::write(fd, prompt, std::strlen(prompt));
}

extern "C" void restoreAndRaise(int signal) {
    const int saved = errno;
    const int fd = gTerminal;
    if (fd >= 0) {
        ::tcsetattr(fd, TCSAFLUSH, &gSaved);
    }
    struct sigaction ours {};
    ::sigaction(signal, nullptr, &ours);
    std::signal(signal, SIG_DFL);
    if (signal != SIGTSTP) {
        std::raise(signal); // ends the program once this handler returns
        return;
    }
    // Stopped here and now, with the echo back on for the shell. Once
    // continued, echo goes off again and the line is asked for from its
    // start: what was typed of it went with the flush.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    ::sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    std::raise(SIGTSTP);
    ::sigaction(SIGTSTP, &ours, nullptr);
    if (fd >= 0) {
        ::tcsetattr(fd, TCSAFLUSH, &gQuiet);
        showPrompt(fd);
    }
    errno = saved;
}

// Reads one line from the terminal; the line break is not part of it.
QByteArray readLine(const FileDescriptor& terminal, const char* prompt) {
    gPrompt = prompt;
    showPrompt(terminal.get());
    QByteArray line;
    char c = 0;
    while (terminal.readFull(&c, 1) == 1 && c != '\n') {
        line.append(c);
    }
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

void wipe(QByteArray& bytes) {
    explicit_bzero(bytes.data(), static_cast<std::size_t>(bytes.size()));
    bytes.clear();
}

} // namespace

PromptedKey promptKey(bool twice) {
    const FileDescriptor terminal(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    const int fd = terminal.get();
    termios saved{};
    if (!terminal.isOpen() || ::tcgetattr(fd, &saved) != 0) {
        return {PromptedKey::Outcome::NoTerminal, {}};
    }
    gSaved = saved;
    gTerminal = fd;
    struct sigaction previous[std::size(kSignals)] = {};
    struct sigaction handler {};
    handler.sa_handler = restoreAndRaise;
    sigemptyset(&handler.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &handler, &previous[i]);
    }

    // Echo off (and typed-ahead input dropped) before the prompt shows, so
    // nothing typed after it is lost or shown.
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    gQuiet = quiet;
    ::tcsetattr(fd, TCSAFLUSH, &quiet);
    PromptedKey result{PromptedKey::Outcome::Typed, readLine(terminal, "Key: ")};
    if (twice) {
        QByteArray again = readLine(terminal, "Again: ");
        if (again != result.key) {
            wipe(result.key);
            result.outcome = PromptedKey::Outcome::Differ;
        }
        wipe(again);
    }

    ::tcsetattr(fd, TCSAFLUSH, &saved);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &previous[i], nullptr);
    }
    gTerminal = -1;
    return result;
}

bool decodeUtf8(const QByteArray& bytes, QString& text) {
    // A byte-order mark is kept as the character it is, like any other, and a
    // sequence cut short at the end is an error, not something to wait for.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                       QStringConverter::Flag::Stateless);
    text = decoder.decode(bytes);
    if (decoder.hasError()) {
        text.clear();
        return false;
    }
    return true;
}

CommandResult notUtf8(const QString& what, const FilePath& path) {
    return CommandResult::failure(kErrorInvalidUtf8,
                                  QStringLiteral("%1 is not valid UTF-8").arg(what), path);
}

bool keyFileIsStandardInput(const QByteArray& keyFile) {
    struct stat file {};
    struct stat input {};
    return keyFile == kStandardStream ||
           (::stat(keyFile.constData(), &file) == 0 && ::fstat(STDIN_FILENO, &input) == 0 &&
            file.st_dev == input.st_dev && file.st_ino == input.st_ino);
}

namespace {

// The first line of a key file, without its line break.
CommandResult readKeyFile(const FilePath& path, QString& key) {
    FileDescriptor file;
    struct stat st {};
    QByteArray content;
    int error = openForReading(path, file, st);
    if (error == 0) {
        error = file.readAll(content, kMaxKeyFile);
    }
    if (error == EFBIG) {
        return CommandResult::failure(
            kErrorTooLarge,
            QStringLiteral("The key file is larger than %1 KiB").arg(kMaxKeyFile / 1024), path);
    }
    if (error != 0) {
        return CommandResult::systemError(error, path);
    }
    // A byte-order mark, as Windows editors save one, is no part of the key.
    const qsizetype start = content.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    qsizetype end = content.indexOf('\n', start);
    if (end < 0) {
        end = content.size();
    }
    if (end > start && content[end - 1] == '\r') {
        --end;
    }
    QByteArray line = content.mid(start, end - start);
    const bool valid = decodeUtf8(line, key);
    wipe(line);
    wipe(content);
    return valid ? CommandResult::success() : notUtf8(QStringLiteral("The key file"), path);
}

} // namespace

CommandResult readKey(const std::optional<QByteArray>& keyFile, bool encrypting, QString& key) {
    if (keyFile) {
        return readKeyFile(
            FilePath::fromNative(*keyFile == kStandardStream ? QByteArray("/dev/stdin") : *keyFile),
            key);
    }
    if (const char* variable = std::getenv("ZEPHRAL_KEY"); variable != nullptr && *variable) {
        return decodeUtf8(QByteArray(variable), key) ? CommandResult::success()
                                                     : notUtf8(QStringLiteral("ZEPHRAL_KEY"));
    }
    PromptedKey typed = promptKey(encrypting);
    switch (typed.outcome) {
    case PromptedKey::Outcome::NoTerminal:
        return CommandResult::failure(
            kErrorNoKey,
            QStringLiteral("no key: give --key-file FILE or ZEPHRAL_KEY, or run it on a terminal"));
    case PromptedKey::Outcome::Differ:
        return CommandResult::failure(kErrorKeysDiffer,
                                      QStringLiteral("The two keys typed differ"));
    case PromptedKey::Outcome::Typed:
        break;
    }
    const bool valid = decodeUtf8(typed.key, key);
    wipe(typed.key);
    return valid ? CommandResult::success() : notUtf8(QStringLiteral("The key typed"));
}

} // namespace zephral::cli
