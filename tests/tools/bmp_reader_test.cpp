// The .bmp reader: every header version gives the plug-in the same 40-byte
// header, table and rows; malformed files are refused with a cause and never
// read or allocated past what the file holds.
#include "tools/bmp_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/test_bitmap.h"

namespace {

using eps_test::Rgb;
using eps_test::TestBitmap;
using eps_tools::BmpImage;
using eps_tools::BmpStatus;
using eps_tools::ParseBmp;

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) { TestBitmap::Put32(b, at, v); }

// How a test bitmap is laid out in its file.
struct FileLayout {
  std::uint32_t headerSize = 40;
  std::uint32_t coloursUsed = 0;  // biClrUsed as written
  std::size_t gap = 0;            // bytes between the table and the rows
  Bytes masks;                    // written between the header and the table
};

// Field offsets in the file (14-byte file header first).
constexpr std::size_t kOffBits = 10, kBiSize = 14, kBiWidth = 18, kBiHeight = 22, kBiBitCount = 28,
                      kBiCompression = 30, kBiClrUsed = 46;

// The .bmp file of `b`, whose description holds the table to write.
Bytes FileOf(const TestBitmap& b, const FileLayout& f = {}) {
  const bool core = f.headerSize == 12;
  const std::size_t entries = (b.description.size() - 40) / 4;
  Bytes header(f.headerSize, 0);
  Put32(header, 0, f.headerSize);
  if (core) {
    Put16(header, 4, static_cast<std::uint32_t>(b.width));
    Put16(header, 6, static_cast<std::uint32_t>(b.height));
    Put16(header, 8, 1);
    Put16(header, 10, b.depth);
  } else {
    std::memcpy(header.data() + 4, b.description.data() + 4, 36);
    Put32(header, 32, f.coloursUsed);
  }
  Bytes table;
  for (std::size_t i = 0; i < entries; ++i) {
    const std::uint8_t* e = b.description.data() + 40 + 4 * i;
    table.insert(table.end(), e, e + (core ? 3 : 4));
  }
  const std::size_t offset = 14 + header.size() + f.masks.size() + table.size() + f.gap;
  Bytes file(14, 0);
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 2, static_cast<std::uint32_t>(offset + b.rows.size()));
  Put32(file, kOffBits, static_cast<std::uint32_t>(offset));
  for (const Bytes* part : std::initializer_list<const Bytes*>{&header, &f.masks, &table})
    file.insert(file.end(), part->begin(), part->end());
  file.insert(file.end(), f.gap, 0xEE);
  file.insert(file.end(), b.rows.begin(), b.rows.end());
  return file;
}

FileLayout Header(std::uint32_t size) {
  FileLayout f;
  f.headerSize = size;
  return f;
}

BmpStatus Parse(const Bytes& file, BmpImage& image) {
  return ParseBmp(file.data(), file.size(), image);
}

std::uint32_t Field32(const Bytes& b, std::size_t at) {
  return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
         std::uint32_t{b[at + 3]} << 24;
}

// What the plug-in must be handed for `b`, whatever the file looked like.
void ExpectHandedOver(const BmpImage& image, const TestBitmap& b, std::size_t entries) {
  const Bytes& d = image.description;
  ASSERT_EQ(d.size(), 40 + 4 * entries);
  EXPECT_EQ(Field32(d, 0), 40u);
  EXPECT_EQ(static_cast<std::int32_t>(Field32(d, 4)), b.width);
  EXPECT_EQ(static_cast<std::int32_t>(Field32(d, 8)), b.height);
  EXPECT_EQ(d[12], 1);  // planes
  EXPECT_EQ(d[14] | d[15] << 8, b.depth);
  EXPECT_EQ(Field32(d, 32), entries <= 256 && b.depth <= 8 ? entries : 0u);
  for (std::size_t i = 0; i < entries; ++i) {
    SCOPED_TRACE("entry " + std::to_string(i));
    EXPECT_EQ(d[40 + 4 * i], b.description[40 + 4 * i]);  // blue
    EXPECT_EQ(d[41 + 4 * i], b.description[41 + 4 * i]);  // green
    EXPECT_EQ(d[42 + 4 * i], b.description[42 + 4 * i]);  // red
  }
  EXPECT_EQ(image.rows, b.rows);
}

