// ToBool, TrimAtNul and the error log.
#include "FakeServices.h"
#include "encrypt/CodePage.h"
#include "platform/AppInfo.h"
#include "startup/basMain.h"
#include "tools/basTools.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zephral;
using zephral::test::TestServices;

namespace {

struct ToBoolCase {
    const char* text;
    bool expected;
};

class ToBoolTest : public ::testing::TestWithParam<ToBoolCase> {};

TEST_P(ToBoolTest, ConvertsText) {
    EXPECT_EQ(ToBool(QString::fromUtf8(GetParam().text)), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ToBoolTest,
    ::testing::Values(ToBoolCase{"true", true}, ToBoolCase{"TRUE", true}, ToBoolCase{"tRuE", true},
                      ToBoolCase{" true ", true}, ToBoolCase{"1", true}, ToBoolCase{"-1", true},
                      ToBoolCase{"2.5", true}, ToBoolCase{"0.001", true}, ToBoolCase{"1e999", true},
                      ToBoolCase{"+7", true}, ToBoolCase{".5", true}, ToBoolCase{"false", false},
                      ToBoolCase{"FALSE", false}, ToBoolCase{"0", false}, ToBoolCase{"-0", false},
                      ToBoolCase{"0.0", false}, ToBoolCase{"0e999", false}, ToBoolCase{"", false},
                      ToBoolCase{"   ", false}, ToBoolCase{"yes", false}, ToBoolCase{"on", false},
                      ToBoolCase{"truely", false}, ToBoolCase{"1a", false},
                      ToBoolCase{"inf", false}, ToBoolCase{"nan", false},
                      ToBoolCase{"1.2.3", false}, ToBoolCase{"-", false}));

TEST(TrimAtNul, CutsAtTheFirstNul) {
    const struct {
        QString text;
        QString expected;
    } cases[] = {
        {QStringLiteral("abc"), QStringLiteral("abc")},
        {QString(), QString()},
        {QString(QChar(u'\0')) + QStringLiteral("abc"), QString()},
        {QStringLiteral("/usr/lib") + QChar(u'\0') + QStringLiteral("   "),
         QStringLiteral("/usr/lib")},
        {QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b") + QChar(u'\0'),
         QStringLiteral("a")},
        // Code 0 exactly: characters that merely look empty stay.
        {QStringLiteral("a\u2400b "), QStringLiteral("a\u2400b ")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrimAtNul(c.text), c.expected) << c.text.toStdString();
    }
}

class ErrorLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env.dir.isValid());
        resetActiveCodePage();
        // A folder of its own, so that an installed tree around it stays
        // inside the temporary folder.
        gAppPath = env.path(QStringLiteral("program/"));
        ASSERT_TRUE(QDir().mkpath(gAppPath));
        env.environment.variables.insert(QStringLiteral("username"), QStringLiteral("alice"));
        env.environment.variables.insert(QStringLiteral("computername"), QStringLiteral("PC-7"));
    }
    void TearDown() override {
        gAppPath.clear();
        resetActiveCodePage();
    }

    static QByteArray read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QByteArray log() const { return read(gAppPath + QStringLiteral("ErrorLog.txt")); }
    QByteArray dataLog() const { return read(env.path(QStringLiteral("data/ErrorLog.txt"))); }

    TestServices env;
};

TEST_F(ErrorLogTest, WritesOneRecordPerCallAndKeepsOlderLines) {
    LogError(false, QStringLiteral("380"), QStringLiteral("Invalid property value"),
             QStringLiteral("Frame3D"), QStringLiteral("UserControl_ReadProperties"));
    env.clock.time = QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5));
    LogError(false, QStringLiteral("-5"), QStringLiteral("Bad \"quoted\" value"),
             QStringLiteral("Frame3D"), QStringLiteral("DrawFlood"));
    EXPECT_EQ(log(), QByteArray("#2026-12-06 18:05:09#,\"380\",\"Invalid property value\","
                                "\"Frame3D\",\"UserControl_ReadProperties\","
                                "\"Quorvan Zephral v1.0.46\",\"alice\",\"PC-7\"\r\n"
                                "#2027-01-02 03:04:05#,\"-5\",\"Bad \"quoted\" value\","
                                "\"Frame3D\",\"DrawFlood\",\"Quorvan Zephral v1.0.46\","
                                "\"alice\",\"PC-7\"\r\n"));
    EXPECT_TRUE(env.messageBox.shown.isEmpty());
    EXPECT_TRUE(dataLog().isEmpty());
}

TEST_F(ErrorLogTest, EscapesControlCharacters) {
    LogError(false, QStringLiteral("2"), QStringLiteral("x\x1B[2J\x1B]0;owned\a: not found"),
             QStringLiteral("m"), QStringLiteral("p"));
    EXPECT_TRUE(log().contains("\"x\\033[2J\\033]0;owned\\a: not found\"")) << log().constData();
    EXPECT_FALSE(log().contains('\x1B'));
}

// The window's start-up puts a setting that names no code page into the log,
// once however often the code page is used.
TEST_F(ErrorLogTest, AnUnknownCodePageSettingIsLoggedOnce) {
    writeSetting(kSettingCodePage, QStringLiteral("65001"));
    installCodePageFallbackLog();
    EXPECT_EQ(activeCodePage().number(), 1252);
    EXPECT_EQ(activeCodePage().number(), 1252);
    setCodePageFallbackHandler({});
    EXPECT_EQ(log().count("\"1007\",\"The CodePage setting \"65001\" is no code page"), 1)
        << log().constData();
}

