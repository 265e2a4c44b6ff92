// The smooth fill against an independent direct solve of the same energy, on grids, strips, odd
// meshes and bent grids whose surface turns; the parts with no known vertex against a union-find of
// the mesh's graph.
#include "surface_transfer/smooth_fill.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/float_bits.h"

namespace {

struct Mesh {
  std::vector<Vector3> positions;
  std::vector<uint32_t> triangles;
  TriangleMesh View() const {
    return {positions.data(), positions.size(), triangles.data(), triangles.size() / 3};
  }
  void Add(uint32_t a, uint32_t b, uint32_t c) { triangles.insert(triangles.end(), {a, b, c}); }
};

// A flat grid of unit squares, vertex x + columns * y at (x, y, 0), each square cut along a
// diagonal. `first` numbers its first vertex in a mesh that holds it.
void AddGrid(Mesh* mesh, int columns, int rows, float originX = 0.0f) {
  const uint32_t first = static_cast<uint32_t>(mesh->positions.size());
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < columns; ++x) {
      mesh->positions.push_back({originX + static_cast<float>(x), static_cast<float>(y), 0.0f});
    }
  }
  for (int y = 0; y + 1 < rows; ++y) {
    for (int x = 0; x + 1 < columns; ++x) {
      const uint32_t v = first + static_cast<uint32_t>(x + columns * y);
      const uint32_t up = v + static_cast<uint32_t>(columns);
      mesh->Add(v, v + 1, up + 1);
      mesh->Add(v, up + 1, up);
    }
  }
}

struct FillCase {
  std::string what;
  Mesh mesh;
  std::vector<uint8_t> known;   // empty: none is (null)
  std::vector<uint8_t> moving;  // empty: every vertex moves (null)
  // F - I per vertex, read at the known ones; empty: no changes (null).
  std::vector<LinearMap> changes;
};

// A columns x rows grid whose vertices at refused(x, y) are to fill, the others known.
FillCase GridCase(std::string what, int columns, int rows,
                  const std::function<bool(int, int)>& refused) {
  FillCase c{std::move(what), {}, {}, {}, {}};
  AddGrid(&c.mesh, columns, rows);
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < columns; ++x) c.known.push_back(refused(x, y) ? 0 : 1);
  }
  return c;
}

bool Known(const FillCase& c, std::size_t v) {
  return !c.known.empty() && c.known[v] != 0;
}
bool Moving(const FillCase& c, std::size_t v) {
  return c.moving.empty() || c.moving[v] != 0;
}
bool TakesPart(const FillCase& c, std::size_t v) {
  return Known(c, v) || Moving(c, v);
}

// The mesh's graph among the vertices that take part: neighbours share a triangle.
std::vector<std::set<uint32_t>> Neighbours(const FillCase& c) {
  std::vector<std::set<uint32_t>> neighbours(c.mesh.positions.size());
  for (std::size_t i = 0; i < c.mesh.triangles.size(); ++i) {
    for (std::size_t j = i - i % 3; j < i - i % 3 + 3; ++j) {
      const uint32_t a = c.mesh.triangles[i], b = c.mesh.triangles[j];
      if (a != b && TakesPart(c, a) && TakesPart(c, b)) neighbours[a].insert(b);
    }
  }
  return neighbours;
}

// The connected parts with a vertex to fill and no known one, by union-find.
std::vector<std::vector<uint32_t>> UnanchoredParts(const FillCase& c) {
  std::vector<uint32_t> root(c.mesh.positions.size());
  std::iota(root.begin(), root.end(), 0u);
  std::function<uint32_t(uint32_t)> find = [&](uint32_t v) {
    return root[v] == v ? v : root[v] = find(root[v]);
  };
  const std::vector<std::set<uint32_t>> neighbours = Neighbours(c);
  for (uint32_t v = 0; v < root.size(); ++v) {
    for (const uint32_t n : neighbours[v]) root[find(v)] = find(n);
  }
  std::vector<std::vector<uint32_t>> parts;
  for (uint32_t v = 0; v < root.size(); ++v) {
    bool anchored = false, seen = false;
    for (uint32_t w = 0; w < root.size(); ++w) {
      anchored = anchored || (find(w) == find(v) && Known(c, w));
      seen = seen || (w < v && find(w) == find(v) && TakesPart(c, w));
    }
    if (!TakesPart(c, v) || anchored || seen) continue;
    parts.emplace_back();
    for (uint32_t w = v; w < root.size(); ++w) {
      if (find(w) == find(v) && TakesPart(c, w)) parts.back().push_back(w);
    }
  }
  return parts;
}

