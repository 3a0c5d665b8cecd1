// GoogleTest's customisation hook for the Windows build, found ahead of the
// empty one GoogleTest ships.
//
// GoogleTest builds its Notification (how it starts its own helper threads)
// on std::mutex, which the win32-thread C++ runtime does not have. This one
// waits on an atomic flag instead. The suite starts no threads, so the wait
// never runs in practice; it only has to be correct.
#ifndef EPS_EXPORT_TESTS_WIN32_GTEST_CUSTOM_PORT_H
#define EPS_EXPORT_TESTS_WIN32_GTEST_CUSTOM_PORT_H

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  void Notify() { notified_.store(true, std::memory_order_release); }
  void WaitForNotification() const {
    while (!notified_.load(std::memory_order_acquire)) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing

#endif  // EPS_EXPORT_TESTS_WIN32_GTEST_CUSTOM_PORT_H