TEST_F(ErrorLogTest, StampLeavesOutTheTimeAtExactlyMidnight) {
    const struct {
        QTime time;
        QString stamp;
    } cases[] = {
        {QTime(0, 0, 0), QStringLiteral("#2026-03-04#")},
        {QTime(0, 0, 1), QStringLiteral("#2026-03-04 00:00:01#")},
        {QTime(23, 59, 59), QStringLiteral("#2026-03-04 23:59:59#")},
        {QTime(12, 0, 0), QStringLiteral("#2026-03-04 12:00:00#")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(errorLogStamp(QDateTime(QDate(2026, 3, 4), c.time)), c.stamp);
    }
}

TEST_F(ErrorLogTest, EmptyFieldsAreTwoQuotes) {
    LogError(false, QStringLiteral("7"), QString(), QString(), QString());
    EXPECT_EQ(log(), QByteArray("#2026-12-06 18:05:09#,\"7\",\"\",\"\",\"\","
                                "\"Quorvan Zephral v1.0.46\",\"alice\",\"PC-7\"\r\n"));
}

TEST_F(ErrorLogTest, UserAndComputerFallBackToTheSystemNames) {
    env.environment.variables.clear();
    LogError(false, QStringLiteral("1"), QStringLiteral("d"), QStringLiteral("m"),
             QStringLiteral("p"));
    EXPECT_TRUE(log().endsWith("\"sysuser\",\"syshost\"\r\n")) << log().toStdString();
}

TEST_F(ErrorLogTest, MessageBoxComesFirstWithItsFourLines) {
    LogError(true, QStringLiteral("380"), QStringLiteral("Invalid property value"),
             QStringLiteral("Frame3D"), QStringLiteral("UserControl_ReadProperties"));
    ASSERT_EQ(env.messageBox.shown.size(), 1);
    const auto& shown = env.messageBox.shown.first();
    EXPECT_EQ(shown.title, QStringLiteral("Quorvan Zephral - ERROR"));
    EXPECT_EQ(shown.icon, MessageIcon::Critical);
    EXPECT_EQ(shown.text, QStringLiteral("Error occured: 380\r\nDescription: Invalid property "
                                         "value\r\nModule: Frame3D\r\nFunction: "
                                         "UserControl_ReadProperties"));
    EXPECT_FALSE(log().isEmpty());
}

TEST(ErrorMessageText, LeavesOutEmptyLines) {
    const struct {
        const char* description;
        const char* module;
        const char* procedure;
        const char* text;
    } cases[] = {
        {"", "", "", "Error occured: 9\r\n"},
        {"d", "", "", "Error occured: 9\r\nDescription: d\r\n"},
        {"", "m", "", "Error occured: 9\r\nModule: m\r\n"},
        {"", "", "p", "Error occured: 9\r\nFunction: p"},
        {"d", "m", "", "Error occured: 9\r\nDescription: d\r\nModule: m\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(errorMessageText(QStringLiteral("9"), QString::fromUtf8(c.description),
                                   QString::fromUtf8(c.module), QString::fromUtf8(c.procedure)),
                  QString::fromUtf8(c.text));
    }
}

// Where the record goes when the program's folder can't or shouldn't take it:
// the user's data folder, created on demand; lost only when that refuses too.
TEST_F(ErrorLogTest, GoesToTheDataFolderWhenTheProgramFolderWontTakeIt) {
    enum Setup { LogIsAFolder, FolderMissing, InstalledTree, DataFolderRefusesToo };
    const struct {
        Setup setup;
        bool inDataFolder;
    } cases[] = {
        {LogIsAFolder, true},
        {FolderMissing, true},
        // Writable, but an installed program keeps nothing beside itself.
        {InstalledTree, true},
        {DataFolderRefusesToo, false},
    };
    const QString data = env.path(QStringLiteral("data"));
    const QString program = gAppPath;
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.setup));
        gAppPath = program;
        QDir(data).removeRecursively();
        QDir(installedLibraryFolder()).removeRecursively();
        QDir(program).removeRecursively();
        QDir().mkpath(program);
        switch (c.setup) {
        case LogIsAFolder:
            ASSERT_TRUE(QDir(program).mkdir(QStringLiteral("ErrorLog.txt")));
            break;
        case FolderMissing:
            gAppPath = env.path(QStringLiteral("missing/folder/"));
            break;
        case InstalledTree:
            ASSERT_TRUE(QDir().mkpath(installedLibraryFolder()));
            ASSERT_TRUE(runsInstalled());
            break;
        case DataFolderRefusesToo:
            ASSERT_TRUE(QDir(program).mkdir(QStringLiteral("ErrorLog.txt")));
            ASSERT_TRUE(QDir().mkpath(data + QStringLiteral("/ErrorLog.txt")));
            break;
        }
        env.messageBox.shown.clear();
        LogError(true, QStringLiteral("380"), QStringLiteral("d"), QStringLiteral("Frame3D"),
                 QStringLiteral("p"));
        EXPECT_EQ(env.messageBox.shown.size(), 1);
        EXPECT_EQ(dataLog().startsWith("#2026-12-06 18:05:09#,\"380\""), c.inDataFolder)
            << dataLog().toStdString();
        EXPECT_TRUE(log().isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(env.path(QStringLiteral("missing"))));
}

TEST_F(ErrorLogTest, WrittenInTheCodePage) {
    LogError(false, QStringLiteral("1"), QStringLiteral("caf\u00e9 \u20ac \u4e2d"),
             QStringLiteral("m"), QStringLiteral("p"));
    // Windows-1252: é is 0xE9, € is 0x80; a character it lacks becomes "?".
    EXPECT_TRUE(log().contains("\"caf\xe9 \x80 ?\"")) << log().toStdString();
}

} // namespace
