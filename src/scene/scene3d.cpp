// The live 3D scene: recording, compact storage and thinning of traces and arrows.
#include "scene/scene3d.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

namespace gyro {

namespace {

bool finite3(double x, double y, double z) {
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

int channel(double v) {
    if (!(v > 0)) return 0; // also NaN
    if (v >= 255) return 255;
    // Rounded half away from zero, as std::lround, without a library call (a run sets colours
    // several times a step): v minus its integer part is exact below 2^52.
    int i = static_cast<int>(v);
    if (v - i >= 0.5) ++i;
    return i;
}

} // namespace

void SceneSegment::cutEnd(const Point3d& to) {
    // Halves, whose difference cannot overflow even between the largest doubles.
    const double x = to.x / 2 - a.x / 2, y = to.y / 2 - a.y / 2, z = to.z / 2 - a.z / 2;
    const double f = kLongest / std::max({std::abs(x), std::abs(y), std::abs(z)});
    dx = static_cast<float>(x * f), dy = static_cast<float>(y * f), dz = static_cast<float>(z * f);
}

void Bounds3d::add(const Point3d& p) {
    if (!valid) {
        min = max = p;
        valid = true;
        return;
    }
    min.x = std::min(min.x, p.x);
    min.y = std::min(min.y, p.y);
    min.z = std::min(min.z, p.z);
    max.x = std::max(max.x, p.x);
    max.y = std::max(max.y, p.y);
    max.z = std::max(max.z, p.z);
}

void Bounds3d::merge(const Bounds3d& b) {
    if (!b.valid) return;
    add(b.min);
    add(b.max);
}

Point3d Bounds3d::centre() const {
    return {(min.x + max.x) / 2, (min.y + max.y) / 2, (min.z + max.z) / 2};
}

double Bounds3d::radius() const {
    if (!valid) return 0;
    const double dx = max.x - min.x, dy = max.y - min.y, dz = max.z - min.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz) / 2;
}

void* allocateChunkBytes(std::size_t bytes) {
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    void* p = nullptr;
    if (bytes >= kHuge) {
        // Aligned, so that a kernel that hands out huge pages by itself may; but not asked for
        // them: a huge page asked for is found (memory compacted if need be) and cleared at its
        // first touch, and that one fault held a run's slice for 7 to 25 ms of processor time (the
        // picture's frames and the user's clicks wait meanwhile), where the 512 small faults of a
        // chunk cost about a millisecond spread over the 131072 points that fill it.
        p = std::aligned_alloc(kHuge, (bytes + kHuge - 1) / kHuge * kHuge);
    } else {
        p = std::malloc(bytes);
    }
    if (!p) throw std::bad_alloc();
    return p;
}

SceneRgb sceneRgb(double red, double green, double blue) {
    return (static_cast<SceneRgb>(channel(red)) << 16) |
           (static_cast<SceneRgb>(channel(green)) << 8) | static_cast<SceneRgb>(channel(blue));
}

// A thinning under way. First it marks which points of the oldest half stay, then (for scenes
// of very short pieces) finds how many of the oldest kept points to leave out, then copies what
// stays into chunks of its own, chasing the newest point, which keeps arriving meanwhile.
struct Scene3D::ThinJob {
    enum class Phase { Mark, Skip, Copy };
    Phase phase = Phase::Mark;
    std::size_t n = 0;    // stored points when the thinning started
    std::size_t half = 0; // the oldest `half` of them are thinned
    std::size_t i = 0;    // the next point the current phase looks at
    // 1: the point stays; 2: it stays and starts a piece of its own.
    std::vector<std::uint8_t> keep;
    std::size_t pieceStart = 0, pieceLength = 0, dots = 0, blocks = 0, keptOld = 0;
    bool breakAtHalf = false; // the newest half's first point starts a piece of its own
    std::size_t skip = 0;     // kept points to leave out, from the oldest
    std::size_t seen = 0;     // kept points met so far
    // The points that arrived since the start, as received: the copy takes them from here, so
    // that their offsets are rounded once, from their own chunk's origin, as without a thinning.
    std::vector<Point3d> arrived;
    std::vector<TraceChunk> chunks;
    std::size_t count = 0;
    std::size_t intact = 0; // points of the newest half copied as they were
    bool forceStart = true; // the oldest stored point always starts a piece
};

Scene3D::Scene3D() = default;
Scene3D::~Scene3D() = default;

void Scene3D::SetMode(int mode) {
    m_mode = mode;
    touch();
}

void Scene3D::SetScene(double cube, double v2, double v3, double v4, double v5, double v6,
                       double v7) {
    m_sceneValues = {cube, v2, v3, v4, v5, v6, v7};
    touch();
}

void Scene3D::SetVectorScale(double factor, std::int16_t style) {
    m_vectorScale = factor;
    m_arrowHead = style != 0;
    touch();
}

void Scene3D::SetFrame(double x, double y, double z, double /*reserved*/, double extent,
                       const std::string& title, std::optional<double> /*option*/) {
    if (finite3(x, y, z)) m_frameCentre = {x, y, z};
    m_frameExtent = std::isfinite(extent) ? std::abs(extent) : 0.0;
    m_title = title;
    touch();
}

void Scene3D::EndSetUp(std::optional<double>, std::optional<double>) {
    ++m_setUpRevision;
    m_runBounds = {};
    m_pointsAtSetUp = m_pointsReceived;
    touch();
}

void Scene3D::SetLabel(double size, const std::string& text) {
    m_labelSize = std::isfinite(size) ? size : 0.0;
    if (m_labelSize > 0) m_labelSize = std::clamp(m_labelSize, 4.0, 40.0);
    m_labelText = text;
    touch();
}

void Scene3D::SetShot(double shot) {
    m_shot = shot;
    m_hasShot = true;
    m_penUp = true;
    // Every run starts drawing in black, as the first one does: its circles come before its
    // first colour and must not take the colour the last run ended with.
    m_pointRgb = m_lastRgb = 0;
    m_labelPending = true;
    m_labelPlacedForShot = false;
    touch();
}

void Scene3D::SetViewText(const std::string& text) {
    m_viewText = text;
    touch();
}

void Scene3D::Circle(double radius, double width) {
    if (!std::isfinite(radius)) return;
    radius = std::abs(radius);
    float w = 1.0f;
    if (std::isfinite(width)) w = static_cast<float>(std::clamp(width, 1.0, 8.0));
    if (m_circles.size() >= kMaxCircles) {
        m_circles.erase(m_circles.begin());
        ++m_layoutRevision;
        ++m_resetRevision;
    }
    m_circles.push_back({radius, m_lastRgb, w});
    for (Bounds3d* b : {&m_bounds, &m_runBounds}) {
        b->add(Point3d{-radius, -radius, 0});
        b->add(Point3d{radius, radius, 0});
    }
    touch();
}

void Scene3D::Point(double x, double y, double z) {
    ++m_pointsReceived;
    if (!finite3(x, y, z)) {
        // A point that cannot be drawn breaks the trace rather than joining across it.
        m_penUp = true;
        return;
    }
    const Point3d p{x, y, z};
    if (!m_penUp && m_minStep > 0 && m_frameExtent > 0 && m_pointCount > 0 &&
        rawPoint(m_pointCount - 1).rgb() == m_pointRgb) {
        const double dx = x - m_lastPoint.x, dy = y - m_lastPoint.y, dz = z - m_lastPoint.z;
        const double step = m_minStep * m_frameExtent;
        if (dx * dx + dy * dy + dz * dz < step * step) return;
    }
    std::uint32_t flags = m_pointRgb;
    if (m_penUp || m_mode == 1) flags |= TracePoint::kPieceStart;
    m_penUp = false;
    // The thinning starts early enough to be done, a share at each point, before the budget is
    // reached; should it not be, it is finished here.
    if (m_thin && m_pointCount >= m_pointBudget) finishThinning();
    if (!m_thin && m_pointCount >= m_pointBudget - m_pointBudget / 8) startThinning();
    appendPoint(p, flags);
    ++m_storedPoints;
    ++m_intactPoints;
    if (m_thin) {
        m_thin->arrived.push_back(p);
        m_thinCredit += kThinWorkPerPoint;
        if (m_thinCredit >= kThinBatch) {
            advanceThinning(m_thinCredit);
            m_thinCredit = 0;
        }
    }
    m_lastPoint = p;
    ++m_group;
    if (m_labelPending) {
        m_labelPending = false;
        if (m_labelSize > 0 || !m_labelText.empty()) {
            m_labelPlacedForShot = true;
            if (m_labels.size() >= kMaxLabels) m_labels.erase(m_labels.begin());
            char number[32];
            std::snprintf(number, sizeof number, "%g", m_shot);
            m_labels.push_back(
                {p, m_labelText + number, m_pointRgb, m_labelSize > 0 ? m_labelSize : 9.0});
            ++m_labelRevision;
        }
    }
    touch();
}

void Scene3D::appendTo(std::vector<TraceChunk>& chunks, const Point3d& p, std::uint32_t rgbFlags) {
    // Nearly every point goes into the newest chunk's room: a test and a store, inlined.
    if (chunks.empty() || chunks.back().points.size() >= kChunkSize) startChunk(chunks, p);
    TraceChunk& c = chunks.back();
    c.points.push_back({static_cast<float>(p.x - c.origin.x), static_cast<float>(p.y - c.origin.y),
                        static_cast<float>(p.z - c.origin.z), rgbFlags});
}

void Scene3D::startChunk(std::vector<TraceChunk>& chunks, const Point3d& origin) {
    TraceChunk c;
    c.origin = origin;
    if (!m_spareChunks.empty()) {
        c.points = std::move(m_spareChunks.back());
        m_spareChunks.pop_back();
    } else {
        c.points.reserve(kChunkSize);
    }
    chunks.push_back(std::move(c));
}

void Scene3D::appendPoint(const Point3d& p, std::uint32_t rgbFlags) {
    appendTo(m_chunks, p, rgbFlags);
    ++m_pointCount;
    m_bounds.add(p);
    m_runBounds.add(p);
}

inline void Scene3D::storeSegment(const Point3d& a, const Point3d& b) {
    // The arrows are few enough beside the points to be thinned at once.
    if (m_segments.size() >= m_segmentBudget - m_segmentBudget / 8) [[unlikely]]
        thinSegments();
    m_segments.append({a, b, m_lastRgb, m_arrowHead, m_group}, kSegmentBuffer * m_segmentBudget);
    ++m_storedSegments;
    ++m_intactSegments;
}

void Scene3D::Segment(double x1, double y1, double z1, double x2, double y2, double z2) {
    if (!finite3(x1, y1, z1) || !finite3(x2, y2, z2)) return;
    storeSegment({x1, y1, z1}, {x2, y2, z2});
    for (Bounds3d* box : {&m_bounds, &m_runBounds}) {
        box->add({x1, y1, z1});
        box->add({x2, y2, z2});
    }
    touch();
}

void Scene3D::StepArrows(double x, double y, double z, const StepArrow* arrows, int count,
                         std::int16_t style) {
    const bool fromFinite = finite3(x, y, z);
    const Point3d a{x, y, z};
    // The box of this step's arrows, merged into the scene's boxes once.
    Bounds3d box;
    for (int i = 0; i < count; ++i) {
        const StepArrow& s = arrows[i];
        m_vectorScale = s.factor;
        m_arrowHead = style != 0;
        if (i < 3) {
            // The colour converted at the last step serves again while it is the same.
            const std::array<double, 3> in{s.red, s.green, s.blue};
            if (in != m_arrowColourIn[i] || m_arrowColour[i] == kNoColour) {
                m_arrowColourIn[i] = in;
                m_arrowColour[i] = sceneRgb(s.red, s.green, s.blue);
            }
            m_lastRgb = m_arrowColour[i];
        } else {
            m_lastRgb = sceneRgb(s.red, s.green, s.blue);
        }
        if (!s.drawn || !fromFinite || !finite3(s.x, s.y, s.z)) continue;
        const Point3d b{s.x, s.y, s.z};
        storeSegment(a, b);
        if (!box.valid) box.add(a);
        box.add(b);
    }
    if (box.valid) {
        m_bounds.merge(box);
        m_runBounds.merge(box);
    }
    touch();
}

void Scene3D::SetColour(double red, double green, double blue) {
    m_pointRgb = m_lastRgb = sceneRgb(red, green, blue);
    touch();
}

void Scene3D::SetLineColour(double red, double green, double blue) {
    m_lastRgb = sceneRgb(red, green, blue);
    touch();
}

void Scene3D::SetLimits(double lineWidth, double minStep) {
    m_lineWidth = std::isfinite(lineWidth) ? std::clamp(lineWidth, 0.5, 8.0) : 1.0;
    m_minStep = std::isfinite(minStep) && minStep > 0 ? minStep : 0.0;
    touch();
}

void Scene3D::PenLift(std::int16_t, std::int16_t) {
    m_penUp = true;
    touch();
}

void Scene3D::MarkTrajectoryStart() {
    // The tag placed at the start of a field line moves to the trajectory's first point.
    if (m_labelPlacedForShot && !m_labels.empty()) {
        m_labels.pop_back();
        ++m_labelRevision;
        m_labelPlacedForShot = false;
        m_labelPending = true;
        touch();
    }
}

void Scene3D::Clear() {
    m_thin.reset();
    m_thinCredit = 0;
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_spareChunks.clear();
    m_spareChunks.shrink_to_fit();
    m_spareKeep = {};
    m_spareArrived = {};
    m_pointCount = 0;
    m_segments.clear();
    m_circles.clear();
    m_labels.clear();
    ++m_labelRevision;
    m_bounds = {};
    m_runBounds = {};
    m_pointsAtSetUp = 0;
    m_thinnings = 0;
    m_penUp = true;
    m_labelPending = m_hasShot;
    m_pointsReceived = 0;
    m_storedPoints = m_storedSegments = 0;
    m_intactPoints = m_intactSegments = 0;
    ++m_layoutRevision;
    ++m_resetRevision;
    touch();
}

void Scene3D::setPointBudget(std::size_t points) {
    finishThinning(); // begun for the old budget
    m_pointBudget = std::max<std::size_t>(points, 1000);
    while (m_pointCount > m_pointBudget) {
        const std::size_t before = m_pointCount;
        thinPoints();
        if (m_pointCount >= before) break;
    }
    touch();
}

void Scene3D::setSegmentBudget(std::size_t segments) {
    m_segmentBudget = std::clamp<std::size_t>(segments, 1024, std::size_t{1} << 31);
    while (m_segments.size() > m_segmentBudget) {
        const std::size_t before = m_segments.size();
        thinSegments();
        if (m_segments.size() >= before) break;
    }
    touch();
}

std::size_t Scene3D::pieceCount() const {
    std::size_t n = 0;
    for (const TraceChunk& c : m_chunks)
        for (const TracePoint& p : c.points) n += p.startsPiece() ? 1 : 0;
    return n;
}

std::size_t Scene3D::pointStorageBytes() const {
    auto chunkBytes = [](const std::vector<TraceChunk>& chunks) {
        std::size_t bytes = chunks.capacity() * sizeof(TraceChunk);
        for (const TraceChunk& c : chunks) bytes += c.points.capacity() * sizeof(TracePoint);
        return bytes;
    };
    std::size_t bytes =
        chunkBytes(m_chunks) + m_spareKeep.capacity() + m_spareArrived.capacity() * sizeof(Point3d);
    for (const TraceChunk::Points& spare : m_spareChunks)
        bytes += spare.capacity() * sizeof(TracePoint);
    if (m_thin)
        bytes += chunkBytes(m_thin->chunks) + m_thin->keep.capacity() +
                 m_thin->arrived.capacity() * sizeof(Point3d);
    return bytes;
}

Point3d Scene3D::pointAt(std::size_t i) const {
    const TraceChunk& c = m_chunks[i / kChunkSize];
    const TracePoint& p = c.points[i % kChunkSize];
    return {c.origin.x + p.x, c.origin.y + p.y, c.origin.z + p.z};
}

bool Scene3D::isEmpty() const {
    return m_pointCount == 0 && m_segments.empty() && m_circles.empty();
}

void Scene3D::thinPoints() {
    finishThinning();
    startThinning();
    finishThinning();
}

void Scene3D::startThinning() {
    if (m_pointCount < 4) return;
    m_thin = std::make_unique<ThinJob>();
    m_thin->n = m_pointCount;
    m_thin->half = m_pointCount / 2;
    m_thin->keep = std::move(m_spareKeep);
    m_thin->keep.assign(m_thin->half, 0);
    m_thin->arrived = std::move(m_spareArrived);
    m_thinCredit = 0;
}

void Scene3D::finishThinning() {
    while (m_thin) advanceThinning(SIZE_MAX);
}

void Scene3D::advanceThinning(std::size_t work) {
    ThinJob& job = *m_thin;
    const std::size_t n = job.n, half = job.half;
    std::size_t done = 0;
    while (done < work) {
        if (job.phase == ThinJob::Phase::Mark) {
            if (job.i == half) {
                // A piece of blocks that straddles the boundary, its block before the boundary
                // dropped, goes on in the newest half as a piece of its own: joined to the last
                // kept point before the gap, it would draw a chord across the orbit.
                job.breakAtHalf = half < n && !rawPoint(half).startsPiece() &&
                                  job.pieceLength >= kThinBlock / 2 && job.keep[half - 1] == 0;
                // Scenes of very short pieces barely thin: drop the oldest pieces whole
                // instead, down to three quarters of the budget, cutting where a piece starts.
                const std::size_t total = job.keptOld + (n - half);
                const bool tooLittle =
                    n - total < m_pointBudget / 10 && total > m_pointBudget * 3 / 4;
                job.skip = tooLittle ? total - m_pointBudget * 3 / 4 : 0;
                job.phase = tooLittle ? ThinJob::Phase::Skip : ThinJob::Phase::Copy;
                job.i = job.seen = 0;
                continue;
            }
            // Dropping every other point of a long trace would, after a few thinnings, join
            // points a gyration or more apart by chords across the orbit; so a long piece keeps
            // every other block of kThinBlock consecutive points instead, each kept block a
            // piece of its own, and of pieces about a block long (earlier kept blocks) every
            // other one stays whole. Short pieces (field lines) keep their ends and every other
            // point inside, every other isolated dot stays. A piece may straddle the boundary:
            // its end then lies in the half that is kept whole.
            const std::size_t i = job.i++;
            ++done;
            const bool start = rawPoint(i).startsPiece() || i == 0;
            if (start) {
                job.pieceStart = i;
                // Only how the piece's length compares with a block matters: look no further.
                const std::size_t limit = std::min(n, i + kThinBlock + 1);
                std::size_t j = i + 1;
                while (j < limit && !rawPoint(j).startsPiece()) ++j;
                done += j - i - 1;
                job.pieceLength = j - i;
                if (job.pieceLength >= kThinBlock / 2 && job.pieceLength <= kThinBlock)
                    ++job.blocks;
            }
            const std::size_t at = i - job.pieceStart;
            // In a long piece the points of one block share their mark (its first point may
            // start a piece of its own), and every point of a piece about a block long shares
            // the piece's: those are marked a stretch at a time, up to the next piece's start.
            if (job.pieceLength >= kThinBlock / 2) {
                const bool longPiece = job.pieceLength > kThinBlock;
                const std::size_t stretchEnd =
                    longPiece ? job.pieceStart + (at / kThinBlock + 1) * kThinBlock
                              : job.pieceStart + job.pieceLength;
                // No further than the work asked for: a stretch may end inside a block, the
                // next call goes on with the same piece.
                const std::size_t room = done < work ? work - done : 0;
                const std::size_t limit =
                    std::min({stretchEnd, half, room >= half ? half : i + 1 + room});
                std::size_t j = i + 1;
                if (longPiece)
                    while (j < limit && !rawPoint(j).startsPiece()) ++j;
                else
                    j = std::max(j, limit);
                const bool kept = longPiece ? (at / kThinBlock) % 2 == 0 : job.blocks % 2 == 1;
                if (kept) {
                    std::fill(job.keep.begin() + static_cast<std::ptrdiff_t>(i),
                              job.keep.begin() + static_cast<std::ptrdiff_t>(j), 1);
                    if (longPiece && at > 0 && at % kThinBlock == 0) job.keep[i] = 2;
                    job.keptOld += j - i;
                }
                done += j - i - 1;
                job.i = j;
                continue;
            }
            const bool end = i + 1 < n && rawPoint(i + 1).startsPiece();
            std::uint8_t k;
            if (job.pieceLength > kThinBlock)
                k = (at / kThinBlock) % 2 == 0 ? (at > 0 && at % kThinBlock == 0 ? 2 : 1) : 0;
            else if (job.pieceLength >= kThinBlock / 2)
                k = job.blocks % 2 == 1 ? 1 : 0;
            else if (start && end)
                k = (job.dots++ % 2) == 0 ? 1 : 0;
            else
                k = start || end || (at % 2) == 0 ? 1 : 0;
            job.keep[i] = k;
            job.keptOld += k != 0 ? 1 : 0;
        } else if (job.phase == ThinJob::Phase::Skip) {
            const std::size_t i = job.i;
            ++done;
            bool cut = i == n;
            if (!cut && (i >= half || job.keep[i])) {
                cut = job.seen >= job.skip && rawPoint(i).startsPiece();
                if (!cut) ++job.seen;
            }
            if (!cut) {
                ++job.i;
                continue;
            }
            // With no piece starting late enough, cut inside the oldest piece: what remains of
            // it starts a piece of its own, and the budget holds whatever the scene.
            if (i < n) job.skip = job.seen;
            job.phase = ThinJob::Phase::Copy;
            job.i = job.seen = 0;
        } else {
            if (job.i == m_pointCount) {
                // The copy holds every point: it replaces the stored ones, whose storage (and
                // the job's) waits for the chunks to come.
                for (TraceChunk& old : m_chunks) {
                    old.points.clear();
                    m_spareChunks.push_back(std::move(old.points));
                }
                // Never more spare than a scene within the budget can fill (a budget lowered
                // since may leave more).
                m_spareChunks.resize(
                    std::min(m_spareChunks.size(), m_pointBudget / kChunkSize + 2));
                m_chunks = std::move(job.chunks);
                job.keep.clear();
                m_spareKeep = std::move(job.keep);
                job.arrived.clear();
                m_spareArrived = std::move(job.arrived);
                m_pointCount = job.count;
                m_intactPoints = std::min(m_intactPoints, job.intact);
                ++m_thinnings;
                ++m_layoutRevision;
                m_thinWork += done;
                m_thin.reset();
                touch();
                return;
            }
            // Runs of points are copied as they stand, within one chunk read and one chunk
            // written, without a test per point: past its first point the newest half, and in
            // the oldest half the points kept as they were (not starting a piece of their own).
            // A run of dropped points is passed over at once.
            if (job.i < n && job.i != half && job.seen >= job.skip && !job.forceStart &&
                !job.chunks.empty()) {
                const std::size_t i0 = job.i;
                const bool old = i0 < half;
                std::size_t m = std::min((old ? half : n) - i0, work - done);
                if (old) {
                    const std::uint8_t* k = job.keep.data() + i0;
                    std::size_t r = 0;
                    if (k[0] == 0) {
                        while (r < m && k[r] == 0) ++r;
                        job.i += r, done += r;
                        continue;
                    }
                    while (r < m && k[r] == 1) ++r;
                    m = r;
                }
                TraceChunk& d = job.chunks.back();
                m = std::min({m, kChunkSize - i0 % kChunkSize,
                              kChunkSize - std::min(kChunkSize, d.points.size())});
                if (m > 0) {
                    const TraceChunk& c = m_chunks[i0 / kChunkSize];
                    const TracePoint* from = c.points.data() + i0 % kChunkSize;
                    const std::size_t size0 = d.points.size();
                    d.points.resize(size0 + m);
                    TracePoint* to = d.points.data() + size0;
                    for (std::size_t k = 0; k < m; ++k) {
                        const TracePoint& p = from[k];
                        const Point3d at{c.origin.x + p.x, c.origin.y + p.y, c.origin.z + p.z};
                        to[k] = {static_cast<float>(at.x - d.origin.x),
                                 static_cast<float>(at.y - d.origin.y),
                                 static_cast<float>(at.z - d.origin.z), p.rgbFlags};
                    }
                    job.i += m, done += m, job.seen += m, job.count += m;
                    if (!old) job.intact += m;
                    continue;
                }
            }
            const std::size_t i = job.i++;
            ++done;
            const bool old = i < half;
            if (old && !job.keep[i]) continue;
            if (job.seen++ < job.skip) continue;
            const TraceChunk& c = m_chunks[i / kChunkSize];
            const TracePoint& p = c.points[i % kChunkSize];
            const bool gap = i == half && job.breakAtHalf;
            const bool starts = job.forceStart || gap || (old && job.keep[i] == 2);
            if (!old && !job.forceStart && !gap) ++job.intact;
            job.forceStart = false;
            const Point3d at = i < n ? Point3d{c.origin.x + p.x, c.origin.y + p.y, c.origin.z + p.z}
                                     : job.arrived[i - n];
            appendTo(job.chunks, at, p.rgbFlags | (starts ? TracePoint::kPieceStart : 0u));
            ++job.count;
        }
    }
    m_thinWork += done;
}

void Scene3D::thinSegments() {
    // Arrows drawn between the same two points (B, E, velocity) form a group: every other group
    // of the oldest half goes, so that the kept steps still show all their arrows. Thinning
    // moves the store's start forward; the buffer's room beyond the budget lets several
    // thinnings pass before the arrows move back to its start.
    const ArrowThinning t = m_segments.thin(m_segmentBudget, m_segmentBudget - m_segmentBudget / 8,
                                            kSegmentBuffer * m_segmentBudget);
    if (t.before == 0) return;
    m_intactSegments =
        std::min({m_intactSegments, t.before - t.half - t.droppedNewer, m_segments.size()});
    ++m_thinnings;
    ++m_layoutRevision;
    touch();
}

} // namespace gyro
