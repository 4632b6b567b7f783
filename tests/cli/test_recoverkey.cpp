// zephral-cli recover-key end to end, on files and text encrypted with
// known keys: what it finds, what it prints, how it stops and goes on.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// --- The command end to end --------------------------------------------------

struct Outcome {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

class RecoverKey : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.remove(QStringLiteral("ZEPHRAL_KEY"));
        m_env.insert(QStringLiteral("HOME"), m_dir.path());
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    }

    QString file(const QString& name, const QByteArray& content) {
        QFile f(m_dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return f.fileName();
    }

    void start(QProcess& p, const QStringList& args, const QByteArray& key = {}) {
        QProcessEnvironment env = m_env;
        if (!key.isEmpty()) {
            env.insert(QStringLiteral("ZEPHRAL_KEY"), QString::fromUtf8(key));
        }
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ZEPHRAL_CLI_PATH), args);
        p.closeWriteChannel();
    }

    Outcome run(const QStringList& args, const QByteArray& key = {}) {
        QProcess p;
        start(p, args, key);
        EXPECT_TRUE(p.waitForFinished(120000));
        return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    }

    // A file of text encrypted with `key`.
    QString encrypted(const QByteArray& key) {
        const QString plain = file(QStringLiteral("plain.txt"), kText);
        const QString path = m_dir.filePath(QStringLiteral("plain.enc"));
        EXPECT_EQ(run({QStringLiteral("encrypt-file"), plain, path}, key).status, 0);
        return path;
    }

    static constexpr const char* kText =
        "Dear diary, today I could not remember the key of this file, and the birds sang.\n";
    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
};

// The key is found from a remembered key one or two edits of each kind
// away, from a word list and from a mask with --increment.
TEST_F(RecoverKey, FindsTheKey) {
    const QString source = encrypted("Tulip7x");
    const QString words = file(QStringLiteral("words"), "rose\n\xFF\xFE\ntulip\nTulip7x\r\nlily\n");
    const QString small = QStringLiteral("--charset=Tulip7xo");
    const struct {
        const char* remembered; // for --like-file
        QStringList options;
    } cases[] = {
        {"Tlip7x", {}},     {"Tulipp7x", {}},   {"Tulop7x", {}},
        {"Tuilp7x", {}},    {"tulip7x", {}},    {"Tlp7x", {"--edits=2", small}},
        {"TTulip7xx", {"--edits=2", small}},    {"Tolip7o", {"--edits=2", small}},
        {"uTilp7x", {"--edits=2", small}},      {"tulIp7x", {"--edits=2", small}},
        {nullptr, {"--words", words}},          {nullptr, {"--mask=Tuli?l?d?l", "--increment"}},
    };
    for (const auto& c : cases) {
        QStringList args{QStringLiteral("recover-key")};
        if (c.remembered != nullptr) {
            args << QStringLiteral("--like-file")
                 << file(QStringLiteral("like"), QByteArray(c.remembered) + "\n");
        }
        const Outcome r = run(args + c.options + QStringList{source});
        EXPECT_EQ(r.status, 0) << (c.remembered ? c.remembered : "") << r.err.toStdString();
        EXPECT_EQ(r.out, "Tulip7x\n") << (c.remembered ? c.remembered : "");
    }
}

// Encrypted text, and a key whose character beyond ASCII hides the three
// before it: a key of the mask that opens the file is printed, and the note
// says why it need not be the one encrypted with.
TEST_F(RecoverKey, TextAndHiddenCharacters) {
    QProcess p;
    start(p, {QStringLiteral("encrypt-text"), QStringLiteral("Meet me at the old mill at nine.")},
          "zq9");
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString text = file(QStringLiteral("text.b64"), p.readAllStandardOutput());
    Outcome r = run({QStringLiteral("recover-key"), QStringLiteral("--text"),
                 QStringLiteral("--mask=?l?l?d"), text});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "zq9\n");

    const QString source = encrypted("ab\xC3\xA7\xC3\xA9"); // "abçé"
    r = run({QStringLiteral("recover-key"), QString::fromUtf8("--mask=?l?l?l\xC3\xA9"), source});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    // Whichever thread comes first: three letters and the "é".
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[a-z]{3}\u00E9\n$"))
                    .match(QString::fromUtf8(r.out))
                    .hasMatch())
        << r.out.toStdString();
    EXPECT_TRUE(r.err.contains("hides character 1, 2, 3")) << r.err.toStdString();
}

