// Writing the trajectory table.
#include "trajectorycsv.h"

#include "fields.h"
#include "runrecord.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <system_error>

namespace gyro {

namespace {

void appendNumber(std::string& out, double x) {
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, x);
    out.append(buf, result.ptr);
}

} // namespace

void appendTrajectoryRow(std::string& out, const TrajectorySample& s, double mass) {
    const Vecteur3 R(s.x, s.y, s.z);
    Vecteur3 E, B;
    Champ(R, E, B);
    const double speed = std::sqrt(s.vx * s.vx + s.vy * s.vy + s.vz * s.vz);
    for (double x : {s.t, s.x, s.y, s.z, s.vx, s.vy, s.vz}) {
        appendNumber(out, x);
        out.push_back(',');
    }
    appendNumber(out, normseule(B));
    out.push_back(',');
    appendNumber(out, kineticEnergyEv(speed, mass));
}

bool writeTrajectoryCsv(const TrajectoryRecord& record, double mass,
                        const std::filesystem::path& path, std::string& error) {
    std::filesystem::path temp = path;
    temp += ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "Cannot write " + temp.string();
            return false;
        }
        std::string line;
        out << kTrajectoryCsvHeader << '\n';
        for (std::size_t i = 0; i < record.size(); ++i) {
            line.clear();
            appendTrajectoryRow(line, record[i], mass);
            line.push_back('\n');
            out << line;
        }
        out.flush();
        if (!out) {
            error = "Cannot write " + temp.string() + " (disk full?)";
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        error = "Cannot replace " + path.string() + ": " + ec.message();
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

} // namespace gyro
