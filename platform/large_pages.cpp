#include "platform/large_pages.h"

#ifdef _WIN32

namespace eps_platform {

void PreferLargePages(void*, std::size_t) {}

}  // namespace eps_platform

#else

#include <sys/mman.h>

#include <cstdint>

namespace eps_platform {

void PreferLargePages(void* memory, std::size_t bytes) {
  constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
  if (memory == nullptr || bytes < 2 * kLargePage) return;
  // Only the whole large pages inside the block; the edges keep small pages.
  const auto start = reinterpret_cast<std::uintptr_t>(memory);
  const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t last = (start + bytes) & ~(kLargePage - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace eps_platform

#endif
