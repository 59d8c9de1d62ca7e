// Reading and checking the command line's options.
#include "app/batchoptions.h"

#include "app/batch.h"
#include "settings/outputfile.h"
#include "simulation/casekeys.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <tuple>

namespace gyro {

namespace {

void addOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "Gyrotrace: the trajectory of a charged particle in electric and magnetic fields.\n"
        "Without arguments the main window opens; --batch runs one case without a window.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {"batch", "Run one case without a window and exit."},
        {"case", "Start from example <n> of ZEFRON.TMP in the current folder.", "n"},
        {"set",
         "Set a value of the case (repeatable). Keys: x y z vx vy vz energy species "
         "(electron|proton|xenon) shape (cylindrical|uniform|radial|dipole|double-dipole) "
         "Ex Ey Ez Bx By Bz P0..P11 errmax method (cash-karp|boris|relativistic) "
         "steps-per-gyration (Boris and relativistic steps per turn, from 4; default 32). "
         "cash-karp and boris compute the motion without relativity: a start speed at or above "
         "the speed of light is refused, from a tenth of it a warning is given. relativistic "
         "(Higuera-Cary) is right at any speed: energy, frequency, diameter, W, mu and Ek_eV "
         "then follow (gamma - 1) m c^2. A Boris or relativistic step is also bounded so that it "
         "never passes the end time, turns "
         "at most 1/N of a gyration at the strongest field it can meet, and moves the particle "
         "at most 1/N of the distance over which the field changes by its own size (at least "
         "the start distance from the origin / N).",
         "KEY=VALUE"},
        {"steps", "Number of accepted steps (default 100000; 0 computes none).", "n"},
        {"until", "Run until this simulated time [s]; the last step lands on it exactly.", "T"},
        {"use-hint",
         "Take the accuracy hint's proposal before the run (the Boris method when it costs "
         "fewer steps, else the suggested error limit), told in one line."},
        {"csv", "Write the trajectory table to <file> (- for standard output).", "file"},
        {"columns",
         "Add columns to the table, after the standard ones: a comma-separated list of W_rel "
         "(change of the energy invariant W since the start, divided by the largest kinetic "
         "energy reached so far), mu (magnetic moment, J/T), pitch_deg, gcx gcy gcz (guiding "
         "centre about the E x B drift, m).",
         "LIST"},
        {"every",
         "Write one row every <k> accepted steps (default 1); the last step is always written.",
         "k"},
        {"png", "Render the scene to a PNG image.", "file"},
        {"pdf", "Write the scene as a vector PDF page.", "file"},
        {"vtk",
         "Write the trajectory for ParaView as VTK XML PolyData (.vtp): one polyline with t, v, "
         "Bnorm, Ek_eV and the accuracy columns at its points.",
         "file.vtp"},
        {"vtk-field",
         "Write the case's field sampled on a grid around the trajectory as VTK XML ImageData "
         "(.vti).",
         "file.vti"},
        {"size",
         "Size of the PNG image, and the view whose shape the PDF page takes (default 1280x800).",
         "WxH"},
        {"keep-going",
         "Answer \"Yes\" to the warnings that ask a question (they are printed) instead of "
         "stopping the run."},
    });
}

// A whole number in [low, high]; decimal forms such as 1e5 are taken when they are whole.
bool readWhole(const QCommandLineParser& parser, const char* name, std::uint64_t low,
               std::uint64_t high, std::uint64_t& target, std::ostream& err) {
    if (!parser.isSet(name)) return true;
    const std::string text = parser.value(name).toStdString();
    const TypedNumber n = readTypedNumber(text);
    const bool ok = n.status == TypedNumber::Status::Ok && n.value == std::floor(n.value) &&
                    n.value >= static_cast<double>(low) && n.value <= static_cast<double>(high);
    if (!ok) {
        err << "gyrotrace: --" << name << " needs a whole number from " << low << " to " << high
            << ", got \"" << text << "\"\n";
        return false;
    }
    target = static_cast<std::uint64_t>(n.value);
    return true;
}

bool readSize(const QCommandLineParser& parser, QSize& size, std::ostream& err) {
    if (!parser.isSet("size")) return true;
    const QString text = parser.value("size");
    const QStringList wh = text.split('x');
    bool okW = false, okH = false;
    if (wh.size() == 2) size = QSize(wh[0].toInt(&okW), wh[1].toInt(&okH));
    using O = BatchOptions;
    if (!okW || !okH || size.width() < O::kMinSide || size.height() < O::kMinSide ||
        size.width() > O::kMaxSide || size.height() > O::kMaxSide) {
        err << "gyrotrace: --size needs WIDTHxHEIGHT (" << O::kMinSide << ".." << O::kMaxSide
            << "), got \"" << text.toStdString() << "\"\n";
        return false;
    }
    if (std::int64_t{size.width()} * size.height() > O::kMaxPixels) {
        err << "gyrotrace: --size " << text.toStdString() << " is more than the renderer can hold: "
            << "at most " << O::kMaxPixels << " pixels (for example 8192x8192)\n";
        return false;
    }
    return true;
}

// An output path, checked now rather than after the run: a folder, an empty name or a missing
// folder is refused at once.
bool readOutput(const QCommandLineParser& parser, const char* name, bool allowStdout,
                std::optional<std::string>& target, std::ostream& err) {
    if (!parser.isSet(name)) return true;
    const std::string path = parser.value(name).toStdString();
    if (allowStdout && path == "-") {
        target = path;
        return true;
    }
    const FileResult check = CheckOutputPath(path);
    if (!check.ok) {
        err << "gyrotrace: --" << name << ": " << check.message << "\n";
        return false;
    }
    target = path;
    return true;
}

