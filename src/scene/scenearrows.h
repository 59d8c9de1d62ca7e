// A scene's arrows: stored compactly, thinned to a budget, received on the scene's thread and
// stored on a thread of their own.
#pragma once

#include "scene/arrowstore.h"
#include "scene/sceneelements.h"
#include "scene/taskthread.h"
#include "simulation/arrowrecipe.h"
#include "simulation/tracesink.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace gyro {

/// A stored arrow (or plain segment): its start (m), its end as a float offset from the start
/// (to a float's precision of the arrow's length: far below a pixel in any view that shows the
/// arrow), its colour, head flag, and the number of the trace point it belongs to (arrows drawn
/// between two points share it). 48 bytes.
struct SceneSegment {
    Point3d a;
    float dx, dy, dz; // end minus start (m)
    SceneRgb rgb;
    std::uint64_t groupHead; // group number, kHead set for an arrow with a head
    static constexpr std::uint64_t kHead = std::uint64_t{1} << 63;

    /// Longest end offset kept (m); a longer arrow keeps its direction, cut to this length.
    static constexpr double kLongest = 1e38;

    SceneSegment() = default;
    /// The arrow from `from` to `to` (finite).
    SceneSegment(const Point3d& from, const Point3d& to, SceneRgb colour, bool withHead,
                 std::uint64_t groupNumber)
        : a(from), rgb(colour), groupHead(groupNumber | (withHead ? kHead : 0)) {
        const double x = to.x - from.x, y = to.y - from.y, z = to.z - from.z;
        if ((std::abs(x) <= kLongest) & (std::abs(y) <= kLongest) & (std::abs(z) <= kLongest))
            [[likely]]
            dx = static_cast<float>(x), dy = static_cast<float>(y), dz = static_cast<float>(z);
        else
            cutEnd(to);
    }
    /// The end (m).
    Point3d b() const { return {a.x + dx, a.y + dy, a.z + dz}; }
    bool head() const { return (groupHead & kHead) != 0; }
    std::uint64_t group() const { return groupHead & ~kHead; }

private:
    void cutEnd(const Point3d& to);
};

/// A scene's arrows. They are received on the scene's thread and stored on a thread of their
/// own: a run with arrows sends three at every step, millions a second, and making and storing
/// them (the ends, the records, thinning the oldest) would otherwise cost the run about a third of
/// its speed. The scene's thread only writes what it receives into a buffer of records, handed to
/// the storing thread when full: arrows as given, up to three from one start a record, or a run's
/// step as its position, velocity, B and trajectory size, whose arrows the storing thread makes
/// with the step's ArrowRecipe (received once for many steps). settle() stores everything
/// received and waits for that thread: after it, and until the next arrow is received, the store
/// and its counts are the caller's alone and are exactly those of the arrows made and stored one
/// by one as they arrived. Like the scene, it is called from one thread at a time.
class SceneArrows {
public:
    /// Records of three arrows a buffer holds (about 2 MB; a run's steps take fewer bytes, so
    /// more of them fit): a hand-over wakes the storing thread, which costs the run tens of
    /// microseconds on some machines, so it comes only every few milliseconds at full speed.
    static constexpr std::size_t kBatch = 16384;
    /// A buffer holding fewer bytes than this many records of arrows is stored at once by
    /// settle() rather than handed over and waited for.
    static constexpr std::size_t kStoreAtOnce = 128;
    /// Arrows a record holds: a run's step sends three.
    static constexpr int kPerRecord = 3;
    static constexpr std::size_t kDefaultBudget = 150'000;
    /// The store's buffer holds at most this many budgets.
    static constexpr std::size_t kBufferBudgets = 2;

    SceneArrows() = default;
    SceneArrows(const SceneArrows&) = delete;
    SceneArrows& operator=(const SceneArrows&) = delete;

    /// An arrow as received: from `a` to `b` (undrawable ones are left out when stored).
    struct Arrow {
        Point3d b;
        SceneRgb rgb;
    };
    /// Receives `count` (1 to kPerRecord) arrows from `a` of one group (groupHead: the group's
    /// number below 2^61, SceneSegment::kHead for arrows with heads).
    void receive(const Point3d& a, std::uint64_t groupHead, const Arrow* arrows, int count) {
        ArrowsRecord& r = next<ArrowsRecord>(groupHead);
        r.a = a;
        r.count = static_cast<std::uint32_t>(count);
        for (int i = 0; i < count; ++i) r.b[i] = arrows[i].b, r.rgb[i] = arrows[i].rgb;
    }
    /// Receives a step's three arrows, all drawn, from `a`, with colours `rgb`.
    void receiveStep(const Point3d& a, std::uint64_t groupHead, const StepArrow* arrows,
                     const SceneRgb* rgb) {
        ArrowsRecord& r = next<ArrowsRecord>(groupHead);
        r.a = a;
        r.count = 3;
        for (int i = 0; i < 3; ++i) {
            r.b[i] = {arrows[i].x, arrows[i].y, arrows[i].z};
            r.rgb[i] = rgb[i];
        }
    }
    /// The recipe of the steps received next (receiveState), with its colours converted.
    void receiveRecipe(const ArrowRecipe& recipe, const SceneRgb rgb[3]);
    /// Receives a run's step whose arrows the last recipe received makes: at R [m] with velocity
    /// V and field B, the trajectory's size `size` [m], of the group `groupHead` (as receive()'s).
    void receiveState(const Vecteur3& R, const Vecteur3& V, const Vecteur3& B, double size,
                      std::uint64_t groupHead) {
        StateRecord& r = next<StateRecord>(groupHead | kStateKind);
        r.r = {R(1), R(2), R(3)};
        r.v = {V(1), V(2), V(3)};
        r.b = {B(1), B(2), B(3)};
        r.size = size;
    }
    /// Stores every arrow received and waits for the storing thread.
    void settle() {
        if (m_received != m_buffer.get() || m_thread.started()) settleNow();
    }
    /// Waits for the storing thread to store what it was handed; what was received since stays
    /// in the buffer, to be stored with it.
    void settleHanded() { m_thread.wait(); }
    /// Whether arrows were received and not handed to the storing thread yet.
    bool waiting() const { return m_received != m_buffer.get(); }

