// A file command in a process of its own, held where its content is
// complete and not yet in place, for the tests that end it by a signal there.
//
// Usage: file_work_child named|unnamed SOURCE DEST LIBRARY_FOLDER
// Prints one line when held and waits there for the signal.
#include "commands/Commands.h"
#include "commands/FileWriter.h"
#include "encrypt/CodePage.h"
#include "platform/AppInfo.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    using namespace zephral;
    if (argc != 5) {
        return 2;
    }
    gAppPath = QString::fromLocal8Bit(argv[4]) + QLatin1Char('/');
    setActiveCodePage(CodePage::byNumber(1252));
    const auto holdForever = [](const FileWriter&) {
        std::puts("held");
        std::fflush(stdout);
        for (;;) {
            ::pause();
        }
    };
    const ScopedFileWriterSeams seams({holdForever, std::strcmp(argv[1], "named") == 0});
    const CommandResult r = runFileCommand(Command::EncryptFile, FilePath::fromNative(argv[2]),
                                           FilePath::fromNative(argv[3]), QStringLiteral("key"));
    return r.ok ? 0 : 1;
}
