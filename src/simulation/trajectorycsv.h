// The trajectory as a table of numbers: one CSV row per accepted step.
#pragma once

#include "settings/outputfile.h"
#include "simulation/trajectoryrecord.h"

#include <array>
#include <filesystem>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace gyro {

/// Header line of a trajectory table (without line end).
inline constexpr const char* kTrajectoryCsvHeader = "t,x,y,z,vx,vy,vz,Bnorm,Ek_eV";

/// Number of the standard columns of a row.
inline constexpr std::size_t kTrajectoryCsvColumns = 9;

/// The standard columns of a row for a sample, in the header's order: the sample, then |B| [T]
/// at its position with the field of the case as it stands and the kinetic energy [eV] of a
/// particle of `mass` [kg].
std::array<double, kTrajectoryCsvColumns> trajectoryRowValues(const TrajectorySample& s,
                                                              double mass);

/// Appends a number in full precision: the shortest text that reads back to the same double.
void appendTableNumber(std::string& out, double x);

/// Appends one row (without line end) for a sample to `out`: time [s], position [m], velocity
/// [m/s], |B| [T] at the position with the field of the case as it stands, and the kinetic
/// energy [eV] of a particle of `mass` [kg]. Numbers are written in full precision: the shortest
/// text that reads back to the same double.
void appendTrajectoryRow(std::string& out, const TrajectorySample& s, double mass);

/// A trajectory table written row by row while a run goes on: open, row, commit. A file is
/// replaced only at commit (through OutputFile: a crash mid-run keeps the old table); a stream
/// or a descriptor (standard output) receives the rows as they come.
class TrajectoryCsvWriter {
public:
    /// `mass` [kg] gives the kinetic energy column.
    explicit TrajectoryCsvWriter(double mass) : m_mass(mass) {}

    /// Columns after the standard ones, named by `headers`; each row then gives their values.
    /// Set before opening: the header line is written at the opening.
    void setExtraColumns(std::vector<std::string> headers) { m_extra = std::move(headers); }
    std::size_t extraColumns() const { return m_extra.size(); }

    /// Opens a file and writes the header. False with a message when it cannot be written.
    FileResult open(const std::filesystem::path& file);
    /// Writes to a descriptor (1: standard output), never closed here.
    void openDescriptor(int fd, const std::string& name);
    /// Writes to a stream (tests, or a caller's own stream); `name` names it in messages.
    void openStream(std::ostream& stream, const std::string& name = "the output stream");

    /// Writes one row, with the values of the extra columns (as many as their headers). False
    /// once the output has failed.
    bool row(const TrajectorySample& sample, std::span<const double> extra = {});
    /// Sends the rows written so far on to a stream or descriptor.
    bool flush();
    /// Ends the table: a file takes its final name. False with a message on failure (the old
    /// file is then kept).
    FileResult commit();

    bool isOpen() const { return m_stream != nullptr || m_file.isOpen(); }
    /// Rows written, without the header.
    std::uint64_t rows() const { return m_rows; }

private:
    bool put(const std::string& bytes);
    std::string headerLine() const;

    double m_mass;
    OutputFile m_file;
    std::ostream* m_stream = nullptr;
    std::string m_streamName;
    std::string m_line;
    std::vector<std::string> m_extra;
    std::uint64_t m_rows = 0;
};

/// Writes a whole recorded trajectory to a file through TrajectoryCsvWriter. Returns false and a
/// message when the file cannot be written.
bool writeTrajectoryCsv(const TrajectoryRecord& record, double mass,
                        const std::filesystem::path& path, std::string& error);

} // namespace gyro
