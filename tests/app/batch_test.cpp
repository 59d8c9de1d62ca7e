// The command-line run: its trajectory table against the analytic motion, its exit codes and
// messages, streaming, and examples taken from the memo.
#include "app/batch.h"

#include "numerics/errorreport.h"
#include "simulation/casememo.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/integrationmethod.h"
#include "simulation/startup.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace gyro {
namespace {

constexpr double kElectronMass = 9.1091e-31;    // [kg]
constexpr double kElectronCharge = -1.6021e-19; // [C]

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        theCase().resetToDefaults();
        ErrorReport::instance().reset();
        ErrorReport::instance().stopFlag() = 0;
        ResetStartup();
    }
    void TearDown() override { QDir::setCurrent(m_previous); }

    static Outcome run(QStringList args) {
        args.prepend("gyrotrace");
        std::ostringstream out, err;
        const int code = runBatch(args, out, err);
        theCase().resetToDefaults();
        integrationChoice() = IntegrationChoice{};
        return {code, out.str(), err.str()};
    }

    // Rows of a table: each row's numbers.
    static std::vector<std::vector<double>> rows(const std::string& text) {
        std::vector<std::vector<double>> table;
        std::istringstream in(text);
        std::string line;
        std::getline(in, line);
        EXPECT_EQ(line, "t,x,y,z,vx,vy,vz,Bnorm,Ek_eV");
        while (std::getline(in, line)) {
            std::vector<double> row;
            std::istringstream cells(line);
            std::string cell;
            while (std::getline(cells, cell, ',')) row.push_back(std::stod(cell));
            EXPECT_EQ(row.size(), 9u) << line;
            table.push_back(row);
        }
        return table;
    }

    QTemporaryDir m_dir;
    QString m_previous;
};

TEST_F(BatchTest, UniformFieldElectronGyratesAndDriftsAsTheAnalyticMotion) {
    // E along x, B along z: the guiding centre drifts at E x B / B^2 = (0, -Ex/Bz, 0) while the
    // particle turns at the cyclotron frequency Omega = q Bz / m.
    const double Bz = 0.01, Ex = 1000, v1 = 2e5, errMax = 1e-9;
    const double vd = -Ex / Bz;
    const Outcome o = run({"--batch", "--set",       "shape=uniform",
                           "--set",   "Bz=0.01",     "--set",
                           "Ez=0",    "--set",       "Ex=1000",
                           "--set",   "x=0.01",      "--set",
                           "vx=0",    "--set",       QString("vy=%1").arg(vd + v1, 0, 'g', 17),
                           "--set",   "errmax=1e-9", "--until",
                           "3e-8",    "--csv",       "-"});
    ASSERT_EQ(o.code, 0) << o.err;
    const auto table = rows(o.out);
    ASSERT_GT(table.size(), 100u);
    const double omega = kElectronCharge * Bz / kElectronMass;
    EXPECT_GT(std::fabs(omega) * table.back()[0], 10) << "several turns";
    double worst = 0;
    for (const auto& r : table) {
        const double t = r[0];
        const double x = 0.01 + v1 / omega * (1 - std::cos(omega * t));
        const double y = vd * t + v1 / omega * std::sin(omega * t);
        worst = std::max(worst, std::hypot(r[1] - x, r[2] - y));
        EXPECT_DOUBLE_EQ(r[7], Bz);
    }
    // Each step adds at most about the error limit; allow that for every step taken.
    EXPECT_LT(worst, errMax * static_cast<double>(table.size())) << "worst " << worst;
    EXPECT_LT(worst, 1e-3 * v1 / std::fabs(omega));
    EXPECT_NE(o.err.find("Steps accepted: " + std::to_string(table.size() - 1)), std::string::npos)
        << o.err;
}

