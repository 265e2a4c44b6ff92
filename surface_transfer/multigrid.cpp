#include "surface_transfer/multigrid.h"

#include <Eigen/SparseCholesky>
#include <algorithm>
#include <utility>

#include "surface_transfer/aggregation.h"
#include "surface_transfer/squared_laplacian.h"

namespace {

// Coarsening that keeps more than this share of a level's unknowns has stalled (a graph whose
// vertices have hardly any neighbours): that level becomes the coarsest.
constexpr double kStalledShare = 0.7;

// The conjugate gradients stop after this many steps whatever the residual: the V-cycle takes
// the residual down by about a tenth per step, so that this is never reached in practice.
constexpr int kMostSteps = 300;

struct Level {
  std::size_t size = 0;
  // Empty at the coarsest level, and at the finest when its system is kept as its factors.
  FloatRows system;
  // From the next level to this one.
  FloatRows prolongation;
};

// Room for one V-cycle's work on each level: residuals, coarse right sides and corrections, and
// the finest level's row values when it is kept as its factors.
struct CycleRoom {
  std::vector<std::vector<double>> residuals;
  std::vector<std::vector<double>> rightSides;
  std::vector<std::vector<double>> corrections;
  std::vector<double> rowValues;
};

}  // namespace

struct Multigrid::Hierarchy {
  std::vector<Level> levels;
  // The finest system as its factors, or null where levels[0].system holds it.
  std::shared_ptr<const SquaredLaplacian> factors;
  Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> coarsest;

  std::size_t Size(std::size_t level) const { return levels[level].size; }
  void SolveCoarsest(const double* rightSide, double* solution) const;
  void Correct(std::size_t level, const double* residual, double* solution, CycleRoom& room) const;
  void Cycle(std::size_t level, const double* rightSide, double* solution, CycleRoom& room) const;
  void FactoredCycle(const double* rightSide, double* solution, CycleRoom& room) const;
  void Multiply(const double* x, double* product, CycleRoom& room) const;
  CycleRoom RoomFor() const;
};

void Multigrid::Hierarchy::SolveCoarsest(const double* rightSide, double* solution) const {
  const auto rows = static_cast<Eigen::Index>(levels.back().size);
  Eigen::MatrixXd right(rows, kColumns);
  for (Eigen::Index row = 0; row < rows; ++row) {
    for (int c = 0; c < kColumns; ++c) right(row, c) = rightSide[row * kColumns + c];
  }
  const Eigen::MatrixXd solved = coarsest.solve(right);
  for (Eigen::Index row = 0; row < rows; ++row) {
    for (int c = 0; c < kColumns; ++c) solution[row * kColumns + c] = solved(row, c);
  }
}

// solution += the coarse correction of `residual`: restricted, solved on the next level by a
// cycle, prolonged.
void Multigrid::Hierarchy::Correct(std::size_t level, const double* residual, double* solution,
                                   CycleRoom& room) const {
  const FloatRows& prolongation = levels[level].prolongation;
  double* coarseRight = room.rightSides[level + 1].data();
  double* correction = room.corrections[level + 1].data();
  RestrictBlock(prolongation, residual, coarseRight);
  Cycle(level + 1, coarseRight, correction, room);
  ProlongAndAdd(prolongation, correction, solution);
}

// solution = the V-cycle applied to rightSide, from a zero guess: a forward Gauss-Seidel sweep
// before the coarse correction and a backward one after it, which keeps the cycle symmetric, as
// conjugate gradients need.
void Multigrid::Hierarchy::Cycle(std::size_t level, const double* rightSide, double* solution,
                                 CycleRoom& room) const {
  if (level + 1 == levels.size()) {
    SolveCoarsest(rightSide, solution);
    return;
  }
  if (level == 0 && factors) {
    FactoredCycle(rightSide, solution, room);
    return;
  }
  const FloatRows& matrix = levels[level].system;
  double* residual = room.residuals[level].data();
  SweepFromZero(matrix, rightSide, solution, residual);
  Correct(level, residual, solution, room);
  GaussSeidelSweep(matrix, rightSide, false, solution);
}

// The cycle's finest level, over the factors, from a zero guess.
void Multigrid::Hierarchy::FactoredCycle(const double* rightSide, double* solution,
                                         CycleRoom& room) const {
  double* rowValues = room.rowValues.data();
  std::fill(solution, solution + factors->columnCount() * kColumns, 0.0);
  std::fill(room.rowValues.begin(), room.rowValues.end(), 0.0);
  factors->Sweep(rightSide, true, solution, rowValues);
  double* residual = room.residuals[0].data();
  factors->Residual(rightSide, rowValues, residual);
  Correct(0, residual, solution, room);
  factors->RowValues(solution, rowValues);
  factors->Sweep(rightSide, false, solution, rowValues);
}

void Multigrid::Hierarchy::Multiply(const double* x, double* product, CycleRoom& room) const {
  if (factors) {
    factors->Multiply(x, product, room.rowValues.data());
  } else {
    MultiplyBlock(levels[0].system, x, product);
  }
}

