// Self-installation against real files and libraries in temporary folders.
#include "FakeServices.h"
#include "platform/AppInfo.h"
#include "startup/basSelfInstall.h"
#include "tools/basTools.h"

#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

using namespace zephral;
using zephral::test::TestServices;

namespace {

const QString kRegistering = QStringLiteral("libfake_component.so");
const QString kPlain = QStringLiteral("libplain_component.so");

// The real loader, recording what it loads and unloads.
class RecordingLoader : public LibraryLoader {
public:
    struct Log {
        QStringList loaded;
        QStringList unloaded;
    };
    class RecordingLibrary : public Library {
    public:
        RecordingLibrary(std::unique_ptr<Library> inner, QString path, Log& log)
            : m_inner(std::move(inner)), m_path(std::move(path)), m_log(log) {}
        QFunctionPointer resolve(const char* name) override { return m_inner->resolve(name); }
        void unload() override {
            m_log.unloaded.append(m_path);
            m_inner->unload();
        }

    private:
        std::unique_ptr<Library> m_inner;
        QString m_path;
        Log& m_log;
    };

    std::unique_ptr<Library> load(const QString& path) override {
        std::unique_ptr<Library> library = m_real.load(path);
        if (!library) {
            return nullptr;
        }
        log.loaded.append(path);
        return std::make_unique<RecordingLibrary>(std::move(library), path, log);
    }
    Log log;

private:
    QtLibraryLoader m_real;
};

// A system folder whose answer a test sets, NULs and all.
class FixedSystemFolder : public SystemFolder {
public:
    QString systemFolder() const override { return answer; }
    QString answer;
};

class SelfInstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env.dir.isValid());
        services().libraries = &loader;
        services().components = QStringList{kRegistering, kPlain};
        program = env.path(QStringLiteral("program/"));
        system = env.path(QStringLiteral("system/"));
        QDir().mkpath(program);
        gAppPath = program;
        marker = env.path(QStringLiteral("registered.txt"));
        qputenv("ZEPHRAL_FAKE_MARKER", marker.toLocal8Bit());
        qunsetenv("ZEPHRAL_FAKE_DELAY_MS");
    }
    void TearDown() override {
        gAppPath.clear();
        qunsetenv("ZEPHRAL_FAKE_MARKER");
        qunsetenv("ZEPHRAL_FAKE_DELAY_MS");
    }

    void putInProgramFolder(const QString& name) { putComponent(program + name, name); }
    static void putComponent(const QString& target, const QString& name) {
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(QStringLiteral(FAKE_COMPONENT_DIR "/") + name, target));
    }
    int registrations() const {
        QFile file(marker);
        return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
    }
    QString setting() const { return readSetting(kSettingSelfInstall); }

    TestServices env;
    RecordingLoader loader;
    QString program;
    QString system;
    QString marker;
};

TEST_F(SelfInstallTest, FirstStartCopiesAndRegistersEveryComponent) {
    putInProgramFolder(kRegistering);
    putInProgramFolder(kPlain);
    RunSelfInstall(5000, 0);
    EXPECT_TRUE(QFileInfo::exists(system + kRegistering));
    EXPECT_TRUE(QFileInfo::exists(system + kPlain));
    EXPECT_EQ(registrations(), 1);
    // The component without an entry is loaded and unloaded again, nothing more.
    EXPECT_EQ(loader.log.loaded, (QStringList{system + kRegistering, system + kPlain}));
    EXPECT_EQ(loader.log.unloaded, loader.log.loaded);
    EXPECT_EQ(setting(), QStringLiteral("true"));
}

// An installed program's components lie in its private library folder, not
// beside it; one beside it is still taken first.
TEST_F(SelfInstallTest, InstalledProgramCopiesFromItsLibraryFolder) {
    const QString installed = installedLibraryFolder();
    ASSERT_TRUE(installed.startsWith(env.dir.path())) << installed.toStdString();
    ASSERT_TRUE(QDir().mkpath(installed));
    putComponent(installed + kRegistering, kRegistering);
    putComponent(installed + kPlain, kPlain);
    putInProgramFolder(kPlain);
    EXPECT_EQ(componentSource(kRegistering), installed + kRegistering);
    EXPECT_EQ(componentSource(kPlain), program + kPlain);
    RunSelfInstall(5000, 0);
    EXPECT_TRUE(QFileInfo::exists(system + kRegistering));
    EXPECT_EQ(registrations(), 1);
    EXPECT_EQ(setting(), QStringLiteral("true"));
    QDir(installed).removeRecursively();
}

