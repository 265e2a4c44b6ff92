// The solver of the smooth fill's two systems over the same unknowns, the harmonic one (the
// graph Laplacian held at zero beyond the unknowns) and the biharmonic one: conjugate gradients,
// each step preconditioned by one multigrid V-cycle over a hierarchy of coarse spaces
// (aggregation.h) shared by both systems, with the systems' Galerkin products as their coarse
// operators, symmetric Gauss-Seidel sweeps as smoothers and a sparse Cholesky factor at the
// coarsest level. The work of a step and the memory grow in proportion to the unknowns, the
// number of steps slowly (about twice as many for 10^6 unknowns as for 10^4).
//
// Everything runs on the calling thread in one fixed order: the bits depend on nothing but the
// input.
#pragma once

#include <memory>
#include <vector>

#include "surface_transfer/sparse_rows.h"

enum class FillSystem { kHarmonic = 0, kBiharmonic = 1 };

class Multigrid {
 public:
  Multigrid();
  ~Multigrid();
  Multigrid(const Multigrid&) = delete;
  Multigrid& operator=(const Multigrid&) = delete;

  // Builds the hierarchy: `laplacian` is the harmonic system and the graph that coarsens, both
  // symmetric positive definite, of the same size. False when a coarsest system cannot be
  // factored.
  bool Build(SparseRows laplacian, SparseRows bilaplacian);

  std::size_t unknownCount() const;

  // Solves system * solution = rightSide for three right-hand sides side by side (sparse_rows.h),
  // `solution` holding the first guess on entry. Each column stops when its
  // residual is at most `tolerance` times its right side (a zero right side: a zero solution).
  // Returns the number of steps taken.
  int Solve(FillSystem system, const std::vector<double>& rightSide, double tolerance,
            std::vector<double>* solution) const;

 private:
  struct Hierarchy;
  std::unique_ptr<Hierarchy> hierarchy_;
};