// A 1 MeV electron in 0.01 T under the relativistic method (typed after the energy): the speed
// is the one of (γ - 1) m c^2 = 1 MeV, below c; the table's Ek_eV, W and mu = γ² m v⊥²/(2B)
// stay put, and the read-outs are |q|B/(2πγm) and 2γ m v/(|q|B).
TEST_F(BatchTest, RelativisticElectronOfOneMeV) {
    constexpr double c = 299792458.0, b = 0.01;
    const double gamma = 1 + 1e6 * -kElectronCharge / (kElectronMass * c * c);
    const double v = c * std::sqrt(1 - 1 / (gamma * gamma));
    const Outcome o = run({"--batch",
                           "--set",
                           "shape=uniform",
                           "--set",
                           "Bz=0.01",
                           "--set",
                           "Ez=0",
                           "--set",
                           "vx=1",
                           "--set",
                           "vy=0",
                           "--set",
                           "vz=0",
                           "--set",
                           "energy=1e6",
                           "--set",
                           "method=relativistic",
                           "--steps",
                           "640",
                           "--columns",
                           "W_rel,mu",
                           "--csv",
                           "-"});
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.err.find("speed of light"), std::string::npos) << o.err;
    std::istringstream in(o.out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "t,x,y,z,vx,vy,vz,Bnorm,Ek_eV,W_rel,mu");
    const double mu = gamma * gamma * kElectronMass * v * v / (2 * b);
    int count = 0;
    while (std::getline(in, line)) {
        std::vector<double> r;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) r.push_back(std::stod(cell));
        ASSERT_EQ(r.size(), 11u) << line;
        EXPECT_NEAR(std::hypot(r[4], r[5], r[6]), v, 1e-8 * v) << line;
        EXPECT_NEAR(r[8], 1e6, 1e-3) << line;
        EXPECT_LT(std::fabs(r[9]), 1e-12) << line;
        EXPECT_NEAR(r[10], mu, 1e-8 * mu) << line;
        ++count;
    }
    EXPECT_EQ(count, 641);
    const auto shown = [&](const std::string& label) {
        const auto at = o.err.find(label);
        return at == std::string::npos ? NAN : std::stod(o.err.substr(at + label.size()));
    };
    const double frequency = -kElectronCharge * b / (2 * 3.14159265358979 * gamma * kElectronMass);
    EXPECT_NEAR(shown("Cyclotron frequency (Hz): "), frequency, 0.01 * frequency) << o.err;
    const double diameter = 2 * gamma * kElectronMass * v / (-kElectronCharge * b);
    EXPECT_NEAR(shown("Larmor diameter (m): "), diameter, 0.01 * diameter) << o.err;
}

TEST_F(BatchTest, BadArgumentsExitWithCodeTwoAndOneLineNamingTheProblem) {
    struct Row {
        QStringList args;
        std::string message;
    };
    const Row rows[] = {
        {{"--set", "colour=3"}, "unknown key \"colour\""},
        {{"--set", "Bz=strong"}, "Bz: \"strong\" is not a number"},
        {{"--set", "species=muon"}, "species must be electron, proton or xenon"},
        {{"--set", "shape=toroidal"}, "shape must be"},
        {{"--set", "x=0"}, "the initial position x,y,z is null"},
        {{"--set", "vy=0"}, "the initial velocity x,y,z is null"},
        {{"--steps", "ten"}, "--steps needs a whole number"},
        {{"--until", "-1"}, "--until needs a positive time"},
        {{"--size", "big"}, "--size needs WIDTHxHEIGHT"},
        {{"--frobnicate"}, "Unknown option 'frobnicate'"},
        {{"--case", "2"}, "no examples in"},
        {{"--steps", "1e30"}, "--steps needs a whole number"},
        {{"--case", "1e30"}, "--case needs a whole number"},
        {{"--every", "-1"}, "--every needs a whole number"},
        {{"--every", "2.5"}, "--every needs a whole number"},
        {{"--set", "x=1e-400"}, "x: \"1e-400\" is too small"},
        {{"--set", "energy=1e300"}, "energy: \"1e300\" eV is out of range"},
        {{"--size", "16000x16000"}, "at most 67108864 pixels"},
        {{"--csv", "."}, "is a folder"},
        {{"--csv", ""}, "no file name"},
        {{"--png", "missing/dir/x.png"}, "missing/dir/x.png"},
        {{"--pdf", "missing/dir/x.pdf"}, "missing/dir/x.pdf"},
        {{"--columns", "W_rel,gcq", "--csv", "-"}, "--columns: unknown column \"gcq\""},
        {{"--columns", "mu"}, "it needs --csv"},
        {{"--set", "shape=map"}, "the field shape is a map, but no field map is loaded"},
        {{"--set", "map=nothere.csv"}, "cannot read the field map nothere.csv"},
        {{"--vtk", "run.vtk"}, "--vtk writes a .vtp file: its name must end in .vtp"},
        {{"--vtk-field", "field.vtk"}, "its name must end in .vti"},
    };
    for (const Row& row : rows) {
        QStringList args{"--batch"};
        args += row.args;
        const Outcome o = run(args);
        EXPECT_EQ(o.code, 2) << row.message;
        EXPECT_NE(o.err.find(row.message), std::string::npos) << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
    }
}

