// POSIX stand-in for the kernel services the plug-in uses (see kernel.h).
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "platform/kernel.h"
#include "platform/kernel_faults.h"
#include "platform/large_pages.h"

namespace {

struct LocalBlock {
  std::size_t size;
  unsigned lockCount;
  // The data follows, aligned like malloc's.
  alignas(std::max_align_t) unsigned char data[1];
};

struct KernelState {
  std::mutex mutex;
  std::unordered_set<const void*> liveBlocks;  // lets a foreign handle be refused, not dereferenced
  eps_platform::KernelFaults faults;
  eps_platform::KernelCounts counts;
};

KernelState& State() {
  static KernelState* state = new KernelState;  // never destroyed: hosts may call during exit
  return *state;
}

// Descriptors travel inside HANDLE values offset by one, so descriptor 0 is not a null handle.
HANDLE HandleFromDescriptor(int fd) {
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd) + 1);
}

int DescriptorFromHandle(HANDLE handle) {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(handle) - 1);
}

LocalBlock* BlockOf(HLOCAL memory) { return static_cast<LocalBlock*>(memory); }

bool IsLive(KernelState& state, HLOCAL memory) {
  return memory != nullptr && state.liveBlocks.count(memory) != 0;
}

// Writes all of count bytes, resuming after interrupted or partial writes.
bool WriteAll(int fd, const unsigned char* bytes, std::size_t count, std::size_t& done) {
  done = 0;
  while (done < count) {
    ssize_t n = ::write(fd, bytes + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

extern "C" {

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD /*shareMode*/, SECURITY_ATTRIBUTES*,
                   DWORD disposition, DWORD /*flags*/, HANDLE /*templateFile*/) {
  KernelState& state = State();
  {
    std::lock_guard lock(state.mutex);
    ++state.counts.createFile;
    if (state.faults.failCreateFile) return INVALID_HANDLE_VALUE;
  }
  // Only what the plug-in asks for is provided: a new or truncated file for writing.
  if (fileName == nullptr || access != GENERIC_WRITE || disposition != CREATE_ALWAYS) {
    return INVALID_HANDLE_VALUE;
  }
  int fd = ::open(fileName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return INVALID_HANDLE_VALUE;
  std::lock_guard lock(state.mutex);
  ++state.counts.openFiles;
  return HandleFromDescriptor(fd);
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, OVERLAPPED*) {
  KernelState& state = State();
  std::size_t limit = count;
  bool failAfter = false;
  {
    std::lock_guard lock(state.mutex);
    int call = ++state.counts.writeFile;
    if (call == state.faults.failWrite) {
      limit = 0;
      failAfter = true;
    } else if (call == state.faults.shortWrite) {
      limit = count / 2;
      failAfter = true;
    }
  }
  if (written != nullptr) *written = 0;
  if (file == INVALID_HANDLE_VALUE || file == nullptr || (buffer == nullptr && count != 0)) {
    return FALSE;
  }
  std::size_t done = 0;
  bool ok = WriteAll(DescriptorFromHandle(file), static_cast<const unsigned char*>(buffer), limit,
                     done);
  if (written != nullptr) *written = static_cast<DWORD>(done);
  return ok && !failAfter ? TRUE : FALSE;
}

BOOL CloseHandle(HANDLE object) {
  KernelState& state = State();
  {
    std::lock_guard lock(state.mutex);
    ++state.counts.closeHandle;
  }
  if (object == INVALID_HANDLE_VALUE || object == nullptr) return FALSE;
  if (::close(DescriptorFromHandle(object)) != 0) return FALSE;
  std::lock_guard lock(state.mutex);
  --state.counts.openFiles;
  return TRUE;
}

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
  if (bytes > SIZE_MAX - sizeof(LocalBlock)) return nullptr;
  void* raw = (flags & LMEM_ZEROINIT) ? std::calloc(1, sizeof(LocalBlock) + bytes)
                                      : std::malloc(sizeof(LocalBlock) + bytes);
  if (raw == nullptr) return nullptr;
  // Large blocks hold whole bitmaps, which hosts fill once, front to back.
  eps_platform::PreferLargePages(raw, sizeof(LocalBlock) + bytes);
  auto* block = new (raw) LocalBlock{bytes, 0, {}};
  KernelState& state = State();
  std::lock_guard lock(state.mutex);
  state.liveBlocks.insert(block);
  ++state.counts.liveHandles;
  return block;
}

HLOCAL LocalFree(HLOCAL memory) {
  if (memory == nullptr) return nullptr;
  KernelState& state = State();
  {
    std::lock_guard lock(state.mutex);
    if (state.liveBlocks.erase(memory) == 0) return memory;  // failure: the handle is returned
    --state.counts.liveHandles;
  }
  std::free(memory);
  return nullptr;
}

LPVOID LocalLock(HLOCAL memory) {
  KernelState& state = State();
  std::lock_guard lock(state.mutex);
  int call = ++state.counts.localLock;
  if (call == state.faults.failLock || !IsLive(state, memory)) return nullptr;
  LocalBlock* block = BlockOf(memory);
  if (block->size == 0) return nullptr;  // as on Windows: a zero-byte block has no memory
  ++block->lockCount;
  return block->data;
}

BOOL LocalUnlock(HLOCAL memory) {
  KernelState& state = State();
  std::lock_guard lock(state.mutex);
  ++state.counts.localUnlock;
  if (!IsLive(state, memory)) return FALSE;
  LocalBlock* block = BlockOf(memory);
  if (block->lockCount == 0) return FALSE;
  --block->lockCount;
  return block->lockCount != 0 ? TRUE : FALSE;  // as on Windows: still locked
}

SIZE_T LocalSize(HLOCAL memory) {
  KernelState& state = State();
  std::lock_guard lock(state.mutex);
  return IsLive(state, memory) ? BlockOf(memory)->size : 0;
}

UINT LocalFlags(HLOCAL memory) {
  KernelState& state = State();
  std::lock_guard lock(state.mutex);
  if (!IsLive(state, memory)) return LMEM_INVALID_HANDLE;
  return BlockOf(memory)->lockCount & LMEM_LOCKCOUNT;
}

LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int maxLength) {
  if (destination == nullptr || source == nullptr || maxLength <= 0) return nullptr;
  int i = 0;
  for (; i < maxLength - 1 && source[i] != '\0'; ++i) destination[i] = source[i];
  destination[i] = '\0';
  return destination;
}

int lstrlenA(LPCSTR text) {
  return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}

}  // extern "C"

namespace eps_platform {

void ArmKernelFaults(const KernelFaults& faults) {
  KernelState& state = State();
  std::lock_guard lock(state.mutex);
  state.faults = faults;
}

void ResetKernel() {
  KernelState& state = State();
  std::lock_guard lock(state.mutex);
  state.faults = KernelFaults{};
  int open = state.counts.openFiles;
  int live = state.counts.liveHandles;
  state.counts = KernelCounts{};
  state.counts.openFiles = open;  // these two describe what exists, not what was called
  state.counts.liveHandles = live;
}

KernelCounts GetKernelCounts() {
  KernelState& state = State();
  std::lock_guard lock(state.mutex);
  return state.counts;
}

}  // namespace eps_platform
