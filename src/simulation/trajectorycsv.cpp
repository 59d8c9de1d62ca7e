// Writing the trajectory table.
#include "simulation/trajectorycsv.h"

#include "simulation/fields.h"
#include "simulation/runrecord.h"

#include <charconv>
#include <cmath>

namespace gyro {

void appendTableNumber(std::string& out, double x) {
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, x);
    out.append(buf, result.ptr);
}

std::array<double, kTrajectoryCsvColumns> trajectoryRowValues(const TrajectorySample& s,
                                                              double mass) {
    const Vecteur3 R(s.x, s.y, s.z);
    Vecteur3 E, B;
    Champ(R, E, B);
    const double speed = std::sqrt(s.vx * s.vx + s.vy * s.vy + s.vz * s.vz);
    return {s.t, s.x, s.y, s.z, s.vx, s.vy, s.vz, normseule(B), kineticEnergyEv(speed, mass)};
}

void appendTrajectoryRow(std::string& out, const TrajectorySample& s, double mass) {
    const auto values = trajectoryRowValues(s, mass);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out.push_back(',');
        appendTableNumber(out, values[i]);
    }
}

std::string TrajectoryCsvWriter::headerLine() const {
    std::string line = kTrajectoryCsvHeader;
    for (const std::string& header : m_extra) line += ',' + header;
    return line + '\n';
}

FileResult TrajectoryCsvWriter::open(const std::filesystem::path& file) {
    m_stream = nullptr;
    m_rows = 0;
    const FileResult opened = m_file.open(file);
    if (opened.ok) put(headerLine());
    return opened;
}

void TrajectoryCsvWriter::openDescriptor(int fd, const std::string& name) {
    m_stream = nullptr;
    m_rows = 0;
    m_file.openDescriptor(fd, name);
    put(headerLine());
}

void TrajectoryCsvWriter::openStream(std::ostream& stream, const std::string& name) {
    m_file.cancel();
    m_stream = &stream;
    m_streamName = name;
    m_rows = 0;
    put(headerLine());
}

bool TrajectoryCsvWriter::put(const std::string& bytes) {
    if (m_stream) {
        m_stream->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(*m_stream);
    }
    return m_file.write(bytes);
}

bool TrajectoryCsvWriter::row(const TrajectorySample& sample, std::span<const double> extra) {
    m_line.clear();
    appendTrajectoryRow(m_line, sample, m_mass);
    for (std::size_t i = 0; i < m_extra.size(); ++i) {
        m_line.push_back(',');
        // A value not given leaves its cell empty rather than shifting the columns.
        if (i < extra.size()) appendTableNumber(m_line, extra[i]);
    }
    m_line.push_back('\n');
    ++m_rows;
    return put(m_line);
}

bool TrajectoryCsvWriter::flush() {
    if (m_stream) return static_cast<bool>(m_stream->flush());
    return m_file.flush();
}

FileResult TrajectoryCsvWriter::commit() {
    if (m_stream) {
        const bool ok = static_cast<bool>(m_stream->flush());
        m_stream = nullptr;
        return ok ? FileResult{} : FileResult{false, "cannot write to " + m_streamName};
    }
    return m_file.commit();
}

bool writeTrajectoryCsv(const TrajectoryRecord& record, double mass,
                        const std::filesystem::path& path, std::string& error) {
    TrajectoryCsvWriter writer(mass);
    FileResult result = writer.open(path);
    for (std::size_t i = 0; result.ok && i < record.size(); ++i) writer.row(record[i]);
    if (result.ok) result = writer.commit();
    error = result.ok ? std::string() : result.message;
    return result.ok;
}

} // namespace gyro
