// The command-line run: parse the case, run it through the same driver as the window, write the
// trajectory table, the picture and a summary.
#include "batch.h"

#include "draw3d/scene3d.h"
#include "draw3d/scenerenderer.h"
#include "numerics/errorreport.h"
#include "numerics/numberformat.h"
#include "numerics/rungekutta.h"
#include "simulation/casememo.h"
#include "simulation/casemodel.h"
#include "simulation/rundriver.h"
#include "simulation/runrecord.h"
#include "simulation/startup.h"
#include "simulation/trajectorycsv.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QSize>

#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <unistd.h>

namespace gyro {

namespace {

constexpr std::uint64_t kDefaultSteps = 100000;

// Answers every question of the error report with "Stop" (or, when asked to keep going, with
// "Yes") and remembers the first one, so the caller can tell why the run ended.
class StopAsker : public Asker {
public:
    explicit StopAsker(bool keepGoing) : m_keepGoing(keepGoing) {}
    std::string ask(const std::string& prompt, const std::string& title,
                    const std::string&) override {
        ++m_questions;
        if (m_keepGoing) return "Yes";
        if (m_reason.empty()) {
            const std::string suffix = "   Warning";
            m_reason = title.size() > suffix.size() && title.compare(title.size() - suffix.size(),
                                                                     suffix.size(), suffix) == 0
                           ? title.substr(0, title.size() - suffix.size())
                           : prompt;
        }
        return "Stop";
    }
    const std::string& reason() const { return m_reason; }
    bool keepGoing() const { return m_keepGoing; }
    int questions() const { return m_questions; }

private:
    bool m_keepGoing;
    int m_questions = 0;
    std::string m_reason;
};

// The kind of a log line: its label up to the first digit after the time stamp
// ("_RungePasRéduit", "_Pb de Pas", "Runge a tendance à boucler Pb de Pas"), used to print each
// kind once and count the others.
std::string logKind(const std::string& line) {
    const std::string stamp = "At_Time=";
    std::size_t start = 0;
    if (line.compare(0, stamp.size(), stamp) == 0) {
        // The stamp is followed by the formatted time, then the label.
        start = line.find(' ', stamp.size() + 1);
        start = start == std::string::npos ? line.size() : start + 1;
    }
    std::size_t end = start;
    while (end < line.size() && !std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
    while (end > start && line[end - 1] == ' ') --end;
    return line.substr(start, end - start);
}

// A scene that keeps nothing: the run without --png.
class NoScene : public TraceSink {
public:
    void SetMode(int) override {}
    void SetScene(double, double, double, double, double, double, double) override {}
    void SetVectorScale(double, std::int16_t) override {}
    void SetFrame(double, double, double, double, double, const std::string&,
                  std::optional<double>) override {}
    void EndSetUp(std::optional<double>, std::optional<double>) override {}
    void SetLabel(double, const std::string&) override {}
    void SetShot(double) override {}
    void SetViewText(const std::string&) override {}
    void Circle(double, double) override {}
    void Point(double, double, double) override {}
    void Segment(double, double, double, double, double, double) override {}
    void SetColour(double, double, double) override {}
    void SetLineColour(double, double, double) override {}
    void SetLimits(double, double) override {}
    void PenLift(std::int16_t, std::int16_t) override {}
};

// A whole number text (blanks allowed anywhere, as in the window's boxes).
std::optional<double> parseNumber(const std::string& text) {
    std::string s;
    for (char c : text) {
        if (c != ' ' && c != '\t') s.push_back(c);
    }
    if (!s.empty() && s[0] == '+') s.erase(0, 1);
    if (s.empty()) return std::nullopt;
    double value = 0;
    const auto result = std::from_chars(s.data(), s.data() + s.size(), value);
    if (result.ec != std::errc() || result.ptr != s.data() + s.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// Where a --set key writes in the case.
struct BoxKey {
    BoxFamily family;
    int index;
};

const std::map<std::string, BoxKey>& boxKeys() {
    static const std::map<std::string, BoxKey> keys = [] {
        std::map<std::string, BoxKey> k{
            {"x", {BoxFamily::Texte3, 0}},     {"y", {BoxFamily::Texte3, 1}},
            {"z", {BoxFamily::Texte3, 2}},     {"vx", {BoxFamily::Texte3, 3}},
            {"vy", {BoxFamily::Texte3, 4}},    {"vz", {BoxFamily::Texte3, 5}},
            {"Ex", {BoxFamily::Texte4, 0}},    {"Ey", {BoxFamily::Texte4, 1}},
            {"Ez", {BoxFamily::Texte4, 2}},    {"Bx", {BoxFamily::Texte6, 0}},
            {"By", {BoxFamily::Texte6, 1}},    {"Bz", {BoxFamily::Texte6, 2}},
            {"errmax", {BoxFamily::Texte7, 0}}};
        for (int p = 0; p < 12; ++p) {
            std::string name(1, 'P');
            name += std::to_string(p);
            k[name] = {BoxFamily::Texte6, p + 3};
        }
        return k;
    }();
    return keys;
}

const std::map<std::string, int> kSpeciesNames{{"electron", 0}, {"proton", 1}, {"xenon", 2}};
const std::map<std::string, int> kShapeNames{
    {"cylindrical", 0}, {"uniform", 1}, {"radial", 2}, {"dipole", 3}, {"double-dipole", 4}};

// Applies one KEY=VALUE; returns an error message, empty on success.
std::string applySetting(CaseModel& model, const std::string& setting) {
    const auto eq = setting.find('=');
    if (eq == std::string::npos) return "--set needs KEY=VALUE, got \"" + setting + "\"";
    const std::string key = setting.substr(0, eq);
    const std::string value = setting.substr(eq + 1);
    if (key == "species") {
        const auto it = kSpeciesNames.find(value);
        if (it == kSpeciesNames.end())
            return "species must be electron, proton or xenon, got \"" + value + "\"";
        model.select(BoxFamily::Option5, it->second);
        model.setText(BoxFamily::Texte3, 15, std::to_string(it->second));
        return {};
    }
    if (key == "shape") {
        const auto it = kShapeNames.find(value);
        if (it == kShapeNames.end())
            return "shape must be cylindrical, uniform, radial, dipole or double-dipole, got \"" +
                   value + "\"";
        model.select(BoxFamily::Option4, it->second);
        return {};
    }
    const auto number = parseNumber(value);
    if (key == "energy") {
        if (!number) return "energy: \"" + value + "\" is not a number";
        SpeciesRefresh(0); // the mass of the selected species
        model.setText(BoxFamily::Texte3, 14, value);
        EnergyEdit(14);
        return {};
    }
    const auto it = boxKeys().find(key);
    if (it == boxKeys().end()) return "unknown key \"" + key + "\" in --set " + setting;
    if (!number) return key + ": \"" + value + "\" is not a number";
    model.setText(it->second.family, it->second.index, value);
    return {};
}

void drawProgress(std::ostream& err, double fraction, std::uint64_t steps) {
    const int width = 30;
    const int filled = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * width);
    err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
        << std::string(static_cast<std::size_t>(width - filled), ' ') << "] "
        << static_cast<int>(fraction * 100) << "%  " << steps << " steps" << std::flush;
}

} // namespace

bool wantsCommandLine(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        for (const char* flag : {"--batch", "--help", "-h", "--help-all", "--version", "-v"}) {
            if (std::strcmp(argv[i], flag) == 0) return true;
        }
    }
    return false;
}

int runCommandLine(int argc, char* argv[]) {
    // A command-line run draws only into images: it needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // Qt wants a private runtime folder; without a desktop session there is none.
        const std::filesystem::path runtime = std::filesystem::temp_directory_path() /
                                              ("gyrotrace-runtime-" + std::to_string(getuid()));
        std::error_code ec;
        std::filesystem::create_directories(runtime, ec);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace, ec);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.string()));
    }
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("Gyrotrace");
    QGuiApplication::setApplicationVersion(GYRO_VERSION);
    std::ios::sync_with_stdio(false);
    const int code = runBatch(QCoreApplication::arguments(), std::cout, std::cerr);
    std::cout.flush();
    return code;
}

