// Points and directions in doubles: the known truth of the quality scenes is computed in double
// precision, so that the errors measured are those of the transfers, not of the reference.
#pragma once

#include <cmath>

struct Vector3d {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

inline Vector3d operator+(const Vector3d& a, const Vector3d& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vector3d operator-(const Vector3d& a, const Vector3d& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vector3d operator*(double s, const Vector3d& a) {
  return {s * a.x, s * a.y, s * a.z};
}
inline double Dot(const Vector3d& a, const Vector3d& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vector3d Cross(const Vector3d& a, const Vector3d& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const Vector3d& a) {
  return std::sqrt(Dot(a, a));
}
inline Vector3d Normalized(const Vector3d& a) {
  const double length = Length(a);
  return length > 0.0 ? (1.0 / length) * a : a;
}

// A 3x3 matrix by its columns.
struct Matrix3d {
  Vector3d columns[3];

  Vector3d operator*(const Vector3d& a) const {
    return a.x * columns[0] + a.y * columns[1] + a.z * columns[2];
  }
  // The cofactor matrix: it maps a surface's normal to the normal of the deformed surface (up to
  // length), for a deformation whose Jacobian this is and whose determinant is positive.
  Matrix3d Cofactors() const {
    return {{Cross(columns[1], columns[2]), Cross(columns[2], columns[0]),
             Cross(columns[0], columns[1])}};
  }
};

// The matrix times the transpose of another: with orthonormal frames as columns, the rotation that
// takes the frame `from` onto the frame `to`.
inline Matrix3d FrameToFrame(const Matrix3d& to, const Matrix3d& from) {
  Matrix3d result;
  const Vector3d rows[3] = {{from.columns[0].x, from.columns[1].x, from.columns[2].x},
                            {from.columns[0].y, from.columns[1].y, from.columns[2].y},
                            {from.columns[0].z, from.columns[1].z, from.columns[2].z}};
  for (int column = 0; column < 3; ++column) result.columns[column] = to * rows[column];
  return result;
}
