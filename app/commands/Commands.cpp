#include "core/TextCommands.h"

#include "encrypt/basEncrypt.h"

namespace zephral {

bool needsKey(TextCommand command) {
    return command == TextCommand::EncryptEncode || command == TextCommand::DecryptDecode;
}

QString runTextCommand(TextCommand command, const QString& boxText, const QString& key) {
    const QString t = textFromBox(boxText);
    QString r;
    switch (command) {
    case TextCommand::Encode:
        r = EncodeBase64(t);
        break;
    case TextCommand::Decode:
        r = DecodeBase64(t);
        break;
    case TextCommand::EncryptEncode:
        r = EncodeBase64(EncryptString(t, key));
        break;
    case TextCommand::DecryptDecode:
        r = DecryptString(DecodeBase64(t), key);
        break;
    }
    return textForBox(r);
}

QString textFromBox(const QString& boxText) {
    QString text;
    text.reserve(boxText.size() + boxText.count(QLatin1Char('\n')));
    for (const QChar c : boxText) {
        if (c == QLatin1Char('\n')) {
            text += QLatin1Char('\r');
        }
        text += c;
    }
    return text;
}

QString textForBox(const QString& result) {
    QString text = result;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

} // namespace zephral