TEST_F(BatchTest, CaseBeyondTheMemoLoadsTheLastExample) {
    CaseMemo memo;
    CaseModel model;
    for (const char* x : {"0.01", "0.02", "0.03"}) {
        model.setText(BoxFamily::Texte3, slot::kX, x);
        double n = 100;
        memo.Memo("sauve", n, model);
    }
    const Outcome o = run({"--batch", "--case", "7", "--steps", "3", "--csv", "-"});
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_NE(o.err.find("example 3 of 3 loaded"), std::string::npos) << o.err;
    EXPECT_DOUBLE_EQ(rows(o.out).front()[1], 0.03);
}

TEST_F(BatchTest, AnExampleWithAPauseTimeEndsThereInsteadOfWaiting) {
    // In the window a run waits at the pause time for a later one; nobody types it here.
    CaseMemo memo;
    CaseModel model;
    model.setText(BoxFamily::Texte3, slot::kPauseTime, "1e-9");
    double n = 1;
    memo.save(n, model);
    const Outcome o = run({"--batch", "--case", "1", "--steps", "100000000", "--csv", "-"});
    EXPECT_EQ(o.code, 0) << o.err;
    EXPECT_NE(o.err.find("ended at the case's pause time"), std::string::npos) << o.err;
    EXPECT_EQ(rows(o.out).back()[0], 1e-9); // the last step lands on it
}

TEST_F(BatchTest, WritesTableAndPictureFilesAndNeverTheSettings) {
    const Outcome o = run({"--batch", "--steps", "2000", "--every", "10", "--csv", "run.csv",
                           "--png", "run.png", "--pdf", "run.pdf", "--size", "320x200"});
    ASSERT_EQ(o.code, 0) << o.err;
    std::ifstream in("run.csv");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(rows(text.str()).size(), 201u) << "the start and every tenth of 2000 steps";
    const QImage image("run.png");
    EXPECT_EQ(image.size(), QSize(320, 200));
    EXPECT_FALSE(QFile::exists("Zefron.ini"));
    EXPECT_FALSE(QFile::exists("ZEFRON.TMP"));
    EXPECT_NE(o.err.find("Trajectory table: run.csv"), std::string::npos);
    EXPECT_NE(o.err.find("Picture: run.png"), std::string::npos);
    std::ifstream pdf("run.pdf");
    std::string header(5, ' ');
    pdf.read(header.data(), 5);
    EXPECT_EQ(header, "%PDF-");
    EXPECT_NE(o.err.find("PDF page: run.pdf"), std::string::npos);
}

