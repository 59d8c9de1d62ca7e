// The benchmarks' common case: an electron in a uniform 0.015 T field along z, no electric field,
// the integrator's work record fresh and Cash-Karp selected.
#pragma once

#include "numerics/errorreport.h"
#include "numerics/rungekutta.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/runrecord.h"

namespace gyro::bench {

/// The benchmarks' run control (one benchmark runs at a time).
inline RunControl control;

/// Types the uniform gyration into the case and resets the integrator (error limit [m]).
inline void prepareUniformGyration(double errMax) {
    CaseModel& c = theCase();
    c.select(BoxFamily::Option4, slot::kUniform); // uniform
    for (int i = 0; i < 3; ++i) c.setText(BoxFamily::Texte4, i, "0");
    c.setText(BoxFamily::Texte6, slot::kBx, "0");
    c.setText(BoxFamily::Texte6, slot::kBx + 1, "0");
    c.setText(BoxFamily::Texte6, slot::kBx + 2, "0.015");
    c.select(BoxFamily::Option5, slot::kElectron);
    SpeciesRefresh(0);
    control = RunControl{};
    control.work.trace = 0;
    control.ErrMax = errMax;
    Ldim = 8;
}

} // namespace gyro::bench
