// The plug-in with the input read taken out: maps a .bmp file (40-byte
// information header) and hands the plug-in the mapped header and rows as
// plain addresses (mode 1), so that no copy of the input is made. Set beside
// eps-export, which reads the file into local memory first, it shows what the
// export costs apart from reading its input.
//
//   export_mapped IN.bmp OUT.eps
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "plugin/exports.h"

namespace {

std::uint32_t Read32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s IN.bmp OUT.eps\n", argv[0]);
    return 2;
  }
  const int fd = ::open(argv[1], O_RDONLY);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || info.st_size < 54) return 1;
  const auto size = static_cast<std::size_t>(info.st_size);
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  if (map == MAP_FAILED) return 1;
  const auto* file = static_cast<const std::uint8_t*>(map);
  const std::uint32_t rowsAt = Read32(file + 10);
  if (file[0] != 'B' || file[1] != 'M' || Read32(file + 14) != 40 || rowsAt >= size) {
    std::fprintf(stderr, "%s: not a .bmp with a 40-byte information header\n", argv[1]);
    return 1;
  }
  // The plug-in only reads through these; the interface takes them unqualified.
  const std::int32_t result =
      CreatePicture(argv[2], eps_export::SourceByPointers, const_cast<std::uint8_t*>(file + 14),
                    const_cast<std::uint8_t*>(file + rowsAt), 0, 0, 0);
  ::munmap(map, size);
  ::close(fd);
  if (result != 0) std::fprintf(stderr, "%s: CreatePicture returned %d\n", argv[1], result);
  return result == 0 ? 0 : 1;
}
