// The floating-point control state of a thread: rounding direction, and on x86 whether tiny
// results are flushed to zero and tiny inputs taken as zero. Worker threads take the calling
// thread's state for their work, so that they compute exactly as the caller would.
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

// Gives the calling thread `control` for the lifetime of the object, then its own state back.
class AdoptedFloatControl {
 public:
  explicit AdoptedFloatControl(const FloatControl& control);
  ~AdoptedFloatControl();
  AdoptedFloatControl(const AdoptedFloatControl&) = delete;
  AdoptedFloatControl& operator=(const AdoptedFloatControl&) = delete;

 private:
  FloatControl own_;
#ifdef PALISOR_HAS_MXCSR
  // The register as it was, status flags included.
  unsigned int ownSse_;
#endif
};