TEST_F(SelfInstallTest, SettingDecidesWhetherItRuns) {
    const struct {
        const char* stored;
        bool runs;
    } cases[] = {{"true", false}, {"TRUE", false}, {"1", false},  {"-1", false}, {"false", true},
                 {"False", true}, {"0", true},     {"yes", true}, {"", true},    {nullptr, true}};
    putInProgramFolder(kRegistering);
    for (const auto& c : cases) {
        QDir(system).removeRecursively();
        QFile::remove(marker);
        env.settingsStore.saveSetting(QStringLiteral("Zephral"), QStringLiteral("General"),
                                      QStringLiteral("SelfInstall"),
                                      QString::fromUtf8(c.stored ? c.stored : "false"));
        if (c.stored == nullptr) {
            QFile::remove(env.path(QStringLiteral("config/Zephral.ini")));
        }
        RunSelfInstall(5000, 0);
        EXPECT_EQ(QFileInfo::exists(system + kRegistering), c.runs)
            << (c.stored ? c.stored : "absent");
        EXPECT_EQ(registrations(), c.runs ? 1 : 0) << (c.stored ? c.stored : "absent");
        EXPECT_EQ(ToBool(setting()), true);
    }
}

TEST_F(SelfInstallTest, ExistingComponentIsNotReplacedButRegisteredAgain) {
    putInProgramFolder(kRegistering);
    QDir().mkpath(system);
    putComponent(system + kRegistering, kRegistering);
    // Mark the installed copy so a replacement would show.
    const QDateTime before = QFileInfo(system + kRegistering).lastModified();
    QFile::remove(program + kRegistering);
    QFile decoy(program + kRegistering);
    ASSERT_TRUE(decoy.open(QIODevice::WriteOnly));
    decoy.write("not a library");
    decoy.close();

    RunSelfInstall(5000, 0);
    EXPECT_EQ(registrations(), 1);
    EXPECT_EQ(QFileInfo(system + kRegistering).lastModified(), before);
    EXPECT_GT(QFileInfo(system + kRegistering).size(), 100);
}

TEST_F(SelfInstallTest, MissingComponentIsSkippedAndSettingStillWritten) {
    putInProgramFolder(kPlain);
    RunSelfInstall(5000, 0);
    EXPECT_FALSE(QFileInfo::exists(system + kRegistering));
    EXPECT_TRUE(QFileInfo::exists(system + kPlain));
    EXPECT_EQ(registrations(), 0);
    EXPECT_EQ(setting(), QStringLiteral("true"));
}

TEST_F(SelfInstallTest, ComponentThatIsNoLibraryIsSkipped) {
    QFile bogus(program + kRegistering);
    ASSERT_TRUE(bogus.open(QIODevice::WriteOnly));
    bogus.write("#!/bin/sh\n");
    bogus.close();
    RunSelfInstall(5000, 0);
    EXPECT_TRUE(QFileInfo::exists(system + kRegistering));
    EXPECT_TRUE(loader.log.loaded.isEmpty());
    EXPECT_EQ(setting(), QStringLiteral("true"));
}

TEST_F(SelfInstallTest, SystemFolderAnswerIsTrimmedAndGetsOneSeparator) {
    FixedSystemFolder fixed;
    services().systemFolder = &fixed;
    putInProgramFolder(kRegistering);
    const QString folder = env.path(QStringLiteral("sys"));
    QDir().mkpath(folder);
    const struct {
        QString answer;
        bool installs;
    } cases[] = {
        {folder, true},
        {folder + QLatin1Char('/'), true},
        {folder + QChar(u'\0') + QStringLiteral("        "), true},
        {QString(), false},
        {QString(QChar(u'\0')) + folder, false},
    };
    for (const auto& c : cases) {
        QFile::remove(folder + QLatin1Char('/') + kRegistering);
        loader.log = {};
        fixed.answer = c.answer;
        InstallComponent(kRegistering, 5000);
        EXPECT_EQ(QFileInfo::exists(folder + QLatin1Char('/') + kRegistering), c.installs);
        const QStringList expected =
            c.installs ? QStringList{folder + QLatin1Char('/') + kRegistering} : QStringList{};
        EXPECT_EQ(loader.log.loaded, expected);
    }
}

TEST_F(SelfInstallTest, RegisterComponentIgnoresEmptyAndMissingPaths) {
    RegisterComponent(QString(), 5000);
    RegisterComponent(env.path(QStringLiteral("nothing-here.so")), 5000);
    EXPECT_TRUE(loader.log.loaded.isEmpty());
    EXPECT_EQ(registrations(), 0);
}

TEST_F(SelfInstallTest, OverrunningRegistrationIsLeftToFinishWithItsLibraryLoaded) {
    QDir().mkpath(system);
    putComponent(system + kRegistering, kRegistering);
    qputenv("ZEPHRAL_FAKE_DELAY_MS", "400");
    RegisterComponent(system + kRegistering, 20);
    // Returned while the entry still sleeps; its library was not pulled away.
    EXPECT_EQ(registrations(), 0);
    EXPECT_TRUE(loader.log.unloaded.isEmpty());
    // The detached registration runs to its end in the still-loaded library.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (registrations() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(registrations(), 1);
}

TEST_F(SelfInstallTest, RegistrationWithinTheWaitUnloadsItsLibrary) {
    QDir().mkpath(system);
    putComponent(system + kRegistering, kRegistering);
    qputenv("ZEPHRAL_FAKE_DELAY_MS", "30");
    RegisterComponent(system + kRegistering, 5000);
    EXPECT_EQ(registrations(), 1);
    EXPECT_EQ(loader.log.unloaded, QStringList{system + kRegistering});
}

} // namespace
