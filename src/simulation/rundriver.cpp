// The run driver: set-up of a run's scene, the step loop in time slices, arrows, field lines,
// pause time, Pause and "Other Case", nested runs.
#include "simulation/rundriver.h"

#include "numerics/errorreport.h"
#include "numerics/rungekutta.h"
#include "numerics/vectorstate.h"
#include "simulation/arrowrecipe.h"
#include "simulation/arrowscale.h"
#include "simulation/borispace.h"
#include "simulation/borisrun.h"
#include "simulation/caseslots.h"
#include "simulation/fieldmap.h"
#include "simulation/fields.h"
#include "simulation/gyration.h"
#include "simulation/integrationmethod.h"
#include "simulation/lightspeed.h"
#include "simulation/motion.h"
#include "simulation/relativistic.h"
#include "simulation/runrecord.h"
#include "simulation/tracesink.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace gyro {

namespace {

// Arrow lengths are given in the scene's drawing units, in which the run's initial radius r0
// spans 65 units: an arrow of k units is k r0 / 65 metres long.
constexpr double kDrawingUnits = 65;

} // namespace

/// One run in progress: its own state, step, colours and reference norms.
struct RunDriver::Run {
    StateArray Y;
    StateArray Ynew;
    double h = 0.0001 / 2000000;            // first step [s]
    double r0 = 1;                          // initial distance from the origin [m]
    double normE = 1, normB = 1, normV = 1; // at the start; 0 counts as 1
    double colour[13] = {};                 // entries 1..12 of the colour table
    bool waitingForTime = false;            // past the pause time, waiting for a later one
    std::uint64_t accepted = 0;
    RunControl control; // error limit, method, stop flag, rejections and work buffers
    TrajectoryRecord record;
    EnergyInvariant invariant;   // W = Ek - q E·(r - r0) since the start
    ArrowScale arrows;           // lengths of the automatic-scale arrows
    BorisPace pace;              // the Boris step's memory of the field along the path
    ProperVelocityMemo momentum; // u = γv between relativistic steps
    FieldCache fields;           // the case's fields while the case stands
    SpeedWatch speedWatch;       // tells once when the speed passes a tenth of c
    std::string speedWarning;    // what it told
    // What the arrows are drawn with (built again when the case changes), for the case stamp
    // it was built from, and the maker of the arrows drawn here.
    ArrowRecipe recipe;
    std::uint64_t recipeStamp = 0;
    ArrowMaker arrowMaker;
};

RunDriver::RunDriver(ProgramState& state, TraceSink& sink)
    : m_state(state), m_model(state.caseModel()), m_sink(sink) {}

RunDriver::RunDriver(CaseModel& model, TraceSink& sink)
    : m_state(ProgramState::current()), m_model(model), m_sink(sink) {}

RunDriver::~RunDriver() = default;

void RunDriver::setSpeed(double stepsPerSecond) {
    m_speed = std::max(0.0, stepsPerSecond);
    m_speedCredit = 0;
    m_creditTime = m_now();
}

void RunDriver::setClock(Clock clock) {
    m_now = std::move(clock);
    m_creditTime = m_now();
}

bool RunDriver::drawsArrows() const {
    return m_model.Coche1(slot::kDrawVectors) != 0;
}

std::uint64_t RunDriver::acceptedSteps() const {
    if (!m_runs.empty()) return m_runs.back()->accepted;
    return m_lastRun ? m_lastRun->accepted : 0;
}

std::uint64_t RunDriver::rejectedSteps() const {
    const Run* run = !m_runs.empty() ? m_runs.back().get() : m_lastRun.get();
    return run ? run->control.RungeRejections : 0;
}

const TrajectoryRecord& RunDriver::record() const {
    static const TrajectoryRecord empty;
    if (!m_runs.empty()) return m_runs.back()->record;
    return m_lastRun ? m_lastRun->record : empty;
}