TestBitmap Picture(std::uint16_t depth, std::int32_t width, std::int32_t height) {
  const unsigned entries = depth <= 8 ? 1u << depth : 0;
  TestBitmap b = TestBitmap::Make(depth, width, height, eps_test::ColourTable(entries));
  b.FillRandom(depth * 1000u + static_cast<unsigned>(width), entries);
  return b;
}

// --- Header versions and depths -------------------------------------------

struct VersionCase {
  std::uint32_t headerSize;
  std::uint16_t depth;
  std::int32_t width;
  std::int32_t height;
};

class HeaderVersion : public ::testing::TestWithParam<VersionCase> {};

TEST_P(HeaderVersion, HandsOverA40ByteHeaderTableAndTheStoredRows) {
  const VersionCase c = GetParam();
  const TestBitmap b = Picture(c.depth, c.width, c.height);
  BmpImage image;
  ASSERT_TRUE(Parse(FileOf(b, Header(c.headerSize)), image).Ok());
  ExpectHandedOver(image, b, c.depth <= 8 ? 1u << c.depth : 0);
}

std::vector<VersionCase> VersionCases() {
  std::vector<VersionCase> cases;
  for (std::uint32_t size : {12u, 40u, 108u, 124u}) {
    for (int depth : {1, 4, 8, 24})
      cases.push_back({size, static_cast<std::uint16_t>(depth), 13, 3});
  }
  for (std::uint32_t size : {40u, 108u, 124u}) cases.push_back({size, 8, 5, -4});  // top-down
  return cases;
}

std::string VersionName(const ::testing::TestParamInfo<VersionCase>& param) {
  const VersionCase& c = param.param;
  return "Header" + std::to_string(c.headerSize) + "Depth" + std::to_string(c.depth) +
         (c.height < 0 ? "TopDown" : "");
}

INSTANTIATE_TEST_SUITE_P(AllVersions, HeaderVersion, ::testing::ValuesIn(VersionCases()),
                         VersionName);

// --- Colour table lengths ---------------------------------------------------

TEST(ColourTable, ClrUsedGivesTheLengthAndZeroMeansAllEntries) {
  struct Case {
    std::uint16_t depth;
    std::uint32_t written;  // entries in the file, also biClrUsed unless it is 2^depth
    std::uint32_t clrUsed;
  };
  for (const Case c : {Case{1, 2, 0}, Case{4, 16, 0}, Case{8, 256, 0}, Case{4, 5, 5}, Case{8, 3, 3},
                       Case{8, 256, 256}, Case{1, 1, 1}}) {
    SCOPED_TRACE("depth " + std::to_string(c.depth) + ", biClrUsed " + std::to_string(c.clrUsed));
    TestBitmap b = TestBitmap::Make(c.depth, 9, 2, eps_test::ColourTable(c.written));
    b.FillRandom(7, c.written);
    FileLayout f;
    f.coloursUsed = c.clrUsed;
    f.gap = 6;  // the rows are found by the offset, not right after the table
    BmpImage image;
    ASSERT_TRUE(Parse(FileOf(b, f), image).Ok());
    ExpectHandedOver(image, b, c.written);
  }
}

TEST(ColourTable, CoreEntriesAreWidenedToFourBytes) {
  TestBitmap b = TestBitmap::Make(8, 3, 1, eps_test::ColourTable(256));
  BmpImage image;
  ASSERT_TRUE(Parse(FileOf(b, Header(12)), image).Ok());
  EXPECT_EQ(image.layout.fileEntrySize, 3u);
  ExpectHandedOver(image, b, 256);
  for (std::size_t i = 0; i < 256; ++i) EXPECT_EQ(image.description[43 + 4 * i], 0) << i;
}

