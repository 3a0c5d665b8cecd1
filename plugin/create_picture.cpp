// CreatePicture: validate, encode, build the document text, then write it.
#include <cstdint>
#include <cstdlib>

#include "encode/sample_streams.h"
#include "eps/document.h"
#include "plugin/bitmap_source.h"
#include "plugin/exports.h"
#include "plugin/output_file.h"

namespace eps_export {
namespace {

// The largest text one buffer may hold: what the process can address in one
// object and what one WriteFile can carry.
constexpr std::uint64_t kMaxTextSize =
    PTRDIFF_MAX < UINT32_MAX ? std::uint64_t{PTRDIFF_MAX} : std::uint64_t{UINT32_MAX};

bool IsExportedDepth(unsigned depth) {
  return depth == 1 || depth == 4 || depth == 8 || depth == 24;
}

// The picture's size and rows, once the description has been checked against
// the memory it came in.
struct Picture {
  PixelRows rows;
  unsigned depth = 0;
  const std::uint8_t* colourTable = nullptr;
  std::size_t colourEntries = 0;  // entries that may be read
};

Result ResolvePicture(const HostBitmap& source, Picture& picture) {
  if (!source.Reachable() || source.DescriptionSize() < kInfoHeaderSize) return ResultBadBitmap;
  const BitmapDescription d = ReadBitmapDescription(source.Description());
  if (!IsExportedDepth(d.depth)) return ResultUnsupportedDepth;
  // A negative height is a top-down bitmap; its magnitude must stay an int32.
  if (d.width < 0 || d.height == INT32_MIN) return ResultBadBitmap;

  const auto width = static_cast<std::uint32_t>(d.width);
  const std::uint32_t height =
      d.height < 0 ? static_cast<std::uint32_t>(-d.height) : static_cast<std::uint32_t>(d.height);
  const std::uint64_t stride = RowStride(d.depth, width);
  // stride < 2^34 and height <= 2^31, so the product cannot wrap.
  if (stride * height > source.BitsSize()) {
    // Given by address, rows beyond the address space mean a picture whose
    // text could not be held either.
    return source.SizesKnown() ? ResultBadBitmap : ResultOutOfMemory;
  }

  picture.rows = {source.Bits(), static_cast<std::size_t>(stride), width, height, d.height < 0};
  picture.depth = d.depth;
  picture.colourTable = source.Description() + kInfoHeaderSize;
  picture.colourEntries = (source.DescriptionSize() - kInfoHeaderSize) / kColourEntrySize;
  return ResultOk;
}

// Fills `samples` with the one stream the document carries.
Result EncodeSamples(const Picture& picture, TextBuffer& samples, bool& isColour) {
  const std::uint64_t pixels = std::uint64_t{picture.rows.width} * picture.rows.height;
  if (pixels == 0) {  // nothing to scan, however many empty rows there are
    isColour = picture.depth == 24;
    return ResultOk;
  }
  if (picture.depth == 24) {
    isColour = true;
    if (!ReserveSampleText(samples, pixels, kColourChars, kMaxTextSize)) return ResultOutOfMemory;
    ScanTrueColour(picture.rows, samples);
    return ResultOk;
  }
  // Refuse a picture whose grey text alone is too large before reading its pixels.
  if (!SampleTextFits(pixels, kGreyChars, kMaxTextSize)) return ResultOutOfMemory;
  const UsedEntries used = FindUsedEntries(picture.rows, picture.depth);
  if (used.count != 0 && used.highest >= picture.colourEntries) return ResultBadBitmap;
  isColour = UsesColour(used, picture.colourTable);
  if (!ReserveSampleText(samples, pixels, isColour ? kColourChars : kGreyChars, kMaxTextSize)) {
    return ResultOutOfMemory;
  }
  ScanPalette(picture.rows, picture.depth, picture.colourTable, used, isColour, samples);
  return ResultOk;
}

Result WriteDocument(const char* fileName, const TextBuffer& header, const TextBuffer& samples,
                     const TextBuffer& trailer) {
  OutputFile file(fileName);
  if (!file.Opened()) return ResultFileError;
  // A failed write does not stop the ones after it.
  bool ok = file.Write(header);
  ok = file.Write(samples) && ok;
  ok = file.Write(trailer) && ok;
  return ok ? ResultOk : ResultFileError;
}

Result ExportPicture(const char* fileName, std::int32_t mode, void* description, void* bits) {
  TextBuffer headerText, sampleText, trailerText;
  if (mode != SourceByHandles && mode != SourceByPointers) return ResultNotAvailable;

  const HostBitmap source(mode, description, bits);  // unlocked when this returns
  Picture picture;
  if (Result r = ResolvePicture(source, picture); r != ResultOk) return r;

  bool isColour = false;
  if (Result r = EncodeSamples(picture, sampleText, isColour); r != ResultOk) return r;
  if (!headerText.Reserve(kHeaderCapacity) || !trailerText.Reserve(kTrailerSize)) {
    return ResultOutOfMemory;
  }
  BuildHeader(headerText, isColour, picture.rows.width, picture.rows.height);
  BuildTrailer(trailerText);
  if (headerText.Failed() || trailerText.Failed()) return ResultOutOfMemory;

  return WriteDocument(fileName, headerText, sampleText, trailerText);
}

}  // namespace
}  // namespace eps_export

extern "C" std::int32_t WINAPI CreatePicture(const char* fileName, std::int32_t mode,
                                             void* description, void* bits,
                                             std::int32_t /*reserved1*/,
                                             std::int32_t /*reserved2*/,
                                             std::int32_t /*reserved3*/) {
  return eps_export::ExportPicture(fileName, mode, description, bits);
}
