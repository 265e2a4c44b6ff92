// Turning a node's frame to its triangles: the mean normal (each triangle's taken on the side of
// the first's), the direction in which the corners spread most across it, and the third axis
// orthogonal to both. A fan of slivers, or a patch of a surface, then lies in thin boxes, where
// boxes along the world's axes would each span a slanted square. The turned frame is kept only
// where the sum of its four boxes' surface areas is smaller. Only the speed depends on it: the
// boxes are rounded outwards (outward_rounding.h) so that they hold every point of their triangles
// exactly, as frame_bound.h requires, and the same frames are fitted whatever the number of
// threads.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "parallel/parallel_chunks.h"
#include "surface/double_vector.h"
#include "surface/outward_rounding.h"
#include "surface/triangle_tree.h"

namespace {

// Nodes over more triangles keep the world's axes: fitting them would cost more than it saves.
constexpr int32_t kFittedFrameLimit = 256;

struct Span {
  int32_t begin;
  int32_t end;
};

using ChildSpans = std::array<Span, 4>;

// For every node, the places in the tree's triangle order its children cover. Nodes come after
// their parents, so the last are filled first.
std::vector<ChildSpans> SpansOf(const std::vector<TriangleTree::WideBranch>& wide,
                                const std::vector<TriangleTree::Leaf>& leaves) {
  std::vector<ChildSpans> spans(wide.size());
  for (std::size_t node = wide.size(); node-- > 0;) {
    const TriangleTree::WideBranch& branch = wide[node];
    for (int k = 0; k < branch.count; ++k) {
      const TriangleTree::Reference child = branch.child[k];
      if (child < 0) {
        const TriangleTree::Leaf& leaf = leaves[static_cast<std::size_t>(~child)];
        spans[node][k] = Span{leaf.begin, leaf.begin + leaf.count};
        continue;
      }
      const ChildSpans& below = spans[static_cast<std::size_t>(child)];
      Span whole = below[0];
      for (int j = 1; j < wide[static_cast<std::size_t>(child)].count; ++j) {
        whole = Span{std::min(whole.begin, below[j].begin), std::max(whole.end, below[j].end)};
      }
      spans[node][k] = whole;
    }
  }
  return spans;
}

DoubleVector Unit(const DoubleVector& direction) {
  return Times(direction, 1.0 / std::sqrt(Dot(direction, direction)));
}

// The symmetric spread of the corners about `origin` and their aligned normals, summed.
struct Moments {
  DoubleVector normal{0.0, 0.0, 0.0};
  DoubleVector sum{0.0, 0.0, 0.0};
  double products[3][3] = {};
  double count = 0.0;
};

Moments MomentsOf(const TriangleTree::StoredTriangle* first,
                  const TriangleTree::StoredTriangle* last, const DoubleVector& origin) {
  Moments moments;
  DoubleVector reference{0.0, 0.0, 0.0};
  for (const TriangleTree::StoredTriangle* t = first; t != last; ++t) {
    const DoubleVector corners[3] = {Minus(Widened(t->corners.a), origin),
                                     Minus(Widened(t->corners.b), origin),
                                     Minus(Widened(t->corners.c), origin)};
    const DoubleVector normal = Cross(Minus(corners[1], corners[0]), Minus(corners[2], corners[0]));
    if (!(Dot(reference, reference) > 0.0)) reference = normal;
    moments.normal = Plus(moments.normal, Times(normal, Dot(normal, reference) < 0.0 ? -1.0 : 1.0));
    for (const DoubleVector& p : corners) {
      const double xyz[3] = {p.x, p.y, p.z};
      moments.sum = Plus(moments.sum, p);
      for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) moments.products[i][j] += xyz[i] * xyz[j];
      }
    }
    moments.count += 3.0;
  }
  return moments;
}

// v^T C u for the corners' covariance C.
double Spread(const Moments& moments, const DoubleVector& v, const DoubleVector& u) {
  const double vs[3] = {v.x, v.y, v.z};
  const double us[3] = {u.x, u.y, u.z};
  double second = 0.0;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) second += vs[i] * moments.products[i][j] * us[j];
  }
  const double n = moments.count;
  return second / n - (Dot(v, moments.sum) / n) * (Dot(u, moments.sum) / n);
}

