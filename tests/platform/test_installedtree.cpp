// The program's view of an installed tree: its private library folder and
// data folder beside its own, and the read-me it opens.
#include "platform/AppInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zephral;

namespace {

class InstalledTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        gAppPath = dir.filePath(QStringLiteral("prefix/bin/"));
        ASSERT_TRUE(QDir().mkpath(gAppPath));
    }
    void TearDown() override { gAppPath.clear(); }
    static void touch(const QString& path) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QTemporaryDir dir;
};

TEST_F(InstalledTree, FoldersLieBesideTheProgramsFolder) {
    const QString prefix = dir.filePath(QStringLiteral("prefix/"));
    for (const QString& folder : {installedLibraryFolder(), installedDataFolder()}) {
        EXPECT_TRUE(folder.startsWith(prefix)) << folder.toStdString();
        EXPECT_TRUE(folder.endsWith(QStringLiteral("/zephral/"))) << folder.toStdString();
        EXPECT_FALSE(folder.contains(QStringLiteral("/../"))) << folder.toStdString();
    }
    EXPECT_FALSE(runsInstalled());
    ASSERT_TRUE(QDir().mkpath(installedLibraryFolder()));
    EXPECT_TRUE(runsInstalled());
}

TEST_F(InstalledTree, ReadmeBesideTheProgramFirstThenTheInstalledOne) {
    const QString beside = gAppPath + QStringLiteral("readme.txt");
    const QString installed = installedDataFolder() + QStringLiteral("readme.txt");
    const struct {
        bool besideExists;
        bool installedExists;
        QString opened;
    } cases[] = {
        {true, true, beside},
        {false, true, installed},
        {true, false, beside},
        // Neither: the path beside the program, which opens nothing.
        {false, false, beside},
    };
    for (const auto& c : cases) {
        QFile::remove(beside);
        QFile::remove(installed);
        if (c.besideExists) {
            touch(beside);
        }
        if (c.installedExists) {
            touch(installed);
        }
        EXPECT_EQ(readmePath(), c.opened) << c.besideExists << c.installedExists;
    }
}

} // namespace
