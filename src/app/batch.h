// Runs one case on the command line: no window, no question, numbers and pictures as output.
#pragma once

#include <QStringList>

#include <iosfwd>

namespace gyro {

/// Exit codes of a command-line run.
enum BatchExit : int {
    kBatchOk = 0,
    kBatchBadArguments = 2, ///< unknown option or key, bad value, bad output path, no display
    kBatchStopped = 3,      ///< a warning or a fault ended the run before its end
    kBatchOutputFailed = 4, ///< the table (file or standard output) or picture was not written
};

/// main() for a command-line run: runs runBatch on the process's arguments, with the table on
/// standard output and the rest on standard error. Without a picture to draw no Qt application
/// is made at all; with one, a QGuiApplication without a display (offscreen).
int runCommandLine(int argc, char* argv[]);

/// Runs the command line given in `arguments` (the program name first). The trajectory table
/// goes to its file or, for "--csv -", to `out`; the summary, warnings and progress to `err`.
/// Needs a QGuiApplication when --png is given. Returns the process exit code.
int runBatch(const QStringList& arguments, std::ostream& out, std::ostream& err);

} // namespace gyro
