// The smooth fill's biharmonic system A = L^T W L (fill_equations.h) kept as its factors: L, the
// umbrella Laplacian's rows over the vertices to fill, and W, the rows' weights, never multiplied
// out. A row of L has the row vertex's neighbours to fill (coefficient 1) and the row vertex
// itself when it is to fill (minus its degree), some seven entries, against the nineteen of a row
// of A, and their coefficients follow from the degrees: only the column numbers are stored.
//
// A product A x is L^T (W (L x)). A Gauss-Seidel sweep over A keeps y = W L x up to date as it
// changes x one column at a time, so that each column's update reads and writes only the rows
// holding it. The coarse levels' operator P^T A P is (L P)^T W (L P), made a block of rows of L
// at a time. Every sum runs in one fixed order, whatever the machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "surface_transfer/fill_layout.h"
#include "surface_transfer/sparse_rows.h"

class SquaredLaplacian {
 public:
  explicit SquaredLaplacian(const FillLayout& layout);

  std::size_t columnCount() const { return ownRow_.size(); }
  std::size_t rowCount() const { return weight_.size(); }

  // rowValues = W L x (three columns each).
  void RowValues(const double* x, double* rowValues) const;

  // product = L^T rowValues.
  void Transpose(const double* rowValues, double* product) const;

  // product = A x; `rowRoom` holds rowCount() * 3 values of scratch.
  void Multiply(const double* x, double* product, double* rowRoom) const;

  // residual = rightSide - L^T rowValues, rowValues being W L x.
  void Residual(const double* rightSide, const double* rowValues, double* residual) const;

  // One Gauss-Seidel sweep over A towards A x = rightSide, in increasing column order (forward) or
  // decreasing; rowValues = W L x on entry, and again on return.
  void Sweep(const double* rightSide, bool forward, double* x, double* rowValues) const;

  // P^T A P for a prolongation P of columnCount() rows.
  SparseRows Galerkin(const FloatRows& prolongation) const;

 private:
  // sums = (L^T rowValues) at `column`, three columns.
  void Transposed(std::size_t column, const double* rowValues, double* sums) const;
  SparseRows Rows(std::size_t begin, std::size_t end) const;

  // Per row: its weight, degree and own column (kNoIndex for a known vertex); its neighbours to
  // fill in [rowStart_[r], rowStart_[r + 1]) of rowColumns_.
  std::vector<double> weight_, degree_;
  std::vector<uint32_t> ownColumn_;
  std::vector<std::size_t> rowStart_;
  std::vector<uint32_t> rowColumns_;
  // Per column: its own row, the rows where it is a neighbour, and A's diagonal entry.
  std::vector<uint32_t> ownRow_;
  std::vector<std::size_t> columnStart_;
  std::vector<uint32_t> columnRows_;
  std::vector<double> diagonal_;
};