TEST_F(BatchTest, APdfThatCannotBeWrittenIsRefusedBeforeTheRun) {
    // The folder exists but takes no new file: the check before the run finds it out.
    const Outcome o = run({"--batch", "--steps", "10", "--pdf", "/proc/gyrotrace-scene.pdf"});
    EXPECT_EQ(o.code, 2) << o.err;
    EXPECT_NE(o.err.find("no file can be made in the folder /proc"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("gyrotrace-scene.pdf"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find("PDF page:"), std::string::npos) << o.err;
}

TEST_F(BatchTest, SummaryGivesTheGyrationOfTheSpeciesRun) {
    // An example keeps its species: loading it runs a proton, as --set species=proton does.
    CaseModel example;
    example.setText(BoxFamily::Texte3, slot::kSpeciesMemo, "1");
    double n = 1;
    CaseMemo().save(n, example);
    const QStringList uniform = {"--batch", "--steps",  "1",     "--set",  "shape=uniform",
                                 "--set",   "Bz=0.001", "--set", "vx=1e6", "--set",
                                 "vy=0",    "--set",    "vz=0",  "--set",  "Ez=0"};
    // Proton in 1 mT at 1e6 m/s: f = eB / (2 pi m_p), d = 2 m_p v / (eB).
    constexpr double kProtonMass = 1.6726e-27, kE = 1.6021e-19, kPi = 3.14159265358979;
    const double f = kE * 1e-3 / (2 * kPi * kProtonMass);
    const double d = 2 * kProtonMass * 1e6 / (kE * 1e-3);
    for (const QStringList& extra :
         {QStringList{"--set", "species=proton"}, QStringList{"--case", "1"}}) {
        const Outcome o = run(uniform + extra);
        ASSERT_EQ(o.code, 0) << o.err;
        auto value = [&](const std::string& caption) {
            const std::size_t at = o.err.find(caption);
            return at == std::string::npos ? 0.0 : std::stod(o.err.substr(at + caption.size()));
        };
        EXPECT_NEAR(value("Cyclotron frequency (Hz):") / f, 1, 0.01) << o.err;
        EXPECT_NEAR(value("Larmor diameter (m):") / d, 1, 0.01) << o.err;
    }
}

TEST_F(BatchTest, TablesHoldTheStartAndAlwaysEndAtTheFinalTime) {
    struct Case {
        QStringList args;
        std::size_t rows;
    };
    const Case cases[] = {
        {{"--steps", "0"}, 1},                  // the start alone
        {{"--steps", "22", "--every", "7"}, 5}, // start, 7, 14, 21, and the last step, 22
        {{"--steps", "21", "--every", "7"}, 4}, // start, 7, 14, 21
    };
    for (const Case& c : cases) {
        QStringList args{"--batch", "--set", "shape=uniform", "--csv", "-"};
        args += c.args;
        const Outcome o = run(args);
        ASSERT_EQ(o.code, 0) << o.err;
        const auto table = rows(o.out);
        ASSERT_EQ(table.size(), c.rows) << c.args.join(' ').toStdString();
        const std::size_t at = o.err.find("Final time (s): ");
        ASSERT_NE(at, std::string::npos);
        EXPECT_NEAR(table.back()[0], std::stod(o.err.substr(at + 16)), 1e-12 * table.back()[0]);
    }
    EXPECT_NE(run({"--batch", "--steps", "0"}).err.find("Cyclotron frequency (Hz):  557.E+06"),
              std::string::npos)
        << "the read-outs of a run of no step";
}

// Cells of a table with its header, split at the commas.
std::vector<std::vector<std::string>> cells(const std::string& text) {
    std::vector<std::vector<std::string>> table;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        table.emplace_back();
        std::istringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');) table.back().push_back(cell);
    }
    return table;
}

TEST_F(BatchTest, AccuracyColumnsFollowTheStandardOnesAndWIsConservedWhereEkIsNot) {
    // E along x, B along z: the guiding centre drifts at E x B / B^2 = (0, -Ex/Bz, 0) while the
    // particle turns about it at v1 = 2e5 m/s, so its speed swings between 1e5 and 3e5 m/s; but
    // W = Ek - q E.(r - r0) stays at its start value.
    const double Ex = 1000, Bz = 0.01, vd = -Ex / Bz;
    const QStringList uniform = {
        "--batch", "--set", "shape=uniform", "--set",   "Bz=0.01", "--set", "Ez=0",   "--set",
        "Ex=1000", "--set", "vx=0",          "--set",   "vy=1e5",  "--set", "x=0.01", "--set",
        "vz=0",    "--set", "errmax=1e-10",  "--until", "2e-8",    "--csv", "-"};
    const Outcome plain = run(uniform);
    ASSERT_EQ(plain.code, 0) << plain.err;
    const Outcome o = run(uniform + QStringList{"--columns", "gcy,W_rel"});
    ASSERT_EQ(o.code, 0) << o.err;
    const auto table = cells(o.out);
    ASSERT_GT(table.size(), 50u);
    EXPECT_EQ(table[0], (std::vector<std::string>{"t", "x", "y", "z", "vx", "vy", "vz", "Bnorm",
                                                  "Ek_eV", "gcy", "W_rel"}));
    // The standard columns are those of the run without --columns, to the byte.
    const auto standard = cells(plain.out);
    ASSERT_EQ(standard.size(), table.size());
    double ekMin = 1e300, ekMax = 0;
    for (std::size_t i = 1; i < table.size(); ++i) {
        ASSERT_EQ(table[i].size(), 11u);
        EXPECT_EQ(std::vector<std::string>(table[i].begin(), table[i].begin() + 9), standard[i]);
        const double t = std::stod(table[i][0]);
        const double gcy0 = std::stod(table[1][9]);
        EXPECT_NEAR(std::stod(table[i][9]) - gcy0, vd * t, 1e-3 * std::fabs(vd) * 2e-8) << i;
        EXPECT_LT(std::fabs(std::stod(table[i][10])), 1e-4) << i; // Ek changes eightfold
        ekMin = std::min(ekMin, std::stod(table[i][8]));
        ekMax = std::max(ekMax, std::stod(table[i][8]));
    }
    EXPECT_GT(ekMax / ekMin, 8) << "(3e5 / 1e5)^2 = 9";
    const std::size_t at = o.err.find("Energy invariant W relative change: ");
    ASSERT_NE(at, std::string::npos) << o.err;
    EXPECT_LT(std::fabs(std::stod(o.err.substr(at + 36))), 1e-4) << o.err;
}

TEST_F(BatchTest, CoarseErrorLimitWarnsOnceAndTheRunGoesOn) {
    const Outcome coarse = run({"--batch", "--steps", "10", "--set", "errmax=1e-5"});
    EXPECT_EQ(coarse.code, 0) << coarse.err;
    EXPECT_EQ(coarse.err.rfind("gyrotrace: warning: Error limit 1E-05 m against a gyration radius "
                               "of 7.2E-05 m",
                               0),
              0u)
        << coarse.err;
    EXPECT_NE(coarse.err.find("Steps accepted: 10"), std::string::npos) << coarse.err;
    for (const char* fine : {"errmax=1e-12", "method=boris"}) {
        const Outcome o = run({"--batch", "--steps", "10", "--set", fine});
        EXPECT_EQ(o.code, 0) << o.err;
        EXPECT_EQ(o.err.find("Error limit"), std::string::npos) << fine << o.err;
    }
}

// What a newcomer runs first (scripts/start.sh without a display): the default case with the
// hint's proposal, a short report and a good verdict.
TEST_F(BatchTest, TheHeadlessFirstRunIsOneTheProgramTrusts) {
    const Outcome o = run({"--batch", "--keep-going", "--use-hint", "--csv", "default-case.csv"});
    EXPECT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.err.rfind("gyrotrace: using the Boris method", 0), 0u) << o.err;
    EXPECT_NE(o.err.find("\nVerdict: good"), std::string::npos) << o.err;
    EXPECT_LE(std::count(o.err.begin(), o.err.end(), '\n'), 10) << o.err;

    // The same case with the suggested error limit instead of Boris keeps W within 1e-4.
    const Outcome warned = run({"--batch", "--keep-going"});
    const std::string tag = "Suggested limit: ";
    const std::size_t at = warned.err.find(tag);
    ASSERT_NE(at, std::string::npos) << warned.err;
    const std::string limit =
        warned.err.substr(at + tag.size(), warned.err.find(' ', at + tag.size()) - at - tag.size());
    const Outcome fine = run({"--batch", "--set", "errmax=" + QString::fromStdString(limit)});
    EXPECT_EQ(fine.code, 0) << fine.err;
    const std::size_t w = fine.err.find("Energy invariant W relative change: ");
    ASSERT_NE(w, std::string::npos) << fine.err;
    EXPECT_LT(std::fabs(std::stod(fine.err.substr(w + 36))), 1e-4) << fine.err;
}

