// The trajectory as a table of numbers: one CSV row per accepted step.
#pragma once

#include "trajectoryrecord.h"

#include <filesystem>
#include <ostream>
#include <string>

namespace gyro {

/// Header line of a trajectory table (without line end).
inline constexpr const char* kTrajectoryCsvHeader = "t,x,y,z,vx,vy,vz,Bnorm,Ek_eV";

/// Appends one row (without line end) for a sample to `out`: time [s], position [m], velocity
/// [m/s], |B| [T] at the position with the field of the case as it stands, and the kinetic
/// energy [eV] of a particle of `mass` [kg]. Numbers are written in full precision: the shortest
/// text that reads back to the same double.
void appendTrajectoryRow(std::string& out, const TrajectorySample& s, double mass);

/// Writes a whole recorded trajectory to a file (written beside it, then renamed over it).
/// Returns false and a message when the file cannot be written.
bool writeTrajectoryCsv(const TrajectoryRecord& record, double mass,
                        const std::filesystem::path& path, std::string& error);

} // namespace gyro
