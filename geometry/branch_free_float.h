// Minimum and maximum of two floats without a branch, as the x86 SSE instructions compute them:
// MaxOf(a, b) is a > b ? a : b and MinOf(a, b) is a < b ? a : b, bit for bit, on every build (a
// NaN `a` gives `b`). A search whose comparisons go either way at random spends most of its time
// on mispredicted branches otherwise.
#pragma once

#if defined(__SSE__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#include <xmmintrin.h>
#define PALISOR_SSE_MIN_MAX 1
#endif

inline float MaxOf(float a, float b) {
#ifdef PALISOR_SSE_MIN_MAX
  return _mm_cvtss_f32(_mm_max_ss(_mm_set_ss(a), _mm_set_ss(b)));
#else
  return a > b ? a : b;
#endif
}

inline float MinOf(float a, float b) {
#ifdef PALISOR_SSE_MIN_MAX
  return _mm_cvtss_f32(_mm_min_ss(_mm_set_ss(a), _mm_set_ss(b)));
#else
  return a < b ? a : b;
#endif
}
