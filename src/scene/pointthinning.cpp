// The thinning of the scene's trace points, spread over the points that arrive after it starts
// (see Scene3D's class comment for what it keeps).
#include "scene/pointthinning.h"

#include <algorithm>
#include <cstdint>

namespace gyro {

namespace {

// Reads stored points by number, mostly in increasing order: the chunk of the point read last
// serves again without a look-up.
class PointReader {
public:
    explicit PointReader(const Scene3D& scene) : m_scene(scene) {}
    const TracePoint& operator[](std::size_t i) {
        locate(i);
        return m_points[i - m_first];
    }
    /// The first point from `i` on, before `limit`, that starts a piece (`limit` when none):
    /// a tight loop over each chunk's points, since it passes over long stretches of trace.
    std::size_t nextStart(std::size_t i, std::size_t limit) {
        while (i < limit) {
            locate(i);
            const TracePoint* p = m_points + (i - m_first);
            const TracePoint* end = m_points + (std::min(limit, m_first + m_size) - m_first);
            while (p < end && !p->startsPiece()) ++p;
            i = m_first + static_cast<std::size_t>(p - m_points);
            if (p < end) return i;
        }
        return limit;
    }

private:
    // Makes the chunk holding point i the current one.
    void locate(std::size_t i) {
        if (i - m_first >= m_size) {
            const TraceChunk& c = m_scene.chunks()[m_scene.chunkIndex(i)];
            m_points = c.points.data();
            m_first = c.first;
            m_size = c.points.size();
        }
    }

    const Scene3D& m_scene;
    const TracePoint* m_points = nullptr;
    std::size_t m_first = 0, m_size = 0;
};

} // namespace

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
    PointReader point(*this);
    std::size_t done = 0;
    while (done < work) {
        if (job.phase == ThinJob::Phase::Mark) {
            if (job.i == half) {
                // A piece of blocks that straddles the boundary, its block before the boundary
                // dropped, goes on in the newest half as a piece of its own: joined to the last
                // kept point before the gap, it would draw a chord across the orbit.
                job.breakAtHalf = half < n && !point[half].startsPiece() &&
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
            const bool start = point[i].startsPiece() || i == 0;
            if (start) {
                job.pieceStart = i;
                // Only how the piece's length compares with a block matters: look no further.
                const std::size_t limit = std::min(n, i + kThinBlock + 1);
                const std::size_t j = point.nextStart(i + 1, limit);
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
                    j = point.nextStart(j, limit);
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
            const bool end = i + 1 < n && point[i + 1].startsPiece();
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
                cut = job.seen >= job.skip && point[i].startsPiece();
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
            // Once the copy has reached, in the newest half, a point that stays as it is and
            // starts a chunk, that chunk and the ones after it hold just what the thinned scene
            // has next: they move over whole, their points untouched.
            std::size_t rest = m_chunks.size(); // the first chunk that moves over
            if (job.i < m_pointCount && job.i >= half && job.seen >= job.skip && !job.forceStart &&
                !(job.i == half && job.breakAtHalf)) {
                const std::size_t c = chunkIndex(job.i);
                if (m_chunks[c].first == job.i) rest = c;
            }
            if (job.i == m_pointCount || rest < m_chunks.size()) {
                // The copy and the moved chunks replace the stored points, whose storage (and
                // the job's) waits for the chunks to come.
                const std::size_t moved = m_pointCount - job.i;
                for (std::size_t c = 0; c < m_chunks.size(); ++c) {
                    TraceChunk& chunk = m_chunks[c];
                    if (c >= rest) {
                        chunk.first -= job.i - job.count;
                        job.chunks.push_back(std::move(chunk));
                        continue;
                    }
                    chunk.points.clear();
                    m_spareChunks.push_back(std::move(chunk.points));
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
                m_pointCount = job.count + moved;
                m_intactPoints = std::min(m_intactPoints, job.intact + moved);
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
                const TraceChunk& c = m_chunks[chunkIndex(i0)];
                m = std::min({m, c.end() - i0, kChunkSize - std::min(kChunkSize, d.points.size())});
                if (m > 0) {
                    const TracePoint* from = c.points.data() + (i0 - c.first);
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
            const TraceChunk& c = m_chunks[chunkIndex(i)];
            const TracePoint& p = c.points[i - c.first];
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

} // namespace gyro
