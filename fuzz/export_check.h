// What every fuzzer that exports checks: the result, the file, the locks,
// the open files.
#ifndef EPS_EXPORT_FUZZ_EXPORT_CHECK_H
#define EPS_EXPORT_FUZZ_EXPORT_CHECK_H

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "fuzz/fuzz_check.h"
#include "fuzz/reference_encoder.h"
#include "platform/kernel_faults.h"
#include "plugin/exports.h"

namespace eps_fuzz {

namespace fs = std::filesystem;

inline HLOCAL MakeHandle(const std::uint8_t* bytes, std::size_t size) {
  HLOCAL handle = LocalAlloc(LMEM_MOVEABLE, size);
  FUZZ_CHECK(handle != nullptr, "LocalAlloc(%zu) failed", size);
  if (size != 0) {
    void* memory = LocalLock(handle);
    std::memcpy(memory, bytes, size);
    LocalUnlock(handle);
  }
  return handle;
}

inline const fs::path& OutputPath() {
  static const fs::path path = [] {
    std::string pattern = (fs::temp_directory_path() / "eps-fuzz-XXXXXX").string();
    FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr, "no temporary folder");
    static const fs::path folder = pattern;
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(folder, ignored);
    });
    return folder / "out.eps";
  }();
  return path;
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// One export and every check on what it left behind.
inline void ExportAndCheck(std::int32_t mode, void* description, void* bits, int expected,
                           const eps_reference::Bitmap& bitmap) {
  const fs::path& path = OutputPath();
  std::error_code ignored;
  fs::remove(path, ignored);
  const int result = CreatePicture(path.c_str(), mode, description, bits, 0, 0, 0);
  FUZZ_CHECK(result == expected, "mode %d: result %d, expected %d", mode, result, expected);
  if (result != 0) {
    FUZZ_CHECK(!fs::exists(path), "mode %d: result %d left a file", mode, result);
  } else {
    const std::string written = ReadFile(path);
    const std::string wanted = eps_reference::Document(bitmap);
    FUZZ_CHECK(written == wanted, "mode %d: file differs at byte %zu (%zu bytes, expected %zu)",
               mode, FirstDifference(written, wanted), written.size(), wanted.size());
  }
  FUZZ_CHECK(eps_platform::GetKernelCounts().openFiles == 0, "a file is still open");
}

inline void CheckUnlocked(HLOCAL handle, const char* which) {
  if (handle == nullptr) return;
  const UINT locks = LocalFlags(handle) & LMEM_LOCKCOUNT;
  FUZZ_CHECK(locks == 0, "the %s handle is still locked %u times", which, locks);
}

// A mode-0 export of the two blocks, copied into handles of exactly their
// sizes (or a null handle for the rows), with every check. Fills `bitmap` as
// the reference reads the blocks and returns the result it expects.
inline int CheckExportByHandles(const std::uint8_t* description, std::size_t descriptionSize,
                                const std::uint8_t* rows, std::size_t rowsSize, bool nullRows,
                                eps_reference::Bitmap& bitmap) {
  const int liveBefore = eps_platform::GetKernelCounts().liveHandles;
  HLOCAL descriptionHandle = MakeHandle(description, descriptionSize);
  HLOCAL rowsHandle = nullRows ? nullptr : MakeHandle(rows, rowsSize);

  // The reference reads the host's copy of the bytes, never the plug-in's view.
  bitmap.rows = rows;
  const int expected = eps_reference::ExpectedResult(description, descriptionSize,
                                                     nullRows ? 0 : rowsSize, bitmap);
  ExportAndCheck(0, &descriptionHandle, &rowsHandle, expected, bitmap);
  CheckUnlocked(descriptionHandle, "description");
  CheckUnlocked(rowsHandle, "rows");
  LocalFree(descriptionHandle);
  LocalFree(rowsHandle);
  FUZZ_CHECK(eps_platform::GetKernelCounts().liveHandles == liveBefore, "a handle leaked");
  return expected;
}

}  // namespace eps_fuzz

#endif  // EPS_EXPORT_FUZZ_EXPORT_CHECK_H
