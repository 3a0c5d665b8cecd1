// The sample streams: digits, the line rule, pixel formats and the grey or
// colour decision.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "encode/plain_scan.h"
#include "encode/sample_streams.h"
#include "tests/support/test_bitmap.h"

namespace {

using eps_export::TextBuffer;
using eps_test::Rgb;
using eps_test::TestBitmap;

// What the fast scan writes for a bitmap, and its grey or colour decision.
struct Scanned {
  std::string text;
  bool isColour;
};

Scanned FastScan(const TestBitmap& b) {
  TextBuffer text;
  const auto rows = b.Rows();
  const std::uint64_t pixels = std::uint64_t{rows.width} * rows.height;
  if (b.depth == 24) {
    EXPECT_TRUE(eps_export::ReserveSampleText(text, pixels, eps_export::kColourChars, 1u << 30));
    eps_export::ScanTrueColour(rows, text);
    return {std::string(text.View()), true};
  }
  const auto used = eps_export::FindUsedEntries(rows, b.depth);
  const bool colour = eps_export::UsesColour(used, b.description.data() + 40);
  EXPECT_TRUE(eps_export::ReserveSampleText(
      text, pixels, colour ? eps_export::kColourChars : eps_export::kGreyChars, 1u << 30));
  eps_export::ScanPalette(rows, b.depth, b.description.data() + 40, used, colour, text);
  return {std::string(text.View()), colour};
}

// `count` copies of `sample`, cut into lines of 72 characters.
std::string Lines(const std::string& sample, int count) {
  std::string out;
  int column = 0;
  for (int i = 0; i < count; ++i) {
    out += sample;
    column += static_cast<int>(sample.size());
    if (column == 72) {
      out += '\n';
      column = 0;
    }
  }
  return out;
}

TEST(HexDigits, LowercaseDigitsForEveryNibble) {
  const std::string expected = "0123456789abcdef";
  for (unsigned v = 0; v < 16; ++v) EXPECT_EQ(eps_export::HexDigit(v), expected[v]) << v;
}

TEST(AppendSample, WritesHighDigitFirst) {
  TextBuffer grey, colour;
  std::int32_t greyColumn = 0, colourColumn = 0;
  eps_export::AppendGreySample(grey, greyColumn, 171);
  eps_export::AppendColourSample(colour, colourColumn, 255, 0, 16);
  EXPECT_EQ(grey.View(), "ab");
  EXPECT_EQ(colour.View(), "ff0010");
  EXPECT_EQ(greyColumn, 2);
  EXPECT_EQ(colourColumn, 6);
}

struct LineCase {
  bool colour;
  int samples;
};

class LineRule : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineRule, CompleteLinesHold72CharactersAndEndWithLf) {
  const auto [colour, samples] = GetParam();
  TextBuffer text;
  std::int32_t column = 0;
  for (int i = 0; i < samples; ++i) {
    if (colour) {
      eps_export::AppendColourSample(text, column, 0x12, 0x34, 0x56);
    } else {
      eps_export::AppendGreySample(text, column, 0x9c);
    }
  }
  EXPECT_EQ(text.View(), Lines(colour ? "123456" : "9c", samples));
  EXPECT_EQ(text.Size(), eps_export::SampleTextSize(static_cast<unsigned>(samples),
                                                     colour ? 6 : 2));
}

INSTANTIATE_TEST_SUITE_P(GreyAndColour, LineRule,
                         ::testing::Values(LineCase{false, 0}, LineCase{false, 35},
                                           LineCase{false, 36}, LineCase{false, 37},
                                           LineCase{false, 72}, LineCase{false, 73},
                                           LineCase{true, 11}, LineCase{true, 12},
                                           LineCase{true, 13}, LineCase{true, 24},
                                           LineCase{true, 25}));

TEST(LineRule, LinesRunOnAcrossPixelRows) {
  // 37 grey samples in rows of 5 and of 8 give the same text as one long row.
  for (int width : {5, 8, 37}) {
    const int height = (37 + width - 1) / width;
    TestBitmap b = TestBitmap::Make(8, width, height, eps_test::GreyRamp(256));
    for (int i = 0; i < width * height; ++i) {
      b.SetIndex(static_cast<std::size_t>(i % width), static_cast<std::size_t>(i / width), 0x9c);
    }
    EXPECT_EQ(FastScan(b).text, Lines("9c", width * height)) << width;
  }
}

TEST(ScanPalette, OneBitPixelsAreMostSignificantBitFirst) {
  TestBitmap b = TestBitmap::Make(1, 9, 1, {{0, 0, 0}, {255, 255, 255}});
  b.rows = {0xa5, 0x80, 0x00, 0x00};
  const Scanned s = FastScan(b);
  EXPECT_EQ(s.text, "ff00ff0000ff00ffff");
  EXPECT_FALSE(s.isColour);
}

TEST(ScanPalette, FourBitPixelsAreHighNibbleFirst) {
  TestBitmap b = TestBitmap::Make(4, 3, 1, {{0, 0, 0}, {0x11, 0x11, 0x11}, {0x22, 0x22, 0x22},
                                            {0x33, 0x33, 0x33}});
  b.rows = {0x12, 0x30, 0x00, 0x00};
  EXPECT_EQ(FastScan(b).text, "112233");
}

