// The encoder's fast scans, at every instruction-set level this processor
// runs, against the reference, on rows and tables of exactly the size they
// may read.
//
// Input: byte 0 picks the depth and the row order, byte 1 the width (0..200),
// byte 2 the height (0..31); the rest supplies the rows, then the colour
// table (repeated when short). The table ends right after the highest entry
// the pixels use, which is all the scans may read.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "encode/sample_streams.h"
#include "encode/scan_kernels.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/reference_encoder.h"

namespace {

std::unique_ptr<std::uint8_t[]> Repeat(const std::uint8_t* bytes, std::size_t size,
                                       std::size_t offset, std::size_t count) {
  auto out = std::make_unique<std::uint8_t[]>(count == 0 ? 1 : count);
  for (std::size_t i = 0; i < count; ++i) out[i] = size == 0 ? 0 : bytes[(offset + i) % size];
  return out;
}

void CheckUsedEntries(const eps_export::UsedEntries& found, const std::vector<bool>& used,
                      const char* scanner) {
  unsigned count = 0, highest = 0;
  for (unsigned i = 0; i < 256; ++i) {
    FUZZ_CHECK(found.used[i] == used[i], "%s: entry %u: found %d, used %d", scanner, i,
               found.used[i], static_cast<int>(used[i]));
    if (used[i]) {
      ++count;
      highest = i;
    }
  }
  FUZZ_CHECK(found.count == count, "%s: count %u, expected %u", scanner, found.count, count);
  FUZZ_CHECK(count == 0 || found.highest == highest, "%s: highest %u, expected %u", scanner,
             found.highest, highest);
}

void CheckStream(const eps_export::TextBuffer& stream, const std::string& wanted,
                 const char* what) {
  const std::string_view got = stream.View();
  FUZZ_CHECK(got == wanted, "%s: stream differs at byte %zu (%zu bytes, expected %zu)", what,
             eps_fuzz::FirstDifference(got, wanted), got.size(), wanted.size());
}

// The public functions (the best level this processor runs), then every level
// on its own, so that each kernel is held against the reference here.
struct Scanner {
  const char* name;
  bool useLevel;
  eps_export::ScanLevel level;

  eps_export::UsedEntries FindUsed(const eps_export::PixelRows& rows, unsigned depth) const {
    return useLevel ? eps_export::FindUsedEntriesAt(level, rows, depth)
                    : eps_export::FindUsedEntries(rows, depth);
  }
  void TrueColour(const eps_export::PixelRows& rows, eps_export::TextBuffer& stream) const {
    if (useLevel) {
      eps_export::ScanTrueColourAt(level, rows, stream);
    } else {
      eps_export::ScanTrueColour(rows, stream);
    }
  }
  void Palette(const eps_export::PixelRows& rows, unsigned depth, const std::uint8_t* table,
               const eps_export::UsedEntries& used, bool isColour,
               eps_export::TextBuffer& stream) const {
    if (useLevel) {
      eps_export::ScanPaletteAt(level, rows, depth, table, used, isColour, stream);
    } else {
      eps_export::ScanPalette(rows, depth, table, used, isColour, stream);
    }
  }
};

constexpr Scanner kScanners[] = {
    {"best", false, eps_export::ScanLevel::kPlain},
    {"plain", true, eps_export::ScanLevel::kPlain},
    {"ssse3", true, eps_export::ScanLevel::kSsse3},
    {"avx2", true, eps_export::ScanLevel::kAvx2},
};

// Room for exactly the stream's text, so that a scan writing past it is caught.
void Reserve(eps_export::TextBuffer& stream, std::uint64_t pixels, unsigned chars) {
  FUZZ_CHECK(eps_export::ReserveSampleText(stream, pixels, chars, SIZE_MAX),
             "no room for %llu pixels", static_cast<unsigned long long>(pixels));
}

void CheckScanner(const Scanner& scanner, const eps_reference::Bitmap& b,
                  const eps_export::PixelRows& rows, const std::vector<bool>& used,
                  const eps_reference::Samples& wanted) {
  const std::uint64_t pixels = std::uint64_t{b.width} * b.height;
  eps_export::TextBuffer stream;
  if (b.depth == 24) {
    Reserve(stream, pixels, eps_export::kColourChars);
    scanner.TrueColour(rows, stream);
    CheckStream(stream, wanted.colour, scanner.name);
    return;
  }
  const eps_export::UsedEntries found = scanner.FindUsed(rows, b.depth);
  CheckUsedEntries(found, used, scanner.name);
  const bool isColour = eps_export::UsesColour(found, b.table);
  FUZZ_CHECK(isColour == wanted.isColour, "%s: isColour %d, expected %d", scanner.name, isColour,
             wanted.isColour);
  Reserve(stream, pixels, isColour ? eps_export::kColourChars : eps_export::kGreyChars);
  scanner.Palette(rows, b.depth, b.table, found, isColour, stream);
  CheckStream(stream, isColour ? wanted.colour : wanted.grey, scanner.name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  eps_fuzz::InputBytes in(data, size);
  const std::uint8_t flags = in.Byte();
  static constexpr unsigned kDepths[4] = {1, 4, 8, 24};
  eps_reference::Bitmap b;
  b.depth = kDepths[flags & 3];
  b.topDown = (flags & 4) != 0;
  b.width = in.Byte() % 201u;
  b.height = in.Byte() % 32u;
  const std::size_t stride = static_cast<std::size_t>(eps_reference::Stride(b.depth, b.width));
  b.rowsSize = stride * b.height;
  const auto rows = Repeat(in.Rest(), in.RestSize(), 0, b.rowsSize);
  b.rows = rows.get();

  // The table ends right after the highest entry the pixels use.
  const std::vector<bool> used = eps_reference::UsedIndices(b);
  std::size_t entries = 0;
  for (std::size_t i = 0; b.depth != 24 && i < used.size(); ++i) {
    if (used[i]) entries = i + 1;
  }
  const auto table = Repeat(in.Rest(), in.RestSize(), b.rowsSize, entries * 4);
  b.table = table.get();
  b.tableEntries = entries;
  const eps_reference::Samples wanted = eps_reference::Encode(b);

  const eps_export::PixelRows pixelRows{rows.get(), stride, b.width, b.height, b.topDown};
  for (const Scanner& scanner : kScanners) {
    if (!scanner.useLevel || eps_export::ScanLevelRuns(scanner.level)) {
      CheckScanner(scanner, b, pixelRows, used, wanted);
    }
  }
  return 0;
}
