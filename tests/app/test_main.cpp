// Start-up without windows: the program's folder, the step markers in the error
// message, and ReportError's text.
#include "FakeServices.h"
#include "core/AppInfo.h"
#include "core/basMain.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <system_error>

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

TEST_F(MainTest, FailureIsReportedWithTheStepReached) {
    const auto fail = [] { throw AppError(5, QStringLiteral("Access is denied")); };
    const auto nothing = [] {};
    const struct {
        MainWindowSteps window;
        const char* text;
    } cases[] = {
        {{fail, nothing}, "Main 4: error 5: Access is denied"},
        {{nothing, fail}, "Main 5: error 5: Access is denied"},
    };
    for (const auto& c : cases) {
        env.messageBox.shown.clear();
        EXPECT_FALSE(Main(QStringLiteral("/opt/zephral"), c.window, quick()));
        ASSERT_EQ(env.messageBox.shown.size(), 1);
        EXPECT_EQ(env.messageBox.shown[0].title, QStringLiteral("Quorvan Zephral"));
        EXPECT_EQ(env.messageBox.shown[0].text, QString::fromUtf8(c.text));
    }
}

TEST(ReportError, ShowsProcedureNumberAndDescription) {
    TestServices env;
    ReportError(QStringLiteral("cmdEncryptFile_click"), 2, QStringLiteral("No such file"));
    ASSERT_EQ(env.messageBox.shown.size(), 1);
    EXPECT_EQ(env.messageBox.shown[0].title, QStringLiteral("Quorvan Zephral"));
    EXPECT_EQ(env.messageBox.shown[0].text,
              QStringLiteral("cmdEncryptFile_click: error 2: No such file"));
    EXPECT_EQ(env.messageBox.shown[0].icon, MessageIcon::None);
}

TEST(ReportError, TakesTheExceptionBeingHandled) {
    TestServices env;
    const struct {
        std::function<void()> raise;
        int number;
    } cases[] = {
        {[] { throw AppError(13, QStringLiteral("Permission denied")); }, 13},
        {[] { throw std::system_error(ENOSPC, std::generic_category()); }, ENOSPC},
        {[] { throw std::bad_alloc(); }, ENOMEM},
        {[] { throw std::runtime_error("odd"); }, -1},
        {[] { throw 42; }, -1},
    };
    for (const auto& c : cases) {
        env.messageBox.shown.clear();
        try {
            c.raise();
        } catch (...) {
            ReportError(QStringLiteral("cmdET_click"));
        }
        ASSERT_EQ(env.messageBox.shown.size(), 1);
        const QString text = env.messageBox.shown[0].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("cmdET_click: error %1: ").arg(c.number)))
            << text.toStdString();
        EXPECT_GT(text.size(), QStringLiteral("cmdET_click: error %1: ").arg(c.number).size());
    }
}

} // namespace
