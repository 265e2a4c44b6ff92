// The winding number at a point: far nodes by their expansion, near triangles exactly.
#include "surface_transfer/solid_angle.h"
#include "surface_transfer/winding_tree.h"

namespace {

constexpr double kFourPi = 4.0 * solid_angle::kPi;
constexpr int kStackSize = 96;

double ExactTerm(const WindingTree::StoredTriangle& t, const double* point) {
  const double a[3] = {t.a.x - point[0], t.a.y - point[1], t.a.z - point[2]};
  const double b[3] = {t.b.x - point[0], t.b.y - point[1], t.b.z - point[2]};
  const double c[3] = {t.c.x - point[0], t.c.y - point[1], t.c.z - point[2]};
  return TriangleSolidAngle(a, b, c);
}

// The node's field at the point, times 4 pi, by its expansion about its centroid. With r the
// centroid less the point and K(r) = r / |r|^3 the field of a unit dipole, the triangles' sum
// of area * n . K(r + s) over their points r + s is, to second order in s,
//   N . K + M_ij dK_i/dr_j + C_ijk d2K_i/dr_j dr_k / 2,
// dK_i/dr_j = delta_ij / |r|^3 - 3 r_i r_j / |r|^5 and d2K_i/dr_j dr_k = -3 (delta_ij r_k +
// delta_ik r_j + delta_jk r_i) / |r|^5 + 15 r_i r_j r_k / |r|^7.
double ExpansionTerm(const WindingTree::Node& node, const double* point) {
  const double r[3] = {node.center[0] - point[0], node.center[1] - point[1],
                       node.center[2] - point[2]};
  const double squared = (r[0] * r[0] + r[1] * r[1]) + r[2] * r[2];
  const double inverse = 1.0 / std::sqrt(squared);
  const double inverse3 = inverse / squared;
  const double inverse5 = inverse3 / squared;
  const double inverse7 = inverse5 / squared;
  const double* n = node.vectorArea;
  const double* m = node.firstMoment;
  const double* c = node.secondMoment;
  const double dipole = ((n[0] * r[0] + n[1] * r[1]) + n[2] * r[2]) * inverse3;
  double trace = 0.0;
  double rMr = 0.0;
  double second = 0.0;
  double traced = 0.0;
  double cubic = 0.0;
  for (int i = 0; i < 3; ++i) {
    const double* ci = c + 6 * i;
    trace += m[4 * i];
    rMr += r[i] * ((m[3 * i] * r[0] + m[3 * i + 1] * r[1]) + m[3 * i + 2] * r[2]);
    // sum over k of C_iik r_k (C_ijk with j = i), and sum over j of C_ijj
    const double row[3] = {i == 0 ? ci[0] : (i == 1 ? ci[1] : ci[2]),
                           i == 0 ? ci[1] : (i == 1 ? ci[3] : ci[4]),
                           i == 0 ? ci[2] : (i == 1 ? ci[4] : ci[5])};
    second += (row[0] * r[0] + row[1] * r[1]) + row[2] * r[2];
    traced += r[i] * ((ci[0] + ci[3]) + ci[5]);
    const double quadratic =
        ((ci[0] * r[0] * r[0] + ci[3] * r[1] * r[1]) + ci[5] * r[2] * r[2]) +
        2.0 * ((ci[1] * r[0] * r[1] + ci[2] * r[0] * r[2]) + ci[4] * r[1] * r[2]);
    cubic += r[i] * quadratic;
  }
  const double first = trace * inverse3 - 3.0 * rMr * inverse5;
  const double curvature =
      0.5 * (-3.0 * (2.0 * second + traced) * inverse5 + 15.0 * cubic * inverse7);
  return (dipole + first) + curvature;
}

}  // namespace

double WindingTree::WindingNumber(const Vector3& at) const {
  if (nodes_.empty()) return 0.0;
  const double point[3] = {at.x, at.y, at.z};
  double sum = 0.0;
  int32_t stack[kStackSize];
  int size = 0;
  stack[size++] = 0;
  while (size > 0) {
    const Node& node = nodes_[static_cast<std::size_t>(stack[--size])];
    const double d[3] = {node.center[0] - point[0], node.center[1] - point[1],
                         node.center[2] - point[2]};
    const double squared = (d[0] * d[0] + d[1] * d[1]) + d[2] * d[2];
    const double reach = kFarFieldRatio * node.radius;
    if (squared > reach * reach) {
      sum += ExpansionTerm(node, point);
    } else if (node.children[0] < 0) {
      for (int32_t i = 0; i < node.count; ++i) {
        sum += ExactTerm(triangles_[static_cast<std::size_t>(node.begin + i)], point);
      }
    } else {
      stack[size++] = node.children[1];
      stack[size++] = node.children[0];
    }
  }
  return sum / kFourPi;
}

double WindingTree::ExactWindingNumber(const Vector3& at) const {
  const double point[3] = {at.x, at.y, at.z};
  double sum = 0.0;
  for (const StoredTriangle& triangle : triangles_) sum += ExactTerm(triangle, point);
  return sum / kFourPi;
}
