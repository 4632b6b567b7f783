// zephral-cli end to end: every command, its output byte for byte, the key
// sources, and every failure with its exit status. The program runs in a
// temporary home, so the user's own settings are never read or written.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kCli = QStringLiteral(ZEPHRAL_CLI_PATH);
// The published Blowfish vector, padded with one whole block.
const char* const kVectorKey = "abcdefghijklmnopqrstuvwxyz";
const QByteArray kVectorCipher = QByteArray::fromHex("324ED0FEF413A203BD0A9C639EF3ACDC");

struct Outcome {
    int status = -1;
    int signal = 0; // the signal that ended the program, if one did
    QByteArray out;
    QByteArray err;
};

// Where the program's standard output goes.
enum class Output {
    File,      // a file of the test's, read back into Outcome::out
    Closed,    // no descriptor 1 at all
    Full,      // /dev/full
    Appending, // the file m_appendTo, appended to
    Head,      // a pipe whose reader takes 100 bytes and goes
};

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.remove(QStringLiteral("ZEPHRAL_KEY"));
        m_env.insert(QStringLiteral("HOME"), m_home.path());
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        m_env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    }

    // Runs the program with arguments given as bytes, as a shell would pass
    // them, in a session of its own: no controlling terminal, nothing can
    // prompt. Input and output go through files.
    Outcome run(const QList<QByteArray>& args, const QByteArray& input = {},
                const char* key = nullptr, const QString& program = kCli) {
        QList<QByteArray> environment;
        for (const QString& entry : m_env.toStringList()) {
            environment.append(entry.toUtf8());
        }
        if (key != nullptr) {
            environment.append(QByteArray("ZEPHRAL_KEY=") + key);
        }
        const QByteArray in = QFile::encodeName(file(QStringLiteral(".in"), input));
        const QByteArray out = QFile::encodeName(path(QStringLiteral(".out")));
        const QByteArray err = QFile::encodeName(path(QStringLiteral(".err")));
        const QByteArray programPath = QFile::encodeName(program);
        std::vector<char*> argv{const_cast<char*>(programPath.constData())};
        for (const QByteArray& a : args) {
            argv.push_back(const_cast<char*>(a.constData()));
        }
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const QByteArray& e : environment) {
            envp.push_back(const_cast<char*>(e.constData()));
        }
        envp.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        int feed[2] = {-1, -1};
        if (m_pipeInput && ::pipe(feed) == 0) {
            posix_spawn_file_actions_adddup2(&files, feed[0], 0);
            posix_spawn_file_actions_addclose(&files, feed[0]);
            posix_spawn_file_actions_addclose(&files, feed[1]);
        } else {
            posix_spawn_file_actions_addopen(&files, 0, in.constData(), O_RDONLY, 0);
        }
        int drain[2] = {-1, -1};
        const QByteArray append = QFile::encodeName(m_appendTo);
        switch (m_output) {
        case Output::File:
            posix_spawn_file_actions_addopen(&files, 1, out.constData(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0600);
            break;
        case Output::Closed:
            posix_spawn_file_actions_addclose(&files, 1);
            break;
        case Output::Full:
            posix_spawn_file_actions_addopen(&files, 1, "/dev/full", O_WRONLY, 0);
            break;
        case Output::Appending:
            posix_spawn_file_actions_addopen(&files, 1, append.constData(), O_WRONLY | O_APPEND, 0);
            break;
        case Output::Head:
            if (::pipe(drain) == 0) {
                posix_spawn_file_actions_adddup2(&files, drain[1], 1);
                posix_spawn_file_actions_addclose(&files, drain[0]);
                posix_spawn_file_actions_addclose(&files, drain[1]);
            }
            break;
        }
        posix_spawn_file_actions_addopen(&files, 2, err.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
        pid_t pid = -1;
        Outcome r;
        if (posix_spawn(&pid, argv[0], &files, &attributes, argv.data(), envp.data()) == 0) {
            if (feed[0] >= 0) {
                ::close(feed[0]);
                // Whatever the program leaves unread ends the writing with EPIPE.
                std::signal(SIGPIPE, SIG_IGN);
                for (qsizetype at = 0; at < input.size();) {
                    const ssize_t w = ::write(feed[1], input.constData() + at,
                                              static_cast<std::size_t>(input.size() - at));
                    if (w <= 0) {
                        break;
                    }
                    at += w;
                }
                ::close(feed[1]);
            }
            if (drain[0] >= 0) {
                ::close(drain[1]);
                char head[100];
                for (qsizetype got = 0, n = 0; got < 100; got += n) {
                    if ((n = ::read(drain[0], head + got, sizeof head - got)) <= 0) {
                        break;
                    }
                }
                ::close(drain[0]);
            }
            int status = 0;
            ::waitpid(pid, &status, 0);
            r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            r.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        }
        posix_spawn_file_actions_destroy(&files);
        posix_spawnattr_destroy(&attributes);
        r.out = m_output == Output::File ? read(path(QStringLiteral(".out"))) : QByteArray();
        r.err = read(path(QStringLiteral(".err")));
        return r;
    }
    Outcome run(const QStringList& args, const QByteArray& input = {}, const char* key = nullptr,
                const QString& program = kCli) {
        QList<QByteArray> bytes;
        for (const QString& a : args) {
            bytes.append(a.toUtf8());
        }
        return run(bytes, input, key, program);
    }

    QString file(const QString& name, const QByteArray& content) {
        const QString path = m_home.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        return path;
    }
    static QByteArray read(const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    QString path(const QString& name) const { return m_home.filePath(name); }

    QTemporaryDir m_home;
    QProcessEnvironment m_env;
    bool m_pipeInput = false; // standard input a pipe rather than a file
    Output m_output = Output::File;
    QString m_appendTo;
};

TEST_F(Cli, VersionAndHelp) {
    Outcome r = run({QStringLiteral("--version")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QByteArray("Quorvan Zephral 1.0 Build 46\n"));
    r = run({QStringLiteral("--help")});
    EXPECT_EQ(r.status, 0);
    for (const char* word :
         {"encrypt-file", "decrypt-text", "--key-file", "ZEPHRAL_KEY", "CR LF", "1252", "28591"}) {
        EXPECT_TRUE(r.out.contains(word)) << word;
    }
}

TEST_F(Cli, UsageErrors) {
    const QStringList cases[] = {
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("--bogus"), QStringLiteral("encode-text"), QStringLiteral("x")},
        {QStringLiteral("encrypt-file"), QStringLiteral("a")},
        {QStringLiteral("decrypt-file"), QStringLiteral("a"), QStringLiteral("b"),
         QStringLiteral("c")},
        {QStringLiteral("encode-text"), QStringLiteral("a"), QStringLiteral("b")},
        {QStringLiteral("--code-page"), QStringLiteral("bogus"), QStringLiteral("encode-text"),
         QStringLiteral("x")},
        {QStringLiteral("--code-page=65001"), QStringLiteral("encode-text"), QStringLiteral("x")},
        {QStringLiteral("encode-text"), QStringLiteral("--key-file")},
        // No key anywhere and no terminal to ask on.
        {QStringLiteral("encrypt-text"), QStringLiteral("x")},
    };
    for (const QStringList& args : cases) {
        const Outcome r = run(args, {}, nullptr);
        EXPECT_EQ(r.status, 2) << qPrintable(args.join(u' '));
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.constData();
    }
}

TEST_F(Cli, TextCommands) {
    struct Case {
        QStringList args;
        QByteArray input;
        QByteArray output;
    };
    const QString e = QStringLiteral("encode-text");
    const QString d = QStringLiteral("decode-text");
    const Case cases[] = {
        {{e, QStringLiteral("foobar")}, {}, "Zm9vYmFy\n"},
        {{e}, "foo", "Zm9v\n"},
        {{e, QStringLiteral("a\r\nb")}, {}, "YQ0KYg==\n"}, // line breaks as given
        {{e, QString()}, {}, "\n"},
        {{e, QStringLiteral(u"\u00E9")}, {}, "6Q==\n"}, // Windows-1252 by default
        {{QStringLiteral("--code-page=cp1251"), e, QStringLiteral(u"\u0416")}, {}, "xg==\n"},
        {{QStringLiteral("--"), e, QStringLiteral("-x")}, {}, "LXg=\n"},
        {{d, QStringLiteral("Zm9vYmFy\r\n")}, {}, "foobar"},
        {{d}, "Zm9v\n\n", "foo"},
        {{d, QStringLiteral("6Q==")}, {}, "\xC3\xA9"},
        {{d, QString()}, {}, ""},
        {{d, QStringLiteral("AAAA")}, {}, QByteArray("\0\0\0", 3)},
        {{d, QStringLiteral("YWJ")}, {}, "ab"}, // a last group without its "="
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.args, c.input);
        EXPECT_EQ(r.status, 0) << qPrintable(c.args.join(u' ')) << r.err.constData();
        EXPECT_EQ(r.out, c.output) << qPrintable(c.args.join(u' '));
    }
}

