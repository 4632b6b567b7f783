// blowenc through each layer: OpenSSL and the raw library as the baseline,
// then EncryptString (code page both ways and the buffer copies), the
// file command (read, encrypt, write) and the whole zephral-cli process. The
// 256 MiB file lives under /tmp for the run only.
#include "commands/Commands.h"
#include "encrypt/CodePage.h"
#include "encrypt/basEncrypt.h"
#include "platform/AppInfo.h"
#include "platform/FilePath.h"
#include "zephcore.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <openssl/blowfish.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kKey = "benchmark key";
constexpr int64_t kSmall = 16 << 20;
constexpr int64_t kLarge = 256 << 20;

QByteArray pattern(int64_t size, int64_t room = 0) {
    QByteArray b(size + room, '\0');
    char* p = b.data();
    for (int64_t i = 0; i < size; ++i) {
        p[i] = static_cast<char>((i * 131 + (i >> 9)) & 0xFF);
    }
    return b;
}

void copyMemcpy(benchmark::State& state, int64_t size) {
    const QByteArray from = pattern(size);
    QByteArray to(size, '\0');
    for (auto _ : state) {
        std::memcpy(to.data(), from.constData(), static_cast<size_t>(size));
        benchmark::DoNotOptimize(to.data());
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void blowencOpenssl(benchmark::State& state, int64_t size) {
    QByteArray buffer = pattern(size, 8);
    BF_KEY key;
    BF_set_key(&key, static_cast<int>(std::strlen(kKey)),
               reinterpret_cast<const unsigned char*>(kKey));
    auto* p = reinterpret_cast<unsigned char*>(buffer.data());
    for (auto _ : state) {
        for (int64_t i = 0; i < size + 8; i += 8) {
            BF_ecb_encrypt(p + i, p + i, &key, BF_ENCRYPT);
        }
        benchmark::DoNotOptimize(p);
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void blowencZephcore(benchmark::State& state, int64_t size) {
    QByteArray buffer = pattern(size, 8);
    Initialize(kKey);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            BlowENC(reinterpret_cast<uint8_t*>(buffer.data()), static_cast<int32_t>(size)));
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void useProgramFolder() {
    zephral::gAppPath = QStringLiteral(ZEPHCORE_DIR "/");
    zephral::setActiveCodePage(zephral::CodePage::byNumber(1252));
}

void blowencEncryptString(benchmark::State& state, int64_t size) {
    useProgramFolder();
    const QString data = zephral::BytesToString(pattern(size));
    const QString key = QString::fromLatin1(kKey);
    for (auto _ : state) {
        QString cipher = zephral::EncryptString(data, key);
        if (cipher.size() != size + 8 - size % 8) {
            state.SkipWithError("EncryptString gave no result (cipher library missing?)");
            break;
        }
        benchmark::DoNotOptimize(cipher.data());
    }
    state.SetBytesProcessed(state.iterations() * size);
}

// The 256 MiB source, written once and removed at exit.
const QString& largeSource() {
    static const QString path = [] {
        const QString p = QStringLiteral("/tmp/zephral-bench-%1.plain").arg(::getpid());
        QFile f(p);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(pattern(kLarge));
        }
        std::atexit([] {
            QFile::remove(QStringLiteral("/tmp/zephral-bench-%1.plain").arg(::getpid()));
            QFile::remove(QStringLiteral("/tmp/zephral-bench-%1.cipher").arg(::getpid()));
        });
        return p;
    }();
    return path;
}

QString largeDestination() {
    return QStringLiteral("/tmp/zephral-bench-%1.cipher").arg(::getpid());
}

void blowencFileCore(benchmark::State& state, int64_t size) {
    useProgramFolder();
    const QString source = largeSource();
    for (auto _ : state) {
        const zephral::CommandResult r = zephral::runFileCommand(
            zephral::Command::EncryptFile, zephral::FilePath::fromText(source),
            zephral::FilePath::fromText(largeDestination()), QString::fromLatin1(kKey));
        if (!r.ok) {
            state.SkipWithError(r.description.toStdString().c_str());
            break;
        }
    }
    QFile::remove(largeDestination());
    state.SetBytesProcessed(state.iterations() * size);
}

void blowencCli(benchmark::State& state, int64_t size) {
    const std::string source = largeSource().toStdString();
    const std::string destination = largeDestination().toStdString();
    const std::string program = ZEPHRAL_CLI_PATH;
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "ZEPHRAL_KEY=", 12) != 0) {
            env.emplace_back(*e);
        }
    }
    env.emplace_back(std::string("ZEPHRAL_KEY=") + kKey);
    std::vector<char*> envp;
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    std::string a0 = program, a1 = "encrypt-file", a2 = source, a3 = destination;
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("zephral-cli encrypt-file failed");
            break;
        }
    }
    QFile::remove(largeDestination());
    state.SetBytesProcessed(state.iterations() * size);
}

std::string name(const char* operationAndImplementation, int64_t size) {
    return std::string(operationAndImplementation) + "/" + std::to_string(size);
}

const bool registered = [] {
    for (int64_t size : {kSmall, kLarge}) {
        const int iterations = size == kLarge ? 2 : 0;
        auto add = [&](const char* what, void (*fn)(benchmark::State&, int64_t)) {
            auto* b = benchmark::RegisterBenchmark(name(what, size).c_str(), fn, size);
            b->UseRealTime()->Unit(benchmark::kMillisecond);
            if (iterations > 0) {
                b->Iterations(iterations);
            }
        };
        add("copy/memcpy", copyMemcpy);
        add("blowenc/openssl", blowencOpenssl);
        add("blowenc/zephcore", blowencZephcore);
        if (size == kSmall) {
            add("blowenc/encryptstring", blowencEncryptString);
        } else {
            add("blowenc/filecore", blowencFileCore);
            add("blowenc/cli-file", blowencCli);
        }
    }
    return true;
}();

} // namespace
