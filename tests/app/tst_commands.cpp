// The six commands end to end: the real buttons clicked, the file dialogs
// answered by the fake, the key dialog answered as a user would, and the
// files, the boxes, the message boxes and the windows checked afterwards.
#include "FakeServices.h"
#include "button/sknButton.h"
#include "commands/FileWriter.h"
#include "encrypt/basEncrypt.h"
#include "gui/WaitWindow.h"
#include "gui/frmKey.h"
#include "gui/frmMain.h"
#include "gui/frmWait.h"
#include "platform/AppInfo.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <unistd.h>

using namespace zephral;
using zephral::test::TestServices;

namespace {

const QString kKey = QStringLiteral("correct horse battery staple");

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return QByteArray("<missing>");
    }
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(content), content.size());
}

QByteArray randomBytes(int size, quint32 seed) {
    QRandomGenerator gen(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (auto& b : bytes) {
        b = static_cast<char>(gen.bounded(256));
    }
    return bytes;
}

int waitWindowsAlive() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<frmWait*>(w) != nullptr) {
            ++n;
        }
    }
    return n;
}

} // namespace

class tst_commands : public QObject {
    Q_OBJECT

    void answerKeyDialog(std::optional<QString> key) {
        keyDialogsSeen = 0;
        QTimer::singleShot(0, form.get(), [this, key] {
            auto* dialog = qobject_cast<frmKey*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            ++keyDialogsSeen;
            if (key) {
                dialog->txtKey->setText(*key);
                dialog->cmdOK->activate();
            } else {
                dialog->cmdCancel->activate();
            }
        });
    }