// W's change is measured against the largest kinetic energy reached: the default electron starts
// at 10 m/s but is swept into a drift of 2.5e5 m/s, so its start energy says nothing of the
// error. An exact Boris cycloid (uniform E ⟂ B, from a start along B) keeps W to round-off.
TEST_F(BatchTest, TheInvariantIsMeasuredAgainstTheEnergyReached) {
    const auto change = [](const Outcome& o) {
        const std::size_t at = o.err.find("Energy invariant W relative change: ");
        EXPECT_NE(at, std::string::npos) << o.err;
        return at == std::string::npos ? NAN : std::stod(o.err.substr(at + 36));
    };
    const Outcome coarse = run({"--batch", "--until", "1.8e-6"}); // a thousand gyrations
    EXPECT_LT(std::fabs(change(coarse)), 1e-3) << coarse.err;
    const Outcome cycloid = run({"--batch", "--until", "1e-7", "--set", "method=boris", "--set",
                                 "shape=uniform", "--set", "Bz=0.01", "--set", "Ez=0", "--set",
                                 "Ex=1000", "--set", "vy=0", "--set", "vz=1e3"});
    EXPECT_LT(std::fabs(change(cycloid)), 1e-12) << cycloid.err;
}

// --until T: the last row is at T exactly, for both methods, and the Cash-Karp steps before it
// are those of a longer run, to the last bit.
// A field map's own E acts in every method (the map's E x B drift is that of the same E typed
// in), and W, which counts only the uniform E, is then told as no measure of the error.
TEST_F(BatchTest, AFieldMapsOwnEDrivesEveryMethodAndLeavesWUnjudged) {
    {
        std::ofstream map("drift.csv");
        map << "x,y,z,Bx,By,Bz,Ex,Ey,Ez\n";
        for (int k = 0; k < 4; ++k)
            for (int j = 0; j < 13; ++j)
                for (int i = 0; i < 4; ++i)
                    map << -1.5e-3 + 1e-3 * i << "," << -10.5e-3 + 1e-3 * j << ","
                        << -1.5e-3 + 1e-3 * k << ",0,0,0.01,1000,0,0\n";
    }
    const QStringList start = {"--batch", "--until", "7e-8", "--set", "x=0",    "--set",
                               "y=5e-4",  "--set",   "z=0",  "--set", "vx=2e5", "--set",
                               "vy=0",    "--set",   "vz=0", "--set", "Ey=0",   "--set",
                               "Ez=0",    "--set",   "Bx=0", "--set", "By=0"};
    for (const char* method : {"method=cash-karp", "method=boris", "method=relativistic"}) {
        SCOPED_TRACE(method);
        const Outcome typed =
            run(start + QStringList{"--set", method, "--set", "shape=uniform", "--set", "Bz=0.01",
                                    "--set", "Ex=1000", "--csv", "-"});
        const Outcome mapped =
            run(start + QStringList{"--set", method, "--set", "shape=map", "--set", "map=drift.csv",
                                    "--set", "Ex=0", "--csv", "-"});
        ASSERT_EQ(mapped.code, 0) << mapped.err;
        const auto a = rows(typed.out).back(), b = rows(mapped.out).back();
        EXPECT_LT(a[2], -5e-3) << "drifted along -y at E / B = 1e5 m/s";
        for (int i = 1; i <= 6; ++i) EXPECT_NEAR(b[i], a[i], 1e-9 * std::fabs(a[i]) + 1e-15);
        EXPECT_NE(mapped.err.find("\nVerdict: not measured: W changed by "), std::string::npos)
            << mapped.err;
        EXPECT_NE(mapped.err.find("W counts only the uniform E, not the field map's own"),
                  std::string::npos);
        EXPECT_EQ(mapped.err.find("integration error"), std::string::npos) << mapped.err;
    }
}

