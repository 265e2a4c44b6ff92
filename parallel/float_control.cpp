#include "parallel/float_control.h"

#ifdef PALISOR_HAS_MXCSR
#include <xmmintrin.h>

namespace {

// The register's low six bits are the sticky exception flags; the rest is control.
constexpr unsigned int kSseStatusFlags = 0x3F;
// The six exception mask bits: a set bit lets the exception pass without a trap.
constexpr unsigned int kSseExceptionMasks = 0x1F80;

}  // namespace

FloatControl CurrentFloatControl() {
  return FloatControl{std::fegetround(), _mm_getcsr() & ~kSseStatusFlags};
}

AdoptedFloatControl::AdoptedFloatControl(const FloatControl& control) : own_() {
  std::fegetenv(&own_);
  ownSse_ = _mm_getcsr();
  // Masks the x87 unit's exceptions and the SSE ones and clears their flags; fesetround then sets
  // both units' rounding, and the SSE register is set whole.
  std::fenv_t held;
  std::feholdexcept(&held);
  std::fesetround(control.rounding);
  _mm_setcsr((control.sseControl & ~kSseStatusFlags) | kSseExceptionMasks);
}

AdoptedFloatControl::~AdoptedFloatControl() {
  std::fesetenv(&own_);
  _mm_setcsr(ownSse_);
}

#else

FloatControl CurrentFloatControl() {
  FloatControl control;
  std::fegetenv(&control.environment);
  return control;
}

AdoptedFloatControl::AdoptedFloatControl(const FloatControl& control) : own_() {
  std::fegetenv(&own_);
  std::fesetenv(&control.environment);
  // Keeps the rounding just taken, masks every exception and clears the flags.
  std::fenv_t held;
  std::feholdexcept(&held);
}

AdoptedFloatControl::~AdoptedFloatControl() {
  std::fesetenv(&own_);
}

#endif