TEST_F(Cli, CodePageSetting) {
    {
        // The settings file as a user would write it by hand.
        QDir().mkpath(path(QStringLiteral("config/Quorvan")));
        QFile ini(path(QStringLiteral("config/Quorvan/Zephral.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[General]\nCodePage=1251\n");
    }
    Outcome r = run({QStringLiteral("encode-text"), QStringLiteral(u"\u0416")});
    EXPECT_EQ(r.out, QByteArray("xg==\n"));
    // The option wins over the setting.
    r = run({QStringLiteral("--code-page"), QStringLiteral("28591"), QStringLiteral("encode-text"),
             QStringLiteral(u"\u00E9")});
    EXPECT_EQ(r.out, QByteArray("6Q==\n"));

    // A setting that names no code page: 1252, said once.
    for (const QByteArray& value : {QByteArray("65001"), QByteArray("text"), QByteArray()}) {
        QFile ini(path(QStringLiteral("config/Quorvan/Zephral.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("[General]\nCodePage=" + value + "\n");
        ini.close();
        r = run({QStringLiteral("encrypt-text"), QStringLiteral(u"\u00E9")}, {}, "k\xC3\xA9");
        EXPECT_EQ(r.status, 0) << r.err.constData();
        EXPECT_EQ(r.err.count("zephral-cli: warning: The CodePage setting \"" + value +
                              "\" is no code page this program has (1250, 1251, 1252, 28591): "
                              "code page 1252 is used\n"),
                  1)
            << r.err.constData();
    }
}

// Text the code page can't hold and bytes that are no UTF-8 are refused,
// never turned into "?" or U+FFFD.
TEST_F(Cli, RefusesWhatTheCodePageCannotHold) {
    QByteArray noise;
    for (int i = 0; i < 300; ++i) {
        noise.append(static_cast<char>((i * 151 + 7) & 0xFF));
    }
    struct Case {
        QList<QByteArray> args;
        QByteArray input;
        const char* message;
    };
    const Case cases[] = {
        {{"encode-text",
          "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xBC\xD0\xB8\xD1\x80"},
         {},
         "The text holds \"\xD0\x9F\" (U+041F), which code page 1252 cannot hold (error 1011)"},
        {{"encrypt-text", "smile \xF0\x9F\x98\x80"}, {}, "(U+1F600), which code page 1252"},
        {{"--code-page", "1251", "encode-text", "caf\xC3\xA9"},
         {},
         "(U+00E9), which code page 1251"},
        {{"encode-text"}, noise, "The text is not valid UTF-8 (error 1012)"},
        {{"decode-text"}, "Zm9v\xFF", "The text is not valid UTF-8"},
        {{"encode-text", "bad\xFF"}, {}, "The text is not valid UTF-8"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.args, c.input, "k");
        EXPECT_EQ(r.status, 1) << c.args.join(' ').constData();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.constData();
    }
}

TEST_F(Cli, EncryptTextGivesTheKnownAnswerAndComesBack) {
    const QByteArray encoded = kVectorCipher.toBase64() + '\n';
    Outcome r = run({QStringLiteral("encrypt-text"), QStringLiteral("BLOWFISH")}, {}, kVectorKey);
    EXPECT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(r.out, encoded);
    r = run({QStringLiteral("decrypt-text")}, encoded, kVectorKey);
    EXPECT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(r.out, QByteArray("BLOWFISH"));

    // The key file's first line, without its CR LF or a byte-order mark, is
    // the same key.
    for (const QByteArray& mark : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
        const QString keyFile = file(QStringLiteral("key"), mark + kVectorKey + "\r\nignored\n");
        r = run({QStringLiteral("--key-file"), keyFile, QStringLiteral("encrypt-text"),
                 QStringLiteral("BLOWFISH")},
                {}, "another key");
        EXPECT_EQ(r.out, encoded) << r.err.constData();
    }

    // Any text, through stdin, UTF-8 both ways.
    const QByteArray text = "Gr\xC3\xBC\xC3\x9F"
                            "e\r\nzwei Zeilen\n";
    r = run({QStringLiteral("encrypt-text")}, text, "k");
    ASSERT_EQ(r.status, 0);
    r = run({QStringLiteral("decrypt-text"), QString::fromLatin1(r.out)}, {}, "k");
    EXPECT_EQ(r.out, text);
}

TEST_F(Cli, Failures) {
    const QString e = QStringLiteral("encrypt-text");
    const QString d = QStringLiteral("decrypt-text");
    const QByteArray encoded = kVectorCipher.toBase64();
    const QString source = file(QStringLiteral("plain"), "some data");
    QDir().mkdir(path(QStringLiteral("folder")));
    struct Case {
        QStringList args;
        const char* key;
        const char* message;
    };
    const Case cases[] = {
        {{d, QString::fromLatin1(encoded)}, "not the key", "damaged text"},
        {{d, QStringLiteral("!!!!")}, "k", "Wrong key or damaged text"},
        {{e, QStringLiteral("x")},
         "123456789012345678901234567890123456789012345678901234567",
         "longer than 56"},
        {{QStringLiteral("--key-file"), path(QStringLiteral("nokey")), e, QStringLiteral("x")},
         nullptr,
         "No such file or directory"},
        {{QStringLiteral("encrypt-file"), path(QStringLiteral("missing")),
          path(QStringLiteral("out"))},
         "k",
         "No such file or directory (error 2)"},
        {{QStringLiteral("encrypt-file"), source, path(QStringLiteral("folder"))},
         "k",
         "Is a directory (error 21)"},
        {{QStringLiteral("decrypt-file"), source, path(QStringLiteral("out"))},
         "k",
         "Wrong key or damaged file"},
        // Keys that encryption refuses, and key files that are no key.
        {{e, QStringLiteral("x")},
         "\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6",
         "The key holds a character that code page 1252 cannot hold (error 1009)"},
        {{QStringLiteral("--key-file"), file(QStringLiteral("nul"), QByteArray("\0secret", 7)),
          QStringLiteral("encrypt-file"), source, path(QStringLiteral("out"))},
         nullptr,
         "The key holds a NUL character"},
        {{QStringLiteral("--key-file"), file(QStringLiteral("big"), QByteArray(4097, 'k')), e,
          QStringLiteral("x")},
         nullptr,
         "/big: The key file is larger than 4 KiB"},
        {{QStringLiteral("--key-file"), QStringLiteral("/dev/zero"), e, QStringLiteral("x")},
         nullptr,
         "/dev/zero: The key file is larger than 4 KiB"},
        {{QStringLiteral("--key-file"), file(QStringLiteral("latin1"), "caf\xE9\n"), e,
          QStringLiteral("x")},
         nullptr,
         "/latin1: The key file is not valid UTF-8 (error 1012)"},
        {{e, QStringLiteral("x")}, "caf\xE9", "ZEPHRAL_KEY is not valid UTF-8"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.args, {}, c.key);
        EXPECT_EQ(r.status, 1) << qPrintable(c.args.join(u' '));
        EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.constData();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.constData();
        if (c.key != nullptr && qstrlen(c.key) > 4) {
            EXPECT_FALSE(r.err.contains(c.key));
        }
    }
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("out"))));
}

TEST_F(Cli, FileCommands) {
    QByteArray data;
    for (int i = 0; i < 3000; ++i) {
        data.append(static_cast<char>(i * 7));
    }
    const QString plain = file(QStringLiteral("plain"), data);
    const QString cipher = path(QStringLiteral("cipher"));
    Outcome r = run({QStringLiteral("encrypt-file"), plain, cipher}, {}, "k");
    ASSERT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(QFileInfo(cipher).size(), 3008);
    EXPECT_TRUE(r.out.isEmpty());

    // Wrong key: status 1 and the destination as it was.
    const QString dest = file(QStringLiteral("dest"), "untouched");
    r = run({QStringLiteral("decrypt-file"), cipher, dest}, {}, "not k");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read(dest), QByteArray("untouched"));

    // In place, both ways.
    r = run({QStringLiteral("decrypt-file"), cipher, cipher}, {}, "k");
    ASSERT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(read(cipher), data);
    r = run({QStringLiteral("encrypt-file"), cipher, cipher}, {}, "k");
    ASSERT_EQ(r.status, 0);
    r = run({QStringLiteral("decrypt-file"), cipher, dest}, {}, "k");
    EXPECT_EQ(read(dest), data);

    // An empty source gives an empty destination.
    const QString empty = file(QStringLiteral("empty"), {});
    r = run({QStringLiteral("encrypt-file"), empty, path(QStringLiteral("e2"))}, {}, "k");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("e2"))));
    EXPECT_EQ(QFileInfo(path(QStringLiteral("e2"))).size(), 0);
}

