// Speed of the spreadsheet curves: reading a 3072 × 3 range from a 100,000-row workbook (.xlsx
// and .ods, formulas recomputed), and drawing 3072 points in the four automatic views.
#include "dataplot/kelaxesviews.h"
#include "dataplot/sheetdrawing.h"
#include "kelaxes/kelaxesstate.h"
#include "scene/kelmirav.h"
#include "sheets/workbookreader.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>

using namespace gyro;

namespace {

// The 100,000-row workbooks, written once by the repository's script.
const QString& BigWorkbooks() {
    static QTemporaryDir dir;
    static const bool made = [] {
        const std::string command = "python3 \"" GYRO_SOURCE_DIR
                                    "/scripts/make-example-workbooks.py\" --rows 100000 --out \"" +
                                    dir.path().toStdString() + "\"";
        return std::system(command.c_str()) == 0;
    }();
    static const QString path = made ? dir.path() : QString();
    return path;
}

void ReadRange(benchmark::State& state, const char* ext) {
    const QString folder = BigWorkbooks();
    if (folder.isEmpty()) {
        state.SkipWithError("the workbooks could not be written (python3?)");
        return;
    }
    const std::string book = (folder + "/big" + ext).toStdString();
    for (auto _ : state) {
        const WorkbookText read = ReadWorkbookRange(book, "Feuille1", "C2:E3073", 3072);
        if (!read.ok() || read.rows != 3072) state.SkipWithError(read.message.c_str());
        benchmark::DoNotOptimize(read.text.data());
    }
}

void BM_ReadXlsx3072Of100000Rows(benchmark::State& state) {
    ReadRange(state, ".xlsx");
}
void BM_ReadOds3072Of100000Rows(benchmark::State& state) {
    ReadRange(state, ".ods");
}

struct QuietWindow : SheetTraceWindow {
    void echo(const std::string&) override {}
    void lineStyle(double) override {}
    void placeView(int, int, int) override {}
    void bringCommandsToFront() override {}
    bool printGraphs() const override { return false; }
    void endPrinterPage() override {}
};

void BM_DrawFourAutomaticViewsOf3072Points(benchmark::State& state) {
    auto link = std::make_unique<SheetLinkState>();
    std::string text;
    for (int i = 0; i < 3072; ++i) {
        const double t = 0.01 * i;
        text += std::to_string(std::cos(t)) + "\t" + std::to_string(std::sin(t)) + "\t" +
                std::to_string(t / 30) + "\r\n";
    }
    ParseLinkText(text, link->lastLinkText, link->table, link->rowCount, link->columnCount);
    KelaxesViews views(KelaxesLibrary::instance());
    FixedViewHost host;
    host.automatic = host.centring = true;
    QuietWindow window;
    auto k = std::make_unique<KelMirav>();
    k->setSurface(&views);
    k->setHost(&host);
    for (auto _ : state) {
        k->clearViews();
        DrawSheetViews(*k, *link, window, false);
        views.flush();
    }
}

} // namespace

BENCHMARK(BM_ReadXlsx3072Of100000Rows)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_ReadOds3072Of100000Rows)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_DrawFourAutomaticViewsOf3072Points)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