const std::string& RunDriver::speedWarning() const {
    static const std::string none;
    if (!m_runs.empty()) return m_runs.back()->speedWarning;
    return m_lastRun ? m_lastRun->speedWarning : none;
}

const EnergyInvariant& RunDriver::invariant() const {
    static const EnergyInvariant none;
    if (!m_runs.empty()) return m_runs.back()->invariant;
    return m_lastRun ? m_lastRun->invariant : none;
}

bool RunDriver::RunTrajectory() {
    const ProgramState::Scope scope(m_state);
    ErrorReport& report = m_state.report();
    if (m_shotFlag == 0) {
        m_shotCounter = -1;
        m_shotFlag = 1;
    }
    // A new run asks again the questions the user silenced during the last one.
    // A "Stop" answered while no run was in progress concerns none.
    if (m_runs.empty()) {
        report.beginRun();
        report.stopFlag() = 0;
    }
    auto run = std::make_unique<Run>();
    run->Y(static_cast<int>(Ldim)) = 0; // time restarts at 0

    const double x0 = m_model.Texte3Value(slot::kCircleRadius);
    Vecteur3 R(m_model.Texte3Value(slot::kX), m_model.Texte3Value(slot::kX + 1),
               m_model.Texte3Value(slot::kX + 2));
    Asker* asker = report.asker();
    if (normseule(R) == 0) {
        if (asker) {
            asker->ask("The initial position x,y,z is null. Please correct the values for a non "
                       "null input",
                       "Serious WARNING", "OK");
        }
        return false;
    }
    RunRecord& rec = m_state.record();
    const double r0 = normseule(R);
    run->r0 = r0;
    const double drawScale = kDrawingUnits / r0; // drawing units per metre
    m_shotCounter += 1;

    // Scene set-up, in the order the scene expects.
    m_sink.SetMode(2);
    m_sink.SetShot(m_shotCounter);
    m_sink.SetViewText("near");
    m_sink.SetLabel(5.0, "T");
    m_sink.SetFrame(0, 0, 0, 0, r0, "");
    m_sink.SetScene(rec.cubicView, 5.0, r0, drawScale, 120, 120, 0.75);
    m_sink.SetLimits(1.0, 1e-5);
    m_sink.EndSetUp();
    // Circles in the xy plane: the chosen radius, and the start radius or 15.5 mm inside.
    if (r0 < 1) {
        m_sink.Circle(x0, 1);
        m_sink.Circle(x0 - 0.0155, 1);
    } else {
        m_sink.Circle(R(1), 1);
        m_sink.Circle(x0, 1);
    }

    Vecteur3 V(m_model.Texte3Value(slot::kVx), m_model.Texte3Value(slot::kVx + 1),
               m_model.Texte3Value(slot::kVx + 2));
    if (normseule(V) == 0) {
        if (asker) {
            asker->ask("The initial velocity x,y,z is null. Please correct the values for a non "
                       "null input, or check the B field visualisation only. ",
                       "Serious WARNING", "OK");
        }
        m_shotCounter -= 1;
        return false;
    }

    if (const auto tooFast = speedOfLightProblem(normseule(V))) {
        if (asker) asker->ask("The " + tooFast->substr(4) + ".", "Serious WARNING", "OK");
        m_shotCounter -= 1;
        return false;
    }

    pack(R, V, run->Y);
    Vecteur3 E, B;
    Champ(R, E, B);
    run->normE = normseule(E);
    run->normB = rec.BNorm;
    run->normV = normseule(V);
    for (double* n : {&run->normE, &run->normB, &run->normV}) {
        if (*n == 0) *n = 1;
    }
    rec.BNorm = run->normB;
    // A start above a tenth of c is told with the case; the watch tells a speed reached later.
    run->speedWatch.check(V, 0);
    // Until the trajectory shows its own size, the arrows follow the gyration's (at most the
    // scene's).
    const double gyratingMass = motionLorentzFactor(V) * rec.Mass; // γm: the relativistic gyration
    run->arrows.start(R,
                      std::min(gyrationOf(gyratingMass, rec.Charge, V, B).larmorDiameter, 2 * r0));

    if (m_model.Coche1(slot::kFieldLines)) {
        drawFieldLines(R);
        m_sink.MarkTrajectoryStart(); // the run's tag goes on the trajectory, not a field line
    }

    run->h = 0.0001 / 2000000;
    readColourTable(run->colour, m_model, false);
    run->invariant.start(R, V, rec.Charge, rec.Mass,
                         m_state.integration().method == IntegrationMethod::Relativistic);
    // The record starts with the initial state, as the command line's table does.
    run->record.add({0, R(1), R(2), R(3), V(1), V(2), V(3)});
    m_lastTime = 0;
    m_lastState = run->Y;
    m_runs.push_back(std::move(run));
    m_creditTime = m_now();
    m_speedCredit = 0;
    return true;
}

