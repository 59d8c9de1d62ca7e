// The example memo: loading one example from a memo of 50,000 (a fresh program start reads the
// whole file), and saving one more. Target: a load well under one second.
#include "simulation/casememo.h"
#include "simulation/casemodel.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace gyro;

namespace {

constexpr int kExamples = 50000;

// A memo of kExamples examples in a folder of its own, made once.
const std::filesystem::path& bigMemoFolder() {
    static const std::filesystem::path folder = [] {
        const auto dir = std::filesystem::temp_directory_path() / "gyro_bench_memo";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        CaseModel model;
        CaseMemo one(dir);
        double n = 1;
        one.save(n, model);
        std::ifstream in(one.path(), std::ios::binary);
        const std::string record{std::istreambuf_iterator<char>(in), {}};
        std::ofstream out(one.path(), std::ios::binary | std::ios::trunc);
        for (int k = 0; k < kExamples; ++k) out << record;
        return dir;
    }();
    return folder;
}

void loadOneOfFiftyThousand(benchmark::State& state) {
    const auto& folder = bigMemoFolder();
    CaseModel model;
    for (auto _ : state) {
        CaseMemo memo(folder); // a fresh start: the file is read
        double n = kExamples / 2;
        benchmark::DoNotOptimize(memo.load(n, model));
    }
    state.counters["examples"] = kExamples;
}
BENCHMARK(loadOneOfFiftyThousand)->Unit(benchmark::kMillisecond);

void saveOneMoreAfterLoading(benchmark::State& state) {
    const auto& folder = bigMemoFolder();
    CaseModel model;
    for (auto _ : state) {
        CaseMemo memo(folder);
        double n = 1;
        memo.load(n, model);
        n = 1; // replaces the first example, so the file keeps its size
        memo.save(n, model);
    }
}
BENCHMARK(saveOneMoreAfterLoading)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