CycleRoom Multigrid::Hierarchy::RoomFor() const {
  CycleRoom room;
  for (std::size_t level = 0; level < levels.size(); ++level) {
    const std::size_t size = Size(level) * kColumns;
    room.residuals.emplace_back(level + 1 < levels.size() ? size : 0);
    room.rightSides.emplace_back(level > 0 ? size : 0);
    room.corrections.emplace_back(level > 0 ? size : 0);
  }
  if (factors) room.rowValues.resize(factors->rowCount() * kColumns);
  return room;
}

Multigrid::Multigrid() = default;
Multigrid::~Multigrid() = default;

bool Multigrid::Build(SparseRows&& graph, const MultigridShape& shape) {
  return Coarsen(graph, nullptr, shape);
}

bool Multigrid::Build(SparseRows&& graph, std::shared_ptr<const SquaredLaplacian> factors,
                      const MultigridShape& shape) {
  return Coarsen(graph, std::move(factors), shape);
}

namespace {
// P^T system P.
SparseRows Galerkin(const SparseRows& system, const FloatRows& prolongation) {
  const FloatRows restriction = prolongation.transpose();
  const SparseRows timesProlongation = Product<SparseRows>(system, prolongation);
  return Product<SparseRows>(restriction, timesProlongation);
}

}  // namespace

// (Eigen's sparse matrices have no move operations: they are swapped, and the levels reserved
// for, so that no hierarchy is copied.) Each level's system is made in doubles from the one before
// and the prolongation the cycle applies, in floats; the levels keep it as floats. Without factors
// the finest system is the graph itself.
bool Multigrid::Coarsen(SparseRows& finest, std::shared_ptr<const SquaredLaplacian> factors,
                        const MultigridShape& shape) {
  SparseRows graph;
  graph.swap(finest);
  auto hierarchy = std::make_unique<Hierarchy>();
  hierarchy->levels.reserve(std::max<std::size_t>(shape.mostLevels, 1));
  hierarchy->factors = std::move(factors);
  SparseRows system;
  const SparseRows* current = hierarchy->factors ? nullptr : &graph;
  hierarchy->levels.emplace_back();
  hierarchy->levels[0].size = static_cast<std::size_t>(graph.rows());
  while (hierarchy->levels.size() < shape.mostLevels &&
         static_cast<long>(hierarchy->levels.back().size) > shape.coarsestSize) {
    Level& fine = hierarchy->levels.back();
    CoarseSpace space = CoarsenGraph(graph, shape.smoothingSteps);
    if (static_cast<double>(space.prolongation.cols()) >
        kStalledShare * static_cast<double>(fine.size)) {
      break;
    }
    SparseRows coarse = current ? Galerkin(*current, space.prolongation)
                                : hierarchy->factors->Galerkin(space.prolongation);
    if (current) fine.system = current->cast<float>();
    fine.prolongation.swap(space.prolongation);
    graph.swap(space.coarseGraph);
    system.swap(coarse);
    current = &system;
    hierarchy->levels.emplace_back();
    hierarchy->levels.back().size = static_cast<std::size_t>(system.rows());
  }
  return Factor(current, hierarchy);
}

// The coarsest level's Cholesky factor; a hierarchy of one level keeps its system for the
// conjugate gradients' products.
bool Multigrid::Factor(const SparseRows* coarsest, std::unique_ptr<Hierarchy>& hierarchy) {
  SparseRows product;
  if (!coarsest) {
    const auto size = static_cast<Eigen::Index>(hierarchy->factors->columnCount());
    FloatRows identity(size, size);
    identity.setIdentity();
    product = hierarchy->factors->Galerkin(identity);
    coarsest = &product;
  } else if (hierarchy->levels.size() == 1) {
    hierarchy->levels[0].system = coarsest->cast<float>();
  }
  hierarchy->coarsest.compute(Eigen::SparseMatrix<double>(*coarsest));
  if (hierarchy->coarsest.info() != Eigen::Success) return false;
  hierarchy_ = std::move(hierarchy);
  return true;
}

std::size_t Multigrid::unknownCount() const {
  return hierarchy_ ? hierarchy_->Size(0) : 0;
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

int Multigrid::Solve(const std::vector<double>& rightSide, double tolerance,
                     std::vector<double>* solution) const {
  const std::size_t rows = hierarchy_->Size(0);
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
  CycleRoom room = hierarchy_->RoomFor();
  hierarchy_->Multiply(solution->data(), g.residual.data(), room);
  for (std::size_t k = 0; k < size; ++k) g.residual[k] = rightSide[k] - g.residual[k];
  hierarchy_->Cycle(0, g.residual.data(), g.preconditioned.data(), room);
  g.direction = g.preconditioned;
  ColumnDots(g.residual.data(), g.preconditioned.data(), rows, g.residualDotPreconditioned);
  int steps = 0;
  for (; steps < kMostSteps && AnyActive(g, rows); ++steps) {
    hierarchy_->Multiply(g.direction.data(), g.product.data(), room);
    double dots[kColumns];
    ColumnDots(g.direction.data(), g.product.data(), rows, dots);
    Step(g, dots, *solution);
    hierarchy_->Cycle(0, g.residual.data(), g.preconditioned.data(), room);
    ColumnDots(g.residual.data(), g.preconditioned.data(), rows, dots);
    TurnDirection(g, dots);
  }
  return steps;
}