void RunDriver::drawFieldLines(const Vecteur3& R) {
    const double r = normseule(R);
    double ds = 0.05 * r;
    double from = -6 * r, to = 6 * r, by = 0.05 * r;
    if (r < 1) {
        ds = 0.001 * r;
        from = -0.06 * r;
        to = 0.06 * r;
        by = 0.005 * r;
    }
    struct Family {
        int axis;
        double sign;
    };
    const bool mapped = m_model.shape() == slot::kFieldMap;
    for (const Family family : {Family{3, 1}, Family{3, -1}, Family{2, -1}, Family{2, 1}}) {
        // Count the offsets so that rounding of the increments cannot add or drop a line.
        const int count = static_cast<int>(std::floor((to - from) / by + 1e-9)) + 1;
        for (int n = 0; n < count; ++n) {
            double s = from + n * by;
            if (std::fabs(s) < 1e-9 * by) s = 0; // the middle line starts exactly on its axis
            Vecteur3 p = family.axis == 3 ? Vecteur3(0, R(1), s) : Vecteur3(0, s, R(3));
            // A field map covers a region of its own, which need not hold the plane x = 0: its
            // lines start on the two lines through the particle's start instead.
            if (mapped)
                p = family.axis == 3 ? Vecteur3(R(1), R(2), R(3) + s)
                                     : Vecteur3(R(1), R(2) + s, R(3));
            // A line starting on the z axis has no radial direction there: the radial shapes
            // are undefined at its first point, so it is left out.
            if (p(1) == 0 && p(2) == 0) continue;
            for (int k = 1; k <= 50; ++k) {
                Vecteur3 E, B;
                Champ(p, E, B);
                // A line that reaches a point without a usable field (a singular point of the
                // shape) ends there instead of drawing undefined points.
                const double sum = B(1) * B(1) + B(2) * B(2) + B(3) * B(3);
                if (!(sum > 0) || !std::isfinite(sum)) break;
                norma(B);
                MultKPlus(B, family.sign * ds, p, p);
                m_sink.SetColour(std::min(255.0, std::fabs(255.0 - 2 * k)), 50, 100);
                m_sink.Point(p(1), p(2), p(3));
            }
            m_sink.PenLift(0, 0);
        }
    }
}

void RunDriver::drawVectors(Run& run, const Vecteur3& R, const Vecteur3& V) {
    // The arrows show the fields at the accepted point, as Champ gives them, from the run's own
    // field model rather than one read afresh from the case at every step.
    const FieldModel& field = run.fields.of(m_model);
    if (run.recipe.revision == 0 || run.recipeStamp != m_model.stamp()) [[unlikely]]
        makeArrowRecipe(run, field);
    Vecteur3 B;
    field.magnetic(R, B);
    const double size = run.arrows.size();
    // A sink that makes the arrows itself gets the step as it is, unless E varies in space or
    // making the arrows reports.
    if (!field.mapElectric() && !ArrowMaker::mayReport(run.recipe, B) &&
        m_sink.StepState(run.recipe, R, V, B, size)) [[likely]]
        return;
    Vecteur3 E = field.E();
    if (Vecteur3 Emap; field.map() && field.map()->electric(R, Emap)) MultKPlus(Emap, 1, E, E);
    StepArrow out[3];
    run.arrowMaker.make(run.recipe, R, V, B, E, size, out);
    m_sink.StepArrows(R(1), R(2), R(3), out, 3, run.recipe.style);
}

