// Reading field maps: CSV tables (x,y,z,Bx,By,Bz or r,z,Br,Bz) and VTK legacy structured points
// and rectilinear grids (ASCII or binary).
#pragma once

#include "simulation/fieldmap.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace gyro {

/// The most nodes a map may have (3 doubles each for B, 3 more for E): larger maps are refused
/// before any memory is spent on them.
inline constexpr std::size_t kMaxMapNodes = std::size_t{1} << 24;
/// The largest map file read [bytes].
inline constexpr std::size_t kMaxMapFileBytes = std::size_t{1} << 31;

/// A map read from a file, or why it was refused (then `map` is null: nothing is half-loaded).
struct FieldMapRead {
    std::shared_ptr<const FieldMap> map;
    std::string message;
    bool ok() const { return map != nullptr; }
};

/// Reads a field map, recognising the format by its content: a file starting with
/// "# vtk DataFile" is VTK legacy (STRUCTURED_POINTS or RECTILINEAR_GRID, ASCII or BINARY, a
/// 3-component array named B and optionally E, as VECTORS or FIELD arrays); anything else is a
/// CSV table with a header naming the columns x,y,z,Bx,By,Bz (optionally Ex,Ey,Ez), or r,z,Br,Bz
/// for an axisymmetric map, in SI units (m, T, V/m), rows in any order. The grid must be regular
/// and complete, with at least 4 nodes along each axis, and every value finite; a refusal names
/// the row (or point) and what is wrong.
FieldMapRead readFieldMap(const std::filesystem::path& file);
/// The same from the bytes of a file.
FieldMapRead parseFieldMap(std::string_view bytes);

} // namespace gyro
