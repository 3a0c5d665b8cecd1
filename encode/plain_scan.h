// The plain encoder: one sample at a time through AppendGreySample and
// AppendColourSample, building both streams of a palette bitmap in one pass.
// Slow and obviously right; the fast scans are checked against it.
#ifndef EPS_EXPORT_ENCODE_PLAIN_SCAN_H
#define EPS_EXPORT_ENCODE_PLAIN_SCAN_H

#include <cstdint>

#include "encode/sample_streams.h"

namespace eps_export {

// Fills `greyText` (palette depths only) and `colourText`; returns isColour.
// For depths 1, 4 and 8 the colour table must hold every entry a pixel uses.
bool PlainScan(const PixelRows& rows, unsigned depth, const std::uint8_t* colourTable,
               TextBuffer& greyText, TextBuffer& colourText);

}  // namespace eps_export

#endif  // EPS_EXPORT_ENCODE_PLAIN_SCAN_H
