// The live 3D scene of a run: traces, arrows, circles and tags stored compactly, with a point
// budget so that a run of any length keeps bounded memory.
#pragma once

#include "scene/scenearrows.h"
#include "scene/sceneelements.h"
#include "simulation/tracesink.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace gyro {

/// One stored trace point: float offsets (m) from its chunk's origin, its colour and whether it
/// starts a new piece of trace (the pen was lifted before it). 16 bytes.
struct TracePoint {
    float x, y, z;
    std::uint32_t rgbFlags; // 0xRRGGBB, bit 31 = starts a piece
    static constexpr std::uint32_t kPieceStart = 0x80000000u;
    SceneRgb rgb() const { return rgbFlags & 0xFFFFFFu; }
    bool startsPiece() const { return (rgbFlags & kPieceStart) != 0; }
};

/// Memory for trace points: blocks of 2 MB and more are aligned on 2 MB (never explicitly asked
/// for as huge pages: compacting memory for one at its first touch can stall for tens of
/// milliseconds). Freed with std::free. Throws std::bad_alloc when memory is exhausted.
void* allocateChunkBytes(std::size_t bytes);

/// Allocator of trace-point storage through `allocateChunkBytes`.
template <class T> struct ChunkAllocator {
    using value_type = T;
    ChunkAllocator() = default;
    template <class U> ChunkAllocator(const ChunkAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(allocateChunkBytes(n * sizeof(T))); }
    void deallocate(T* p, std::size_t) noexcept { std::free(p); }
    /// Elements made without a value are left uninitialised, as plain variables are: a vector
    /// grown by resize() to be written over at once (a thinning's copy) costs no clearing pass.
    template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <class U, class... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    template <class U> bool operator==(const ChunkAllocator<U>&) const noexcept { return true; }
};

/// A run of 1 to `kChunkSize` consecutive trace points sharing one double origin, so that float
/// offsets keep sub-micrometre precision far from the scene's origin.
struct TraceChunk {
    using Points = std::vector<TracePoint, ChunkAllocator<TracePoint>>;
    Point3d origin;
    Points points;
    std::size_t first = 0; // number of its first point in the scene
    /// One past the number of its last point in the scene.
    std::size_t end() const { return first + points.size(); }
};

/// A circle of radius `radius` (m) in the plane z = 0 around the z axis.
struct SceneCircle {
    double radius;
    SceneRgb rgb;
    float width; // pixels
};

/// A trace's tag at the trace's first point.
struct SceneLabel {
    Point3d at;
    std::string text;
    SceneRgb rgb;
    double size; // points
};

