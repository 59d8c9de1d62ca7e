// The case's field map: reading it into the case, and its path in the example memo.
#include "simulation/casefieldmap.h"

#include "simulation/caseslots.h"
#include "simulation/fieldmapreader.h"

namespace gyro {

std::string loadCaseFieldMap(CaseModel& model, const std::filesystem::path& file) {
    FieldMapRead read = readFieldMap(file);
    if (!read.ok()) return read.message;
    model.setFieldMap(std::move(read.map));
    model.setText(BoxFamily::Texte3, slot::kFieldMapPath, file.string());
    return {};
}

std::string memoMapPath(const std::string& mapPath, const std::filesystem::path& memoFolder) {
    if (mapPath.empty()) return mapPath;
    std::error_code ec;
    const auto file = std::filesystem::weakly_canonical(std::filesystem::absolute(mapPath), ec);
    const auto folder =
        std::filesystem::weakly_canonical(std::filesystem::absolute(memoFolder), ec);
    if (ec) return mapPath;
    const auto relative = file.lexically_relative(folder);
    // Below the folder: a relative path that never climbs out of it.
    if (relative.empty() || relative.is_absolute() || *relative.begin() == "..") return mapPath;
    return relative.generic_string();
}

std::filesystem::path resolveMemoMapPath(const std::string& kept,
                                         const std::filesystem::path& memoFolder) {
    const std::filesystem::path path(kept);
    return path.is_relative() ? memoFolder / path : path;
}

std::string restoreFieldMap(CaseModel& model, const std::filesystem::path& memoFolder) {
    const std::string kept = model.Texte3(slot::kFieldMapPath);
    model.setFieldMap(nullptr);
    if (kept.empty()) return {};
    return loadCaseFieldMap(model, resolveMemoMapPath(kept, memoFolder));
}

} // namespace gyro
