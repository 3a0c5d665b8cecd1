#include "encode/plain_scan.h"

namespace eps_export {
namespace {

unsigned PaletteIndex(const std::uint8_t* row, std::uint32_t x, unsigned depth) {
  switch (depth) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1u;
    case 4: return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15u;
    default: return row[x];
  }
}

}  // namespace

bool PlainScan(const PixelRows& rows, unsigned depth, const std::uint8_t* colourTable,
               TextBuffer& greyText, TextBuffer& colourText) {
  std::int32_t greyColumn = 0;
  std::int32_t colourColumn = 0;
  bool isColour = depth == 24;
  for (std::uint32_t y = 0; y < rows.height; ++y) {
    const std::uint8_t* row = rows.Row(y);
    for (std::uint32_t x = 0; x < rows.width; ++x) {
      if (depth == 24) {
        const std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
        AppendColourSample(colourText, colourColumn, p[2], p[1], p[0]);
        continue;
      }
      const std::uint8_t* entry = colourTable + PaletteIndex(row, x, depth) * kColourEntrySize;
      const std::uint8_t red = entry[2], green = entry[1], blue = entry[0];
      AppendGreySample(greyText, greyColumn, red);
      AppendColourSample(colourText, colourColumn, red, green, blue);
      if (red != green || red != blue) isColour = true;
    }
  }
  return isColour;
}

}  // namespace eps_export
