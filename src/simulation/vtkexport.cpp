// VTK XML writers for the trajectory (PolyData) and the sampled field (ImageData).
#include "simulation/vtkexport.h"

#include "numerics/errorreport.h"
#include "settings/outputfile.h"
#include "simulation/accuracycolumns.h"
#include "simulation/casemodel.h"
#include "simulation/energyinvariant.h"
#include "simulation/fieldmap.h"
#include "simulation/fields.h"
#include "simulation/runrecord.h"
#include "simulation/trajectorycsv.h"

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {

constexpr const char* kHead = "<?xml version=\"1.0\"?>\n<VTKFile type=\"";
constexpr const char* kHeadEnd =
    "\" version=\"1.0\" byte_order=\"LittleEndian\" header_type=\"UInt64\">\n";

// One ASCII data array of `components` values a tuple, taken from `values` at `first` with a
// stride of `stride` (several arrays interleaved in one table).
void appendArray(std::string& out, const std::string& name, std::size_t components,
                 const std::vector<double>& values, std::size_t first, std::size_t stride) {
    out += "        <DataArray type=\"Float64\"";
    if (!name.empty()) out += " Name=\"" + name + "\"";
    if (components > 1) out += " NumberOfComponents=\"" + std::to_string(components) + "\"";
    out += " format=\"ascii\">\n";
    std::size_t onLine = 0;
    for (std::size_t i = first; i + components <= values.size() && i < values.size(); i += stride) {
        for (std::size_t c = 0; c < components; ++c) {
            out += onLine == 0 ? "          " : " ";
            // Not-a-number cannot be read back by every VTK reader: 0 marks an undefined value.
            appendTableNumber(out, std::isfinite(values[i + c]) ? values[i + c] : 0.0);
            if (++onLine == 12) {
                out += '\n';
                onLine = 0;
            }
        }
    }
    if (onLine) out += '\n';
    out += "        </DataArray>\n";
}

FileResult writeThrough(const std::filesystem::path& file, const std::string& bytes) {
    OutputFile out;
    FileResult r = out.open(file);
    if (!r.ok) return r;
    if (!out.write(bytes)) {
        FileResult failed = out.commit();
        if (failed.ok) failed = {false, "cannot write " + file.string()};
        return failed;
    }
    return out.commit();
}

} // namespace

VtkTrajectory::VtkTrajectory(double mass, std::vector<std::string> extraNames, std::size_t budget)
    : m_width(9 + extraNames.size()), m_mass(mass), m_extra(std::move(extraNames)),
      m_budget(std::max<std::size_t>(budget, 2)) {}

void VtkTrajectory::add(const TrajectorySample& sample, std::span<const double> extra) {
    const auto row = trajectoryRowValues(sample, m_mass);
    m_last.assign(row.begin(), row.end());
    for (std::size_t k = 0; k < m_extra.size(); ++k)
        m_last.push_back(k < extra.size() ? extra[k] : 0.0);
    const double position[3] = {sample.x, sample.y, sample.z};
    for (std::size_t a = 0; a < 3; ++a) {
        m_low[a] = m_seen == 0 ? position[a] : std::min(m_low[a], position[a]);
        m_high[a] = m_seen == 0 ? position[a] : std::max(m_high[a], position[a]);
    }
    if (m_seen++ % m_stride != 0) return;
    m_values.insert(m_values.end(), m_last.begin(), m_last.end());
    if (m_values.size() / m_width > m_budget) thin();
}

void VtkTrajectory::thin() {
    // Keep the points at even positions: one in twice the stride of the whole run.
    std::size_t kept = 0;
    const std::size_t points = m_values.size() / m_width;
    for (std::size_t p = 0; p < points; p += 2, ++kept) {
        std::copy_n(m_values.begin() + static_cast<std::ptrdiff_t>(p * m_width), m_width,
                    m_values.begin() + static_cast<std::ptrdiff_t>(kept * m_width));
    }
    m_values.resize(kept * m_width);
    m_stride *= 2;
}

std::size_t VtkTrajectory::size() const {
    const std::size_t kept = m_values.size() / m_width;
    // The latest point is added at the end when thinning skipped it.
    return kept + (m_seen > 0 && (m_seen - 1) % m_stride != 0 ? 1 : 0);
}