/// The scene model. It records the drawing operations of `TraceSink` and keeps them for any
/// number of renderings (`SceneRenderer`), on screen or off screen.
///
/// Memory is bounded. Trace points cost 16 bytes each (float offsets from a double origin per
/// chunk of 131072 points, plus colour and pen state) up to the point budget (default 1.5 million
/// points, about 24 MB). When the stored points reach seven eighths of the budget, the oldest half
/// of them is thinned. A piece longer than kThinBlock points keeps every other block of
/// kThinBlock consecutive points there, each kept block drawn as a piece of its own (so that the
/// trace stays on the orbit: no chord joins points a gyration apart); of the pieces about a
/// block long every other one stays whole; in shorter pieces every other point is dropped,
/// while the first and the last point of every piece of two or more points stay (pen lifts are
/// kept exactly; a colour boundary may move by one dropped point; every other isolated dot
/// goes). Should that not free
/// at least a tenth of the budget (a scene of very short pieces), the oldest pieces are dropped
/// whole until the scene is at three quarters of the budget.
///
/// A thinning is spread over the points that arrive after it starts: each `Point` does a bounded
/// share of it (kThinWorkPerPoint points looked at, in batches of kThinBatch), building the
/// thinned oldest half beside the stored points, which stay as they are meanwhile. The newest
/// half is not copied: only its points up to the first chunk that starts among them are (or,
/// should none start there, up to the newest point); then the copy and the chunks from that one
/// on, moved whole with their points untouched, replace the stored points at once. Chunks are
/// therefore not all full. The result is the same as thinning at the start in one go and
/// appending the points that came since, and no single `Point` (so no slice of a run) pays for
/// a whole rewrite. Meanwhile the copy takes memory beside the points (at most about half the
/// budget and one chunk); should the budget be reached before it is done, it is finished at
/// once.
///
/// Arrows cost 48 bytes each (a double start, a float offset to the end) and have their own
/// budget (default 150 000); they are stored on a thread of their own (see SceneArrows), which
/// takes them from two buffers of about 2 MB each. They are thinned at once when they reach
/// seven eighths of it, by keeping one group in ArrowStore::kKeepOneIn of the arrows drawn between
/// two points in the oldest half (a group straddling the middle goes or stays whole; a scene of few
/// large groups drops its oldest arrows down to three quarters of the budget). The store is a
/// window in a buffer of up to kSegmentBuffer budgets (at most about 15 MB at the default budget,
/// with the groups' lengths beside it): a thinning moves the kept old arrows towards the newest
/// half, which stays in place, and moves the window's start forward; every few thinnings, when the
/// buffer's end is near, it puts the thinned store at the buffer's start instead. At most 4096
/// circles and 4096 tags are kept (the oldest go first). Each thinning increases `layoutRevision`
/// when it takes effect.
class Scene3D : public TraceSink {
public:
    static constexpr std::size_t kChunkSize = 131072; // 2 MB of points
    static constexpr std::size_t kThinBlock = 256;    // points kept together by thinning
    static constexpr std::size_t kDefaultPointBudget = 1'500'000;
    static constexpr std::size_t kDefaultSegmentBudget = SceneArrows::kDefaultBudget;
    static constexpr std::size_t kSegmentBuffer = SceneArrows::kBufferBudgets;
    static constexpr std::size_t kMaxCircles = 4096;
    static constexpr std::size_t kMaxLabels = 4096;
    static constexpr std::size_t kThinWorkPerPoint = 32; // thinning work per arriving point
    static constexpr std::size_t kThinBatch = 8192;      // thinning work done at once

    Scene3D();
    ~Scene3D() override;

    // --- The drawing operations (see TraceSink for their meaning).
    void SetMode(int mode) override;
    void SetScene(double cube, double v2, double v3, double v4, double v5, double v6,
                  double v7) override;
    void SetVectorScale(double factor, std::int16_t style) override;
    void SetFrame(double x, double y, double z, double reserved, double extent,
                  const std::string& title, std::optional<double> option = std::nullopt) override;
    void EndSetUp(std::optional<double> a = std::nullopt,
                  std::optional<double> b = std::nullopt) override;
    void SetLabel(double size, const std::string& text) override;
    void SetShot(double shot) override;
    void SetViewText(const std::string& text) override;
    void Circle(double radius, double width) override;
    void Point(double x, double y, double z) override;
    void Segment(double x1, double y1, double z1, double x2, double y2, double z2) override;
    void SetColour(double red, double green, double blue) override;
    void SetLineColour(double red, double green, double blue) override;
    void SetLimits(double lineWidth, double minStep) override;
    void PenLift(std::int16_t a = 0, std::int16_t b = 0) override;
    void MarkTrajectoryStart() override;
    /// The three calls per arrow at once: a run with arrows sends them at every step.
    void StepArrows(double x, double y, double z, const StepArrow* arrows, int count,
                    std::int16_t style) override;
    /// A run's step: its arrows are made and stored on the arrows' thread.
    bool StepState(const ArrowRecipe& recipe, const Vecteur3& R, const Vecteur3& V,
                   const Vecteur3& B, double size) override {
        if (recipe.revision != m_recipe.revision) [[unlikely]]
            takeRecipe(recipe);
        m_arrowHead = recipe.style != 0;
        m_lastRgb = m_recipeRgb[2];
        m_stateSize = size;
        m_vectorScaleOfState = true;
        m_arrows.receiveState(R, V, B, size, m_group | (m_arrowHead ? SceneSegment::kHead : 0));
        touch();
        return true;
    }

