// The main window and zephral-cli run the same commands: for the same
// command, input, key and code page they give the same text or the same file,
// byte for byte. Where they differ on purpose, the differences are spelled out
// at the end.
#include "FakeServices.h"
#include "button/sknButton.h"
#include "encrypt/CodePage.h"
#include "encrypt/basEncrypt.h"
#include "gui/frmKey.h"
#include "gui/frmMain.h"
#include "platform/AppInfo.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>
#include <QtTest>
#include <optional>
#include <unistd.h>

using namespace zephral;
using zephral::test::TestServices;

namespace {

struct CliOutcome {
    int status = -1;
    QString out;
    QByteArray err;
};

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(content), content.size());
}

} // namespace

class tst_frontends : public QObject {
    Q_OBJECT

    // The window: a click on the button, the key dialog answered with OK.
    QString window(const char* button, const QString& input, const QString& key) {
        form->txtOne->setPlainText(input);
        answerKey(key);
        QTest::mouseClick(form->findChild<sknButton*>(QLatin1String(button)), Qt::LeftButton);
        return form->txtTwo->toPlainText();
    }

    void windowFile(const char* button, const QString& source, const QString& destination,
                    const QString& key) {
        env->fileDialog.answers = {source, destination};
        answerKey(key);
        QTest::mouseClick(form->findChild<sknButton*>(QLatin1String(button)), Qt::LeftButton);
    }

    void answerKey(const QString& key) {
        QTimer::singleShot(0, form.get(), [key] {
            if (auto* dialog = qobject_cast<frmKey*>(QApplication::activeModalWidget())) {
                dialog->txtKey->setText(key);
                dialog->cmdOK->activate();
            }
        });
    }

    // zephral-cli in a home of its own, the key in ZEPHRAL_KEY, no terminal.
    CliOutcome cli(QStringList args, const QString& key, int page) {
        args.prepend(QString::number(page));
        args.prepend(QStringLiteral("--code-page"));
        QProcessEnvironment processEnv = QProcessEnvironment::systemEnvironment();
        processEnv.insert(QStringLiteral("HOME"), env->path(QStringLiteral("home")));
        processEnv.insert(QStringLiteral("XDG_CONFIG_HOME"), env->path(QStringLiteral("home")));
        processEnv.insert(QStringLiteral("ZEPHRAL_KEY"), key);
        QProcess p;
        p.setProcessEnvironment(processEnv);
        p.setChildProcessModifier([] { ::setsid(); });
        p.start(QStringLiteral(ZEPHRAL_CLI_PATH), args);
        p.closeWriteChannel();
        CliOutcome r;
        if (!p.waitForFinished(60000)) {
            return r;
        }
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = p.readAllStandardError();
        return r;
    }

    QStringList messages() const { return env->messageBox.texts(); }

private Q_SLOTS:
    void init() {
        env = std::make_unique<TestServices>();
        gAppPath = QStringLiteral(ZEPHCORE_DIR "/");
        resetCipherBinding();
        form = std::make_unique<frmMain>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        form.reset();
        env.reset();
        resetActiveCodePage();
        gAppPath.clear();
    }