// F - I at the vertices to fill (9 values per vertex, in toFill's order), each the mean of its
// neighbours', the known vertices' given by `changes`.
Eigen::MatrixXd HarmonicChanges(const FillCase& c,
                                const std::vector<std::set<uint32_t>>& neighbours,
                                const std::vector<uint32_t>& toFill,
                                const std::vector<int>& column) {
  std::vector<Eigen::Triplet<double>> entries;
  Eigen::MatrixXd right = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(toFill.size()), 9);
  for (std::size_t i = 0; i < toFill.size(); ++i) {
    const auto row = static_cast<int>(i);
    entries.emplace_back(row, row, static_cast<double>(neighbours[toFill[i]].size()));
    for (const uint32_t w : neighbours[toFill[i]]) {
      if (column[w] >= 0) entries.emplace_back(row, column[w], -1.0);
      if (column[w] >= 0 || !Known(c, w)) continue;
      for (int k = 0; k < 9; ++k) right(row, k) += c.changes[w].m[k];
    }
  }
  Eigen::SparseMatrix<double> system(right.rows(), right.rows());
  system.setFromTriplets(entries.begin(), entries.end());
  return Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>>(system).solve(right);
}

// The fill by a direct sparse solve over the whole mesh (Eigen's SimplicialLDLT, as the fill was
// solved before it went iterative): the displacements minimising the sum over every vertex v of
// |(L d)_v - g_v|^2 divided by its neighbour count, the known ones held, with g_v = (F_v - I)
// applied to the Laplacian of the rest positions (zero without changes).
std::vector<Vector3> DirectFill(const FillCase& c, const std::vector<Vector3>& deltas,
                                const std::vector<uint32_t>& toFill) {
  const std::vector<std::set<uint32_t>> neighbours = Neighbours(c);
  const auto n = static_cast<Eigen::Index>(neighbours.size());
  std::vector<int> column(neighbours.size(), -1);
  for (std::size_t i = 0; i < toFill.size(); ++i) column[toFill[i]] = static_cast<int>(i);
  const Eigen::MatrixXd filledChanges =
      c.changes.empty() ? Eigen::MatrixXd() : HarmonicChanges(c, neighbours, toFill, column);
  std::vector<Eigen::Triplet<double>> entries;
  Eigen::VectorXd weights = Eigen::VectorXd::Zero(n);
  Eigen::MatrixXd targets = Eigen::MatrixXd::Zero(n, 3), held = Eigen::MatrixXd::Zero(n, 3);
  for (Eigen::Index v = 0; v < n; ++v) {
    if (Known(c, static_cast<std::size_t>(v))) held.row(v) << deltas[v].x, deltas[v].y, deltas[v].z;
    if (neighbours[v].empty()) continue;
    weights(v) = 1.0 / static_cast<double>(neighbours[v].size());
    entries.emplace_back(v, v, -static_cast<double>(neighbours[v].size()));
    Eigen::Vector3d rest = Eigen::Vector3d::Zero();
    const Vector3& at = c.mesh.positions[v];
    for (const uint32_t w : neighbours[v]) {
      entries.emplace_back(v, w, 1.0);
      const Vector3& p = c.mesh.positions[w];
      rest += Eigen::Vector3d(double{p.x} - at.x, double{p.y} - at.y, double{p.z} - at.z);
    }
    if (c.changes.empty() || (column[v] < 0 && !Known(c, static_cast<std::size_t>(v)))) continue;
    Eigen::Matrix3d change;
    for (int k = 0; k < 9; ++k) {
      change(k / 3, k % 3) = column[v] >= 0 ? filledChanges(column[v], k) : c.changes[v].m[k];
    }
    targets.row(v) = (change * rest).transpose();
  }
  Eigen::SparseMatrix<double> laplacian(n, n);
  laplacian.setFromTriplets(entries.begin(), entries.end());
  const Eigen::SparseMatrix<double> energy =
      Eigen::SparseMatrix<double>(laplacian.transpose()) * weights.asDiagonal() * laplacian;
  const Eigen::MatrixXd pull = Eigen::SparseMatrix<double>(laplacian.transpose()) *
                               weights.asDiagonal() * (targets - laplacian * held);
  const auto m = static_cast<Eigen::Index>(toFill.size());
  std::vector<Eigen::Triplet<double>> restricted;
  Eigen::MatrixXd right(m, 3);
  for (Eigen::Index i = 0; i < m; ++i) {
    right.row(i) = pull.row(toFill[i]);
    for (Eigen::SparseMatrix<double>::InnerIterator e(energy, toFill[i]); e; ++e) {
      if (column[e.row()] >= 0) restricted.emplace_back(column[e.row()], i, e.value());
    }
  }
  Eigen::SparseMatrix<double> system(m, m);
  system.setFromTriplets(restricted.begin(), restricted.end());
  const Eigen::MatrixXd solution =
      Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>>(system).solve(right);
  std::vector<Vector3> filled;
  for (Eigen::Index i = 0; i < m; ++i) {
    filled.push_back({static_cast<float>(solution(i, 0)), static_cast<float>(solution(i, 1)),
                      static_cast<float>(solution(i, 2))});
  }
  return filled;
}

