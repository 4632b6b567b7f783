// The progress line: shown on a terminal only, only after a second of work,
// redrawn in place and taken away at the end.
#include "Progress.h"

#include <QByteArray>
#include <QList>
#include <gtest/gtest.h>

namespace zephral::cli {
namespace {

// What the line wrote to a memory stream while a stepped clock ran.
QByteArray drawn(bool shown, const QList<std::pair<double, qint64>>& steps, qint64 total) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    double now = 0;
    {
        ProgressLine line(out, shown, [&] { return now; });
        for (const auto& [at, done] : steps) {
            now = at;
            line.update(done, total);
        }
        line.finish();
    }
    std::fclose(out);
    QByteArray text(buffer, static_cast<qsizetype>(size));
    std::free(buffer);
    return text;
}

TEST(ProgressLine, ShownOnlyOnATerminalAfterASecond) {
    const qint64 mib = 1 << 20;
    struct Case {
        bool terminal;
        QList<std::pair<double, qint64>> steps;
        qint64 total;
        QList<QByteArray> expected; // empty: nothing at all
    };
    const Case cases[] = {
        {false, {{2.0, 100 * mib}, {4.0, 200 * mib}}, 400 * mib, {}},
        {true, {{0.5, 50 * mib}, {0.9, 90 * mib}}, 400 * mib, {}},
        // 100 MiB in 2 s: 50 MiB/s, 300 MiB left take 6 s.
        {true, {{2.0, 100 * mib}}, 400 * mib, {" 25%  50.0 MiB/s  0:06 left"}},
        // A pipe's size is unknown: bytes done instead.
        {true, {{2.0, 100 * mib}}, -1, {"100.0 MiB  50.0 MiB/s"}},
        // Redrawn at most five times a second.
        {true,
         {{2.0, 100 * mib}, {2.1, 105 * mib}, {4.0, 300 * mib}},
         400 * mib,
         {" 25%", " 75%  75.0 MiB/s  0:01 left"}},
    };
    for (const Case& c : cases) {
        const QByteArray text = drawn(c.terminal, c.steps, c.total);
        if (c.expected.isEmpty()) {
            EXPECT_TRUE(text.isEmpty()) << text.constData();
            continue;
        }
        for (const QByteArray& part : c.expected) {
            EXPECT_TRUE(text.contains(part)) << text.constData();
        }
        EXPECT_EQ(text.count('\r'), c.expected.size() + 2) << text.constData();
        // Blanked at the end, the cursor back at the start of the line.
        EXPECT_TRUE(text.endsWith(" \r"));
    }
}

} // namespace
} // namespace zephral::cli
