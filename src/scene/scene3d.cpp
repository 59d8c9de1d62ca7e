// The live 3D scene: recording and compact storage of traces and arrows, and the arrows'
// thinning (the points' thinning is in pointthinning.cpp).
#include "scene/scene3d.h"
#include "scene/pointthinning.h"
#include "simulation/arrowscale.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
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
    m_vectorScaleOfState = false;
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
    settleArrows(true); // the arrows received so far belong to the run before
    m_bounds.merge(m_runBounds);
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

inline void Scene3D::appendPoint(const Point3d& p, std::uint32_t rgbFlags) {
    appendTo(m_chunks, p, rgbFlags);
    ++m_pointCount;
    m_runBounds.add(p); // the whole box takes it in when asked (bounds())
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
        m_chunks.back().points.back().rgb() == m_pointRgb) {
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

void Scene3D::startChunk(std::vector<TraceChunk>& chunks, const Point3d& origin) {
    TraceChunk c;
    c.origin = origin;
    c.first = chunks.empty() ? 0 : chunks.back().end();
    if (!m_spareChunks.empty()) {
        c.points = std::move(m_spareChunks.back());
        m_spareChunks.pop_back();
    } else {
        c.points.reserve(kChunkSize);
    }
    chunks.push_back(std::move(c));
}

void Scene3D::Segment(double x1, double y1, double z1, double x2, double y2, double z2) {
    if (!finite3(x1, y1, z1) || !finite3(x2, y2, z2)) return;
    const SceneArrows::Arrow arrow{{x2, y2, z2}, m_lastRgb};
    m_arrows.receive({x1, y1, z1}, m_group | (m_arrowHead ? SceneSegment::kHead : 0), &arrow, 1);
    touch();
}

void Scene3D::StepArrows(double x, double y, double z, const StepArrow* arrows, int count,
                         std::int16_t style) {
    static_assert(offsetof(StepArrow, green) == offsetof(StepArrow, red) + sizeof(double) &&
                  offsetof(StepArrow, blue) == offsetof(StepArrow, red) + 2 * sizeof(double));
    const Point3d a{x, y, z};
    m_arrowHead = style != 0;
    const std::uint64_t groupHead = m_group | (m_arrowHead ? SceneSegment::kHead : 0);
    // The colours converted at the last step serve again while they are the same (compared bit
    // for bit: the same bits convert to the same colour).
    auto sameColour = [&](int i) {
        const std::array<double, 3>& in = m_arrowColourIn[i];
        return std::memcmp(in.data(), &arrows[i].red, sizeof in) == 0 &&
               m_arrowColour[i] != kNoColour;
    };
    // A run's step: B, E and velocity, all drawn, in the colours of the step before.
    if (count == 3 && arrows[0].drawn && arrows[1].drawn && arrows[2].drawn && sameColour(0) &&
        sameColour(1) && sameColour(2)) [[likely]] {
        m_vectorScale = arrows[2].factor;
        m_vectorScaleOfState = false;
        m_lastRgb = m_arrowColour[2];
        m_arrows.receiveStep(a, groupHead, arrows, m_arrowColour);
        touch();
        return;
    }
    // The arrows to store, sent on a record at a time.
    SceneArrows::Arrow out[SceneArrows::kPerRecord];
    int n = 0;
    for (int i = 0; i < count; ++i) {
        const StepArrow& s = arrows[i];
        m_vectorScale = s.factor;
        m_vectorScaleOfState = false;
        if (i < 3) {
            if (!sameColour(i)) {
                m_arrowColourIn[i] = {s.red, s.green, s.blue};
                m_arrowColour[i] = sceneRgb(s.red, s.green, s.blue);
            }
            m_lastRgb = m_arrowColour[i];
        } else {
            m_lastRgb = sceneRgb(s.red, s.green, s.blue);
        }
        if (!s.drawn) continue;
        out[n++] = {{s.x, s.y, s.z}, m_lastRgb};
        if (n == SceneArrows::kPerRecord) {
            m_arrows.receive(a, groupHead, out, n);
            n = 0;
        }
    }
    if (n > 0) m_arrows.receive(a, groupHead, out, n);
    touch();
}

void Scene3D::takeRecipe(const ArrowRecipe& recipe) {
    m_recipe = recipe;
    for (int i = 0; i < 3; ++i)
        m_recipeRgb[i] = sceneRgb(recipe.rgb[i][0], recipe.rgb[i][1], recipe.rgb[i][2]);
    m_arrows.receiveRecipe(recipe, m_recipeRgb);
}

double Scene3D::stateVectorScale() const {
    // The velocity arrow's factor, as ArrowMaker finds it (it does not depend on B).
    if (!m_recipe.autoScale) return m_recipe.typed[2];
    return ArrowScale::factorsFor(m_stateSize, 1, m_recipe.normE, m_recipe.normV).v /
           m_recipe.toMetres;
}

void Scene3D::SetColour(double red, double green, double blue) {
    const std::array<double, 3> in{red, green, blue};
    if (in != m_colourIn || m_colourOut == 0xFFFFFFFFu) {
        m_colourIn = in;
        m_colourOut = sceneRgb(red, green, blue);
    }
    m_pointRgb = m_lastRgb = m_colourOut;
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
    m_arrows.clear();
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
    m_storedPoints = 0;
    m_intactPoints = 0;
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
    m_arrows.setBudget(std::clamp<std::size_t>(segments, 1024, std::size_t{1} << 31));
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
    const TraceChunk& c = m_chunks[chunkIndex(i)];
    const TracePoint& p = c.points[i - c.first];
    return {c.origin.x + p.x, c.origin.y + p.y, c.origin.z + p.z};
}

bool Scene3D::isEmpty() const {
    return m_pointCount == 0 && segments().empty() && m_circles.empty();
}

} // namespace gyro
