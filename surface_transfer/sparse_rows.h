// Sparse matrices stored by rows, and the few products and sweeps the fill's solver makes with
// them over blocks of three columns (x, y and z, or three right-hand sides side by side), entry
// (row, column) at row * 3 + column. The solver's hierarchy keeps its matrices with float values
// (FloatRows), which takes a third less memory and memory traffic than doubles, and sums their
// products in doubles. Every sum runs over a row's entries in their stored order, one row after
// another, so that the bits never depend on the machine or on the number of threads.
#pragma once

#include <Eigen/SparseCore>
#include <algorithm>
#include <cstddef>
#include <vector>

using SparseRows = Eigen::SparseMatrix<double, Eigen::RowMajor, int>;

// The columns of a block.
constexpr int kColumns = 3;

// The multigrid's prolongations and coarse operators, kept as floats.
using FloatRows = Eigen::SparseMatrix<float, Eigen::RowMajor, int>;

// The values of first * second into `product`, whose pattern's row starts are set; `seen` holds
// -1 for each column of second.
template <typename Result, typename First, typename Second>
void FillProduct(const First& first, const Second& second, std::vector<int>& seen,
                 Result& product) {
  const int *starts = product.outerIndexPtr(), *firstStarts = first.outerIndexPtr();
  const int *firstColumns = first.innerIndexPtr(), *secondStarts = second.outerIndexPtr();
  const int* secondColumns = second.innerIndexPtr();
  const auto* firstValues = first.valuePtr();
  const auto* secondValues = second.valuePtr();
  int* indices = product.innerIndexPtr();
  auto* values = product.valuePtr();
  std::vector<double> sums(static_cast<std::size_t>(second.cols()), 0.0);
  for (int row = 0; row < static_cast<int>(first.rows()); ++row) {
    int next = starts[row];
    for (int middle = firstStarts[row]; middle < firstStarts[row + 1]; ++middle) {
      const double factor = static_cast<double>(firstValues[middle]);
      const int inner = firstColumns[middle];
      for (int entry = secondStarts[inner]; entry < secondStarts[inner + 1]; ++entry) {
        const int column = secondColumns[entry];
        if (seen[static_cast<std::size_t>(column)] != row) {
          seen[static_cast<std::size_t>(column)] = row;
          indices[next++] = column;
        }
        sums[static_cast<std::size_t>(column)] += factor * static_cast<double>(secondValues[entry]);
      }
    }
    std::sort(indices + starts[row], indices + next);
    for (int e = starts[row]; e < next; ++e) {
      values[e] = static_cast<typename Result::Scalar>(sums[static_cast<std::size_t>(indices[e])]);
      sums[static_cast<std::size_t>(indices[e])] = 0.0;
    }
  }
}

// first * second, each row's entries summed in doubles in the order of the first's entries, then
// of the second's, and stored as Result's values; made at its exact size, without the copies of a
// general product. Both factors must be compressed (as products, transposes and matrices made
// from triplets are).
template <typename Result, typename First, typename Second>
Result Product(const First& first, const Second& second) {
  Result product(first.rows(), second.cols());
  int* starts = product.outerIndexPtr();
  const int *firstStarts = first.outerIndexPtr(), *firstColumns = first.innerIndexPtr();
  const int *secondStarts = second.outerIndexPtr(), *secondColumns = second.innerIndexPtr();
  std::vector<int> seen(static_cast<std::size_t>(second.cols()), -1);
  starts[0] = 0;
  for (int row = 0; row < static_cast<int>(first.rows()); ++row) {
    int count = 0;
    for (int middle = firstStarts[row]; middle < firstStarts[row + 1]; ++middle) {
      const int inner = firstColumns[middle];
      for (int entry = secondStarts[inner]; entry < secondStarts[inner + 1]; ++entry) {
        const auto column = static_cast<std::size_t>(secondColumns[entry]);
        count += seen[column] != row ? 1 : 0;
        seen[column] = row;
      }
    }
    starts[row + 1] = starts[row] + count;
  }
  product.resizeNonZeros(starts[first.rows()]);
  std::fill(seen.begin(), seen.end(), -1);
  FillProduct(first, second, seen, product);
  return product;
}

// product = matrix * block.
void MultiplyBlock(const FloatRows& matrix, const double* block, double* product);

// One Gauss-Seidel sweep over the rows of `matrix` towards matrix * block = rightSide, in
// increasing row order (forward) or decreasing. Every row must hold its diagonal entry, positive.
void GaussSeidelSweep(const FloatRows& matrix, const double* rightSide, bool forward,
                      double* block);

// block = a forward Gauss-Seidel sweep from zero towards matrix * block = rightSide, and
// residual = rightSide - matrix * block. The sweep leaves each row's equation holding but for the
// entries after the diagonal, so that the residual is minus their product: half the work of a
// product. Each row's entries must be sorted by column, its diagonal among them.
void SweepFromZero(const FloatRows& matrix, const double* rightSide, double* block,
                   double* residual);

// coarse = prolongation^T * fine (the restriction of a residual).
void RestrictBlock(const FloatRows& prolongation, const double* fine, double* coarse);

// fine += prolongation * coarse.
void ProlongAndAdd(const FloatRows& prolongation, const double* coarse, double* fine);

// Per column, the sum over the rows of first * second, in increasing row order.
void ColumnDots(const double* first, const double* second, std::size_t rows, double* dots);
