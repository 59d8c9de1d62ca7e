// Entry point: opens the main window, or runs one case on the command line.
#include "app/batch.h"
#include "app/batchoptions.h"
#include "app/plotsheet.h"
#include "numerics/errorreport.h"
#include "simulation/programstate.h"
#include "ui/common/screenplacement.h"
#include "ui/mainwindow/frmdessin.h"

#include <QApplication>

#include <iostream>

int main(int argc, char* argv[]) {
    // --plot-sheet draws workbook curves into a picture file, offscreen, without a display.
    if (gyro::wantsPlotSheet(argc, argv)) return gyro::runPlotSheetCommand(argc, argv);
    // --batch, --help and --version need no display; any other option is reported there.
    if (gyro::wantsCommandLine(argc, argv)) return gyro::runCommandLine(argc, argv);
    // Without a display Qt would abort in its platform plugin: say what to do instead.
    if (const auto code = gyro::refuseWindowStart(argc, argv, std::cerr)) return *code;
    const QtMessageHandler handler = gyro::exitWhenTheDisplayFails();
    QApplication app(argc, argv);
    qInstallMessageHandler(handler);
    QApplication::setApplicationName("Gyrotrace");
    QApplication::setApplicationVersion(GYRO_VERSION);
    gyro::keepWindowsOnScreen(); // every window opens inside the available screen area
    int code = 0;
    {
        // The window's case, run record, integration choice and error report.
        const gyro::ScopedProgramState state;
        // The window installs its input box as the error report's asker and loads the start-up
        // and the last example.
        gyro::FrmDessin window;
        window.Form_Load();
        code = QApplication::exec();
    }
    return code;
}
