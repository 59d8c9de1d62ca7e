// The core run of one case: rows handed to the sink, and cases run one after another in one
// process exactly as each would run in a fresh one.
#include "numerics/errorreport.h"
#include "simulation/casekeys.h"
#include "simulation/caserun.h"
#include "simulation/caseslots.h"
#include "simulation/programstate.h"
#include "simulation/runrecord.h"
#include "simulation/runwarnings.h"
#include "simulation/startup.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace gyro {
namespace {

class Rows : public RowSink {
public:
    bool row(const TrajectorySample& s, std::span<const double> columns) override {
        values.insert(values.end(), {s.t, s.x, s.y, s.z, s.vx, s.vy, s.vz});
        values.insert(values.end(), columns.begin(), columns.end());
        ++count;
        return count < failAt;
    }
    std::vector<double> values;
    std::size_t count = 0;
    std::size_t failAt = SIZE_MAX;
};

struct Outcome {
    CaseRun::End end;
    std::vector<double> rows;
    std::size_t count;
    std::vector<std::string> warnings;
};

Outcome runCase(const std::vector<std::string>& settings, const CaseRunLength& length,
                std::size_t failAt = SIZE_MAX) {
    // A state of the run's own, as each call of the Python module makes.
    const ScopedProgramState state;
    Demarrage({}, StartupMode::ReadOnly);
    for (const std::string& s : settings) EXPECT_EQ(applyCaseSetting(theCase(), s), "") << s;
    StopAsker asker(ErrorReport::instance(), false);
    SpeciesRefresh(slot::kCyclotronFrequency);
    Rows rows;
    rows.failAt = failAt;
    NoScene scene;
    CaseRun run(theCase(), scene, length, &rows);
    std::vector<std::string> warnings;
    run.onErrorGrowing = [&warnings](const std::string& w) { warnings.push_back(w); };
    EXPECT_TRUE(run.start());
    const CaseRun::End end = run.loop({});
    run.finish();
    return {end, rows.values, rows.count, warnings};
}

TEST(CaseRun, RowsAreTheStartEveryKthStepAndTheLastOneAndASinkFailureHalts) {
    const std::vector<std::string> uniform{"shape=uniform", "Bz=0.01", "vy=1e6",     "Ex=0",
                                           "Ey=0",          "Ez=0",    "errmax=1e-7"};
    CaseRunLength length;
    length.steps = 10;
    length.every = 4;
    length.columns = {AccuracyColumn::WRel};
    const Outcome o = runCase(uniform, length);
    EXPECT_EQ(o.end, CaseRun::End::Reached);
    EXPECT_EQ(o.count, 4u); // start, steps 4 and 8, step 10
    EXPECT_EQ(o.rows.size(), 4u * 8);
    EXPECT_EQ(o.rows[0], 0.0);
    const Outcome halted = runCase(uniform, length, 2);
    EXPECT_EQ(halted.end, CaseRun::End::Halted);
}

TEST(CaseRun, CasesRunOneAfterAnotherAsEachWouldAlone) {
    const std::vector<std::string> first{"shape=uniform", "Bz=0.015", "vy=1e6", "vz=1e5",
                                         "Ex=0",          "Ey=300",   "Ez=0",   "errmax=1e-8"};
    // A second case that changes everything it can: species, method, and a question that stops.
    const std::vector<std::string> second{"species=proton", "shape=cylindrical",   "x=0", "z=0.01",
                                          "method=boris",   "steps-per-gyration=8"};
    CaseRunLength length;
    length.steps = 200;
    const Outcome alone = runCase(first, length);
    const Outcome other = runCase(second, length);
    EXPECT_EQ(other.end, CaseRun::End::Stopped);
    const Outcome again = runCase(first, length);
    EXPECT_EQ(again.end, CaseRun::End::Reached);
    EXPECT_EQ(again.rows, alone.rows);
}

// Between two rows a Boris or relativistic run goes on unseen (in stretches of steps); its rows,
// W and warnings are those of the same run seen at every step.
TEST(CaseRun, RowsOfEveryKthStepAreThoseOfTheRunSeenAtEveryStep) {
    struct Case {
        const char* name;
        std::vector<std::string> settings;
        std::optional<double> until; // [s]
    };
    const Case cases[] = {
        {"Boris, the default case", {"method=boris"}, std::nullopt},
        {"Boris, dipole, until a time", {"method=boris", "shape=dipole"}, 2e-7},
        {"relativistic, W passing both warnings",
         {"method=relativistic", "steps-per-gyration=4", "Ex=1e6"},
         std::nullopt},
    };
    constexpr std::size_t kEvery = 7;
    constexpr std::size_t kValues = 8; // t x y z vx vy vz W_rel
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CaseRunLength length;
        length.steps = 2000;
        length.until = c.until;
        length.columns = {AccuracyColumn::WRel};
        const Outcome seen = runCase(c.settings, length);
        length.every = kEvery;
        const Outcome unseen = runCase(c.settings, length);
        EXPECT_EQ(unseen.end, seen.end);
        EXPECT_EQ(unseen.warnings, seen.warnings);
        ASSERT_GT(seen.count, 100u);
        std::vector<double> expected;
        for (std::size_t row = 0; row < seen.count; ++row) {
            if (row % kEvery != 0 && row != seen.count - 1) continue;
            const auto at = seen.rows.begin() + static_cast<std::ptrdiff_t>(row * kValues);
            expected.insert(expected.end(), at, at + kValues);
        }
        EXPECT_EQ(unseen.rows, expected);
    }
}

} // namespace
} // namespace gyro
