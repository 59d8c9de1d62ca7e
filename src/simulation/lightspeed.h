// The limits of a motion computed without relativity: speeds refused at the speed of light and
// warned of from a tenth of it.
#pragma once

#include "numerics/vecteur3.h"

#include <optional>
#include <string>
#include <vector>

namespace gyro {

class CaseModel;

/// Speed of light in vacuum [m/s].
inline constexpr double kSpeedOfLight = 299792458.0;
/// From this fraction of c on, the non-relativistic motion is noticeably off (the gyration
/// frequency by about |v|^2 / (2 c^2): 0.5 % at 0.1 c).
inline constexpr double kRelativisticFraction = 0.1;

/// Why a start speed [m/s] cannot be computed: at or above the speed of light (or not finite).
std::optional<std::string> speedOfLightProblem(double speed);

/// The speed [m/s] the case's start velocity would have with Texte3 box `index` (a velocity
/// component, or the energy box with the selected species' mass) set to `text`; nullopt for any
/// other box or a text that is not a number.
std::optional<double> speedWithTypedValue(const CaseModel& model, int index,
                                          const std::string& text);

/// The warnings due before a run of the case from R [m] at V [m/s] in E [V/m], B [T]: the
/// particle's speed, or the E × B drift speed |E⊥| / |B|, above a tenth of c.
std::vector<std::string> relativisticWarnings(const Vecteur3& V, const Vecteur3& E,
                                              const Vecteur3& B);
/// The same for the case's start: its position and velocity boxes, and the fields there.
std::vector<std::string> relativisticWarningsAtStart(const CaseModel& model);

/// Watches the speed along a run and tells once when it first passes a tenth of c.
class SpeedWatch {
public:
    /// The warning when V [m/s] at time t [s] is the first speed past a tenth of c; "" otherwise.
    std::string check(const Vecteur3& V, double t);
    bool warned() const { return m_warned; }
    /// Whether V [m/s] may be past a tenth of c, and so worth a check(): a test cheap enough for
    /// every step (no square root, no call), with a margin far beyond rounding. False for NaN.
    static bool mayPass(const Vecteur3& V) {
        constexpr double kBelow = 0.9 * kRelativisticFraction * kSpeedOfLight;
        return V(1) * V(1) + V(2) * V(2) + V(3) * V(3) > kBelow * kBelow;
    }

private:
    bool m_warned = false;
};

} // namespace gyro
