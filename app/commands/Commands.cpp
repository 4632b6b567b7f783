#include "commands/Commands.h"

#include "commands/FileStream.h"
#include "commands/Files.h"
#include "commands/PiecePipeline.h"
#include "commands/TextPieces.h"
#include "encrypt/CodePage.h"
#include "encrypt/basEncrypt.h"
#include "platform/FileDescriptor.h"
#include "platform/Services.h"

#include <QByteArray>
#include <QStringDecoder>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace zephral {

namespace {

CommandResult checkKey(const QString& key) {
    if (key.isEmpty()) {
        return CommandResult::failure(kErrorNoKey, QStringLiteral("No key was given"));
    }
    if (key.size() > kMaxKeyLength) {
        return CommandResult::failure(
            kErrorKeyTooLong,
            QStringLiteral("The key is longer than %1 characters").arg(kMaxKeyLength));
    }
    return CommandResult::success();
}

// A key that encryption takes: one whose every character the code page holds
// and that ends only where it ends. Decryption takes any key, as the original
// tool did, so that files made with such keys still open.
CommandResult refuseKeyForEncryption(const QString& key) {
    if (key.contains(QChar(0))) {
        return CommandResult::failure(
            kErrorKeyHoldsNul,
            QStringLiteral("The key holds a NUL character, which would end it there"));
    }
    if (activeCodePage().firstUnencodable(key) >= 0) {
        // The character itself stays unsaid: it is part of the key.
        return CommandResult::failure(
            kErrorKeyNotInCodePage,
            QStringLiteral("The key holds a character that code page %1 cannot hold")
                .arg(activeCodePage().number()));
    }
    return CommandResult::success();
}

CommandWarning weakKeyWarning() {
    return {CommandWarning::Kind::WeakKey,
            QStringLiteral("This key is weaker than it looks: a character beyond ASCII hides up "
                           "to 3 characters before it from the cipher, so other keys open what it "
                           "encrypts. A key of ASCII characters only has no such weakness.")};
}

// The character at `index` and its code point, a pair of surrogates as one.
QString describeCharacter(const QString& text, qsizetype index) {
    char32_t code = text[index].unicode();
    qsizetype length = 1;
    if (QChar::isHighSurrogate(code) && index + 1 < text.size() &&
        text[index + 1].isLowSurrogate()) {
        code = QChar::surrogateToUcs4(text[index], text[index + 1]);
        length = 2;
    }
    const QString number =
        QStringLiteral("U+%1").arg(static_cast<uint>(code), 4, 16, QLatin1Char('0')).toUpper();
    if (QChar::isSurrogate(code) || !QChar::isPrint(code)) {
        return number;
    }
    return QStringLiteral("\"%1\" (%2)").arg(text.mid(index, length), number);
}

CommandResult refuseText(const QString& text) {
    const qsizetype index = activeCodePage().firstUnencodable(text);
    if (index < 0) {
        return CommandResult::success();
    }
    return CommandResult::failure(kErrorTextNotInCodePage,
                                  QStringLiteral("The text holds %1, which code page %2 cannot "
                                                 "hold")
                                      .arg(describeCharacter(text, index))
                                      .arg(activeCodePage().number()));
}

CommandResult libraryMissing() {
    return CommandResult::failure(
        kErrorNoLibrary,
        QStringLiteral("The cipher library %1 could not be loaded").arg(cipherLibraryFileName()));
}

CommandResult nothingToDecrypt(const FilePath& stream) {
    return CommandResult::failure(
        kErrorNothingToDecrypt,
        QStringLiteral("%1 was empty: nothing to decrypt").arg(stream.toText()));
}

// Base64 wrapped into lines (by `base64`, in a mail) or with a stray space:
// what this program and the original tool make never holds white space, so
// it goes before decoding, and the lenient decoder sees the groups whole.
QString withoutWhiteSpace(const QString& text) {
    QString kept = text;
    kept.removeIf([](QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; });
    return kept;
}

CommandResult decryptText(const QString& text, const QString& key, PadCheck padCheck,
                          QString& output) {
    const QString cipherText = DecodeBase64(withoutWhiteSpace(text));
    // Ciphertext travels as text one character per byte, so its bytes are
    // exactly the cipher's.
    std::optional<QByteArray> plain = decryptBytesChecked(StringToBytes(cipherText), key, padCheck);
    if (!plain) {
        return CommandResult::wrongKey(QStringLiteral("text"));
    }
    output = BytesToString(*plain);
    return CommandResult::success();
}

CommandResult transformText(Command command, const QString& text, const QString& key,
                            PadCheck padCheck, QString& output) {
    switch (command) {
    case Command::EncodeText:
        output = EncodeBase64(text);
        break;
    case Command::DecodeText:
        // Whatever the lenient decoder makes of the text is its answer,
        // nothing at all included.
        output = DecodeBase64(withoutWhiteSpace(text));
        return CommandResult::success();
    case Command::EncryptEncodeText:
        output = EncodeBase64(EncryptString(text, key));
        break;
    case Command::DecryptDecodeText:
        return decryptText(text, key, padCheck, output);
    case Command::EncryptFile:
    case Command::DecryptFile:
        return CommandResult::systemError(EINVAL);
    }
    if (output.isEmpty()) {
        return CommandResult::noCipherResult();
    }
    return CommandResult::success();
}

// A source as the stream reads it: the descriptor (closed at the end when the
// command opened it) and, for a regular file, its size from where it stands.
class Source {
public:
    CommandResult open(const FileEnd& end) {
        m_path = end.path;
        struct stat st {};
        if (end.descriptor >= 0) {
            m_file = FileDescriptor::borrowed(end.descriptor);
            if (::fstat(m_file.get(), &st) != 0) {
                return CommandResult::systemError(errno, m_path);
            }
            m_start = S_ISREG(st.st_mode) ? ::lseek(m_file.get(), 0, SEEK_CUR) : -1;
        } else {
            if (const int error = openForReading(end.path, m_file, st)) {
                return CommandResult::systemError(error, m_path);
            }
            m_start = 0;
        }
        m_mode = st.st_mode;
        m_size =
            S_ISREG(st.st_mode) && m_start >= 0 ? std::max<qint64>(st.st_size - m_start, 0) : -1;
        return CommandResult::success();
    }
    const FileDescriptor& file() const { return m_file; }
    qint64 size() const { return m_size; }
    qint64 start() const { return m_start; }
    mode_t mode() const { return m_mode; }
    const FilePath& path() const { return m_path; }

private:
    FilePath m_path;
    FileDescriptor m_file;
    qint64 m_start = 0;
    qint64 m_size = -1;
    mode_t m_mode = 0;
};

QString sizeText(qint64 bytes) {
    const char* units[] = {"KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes);
    QString shown = QStringLiteral("%1 bytes").arg(bytes);
    for (const char* unit : units) {
        if (value < 1024) {
            break;
        }
        value /= 1024;
        shown = QStringLiteral("%1 %2 (%3 bytes)")
                    .arg(value, 0, 'f', 1)
                    .arg(QLatin1String(unit))
                    .arg(bytes);
    }
    return shown;
}

} // namespace

CommandResult checkRoom(const FileWriter& writer, const FilePath& destination, qint64 needed,
                        qint64* available) {
    struct statvfs vfs {};
    if (available != nullptr) {
        *available = -1;
    }
    if (needed <= 0 || writer.direct() || ::fstatvfs(writer.descriptor(), &vfs) != 0) {
        return CommandResult::success();
    }
    const auto block = static_cast<qint64>(vfs.f_frsize > 0 ? vfs.f_frsize : 1);
    const auto free = static_cast<qint64>(vfs.f_bavail) * block;
    if (available != nullptr) {
        *available = free;
    }
    if (free >= (needed + block - 1) / block * block) {
        return CommandResult::success();
    }
    return CommandResult::failure(
        ENOSPC,
        QStringLiteral("Not enough room for the result: it needs %1, and its file system has %2 "
                       "free")
            .arg(sizeText(needed), sizeText(free)),
        destination);
}

namespace {

CommandResult transformFile(bool encrypt, const FileEnd& source, const FileEnd& destination,
                            const QString& key, PadCheck padCheck, const FileProgress& progress,
                            const BatchFileWork& work = {}) {
    const std::atomic<bool>* stop = work.stop;
    Source in;
    if (CommandResult r = in.open(source); !r.ok) {
        return r;
    }
    // A destination that is a folder can never be written: say so before
    // the long part of the work.
    if (destination.descriptor < 0 && !work.destinationAbsent) {
        if (CommandResult r = refuseFolder(destination.path); !r.ok) {
            return r;
        }
    }
    // An empty file gives an empty file without the library.
    // An encrypted file is empty only when its source was; an empty standard
    // input is far more often a pipeline that failed before it, and taking it
    // would blank the destination.
    const bool fromStream = source.descriptor >= 0;
    if (!encrypt && fromStream && in.size() == 0) {
        return nothingToDecrypt(in.path());
    }
    if (in.size() != 0 && !cipherLibraryAvailable()) {
        return libraryMissing();
    }
    std::optional<PieceCipher> own;
    PieceCipher& cipher = work.cipher != nullptr ? *work.cipher : own.emplace(key);
    if (in.size() != 0 && !cipher.ok()) {
        return encrypt ? CommandResult::noCipherResult(in.path())
                       : CommandResult::wrongKey(QStringLiteral("file"), in.path());
    }

    StreamJob job;
    job.encrypt = encrypt;
    job.padCheck = padCheck;
    job.source = &in.file();
    job.sourcePath = in.path();
    job.sourceSize = in.size();
    job.sourceStart = in.start();
    job.stop = stop;
    qint64 resultSize = -1;
    if (CommandResult r = measureResult(cipher, job, resultSize); !r.ok) {
        return r;
    }
    qint64 consumed = 0;
    job.progress = [&](qint64 done, qint64 total) {
        consumed = done;
        if (progress) {
            progress(done, total);
        }
    };
    // Whether a stream that turned out empty is to be refused, before
    // anything is written or put in place.
    auto emptyStream = [&] { return !encrypt && fromStream && consumed == 0; };
    if (destination.descriptor >= 0) {
        const FileDescriptor out = FileDescriptor::borrowed(destination.descriptor);
        job.write = [&](const char* data, qsizetype size) {
            const int error = out.writeAll(data, size);
            return error == 0 ? CommandResult::success()
                              : CommandResult::systemError(error, destination.path);
        };
        CommandResult r = streamFile(cipher, job);
        return r.ok && emptyStream() ? nothingToDecrypt(in.path()) : r;
    }

    // Without the whole check a wrong key is taken 1 time in 32: what it
    // gives goes to a new file only, so nothing is ever lost to it.
    auto owned = std::make_unique<FileWriter>();
    FileWriter& writer = *owned;
    FileWriter::Existing existing = encrypt || padCheck == PadCheck::Full
                                        ? FileWriter::Existing::Replace
                                        : FileWriter::Existing::Refuse;
    if (work.destinationAbsent) {
        existing = FileWriter::Existing::Absent;
    }
    CommandResult r =
        writer.open(destination.path, existing,
                    work.sourceMode ? std::optional<mode_t>(in.mode() & 0777) : std::nullopt);
    if (r.ok) {
        r = work.room ? work.room(writer, resultSize)
                      : checkRoom(writer, destination.path, resultSize);
    }
    if (!r.ok) {
        return r;
    }
    job.write = [&](const char* data, qsizetype size) { return writer.write(data, size); };
    r = streamFile(cipher, job);
    if (r.ok && emptyStream()) {
        r = nothingToDecrypt(in.path());
    }
    if (r.ok && stop != nullptr && stop->load()) {
        r = CommandResult::systemError(EINTR, in.path());
    }
    if (!r.ok) {
        writer.abort();
        return r;
    }
    if (work.keep && writer.unnamed()) {
        return work.keep(std::move(owned));
    }
    return commitFile(writer, destination.path, work.sync);
}

// The text commands over a stream (streamTextCommand), in overlapping
// stages (commands/PiecePipeline.h). The reader makes the input the code
// page's bytes, drops Base64's white space, and cuts the rest into pieces of
// whole groups, carrying the rest over to the next piece: 24 bytes to encrypt
// or encode (whole blocks, whole Base64 groups), 32 characters to decode (24
// bytes). The pieces are enciphered and encoded, or decoded and deciphered,
// on every core, and written in their order, a decryption's last block held
// to the end and the code page's bytes put out as UTF-8.
class TextRun {
public:
    TextRun(Command command, const TextStream& stream, const QString& key, PadCheck padCheck)
        : m_command(command), m_stream(stream), m_key(key), m_padCheck(padCheck),
          m_piece(std::max<qsizetype>(streamPieceSize(), 64)),
          m_base64In(command == Command::DecodeText || command == Command::DecryptDecodeText),
          m_utf8(activeCodePage()) {}

