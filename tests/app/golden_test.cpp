// Golden trajectories of the command line's Cash-Karp runs: the program, run as a user runs it,
// must give the stored tables byte for byte and the same counts of accepted and rejected steps.
// The tables were written by the program itself; any change of an accepted state, of an error
// estimate (and so of a step size) or of the order of a sum shows here as a changed row.
// A change meant to alter the steps writes the tables anew, each with the program's own command:
//   gyrotrace --batch ARGS --columns W_rel,mu,pitch_deg,gcx,gcy,gcz --csv - > golden/NAME.csv
// and says so in its commit.
#include "support/testfolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace gyro {
namespace {

struct GoldenCase {
    const char* name;   // the reference table golden/<name>.csv
    const char* args;   // after "--batch"
    const char* counts; // the summary's line of steps
};

// Each case is run to its end with every extra column, sampled every few thousand steps: a
// difference in the last bit of any step grows along the run and shows in the rows after it.
const GoldenCase kCases[] = {
    // The default case (the 1/rho field): a quarter of the attempts rejected.
    {"radial", "--steps 50000 --every 2500", "Steps accepted: 50000, rejected: 11904"},
    // Gyration with the E x B drift and a parallel velocity, no rejection.
    {"drift",
     "--set shape=uniform --set Bz=0.01 --set Ex=1000 --set Ez=0 --set vy=1e5 --set vz=2e4 "
     "--steps 50000 --every 2500",
     "Steps accepted: 50000, rejected: 0"},
    {"double-dipole", "--set shape=double-dipole --steps 20000 --every 1000",
     "Steps accepted: 20000, rejected: 132"},
    // Every row of a run that stops on the question after three rejections in a row.
    {"cylindrical", "--set shape=cylindrical --steps 50000", "Steps accepted: 15, rejected: 3"},
    // A run landing on its end time.
    {"until", "--set shape=uniform --set Bz=0.01 --set Ez=0 --set vy=1e5 --until 2e-7 --every 500",
     "Steps accepted: 566, rejected: 0"},
};

std::string readPipe(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

TEST(GoldenTrajectory, CashKarpRunsGiveTheReferenceTablesToTheLastBit) {
    for (const GoldenCase& c : kCases) {
        const test::TempFolder folder;
        const std::string command = "cd '" + folder.path().string() + "' && '" + GYROTRACE_PROGRAM +
                                    "' --batch " + c.args +
                                    " --columns W_rel,mu,pitch_deg,gcx,gcy,gcz --csv - 2>err.txt";
        const std::string table = readPipe(command);
        const std::string reference =
            test::ReadBytes(std::string(GYRO_GOLDEN_DIR) + "/" + c.name + ".csv");
        ASSERT_FALSE(reference.empty()) << c.name;
        EXPECT_EQ(table, reference) << c.name;
        const std::string err = test::ReadBytes(folder / "err.txt");
        EXPECT_NE(err.find(c.counts), std::string::npos) << c.name << "\n" << err;
    }
}

} // namespace
} // namespace gyro
