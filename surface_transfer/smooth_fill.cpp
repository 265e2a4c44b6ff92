#include "surface_transfer/smooth_fill.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include <utility>

#include "parallel/parallel_chunks.h"
#include "surface_transfer/fill_equations.h"
#include "surface_transfer/fill_layout.h"
#include "surface_transfer/multigrid.h"
#include "surface_transfer/squared_laplacian.h"
#include "transfer/interpolated_delta.h"

// The Laplacian is the umbrella operator of the mesh's graph (every neighbour weighs the same),
// not the cotangent one. Cotangent weights follow the geometry more closely, but they turn
// negative across obtuse triangles and infinite on degenerate ones, and the meshes that come to a
// transfer have both; with negative weights the system may lose its definiteness, and clamped
// weights may cut a vertex off altogether. Uniform weights keep both systems symmetric positive
// definite for every part that holds a known vertex (a function harmonic on the filled vertices
// and zero on the known ones vanishes, by the maximum principle), whatever the geometry.
//
// The harmonic solves give, besides F (row by row), a first guess for the biharmonic one: at each
// frame vertex the constant c = d - (F - I) x (x its rest position less the first filled
// vertex's) is filled harmonically too, and a filled vertex starts from (F - I) x + c. Under a
// rigid motion c is the same everywhere, and so the first guess is the answer already.

namespace {

// The fewest vertices of unanchored parts that a thread moves. A rigid move is some thirty double
// operations on one vertex, a few nanoseconds; a chunk of fewer than a few thousand vertices is
// over before a thread could be started for it, so that up to twice this many move on the calling
// thread alone. Only the speed depends on it: every vertex is moved by itself, whatever the chunks.
constexpr std::size_t kRigidVerticesPerChunk = 4096;

// Each solve stops where every column's residual is this small beside its right side. The
// biharmonic one gives the displacements, which then agree with the exact minimum to about a
// float's precision. The harmonic fill of F enters the displacements' target Laplacians; that of
// c gives the first guess alone, which the biharmonic solve corrects whatever it is.
constexpr double kBiharmonicTolerance = 1e-9;
constexpr double kChangeTolerance = 1e-7;
constexpr double kGuessTolerance = 1e-4;

// The Jacobi steps that smooth the coarse functions of the two systems' hierarchies
// (aggregation.h). The harmonic system, of the second order, takes the classic single step. The
// biharmonic one, of the fourth order, needs coarse functions smooth enough to follow slowly
// varying slopes: on holes of 10^4 to 10^5 vertices two steps left the conjugate gradients 54 to
// 145 steps, four 24 to 41, six 21 to 26. Eight take fewer steps again (22 against 28 for 3·10^5
// vertices, 41 against 54 for 10^6) but their wider functions and denser coarse levels cost more
// than the steps save. Smoothing by the biharmonic operator itself, or coarsening twice as fast
// with stronger sweeps, took several times as many steps.
constexpr int kHarmonicSmoothingSteps = 1;
constexpr int kBiharmonicSmoothingSteps = 6;

// The hierarchies' coarsest level: one of at most kCoarsestSize unknowns, or the level
// kMostLevels from the finest, is solved by its Cholesky factor. A factor of a few hundred
// unknowns costs less than the sweeps of one more level. Each level costs the V-cycle some
// accuracy, so that holes of 10^6 vertices, whose fourth level has some 1700 unknowns, stop
// there: with a fifth level of 200, the biharmonic solve took 57 steps instead of 50. A level
// of some 14000 unknowns took 46, but its factor cost more than the steps it saved, the
// biharmonic system's coarse levels having 100 to 150 entries a row.
constexpr long kCoarsestSize = 200;
constexpr std::size_t kMostLevels = 4;

// What the fill reads at each frame vertex: c (3 values), then F - I (9, row-major).
constexpr int kOffsetValues = 3;
constexpr std::size_t kFrameValues = 12;

bool IsFinite(const LinearMap& map) {
  for (const float entry : map.m) {
    if (!std::isfinite(entry)) return false;
  }
  return true;
}

// m * v for a row-major 3x3 map of doubles.
void Apply(const double* m, const double* v, double* product) {
  for (int row = 0; row < 3; ++row) {
    product[row] = (m[3 * row] * v[0] + m[3 * row + 1] * v[1]) + m[3 * row + 2] * v[2];
  }
}

float ToFloat(double value) {
  return Saturated(static_cast<float>(value));
}

// The displacement a rigid motion gives the point at rest position x, in double precision.
Vector3 RigidDisplacement(const RigidMotion& motion, const Vector3& x) {
  const double offset[3] = {static_cast<double>(x.x) - static_cast<double>(motion.origin.x),
                            static_cast<double>(x.y) - static_cast<double>(motion.origin.y),
                            static_cast<double>(x.z) - static_cast<double>(motion.origin.z)};
  const double translation[3] = {motion.translation.x, motion.translation.y, motion.translation.z};
  float result[3];
  for (int row = 0; row < 3; ++row) {
    const float* r = motion.rotation + 3 * row;
    const double turned = static_cast<double>(r[0]) * offset[0] +
                          static_cast<double>(r[1]) * offset[1] +
                          static_cast<double>(r[2]) * offset[2];
    result[row] = ToFloat(translation[row] + (turned - offset[row]));
  }
  return {result[0], result[1], result[2]};
}

}  // namespace

