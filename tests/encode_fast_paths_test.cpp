// The fast scans against the plain encoder, byte for byte, at every
// instruction-set level: all depths and stream kinds, widths 0 to 200 (every
// place a row can start and end on a line), several heights, both row orders,
// random rows with random padding.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "encode/plain_scan.h"
#include "encode/sample_streams.h"
#include "encode/scan_kernels.h"
#include "tests/support/test_bitmap.h"

namespace eps_export {
namespace {

using eps_test::Rgb;
using eps_test::TestBitmap;

enum class Table {
  kGreyRamp,     // entry i holds grey i: 8-bit grey takes the byte-hex path
  kGreyShuffle,  // neutral but not a ramp
  kColour,       // random colours
};

std::vector<Rgb> MakeTable(std::mt19937& random, Table kind, unsigned entries) {
  std::vector<Rgb> table;
  for (unsigned i = 0; i < entries; ++i) {
    const auto grey = static_cast<std::uint8_t>(kind == Table::kGreyRamp ? i : random());
    if (kind == Table::kColour) {
      table.push_back({static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                       static_cast<std::uint8_t>(random())});
    } else {
      table.push_back({grey, grey, grey});
    }
  }
  return table;
}

// Noise in every bit of every row that is not a pixel: no scan may read it.
void FillPadding(std::mt19937& random, TestBitmap& b) {
  const std::size_t pixelBits = static_cast<std::size_t>(b.width) * b.depth;
  for (std::size_t y = 0; y < b.StoredRows(); ++y) {
    std::uint8_t* row = b.rows.data() + y * b.Stride();
    for (std::size_t i = pixelBits / 8; i < b.Stride(); ++i) {
      const unsigned pixelPart = i == pixelBits / 8 ? static_cast<unsigned>(pixelBits % 8) : 0;
      const auto noise = static_cast<std::uint8_t>(random() & (0xFFu >> pixelPart));
      row[i] = static_cast<std::uint8_t>(row[i] | noise);
    }
  }
}

// Random pixels over the first `entries` entries of a table of exactly that
// many entries (reading past the used ones is a fault the sanitizers see).
TestBitmap MakeBitmap(std::mt19937& random, unsigned depth, std::uint32_t width,
                      std::uint32_t height, Table table, unsigned entries) {
  TestBitmap b =
      TestBitmap::Make(static_cast<std::uint16_t>(depth), static_cast<std::int32_t>(width),
                       static_cast<std::int32_t>(height),
                       depth == 24 ? std::vector<Rgb>{} : MakeTable(random, table, entries));
  b.FillRandom(static_cast<std::uint32_t>(random()), entries);
  FillPadding(random, b);
  return b;
}

const std::uint8_t* ColourTable(const TestBitmap& b) { return b.description.data() + 40; }

// What the fast scan at `level` writes into a buffer reserved to the exact
// size, with a guard zone after it that must stay untouched.
std::string FastScan(ScanLevel level, const TestBitmap& b, bool isColour) {
  constexpr std::size_t kGuard = 64;
  const PixelRows rows = b.Rows();
  const std::uint64_t pixels = std::uint64_t{rows.width} * rows.height;
  const std::size_t size =
      static_cast<std::size_t>(SampleTextSize(pixels, isColour ? kColourChars : kGreyChars));
  TextBuffer stream;
  EXPECT_TRUE(stream.Reserve(size + kGuard));
  std::memset(stream.Tail(), '#', size + kGuard);
  if (b.depth == 24) {
    ScanTrueColourAt(level, rows, stream);
  } else {
    const UsedEntries used = FindUsedEntries(rows, b.depth);
    ScanPaletteAt(level, rows, b.depth, ColourTable(b), used, isColour, stream);
  }
  EXPECT_EQ(stream.Size(), size);
  EXPECT_EQ(std::string(stream.Data() + size, kGuard), std::string(kGuard, '#'))
      << "wrote past the end of the stream";
  return std::string(stream.View());
}

class FastPaths : public ::testing::TestWithParam<ScanLevel> {
 protected:
  void SetUp() override {
    if (!ScanLevelRuns(GetParam())) GTEST_SKIP() << "this processor lacks the level";
  }