// Many wrong keys, hits among them, and none found: nothing on standard
// output. Fewer keys where the build is slow to run.
TEST_F(RecoverKey, NothingFound) {
    const QString source = encrypted("Zzzzz");
#ifdef NDEBUG
    const QString mask = QStringLiteral("--mask=?l?l?l?l");
#else
    const QString mask = QStringLiteral("--mask=?l?l?l");
#endif
    const Outcome r = run({QStringLiteral("recover-key"), mask, source});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("(\\d+) passed the padding")).match(QString::fromUtf8(r.err));
    ASSERT_TRUE(m.hasMatch()) << r.err.toStdString();
    EXPECT_GT(m.captured(1).toInt(), 0);
}

// SIGTERM stops a search with the point to go on from; going on from it
// finds the key. Parts of a search add up to the whole.
TEST_F(RecoverKey, ResumeAndParts) {
#ifdef NDEBUG
    const char* const key = "fzzz";
    const QString mask = QStringLiteral("--mask=?l?l?l?l");
#else // a build many times slower: fewer keys
    const char* const key = "pzz";
    const QString mask = QStringLiteral("--mask=?l?l?l");
#endif
    const QString source = encrypted(key);
    QProcess p;
    start(p, {QStringLiteral("recover-key"), mask,
              QStringLiteral("--increment"), QStringLiteral("--threads=1"), source});
    ASSERT_TRUE(p.waitForStarted());
    QThread::msleep(300);
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    if (p.exitCode() == 0) {
        GTEST_SKIP() << "the search ended before it could be stopped";
    }
    EXPECT_EQ(p.exitCode(), 128 + SIGTERM);
    const QRegularExpressionMatch point =
        QRegularExpression(QStringLiteral("--resume (\\d+)")).match(err);
    ASSERT_TRUE(point.hasMatch()) << err.toStdString();
    Outcome r = run({QStringLiteral("recover-key"), mask,
                 QStringLiteral("--increment"), QStringLiteral("--resume"), point.captured(1),
                 source});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray(key) + "\n");

    qlonglong total = 0;
    for (const char* part : {"1/3", "2/3", "3/3"}) {
        r = run({QStringLiteral("recover-key"), QStringLiteral("--mask=?l?l"),
                 QStringLiteral("--starts-with=nothing like it"), QStringLiteral("--part"),
                 QString::fromLatin1(part), source});
        EXPECT_EQ(r.status, 1);
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("among (\\d+) candidates"))
                                              .match(QString::fromUtf8(r.err));
        ASSERT_TRUE(m.hasMatch()) << r.err.toStdString();
        total += m.captured(1).toLongLong();
    }
    EXPECT_EQ(total, 26 * 26);
}

TEST_F(RecoverKey, UsageErrors) {
    const QString source = encrypted("abc");
    const QString like = file(QStringLiteral("like"), "abd\n");
    const QStringList cases[] = {
        {source},
        {QStringLiteral("--mask=?l"), source, source},
        {QStringLiteral("--mask=?l")},
        {QStringLiteral("--mask=?x"), source},
        {QStringLiteral("--increment"), QStringLiteral("--like-file"), like, source},
        {QStringLiteral("--like"), QStringLiteral("--like-file"), like, source},
        {QStringLiteral("--like-file"), like, QStringLiteral("--edits=4"), source},
        {QStringLiteral("--mask=?l"), QStringLiteral("--part=0/2"), source},
        {QStringLiteral("--mask=?l"), QStringLiteral("--part=3/2"), source},
        {QStringLiteral("--mask=?l"), QStringLiteral("--resume=27"), source},
        {QStringLiteral("--mask=?l"), QStringLiteral("--threads=0"), source},
        {QStringLiteral("--mask=?l"), QStringLiteral("--starts-with=a"),
         QStringLiteral("--starts-with-hex=61"), source},
        {QStringLiteral("--mask=?l"), QStringLiteral("--starts-with-hex=6"), source},
        {QStringLiteral("--mask=?l"), QStringLiteral("--charset="), source},
        {QStringLiteral("--mask=?l"), QStringLiteral("--no-such-option"), source},
        {QStringLiteral("--like"), source}, // no terminal to ask on
    };
    for (const QStringList& args : cases) {
        QStringList all{QStringLiteral("recover-key")};
        all += args;
        const Outcome r = run(all);
        EXPECT_EQ(r.status, 2) << args.join(u' ').toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