// "-" is standard input or output, a file or a pipe: the same bytes as the
// named files give. A decryption that fails its check on standard output
// exits 1 with the wrong-key error, and from a file or a short pipe has
// written nothing. Nothing but failures reaches standard error off a
// terminal: no progress line.
// Many files: the wiring of the options, the summary and the exit status
// (the rules themselves are the command layer's, tested there).
TEST_F(Cli, ManyFiles) {
    QDir(m_home.path()).mkpath(QStringLiteral("tree/sub"));
    QDir(m_home.path()).mkpath(QStringLiteral("out"));
    file(QStringLiteral("tree/a"), "alpha");
    file(QStringLiteral("tree/sub/c"), QByteArray(3000, 'c'));
    const QByteArray out = QFile::encodeName(path(QStringLiteral("out")));
    const QByteArray tree = QFile::encodeName(path(QStringLiteral("tree")));
    struct Case {
        QList<QByteArray> args;
        int status;
        const char* said; // in standard error
    };
    const Case cases[] = {
        {{"encrypt-file", "-r", "-t", out, tree}, 0, "2 of 2 files done, 0 skipped"},
        {{"encrypt-file", "-r", "--target-directory=" + out, tree}, 1, "skipped: "},
        {{"encrypt-file", "-r", "--force", "-t", out, tree}, 0, "2 of 2 files done"},
        {{"encrypt-file", "-t", out, tree}, 1, "a folder"},
        {{"decrypt-file", "-r", "--keep-going", "--in-place", tree}, 1, "no .enc suffix"},
        {{"encrypt-file", "-t", tree + "/a", tree}, 2, "no folder"},
        {{"encrypt-file", "-t", out, "--in-place", tree}, 2, "exclude"},
        {{"encrypt-file", "-r", tree, out}, 2, "go with -t DIR"},
        {{"encrypt-file", "--in-place"}, 2, "at least one SOURCE"},
        {{"encrypt-file", "--in-place", "-"}, 2, "standard input"},
        {{"encode-text", "--in-place", "x"}, 2, "go with encrypt-file"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.args, {}, "key");
        EXPECT_EQ(r.status, c.status) << c.args.join(' ').constData() << r.err.constData();
        EXPECT_TRUE(r.err.contains(c.said)) << r.err.constData();
    }
    ASSERT_EQ(run({QStringLiteral("encrypt-file"), path(QStringLiteral("tree/sub/c")),
                   path(QStringLiteral("single"))},
                  {}, "key")
                  .status,
              0);
    EXPECT_EQ(read(path(QStringLiteral("out/tree/sub/c.enc"))),
              read(path(QStringLiteral("single"))));
}

