// CreatePicture end to end: files, result codes and what each path leaves behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "plugin/bitmap_source.h"
#include "plugin/exports.h"
#include "tests/support/expected_document.h"
#include "tests/support/host.h"
#include "tests/support/test_bitmap.h"

namespace {

using eps_export::ResultBadBitmap;
using eps_export::ResultFileError;
using eps_export::ResultNotAvailable;
using eps_export::ResultOk;
using eps_export::ResultOutOfMemory;
using eps_export::ResultUnsupportedDepth;
using eps_test::ExpectedDocument;
using eps_test::ExportByHandles;
using eps_test::ExportByPointers;
using eps_test::TestBitmap;

class CreatePictureTest : public eps_test::ScratchFolder {};

TEST_F(CreatePictureTest, OnePixelTrueColourFile) {
  TestBitmap b = TestBitmap::Make(24, 1, 1);
  b.rows = {0x01, 0x02, 0x03, 0x00};
  ASSERT_EQ(ExportByPointers(PathOf("one.eps"), b), ResultOk);
  const std::string file = ReadFile(PathOf("one.eps"));
  EXPECT_EQ(file.size(), 537u);
  EXPECT_EQ(file, eps_test::ExpectedHeader(true, 1, 1) + "030201" + eps_test::kExpectedTrailer);
}

TEST_F(CreatePictureTest, OnePixelBlackAndWhiteFile) {
  TestBitmap b = TestBitmap::Make(1, 1, 1, {{0, 0, 0}, {255, 255, 255}});
  b.rows = {0x80, 0, 0, 0};
  ASSERT_EQ(ExportByHandles(PathOf("one.eps"), b).result, ResultOk);
  const std::string file = ReadFile(PathOf("one.eps"));
  EXPECT_EQ(file.size(), 491u);
  EXPECT_EQ(file, eps_test::ExpectedHeader(false, 1, 1) + "ff" + eps_test::kExpectedTrailer);
}

TEST_F(CreatePictureTest, EmptyPictureHoldsOnlyHeaderAndTrailer) {
  const TestBitmap b = TestBitmap::Make(24, 0, 0);
  ASSERT_EQ(ExportByPointers(PathOf("empty.eps"), b), ResultOk);
  EXPECT_EQ(ReadFile(PathOf("empty.eps")),
            eps_test::ExpectedHeader(true, 0, 0) + eps_test::kExpectedTrailer);
}

// Depth and palette kind of the format matrix.
struct Format {
  const char* name;
  std::uint16_t depth;
  std::vector<eps_test::Rgb> table;
};

const Format kFormats[] = {
    {"1bit", 1, {{0, 0, 0}, {255, 255, 255}}},
    {"1bitColour", 1, {{0, 0, 255}, {255, 255, 0}}},
    {"4bitGrey", 4, eps_test::GreyRamp(16)},
    {"4bitColour", 4, eps_test::ColourTable(16)},
    {"8bitGrey", 8, eps_test::GreyRamp(256)},
    {"8bitColour", 8, eps_test::ColourTable(256)},
    {"24bit", 24, {}},
};

// Widths around the byte, row-padding and 72-character line boundaries.
const std::int32_t kWidths[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 11, 12, 13, 31,
                                32, 33, 35, 36, 37, 63, 64, 65, 71, 72, 73};
const std::int32_t kHeights[] = {0, 1, 2, 5};

class FormatMatrix : public CreatePictureTest,
                     public ::testing::WithParamInterface<Format> {};

TEST_P(FormatMatrix, EveryWidthAndHeightInBothModesIsExact) {
  const Format& f = GetParam();
  for (std::int32_t width : kWidths) {
    for (std::int32_t height : kHeights) {
      TestBitmap b = TestBitmap::Make(f.depth, width, height, f.table);
      b.FillRandom(static_cast<std::uint32_t>(width * 31 + height),
                   static_cast<unsigned>(f.table.size()));
      const std::string expected = ExpectedDocument(b);
      const std::string where = std::to_string(width) + "x" + std::to_string(height);

      const auto byHandles = ExportByHandles(PathOf("h.eps"), b);
      ASSERT_EQ(byHandles.result, ResultOk) << where;
      EXPECT_EQ(byHandles.descriptionLocks + byHandles.rowLocks, 0u) << where;
      ASSERT_EQ(ReadFile(PathOf("h.eps")), expected) << where;

      ASSERT_EQ(ExportByPointers(PathOf("p.eps"), b), ResultOk) << where;
      ASSERT_EQ(ReadFile(PathOf("p.eps")), expected) << where;

      // Stored top-down, the same picture gives the same file.
      ASSERT_EQ(ExportByHandles(PathOf("t.eps"), b.Flipped()).result, ResultOk) << where;
      ASSERT_EQ(ReadFile(PathOf("t.eps")), expected) << where << " top-down";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatMatrix, ::testing::ValuesIn(kFormats),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(CreatePictureTest, PaletteOutputFollowsTheUsedEntries) {
  // Entry 1 is red; only pixels that use it make the file colour.
  TestBitmap b = TestBitmap::Make(8, 4, 1, {{9, 9, 9}, {255, 0, 0}});
  ASSERT_EQ(ExportByPointers(PathOf("grey.eps"), b), ResultOk);
  EXPECT_EQ(ReadFile(PathOf("grey.eps")),
            eps_test::ExpectedHeader(false, 4, 1) + "09090909" + eps_test::kExpectedTrailer);
  b.SetIndex(2, 0, 1);
  ASSERT_EQ(ExportByPointers(PathOf("colour.eps"), b), ResultOk);
  EXPECT_EQ(ReadFile(PathOf("colour.eps")), eps_test::ExpectedHeader(true, 4, 1) +
                                                "090909090909ff0000090909" +
                                                eps_test::kExpectedTrailer);
}

TEST_F(CreatePictureTest, ExistingFileIsReplaced) {
  {
    std::ofstream old(PathOf("old.eps"), std::ios::binary);
    old << std::string(5000, 'x');
  }
  TestBitmap b = TestBitmap::Make(24, 1, 1);
  b.rows = {1, 2, 3, 0};
  ASSERT_EQ(ExportByPointers(PathOf("old.eps"), b), ResultOk);
  EXPECT_EQ(ReadFile(PathOf("old.eps")), ExpectedDocument(b));
}

TEST_F(CreatePictureTest, MissingFolderIsAFileError) {
  const TestBitmap b = TestBitmap::Make(24, 1, 1);
  const auto outcome = ExportByHandles(PathOf("no/such/folder/x.eps"), b);
  EXPECT_EQ(outcome.result, ResultFileError);
  EXPECT_EQ(outcome.descriptionLocks + outcome.rowLocks, 0u);
  EXPECT_FALSE(Exists("no"));
}

TEST_F(CreatePictureTest, PathThatIsAFolderIsAFileError) {
  const TestBitmap b = TestBitmap::Make(24, 1, 1);
  EXPECT_EQ(ExportByPointers(PathOf(""), b), ResultFileError);
}

// Inputs the export refuses before it creates anything.
struct Refusal {
  const char* name;
  TestBitmap bitmap;
  std::int32_t result;
};

TestBitmap WithField(TestBitmap b, std::size_t offset, std::uint32_t value) {
  TestBitmap::Put32(b.description, offset, value);
  return b;
}

TestBitmap Truncated(TestBitmap b, std::size_t descriptionSize, std::size_t rowsSize) {
  b.description.resize(descriptionSize);
  b.rows.resize(rowsSize);
  return b;
}

std::vector<Refusal> Refusals() {
  const auto bw = std::vector<eps_test::Rgb>{{0, 0, 0}, {255, 255, 255}};
  TestBitmap indexBeyondTable = TestBitmap::Make(8, 3, 2, eps_test::GreyRamp(4));
  indexBeyondTable.SetIndex(1, 1, 4);
  TestBitmap lastEntryUsed = TestBitmap::Make(8, 3, 2, eps_test::GreyRamp(4));
  lastEntryUsed.SetIndex(1, 1, 3);
  return {
      {"Depth16", TestBitmap::Make(16, 2, 2), ResultUnsupportedDepth},
      {"Depth32", TestBitmap::Make(32, 2, 2), ResultUnsupportedDepth},
      {"Depth2", TestBitmap::Make(2, 2, 2, bw), ResultUnsupportedDepth},
      {"Depth0", TestBitmap::Make(0, 2, 2), ResultUnsupportedDepth},
      {"NegativeWidth", WithField(TestBitmap::Make(24, 2, 2), 4, 0xFFFFFFFEu), ResultBadBitmap},
      {"NegativeWidthTopDown", WithField(WithField(TestBitmap::Make(24, 2, 2), 4, 0xFFFFFFFEu), 8,
                                         0xFFFFFFFEu),
       ResultBadBitmap},
      {"HeightWithoutMagnitude", WithField(TestBitmap::Make(24, 1, 1), 8, 0x80000000u),
       ResultBadBitmap},
      {"DescriptionShorterThanHeader", Truncated(TestBitmap::Make(24, 1, 1), 39, 4),
       ResultBadBitmap},
      {"RowsShorterThanStrideTimesHeight", Truncated(TestBitmap::Make(24, 5, 3), 40, 47),
       ResultBadBitmap},
      {"TopDownRowsShort", Truncated(TestBitmap::Make(1, 33, -2, bw), 48, 15), ResultBadBitmap},
      {"ColourTableMissingAnEntry", TestBitmap::Make(1, 1, 1, {{0, 0, 0}}).Flipped(),
       ResultOk},  // only entry 0 is used
      {"IndexBeyondColourTable", indexBeyondTable, ResultBadBitmap},
      {"LastTableEntryUsed", lastEntryUsed, ResultOk},
      {"HugePicture",
       Truncated(WithField(WithField(TestBitmap::Make(24, 0, 0), 4, 65535), 8, 65535), 40, 4),
       ResultBadBitmap},  // by handles the rows memory is short
  };
}

class RefusedByHandles : public CreatePictureTest,
                         public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedByHandles, NoFileAndEveryLockUndone) {
  const Refusal& r = GetParam();
  const auto outcome = ExportByHandles(PathOf("out.eps"), r.bitmap);
  EXPECT_EQ(outcome.result, r.result);
  EXPECT_EQ(outcome.descriptionLocks, 0u);
  EXPECT_EQ(outcome.rowLocks, 0u);
  EXPECT_EQ(Exists("out.eps"), r.result == ResultOk);
}

INSTANTIATE_TEST_SUITE_P(Inputs, RefusedByHandles, ::testing::ValuesIn(Refusals()),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(CreatePictureTest, SizesThatCannotBeAPictureAreRefusedByPointersToo) {
  // By address no memory size bounds the picture, so only the header itself can tell.
  const Refusal cases[] = {
      {"NegativeWidth", WithField(TestBitmap::Make(24, 2, 2), 4, 0xFFFFFFFEu), ResultBadBitmap},
      {"NegativeWidthOneRow", WithField(TestBitmap::Make(8, 2, 1, eps_test::GreyRamp(2)), 4,
                                        0x80000000u),
       ResultBadBitmap},
      {"HeightWithoutMagnitude", WithField(TestBitmap::Make(24, 1, 1), 8, 0x80000000u),
       ResultBadBitmap},
      {"Depth16", TestBitmap::Make(16, 2, 2), ResultUnsupportedDepth},
  };
  for (const Refusal& r : cases) {
    EXPECT_EQ(ExportByPointers(PathOf("out.eps"), r.bitmap), r.result) << r.name;
  }
  EXPECT_FALSE(Exists("out.eps"));
}

TEST_F(CreatePictureTest, ModeOtherThanZeroOrOneIsNotAvailable) {
  TestBitmap b = TestBitmap::Make(24, 1, 1);
  eps_test::LocalMemory description(b.description), rows(b.rows);
  for (std::int32_t mode : {2, -1, 100}) {
    EXPECT_EQ(CreatePicture(PathOf("m.eps").c_str(), mode, description.Slot(), rows.Slot(), 0, 0,
                            0),
              ResultNotAvailable);
  }
  EXPECT_EQ(description.LockCount() + rows.LockCount(), 0u);
  EXPECT_FALSE(Exists("m.eps"));
}

TEST_F(CreatePictureTest, UnreachableBitmapIsBad) {
  TestBitmap b = TestBitmap::Make(24, 1, 1);
  eps_test::LocalMemory description(b.description), rows(b.rows);
  eps_test::LocalMemory empty(std::vector<std::uint8_t>{});  // a zero-byte block does not lock
  HLOCAL none = nullptr;
  const std::string path = PathOf("u.eps");
  struct Case {
    std::int32_t mode;
    void* description;
    void* bits;
  } cases[] = {
      {0, nullptr, rows.Slot()},        {0, description.Slot(), nullptr},
      {0, &none, rows.Slot()},          {0, description.Slot(), &none},
      {0, empty.Slot(), rows.Slot()},   {0, description.Slot(), empty.Slot()},
      {1, nullptr, b.rows.data()},      {1, b.description.data(), nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CreatePicture(path.c_str(), c.mode, c.description, c.bits, 0, 0, 0),
              ResultBadBitmap);
    EXPECT_EQ(description.LockCount() + rows.LockCount(), 0u);
  }
  EXPECT_FALSE(Exists("u.eps"));
}

TEST_F(CreatePictureTest, TextTooLargeForMemoryIsOutOfMemory) {
  // The rows are never read: the text size is refused first.
  const std::pair<std::uint16_t, std::uint32_t> cases[] = {{24, 65535}, {8, 65535}, {1, 0x7FFFFFFF}};
  for (const auto& [depth, side] : cases) {
    TestBitmap b = TestBitmap::Make(depth, 0, 0, eps_test::GreyRamp(depth == 24 ? 0 : 2));
    TestBitmap::Put32(b.description, 4, side);
    TestBitmap::Put32(b.description, 8, side);
    EXPECT_EQ(ExportByPointers(PathOf("big.eps"), b), ResultOutOfMemory) << depth;
  }
  EXPECT_FALSE(Exists("big.eps"));
}

TEST_F(CreatePictureTest, ZeroWidthWithManyRowsScansNothing) {
  TestBitmap b = TestBitmap::Make(8, 0, 0, eps_test::GreyRamp(2));
  TestBitmap::Put32(b.description, 8, 0x7FFFFFFF);
  ASSERT_EQ(ExportByPointers(PathOf("thin.eps"), b), ResultOk);
  EXPECT_EQ(ReadFile(PathOf("thin.eps")),
            eps_test::ExpectedHeader(false, 0, 0x7FFFFFFF) + eps_test::kExpectedTrailer);
}

TEST(RowStride, RowsArePaddedToFourBytes) {
  struct Case {
    unsigned depth;
    std::uint32_t width;
    std::uint64_t stride;
  } cases[] = {
      {1, 0, 0},   {1, 1, 4},  {1, 9, 4},    {1, 32, 4},   {1, 33, 8},
      {4, 1, 4},   {4, 8, 4},  {4, 9, 8},    {8, 3, 4},    {8, 4, 4},
      {8, 5, 8},   {24, 1, 4}, {24, 4, 12},  {24, 5, 16},
      {24, 0x7FFFFFFF, (std::uint64_t{3} * 0x7FFFFFFF + 3) / 4 * 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(eps_export::RowStride(c.depth, c.width), c.stride) << c.depth << "/" << c.width;
  }
}

}  // namespace
