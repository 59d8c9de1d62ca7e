// A stretch of Boris or relativistic steps of a run in one loop, step for step the same
// arithmetic as IntegrationStep's.
#include "simulation/borisrun.h"

#include "numerics/errorreport.h"
#include "simulation/fields.h"
#include "simulation/lightspeed.h"
#include "simulation/runrecord.h"

#include <cmath>
#include <limits>

namespace gyro {

namespace {

// A squared speed below this is surely not above a tenth of the speed of light, however the
// speed watch rounds its norm.
constexpr double kQuietSpeed2 =
    kRelativisticFraction * kSpeedOfLight * kRelativisticFraction * kSpeedOfLight * (1 - 1e-9);

// Writes R, V at time t, with the run's constant, into the state Y (x vx y vy z vz constant t).
void store(const Vecteur3& R, const Vecteur3& V, double constant, double t, StateArray& Y) {
    pack(R, V, Y);
    Y(7) = constant;
    Y(8) = t;
}

// Whether the relative change of W is surely below the limit: the quotient the watcher computes
// (EnergyInvariant::relativeChange) is then below it too.
// `limit` is the watch's limit less a margin far above rounding (watchedLimit).
bool quietChange(const EnergyInvariant& w, const EnergyInvariant::Tally& tally, double limit) {
    if (std::isinf(limit) && limit > 0) return true;
    return tally.peak > 0 && std::fabs(w.changeAt(tally)) < limit * tally.peak;
}

// Moves the tally of W to a step's state (R, V).
[[gnu::always_inline]] inline void moveTally(const EnergyInvariant& w,
                                             EnergyInvariant::Tally& tally, const Vecteur3& R,
                                             const Vecteur3& V, const Vecteur3& E) {
    if (w.relativistic()) {
        w.moveAs<true>(tally, R, V, E);
    } else {
        w.moveAs<false>(tally, R, V, E);
    }
}
double watchedLimit(double limit) {
    return limit * (1 - 1e-9);
}

// The steps accepted: the box around their positions, and their states when the caller keeps
// them.
struct Accepted {
    TrajectorySample* samples;
    bool box;
    std::size_t count = 0;
    Vecteur3 low{INFINITY, INFINITY, INFINITY};
    Vecteur3 high{-INFINITY, -INFINITY, -INFINITY};

    [[gnu::always_inline]] void add(double t, const Vecteur3& R, const Vecteur3& V) {
        if (samples) samples[count] = {t, R(1), R(2), R(3), V(1), V(2), V(3)};
        ++count;
        if (!box) return;
        for (int i = 1; i <= 3; ++i) {
            low(i) = std::min(low(i), R(i));
            high(i) = std::max(high(i), R(i));
        }
    }
};

// Whether the six components are finite, or so large that their sum is not (a state that the
// caller's own step then looks at).
bool finiteSum(const Vecteur3& R, const Vecteur3& V) {
    return std::isfinite(R(1) + R(2) + R(3) + V(1) + V(2) + V(3));
}

// The box and the samples of a tight loop's accepted steps, in scalars its registers can hold.
struct FlatTrack {
    double lowX, lowY, lowZ, highX, highY, highZ;
    std::size_t count;
    TrajectorySample* samples;

