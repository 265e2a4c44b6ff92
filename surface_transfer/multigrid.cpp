#include "surface_transfer/multigrid.h"

#include <Eigen/SparseCholesky>
#include <algorithm>
#include <utility>

#include "surface_transfer/aggregation.h"

namespace {

// Below this many unknowns a level is solved by its Cholesky factor. A factor of a few hundred
// unknowns costs less than the sweeps of one more level, and the differential tests run the
// V-cycle on holes of a few hundred vertices already.
constexpr Eigen::Index kCoarsestSize = 200;

// Coarsening that keeps more than this share of a level's unknowns has stalled (a graph whose
// vertices have hardly any neighbours): that level becomes the coarsest.
constexpr double kStalledShare = 0.7;

// Gauss-Seidel sweeps before the coarse correction (forward) and after it (backward), which keeps
// the V-cycle symmetric, as conjugate gradients need.
constexpr int kSweeps = 1;

// The conjugate gradients stop after this many steps whatever the residual: the V-cycle takes
// the residual down by about a tenth per step, so that this is never reached in practice.
constexpr int kMostSteps = 300;

struct Level {
  SparseRows systems[2];
  // From the next level to this one.
  SparseRows prolongation;
};

// Room for one V-cycle's work on each level: residuals, coarse right sides and corrections.
struct CycleRoom {
  std::vector<std::vector<double>> residuals;
  std::vector<std::vector<double>> rightSides;
  std::vector<std::vector<double>> corrections;
};

}  // namespace

struct Multigrid::Hierarchy {
  std::vector<Level> levels;
  Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> coarsest[2];

  void SolveCoarsest(int system, const double* rightSide, double* solution) const;
  void Cycle(int system, std::size_t level, const double* rightSide, double* solution,
             CycleRoom& room) const;
  CycleRoom RoomFor() const;
};

void Multigrid::Hierarchy::SolveCoarsest(int system, const double* rightSide,
                                         double* solution) const {
  const Eigen::Index rows = levels.back().systems[system].rows();
  Eigen::MatrixXd right(rows, kColumns);
  for (Eigen::Index row = 0; row < rows; ++row) {
    for (int c = 0; c < kColumns; ++c) right(row, c) = rightSide[row * kColumns + c];
  }
  const Eigen::MatrixXd solved = coarsest[system].solve(right);
  for (Eigen::Index row = 0; row < rows; ++row) {
    for (int c = 0; c < kColumns; ++c) solution[row * kColumns + c] = solved(row, c);
  }
}

// solution = the V-cycle applied to rightSide, from a zero guess.
void Multigrid::Hierarchy::Cycle(int system, std::size_t level, const double* rightSide,
                                 double* solution, CycleRoom& room) const {
  if (level + 1 == levels.size()) {
    SolveCoarsest(system, rightSide, solution);
    return;
  }
  const SparseRows& matrix = levels[level].systems[system];
  const SparseRows& prolongation = levels[level].prolongation;
  std::fill(solution, solution + matrix.rows() * kColumns, 0.0);
  for (int sweep = 0; sweep < kSweeps; ++sweep) {
    GaussSeidelSweep(matrix, rightSide, true, solution);
  }
  double* residual = room.residuals[level].data();
  ResidualOfBlock(matrix, rightSide, solution, residual);
  double* coarseRight = room.rightSides[level + 1].data();
  double* correction = room.corrections[level + 1].data();
  RestrictBlock(prolongation, residual, coarseRight);
  Cycle(system, level + 1, coarseRight, correction, room);
  ProlongAndAdd(prolongation, correction, solution);
  for (int sweep = 0; sweep < kSweeps; ++sweep) {
    GaussSeidelSweep(matrix, rightSide, false, solution);
  }
}

CycleRoom Multigrid::Hierarchy::RoomFor() const {
  CycleRoom room;
  for (const Level& level : levels) {
    const std::size_t size = static_cast<std::size_t>(level.systems[0].rows()) * kColumns;
    room.residuals.emplace_back(size);
    room.rightSides.emplace_back(size);
    room.corrections.emplace_back(size);
  }
  return room;
}

Multigrid::Multigrid() = default;
Multigrid::~Multigrid() = default;

bool Multigrid::Build(SparseRows laplacian, SparseRows bilaplacian) {
  auto hierarchy = std::make_unique<Hierarchy>();
  SparseRows graph = laplacian;
  hierarchy->levels.push_back(Level{{std::move(laplacian), std::move(bilaplacian)}, {}});
  while (hierarchy->levels.back().systems[0].rows() > kCoarsestSize) {
    Level& fine = hierarchy->levels.back();
    CoarseSpace space = CoarsenGraph(graph);
    if (static_cast<double>(space.prolongation.cols()) >
        kStalledShare * static_cast<double>(fine.systems[0].rows())) {
      break;
    }
    const SparseRows restriction = space.prolongation.transpose();
    Level coarse;
    for (int s = 0; s < 2; ++s) {
      const SparseRows timesProlongation = fine.systems[s] * space.prolongation;
      coarse.systems[s] = restriction * timesProlongation;
    }
    fine.prolongation = std::move(space.prolongation);
    graph = std::move(space.coarseGraph);
    hierarchy->levels.push_back(std::move(coarse));
  }
  for (int s = 0; s < 2; ++s) {
    hierarchy->coarsest[s].compute(
        Eigen::SparseMatrix<double>(hierarchy->levels.back().systems[s]));
    if (hierarchy->coarsest[s].info() != Eigen::Success) return false;
  }
  hierarchy_ = std::move(hierarchy);
  return true;
}

