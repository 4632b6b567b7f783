#include "commands/Commands.h"

#include "commands/FileStream.h"
#include "commands/Files.h"
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
        m_size =
            S_ISREG(st.st_mode) && m_start >= 0 ? std::max<qint64>(st.st_size - m_start, 0) : -1;
        return CommandResult::success();
    }
    const FileDescriptor& file() const { return m_file; }
    qint64 size() const { return m_size; }
    qint64 start() const { return m_start; }
    const FilePath& path() const { return m_path; }

private:
    FilePath m_path;
    FileDescriptor m_file;
    qint64 m_start = 0;
    qint64 m_size = -1;
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

// Whether the file system the writer writes to has room for `needed` bytes
// more; the old destination keeps its room until it is replaced.
CommandResult checkRoom(const FileWriter& writer, const FilePath& destination, qint64 needed) {
    struct statvfs vfs {};
    if (needed <= 0 || writer.direct() || ::fstatvfs(writer.descriptor(), &vfs) != 0) {
        return CommandResult::success();
    }
    const auto block = static_cast<qint64>(vfs.f_frsize > 0 ? vfs.f_frsize : 1);
    const qint64 blocksNeeded = (needed + block - 1) / block;
    if (static_cast<qint64>(vfs.f_bavail) >= blocksNeeded) {
        return CommandResult::success();
    }
    return CommandResult::failure(
        ENOSPC,
        QStringLiteral("Not enough room for the result: it needs %1, and its file system has %2 "
                       "free")
            .arg(sizeText(needed), sizeText(static_cast<qint64>(vfs.f_bavail) * block)),
        destination);
}