    explicit FlatTrack(const Accepted& taken)
        : lowX(taken.low(1)), lowY(taken.low(2)), lowZ(taken.low(3)), highX(taken.high(1)),
          highY(taken.high(2)), highZ(taken.high(3)), count(taken.count), samples(taken.samples) {}
    // Counts a step accepted at time t with R, V; with Tracked, keeps its sample and box.
    template <bool Tracked>
    [[gnu::always_inline]] void add(double t, const Vecteur3& R, const Vecteur3& V) {
        ++count;
        if constexpr (Tracked) {
            if (samples) samples[count - 1] = {t, R(1), R(2), R(3), V(1), V(2), V(3)};
            lowX = std::min(lowX, R(1));
            lowY = std::min(lowY, R(2));
            lowZ = std::min(lowZ, R(3));
            highX = std::max(highX, R(1));
            highY = std::max(highY, R(2));
            highZ = std::max(highZ, R(3));
        }
    }
    // Hands the count and the box back; returns the steps added.
    std::size_t storeInto(Accepted& taken) const {
        const std::size_t steps = count - taken.count;
        taken.count = count;
        taken.low = {lowX, lowY, lowZ};
        taken.high = {highX, highY, highZ};
        return steps;
    }
};

// The Boris steps of a stretch in a uniform field met along a path without gradient: the step,
// the rotation and the pace stay the same, and a step has nothing to report. Takes the quiet
// steps on from R, V at `time` into the samples and returns how many; the pace learns the last
// midpoint, as it would have learned each one.
template <bool RelativisticEnergy, bool Tracked>
std::size_t flatBorisSteps(const BorisStretchLimits& limits, const Vecteur3& E, const Vecteur3& B,
                           BorisPace& pace, const EnergyInvariant& invariant,
                           EnergyInvariant::Tally& tally, Vecteur3& R, Vecteur3& V, double& time,
                           Accepted& taken, double& hStep) {
    hStep = pace.step(limits.stepsPerGyration, limits.chargeOverMass, 0);
    if (!std::isfinite(hStep)) return 0;
    const double h = hStep;
    const double k = limits.chargeOverMass * h / 2; // [C/kg s]
    const BorisRotation rotation(B, k);
    const double changeLimit = watchedLimit(limits.changeLimit);
    // Without a watch of W a state is checked to be finite; under it, one that is not fails the
    // watch (its energy is not finite).
    const bool checkFinite = std::isinf(changeLimit);
    const bool watchChange = !checkFinite;
    // Everything the loop moves is its own copy, kept in registers: the samples it writes
    // could otherwise be any of them.
    const EnergyInvariant w = invariant;
    const Vecteur3 e = E, eInvariant = limits.invariantE;
    const double endTime = limits.endTime;
    const bool watchSpeed = limits.watchSpeed;
    // m v^2 / 2 below this (with its two roundings) is a speed surely not above a tenth of c.
    const double quietKinetic = 0.5 * w.mass() * kQuietSpeed2 * (1 - 1e-9);
    const std::size_t most = limits.steps;
    EnergyInvariant::Tally t = tally;
    Vecteur3 r = R, v = V, mid;
    double now = time;
    FlatTrack track(taken);
    while (track.count < most && h < endTime - now) {
        Vecteur3 m, vNew, rNew;
        MultKPlus(v, h / 2, r, m);
        borisKick(v, e, k, rotation, vNew);
        MultKPlus(vNew, h / 2, m, rNew);
        const double newTime = now + h;
        EnergyInvariant::Tally moved = t;
        w.moveAs<RelativisticEnergy>(moved, rNew, vNew, eInvariant);
        // (A peak of 0 fails the watch as the quotient would.)
        if (!(newTime < endTime) ||
            (watchChange && !(std::fabs(w.changeAt(moved)) < changeLimit * moved.peak)) ||
            (checkFinite && !finiteSum(rNew, vNew)) ||
            (watchSpeed && (RelativisticEnergy ? ProdScal(vNew, vNew) > kQuietSpeed2
                                               : !(moved.kinetic < quietKinetic))))
            break;
        t = moved;
        r = rNew;
        v = vNew;
        now = newTime;
        mid = m;
        track.add<Tracked>(now, r, v);
    }
    const std::size_t steps = track.storeInto(taken);
    if (steps > 0) pace.learn(mid, B);
    tally = t;
    R = r;
    V = v;
    time = now;
    return steps;
}

// The relativistic steps of a stretch in a uniform field met along a path without gradient:
// B, and so the rotation vector's direction, stay the same, and only γ varies (to the last bit at
// most, in a magnetic field alone). The step h, q/(γm) and the drift h/(2γ) follow γ exactly as
// the general loop's do, so every state is the same to the last bit. Takes the quiet steps on
// from R, U (Lorentz factor gamma, velocity V) at `time` into the samples and returns how many;
// the pace learns the last midpoint, as it would have learned each one.
template <bool Tracked>
std::size_t flatRelativisticSteps(const BorisStretchLimits& limits, const Vecteur3& E,
                                  const Vecteur3& B, BorisPace& pace,
                                  const EnergyInvariant& invariant, EnergyInvariant::Tally& tally,
                                  Vecteur3& R, Vecteur3& V, Vecteur3& U, double& gamma,
                                  double& time, Accepted& taken, double& hLast) {
    const double qm = limits.chargeOverMass;
    const double n = limits.stepsPerGyration;
    const double changeLimit = watchedLimit(limits.changeLimit);
    const bool checkFinite = std::isinf(changeLimit);
    const bool watchChange = !checkFinite;
    // Everything the loop moves is its own copy, kept in registers: the samples it writes
    // could otherwise be any of them.
    const EnergyInvariant w = invariant;
    const Vecteur3 e = E, b = B, eInvariant = limits.invariantE;
    const double endTime = limits.endTime;
    const bool watchSpeed = limits.watchSpeed;
    const std::size_t most = limits.steps;
    EnergyInvariant::Tally t = tally;
    Vecteur3 r = R, v = V, u = U, learnt;
    double g = gamma, now = time;
    FlatTrack track(taken);
    // The step, its half-kick factor and drift for the γ they were computed at.
    double pacedGamma = std::numeric_limits<double>::quiet_NaN();
    double h = 0, k = 0, drift = 0;
    while (track.count < most) {
        if (!(g == pacedGamma)) {
            const double qmStep = std::isfinite(g) ? qm / g : qm;
            h = pace.step(n, qmStep, 0);
            if (!std::isfinite(h)) break;
            k = qm * h / 2; // [C/kg s]
            drift = h / (2 * (g >= 1 ? g : lorentzFactorOfProper(u)));
            pacedGamma = g;
        }
        if (!(h < endTime - now)) break;
        Vecteur3 mid, uNew = u, rNew, vNew;
        MultKPlus(u, drift, r, mid);
        double gammaNew = 1, inverseGamma = 0;
        higueraCaryKick(e, b, k, uNew, gammaNew, inverseGamma);
        MultKPlus(uNew, h / 2 * inverseGamma, mid, rNew);
        if (!finiteVector(uNew) || !finiteVector(rNew)) break;
        MultK(uNew, inverseGamma, vNew);
        const double newTime = now + h;
        EnergyInvariant::Tally moved = t;
        w.moveAs<true>(moved, rNew, vNew, eInvariant);
        if (!(newTime < endTime) ||
            (watchChange && !(std::fabs(w.changeAt(moved)) < changeLimit * moved.peak)) ||
            (checkFinite && !finiteSum(rNew, vNew)) ||
            (watchSpeed && ProdScal(vNew, vNew) > kQuietSpeed2))
            break;
        MultKPlus(v, h / 2, r, learnt); // the midpoint the run's step learns at
        hLast = h;
        t = moved;
        r = rNew;
        v = vNew;
        u = uNew;
        g = gammaNew;
        now = newTime;
        track.add<Tracked>(now, r, v);
    }
    const std::size_t steps = track.storeInto(taken);
    if (steps > 0) pace.learn(learnt, B);
    tally = t;
    R = r;
    V = v;
    U = u;
    gamma = g;
    time = now;
    return steps;
}

// The Boris rotation for a loop whose E varies in space: set up out of line, so that this loop
// leaves the uniform-E loops' code as it is.
[[gnu::noinline]] BorisRotation rotationOf(const Vecteur3& B, double k) {
    return {B, k};
}

// The electric field a step meets at its midpoint: the uniform field read once (and nothing
// else, so that the loop's code stays that of a uniform E), or, on a field map with an E of its
// own, the uniform field plus the map's there.
template <bool MapElectric> struct MidpointElectric {
    explicit MidpointElectric(const Vecteur3& E) : uniform(E) {}
    const Vecteur3& uniform; // [V/m]
    void meet(const FieldModel&, const Vecteur3&) {}
    const Vecteur3& E() const { return uniform; }
};
template <> struct MidpointElectric<true> {
    explicit MidpointElectric(const Vecteur3& E) : uniform(E) {}
    const Vecteur3& uniform;
    Vecteur3 met; // [V/m]
    void meet(const FieldModel& fields, const Vecteur3& mid) { fields.electric(mid, met); }
    const Vecteur3& E() const { return met; }
};

// MapElectric: the field map has an E of its own, met at each step's midpoint as B is.
template <bool Relativistic, bool MapElectric>
BorisStretch stretch(const BorisStretchRun& run, const BorisStretchLimits& limits,
                     const FieldModel& fields, const ErrorReport& report, double& stop,
                     TrajectorySample* samples, bool box) {
    BorisStretch out;
    Accepted taken{samples, box};
    Vecteur3 R = position(run.Y);
    Vecteur3 V = velocity(run.Y);
    double time = run.Y(8);
    const double constant = run.Y(7);
    if (!(time < limits.endTime) || stop == 1 || !run.pace.started()) return out;
    if (Relativistic && !run.momentum.valid) return out;
    BorisPace pace = run.pace;
    ProperVelocityMemo memo = run.momentum;
    const EnergyInvariant& invariant = run.invariant;
    if (!invariant.started()) return out;
    EnergyInvariant::Tally tally = invariant.tally();
    const std::size_t lines = report.totalLines();
    const double qm = limits.chargeOverMass;
    const double n = limits.stepsPerGyration;
    const Vecteur3& E = fields.E();
    MidpointElectric<MapElectric> electric(E);
    // The Boris rotation of the last step, kept while the field and the step stay the same.
    BorisRotation rotation;
    Vecteur3 rotationB;
    double rotationK = std::numeric_limits<double>::quiet_NaN();
    // The pace's step for the field it learned last and q/(γm): without a gradient along the
    // path it depends on nothing else.
    Vecteur3 pacedB;
    double pacedQm = std::numeric_limits<double>::quiet_NaN();
    double pacedH = 0;
    double qmStep = qm;
    double lastGammaStart = std::numeric_limits<double>::quiet_NaN();
    double drift = 0, driftH = std::numeric_limits<double>::quiet_NaN(); // h / (2γ) [s] for h
    // The last step taken, for the step kept afterwards.
    double lastStep = 0;
    double lastGamma = 1;
    Vecteur3 lastB;
    bool stepped = false; // a step learned the field: it sets the step kept
    if constexpr (!Relativistic) {
        Vecteur3 B;
        fields.magnetic(R, B);
        if (fields.uniform() && finiteVector(E) && finiteVector(B) && finiteSum(R, V) &&
            pace.gradient() == 0 && pace.field() == B) {
            // The loop for the energy's form, and without the samples and the box when nobody
            // asked for them.
            const auto flat = invariant.relativistic()
                                  ? (taken.samples || taken.box ? flatBorisSteps<true, true>
                                                                : flatBorisSteps<true, false>)
                                  : (taken.samples || taken.box ? flatBorisSteps<false, true>
                                                                : flatBorisSteps<false, false>);
            stepped = flat(limits, E, B, pace, invariant, tally, R, V, time, taken, lastStep) > 0;
            lastB = B;
        }
    }
    if constexpr (Relativistic) {
        Vecteur3 B;
        fields.magnetic(R, B);
        if (fields.uniform() && finiteVector(E) && finiteVector(B) && finiteSum(R, V) &&
            pace.gradient() == 0 && pace.field() == B && memo.v == V && finiteVector(memo.u) &&
            invariant.relativistic()) {
            Vecteur3 U = memo.u;
            double gamma = memo.gamma;
            const auto flat = taken.samples || taken.box ? flatRelativisticSteps<true>
                                                         : flatRelativisticSteps<false>;
            if (flat(limits, E, B, pace, invariant, tally, R, V, U, gamma, time, taken, lastStep) >
                0) {
                stepped = true;
                lastGamma = gamma;
                lastB = B;
                memo = {true, V, U, gamma};
            }
        }
    }
    while (true) {
        if (!finiteVector(R) || !finiteVector(V)) break;
        double gamma = 1;
        Vecteur3 U;
        if constexpr (Relativistic) {
            if (!(memo.v == V) || !finiteVector(memo.u)) break;
            gamma = memo.gamma;
            U = memo.u;
        }
        // The step rule at the particle's own frequency |q|B/(γm); the speed counts only where
        // the field changes along the path.
        // q/(γm) and the step's drift at u/γ, kept while γ stays the same (to the last bit, as
        // it mostly does in a magnetic field alone).
        if (!(gamma == lastGammaStart)) {
            qmStep = Relativistic && std::isfinite(gamma) ? qm / gamma : qm;
            lastGammaStart = gamma;
            driftH = std::numeric_limits<double>::quiet_NaN();
        }
        if (!(pace.gradient() == 0 && pace.field() == pacedB && qmStep == pacedQm)) {
            pacedH = pace.step(n, qmStep, pace.gradient() > 0 ? std::sqrt(ProdScal(V, V)) : 0);
            pacedB = pace.field();
            pacedQm = pace.gradient() == 0 ? qmStep : std::numeric_limits<double>::quiet_NaN();
        }
        const double hStep = pacedH;
        if (!std::isfinite(hStep) || !(hStep < limits.endTime - time)) break;

        Vecteur3 mid, B, vNew, rNew;
        double gammaNew = 1;
        bool reported = false;
        const char* fault = nullptr;
        if constexpr (Relativistic) {
            // Drift at u / γ to the midpoint, the kick there, the drift on.
            if (!(hStep == driftH)) {
                drift = hStep / (2 * (gamma >= 1 ? gamma : lorentzFactorOfProper(U)));
                driftH = hStep;
            }
            MultKPlus(U, drift, R, mid);
            fields.magnetic(mid, B);
            electric.meet(fields, mid);
            reported = report.totalLines() != lines || stop == 1;
            double inverseGamma = 0;
            higueraCaryKick(electric.E(), B, qm * hStep / 2, U, gammaNew, inverseGamma);
            MultKPlus(U, hStep / 2 * inverseGamma, mid, rNew);
            if (!finiteVector(B) || !finiteVector(U) || !finiteVector(rNew)) {
                fault = kRelativisticFieldFault;
            } else {
                MultK(U, inverseGamma, vNew);
            }
        } else {
            MultKPlus(V, hStep / 2, R, mid);
            fields.magnetic(mid, B);
            electric.meet(fields, mid);
            reported = report.totalLines() != lines || stop == 1;
            if (!finiteVector(electric.E()) || !finiteVector(B)) {
                fault = kBorisFieldFault;
            } else {
                const double k = qm * hStep / 2; // [C/kg s]
                if (!(B == rotationB && k == rotationK)) {
                    rotation = MapElectric ? rotationOf(B, k) : BorisRotation(B, k);
                    rotationB = B;
                    rotationK = k;
                }
                borisKick(V, electric.E(), k, rotation, vNew);
                MultKPlus(vNew, hStep / 2, mid, rNew);
            }
        }
        if (fault) {
            // A field met without a report first is left to the caller's step, which reports
            // it; after a report in this step, the step's own refusal follows here.
            if (!reported) break;
            store(R, V, constant, time, run.Y);
            refuseStep(fault, run.Y, run.Ynew);
            out.handedBack = true;
            break;
        }
        const double newTime = time + hStep;
        if (stop == 1) {
            // The run stops at this step: the pace and the step kept learn nothing from it.
            if constexpr (Relativistic) memo = {true, vNew, U, gammaNew};
            store(R, V, constant, time, run.Y);
            store(rNew, vNew, constant, newTime, run.Ynew);
            out.handedBack = true;
            break;
        }
        if constexpr (Relativistic) {
            memo = {true, vNew, U, gammaNew};
            Vecteur3 learnt;
            MultKPlus(V, hStep / 2, R, learnt); // the midpoint the run's step learns at
            pace.learn(learnt, B);
        } else {
            pace.learn(mid, B);
        }
        stepped = true;
        lastStep = hStep;
        lastGamma = gammaNew;
        lastB = B;
        EnergyInvariant::Tally moved = tally;
        moveTally(invariant, moved, rNew, vNew, limits.invariantE);
        const bool quiet = !reported && newTime < limits.endTime && taken.count < limits.steps &&
                           quietChange(invariant, moved, watchedLimit(limits.changeLimit)) &&
                           finiteSum(rNew, vNew) &&
                           !(limits.watchSpeed && ProdScal(vNew, vNew) > kQuietSpeed2);
        if (!quiet) {
            store(R, V, constant, time, run.Y);
            store(rNew, vNew, constant, newTime, run.Ynew);
            out.handedBack = true;
            break;
        }
        tally = moved;
        R = rNew;
        V = vNew;
        time = newTime;
        taken.add(time, R, V);
    }
    out.accepted = taken.count;
    out.low = taken.low;
    out.high = taken.high;
    if (out.accepted > 0 && !out.handedBack) store(R, V, constant, time, run.Y);
    run.invariant.resume(tally);
    run.momentum = memo;
    run.pace = pace;
    if (stepped) {
        // The step kept: one gyration at the field met last cut into N steps.
        const double qmNext = Relativistic && std::isfinite(lastGamma) ? qm / lastGamma : qm;
        const double next = borisStepSize(n, qmNext, std::sqrt(ProdScal(lastB, lastB)));
        run.h = next > 0 ? next : lastStep;
    }
    return out;
}

} // namespace

BorisStretch borisStretch(const BorisStretchRun& run, const BorisStretchLimits& limits,
                          const FieldModel& fields, const ErrorReport& report, double& stop,
                          TrajectorySample* samples, bool box) {
    if (fields.mapElectric()) {
        if (limits.relativistic)
            return stretch<true, true>(run, limits, fields, report, stop, samples, box);
        return stretch<false, true>(run, limits, fields, report, stop, samples, box);
    }
    if (limits.relativistic)
        return stretch<true, false>(run, limits, fields, report, stop, samples, box);
    return stretch<false, false>(run, limits, fields, report, stop, samples, box);
}

} // namespace gyro