std::size_t Multigrid::unknownCount() const {
  return hierarchy_ ? static_cast<std::size_t>(hierarchy_->levels[0].systems[0].rows()) : 0;
}

namespace {

// The state of the conjugate gradients, column by column.
struct Gradients {
  std::vector<double> residual, preconditioned, direction, product;
  double residualDotPreconditioned[kColumns];
  double threshold[kColumns];
  bool active[kColumns];
};

// x += alpha * p and r -= alpha * q in the active columns; a column whose direction meets no
// curvature (rounding at the end of its way) stops.
void Step(Gradients& g, const double* directionDotProduct, std::vector<double>& solution) {
  double alpha[kColumns] = {};
  for (int c = 0; c < kColumns; ++c) {
    if (g.active[c] && directionDotProduct[c] > 0.0) {
      alpha[c] = g.residualDotPreconditioned[c] / directionDotProduct[c];
    } else {
      g.active[c] = false;
    }
  }
  for (std::size_t k = 0; k < solution.size(); ++k) {
    const int c = static_cast<int>(k % static_cast<std::size_t>(kColumns));
    solution[k] += alpha[c] * g.direction[k];
    g.residual[k] -= alpha[c] * g.product[k];
  }
}

// p = z + beta * p in the active columns, beta from the new and the previous r . z.
void TurnDirection(Gradients& g, const double* newDot) {
  double beta[kColumns] = {};
  for (int c = 0; c < kColumns; ++c) {
    beta[c] = g.active[c] ? newDot[c] / g.residualDotPreconditioned[c] : 0.0;
    if (g.active[c]) g.residualDotPreconditioned[c] = newDot[c];
  }
  for (std::size_t k = 0; k < g.direction.size(); ++k) {
    const int c = static_cast<int>(k % static_cast<std::size_t>(kColumns));
    if (g.active[c]) g.direction[k] = g.preconditioned[k] + beta[c] * g.direction[k];
  }
}

// Stops the columns whose residual has come down to their threshold.
bool AnyActive(Gradients& g, std::size_t rows) {
  double squares[kColumns];
  ColumnDots(g.residual.data(), g.residual.data(), rows, squares);
  bool any = false;
  for (int c = 0; c < kColumns; ++c) {
    if (!(squares[c] > g.threshold[c])) g.active[c] = false;
    any = any || g.active[c];
  }
  return any;
}

}  // namespace

int Multigrid::Solve(FillSystem system, const std::vector<double>& rightSide, double tolerance,
                     std::vector<double>* solution) const {
  const int s = static_cast<int>(system);
  const SparseRows& matrix = hierarchy_->levels[0].systems[s];
  const std::size_t rows = static_cast<std::size_t>(matrix.rows());
  const std::size_t size = rows * static_cast<std::size_t>(kColumns);
  Gradients g{std::vector<double>(size),
              std::vector<double>(size),
              std::vector<double>(size),
              std::vector<double>(size),
              {},
              {},
              {}};
  double squares[kColumns];
  ColumnDots(rightSide.data(), rightSide.data(), rows, squares);
  for (int c = 0; c < kColumns; ++c) {
    g.threshold[c] = tolerance * tolerance * squares[c];
    g.active[c] = squares[c] > 0.0;
    if (g.active[c]) continue;
    for (std::size_t row = 0; row < rows; ++row) (*solution)[row * kColumns + c] = 0.0;
  }
  ResidualOfBlock(matrix, rightSide.data(), solution->data(), g.residual.data());
  CycleRoom room = hierarchy_->RoomFor();
  hierarchy_->Cycle(s, 0, g.residual.data(), g.preconditioned.data(), room);
  g.direction = g.preconditioned;
  ColumnDots(g.residual.data(), g.preconditioned.data(), rows, g.residualDotPreconditioned);
  int steps = 0;
  for (; steps < kMostSteps && AnyActive(g, rows); ++steps) {
    MultiplyBlock(matrix, g.direction.data(), g.product.data());
    double dots[kColumns];
    ColumnDots(g.direction.data(), g.product.data(), rows, dots);
    Step(g, dots, *solution);
    hierarchy_->Cycle(s, 0, g.residual.data(), g.preconditioned.data(), room);
    ColumnDots(g.residual.data(), g.preconditioned.data(), rows, dots);
    TurnDirection(g, dots);
  }
  return steps;
}
