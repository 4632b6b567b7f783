#include "KeyPrompt.h"

#include <QByteArray>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace zephral::cli {

namespace {

// What a signal handler needs to give the terminal its echo back.
volatile sig_atomic_t gTerminal = -1;
termios gSaved{};

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

extern "C" void restoreAndRaise(int signal) {
    if (gTerminal >= 0) {
        ::tcsetattr(gTerminal, TCSAFLUSH, &gSaved);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Reads one line from the terminal; the line break is not part of it.
QByteArray readLine(int fd, const char* prompt) {
    [[maybe_unused]] ssize_t ignored = ::write(fd, prompt, std::strlen(prompt));
    QByteArray line;
    char c = 0;
    for (;;) {
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0 || c == '\n') {
            break;
        }
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
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return {PromptedKey::Outcome::NoTerminal, {}};
    }
    termios saved{};
    if (::tcgetattr(fd, &saved) != 0) {
        ::close(fd);
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
    ::tcsetattr(fd, TCSAFLUSH, &quiet);
    PromptedKey result{PromptedKey::Outcome::Typed, readLine(fd, "Key: ")};
    if (twice) {
        QByteArray again = readLine(fd, "Again: ");
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
    ::close(fd);
    return result;
}

} // namespace zephral::cli
