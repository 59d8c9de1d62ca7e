// The sheet plot of the command line: read, draw through the graph window's code, export.
#include "app/plotsheet.h"
#include "numerics/constants.h"

#include "dataplot/automaticviews.h"
#include "dataplot/kelaxesviews.h"
#include "dataplot/sheetdrawing.h"
#include "dataplot/sheetlinestyle.h"
#include "kelaxes/kelaxesstate.h"
#include "scene/kelmirav.h"
#include "settings/outputfile.h"
#include "settings/runtimefolder.h"
#include "sheets/cellrange.h"
#include "sheets/workbookreader.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <iostream>
#include <memory>
#include <string_view>

namespace gyro {

namespace {

struct PlotSheetOptions {
    QString book, sheet = kDefaultSheet, range = kDefaultRange, png, pdf;
    bool automatic = false, centre = false;
};

// Reads the options; false when they are not understood.
bool ParseOptions(const QStringList& args, PlotSheetOptions& o) {
    int i = static_cast<int>(args.indexOf("--plot-sheet"));
    if (i < 0) return false;
    for (; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--auto-views") {
            o.automatic = true;
        } else if (a == "--centre") {
            o.centre = true;
        } else if (!hasValue) {
            return false;
        } else if (a == "--plot-sheet") {
            o.book = args[++i];
        } else if (a == "--sheet") {
            o.sheet = args[++i];
        } else if (a == "--range") {
            o.range = args[++i];
        } else if (a == "--png") {
            o.png = args[++i];
        } else if (a == "--pdf") {
            o.pdf = args[++i];
        } else {
            return false;
        }
    }
    return !o.book.isEmpty() && (o.png.isEmpty() != o.pdf.isEmpty());
}

struct HeadlessWindow : SheetTraceWindow {
    HeadlessWindow(KelaxesViews& v, std::ostream& o) : views(v), out(o) {}
    void echo(const std::string& text) override { out << (text == LineBreak ? "\n" : text); }
    void lineStyle(double style) override { SetSheetLineStyle(views, style); }
    void placeView(int, int, int) override {}
    void bringCommandsToFront() override {}
    bool printGraphs() const override { return false; }
    void endPrinterPage() override {}
    KelaxesViews& views;
    std::ostream& out;
};

} // namespace

int runPlotSheet(const QStringList& args, std::ostream& out, std::ostream& err) {
    PlotSheetOptions o;
    if (!ParseOptions(args, o)) {
        err << kPlotSheetUsage << "\n";
        return 2;
    }
    CellRange range;
    if (const std::string problem = ParseRangeA1(o.range.toStdString(), range); !problem.empty()) {
        err << "gyrotrace: --range " << o.range.toStdString() << ": " << problem << "\n";
        return 2;
    }
    // The picture's place is checked before the workbook is read, not after.
    const QString output = o.pdf.isEmpty() ? o.png : o.pdf;
    if (const FileResult check = CheckOutputPath(output.toStdString()); !check.ok) {
        err << "gyrotrace: " << check.message << "\n";
        return 4;
    }
    const WorkbookText read = ReadWorkbookRange(o.book.toStdString(), o.sheet.toStdString(),
                                                o.range.toStdString(), kSheetTableRows);
    if (!read.ok()) {
        err << "gyrotrace: " << read.message << "\n";
        return 3;
    }
    auto state = std::make_unique<SheetLinkState>();
    std::string text = read.text.empty() ? std::string(LineBreak) : read.text;
    ParseLinkText(text, state->lastLinkText, state->table, state->rowCount, state->columnCount);
    if (SheetPointCount(state->table, state->rowCount) == 0) {
        err << "gyrotrace: " << QFileInfo(o.book).fileName().toStdString() << ": the range "
            << o.range.toStdString() << " of sheet " << o.sheet.toStdString()
            << " holds no point (no row whose x cell is a number): nothing to draw\n";
        return 3;
    }

    KelaxesLibrary& library = KelaxesLibrary::instance();
    library.params.noPrint = 1; // the views, not the printer page
    KelaxesViews views(library);
    FixedViewHost host;
    host.automatic = o.automatic;
    host.centring = o.centre;
    HeadlessWindow window(views, out);
    auto k = std::make_unique<KelMirav>();
    k->setSurface(&views);
    k->setHost(&host);
    DrawSheetViews(*k, *state, window, false);
    out.flush();
    views.flush();

    // One view, or the four composed on one picture; pictures at two pixels per surface unit.
    DrawingSurface composed;
    if (o.automatic) ComposeAutomaticViews(library, composed);
    const DrawingSurface& picture = o.automatic ? composed : library.view(0);
    QString error;
    const bool written = o.pdf.isEmpty()
                             ? picture.writePng(o.png, (picture.size() * 2).toSize(), &error)
                             : picture.writePdf(o.pdf, defaultPageLayout(), &error);
    if (!written) {
        err << "gyrotrace: " << error.toStdString() << "\n";
        return 4;
    }
    return 0;
}

int runPlotSheet(const QStringList& args) {
    return runPlotSheet(args, std::cout, std::cerr);
}

bool wantsPlotSheet(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--plot-sheet") return true;
    return false;
}

int runPlotSheetCommand(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    if (QGuiApplication::instance()) return runPlotSheet(args);
    // Pictures are drawn without a display: a machine without one must still run this.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    RuntimeFolderScope runtime; // Qt wants a private runtime folder
    QGuiApplication app(argc, argv);
    return runPlotSheet(args);
}

} // namespace gyro
