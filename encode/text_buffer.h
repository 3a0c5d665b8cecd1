// A growable byte string that is only appended to. Memory comes from malloc so
// that running out is a return value, never an exception crossing the plug-in
// boundary: once an append cannot get memory the buffer is marked failed and
// keeps what it had.
#ifndef EPS_EXPORT_ENCODE_TEXT_BUFFER_H
#define EPS_EXPORT_ENCODE_TEXT_BUFFER_H

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/large_pages.h"

namespace eps_export {

class TextBuffer {
 public:
  TextBuffer() = default;
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;
  ~TextBuffer() { std::free(data_); }

  // Makes room for at least `capacity` bytes in all. False when the memory
  // cannot be had; the buffer is then unchanged.
  [[nodiscard]] bool Reserve(std::size_t capacity) {
    if (capacity <= capacity_) return true;
    void* grown = std::realloc(data_, capacity);
    if (grown == nullptr) return false;
    data_ = static_cast<char*>(grown);
    capacity_ = capacity;
    // Sample text fills its reservation once, front to back.
    eps_platform::PreferLargePages(data_, capacity_);
    return true;
  }

  void Append(std::string_view text) {
    if (failed_) return;
    if (text.size() > capacity_ - size_ && !Reserve(GrownCapacity(text.size()))) {
      failed_ = true;
      return;
    }
    if (!text.empty()) std::memcpy(data_ + size_, text.data(), text.size());
    size_ += text.size();
  }

  void Append(char c) { Append(std::string_view(&c, 1)); }

  // For scans that write straight into reserved room: Tail() points past the
  // last byte, and Commit(n) takes n bytes written there into the contents.
  char* Tail() { return data_ + size_; }
  void Commit(std::size_t n) { size_ += n; }
  std::size_t Spare() const { return capacity_ - size_; }

  bool Failed() const { return failed_; }
  const char* Data() const { return data_; }
  std::size_t Size() const { return size_; }
  std::string_view View() const { return {data_ == nullptr ? "" : data_, size_}; }

 private:
  std::size_t GrownCapacity(std::size_t extra) const {
    std::size_t need = size_ + extra;
    if (need < size_) return static_cast<std::size_t>(-1);  // cannot be met
    std::size_t doubled = capacity_ * 2;
    return doubled > need && doubled > capacity_ ? doubled : need;
  }

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  bool failed_ = false;
};

}  // namespace eps_export

#endif  // EPS_EXPORT_ENCODE_TEXT_BUFFER_H