TEST_F(BatchTest, RunsEndExactlyAtTheirEndTime) {
    const QStringList uniform = {"--set", "shape=uniform", "--set", "Bz=0.01",
                                 "--set", "Ez=0",          "--set", "vy=1e5"};
    const Outcome longer = run(QStringList{"--batch", "--until", "2e-8", "--csv", "-"} + uniform);
    const auto reference = rows(longer.out);
    for (const char* method : {"method=cash-karp", "method=boris"}) {
        const Outcome o =
            run(QStringList{"--batch", "--until", "1e-8", "--csv", "-", "--set", method} + uniform);
        ASSERT_EQ(o.code, 0) << o.err;
        const auto table = rows(o.out);
        ASSERT_GT(table.size(), 10u);
        EXPECT_EQ(table.back()[0], 1e-8) << method;
        EXPECT_LT(table[table.size() - 2][0], 1e-8) << method;
        if (std::string(method) != "method=cash-karp") continue;
        for (std::size_t i = 0; i + 1 < table.size(); ++i)
            ASSERT_EQ(table[i], reference[i]) << "row " << i;
    }
}

// The distance of the last point from the start [m] and from another run's last point.
std::pair<double, double> lastPointDistances(const std::vector<std::vector<double>>& a,
                                             const std::vector<std::vector<double>>& b) {
    const auto& s = a.front();
    const auto& p = a.back();
    const auto& q = b.back();
    return {std::hypot(p[1] - s[1], p[2] - s[2], p[3] - s[3]),
            std::hypot(p[1] - q[1], p[2] - q[2], p[3] - q[3])};
}