    CommandResult run() {
        // The first piece is read here, so that empty text needs neither the
        // library nor a key schedule, and text of one piece no threads.
        m_first.resize(m_piece);
        const qsizetype got = m_stream.read(m_first.data(), m_piece);
        if (got < 0) {
            return CommandResult::systemError(errno, m_stream.inputName);
        }
        m_first.truncate(got);
        m_firstEnded = got < m_piece;
        if (!m_firstEnded || !blank(m_first)) {
            if (CommandResult r = start(); !r.ok) {
                return r;
            }
        }
        PieceStages stages;
        stages.read = [this](Piece& p) { return read(p); };
        stages.transform = [this](Piece& p) { return transform(p); };
        stages.write = [this](Piece& p) { return write(p); };
        const qsizetype resultSize =
            m_base64In ? m_piece / 4 * 3 + 3 : (m_piece + kCipherBlock + 2) / 3 * 4 + 1;
        CommandResult r =
            runPieces(stages, m_firstEnded ? 1 : overlappedPieces(), m_piece, resultSize);
        if (r.ok && m_command == Command::EncryptEncodeText && m_cipher &&
            keyHidesCharacters(m_key)) {
            r.warnings.append(weakKeyWarning());
        }
        return r;
    }

private:
    // Nothing to transform: no text, or white space alone where it is dropped.
    bool blank(QByteArray text) const {
        return text.isEmpty() || (m_base64In && dropWhiteSpace(text.data(), text.size()) == 0);
    }

