// Building the winding number's hierarchy: the split of the triangles, then each node's box and
// the expansion of its field, leaves directly from their triangles and every other node from its
// two children.
#include <algorithm>
#include <cmath>

#include "surface_transfer/winding_tree.h"

namespace {

constexpr int32_t kLeafSize = 8;

void Difference(const Vector3& a, const Vector3& b, double* out) {
  out[0] = double{a.x} - double{b.x};
  out[1] = double{a.y} - double{b.y};
  out[2] = double{a.z} - double{b.z};
}

// Half the cross product of the edges: the triangle's area times its unit normal.
void VectorArea(const WindingTree::StoredTriangle& t, double* out) {
  double ab[3];
  double ac[3];
  Difference(t.b, t.a, ab);
  Difference(t.c, t.a, ac);
  out[0] = 0.5 * (ab[1] * ac[2] - ab[2] * ac[1]);
  out[1] = 0.5 * (ab[2] * ac[0] - ab[0] * ac[2]);
  out[2] = 0.5 * (ab[0] * ac[1] - ab[1] * ac[0]);
}

double Length(const double* v) {
  return std::sqrt((v[0] * v[0] + v[1] * v[1]) + v[2] * v[2]);
}

bool Usable(const TriangleMesh& mesh, std::size_t t, WindingTree::StoredTriangle* stored) {
  const uint32_t* corners = mesh.triangles + 3 * t;
  for (int k = 0; k < 3; ++k) {
    if (corners[k] >= mesh.vertexCount || !IsFinite(mesh.positions[corners[k]])) return false;
  }
  *stored = {mesh.positions[corners[0]], mesh.positions[corners[1]], mesh.positions[corners[2]],
             static_cast<uint32_t>(t)};
  double area[3];
  VectorArea(*stored, area);
  return Length(area) > 0.0;
}

// The pairs jk of the symmetric second moment, in the order of Node::secondMoment.
constexpr int kPairFirst[6] = {0, 0, 0, 1, 1, 2};
constexpr int kPairSecond[6] = {0, 1, 2, 1, 2, 2};

}  // namespace

void WindingTree::Build(const TriangleMesh& mesh) {
  triangles_.clear();
  nodes_.clear();
  for (std::size_t t = 0; t < mesh.triangleCount; ++t) {
    StoredTriangle stored;
    if (Usable(mesh, t, &stored)) triangles_.push_back(stored);
  }
  if (triangles_.empty()) return;
  std::vector<double> centroids(3 * triangles_.size());
  std::vector<uint32_t> order(triangles_.size());
  for (std::size_t i = 0; i < triangles_.size(); ++i) {
    const StoredTriangle& t = triangles_[i];
    centroids[3 * i] = ((double{t.a.x} + t.b.x) + t.c.x) / 3.0;
    centroids[3 * i + 1] = ((double{t.a.y} + t.b.y) + t.c.y) / 3.0;
    centroids[3 * i + 2] = ((double{t.a.z} + t.b.z) + t.c.z) / 3.0;
    order[i] = static_cast<uint32_t>(i);
  }
  nodes_.reserve(2 * triangles_.size() / kLeafSize + 2);
  BuildNode(order, centroids, 0, static_cast<int32_t>(order.size()));
  std::vector<StoredTriangle> placed(triangles_.size());
  for (std::size_t i = 0; i < order.size(); ++i) placed[i] = triangles_[order[i]];
  triangles_.swap(placed);
  // Children come after their parent: from the last node back, each one's children are done.
  for (std::size_t n = nodes_.size(); n-- > 0;) {
    if (nodes_[n].children[0] < 0) {
      LeafMoments(nodes_[n]);
    } else {
      JoinMoments(nodes_[n]);
    }
  }
}

int32_t WindingTree::BuildNode(std::vector<uint32_t>& order, const std::vector<double>& centroids,
                               int32_t begin, int32_t end) {
  const auto index = static_cast<int32_t>(nodes_.size());
  nodes_.push_back(Node{});
  nodes_[static_cast<std::size_t>(index)].begin = begin;
  nodes_[static_cast<std::size_t>(index)].count = end - begin;
  nodes_[static_cast<std::size_t>(index)].children[0] = -1;
  nodes_[static_cast<std::size_t>(index)].children[1] = -1;
  auto* first = order.data() + begin;
  auto* last = order.data() + end;
  if (end - begin <= kLeafSize) {
    std::sort(first, last);
    return index;
  }
  double low[3] = {centroids[3 * *first], centroids[3 * *first + 1], centroids[3 * *first + 2]};
  double high[3] = {low[0], low[1], low[2]};
  for (auto* slot = first; slot != last; ++slot) {
    for (std::size_t k = 0; k < 3; ++k) {
      low[k] = std::min(low[k], centroids[3 * std::size_t{*slot} + k]);
      high[k] = std::max(high[k], centroids[3 * std::size_t{*slot} + k]);
    }
  }
  int axis = 0;
  for (int k = 1; k < 3; ++k) {
    if (high[k] - low[k] > high[axis] - low[axis]) axis = k;
  }
  // A total order (coordinate, then slot), so that the halves are the same sets on every build.
  const auto before = [&](uint32_t a, uint32_t b) {
    const double ka = centroids[3 * a + static_cast<std::size_t>(axis)];
    const double kb = centroids[3 * b + static_cast<std::size_t>(axis)];
    return ka < kb || (ka == kb && a < b);
  };
  const int32_t middle = begin + (end - begin) / 2;
  std::nth_element(first, order.data() + middle, last, before);
  const int32_t left = BuildNode(order, centroids, begin, middle);
  const int32_t right = BuildNode(order, centroids, middle, end);
  nodes_[static_cast<std::size_t>(index)].children[0] = left;
  nodes_[static_cast<std::size_t>(index)].children[1] = right;
  return index;
}