void ExpectNear(const Vector3& actual, const Vector3& expected, const std::string& what) {
  const float tolerance = 2e-5f;
  EXPECT_NEAR(actual.x, expected.x, tolerance * (1.0f + std::fabs(expected.x))) << what;
  EXPECT_NEAR(actual.y, expected.y, tolerance * (1.0f + std::fabs(expected.y))) << what;
  EXPECT_NEAR(actual.z, expected.z, tolerance * (1.0f + std::fabs(expected.z))) << what;
}

RigidMotion Translation(float x, float y, float z) {
  return {{0.0f, 0.0f, 0.0f}, {x, y, z}, {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f}};
}

// Prepares and fills one case with random known displacements (NaN elsewhere) and unanchored
// part p translated by (p + 1, 2, 3), then checks every vertex: known and non-moving ones keep
// their bits, anchored ones match the direct solve, unanchored ones moved by their part's motion.
void CheckCase(const FillCase& c) {
  const std::size_t count = c.mesh.positions.size();
  SmoothFill fill;
  std::string error;
  ASSERT_TRUE(fill.Prepare(c.mesh.View(), c.known.empty() ? nullptr : c.known.data(),
                           c.moving.empty() ? nullptr : c.moving.data(), &error))
      << c.what << ": " << error;
  const std::vector<std::vector<uint32_t>> parts = UnanchoredParts(c);
  EXPECT_EQ(fill.unanchoredParts(), parts) << c.what;
  std::vector<int> partOf(count, -1);
  for (std::size_t p = 0; p < parts.size(); ++p) {
    for (const uint32_t v : parts[p]) partOf[v] = static_cast<int>(p);
  }
  std::mt19937 stream(20261208);
  std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<Vector3> before(count, {nan, nan, nan});
  std::vector<uint32_t> anchored;
  for (uint32_t v = 0; v < count; ++v) {
    if (Known(c, v)) before[v] = {uniform(stream), uniform(stream), uniform(stream)};
    if (!Known(c, v) && Moving(c, v) && partOf[v] < 0) anchored.push_back(v);
  }
  std::vector<Vector3> deltas = before;
  std::vector<LinearMap> frames;
  for (const uint32_t v : fill.frameVertices())
    frames.push_back(c.changes.empty() ? LinearMap{} : c.changes[v]);
  fill.Fill(
      deltas.data(), c.changes.empty() ? nullptr : frames.data(),
      [](std::size_t part) { return Translation(static_cast<float>(part + 1), 2.0f, 3.0f); }, 2);
  const std::vector<Vector3> direct = DirectFill(c, before, anchored);
  for (std::size_t i = 0; i < anchored.size(); ++i) {
    ExpectNear(deltas[anchored[i]], direct[i], c.what + ", vertex " + std::to_string(anchored[i]));
  }
  for (uint32_t v = 0; v < count; ++v) {
    const std::string where = c.what + ", vertex " + std::to_string(v);
    if (partOf[v] >= 0) {
      ExpectNear(deltas[v], {static_cast<float>(partOf[v] + 1), 2.0f, 3.0f}, where);
    } else if (Known(c, v) || !Moving(c, v)) {
      EXPECT_TRUE(Bits(deltas[v].x) == Bits(before[v].x) &&
                  Bits(deltas[v].y) == Bits(before[v].y) && Bits(deltas[v].z) == Bits(before[v].z))
          << where;
    }
  }
}

// Vertices (x, y) with x0 <= x <= x1 and y0 <= y <= y1.
std::function<bool(int, int)> Box(int x0, int x1, int y0, int y1) {
  return [=](int x, int y) { return x0 <= x && x <= x1 && y0 <= y && y <= y1; };
}

