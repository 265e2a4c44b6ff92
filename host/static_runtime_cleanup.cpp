// What the compiler's runtime, linked statically into the Windows DLL, would otherwise leave in the
// host's process each time the DLL is unloaded.
//
// - MinGW-w64's threads library makes a record of every thread that first calls pthread_once,
//   with two handles, and frees it only when that thread ends. The exception unwinder calls
//   pthread_once as the DLL loads, on the host's thread, which outlives the DLL. The DLL is linked
//   with --wrap=pthread_once, which sends every call of pthread_once in the DLL, the runtime's
//   included, to the one below; it keeps no record of threads.
// - The C++ runtime keeps an emergency pool for exceptions thrown when memory is exhausted, which
//   nothing frees; the 32-bit DLL gives it back as it unloads, after which nothing in it can throw.
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

#if defined(__i386__)
// Only where it was measured to leak, the 32-bit DLL: in the 64-bit one, giving the pool back as
// it unloads breaks the host's later runs.
struct ReleaseOnUnload {
  ~ReleaseOnUnload() { __gnu_cxx::__freeres(); }
} releaseOnUnload;
#endif

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
