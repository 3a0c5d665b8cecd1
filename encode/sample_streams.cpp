#include "encode/sample_streams.h"

#include <cstring>

#include "encode/scan_kernels.h"

namespace eps_export {
namespace {

void ApplyLineRule(TextBuffer& stream, std::int32_t& column) {
  if (column >= kLineLength) {
    stream.Append('\n');
    column = 0;
  }
}

}  // namespace

void AppendGreySample(TextBuffer& stream, std::int32_t& column, std::uint8_t v) {
  const char digits[2] = {HexDigit(v / 16), HexDigit(v % 16)};
  stream.Append(std::string_view(digits, 2));
  column += 2;
  ApplyLineRule(stream, column);
}

void AppendColourSample(TextBuffer& stream, std::int32_t& column, std::uint8_t red,
                        std::uint8_t green, std::uint8_t blue) {
  const char digits[6] = {HexDigit(red / 16),   HexDigit(red % 16),  HexDigit(green / 16),
                          HexDigit(green % 16), HexDigit(blue / 16), HexDigit(blue % 16)};
  stream.Append(std::string_view(digits, 6));
  column += 6;
  ApplyLineRule(stream, column);
}

std::uint64_t SampleTextSize(std::uint64_t pixels, unsigned charsPerPixel) {
  const std::uint64_t chars = pixels * charsPerPixel;
  return chars + chars / kLineLength;
}

bool SampleTextFits(std::uint64_t pixels, unsigned charsPerPixel, std::uint64_t limit) {
  // The first test keeps SampleTextSize from wrapping.
  return pixels <= limit / charsPerPixel && SampleTextSize(pixels, charsPerPixel) <= limit;
}

bool ReserveSampleText(TextBuffer& stream, std::uint64_t pixels, unsigned charsPerPixel,
                       std::uint64_t limit) {
  if (!SampleTextFits(pixels, charsPerPixel, limit)) return false;
  const std::uint64_t size = SampleTextSize(pixels, charsPerPixel);
  return size <= SIZE_MAX && stream.Reserve(static_cast<std::size_t>(size));
}

UsedEntries FindUsedEntries(const PixelRows& rows, unsigned depth) {
  return FindUsedEntriesAt(BestScanLevel(), rows, depth);
}

bool UsesColour(const UsedEntries& entries, const std::uint8_t* colourTable) {
  for (unsigned i = 0; entries.count != 0 && i <= entries.highest; ++i) {
    if (!entries.used[i]) continue;
    const std::uint8_t* entry = colourTable + i * kColourEntrySize;
    if (entry[2] != entry[1] || entry[2] != entry[0]) return true;
  }
  return false;
}

void ScanTrueColour(const PixelRows& rows, TextBuffer& stream) {
  ScanTrueColourAt(BestScanLevel(), rows, stream);
}

void ScanPalette(const PixelRows& rows, unsigned depth, const std::uint8_t* colourTable,
                 const UsedEntries& used, bool isColour, TextBuffer& stream) {
  ScanPaletteAt(BestScanLevel(), rows, depth, colourTable, used, isColour, stream);
}

}  // namespace eps_export
