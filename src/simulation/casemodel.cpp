// The case model: texts with their numbers read once, option groups, tags, change listeners.
#include "simulation/casemodel.h"

#include "simulation/caseslots.h"

#include "numerics/numberread.h"

#include <atomic>

namespace gyro {

namespace {

const std::string kEmpty;

int familyRow(BoxFamily family) {
    switch (family) {
    case BoxFamily::Texte3:
        return 0;
    case BoxFamily::Texte4:
        return 1;
    case BoxFamily::Texte6:
        return 2;
    default:
        return -1;
    }
}

bool inSlots(int index, int count) {
    return index >= 0 && index < count;
}

} // namespace

CaseModel::CaseModel() {
    resetToDefaults();
}

void CaseModel::resetToDefaults() {
    restamp();
    for (auto& row : m_texts) row.fill({});
    for (auto& row : m_values) row.fill(0);
    m_option4.fill(0);
    m_option5.fill(0);
    m_coche1.fill(0);

    // Initial state and displays.
    setText(BoxFamily::Texte3, slot::kX, "0.0425");         // x [m], in the thruster channel
    setText(BoxFamily::Texte3, slot::kVx + 1, "10");        // vy [m/s]
    setText(BoxFamily::Texte3, slot::kCircleRadius, ".05"); // radius of the circle shown [m]
    setText(BoxFamily::Texte3, slot::kExampleNumber, "39"); // example number
    setText(BoxFamily::Texte3, slot::kComment, "Comment\r\n");
    setText(BoxFamily::Texte3, slot::kPlotPointCount, "nombre de points plots");
    setText(BoxFamily::Texte3, slot::kPauseTime, "Temps limite"); // reads 0: no pause
    setText(BoxFamily::Texte3, slot::kSpeciesMemo, "0");          // species memo: electron
    // Electric field [V/m]: axial, as in a Hall thruster channel.
    setText(BoxFamily::Texte4, slot::kEx + 2, "5 000");
    // Colour table: trajectory red, E blue, B green, velocity purple.
    setText(BoxFamily::Texte4, slot::kColourTable + 0, "255");
    setText(BoxFamily::Texte4, slot::kColourTable + 5, "255");
    setText(BoxFamily::Texte4, slot::kColourTable + 7, "255");
    setText(BoxFamily::Texte4, slot::kColourTable + 9, "125");
    setText(BoxFamily::Texte4, slot::kColourTable + 11, "125");
    // Magnetic field [T] and shape parameters.
    setText(BoxFamily::Texte6, slot::kBx + 2, "0.015");
    setText(BoxFamily::Texte6, slot::kParam0 + 1, "-0.021");
    setText(BoxFamily::Texte6, slot::kParam0 + 2, "-0.02");
    setText(BoxFamily::Texte6, slot::kParam0 + 4, "0.04225"); // mid radius of the channel [m]
    setText(BoxFamily::Texte6, slot::kParam0 + 7, "-8");
    setText(BoxFamily::Texte6, slot::kParam0 + 8, "0.0845");
    setText(BoxFamily::Texte7, 0, " .0000001     "); // error limit [m]

    select(BoxFamily::Option4, slot::kRadial);   // the 1/rho radial field
    select(BoxFamily::Option5, slot::kElectron); // electron
}

const std::string& CaseModel::text(BoxFamily family, int index) const {
    if (family == BoxFamily::Texte7) return index == 0 ? m_texte7 : kEmpty;
    const int row = familyRow(family);
    if (row < 0 || !inSlots(index, kSlots)) return kEmpty;
    return m_texts[static_cast<std::size_t>(row)][static_cast<std::size_t>(index)];
}

double CaseModel::value(BoxFamily family, int index) const {
    if (family == BoxFamily::Texte7) return index == 0 ? m_texte7Value : 0;
    const int row = familyRow(family);
    if (row < 0 || !inSlots(index, kSlots)) return 0;
    return m_values[static_cast<std::size_t>(row)][static_cast<std::size_t>(index)];
}

void CaseModel::setText(BoxFamily family, int index, const std::string& text) {
    if (family == BoxFamily::Texte7) {
        if (index != 0 || m_texte7 == text) return;
        m_texte7 = text;
        m_texte7Value = Val(text);
        notify(family, 0);
        return;
    }
    const int row = familyRow(family);
    if (row < 0 || !inSlots(index, kSlots)) return;
    auto& slot = m_texts[static_cast<std::size_t>(row)][static_cast<std::size_t>(index)];
    if (slot == text) return;
    slot = text;
    m_values[static_cast<std::size_t>(row)][static_cast<std::size_t>(index)] = Val(text);
    notify(family, index);
}

int CaseModel::state(BoxFamily family, int index) const {
    switch (family) {
    case BoxFamily::Option4:
        return inSlots(index, kSlots) ? m_option4[static_cast<std::size_t>(index)] : 0;
    case BoxFamily::Option5:
        return inSlots(index, kSpecies) ? m_option5[static_cast<std::size_t>(index)] : 0;
    case BoxFamily::Coche1:
        return inSlots(index, kSlots) ? m_coche1[static_cast<std::size_t>(index)] : 0;
    default:
        return 0;
    }
}

void CaseModel::setState(BoxFamily family, int index, int state) {
    int* slot = nullptr;
    switch (family) {
    case BoxFamily::Option4:
        if (inSlots(index, kSlots)) slot = &m_option4[static_cast<std::size_t>(index)];
        break;
    case BoxFamily::Option5:
        if (inSlots(index, kSpecies)) slot = &m_option5[static_cast<std::size_t>(index)];
        break;
    case BoxFamily::Coche1:
        if (inSlots(index, kSlots)) slot = &m_coche1[static_cast<std::size_t>(index)];
        break;
    default:
        break;
    }
    if (!slot || *slot == state) return;
    *slot = state;
    notify(family, index);
}

void CaseModel::select(BoxFamily family, int index) {
    const int count = family == BoxFamily::Option5 ? kSpecies : kSlots;
    if (family != BoxFamily::Option4 && family != BoxFamily::Option5) {
        setState(family, index, 1);
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (i != index) setState(family, i, 0);
    }
    setState(family, index, 1);
}

int CaseModel::shape() const {
    for (int i :
         {slot::kCylindrical, slot::kRadial, slot::kDipole, slot::kDoubleDipole, slot::kFieldMap}) {
        if (m_option4[static_cast<std::size_t>(i)]) return i;
    }
    return slot::kUniform;
}

void CaseModel::setFieldMap(std::shared_ptr<const FieldMap> map) {
    m_fieldMap = std::move(map);
    notify(BoxFamily::Texte3, slot::kFieldMapPath);
}

int CaseModel::species() const {
    for (int i = 0; i < kSpecies; ++i) {
        if (m_option5[static_cast<std::size_t>(i)]) return i;
    }
    return -1;
}

int CaseModel::addListener(Listener listener) {
    const int id = m_nextListenerId++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void CaseModel::removeListener(int id) {
    std::erase_if(m_listeners, [id](const auto& entry) { return entry.first == id; });
}

void CaseModel::restamp() {
    static std::atomic<std::uint64_t> next{1};
    m_stamp = next.fetch_add(1, std::memory_order_relaxed);
}

void CaseModel::notify(BoxFamily family, int index) {
    restamp();
    // A listener may remove itself; iterate over a copy of the ids.
    const auto listeners = m_listeners;
    for (const auto& [id, listener] : listeners) listener(family, index);
}

} // namespace gyro