// Ctrl-C in the middle of a batch, held where its last file's content is
// written and not yet in place: the files finished stay done, that one is
// left as it was, no temporary file is left anywhere, and the summary says
// how far it got.
TEST_F(Cli, AnInterruptedBatch) {
    constexpr int kFiles = 4;
    for (const bool inPlace : {true, false}) {
        const QString root = path(QLatin1String(inPlace ? "in-place" : "target"));
        const QString tree = root + QStringLiteral("/tree");
        const QString results = inPlace ? tree : root + QStringLiteral("/out/tree");
        QDir().mkpath(tree);
        QDir().mkpath(root + QStringLiteral("/out"));
        QList<QByteArray> contents;
        for (int i = 0; i < kFiles; ++i) {
            contents.append(QByteArray(3000 + i, static_cast<char>('a' + i)));
            file(QStringLiteral("%1/tree/f%2").arg(QFileInfo(root).fileName()).arg(i),
                 contents.back());
        }
        QProcessEnvironment env = m_env;
        env.insert(QStringLiteral("ZEPHRAL_KEY"), QStringLiteral("key"));
        env.insert(QStringLiteral("ZEPHRAL_TEST_BATCH_HOLD"), QStringLiteral("1"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.setReadChannel(QProcess::StandardError);
        p.start(kCli, inPlace
                          ? QStringList{QStringLiteral("encrypt-file"), QStringLiteral("-r"),
                                        QStringLiteral("--in-place"), tree}
                          : QStringList{QStringLiteral("encrypt-file"), QStringLiteral("-r"),
                                        QStringLiteral("-t"), root + QStringLiteral("/out"), tree});
        p.closeWriteChannel();
        QByteArray err;
        while (!err.contains("held\n") && p.waitForReadyRead(30000)) {
            err += p.readAllStandardError();
        }
        ASSERT_TRUE(err.contains("held\n")) << err.constData();
        ::kill(static_cast<pid_t>(p.processId()), SIGINT);
        ASSERT_TRUE(p.waitForFinished(30000));
        err += p.readAllStandardError();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 128 + SIGINT) << err.constData();

        int kept = 0;
        for (int i = 0; i < kFiles; ++i) {
            const QString source = QStringLiteral("%1/f%2").arg(tree).arg(i);
            const QString result = QStringLiteral("%1/f%2.enc").arg(results).arg(i);
            if (QFileInfo::exists(result)) {
                EXPECT_EQ(QFileInfo(result).size(), (contents[i].size() / 8 + 1) * 8) << i;
                EXPECT_EQ(QFileInfo::exists(source), !inPlace) << i;
            } else {
                ++kept;
                EXPECT_EQ(read(source), contents[i]) << i;
            }
        }
        EXPECT_EQ(kept, 1) << inPlace;
        EXPECT_TRUE(err.contains(QStringLiteral("%1 of %2 files done, 0 skipped, 0 failed")
                                     .arg(kFiles - 1)
                                     .arg(kFiles)
                                     .toUtf8()))
            << err.constData();
        EXPECT_TRUE(err.contains(
            QStringLiteral("stopped by signal %1, 1 file left as it was").arg(SIGINT).toUtf8()))
            << err.constData();
        // Only sources and results, no temporary file.
        for (const QString& folder : {tree, results}) {
            for (const QString& name :
                 QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
                EXPECT_TRUE(
                    QRegularExpression(QStringLiteral("^f\\d(\\.enc)?$")).match(name).hasMatch())
                    << name.toStdString();
            }
        }
    }
}

TEST_F(Cli, StandardInputAndOutput) {
    QByteArray data;
    for (int i = 0; i < 70000; ++i) {
        data.append(static_cast<char>(i * 13 + i / 256));
    }
    const QString plain = file(QStringLiteral("plain"), data);
    const QString cipherFile = path(QStringLiteral("cipher"));
    ASSERT_EQ(run({QStringLiteral("encrypt-file"), plain, cipherFile}, {}, "k").status, 0);
    const QByteArray cipher = read(cipherFile);
    struct Case {
        const char* command;
        QByteArray input;
        const char* key;
        int status;
        QByteArray out;
    };
    const Case cases[] = {
        {"encrypt-file", data, "k", 0, cipher},
        {"decrypt-file", cipher, "k", 0, data},
        {"decrypt-file", cipher, "wrong", 1, {}},
        {"decrypt-file", cipher.left(cipher.size() - 1), "k", 1, {}},
    };
    for (const bool pipe : {false, true}) {
        m_pipeInput = pipe;
        for (const Case& c : cases) {
            const Outcome r =
                run({QString::fromLatin1(c.command), QStringLiteral("-"), QStringLiteral("-")},
                    c.input, c.key);
            EXPECT_EQ(r.status, c.status) << c.command << pipe << r.err.constData();
            EXPECT_TRUE(r.out == c.out) << c.command << pipe << r.out.size();
            if (c.status == 0) {
                EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
            } else {
                EXPECT_TRUE(r.err.contains("Wrong key or damaged file (error 1003)"));
            }
        }
        // From standard input into a named file.
        Outcome r = run({QStringLiteral("decrypt-file"), QStringLiteral("-"), plain}, cipher, "k");
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(read(plain) == data);
    }
    // The key can't share standard input with the data or the text.
    for (const QString& from : {QStringLiteral("-"), QStringLiteral("/dev/stdin")}) {
        for (const QStringList& command :
             {QStringList{QStringLiteral("encrypt-file"), QStringLiteral("-"), QStringLiteral("-")},
              QStringList{QStringLiteral("encrypt-text")}}) {
            const Outcome r =
                run(QStringList{QStringLiteral("--key-file"), from} + command, "k\nsecret\n");
            EXPECT_EQ(r.status, 2);
            EXPECT_TRUE(r.out.isEmpty());
            EXPECT_TRUE(r.err.contains("the key cannot come from standard input"))
                << r.err.constData();
        }
    }
    m_pipeInput = false;
    const Outcome r =
        run({QStringLiteral("--key-file"), QStringLiteral("-"), QStringLiteral("--quiet"),
             QStringLiteral("encrypt-file"), plain, QStringLiteral("-")},
            "k\n");
    EXPECT_EQ(r.status, 0) << r.err.constData();
    EXPECT_TRUE(r.out == cipher);
}

// Where a command would have lost data or reported a failure as success, it
// fails with status 1 and a message, and leaves the destination as it was.
TEST_F(Cli, RefusesWhatWouldLoseData) {
    const QString source = file(QStringLiteral("source"), "plain text");
    const QString encrypted = path(QStringLiteral("encrypted"));
    ASSERT_EQ(run({QStringLiteral("encrypt-file"), source, encrypted}, {}, "k").status, 0);
    const QString dest = path(QStringLiteral("dest"));
    const QString dangling = path(QStringLiteral("dangling"));
    ASSERT_TRUE(QFile::link(path(QStringLiteral("unmounted/file")), dangling));
    const QString d = QStringLiteral("decrypt-file");
    const QString e = QStringLiteral("encrypt-file");
    const QString in = path(QStringLiteral(".in")); // standard input's file
    const QString empty =
        QStringLiteral("standard input was empty: nothing to decrypt (error 1014)");
    const QString itself = QStringLiteral(": standard output is the source (error 1015)");
    struct Case {
        QStringList args;
        bool pipe;
        Output output;
        QString message;
    };
    const Case cases[] = {
        {{d, QStringLiteral("-"), dest}, true, Output::File, empty},
        {{d, QStringLiteral("-"), dest}, false, Output::File, empty},
        {{d, QStringLiteral("-"), QStringLiteral("-")}, true, Output::File, empty},
        {{e, source, QStringLiteral("-")}, false, Output::Appending, source + itself},
        {{e, QStringLiteral("-"), QStringLiteral("-")},
         false,
         Output::Appending,
         QStringLiteral("standard input") + itself},
        {{QStringLiteral("encode-text")},
         false,
         Output::Appending,
         QStringLiteral("standard input") + itself},
        {{d, encrypted, dangling},
         false,
         Output::File,
         dangling + QStringLiteral(": Not writing through a symbolic link whose target ") +
             path(QStringLiteral("unmounted/file")) + QStringLiteral(" does not exist")},
        {{QStringLiteral("encode-text"), QStringLiteral("x")},
         false,
         Output::Closed,
         QStringLiteral("standard output: Bad file descriptor (error 9)")},
        {{QStringLiteral("--version")},
         false,
         Output::Closed,
         QStringLiteral("standard output: Bad file descriptor (error 9)")},
        {{QStringLiteral("--version")},
         false,
         Output::Full,
         QStringLiteral("standard output: No space left on device (error 28)")},
        {{QStringLiteral("--help")},
         false,
         Output::Full,
         QStringLiteral("standard output: No space left on device (error 28)")},
        {{d, encrypted, QStringLiteral("-")},
         false,
         Output::Full,
         QStringLiteral("standard output: No space left on device (error 28)")},
    };
    for (const Case& c : cases) {
        file(QStringLiteral("dest"), "keep");
        m_pipeInput = c.pipe;
        m_output = c.output;
        m_appendTo = c.args.contains(source) ? source : in;
        const Outcome r = run(c.args, {}, "k");
        EXPECT_EQ(r.status, 1) << qPrintable(c.args.join(u' '));
        EXPECT_TRUE(r.err.contains(c.message.toUtf8())) << r.err.constData();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.constData();
        EXPECT_EQ(read(dest), QByteArray("keep"));
    }
    EXPECT_EQ(read(source), QByteArray("plain text"));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("unmounted"))));
    // A named empty file is what an empty source encrypts to, and decrypts.
    m_output = Output::File;
    const Outcome r = run({d, file(QStringLiteral("empty"), {}), dest}, {}, "k");
    EXPECT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(read(dest), QByteArray());
}

