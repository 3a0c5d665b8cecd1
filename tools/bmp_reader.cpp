#include "tools/bmp_reader.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>

namespace eps_tools {
namespace {

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionRle4 = 2;
constexpr std::uint32_t kCompressionBitFields = 3;
constexpr std::uint32_t kCompressionJpeg = 4;
constexpr std::uint32_t kCompressionPng = 5;
constexpr std::uint32_t kCompressionAlphaBitFields = 6;

// Little-endian fields of a header held in memory.
std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

BmpStatus Fail(std::string cause) { return {std::move(cause)}; }

std::string N(std::uint64_t v) { return std::to_string(v); }

bool IsKnownHeaderSize(std::uint32_t size) {
  return size == kCoreHeaderSize || size == 40 || size == 108 || size == 124;
}

bool IsBitmapDepth(std::uint16_t depth) {
  return depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

// Refuses what the plug-in cannot be handed as plain rows.
BmpStatus CheckCompression(std::uint32_t compression, std::uint16_t depth) {
  switch (compression) {
    case kCompressionNone:
      return {};
    case kCompressionRle8:
      return Fail("RLE8-compressed bitmaps are not supported");
    case kCompressionRle4:
      return Fail("RLE4-compressed bitmaps are not supported");
    case kCompressionBitFields:
    case kCompressionAlphaBitFields:
      if (depth == 16 || depth == 32) return {};
      return Fail("bit-field masks with " + N(depth) + " bits per pixel are not valid");
    case kCompressionJpeg:
      return Fail("JPEG-compressed bitmaps are not supported");
    case kCompressionPng:
      return Fail("PNG-compressed bitmaps are not supported");
    default:
      return Fail("unknown compression " + N(compression) + " is not supported");
  }
}

// Fills the fields of the information header, whichever version it is.
BmpStatus ReadInfoHeader(ByteSource& source, BmpLayout& layout, std::uint32_t& coloursUsed) {
  std::uint8_t h[40] = {};
  const std::size_t wanted = layout.headerSize == kCoreHeaderSize ? kCoreHeaderSize : 40;
  if (!source.ReadAt(kFileHeaderSize, h, wanted))
    return Fail("the information header cannot be read");
  if (layout.headerSize == kCoreHeaderSize) {
    layout.width = U16(h + 4);  // unsigned 16-bit sizes, always bottom-up
    layout.height = U16(h + 6);
    layout.depth = U16(h + 10);
    layout.fileEntrySize = 3;
    return {};
  }
  layout.width = I32(h + 4);
  layout.height = I32(h + 8);
  layout.depth = U16(h + 14);
  layout.compression = U32(h + 16);
  layout.xPixelsPerMetre = I32(h + 24);
  layout.yPixelsPerMetre = I32(h + 28);
  coloursUsed = U32(h + 32);
  layout.fileEntrySize = 4;
  return {};
}

// The colour table: biClrUsed entries, or all 2^depth when it is 0; none
// above 8 bits (a table there is only a hint for display and is skipped).
BmpStatus SizeColourTable(BmpLayout& layout, std::uint32_t coloursUsed) {
  layout.tableOffset = kFileHeaderSize + layout.headerSize;
  if (layout.depth > 8) return {};
  const std::uint32_t most = 1u << layout.depth;
  if (coloursUsed > most) {
    return Fail("the colour table claims " + N(coloursUsed) + " entries, at most " + N(most) +
                " fit " + N(layout.depth) + " bits per pixel");
  }
  layout.tableEntries = coloursUsed != 0 ? coloursUsed : most;
  return {};
}

// The rows: where they start, and that all of them are in the file.
BmpStatus PlaceRows(BmpLayout& layout, std::uint64_t fileSize) {
  const std::uint64_t headersEnd =
      layout.tableOffset + std::uint64_t{layout.tableEntries} * layout.fileEntrySize;
  if (headersEnd > fileSize) {
    return Fail("truncated: the colour table ends at offset " + N(headersEnd) + ", the file has " +
                N(fileSize) + " bytes");
  }
  if (layout.rowOffset < headersEnd) {
    return Fail("bad row offset " + N(layout.rowOffset) +
                ": it points into the headers or colour table, which end at " + N(headersEnd));
  }
  if (layout.rowOffset > fileSize) {
    return Fail("bad row offset " + N(layout.rowOffset) + ": past the end of the file (" +
                N(fileSize) + " bytes)");
  }
  const std::uint64_t rows =
      layout.height < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(std::int64_t{layout.height})
                        : static_cast<std::uint64_t>(layout.height);
  // width < 2^31 and depth <= 32, so the stride stays below 2^35.
  layout.rowStride = (static_cast<std::uint64_t>(layout.width) * layout.depth + 31) / 32 * 4;
  const std::uint64_t available = fileSize - layout.rowOffset;
  // Compared by division: stride * rows may exceed 64 bits.
  if (rows != 0 && layout.rowStride > available / rows) {
    return Fail("truncated: " + N(rows) + " rows of " + N(layout.rowStride) + " bytes at offset " +
                N(layout.rowOffset) + " do not fit in the file's " + N(fileSize) + " bytes");
  }
  layout.rowBytes = layout.rowStride * rows;
  if (layout.rowBytes > std::numeric_limits<std::size_t>::max() ||
      layout.rowBytes > static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max())) {
    return Fail("the rows (" + N(layout.rowBytes) + " bytes) are too large for this process");
  }
  return {};
}

}  // namespace

bool MemorySource::ReadAt(std::uint64_t offset, void* out, std::size_t count) {
  if (offset > size_ || count > size_ - offset) return false;
  if (count != 0) std::memcpy(out, data_ + offset, count);
  return true;
}

struct FileSource::Stream {
  std::ifstream file;
};

FileSource::FileSource(const std::string& path) : stream_(new Stream) {
  stream_->file.open(path, std::ios::binary);
  if (!stream_->file) return;
  stream_->file.seekg(0, std::ios::end);
  const std::streamoff end = stream_->file.tellg();
  if (end > 0) size_ = static_cast<std::uint64_t>(end);
  stream_->file.clear();
}

FileSource::~FileSource() { delete stream_; }

bool FileSource::Opened() const { return stream_->file.is_open(); }

bool FileSource::ReadAt(std::uint64_t offset, void* out, std::size_t count) {
  if (offset > size_ || count > size_ - offset) return false;
  std::ifstream& file = stream_->file;
  file.clear();
  file.seekg(static_cast<std::streamoff>(offset));
  // In pieces: one read may carry less than a size_t on 32-bit targets.
  constexpr std::size_t kPiece = std::size_t{1} << 30;
  auto* bytes = static_cast<char*>(out);
  while (count != 0 && file) {
    const std::size_t n = std::min(count, kPiece);
    file.read(bytes, static_cast<std::streamsize>(n));
    bytes += n;
    count -= n;
  }
  return static_cast<bool>(file);
}

BmpStatus ParseBmpLayout(ByteSource& source, BmpLayout& layout) {
  layout = BmpLayout{};
  const std::uint64_t size = source.Size();
  std::uint8_t f[kFileHeaderSize + 4];
  if (size < 2 || !source.ReadAt(0, f, 2) || f[0] != 'B' || f[1] != 'M') {
    return Fail("not a bitmap: the file does not start with \"BM\"");
  }
  if (size < sizeof f || !source.ReadAt(0, f, sizeof f)) {
    return Fail("truncated: " + N(size) + " bytes, too short for the file header");
  }
  layout.rowOffset = U32(f + 10);
  layout.headerSize = U32(f + 14);
  if (!IsKnownHeaderSize(layout.headerSize)) {
    return Fail("unknown information header size " + N(layout.headerSize) +
                " (12, 40, 108 or 124 expected)");
  }
  if (kFileHeaderSize + layout.headerSize > size) {
    return Fail("truncated: the " + N(layout.headerSize) + "-byte information header ends past " +
                "the end of the file (" + N(size) + " bytes)");
  }
  std::uint32_t coloursUsed = 0;
  if (BmpStatus s = ReadInfoHeader(source, layout, coloursUsed); !s.Ok()) return s;
  if (BmpStatus s = CheckCompression(layout.compression, layout.depth); !s.Ok()) return s;
  if (!IsBitmapDepth(layout.depth)) return Fail("invalid bit depth " + N(layout.depth));
  if (layout.width < 0) return Fail("invalid width " + std::to_string(layout.width));
  if (layout.height == std::numeric_limits<std::int32_t>::min()) {
    return Fail("invalid height " + std::to_string(layout.height));
  }
  if (BmpStatus s = SizeColourTable(layout, coloursUsed); !s.Ok()) return s;
  return PlaceRows(layout, size);
}

BmpStatus ReadBmpData(ByteSource& source, const BmpLayout& layout, std::uint8_t* description,
                      std::uint8_t* rows) {
  std::memset(description, 0, kInfoHeaderSize);
  PutU32(description + 0, kInfoHeaderSize);
  PutU32(description + 4, static_cast<std::uint32_t>(layout.width));
  PutU32(description + 8, static_cast<std::uint32_t>(layout.height));
  PutU16(description + 12, 1);  // planes
  PutU16(description + 14, layout.depth);
  PutU32(description + 16, layout.compression);
  PutU32(description + 20,
         layout.rowBytes <= UINT32_MAX ? static_cast<std::uint32_t>(layout.rowBytes) : 0);
  PutU32(description + 24, static_cast<std::uint32_t>(layout.xPixelsPerMetre));
  PutU32(description + 28, static_cast<std::uint32_t>(layout.yPixelsPerMetre));
  PutU32(description + 32, layout.tableEntries);

  std::uint8_t* table = description + kInfoHeaderSize;
  const std::size_t entries = layout.tableEntries;
  if (!source.ReadAt(layout.tableOffset, table, entries * layout.fileEntrySize)) {
    return Fail("the colour table cannot be read");
  }
  if (layout.fileEntrySize == 3) {
    // Widened in place from the last entry back, so no entry is overwritten before it moves.
    for (std::size_t i = entries; i-- > 0;) {
      const std::uint8_t blue = table[3 * i], green = table[3 * i + 1], red = table[3 * i + 2];
      table[4 * i] = blue;
      table[4 * i + 1] = green;
      table[4 * i + 2] = red;
      table[4 * i + 3] = 0;
    }
  }
  if (!source.ReadAt(layout.rowOffset, rows, layout.RowBytes())) {
    return Fail("the rows cannot be read");
  }
  return {};
}

BmpStatus ParseBmp(const std::uint8_t* data, std::size_t size, BmpImage& image) {
  MemorySource source(data, size);
  if (BmpStatus s = ParseBmpLayout(source, image.layout); !s.Ok()) return s;
  image.description.assign(image.layout.DescriptionSize(), 0);
  image.rows.assign(image.layout.RowBytes(), 0);
  return ReadBmpData(source, image.layout, image.description.data(), image.rows.data());
}

}  // namespace eps_tools
