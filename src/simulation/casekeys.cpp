// Named values of the case for the command line.
#include "simulation/casekeys.h"

#include "simulation/casefieldmap.h"
#include "simulation/fieldmap.h"
#include "simulation/lightspeed.h"

#include "simulation/caseslots.h"
#include "simulation/integrationmethod.h"
#include "simulation/runrecord.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace gyro {

namespace {

const std::map<std::string, int> kSpeciesNames{
    {"electron", slot::kElectron}, {"proton", slot::kProton}, {"xenon", slot::kXenon}};
const std::map<std::string, int> kShapeNames{{"cylindrical", slot::kCylindrical},
                                             {"uniform", slot::kUniform},
                                             {"radial", slot::kRadial},
                                             {"dipole", slot::kDipole},
                                             {"double-dipole", slot::kDoubleDipole},
                                             {"map", slot::kFieldMap}};

// Numbers on the command line always use a decimal point, whatever the user's locale.
locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
    return locale;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string numberProblem(const std::string& key, const std::string& value,
                          TypedNumber::Status status) {
    switch (status) {
    case TypedNumber::Status::TooLarge:
        return key + ": " + quoted(value) + " is too large for a number";
    case TypedNumber::Status::TooSmall:
        return key + ": " + quoted(value) + " is too small: it would be taken as 0";
    default:
        return key + ": " + quoted(value) + " is not a number";
    }
}

bool isNull(const CaseModel& model, int first) {
    return model.Texte3Value(first) == 0 && model.Texte3Value(first + 1) == 0 &&
           model.Texte3Value(first + 2) == 0;
}

} // namespace

const std::map<std::string, CaseKey>& caseKeys() {
    static const std::map<std::string, CaseKey> keys = [] {
        std::map<std::string, CaseKey> k;
        const char* position[] = {"x", "y", "z"};
        const char* velocity[] = {"vx", "vy", "vz"};
        const char* electric[] = {"Ex", "Ey", "Ez"};
        const char* magnetic[] = {"Bx", "By", "Bz"};
        for (int i = 0; i < 3; ++i) {
            k[position[i]] = {BoxFamily::Texte3, slot::kX + i};
            k[velocity[i]] = {BoxFamily::Texte3, slot::kVx + i};
            k[electric[i]] = {BoxFamily::Texte4, slot::kEx + i};
            k[magnetic[i]] = {BoxFamily::Texte6, slot::kBx + i};
        }
        for (int p = 0; p < 12; ++p) {
            std::string name(1, 'P');
            name += std::to_string(p);
            k[name] = {BoxFamily::Texte6, slot::kParam0 + p};
        }
        k["errmax"] = {BoxFamily::Texte7, 0};
        return k;
    }();
    return keys;
}

TypedNumber readTypedNumber(std::string_view text) {
    std::string s;
    for (char c : text) {
        if (c != ' ' && c != '\t') s.push_back(c);
    }
    if (!s.empty() && s[0] == '+') s.erase(0, 1);
    // Only the forms of a decimal number: strtod would also take "inf", "nan" and hexadecimal.
    if (s.empty() || s.find_first_not_of("0123456789.eE-+") != std::string::npos) return {};
    errno = 0;
    char* end = nullptr;
    const double value = strtod_l(s.c_str(), &end, cLocale());
    if (end != s.c_str() + s.size()) return {};
    if (errno == ERANGE) {
        if (std::isinf(value)) return {TypedNumber::Status::TooLarge, value};
        // Underflow: a denormal value still holds the number (roughly); only 0 loses it.
        if (value == 0) return {TypedNumber::Status::TooSmall, 0};
    }
    return {TypedNumber::Status::Ok, value};
}

std::string applyCaseSetting(CaseModel& model, const std::string& setting) {
    const auto eq = setting.find('=');
    if (eq == std::string::npos) return "--set needs KEY=VALUE, got " + quoted(setting);
    const std::string key = setting.substr(0, eq);
    const std::string value = setting.substr(eq + 1);
    if (key == "species") {
        const auto it = kSpeciesNames.find(value);
        if (it == kSpeciesNames.end())
            return "species must be electron, proton or xenon, got " + quoted(value);
        model.select(BoxFamily::Option5, it->second);
        model.setText(BoxFamily::Texte3, slot::kSpeciesMemo, std::to_string(it->second));
        return {};
    }
    if (key == "shape") {
        const auto it = kShapeNames.find(value);
        if (it == kShapeNames.end())
            return "shape must be cylindrical, uniform, radial, dipole, double-dipole or map, "
                   "got " +
                   quoted(value);
        model.select(BoxFamily::Option4, it->second);
        return {};
    }
    if (key == "map") {
        if (value.empty()) return "map needs the path of a field map file";
        return loadCaseFieldMap(model, value);
    }
    // The integration method is a choice of the run, not a box of the case.
    if (std::string error; applyIntegrationSetting(key, value, error)) return error;
    const TypedNumber number = readTypedNumber(value);
    const auto it = caseKeys().find(key);
    if (key != "energy" && it == caseKeys().end())
        return "unknown key " + quoted(key) + " in --set " + setting;
    if (number.status != TypedNumber::Status::Ok) return numberProblem(key, value, number.status);
    if (key == "energy") {
        SpeciesRefresh(0); // the mass of the selected species
        model.setText(BoxFamily::Texte3, slot::kEnergy, value);
        EnergyEdit(slot::kEnergy);
        // The speed is the square root of the energy: a huge energy gives a speed the velocity
        // boxes cannot hold.
        bool finite = true;
        for (int i = 0; i < 3; ++i)
            finite = finite && std::isfinite(model.Texte3Value(slot::kVx + i));
        if (number.value > 0 && (!finite || isNull(model, slot::kVx)))
            return "energy: " + quoted(value) +
                   " eV is out of range: the speed it gives cannot be represented";
        return {};
    }
    model.setText(it->second.family, it->second.index, value);
    return {};
}

std::string applyCaseSettings(CaseModel& model, const std::vector<std::string>& settings) {
    for (const bool method : {true, false}) {
        for (const std::string& setting : settings) {
            if ((setting.rfind("method=", 0) == 0) != method) continue;
            if (std::string message = applyCaseSetting(model, setting); !message.empty())
                return message;
        }
    }
    return {};
}

std::optional<std::string> caseStartProblem(const CaseModel& model) {
    if (isNull(model, slot::kX)) return "the initial position x,y,z is null";
    if (isNull(model, slot::kVx)) return "the initial velocity x,y,z is null";
    if (model.shape() == slot::kFieldMap) {
        if (!model.fieldMap()) return "the field shape is a map, but no field map is loaded";
        const Vecteur3 R(model.Texte3Value(slot::kX), model.Texte3Value(slot::kX + 1),
                         model.Texte3Value(slot::kX + 2));
        if (!model.fieldMap()->contains(R))
            return "the initial position x,y,z lies outside the field map (" +
                   model.fieldMap()->summary() + ")";
    }
    const Vecteur3 V(model.Texte3Value(slot::kVx), model.Texte3Value(slot::kVx + 1),
                     model.Texte3Value(slot::kVx + 2));
    return speedOfLightProblem(std::sqrt(ProdScal(V, V)));
}

} // namespace gyro