    /// Removes every point, arrow, circle and tag; keeps the frame, colours and settings.
    void Clear();

    /// While `lag` is on, a call that reads the arrows waits only for those the storing thread
    /// was handed: the arrows received since (fewer than SceneArrows::kBatch records, a few
    /// milliseconds of a run at full speed) are read as if not sent yet, and show at a later
    /// read. For a view that reads the scene at every frame while a run grows it, which would
    /// otherwise wait for them each time. Off by default; arrowsWaiting() tells whether arrows
    /// wait to be stored.
    void letArrowsLag(bool lag) const { m_arrowsMayLag = lag; }
    bool arrowsWaiting() const { return m_arrows.waiting(); }
    /// letArrowsLag(`lag`) for the life of the object, then as before.
    class ArrowLag {
    public:
        ArrowLag(const Scene3D& scene, bool lag) : m_scene(scene), m_before(scene.m_arrowsMayLag) {
            scene.letArrowsLag(lag);
        }
        ~ArrowLag() { m_scene.letArrowsLag(m_before); }
        ArrowLag(const ArrowLag&) = delete;
        ArrowLag& operator=(const ArrowLag&) = delete;

    private:
        const Scene3D& m_scene;
        bool m_before;
    };

    // --- Budget.
    /// Largest number of stored trace points (at least 1000); thins at once if needed.
    void setPointBudget(std::size_t points);
    std::size_t pointBudget() const { return m_pointBudget; }
    /// Largest number of stored arrows (1024 to 2^31: a group's length is kept in 32 bits).
    void setSegmentBudget(std::size_t segments);
    std::size_t segmentBudget() const { return m_arrows.budget(); }
    /// How many thinnings took place since the scene was made or cleared.
    std::size_t thinningCount() const {
        settleArrows();
        return m_thinnings + m_arrows.thinnings();
    }
    /// Whether a thinning is under way (its result not yet in place).
    bool thinning() const { return m_thin != nullptr; }
    /// Completes a thinning under way at once (nothing when none is).
    void finishThinning();
    /// Units of thinning work done since the scene was made (points looked at or copied): a
    /// caller can tell how much of it one call carried.
    std::uint64_t thinningWork() const { return m_thinWork; }

    // --- Content.
    std::size_t pointCount() const { return m_pointCount; }
    /// Number of pieces of trace (a piece starts at the first point after a pen lift).
    std::size_t pieceCount() const;
    /// Bytes held by the stored trace points (capacity included, and the storage kept for
    /// reuse after a thinning).
    std::size_t pointStorageBytes() const;
    /// Bytes held by the stored arrows (capacity included; not the buffers of arrows received).
    std::size_t segmentStorageBytes() const {
        settleArrows();
        return m_arrows.store().storageBytes();
    }
    /// The stored points, oldest first, in chunks of 1 to kChunkSize points each: none is empty,
    /// each one's `first` follows on from the one before.
    const std::vector<TraceChunk>& chunks() const { return m_chunks; }
    /// The number of the chunk holding point i (< pointCount()). A few loads: no chunk holds more
    /// than kChunkSize points, so it is i / kChunkSize or one of the few after it.
    std::size_t chunkIndex(std::size_t i) const {
        std::size_t c = i / kChunkSize;
        while (c + 1 < m_chunks.size() && m_chunks[c + 1].first <= i) ++c;
        return c;
    }
    /// Trace point number i (0 = oldest) in metres.
    Point3d pointAt(std::size_t i) const;
    const TracePoint& rawPoint(std::size_t i) const {
        const TraceChunk& c = m_chunks[chunkIndex(i)];
        return c.points[i - c.first];
    }
    /// The stored arrows, oldest first; valid until the next arrow, thinning or clear.
    std::span<const SceneSegment> segments() const {
        settleArrows();
        return m_arrows.store().view();
    }
    const std::vector<SceneCircle>& circles() const { return m_circles; }
    const std::vector<SceneLabel>& labels() const { return m_labels; }
    /// Box around everything ever drawn since the last clear (thinning does not shrink it).
    /// Brings the box up to date when asked: like every other call, from one thread at a time.
    const Bounds3d& bounds() const {
        // The points grow the current run's box alone; the whole box takes it in when asked.
        settleArrows();
        m_bounds.merge(m_runBounds);
        return m_bounds;
    }
    /// Box around what was drawn since the last run's set-up (EndSetUp) or clear: the current
    /// run alone, which a view follows without zooming out to older runs.
    const Bounds3d& runBounds() const {
        settleArrows();
        return m_runBounds;
    }
    bool isEmpty() const;

