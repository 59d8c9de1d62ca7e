// The scene stores its arrows on a thread of its own: whenever it is read, it must show every
// arrow sent before, in order, as if each had been stored on arrival.
#include "scene/scene3d.h"
#include "simulation/arrowrecipe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace gyro;

// Step k of a run along a slowly widening helix with its B, E and velocity arrows. Every 7th
// step's velocity arrow cannot be drawn (NaN) and every 11th step sends only two arrows, so that
// the records the scene hands over are not all alike.
Point3d sendStep(Scene3D& scene, int k, std::uint64_t& drawable) {
    const double r = 0.01 * (1 + k * 1e-6), th = k * 0.21;
    const double x = r * std::cos(th), y = r * std::sin(th), z = k * 1e-7;
    scene.SetColour(255, 50, 100);
    scene.Point(x, y, z);
    const double vx = k % 7 == 0 ? NAN : x - 0.001 * std::sin(th);
    const StepArrow arrows[3] = {{0.2, 0, 0, 255, true, x, y, z + 0.002},
                                 {0.1, 255, 128, 0, true, x + 0.001, y, z},
                                 {0.1, 0, 160, 0, true, vx, y + 0.001 * std::cos(th), z}};
    const int count = k % 11 == 0 ? 2 : 3;
    scene.StepArrows(x, y, z, arrows, count, 2);
    drawable += count == 3 && k % 7 == 0 ? 2 : count;
    return {x, y, z};
}

bool sameArrows(std::span<const SceneSegment> a, std::span<const SceneSegment> b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size_bytes()) == 0;
}

TEST(SceneArrows, EveryReadSeesEveryArrowSentBeforeIt) {
    // `read` is looked at every few hundred steps, `quiet` only at the end: across many
    // hand-overs, thinnings, a change of budget and a clear, both must hold the same arrows, and
    // every look at `read` must find the arrows sent so far, the newest last.
    Scene3D read, quiet;
    read.setSegmentBudget(20000);
    quiet.setSegmentBudget(20000);
    std::uint64_t sent = 0, sentQuiet = 0;
    for (int k = 0; k < 120000; ++k) {
        const Point3d at = sendStep(read, k, sent);
        sendStep(quiet, k, sentQuiet);
        if (k == 70000) {
            read.setSegmentBudget(9000);
            quiet.setSegmentBudget(9000);
        }
        if (k == 90000) {
            read.Clear();
            quiet.Clear();
            sent = sentQuiet = 0;
        }
        if (k % 397 == 0) {
            ASSERT_EQ(read.storedSegments(), sent) << "step " << k;
            const auto segs = read.segments();
            ASSERT_FALSE(segs.empty());
            // The newest arrow is the last drawable one of step k: the E arrow when the
            // velocity arrow was left out or not sent.
            EXPECT_TRUE(segs.back().a.x == at.x && segs.back().a.y == at.y &&
                        segs.back().a.z == at.z)
                << "step " << k;
            const bool lastIsVelocity = k % 11 != 0 && k % 7 != 0;
            EXPECT_EQ(segs.back().rgb, lastIsVelocity ? 0x00A000u : 0xFF8000u) << "step " << k;
            EXPECT_LE(segs.size(), read.segmentBudget());
        }
    }
    EXPECT_EQ(read.storedSegments(), quiet.storedSegments());
    EXPECT_EQ(read.intactSegments(), quiet.intactSegments());
    EXPECT_EQ(read.thinningCount(), quiet.thinningCount());
    EXPECT_GT(read.thinningCount(), 10u);
    EXPECT_TRUE(sameArrows(read.segments(), quiet.segments()));
    const Bounds3d a = read.runBounds(), b = quiet.runBounds();
    ASSERT_TRUE(a.valid && b.valid);
    EXPECT_TRUE(a.min.x == b.min.x && a.min.y == b.min.y && a.min.z == b.min.z &&
                a.max.x == b.max.x && a.max.y == b.max.y && a.max.z == b.max.z);
}

