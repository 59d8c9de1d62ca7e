// Following the warning log.
#include "simulation/logfollower.h"

#include <algorithm>

namespace gyro {

LogFollower LogFollower::fromNow(const ErrorReport& report) {
    LogFollower follower;
    follower.m_seen = report.totalLines();
    return follower;
}

LogFollower::News LogFollower::take(const ErrorReport& report, std::size_t maxLines) {
    News news;
    const std::size_t total = report.totalLines();
    if (total == m_seen) return news;
    if (total < m_seen || m_seen == 0) {
        // The log was cleared (or nothing was seen yet): start from its beginning.
        news.restarted = true;
        m_seen = 0;
    }
    const std::size_t dropped = report.droppedLines();
    const std::size_t newest = total - std::min(total, maxLines);
    const std::size_t first = std::max({m_seen, newest, dropped});
    news.skipped = first - m_seen;
    // Only the lines handed over are written out (a step-size line is kept as numbers until
    // read): a reader that shows the newest few never pays for the thousands before them.
    news.lines.reserve(total - first);
    for (std::size_t i = first; i < total; ++i) news.lines.push_back(report.line(i));
    m_seen = total;
    return news;
}

} // namespace gyro
