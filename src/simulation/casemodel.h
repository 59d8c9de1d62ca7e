// The case being edited: the main window's boxes, options and check boxes as a plain model.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace gyro {

class FieldMap;

/// The families of controls of the main window that hold the case.
enum class BoxFamily { Texte3, Texte4, Texte6, Texte7, Option4, Option5, Coche1 };

/// The main window's boxes as an editable model. Each text box keeps its text and the number read
/// from it (with Val) when the text changed, so that reading a value during a run costs a load,
/// not a parse. The window mirrors this model; the physics, the run driver and the example memo
/// read and write it. Families Texte3, Texte4, Texte6, Option4 and Coche1 have slots 0..20,
/// Option5 0..2, Texte7 the single slot 0.
class CaseModel {
public:
    static constexpr int kSlots = 21;
    static constexpr int kSpecies = 3;

    /// What a listener is told: which box changed.
    using Listener = std::function<void(BoxFamily family, int index)>;

    CaseModel();

    /// Puts back the texts and selections the window shows when it opens: the thruster-channel
    /// electron in the 1/rho field ("Dipôle field variable", "Electron").
    void resetToDefaults();

    /// Text of a text box ("" for an out-of-range slot).
    const std::string& text(BoxFamily family, int index) const;
    /// Number read from a text box when its text last changed (0 for an out-of-range slot).
    double value(BoxFamily family, int index) const;
    /// Sets a text box; the number is read once, here. Out-of-range slots are ignored.
    void setText(BoxFamily family, int index, const std::string& text);

    /// State of an option button or check box (Option4, Option5: 0/1; Coche1: 0/1).
    int state(BoxFamily family, int index) const;
    /// Sets one option button or check box without touching the others of its group.
    void setState(BoxFamily family, int index, int state);
    /// Selects an option button and clears the others of its group (what a click does).
    void select(BoxFamily family, int index);

    // Shorthands for the families, named like the window's controls.
    const std::string& Texte3(int i) const { return text(BoxFamily::Texte3, i); }
    const std::string& Texte4(int i) const { return text(BoxFamily::Texte4, i); }
    const std::string& Texte6(int i) const { return text(BoxFamily::Texte6, i); }
    const std::string& Texte7() const { return text(BoxFamily::Texte7, 0); }
    double Texte3Value(int i) const { return m_values[0][static_cast<std::size_t>(i)]; }
    double Texte4Value(int i) const { return m_values[1][static_cast<std::size_t>(i)]; }
    double Texte6Value(int i) const { return m_values[2][static_cast<std::size_t>(i)]; }
    double Texte7Value() const { return m_texte7Value; }
    bool Option4(int i) const { return state(BoxFamily::Option4, i) != 0; }
    bool Option5(int i) const { return state(BoxFamily::Option5, i) != 0; }
    int Coche1(int i) const { return state(BoxFamily::Coche1, i); }

    /// The field shape: the first selected of options 0, 2, 3, 4, 5; 1 (uniform) when none is.
    int shape() const;
    /// The field map of the shape 5 (read from the file named in Texte3(18)), or null.
    const std::shared_ptr<const FieldMap>& fieldMap() const { return m_fieldMap; }
    /// Sets the field map (a map already read whole: see loadCaseFieldMap).
    /// Listeners are told as of a change of Texte3(18).
    void setFieldMap(std::shared_ptr<const FieldMap> map);
    /// The selected species 0 Electron, 1 Proton, 2 Ion xenon, or -1 when none is selected.
    int species() const;

    /// Tag of a control, a text the window and the handlers use as a guard ("busy" on Texte3(14)).
    std::string& tag(const std::string& control) { return m_tags[control]; }

    /// A number that changes at every change of the case and is never given to another content
    /// (unique in the process; a copy keeps it with the content): a reader that saw the same
    /// stamp reads the same case, and may keep what it derived from it.
    std::uint64_t stamp() const { return m_stamp; }

    /// Registers a listener told of every change; returns an id for removeListener.
    int addListener(Listener listener);
    void removeListener(int id);

private:
    void notify(BoxFamily family, int index);
    void restamp();

    std::array<std::array<std::string, kSlots>, 3> m_texts; // Texte3, Texte4, Texte6
    std::array<std::array<double, kSlots>, 3> m_values{};
    std::string m_texte7;
    double m_texte7Value = 0;
    std::array<int, kSlots> m_option4{};
    std::array<int, kSpecies> m_option5{};
    std::array<int, kSlots> m_coche1{};
    std::map<std::string, std::string> m_tags;
    std::shared_ptr<const FieldMap> m_fieldMap;
    std::vector<std::pair<int, Listener>> m_listeners;
    std::uint64_t m_stamp = 0;
    int m_nextListenerId = 1;
};

/// The case of the program state current on this thread (ProgramState::current()): the one the
/// main window shows and its runs read.
CaseModel& theCase();

} // namespace gyro
