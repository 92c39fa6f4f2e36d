// Lock annotations that clang's -Wthread-safety checks at compile time: which mutex
// guards a member, which a function needs held or must not hold. Other compilers see
// nothing. Mutex and RecursiveMutex are the standard mutexes with the annotations the
// analysis needs; MutexLock holds one for a scope.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace base {

#if defined(__clang__)
#define CORVEX_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define CORVEX_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) CORVEX_THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY CORVEX_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) CORVEX_THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) CORVEX_THREAD_ANNOTATION(pt_guarded_by(x))
#define ACQUIRED_BEFORE(...) CORVEX_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define ACQUIRED_AFTER(...) CORVEX_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
#define REQUIRES(...) CORVEX_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) CORVEX_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) CORVEX_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) CORVEX_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define EXCLUDES(...) CORVEX_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define RETURN_CAPABILITY(x) CORVEX_THREAD_ANNOTATION(lock_returned(x))
#define NO_THREAD_SAFETY_ANALYSIS CORVEX_THREAD_ANNOTATION(no_thread_safety_analysis)

class ConditionVariable;

class CAPABILITY("mutex") Mutex {
 public:
  void lock() ACQUIRE() { mutex_.lock(); }
  void unlock() RELEASE() { mutex_.unlock(); }
  bool try_lock() TRY_ACQUIRE(true) { return mutex_.try_lock(); }

 private:
  friend class ConditionVariable;
  std::mutex mutex_;
};

// Taken again by the thread that holds it, the lock count rises. The analysis knows
// nothing of that: code that holds it calls the functions that require it, not the
// ones that take it.
class CAPABILITY("mutex") RecursiveMutex {
 public:
  void lock() ACQUIRE() { mutex_.lock(); }
  void unlock() RELEASE() { mutex_.unlock(); }
  bool try_lock() TRY_ACQUIRE(true) { return mutex_.try_lock(); }

 private:
  std::recursive_mutex mutex_;
};

template <typename Lockable>
class SCOPED_CAPABILITY ScopedLock {
 public:
  explicit ScopedLock(Lockable& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
  ~ScopedLock() RELEASE() { mutex_.unlock(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  Lockable& mutex_;
};

using MutexLock = ScopedLock<Mutex>;
using RecursiveMutexLock = ScopedLock<RecursiveMutex>;

// Waits release the mutex the caller holds and take it again before they return, so
// what it guards is read again after each one.
class ConditionVariable {
 public:
  // Until notified, `timeout` has passed, or spuriously: the caller checks its condition.
  void WaitFor(Mutex& mutex, std::chrono::milliseconds timeout) REQUIRES(mutex) {
    std::unique_lock<std::mutex> held(mutex.mutex_, std::adopt_lock);
    condition_.wait_for(held, timeout);
    held.release();
  }
  // Until notified, or spuriously.
  void Wait(Mutex& mutex) REQUIRES(mutex) {
    std::unique_lock<std::mutex> held(mutex.mutex_, std::adopt_lock);
    condition_.wait(held);
    held.release();
  }
  void NotifyAll() { condition_.notify_all(); }
  void NotifyOne() { condition_.notify_one(); }

 private:
  std::condition_variable condition_;
};

}  // namespace base