    // Clicks a button, with the mouse or with Space, and checks the windows
    // are given back afterwards.
    void click(sknButton* button) {
        if (bySpace) {
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Space);
        } else {
            QTest::mouseClick(button, Qt::LeftButton);
        }
        QVERIFY(form->isEnabled());
        QCOMPARE(waitWindowsAlive(), 0);
    }

    // Drops what data holds on a button, as a file manager would.
    void drop(sknButton* button, const QMimeData& data) {
        const QPoint at = button->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(button, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(button, &dropped);
        QVERIFY(dropped.isAccepted());
    }

    void runFile(sknButton* button, const QString& source, const QString& destination,
                 std::optional<QString> key) {
        env->fileDialog.answers = {source, destination};
        answerKeyDialog(key);
        click(button);
    }

    void runText(sknButton* button, const QString& input) {
        form->txtOne->setPlainText(input);
        click(button);
    }

    // A key command: the key dialog answered with a key and OK, or Cancel.
    void runKeyText(sknButton* button, const QString& input, std::optional<QString> key) {
        form->txtOne->setPlainText(input);
        answerKeyDialog(key);
        click(button);
    }

    QStringList messages() const { return env->messageBox.texts(); }

    // Files under <tmp>/src: name and content.
    void makeFiles(const QList<std::pair<QString, QByteArray>>& files) {
        for (const auto& [name, content] : files) {
            const QString path = env->path(QStringLiteral("src/") + name);
            QDir().mkpath(QFileInfo(path).absolutePath());
            writeFile(path, content);
        }
    }

    // Drops names under <tmp>/src on a button; the key dialog and the folder
    // dialog (a folder under <tmp>, "src" for the files' own, or nothing for
    // Cancel) answered; returns once the command is over.
    void dropMany(sknButton* button, const QStringList& names, std::optional<QString> folder,
                  const QString& key = kKey) {
        QList<QUrl> urls;
        for (const QString& name : names) {
            urls.append(QUrl::fromLocalFile(env->path(QStringLiteral("src/") + name)));
        }
        env->fileDialog.answers = {folder ? std::optional<QString>(env->path(*folder))
                                          : std::nullopt};
        QMimeData data;
        data.setUrls(urls);
        drop(button, data);
        answerKeyDialog(key);
        QTRY_COMPARE(keyDialogsSeen, 1);
        QTRY_VERIFY(takesInput(form.get()) && waitWindowsAlive() == 0);
    }

    QByteArray encrypted(const QByteArray& plain) const {
        return StringToBytes(EncryptString(BytesToString(plain), kKey));
    }

private Q_SLOTS:
    void init() {
        bySpace = false;
        keyDialogsSeen = 0;
        env = std::make_unique<TestServices>();
        gKey.clear();
        // The program's folder holds the cipher library.
        gAppPath = QStringLiteral(ZEPHCORE_DIR "/");
        resetCipherBinding();
        form = std::make_unique<frmMain>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        form.reset();
        env.reset();
        gAppPath.clear();
    }

    void fileRoundTrip_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("encryptedSize");
        QTest::newRow("1") << 1 << 8;
        QTest::newRow("7") << 7 << 8;
        QTest::newRow("8") << 8 << 16;
        QTest::newRow("9") << 9 << 16;
        QTest::newRow("16") << 16 << 24;
        QTest::newRow("every byte value") << 256 << 264;
        QTest::newRow("1000") << 1000 << 1008;
    }
    void fileRoundTrip() {
        QFETCH(int, size);
        QFETCH(int, encryptedSize);
        QByteArray plain = randomBytes(size, static_cast<quint32>(size));
        if (size == 256) {
            for (int i = 0; i < 256; ++i) {
                plain[i] = static_cast<char>(i);
            }
        }
        const QString source = env->path(QStringLiteral("plain.bin"));
        const QString encrypted = env->path(QStringLiteral("plain.bin.enc"));
        const QString decrypted = env->path(QStringLiteral("plain.out"));
        writeFile(source, plain);

        runFile(form->cmdEncryptFile, source, encrypted, kKey);
        QCOMPARE(keyDialogsSeen, 1);
        const QByteArray cipher = readFile(encrypted);
        QCOMPARE(cipher.size(), encryptedSize);
        QCOMPARE(StringToBytes(EncryptString(BytesToString(plain), kKey)), cipher);

        runFile(form->cmdDecryptFile, encrypted, decrypted, kKey);
        QCOMPARE(readFile(decrypted), plain);
        QCOMPARE(messages(), QStringList());
    }

    void encryptAndDecryptInPlace() {
        const QByteArray plain("A file changed where it lies.\n");
        const QString path = env->path(QStringLiteral("doc.txt"));
        writeFile(path, plain);
        runFile(form->cmdEncryptFile, path, path, kKey);
        QCOMPARE(readFile(path).size(), 32);
        QVERIFY(readFile(path) != plain);
        // The decryption is shorter than the file: nothing of it may stay behind.
        runFile(form->cmdDecryptFile, path, path, kKey);
        QCOMPARE(readFile(path), plain);
        QCOMPARE(messages(), QStringList());
    }

    void dialogsCarryTheFileName() {
        const QString first = env->path(QStringLiteral("first.txt"));
        const QString second = env->path(QStringLiteral("second.enc"));
        writeFile(first, "data");
        runFile(form->cmdEncryptFile, first, second, kKey);
        env->fileDialog.answers = {std::nullopt};
        click(form->cmdDecryptFile);

        const auto& r = env->fileDialog.requests;
        QCOMPARE(r.size(), 3);
        QCOMPARE(r[0].save, false);
        QCOMPARE(r[0].title, QStringLiteral("Select file to encrypt..."));
        QCOMPARE(r[0].fileName, QString());
        QCOMPARE(r[1].save, true);
        QCOMPARE(r[1].title, QStringLiteral("Select file to save to..."));
        QCOMPARE(r[1].fileName, first); // the source just chosen
        QCOMPARE(r[2].save, false);
        QCOMPARE(r[2].title, QStringLiteral("Select file to decrypt..."));
        QCOMPARE(r[2].fileName, second); // the last destination
    }

    void cancelOrNoKeyEndsSilently_data() {
        QTest::addColumn<int>("dialogAnswers"); // how many file dialogs say OK
        QTest::addColumn<bool>("keyAsked");
        QTest::addColumn<QString>("key"); // "<cancel>" for the Cancel button
        QTest::newRow("cancel at the source") << 0 << false << QString();
        QTest::newRow("cancel at the destination") << 1 << false << QString();
        QTest::newRow("cancel at the key") << 2 << true << QStringLiteral("<cancel>");
        QTest::newRow("empty key") << 2 << true << QString();
    }
    void cancelOrNoKeyEndsSilently() {
        QFETCH(int, dialogAnswers);
        QFETCH(bool, keyAsked);
        QFETCH(QString, key);
        const QString source = env->path(QStringLiteral("in.txt"));
        const QString destination = env->path(QStringLiteral("out.enc"));
        writeFile(source, "content");
        env->fileDialog.answers.clear();
        if (dialogAnswers >= 1) {
            env->fileDialog.answers.push_back(source);
        }
        env->fileDialog.answers.push_back(dialogAnswers >= 2 ? std::optional<QString>(destination)
                                                             : std::nullopt);
        answerKeyDialog(key == QLatin1String("<cancel>") ? std::nullopt
                                                         : std::optional<QString>(key));
        click(form->cmdEncryptFile);
        QCOMPARE(keyDialogsSeen, keyAsked ? 1 : 0);
        QVERIFY(!QFile::exists(destination));
        QCOMPARE(readFile(source), QByteArray("content"));
        QCOMPARE(messages(), QStringList());
    }

    void keyLengths() {
        const QString source = env->path(QStringLiteral("in.txt"));
        const QString destination = env->path(QStringLiteral("out.enc"));
        writeFile(source, "twelve bytes");
        runFile(form->cmdEncryptFile, source, destination, QString(56, QLatin1Char('k')));
        QCOMPARE(readFile(destination).size(), 16);
        QCOMPARE(messages(), QStringList());

        // A key the cipher refuses is said so; the destination is left alone.
        QFile::remove(destination);
        runFile(form->cmdEncryptFile, source, destination, QString(57, QLatin1Char('k')));
        QVERIFY(!QFile::exists(destination));
        QCOMPARE(messages().size(), 1);
        QVERIFY2(messages()[0].startsWith(QStringLiteral("cmdEncryptFile_click: error ")),
                 qPrintable(messages()[0]));
        QCOMPARE(env->messageBox.shown[0].title, QStringLiteral("Quorvan Zephral"));
    }

    void wrongKeyOnAFileIsReportedAndWritesNothing() {
        const QString source = env->path(QStringLiteral("in.txt"));
        const QString encrypted = env->path(QStringLiteral("in.enc"));
        const QString destination = env->path(QStringLiteral("out.txt"));
        writeFile(source, "the plain text of a file");
        writeFile(destination, "keep me");
        runFile(form->cmdEncryptFile, source, encrypted, kKey);
        // A decryption in place with a mistyped key must not destroy the file.
        runFile(form->cmdDecryptFile, encrypted, encrypted, QStringLiteral("wrong key"));
        runFile(form->cmdDecryptFile, encrypted, destination, QStringLiteral("wrong key"));
        QCOMPARE(readFile(destination), QByteArray("keep me"));
        QCOMPARE(readFile(encrypted).size(), 32);
        QCOMPARE(messages().size(), 2);
        for (const QString& text : messages()) {
            QVERIFY2(text.startsWith(QStringLiteral("cmdDecryptFile_click: error ")),
                     qPrintable(text));
        }
        runFile(form->cmdDecryptFile, encrypted, destination, kKey);
        QCOMPARE(readFile(destination), QByteArray("the plain text of a file"));
    }

    void failuresAreReported_data() {
        QTest::addColumn<QString>("sourceName");
        QTest::addColumn<QString>("destinationName");
        QTest::addColumn<QString>("expectedStart");
        QTest::newRow("missing source")
            << "absent.txt"
            << "out.enc"
            << "cmdEncryptFile_click: error 2: No such file or directory";
        QTest::newRow("destination in a missing folder")
            << "in.txt"
            << "no/such/folder/out.enc"
            << "cmdEncryptFile_click: error 2: No such file or directory";
        QTest::newRow("destination a folder") << "in.txt"
                                              << "."
                                              << "cmdEncryptFile_click: error 21: Is a directory";
        QTest::newRow("read-only destination folder")
            << "in.txt"
            << "locked/out.enc"
            << "cmdEncryptFile_click: error 13: Permission denied";
    }
    void failuresAreReported() {
        QFETCH(QString, sourceName);
        QFETCH(QString, destinationName);
        QFETCH(QString, expectedStart);
        const bool readOnlyFolder = destinationName.startsWith(QLatin1String("locked/"));
        if (readOnlyFolder && geteuid() == 0) {
            QSKIP("permission bits do not stop root");
        }
        writeFile(env->path(QStringLiteral("in.txt")), "content");
        QDir(env->dir.path()).mkdir(QStringLiteral("locked"));
        QFile::setPermissions(env->path(QStringLiteral("locked")),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        runFile(form->cmdEncryptFile, env->path(sourceName),
                QDir(env->dir.path()).filePath(destinationName), kKey);
        QFile::setPermissions(env->path(QStringLiteral("locked")), QFileDevice::ReadOwner |
                                                                       QFileDevice::WriteOwner |
                                                                       QFileDevice::ExeOwner);
        QCOMPARE(messages().size(), 1);
        QVERIFY2(messages()[0].startsWith(expectedStart), qPrintable(messages()[0]));
        QCOMPARE(env->messageBox.shown[0].title, QStringLiteral("Quorvan Zephral"));
        QCOMPARE(readFile(env->path(QStringLiteral("in.txt"))), QByteArray("content"));
    }

    void encodeAndDecodeText() {
        runText(form->cmdET, QStringLiteral("abc"));
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("YWJj"));
        runText(form->cmdDT, QStringLiteral("YWJj"));
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("abc"));
        // Wrapped as a mail wraps Base64, both decoding commands.
        runText(form->cmdDT, QStringLiteral("YWJj\nZGVm \n"));
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("abcdef"));
        const QString encrypted = EncodeBase64(EncryptString(QStringLiteral("wrapped text"), kKey));
        runKeyText(form->cmdDDT, encrypted.left(5) + QStringLiteral("\n") + encrypted.mid(5), kKey);
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("wrapped text"));
        // Replaced, never appended to, also by an empty result.
        runText(form->cmdET, QString());
        QCOMPARE(form->txtTwo->toPlainText(), QString());
        QCOMPARE(messages(), QStringList());
    }

    void encryptedTextRoundTripAndLength_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("encodedLength");
        QTest::newRow("1 byte") << QStringLiteral("x") << 12;
        QTest::newRow("7 bytes") << QStringLiteral("seven!!") << 12;
        QTest::newRow("8 bytes") << QStringLiteral("eight!!!") << 24;
        QTest::newRow("15 bytes") << QStringLiteral("fifteen bytes!!") << 24;
        QTest::newRow("accents") << QStringLiteral("caf\u00e9 \u20ac5") << 12;
    }
    void encryptedTextRoundTripAndLength() {
        QFETCH(QString, text);
        QFETCH(int, encodedLength);
        runKeyText(form->cmdEET, text, kKey);
        const QString encoded = form->txtTwo->toPlainText();
        QCOMPARE(encoded.size(), encodedLength);
        runKeyText(form->cmdEET, text, kKey);
        QCOMPARE(form->txtTwo->toPlainText(), encoded); // no random element
        runKeyText(form->cmdDDT, encoded, kKey);
        QCOMPARE(form->txtTwo->toPlainText(), text);
        QCOMPARE(messages(), QStringList());
    }

    void lineBreaksTravelAsCrLf() {
        // Here to there: the lines typed here encrypt as the Windows box held them.
        runKeyText(form->cmdEET, QStringLiteral("first\nsecond"), kKey);
        const QString encoded = form->txtTwo->toPlainText();
        QCOMPARE(encoded, EncodeBase64(EncryptString(QStringLiteral("first\r\nsecond"), kKey)));
        runText(form->cmdET, QStringLiteral("a\nb"));
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("YQ0KYg=="));

        // There to here: text made there with CR LF shows as lines again.
        const QString fromThere =
            EncodeBase64(EncryptString(QStringLiteral("one\r\ntwo\nthree"), kKey));
        runKeyText(form->cmdDDT, fromThere, kKey);
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("one\ntwo\nthree"));
        QCOMPARE(form->txtTwo->document()->blockCount(), 3);
        runText(form->cmdDT, QStringLiteral("YQ0KYg=="));
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("a\nb"));
    }

    void keyCommandsAndTheKeyDialog() {
        form->txtTwo->setPlainText(QStringLiteral("earlier result"));
        // Cancel leaves the lower box alone; the key comes before the text is read.
        runKeyText(form->cmdEET, QString(), std::nullopt);
        QCOMPARE(keyDialogsSeen, 1);
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("earlier result"));
        runKeyText(form->cmdDDT, QStringLiteral("whatever"), QString());
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("earlier result"));
        // An empty upper box with a key: the lower box becomes empty.
        runKeyText(form->cmdEET, QString(), kKey);
        QCOMPARE(form->txtTwo->toPlainText(), QString());
        // 56 characters work.
        runKeyText(form->cmdEET, QStringLiteral("text"), QString(56, QLatin1Char('k')));
        QCOMPARE(form->txtTwo->toPlainText().size(), 12);
        QCOMPARE(messages(), QStringList());
    }

    // A key the cipher can't take, a wrong key and damaged text are said in
    // a message box, and the lower box keeps what it showed.
    void textFailuresAreSaidAndKeepTheResult() {
        runKeyText(form->cmdEET, QStringLiteral("a secret sentence"), kKey);
        const QString encoded = form->txtTwo->toPlainText();
        const QString tooLong(57, QLatin1Char('k'));
        const QString wrongKey =
            QStringLiteral("cmdDDT_click: error 1003: Wrong key or damaged text");
        const struct {
            sknButton* button;
            QString input;
            QString key;
            QString message;
        } cases[] = {
            {form->cmdEET, QStringLiteral("text"), tooLong,
             QStringLiteral("cmdEET_click: error 1002: The key is longer than 56 characters")},
            {form->cmdDDT, encoded, tooLong,
             QStringLiteral("cmdDDT_click: error 1002: The key is longer than 56 characters")},
            {form->cmdDDT, encoded, QStringLiteral("not the key"), wrongKey},
            // Whole blocks cut short, and Base64 of no ciphertext at all.
            {form->cmdDDT, encoded.left(12), kKey, wrongKey},
            {form->cmdDDT, QStringLiteral("QUJD"), kKey, wrongKey},
        };
        for (const auto& c : cases) {
            env->messageBox.shown.clear();
            form->txtTwo->setPlainText(QStringLiteral("earlier result"));
            runKeyText(c.button, c.input, c.key);
            QCOMPARE(messages(), QStringList(c.message));
            QCOMPARE(env->messageBox.shown[0].title, QStringLiteral("Quorvan Zephral"));
            QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("earlier result"));
        }
    }

    // Without the library every text command says so, as the file commands
    // do, and the lower box keeps its text.
    void textCommandsReportAMissingLibrary_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("keyed");
        QTest::newRow("encode") << "cmdET" << false;
        QTest::newRow("decode") << "cmdDT" << false;
        QTest::newRow("encrypt") << "cmdEET" << true;
        QTest::newRow("decrypt") << "cmdDDT" << true;
    }
    void textCommandsReportAMissingLibrary() {
        QFETCH(QString, button);
        QFETCH(bool, keyed);
        zephral::test::NoLibraries noLibraries;
        services().libraries = &noLibraries;
        resetCipherBinding();
        form->txtTwo->setPlainText(QStringLiteral("earlier result"));
        auto* pressed = form->findChild<sknButton*>(button);
        if (keyed) {
            runKeyText(pressed, QStringLiteral("QUJD"), kKey);
        } else {
            runText(pressed, QStringLiteral("QUJD"));
        }
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("earlier result"));
        QCOMPARE(messages(), QStringList(QStringLiteral("%1_click: error 1006: The cipher library "
                                                        "libzephcore.so.1 could not be loaded")
                                             .arg(button)));
        services().libraries = &env->libraries;
    }

    // Encryption refuses a key the code page can't hold or that holds a NUL,
    // and says so; decryption takes it as the original did, so old files
    // open. A weak key is warned of once a run, and the work goes on.
    void keysEncryptionRefusesOrWarnsOf() {
        const QString source = env->path(QStringLiteral("in.txt"));
        const QString encrypted = env->path(QStringLiteral("in.enc"));
        writeFile(source, "content");
        form->txtTwo->setPlainText(QStringLiteral("earlier result"));
        const QString cyrillic = QStringLiteral(u"\u0436\u0436\u0436\u0436");
        runKeyText(form->cmdEET, QStringLiteral("text"), cyrillic);
        runKeyText(form->cmdEET, QStringLiteral("text"), QStringLiteral(u"sec\u0000ret"));
        runFile(form->cmdEncryptFile, source, encrypted, cyrillic);
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("earlier result"));
        QVERIFY(!QFile::exists(encrypted));
        QCOMPARE(messages(),
                 QStringList({QStringLiteral("cmdEET_click: error 1009: The key holds a character "
                                             "that code page 1252 cannot hold"),
                              QStringLiteral("cmdEET_click: error 1010: The key holds a NUL "
                                             "character, which would end it there"),
                              QStringLiteral("cmdEncryptFile_click: error 1009: The key holds a "
                                             "character that code page 1252 cannot hold")}));

        env->messageBox.shown.clear();
        runFile(form->cmdEncryptFile, source, encrypted, QStringLiteral("????"));
        runFile(form->cmdDecryptFile, encrypted, env->path(QStringLiteral("out.txt")), cyrillic);
        QCOMPARE(readFile(env->path(QStringLiteral("out.txt"))), QByteArray("content"));
        QCOMPARE(messages(), QStringList());

        const QString weak = QStringLiteral(u"caf\u00e9 au lait");
        runKeyText(form->cmdEET, QStringLiteral("text"), weak);
        QCOMPARE(form->txtTwo->toPlainText().size(), 12);
        runFile(form->cmdEncryptFile, source, encrypted, weak);
        runKeyText(form->cmdDDT, form->txtTwo->toPlainText(), weak);
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("text"));
        QCOMPARE(env->messageBox.shown.size(), 1);
        QCOMPARE(env->messageBox.shown[0].icon, MessageIcon::Warning);
        QVERIFY(messages()[0].startsWith(QStringLiteral("This key is weaker than it looks")));
    }

    // Text the code page can't hold is refused, not turned into "?".
    void textTheCodePageCannotHoldIsRefused() {
        form->txtTwo->setPlainText(QStringLiteral("earlier result"));
        runText(form->cmdET,
                QStringLiteral(u"\u041f\u0440\u0438\u0432\u0435\u0442 \u043c\u0438\u0440"));
        runKeyText(form->cmdEET, QStringLiteral(u"smile \U0001F600"), kKey);
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("earlier result"));
        QCOMPARE(messages(), QStringList({QStringLiteral(u"cmdET_click: error 1011: The text holds "
                                                         u"\"\u041f\" (U+041F), which code page "
                                                         u"1252 cannot hold"),
                                          QStringLiteral(u"cmdEET_click: error 1011: The text "
                                                         u"holds \"\U0001F600\" (U+1F600), which "
                                                         u"code page 1252 cannot hold")}));
    }

    // A non-breaking space (byte A0) pasted into the upper box is encoded as
    // itself, and copied from the lower box as itself.
    void nonBreakingSpaceSurvivesTheBoxesAndTheClipboard() {
        QApplication::clipboard()->setText(QStringLiteral(u"a\u00a0b"));
        form->txtOne->clear();
        form->txtOne->paste();
        click(form->cmdET);
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("YaBi"));
        runText(form->cmdDT, QStringLiteral("YaBi"));
        form->txtTwo->selectAll();
        form->txtTwo->copy();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral(u"a\u00a0b"));
    }

    // A replaced file's other names keep its old content: said after the work.
    void hardLinksAreWarnedOf() {
        const QString source = env->path(QStringLiteral("in.txt"));
        const QString destination = env->path(QStringLiteral("out.enc"));
        writeFile(source, "content");
        writeFile(destination, "old");
        QVERIFY(QFile::link(destination, env->path(QStringLiteral("symbolic"))));
        QCOMPARE(::link(QFile::encodeName(destination).constData(),
                        QFile::encodeName(env->path(QStringLiteral("hard"))).constData()),
                 0);
        runFile(form->cmdEncryptFile, source, env->path(QStringLiteral("symbolic")), kKey);
        QCOMPARE(readFile(destination).size(), 8);
        QCOMPARE(readFile(env->path(QStringLiteral("hard"))), QByteArray("old"));
        QCOMPARE(env->messageBox.shown.size(), 1);
        QCOMPARE(env->messageBox.shown[0].icon, MessageIcon::Warning);
        QVERIFY2(messages()[0].contains(QStringLiteral("keeps the old content")),
                 qPrintable(messages()[0]));
    }

    void theWorkRunsWithTheWaitWindowUp() {
        bool inputDuringWork = true;
        int waitWindowsDuringWork = 0;
        connect(form->txtTwo, &QPlainTextEdit::textChanged, this, [&] {
            inputDuringWork = takesInput(form->txtTwo);
            waitWindowsDuringWork = waitWindowsAlive();
        });
        runText(form->cmdET, QStringLiteral("abc"));
        QVERIFY(!inputDuringWork);
        QCOMPARE(waitWindowsDuringWork, 1);
    }

    // A file command works on a thread of its own: while it works the event
    // loop turns, the main window takes no input and refuses to close, and
    // the wait window shows the progress; the result is the same.
    void fileWorkRunsAside() {
        const QByteArray plain = randomBytes(100000, 5);
        const QString source = env->path(QStringLiteral("plain.bin"));
        const QString destination = env->path(QStringLiteral("plain.enc"));
        writeFile(source, plain);
        const ScopedWaitProgressDelay noDelay(0);
        int endings = 0;
        const ScopedProgramEnd counted([&] { ++endings; });
        std::atomic<bool> held = false;
        std::atomic<bool> release = false;
        // The work is held where its content is complete, until the checks
        // are done or two seconds have passed.
        const auto hold = [&](const FileWriter&) {
            held = true;
            for (int i = 0; i < 2000 && !release; ++i) {
                QThread::msleep(1);
            }
        };
        const ScopedFileWriterSeams seams({hold});
        bool barShown = false;
        bool noInput = false;
        bool closeRefused = false;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            frmWait* wait = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                wait = wait != nullptr ? wait : qobject_cast<frmWait*>(w);
            }
            if (!held || release || wait == nullptr || !wait->Progress1->isVisible()) {
                return;
            }
            barShown = wait->isVisible();
            noInput = !takesInput(form->txtOne);
            closeRefused = !form->close() && !wait->close() && form->isVisible();
            release = true;
        });
        watcher.start(10);
        runFile(form->cmdEncryptFile, source, destination, kKey);
        QVERIFY(barShown);
        QVERIFY(noInput);
        QVERIFY(closeRefused);
        QCOMPARE(endings, 0);
        QCOMPARE(readFile(destination), StringToBytes(EncryptString(BytesToString(plain), kKey)));
        QCOMPARE(messages(), QStringList());
    }

    // Every command works from the keyboard as from the mouse: the button
    // focused and Space pressed. No caption has an access key ("&&" is a
    // literal ampersand).
    void buttonsBySpace() {
        for (sknButton* b : {form->cmdEncryptFile, form->cmdDecryptFile, form->cmdEET, form->cmdDDT,
                             form->cmdET, form->cmdDT, form->cmdReadme, form->cmdWebsite}) {
            QVERIFY2(b->accessKeys().isEmpty(), qPrintable(b->objectName()));
        }
        bySpace = true;
        const QString source = env->path(QStringLiteral("space.txt"));
        const QString encrypted = env->path(QStringLiteral("space.enc"));
        const QString decrypted = env->path(QStringLiteral("space.out"));
        writeFile(source, "typed at the keyboard");
        runFile(form->cmdEncryptFile, source, encrypted, kKey);
        runFile(form->cmdDecryptFile, encrypted, decrypted, kKey);
        QCOMPARE(readFile(decrypted), QByteArray("typed at the keyboard"));
        runText(form->cmdET, QStringLiteral("abc"));
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("YWJj"));
        runText(form->cmdDT, QStringLiteral("YWJj"));
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("abc"));
        runKeyText(form->cmdEET, QStringLiteral("abc"), kKey);
        runKeyText(form->cmdDDT, form->txtTwo->toPlainText(), kKey);
        QCOMPARE(form->txtTwo->toPlainText(), QStringLiteral("abc"));
        QCOMPARE(keyDialogsSeen, 1);
        QCOMPARE(messages(), QStringList());
    }

    // A file dropped on "Encrypt File" or "Decrypt File" is the command's
    // source: only the destination is asked for, on the dropped file.
    void droppedFileIsTheSource() {
        const QString plain = env->path(QStringLiteral("dropped.txt"));
        const QString encrypted = env->path(QStringLiteral("dropped.enc"));
        const QString decrypted = env->path(QStringLiteral("dropped.out"));
        writeFile(plain, "a file from the file manager");
        const struct {
            sknButton* button;
            QString source;
            QString destination;
        } drops[] = {{form->cmdEncryptFile, plain, encrypted},
                     {form->cmdDecryptFile, encrypted, decrypted}};
        for (const auto& d : drops) {
            env->fileDialog.requests.clear();
            env->fileDialog.answers = {d.destination};
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(d.source)});
            drop(d.button, data);
            // The command runs once the drop is over.
            answerKeyDialog(kKey);
            QTRY_COMPARE(keyDialogsSeen, 1);
            QTRY_VERIFY(QFile::exists(d.destination));
            QCOMPARE(env->fileDialog.requests.size(), 1);
            QCOMPARE(env->fileDialog.requests[0].save, true);
            QCOMPARE(env->fileDialog.requests[0].title,
                     QStringLiteral("Select file to save to..."));
            QCOMPARE(env->fileDialog.requests[0].fileName, d.source);
        }
        QCOMPARE(readFile(decrypted), QByteArray("a file from the file manager"));
        QCOMPARE(messages(), QStringList());
    }

    // Several files, or a folder, dropped on a file command's button: the key
    // once, then the folder the results go to, opened on the files' own,
    // which puts them beside their sources; another takes them as `cp -r -t`.
    void droppedFilesAndFolders_data() {
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("results"); // each: result=source, under <tmp>
        QTest::addColumn<QString>("endMessage");
        QTest::newRow("two files beside them")
            << true << QStringList{"a.txt", "b.txt"} << "src"
            << QStringList{"src/a.txt.enc=src/a.txt", "src/b.txt.enc=src/b.txt"} << QString();
        QTest::newRow("a folder into another")
            << true << QStringList{"photos"} << "out"
            << QStringList{"out/photos/2019/c.jpg.enc=src/photos/2019/c.jpg",
                           "out/photos/d.txt.enc=src/photos/d.txt"}
            << QString();
        QTest::newRow("decrypted beside them, one without the suffix")
            << false << QStringList{"e.txt.enc", "f.txt"} << "src"
            << QStringList{"src/e.txt=src/a.txt"}
            << QStringLiteral("Files done: 1 of 2.\n\nSkipped or failed:\nf.txt: no .enc suffix: "
                              "decrypt it on its own to choose its name");
    }
    void droppedFilesAndFolders() {
        QFETCH(bool, encrypt);
        QFETCH(QStringList, dropped);
        QFETCH(QString, folder);
        QFETCH(QStringList, results);
        QFETCH(QString, endMessage);
        QDir(env->dir.path()).mkdir(QStringLiteral("out"));
        makeFiles({{"a.txt", "first file"},
                   {"b.txt", "second"},
                   {"photos/2019/c.jpg", randomBytes(3000, 1)},
                   {"photos/d.txt", ""},
                   {"e.txt.enc", encrypted("first file")},
                   {"f.txt", "not encrypted"}});
        dropMany(encrypt ? form->cmdEncryptFile : form->cmdDecryptFile, dropped, folder);
        for (const QString& pair : results) {
            const QString result = env->path(pair.section(QLatin1Char('='), 0, 0));
            const QByteArray source = readFile(env->path(pair.section(QLatin1Char('='), 1)));
            QCOMPARE(readFile(result), encrypt ? encrypted(source) : source);
        }
        const auto& asked = env->fileDialog.requests;
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked[0].folder);
        QCOMPARE(asked[0].title, QStringLiteral("Select folder to save to..."));
        QCOMPARE(asked[0].fileName, env->path(QStringLiteral("src")));
        QCOMPARE(messages(), endMessage.isEmpty() ? QStringList() : QStringList{endMessage});
    }

    // Results that exist are listed once before any work: Yes replaces them,
    // No skips their files, Cancel ends the command as Cancel in the folder
    // dialog does, with nothing written.
    void existingResults_data() {
        QTest::addColumn<bool>("folderChosen");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::addColumn<bool>("otherWritten");
        QTest::addColumn<bool>("endMessage");
        QTest::newRow("yes") << true << int(MessageAnswer::Yes) << true << true << false;
        QTest::newRow("no") << true << int(MessageAnswer::No) << false << true << true;
        QTest::newRow("cancel") << true << int(MessageAnswer::Cancel) << false << false << false;
        QTest::newRow("folder dialog cancelled")
            << false << int(MessageAnswer::Yes) << false << false << false;
    }
    void existingResults() {
        QFETCH(bool, folderChosen);
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        QFETCH(bool, otherWritten);
        QFETCH(bool, endMessage);
        makeFiles({{"a", "a"}, {"b", "b"}, {"a.enc", "old"}});
        env->messageBox.answers = {MessageAnswer(answer)};
        dropMany(form->cmdEncryptFile, {"a", "b"},
                 folderChosen ? std::optional<QString>(QStringLiteral("src")) : std::nullopt);
        QCOMPARE(env->messageBox.asked.size(), folderChosen ? 1 : 0);
        if (folderChosen) {
            QCOMPARE(env->messageBox.asked[0].text,
                     QStringLiteral("This result exists already in %1:\n\na.enc\n\nReplace them? "
                                    "No leaves them and skips their files.")
                         .arg(env->path(QStringLiteral("src"))));
        }
        QCOMPARE(readFile(env->path(QStringLiteral("src/a.enc"))),
                 replaced ? encrypted("a") : QByteArray("old"));
        QCOMPARE(QFile::exists(env->path(QStringLiteral("src/b.enc"))), otherWritten);
        QCOMPARE(messages().size(), endMessage ? 1 : 0);
        if (endMessage) {
            QVERIFY2(messages()[0].startsWith(QStringLiteral("Files done: 1 of 2.")),
                     qPrintable(messages()[0]));
        }
    }

    // The end message lists twenty files that were not done, then how many
    // more there are.
    void endMessageListsTwentyThenMore() {
        QList<std::pair<QString, QByteArray>> files;
        QStringList names;
        for (int i = 0; i < 25; ++i) {
            names.append(QStringLiteral("plain%1").arg(i, 2, 10, QLatin1Char('0')));
            files.append({names.last(), "x"});
        }
        makeFiles(files);
        dropMany(form->cmdDecryptFile, names, QStringLiteral("src"));
        QCOMPARE(messages().size(), 1);
        const QStringList lines = messages()[0].split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QStringLiteral("Files done: 0 of 25."));
        QCOMPARE(
            lines.value(3),
            QStringLiteral("plain00: no .enc suffix: decrypt it on its own to choose its name"));
        QVERIFY(lines.value(22).startsWith(QStringLiteral("plain19: ")));
        QCOMPARE(lines.value(23), QStringLiteral("and 5 more"));
        QCOMPARE(lines.size(), 24);
    }

    // A wrong key fails the first file and stops the command there, the
    // others untouched; the failure is in the message and the error log. A
    // key the command refuses is said before the folder is asked for.
    void aWrongKeyStopsAtTheFirstFile() {
        // The program's folder, where the error log goes, is the test's own.
        QVERIFY(QFile::link(QStringLiteral(ZEPHCORE_DIR "/") + cipherLibraryFileName(),
                            env->path(cipherLibraryFileName())));
        gAppPath = env->dir.path() + QLatin1Char('/');
        resetCipherBinding();
        makeFiles(
            {{"a.enc", encrypted("a")}, {"b.enc", encrypted("b")}, {"c.enc", encrypted("c")}});
        dropMany(form->cmdDecryptFile, {"a.enc", "b.enc", "c.enc"}, QStringLiteral("src"),
                 QStringLiteral("wrong key"));
        for (const QString name : {"a", "b", "c"}) {
            QVERIFY(!QFile::exists(env->path(QStringLiteral("src/") + name)));
            QCOMPARE(readFile(env->path(QStringLiteral("src/%1.enc").arg(name))),
                     encrypted(name.toLatin1()));
        }
        QCOMPARE(messages().size(), 1);
        const QStringList lines = messages()[0].split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QStringLiteral("Files done: 0 of 3."));
        QVERIFY2(lines.value(3).startsWith(QStringLiteral("a.enc: Wrong key")),
                 qPrintable(messages()[0]));
        QCOMPARE(lines.value(5), QStringLiteral("Not started, left as they were: 2."));
        const QByteArray log = readFile(env->path(QStringLiteral("ErrorLog.txt")));
        QCOMPARE(log.count("\"cmdDecryptFile_click\""), 1);
        QVERIFY2(log.contains("Wrong key"), log.constData());

        env->messageBox.shown.clear();
        env->fileDialog.requests.clear();
        dropMany(form->cmdEncryptFile, {"a.enc", "b.enc"}, QStringLiteral("src"),
                 QString(57, QLatin1Char('k')));
        QVERIFY(env->fileDialog.requests.isEmpty());
        QCOMPARE(messages().size(), 1);
        QVERIFY2(messages()[0].startsWith(QStringLiteral("cmdEncryptFile_click: error ")),
                 qPrintable(messages()[0]));
    }

    // The wait window says which file of how many the work is on.
    void waitWindowSaysWhichFile() {
        makeFiles({{"a", randomBytes(1000, 2)}, {"b", "b"}});
        const ScopedWaitProgressDelay noDelay(0);
        std::atomic<bool> held = false;
        std::atomic<bool> release = false;
        const ScopedFileWriterSeams seams({[&](const FileWriter&) {
            held = true;
            for (int i = 0; i < 2000 && !release; ++i) {
                QThread::msleep(1);
            }
        }});
        QString shown;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* wait = qobject_cast<frmWait*>(w);
                if (held && !release && wait != nullptr && wait->Label2->isVisible()) {
                    shown = wait->Label2->text();
                    release = true;
                }
            }
        });
        watcher.start(10);
        dropMany(form->cmdEncryptFile, {"a", "b"}, QStringLiteral("src"));
        QCOMPARE(shown, QStringLiteral("file 1 of 2"));
        QVERIFY(QFile::exists(env->path(QStringLiteral("src/b.enc"))));
    }

    void refusedDrops_data() {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QString>("message");
        const QUrl web(QStringLiteral("https://www.quorvan.example/file.txt"));
        const QString message = "Only a file on this computer can be dropped on \"Decrypt File\".";
        QTest::newRow("a web address") << QList<QUrl>{web} << message;
        QTest::newRow("a file and a web address")
            << QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/a")), web} << message;
    }
    void refusedDrops() {
        QFETCH(QList<QUrl>, urls);
        QFETCH(QString, message);
        QMimeData data;
        data.setUrls(urls);
        drop(form->cmdDecryptFile, data);
        QTRY_COMPARE(messages(), QStringList{message});
        QCOMPARE(env->messageBox.shown[0].title, QStringLiteral("Quorvan Zephral"));
        QVERIFY(env->fileDialog.requests.isEmpty());
        QCOMPARE(keyDialogsSeen, 0);
    }

private:
    std::unique_ptr<TestServices> env;
    std::unique_ptr<frmMain> form;
    int keyDialogsSeen = 0;
    bool bySpace = false;
};

QTEST_MAIN(tst_commands)
#include "tst_commands.moc"