CommandResult transformFile(bool encrypt, const FileEnd& source, const FileEnd& destination,
                            const QString& key, PadCheck padCheck, const FileProgress& progress,
                            PieceCipher* shared = nullptr,
                            const std::atomic<bool>* stop = nullptr) {
    Source in;
    if (CommandResult r = in.open(source); !r.ok) {
        return r;
    }
    // A destination that is a folder can never be written: say so before
    // the long part of the work.
    if (destination.descriptor < 0) {
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
    PieceCipher& cipher = shared != nullptr ? *shared : own.emplace(key);
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
    FileWriter writer;
    CommandResult r = writer.open(destination.path, encrypt || padCheck == PadCheck::Full
                                                        ? FileWriter::Existing::Replace
                                                        : FileWriter::Existing::Refuse);
    if (r.ok) {
        r = checkRoom(writer, destination.path, resultSize);
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
    return commitFile(writer, destination.path);
}

// The text commands over a stream (streamTextCommand): the input read and
// converted a piece at a time, Base64 in whole groups, the cipher in whole
// blocks with a decryption's last block held to the end, and the result kept
// back until it passes a piece or is complete.
class TextRun {
public:
    TextRun(Command command, const TextStream& stream, const QString& key, PadCheck padCheck)
        : m_command(command), m_stream(stream), m_key(key), m_padCheck(padCheck),
          m_piece(std::max<qsizetype>(4 * streamPieceSize(), 64)), m_utf8(activeCodePage()) {}

    CommandResult run() {
        const bool base64In =
            m_command == Command::DecodeText || m_command == Command::DecryptDecodeText;
        const bool refuse =
            m_command == Command::EncodeText || m_command == Command::EncryptEncodeText;
        bool ended = false;
        while (!ended) {
            const qsizetype clean = m_in.size();
            if (CommandResult r = readPiece(refuse, ended); !r.ok) {
                return r;
            }
            if (base64In) {
                m_in.resize(clean + dropWhiteSpace(m_in.data() + clean, m_in.size() - clean));
            }
            if (!m_in.isEmpty() && !m_started) {
                if (CommandResult r = start(); !r.ok) {
                    return r;
                }
            }
            if (CommandResult r = transform(ended); !r.ok) {
                return r;
            }
            if (m_out.size() >= m_piece || ended) {
                if (ended && !base64In) {
                    m_out.append('\n'); // a line of Base64
                }
                if (CommandResult r = m_stream.write(m_out.constData(), m_out.size()); !r.ok) {
                    return r;
                }
                m_out.truncate(0); // its room kept for the next piece
            }
        }
        CommandResult r;
        if (m_command == Command::EncryptEncodeText && m_started && keyHidesCharacters(m_key)) {
            r.warnings.append(weakKeyWarning());
        }
        return r;
    }

private:
    // Appends the next piece of the input, as the code page's bytes, to m_in.
    // A UTF-8 sequence cut by the piece's end waits for the next piece.
    CommandResult readPiece(bool refuse, bool& ended) {
        const qsizetype carried = m_raw.size();
        m_raw.resize(carried + m_piece);
        const qsizetype got = m_stream.read(m_raw.data() + carried, m_piece);
        if (got < 0) {
            return CommandResult::systemError(errno, m_stream.inputName);
        }
        ended = got < m_piece;
        const qsizetype n = carried + got;
        const qsizetype use = ended ? n : utf8Boundary(m_raw.constData(), n);
        if (isAscii(m_raw.constData(), use)) {
            m_in.append(m_raw.constData(), use);
        } else {
            QStringDecoder strict(QStringConverter::Utf8,
                                  QStringConverter::Flag::ConvertInitialBom |
                                      QStringConverter::Flag::Stateless);
            m_text = strict.decode(QByteArrayView(m_raw.constData(), use));
            if (strict.hasError()) {
                return CommandResult::failure(kErrorInvalidUtf8,
                                              QStringLiteral("The text is not valid UTF-8"));
            }
            if (refuse) {
                if (CommandResult r = refuseText(m_text); !r.ok) {
                    return r;
                }
            }
            m_in.append(activeCodePage().encode(m_text));
        }
        std::memmove(m_raw.data(), m_raw.constData() + use, static_cast<std::size_t>(n - use));
        m_raw.resize(n - use);
        return CommandResult::success();
    }

    // The library, and the key's schedule, once there is something to work on.
    CommandResult start() {
        m_started = true;
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

    // Takes what it can of m_in: all of it once the input has ended.
    CommandResult transform(bool ended) {
        switch (m_command) {
        case Command::EncodeText:
            return encode(ended ? m_in.size() : m_in.size() / 3 * 3);
        case Command::EncryptEncodeText:
            return encrypt(ended);
        case Command::DecodeText:
        case Command::DecryptDecodeText:
            return decode(ended);
        case Command::EncryptFile:
        case Command::DecryptFile:
            break;
        }
        return CommandResult::systemError(EINVAL);
    }

    // Base64 of the first n bytes of `bytes` onto m_out.
    CommandResult appendBase64(const char* bytes, qsizetype n) {
        if (n == 0) {
            return CommandResult::success();
        }
        const qsizetype at = m_out.size();
        m_out.resize(at + (n + 2) / 3 * 4);
        const qsizetype m = encodeBase64Bytes(bytes, n, m_out.data() + at);
        if (m < 0) {
            return libraryMissing();
        }
        m_out.truncate(at + m);
        return CommandResult::success();
    }

    CommandResult encode(qsizetype n) {
        CommandResult r = appendBase64(m_in.constData(), n);
        m_in.remove(0, n);
        return r;
    }

    // Whole groups of 24 bytes (whole blocks, whole Base64 groups) until the
    // end, where the rest is padded.
    CommandResult encrypt(bool ended) {
        if (!m_started) {
            return CommandResult::success(); // empty text: nothing to encrypt
        }
        const qsizetype n = ended ? m_in.size() : m_in.size() / 24 * 24;
        m_work.resize(n + kCipherBlock);
        std::memcpy(m_work.data(), m_in.constData(), static_cast<std::size_t>(n));
        m_in.remove(0, n);
        qsizetype length = n;
        if (ended) {
            length = m_cipher->encryptLast(m_work.data(), n);
        } else if (!m_cipher->encryptBlocks(m_work.data(), n)) {
            length = 0;
        }
        if (length == 0 && (ended || n > 0)) {
            return CommandResult::noCipherResult();
        }
        return appendBase64(m_work.constData(), length);
    }

    // Whole groups of 4 characters, holding 8 back until the end so that the
    // text's last group is read as the last (its "=" as padding).
    CommandResult decode(bool ended) {
        qsizetype n = m_in.size();
        if (!ended) {
            n = m_in.size() >= m_piece ? (m_in.size() - 8) / 4 * 4 : 0;
        }
        if (n == 0) {
            return ended && m_command == Command::DecryptDecodeText ? decrypt(ended)
                                                                    : CommandResult::success();
        }
        m_charsSeen += n;
        m_work.resize(n);
        std::memcpy(m_work.data(), m_in.constData(), static_cast<std::size_t>(n));
        m_in.remove(0, n);
        if (!ended) {
            // An "=" here is no padding, but a character outside the
            // alphabet, which the lenient decoder reads as 0, like "A".
            for (qsizetype i = std::max<qsizetype>(n - 2, 0); i < n; ++i) {
                if (m_work[i] == '=') {
                    m_work[i] = 'A';
                }
            }
        }
        const qsizetype at = m_bytes.size();
        m_bytes.resize(at + n + 3);
        const qsizetype m = decodeBase64Bytes(m_work, m_bytes.data() + at);
        if (m < 0) {
            return libraryMissing();
        }
        m_bytes.truncate(at + m);
        if (m_command == Command::DecodeText) {
            m_utf8.append(m_out, m_bytes.constData(), m_bytes.size());
            m_bytes.truncate(0);
            return CommandResult::success();
        }
        return decrypt(ended);
    }

    // Deciphers the whole blocks of m_bytes past the m_deciphered already
    // done, and passes on all but the last block, which holds the padding.
    CommandResult decrypt(bool ended) {
        const qsizetype blocks = (m_bytes.size() - m_deciphered) / kCipherBlock * kCipherBlock;
        if (m_started && !m_cipher->decryptBlocks(m_bytes.data() + m_deciphered, blocks)) {
            return CommandResult::noCipherResult();
        }
        m_deciphered += blocks;
        if (!ended) {
            const qsizetype pass = std::max<qsizetype>(m_deciphered - kCipherBlock, 0);
            m_utf8.append(m_out, m_bytes.constData(), pass);
            m_bytes.remove(0, pass);
            m_deciphered -= pass;
            return CommandResult::success();
        }
        if (m_charsSeen == 0) {
            return CommandResult::success(); // empty text gives empty text
        }
        // m_bytes lost only whole blocks from its front: it ends as the text does.
        const int pad = judgeEnd(m_bytes.size(), m_bytes.constData() + m_bytes.size(), m_padCheck);
        if (pad == 0) {
            explicit_bzero(m_bytes.data(), static_cast<std::size_t>(m_bytes.size()));
            return CommandResult::wrongKey(QStringLiteral("text"));
        }
        m_utf8.append(m_out, m_bytes.constData(), m_bytes.size() - pad);
        explicit_bzero(m_bytes.data(), static_cast<std::size_t>(m_bytes.size()));
        m_bytes.clear();
        return CommandResult::success();
    }

    const Command m_command;
    const TextStream& m_stream;
    const QString& m_key;
    const PadCheck m_padCheck;
    const qsizetype m_piece;
    const Utf8Output m_utf8;
    std::optional<PieceCipher> m_cipher;
    bool m_started = false;
    QByteArray m_raw;   // input read, from a UTF-8 sequence still to complete
    QString m_text;     // a piece that is more than ASCII, as text
    QByteArray m_in;    // the code page's bytes, not yet transformed
    QByteArray m_work;  // a piece being transformed
    QByteArray m_bytes; // decoded bytes; for a decryption, the held last block
    qsizetype m_deciphered = 0;
    qint64 m_charsSeen = 0;
    QByteArray m_out; // the result, not yet written
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

CommandResult transformFileWith(PieceCipher& cipher, bool encrypt, const FilePath& source,
                                const FilePath& destination, PadCheck padCheck,
                                const FileProgress& progress, const std::atomic<bool>* stop) {
    try {
        return transformFile(encrypt, FileEnd::named(source), FileEnd::named(destination), {},
                             padCheck, progress, &cipher, stop);
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