// The frame's rows: the widest spread across the normal, the third axis, the normal; false where
// the triangles have no area to orient it.
bool FittedAxes(const Moments& moments, DoubleVector (&axes)[3]) {
  if (!(Dot(moments.normal, moments.normal) > 0.0) || !(moments.count > 0.0)) return false;
  const DoubleVector normal = Unit(moments.normal);
  const double sizes[3] = {std::fabs(normal.x), std::fabs(normal.y), std::fabs(normal.z)};
  const int least =
      sizes[0] <= sizes[1] ? (sizes[0] <= sizes[2] ? 0 : 2) : (sizes[1] <= sizes[2] ? 1 : 2);
  const DoubleVector world = {least == 0 ? 1.0 : 0.0, least == 1 ? 1.0 : 0.0,
                              least == 2 ? 1.0 : 0.0};
  const DoubleVector across = Unit(Cross(normal, world));
  const DoubleVector other = Cross(normal, across);
  // The larger eigenvector of the 2 x 2 spread [[p, q], [q, r]] over `across` and `other`.
  const double p = Spread(moments, across, across);
  const double q = Spread(moments, across, other);
  const double r = Spread(moments, other, other);
  const double largest = 0.5 * (p + r) + std::sqrt(0.25 * (p - r) * (p - r) + q * q);
  double s = q;
  double t = largest - p;
  if (std::fabs(largest - r) + std::fabs(q) > std::fabs(t) + std::fabs(s)) {
    s = largest - r;
    t = q;
  }
  const DoubleVector widest = Plus(Times(across, s), Times(other, t));
  axes[0] = Dot(widest, widest) > 0.0 ? Unit(widest) : across;
  axes[1] = Cross(normal, axes[0]);
  axes[2] = normal;
  return true;
}

// Half the surface area of a box given axis by axis; +infinity for one not finite.
double HalfArea(const float (&low)[3][4], const float (&high)[3][4], int box) {
  const double dx = double{high[0][box]} - low[0][box];
  const double dy = double{high[1][box]} - low[1][box];
  const double dz = double{high[2][box]} - low[2][box];
  const double area = dx * dy + dy * dz + dz * dx;
  return std::isfinite(area) ? area : std::numeric_limits<double>::infinity();
}

// The boxes of the node's children in `frame`, rounded outwards.
void FrameBoxes(const TriangleTree::StoredTriangle* triangles, const ChildSpans& spans, int count,
                const BoxFrame& frame, TriangleTree::WideBranch& boxes) {
  const DoubleVector origin = Widened(Vector3At(frame.origin));
  const DoubleVector axes[3] = {Widened(Vector3At(frame.axes[0])),
                                Widened(Vector3At(frame.axes[1])),
                                Widened(Vector3At(frame.axes[2]))};
  for (int k = 0; k < count; ++k) {
    double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
    double high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    double magnitude = 0.0;
    for (int32_t place = spans[k].begin; place < spans[k].end; ++place) {
      const TriangleCorners& c = triangles[place].corners;
      for (const Vector3& corner : {c.a, c.b, c.c}) {
        const DoubleVector p = Minus(Widened(corner), origin);
        magnitude = std::max(magnitude, (std::fabs(p.x) + std::fabs(p.y)) + std::fabs(p.z));
        for (int axis = 0; axis < 3; ++axis) {
          const double v = Dot(axes[axis], p);
          low[axis] = std::min(low[axis], v);
          high[axis] = std::max(high[axis], v);
        }
      }
    }
    for (int axis = 0; axis < 3; ++axis) {
      boxes.low[axis][k] = FloatBelow(low[axis], magnitude);
      boxes.high[axis][k] = FloatAbove(high[axis], magnitude);
    }
  }
}

}  // namespace

void TriangleTree::FitFrames(unsigned threadCount) {
  const std::vector<ChildSpans> spans = SpansOf(wide_, nodes_.leaves);
  RunInChunks(wide_.size(), threadCount, 64, [&](std::size_t begin, std::size_t end) {
    for (std::size_t node = begin; node < end; ++node) {
      WideBranch& branch = wide_[node];
      Span whole = spans[node][0];
      for (int k = 1; k < branch.count; ++k) {
        whole = Span{std::min(whole.begin, spans[node][k].begin),
                     std::max(whole.end, spans[node][k].end)};
      }
      if (whole.end - whole.begin > kFittedFrameLimit) continue;
      const Moments moments =
          MomentsOf(triangles_.data() + whole.begin, triangles_.data() + whole.end,
                    Widened(Vector3At(branch.frame.origin)));
      DoubleVector axes[3];
      if (!FittedAxes(moments, axes)) continue;
      WideBranch fitted = branch;
      for (int axis = 0; axis < 3; ++axis) {
        const Vector3 row = Narrowed(axes[axis]);
        fitted.frame.axes[axis][0] = row.x;
        fitted.frame.axes[axis][1] = row.y;
        fitted.frame.axes[axis][2] = row.z;
      }
      FrameBoxes(triangles_.data(), spans[node], branch.count, fitted.frame, fitted);
      double worldArea = 0.0;
      double fittedArea = 0.0;
      for (int k = 0; k < branch.count; ++k) {
        worldArea += HalfArea(branch.low, branch.high, k);
        fittedArea += HalfArea(fitted.low, fitted.high, k);
      }
      if (fittedArea < worldArea) branch = fitted;
    }
  });
}
