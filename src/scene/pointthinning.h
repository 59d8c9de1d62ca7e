// What the scene's store and its points' thinning share: the thinning under way, and the
// appending of a point to a list of chunks (inline in both: the store calls it per point).
#pragma once

#include "scene/scene3d.h"

#include <cstdint>
#include <vector>

namespace gyro {

// A thinning under way. First it marks which points of the oldest half stay, then (for scenes
// of very short pieces) finds how many of the oldest kept points to leave out, then copies what
// stays of the oldest half into chunks of its own, and the newest half's points up to the first
// chunk that starts among them (chasing the newest point, which keeps arriving meanwhile, should
// none start there); that chunk and those after it then move over as they are.
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

inline void Scene3D::appendTo(std::vector<TraceChunk>& chunks, const Point3d& p,
                              std::uint32_t rgbFlags) {
    // Nearly every point goes into the newest chunk's room: a test and a store, inlined.
    if (chunks.empty() || chunks.back().points.size() >= kChunkSize) startChunk(chunks, p);
    TraceChunk& c = chunks.back();
    c.points.push_back({static_cast<float>(p.x - c.origin.x), static_cast<float>(p.y - c.origin.y),
                        static_cast<float>(p.z - c.origin.z), rgbFlags});
}

} // namespace gyro
