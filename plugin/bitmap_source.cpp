#include "plugin/bitmap_source.h"

#include <cstring>

#include "plugin/exports.h"

namespace eps_export {
namespace {

template <typename T>
T ReadField(const std::uint8_t* description, std::size_t offset) {
  T value;
  std::memcpy(&value, description + offset, sizeof value);  // little-endian on every target
  return value;
}

// Locks the handle stored at `slot`; null when there is none or it will not lock.
const std::uint8_t* LockSlot(void* slot, HLOCAL& locked, std::size_t& size) {
  if (slot == nullptr) return nullptr;
  HLOCAL handle = *static_cast<HLOCAL*>(slot);
  if (handle == nullptr) return nullptr;
  void* memory = LocalLock(handle);
  if (memory == nullptr) return nullptr;
  locked = handle;
  size = LocalSize(handle);
  return static_cast<const std::uint8_t*>(memory);
}

}  // namespace

BitmapDescription ReadBitmapDescription(const std::uint8_t* description) {
  return {ReadField<std::int32_t>(description, 4), ReadField<std::int32_t>(description, 8),
          ReadField<std::uint16_t>(description, 14)};
}

std::uint64_t RowStride(unsigned depth, std::uint32_t width) {
  const std::uint64_t bits = std::uint64_t{width} * depth;
  return (bits + 31) / 32 * 4;
}

HostBitmap::HostBitmap(std::int32_t mode, void* description, void* bits) {
  if (mode == SourceByPointers) {
    description_ = static_cast<const std::uint8_t*>(description);
    bits_ = static_cast<const std::uint8_t*>(bits);
    return;
  }
  description_ = LockSlot(description, descriptionHandle_, descriptionSize_);
  if (description_ != nullptr) bits_ = LockSlot(bits, bitsHandle_, bitsSize_);
}

HostBitmap::~HostBitmap() {
  if (descriptionHandle_ != nullptr) LocalUnlock(descriptionHandle_);
  if (bitsHandle_ != nullptr) LocalUnlock(bitsHandle_);
}

}  // namespace eps_export
