// The placement of glTF nodes in the scene: each node's matrix (given, or made from translation,
// rotation and scale) times its parents', computed in double precision.
#pragma once

#include <array>
#include <vector>

#include "scene/gltf/tinygltf_config.h"
#include "scene/point.h"

namespace palisor_scene {

// A column-major 4x4 matrix, as glTF writes them.
using Matrix4 = std::array<double, 16>;

Matrix4 IdentityMatrix();
bool IsIdentity(const Matrix4& matrix);

// Every node's world matrix; a node in no scene or under no parent stands at its own matrix.
// Throws SceneError (naming `file`) for a cycle of children.
std::vector<Matrix4> WorldMatrices(const tinygltf::Model& model, const std::string& file);

// a * b.
Matrix4 MultiplyMatrices(const Matrix4& a, const Matrix4& b);

// The inverse of an affine matrix (its last row 0 0 0 1); false when it has none.
bool InverseAffine(const Matrix4& matrix, Matrix4& inverse);

// The determinant of the matrix's upper-left 3x3 part: below 0 where it mirrors.
double LinearDeterminant(const Matrix4& matrix);

// matrix * (x, y, z, 1), rounded to floats. Callers skip the identity, which must give back the
// very bits of the point (-0 included).
Vector3 TransformPoint(const Matrix4& matrix, const Vector3& point);

// The inverse of the matrix's upper-left 3x3 part (column-major 3x3), which takes a displacement
// in world space back into the node's own space; false when it has no inverse.
bool InverseLinearPart(const Matrix4& matrix, std::array<double, 9>& inverse);

}  // namespace palisor_scene
