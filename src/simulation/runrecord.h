// The run record: particle, integration, field and drawing values of a trajectory run, the
// species refresh, the energy edit and the state packing.
#pragma once

#include "numerics/vecteur3.h"

#include <string>

namespace gyro {

class CaseModel;

// Physical constants exactly as the program uses them (charges and masses kept apart on purpose:
// the electron-volt factor, the species charges and the preliminary mass are distinct values).
inline constexpr double kElementaryCharge = 1.6021e-19;   ///< [C] eV <-> J factor
inline constexpr double kElectronCharge = -1.6021e-19;    ///< [C] electron
inline constexpr double kIonCharge = 1.6021e-19;          ///< [C] proton and singly charged Xe+
inline constexpr double kPreliminaryCharge = -1.6e-19;    ///< [C] before the species test
inline constexpr double kReferenceElectronMass = 9.1e-31; ///< [kg] before the species test
inline constexpr double kElectronMass = 9.1091e-31;       ///< [kg]
inline constexpr double kProtonMass = 1.67243076e-27;     ///< [kg]
inline constexpr double kXenonMassNumber = 131.3;         ///< xenon mass in proton masses
/// First step of every run [s]: 0.0001 / 2000000.
inline constexpr double kInitialStep = 0.0001 / 2000000;

/// Tag key of the energy box Texte3(14) in CaseModel::tag(): "busy" while the species refresh
/// writes the derived values, so that its own write is not taken for a user's energy edit.
inline constexpr const char* kEnergyBoxTag = "Texte3(14)";

/// Everything a trajectory run needs, one per program state (see ProgramState). The error limit
/// ErrMax, the method selector OrdreRunge and the stop flag StopCalcul belong to each run's
/// control (RunControl, numerics/rungekutta.h).
struct RunRecord {
    // ---- Particle ----
    double Charge = kElectronCharge; ///< q [C]; set by SpeciesRefresh
    double Mass = kElectronMass;     ///< m [kg]; set by SpeciesRefresh
    double species = 0; ///< selected species: 0 Electron, 1 Proton, 2 Ion xenon, -1 none

    // ---- Integration (each run keeps its own state and step: see RunDriver) ----
    double BNorm = 0; ///< |B| of the last field evaluation [T]

    // ---- Field (written by Champ at every call, not at the integrator's stages) ----
    Vecteur3 E0;               ///< uniform electric field typed [V/m]
    Vecteur3 B0;               ///< magnetic field typed [T]
    double P[12]{};            ///< shape parameters P0..P11 (Texte6(3..14))
    double k2 = 0;             ///< (P2 - P3) / (P0 - P1)^2 [T/m^2]
    double B1 = 0;             ///< P2: 1/rho field at z = 0, rho = Rm [T]
    double Rm = 0;             ///< P4: mid radius of the 1/rho field [m]
    double mu0 = 0;            ///< vacuum permeability 4 pi 1e-7 [T m/A]
    double r = 0;              ///< |Rc| [m]
    double rho = 0;            ///< distance to the z axis [m] (1/rho field only)
    Vecteur3 Rc;               ///< copy of the field point (moved to the peripheral dipole)
    Vecteur3 rHat;             ///< unit vector of the point (also written by frRunge)
    Vecteur3 eRho;             ///< unit radial vector in the xy plane
    Vecteur3 C;                ///< curvature centre of the 1/rho field line [m]
    Vecteur3 uHat;             ///< unit vector from the point to C
    Vecteur3 tHat;             ///< r̂ × ez
    Vecteur3 mHat;             ///< direction of the last dipole moment evaluated
    Vecteur3 rHatPeriph;       ///< unit vector from the peripheral dipole to the point
    Vecteur3 eRhoPeriph;       ///< radial unit vector of that offset
    Vecteur3 BCentre, BPeriph; ///< partial fields of the double dipole [T]