// A reader that stops early ends the program quietly, as it ends any pipe's
// writer, also when SIGPIPE was ignored when the program started.
TEST_F(Cli, EndsQuietlyWhenTheReaderGoes) {
    QByteArray data(1 << 20, 'a');
    const QString plain = file(QStringLiteral("plain"), data);
    const QString encrypted = path(QStringLiteral("encrypted"));
    ASSERT_EQ(run({QStringLiteral("encrypt-file"), plain, encrypted}, {}, "k").status, 0);
    std::signal(SIGPIPE, SIG_IGN);
    m_output = Output::Head;
    const QStringList cases[] = {
        {QStringLiteral("decrypt-file"), encrypted, QStringLiteral("-")},
        {QStringLiteral("encode-text")},
    };
    for (const QStringList& args : cases) {
        const Outcome r = run(args, data, "k");
        EXPECT_EQ(r.signal, SIGPIPE) << qPrintable(args.join(u' ')) << r.status;
        EXPECT_EQ(r.err, QByteArray());
    }
}

// Base64 wrapped into lines, as base64(1) and mail wrap it, decodes whole in
// both decoding commands.
TEST_F(Cli, DecodesWrappedBase64) {
    QByteArray text;
    for (int i = 0; text.size() < 300; ++i) {
        text += "line " + QByteArray::number(i) + " of the text\n";
    }
    const Outcome encrypted = run({QStringLiteral("encrypt-text")}, text, "k");
    ASSERT_EQ(encrypted.status, 0);
    const struct {
        const char* command;
        QByteArray base64;
    } commands[] = {{"decode-text", text.toBase64()}, {"decrypt-text", encrypted.out.trimmed()}};
    for (const auto& command : commands) {
        for (const int columns : {76, 64}) {
            for (const QByteArray& lineEnd : {QByteArray("\n"), QByteArray("\r\n")}) {
                QByteArray wrapped;
                for (qsizetype at = 0; at < command.base64.size(); at += columns) {
                    wrapped += command.base64.mid(at, columns) + lineEnd;
                }
                const Outcome r = run({QString::fromLatin1(command.command)}, wrapped, "k");
                EXPECT_EQ(r.status, 0) << command.command << columns << r.err.constData();
                EXPECT_EQ(r.out, text) << command.command << columns;
            }
        }
    }
    EXPECT_EQ(run({QStringLiteral("decode-text"), QStringLiteral(" Zm9v\tYmFy ")}).out,
              QByteArray("foobar"));
}

