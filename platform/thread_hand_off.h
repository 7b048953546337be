#pragma once
// Work handed from one thread to another through a library whose locks ThreadSanitizer cannot
// see: Qt's queued calls are ordered by Qt's own futex-based locks, inside libraries not built
// with it, so without these notes every such call looks like a race. The notes say what those
// locks order; in any other build they are nothing.

#if defined(__SANITIZE_THREAD__)
#define PINDLE_THREAD_HAND_OFF_NOTES 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define PINDLE_THREAD_HAND_OFF_NOTES 1
#endif
#endif

#ifdef PINDLE_THREAD_HAND_OFF_NOTES
extern "C" {
void __tsan_acquire(void* addr);
void __tsan_release(void* addr);
void __tsan_ignore_thread_begin();
void __tsan_ignore_thread_end();
}
#endif

namespace pindle {

// What this thread did so far comes before whatever a thread does after HandOffReceived(key).
inline void HandOffSent([[maybe_unused]] const void* key) {
#ifdef PINDLE_THREAD_HAND_OFF_NOTES
  __tsan_release(const_cast<void*>(key));
#endif
}

inline void HandOffReceived([[maybe_unused]] const void* key) {
#ifdef PINDLE_THREAD_HAND_OFF_NOTES
  __tsan_acquire(const_cast<void*>(key));
#endif
}

// While it lives, this thread's own memory accesses are not checked: for the library call that
// builds, posts and frees the handed-over call under those unseen locks. Keep it to that call.
class HandOffInLibrary {
 public:
  HandOffInLibrary() {
#ifdef PINDLE_THREAD_HAND_OFF_NOTES
    __tsan_ignore_thread_begin();
#endif
  }
  ~HandOffInLibrary() {
#ifdef PINDLE_THREAD_HAND_OFF_NOTES
    __tsan_ignore_thread_end();
#endif
  }
  HandOffInLibrary(const HandOffInLibrary&) = delete;
  HandOffInLibrary& operator=(const HandOffInLibrary&) = delete;
};

}  // namespace pindle