TEST(ColourTable, TrueColourSkipsAnyTableAndMasks) {
  for (int bits : {16, 24, 32}) {
    const auto depth = static_cast<std::uint16_t>(bits);
    SCOPED_TRACE(bits);
    // A 24-bit file may carry a display palette; 16 and 32 bits bit-field masks.
    TestBitmap b = TestBitmap::Make(depth, 5, 3, eps_test::ColourTable(depth == 24 ? 4 : 0));
    for (std::size_t i = 0; i < b.rows.size(); ++i)
      b.rows[i] = static_cast<std::uint8_t>(i * 37 + 1);
    FileLayout f;
    if (depth == 24) f.coloursUsed = 4;
    if (depth != 24) f.masks = Bytes{0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    Bytes file = FileOf(b, f);
    if (depth != 24) Put32(file, kBiCompression, 3);
    BmpImage image;
    ASSERT_TRUE(Parse(file, image).Ok());
    EXPECT_EQ(image.description.size(), 40u);
    EXPECT_EQ(Field32(image.description, 16), depth == 24 ? 0u : 3u);
    EXPECT_EQ(image.rows, b.rows);
  }
}

TEST(Layout, EmptyPictureHasNoRows) {
  BmpImage image;
  ASSERT_TRUE(Parse(FileOf(TestBitmap::Make(24, 0, 0)), image).Ok());
  EXPECT_EQ(image.layout.RowBytes(), 0u);
}

// --- Malformed files ---------------------------------------------------------

struct Malformed {
  const char* name;
  std::function<void(Bytes&)> damage;
  const char* cause;  // the start of the message
};

// An 8-bit, 16-entry, 5 by 3 picture: rows of 8 bytes at offset 118.
Bytes GoodFile() {
  TestBitmap b = TestBitmap::Make(8, 5, 3, eps_test::ColourTable(16));
  b.FillRandom(11, 16);
  FileLayout f;
  f.coloursUsed = 16;
  return FileOf(b, f);
}

class MalformedFile : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedFile, IsRefusedWithItsCause) {
  Bytes file = GoodFile();
  GetParam().damage(file);
  BmpImage image;
  const BmpStatus s = Parse(file, image);
  EXPECT_EQ(s.error.rfind(GetParam().cause, 0), 0u) << s.error;
  EXPECT_TRUE(image.rows.empty());  // nothing allocated for a refused file
}

const Malformed kMalformed[] = {
    {"Empty", [](Bytes& f) { f.clear(); }, "not a bitmap"},
    {"OneByte", [](Bytes& f) { f.resize(1); }, "not a bitmap"},
    {"WrongMagic", [](Bytes& f) { f[1] = 'A'; }, "not a bitmap"},
    {"PngSignature",
     [](Bytes& f) {
       f[0] = 0x89;
       f[1] = 'P';
     },
     "not a bitmap"},
    {"FileHeaderOnly", [](Bytes& f) { f.resize(14); }, "truncated: 14 bytes"},
    {"InfoHeaderCut", [](Bytes& f) { f.resize(40); }, "truncated: the 40-byte information header"},
    {"V5HeaderCut",
     [](Bytes& f) {
       Put32(f, kBiSize, 124);
       f.resize(100);
     },
     "truncated: the 124-byte information header"},
    {"HeaderSize64", [](Bytes& f) { Put32(f, kBiSize, 64); }, "unknown information header size 64"},
    {"HeaderSizeHuge", [](Bytes& f) { Put32(f, kBiSize, 0xFFFFFFF0u); },
     "unknown information header size"},
    {"Rle8", [](Bytes& f) { Put32(f, kBiCompression, 1); }, "RLE8-compressed"},
    {"Rle4",
     [](Bytes& f) {
       Put32(f, kBiCompression, 2);
       f[kBiBitCount] = 4;
     },
     "RLE4-compressed"},
    {"Jpeg", [](Bytes& f) { Put32(f, kBiCompression, 4); }, "JPEG-compressed"},
    {"UnknownCompression", [](Bytes& f) { Put32(f, kBiCompression, 9); }, "unknown compression 9"},
    {"BitFieldsAt8Bits", [](Bytes& f) { Put32(f, kBiCompression, 3); }, "bit-field masks with 8"},
    {"Depth2", [](Bytes& f) { f[kBiBitCount] = 2; }, "invalid bit depth 2"},
    {"Depth0", [](Bytes& f) { f[kBiBitCount] = 0; }, "invalid bit depth 0"},
    {"NegativeWidth", [](Bytes& f) { Put32(f, kBiWidth, static_cast<std::uint32_t>(-5)); },
     "invalid width -5"},
    {"MostNegativeHeight", [](Bytes& f) { Put32(f, kBiHeight, 0x80000000u); }, "invalid height"},
    {"TableLongerThanDepth", [](Bytes& f) { Put32(f, kBiClrUsed, 257); },
     "the colour table claims 257 entries"},
    {"TableHuge", [](Bytes& f) { Put32(f, kBiClrUsed, 0xFFFFFFFFu); },
     "the colour table claims 4294967295"},
    {"TablePastEnd",
     [](Bytes& f) {
       Put32(f, kBiClrUsed, 0);
       f.resize(200);
     },
     "truncated: the colour table ends at offset 1078"},
    {"RowsInsideTable", [](Bytes& f) { Put32(f, kOffBits, 100); }, "bad row offset 100"},
    {"RowsInsideHeader", [](Bytes& f) { Put32(f, kOffBits, 0); }, "bad row offset 0"},
    {"RowsPastEnd", [](Bytes& f) { Put32(f, kOffBits, 0x7FFFFFF0u); }, "bad row offset"},
    {"LastRowShort", [](Bytes& f) { f.pop_back(); }, "truncated: 3 rows of 8 bytes"},
    {"RowsMissing", [](Bytes& f) { f.resize(118); }, "truncated: 3 rows"},
    {"HeightLies", [](Bytes& f) { Put32(f, kBiHeight, 4); }, "truncated: 4 rows"},
    {"AbsurdSize",
     [](Bytes& f) {
       Put32(f, kBiWidth, 0x7FFFFFFF);
       Put32(f, kBiHeight, 0x7FFFFFFF);
     },
     "truncated: 2147483647 rows of 2147483648 bytes"},
    {"AbsurdTopDown",
     [](Bytes& f) {
       f[kBiBitCount] = 32;
       Put32(f, kBiClrUsed, 0);
       Put32(f, kBiWidth, 0x7FFFFFFF);
       Put32(f, kBiHeight, 0x80000001u);
     },
     "truncated: 2147483647 rows of 8589934588 bytes"},
};