std::vector<FillCase> Cases() {
  std::vector<FillCase> cases;
  cases.push_back(GridCase("a grid with a hole", 8, 8, Box(2, 4, 3, 5)));
  cases.push_back(GridCase("a hole reaching the border", 7, 6, Box(4, 6, 1, 3)));
  cases.push_back(GridCase("a strip", 12, 2, Box(3, 7, 0, 1)));
  cases.push_back(GridCase("one ring of known vertices", 5, 5, Box(1, 3, 1, 3)));
  cases.push_back(
      GridCase("a single known vertex", 5, 5, [](int x, int y) { return x != 2 || y != 1; }));
  FillCase apart = GridCase("vertices that take no part", 8, 6, Box(1, 3, 1, 4));
  apart.moving.assign(apart.known.size(), 1);
  for (int y = 0; y < 6; ++y) apart.known[5 + 8 * y] = apart.moving[5 + 8 * y] = 0;
  apart.known[6 + 8 * 2] = 0;  // filled from the known column beyond the cut only
  cases.push_back(apart);
  FillCase isolated = GridCase("isolated vertices", 6, 6, Box(2, 3, 2, 3));
  isolated.mesh.positions.insert(isolated.mesh.positions.end(), {{9, 9, 9}, {8, 8, 8}, {7, 7, 7}});
  isolated.known.insert(isolated.known.end(), {1, 0, 0});
  isolated.moving.assign(isolated.known.size(), 1);
  isolated.moving.back() = 0;
  cases.push_back(isolated);
  FillCase duplicated = GridCase("duplicated triangles", 6, 6, Box(1, 3, 2, 4));
  const std::vector<uint32_t> once = duplicated.mesh.triangles;
  for (std::size_t t = 0; t < once.size(); t += 3)
    duplicated.mesh.Add(once[t + 2], once[t + 1], once[t]);
  duplicated.mesh.triangles.insert(duplicated.mesh.triangles.end(), once.begin(), once.end());
  cases.push_back(duplicated);
  FillCase degenerate = GridCase("degenerate triangles", 6, 6, Box(2, 4, 1, 3));
  degenerate.mesh.Add(14, 14, 21);  // a repeated corner adds an edge already there
  degenerate.mesh.Add(15, 15, 15);
  degenerate.mesh.Add(0, 1, 2);    // no area
  degenerate.mesh.Add(20, 8, 32);  // a long edge across the hole
  cases.push_back(degenerate);
  FillCase lone = GridCase("a vertex in a triangle with itself only", 4, 4, Box(1, 1, 1, 1));
  lone.mesh.positions.push_back({5, 5, 5});
  lone.known.push_back(0);
  lone.mesh.Add(16, 16, 16);
  cases.push_back(lone);
  FillCase island = GridCase("an island with no known vertex", 5, 5, Box(1, 2, 1, 3));
  AddGrid(&island.mesh, 3, 3, 10.0f);
  island.known.resize(island.mesh.positions.size(), 0);
  cases.push_back(island);
  FillCase everything = GridCase("everything refused", 4, 3, Box(0, 9, 0, 9));
  everything.known.clear();
  cases.push_back(everything);
  cases.push_back(GridCase("nothing refused", 4, 3, Box(9, 9, 9, 9)));
  return cases;
}

// A grid jittered in its plane and bent out of it, with a hole of holeColumns x holeRows vertices
// large enough for the solver's coarse levels, the surface turning and stretching around it.
FillCase TurningCase(std::string what, int columns, int rows, int holeColumns, int holeRows) {
  const int x0 = (columns - holeColumns) / 2, y0 = (rows - holeRows) / 2;
  FillCase c = GridCase(std::move(what), columns, rows,
                        Box(x0, x0 + holeColumns - 1, y0, y0 + holeRows - 1));
  for (std::size_t v = 0; v < c.mesh.positions.size(); ++v) {
    Vector3& p = c.mesh.positions[v];
    const float k = static_cast<float>(v);
    p.z = 0.1f * std::sin(0.3f * p.x) * std::cos(0.2f * p.y);
    p.x += 0.2f * std::sin(1.7f * k);
    p.y += 0.2f * std::cos(2.3f * k);
    const float a = 0.3f * std::sin(0.15f * p.x), b = 0.2f * std::cos(0.1f * p.y);
    c.changes.push_back(
        LinearMap{{0.1f * b, -a, 0.05f * a, a, -0.1f * b, 0.2f * b, -0.05f * a, -0.2f * b, a * b}});
  }
  return c;
}