struct SmoothFill::Solver {
  FillLayout layout;
  Multigrid harmonic;
  Multigrid biharmonic;
  // The biharmonic system's factors, which the biharmonic hierarchy shares.
  std::shared_ptr<const SquaredLaplacian> squares;
  // The vertices of the unanchored parts, part after part, with their part and rest position.
  std::vector<uint32_t> rigidVertices;
  std::vector<uint32_t> rigidPartOf;
  std::vector<Vector3> rigidRest;
  // Rest positions less the first filled vertex's, in doubles: three per column, three per frame
  // vertex.
  std::vector<double> columnPlaces;
  std::vector<double> framePlaces;

  bool BuildSolvers();
  void CopyRest(const TriangleMesh& mesh);
  std::vector<double> FrameValues(const Vector3* deltas, const LinearMap* changes) const;
  void AddTurnedRow(int i, const std::vector<double>& filledRow,
                    const std::vector<double>& frameValues, std::vector<double>& guess,
                    std::vector<double>& targets) const;
  void SolveFilled(Vector3* deltas, const LinearMap* changes) const;
};

bool SmoothFill::Solver::BuildSolvers() {
  SparseRows graph = HarmonicSystem(layout);
  squares = std::make_shared<const SquaredLaplacian>(layout);
  std::vector<UnknownEntry>().swap(layout.unknownEntries);  // the factors hold them from here
  return biharmonic.Build(SparseRows(graph), squares,
                          {kBiharmonicSmoothingSteps, kCoarsestSize, kMostLevels}) &&
         harmonic.Build(std::move(graph), {kHarmonicSmoothingSteps, kCoarsestSize, kMostLevels});
}

void SmoothFill::Solver::CopyRest(const TriangleMesh& mesh) {
  for (std::size_t part = 0; part < layout.unanchoredParts.size(); ++part) {
    for (const uint32_t vertex : layout.unanchoredParts[part]) {
      rigidVertices.push_back(vertex);
      rigidPartOf.push_back(static_cast<uint32_t>(part));
      rigidRest.push_back(mesh.positions[vertex]);
    }
  }
  if (layout.filledVertices.empty()) return;
  const Vector3 origin = mesh.positions[layout.filledVertices.front()];
  const auto place = [&](uint32_t vertex, std::vector<double>& places) {
    const Vector3& p = mesh.positions[vertex];
    places.push_back(static_cast<double>(p.x) - static_cast<double>(origin.x));
    places.push_back(static_cast<double>(p.y) - static_cast<double>(origin.y));
    places.push_back(static_cast<double>(p.z) - static_cast<double>(origin.z));
  };
  for (const uint32_t vertex : layout.filledVertices) place(vertex, columnPlaces);
  for (const uint32_t vertex : layout.frameVertices) place(vertex, framePlaces);
}

// Per frame vertex: c = d - (F - I) x, then F - I (zero where the fill carries no frames).
std::vector<double> SmoothFill::Solver::FrameValues(const Vector3* deltas,
                                                    const LinearMap* changes) const {
  const std::size_t count = layout.frameVertices.size();
  std::vector<double> values(count * kFrameValues, 0.0);
  for (std::size_t k = 0; k < count; ++k) {
    double* value = values.data() + k * kFrameValues;
    const Vector3& d = deltas[layout.frameVertices[k]];
    double turned[3] = {0.0, 0.0, 0.0};
    if (changes != nullptr && IsFinite(changes[k])) {
      std::copy(changes[k].m, changes[k].m + 9, value + kOffsetValues);
      Apply(value + kOffsetValues, framePlaces.data() + 3 * k, turned);
    }
    value[0] = static_cast<double>(d.x) - turned[0];
    value[1] = static_cast<double>(d.y) - turned[1];
    value[2] = static_cast<double>(d.z) - turned[2];
  }
  return values;
}