    // After settle():
    const ArrowStore<SceneSegment>& store() const { return m_store; }
    std::uint64_t stored() const { return m_stored; }
    std::size_t intact() const { return m_intact; }
    std::size_t thinnings() const { return m_thinnings; }
    /// Thinnings since the scene was made (never reset): they move stored arrows.
    std::uint64_t layoutChanges() const { return m_layoutChanges; }
    std::size_t budget() const { return m_budget; }
    /// The box of the arrows stored since the last call; empty afterwards.
    Bounds3d takeBox() { return std::exchange(m_box, Bounds3d{}); }
    /// Sets the budget and thins down to it.
    void setBudget(std::size_t budget);
    /// Forgets every arrow, received or stored, and the counts (not layoutChanges(), nor the
    /// recipe of the next steps).
    void clear();

private:
    // A record's first word: its kind in bits 61-62, the group and head of its arrows in the
    // others.
    static constexpr std::uint64_t kStateKind = std::uint64_t{1} << 61;
    static constexpr std::uint64_t kRecipeKind = std::uint64_t{2} << 61;
    static constexpr std::uint64_t kKindMask = std::uint64_t{3} << 61;
    /// Arrows from one start as received.
    struct ArrowsRecord {
        std::uint64_t tag;
        Point3d a;
        Point3d b[kPerRecord];
        SceneRgb rgb[kPerRecord];
        std::uint32_t count;
    };
    /// A run's step, its arrows to make.
    struct StateRecord {
        std::uint64_t tag;
        Point3d r, v, b;
        double size;
    };
    /// A recipe and its colours, kept until no record names it.
    struct Recipe {
        ArrowRecipe recipe;
        SceneRgb rgb[3];
    };
    struct RecipeRecord {
        std::uint64_t tag;
        const Recipe* recipe;
    };
    using Word = std::uint64_t;
    template <class Record> static constexpr std::size_t kWords = sizeof(Record) / sizeof(Word);
    static constexpr std::size_t kBufferWords = kBatch * kWords<ArrowsRecord>;
    static constexpr std::size_t kLongestRecord = kWords<ArrowsRecord>;
    static_assert(kWords<StateRecord> <= kLongestRecord && kWords<RecipeRecord> <= kLongestRecord);

    /// The next record, of the kind and group `tag` (its other fields still to write).
    template <class Record> Record& next(std::uint64_t tag) {
        if (m_received >= m_receivedEnd) [[unlikely]]
            makeRoom();
        Record* r = ::new (static_cast<void*>(m_received)) Record;
        r->tag = tag;
        m_received += kWords<Record>;
        return *r;
    }
    /// Allocates the buffers, or hands the full one to the storing thread.
    void makeRoom();
    void settleNow();
    /// Stores the arrows of the records in [from, to) one after the other: the storing thread's
    /// task.
    void storeReceived(const Word* from, const Word* to);
    void thin();

    // The scene's thread fills m_buffer up to m_received; the storing thread reads m_handed.
    // A record starts below m_receivedEnd, so that the longest one fits.
    Word* m_received = nullptr;
    Word* m_receivedEnd = nullptr;
    std::unique_ptr<Word[]> m_buffer, m_handed;
    std::size_t m_handedWords = 0;
    // Every recipe received, the newest last: those before it go once their steps are stored.
    std::vector<std::unique_ptr<Recipe>> m_recipes;

    // Written by the storing thread while it stores; the scene's thread reads them after settle().
    // On cache lines of their own: the scene's thread writes the ones above at every step.
    alignas(64) ArrowStore<SceneSegment> m_store;
    std::uint64_t m_stored = 0;
    std::size_t m_intact = 0;
    std::size_t m_thinnings = 0;
    std::uint64_t m_layoutChanges = 0;
    Bounds3d m_box;
    std::size_t m_budget = kDefaultBudget;
    const Recipe* m_recipe = nullptr; // of the state records stored next
    ArrowMaker m_maker;

    alignas(64) TaskThread m_thread; // last: it ends before anything it uses goes
};

} // namespace gyro