    // ---- Readouts of a state (storeReadouts, frRunge): the run driver stores those of the last
    // accepted state after every slice of steps, and at every step while arrows are drawn ----
    Vecteur3 R;       ///< position [m]
    double normR = 0; ///< |R| [m]
    Vecteur3 V;       ///< velocity [m/s]
    double normV = 0; ///< |V| [m/s]
    Vecteur3 vHat;    ///< unit velocity
    double Y7 = 0;    ///< the constant state component
    double Y8 = 0;    ///< the time component [s]
    Vecteur3 E;       ///< E at R [V/m]
    Vecteur3 B;       ///< B at R [T]
    Vecteur3 W;       ///< V × B [V/m]
    Vecteur3 A;       ///< acceleration (q/m)(E + V × B) [m/s^2]

    // ---- Values shown beside the inputs (SpeciesRefresh) ----
    Vecteur3 windowR;              ///< position typed [m]
    Vecteur3 windowV;              ///< velocity typed [m/s]
    Vecteur3 windowE, windowB;     ///< fields at windowR [V/m], [T]
    double cyclotronOmega = 0;     ///< |B| Charge / Mass [rad/s] (signed)
    double cyclotronFrequency = 0; ///< |omega| / 2 pi [Hz]
    double larmorDiameter = 0;     ///< 2 v_perp / |omega| [m] (infinite without a field)
    double energy = 0;             ///< kinetic energy [eV]

    // ---- Drawing options for the views and printing (readDrawingOptions). The run driver reads
    // its arrows, amplifiers, field lines and colours from the case at every step. ----
    double noPrint = 0;    ///< Coche1(0) "No print"
    double cubicView = 0;  ///< Coche1(1) "Cubic Visualisation"
    double plotPoints = 0; ///< "nombre de points plots", Texte3(12)
};

/// The run record of the program state current on this thread (ProgramState::current()).
RunRecord& runRecord();

/// Writes position R and velocity V into the interleaved state: Y(1)=R1, Y(3)=R2, Y(5)=R3,
/// Y(2)=V1, Y(4)=V2, Y(6)=V3; nothing else.
inline void pack(const Vecteur3& R, const Vecteur3& V, StateArray& Y) {
    Y(1) = R(1);
    Y(3) = R(2);
    Y(5) = R(3);
    Y(2) = V(1);
    Y(4) = V(2);
    Y(6) = V(3);
}
/// (Y(1), Y(3), Y(5)) [m].
inline Vecteur3 position(const StateArray& Y) {
    return {Y(1), Y(3), Y(5)};
}
/// (Y(2), Y(4), Y(6)) [m/s].
inline Vecteur3 velocity(const StateArray& Y) {
    return {Y(2), Y(4), Y(6)};
}

/// Kinetic energy [eV] of mass [kg] at speed [m/s]: speed^2 (mass/2) / 1.6021e-19, or
/// (γ - 1) m c^2 / 1.6021e-19 under the relativistic method.
double kineticEnergyEv(double speed, double mass);

/// The species refresh (mouse over the Texte3 boxes, species click, run button): sets Charge and
/// Mass of runRecord() from the selected species of theCase(); for index 10 or 11 also evaluates
/// the field at the typed position and writes the cyclotron frequency |f| [Hz] into Texte3(10),
/// the Larmor diameter [m] into Texte3(11) and the kinetic energy [eV] into Texte3(14) (each
/// FormatSignif(x, 2)). The frequency and diameter are the selected species' own (gyrationOf:
/// its mass and charge, the velocity across B). Texte3(14) is tagged "busy" (kEnergyBoxTag)
/// meanwhile.
void SpeciesRefresh(int index);

/// The energy edit (Change of the Texte3 boxes): for index 14, unless the energy box is "busy",
/// rescales the typed velocity Texte3(3..5) to the kinetic energy typed in Texte3(14) [eV],
/// keeping its direction (FormatSignif(x, 3)). A zero speed, or an energy that is not a positive
/// number, leaves the boxes as they are and logs "_Texte3_Changefaute ...".
void EnergyEdit(int index);

/// Reads the drawing options of the case into the record: check boxes Coche1(0, 1) and the plot
/// points Texte3(12).
void readDrawingOptions(RunRecord& record, const CaseModel& model);
/// Reads the colour table Texte4(6..17) into entries 1..12 of `colours` (trajectory, E, B,
/// velocity: red, green, blue, 0..255); with absIntegerPart each entry is the absolute value of
/// the integer part of the box's value (the live re-read of a run).
void readColourTable(double (&colours)[13], const CaseModel& model, bool absIntegerPart);

} // namespace gyro