// A key of 4 KiB is still read; decryption takes every key the original
// could have used; encryption warns of a weak key and of other names that
// keep a replaced file's old content, and goes on.
TEST_F(Cli, KeysAndWarnings) {
    const QString keyFile =
        file(QStringLiteral("key"), QByteArray(56, 'k') + QByteArray(4040, '\n'));
    Outcome r = run({QStringLiteral("--key-file"), keyFile, QStringLiteral("encrypt-text"),
                     QStringLiteral("x")});
    EXPECT_EQ(r.status, 0) << r.err.constData();

    // The original turned a character its code page lacks into "?".
    r = run({QStringLiteral("encrypt-text"), QStringLiteral("secret")}, {}, "????");
    const QByteArray encrypted = r.out;
    r = run({QStringLiteral("decrypt-text"), QString::fromLatin1(encrypted)}, {},
            "\xD0\xB6\xD0\xB6\xD0\xB6\xD0\xB6");
    EXPECT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(r.out, QByteArray("secret"));

    r = run({QStringLiteral("encrypt-text"), QStringLiteral("x")}, {}, "caf\xC3\xA9");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.startsWith("zephral-cli: encrypt-text: warning: This key is weaker"))
        << r.err.constData();
    EXPECT_EQ(run({QStringLiteral("encrypt-text"), QStringLiteral("x")}, {}, "abcd").err,
              QByteArray());

    const QString plain = file(QStringLiteral("plain"), "data");
    const QString dest = file(QStringLiteral("dest"), "old");
    ASSERT_EQ(::link(QFile::encodeName(dest).constData(),
                     QFile::encodeName(path(QStringLiteral("other"))).constData()),
              0);
    r = run({QStringLiteral("encrypt-file"), plain, dest}, {}, "k");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.contains("warning: " + QFile::encodeName(dest) +
                               " had another name (a hard link), which keeps the old content."))
        << r.err.constData();
    EXPECT_EQ(read(path(QStringLiteral("other"))), QByteArray("old"));
}

// A file another program padded with something other than zeros opens with
// --no-check only, and only into a new file.
TEST_F(Cli, NoCheckWritesANewFileOnly) {
    // Twelve bytes and the padding 04 04 04 04, enciphered with key "k".
    const QString padded = path(QStringLiteral("padded"));
    {
        const QString plain = file(QStringLiteral("plain"), "twelve bytes\4\4\4\4");
        ASSERT_EQ(run({QStringLiteral("encrypt-file"), plain, padded}, {}, "k").status, 0);
        QFile f(padded);
        ASSERT_TRUE(f.resize(16));
    }
    const QString out = path(QStringLiteral("out"));
    const QString d = QStringLiteral("decrypt-file");
    const QString noCheck = QStringLiteral("--no-check");
    Outcome r = run({d, padded, out}, {}, "k");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("Wrong key or damaged file (error 1003)")) << r.err.constData();

    // In place under its own name, a symbolic link or a hard link, or over
    // another file: all refused.
    const QString link = path(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(padded, link));
    const QString hard = path(QStringLiteral("hard"));
    ASSERT_EQ(::link(QFile::encodeName(padded).constData(), QFile::encodeName(hard).constData()),
              0);
    const QString existing = file(QStringLiteral("existing"), "keep");
    const QByteArray before = read(padded);
    for (const QString& dest : {padded, link, hard, existing}) {
        r = run({noCheck, d, padded, dest}, {}, "k");
        EXPECT_EQ(r.status, 1) << qPrintable(dest);
        EXPECT_TRUE(r.err.contains(dest == existing ? "and this one exists (error 1008)"
                                                    : "never in place (error 1008)"))
            << r.err.constData();
    }
    EXPECT_EQ(read(padded), before);
    EXPECT_EQ(read(existing), QByteArray("keep"));

    r = run({noCheck, d, padded, out}, {}, "k");
    EXPECT_EQ(r.status, 0) << r.err.constData();
    EXPECT_TRUE(r.err.contains("warning: --no-check")) << r.err.constData();
    EXPECT_EQ(read(out), QByteArray("twelve bytes"));
    EXPECT_EQ(run({noCheck, QStringLiteral("encrypt-file"), padded, out}, {}, "k").status, 2);
}