    // --- Settings received from the run.
    int mode() const { return m_mode; }
    const std::array<double, 7>& sceneValues() const { return m_sceneValues; }
    bool cubeOn() const { return m_sceneValues[0] != 0; }
    Point3d frameCentre() const { return m_frameCentre; }
    /// Extent (m) from SetFrame; 0 when none was given.
    double frameExtent() const { return m_frameExtent; }
    const std::string& title() const { return m_title; }
    const std::string& viewText() const { return m_viewText; }
    double shot() const { return m_shot; }
    bool hasShot() const { return m_hasShot; }
    double lineWidth() const { return m_lineWidth; }
    double minStep() const { return m_minStep; }
    double vectorScale() const { return m_vectorScaleOfState ? stateVectorScale() : m_vectorScale; }
    SceneRgb pointColour() const { return m_pointRgb; }
    SceneRgb lastColour() const { return m_lastRgb; }

    // --- Change tracking (the scene never calls anyone: observers poll these cheaply).
    /// Increases with every change of content or settings.
    std::uint64_t revision() const { return m_revision; }
    /// Increases when stored content moves or goes (clear, thinning): incremental drawing must
    /// then start afresh. While it stays, content is only appended.
    std::uint64_t layoutRevision() const {
        settleArrows();
        return m_layoutRevision + m_arrows.layoutChanges();
    }
    /// Increases when stored content goes for another reason than thinning (clear, the oldest
    /// circle dropped): a picture must then be drawn afresh.
    std::uint64_t resetRevision() const { return m_resetRevision; }
    /// Trace points and arrows stored since the scene was made or cleared; they never decrease,
    /// so that a picture can tell how many of the newest ones it has not drawn yet.
    std::uint64_t storedPoints() const { return m_storedPoints; }
    std::uint64_t storedSegments() const {
        settleArrows();
        return m_arrows.stored();
    }
    /// How many of the newest trace points (arrows) are stored as they were received: thinning
    /// rewrites only the oldest part. A picture that drew all but fewer of them needs no redraw.
    std::size_t intactPoints() const { return m_intactPoints; }
    std::size_t intactSegments() const {
        settleArrows();
        return m_arrows.intact();
    }
    /// Increases whenever a run tag is placed, moved or removed.
    std::uint64_t labelRevision() const { return m_labelRevision; }
    /// Increases at every EndSetUp.
    std::uint64_t setUpRevision() const { return m_setUpRevision; }
    /// pointsReceived() at the last EndSetUp: whether anything was drawn between an event and
    /// the latest run's set-up.
    std::uint64_t pointsReceivedAtSetUp() const { return m_pointsAtSetUp; }
    /// Number of `Point` calls since the scene was made or cleared (stored or not).
    std::uint64_t pointsReceived() const { return m_pointsReceived; }

private:
    struct ThinJob;
    void appendTo(std::vector<TraceChunk>& chunks, const Point3d& p, std::uint32_t rgbFlags);
    /// A new chunk at the end of `chunks` starting at `origin`, in spare storage when there is.
    void startChunk(std::vector<TraceChunk>& chunks, const Point3d& origin);
    void appendPoint(const Point3d& p, std::uint32_t rgbFlags);
    void thinPoints();
    void startThinning();
    void advanceThinning(std::size_t work);
    /// Stores the arrows received (see SceneArrows), or while they may lag (letArrowsLag) and
    /// `whole` is false those handed to the storing thread, and takes their box into the run's.
    void settleArrows(bool whole = false) const {
        if (m_arrowsMayLag && !whole)
            m_arrows.settleHanded();
        else
            m_arrows.settle();
        m_runBounds.merge(m_arrows.takeBox());
    }
    void touch() { ++m_revision; }
    void takeRecipe(const ArrowRecipe& recipe);
    double stateVectorScale() const;