    // The library, and the key's schedule, once there is something to work on.
    CommandResult start() {
        if (!cipherLibraryAvailable()) {
            return libraryMissing();
        }
        if (needsKey(m_command)) {
            m_cipher.emplace(m_key);
            if (!m_cipher->ok()) {
                return CommandResult::noCipherResult();
            }
        }
        return CommandResult::success();
    }

    // The stream's read, the first piece first.
    qsizetype readInput(char* data, qsizetype size) {
        const qsizetype n = std::min(size, m_first.size() - m_firstAt);
        std::memcpy(data, m_first.constData() + m_firstAt, static_cast<std::size_t>(n));
        m_firstAt += n;
        if (n == size || (m_firstEnded && m_firstAt == m_first.size())) {
            return n; // never read on after the end
        }
        const qsizetype got = m_stream.read(data + n, size - n);
        return got < 0 ? -1 : n + got;
    }

    CommandResult read(Piece& p) {
        // What was carried over: bytes ready (the code page's, or Base64
        // without white space), then the start of a UTF-8 sequence.
        std::memcpy(p.data, m_carry, static_cast<std::size_t>(m_ready + m_raw));
        const qsizetype ready = m_ready;
        qsizetype n = m_ready + m_raw;
        const qsizetype got = readInput(p.data + n, m_piece - n);
        if (got < 0) {
            return CommandResult::systemError(errno, m_stream.inputName);
        }
        const bool ended = got < m_piece - n;
        n += got;
        const qsizetype use = ended ? n : ready + utf8Boundary(p.data + ready, n - ready);
        char raw[4];
        m_raw = n - use;
        std::memcpy(raw, p.data + use, static_cast<std::size_t>(m_raw));
        if (m_base64In && isGraphicAscii(p.data + ready, use - ready)) {
            n = use - ready; // all of it as it stands
        } else {
            if (CommandResult r = toCodePage(p.data + ready, use - ready, n); !r.ok) {
                return r;
            }
            if (m_base64In) {
                n = dropWhiteSpace(p.data + ready, n);
            }
        }
        n += ready;
        // A piece of Base64 that is not the last leaves at least a character
        // over, so that the text's last group is decoded as the last.
        qsizetype size = n;
        if (!ended) {
            size = m_base64In ? std::max<qsizetype>(n - 1, 0) / 32 * 32 : n / 24 * 24;
        }
        m_ready = n - size;
        std::memcpy(m_carry, p.data + size, static_cast<std::size_t>(m_ready));
        std::memcpy(m_carry + m_ready, raw, static_cast<std::size_t>(m_raw));
        p.offset = m_offset;
        p.size = size;
        p.last = ended;
        m_offset += size;
        return CommandResult::success();
    }

