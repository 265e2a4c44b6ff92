// Linear maps of space as 3x3 matrices of 32-bit floats, row-major, with the few operations the
// surface methods need, each in one fixed order of float operations.
#pragma once

#include "geometry/vector3.h"

struct LinearMap {
  float m[9];
};

inline LinearMap IdentityMap() {
  return LinearMap{{1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f}};
}

inline LinearMap ZeroMap() {
  return LinearMap{{0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f}};
}

// map + I and map - I: 1 added to or taken from each diagonal entry (0, 4 and 8 of the nine).
inline LinearMap PlusIdentity(const LinearMap& map) {
  LinearMap sum = map;
  for (int k = 0; k < 9; k += 4) sum.m[k] = sum.m[k] + 1.0f;
  return sum;
}

inline LinearMap MinusIdentity(const LinearMap& map) {
  LinearMap difference = map;
  for (int k = 0; k < 9; k += 4) difference.m[k] = difference.m[k] - 1.0f;
  return difference;
}

// map * point: each coordinate (row.x*p.x + row.y*p.y) + row.z*p.z.
inline Vector3 Apply(const LinearMap& map, const Vector3& p) {
  const float* m = map.m;
  return Vector3{(m[0] * p.x + m[1] * p.y) + m[2] * p.z, (m[3] * p.x + m[4] * p.y) + m[5] * p.z,
                 (m[6] * p.x + m[7] * p.y) + m[8] * p.z};
}

// sum + map * weight, entry by entry.
inline void AddWeighted(LinearMap& sum, const LinearMap& map, float weight) {
  for (int k = 0; k < 9; ++k) sum.m[k] = sum.m[k] + map.m[k] * weight;
}

// The map with every entry scaled.
inline LinearMap Scaled(const LinearMap& map, float factor) {
  LinearMap scaled = map;
  for (float& entry : scaled.m) entry = entry * factor;
  return scaled;
}

// first * second.
inline LinearMap Product(const LinearMap& first, const LinearMap& second) {
  LinearMap product;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      const float* left = first.m + 3 * row;
      product.m[3 * row + column] = (left[0] * second.m[column] + left[1] * second.m[3 + column]) +
                                    left[2] * second.m[6 + column];
    }
  }
  return product;
}

// w0*a + w1*b + w2*c entry by entry, the first two added first: a map at a point of a triangle
// from its corners' maps and the point's barycentric weights.
inline LinearMap BlendMaps(const float* weights, const LinearMap& a, const LinearMap& b,
                           const LinearMap& c) {
  LinearMap blend;
  for (int k = 0; k < 9; ++k) {
    blend.m[k] = (a.m[k] * weights[0] + b.m[k] * weights[1]) + c.m[k] * weights[2];
  }
  return blend;
}

// The map whose columns are the three directions.
inline LinearMap FromColumns(const Vector3& first, const Vector3& second, const Vector3& third) {
  return LinearMap{
      {first.x, second.x, third.x, first.y, second.y, third.y, first.z, second.z, third.z}};
}

// The matrix of cofactors: entry (i, j) is the signed minor of entry (i, j). The inverse of a map
// is the transpose of its cofactors divided by its determinant.
LinearMap Cofactors(const LinearMap& map);

// The determinant, expanded along the first row.
float Determinant(const LinearMap& map, const LinearMap& cofactors);

// The inverse, or false where the map is singular or the inverse is not finite.
bool Inverse(const LinearMap& map, LinearMap* inverse);

// The rotation nearest to the map (the orthogonal factor of its polar decomposition); the
// identity where the map is singular, reverses orientation or is not finite.
LinearMap NearestRotation(const LinearMap& map);
