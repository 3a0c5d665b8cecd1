// Reading .bmp files into the form the plug-in takes.
//
// A .bmp file is a 14-byte file header ("BM", file size, two reserved words,
// offset of the rows), an information header of 12 (the old core header), 40,
// 108 or 124 bytes, the colour table, and the stored rows at the offset the
// file header gives. Whatever the header version, the reader produces what the
// plug-in reads: a 40-byte information header directly followed by 4-byte
// blue, green, red, reserved table entries (core files store 3-byte entries,
// which are widened), and the rows exactly as stored (padded to four bytes,
// bottom row first, or top row first when the height is negative).
//
// Reading is two steps so that the caller decides where the bytes go and the
// rows are never copied twice:
//   1. ParseBmpLayout checks the headers against the file and returns the
//      sizes of the two blocks (DescriptionSize, RowBytes);
//   2. ReadBmpData fills blocks of exactly those sizes, reading the rows
//      straight from the source into `rows`.
// ParseBmp does both into vectors over bytes in memory (tests, fuzzers).
//
// Bounds: nothing is allocated here beyond what the caller asks for; every
// size is computed in 64 bits and checked against the file's length before it
// is reported, so RowBytes never exceeds the source's size and
// DescriptionSize never exceeds 40 + 4 * 256. Rows must be present in full.
// bfSize and biSizeImage are not trusted (writers often get them wrong); the
// width, height, depth and row offset decide what is read.
//
// Depths: 1, 4, 8 and 24 uncompressed, and 16 and 32 (uncompressed or with
// bit-field masks) are read; the plug-in decides what it exports. Run-length
// and other compressions are refused here.
#ifndef EPS_EXPORT_TOOLS_BMP_READER_H
#define EPS_EXPORT_TOOLS_BMP_READER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace eps_tools {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;  // the header handed to the plug-in
constexpr std::size_t kTableEntrySize = 4;   // the entries handed to the plug-in

// Random-access bytes: a file or a block of memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Copies `count` bytes starting at `offset` to `out`; false unless all of
  // them could be read.
  virtual bool ReadAt(std::uint64_t offset, void* out, std::size_t count) = 0;
};

class MemorySource final : public ByteSource {
 public:
  MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t offset, void* out, std::size_t count) override;

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

// A file read through a stream; Size() is 0 and every read fails when the
// file could not be opened (see Opened()).
class FileSource final : public ByteSource {
 public:
  explicit FileSource(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  bool Opened() const;
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t offset, void* out, std::size_t count) override;

 private:
  struct Stream;
  Stream* stream_;
  std::uint64_t size_ = 0;
};

// What the headers say, after checking.
struct BmpLayout {
  std::uint32_t headerSize = 0;  // the file's information header: 12, 40, 108 or 124
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative: top row stored first
  std::uint16_t depth = 0;
  std::uint32_t compression = 0;  // 0 plain, 3 or 6 bit-field masks (16 and 32 bits only)
  std::int32_t xPixelsPerMetre = 0;
  std::int32_t yPixelsPerMetre = 0;
  std::uint32_t tableEntries = 0;   // entries handed over (0 above 8 bits)
  std::uint32_t fileEntrySize = 4;  // 3 in core files
  std::uint64_t tableOffset = 0;    // of the file's colour table
  std::uint64_t rowOffset = 0;      // of stored row 0
  std::uint64_t rowStride = 0;      // bytes per stored row
  std::uint64_t rowBytes = 0;       // rowStride * |height|

  std::size_t DescriptionSize() const { return kInfoHeaderSize + kTableEntrySize * tableEntries; }
  std::size_t RowBytes() const { return static_cast<std::size_t>(rowBytes); }
};

// Outcome of a step: empty `error` on success, else one line naming the cause
// (without the file name), e.g. "truncated: the rows need 120 bytes at offset
// 62, the file has 100".
struct BmpStatus {
  std::string error;
  bool Ok() const { return error.empty(); }
};

BmpStatus ParseBmpLayout(ByteSource& source, BmpLayout& layout);

// `description` must hold layout.DescriptionSize() bytes and `rows`
// layout.RowBytes() bytes.
BmpStatus ReadBmpData(ByteSource& source, const BmpLayout& layout, std::uint8_t* description,
                      std::uint8_t* rows);

// Both steps over a block of memory. Allocates at most 40 + 4 * 256 bytes for
// the description and no more rows than `size`.
struct BmpImage {
  BmpLayout layout;
  std::vector<std::uint8_t> description;  // 40-byte header + 4-byte table entries
  std::vector<std::uint8_t> rows;
};
BmpStatus ParseBmp(const std::uint8_t* data, std::size_t size, BmpImage& image);

}  // namespace eps_tools

#endif  // EPS_EXPORT_TOOLS_BMP_READER_H