// Boris where the field is weak: a proton leaving the double dipole, and an electron starting at
// its field null (no field there, so a step for 32 per gyration would have no bound). Both end at
// their end time and agree with a fine Cash-Karp run.
TEST_F(BatchTest, BorisStepsStayBoundedWhereTheFieldVanishes) {
    const QStringList dipoles = {
        "--set", "shape=double-dipole", "--set", "P6=10", "--set", "P7=-8", "--set", "P8=0.0845"};
    const struct {
        QStringList particle;
        const char* until;
        const char* errmax;
        double tolerance; // of the distance travelled
    } cases[] = {
        {{"--set", "species=proton", "--set", "Ez=1000", "--set", "x=0.0425", "--set", "z=0.001",
          "--set", "vx=3e5", "--set", "vy=1e5"},
         "1e-4",
         "errmax=1e-10",
         1e-3},
        {{"--set", "Ez=0", "--set", "x=0.04382", "--set", "vy=1.4e5"},
         "1e-7",
         "errmax=1e-12",
         1e-3 / 0.014},
    };
    for (const auto& c : cases) {
        const QStringList common =
            QStringList{"--batch", "--until", c.until, "--csv", "-"} + dipoles + c.particle;
        const Outcome boris = run(common + QStringList{"--set", "method=boris"});
        const Outcome reference = run(common + QStringList{"--set", c.errmax});
        ASSERT_EQ(boris.code, 0) << boris.err;
        ASSERT_EQ(reference.code, 0) << reference.err;
        const auto table = rows(boris.out);
        EXPECT_EQ(table.back()[0], std::stod(c.until));
        const auto [travelled, apart] = lastPointDistances(table, rows(reference.out));
        EXPECT_LT(apart, c.tolerance * travelled) << c.until << " travelled " << travelled;
    }
    // A proton that stays a while between the dipoles before it leaves (its path there is too
    // sensitive to compare with another method's): it ends at 1e-4 s, no farther than E can
    // carry it in that time, v0 t + q E t^2 / (2 m) = 490 m.
    const Outcome leaving =
        run(QStringList{"--batch", "--until", "1e-4", "--csv", "-", "--set", "method=boris",
                        "--set", "species=proton", "--set", "Ez=1000", "--set", "x=0.0425", "--set",
                        "z=0.001", "--set", "vy=1e5", "--set", "vz=2e4"} +
            dipoles);
    ASSERT_EQ(leaving.code, 0) << leaving.err;
    const auto table = rows(leaving.out);
    EXPECT_EQ(table.back()[0], 1e-4);
    EXPECT_LT(lastPointDistances(table, table).first, 490);
}

// Motion is computed without relativity: a speed at or above c is refused, one above a tenth of
// it (the particle's, or the E × B drift's) is warned of, a slow one is not.
TEST_F(BatchTest, SpeedsAgainstTheSpeedOfLight) {
    const struct {
        QStringList set;
        int code;
        const char* told; // "" for nothing about the speed of light
    } cases[] = {
        {{"vx=4e8"}, 2, "not below the speed of light"},
        {{"vx=1e12"}, 2, "not below the speed of light"},
        {{"energy=1e7"}, 2, "not below the speed of light"}, // a 10 MeV electron
        {{"vx=5e7"}, 0, "warning: the speed 0.167 c is above a tenth of the speed of light"},
        {{"Ez=1.32e7"}, 0, "warning: the E x B drift speed 2.2"},
        {{"vx=1e6"}, 0, ""},
    };
    for (const auto& c : cases) {
        QStringList args = {"--batch", "--keep-going", "--steps", "3"};
        for (const QString& s : c.set) args << "--set" << s;
        const Outcome o = run(args);
        EXPECT_EQ(o.code, c.code) << o.err;
        if (*c.told) {
            EXPECT_NE(o.err.find(c.told), std::string::npos) << o.err;
        } else {
            EXPECT_EQ(o.err.find("speed of light"), std::string::npos) << o.err;
        }
    }
}

TEST_F(BatchTest, ARunThatCannotStartExitsWithCodeThree) {
    const Outcome o = run({"--batch", "--keep-going", "--set", "errmax=0", "--steps", "10"});
    EXPECT_EQ(o.code, 3) << o.err;
    EXPECT_NE(o.err.find("stopped: no step could be computed"), std::string::npos) << o.err;
}

TEST_F(BatchTest, AQuestionStopsTheRunWithCodeThree) {
    // A point on the z axis makes the radial unit vector null: the field model asks.
    const Outcome o = run({"--batch", "--set", "shape=cylindrical", "--set", "x=0", "--set",
                           "z=0.01", "--steps", "10"});
    EXPECT_EQ(o.code, 3) << o.err;
    EXPECT_NE(o.err.find("stopped: normafaute"), std::string::npos) << o.err;
}

