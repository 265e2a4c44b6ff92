// The floating-point control state of a thread: rounding direction, and on x86 whether tiny
// results are flushed to zero and tiny inputs taken as zero. Worker threads take the calling
// thread's state for their work, so that they compute exactly as the caller would, but never trap:
// the work runs with every floating-point exception masked, whatever the caller unmasked.
#pragma once

#include <cfenv>

#if defined(__SSE__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#define PALISOR_HAS_MXCSR 1
#endif

struct FloatControl {
#ifdef PALISOR_HAS_MXCSR
  // The C library's rounding mode, which also rules the x87 unit, and the SSE control and status
  // register without its status flags: flush-to-zero, denormals-are-zero, rounding, masks.
  int rounding;
  unsigned int sseControl;
#else
  std::fenv_t environment;
#endif
};

// The calling thread's state.
FloatControl CurrentFloatControl();

// Gives the calling thread `control`'s rounding and handling of tiny numbers, with every
// floating-point exception masked, for the lifetime of the object; then its own state back
// exactly, exception masks and status flags included, so that flags raised meanwhile do not show.
class AdoptedFloatControl {
 public:
  explicit AdoptedFloatControl(const FloatControl& control);
  ~AdoptedFloatControl();
  AdoptedFloatControl(const AdoptedFloatControl&) = delete;
  AdoptedFloatControl& operator=(const AdoptedFloatControl&) = delete;

 private:
  // The whole environment as it was: rounding, masks and status flags.
  std::fenv_t own_;
#ifdef PALISOR_HAS_MXCSR
  // The SSE register as it was, flush-to-zero and denormals-are-zero included.
  unsigned int ownSse_;
#endif
};
