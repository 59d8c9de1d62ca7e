// The command line's options: what a command-line run was asked to do.
#pragma once

#include "simulation/accuracycolumns.h"

#include <QSize>
#include <QStringList>
#include <QtGlobal>

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace gyro {

/// The options of a command-line run, read and checked.
struct BatchOptions {
    static constexpr std::uint64_t kDefaultSteps = 100000;
    /// Whether the run records its scene (a picture was asked for).
    bool wantsScene() const { return png.has_value() || pdf.has_value(); }
    /// Largest whole number an option takes: every whole number up to it is exact as a double.
    static constexpr std::uint64_t kMaxWhole = std::uint64_t{1} << 53;
    /// Most pixels of a picture: the renderer holds two 4-byte copies of it in memory.
    static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;
    static constexpr int kMinSide = 16;
    static constexpr int kMaxSide = 16384;

    std::uint64_t steps = kDefaultSteps;
    std::uint64_t every = 1;
    std::uint64_t caseNumber = 0; ///< 0: no example loaded
    std::optional<double> until;  ///< [s]
    bool keepGoing = false;
    bool useHint = false;           ///< take the accuracy hint's proposal before the run
    std::optional<std::string> csv; ///< "-" for standard output
    std::optional<std::string> png;
    std::optional<std::string> pdf;      ///< the scene as a vector PDF page
    std::optional<std::string> vtk;      ///< the trajectory as VTK XML PolyData (.vtp)
    std::optional<std::string> vtkField; ///< the field around it as VTK XML ImageData (.vti)
    QSize size{1280, 800};               ///< of the picture (the PDF page takes its shape)
    std::vector<std::string> settings;   ///< KEY=VALUE, in order
    std::vector<AccuracyColumn> columns; ///< added to the table after the standard ones
};

/// Reads `arguments` (the program name first) into `options`. Help and version go to `out`; a
/// refused argument gets one line on `err`. Returns the exit code when the program ends here
/// (help, version, a refused argument, an output that cannot be written), nothing when the run
/// goes on. Output paths are checked here, before any computing.
std::optional<int> parseBatchOptions(const QStringList& arguments, BatchOptions& options,
                                     std::ostream& out, std::ostream& err);

/// Whether the arguments are for the command line (--batch, --help, --version, or anything the
/// window does not take, which the command line then reports), rather than for the window.
bool wantsCommandLine(int argc, char* argv[]);

/// Checks that the window can open: on a system with X11 or Wayland, a display must be named
/// (or another platform chosen). Returns the exit code after a message on `err` when it cannot.
std::optional<int> refuseWindowStart(int argc, char* argv[], std::ostream& err);

/// Until the returned handler is put back, a fatal message of the drawing library (a display that
/// cannot be reached, a platform that does not exist) ends the program with the no-display
/// message and exit code 2 instead of an abort.
QtMessageHandler exitWhenTheDisplayFails();

} // namespace gyro
