#include "sliver_fan.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kTau = 6.283185307179586;

using Point = long double[3];

// The disc's plane: spanned by `along` and `across`, with unit normal `up`, all orthonormal.
constexpr double kAlong[3] = {0.6, 0.64, 0.48};
constexpr double kAcross[3] = {-0.8, 0.48, 0.36};
constexpr double kUp[3] = {0.0, -0.6, 0.8};

void Minus(const long double* a, const long double* b, long double* out) {
  for (int k = 0; k < 3; ++k) out[k] = a[k] - b[k];
}

long double Dot(const long double* a, const long double* b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// The squared distance from q to the segment from a to b.
long double SegmentSquaredDistance(const long double* q, const long double* a,
                                   const long double* b) {
  Point along, offset, gap;
  Minus(b, a, along);
  Minus(q, a, offset);
  const long double length = Dot(along, along);
  const long double t = length > 0.0L ? std::clamp(Dot(offset, along) / length, 0.0L, 1.0L) : 0.0L;
  for (int k = 0; k < 3; ++k) gap[k] = offset[k] - t * along[k];
  return Dot(gap, gap);
}

// The squared distance from q to triangle a, b, c: the plane's where q projects inside, else the
// nearest edge's. The corners are floats, so differences and products keep long double's 64 bits.
long double TriangleSquaredDistance(const long double* q, const long double* a,
                                    const long double* b, const long double* c) {
  Point ab, ac, aq;
  Minus(b, a, ab);
  Minus(c, a, ac);
  Minus(q, a, aq);
  const long double d00 = Dot(ab, ab), d01 = Dot(ab, ac), d11 = Dot(ac, ac);
  const long double denominator = d00 * d11 - d01 * d01;
  const long double v = (d11 * Dot(aq, ab) - d01 * Dot(aq, ac)) / denominator;
  const long double w = (d00 * Dot(aq, ac) - d01 * Dot(aq, ab)) / denominator;
  if (v >= 0.0L && w >= 0.0L && v + w <= 1.0L) {
    Point gap;
    for (int k = 0; k < 3; ++k) gap[k] = aq[k] - v * ab[k] - w * ac[k];
    return Dot(gap, gap);
  }
  return std::min({SegmentSquaredDistance(q, a, b), SegmentSquaredDistance(q, a, c),
                   SegmentSquaredDistance(q, b, c)});
}

// The point at (x, y) in the disc's plane, `height` above it, rounded to floats.
void AddPoint(std::vector<float>& out, double x, double y, double height) {
  for (int k = 0; k < 3; ++k) {
    out.push_back(static_cast<float>(x * kAlong[k] + y * kAcross[k] + height * kUp[k]));
  }
}

}  // namespace

SliverFan MakeSliverFan(std::size_t triangleCount) {
  SliverFan fan;
  const auto count = static_cast<uint32_t>(triangleCount);
  AddPoint(fan.positions, 0.0, 0.0, 0.0);
  for (uint32_t k = 0; k < count; ++k) {
    const double angle = kTau * k / count;
    AddPoint(fan.positions, std::cos(angle), std::sin(angle), 0.0);
    fan.corners.insert(fan.corners.end(), {0, 1 + k, 1 + (k + 1) % count});
  }
  const auto corner = [&](uint32_t triangle, int which, long double* out) {
    const float* xyz = &fan.positions[3 * fan.corners[3 * (triangle % count) + which]];
    for (int k = 0; k < 3; ++k) out[k] = xyz[k];
  };
  // Over the fan evenly (radius as the square root of an even spread), across each sliver at a
  // golden-ratio step, at heights from 2 to 6 * 10^-5 on either side.
  for (uint32_t k = 0; k < count; ++k) {
    const double radius = 0.995 * std::cos(kTau / count) * std::sqrt((k + 0.5) / count);
    const uint32_t triangle = static_cast<uint32_t>((k * 7919ull) % count);
    const double across = std::fmod(k * 0.6180339887498949, 1.0);
    const double angle = kTau * (triangle + across) / count;
    const double height = (k % 2 ? 1.0 : -1.0) * (2e-5 + 4e-5 * std::fmod(k * 0.7548776662, 1.0));
    AddPoint(fan.queries, radius * std::cos(angle), radius * std::sin(angle), height);
    Point q, a, b, c;
    for (int axis = 0; axis < 3; ++axis) q[axis] = fan.queries[3 * k + axis];
    long double least = std::numeric_limits<long double>::infinity();
    for (uint32_t near = triangle + count - 8; near <= triangle + count + 8; ++near) {
      corner(near, 0, a);
      corner(near, 1, b);
      corner(near, 2, c);
      least = std::min(least, TriangleSquaredDistance(q, a, b, c));
    }
    fan.exactSquaredDistances.push_back(least);
  }
  return fan;
}

double UlpsApart(long double found, long double exact) {
  const float nearest = static_cast<float>(exact);
  const float ulp = std::nextafter(nearest, std::numeric_limits<float>::infinity()) - nearest;
  return static_cast<double>(std::fabs(found - exact) / ulp);
}