void WindingTree::LeafMoments(Node& node) const {
  const StoredTriangle* first = triangles_.data() + node.begin;
  double weighted[3] = {0.0, 0.0, 0.0};
  node.area = 0.0;
  for (int32_t i = 0; i < node.count; ++i) {
    const StoredTriangle& t = first[i];
    double area[3];
    VectorArea(t, area);
    const double size = Length(area);
    node.area += size;
    weighted[0] += size * ((double{t.a.x} + t.b.x) + t.c.x) / 3.0;
    weighted[1] += size * ((double{t.a.y} + t.b.y) + t.c.y) / 3.0;
    weighted[2] += size * ((double{t.a.z} + t.b.z) + t.c.z) / 3.0;
    for (int k = 0; k < 3; ++k) node.vectorArea[k] += area[k];
  }
  for (int k = 0; k < 3; ++k) {
    node.center[k] = weighted[k] / node.area;
    node.low[k] = node.center[k];
    node.high[k] = node.center[k];
  }
  for (int32_t i = 0; i < node.count; ++i) {
    const StoredTriangle& t = first[i];
    double area[3];
    VectorArea(t, area);
    double v[3][3];
    const Vector3* corners[3] = {&t.a, &t.b, &t.c};
    for (int c = 0; c < 3; ++c) {
      const double corner[3] = {corners[c]->x, corners[c]->y, corners[c]->z};
      for (int k = 0; k < 3; ++k) {
        v[c][k] = corner[k] - node.center[k];
        node.low[k] = std::min(node.low[k], corner[k]);
        node.high[k] = std::max(node.high[k], corner[k]);
      }
      node.radius = std::max(node.radius, Length(v[c]));
    }
    const double sum[3] = {(v[0][0] + v[1][0]) + v[2][0], (v[0][1] + v[1][1]) + v[2][1],
                           (v[0][2] + v[1][2]) + v[2][2]};
    for (int i3 = 0; i3 < 3; ++i3) {
      for (int j = 0; j < 3; ++j) node.firstMoment[3 * i3 + j] += area[i3] * sum[j] / 3.0;
      // The mean of x_j x_k over a triangle: (sum of the corners' products + product of sums) / 12.
      for (int p = 0; p < 6; ++p) {
        const int j = kPairFirst[p];
        const int k = kPairSecond[p];
        const double products = (v[0][j] * v[0][k] + v[1][j] * v[1][k]) + v[2][j] * v[2][k];
        node.secondMoment[6 * i3 + p] += area[i3] * ((products + sum[j] * sum[k]) / 12.0);
      }
    }
  }
}

// A child's moments about the parent's centroid, with d the child's centroid less the parent's:
// first M + N d^T, second C_ijk + M_ij d_k + M_ik d_j + N_i d_j d_k.
void WindingTree::JoinMoments(Node& node) const {
  const Node* children[2] = {&nodes_[static_cast<std::size_t>(node.children[0])],
                             &nodes_[static_cast<std::size_t>(node.children[1])]};
  node.area = children[0]->area + children[1]->area;
  for (int k = 0; k < 3; ++k) {
    node.center[k] =
        (children[0]->area * children[0]->center[k] + children[1]->area * children[1]->center[k]) /
        node.area;
    node.low[k] = std::min(children[0]->low[k], children[1]->low[k]);
    node.high[k] = std::max(children[0]->high[k], children[1]->high[k]);
  }
  for (const Node* child : children) {
    double d[3];
    for (int k = 0; k < 3; ++k) d[k] = child->center[k] - node.center[k];
    node.radius = std::max(node.radius, Length(d) + child->radius);
    for (int i = 0; i < 3; ++i) {
      const double n = child->vectorArea[i];
      node.vectorArea[i] += n;
      for (int j = 0; j < 3; ++j)
        node.firstMoment[3 * i + j] += child->firstMoment[3 * i + j] + n * d[j];
      for (int p = 0; p < 6; ++p) {
        const int j = kPairFirst[p];
        const int k = kPairSecond[p];
        node.secondMoment[6 * i + p] +=
            ((child->secondMoment[6 * i + p] + child->firstMoment[3 * i + j] * d[k]) +
             child->firstMoment[3 * i + k] * d[j]) +
            n * d[j] * d[k];
      }
    }
  }
}

double WindingTree::Diagonal() const {
  if (nodes_.empty()) return 0.0;
  double d[3];
  for (int k = 0; k < 3; ++k) d[k] = nodes_[0].high[k] - nodes_[0].low[k];
  return Length(d);
}
