#include "Progress.h"

#include <chrono>

namespace zephral::cli {

namespace {

// Redrawing more often than this only costs time.
constexpr double kRedrawEvery = 0.2;

QString mib(double bytes) {
    return QString::number(bytes / (1 << 20), 'f', 1);
}

QString duration(double seconds) {
    const auto s = static_cast<qint64>(seconds + 0.5);
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

ProgressLine::ProgressLine(std::FILE* out, bool shown, Clock clock, double after)
    : m_out(out), m_shown(shown), m_clock(std::move(clock)), m_after(after), m_start(m_clock()) {}

double ProgressLine::steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString ProgressLine::format(qint64 done, qint64 total, double seconds) {
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    const QString speed = QStringLiteral("%1 MiB/s").arg(mib(rate));
    if (total <= 0) {
        return QStringLiteral("%1 MiB  %2").arg(mib(static_cast<double>(done)), speed);
    }
    const auto percent = static_cast<int>(done * 100 / total);
    const QString left =
        rate > 0 ? duration(static_cast<double>(total - done) / rate) : QStringLiteral("?:??");
    return QStringLiteral("%1%  %2  %3 left").arg(percent, 3).arg(speed, left);
}

void ProgressLine::update(qint64 done, qint64 total) {
    updateText([&](double seconds) { return format(done, total, seconds); });
}

void ProgressLine::updateText(const std::function<QString(double seconds)>& text) {
    if (!m_shown) {
        return;
    }
    const double now = m_clock();
    const double seconds = now - m_start;
    if (seconds < m_after || (m_lastDrawn >= 0 && now - m_lastDrawn < kRedrawEvery)) {
        return;
    }
    m_lastDrawn = now;
    QByteArray line = text(seconds).toUtf8();
    // Blanks over what a longer line before left.
    const auto width = static_cast<int>(line.size());
    if (width < m_width) {
        line.append(m_width - width, ' ');
    }
    m_width = width;
    std::fputc('\r', m_out);
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), m_out);
    std::fflush(m_out);
}

void ProgressLine::finish() {
    if (m_lastDrawn < 0) {
        return;
    }
    std::fprintf(m_out, "\r%*s\r", m_width, "");
    std::fflush(m_out);
    m_lastDrawn = -1;
    m_width = 0;
}

} // namespace zephral::cli
