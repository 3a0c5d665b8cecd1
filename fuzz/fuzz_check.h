// Helpers the fuzzers share: a failed check prints what and where, then aborts
// so that libFuzzer (or the replay runner) keeps the input.
#ifndef EPS_EXPORT_FUZZ_FUZZ_CHECK_H
#define EPS_EXPORT_FUZZ_FUZZ_CHECK_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(condition, ...)                                            \
  do {                                                                        \
    if (!(condition)) {                                                       \
      std::fprintf(stderr, "%s:%d: check failed: %s\n  ", __FILE__, __LINE__, \
                   #condition);                                               \
      std::fprintf(stderr, __VA_ARGS__);                                      \
      std::fputc('\n', stderr);                                               \
      std::abort();                                                           \
    }                                                                         \
  } while (false)

namespace eps_fuzz {

// Reads the fuzzer input front to back; past its end every byte is 0.
class InputBytes {
 public:
  InputBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() { return used_ < size_ ? data_[used_++] : 0; }
  std::uint16_t Word() {
    const std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | Byte() << 8);
  }
  const std::uint8_t* Rest() const { return data_ + used_; }
  std::size_t RestSize() const { return size_ - used_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t used_ = 0;
};

// The index of the first byte where two texts differ (their common length
// when one is a prefix of the other), for messages.
inline std::size_t FirstDifference(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return i;
}

}  // namespace eps_fuzz

#endif  // EPS_EXPORT_FUZZ_FUZZ_CHECK_H