    std::vector<TraceChunk> m_chunks;
    std::size_t m_pointCount = 0;
    std::vector<SceneCircle> m_circles;
    std::vector<SceneLabel> m_labels;
    mutable Bounds3d m_bounds;    // without the points of m_runBounds, until bounds() is asked
    mutable Bounds3d m_runBounds; // without the arrows not stored yet, until asked

    std::size_t m_pointBudget = kDefaultPointBudget;
    std::size_t m_thinnings = 0;
    std::unique_ptr<ThinJob> m_thin; // a thinning under way
    // Storage of the chunks a thinning replaced, emptied, for the chunks filled next: a run
    // that thins again and again reuses its memory instead of having the kernel clear fresh
    // pages for every chunk.
    std::vector<TraceChunk::Points> m_spareChunks;
    std::vector<std::uint8_t> m_spareKeep; // a finished thinning's marks, for the next one
    std::vector<Point3d> m_spareArrived;   // its arrived points, likewise
    std::size_t m_thinCredit = 0;          // thinning work owed by the points that arrived
    std::uint64_t m_thinWork = 0;
    std::uint64_t m_resetRevision = 0;
    std::uint64_t m_storedPoints = 0;
    std::size_t m_intactPoints = 0;

    int m_mode = 2;
    std::array<double, 7> m_sceneValues{};
    Point3d m_frameCentre;
    double m_frameExtent = 0;
    std::string m_title;
    std::string m_viewText;
    double m_labelSize = 0;
    std::string m_labelText;
    double m_shot = 0;
    bool m_hasShot = false;
    bool m_labelPending = false;
    bool m_labelPlacedForShot = false; // the current shot's tag went to a point already
    double m_lineWidth = 1.0;
    double m_minStep = 0;
    double m_vectorScale = 1;
    // The recipe of the last step received by StepState, its colours converted, and that step's
    // trajectory size: the vector scale follows from them while m_vectorScaleOfState.
    ArrowRecipe m_recipe;
    SceneRgb m_recipeRgb[3] = {};
    double m_stateSize = 0;
    bool m_vectorScaleOfState = false;
    bool m_arrowHead = true;
    SceneRgb m_pointRgb = 0;
    SceneRgb m_lastRgb = 0;
    // The last colour given to SetColour and its conversion: a run gives the same one at every
    // step.
    std::array<double, 3> m_colourIn{};
    SceneRgb m_colourOut = 0xFFFFFFFFu; // nothing converted yet
    // The arrow colours of the last step as given and as stored: a run's arrows keep their
    // colours, which then need no converting at every step.
    static constexpr SceneRgb kNoColour = 0xFFFFFFFFu; // nothing converted yet
    std::array<double, 3> m_arrowColourIn[3] = {};
    SceneRgb m_arrowColour[3] = {kNoColour, kNoColour, kNoColour};
    bool m_penUp = true;
    Point3d m_lastPoint;
    std::uint64_t m_group = 0;

    std::uint64_t m_revision = 0;
    std::uint64_t m_layoutRevision = 0;
    std::uint64_t m_setUpRevision = 0;
    std::uint64_t m_labelRevision = 0;
    std::uint64_t m_pointsReceived = 0;
    std::uint64_t m_pointsAtSetUp = 0;
    mutable bool m_arrowsMayLag = false;
    mutable SceneArrows m_arrows; // last: its thread ends before the rest goes
};

} // namespace gyro