// Options Qt's window takes itself (with one value, or none).
bool isWindowOption(const char* arg, bool& takesValue) {
    static const char* const withValue[] = {
        "platform",     "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
        "qwindowtitle", "qwindowicon",        "session",       "display", "geometry",
        "style",        "stylesheet",         "title",         "name",    "visual"};
    static const char* const alone[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    if (arg[0] != '-') return false;
    const char* name = arg + (arg[1] == '-' ? 2 : 1);
    const char* eq = std::strchr(name, '=');
    const std::size_t length = eq ? static_cast<std::size_t>(eq - name) : std::strlen(name);
    for (const char* option : withValue) {
        if (std::strlen(option) == length && std::strncmp(option, name, length) == 0) {
            takesValue = eq == nullptr;
            return true;
        }
    }
    for (const char* option : alone) {
        if (std::strcmp(option, name) == 0) {
            takesValue = false;
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<int> parseBatchOptions(const QStringList& arguments, BatchOptions& options,
                                     std::ostream& out, std::ostream& err) {
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(arguments)) {
        err << "gyrotrace: " << parser.errorText().toStdString() << "\n";
        return kBatchBadArguments;
    }
    if (parser.isSet("help")) {
        out << parser.helpText().toStdString();
        return kBatchOk;
    }
    if (parser.isSet("version")) {
        out << QCoreApplication::applicationName().toStdString() << " "
            << QCoreApplication::applicationVersion().toStdString() << "\n";
        return kBatchOk;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << "gyrotrace: unexpected argument \""
            << parser.positionalArguments().first().toStdString() << "\"\n";
        return kBatchBadArguments;
    }
    if (!parser.isSet("batch")) {
        err << "gyrotrace: the options of a run need --batch (the window takes none); see --help\n";
        return kBatchBadArguments;
    }
    using O = BatchOptions;
    if (!readWhole(parser, "steps", 0, O::kMaxWhole, options.steps, err) ||
        !readWhole(parser, "every", 1, O::kMaxWhole, options.every, err) ||
        !readWhole(parser, "case", 0, O::kMaxWhole, options.caseNumber, err) ||
        !readSize(parser, options.size, err)) {
        return kBatchBadArguments;
    }
    if (parser.isSet("until")) {
        const TypedNumber t = readTypedNumber(parser.value("until").toStdString());
        if (t.status != TypedNumber::Status::Ok || !(t.value > 0)) {
            err << "gyrotrace: --until needs a positive time in seconds, got \""
                << parser.value("until").toStdString() << "\"\n";
            return kBatchBadArguments;
        }
        options.until = t.value;
    }
    if (!readOutput(parser, "csv", true, options.csv, err) ||
        !readOutput(parser, "png", false, options.png, err) ||
        !readOutput(parser, "pdf", false, options.pdf, err) ||
        !readOutput(parser, "vtk", false, options.vtk, err) ||
        !readOutput(parser, "vtk-field", false, options.vtkField, err)) {
        return kBatchBadArguments;
    }
    // ParaView chooses its reader by the file's extension.
    for (const auto& [path, name, extension] :
         {std::tuple{&options.vtk, "vtk", ".vtp"},
          std::tuple{&options.vtkField, "vtk-field", ".vti"}}) {
        if (*path && std::filesystem::path(**path).extension() != extension) {
            err << "gyrotrace: --" << name << " writes a " << extension
                << " file: its name must end in " << extension << ", got \"" << **path << "\"\n";
            return kBatchBadArguments;
        }
    }
    if (parser.isSet("columns")) {
        std::string error;
        if (!parseAccuracyColumns(parser.value("columns").toStdString(), options.columns, error)) {
            err << "gyrotrace: --columns: " << error << "\n";
            return kBatchBadArguments;
        }
        if (!options.csv) {
            err << "gyrotrace: --columns adds columns to the table: it needs --csv\n";
            return kBatchBadArguments;
        }
    }
    options.keepGoing = parser.isSet("keep-going");
    options.useHint = parser.isSet("use-hint");
    for (const QString& setting : parser.values("set"))
        options.settings.push_back(setting.toStdString());
    return std::nullopt;
}

bool wantsCommandLine(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        bool takesValue = false;
        if (!isWindowOption(argv[i], takesValue)) return true;
        if (takesValue) ++i;
    }
    return false;
}

namespace {

QtMessageHandler previousHandler = nullptr;

void displayFailureHandler(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (type != QtFatalMsg) {
        if (previousHandler) previousHandler(type, context, message);
        return;
    }
    const char* display = std::getenv("DISPLAY");
    const std::string where = display && *display ? std::string("the display ") + display
                                                  : std::string("the chosen platform");
    std::fprintf(stderr,
                 "gyrotrace: the window needs a display, and %s cannot be used (%s).\n"
                 "gyrotrace: to run a case without a window use --batch (see gyrotrace "
                 "--help).\n",
                 where.c_str(), message.simplified().toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(kBatchBadArguments);
}

} // namespace

QtMessageHandler exitWhenTheDisplayFails() {
    previousHandler = qInstallMessageHandler(displayFailureHandler);
    return previousHandler;
}

std::optional<int> refuseWindowStart(int argc, char* argv[], std::ostream& err) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    for (int i = 1; i < argc; ++i) {
        bool takesValue = false;
        if (isWindowOption(argv[i], takesValue) && std::strstr(argv[i], "platform") != nullptr)
            return std::nullopt; // a platform chosen on the command line
    }
    auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM"))
        return std::nullopt;
    err << "gyrotrace: the window needs a display, and none is set (DISPLAY is empty).\n"
        << "gyrotrace: to run a case without a window use --batch (see gyrotrace --help).\n";
    return kBatchBadArguments;
#else
    (void)argc;
    (void)argv;
    (void)err;
    return std::nullopt;
#endif
}

} // namespace gyro