std::vector<FillCase> TurningCases() {
  std::vector<FillCase> cases;
  cases.push_back(TurningCase("a turning hole", 12, 10, 6, 5));
  cases.push_back(TurningCase("a larger turning hole", 34, 30, 24, 20));
  cases.push_back(TurningCase("a hole over three levels", 60, 56, 50, 46));
  FillCase plain = TurningCase("a large hole with no changes", 50, 40, 40, 30);
  plain.changes.clear();
  cases.push_back(plain);
  return cases;
}

TEST(SmoothFill, MatchesADirectSolveOfTheSameEnergy) {
  for (const FillCase& c : Cases()) CheckCase(c);
  for (const FillCase& c : TurningCases()) CheckCase(c);
}

// A biharmonic fill of an affine field over a regular grid is that field: every Laplacian
// vanishes on it.
TEST(SmoothFill, ReproducesAnAffineFieldOnAFlatGrid) {
  const std::function<bool(int, int)> holes[] = {
      Box(3, 6, 2, 6), Box(4, 4, 4, 4),
      [](int x, int y) { return Box(2, 6, 2, 3)(x, y) || Box(2, 3, 2, 6)(x, y); }};
  for (const std::function<bool(int, int)>& hole : holes) {
    const FillCase c = GridCase("affine", 9, 9, hole);
    std::vector<Vector3> deltas;
    for (const Vector3& p : c.mesh.positions) {
      deltas.push_back({0.375f * p.x - 0.25f * p.y + 1.0f, 0.125f * p.x + 0.75f * p.y - 2.0f,
                        -0.5f * p.x + 0.625f * p.y + 0.5f});
    }
    const std::vector<Vector3> affine = deltas;
    SmoothFill fill;
    std::string error;
    ASSERT_TRUE(fill.Prepare(c.mesh.View(), c.known.data(), nullptr, &error)) << error;
    fill.Fill(
        deltas.data(), nullptr,
        [](std::size_t) {
          ADD_FAILURE() << "no part lacks a known vertex";
          return Translation(0.0f, 0.0f, 0.0f);
        },
        1);
    for (std::size_t v = 0; v < deltas.size(); ++v) {
      ExpectNear(deltas[v], affine[v], "vertex " + std::to_string(v));
    }
  }
}

// Unanchored parts turn about their motion's origin: a quarter turn about z through (1, 2, 0),
// then a shift, against the same motion of each vertex written out; one part of 100 x 100
// vertices gives the same bits on one thread and on four.
TEST(SmoothFill, MovesPartsWithoutKnownVerticesRigidly) {
  FillCase c = GridCase("rigid", 4, 4, Box(1, 2, 1, 2));
  AddGrid(&c.mesh, 100, 100, 20.0f);
  c.known.resize(c.mesh.positions.size(), 0);
  SmoothFill fill;
  std::string error;
  ASSERT_TRUE(fill.Prepare(c.mesh.View(), c.known.data(), nullptr, &error)) << error;
  ASSERT_EQ(fill.unanchoredParts().size(), 1u);
  const RigidMotion turn = {{1.0f, 2.0f, 0.0f},
                            {0.5f, -0.25f, 2.0f},
                            {0.0f, -1.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f}};
  std::vector<Vector3> oneThread(c.mesh.positions.size(), {0.0f, 0.0f, 0.0f});
  std::vector<Vector3> fourThreads = oneThread;
  fill.Fill(
      oneThread.data(), nullptr, [&](std::size_t) { return turn; }, 1);
  fill.Fill(
      fourThreads.data(), nullptr, [&](std::size_t) { return turn; }, 4);
  for (const uint32_t v : fill.unanchoredParts()[0]) {
    const Vector3& p = c.mesh.positions[v];
    const Vector3 moved = {1.0f + 0.5f - (p.y - 2.0f), 2.0f - 0.25f + (p.x - 1.0f), p.z + 2.0f};
    ExpectNear(oneThread[v], {moved.x - p.x, moved.y - p.y, moved.z - p.z},
               "vertex " + std::to_string(v));
    EXPECT_TRUE(Bits(oneThread[v].x) == Bits(fourThreads[v].x) &&
                Bits(oneThread[v].y) == Bits(fourThreads[v].y) &&
                Bits(oneThread[v].z) == Bits(fourThreads[v].z));
  }
}

TEST(SmoothFill, RefusesACornerOutOfRange) {
  FillCase c = GridCase("out of range", 3, 3, Box(1, 1, 1, 1));
  c.mesh.Add(0, 1, 9);
  SmoothFill fill;
  std::string error;
  EXPECT_FALSE(fill.Prepare(c.mesh.View(), c.known.data(), nullptr, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(fill.unanchoredParts().empty());
}

}  // namespace
