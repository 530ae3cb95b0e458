// A one-way flag that one thread sets and others poll, without a lock.
//
//   AtomicFlag cancelled;
//   // controlling thread:
//   result_ = kAbandoned;
//   cancelled.Set();
//   // worker thread:
//   if (cancelled.IsSet()) return result_;  // sees kAbandoned
//
// Every write a thread makes before Set() is visible to a thread that then
// sees IsSet() return true. The flag is never cleared.
#ifndef BASE_SYNCHRONIZATION_ATOMIC_FLAG_H_
#define BASE_SYNCHRONIZATION_ATOMIC_FLAG_H_

#include <stdint.h>

#include <atomic>

namespace base {

class AtomicFlag {
 public:
  AtomicFlag() : flag_(0) {}
  AtomicFlag(const AtomicFlag&) = delete;
  AtomicFlag& operator=(const AtomicFlag&) = delete;

  void Set() { flag_.store(1, std::memory_order_release); }
  bool IsSet() const { return flag_.load(std::memory_order_acquire) != 0; }

 private:
  std::atomic<uint32_t> flag_;
};

}  // namespace base

#endif  // BASE_SYNCHRONIZATION_ATOMIC_FLAG_H_
