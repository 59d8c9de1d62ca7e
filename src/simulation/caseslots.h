// Named slots of the case model: which box of the main window holds which value of the case.
#pragma once

namespace gyro::slot {

// Texte3: position, velocity and the run's bookkeeping boxes.
inline constexpr int kX = 0;                     // initial position x, y, z [m]: 0..2
inline constexpr int kVx = 3;                    // initial velocity x, y, z [m/s]: 3..5
inline constexpr int kCircleRadius = 6;          // radius of the circle drawn in the X,Y plane [m]
inline constexpr int kExampleNumber = 7;         // number of the example in the memo
inline constexpr int kExampleMax = 8;            // highest example number in the memo
inline constexpr int kComment = 9;               // the example's comment
inline constexpr int kCyclotronFrequency = 10;   // computed read-out [Hz]
inline constexpr int kLarmorDiameter = 11;       // computed read-out [m]
inline constexpr int kPlotPointCount = 12;       // number of points plotted
inline constexpr int kPauseTime = 13;            // maximum time: the run pauses there [s]
inline constexpr int kEnergy = 14;               // kinetic energy [eV]
inline constexpr int kSpeciesMemo = 15;          // species index kept with the example
inline constexpr int kMethodMemo = 16;           // integration method kept with the example
inline constexpr int kStepsPerGyrationMemo = 17; // Boris steps per gyration kept with it
inline constexpr int kFieldMapPath = 18;         // file of the field map (shape kFieldMap)

// Texte4: electric field, arrow scale factors and the colour table.
inline constexpr int kEx = 0;          // E x, y, z [V/m]: 0..2
inline constexpr int kScaleE = 3;      // scale factor of the E arrows
inline constexpr int kScaleB = 4;      // scale factor of the B arrows
inline constexpr int kScaleV = 5;      // scale factor of the velocity arrows
inline constexpr int kColourTable = 6; // 12 colour components 6..17: velocity, B, E, trajectory

// Texte6: magnetic field and the shape parameters.
inline constexpr int kBx = 0;     // B0 x, y, z [T]: 0..2
inline constexpr int kParam0 = 3; // shape parameters P0..P11: 3..14

// Option4: the magnetic field shape.
inline constexpr int kCylindrical = 0;
inline constexpr int kUniform = 1;
inline constexpr int kRadial = 2; // 1/rho with curved field lines ("Dipôle field variable")
inline constexpr int kDipole = 3;
inline constexpr int kDoubleDipole = 4;
inline constexpr int kFieldMap = 5; // a field map read from a file

// Option5: the species.
inline constexpr int kElectron = 0;
inline constexpr int kProton = 1;
inline constexpr int kXenon = 2;

// Coche1: check boxes.
inline constexpr int kNoPrint = 0;
inline constexpr int kCubicView = 1;
inline constexpr int kDriftReadout = 2;
inline constexpr int kAutoScale = 3;
inline constexpr int kDrawVectors = 4;
inline constexpr int kReplace = 5;
inline constexpr int kOptionsColours = 6;
inline constexpr int kFieldLines = 7;

} // namespace gyro::slot