// File names are the bytes the system gave, UTF-8 or not.
TEST_F(Cli, FileNamesAreBytes) {
    const QByteArray folder = QFile::encodeName(m_home.path()) + '/';
    const QByteArray source = folder + "bad\xFF\xFE.txt";
    const QByteArray encrypted = folder + "out\xFF.enc";
    const QByteArray back = folder + "back\xE9";
    {
        const int fd = ::open(source.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "bytes", 5), 5);
        ::close(fd);
    }
    Outcome r = run(QList<QByteArray>{"encrypt-file", source, encrypted}, {}, "k");
    ASSERT_EQ(r.status, 0) << r.err.constData();
    r = run(QList<QByteArray>{"decrypt-file", encrypted, back}, {}, "k");
    ASSERT_EQ(r.status, 0) << r.err.constData();
    struct stat st {};
    EXPECT_EQ(::stat(encrypted.constData(), &st), 0);
    EXPECT_EQ(st.st_size, 8);
    EXPECT_EQ(::stat(back.constData(), &st), 0);
    EXPECT_EQ(st.st_size, 5);
    // A failure names the file by its very bytes.
    r = run(QList<QByteArray>{"encrypt-file", folder + "gone\xFF", encrypted}, {}, "k");
    EXPECT_TRUE(r.err.contains(folder + "gone\xFF: No such file")) << r.err.constData();
    // Names Qt can't hold as text are beyond QTemporaryDir's clean-up.
    for (const QByteArray& name : {source, encrypted, back}) {
        ::unlink(name.constData());
    }
}

TEST_F(Cli, ReadOnlyFolder) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permission bits do not stop root";
    }
    const QString plain = file(QStringLiteral("plain"), "data");
    QDir().mkdir(path(QStringLiteral("ro")));
    ::chmod(QFile::encodeName(path(QStringLiteral("ro"))).constData(), 0555);
    const Outcome r =
        run({QStringLiteral("encrypt-file"), plain, path(QStringLiteral("ro/out"))}, {}, "k");
    ::chmod(QFile::encodeName(path(QStringLiteral("ro"))).constData(), 0755);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("Permission denied (error 13)")) << r.err.constData();
}

// The program alone in a folder, with an empty home: no library anywhere.
TEST_F(Cli, LibraryMissing) {
    const QString lonely = path(QStringLiteral("bin/zephral-cli"));
    QDir().mkpath(path(QStringLiteral("bin")));
    ASSERT_TRUE(QFile::copy(kCli, lonely));
    const QString plain = file(QStringLiteral("plain"), "data");
    const QStringList cases[] = {
        {QStringLiteral("encode-text"), QStringLiteral("x")},
        {QStringLiteral("encrypt-text"), QStringLiteral("x")},
        {QStringLiteral("encrypt-file"), plain, path(QStringLiteral("out"))},
    };
    for (const QStringList& args : cases) {
        const Outcome r = run(args, {}, "k", lonely);
        EXPECT_EQ(r.status, 1) << qPrintable(args.join(u' '));
        EXPECT_TRUE(r.err.contains("libzephcore.so.1 could not be loaded")) << r.err.constData();
    }
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("out"))));
    // Looking for the library in ~/.local/lib leaves no folder behind.
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral(".local"))));
    // Text that needs no library still works.
    EXPECT_EQ(run({QStringLiteral("encode-text"), QString()}, {}, nullptr, lonely).status, 0);
}

// The program on a terminal of its own (a pseudo-terminal): each prompt that
// shows is answered with the next line; the exit status and everything shown
// come back.
struct TerminalRun {
    int status = -1;
    QByteArray seen;
};

