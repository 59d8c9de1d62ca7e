// Field map readers: CSV tables and VTK legacy files, checked completely before a map is made.
#include "simulation/fieldmapreader.h"

#include "settings/textfile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <map>
#include <optional>
#include <vector>

namespace gyro {

namespace {

std::string num(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '"')) {
        s.remove_prefix(1);
    }
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '"')) {
        s.remove_suffix(1);
    }
    return s;
}

locale_t cLocale() {
    static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// A decimal number filling the whole text; nothing for anything else (units, words, blanks).
std::optional<double> readNumber(std::string_view text) {
    const std::string s(trim(text));
    if (s.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double v = strtod_l(s.c_str(), &end, cLocale());
    if (end != s.c_str() + s.size()) return std::nullopt;
    return v;
}

FieldMapRead refuse(std::string message) {
    return {nullptr, std::move(message)};
}

// Overflow-safe product of node counts, or nothing beyond kMaxMapNodes.
std::optional<std::size_t> nodeProduct(const std::array<std::size_t, 3>& n) {
    std::size_t p = 1;
    for (std::size_t k : n) {
        if (k == 0 || k > kMaxMapNodes || p > kMaxMapNodes / k) return std::nullopt;
        p *= k;
    }
    return p;
}

const char* kAxisNames[2][3] = {{"x", "y", "z"}, {"r", "z", ""}};

// Checks what every map must satisfy once its nodes are in place: 4 nodes or more along each
// axis, positive spacing, finite values.
std::string checkMap(const FieldMap& map) {
    const int axes = map.geometry == FieldMap::Geometry::Cartesian ? 3 : 2;
    const int g = map.geometry == FieldMap::Geometry::Cartesian ? 0 : 1;
    for (int a = 0; a < axes; ++a) {
        if (map.n[a] < 4)
            return std::string("the map needs at least 4 nodes along ") + kAxisNames[g][a] +
                   ", it has " + std::to_string(map.n[a]);
        if (!(map.spacing[a] > 0) || !std::isfinite(map.origin[a]))
            return std::string("the nodes along ") + kAxisNames[g][a] +
                   " are not evenly spaced in increasing order";
    }
    if (map.geometry == FieldMap::Geometry::Axisymmetric && map.origin[0] < 0)
        return "the radius r of an axisymmetric map cannot be negative (first r " +
               num(map.origin[0]) + " m)";
    return {};
}

// ---------------------------------------------------------------------------------------------
// CSV tables

struct Column {
    std::string name;  // lower case, without unit
    std::string unit;  // as written, empty when none
    std::string label; // the header text
};

Column parseHeaderField(std::string_view field) {
    Column c;
    field = trim(field);
    c.label = std::string(field);
    const auto open = field.find_first_of("[(");
    if (open != std::string_view::npos) {
        const auto close = field.find_first_of("])", open);
        c.unit = std::string(
            trim(field.substr(open + 1, close == std::string_view::npos ? std::string_view::npos
                                                                        : close - open - 1)));
        field = trim(field.substr(0, open));
    }
    c.name = lower(field);
    return c;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (true) {
        const auto comma = line.find(',', start);
        out.push_back(line.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return out;
}

// The SI unit expected of a column, by its name.
std::string siUnit(const std::string& name) {
    if (name == "x" || name == "y" || name == "z" || name == "r") return "m";
    if (name[0] == 'b') return "T";
    return "V/m";
}

// Distinct values of one coordinate, merged within a small tolerance of the span, and whether
// they make a regular grid: the node count, first node and spacing.
struct Axis {
    std::size_t n = 0;
    double first = 0;
    double step = 0;
};

Axis findAxis(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    Axis axis;
    const double span = values.back() - values.front();
    const double tol = 1e-9 * span;
    double last = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i == 0 || values[i] - last > tol) {
            ++axis.n;
            last = values[i];
        }
    }
    axis.first = values.front();
    axis.step = axis.n > 1 ? span / static_cast<double>(axis.n - 1) : 0;
    return axis;
}

FieldMapRead parseCsv(std::string_view bytes) {
    // Lines, with their numbers (1 for the first line of the file).
    std::vector<std::pair<std::size_t, std::string_view>> lines;
    std::size_t lineNumber = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        auto end = bytes.find('\n', pos);
        if (end == std::string_view::npos) end = bytes.size();
        ++lineNumber;
        std::string_view line = bytes.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos = end + 1;
        if (trim(line).empty() || trim(line).front() == '#') continue;
        lines.emplace_back(lineNumber, line);
    }
    if (lines.empty()) return refuse("the map file is empty");

    // Header: the column names, with optional units.
    std::vector<Column> columns;
    for (auto field : splitFields(lines.front().second)) columns.push_back(parseHeaderField(field));
    std::map<std::string, std::size_t> index;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const Column& col = columns[c];
        if (readNumber(col.label))
            return refuse("row " + std::to_string(lines.front().first) +
                          ": the map needs a header naming its columns (x,y,z,Bx,By,Bz or "
                          "r,z,Br,Bz), found numbers");
        index.emplace(col.name, c);
    }
    const bool axisymmetric = index.count("r") != 0;
    const std::vector<std::string> required =
        axisymmetric ? std::vector<std::string>{"r", "z", "br", "bz"}
                     : std::vector<std::string>{"x", "y", "z", "bx", "by", "bz"};
    const char* requiredText = axisymmetric ? "r,z,Br,Bz" : "x,y,z,Bx,By,Bz";
    for (const auto& name : required) {
        if (!index.count(name))
            return refuse("the header has no column " + name + " (a map needs " + requiredText +
                          ")");
    }
    std::vector<std::string> wanted = required;
    const int eCount =
        axisymmetric ? 0
                     : static_cast<int>(index.count("ex") + index.count("ey") + index.count("ez"));
    if (eCount != 0 && eCount != 3) return refuse("the header has some of Ex,Ey,Ez but not all");
    if (eCount == 3) wanted.insert(wanted.end(), {"ex", "ey", "ez"});
    std::vector<std::size_t> at;
    for (const auto& name : wanted) {
        const Column& col = columns[index[name]];
        if (!col.unit.empty() && col.unit != siUnit(name))
            return refuse("column " + col.label + " is in " + col.unit +
                          ": a map is read in SI units (m, T, V/m)");
        at.push_back(index[name]);
    }

    // Rows: every wanted value a finite number.
    const std::size_t width = wanted.size();
    const std::size_t rows = lines.size() - 1;
    if (rows > kMaxMapNodes)
        return refuse("the map has " + std::to_string(rows) + " rows, more than the " +
                      std::to_string(kMaxMapNodes) + " nodes a map may have");
    std::vector<double> table(rows * width);
    for (std::size_t r = 0; r < rows; ++r) {
        const auto& [number, line] = lines[r + 1];
        const auto fields = splitFields(line);
        const std::string row = "row " + std::to_string(number);
        if (fields.size() != columns.size())
            return refuse(row + ": " + std::to_string(fields.size()) +
                          " values where the header has " + std::to_string(columns.size()) +
                          " columns");
        for (std::size_t k = 0; k < width; ++k) {
            const auto v = readNumber(fields[at[k]]);
            const std::string& label = columns[at[k]].label;
            if (!v)
                return refuse(row + ": " + label + " = \"" + std::string(trim(fields[at[k]])) +
                              "\" is not a number (a map is read in SI units, without unit "
                              "names)");
            if (!std::isfinite(*v)) return refuse(row + ": " + label + " is not finite");
            table[r * width + k] = *v;
        }
    }
    if (rows == 0) return refuse("the map has a header but no rows");

    // The grid: distinct coordinates along each axis, evenly spaced, every node once.
    auto map = std::make_shared<FieldMap>();
    map->geometry = axisymmetric ? FieldMap::Geometry::Axisymmetric : FieldMap::Geometry::Cartesian;
    const std::size_t axes = axisymmetric ? 2 : 3;
    const int g = axisymmetric ? 1 : 0;
    for (std::size_t a = 0; a < axes; ++a) {
        std::vector<double> values(rows);
        for (std::size_t r = 0; r < rows; ++r) values[r] = table[r * width + a];
        const Axis axis = findAxis(std::move(values));
        map->n[a] = axis.n;
        map->origin[a] = axis.first;
        map->spacing[a] = axis.step;
        if (axis.n < 4)
            return refuse(std::string("the map needs at least 4 nodes along ") + kAxisNames[g][a] +
                          ", it has " + std::to_string(axis.n));
    }
    const auto nodes = nodeProduct(map->n);
    if (!nodes)
        return refuse("the coordinates make a grid of more than " + std::to_string(kMaxMapNodes) +
                      " nodes: the grid is irregular or the map too large");
    const std::size_t comps = axisymmetric ? 2 : 3;
    map->B.assign(*nodes * comps, 0);
    if (eCount == 3) map->E.assign(*nodes * 3, 0);
    std::vector<std::size_t> seenAt(*nodes, 0); // line number of the node's row, 0 when none
    for (std::size_t r = 0; r < rows; ++r) {
        const double* v = &table[r * width];
        std::size_t node = 0;
        std::size_t stride = 1;
        for (std::size_t a = 0; a < axes; ++a) {
            const double u = (v[a] - map->origin[a]) / map->spacing[a];
            const double k = std::round(u);
            if (std::fabs(u - k) > 1e-6)
                return refuse("row " + std::to_string(lines[r + 1].first) + ": " +
                              kAxisNames[g][a] + " = " + num(v[a]) +
                              " m is off the regular grid (nodes every " + num(map->spacing[a]) +
                              " m from " + num(map->origin[a]) + " m)");
            node += static_cast<std::size_t>(k) * stride;
            stride *= map->n[a];
        }
        if (seenAt[node] != 0)
            return refuse("row " + std::to_string(lines[r + 1].first) + ": the same node as row " +
                          std::to_string(seenAt[node]));
        seenAt[node] = lines[r + 1].first;
        for (std::size_t c = 0; c < comps; ++c) map->B[node * comps + c] = v[axes + c];
        if (eCount == 3) {
            for (std::size_t c = 0; c < 3; ++c) map->E[node * 3 + c] = v[axes + comps + c];
        }
    }
    for (std::size_t node = 0; node < *nodes; ++node) {
        if (seenAt[node] != 0) continue;
        std::string where;
        std::size_t rest = node;
        for (std::size_t a = 0; a < axes; ++a) {
            const auto k = rest % map->n[a];
            rest /= map->n[a];
            where += std::string(a ? ", " : "") + kAxisNames[g][a] + " = " +
                     num(map->origin[a] + map->spacing[a] * static_cast<double>(k));
        }
        return refuse("the grid has a hole: no row for the node " + where + " m");
    }
    if (auto problem = checkMap(*map); !problem.empty()) return refuse(problem);
    return {map, {}};
}

