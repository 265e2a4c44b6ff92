// Giving a node a frame of its own, turned to its triangles: the mean normal (each triangle's taken
// on the side of the first's), the direction in which the corners spread most across it, and the
// third axis orthogonal to both. A fan of slivers then lies in thin boxes, where boxes along the
// world's axes would each span a slanted square. Only nodes whose world boxes are far larger than
// their triangles are tried (kSparseNode), and the frame is kept only where its boxes' surface
// areas are much smaller (kFrameGain): elsewhere the world's boxes bound as well and more cheaply.
// Only the speed depends on it: the boxes are rounded outwards (outward_rounding.h) so that they
// hold every point of their triangles exactly, as frame_bound.h requires, and the same frames are
// fitted whatever the number of threads.
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
constexpr int32_t kFittedFrameLimit = 4096;
// A node is tried where its children's boxes' half surface areas add up to more than this many
// times its triangles' area (a patch of surface has a few at most)...
constexpr double kSparseNode = 4.0;
// ... and given the frame where its boxes' areas add up to less than this part of the world's.
constexpr double kFrameGain = 0.5;

struct Span {
  int32_t begin;
  int32_t end;
};

using ChildSpans = std::array<Span, 4>;

// The places in the tree's triangle order that all of a node's children cover.
Span WholeSpan(const ChildSpans& spans, int count) {
  Span whole = spans[0];
  for (int k = 1; k < count; ++k) {
    whole = Span{std::min(whole.begin, spans[k].begin), std::max(whole.end, spans[k].end)};
  }
  return whole;
}

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
      const auto below = static_cast<std::size_t>(child);
      spans[node][k] = WholeSpan(spans[below], wide[below].count);
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
                TriangleTree::FittedBoxes& boxes) {
  const BoxFrame& frame = boxes.frame;
  const DoubleVector origin = Widened(Vector3At(frame.origin));
  const DoubleVector axes[3] = {Widened(Vector3At(frame.axes[0])),
                                Widened(Vector3At(frame.axes[1])),
                                Widened(Vector3At(frame.axes[2]))};
  for (int k = 0; k < 4; ++k) {
    // An unused place keeps an empty box at the origin; the search does not look at it.
    double low[3] = {0.0, 0.0, 0.0};
    double high[3] = {0.0, 0.0, 0.0};
    if (k < count) {
      for (int axis = 0; axis < 3; ++axis) {
        low[axis] = HUGE_VAL;
        high[axis] = -HUGE_VAL;
      }
    }
    double magnitude = 0.0;
    for (int32_t place = spans[k].begin; k < count && place < spans[k].end; ++place) {
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

// The area of the triangles before each place in the tree's triangle order.
std::vector<double> AreasBefore(const std::vector<TriangleTree::StoredTriangle>& triangles) {
  std::vector<double> before(triangles.size() + 1, 0.0);
  for (std::size_t k = 0; k < triangles.size(); ++k) {
    const TriangleCorners& c = triangles[k].corners;
    const DoubleVector a = Widened(c.a);
    const DoubleVector normal = Cross(Minus(Widened(c.b), a), Minus(Widened(c.c), a));
    before[k + 1] = before[k] + 0.5 * std::sqrt(Dot(normal, normal));
  }
  return before;
}

// The frame fitted to a node and its children's boxes in it, where the node is sparse and the
// frame shrinks its boxes enough.
bool FitNode(const TriangleTree::WideBranch& branch, const ChildSpans& spans,
             const std::vector<TriangleTree::StoredTriangle>& triangles,
             const std::vector<double>& areasBefore, TriangleTree::FittedBoxes& fitted) {
  const Span whole = WholeSpan(spans, branch.count);
  if (whole.end - whole.begin > kFittedFrameLimit) return false;
  double worldArea = 0.0;
  for (int k = 0; k < branch.count; ++k) worldArea += HalfArea(branch.low, branch.high, k);
  const double area = areasBefore[static_cast<std::size_t>(whole.end)] -
                      areasBefore[static_cast<std::size_t>(whole.begin)];
  if (!(worldArea > kSparseNode * area)) return false;
  for (int axis = 0; axis < 3; ++axis) {
    float low = branch.low[axis][0];
    float high = branch.high[axis][0];
    for (int k = 1; k < branch.count; ++k) {
      low = std::min(low, branch.low[axis][k]);
      high = std::max(high, branch.high[axis][k]);
    }
    fitted.frame.origin[axis] = static_cast<float>((double{low} + double{high}) * 0.5);
  }
  const Moments moments = MomentsOf(triangles.data() + whole.begin, triangles.data() + whole.end,
                                    Widened(Vector3At(fitted.frame.origin)));
  DoubleVector axes[3];
  if (!FittedAxes(moments, axes)) return false;
  for (int axis = 0; axis < 3; ++axis) {
    const Vector3 row = Narrowed(axes[axis]);
    fitted.frame.axes[axis][0] = row.x;
    fitted.frame.axes[axis][1] = row.y;
    fitted.frame.axes[axis][2] = row.z;
  }
  FrameBoxes(triangles.data(), spans, branch.count, fitted);
  double fittedArea = 0.0;
  for (int k = 0; k < branch.count; ++k) fittedArea += HalfArea(fitted.low, fitted.high, k);
  return fittedArea < kFrameGain * worldArea;
}

}  // namespace

void TriangleTree::FitFrames(unsigned threadCount) {
  const std::vector<ChildSpans> spans = SpansOf(wide_, nodes_.leaves);
  const std::vector<double> areasBefore = AreasBefore(triangles_);
  std::vector<FittedBoxes> candidates(wide_.size());
  std::vector<char> kept(wide_.size(), 0);
  RunInChunks(wide_.size(), threadCount, 64, [&](std::size_t begin, std::size_t end) {
    for (std::size_t node = begin; node < end; ++node) {
      kept[node] = FitNode(wide_[node], spans[node], triangles_, areasBefore, candidates[node]);
    }
  });
  for (std::size_t node = 0; node < wide_.size(); ++node) {
    if (!kept[node]) continue;
    wide_[node].fitted = static_cast<int32_t>(fitted_.size());
    fitted_.push_back(candidates[node]);
  }
}
