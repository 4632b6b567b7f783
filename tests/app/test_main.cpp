// Start-up without windows: the program's folder, the step markers in the error
// message, and ReportError's text.
#include "FakeServices.h"
#include "platform/AppInfo.h"
#include "startup/basMain.h"

#include <gtest/gtest.h>
#include <new>

using namespace zephral;
using zephral::test::TestServices;

namespace {

class MainTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env.dir.isValid());
        // The components are not the subject here.
        services().components = QStringList{};
    }
    void TearDown() override { gAppPath.clear(); }

    StartupOptions quick() const { return StartupOptions{1000, 0}; }

    TestServices env;
};

TEST_F(MainTest, AppPathEndsInExactlyOneSeparator) {
    const struct {
        const char* folder;
        const char* expected;
    } cases[] = {{"/opt/zephral", "/opt/zephral/"}, {"/opt/zephral/", "/opt/zephral/"}, {"/", "/"}};
    for (const auto& c : cases) {
        EXPECT_EQ(appPathFrom(QString::fromUtf8(c.folder)), QString::fromUtf8(c.expected));
    }
}

TEST_F(MainTest, RunsSelfInstallLoadsAndShowsInThatOrder) {
    QStringList steps;
    const MainWindowSteps window{[&] { steps.append(readSetting(kSettingSelfInstall)); },
                                 [&] { steps.append(QStringLiteral("show")); }};
    EXPECT_TRUE(Main(QStringLiteral("/opt/zephral"), window, quick()));
    EXPECT_EQ(gAppPath, QStringLiteral("/opt/zephral/"));
    // Self-installation has run (and recorded so) before the window loads.
    EXPECT_EQ(steps, (QStringList{QStringLiteral("true"), QStringLiteral("show")}));
    EXPECT_TRUE(env.messageBox.shown.isEmpty());
}

// Building the window can only fail for want of memory.
TEST_F(MainTest, FailureIsReportedWithTheStepReached) {
    const auto fail = [] { throw std::bad_alloc(); };
    const auto nothing = [] {};
    const struct {
        MainWindowSteps window;
        const char* text;
    } cases[] = {
        {{fail, nothing}, "Main 4: error 12: Cannot allocate memory"},
        {{nothing, fail}, "Main 5: error 12: Cannot allocate memory"},
    };
    for (const auto& c : cases) {
        env.messageBox.shown.clear();
        EXPECT_FALSE(Main(QStringLiteral("/opt/zephral"), c.window, quick()));
        ASSERT_EQ(env.messageBox.shown.size(), 1);
        EXPECT_EQ(env.messageBox.shown[0].title, QStringLiteral("Quorvan Zephral"));
        EXPECT_EQ(env.messageBox.shown[0].text, QString::fromUtf8(c.text));
    }
}

TEST(ReportError, ShowsProcedureNumberDescriptionAndPath) {
    TestServices env;
    const struct {
        CommandResult failure;
        const char* text;
    } cases[] = {
        {CommandResult::systemError(2, FilePath::fromText(QStringLiteral("/data/in.txt"))),
         "cmdEncryptFile_click: error 2: No such file or directory (/data/in.txt)"},
        {CommandResult::failure(kErrorNoLibrary, QStringLiteral("no library")),
         "cmdET_click: error 1006: no library"},
    };
    for (const auto& c : cases) {
        env.messageBox.shown.clear();
        ReportError(QString::fromLatin1(c.text).section(QLatin1Char(':'), 0, 0), c.failure);
        ASSERT_EQ(env.messageBox.shown.size(), 1);
        EXPECT_EQ(env.messageBox.shown[0].title, QStringLiteral("Quorvan Zephral"));
        EXPECT_EQ(env.messageBox.shown[0].text, QString::fromUtf8(c.text));
        EXPECT_EQ(env.messageBox.shown[0].icon, MessageIcon::None);
    }
}

} // namespace