    // The n bytes of UTF-8 at `data` as the code page's bytes, in place;
    // `converted` their count.
    CommandResult toCodePage(char* data, qsizetype n, qsizetype& converted) {
        converted = n;
        if (isAscii(data, n)) {
            return CommandResult::success(); // the same bytes
        }
        qsizetype taken = 0;
        converted = activeCodePage().fromUtf8(data, n, taken);
        if (taken == n) {
            return CommandResult::success();
        }
        // What the quick way stopped at: the decoder and the code page say
        // what is wrong with it, or take it after all.
        QStringDecoder strict(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                          QStringConverter::Flag::Stateless);
        const QString text = strict.decode(QByteArrayView(data + taken, n - taken));
        if (strict.hasError()) {
            return CommandResult::failure(kErrorInvalidUtf8,
                                          QStringLiteral("The text is not valid UTF-8"));
        }
        if (!m_base64In) {
            if (CommandResult r = refuseText(text); !r.ok) {
                return r;
            }
        }
        // One byte a character: never more than UTF-8's.
        const QByteArray bytes = activeCodePage().encode(text);
        std::memcpy(data + converted, bytes.constData(), static_cast<std::size_t>(bytes.size()));
        converted += bytes.size();
        return CommandResult::success();
    }

    CommandResult transform(Piece& p) {
        qsizetype n = p.size;
        switch (m_command) {
        case Command::EncryptEncodeText:
            if (p.last && p.offset + p.size > 0) {
                n = m_cipher->encryptLast(p.data, p.size);
                if (n == 0) {
                    return CommandResult::noCipherResult();
                }
            } else if (n > 0 && !m_cipher->encryptBlocks(p.data, n)) {
                return CommandResult::noCipherResult();
            }
            [[fallthrough]];
        case Command::EncodeText:
            return encode(p, n);
        case Command::DecodeText:
        case Command::DecryptDecodeText:
            return decode(p);
        case Command::EncryptFile:
        case Command::DecryptFile:
            break;
        }
        return CommandResult::systemError(EINVAL);
    }