std::string MalformedName(const ::testing::TestParamInfo<Malformed>& param) {
  return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, MalformedFile, ::testing::ValuesIn(kMalformed), MalformedName);

// Every cut of a good file is refused cleanly (the sanitizer build checks that
// no cut reads past the buffer).
TEST(MalformedFile, EveryTruncationIsRefused) {
  for (std::uint32_t headerSize : {12u, 40u, 124u}) {
    const Bytes whole = FileOf(Picture(4, 7, 3), Header(headerSize));
    for (std::size_t n = 0; n < whole.size(); ++n) {
      const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
      BmpImage image;
      EXPECT_FALSE(Parse(cut, image).Ok()) << "header " << headerSize << ", " << n << " bytes";
    }
  }
}

// --- The file source --------------------------------------------------------

TEST(FileSource, ReadsAFileAsMemoryIsRead) {
  const Bytes bytes = FileOf(Picture(24, 6, 2), Header(108));
  const auto path = std::filesystem::temp_directory_path() /
                    ("bmp_reader_test_" +
                     std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".bmp");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  Bytes description, rows;
  {
    eps_tools::FileSource source(path.string());  // closed before the file is removed
    ASSERT_TRUE(source.Opened());
    EXPECT_EQ(source.Size(), bytes.size());
    eps_tools::BmpLayout layout;
    ASSERT_TRUE(eps_tools::ParseBmpLayout(source, layout).Ok());
    description.resize(layout.DescriptionSize());
    rows.resize(layout.RowBytes());
    ASSERT_TRUE(eps_tools::ReadBmpData(source, layout, description.data(), rows.data()).Ok());
    std::uint8_t past[2];
    EXPECT_FALSE(source.ReadAt(bytes.size() - 1, past, 2));
  }
  std::filesystem::remove(path);

  BmpImage fromMemory;
  ASSERT_TRUE(Parse(bytes, fromMemory).Ok());
  EXPECT_EQ(description, fromMemory.description);
  EXPECT_EQ(rows, fromMemory.rows);
  EXPECT_FALSE(eps_tools::FileSource(path.string()).Opened());
}

}  // namespace
