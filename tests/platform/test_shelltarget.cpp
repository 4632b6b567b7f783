// What the shell's "Open" hands to the desktop.
#include "platform/ShellTarget.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using zephral::shellTarget;

TEST(ShellTarget, WebAddressesAndSchemes) {
    const struct {
        const char* input;
        const char* url;
    } cases[] = {
        {"www.quorvan.example", "http://www.quorvan.example"},
        {"  www.quorvan.example  ", "http://www.quorvan.example"},
        {"quorvan.example/help", "http://quorvan.example/help"},
        {"host.example:8080", "http://host.example:8080"},
        {"https://www.quorvan.example/x", "https://www.quorvan.example/x"},
        {"mailto:someone@quorvan.example", "mailto:someone@quorvan.example"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shellTarget(QString::fromUtf8(c.input)).toString().toStdString(), c.url)
            << c.input;
    }
}

TEST(ShellTarget, NothingToOpen) {
    for (const char* input : {"", "   ", "localhost", "not a host.example", "-bad.example",
                              "/no/such/file/readme.txt"}) {
        EXPECT_FALSE(shellTarget(QString::fromUtf8(input)).isValid()) << input;
    }
}

TEST(ShellTarget, ExistingLocalFilesOpenAsFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A file name that would also pass for a host name is still a file.
    const QString path = dir.filePath(QStringLiteral("read me.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QUrl url = shellTarget(path);
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_EQ(url.toLocalFile(), path);
}
