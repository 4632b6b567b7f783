#include "commands/Commands.h"

#include "commands/Files.h"
#include "encrypt/CodePage.h"
#include "encrypt/basEncrypt.h"
#include "platform/Services.h"

#include <QByteArray>
#include <cerrno>
#include <new>
#include <sys/stat.h>

namespace zephral {

namespace {

CommandResult checkKey(const QString& key) {
    if (key.isEmpty()) {
        return CommandResult::failure(kErrorNoKey, QStringLiteral("No key was given"));
    }
    if (key.size() > kMaxKeyLength) {
        return CommandResult::failure(kErrorKeyTooLong,
                                      QStringLiteral("The key is longer than 56 characters"));
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

CommandResult wrongKey(const QString& what, const FilePath& path = {}) {
    return CommandResult::failure(kErrorWrongKey,
                                  QStringLiteral("Wrong key or damaged %1").arg(what), path);
}

CommandResult decryptText(const QString& text, const QString& key, TextChecks checks,
                          PadCheck padCheck, QString& output) {
    const QString cipherText = DecodeBase64(text);
    if (checks == TextChecks::Silent) {
        output = DecryptString(cipherText, key);
        return CommandResult::success();
    }
    // Ciphertext travels as text one character per byte, so its bytes are
    // exactly the cipher's.
    std::optional<QByteArray> plain = DecryptBytesChecked(StringToBytes(cipherText), key, padCheck);
    if (!plain) {
        return wrongKey(QStringLiteral("text"));
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
        output = DecodeBase64(text);
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
        return CommandResult::failure(kErrorEmptyResult,
                                      QStringLiteral("The cipher gave no result"));
    }
    return CommandResult::success();
}

CommandResult transformFile(bool encrypt, const FilePath& source, const FilePath& destination,
                            const QString& key, PadCheck padCheck) {
    // The file's bytes go to the cipher as they are: they would come back
    // unchanged from the code page anyway, and the file is held once, not as
    // bytes and text both.
    QByteArray content;
    if (CommandResult r = readWholeFile(source, content); !r.ok) {
        return r;
    }
    // A destination that is a folder can never be written: say so before
    // the long part of the work.
    if (CommandResult r = refuseFolder(destination); !r.ok) {
        return r;
    }
    if (content.isEmpty()) {
        return writeWholeFile(destination, content);
    }
    if (!cipherLibraryAvailable()) {
        return libraryMissing();
    }
    if (encrypt) {
        const QByteArray result = EncryptBytes(std::move(content), key);
        if (result.isEmpty()) {
            return CommandResult::failure(kErrorEmptyResult,
                                          QStringLiteral("The cipher gave no result"), source);
        }
        return writeWholeFile(destination, result);
    }
    const std::optional<QByteArray> result = DecryptBytesChecked(std::move(content), key, padCheck);
    if (!result) {
        return wrongKey(QStringLiteral("file"), source);
    }
    // Without the whole check a wrong key is taken 1 time in 32: what it
    // gives goes to a new file only, so nothing is ever lost to it.
    return writeWholeFile(destination, *result,
                          padCheck == PadCheck::Full ? FileWriter::Existing::Replace
                                                     : FileWriter::Existing::Refuse);
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

CommandResult runFileCommand(Command command, const FilePath& source, const FilePath& destination,
                             const QString& key, PadCheck padCheck) {
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
    if (command == Command::DecryptFile && padCheck != PadCheck::Full) {
        if (sameFile(source, destination)) {
            return CommandResult::failure(
                kErrorNotNewFile,
                QStringLiteral("Without the padding check the result goes to a new file, never "
                               "in place"),
                destination);
        }
        if (struct stat st{}; ::lstat(destination.c_str(), &st) == 0) {
            return CommandResult::failure(
                kErrorNotNewFile,
                QStringLiteral("Without the padding check the result goes to a new file only, "
                               "and this one exists"),
                destination);
        }
    }
    try {
        CommandResult r =
            transformFile(command == Command::EncryptFile, source, destination, key, padCheck);
        if (r.ok && command == Command::EncryptFile && keyHidesCharacters(key)) {
            r.warnings.prepend(weakKeyWarning());
        }
        return r;
    } catch (const std::bad_alloc&) {
        return CommandResult::outOfMemory();
    }
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

} // namespace zephral
