#include "commands/Commands.h"

#include "commands/FileStream.h"
#include "commands/Files.h"
#include "encrypt/CodePage.h"
#include "encrypt/basEncrypt.h"
#include "platform/FileDescriptor.h"
#include "platform/Services.h"

#include <QByteArray>
#include <algorithm>
#include <cerrno>
#include <new>
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

CommandResult decryptText(const QString& text, const QString& key, TextChecks checks,
                          PadCheck padCheck, QString& output) {
    const QString cipherText = DecodeBase64(withoutWhiteSpace(text));
    if (checks == TextChecks::Silent) {
        output = DecryptString(cipherText, key);
        return CommandResult::success();
    }
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
                            TextChecks checks, PadCheck padCheck, QString& output) {
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
        return decryptText(text, key, checks, padCheck, output);
    case Command::EncryptFile:
    case Command::DecryptFile:
        return CommandResult::systemError(EINVAL);
    }
    if (checks == TextChecks::Strict && output.isEmpty()) {
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
                            const QString& key, PadCheck padCheck, const FileProgress& progress) {
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
    PieceCipher cipher(key);
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
    if (!r.ok) {
        writer.abort();
        return r;
    }
    return commitFile(writer, destination.path);
}

} // namespace

bool isFileCommand(Command command) {
    return command == Command::EncryptFile || command == Command::DecryptFile;
}

bool needsKey(Command command) {
    return command != Command::EncodeText && command != Command::DecodeText;
}

CommandResult runTextCommand(Command command, const QString& text, const QString& key,
                             TextChecks checks, QString& output, PadCheck padCheck) {
    output.clear();
    if (isFileCommand(command)) {
        return CommandResult::systemError(EINVAL);
    }
    if (checks == TextChecks::Strict && needsKey(command)) {
        if (CommandResult r = checkKey(key); !r.ok) {
            return r;
        }
    }
    const bool encrypt = command == Command::EncryptEncodeText;
    if (encrypt && !key.isEmpty()) {
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
        CommandResult r = transformText(command, text, key, checks, padCheck, output);
        if (!r.ok) {
            output.clear();
        } else if (encrypt && !output.isEmpty() && keyHidesCharacters(key)) {
            // Only a key that encrypted something is warned of: the window
            // gives nothing, quietly, for one the cipher refuses.
            r.warnings.append(weakKeyWarning());
        }
        return r;
    } catch (const std::bad_alloc&) {
        output.clear();
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
