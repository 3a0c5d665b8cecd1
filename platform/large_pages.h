// Advice for large blocks that are filled once, front to back: back them with
// large pages, so that the first touch costs one page fault per 2 MiB instead
// of one per 4 KiB. Only advice: the contents and the result of every call are
// the same whether it is followed or not. Where unprivileged processes cannot
// ask for it (Windows), it does nothing.
#ifndef EPS_EXPORT_PLATFORM_LARGE_PAGES_H
#define EPS_EXPORT_PLATFORM_LARGE_PAGES_H

#include <cstddef>

namespace eps_platform {

void PreferLargePages(void* memory, std::size_t bytes);

}  // namespace eps_platform

#endif  // EPS_EXPORT_PLATFORM_LARGE_PAGES_H
