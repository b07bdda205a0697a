// Reading speed of the DXF reader on a generated drawing of about 20,000 mixed
// entities (lines, arcs, circles, light and heavy polylines with bulges,
// texts, MTEXT, inserts), in the layout CAD programs write: right-aligned
// group codes and six decimals.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <string>

#include "readers/dxf/dxf.h"
#include "readers/dxf/dxf_internal.h"

namespace {

constexpr int kEntities = 20000;

void Pair(std::string& out, int code, const char* value) {
  char line[96];
  std::snprintf(line, sizeof line, "%3d\n%s\n", code, value);
  out += line;
}

void Pair(std::string& out, int code, double value) {
  char text[48];
  std::snprintf(text, sizeof text, "%.6f", value);
  Pair(out, code, text);
}

std::string GenerateDrawing(int entities) {
  std::string out;
  out.reserve(static_cast<size_t>(entities) * 200);
  Pair(out, 0, "SECTION");
  Pair(out, 2, "HEADER");
  Pair(out, 9, "$EXTMIN");
  Pair(out, 10, 0.0);
  Pair(out, 20, 0.0);
  Pair(out, 9, "$EXTMAX");
  Pair(out, 10, 1000.0);
  Pair(out, 20, 1000.0);
  Pair(out, 0, "ENDSEC");
  Pair(out, 0, "SECTION");
  Pair(out, 2, "TABLES");
  Pair(out, 0, "TABLE");
  Pair(out, 2, "LTYPE");
  for (const char* name : {"CONTINUOUS", "DASHED"}) {
    Pair(out, 0, "LTYPE");
    Pair(out, 2, name);
    Pair(out, 73, "2");
    Pair(out, 49, 0.5);
    Pair(out, 49, -0.25);
  }
  Pair(out, 0, "ENDTAB");
  Pair(out, 0, "TABLE");
  Pair(out, 2, "LAYER");
  for (int i = 0; i < 8; ++i) {
    Pair(out, 0, "LAYER");
    Pair(out, 2, ("LAYER" + std::to_string(i)).c_str());
    Pair(out, 62, std::to_string(i + 1).c_str());
    Pair(out, 6, i % 2 ? "DASHED" : "CONTINUOUS");
  }
  Pair(out, 0, "ENDTAB");
  Pair(out, 0, "ENDSEC");
  Pair(out, 0, "SECTION");
  Pair(out, 2, "BLOCKS");
  Pair(out, 0, "BLOCK");
  Pair(out, 2, "MARK");
  Pair(out, 0, "CIRCLE");
  Pair(out, 8, "LAYER1");
  Pair(out, 40, 1.0);
  Pair(out, 0, "ENDBLK");
  Pair(out, 0, "ENDSEC");
  Pair(out, 0, "SECTION");
  Pair(out, 2, "ENTITIES");
  for (int i = 0; i < entities; ++i) {
    const double x = (i * 37) % 1000 + 0.125;
    const double y = (i * 91) % 1000 + 0.375;
    const std::string layer = "LAYER" + std::to_string(i % 8);
    switch (i % 8) {
      case 0:
      case 1:
      case 2:
        Pair(out, 0, "LINE");
        Pair(out, 8, layer.c_str());
        Pair(out, 10, x);
        Pair(out, 20, y);
        Pair(out, 30, 0.0);
        Pair(out, 11, x + 10);
        Pair(out, 21, y + 5);
        Pair(out, 31, 0.0);
        break;
      case 3:
        Pair(out, 0, i % 16 == 3 ? "ARC" : "CIRCLE");
        Pair(out, 8, layer.c_str());
        Pair(out, 10, x);
        Pair(out, 20, y);
        Pair(out, 30, 0.0);
        Pair(out, 40, 4.5);
        if (i % 16 == 3) {
          Pair(out, 50, 30.0);
          Pair(out, 51, 120.0);
        }
        break;
      case 4:
        Pair(out, 0, "LWPOLYLINE");
        Pair(out, 8, layer.c_str());
        Pair(out, 90, "4");
        Pair(out, 70, "1");
        for (int v = 0; v < 4; ++v) {
          Pair(out, 10, x + (v & 1) * 5);
          Pair(out, 20, y + (v >> 1) * 5);
          if (v == 1) Pair(out, 42, 0.4);
        }
        break;
      case 5:
        Pair(out, 0, "TEXT");
        Pair(out, 8, layer.c_str());
        Pair(out, 10, x);
        Pair(out, 20, y);
        Pair(out, 40, 2.5);
        Pair(out, 1, "Room 101 %%d");
        Pair(out, 72, "1");
        Pair(out, 11, x);
        Pair(out, 21, y);
        break;
      case 6:
        if (i % 16 == 6) {
          Pair(out, 0, "MTEXT");
          Pair(out, 8, layer.c_str());
          Pair(out, 10, x);
          Pair(out, 20, y);
          Pair(out, 40, 2.0);
          Pair(out, 71, "1");
          Pair(out, 1, "{\\fArial|b0;Title}\\PSecond line \\C1;red");
        } else {
          Pair(out, 0, "INSERT");
          Pair(out, 8, layer.c_str());
          Pair(out, 2, "MARK");
          Pair(out, 10, x);
          Pair(out, 20, y);
          Pair(out, 50, 45.0);
        }
        break;
      case 7:
        Pair(out, 0, "POLYLINE");
        Pair(out, 8, layer.c_str());
        Pair(out, 66, "1");
        Pair(out, 70, "0");
        for (int v = 0; v < 3; ++v) {
          Pair(out, 0, "VERTEX");
          Pair(out, 8, layer.c_str());
          Pair(out, 10, x + v * 3);
          Pair(out, 20, y - v);
          Pair(out, 30, 0.0);
        }
        Pair(out, 0, "SEQEND");
        break;
    }
  }
  Pair(out, 0, "ENDSEC");
  Pair(out, 0, "EOF");
  return out;
}

const std::string& Drawing20k() {
  static const std::string text = GenerateDrawing(kEntities);
  return text;
}

// From a file, as the program reads it.
void BM_DxfReadFile(benchmark::State& state) {
  const std::string& text = Drawing20k();
  char path[] = "/tmp/kartex_bench_XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    state.SkipWithError("cannot write the drawing");
    return;
  }
  close(fd);
  for (auto _ : state) {
    Drawing d;
    int ok = dxf_proc(path, &d);
    benchmark::DoNotOptimize(ok);
    DrawingFree(&d);
  }
  unlink(path);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
  state.counters["entities"] = kEntities;
}
BENCHMARK(BM_DxfReadFile)->Unit(benchmark::kMillisecond);

// From memory: the reader alone.
void BM_DxfReadMemory(benchmark::State& state) {
  const std::string& text = Drawing20k();
  for (auto _ : state) {
    Drawing d;
    int ok = dxf_proc_memory(text.data(), text.size(), &d);
    benchmark::DoNotOptimize(ok);
    DrawingFree(&d);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_DxfReadMemory)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
