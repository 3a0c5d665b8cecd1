// Micro-benchmarks of the scans: sample text bytes made per second for each
// depth and stream, at every instruction-set level this processor runs.
//
//   build/bench/bench/scan_bench --benchmark_filter=Scan
//
// --iterations=N runs each benchmark exactly N times, so that instruction
// counts under callgrind compare per scan:
//   valgrind --tool=callgrind build/bench/bench/scan_bench --iterations=1
//       --benchmark_filter=Scan/rgb24
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "encode/sample_streams.h"
#include "encode/scan_kernels.h"

namespace eps_export {
namespace {

constexpr std::uint32_t kWidth = 4000;
constexpr std::uint32_t kHeight = 600;  // a fifth of the benchmark photo

struct Bitmap {
  std::vector<std::uint8_t> bits;
  std::vector<std::uint8_t> colourTable;
  PixelRows rows;
};

// Random rows and a colour table that is a grey ramp or random colours.
Bitmap MakeBitmap(unsigned depth, bool colour) {
  std::mt19937 random(depth * 2 + colour);
  Bitmap b;
  const std::size_t stride = (std::size_t{kWidth} * depth + 31) / 32 * 4;
  b.bits.resize(stride * kHeight);
  for (auto& v : b.bits) v = static_cast<std::uint8_t>(random());
  if (depth <= 8) {
    const unsigned entries = 1u << depth;
    for (unsigned i = 0; i < entries; ++i) {
      const auto grey = static_cast<std::uint8_t>(i * 255 / (entries - 1));
      for (int c = 0; c < 3; ++c) {
        b.colourTable.push_back(colour ? static_cast<std::uint8_t>(random()) : grey);
      }
      b.colourTable.push_back(0);
    }
  }
  b.rows = {b.bits.data(), stride, kWidth, kHeight, false};
  return b;
}

void ScanBitmap(benchmark::State& state, unsigned depth, bool colour, ScanLevel level) {
  if (!ScanLevelRuns(level)) {
    state.SkipWithError("level not available on this processor");
    return;
  }
  const Bitmap b = MakeBitmap(depth, colour);
  const UsedEntries used = FindUsedEntries(b.rows, depth);
  const std::uint64_t pixels = std::uint64_t{kWidth} * kHeight;
  const std::uint64_t size = SampleTextSize(pixels, colour ? kColourChars : kGreyChars);
  for (auto _ : state) {
    TextBuffer stream;
    if (!stream.Reserve(size)) state.SkipWithError("out of memory");
    if (depth == 24) {
      ScanTrueColourAt(level, b.rows, stream);
    } else {
      ScanPaletteAt(level, b.rows, depth, b.colourTable.data(), used, colour, stream);
    }
    benchmark::DoNotOptimize(stream.Data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}

void FindUsed(benchmark::State& state, unsigned depth, bool randomRows, ScanLevel level) {
  if (!ScanLevelRuns(level)) {
    state.SkipWithError("level not available on this processor");
    return;
  }
  Bitmap b = MakeBitmap(depth, false);
  // A narrow range of values never turns up every entry, so the pass runs to the end.
  if (!randomRows) {
    for (auto& v : b.bits) {
      v = static_cast<std::uint8_t>(depth == 8 ? 16 + v % 200 : depth == 4 ? v & 0x77 : 0);
    }
  }
  for (auto _ : state) benchmark::DoNotOptimize(FindUsedEntriesAt(level, b.rows, depth).count);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(b.bits.size()));
}

const char* LevelName(ScanLevel level) {
  switch (level) {
    case ScanLevel::kPlain:
      return "plain";
    case ScanLevel::kSsse3:
      return "ssse3";
    case ScanLevel::kAvx2:
      return "avx2";
  }
  return "?";
}

void RegisterAll(benchmark::IterationCount iterations) {
  struct Case {
    const char* name;
    unsigned depth;
    bool colour;
  };
  const Case cases[] = {{"rgb24", 24, true}, {"grey8", 8, false},  {"palette8", 8, true},
                        {"grey4", 4, false}, {"colour4", 4, true}, {"mono1", 1, false},
                        {"colour1", 1, true}};
  for (const Case& c : cases) {
    for (ScanLevel level : {ScanLevel::kPlain, ScanLevel::kSsse3, ScanLevel::kAvx2}) {
      const std::string name = std::string("Scan/") + c.name + "/" + LevelName(level);
      auto* b = benchmark::RegisterBenchmark(name.c_str(), ScanBitmap, c.depth, c.colour, level);
      b->Unit(benchmark::kMillisecond);
      if (iterations > 0) b->Iterations(iterations);
    }
  }
  for (unsigned depth : {1u, 4u, 8u}) {
    for (bool randomRows : {true, false}) {
      for (ScanLevel level : {ScanLevel::kPlain, ScanLevel::kSsse3, ScanLevel::kAvx2}) {
        const std::string name = "FindUsed/" + std::to_string(depth) +
                                 (randomRows ? "/all-used/" : "/some-unused/") + LevelName(level);
        auto* b = benchmark::RegisterBenchmark(name.c_str(), FindUsed, depth, randomRows, level);
        b->Unit(benchmark::kMillisecond);
        if (iterations > 0) b->Iterations(iterations);
      }
    }
  }
}

}  // namespace
}  // namespace eps_export

int main(int argc, char** argv) {
  benchmark::IterationCount iterations = 0;
  constexpr std::string_view kFlag = "--iterations=";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.substr(0, kFlag.size()) == kFlag) {
      iterations = std::stoll(std::string(arg.substr(kFlag.size())));
      for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      --i;
    }
  }
  eps_export::RegisterAll(iterations);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
