#include "encrypt/basEncrypt.h"

#include "encrypt/CodePage.h"
#include "platform/AppInfo.h"
#include "platform/Services.h"

#include <QDir>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>

namespace zephral {

namespace {

using InitializeFn = decltype(&Initialize);
using BlowFn = decltype(&BlowENC);
using InitB64Fn = decltype(&InitB64);
using B64EncFn = decltype(&B64ENC);
using B64DecFn = decltype(&B64DEC);

// The six functions the program uses, in the order of the table below.
enum Function { FnInitialize, FnBlowENC, FnBlowDEC, FnInitB64, FnB64ENC, FnB64DEC, FnCount };
constexpr const char* kFunctionNames[FnCount] = {"Initialize", "BlowENC", "BlowDEC",
                                                 "InitB64",    "B64ENC",  "B64DEC"};

// The library and every address in it, all found at once when it loads and
// then bound until the program ends; nothing is ever unloaded. A library that
// could not be loaded is searched for again at the next call, so one installed
// meanwhile is found. The lock keeps two threads from loading it at once.
struct Binding {
    std::mutex mutex;
    std::unique_ptr<Library> library;
    QFunctionPointer functions[FnCount] = {};
};

Binding& binding() {
    static Binding b;
    return b;
}

// The places searched, in order: the program's folder, the private library
// folder of an installed tree (relative to the program's folder), the
// per-user system folder, then the system's ordinary search for the bare name.
QStringList libraryCandidates() {
    const QString name = cipherLibraryFileName();
    QStringList candidates;
    // Beside the program first, so that a program run from its build folder
    // takes the library built with it; then where an installed tree keeps it.
    for (const QString& folder : {programFolder(), installedLibraryFolder()}) {
        if (!folder.isEmpty()) {
            candidates.append(folder + name);
        }
    }
    if (const QString systemFolder = services().systemFolder->systemFolder();
        !systemFolder.isEmpty()) {
        candidates.append(QDir(systemFolder).filePath(name));
    }
    candidates.append(name);
    return candidates;
}

// Loads the library and finds its functions (a missing one stays null); true
// when it is loaded.
bool loadLibrary() {
    Binding& b = binding();
    std::lock_guard lock(b.mutex);
    if (b.library) {
        return true;
    }
    for (const QString& candidate : libraryCandidates()) {
        if (auto library = services().libraries->load(candidate)) {
            for (int f = 0; f < FnCount; ++f) {
                b.functions[f] = library->resolve(kFunctionNames[f]);
            }
            b.library = std::move(library);
            return true;
        }
    }
    return false;
}

template <typename Fn>
Fn function(Function which) {
    if (!loadLibrary()) {
        return nullptr;
    }
    Binding& b = binding();
    std::lock_guard lock(b.mutex);
    return reinterpret_cast<Fn>(b.functions[which]);
}

// The library's one key schedule, held by whoever set it until its last
// cipher call: a PieceCipher for its whole life, any other Blowfish work for
// the key and the call. So other cipher work waits while a PieceCipher's
// pieces are on their threads, and never changes the key under them.
std::mutex& scheduleMutex() {
    static std::mutex m;
    return m;
}

// The library takes signed 32-bit lengths, and the cipher needs a block of
// room after the data.
constexpr qsizetype kMaxCipherInput = std::numeric_limits<std::int32_t>::max() - kCipherBlock;

std::uint8_t* bytesOf(QByteArray& b) {
    return reinterpret_cast<std::uint8_t*>(b.data());
}

// Trims the buffer to the length the library reported; a longer report grows
// it with zero bytes. Empty when the report is 0 or less.
QByteArray finish(QByteArray& b, std::int32_t m) {
    if (m <= 0) {
        return {};
    }
    b.resize(m, '\0');
    return std::move(b);
}

// Runs Initialize with the key converted afresh, then wipes the converted key.
bool setKey(const QString& key) {
    const auto initialize = function<InitializeFn>(FnInitialize);
    if (initialize == nullptr) {
        return false;
    }
    QByteArray k = activeCodePage().encode(key, 1); // NUL-terminated
    const bool ok = k.size() - 1 <= kMaxKeyLength && initialize(k.constData()) == 0;
    explicit_bzero(k.data(), static_cast<std::size_t>(k.size()));
    return ok;
}

// The cipher on the n data bytes at the start of b. For encryption b holds a
// block more after them, all zero: room for the padding, whose filler bytes
// are therefore zeros.
QByteArray blowfish(QByteArray& b, qsizetype n, const QString& key, Function which) {
    if (key.isEmpty() || key.size() > kMaxKeyLength || n <= 0 || n > kMaxCipherInput) {
        return {};
    }
    const auto cipher = function<BlowFn>(which);
    std::lock_guard schedule(scheduleMutex());
    if (cipher == nullptr || !setKey(key)) {
        return {};
    }
    return finish(b, cipher(bytesOf(b), static_cast<std::int32_t>(n)));
}

QString blowfishText(const QString& data, const QString& key, Function which) {
    if (data.isEmpty() || data.size() > kMaxCipherInput) {
        return {};
    }
    const qsizetype room = which == FnBlowENC ? kCipherBlock : 0;
    QByteArray b = activeCodePage().encode(data, room);
    return BytesToString(blowfish(b, b.size() - room, key, which));
}

} // namespace

QByteArray StringToBytes(const QString& text) {
    return activeCodePage().encode(text);
}

QString BytesToString(const QByteArray& bytes) {
    return activeCodePage().decode(bytes);
}

QString EncryptString(const QString& data, const QString& key) {
    return blowfishText(data, key, FnBlowENC);
}

QString DecryptString(const QString& data, const QString& key) {
    return blowfishText(data, key, FnBlowDEC);
}

qsizetype encodeBase64Bytes(const char* data, qsizetype n, char* out) {
    if (n > std::numeric_limits<std::int32_t>::max() / 4 * 3) {
        return -1;
    }
    const auto initB64 = function<InitB64Fn>(FnInitB64);
    const auto encode = function<B64EncFn>(FnB64ENC);
    if (initB64 == nullptr || encode == nullptr) {
        return -1;
    }
    if (n <= 0) {
        return 0;
    }
    initB64();
    return encode(reinterpret_cast<const std::uint8_t*>(data), static_cast<std::int32_t>(n),
                  reinterpret_cast<std::uint8_t*>(out));
}

qsizetype decodeBase64Bytes(char* chars, qsizetype n, char* out) {
    if (n > std::numeric_limits<std::int32_t>::max() - 3) {
        return -1;
    }
    const auto initB64 = function<InitB64Fn>(FnInitB64);
    const auto decode = function<B64DecFn>(FnB64DEC);
    if (initB64 == nullptr || decode == nullptr) {
        return -1;
    }
    // A last group of 2 or 3 characters without its "=" holds 1 or 2 whole
    // bytes, but the library reads only complete groups and would give NUL
    // bytes for it; completing the group gives the bytes it stands for.
    if (const qsizetype tail = n % 4;
        tail >= 2 && std::find(chars + n - tail, chars + n, '=') == chars + n) {
        std::memset(chars + n, '=', static_cast<std::size_t>(4 - tail));
        n += 4 - tail;
    }
    if (n == 0) {
        return 0;
    }
    initB64();
    const std::int32_t m =
        decode(reinterpret_cast<std::uint8_t*>(chars), static_cast<std::int32_t>(n),
               reinterpret_cast<std::uint8_t*>(out));
    // The decoder never reports more than its source length; anything else
    // would mean bytes it wrote past the buffer, so it is taken as a failure.
    return m > n ? -1 : std::max<std::int32_t>(m, 0);
}

QString EncodeBase64(const QString& text) {
    if (text.isEmpty()) {
        return {};
    }
    const QByteArray b = StringToBytes(text);
    QByteArray out((b.size() + 2) / 3 * 4, '\0');
    const qsizetype m = encodeBase64Bytes(b.constData(), b.size(), out.data());
    return m <= 0 ? QString() : BytesToString(out.left(m));
}

QString DecodeBase64(const QString& text) {
    if (text.isEmpty()) {
        return {};
    }
    QByteArray b = StringToBytes(text);
    const qsizetype n = b.size();
    b.append(2, '\0'); // room to complete a last group
    QByteArray out(n + 3, '\0');
    const qsizetype m = decodeBase64Bytes(b.data(), n, out.data());
    return m <= 0 ? QString() : BytesToString(out.left(m));
}

bool keyHidesCharacters(const QString& key) {
    const QByteArray bytes = activeCodePage().encode(key);
    const qsizetype n = bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0');
    if (n <= 0) {
        return false;
    }
    // The schedule reads 18 words of 4 bytes, going round the key.
    for (qsizetype position = 0; position < 18 * 4; ++position) {
        if (position % 4 != 0 && static_cast<std::uint8_t>(bytes[position % n]) >= 0x80) {
            return true;
        }
    }
    return false;
}

int judgeEnd(qint64 size, const char* end, PadCheck check) {
    if (size < kCipherBlock || size % kCipherBlock != 0) {
        return 0;
    }
    const char* lastBlock = end - kCipherBlock;
    constexpr int kLast = kCipherBlock - 1;
    const auto pad = static_cast<std::uint8_t>(lastBlock[kLast]);
    if (pad < 1 || pad > kCipherBlock) {
        return 0;
    }
    if (check == PadCheck::Full) {
        for (int i = kCipherBlock - pad; i < kLast; ++i) {
            if (lastBlock[i] != 0) {
                return 0;
            }
        }
    }
    return pad;
}

std::optional<QByteArray> decryptBytesChecked(QByteArray data, const QString& key, PadCheck check) {
    const qsizetype n = data.size();
    if (n <= 0 || n % kCipherBlock != 0 || n > kMaxCipherInput || key.isEmpty() ||
        key.size() > kMaxKeyLength) {
        return std::nullopt;
    }
    const auto cipher = function<BlowFn>(FnBlowDEC);
    std::lock_guard schedule(scheduleMutex());
    if (cipher == nullptr || !setKey(key)) {
        return std::nullopt;
    }
    // The library's length is the same pad taken off, but only the bytes
    // themselves tell whether the filler before it is zero.
    cipher(bytesOf(data), static_cast<std::int32_t>(n));
    const int pad = judgeEnd(n, data.constData() + n, check);
    if (pad == 0) {
        explicit_bzero(data.data(), static_cast<std::size_t>(n));
        return std::nullopt;
    }
    data.truncate(n - pad);
    return data;
}

PieceCipher::PieceCipher(const QString& key) : m_schedule(scheduleMutex()) {
    m_encrypt = reinterpret_cast<QFunctionPointer>(function<BlowFn>(FnBlowENC));
    m_decrypt = reinterpret_cast<QFunctionPointer>(function<BlowFn>(FnBlowDEC));
    m_ok = m_encrypt != nullptr && m_decrypt != nullptr && !key.isEmpty() &&
           key.size() <= kMaxKeyLength && setKey(key);
}

PieceCipher::~PieceCipher() = default;

bool PieceCipher::run(int which, char* data, qsizetype n, qsizetype expected) {
    if (!m_ok || n < 0 || n > kMaxPiece) {
        return false;
    }
    const auto cipher = reinterpret_cast<BlowFn>(which == FnBlowENC ? m_encrypt : m_decrypt);
    const std::int32_t m =
        cipher(reinterpret_cast<std::uint8_t*>(data), static_cast<std::int32_t>(n));
    return which == FnBlowDEC || m == expected;
}

bool PieceCipher::encryptBlocks(char* data, qsizetype n) {
    if (n % kCipherBlock != 0) {
        return false;
    }
    return n == 0 || run(FnBlowENC, data, n, n + kCipherBlock);
}

qsizetype PieceCipher::encryptLast(char* data, qsizetype n) {
    const qsizetype padded = paddedSize(n);
    // The filler before the pad length is zeros, as EncryptString makes it.
    std::memset(data + n, 0, static_cast<std::size_t>(padded - n));
    return run(FnBlowENC, data, n, padded) ? padded : 0;
}

bool PieceCipher::decryptBlocks(char* data, qsizetype n) {
    if (n % kCipherBlock != 0) {
        return false;
    }
    return n == 0 || run(FnBlowDEC, data, n, 0);
}

bool cipherLibraryAvailable() {
    return loadLibrary();
}

void resetCipherBinding() {
    Binding& b = binding();
    std::lock_guard lock(b.mutex);
    // Dropping the object leaves the library mapped (only Library::unload
    // unmaps), so code or addresses still in use elsewhere stay valid.
    b.library.reset();
    for (QFunctionPointer& f : b.functions) {
        f = nullptr;
    }
}

} // namespace zephral