std::string VtkTrajectory::xml() const {
    std::vector<double> values = m_values;
    if (m_seen > 0 && (m_seen - 1) % m_stride != 0)
        values.insert(values.end(), m_last.begin(), m_last.end());
    const std::size_t n = values.size() / m_width;
    std::string out = kHead;
    out += "PolyData";
    out += kHeadEnd;
    out += "  <PolyData>\n    <Piece NumberOfPoints=\"" + std::to_string(n) +
           "\" NumberOfVerts=\"0\" NumberOfLines=\"" + std::to_string(n > 0 ? 1 : 0) +
           "\" NumberOfStrips=\"0\" NumberOfPolys=\"0\">\n";
    out += "      <PointData Scalars=\"Bnorm\" Vectors=\"v\">\n";
    appendArray(out, "t", 1, values, 0, m_width);
    appendArray(out, "v", 3, values, 4, m_width);
    appendArray(out, "Bnorm", 1, values, 7, m_width);
    appendArray(out, "Ek_eV", 1, values, 8, m_width);
    for (std::size_t k = 0; k < m_extra.size(); ++k)
        appendArray(out, m_extra[k], 1, values, 9 + k, m_width);
    out += "      </PointData>\n      <Points>\n";
    appendArray(out, "", 3, values, 1, m_width);
    out += "      </Points>\n      <Lines>\n";
    out += "        <DataArray type=\"Int64\" Name=\"connectivity\" format=\"ascii\">\n";
    for (std::size_t i = 0; i < n; ++i) {
        out += (i % 16 == 0 ? "          " : " ") + std::to_string(i);
        if (i % 16 == 15 || i + 1 == n) out += '\n';
    }
    out += "        </DataArray>\n";
    out += "        <DataArray type=\"Int64\" Name=\"offsets\" format=\"ascii\">\n";
    if (n > 0) out += "          " + std::to_string(n) + "\n";
    out += "        </DataArray>\n      </Lines>\n    </Piece>\n  </PolyData>\n</VTKFile>\n";
    return out;
}

FileResult VtkTrajectory::write(const std::filesystem::path& file) const {
    return writeThrough(file, xml());
}

const std::vector<std::string>& vtkAccuracyNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (AccuracyColumn c : {AccuracyColumn::WRel, AccuracyColumn::Mu, AccuracyColumn::PitchDeg,
                                 AccuracyColumn::Gcx, AccuracyColumn::Gcy, AccuracyColumn::Gcz})
            out.emplace_back(accuracyColumnName(c));
        return out;
    }();
    return names;
}

FileResult writeRunForParaView(const TrajectoryRecord& record, const CaseModel& model,
                               double charge, double mass, const std::filesystem::path& trajectory,
                               const std::filesystem::path& field) {
    if (record.empty()) return {false, "There is no run to export yet."};
    VtkTrajectory vtk(mass, vtkAccuracyNames());
    const FieldModel fields(model);
    EnergyInvariant invariant;
    std::array<double, 6> extra{};
    for (std::size_t i = 0; i < record.size(); ++i) {
        const TrajectorySample& s = record[i];
        const Vecteur3 R(s.x, s.y, s.z), V(s.vx, s.vy, s.vz);
        if (i == 0) {
            invariant.start(R, V, charge, mass, false);
        } else {
            invariant.advance(R, V, fields.E());
        }
        StateArray Y;
        pack(R, V, Y);
        Y(8) = s.t;
        const DriftReadout drift = driftReadoutOfState(Y);
        const double wRelative = invariant.relativeChange();
        for (std::size_t k = 0; k < extra.size(); ++k)
            extra[k] = accuracyColumnValue(static_cast<AccuracyColumn>(k), drift, wRelative);
        vtk.add(s, extra);
    }
    if (FileResult r = vtk.write(trajectory); !r.ok) return r;
    if (field.empty()) return {};
    std::array<double, 3> low{}, high{};
    vtk.bounds(low, high);
    return writeFieldImage(field, model, sampleGridAround(low, high, model));
}

