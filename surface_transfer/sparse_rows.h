// Sparse matrices stored by rows, and the few products and sweeps the fill's solver makes with
// them over blocks of three columns (x, y and z, or three right-hand sides side by side), entry
// (row, column) at row * 3 + column. The solver's hierarchy keeps its matrices with float values
// (FloatRows), which takes a third less memory and memory traffic than doubles, and sums their
// products in doubles. Every sum runs over a row's entries in their stored order, one row after
// another, so that the bits never depend on the machine or on the number of threads.
#pragma once

#include <Eigen/SparseCore>
#include <cstddef>
#include <vector>

using SparseRows = Eigen::SparseMatrix<double, Eigen::RowMajor, int>;

// The columns of a block.
constexpr int kColumns = 3;

// A SparseRows' pattern with its values rounded to floats.
class FloatRows {
 public:
  FloatRows() = default;
  explicit FloatRows(const SparseRows& matrix);
  Eigen::Index rows() const { return rows_; }
  Eigen::Index cols() const { return cols_; }
  std::size_t nonZeros() const { return values_.size(); }
  const int* outerIndexPtr() const { return starts_.data(); }
  const int* innerIndexPtr() const { return indices_.data(); }
  const float* valuePtr() const { return values_.data(); }

 private:
  Eigen::Index rows_ = 0, cols_ = 0;
  std::vector<int> starts_, indices_;
  std::vector<float> values_;
};

// first * second, each row's entries summed in the order of the first's entries, then of the
// second's; made at its exact size, without the copies of a general product.
SparseRows Product(const SparseRows& first, const SparseRows& second);

// Rounds each value of `matrix` to the nearest float, kept as a double.
void RoundToFloats(SparseRows* matrix);

// product = matrix * block.
void MultiplyBlock(const FloatRows& matrix, const double* block, double* product);

// residual = rightSide - matrix * block.
void ResidualOfBlock(const FloatRows& matrix, const double* rightSide, const double* block,
                     double* residual);

// One Gauss-Seidel sweep over the rows of `matrix` towards matrix * block = rightSide, in
// increasing row order (forward) or decreasing. Every row must hold its diagonal entry, positive.
void GaussSeidelSweep(const FloatRows& matrix, const double* rightSide, bool forward,
                      double* block);

// coarse = prolongation^T * fine (the restriction of a residual).
void RestrictBlock(const FloatRows& prolongation, const double* fine, double* coarse);

// fine += prolongation * coarse.
void ProlongAndAdd(const FloatRows& prolongation, const double* coarse, double* fine);

// Per column, the sum over the rows of first * second, in increasing row order.
void ColumnDots(const double* first, const double* second, std::size_t rows, double* dots);