void RunDriver::makeArrowRecipe(Run& run, const FieldModel& field) {
    ArrowRecipe& r = run.recipe;
    r.revision = ArrowRecipe::nextRevision();
    run.recipeStamp = m_model.stamp();
    // Automatic scale: fractions of the trajectory's size; else the typed factors.
    r.autoScale = m_model.Coche1(slot::kAutoScale) != 0;
    r.typed[0] = m_model.Texte4Value(slot::kScaleB);
    r.typed[1] = m_model.Texte4Value(slot::kScaleE);
    r.typed[2] = m_model.Texte4Value(slot::kScaleV);
    r.toMetres = run.r0 / kDrawingUnits;
    r.normE = run.normE;
    r.normV = run.normV;
    r.E = field.E();
    // B, E and the velocity take the entries 7-9, 4-6 and 10-12 of the colour table.
    constexpr int kFirstEntry[3] = {7, 4, 10};
    for (int i = 0; i < 3; ++i)
        for (int c = 0; c < 3; ++c) r.rgb[i][c] = run.colour[kFirstEntry[i] + c];
    r.style = 2;
}

bool RunDriver::stepOnce(Run& run) {
    ErrorReport& report = m_state.report();
    // A "Stop" answered while no step was computing (a question during a pause) stops the run.
    if (report.stopFlag() == 1) {
        report.stopFlag() = 0;
        return false;
    }
    // A "Stop" answered during the step stops this run.
    const ErrorReport::StopBinding stop(report, run.control.StopCalcul);
    run.control.ErrMax = m_model.Texte7Value();
    // The step lands on the end of the run, or on the pause time ahead.
    StepPlan plan;
    plan.endTime = m_endTime;
    const double tp = m_model.Texte3Value(slot::kPauseTime);
    if (tp > run.Y(static_cast<int>(Ldim))) plan.endTime = std::min(plan.endTime, tp);
    plan.pace = &run.pace;
    plan.momentum = &run.momentum;
    plan.fields = &run.fields;
    // Cash-Karp, or Boris (or its relativistic form) when chosen
    IntegrationStep(run.control, m_state.integration(), m_state.caseModel(), m_state.record(),
                    run.h, run.Y, run.Ynew, plan);
    return acceptStep(run);
}

// The step in Ynew, computed: accepted (drawn, recorded, counted, shown to onStep) unless it
// stopped the run. False when the run ends there.
bool RunDriver::acceptStep(Run& run) {
    if (run.control.StopCalcul == 1) {
        run.control.StopCalcul = 0;
        return false;
    }
    const Vecteur3 R = position(run.Ynew);
    const Vecteur3 V = velocity(run.Ynew);
    if (m_model.Coche1(slot::kOptionsColours)) readColourTable(run.colour, m_model, true);
    if (m_drawing) {
        m_sink.SetColour(run.colour[1], run.colour[2], run.colour[3]);
        m_sink.Point(R(1), R(2), R(3));
    }
    CopieEtat(run.Ynew, run.Y);
    ++run.accepted;
    const int t = static_cast<int>(Ldim);
    if (m_keepRecord) run.record.add({run.Y(t), R(1), R(2), R(3), V(1), V(2), V(3)});
    run.invariant.advance(R, V,
                          {m_model.Texte4Value(slot::kEx), m_model.Texte4Value(slot::kEx + 1),
                           m_model.Texte4Value(slot::kEx + 2)});
    if (m_drawing) run.arrows.add(R);
    // Nearly every step is far below a tenth of c: those skip the watch's full check.
    if (!run.speedWatch.warned() && SpeedWatch::mayPass(V))
        run.speedWarning = run.speedWatch.check(V, run.Y(t));
    if (m_model.Coche1(slot::kDrawVectors)) drawVectors(run, R, V);
    if (onStep && !onStep(run.Y)) return false;
    return run.Y(t) < m_endTime;
}