// Adds one filled row of F - I (three values per column) to the first guess, applied to the
// columns' rest places, and that row of the frame vertices' or filled F - I applied to each
// row's rest Laplacian to the target Laplacians.
void SmoothFill::Solver::AddTurnedRow(int i, const std::vector<double>& filledRow,
                                      const std::vector<double>& frameValues,
                                      std::vector<double>& guess,
                                      std::vector<double>& targets) const {
  const auto dot = [](const double* a, const double* b) {
    return (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2];
  };
  for (std::size_t u = 0; u < layout.filledVertices.size(); ++u) {
    guess[3 * u + i] += dot(filledRow.data() + 3 * u, columnPlaces.data() + 3 * u);
  }
  for (std::size_t r = 0; r < layout.rows.size(); ++r) {
    const FillRow& row = layout.rows[r];
    const double* turn = row.column != kNoIndex
                             ? filledRow.data() + 3 * static_cast<std::size_t>(row.column)
                             : frameValues.data() +
                                   static_cast<std::size_t>(row.frame) * kFrameValues +
                                   kOffsetValues + 3 * i;
    targets[3 * r + i] = dot(turn, row.restLaplacian);
  }
}

// The harmonic fills of c, then of each row of F - I, give the first guess and the target
// Laplacians; the biharmonic solve from there gives the displacements.
void SmoothFill::Solver::SolveFilled(Vector3* deltas, const LinearMap* changes) const {
  if (layout.filledVertices.empty()) return;
  const std::vector<double> frameValues = FrameValues(deltas, changes);
  std::vector<double> guess(3 * layout.filledVertices.size(), 0.0);
  harmonic.Solve(HarmonicRightSide(layout, frameValues, kFrameValues, 0), kGuessTolerance, &guess);
  std::vector<double> targets(3 * layout.rows.size(), 0.0);
  if (changes != nullptr) {
    std::vector<double> filledRow(guess.size());
    for (int i = 0; i < 3; ++i) {
      std::fill(filledRow.begin(), filledRow.end(), 0.0);
      harmonic.Solve(HarmonicRightSide(layout, frameValues, kFrameValues, kOffsetValues + 3 * i),
                     kChangeTolerance, &filledRow);
      AddTurnedRow(i, filledRow, frameValues, guess, targets);
    }
  }
  biharmonic.Solve(BiharmonicRightSide(layout, *squares, deltas, targets), kBiharmonicTolerance,
                   &guess);
  for (std::size_t u = 0; u < layout.filledVertices.size(); ++u) {
    deltas[layout.filledVertices[u]] = {ToFloat(guess[3 * u]), ToFloat(guess[3 * u + 1]),
                                        ToFloat(guess[3 * u + 2])};
  }
}

SmoothFill::SmoothFill() = default;
SmoothFill::~SmoothFill() = default;

bool SmoothFill::Prepare(const TriangleMesh& mesh, const uint8_t* known, const uint8_t* moving,
                         std::string* error) {
  solver_.reset();
  try {
    std::unique_ptr<Solver> solver(new Solver);
    if (!LayOutFill(mesh, known, moving, &solver->layout, error)) return false;
    const FillLayout& layout = solver->layout;
    if (layout.filledVertices.size() >= INT_MAX / 32 || layout.rows.size() >= INT_MAX / 32) {
      *error = "too many vertices to fill";
      return false;
    }
    if (!layout.filledVertices.empty() && !solver->BuildSolvers()) {
      *error = "the smooth fill's system could not be factored";
      return false;
    }
    solver->CopyRest(mesh);
    solver_ = std::move(solver);
    return true;
  } catch (const std::bad_alloc&) {
    *error = "not enough memory to prepare the smooth fill";
    return false;
  }
}

const std::vector<std::vector<uint32_t>>& SmoothFill::unanchoredParts() const {
  static const std::vector<std::vector<uint32_t>> kNoParts;
  return solver_ ? solver_->layout.unanchoredParts : kNoParts;
}

const std::vector<uint32_t>& SmoothFill::frameVertices() const {
  static const std::vector<uint32_t> kNoVertices;
  return solver_ ? solver_->layout.frameVertices : kNoVertices;
}

void SmoothFill::Fill(Vector3* deltas, const LinearMap* changes,
                      const std::function<RigidMotion(std::size_t part)>& rigidMotion,
                      unsigned threadCount) const {
  if (!solver_) return;
  const Solver& solver = *solver_;
  solver.SolveFilled(deltas, changes);
  if (solver.rigidVertices.empty()) return;
  std::vector<RigidMotion> motions;
  motions.reserve(solver.layout.unanchoredParts.size());
  for (std::size_t part = 0; part < solver.layout.unanchoredParts.size(); ++part) {
    motions.push_back(rigidMotion(part));
  }
  const unsigned threads = ThreadsFor(threadCount);
  RunInChunks(solver.rigidVertices.size(), threads, kRigidVerticesPerChunk,
              [&](std::size_t begin, std::size_t end) {
                for (std::size_t i = begin; i < end; ++i) {
                  deltas[solver.rigidVertices[i]] =
                      RigidDisplacement(motions[solver.rigidPartOf[i]], solver.rigidRest[i]);
                }
              });
}
