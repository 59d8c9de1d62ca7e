// Two runs side by side in two threads of one process: each gives, bit for bit, the rows it
// gives alone, since a run reads and writes only its program state and its own control.
#include "simulation/casekeys.h"
#include "simulation/caserun.h"
#include "simulation/caseslots.h"
#include "simulation/programstate.h"
#include "simulation/rundriver.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <initializer_list>
#include <latch>
#include <string>
#include <thread>
#include <vector>

namespace gyro {
namespace {

using Row = std::array<double, 7>; // t, x, y, z, vx, vy, vz

constexpr std::size_t kSteps = 20000;

// Runs a case given as command-line settings for kSteps accepted steps in a fresh program state,
// on the calling thread, and returns its rows. With `start`, the run waits there for the other.
std::vector<Row> runAlone(std::initializer_list<std::string> settings,
                          std::latch* start = nullptr) {
    ProgramState state;
    {
        const ProgramState::Scope scope(state);
        for (const std::string& s : settings) EXPECT_EQ(applyCaseSetting(state.caseModel(), s), "");
        SpeciesRefresh(slot::kCyclotronFrequency);
    }
    NoScene sink;
    RunDriver driver(state, sink);
    std::vector<Row> rows;
    driver.onStep = [&](const StateArray& Y) {
        rows.push_back({Y(8), Y(1), Y(3), Y(5), Y(2), Y(4), Y(6)});
        return rows.size() < kSteps;
    };
    if (start) start->arrive_and_wait();
    EXPECT_TRUE(driver.RunTrajectory());
    while (driver.running() && !driver.advance(std::chrono::hours(1)).waiting) {
    }
    return rows;
}

TEST(SideBySide, TwoRunsInTwoThreadsGiveTheRowsOfEachAlone) {
    // The window's default (an electron in the 1/rho field) and a proton drifting in crossed
    // uniform fields, both with Cash-Karp, whose work buffers a shared program would share.
    const auto first = [](std::latch* start) { return runAlone({}, start); };
    const auto second = [](std::latch* start) {
        return runAlone({"shape=uniform", "Bz=0.02", "Ex=300", "species=proton", "vy=2e5"}, start);
    };
    const std::vector<Row> firstAlone = first(nullptr);
    const std::vector<Row> secondAlone = second(nullptr);
    ASSERT_EQ(firstAlone.size(), kSteps);
    ASSERT_EQ(secondAlone.size(), kSteps);
    ASSERT_NE(firstAlone.back(), secondAlone.back());

    std::vector<Row> firstThreaded, secondThreaded;
    std::latch start(2); // both runs begin together
    std::thread a([&] { firstThreaded = first(&start); });
    std::thread b([&] { secondThreaded = second(&start); });
    a.join();
    b.join();
    EXPECT_TRUE(firstThreaded == firstAlone);
    EXPECT_TRUE(secondThreaded == secondAlone);
}

TEST(SideBySide, AScopedStateIsFreshAndCurrent) {
    theCase().setText(BoxFamily::Texte3, slot::kX, "0.5");
    integrationChoice().method = IntegrationMethod::Boris;
    {
        const ScopedProgramState state;
        EXPECT_EQ(&theCase(), &ProgramState::current().caseModel());
        EXPECT_EQ(theCase().Texte3(slot::kX), CaseModel().Texte3(slot::kX));
        EXPECT_EQ(integrationChoice().method, IntegrationMethod::CashKarp);
        EXPECT_EQ(&ErrorReport::instance(), &ProgramState::current().report());
    }
    EXPECT_EQ(theCase().Texte3(slot::kX), "0.5"); // the thread's own state is back
    EXPECT_EQ(integrationChoice().method, IntegrationMethod::Boris);
}

} // namespace
} // namespace gyro
