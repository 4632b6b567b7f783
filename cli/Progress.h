// The progress line of a long file command: percent, MiB/s and time left on
// standard error, one line updated in place. It shows only on a terminal,
// and only once the work has taken a second, so quick work and scripts
// never see it.
#pragma once

#include <QString>
#include <cstdio>
#include <functional>

namespace zephral::cli {

class ProgressLine {
public:
    // Seconds from any fixed point; tests step their own.
    using Clock = std::function<double()>;

    ProgressLine(std::FILE* out, bool shown, Clock clock = steadySeconds, double after = 1.0);
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // `total` is -1 when unknown (a pipe): the line then gives bytes done.
    void update(qint64 done, qint64 total);
    // Any line, made only when it is time to draw one, from the seconds the
    // work has taken.
    void updateText(const std::function<QString(double seconds)>& line);
    // Takes the line away again, if it was shown.
    void finish();

    static QString format(qint64 done, qint64 total, double seconds);
    static double steadySeconds();

private:
    std::FILE* m_out;
    bool m_shown;
    Clock m_clock;
    double m_after;
    double m_start;
    double m_lastDrawn = -1;
    int m_width = 0;
};

} // namespace zephral::cli
