// The Gerber reader on generated boards, from memory and through the file.
// `bench_gerber --write-board <draws+flashes> <file>` writes a board for the
// whole-process timing of bench/jobs.py instead.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/gerber_board.h"
#include "model/drawing.h"
#include "readers/gerber/gerber.h"

namespace {

gerber_board::Counts Split(int total) { return {total * 3 / 5, total - total * 3 / 5}; }

void BM_ReadGerberData(benchmark::State& state) {
  std::string board = gerber_board::MakeBoard(Split(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    Drawing drawing;
    ReadGerberData(reinterpret_cast<const uint8_t*>(board.data()), static_cast<int64_t>(board.size()), &drawing);
    benchmark::DoNotOptimize(drawing.inserts.count);
    DrawingFree(&drawing);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(board.size()));
}
BENCHMARK(BM_ReadGerberData)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_GbrProc(benchmark::State& state) {
  std::string board = gerber_board::MakeBoard(Split(static_cast<int>(state.range(0))));
  const char* name = "bench_gerber_board.gbr";
  std::FILE* f = std::fopen(name, "wb");
  if (!f || std::fwrite(board.data(), 1, board.size(), f) != board.size()) {
    state.SkipWithError("cannot write the board");
    return;
  }
  std::fclose(f);
  for (auto _ : state) {
    Drawing drawing;
    gbr_proc(name, &drawing);
    benchmark::DoNotOptimize(drawing.inserts.count);
    DrawingFree(&drawing);
  }
  std::remove(name);
}
BENCHMARK(BM_GbrProc)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--write-board") == 0) {
    std::string board = gerber_board::MakeBoard(Split(std::atoi(argv[2])));
    std::FILE* f = std::fopen(argv[3], "wb");
    bool ok = f && std::fwrite(board.data(), 1, board.size(), f) == board.size();
    if (f) std::fclose(f);
    return ok ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
