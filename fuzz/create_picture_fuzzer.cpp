// CreatePicture on whatever memory a host might hand over.
//
// Input: byte 0 holds flags (below), bytes 1-2 the width and an odd depth,
// byte 3 the height, bytes 4-5 how the rest is split between the description
// handle and the rows handle. Each handle is exactly as large as chosen, so
// any read past what the host gave is caught by the sanitizer.
//
// Every run checks: the result is the one the reference predicts; on 0 the
// file is byte for byte the reference document, otherwise no file exists;
// both handles are unlocked again; no file is left open; no handle leaked.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "fuzz/export_check.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/reference_encoder.h"

namespace {

constexpr std::uint8_t kTopDown = 0x08;
constexpr std::uint8_t kAlsoByPointers = 0x10;  // repeat a good export in mode 1
constexpr std::uint8_t kRawDescription = 0x20;  // leave the header fields as the input has them
constexpr std::uint8_t kNullRowsHandle = 0x40;
constexpr std::uint8_t kFitSizes = 0x80;  // size the handles to the picture, plus a little

struct Layout {
  std::uint8_t flags = 0;
  unsigned depth = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::size_t descriptionSize = 0;
  std::size_t rowsSize = 0;
};

Layout ChooseLayout(eps_fuzz::InputBytes& in) {
  Layout l;
  l.flags = in.Byte();
  const std::uint8_t widthLow = in.Byte();
  const std::uint8_t widthHigh = in.Byte();
  static constexpr unsigned kDepths[8] = {1, 4, 8, 24, 1, 8, 24, 0};
  l.depth = kDepths[l.flags & 7];
  if (l.depth == 0) l.depth = widthHigh >> 1;  // anything 0..127, mostly unsupported
  l.width = widthLow | (widthHigh & 1u) << 8;
  l.height = in.Byte();
  const std::uint16_t split = in.Word();
  const std::size_t rest = in.RestSize();
  if (l.flags & kFitSizes) {
    l.height %= 64;
    l.descriptionSize = 40 + 4 * std::size_t{split & 0xFFu} + (split >> 8 & 3u);
    // Up to 3 bytes more or 4 fewer than the rows need: the bounds check's edge.
    const unsigned slack = split >> 10 & 7u;
    const std::uint64_t need = eps_reference::Stride(l.depth, l.width) * l.height;
    l.rowsSize = slack < 4 ? need + slack : need - std::min<std::uint64_t>(need, slack - 3);
  } else {
    l.descriptionSize = split % (rest + 1);
    l.rowsSize = rest - l.descriptionSize;
  }
  return l;
}

// The bytes of both blocks: the input's rest, repeated when it is too short.
std::unique_ptr<std::uint8_t[]> Fill(const std::uint8_t* rest, std::size_t restSize,
                                     std::size_t offset, std::size_t size) {
  auto bytes = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = restSize == 0 ? 0 : rest[(offset + i) % restSize];
  }
  return bytes;
}

template <typename T>
void PutField(std::uint8_t* description, std::size_t size, std::size_t offset, T value) {
  if (offset + sizeof value <= size) std::memcpy(description + offset, &value, sizeof value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  eps_fuzz::InputBytes in(data, size);
  const Layout l = ChooseLayout(in);
  auto description = Fill(in.Rest(), in.RestSize(), 0, l.descriptionSize);
  auto rows = Fill(in.Rest(), in.RestSize(), l.descriptionSize, l.rowsSize);
  if (!(l.flags & kRawDescription)) {
    const std::int32_t height = static_cast<std::int32_t>(l.height);
    PutField(description.get(), l.descriptionSize, 4, static_cast<std::int32_t>(l.width));
    PutField(description.get(), l.descriptionSize, 8, l.flags & kTopDown ? -height : height);
    PutField(description.get(), l.descriptionSize, 14, static_cast<std::uint16_t>(l.depth));
  }

  eps_reference::Bitmap bitmap;
  const int expected =
      eps_fuzz::CheckExportByHandles(description.get(), l.descriptionSize, rows.get(), l.rowsSize,
                                     (l.flags & kNullRowsHandle) != 0, bitmap);
  if (expected == 0 && (l.flags & kAlsoByPointers)) {
    // Mode 1 trusts the addresses; these blocks are exactly as long as the handles were.
    eps_fuzz::ExportAndCheck(1, description.get(), rows.get(), 0, bitmap);
  }
  return 0;
}
