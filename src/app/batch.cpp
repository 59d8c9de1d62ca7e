// The command-line run: read the options and the case, run it through the same driver as the
// window, write the trajectory table, the picture and a summary.
#include "app/batch.h"

#include "app/batchoptions.h"
#include "app/batchrun.h"
#include "draw3d/scenerenderer.h"
#include "draw3d/scenevector.h"
#include "numerics/errorreport.h"
#include "numerics/numberformat.h"
#include "settings/runtimefolder.h"
#include "simulation/accuracyhint.h"
#include "simulation/boris.h"
#include "simulation/caseexamples.h"
#include "simulation/casekeys.h"
#include "simulation/casememo.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/fields.h"
#include "simulation/integrationmethod.h"
#include "simulation/lightspeed.h"
#include "simulation/programstate.h"
#include "simulation/runrecord.h"
#include "simulation/runverdict.h"
#include "simulation/runwarnings.h"
#include "simulation/startup.h"
#include "simulation/trajectorycsv.h"
#include "simulation/vtkexport.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <array>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <optional>
#include <ostream>
#include <sstream>
#include <unistd.h>

namespace gyro {

namespace {

// The case to run: an example of the memo, then the --set values. Returns the exit code when
// the case cannot be run.
std::optional<int> prepareCase(CaseModel& model, const BatchOptions& options, std::ostream& err) {
    if (options.caseNumber > 0) {
        CaseMemo memo;
        const CaseMemo::Selector loaded =
            loadExample(model, memo, static_cast<double>(options.caseNumber));
        if (!loaded.moved) {
            err << "gyrotrace: --case " << options.caseNumber << ": no examples in "
                << memo.path().string() << "\n";
            return kBatchBadArguments;
        }
        err << "gyrotrace: example " << loaded.value << " of " << memo.count() << " loaded\n";
    }
    if (const std::string message = applyCaseSettings(model, options.settings); !message.empty()) {
        err << "gyrotrace: " << message << "\n";
        return kBatchBadArguments;
    }
    if (const auto problem = caseStartProblem(model)) {
        err << "gyrotrace: " << *problem << "\n";
        return kBatchBadArguments;
    }
    return std::nullopt;
}

// Why a run that ended early ended, for the exit line.
std::string stopReason(const StopAsker& asker, const BatchRun& run) {
    if (!asker.reason().empty()) return asker.reason();
    if (run.accepted() == 0) return "no step could be computed";
    return "the run ended after " + std::to_string(run.accepted()) + " steps, before its end";
}

void printSummary(const CaseModel& model, const BatchRun& run, bool complete, std::ostream& err) {
    const StateArray& Y = run.driver().state();
    // W = Ek - q E·(r - r0) is conserved by the exact motion, with or without E: its change is
    // the integration error (the kinetic energy alone changes wherever E does work).
    const EnergyInvariant& invariant = run.driver().invariant();
    const double change = invariant.relativeChange();
    err << "Cyclotron frequency (Hz): " << model.Texte3(slot::kCyclotronFrequency) << "\n"
        << "Larmor diameter (m): " << model.Texte3(slot::kLarmorDiameter) << "\n"
        << "Steps accepted: " << run.driver().acceptedSteps()
        << ", rejected: " << run.driver().rejectedSteps() << "\n"
        << "Final time (s): " << FormatGeneral(Y(static_cast<int>(Ldim))) << "\n"
        << "Energy invariant W relative change: " << FormatGeneral(change)
        << " (of the largest kinetic energy reached, "
        << FormatSignif(invariant.peakKinetic() / kElementaryCharge, 3) << " eV)\n";
    const IntegrationChoice& choice = integrationChoice();
    if (choice.method == IntegrationMethod::Boris)
        err << "Phase: " << borisPhaseText(choice.stepsPerGyration) << "\n";
    err << "Verdict: "
        << runVerdict(change, complete, !run.driver().speedWarning().empty(),
                      FieldModel(model).mapElectric())
        << "\n";
}

// Applies the hint's proposal: Boris when it takes fewer steps, else the suggested limit. Tells
// it in one line.
void useHint(CaseModel& model, const AccuracyHint& hint, std::ostream& err) {
    if (hint.offerBoris) {
        integrationChoice().method = IntegrationMethod::Boris;
        integrationChoice().stepsPerGyration = kDefaultStepsPerGyration;
        err << "gyrotrace: using the Boris method at 32 steps per gyration, as the accuracy hint "
               "proposes (the error limit "
            << FormatGeneral(model.Texte7Value()) << " m would let W drift by about "
            << QString::number(hint.expectedChange, 'g', 1).toStdString() << ")\n";
        return;
    }
    err << "gyrotrace: using the error limit " << hint.suggestedText
        << " m the accuracy hint proposes (W change about 1e-4 expected; "
        << QString::number(hint.expectedChange, 'g', 1).toStdString() << " with "
        << FormatGeneral(model.Texte7Value()) << " m)\n";
    model.setText(BoxFamily::Texte7, 0, hint.suggestedText);
}

// The camera of the pictures: everything the run drew, however far it went from its start.
ViewCamera pictureCamera(const BatchRun& run, QSize size) {
    ViewCamera camera = homeCamera(run.scene(), size);
    if (run.scene().bounds().valid) camera.fitBox(run.scene().bounds());
    return camera;
}

// Writes the PNG picture and the PDF page asked for; a failure is told on `err` at once, a file
// written gets a line in `written`. Returns false when one was not written.
bool writePictures(const BatchRun& run, const BatchOptions& options, std::ostream& err,
                   std::string& written) {
    const ViewCamera camera = pictureCamera(run, options.size);
    bool ok = true;
    auto tell = [&](bool done, const QString& error, const std::string& what,
                    const std::string& file) {
        if (done) {
            written += what + ": " + file + "\n";
        } else {
            err << "gyrotrace: " << error.toStdString() << "\n";
            ok = false;
        }
    };
    QString error;
    if (options.png) {
        const bool done = renderToPng(run.scene(), camera, options.size,
                                      QString::fromStdString(*options.png), &error);
        tell(done, error, "Picture", *options.png);
    }
    if (options.pdf) {
        error.clear();
        const bool done = exportScenePdf(run.scene(), camera, options.size,
                                         QString::fromStdString(*options.pdf), &error);
        tell(done, error, "PDF page", *options.pdf);
    }
    return ok;
}

// Writes the .vtp trajectory and the .vti field asked for; as writePictures.
bool writeVtkFiles(const VtkTrajectory& vtk, const CaseModel& model, const BatchOptions& options,
                   std::ostream& err, std::string& written) {
    bool ok = true;
    auto tell = [&](const FileResult& result, const std::string& what, const std::string& file) {
        if (result.ok) {
            written += what + ": " + file + "\n";
        } else {
            err << "gyrotrace: " << result.message << "\n";
            ok = false;
        }
    };
    if (options.vtk) tell(vtk.write(*options.vtk), "ParaView trajectory", *options.vtk);
    if (options.vtkField) {
        std::array<double, 3> low{}, high{};
        vtk.bounds(low, high);
        tell(writeFieldImage(*options.vtkField, model, sampleGridAround(low, high, model)),
             "ParaView field", *options.vtkField);
    }
    return ok;
}

// The process's arguments as QCoreApplication would give them, without one.
QStringList argumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i) arguments.push_back(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// Whether the command line needs the GUI's side of Qt: a picture to draw, or arguments that do
// not read as the command line's own (Qt's window options, such as -platform, which the GUI
// application takes out; a mistake is then reported as before).
bool needsGui(const QStringList& arguments) {
    BatchOptions options;
    std::ostringstream out, err;
    if (const auto code = parseBatchOptions(arguments, options, out, err)) return *code != kBatchOk;
    return options.wantsScene();
}

} // namespace

int runCommandLine(int argc, char* argv[]) {
    // A reader that goes away (`--csv - | head`) makes writes fail with EPIPE, told as an
    // output that could not be written, rather than killing the program with a signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    QCoreApplication::setApplicationName("Gyrotrace");
    QCoreApplication::setApplicationVersion(GYRO_VERSION);
    int code = 0;
    if (const QStringList arguments = argumentsOf(argc, argv); !needsGui(arguments)) {
        // Numbers only: no Qt application at all, so no platform plug-in, fonts or runtime
        // folder to set up (most of a short run's start otherwise).
        code = runBatch(arguments, std::cout, std::cerr);
    } else {
        // A picture is drawn offscreen, into an image: no display needed.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        // Qt wants a private runtime folder; without a desktop session there is none.
        RuntimeFolderScope runtime;
        QGuiApplication app(argc, argv);
        code = runBatch(QCoreApplication::arguments(), std::cout, std::cerr);
    }
    // A table or help text that did not reach standard output (a full disk, a closed output) is
    // a failed run, not a success.
    if (!std::cout.flush() && code != kBatchOutputFailed) {
        std::cerr << "gyrotrace: cannot write to standard output\n";
        code = kBatchOutputFailed;
    }
    return code;
}

int runBatch(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchOptions options;
    if (const auto code = parseBatchOptions(arguments, options, out, err)) return *code;

    // The run's own case, record, integration choice and report, current while it goes on.
    const ScopedProgramState state;
    // The working site is read when there is one; a batch run never writes or asks.
    Demarrage({}, StartupMode::ReadOnly);
    StopAsker asker(ErrorReport::instance(), options.keepGoing);
    WarningPrinter warnings(ErrorReport::instance(), err);
    CaseModel& model = theCase();
    if (const auto code = prepareCase(model, options, err)) return *code;
    SpeciesRefresh(slot::kCyclotronFrequency);
    readDrawingOptions(runRecord(), model);
    for (const std::string& warning : relativisticWarningsAtStart(model))
        err << "gyrotrace: warning: " << warning << "\n";
    // The same hint as the window's, judged over the run asked: a warning, and the run goes on
    // (or, with --use-hint, its proposal is taken).
    RunSpan span;
    if (options.until) {
        span.seconds = *options.until;
    } else {
        span.steps = static_cast<double>(options.steps);
    }
    if (integrationChoice().method == IntegrationMethod::CashKarp) {
        const AccuracyHint hint = accuracyHintForCase(model, span);
        if (hint.shown && options.useHint) {
            useHint(model, hint, err);
        } else if (hint.shown) {
            err << "gyrotrace: warning: " << hint.text << "\n";
        }
    }

    TrajectoryCsvWriter table(runRecord().Mass);
    std::vector<std::string> headers;
    for (AccuracyColumn column : options.columns) headers.emplace_back(accuracyColumnName(column));
    table.setExtraColumns(std::move(headers));
    const bool tableFile = options.csv && *options.csv != "-";
    if (options.csv && !tableFile) table.openStream(out, "standard output");
    if (tableFile) {
        const FileResult opened = table.open(*options.csv);
        if (!opened.ok) {
            err << "gyrotrace: " << opened.message << "\n";
            return kBatchOutputFailed;
        }
    }

    std::optional<VtkTrajectory> vtk;
    if (options.vtk || options.vtkField) {
        std::vector<std::string> names;
        for (AccuracyColumn column : BatchRun::vtkColumns())
            names.emplace_back(accuracyColumnName(column));
        vtk.emplace(runRecord().Mass, std::move(names));
    }

    BatchRun run(model, options.wantsScene());
    const BatchRun::End end =
        run.run(options, options.csv ? &table : nullptr, vtk ? &*vtk : nullptr, warnings, err);
    if (end == BatchRun::End::Refused) {
        err << "gyrotrace: the case was refused\n";
        return kBatchBadArguments;
    }
    int code = kBatchOk;
    if (end == BatchRun::End::Stopped) {
        err << "gyrotrace: stopped: " << stopReason(asker, run) << "\n";
        code = kBatchStopped;
    } else if (end == BatchRun::End::PauseTime) {
        err << "gyrotrace: the run ended at the case's pause time\n";
    }
    bool tableWritten = false;
    if (options.csv) {
        const FileResult committed = table.commit();
        if (end == BatchRun::End::OutputFailed || !committed.ok) {
            err << "gyrotrace: "
                << (committed.ok ? "cannot write " + *options.csv : committed.message) << "\n";
            code = kBatchOutputFailed;
        } else {
            tableWritten = tableFile;
        }
    }
    std::string pictures;
    if (!writePictures(run, options, err, pictures)) code = kBatchOutputFailed;
    if (vtk && !writeVtkFiles(*vtk, model, options, err, pictures)) code = kBatchOutputFailed;

    warnings.printCounts();
    printSummary(model, run, end == BatchRun::End::Reached || end == BatchRun::End::PauseTime, err);
    if (tableWritten) err << "Trajectory table: " << *options.csv << "\n";
    err << pictures;
    return code;
}

} // namespace gyro
