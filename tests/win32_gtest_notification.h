// GoogleTest for the Windows build. The runtime of the win32-threads
// compiler has no std::mutex or std::condition_variable, which GoogleTest
// uses only for its Notification class (a start signal for threads it
// creates in its own self-tests). This one stands in for it; the program's
// tests never use it.
#pragma once

#include <atomic>

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true); }

  void WaitForNotification() {
    while (!notified_.load()) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal

#define GTEST_HAS_NOTIFICATION_ 1
