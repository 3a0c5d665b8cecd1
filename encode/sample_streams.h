// Bitmap scan and hexadecimal sample streams.
//
// Turns stored pixel rows into the sample text that the document's image
// procedure reads: two lowercase hex digits per 8-bit sample, grey (one sample
// per pixel) or colour (red, green, blue per pixel). Lines hold exactly 72 hex
// characters and end with LF; lines run on across pixel rows, and the last
// line has no LF unless it is complete. Nothing else is ever written.
//
// Inputs are read only. The caller guarantees that every row it describes is
// readable (RowStride bytes each) and, for palette depths, that the colour
// table holds every entry the pixels use: FindUsedEntries tells which.
#ifndef EPS_EXPORT_ENCODE_SAMPLE_STREAMS_H
#define EPS_EXPORT_ENCODE_SAMPLE_STREAMS_H

#include <cstddef>
#include <cstdint>

#include "encode/text_buffer.h"

namespace eps_export {

constexpr int kLineLength = 72;     // hex characters on a complete line
constexpr unsigned kGreyChars = 2;  // hex characters per pixel
constexpr unsigned kColourChars = 6;
constexpr std::size_t kColourEntrySize = 4;  // blue, green, red, reserved

// '0'..'9', 'a'..'f' for v in 0..15.
constexpr char HexDigit(unsigned v) {
  return static_cast<char>(v < 10 ? '0' + v : 'a' + (v - 10));
}

// One sample with the line rule applied after it. `column` counts the hex
// characters on the stream's current line.
void AppendGreySample(TextBuffer& stream, std::int32_t& column, std::uint8_t v);
void AppendColourSample(TextBuffer& stream, std::int32_t& column, std::uint8_t red,
                        std::uint8_t green, std::uint8_t blue);

// The stored rows of a bitmap, visited in the order the samples are written:
// the bottom row of the picture first. A top-down bitmap stores its top row
// first, so it is visited from its last stored row back.
struct PixelRows {
  const std::uint8_t* row0 = nullptr;  // stored row 0
  std::size_t stride = 0;              // bytes from one stored row to the next
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool topDown = false;

  const std::uint8_t* Row(std::uint32_t i) const {
    std::uint32_t stored = topDown ? height - 1 - i : i;
    return row0 + static_cast<std::size_t>(stored) * stride;
  }
};

// Exact byte count of a stream of `pixels` samples of `charsPerPixel` hex
// characters each, line ends included. Exact for pixels below 2^60.
std::uint64_t SampleTextSize(std::uint64_t pixels, unsigned charsPerPixel);

// True when the sample text of `pixels` fits in `limit` bytes.
bool SampleTextFits(std::uint64_t pixels, unsigned charsPerPixel, std::uint64_t limit);

// The reservation: gives `stream` room for the whole sample text, so that the
// scan never grows it. False when that text would exceed `limit` bytes or the
// memory cannot be had.
[[nodiscard]] bool ReserveSampleText(TextBuffer& stream, std::uint64_t pixels,
                                     unsigned charsPerPixel, std::uint64_t limit);

// Which colour-table entries the pixels of a 1-, 4- or 8-bit bitmap refer to.
struct UsedEntries {
  bool used[256] = {};
  unsigned count = 0;    // entries used
  unsigned highest = 0;  // the highest index used, when count > 0
};
UsedEntries FindUsedEntries(const PixelRows& rows, unsigned depth);

// True when any used entry is not neutral (red, green and blue not all equal).
bool UsesColour(const UsedEntries& entries, const std::uint8_t* colourTable);

// Depth 24: appends the colour stream (pixels are stored blue, green, red).
// `stream` must hold the room ReserveSampleText gives.
void ScanTrueColour(const PixelRows& rows, TextBuffer& stream);

// Depths 1, 4, 8: appends the colour stream when `isColour`, otherwise the grey
// stream, whose sample is each entry's red component. `used` is what
// FindUsedEntries found for these rows; only those entries are read.
void ScanPalette(const PixelRows& rows, unsigned depth, const std::uint8_t* colourTable,
                 const UsedEntries& used, bool isColour, TextBuffer& stream);

}  // namespace eps_export

#endif  // EPS_EXPORT_ENCODE_SAMPLE_STREAMS_H
