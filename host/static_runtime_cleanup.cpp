// What the compiler's runtime, linked statically into the Windows DLL, would otherwise leave in the
// host's process each time the DLL is unloaded.
//
// - MinGW-w64's threads library makes a record of every thread that first calls pthread_once,
//   with two handles, and frees it only when that thread ends. The exception unwinder calls
//   pthread_once as the DLL loads, on the host's thread, which outlives the DLL. The DLL is linked
//   with --wrap=pthread_once, which sends every call of pthread_once in the DLL, the runtime's
//   included, to the one below; it keeps no record of threads.
// - The C++ runtime keeps an emergency pool for exceptions thrown when memory is exhausted, which
//   nothing frees: 19 KB a load in the 32-bit DLL, 73 KB (one page of it touched) in the 64-bit
//   one. The runtime's release frees the pool's memory but leaves the pool's list of free blocks
//   pointing into it, so an exception thrown after it while memory is exhausted would write into
//   freed memory. The release therefore runs as the very last static destructor of the DLL, when
//   no code of the DLL runs any more; a new load builds a new pool.
#if defined(_WIN32) && defined(__MINGW32__)

#include <pthread.h>
#include <windows.h>

namespace __gnu_cxx {
// The C++ runtime's release of what it keeps for the life of the process.
void __freeres() noexcept;
}  // namespace __gnu_cxx

namespace {

constexpr LONG kNotRun = 0;
constexpr LONG kRunning = 1;
constexpr LONG kDone = 2;

// Made before every other static object of the DLL, the runtime's own included, so that it is
// destroyed after all of them, as the last thing the DLL does when it is unloaded.
struct ReleaseOnUnload {
  ~ReleaseOnUnload() { __gnu_cxx::__freeres(); }
} releaseOnUnload __attribute__((init_priority(101)));

}  // namespace

extern "C" int __wrap_pthread_once(pthread_once_t* once, void (*initialise)(void)) {
  static_assert(sizeof(pthread_once_t) == sizeof(LONG) && PTHREAD_ONCE_INIT == kNotRun,
                "pthread_once_t is the threads library's long, zero before the first call");
  auto* state = reinterpret_cast<volatile LONG*>(once);
  if (InterlockedCompareExchange(state, kRunning, kNotRun) == kNotRun) {
    initialise();
    InterlockedExchange(state, kDone);
    return 0;
  }
  // Another thread runs it: wait until it is done.
  while (InterlockedCompareExchange(state, kDone, kDone) != kDone) SwitchToThread();
  return 0;
}

#endif