TEST(SceneArrows, LaggingReadsSeeWholeBuffersAndThenEverything) {
    // A view following a run lets the arrows lag: its reads see the buffers handed to the
    // storing thread, never a part of one, and once the lag ends every arrow sent.
    Scene3D scene;
    scene.letArrowsLag(true);
    const int steps = static_cast<int>(SceneArrows::kBatch) + 10;
    for (int k = 0; k < steps; ++k) {
        const double x = k * 1e-3;
        const StepArrow arrows[3] = {{1, 0, 0, 255, true, x, 1, 0},
                                     {1, 255, 0, 0, true, x, 2, 0},
                                     {1, 0, 255, 0, true, x, 3, 0}};
        scene.StepArrows(x, 0, 0, arrows, 3, 2);
    }
    EXPECT_TRUE(scene.arrowsWaiting());
    EXPECT_EQ(scene.storedSegments(), 3 * SceneArrows::kBatch);
    EXPECT_EQ(scene.segments().back().a.x, (SceneArrows::kBatch - 1) * 1e-3);
    scene.letArrowsLag(false);
    EXPECT_EQ(scene.storedSegments(), 3u * static_cast<unsigned>(steps));
    EXPECT_FALSE(scene.arrowsWaiting());
}

TEST(SceneArrows, StepsWhoseArrowsTheStoringThreadMakesEqualArrowsMadeBeforeSending) {
    // A run hands the scene its steps and the recipe of their arrows; the arrows the storing
    // thread makes of them must be those a sink that wants them made gets, in the same order
    // among plain segments, across recipes changed mid-buffer (one just before a clear), a
    // varying B (non-finite at times), a position that is not finite, several hand-overs and
    // reads at odd moments.
    Scene3D states, made;
    states.setSegmentBudget(30000);
    made.setSegmentBudget(30000);
    ArrowMaker maker;
    ArrowRecipe recipe;
    auto newRecipe = [&](int k) {
        recipe.revision = ArrowRecipe::nextRevision();
        recipe.autoScale = k % 3 != 1;
        recipe.typed[0] = 2, recipe.typed[1] = 0, recipe.typed[2] = 0.5 + k % 5;
        recipe.toMetres = 0.01 / 65;
        recipe.normE = 1e3, recipe.normV = 1e5;
        recipe.E = Vecteur3(1e3, 0, k);
        for (int i = 0; i < 3; ++i) recipe.rgb[i][0] = 40.0 * i + k % 7, recipe.rgb[i][2] = 90;
        recipe.style = static_cast<std::int16_t>(k % 4 == 3 ? 0 : 2);
    };
    newRecipe(0);
    for (int k = 0; k < 90000; ++k) {
        if (k % 20011 == 0) newRecipe(k);
        const double th = k * 0.13, r = 0.01 * (1 + k * 1e-5);
        const Vecteur3 R(k == 5000 ? NAN : r * std::cos(th), r * std::sin(th), k * 1e-8);
        const Vecteur3 V(-1e5 * std::sin(th), 1e5 * std::cos(th), 10);
        const Vecteur3 B(0.01 * std::cos(k * 1e-3), k % 997 == 0 ? INFINITY : 0, 0.02);
        const double size = 2 * r;
        for (Scene3D* scene : {&states, &made}) {
            scene->SetColour(255, 50, 100);
            scene->Point(R(1), R(2), R(3));
            if (k % 1000 == 7) scene->Segment(0, 0, 0, R(1), R(2), R(3));
        }
        ASSERT_TRUE(states.StepState(recipe, R, V, B, size));
        StepArrow out[3];
        maker.make(recipe, R, V, B, recipe.E, size, out);
        made.StepArrows(R(1), R(2), R(3), out, 3, recipe.style);
        if (k == 60000) {
            newRecipe(k + 1);
            ASSERT_TRUE(states.StepState(recipe, R, V, B, size));
            maker.make(recipe, R, V, B, recipe.E, size, out);
            made.StepArrows(R(1), R(2), R(3), out, 3, recipe.style);
            states.Clear();
            made.Clear();
        }
        if (k % 7919 == 0) {
            ASSERT_EQ(states.storedSegments(), made.storedSegments()) << "step " << k;
            EXPECT_EQ(states.vectorScale(), made.vectorScale()) << "step " << k;
        }
    }
    EXPECT_EQ(states.storedSegments(), made.storedSegments());
    EXPECT_EQ(states.intactSegments(), made.intactSegments());
    EXPECT_GT(states.thinningCount(), 3u);
    EXPECT_TRUE(sameArrows(states.segments(), made.segments()));
    EXPECT_EQ(states.lastColour(), made.lastColour());
}

TEST(SceneArrows, SceneDestroyedWhileItsArrowsAreStored) {
    // Several buffers' worth of arrows, the last handed over just before the scene goes: the
    // storing thread must be done before the store it writes to is freed.
    auto scene = std::make_unique<Scene3D>();
    std::uint64_t sent = 0;
    for (int k = 0; k < 3 * static_cast<int>(SceneArrows::kBatch) + 5; ++k)
        sendStep(*scene, k, sent);
    scene.reset();
    SUCCEED();
}

} // namespace
