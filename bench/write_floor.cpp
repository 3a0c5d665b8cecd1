// The floor: the least any exporter can do for an output of N bytes. It makes
// the N bytes in fresh memory (so it pays the first-touch page faults an
// encoder pays) and writes them with one write().
//
// The fill copies one ready 73-byte text line after another with ordinary
// stores: memset of a block this large uses non-temporal stores, which here
// makes the write() after it about 15% slower and the floor too easy to reach.
//
// Given an INPUT, it first reads that file into fresh memory with one read(),
// as a converter must before it can write anything: the floor for a whole
// conversion.
//
// With --large-pages the buffers get the same large-page advice the plug-in
// and its host give theirs (platform/large_pages.h), for the floor of an
// exporter that does so.
//
//   write_floor [--large-pages] SIZE OUT [INPUT]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/large_pages.h"

namespace {

bool largePages = false;

void* Allocate(std::size_t size) {
  void* data = std::malloc(size == 0 ? 1 : size);
  if (largePages) eps_platform::PreferLargePages(data, size);
  return data;
}

bool ReadWhole(const char* path, char*& data) {
  const int fd = ::open(path, O_RDONLY);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0) return false;
  const auto size = static_cast<std::size_t>(info.st_size);
  data = static_cast<char*>(Allocate(size));
  std::size_t done = 0;
  while (data != nullptr && done < size) {
    const ssize_t n = ::read(fd, data + done, size - done);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0 && data != nullptr;
}

// Lines of 72 hex digits and an LF, as sample text is.
void FillLines(char* data, std::size_t size) {
  char line[73];
  for (std::size_t i = 0; i < 72; ++i) line[i] = "0123456789abcdef"[i % 16];
  line[72] = '\n';
  char* const end = data + size;
  for (; end - data >= 73; data += 73) std::memcpy(data, line, 73);
  std::memcpy(data, line, static_cast<std::size_t>(end - data));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--large-pages") == 0) {
    largePages = true;
    --argc;
    ++argv;
  }
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: write_floor [--large-pages] SIZE OUT [INPUT]\n");
    return 2;
  }
  char* input = nullptr;
  if (argc == 4 && !ReadWhole(argv[3], input)) return 1;
  const auto size = static_cast<std::size_t>(std::strtoull(argv[1], nullptr, 10));
  char* data = static_cast<char*>(Allocate(size));
  if (data == nullptr) return 1;
  FillLines(data, size);
  const int fd = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return 1;
  std::size_t done = 0;
  while (done < size) {  // one call unless the kernel splits it (over 2 GiB)
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n <= 0) return 1;
    done += static_cast<std::size_t>(n);
  }
  std::free(data);
  std::free(input);
  return ::close(fd) == 0 ? 0 : 1;
}