SampleGrid sampleGridAround(std::array<double, 3> low, std::array<double, 3> high,
                            const CaseModel& model, std::size_t longest) {
    // A run that ended on a non-finite state has no box to speak of: sample round the origin.
    for (int a = 0; a < 3; ++a) {
        if (!std::isfinite(low[a]) || !std::isfinite(high[a])) low[a] = high[a] = 0;
    }
    double largest = 0;
    for (int a = 0; a < 3; ++a) largest = std::max(largest, high[a] - low[a]);
    if (!(largest > 0) || !std::isfinite(largest)) largest = 1e-2;
    for (int a = 0; a < 3; ++a) {
        const double side = high[a] - low[a];
        const double margin = side > 1e-3 * largest ? 0.1 * side : 0.1 * largest;
        low[a] -= margin;
        high[a] += margin;
    }
    if (model.shape() == 5 && model.fieldMap()) {
        Vecteur3 mapLow, mapHigh;
        model.fieldMap()->extent(mapLow, mapHigh);
        for (int a = 0; a < 3; ++a) {
            low[a] = std::max(low[a], mapLow(a + 1));
            high[a] = std::min(high[a], mapHigh(a + 1));
        }
    }
    SampleGrid grid;
    double step = 0;
    for (int a = 0; a < 3; ++a) step = std::max(step, high[a] - low[a]);
    step /= static_cast<double>(std::max<std::size_t>(longest, 2) - 1);
    for (std::size_t a = 0; a < 3; ++a) {
        const double side = std::max(0.0, high[a] - low[a]);
        grid.n[a] = std::max<std::size_t>(2, static_cast<std::size_t>(std::ceil(side / step)) + 1);
        grid.origin[a] = low[a];
        grid.spacing[a] = side > 0 ? side / static_cast<double>(grid.n[a] - 1) : step;
    }
    return grid;
}

std::string fieldImageXml(const CaseModel& model, const SampleGrid& grid) {
    // Grid nodes may fall on the axis or a dipole's centre: the field routines report such
    // points, which here only mean an undefined sample, so they report into a private log.
    ErrorReport quiet;
    const ErrorReport::Use use(quiet);
    const FieldModel field(model);
    const std::size_t count = grid.n[0] * grid.n[1] * grid.n[2];
    std::vector<double> values;
    values.reserve(count * 7);
    for (std::size_t k = 0; k < grid.n[2]; ++k) {
        for (std::size_t j = 0; j < grid.n[1]; ++j) {
            for (std::size_t i = 0; i < grid.n[0]; ++i) {
                const Vecteur3 R(grid.origin[0] + grid.spacing[0] * static_cast<double>(i),
                                 grid.origin[1] + grid.spacing[1] * static_cast<double>(j),
                                 grid.origin[2] + grid.spacing[2] * static_cast<double>(k));
                Vecteur3 B;
                field.magnetic(R, B);
                Vecteur3 E = field.E();
                if (Vecteur3 Emap; field.map() && field.map()->electric(R, Emap))
                    MultKPlus(Emap, 1, E, E);
                values.insert(values.end(),
                              {B(1), B(2), B(3), std::sqrt(B(1) * B(1) + B(2) * B(2) + B(3) * B(3)),
                               E(1), E(2), E(3)});
            }
        }
    }
    std::string extent;
    for (std::size_t a = 0; a < 3; ++a)
        extent += std::string(a ? " " : "") + "0 " + std::to_string(grid.n[a] - 1);
    auto triple = [](const std::array<double, 3>& v) {
        std::string s;
        for (std::size_t a = 0; a < 3; ++a) {
            if (a) s += ' ';
            appendTableNumber(s, v[a]);
        }
        return s;
    };
    std::string out = kHead;
    out += "ImageData";
    out += kHeadEnd;
    out += "  <ImageData WholeExtent=\"" + extent + "\" Origin=\"" + triple(grid.origin) +
           "\" Spacing=\"" + triple(grid.spacing) + "\">\n";
    out += "    <Piece Extent=\"" + extent + "\">\n";
    out += "      <PointData Scalars=\"Bnorm\" Vectors=\"B\">\n";
    appendArray(out, "B", 3, values, 0, 7);
    appendArray(out, "Bnorm", 1, values, 3, 7);
    appendArray(out, "E", 3, values, 4, 7);
    out += "      </PointData>\n      <CellData>\n      </CellData>\n    </Piece>\n";
    out += "  </ImageData>\n</VTKFile>\n";
    return out;
}

FileResult writeFieldImage(const std::filesystem::path& file, const CaseModel& model,
                           const SampleGrid& grid) {
    return writeThrough(file, fieldImageXml(model, grid));
}

} // namespace gyro
