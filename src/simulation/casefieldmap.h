// The case's field map: read from a file, kept with the example memo by its path.
#pragma once

#include "simulation/casemodel.h"

#include <filesystem>
#include <string>

namespace gyro {

/// Reads the field map `file` and, when it is sound, makes it the case's map and writes its path
/// into Texte3(kFieldMapPath). Returns the reader's message when it is refused; the case then
/// keeps its previous map and path.
std::string loadCaseFieldMap(CaseModel& model, const std::filesystem::path& file);

/// The path the memo keeps for a map file: relative to the memo's folder when the file lies
/// below it, as given otherwise (so that a folder of examples and maps can be moved whole).
std::string memoMapPath(const std::string& mapPath, const std::filesystem::path& memoFolder);
/// The file a path kept in the memo names: a relative path is taken from the memo's folder.
std::filesystem::path resolveMemoMapPath(const std::string& kept,
                                         const std::filesystem::path& memoFolder);

/// Puts back the map of an example just loaded from the memo in `memoFolder`: reads the file its
/// Texte3(kFieldMapPath) names (relative to the memo's folder). Returns the message of a map that
/// cannot be read (the case then has no map), empty when there is none or it was read.
std::string restoreFieldMap(CaseModel& model, const std::filesystem::path& memoFolder);

} // namespace gyro
