// Files for ParaView: the trajectory as VTK XML PolyData (.vtp) and the field around it as VTK
// XML ImageData (.vti), written in the documented ASCII form.
#pragma once

#include "settings/textfile.h"
#include "simulation/trajectoryrecord.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace gyro {

class CaseModel;

/// The points of one run, gathered as they come, for one polyline in a .vtp file. Each point
/// carries t [s], v [m/s], Bnorm [T], Ek_eV and the extra (accuracy) columns named at
/// construction. A long run keeps every point up to kBudget, then every second one (fourth, ...)
/// evenly, the last point always, so that memory stays bounded.
class VtkTrajectory {
public:
    static constexpr std::size_t kBudget = std::size_t{1} << 21;

    /// `mass` [kg] gives Ek_eV; `extraNames` name the extra values of each point.
    VtkTrajectory(double mass, std::vector<std::string> extraNames, std::size_t budget = kBudget);
    /// Adds a point (|B| from the case's field at its position, as the trajectory table has it).
    void add(const TrajectorySample& sample, std::span<const double> extra = {});
    /// Points kept.
    std::size_t size() const;
    /// The box [m] that holds every point added (low = high = 0 before the first).
    void bounds(std::array<double, 3>& low, std::array<double, 3>& high) const {
        low = m_low;
        high = m_high;
    }
    /// The whole .vtp document.
    std::string xml() const;
    /// Writes it through the safe writer (the previous file stays whole on any failure).
    FileResult write(const std::filesystem::path& file) const;

private:
    void thin();

    std::size_t m_width;
    double m_mass;
    std::vector<std::string> m_extra;
    std::size_t m_budget;
    std::vector<double> m_values; // m_width values a point: t x y z vx vy vz Bnorm Ek extra...
    std::vector<double> m_last;   // the latest point, kept even when thinning skips it
    std::size_t m_seen = 0;       // points offered
    std::size_t m_stride = 1;     // one point kept in m_stride
    std::array<double, 3> m_low{}, m_high{};
};

/// The names of the accuracy columns every VTK trajectory carries, in order (W_rel mu pitch_deg
/// gcx gcy gcz).
const std::vector<std::string>& vtkAccuracyNames();

/// Writes a recorded run as a .vtp trajectory (with the accuracy columns computed from the
/// samples: W with the case's uniform E, the drift read-outs with the field as it stands) and
/// the case's field around it as a .vti file `field` (when not empty). Charge [C], mass [kg].
FileResult writeRunForParaView(const TrajectoryRecord& record, const CaseModel& model,
                               double charge, double mass, const std::filesystem::path& trajectory,
                               const std::filesystem::path& field);

/// A grid of sample points: nodes n[a] along each axis from `origin` [m] every `spacing` [m].
struct SampleGrid {
    std::array<std::size_t, 3> n{2, 2, 2};
    std::array<double, 3> origin{0, 0, 0};
    std::array<double, 3> spacing{1, 1, 1};
};

/// The grid of at most `longest` nodes along the longest side that covers the box
/// [low, high] [m] widened by a tenth of its size on each side (a flat or point-like box is
/// widened to a tenth of its largest side, or 1 mm). A field map's grid is kept within the map.
SampleGrid sampleGridAround(std::array<double, 3> low, std::array<double, 3> high,
                            const CaseModel& model, std::size_t longest = 48);

/// The .vti document of the case's field sampled on the grid: point arrays B [T], Bnorm [T] and
/// E [V/m]. Points where the field is not defined (a dipole's centre, outside a map) hold 0.
std::string fieldImageXml(const CaseModel& model, const SampleGrid& grid);
/// Writes fieldImageXml through the safe writer.
FileResult writeFieldImage(const std::filesystem::path& file, const CaseModel& model,
                           const SampleGrid& grid);

} // namespace gyro
