// The program's own per-thread slots.
//
// All slots live on top of one operating-system TLS index, so the program
// never runs out of system indexes, and a slot may have a destructor that
// runs for each thread's value when that thread ends. The process has 256
// slots; claiming a 257th stops the process.
//
// A slot is a process-wide object, claimed once before any thread uses it:
// either a function-local static or a lazy instance.
//
//   void DeleteLoop(void* value) { delete static_cast<Loop*>(value); }
//   ThreadLocalStorageSlot& LoopSlot() {
//     static ThreadLocalStorageSlot slot(&DeleteLoop);
//     return slot;
//   }
//   LoopSlot().Set(new Loop);  // deleted when this thread ends
//
// Values are touched only by their own thread; the slot table is guarded by
// one lock. At thread exit the destructors run in passes: a destructor may
// store values in other slots, and those are destroyed in the next pass, up
// to 256 passes.
#ifndef BASE_THREADING_THREAD_LOCAL_STORAGE_H_
#define BASE_THREADING_THREAD_LOCAL_STORAGE_H_

#include <stdint.h>

namespace base {

class Lock;

// Runs for a thread's non-null value of a slot when that thread ends.
typedef void (*TLSDestructorFunc)(void* value);

class ThreadLocalStorageSlot {
 public:
  // A slot not yet claimed: call Initialize before use.
  constexpr ThreadLocalStorageSlot()
      : initialized_(0), slot_(-1), version_(0) {}
  // Claims a slot at once; |destructor| may be null.
  explicit ThreadLocalStorageSlot(TLSDestructorFunc destructor);
  ThreadLocalStorageSlot(const ThreadLocalStorageSlot&) = delete;
  ThreadLocalStorageSlot& operator=(const ThreadLocalStorageSlot&) = delete;

  // Claims the first free slot after the one claimed last. Stops the process
  // when all 256 are in use.
  void Initialize(TLSDestructorFunc destructor);

  // Releases the slot. Values stored under it read as null on every thread
  // from now on, and their destructors never run.
  void Free();

  // The calling thread's value, or null. Null for a slot that is not
  // claimed, and on a thread whose values were already torn down at exit.
  void* Get() const;

  // Stores the calling thread's value. Stops the process when the slot is
  // not claimed: the value would be lost.
  void Set(void* value);

  // A per-thread boolean: true stores a non-null marker, false null.
  void SetBoolean(bool value) { Set(value ? this : nullptr); }
  bool GetBoolean() const { return Get() != nullptr; }

  bool initialized() const { return initialized_ != 0; }
  // The index in the slot table, -1 when not claimed.
  int slot_index() const { return slot_; }

 private:
  int32_t initialized_;
  int32_t slot_;
  // The table entry's version when claimed; a thread's value counts only
  // when stored under the same version.
  uint32_t version_;
};

// The lock of the slot table, created on first use.
Lock* GetThreadLocalStorageLock();

// Creates the calling thread's vector of values (allocating the system TLS
// index first when the process has none) and returns it. Stops the process
// when the thread already has one.
void* ConstructThreadLocalStorageVector();

// Runs the destructors of the ending thread's values (|vector| is the
// thread's vector) and clears the thread's vector. The module's thread-exit
// callback does the same, except that at process exit it only tries the
// slot table's lock, which a killed thread may hold for good: when the lock
// is busy, the values are left to the end of the process.
void OnThreadExitForThreadLocalStorage(void* vector);

// The slot, without destructor, in which the sequenced worker pool's threads
// keep their worker.
ThreadLocalStorageSlot* GetWorkerPoolThreadLocalSlot();

namespace internal {

// For tests: whether the calling thread has a live vector of values.
bool ThreadHasLocalStorageVectorForTesting();

}  // namespace internal
}  // namespace base

#endif  // BASE_THREADING_THREAD_LOCAL_STORAGE_H_