TerminalRun onTerminal(const QByteArray& home, const QList<QByteArray>& args,
                       const QList<QByteArray>& lines) {
    const QByteArray cli = QFile::encodeName(kCli);
    std::vector<const char*> argv{cli.constData()};
    for (const QByteArray& a : args) {
        argv.push_back(a.constData());
    }
    argv.push_back(nullptr);
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        ::unsetenv("ZEPHRAL_KEY");
        ::setenv("HOME", home.constData(), 1);
        ::setenv("XDG_CONFIG_HOME", home.constData(), 1);
        ::execv(argv[0], const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    TerminalRun run;
    if (pid < 0) {
        return run;
    }
    // Reads until `done` holds, the terminal closes or nothing comes for 10 s.
    auto readUntil = [&](auto done) {
        pollfd p{master, POLLIN, 0};
        while (!done() && ::poll(&p, 1, 10000) > 0) {
            char buf[256];
            const ssize_t got = ::read(master, buf, sizeof buf);
            if (got <= 0) {
                return;
            }
            run.seen.append(buf, got);
        }
    };
    const QByteArray prompts[] = {"Key: ", "Again: "};
    for (qsizetype i = 0; i < lines.size() && i < 2; ++i) {
        readUntil([&] { return run.seen.contains(prompts[i]); });
        if (!run.seen.contains(prompts[i])) {
            break;
        }
        const QByteArray typed = lines[i] + '\n';
        [[maybe_unused]] ssize_t written =
            ::write(master, typed.constData(), static_cast<std::size_t>(typed.size()));
    }
    readUntil([] { return false; });
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 1000 && (done = ::waitpid(pid, &status, WNOHANG)) == 0; ++i) {
        ::usleep(10000);
    }
    if (done == 0) {
        // Still waiting for a key that never came.
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    ::close(master);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The key typed on a terminal: prompted for, not echoed, and used; asked
// twice for an encryption, which stops when the two differ.
TEST_F(Cli, PromptsOnTheTerminalWithoutEcho) {
    const QByteArray home = QFile::encodeName(m_home.path());
    const QByteArray key(kVectorKey);
    const QByteArray encoded = kVectorCipher.toBase64();
    struct Case {
        QList<QByteArray> args;
        QList<QByteArray> lines;
        int status;
        bool askedAgain;
        QByteArray shown;
    };
    const Case cases[] = {
        {{"encrypt-text", "BLOWFISH"}, {key, key}, 0, true, encoded},
        {{"encrypt-text", "BLOWFISH"}, {key, key + "!"}, 1, true, "The two keys typed differ"},
        {{"decrypt-text", encoded}, {key}, 0, false, "BLOWFISH"},
    };
    for (const Case& c : cases) {
        const TerminalRun r = onTerminal(home, c.args, c.lines);
        EXPECT_EQ(r.status, c.status) << r.seen.constData();
        EXPECT_EQ(r.seen.contains("Again: "), c.askedAgain) << r.seen.constData();
        EXPECT_FALSE(r.seen.contains(kVectorKey)) << "the key was echoed";
        EXPECT_TRUE(r.seen.contains(c.shown)) << r.seen.constData();
    }
}

// Stopped at the prompt with Ctrl-Z and continued, as a shell's fg does: the
// key typed after it is not echoed, and the line is asked for afresh, so the
// half typed before the stop is no part of the key. The program runs as a job
// of a small shell that continues it in the foreground as soon as it stops.
TEST_F(Cli, PromptSurvivesStopAndContinue) {
    const QByteArray home = QFile::encodeName(m_home.path());
    const QByteArray cli = QFile::encodeName(kCli);
    const QByteArray encoded = kVectorCipher.toBase64();
    int master = -1;
    const pid_t shell = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (shell == 0) {
        ::unsetenv("ZEPHRAL_KEY");
        ::setenv("HOME", home.constData(), 1);
        ::setenv("XDG_CONFIG_HOME", home.constData(), 1);
        std::signal(SIGTTOU, SIG_IGN);
        int ready[2];
        if (::pipe(ready) != 0) {
            ::_exit(126);
        }
        const pid_t job = ::fork();
        if (job == 0) {
            ::setpgid(0, 0);
            char c;
            [[maybe_unused]] ssize_t got = ::read(ready[0], &c, 1); // in the foreground
            std::signal(SIGTTOU, SIG_DFL);
            ::execl(cli.constData(), cli.constData(), "decrypt-text", encoded.constData(), nullptr);
            ::_exit(127);
        }
        ::setpgid(job, job);
        ::tcsetpgrp(STDIN_FILENO, job);
        [[maybe_unused]] ssize_t written = ::write(ready[1], "x", 1);
        for (;;) {
            int status = 0;
            if (::waitpid(job, &status, WUNTRACED) < 0) {
                ::_exit(125);
            }
            if (!WIFSTOPPED(status)) {
                ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 124);
            }
            [[maybe_unused]] ssize_t shown = ::write(STDOUT_FILENO, "[stopped]\r\n", 11);
            ::tcsetpgrp(STDIN_FILENO, job);
            ::kill(-job, SIGCONT);
        }
    }
    ASSERT_GT(shell, 0);
    QByteArray seen;
    auto readUntil = [&](const QByteArray& wanted, qsizetype from) {
        pollfd p{master, POLLIN, 0};
        while (seen.indexOf(wanted, from) < 0 && ::poll(&p, 1, 10000) > 0) {
            char buf[256];
            const ssize_t got = ::read(master, buf, sizeof buf);
            if (got <= 0) {
                return;
            }
            seen.append(buf, got);
        }
    };
    auto type = [&](const QByteArray& bytes) {
        [[maybe_unused]] ssize_t written =
            ::write(master, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    };
    readUntil("Key: ", 0);
    type("half"); // not yet a line
    ::usleep(100000);
    type("\x1A"); // Ctrl-Z
    readUntil("[stopped]", 0);
    const qsizetype stopped = seen.indexOf("[stopped]");
    ASSERT_GE(stopped, 0) << seen.constData();
    readUntil("Key: ", stopped);
    ASSERT_GE(seen.indexOf("Key: ", stopped), 0) << seen.constData();
    type(QByteArray(kVectorKey) + "\n");
    readUntil("BLOWFISH", stopped);
    readUntil("no more", 0); // to the end
    int status = 0;
    ::waitpid(shell, &status, 0);
    ::close(master);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << seen.constData();
    EXPECT_TRUE(seen.contains("BLOWFISH")) << seen.constData();
    EXPECT_FALSE(seen.contains(kVectorKey)) << "the key was echoed: " << seen.constData();
    EXPECT_FALSE(seen.contains("half")) << seen.constData();
}

// File names and arguments with control characters show quoted and escaped
// on a terminal, as ls shows them, never as the sequences they hold.
TEST_F(Cli, EscapesControlCharactersOnATerminal) {
    const QByteArray home = QFile::encodeName(m_home.path());
    const QByteArray name = home + "/x\x1B[2J\x1B]0;owned\x07";
    const struct {
        QList<QByteArray> args;
        QByteArray shown;
    } cases[] = {
        {{"--key-file", name, "encrypt-text", "x"},
         "'" + home + "/x'$'\\033''[2J'$'\\033'']0;owned'$'\\a': No such file"},
        {{"frob\x1B[2J"}, "unknown command 'frob\\033[2J'"},
    };
    for (const auto& c : cases) {
        const TerminalRun r = onTerminal(home, c.args, {});
        EXPECT_TRUE(r.seen.contains(c.shown)) << r.seen.constData();
        EXPECT_FALSE(r.seen.contains('\x1B')) << r.seen.constData();
    }
}

} // namespace