// Takes up to `most` steps of the run (at least one unless it ends), Boris ones in stretches
// where nobody looks between the steps. accepted receives the steps accepted and shown; false
// when the run ends.
bool RunDriver::stepSeveral(Run& run, std::uint64_t most, std::uint64_t& accepted) {
    accepted = 0;
    switch (stepStretch(run, most, accepted)) {
    case Stretch::Went:
        return true;
    case Stretch::Ended:
        return false;
    case Stretch::None:
        break;
    }
    if (!stepOnce(run)) return false;
    accepted = 1;
    return true;
}

RunDriver::Stretch RunDriver::stepStretch(Run& run, std::uint64_t most, std::uint64_t& accepted) {
    const IntegrationChoice& choice = m_state.integration();
    if (choice.method == IntegrationMethod::CashKarp || Ldim != 8 || most < 2) return Stretch::None;
    // Arrows show each step's fields: those steps are taken one by one.
    if (m_model.Coche1(slot::kDrawVectors)) return Stretch::None;
    const QuietSteps quiet = !onStep      ? QuietSteps{UINT64_MAX, INFINITY}
                             : quietSteps ? quietSteps()
                                          : QuietSteps{};
    if (quiet.steps == 0) return Stretch::None; // the next step is looked at: one by one
    ErrorReport& report = m_state.report();
    if (report.stopFlag() == 1) return Stretch::None; // the step's own check ends the run
    const RunRecord& rec = m_state.record();
    BorisStretchLimits limits;
    limits.relativistic = choice.method == IntegrationMethod::Relativistic;
    limits.stepsPerGyration = std::max(choice.stepsPerGyration, kMinStepsPerGyration);
    limits.chargeOverMass = rec.Charge / rec.Mass;
    if (!std::isfinite(limits.chargeOverMass)) return Stretch::None;
    limits.invariantE = {m_model.Texte4Value(slot::kEx), m_model.Texte4Value(slot::kEx + 1),
                         m_model.Texte4Value(slot::kEx + 2)};
    limits.endTime = m_endTime;
    const double tp = m_model.Texte3Value(slot::kPauseTime);
    if (tp > run.Y(8)) limits.endTime = std::min(limits.endTime, tp);
    limits.steps = std::min<std::uint64_t>({quiet.steps, most - 1, kMaxStretch});
    limits.changeLimit = quiet.changeBelow;
    limits.watchSpeed = !run.speedWatch.warned() && !relativisticMotion();

    const ErrorReport::StopBinding stop(report, run.control.StopCalcul);
    run.control.ErrMax = m_model.Texte7Value();
    const bool colours = m_model.Coche1(slot::kOptionsColours);
    TrajectorySample samples[kMaxStretch];
    const BorisStretch taken =
        borisStretch({run.Y, run.Ynew, run.h, run.pace, run.momentum, run.invariant}, limits,
                     run.fields.of(m_state.caseModel()), report, run.control.StopCalcul,
                     m_drawing || m_keepRecord || colours ? samples : nullptr, m_drawing);
    if (taken.accepted == 0 && !taken.handedBack) return Stretch::None;
    // The steps accepted in the loop, drawn and kept as one by one.
    for (std::size_t i = 0; i < taken.accepted && (m_drawing || m_keepRecord || colours); ++i) {
        const TrajectorySample& s = samples[i];
        if (colours) readColourTable(run.colour, m_model, true);
        if (m_drawing) {
            m_sink.SetColour(run.colour[1], run.colour[2], run.colour[3]);
            m_sink.Point(s.x, s.y, s.z);
        }
        if (m_keepRecord) run.record.add(s);
    }
    if (taken.accepted > 0 && m_drawing) {
        // The box of the positions grows the arrows' box as the positions one by one would.
        run.arrows.add(taken.low);
        run.arrows.add(taken.high);
    }
    run.accepted += taken.accepted;
    accepted = taken.accepted;
    if (!taken.handedBack) return Stretch::Went;
    if (!acceptStep(run)) return Stretch::Ended;
    ++accepted;
    return Stretch::Went;
}