TEST_F(BatchTest, TableOnStandardOutputStreamsWhileTheRunGoesOn) {
    // A run far too long to finish: its first rows must arrive while it is still running.
    QProcess process;
    process.start(GYROTRACE_PROGRAM, {"--batch", "--set", "shape=uniform", "--keep-going",
                                      "--steps", "1000000000", "--csv", "-"});
    ASSERT_TRUE(process.waitForStarted(10000));
    QByteArray received;
    while (received.count('\n') < 3 && process.waitForReadyRead(20000)) {
        received += process.readAllStandardOutput();
    }
    EXPECT_EQ(process.state(), QProcess::Running);
    EXPECT_TRUE(received.startsWith("t,x,y,z,vx,vy,vz,Bnorm,Ek_eV\n")) << received.left(200).data();
    EXPECT_GE(received.count('\n'), 3);
    process.kill();
    process.waitForFinished(10000);
}

// The program as a user starts it, in the test's folder; returns its exit code.
int runProgram(const QStringList& args, const QString& stdoutFile = {},
               const QStringList& unset = {}, QByteArray* err = nullptr) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : unset) env.remove(name);
    process.setProcessEnvironment(env);
    if (!stdoutFile.isEmpty()) process.setStandardOutputFile(stdoutFile);
    process.start(GYROTRACE_PROGRAM, args);
    if (!process.waitForFinished(60000)) return -1;
    if (err) *err = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

TEST_F(BatchTest, OutputsOntoDevicesAndLinksKeepThemWhatTheyAre) {
    namespace fs = std::filesystem;
    std::ofstream("target.csv") << "old";
    fs::create_symlink("target.csv", "link.csv");
    std::ofstream("target.png") << "old";
    fs::create_symlink("target.png", "link.png");
    const bool device = ::mknod("null", S_IFCHR | 0666, makedev(1, 3)) == 0;
    const QStringList run{"--batch", "--steps", "500", "--size", "64x64"};
    EXPECT_EQ(runProgram(run + QStringList{"--csv", "link.csv", "--png", "link.png"}), 0);
    EXPECT_TRUE(fs::is_symlink("link.csv") && fs::is_symlink("link.png"));
    std::ifstream table("target.csv");
    std::stringstream text;
    text << table.rdbuf();
    EXPECT_EQ(rows(text.str()).size(), 501u);
    EXPECT_EQ(QImage("target.png").size(), QSize(64, 64));
    if (device) {
        EXPECT_EQ(runProgram(run + QStringList{"--csv", "null", "--png", "null"}), 0);
        EXPECT_TRUE(fs::is_character_file("null"));
    }
    EXPECT_EQ(QDir().entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot).size(),
              device ? 5 : 4)
        << "no temporary file left";
}

TEST_F(BatchTest, StandardOutputThatFailsExitsWithCodeFour) {
    QByteArray err;
    EXPECT_EQ(runProgram({"--batch", "--steps", "1000", "--csv", "-"}, "/dev/full", {}, &err), 4);
    EXPECT_TRUE(err.contains("cannot write to standard output")) << err.data();
}

TEST_F(BatchTest, WithoutADisplayTheWindowPointsToTheCommandLine) {
    const QStringList noDisplay{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    QByteArray err;
    EXPECT_EQ(runProgram({}, {}, noDisplay, &err), 2);
    EXPECT_TRUE(err.contains("needs a display") && err.contains("--batch")) << err.data();
    EXPECT_EQ(runProgram({"--colour"}, {}, noDisplay, &err), 2);
    EXPECT_TRUE(err.contains("Unknown option 'colour'")) << err.data();
}

TEST_F(BatchTest, ARunWithoutAPictureNeedsNoGuiPlatform) {
    // A platform plug-in that does not exist: the GUI side of Qt would abort on it.
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "nowhere");
    process.setProcessEnvironment(env);
    process.start(GYROTRACE_PROGRAM, {"--batch", "--steps", "10", "--csv", "-"});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().data();
    EXPECT_EQ(process.readAllStandardOutput().count('\n'), 12); // header, start, ten steps
}

TEST_F(BatchTest, HelpAndVersion) {
    Outcome o = run({"--help"});
    EXPECT_EQ(o.code, 0);
    EXPECT_NE(o.out.find("--batch"), std::string::npos);
    o = run({"--version"});
    EXPECT_EQ(o.code, 0);
    EXPECT_NE(o.out.find("Gyrotrace"), std::string::npos);
}

} // namespace
} // namespace gyro

int main(int argc, char** argv) {
    // Listing the tests at build time runs this program without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("Gyrotrace");
    QGuiApplication::setApplicationVersion("test");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
