// Gathering segments into polylines.
#include "draw3d/polylinegatherer.h"

namespace gyro {

bool PolylineGatherer::add(const QPointF& a, const QPointF& b) {
    if (m_line.isEmpty() || a != m_lastEnd) {
        endLine();
        m_line.append(a);
        ++m_points;
    }
    m_lastEnd = b;
    const QPointF gap = b - m_line.constLast();
    if (gap.x() * gap.x() + gap.y() * gap.y() < m_merge2) {
        m_tail = b;
        m_hasTail = true;
    } else {
        m_line.append(b);
        m_hasTail = false;
        ++m_points;
    }
    return m_points >= m_batch;
}

void PolylineGatherer::endLine() {
    if (m_hasTail) m_line.append(m_tail);
    m_hasTail = false;
    if (m_line.size() > 1) m_lines.push_back(m_line);
    m_line.clear();
}

void PolylineGatherer::drain(const std::function<void(const QPolygonF&)>& draw) {
    const bool open = !m_line.isEmpty();
    const QPointF end = m_lastEnd;
    endLine();
    for (const QPolygonF& line : m_lines) draw(line);
    m_lines.clear();
    m_points = 0;
    if (open) { // the trace goes on from where it stood
        m_line.append(end);
        m_lastEnd = end;
        m_points = 1;
    }
}

void PolylineGatherer::clear() {
    m_lines.clear();
    m_line.clear();
    m_hasTail = false;
    m_points = 0;
}

} // namespace gyro
