// The passes behind FindUsedEntries, ScanTrueColour and ScanPalette, with the
// instruction-set level as an argument so that tests and benchmarks can run
// each one. The public functions use BestScanLevel(). Every level gives the
// same result, byte for byte.
#ifndef EPS_EXPORT_ENCODE_SCAN_KERNELS_H
#define EPS_EXPORT_ENCODE_SCAN_KERNELS_H

#include <cstdint>

#include "encode/sample_streams.h"

namespace eps_export {

enum class ScanLevel {
  kPlain,  // portable C++ only
  kSsse3,  // byte shuffles, 16 bytes at a time
  kAvx2,   // byte shuffles, 32 bytes at a time
};

// The fastest level this processor runs, found once.
ScanLevel BestScanLevel();

// False for a level this processor cannot run (or this build does not have).
bool ScanLevelRuns(ScanLevel level);

UsedEntries FindUsedEntriesAt(ScanLevel level, const PixelRows& rows, unsigned depth);
void ScanTrueColourAt(ScanLevel level, const PixelRows& rows, TextBuffer& stream);
void ScanPaletteAt(ScanLevel level, const PixelRows& rows, unsigned depth,
                   const std::uint8_t* colourTable, const UsedEntries& used, bool isColour,
                   TextBuffer& stream);

}  // namespace eps_export

#endif  // EPS_EXPORT_ENCODE_SCAN_KERNELS_H