int runBatch(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Gyrotrace: the trajectory of a charged particle in electric and magnetic fields.\n"
        "Without arguments the main window opens; --batch runs one case without a window.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {"batch", "Run one case without a window and exit."},
        {"case", "Start from example <n> of ZEFRON.TMP in the current folder.", "n"},
        {"set",
         "Set a value of the case (repeatable). Keys: x y z vx vy vz energy species "
         "(electron|proton|xenon) shape (cylindrical|uniform|radial|dipole|double-dipole) "
         "Ex Ey Ez Bx By Bz P0..P11 errmax.",
         "KEY=VALUE"},
        {"steps", "Number of accepted steps (default 100000).", "n"},
        {"until", "Run until this simulated time [s].", "T"},
        {"csv", "Write the trajectory table to <file> (- for standard output).", "file"},
        {"every", "Write one row every <k> accepted steps (default 1).", "k"},
        {"png", "Render the scene to a PNG image.", "file"},
        {"size", "Size of the PNG image (default 1280x800).", "WxH"},
        {"keep-going",
         "Answer \"Yes\" to the warnings that ask a question (they are printed) instead of "
         "stopping the run."},
    });
    if (!parser.parse(arguments)) {
        err << "gyrotrace: " << parser.errorText().toStdString() << "\n";
        return kBatchBadArguments;
    }
    if (parser.isSet("help")) {
        out << parser.helpText().toStdString();
        return kBatchOk;
    }
    if (parser.isSet("version")) {
        out << QCoreApplication::applicationName().toStdString() << " "
            << QCoreApplication::applicationVersion().toStdString() << "\n";
        return kBatchOk;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << "gyrotrace: unexpected argument \""
            << parser.positionalArguments().first().toStdString() << "\"\n";
        return kBatchBadArguments;
    }

    auto wholeOption = [&](const char* name, std::uint64_t& target) -> bool {
        if (!parser.isSet(name)) return true;
        const auto v = parseNumber(parser.value(name).toStdString());
        if (!v || *v < 0 || *v != std::floor(*v)) {
            err << "gyrotrace: --" << name << " needs a whole number, got \""
                << parser.value(name).toStdString() << "\"\n";
            return false;
        }
        target = static_cast<std::uint64_t>(*v);
        return true;
    };
    std::uint64_t steps = kDefaultSteps;
    std::uint64_t every = 1;
    std::uint64_t caseNumber = 0;
    if (!wholeOption("steps", steps) || !wholeOption("every", every) ||
        !wholeOption("case", caseNumber)) {
        return kBatchBadArguments;
    }
    if (every == 0) every = 1;
    std::optional<double> until;
    if (parser.isSet("until")) {
        until = parseNumber(parser.value("until").toStdString());
        if (!until || *until <= 0) {
            err << "gyrotrace: --until needs a positive time in seconds, got \""
                << parser.value("until").toStdString() << "\"\n";
            return kBatchBadArguments;
        }
    }
    QSize size(1280, 800);
    if (parser.isSet("size")) {
        const QStringList wh = parser.value("size").split('x');
        bool okW = false, okH = false;
        if (wh.size() == 2) size = QSize(wh[0].toInt(&okW), wh[1].toInt(&okH));
        if (!okW || !okH || size.width() < 16 || size.height() < 16 || size.width() > 16384 ||
            size.height() > 16384) {
            err << "gyrotrace: --size needs WIDTHxHEIGHT (16..16384), got \""
                << parser.value("size").toStdString() << "\"\n";
            return kBatchBadArguments;
        }
    }

    // The working site is read when there is one; a batch run never writes or asks.
    Demarrage({}, StartupMode::ReadOnly);
    StopAsker asker(parser.isSet("keep-going"));
    ErrorReport& report = ErrorReport::instance();
    Asker* previousAsker = report.asker();
    report.setAsker(&asker);
    // Each kind of log line is printed at its first occurrence and then only counted (the step
    // control logs every rejected step).
    std::size_t logged = report.totalLines();
    std::map<std::string, std::size_t> logCounts;
    auto flushWarnings = [&] {
        const auto& lines = report.lines();
        logged = std::max(logged, report.droppedLines());
        for (; logged < report.totalLines(); ++logged) {
            const std::string& line = lines[logged - report.droppedLines()];
            const std::string kind = logKind(line);
            if (logCounts[kind]++ > 0) continue;
            err << "gyrotrace: warning: " << line << "\n";
        }
    };
    struct RestoreAsker {
        ErrorReport& report;
        Asker* previous;
        ~RestoreAsker() { report.setAsker(previous); }
    } restore{report, previousAsker};

    CaseModel& model = theCase();
    if (caseNumber > 0) {
        CaseMemo memo;
        double n = static_cast<double>(caseNumber);
        if (!memo.Memo("charge", n, model).moved) {
            err << "gyrotrace: --case " << caseNumber << ": no examples in " << memo.path().string()
                << "\n";
            return kBatchBadArguments;
        }
        const double species = model.Texte3Value(15);
        if (species >= 0 && species <= 2)
            model.select(BoxFamily::Option5, static_cast<int>(species));
        err << "gyrotrace: example " << n << " of " << memo.count() << " loaded\n";
    }
    for (const QString& setting : parser.values("set")) {
        const std::string message = applySetting(model, setting.toStdString());
        if (!message.empty()) {
            err << "gyrotrace: " << message << "\n";
            return kBatchBadArguments;
        }
    }
    if (model.Texte3Value(0) == 0 && model.Texte3Value(1) == 0 && model.Texte3Value(2) == 0) {
        err << "gyrotrace: the initial position x,y,z is null\n";
        return kBatchBadArguments;
    }
    if (model.Texte3Value(3) == 0 && model.Texte3Value(4) == 0 && model.Texte3Value(5) == 0) {
        err << "gyrotrace: the initial velocity x,y,z is null\n";
        return kBatchBadArguments;
    }
    SpeciesRefresh(10);
    readDrawingOptions(runRecord(), model);
    const double mass = runRecord().Mass;

    // Output table: a file written beside its final name and renamed at the end, or stdout.
    std::ofstream csvFile;
    std::ostream* csv = nullptr;
    const std::string csvName = parser.value("csv").toStdString();
    std::string csvTemp;
    if (parser.isSet("csv")) {
        if (csvName == "-") {
            csv = &out;
        } else {
            csvTemp = csvName + ".part";
            csvFile.open(csvTemp, std::ios::binary | std::ios::trunc);
            if (!csvFile) {
                err << "gyrotrace: cannot write " << csvName << "\n";
                return kBatchOutputFailed;
            }
            csv = &csvFile;
        }
        *csv << kTrajectoryCsvHeader << '\n';
    }

    Scene3D scene;
    NoScene noScene;
    const bool wantPng = parser.isSet("png");
    RunDriver driver(model, wantPng ? static_cast<TraceSink&>(scene) : noScene);
    std::string row;
    std::uint64_t accepted = 0;
    bool reachedEnd = false;
    const int timeIndex = static_cast<int>(Ldim);
    auto writeRow = [&](const StateArray& Y) {
        if (!csv) return;
        row.clear();
        appendTrajectoryRow(row, {Y(timeIndex), Y(1), Y(3), Y(5), Y(2), Y(4), Y(6)}, mass);
        row.push_back('\n');
        *csv << row;
    };
    driver.onStep = [&](const StateArray& Y) {
        ++accepted;
        if (accepted % every == 0) writeRow(Y);
        reachedEnd = until ? Y(timeIndex) >= *until : accepted >= steps;
        return !reachedEnd;
    };
    if (!driver.RunTrajectory()) {
        flushWarnings();
        err << "gyrotrace: the case was refused\n";
        return kBatchBadArguments;
    }
    const double energyStart = runRecord().energy;
    writeRow(driver.state());

    const bool progress = isatty(STDERR_FILENO) != 0;
    auto lastDraw = std::chrono::steady_clock::now();
    while (driver.running()) {
        driver.advance(std::chrono::milliseconds(50));
        flushWarnings();
        if (csv == &out) out.flush(); // stream the table while the run goes on
        if (progress &&
            std::chrono::steady_clock::now() - lastDraw > std::chrono::milliseconds(100)) {
            const double fraction =
                until ? driver.time() / *until
                      : static_cast<double>(accepted) / static_cast<double>(steps);
            drawProgress(err, fraction, accepted);
            lastDraw = std::chrono::steady_clock::now();
        }
    }
    if (progress) {
        drawProgress(err, 1.0, accepted);
        err << "\n";
    }
    flushWarnings();

    int code = kBatchOk;
    if (!reachedEnd && !asker.reason().empty()) {
        err << "gyrotrace: stopped: " << asker.reason() << "\n";
        code = kBatchStopped;
    }
    if (csvFile.is_open()) {
        csvFile.close();
        std::error_code ec;
        if (!csvFile) {
            err << "gyrotrace: cannot write " << csvName << "\n";
            code = kBatchOutputFailed;
        } else {
            std::filesystem::rename(csvTemp, csvName, ec);
            if (ec) {
                err << "gyrotrace: cannot write " << csvName << ": " << ec.message() << "\n";
                code = kBatchOutputFailed;
            }
        }
        if (code == kBatchOutputFailed) std::filesystem::remove(csvTemp, ec);
    }
    if (wantPng) {
        QString error;
        // The picture shows everything the run drew, however far it went from its start.
        ViewCamera camera = homeCamera(scene, size);
        if (scene.bounds().valid) camera.fitBox(scene.bounds());
        if (!renderToPng(scene, camera, size, parser.value("png"), &error)) {
            err << "gyrotrace: " << error.toStdString() << "\n";
            code = kBatchOutputFailed;
        }
    }

    // Summary.
    const StateArray& Y = driver.state();
    const double speed = std::sqrt(Y(2) * Y(2) + Y(4) * Y(4) + Y(6) * Y(6));
    const double energyEnd = kineticEnergyEv(speed, mass);
    const double change = energyStart != 0 ? (energyEnd - energyStart) / energyStart : 0;
    for (const auto& [kind, count] : logCounts) {
        if (count > 1) err << "gyrotrace: " << count << " times: " << kind << "\n";
    }
    err << "Cyclotron frequency (Hz): " << model.Texte3(10) << "\n"
        << "Larmor diameter (m): " << model.Texte3(11) << "\n"
        << "Steps accepted: " << driver.acceptedSteps() << ", rejected: " << driver.rejectedSteps()
        << "\n"
        << "Final time (s): " << FormatGeneral(Y(timeIndex)) << "\n"
        << "Relative energy change: " << FormatGeneral(change) << "\n";
    if (csvFile.is_open() || (!csvName.empty() && csvName != "-" && code != kBatchOutputFailed))
        err << "Trajectory table: " << csvName << "\n";
    if (wantPng && code != kBatchOutputFailed)
        err << "Picture: " << parser.value("png").toStdString() << "\n";
    return code;
}

} // namespace gyro