    // Base64 of the piece's first n bytes, a line's end after the last.
    CommandResult encode(Piece& p, qsizetype n) {
        p.resultSize = n > 0 ? encodeBase64Bytes(p.data, n, p.result) : 0;
        if (p.resultSize < 0) {
            return libraryMissing();
        }
        if (p.last) {
            p.result[p.resultSize++] = '\n';
        }
        return CommandResult::success();
    }

    CommandResult decode(Piece& p) {
        if (!p.last) {
            // An "=" here is no padding, but a character outside the
            // alphabet, which the lenient decoder reads as 0, like "A".
            for (qsizetype i = std::max<qsizetype>(p.size - 2, 0); i < p.size; ++i) {
                if (p.data[i] == '=') {
                    p.data[i] = 'A';
                }
            }
        }
        p.resultSize = p.size > 0 ? decodeBase64Bytes(p.data, p.size, p.result) : 0;
        if (p.resultSize < 0) {
            return libraryMissing();
        }
        // A decryption's whole blocks; the last piece's padding and any
        // broken block are judged by the writer.
        const qsizetype blocks = p.resultSize / kCipherBlock * kCipherBlock;
        if (m_command == Command::DecryptDecodeText && blocks > 0 &&
            !m_cipher->decryptBlocks(p.result, blocks)) {
            return CommandResult::noCipherResult();
        }
        p.ascii = isAscii(p.result, p.resultSize);
        return CommandResult::success();
    }

