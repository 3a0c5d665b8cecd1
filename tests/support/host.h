// What a host does around an export: local-memory handles, a scratch folder,
// and reading back the file.
#ifndef EPS_EXPORT_TESTS_SUPPORT_HOST_H
#define EPS_EXPORT_TESTS_SUPPORT_HOST_H

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "plugin/exports.h"
#include "tests/support/test_bitmap.h"

namespace eps_test {

// A moveable local-memory block holding a copy of `bytes`.
class LocalMemory {
 public:
  explicit LocalMemory(const std::vector<std::uint8_t>& bytes)
      : handle_(LocalAlloc(LMEM_MOVEABLE, bytes.size())) {
    if (handle_ != nullptr && !bytes.empty()) {
      void* p = LocalLock(handle_);
      if (p != nullptr) std::memcpy(p, bytes.data(), bytes.size());
      LocalUnlock(handle_);
    }
  }
  LocalMemory(const LocalMemory&) = delete;
  LocalMemory& operator=(const LocalMemory&) = delete;
  ~LocalMemory() { LocalFree(handle_); }

  HLOCAL* Slot() { return &handle_; }
  unsigned LockCount() const { return LocalFlags(handle_) & LMEM_LOCKCOUNT; }

 private:
  HLOCAL handle_;
};

struct ExportOutcome {
  std::int32_t result;
  unsigned descriptionLocks;  // lock counts after the call; mode 0 only
  unsigned rowLocks;
};

inline ExportOutcome ExportByHandles(const std::string& path, const TestBitmap& bitmap) {
  // A zero-byte block does not lock, so a picture without pixels gets one spare byte.
  LocalMemory description(bitmap.description);
  LocalMemory rows(bitmap.rows.empty() ? std::vector<std::uint8_t>(1) : bitmap.rows);
  std::int32_t r = CreatePicture(path.c_str(), eps_export::SourceByHandles, description.Slot(),
                                 rows.Slot(), 0, 0, 0);
  return {r, description.LockCount(), rows.LockCount()};
}

inline std::int32_t ExportByPointers(const std::string& path, const TestBitmap& bitmap) {
  // Row memory of a picture without pixels still needs an address.
  static const std::uint8_t kNoRows[4] = {};
  const void* rows = bitmap.rows.empty() ? kNoRows : bitmap.rows.data();
  return CreatePicture(path.c_str(), eps_export::SourceByPointers,
                       const_cast<std::uint8_t*>(bitmap.description.data()),
                       const_cast<void*>(rows), 0, 0, 0);
}

// A fresh folder per test, removed afterwards.
class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    folder_ = std::filesystem::temp_directory_path() /
              ("eps_export_test_" + std::to_string(std::chrono::steady_clock::now()
                                                       .time_since_epoch()
                                                       .count()) +
               "_" + std::to_string(counter++));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }
  bool Exists(const std::string& name) const { return std::filesystem::exists(folder_ / name); }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  std::filesystem::path folder_;
};

}  // namespace eps_test

#endif  // EPS_EXPORT_TESTS_SUPPORT_HOST_H
