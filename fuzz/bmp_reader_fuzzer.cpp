// The .bmp reader of eps-export on any bytes, then the plug-in on what it read.
//
// A file the reader accepts must be what it claims: the rows are the bytes at
// the row offset, all present; the description carries the file's width,
// height and depth and its colour table (3-byte entries widened); nothing is
// larger than the bounds the reader promises. An accepted file of an exported
// depth then goes through CreatePicture exactly as eps-export hands it over,
// and must give what the reference predicts. The same bytes read from a file
// must give the same result as from memory.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

#include "fuzz/export_check.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/reference_encoder.h"
#include "tools/bmp_reader.h"

namespace {

namespace fs = std::filesystem;

std::uint32_t U32At(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
std::uint16_t U16At(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// The layout against the file's own bytes, read here independently.
void CheckLayout(const std::uint8_t* data, std::size_t size, const eps_tools::BmpLayout& l) {
  FUZZ_CHECK(size >= 18 && data[0] == 'B' && data[1] == 'M', "accepted a file without BM");
  const std::uint32_t headerSize = U32At(data + 14);
  FUZZ_CHECK(l.headerSize == headerSize, "header size %u, file has %u", l.headerSize, headerSize);
  FUZZ_CHECK(14 + std::uint64_t{headerSize} <= size, "header past the end");
  const std::uint8_t* h = data + 14;
  if (headerSize == 12) {
    FUZZ_CHECK(l.width == U16At(h + 4) && l.height == U16At(h + 6) && l.depth == U16At(h + 10),
               "core header fields differ");
    FUZZ_CHECK(l.fileEntrySize == 3, "core entries are 3 bytes");
  } else {
    FUZZ_CHECK(l.width == static_cast<std::int32_t>(U32At(h + 4)) &&
                   l.height == static_cast<std::int32_t>(U32At(h + 8)) && l.depth == U16At(h + 14),
               "header fields differ");
  }
  const unsigned d = l.depth;
  FUZZ_CHECK(d == 1 || d == 4 || d == 8 || d == 16 || d == 24 || d == 32, "depth %u", d);
  FUZZ_CHECK(l.width >= 0 && l.height != INT32_MIN, "size %d x %d", l.width, l.height);
  FUZZ_CHECK(l.tableEntries <= (d <= 8 ? 1u << d : 0u), "%u entries at depth %u", l.tableEntries,
             d);
  const std::uint64_t stride = (std::uint64_t(l.width) * d + 31) / 32 * 4;
  const std::uint64_t rows = static_cast<std::uint64_t>(l.height < 0 ? -std::int64_t{l.height}
                                                                  : std::int64_t{l.height});
  FUZZ_CHECK(l.rowStride == stride && l.rowBytes == stride * rows, "stride %llu, expected %llu",
             static_cast<unsigned long long>(l.rowStride), static_cast<unsigned long long>(stride));
  const std::uint64_t tableEnd = 14 + std::uint64_t{headerSize} + l.tableEntries * l.fileEntrySize;
  FUZZ_CHECK(l.rowOffset == U32At(data + 10) && l.rowOffset >= tableEnd, "row offset %llu",
             static_cast<unsigned long long>(l.rowOffset));
  FUZZ_CHECK(l.rowOffset + l.rowBytes <= size, "rows end past the file");
}

void CheckBlocks(const std::uint8_t* data, const eps_tools::BmpImage& image) {
  const eps_tools::BmpLayout& l = image.layout;
  FUZZ_CHECK(image.description.size() == l.DescriptionSize() && image.description.size() <= 1064,
             "description of %zu bytes", image.description.size());
  FUZZ_CHECK(image.rows.size() == l.RowBytes(), "rows of %zu bytes", image.rows.size());
  FUZZ_CHECK(image.rows.empty() ||
                 std::memcmp(image.rows.data(), data + l.rowOffset, image.rows.size()) == 0,
             "rows differ from the file's");
  const std::uint8_t* d = image.description.data();
  FUZZ_CHECK(U32At(d + 4) == static_cast<std::uint32_t>(l.width) &&
                 U32At(d + 8) == static_cast<std::uint32_t>(l.height) && U16At(d + 14) == l.depth,
             "description fields differ");
  const std::uint8_t* table = data + 14 + l.headerSize;
  for (std::uint32_t i = 0; i < l.tableEntries; ++i) {
    const std::uint8_t* from = table + i * l.fileEntrySize;
    const std::uint8_t* to = d + 40 + 4 * i;
    FUZZ_CHECK(to[0] == from[0] && to[1] == from[1] && to[2] == from[2], "entry %u differs", i);
  }
}

// eps-export reads through FileSource, not memory: the same bytes in a file
// must give the same verdict, layout and blocks.
void CheckFileReading(const std::uint8_t* data, std::size_t size,
                      const eps_tools::BmpStatus& status, const eps_tools::BmpImage& image) {
  const fs::path path = eps_fuzz::OutputPath().parent_path() / "in.bmp";
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  eps_tools::FileSource source(path.string());
  FUZZ_CHECK(source.Opened() && source.Size() == size, "file of %zu bytes not opened", size);
  eps_tools::BmpLayout layout;
  const eps_tools::BmpStatus fileStatus = eps_tools::ParseBmpLayout(source, layout);
  FUZZ_CHECK(fileStatus.error == status.error, "file: \"%s\", memory: \"%s\"",
             fileStatus.error.c_str(), status.error.c_str());
  if (!status.Ok()) return;
  FUZZ_CHECK(layout.rowOffset == image.layout.rowOffset &&
                 layout.rowBytes == image.layout.rowBytes &&
                 layout.tableEntries == image.layout.tableEntries,
             "file layout differs");
  std::vector<std::uint8_t> description(layout.DescriptionSize()), rows(layout.RowBytes());
  const eps_tools::BmpStatus read =
      eps_tools::ReadBmpData(source, layout, description.data(), rows.data());
  FUZZ_CHECK(read.Ok(), "file data: %s", read.error.c_str());
  FUZZ_CHECK(description == image.description && rows == image.rows, "file blocks differ");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  eps_tools::BmpImage image;
  const eps_tools::BmpStatus status = eps_tools::ParseBmp(data, size, image);
  CheckFileReading(data, size, status, image);
  if (!status.Ok()) return 0;
  CheckLayout(data, size, image.layout);
  CheckBlocks(data, image);

  // Only small pictures go on to the export: the reference is slow.
  const std::uint64_t pixels = std::uint64_t(image.layout.width) * image.rows.size();
  if (pixels > (1u << 20)) return 0;
  eps_reference::Bitmap bitmap;
  eps_fuzz::CheckExportByHandles(image.description.data(), image.description.size(),
                                 image.rows.data(), image.rows.size(), false, bitmap);
  return 0;
}