  // Both streams of a palette bitmap (the one the data does not choose is
  // forced) and the colour stream of a 24-bit one, against PlainScan, with the
  // rows stored in both orders.
  void CheckAgainstPlain(const TestBitmap& bottomUp, const std::string& what) {
    for (const TestBitmap& b : {bottomUp, bottomUp.Flipped()}) {
      const std::string order = b.height < 0 ? " top-down" : "";
      TextBuffer greyText, colourText;
      const bool plainColour = PlainScan(b.Rows(), b.depth, ColourTable(b), greyText, colourText);
      if (b.depth == 24) {
        ASSERT_EQ(FastScan(GetParam(), b, true), colourText.View()) << what << order;
        continue;
      }
      const UsedEntries used = FindUsedEntries(b.Rows(), b.depth);
      ASSERT_EQ(UsesColour(used, ColourTable(b)), plainColour) << what << order;
      ASSERT_EQ(FastScan(GetParam(), b, false), greyText.View()) << what << order << " grey";
      ASSERT_EQ(FastScan(GetParam(), b, true), colourText.View()) << what << order << " colour";
    }
  }
};

TEST_P(FastPaths, EveryWidthUpTo200MatchesThePlainEncoder) {
  struct Case {
    unsigned depth;
    Table table;
    unsigned entries;  // indices drawn below this; the table ends there
  };
  const Case cases[] = {
      {24, Table::kColour, 0},       {8, Table::kGreyRamp, 256},   {8, Table::kGreyRamp, 41},
      {8, Table::kGreyShuffle, 256}, {8, Table::kColour, 256},     {8, Table::kColour, 4},
      {4, Table::kGreyRamp, 16},     {4, Table::kGreyShuffle, 10}, {4, Table::kColour, 16},
      {1, Table::kGreyShuffle, 2},   {1, Table::kColour, 2},       {1, Table::kColour, 1},
  };
  std::mt19937 random(7);
  for (const Case& c : cases) {
    for (std::uint32_t height : {1u, 2u, 5u}) {
      for (std::uint32_t width = 0; width <= 200; ++width) {
        CheckAgainstPlain(MakeBitmap(random, c.depth, width, height, c.table, c.entries),
                          "depth " + std::to_string(c.depth) + " table " +
                              std::to_string(static_cast<int>(c.table)) + " " +
                              std::to_string(width) + "x" + std::to_string(height));
        if (HasFatalFailure()) return;
      }
    }
  }
}

// Photo-sized rows: many whole lines a row, rows starting at many columns.
TEST_P(FastPaths, WideRowsMatchThePlainEncoder) {
  struct Case {
    unsigned depth;
    Table table;
  };
  const Case cases[] = {{24, Table::kColour}, {8, Table::kColour},      {8, Table::kGreyRamp},
                        {4, Table::kColour},  {4, Table::kGreyShuffle}, {1, Table::kGreyShuffle},
                        {1, Table::kColour}};
  std::mt19937 random(11);
  for (const Case& c : cases) {
    for (std::uint32_t width : {4000u, 4001u, 4003u}) {
      const unsigned entries = c.depth == 24 ? 0 : 1u << c.depth;
      CheckAgainstPlain(MakeBitmap(random, c.depth, width, 9, c.table, entries),
                        "depth " + std::to_string(c.depth) + " width " + std::to_string(width));
      if (HasFatalFailure()) return;
    }
  }
}

std::string LevelName(const ::testing::TestParamInfo<ScanLevel>& level) {
  switch (level.param) {
    case ScanLevel::kPlain:
      return "Plain";
    case ScanLevel::kSsse3:
      return "Ssse3";
    case ScanLevel::kAvx2:
      return "Avx2";
  }
  return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(Levels, FastPaths,
                         ::testing::Values(ScanLevel::kPlain, ScanLevel::kSsse3, ScanLevel::kAvx2),
                         LevelName);

unsigned IndexAt(const TestBitmap& b, std::size_t x, std::size_t y) {
  const std::uint8_t* row = b.rows.data() + y * b.Stride();
  const unsigned perByte = 8u / b.depth;
  const unsigned shift = b.depth * (perByte - 1 - static_cast<unsigned>(x % perByte));
  return (row[x / perByte] >> shift) & ((1u << b.depth) - 1);
}

// The used-entry pass skips blocks of bytes whose values it has met and stops
// once every entry has turned up; it must still see an entry that appears
// once inside a block of a middle row, or only at the last pixel it visits,
// and never count the padding.
class UsedEntryPass : public FastPaths {};

TEST_P(UsedEntryPass, FindsLateEntriesAndIgnoresPadding) {
  struct Case {
    unsigned depth;
    std::uint32_t width;
  };
  const Case cases[] = {{1, 13},  {1, 16}, {4, 7},   {4, 8},   {4, 301},
                        {4, 640}, {8, 5},  {8, 300}, {8, 320}, {8, 333}};
  std::mt19937 random(3);
  for (const Case& c : cases) {
    for (std::uint32_t height : {1u, 17u, 40u}) {
      const unsigned entries = 1u << c.depth;
      // Most entries all over; one more once in the middle; the last one at
      // the last pixel (stored last, so visited last).
      const unsigned common = entries > 2 ? entries - 2 : 1;
      TestBitmap b = MakeBitmap(random, c.depth, c.width, height, Table::kColour, common);
      if (entries > 2) b.SetIndex(random() % c.width, height / 2, entries - 2);
      b.SetIndex(c.width - 1, height - 1, entries - 1);

      bool expected[256] = {};
      unsigned count = 0;
      for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t x = 0; x < c.width; ++x) {
          bool& seen = expected[IndexAt(b, x, y)];
          count += seen ? 0 : 1;
          seen = true;
        }
      }
      const UsedEntries used = FindUsedEntriesAt(GetParam(), b.Rows(), c.depth);
      for (unsigned i = 0; i < 256; ++i) {
        ASSERT_EQ(used.used[i], expected[i])
            << "entry " << i << " depth " << c.depth << " " << c.width << "x" << height;
      }
      EXPECT_EQ(used.count, count);
      EXPECT_EQ(used.highest, entries - 1);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, UsedEntryPass,
                         ::testing::Values(ScanLevel::kPlain, ScanLevel::kSsse3, ScanLevel::kAvx2),
                         LevelName);

}  // namespace
}  // namespace eps_export
