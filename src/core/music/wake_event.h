// A manual-reset event: once set it stays set until reset. Waiters can also be
// woken without setting it, so that they look at a stop condition again.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tilvane {

class WakeEvent {
 public:
  void Set() {
    std::lock_guard lock(mutex_);
    set_ = true;
    changed_.notify_all();
  }
  void Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
  }
  bool IsSet() const {
    std::lock_guard lock(mutex_);
    return set_;
  }
  // Wakes every waiter so it evaluates its `stop` condition again. Whoever
  // changes that condition must do so before calling this.
  void Interrupt() {
    std::lock_guard lock(mutex_);
    changed_.notify_all();
  }
  // Waits at most `timeout` for the event to be set or `stop()` to hold;
  // true when the event is set.
  template <typename Stop>
  bool WaitFor(std::chrono::milliseconds timeout, Stop stop) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return set_ || stop(); });
    return set_;
  }
  // Waits at most `timeout` for `stop()` to hold, whether or not the event is
  // set; true when it holds.
  template <typename Stop>
  bool WaitForStop(std::chrono::milliseconds timeout, Stop stop) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, stop);
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool set_ = false;
};

}  // namespace tilvane
