// Following the warning log: which lines are new since the last look.
#pragma once

#include "numerics/errorreport.h"

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

namespace gyro {

/// Follows the error report's log for a reader that shows or prints it piece by piece (the
/// window's Warning box, the command line's warnings). Each take() hands over the lines logged
/// since the previous one, counted over the whole log, so that lines the log dropped to stay
/// within its bound are skipped rather than shown twice or read out of range.
class LogFollower {
public:
    /// What is new in the log.
    struct News {
        std::vector<std::string> lines; ///< the new lines still kept, oldest first
        bool restarted = false;         ///< nothing was seen before, or the log was cleared since:
                                        ///< whatever the reader shows of it is stale
        std::size_t skipped = 0;        ///< new lines not handed over (dropped, or beyond maxLines)
    };

    /// A follower that takes the log from its first line.
    LogFollower() = default;
    /// A follower for which every line logged so far is already seen.
    static LogFollower fromNow(const ErrorReport& report);

    /// The lines logged since the last take, at most the newest `maxLines` of them.
    News take(const ErrorReport& report,
              std::size_t maxLines = std::numeric_limits<std::size_t>::max());
    /// True when the log holds lines that take() has not handed over yet.
    bool hasNews(const ErrorReport& report) const { return report.totalLines() != m_seen; }
    /// Lines of the log seen so far (counted from its start).
    std::size_t seen() const { return m_seen; }

private:
    std::size_t m_seen = 0;
};

} // namespace gyro
