#include "quality/morph.h"

#include <cmath>
#include <utility>

Morph Bulge(const Vector3d& center, const Vector3d& direction, double height, double width) {
  return [=](const Vector3d& x) {
    const Vector3d d = x - center;
    return x + (height * std::exp(-Dot(d, d) / (width * width))) * direction;
  };
}

Morph Twist(const Vector3d& axis, double rate) {
  return [=](const Vector3d& x) {
    const double angle = rate * (x.z - axis.z);
    const double dx = x.x - axis.x;
    const double dy = x.y - axis.y;
    return Vector3d{axis.x + std::cos(angle) * dx - std::sin(angle) * dy,
                    axis.y + std::sin(angle) * dx + std::cos(angle) * dy, x.z};
  };
}

Morph Scale(const Vector3d& center, const Vector3d& factors) {
  return [=](const Vector3d& x) {
    const Vector3d d = x - center;
    return center + Vector3d{factors.x * d.x, factors.y * d.y, factors.z * d.z};
  };
}

Morph SwellAndBend(const Vector3d& axis, double swelling, double width, double bend,
                   double length) {
  return [=](const Vector3d& x) {
    const double height = x.z - axis.z;
    const double swell = 1.0 + swelling * std::exp(-height * height / (width * width));
    const double below = (height < 0.0 ? -height : 0.0) / length;
    return Vector3d{axis.x + swell * (x.x - axis.x) + bend * below * below,
                    axis.y + swell * (x.y - axis.y), x.z};
  };
}

Morph Hinge(const Vector3d& pivot, double angle) {
  return [=](const Vector3d& x) {
    const double dy = x.y - pivot.y;
    const double dz = x.z - pivot.z;
    return Vector3d{x.x, pivot.y + std::cos(angle) * dy - std::sin(angle) * dz,
                    pivot.z + std::sin(angle) * dy + std::cos(angle) * dz};
  };
}

Morph Then(Morph first, Morph second) {
  return [first = std::move(first), second = std::move(second)](const Vector3d& x) {
    return second(first(x));
  };
}

Matrix3d MorphJacobian(const Morph& morph, const Vector3d& point) {
  constexpr double kStep = 1e-6;
  const Vector3d axes[3] = {{kStep, 0.0, 0.0}, {0.0, kStep, 0.0}, {0.0, 0.0, kStep}};
  Matrix3d jacobian;
  for (int axis = 0; axis < 3; ++axis) {
    jacobian.columns[axis] =
        (0.5 / kStep) * (morph(point + axes[axis]) - morph(point - axes[axis]));
  }
  return jacobian;
}

Vector3d MorphedNormal(const Morph& morph, const Vector3d& point, const Vector3d& normal) {
  return Normalized(MorphJacobian(morph, point).Cofactors() * normal);
}

Matrix3d SurfaceFrame(const Vector3d& normal, const Vector3d& tangent) {
  const Vector3d along = Normalized(tangent - Dot(tangent, normal) * normal);
  return {{along, Cross(normal, along), normal}};
}

// The rotation nearest to a matrix of positive determinant (the rotation of its polar
// decomposition), by the averaging iteration R <- (R + R^-T) / 2.
Matrix3d NearestRotation(Matrix3d matrix) {
  for (int iteration = 0; iteration < 50; ++iteration) {
    const Matrix3d cofactors = matrix.Cofactors();
    const double determinant = Dot(matrix.columns[0], cofactors.columns[0]);
    double change = 0.0;
    for (int k = 0; k < 3; ++k) {
      const Vector3d next = 0.5 * (matrix.columns[k] + (1.0 / determinant) * cofactors.columns[k]);
      change += Length(next - matrix.columns[k]);
      matrix.columns[k] = next;
    }
    if (change < 1e-15) break;
  }
  return matrix;
}

FrameMotion SurfaceFrameMotion(const Morph& morph, const Vector3d& point, const Vector3d& normal,
                               const Vector3d& tangent) {
  const Matrix3d rest = SurfaceFrame(normal, tangent);
  const Matrix3d jacobian = MorphJacobian(morph, point);
  const Matrix3d moved{{jacobian * rest.columns[0], jacobian * rest.columns[1],
                        MorphedNormal(morph, point, normal)}};
  FrameMotion motion;
  motion.origin = point;
  motion.movedOrigin = morph(point);
  motion.rotation = NearestRotation(FrameToFrame(moved, rest));
  return motion;
}
