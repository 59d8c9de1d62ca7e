// The C++ side of the Python module: a case checked and run through the command line's core run,
// its rows handed back as one NumPy table. The Python package (gyrotrace/) builds on it.
#include "numerics/errorreport.h"
#include "settings/outputfile.h"
#include "simulation/accuracycolumns.h"
#include "simulation/accuracyhint.h"
#include "simulation/caseexamples.h"
#include "simulation/casefieldmap.h"
#include "simulation/casekeys.h"
#include "simulation/casememo.h"
#include "simulation/caserun.h"
#include "simulation/caseslots.h"
#include "simulation/fields.h"
#include "simulation/integrationmethod.h"
#include "simulation/lightspeed.h"
#include "simulation/programstate.h"
#include "simulation/runrecord.h"
#include "simulation/runverdict.h"
#include "simulation/runwarnings.h"
#include "simulation/startup.h"
#include "simulation/trajectorycsv.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>

namespace py = pybind11;

namespace gyro {

namespace {

// The boxes of a case as a plain value: texts of Texte3, Texte4, Texte6 and Texte7, states of
// Option4, Option5 and Coche1. What an example of the memo holds.
struct Boxes {
    std::map<std::string, std::vector<std::string>> texts;
    std::map<std::string, std::vector<int>> states;
};

const std::vector<std::pair<std::string, BoxFamily>>& textFamilies() {
    static const std::vector<std::pair<std::string, BoxFamily>> families{
        {"Texte3", BoxFamily::Texte3},
        {"Texte4", BoxFamily::Texte4},
        {"Texte6", BoxFamily::Texte6},
        {"Texte7", BoxFamily::Texte7}};
    return families;
}

const std::vector<std::tuple<std::string, BoxFamily, int>>& stateFamilies() {
    static const std::vector<std::tuple<std::string, BoxFamily, int>> families{
        {"Option4", BoxFamily::Option4, CaseModel::kSlots},
        {"Option5", BoxFamily::Option5, CaseModel::kSpecies},
        {"Coche1", BoxFamily::Coche1, CaseModel::kSlots}};
    return families;
}

Boxes boxesOf(const CaseModel& model) {
    Boxes boxes;
    for (const auto& [name, family] : textFamilies()) {
        const int slots = family == BoxFamily::Texte7 ? 1 : CaseModel::kSlots;
        for (int i = 0; i < slots; ++i) boxes.texts[name].push_back(model.text(family, i));
    }
    for (const auto& [name, family, slots] : stateFamilies())
        for (int i = 0; i < slots; ++i) boxes.states[name].push_back(model.state(family, i));
    return boxes;
}

void applyBoxes(CaseModel& model, const Boxes& boxes) {
    for (const auto& [name, family] : textFamilies()) {
        const auto it = boxes.texts.find(name);
        if (it == boxes.texts.end()) continue;
        for (std::size_t i = 0; i < it->second.size(); ++i)
            model.setText(family, static_cast<int>(i), it->second[i]);
    }
    for (const auto& [name, family, slots] : stateFamilies()) {
        const auto it = boxes.states.find(name);
        if (it == boxes.states.end()) continue;
        for (std::size_t i = 0; i < it->second.size() && static_cast<int>(i) < slots; ++i)
            model.setState(family, static_cast<int>(i), it->second[i]);
    }
}

// A program state of the call's own, current on its thread for the call, fresh as a new
// command-line process starts with: the case, run record, integration choice and error report
// of one call are no other call's, so runs in several threads go side by side.
class FreshState {
public:
    FreshState() { Demarrage({}, StartupMode::ReadOnly); }

private:
    ScopedProgramState m_state;
};

// The case of a run over the fresh state: the example's boxes when there are some, then the
// settings "KEY=VALUE" in order (the method first), with the command line's checks and messages.
void applyCase(const Boxes* boxes, const std::vector<std::string>& settings) {
    CaseModel& model = theCase();
    if (boxes) {
        applyBoxes(model, *boxes);
        restoreMethod(model, integrationChoice()); // the method the example ran with
        // The field map the example names (its path made whole when the memo was read).
        if (const std::string& map = model.Texte3(slot::kFieldMapPath); !map.empty()) {
            const std::string problem = loadCaseFieldMap(model, map);
            if (!problem.empty() && model.shape() == slot::kFieldMap)
                throw std::invalid_argument(problem);
        }
    }
    const std::string message = applyCaseSettings(model, settings);
    if (!message.empty()) throw std::invalid_argument(message);
    if (const auto problem = caseStartProblem(model)) throw std::invalid_argument(*problem);
}

// The rows of a run, kept in one growing row-major table.
class TableRows : public RowSink {
public:
    TableRows(double mass, std::size_t columns) : m_mass(mass), m_width(9 + columns) {}
    bool row(const TrajectorySample& sample, std::span<const double> columns) override {
        const auto values = trajectoryRowValues(sample, m_mass);
        m_data.insert(m_data.end(), values.begin(), values.end());
        m_data.insert(m_data.end(), columns.begin(), columns.end());
        return true;
    }
    /// Room for `rows` rows at once (up to kMaxReserved values: a longer table grows as it
    /// goes), so that a long table is not copied at every growth.
    void reserve(std::uint64_t rows) {
        constexpr std::uint64_t kMaxReserved = std::uint64_t{1} << 25; // 256 MB of doubles
        m_data.reserve(static_cast<std::size_t>(std::min(rows, kMaxReserved / m_width) * m_width));
    }
    /// The table as a NumPy array that takes over the rows' memory (no copy); the rows are left
    /// empty.
    py::array_t<double> toArray() {
        const auto rows = static_cast<py::ssize_t>(m_data.size() / m_width);
        const auto width = static_cast<py::ssize_t>(m_width);
        if (m_data.empty()) return py::array_t<double>({rows, width});
        // Room left over by the growth of a run of unknown length is given back.
        if (m_data.capacity() - m_data.size() > m_data.size() / 4) m_data.shrink_to_fit();
        auto* owned = new std::vector<double>(std::move(m_data));
        const py::capsule owner(owned,
                                [](void* p) { delete static_cast<std::vector<double>*>(p); });
        return py::array_t<double>({rows, width}, owned->data(), owner);
    }

private:
    double m_mass;
    std::size_t m_width;
    std::vector<double> m_data;
};

// The warnings of a run as the command line prints them: the first line of each kind, and how
// many times each kind was logged.
class WarningList {
public:
    WarningList() : m_follower(LogFollower::fromNow(ErrorReport::instance())) {}
    void add(const std::string& line) { m_first.push_back(line); }
    void follow() {
        for (const std::string& line : m_follower.take(ErrorReport::instance()).lines)
            if (m_counts[logKind(line)]++ == 0) m_first.push_back(line);
    }
    const std::vector<std::string>& first() const { return m_first; }
    const std::map<std::string, std::size_t>& counts() const { return m_counts; }

private:
    LogFollower m_follower;
    std::vector<std::string> m_first;
    std::map<std::string, std::size_t> m_counts;
};

const char* endName(CaseRun::End end) {
    switch (end) {
    case CaseRun::End::Reached:
        return "reached";
    case CaseRun::End::PauseTime:
        return "pause time";
    case CaseRun::End::Stopped:
        return "stopped";
    case CaseRun::End::Halted:
        return "interrupted";
    default:
        return "refused";
    }
}

struct RunArguments {
    std::optional<Boxes> boxes;
    std::vector<std::string> settings;
    CaseRunLength length;
    bool keepGoing = false;
};

// Everything a run returns, gathered while the interpreter's lock is released.
struct RunOutcome {
    CaseRun::End end = CaseRun::End::Refused;
    std::vector<std::string> warnings;
    std::map<std::string, std::size_t> counts;
    std::string stopReason;
    std::string verdict;
    std::uint64_t accepted = 0, rejected = 0;
    double finalTime = 0, wChange = 0, frequency = 0, larmorDiameter = 0;
    std::unique_ptr<TableRows> rows;
    bool interrupted = false;
};

void runCase(const RunArguments& args, RunOutcome& out) {
    const FreshState state;
    // As on the command line: questions are answered and the log followed from the case's
    // preparation on.
    StopAsker asker(ErrorReport::instance(), args.keepGoing);
    WarningList warnings;
    applyCase(args.boxes ? &*args.boxes : nullptr, args.settings);
    CaseModel& model = theCase();
    SpeciesRefresh(slot::kCyclotronFrequency);
    readDrawingOptions(runRecord(), model);
    // The warnings the command line gives before the run: speeds near that of light, and the
    // accuracy hint judged over the run asked.
    for (const std::string& warning : relativisticWarningsAtStart(model)) warnings.add(warning);
    RunSpan span;
    if (args.length.until) {
        span.seconds = *args.length.until;
    } else {
        span.steps = static_cast<double>(args.length.steps);
    }
    if (integrationChoice().method == IntegrationMethod::CashKarp) {
        if (const AccuracyHint hint = accuracyHintForCase(model, span); hint.shown)
            warnings.add(hint.text);
    }
    out.rows = std::make_unique<TableRows>(runRecord().Mass, args.length.columns.size());
    // A run of a given number of steps knows its rows: the start, every `every`-th step, the last.
    if (!args.length.until)
        out.rows->reserve(args.length.steps / std::max<std::uint64_t>(args.length.every, 1) + 2);
    NoScene scene;
    CaseRun run(model, scene, args.length, out.rows.get());
    run.onErrorGrowing = [&warnings](const std::string& warning) { warnings.add(warning); };
    if (run.start()) {
        bool speedTold = false;
        out.end = run.loop([&] {
            warnings.follow();
            if (!speedTold && !run.driver().speedWarning().empty()) {
                speedTold = true;
                warnings.add(run.driver().speedWarning());
            }
            py::gil_scoped_acquire gil;
            // Ctrl-C in the interpreter's main thread: the run stops at the end of this slice.
            if (PyErr_CheckSignals() != 0) out.interrupted = true;
            return !out.interrupted;
        });
        warnings.follow();
        run.finish();
    } else {
        warnings.follow();
    }
    out.warnings = warnings.first();
    out.counts = warnings.counts();
    if (out.end == CaseRun::End::Stopped) {
        out.stopReason = !asker.reason().empty() ? asker.reason()
                         : run.accepted() == 0
                             ? "no step could be computed"
                             : "the run ended after " + std::to_string(run.accepted()) +
                                   " steps, before its end";
    }
    out.accepted = run.driver().acceptedSteps();
    out.rejected = run.driver().rejectedSteps();
    out.finalTime = run.driver().state()(static_cast<int>(Ldim));
    out.wChange = run.driver().invariant().relativeChange();
    const bool complete = out.end == CaseRun::End::Reached || out.end == CaseRun::End::PauseTime;
    out.verdict = runVerdict(out.wChange, complete, !run.driver().speedWarning().empty(),
                             FieldModel(model).mapElectric());
    out.frequency = runRecord().cyclotronFrequency;
    out.larmorDiameter = runRecord().larmorDiameter;
}

Boxes boxesFromDict(const py::dict& d) {
    Boxes boxes;
    for (const auto& [name, family] : textFamilies()) {
        (void)family;
        if (d.contains(name)) boxes.texts[name] = d[name.c_str()].cast<std::vector<std::string>>();
    }
    for (const auto& [name, family, slots] : stateFamilies()) {
        (void)family;
        (void)slots;
        if (d.contains(name)) boxes.states[name] = d[name.c_str()].cast<std::vector<int>>();
    }
    return boxes;
}

py::dict dictFromBoxes(const Boxes& boxes) {
    py::dict d;
    for (const auto& [name, texts] : boxes.texts) d[name.c_str()] = texts;
    for (const auto& [name, states] : boxes.states) d[name.c_str()] = states;
    return d;
}

std::vector<AccuracyColumn> columnsFrom(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ",") + name;
    std::vector<AccuracyColumn> columns;
    std::string error;
    if (!parseAccuracyColumns(list, columns, error)) throw std::invalid_argument(error);
    return columns;
}

py::dict run(std::optional<py::dict> boxes, std::vector<std::string> settings, std::uint64_t steps,
             std::optional<double> until, std::uint64_t every, std::vector<std::string> columns,
             bool keepGoing) {
    RunArguments args;
    if (boxes) args.boxes = boxesFromDict(*boxes);
    args.settings = std::move(settings);
    args.length.steps = steps;
    args.length.until = until;
    args.length.every = every;
    args.length.columns = columnsFrom(columns);
    args.keepGoing = keepGoing;
    RunOutcome out;
    {
        py::gil_scoped_release release;
        runCase(args, out);
    }
    if (out.interrupted) {
        if (!PyErr_Occurred()) PyErr_SetNone(PyExc_KeyboardInterrupt);
        throw py::error_already_set();
    }
    py::dict result;
    result["table"] = out.rows->toArray();
    result["columns"] = columns;
    result["end"] = endName(out.end);
    result["stop_reason"] = out.stopReason;
    result["verdict"] = out.verdict;
    result["warnings"] = out.warnings;
    result["warning_counts"] = out.counts;
    result["steps_accepted"] = out.accepted;
    result["steps_rejected"] = out.rejected;
    result["final_time"] = out.finalTime;
    result["W_change"] = out.wChange;
    result["cyclotron_frequency"] = out.frequency;
    result["larmor_diameter"] = out.larmorDiameter;
    return result;
}

// Checks a case without running it: the same messages as a run.
void check(std::optional<py::dict> boxes, std::vector<std::string> settings) {
    std::optional<Boxes> b;
    if (boxes) b = boxesFromDict(*boxes);
    py::gil_scoped_release release;
    const FreshState state;
    applyCase(b ? &*b : nullptr, settings);
}

// The boxes of example `number` of the memo in `folder`, with the example's number and the
// memo's count.
py::tuple memoExample(const std::string& folder, double number) {
    Boxes boxes;
    CaseMemo::Selector loaded;
    double count = 0;
    {
        py::gil_scoped_release release;
        const FreshState state;
        CaseMemo memo(folder);
        loaded = loadExample(theCase(), memo, number);
        count = memo.count();
        if (loaded.moved) boxes = boxesOf(theCase());
    }
    if (!loaded.moved) return py::make_tuple(py::none(), 0, 0);
    return py::make_tuple(dictFromBoxes(boxes), loaded.value, count);
}

// Writes a table in the command line's format: the header, then one line of numbers in full
// precision per row. Through the one writer that never destroys the previous file.
void writeTable(const std::string& path, const std::vector<std::string>& header,
                py::array_t<double, py::array::c_style | py::array::forcecast> table) {
    if (table.ndim() != 2 || static_cast<std::size_t>(table.shape(1)) != header.size())
        throw std::invalid_argument("the table must have one column per header name");
    const auto rows = table.unchecked<2>();
    FileResult result;
    {
        // The array is held by this call: its numbers are read without the interpreter's lock.
        py::gil_scoped_release release;
        OutputFile file;
        result = file.open(path);
        std::string text;
        for (std::size_t i = 0; i < header.size(); ++i) text += (i ? "," : "") + header[i];
        text += '\n';
        // Written a block at a time, as the command line streams its rows: a long table never
        // stands whole in memory as text.
        constexpr std::size_t kBlockBytes = 1 << 16;
        for (py::ssize_t r = 0; result.ok && r < rows.shape(0); ++r) {
            for (py::ssize_t c = 0; c < rows.shape(1); ++c) {
                if (c > 0) text.push_back(',');
                appendTableNumber(text, rows(r, c));
            }
            text.push_back('\n');
            if (text.size() >= kBlockBytes) {
                if (!file.write(text)) result = {false, "cannot write " + path};
                text.clear();
            }
        }
        if (result.ok && !file.write(text)) result = {false, "cannot write " + path};
        if (result.ok) result = file.commit();
    }
    if (!result.ok) throw std::runtime_error(result.message);
}

} // namespace

} // namespace gyro

PYBIND11_MODULE(_core, m) {
    m.doc() = "Gyrotrace's run of one case, for the gyrotrace package.";
    m.def("run", &gyro::run, py::arg("boxes"), py::arg("settings"), py::arg("steps"),
          py::arg("until"), py::arg("every"), py::arg("columns"), py::arg("keep_going"));
    m.def("check", &gyro::check, py::arg("boxes"), py::arg("settings"));
    m.def("memo_example", &gyro::memoExample, py::arg("folder"), py::arg("number"));
    m.def("write_table", &gyro::writeTable, py::arg("path"), py::arg("header"), py::arg("table"));
    m.attr("TABLE_HEADER") = gyro::kTrajectoryCsvHeader;
    m.attr("DEFAULT_STEPS") = gyro::CaseRunLength::kDefaultSteps;
}