    // Text and keys beyond ASCII are given as bytes, read in the row's code
    // page, so that each is one the code page holds.
    void sameOutput_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QByteArray>("keyBytes");
        const QByteArray highKey("Schl\xFCssel \xA9 \xC6");
        QTest::newRow("1252, short key") << 1252 << QByteArray("k");
        QTest::newRow("1252, key beyond ASCII") << 1252 << highKey;
        QTest::newRow("1251, key beyond ASCII") << 1251 << highKey;
        QTest::newRow("28591, key of 56") << 28591 << QByteArray(56, 'K');
    }
    void sameOutput() {
        QFETCH(int, page);
        QFETCH(QByteArray, keyBytes);
        const CodePage& codePage = CodePage::byNumber(page);
        setActiveCodePage(codePage);
        const QString key = codePage.decode(keyBytes);

        for (const QString& text :
             {QStringLiteral("abc"), codePage.decode("caf\xE9 \xC6\xE5 \xA9 12345678")}) {
            // Encoding and encrypting; the command line ends its line.
            const QString encoded = window("cmdET", text, key);
            const QString encrypted = window("cmdEET", text, key);
            CliOutcome c = cli({QStringLiteral("encode-text"), text}, key, page);
            QCOMPARE(c.status, 0);
            QCOMPARE(c.out, encoded + u'\n');
            c = cli({QStringLiteral("encrypt-text"), text}, key, page);
            QCOMPARE(c.status, 0);
            QCOMPARE(c.out, encrypted + u'\n');
            // And back, from what was just made and from Base64 without its
            // padding, which the lenient decoder takes as well.
            for (const QString& base64 : {encoded, QStringLiteral("Zm9vYg")}) {
                c = cli({QStringLiteral("decode-text"), base64}, key, page);
                QCOMPARE(c.status, 0);
                QCOMPARE(c.out, window("cmdDT", base64, key));
            }
            c = cli({QStringLiteral("decrypt-text"), encrypted}, key, page);
            QCOMPARE(c.status, 0);
            QCOMPARE(c.out, window("cmdDDT", encrypted, key));
        }

        QByteArray bytes(1000 + page % 7, Qt::Uninitialized);
        QRandomGenerator generator(static_cast<quint32>(page));
        for (auto& b : bytes) {
            b = static_cast<char>(generator.bounded(256));
        }
        const QString plain = env->path(QStringLiteral("plain"));
        writeFile(plain, bytes);
        const QString byWindow = env->path(QStringLiteral("window.enc"));
        const QString byCli = env->path(QStringLiteral("cli.enc"));
        windowFile("cmdEncryptFile", plain, byWindow, key);
        QCOMPARE(cli({QStringLiteral("encrypt-file"), plain, byCli}, key, page).status, 0);
        QCOMPARE(readFile(byCli), readFile(byWindow));
        windowFile("cmdDecryptFile", byWindow, env->path(QStringLiteral("window.out")), key);
        QCOMPARE(cli({QStringLiteral("decrypt-file"), byCli, env->path(QStringLiteral("cli.out"))},
                     key, page)
                     .status,
                 0);
        QCOMPARE(readFile(env->path(QStringLiteral("cli.out"))), bytes);
        QCOMPARE(readFile(env->path(QStringLiteral("window.out"))), bytes);
        // No failure; a key beyond ASCII is warned of once, however often used.
        const bool weak = keyBytes.contains('\xFC');
        QCOMPARE(messages().size(), weak ? 1 : 0);
        if (weak) {
            QCOMPARE(env->messageBox.shown[0].icon, MessageIcon::Warning);
        }
    }

    // A wrong key and an over-long key fail alike in both, with the same
    // words: in a message box, or on standard error with status 1. The
    // window's boxes hold a line break as LF where the text itself carries
    // CR LF.
    void failuresAgreeAndLineBreaksDiffer() {
        setActiveCodePage(CodePage::byNumber(1252));
        const QString key = QStringLiteral("the key");
        const QString encrypted = window("cmdEET", QStringLiteral("a secret"), key);
        const struct {
            const char* button;
            const char* command;
            QString input;
            QString key;
        } cases[] = {
            {"cmdDDT", "decrypt-text", encrypted, QStringLiteral("not the key")},
            {"cmdEET", "encrypt-text", QStringLiteral("text"), QString(57, QLatin1Char('k'))},
        };
        for (const auto& c : cases) {
            env->messageBox.shown.clear();
            QCOMPARE(window(c.button, c.input, c.key), encrypted);
            const CliOutcome cliRun = cli({QLatin1String(c.command), c.input}, c.key, 1252);
            QCOMPARE(cliRun.status, 1);
            QCOMPARE(messages().size(), 1);
            const QString said = messages()[0].section(QStringLiteral(": "), 2);
            QVERIFY2(QString::fromUtf8(cliRun.err).contains(said), cliRun.err.constData());
        }

        const QString lines = window("cmdET", QStringLiteral("a\nb"), key);
        QCOMPARE(cli({QStringLiteral("encode-text"), QStringLiteral("a\r\nb")}, key, 1252).out,
                 lines + u'\n');
    }

private:
    std::unique_ptr<TestServices> env;
    std::unique_ptr<frmMain> form;
};

QTEST_MAIN(tst_frontends)
#include "tst_frontends.moc"
