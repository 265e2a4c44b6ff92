#include "parallel/float_control.h"

#ifdef PALISOR_HAS_MXCSR
#include <xmmintrin.h>

namespace {

// The register's low six bits are the sticky exception flags; the rest is control.
constexpr unsigned int kSseStatusFlags = 0x3F;

void Apply(const FloatControl& control) {
  // fesetround sets the x87 unit's rounding and the SSE one; the SSE register is then set whole.
  std::fesetround(control.rounding);
  _mm_setcsr((_mm_getcsr() & kSseStatusFlags) | (control.sseControl & ~kSseStatusFlags));
}

}  // namespace

FloatControl CurrentFloatControl() {
  return FloatControl{std::fegetround(), _mm_getcsr() & ~kSseStatusFlags};
}

AdoptedFloatControl::AdoptedFloatControl(const FloatControl& control)
    : own_(CurrentFloatControl()), ownSse_(_mm_getcsr()) {
  Apply(control);
}

AdoptedFloatControl::~AdoptedFloatControl() {
  std::fesetround(own_.rounding);
  _mm_setcsr(ownSse_);
}

#else

FloatControl CurrentFloatControl() {
  FloatControl control;
  std::fegetenv(&control.environment);
  return control;
}

AdoptedFloatControl::AdoptedFloatControl(const FloatControl& control)
    : own_(CurrentFloatControl()) {
  std::fesetenv(&control.environment);
}

AdoptedFloatControl::~AdoptedFloatControl() {
  std::fesetenv(&own_.environment);
}

#endif
