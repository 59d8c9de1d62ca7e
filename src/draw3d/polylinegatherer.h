// Gathering segments that join end to end into polylines, merging points that add nothing
// visible, so that long traces record as few drawing commands.
#pragma once

#include <QPointF>
#include <QPolygonF>

#include <functional>
#include <vector>

namespace gyro {

/// Collects segments (surface units) into polylines. A segment that starts where the last one
/// ended extends the current polyline; a point closer than `mergeDistance` to the last point kept
/// is held back and kept only if the polyline ends there.
class PolylineGatherer {
public:
    explicit PolylineGatherer(double mergeDistance = 0.25, int batchPoints = 16384)
        : m_merge2(mergeDistance * mergeDistance), m_batch(batchPoints) {}

    /// Adds the segment a → b. Returns true when enough points are gathered to be drawn now.
    bool add(const QPointF& a, const QPointF& b);
    /// Hands every finished polyline, the current one included, to `draw` and forgets them.
    /// The next segment that starts where the last one ended still joins it on screen.
    void drain(const std::function<void(const QPolygonF&)>& draw);
    /// Forgets everything gathered.
    void clear();
    bool empty() const { return m_lines.empty() && m_line.size() < 2; }

private:
    void endLine();

    double m_merge2;
    int m_batch;
    std::vector<QPolygonF> m_lines;
    QPolygonF m_line;
    QPointF m_lastEnd, m_tail;
    bool m_hasTail = false;
    int m_points = 0;
};

} // namespace gyro
