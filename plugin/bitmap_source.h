// How CreatePicture reaches the host's bitmap, and what it may read of it.
#ifndef EPS_EXPORT_PLUGIN_BITMAP_SOURCE_H
#define EPS_EXPORT_PLUGIN_BITMAP_SOURCE_H

#include <cstddef>
#include <cstdint>

#include "platform/kernel.h"

namespace eps_export {

constexpr std::size_t kInfoHeaderSize = 40;  // the colour table starts here

// The fields of the bitmap information header that the export reads.
struct BitmapDescription {
  std::int32_t width;   // biWidth
  std::int32_t height;  // biHeight; negative for top-down rows
  std::uint16_t depth;  // biBitCount
};
BitmapDescription ReadBitmapDescription(const std::uint8_t* description);

// Bytes of one stored row: pixels padded to a multiple of 4 bytes.
std::uint64_t RowStride(unsigned depth, std::uint32_t width);

// The description and rows, locked for the life of this object in mode 0
// (and unlocked in the order description, rows when it ends), or taken as
// plain addresses in mode 1, whose sizes are then unknown.
class HostBitmap {
 public:
  HostBitmap(std::int32_t mode, void* description, void* bits);
  HostBitmap(const HostBitmap&) = delete;
  HostBitmap& operator=(const HostBitmap&) = delete;
  ~HostBitmap();

  // False when an address is null or a handle could not be locked.
  bool Reachable() const { return description_ != nullptr && bits_ != nullptr; }
  const std::uint8_t* Description() const { return description_; }
  const std::uint8_t* Bits() const { return bits_; }
  // Bytes that may be read; SIZE_MAX where the host gave no size.
  std::size_t DescriptionSize() const { return descriptionSize_; }
  std::size_t BitsSize() const { return bitsSize_; }
  bool SizesKnown() const { return descriptionHandle_ != nullptr; }

 private:
  HLOCAL descriptionHandle_ = nullptr;  // locked handles, mode 0 only
  HLOCAL bitsHandle_ = nullptr;
  const std::uint8_t* description_ = nullptr;
  const std::uint8_t* bits_ = nullptr;
  std::size_t descriptionSize_ = SIZE_MAX;
  std::size_t bitsSize_ = SIZE_MAX;
};

}  // namespace eps_export

#endif  // EPS_EXPORT_PLUGIN_BITMAP_SOURCE_H
