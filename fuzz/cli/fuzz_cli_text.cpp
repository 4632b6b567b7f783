// Fuzzes zephral-cli's four text commands in-process, with the cipher
// library's exports linked in: any input bytes and any key, under every code
// page, with and without --no-check. Nothing may crash; a failure must be the
// one the refusal rules give (input that is not UTF-8, a missing or
// over-long key, a key encryption refuses, text the code page can't hold, a
// wrong key); and what succeeds must come back: encoding by decoding,
// encryption by decryption with the same key, and a decryption with the
// whole padding check by encrypting its result again.
//
// Input: command, code page, flags, key length, the key's bytes, the text.
#include "Cli.h"
#include "KeyPrompt.h"
#include "encrypt/CodePage.h"
#include "encrypt/basEncrypt.h"
#include "platform/Services.h"
#include "zephcore.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

using namespace zephral;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The library's seven exports, linked into this program rather than loaded.
class LinkedLibrary : public Library {
public:
    QFunctionPointer resolve(const char* name) override {
        static const std::pair<const char*, QFunctionPointer> kFunctions[] = {
            {"Initialize", reinterpret_cast<QFunctionPointer>(&Initialize)},
            {"BlowENC", reinterpret_cast<QFunctionPointer>(&BlowENC)},
            {"BlowDEC", reinterpret_cast<QFunctionPointer>(&BlowDEC)},
            {"InitB64", reinterpret_cast<QFunctionPointer>(&InitB64)},
            {"B64ENC", reinterpret_cast<QFunctionPointer>(&B64ENC)},
            {"B64DEC", reinterpret_cast<QFunctionPointer>(&B64DEC)},
        };
        for (auto [known, function] : kFunctions) {
            if (qstrcmp(known, name) == 0) {
                return function;
            }
        }
        return nullptr;
    }
    void unload() override {}
};

class LinkedLoader : public LibraryLoader {
public:
    std::unique_ptr<Library> load(const QString&) override {
        return std::make_unique<LinkedLibrary>();
    }
};

// No folder is looked for, let alone made.
class NoSystemFolder : public SystemFolder {
public:
    QString systemFolder() const override { return {}; }
};

void useLinkedLibrary() {
    static LinkedLoader loader;
    static NoSystemFolder folder;
    Services s = services();
    s.libraries = &loader;
    s.systemFolder = &folder;
    static ScopedServices scoped(s);
}

constexpr Command kCommands[] = {Command::EncodeText, Command::DecodeText,
                                 Command::EncryptEncodeText, Command::DecryptDecodeText};

// The failure the rules give for this input and key, 0 when none but a
// wrong key's can come.
int expectedRefusal(Command command, const QString& text, const QString& key) {
    const CodePage& page = activeCodePage();
    const bool encrypt = command == Command::EncryptEncodeText;
    if (needsKey(command)) {
        if (key.isEmpty()) {
            return kErrorNoKey;
        }
        if (key.size() > kMaxKeyLength) {
            return kErrorKeyTooLong;
        }
    }
    if (encrypt && key.contains(QChar(0))) {
        return kErrorKeyHoldsNul;
    }
    if (encrypt && page.firstUnencodable(key) >= 0) {
        return kErrorKeyNotInCodePage;
    }
    if ((encrypt || command == Command::EncodeText) && page.firstUnencodable(text) >= 0) {
        return kErrorTextNotInCodePage;
    }
    return 0;
}

QByteArray withoutLineBreak(QByteArray output) {
    check(output.endsWith('\n'));
    output.chop(1);
    return output;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    useLinkedLibrary();
    const Command command = kCommands[data[0] % std::size(kCommands)];
    const QList<int> pages = CodePage::available();
    setActiveCodePage(CodePage::byNumber(pages[data[1] % pages.size()]));
    const PadCheck padCheck = (data[2] & 1) != 0 ? PadCheck::LengthOnly : PadCheck::Full;
    const std::size_t keyLength = std::min<std::size_t>(data[3] % 64, size - 4);
    const QByteArray keyBytes(reinterpret_cast<const char*>(data + 4),
                              static_cast<qsizetype>(keyLength));
    const QByteArray input(reinterpret_cast<const char*>(data + 4 + keyLength),
                           static_cast<qsizetype>(size - 4 - keyLength));
    QString key;
    if (!cli::decodeUtf8(keyBytes, key)) {
        return 0; // refused before any command runs
    }

    QByteArray output;
    const CommandResult r = cli::textCommand(command, input, key, padCheck, output);
    QString text;
    const bool utf8 = cli::decodeUtf8(input, text);
    const int refusal = expectedRefusal(command, text, key);
    // The key is judged before any text is read.
    if (refusal != 0 && refusal != kErrorTextNotInCodePage) {
        check(!r.ok && r.number == refusal && output.isEmpty());
        return 0;
    }
    if (!utf8) {
        check(!r.ok && r.number == kErrorInvalidUtf8);
        return 0;
    }
    if (!r.ok) {
        check(output.isEmpty());
        check(r.number == (refusal != 0 ? refusal : kErrorWrongKey));
        check(command == Command::DecryptDecodeText || refusal != 0);
        return 0;
    }
    check(refusal == 0);

    QByteArray back;
    switch (command) {
    case Command::EncodeText:
        check(cli::textCommand(Command::DecodeText, withoutLineBreak(output), key, padCheck, back)
                  .ok);
        check(back == input);
        break;
    case Command::EncryptEncodeText:
        check(cli::textCommand(Command::DecryptDecodeText, withoutLineBreak(output), key,
                               PadCheck::Full, back)
                  .ok);
        check(back == input);
        break;
    case Command::DecryptDecodeText:
        if (padCheck == PadCheck::Full && !output.isEmpty()) {
            // The ciphertext as the command saw it, and the plaintext again.
            QString base64 = text;
            base64.removeIf(
                [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; });
            QString plain;
            check(cli::decodeUtf8(output, plain));
            check(EncryptString(plain, key) == DecodeBase64(base64));
        }
        break;
    default:
        break;
    }
    return 0;
}
