// The solver of the smooth fill's systems: conjugate gradients, each step preconditioned by one
// multigrid V-cycle over a hierarchy of coarse spaces made by smoothed aggregation of the mesh's
// graph (aggregation.h), with the system's Galerkin products as the coarse operators, symmetric
// Gauss-Seidel sweeps as smoothers and a sparse Cholesky factor at the coarsest level. The
// finest system is held either as a sparse matrix (the harmonic one) or as the factors of the
// biharmonic one (squared_laplacian.h), which are several times smaller; the prolongations and
// coarse operators are kept as floats, the sums made in doubles. The work of a step and the
// memory grow in proportion to the unknowns, the number of steps slowly (16 for 10^4 biharmonic
// unknowns, 28 for 3·10^5, 54 for 10^6).
//
// Everything runs on the calling thread in one fixed order: the bits depend on nothing but the
// input.
#pragma once

#include <memory>
#include <vector>

#include "surface_transfer/sparse_rows.h"

class SquaredLaplacian;

// How the hierarchy of a system is made.
struct MultigridShape {
  // Damped Jacobi steps over the graph that smooth each coarse function (aggregation.h).
  int smoothingSteps;
  // A level of at most `coarsestSize` unknowns, or the level `mostLevels` from the finest, is
  // the coarsest, solved by its Cholesky factor.
  long coarsestSize;
  std::size_t mostLevels;
};

class Multigrid {
 public:
  Multigrid();
  ~Multigrid();
  Multigrid(const Multigrid&) = delete;
  Multigrid& operator=(const Multigrid&) = delete;

  // Builds the hierarchy of the system `graph`, or of the system that `factors` multiply out to,
  // over `graph` (the graph Laplacian among the unknowns, which coarsens); systems and graph
  // symmetric positive definite, of the same size. False when the coarsest system cannot be
  // factored.
  bool Build(SparseRows&& graph, const MultigridShape& shape);
  bool Build(SparseRows&& graph, std::shared_ptr<const SquaredLaplacian> factors,
             const MultigridShape& shape);

  std::size_t unknownCount() const;

  // Solves system * solution = rightSide for three right-hand sides side by side (sparse_rows.h),
  // `solution` holding the first guess on entry. Each column stops when its
  // residual is at most `tolerance` times its right side (a zero right side: a zero solution).
  // Returns the number of steps taken.
  int Solve(const std::vector<double>& rightSide, double tolerance,
            std::vector<double>* solution) const;

 private:
  struct Hierarchy;
  bool Coarsen(SparseRows& finest, std::shared_ptr<const SquaredLaplacian> factors,
               const MultigridShape& shape);
  bool Factor(const SparseRows* coarsest, std::unique_ptr<Hierarchy>& hierarchy);
  std::unique_ptr<Hierarchy> hierarchy_;
};