void RunDriver::finishTop() {
    m_lastRun = std::move(m_runs.back());
    m_runs.pop_back();
    m_lastState = m_lastRun->Y;
    m_lastTime = m_lastRun->Y(static_cast<int>(Ldim));
    if (!m_runs.empty()) {
        // The run below goes on: its trace must not join the last point of the one that ended.
        m_sink.PenLift(0, 0);
        m_lastState = m_runs.back()->Y;
        m_lastTime = m_runs.back()->Y(static_cast<int>(Ldim));
    }
    // The run below the one that ended waits, paused, for Continue; with no run left nothing is.
    m_paused = !m_runs.empty();
    if (onRunEnded) onRunEnded();
}

RunDriver::Slice RunDriver::advance(std::chrono::nanoseconds budget, std::uint64_t maxSteps) {
    Slice slice;
    if (m_inSlice || m_runs.empty()) {
        slice.active = !m_runs.empty();
        return slice;
    }
    m_inSlice = true;
    const ProgramState::Scope scope(m_state);
    clearUpperVectorState();
    const auto start = m_now();
    if (m_speed > 0) {
        // Credit steps for the wall time since the last slice; a long gap (a question box, a
        // pause) does not turn into a burst.
        const double seconds = std::chrono::duration<double>(start - m_creditTime).count();
        m_speedCredit = std::min(m_speedCredit + seconds * m_speed, std::max(1.0, m_speed * 0.05));
        m_creditTime = start;
        maxSteps = std::min<std::uint64_t>(maxSteps, static_cast<std::uint64_t>(m_speedCredit));
    }
    const int t = static_cast<int>(Ldim);
    while (!m_runs.empty() && slice.steps < maxSteps) {
        Run& run = *m_runs.back();
        // Pause time: at or past it, the run waits until a later time is typed; an empty or
        // zero maximum time is no limit (and releases a waiting run).
        const double tp = m_model.Texte3Value(slot::kPauseTime);
        // A run lands exactly on its pause time and waits there.
        if (run.waitingForTime) {
            if (tp <= 0 || run.Y(t) < tp) run.waitingForTime = false;
        } else if (tp > 0 && run.Y(t) >= tp) {
            run.waitingForTime = true;
        }
        if (m_paused || run.waitingForTime) {
            if (m_paused && m_otherCase) {
                m_otherCase = false;
                finishTop();
                break;
            }
            slice.waiting = true;
            break;
        }
        // A stretch of steps ends on the slice's clock checks, every 128 steps.
        std::uint64_t accepted = 0;
        const bool goOn =
            stepSeveral(run, std::min(maxSteps - slice.steps, 128 - (slice.steps & 127)), accepted);
        slice.steps += accepted;
        if (!goOn) {
            finishTop();
            break;
        }
        m_lastTime = run.Y(t);
        if ((slice.steps & 127) == 0 && m_now() - start >= budget) break;
    }
    if (!m_runs.empty()) m_lastState = m_runs.back()->Y;
    // The run record's readouts (fields, norms, acceleration) of the state the window shows
    // next: computed from accepted states only, never at the integrator's stages.
    if (slice.steps > 0) storeReadouts(m_lastState);
    if (m_speed > 0) m_speedCredit -= static_cast<double>(slice.steps);
    slice.active = !m_runs.empty();
    m_inSlice = false;
    return slice;
}

} // namespace gyro