TEST(ScanPalette, GreySampleIsTheEntrysRed) {
  TestBitmap b = TestBitmap::Make(8, 2, 1, {{7, 7, 7}, {200, 200, 200}});
  b.rows = {1, 0, 0, 0};
  EXPECT_EQ(FastScan(b).text, "c807");
}

TEST(ScanTrueColour, PixelsAreStoredBlueGreenRed) {
  TestBitmap b = TestBitmap::Make(24, 1, 1);
  b.rows = {0x01, 0x02, 0x03, 0x00};
  EXPECT_EQ(FastScan(b).text, "030201");
}

TEST(ScanTrueColour, GreyPixelsStillGiveColour) {
  TestBitmap b = TestBitmap::Make(24, 2, 1);
  b.rows = {9, 9, 9, 200, 200, 200, 0, 0};
  const Scanned s = FastScan(b);
  EXPECT_TRUE(s.isColour);
  EXPECT_EQ(s.text, "090909c8c8c8");
}

struct DecisionCase {
  const char* name;
  std::vector<Rgb> table;
  unsigned pixelIndex;  // every pixel uses this entry
  bool isColour;
};

class ColourDecision : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(ColourDecision, OnlyUsedEntriesCount) {
  const DecisionCase& c = GetParam();
  TestBitmap b = TestBitmap::Make(8, 3, 2, c.table);
  for (std::size_t y = 0; y < 2; ++y) {
    for (std::size_t x = 0; x < 3; ++x) b.SetIndex(x, y, c.pixelIndex);
  }
  EXPECT_EQ(FastScan(b).isColour, c.isColour);
  TextBuffer grey, colour;
  EXPECT_EQ(eps_export::PlainScan(b.Rows(), 8, b.description.data() + 40, grey, colour),
            c.isColour);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, ColourDecision,
    ::testing::Values(DecisionCase{"UnusedRedEntry", {{0, 0, 0}, {255, 0, 0}}, 0, false},
                      DecisionCase{"UsedRedEntry", {{0, 0, 0}, {255, 0, 0}}, 1, true},
                      DecisionCase{"BlueDiffersByOne", {{10, 10, 11}}, 0, true},
                      DecisionCase{"GreenDiffersByOne", {{10, 11, 10}}, 0, true},
                      DecisionCase{"NeutralEntry", {{10, 10, 10}}, 0, false}),
    [](const auto& p) { return std::string(p.param.name); });

struct UsedCase {
  const char* name;
  std::uint16_t depth;
  std::int32_t width;
  std::vector<std::uint8_t> row;  // one stored row, padding included
  std::vector<unsigned> used;
};

class UsedEntriesFound : public ::testing::TestWithParam<UsedCase> {};

TEST_P(UsedEntriesFound, PaddingIsNeverAPixel) {
  const UsedCase& c = GetParam();
  TestBitmap b = TestBitmap::Make(c.depth, c.width, 1);
  b.rows = c.row;
  const auto found = eps_export::FindUsedEntries(b.Rows(), c.depth);
  std::vector<unsigned> used;
  for (unsigned i = 0; i < 256; ++i) {
    if (found.used[i]) used.push_back(i);
  }
  EXPECT_EQ(used, c.used);
  EXPECT_EQ(found.count, c.used.size());
  if (!c.used.empty()) {
    EXPECT_EQ(found.highest, c.used.back());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Depths, UsedEntriesFound,
    ::testing::Values(UsedCase{"OneBitTailBitsIgnored", 1, 9, {0x00, 0x7f, 0xff, 0xff}, {0}},
                      UsedCase{"OneBitBoth", 1, 9, {0x00, 0x80, 0xff, 0xff}, {0, 1}},
                      UsedCase{"OneBitAllOnes", 1, 8, {0xff, 0x00, 0x00, 0x00}, {1}},
                      UsedCase{"FourBitLowNibbleOfOddWidthIgnored", 4, 3, {0x21, 0x3f, 0xee, 0xee},
                               {1, 2, 3}},
                      UsedCase{"EightBitPaddingIgnored", 8, 2, {5, 250, 99, 99}, {5, 250}}),
    [](const auto& p) { return std::string(p.param.name); });

struct ReserveCase {
  std::uint64_t pixels;
  unsigned chars;
  std::uint64_t limit;
  bool fits;
};

TEST(ReserveSampleText, RefusesTextBeyondTheLimitWithoutWrapping) {
  const ReserveCase cases[] = {
      {36, 2, 73, true},                       // one full line and its LF
      {36, 2, 72, false},
      {std::uint64_t{1} << 62, 6, UINT32_MAX, false},  // 6 x pixels would wrap in 64 bits
      {std::uint64_t{65535} * 65535, 6, UINT32_MAX, false},
  };
  for (const ReserveCase& c : cases) {
    TextBuffer text;
    EXPECT_EQ(eps_export::ReserveSampleText(text, c.pixels, c.chars, c.limit), c.fits)
        << c.pixels << " x " << c.chars;
  }
}

}  // namespace