    CommandResult write(Piece& p) {
        char* start = p.result;
        qsizetype length = p.resultSize;
        bool ascii = !m_base64In || p.ascii;
        if (m_command == Command::DecryptDecodeText) {
            m_decoded += length;
            // Characters that decode to nothing are no ciphertext; no
            // characters at all are empty text.
            if (p.last && m_decoded == 0 && p.offset + p.size > 0) {
                return CommandResult::wrongKey(QStringLiteral("text"));
            }
            if (!m_held.pass(start, length, p.last, m_decoded, m_padCheck)) {
                return CommandResult::wrongKey(QStringLiteral("text"));
            }
            ascii = ascii && isAscii(start, std::min<qsizetype>(length, kCipherBlock));
        }
        if (length == 0) {
            return CommandResult::success();
        }
        if (ascii) {
            return m_stream.write(start, length);
        }
        m_converted.truncate(0); // its room kept for the next piece
        m_utf8.append(m_converted, start, length);
        return m_stream.write(m_converted.constData(), m_converted.size());
    }

    // Carried over: up to 32 ready bytes, then a UTF-8 sequence's start.
    static constexpr qsizetype kMaxCarry = 32;

    const Command m_command;
    const TextStream& m_stream;
    const QString& m_key;
    const PadCheck m_padCheck;
    const qsizetype m_piece;
    const bool m_base64In;
    const Utf8Output m_utf8;
    std::optional<PieceCipher> m_cipher;
    // The reader's
    QByteArray m_first;
    qsizetype m_firstAt = 0;
    bool m_firstEnded = false;
    char m_carry[kMaxCarry + 3] = {};
    qsizetype m_ready = 0;
    qsizetype m_raw = 0;
    qint64 m_offset = 0;
    // The writer's
    HeldBlock m_held;
    qint64 m_decoded = 0;
    QByteArray m_converted;
};

} // namespace

bool isFileCommand(Command command) {
    return command == Command::EncryptFile || command == Command::DecryptFile;
}

bool needsKey(Command command) {
    return command != Command::EncodeText && command != Command::DecodeText;
}

CommandResult runTextCommand(Command command, const QString& text, const QString& key,
                             QString& output, PadCheck padCheck) {
    output.clear();
    if (isFileCommand(command)) {
        return CommandResult::systemError(EINVAL);
    }
    if (needsKey(command)) {
        if (CommandResult r = checkKey(key); !r.ok) {
            return r;
        }
    }
    const bool encrypt = command == Command::EncryptEncodeText;
    if (encrypt) {
        if (CommandResult r = refuseKeyForEncryption(key); !r.ok) {
            return r;
        }
    }
    // Text the code page can't hold would lose characters on the way.
    if (encrypt || command == Command::EncodeText) {
        if (CommandResult r = refuseText(text); !r.ok) {
            return r;
        }
    }
    // Every transform of empty text is empty: no library needed.
    if (text.isEmpty()) {
        return CommandResult::success();
    }
    if (!cipherLibraryAvailable()) {
        return libraryMissing();
    }
    try {
        CommandResult r = transformText(command, text, key, padCheck, output);
        if (!r.ok) {
            output.clear();
        } else if (encrypt && keyHidesCharacters(key)) {
            r.warnings.append(weakKeyWarning());
        }
        return r;
    } catch (const std::bad_alloc&) {
        output.clear();
        return CommandResult::outOfMemory();
    }
}

CommandResult streamTextCommand(Command command, const TextStream& stream, const QString& key,
                                PadCheck padCheck) {
    if (isFileCommand(command)) {
        return CommandResult::systemError(EINVAL);
    }
    if (needsKey(command)) {
        if (CommandResult r = checkKey(key); !r.ok) {
            return r;
        }
    }
    if (command == Command::EncryptEncodeText) {
        if (CommandResult r = refuseKeyForEncryption(key); !r.ok) {
            return r;
        }
    }
    try {
        return TextRun(command, stream, key, padCheck).run();
    } catch (const std::bad_alloc&) {
        return CommandResult::outOfMemory();
    }
}

CommandResult runFileCommand(Command command, const FileEnd& source, const FileEnd& destination,
                             const QString& key, PadCheck padCheck, const FileProgress& progress) {
    if (!isFileCommand(command)) {
        return CommandResult::systemError(EINVAL);
    }
    if (CommandResult r = checkKey(key); !r.ok) {
        return r;
    }
    if (command == Command::EncryptFile) {
        if (CommandResult r = refuseKeyForEncryption(key); !r.ok) {
            return r;
        }
    }
    if (command == Command::DecryptFile && padCheck != PadCheck::Full &&
        destination.descriptor < 0) {
        if (source.descriptor < 0 && sameFile(source.path, destination.path)) {
            return CommandResult::failure(
                kErrorNotNewFile,
                QStringLiteral("Without the padding check the result goes to a new file, never "
                               "in place"),
                destination.path);
        }
        if (struct stat st{}; ::lstat(destination.path.c_str(), &st) == 0) {
            return CommandResult::failure(
                kErrorNotNewFile,
                QStringLiteral("Without the padding check the result goes to a new file only, "
                               "and this one exists"),
                destination.path);
        }
    }
    try {
        CommandResult r = transformFile(command == Command::EncryptFile, source, destination, key,
                                        padCheck, progress);
        if (r.ok && command == Command::EncryptFile && keyHidesCharacters(key)) {
            r.warnings.prepend(weakKeyWarning());
        }
        return r;
    } catch (const std::bad_alloc&) {
        return CommandResult::outOfMemory();
    }
}

CommandResult checkFileKey(Command command, const QString& key) {
    CommandResult r = checkKey(key);
    if (r.ok && command == Command::EncryptFile) {
        r = refuseKeyForEncryption(key);
        if (r.ok && keyHidesCharacters(key)) {
            r.warnings.append(weakKeyWarning());
        }
    }
    return r;
}

CommandResult transformFileWith(bool encrypt, const FilePath& source, const FilePath& destination,
                                PadCheck padCheck, const FileProgress& progress,
                                const BatchFileWork& work) {
    try {
        return transformFile(encrypt, FileEnd::named(source), FileEnd::named(destination), {},
                             padCheck, progress, work);
    } catch (const std::bad_alloc&) {
        return CommandResult::outOfMemory();
    }
}

CommandResult runFileCommand(Command command, const FilePath& source, const FilePath& destination,
                             const QString& key, PadCheck padCheck, const FileProgress& progress) {
    return runFileCommand(command, FileEnd::named(source), FileEnd::named(destination), key,
                          padCheck, progress);
}

CommandResult useCodePage(const QString& name) {
    const CodePage* page = CodePage::find(name);
    if (page == nullptr) {
        return CommandResult::failure(kErrorUnknownCodePage,
                                      QStringLiteral("unknown code page '%1' (known: %2)")
                                          .arg(name, CodePage::availableList()));
    }
    setActiveCodePage(*page);
    return CommandResult::success();
}

void reportCodePageFallback(std::function<void(const QString& text)> report) {
    setCodePageFallbackHandler([report = std::move(report)](const QString& value, int used) {
        report(QStringLiteral("The CodePage setting \"%1\" is no code page this program has (%2): "
                              "code page %3 is used")
                   .arg(value, CodePage::availableList())
                   .arg(used));
    });
}

QString codePageList() {
    return CodePage::availableList();
}

} // namespace zephral
