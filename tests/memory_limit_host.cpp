// A host that exports one blank bitmap of the size given on the command line
// through the plug-in module, for runs under a limited address space.
//   memory_limit_host DEPTH WIDTH HEIGHT FILE
// DEPTH is 1, 4, 8 (grey table), 8c (colour table) or 24. Prints the result
// code and exits 0; exits 2 on bad arguments, 3 when the host itself cannot
// get the memory for the bitmap (then the size tells nothing of the plug-in).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "plugin/exports.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s DEPTH WIDTH HEIGHT FILE\n", argv[0]);
    return 2;
  }
  const std::string depthArg = argv[1];
  const bool colourTable = depthArg == "8c";
  const auto depth = static_cast<std::uint16_t>(std::atoi(depthArg.c_str()));
  const std::int32_t width = std::atoi(argv[2]);
  const std::int32_t height = std::atoi(argv[3]);
  if (width < 0 || height < 0) return 2;

  std::uint8_t description[40 + 4 * 256] = {};
  std::memcpy(description + 4, &width, 4);
  std::memcpy(description + 8, &height, 4);
  std::memcpy(description + 14, &depth, 2);
  if (colourTable) description[40 + 2] = 255;  // entry 0 is red: a colour document
  const std::uint64_t stride = (std::uint64_t(width) * depth + 31) / 32 * 4;
  // Zeroed pages that are never written cost address space, not memory.
  void* rows = std::calloc(static_cast<std::size_t>(stride * std::uint64_t(height)) + 1, 1);
  if (rows == nullptr) {
    std::fprintf(stderr, "the host cannot allocate the rows\n");
    return 3;
  }
  const std::int32_t result = CreatePicture(argv[4], eps_export::SourceByPointers, description,
                                            rows, 0, 0, 0);
  std::printf("%d\n", result);
  std::free(rows);
  return 0;
}