// ---------------------------------------------------------------------------------------------
// VTK legacy files

class VtkCursor {
public:
    explicit VtkCursor(std::string_view bytes) : m_bytes(bytes) {}

    // The next whitespace-separated word, empty at the end.
    std::string_view word() {
        while (m_pos < m_bytes.size() && std::isspace(static_cast<unsigned char>(m_bytes[m_pos])))
            ++m_pos;
        const std::size_t start = m_pos;
        while (m_pos < m_bytes.size() && !std::isspace(static_cast<unsigned char>(m_bytes[m_pos])))
            ++m_pos;
        return m_bytes.substr(start, m_pos - start);
    }
    // The rest of the current line (the cursor moves past its end).
    std::string_view line() {
        const auto end = m_bytes.find('\n', m_pos);
        const auto stop = end == std::string_view::npos ? m_bytes.size() : end;
        const auto text = m_bytes.substr(m_pos, stop - m_pos);
        m_pos = std::min(m_bytes.size(), stop + 1);
        return text;
    }
    std::optional<std::size_t> count() {
        const auto w = word();
        if (w.empty() || w.size() > 18 ||
            w.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        return std::stoull(std::string(w));
    }
    std::size_t remaining() const { return m_bytes.size() - m_pos; }
    const char* here() const { return m_bytes.data() + m_pos; }
    void skip(std::size_t n) { m_pos += n; }

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

// Reads `count` values of type `type` (float or double) into out, ASCII or big-endian binary.
std::string readValues(VtkCursor& in, bool binary, const std::string& type, std::size_t count,
                       const std::string& what, std::vector<double>& out) {
    const std::string t = lower(type);
    const std::size_t size = t == "float" ? 4 : t == "double" ? 8 : 0;
    if (size == 0) return what + " is of type " + type + ": only float and double are read";
    if (count > kMaxMapNodes * 3)
        return what + " declares " + std::to_string(count) + " values, more than a map may hold";
    out.resize(count);
    if (!binary) {
        for (std::size_t i = 0; i < count; ++i) {
            const auto w = in.word();
            const auto v = readNumber(w);
            if (w.empty())
                return what + " ends after " + std::to_string(i) + " of its " +
                       std::to_string(count) + " values: the file is truncated";
            if (!v)
                return what + ": value " + std::to_string(i + 1) + " \"" + std::string(w) +
                       "\" is not a number";
            out[i] = *v;
        }
        return {};
    }
    in.line(); // binary data start after the line that declares them
    if (in.remaining() / size < count)
        return what + " needs " + std::to_string(count * size) + " bytes, the file has " +
               std::to_string(in.remaining()) + " left: it is truncated";
    const auto* p = reinterpret_cast<const unsigned char*>(in.here());
    for (std::size_t i = 0; i < count; ++i, p += size) {
        std::uint64_t bits = 0;
        for (std::size_t b = 0; b < size; ++b) bits = (bits << 8) | p[b];
        if (size == 4) {
            const auto b32 = static_cast<std::uint32_t>(bits);
            float f;
            std::memcpy(&f, &b32, 4);
            out[i] = f;
        } else {
            std::memcpy(&out[i], &bits, 8);
        }
    }
    in.skip(count * size);
    return {};
}

// Node spacing of rectilinear coordinates, or why they are not evenly spaced.
std::string regularCoordinates(const std::vector<double>& c, const char* axis, double& first,
                               double& step) {
    first = c.front();
    step = c.size() > 1 ? (c.back() - c.front()) / static_cast<double>(c.size() - 1) : 1;
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (std::fabs(c[i] - (first + step * static_cast<double>(i))) > 1e-6 * std::fabs(step))
            return std::string(axis) + "_COORDINATES: node " + std::to_string(i + 1) + " at " +
                   num(c[i]) + " m is off the regular grid (nodes every " + num(step) +
                   " m): the grid is irregular";
    }
    return {};
}

FieldMapRead parseVtk(std::string_view bytes) {
    VtkCursor in(bytes);
    in.line(); // "# vtk DataFile Version x.y"
    in.line(); // title
    const std::string mode = lower(trim(in.line()));
    if (mode != "ascii" && mode != "binary")
        return refuse("VTK file: line 3 must say ASCII or BINARY, it says \"" + mode + "\"");
    const bool binary = mode == "binary";
    if (lower(in.word()) != "dataset") return refuse("VTK file: no DATASET line after the header");
    const std::string dataset = lower(in.word());
    if (dataset != "structured_points" && dataset != "rectilinear_grid")
        return refuse("VTK file: the dataset is " + dataset +
                      ", a map must be STRUCTURED_POINTS or RECTILINEAR_GRID");

    auto map = std::make_shared<FieldMap>();
    bool haveDimensions = false;
    std::size_t points = 0;
    std::vector<double> B, E;
    const char* axisNames[3] = {"X", "Y", "Z"};
    for (std::string key = lower(in.word()); !key.empty(); key = lower(in.word())) {
        if (key == "dimensions") {
            for (auto& k : map->n) {
                const auto c = in.count();
                if (!c) return refuse("VTK file: DIMENSIONS must be three whole numbers");
                k = *c;
            }
            const auto product = nodeProduct(map->n);
            if (!product) {
                const double declared = static_cast<double>(map->n[0]) *
                                        static_cast<double>(map->n[1]) *
                                        static_cast<double>(map->n[2]);
                return refuse("VTK file: DIMENSIONS declare " + num(declared) +
                              " points, more than the " + std::to_string(kMaxMapNodes) +
                              " a map may have");
            }
            haveDimensions = true;
        } else if (key == "origin" || key == "spacing" || key == "aspect_ratio") {
            auto& target = key == "origin" ? map->origin : map->spacing;
            for (double& v : target) {
                const auto x = readNumber(in.word());
                if (!x || !std::isfinite(*x))
                    return refuse("VTK file: " + key + " must be three numbers");
                v = *x;
            }
        } else if (key.size() == 13 && key.substr(1) == "_coordinates") {
            const int a = key[0] - 'x';
            const auto c = in.count();
            const std::string type(in.word());
            if (a < 0 || a > 2 || !c || !haveDimensions || *c != map->n[a])
                return refuse("VTK file: " + key + " must follow DIMENSIONS and count its nodes");
            std::vector<double> coords;
            if (auto e = readValues(in, binary, type, *c, "VTK file: " + key, coords); !e.empty())
                return refuse(e);
            if (auto e = regularCoordinates(coords, axisNames[a], map->origin[a], map->spacing[a]);
                !e.empty())
                return refuse("VTK file: " + e);
        } else if (key == "point_data") {
            const auto c = in.count();
            if (!c || !haveDimensions) return refuse("VTK file: POINT_DATA without DIMENSIONS");
            points = *c;
            if (points != map->nodeCount())
                return refuse("VTK file: POINT_DATA " + std::to_string(points) +
                              " does not match DIMENSIONS (" + std::to_string(map->nodeCount()) +
                              " points)");
        } else if (key == "vectors" || key == "normals" || key == "scalars" || key == "field") {
            if (points == 0) return refuse("VTK file: " + key + " before POINT_DATA");
            std::vector<std::pair<std::string, std::size_t>> arrays; // name, components
            std::vector<std::string> types;
            std::size_t fieldArrays = 1;
            if (key == "field") {
                in.word(); // the field's name
                const auto c = in.count();
                if (!c) return refuse("VTK file: FIELD needs its number of arrays");
                fieldArrays = *c;
            }
            for (std::size_t f = 0; f < fieldArrays; ++f) {
                std::string name(in.word());
                std::size_t comps = 3;
                std::string type;
                std::size_t tuples = points;
                if (key == "field") {
                    const auto nc = in.count();
                    const auto nt = in.count();
                    type = std::string(in.word());
                    if (!nc || !nt || *nc == 0 || *nc > 9)
                        return refuse("VTK file: FIELD array " + name + " is malformed");
                    comps = *nc;
                    tuples = *nt;
                } else {
                    type = std::string(in.word());
                    if (key == "scalars") {
                        // An optional component count, then a LOOKUP_TABLE line.
                        std::string next(in.word());
                        comps = 1;
                        if (lower(next) != "lookup_table") {
                            const auto nc = readNumber(next);
                            if (!nc || *nc < 1 || *nc > 4)
                                return refuse("VTK file: SCALARS " + name + " is malformed");
                            comps = static_cast<std::size_t>(*nc);
                            next = std::string(in.word());
                        }
                        if (lower(next) != "lookup_table")
                            return refuse("VTK file: SCALARS " + name + " lacks LOOKUP_TABLE");
                        in.word(); // the table's name
                    }
                }
                if (tuples != points)
                    return refuse("VTK file: array " + name + " has " + std::to_string(tuples) +
                                  " tuples for " + std::to_string(points) + " points");
                std::vector<double> values;
                if (auto e = readValues(in, binary, type, points * comps, "VTK file: array " + name,
                                        values);
                    !e.empty())
                    return refuse(e);
                if (name == "B" || name == "E") {
                    if (comps != 3)
                        return refuse("VTK file: array " + name + " must have 3 components");
                    (name == "B" ? B : E) = std::move(values);
                }
            }
        } else if (key == "cell_data") {
            break; // cell data do not describe the field at the nodes
        } else {
            return refuse("VTK file: unexpected keyword \"" + key + "\"");
        }
    }
    if (!haveDimensions) return refuse("VTK file: no DIMENSIONS");
    if (B.empty()) return refuse("VTK file: no point array named B with 3 components");
    for (std::size_t i = 0; i < B.size(); ++i) {
        if (!std::isfinite(B[i]) || (!E.empty() && !std::isfinite(E[i]))) {
            const std::size_t p = i / 3;
            const std::size_t ix = p % map->n[0], iy = p / map->n[0] % map->n[1],
                              iz = p / map->n[0] / map->n[1];
            return refuse("VTK file: point " + std::to_string(p + 1) + " (node " +
                          std::to_string(ix) + ", " + std::to_string(iy) + ", " +
                          std::to_string(iz) + "): " + (std::isfinite(B[i]) ? "E" : "B") +
                          " is not finite");
        }
    }
    map->B = std::move(B);
    map->E = std::move(E);
    if (auto problem = checkMap(*map); !problem.empty()) return refuse("VTK file: " + problem);
    return {map, {}};
}

} // namespace

FieldMapRead parseFieldMap(std::string_view bytes) {
    if (bytes.substr(0, 14) == "# vtk DataFile") return parseVtk(bytes);
    if (bytes.find('\0') != std::string_view::npos)
        return refuse("the file is neither a CSV table nor a VTK legacy file");
    return parseCsv(bytes);
}

FieldMapRead readFieldMap(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return refuse("cannot read the field map " + file.string() + ": not a readable file");
    const auto size = std::filesystem::file_size(file, ec);
    if (ec) return refuse("cannot read the field map " + file.string() + ": " + ec.message());
    if (size > kMaxMapFileBytes)
        return refuse("the field map " + file.string() + " has " + std::to_string(size) +
                      " bytes, more than the " + std::to_string(kMaxMapFileBytes) + " read");
    std::string bytes;
    if (FileResult r = ReadFileHead(file, bytes, kMaxMapFileBytes); !r.ok) return refuse(r.message);
    FieldMapRead read = parseFieldMap(bytes);
    if (!read.ok()) read.message = file.filename().string() + ": " + read.message;
    return read;
}

} // namespace gyro
