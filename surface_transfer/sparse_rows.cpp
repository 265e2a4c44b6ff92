#include "surface_transfer/sparse_rows.h"

#include <algorithm>

void MultiplyBlock(const FloatRows& matrix, const double* block, double* product) {
  const int* starts = matrix.outerIndexPtr();
  const int* indices = matrix.innerIndexPtr();
  const float* values = matrix.valuePtr();
  for (Eigen::Index row = 0; row < matrix.rows(); ++row) {
    double sums[kColumns] = {};
    for (int e = starts[row]; e < starts[row + 1]; ++e) {
      const double* from = block + static_cast<std::size_t>(indices[e]) * kColumns;
      const double value = values[e];
      for (int c = 0; c < kColumns; ++c) sums[c] += value * from[c];
    }
    std::copy(sums, sums + kColumns, product + static_cast<std::size_t>(row) * kColumns);
  }
}

void GaussSeidelSweep(const FloatRows& matrix, const double* rightSide, bool forward,
                      double* block) {
  const int* starts = matrix.outerIndexPtr();
  const int* indices = matrix.innerIndexPtr();
  const float* values = matrix.valuePtr();
  const Eigen::Index rows = matrix.rows();
  for (Eigen::Index step = 0; step < rows; ++step) {
    const Eigen::Index row = forward ? step : rows - 1 - step;
    double sums[kColumns];
    std::copy(rightSide + row * kColumns, rightSide + (row + 1) * kColumns, sums);
    double diagonal = 0.0;
    for (int e = starts[row]; e < starts[row + 1]; ++e) {
      if (indices[e] == row) {
        diagonal = static_cast<double>(values[e]);
        continue;
      }
      const double* from = block + static_cast<std::size_t>(indices[e]) * kColumns;
      const double value = values[e];
      for (int c = 0; c < kColumns; ++c) sums[c] -= value * from[c];
    }
    for (int c = 0; c < kColumns; ++c) block[row * kColumns + c] = sums[c] / diagonal;
  }
}

void SweepFromZero(const FloatRows& matrix, const double* rightSide, double* block,
                   double* residual) {
  const int* starts = matrix.outerIndexPtr();
  const int* indices = matrix.innerIndexPtr();
  const float* values = matrix.valuePtr();
  const Eigen::Index rows = matrix.rows();
  for (Eigen::Index row = 0; row < rows; ++row) {
    double sums[kColumns];
    std::copy(rightSide + row * kColumns, rightSide + (row + 1) * kColumns, sums);
    int e = starts[row];
    for (; indices[e] < row; ++e) {
      const double* from = block + static_cast<std::size_t>(indices[e]) * kColumns;
      const double value = values[e];
      for (int c = 0; c < kColumns; ++c) sums[c] -= value * from[c];
    }
    const double diagonal = values[e];
    for (int c = 0; c < kColumns; ++c) block[row * kColumns + c] = sums[c] / diagonal;
  }
  for (Eigen::Index row = 0; row < rows; ++row) {
    double sums[kColumns] = {};
    int e = starts[row + 1] - 1;
    for (; indices[e] > row; --e) {
      const double* from = block + static_cast<std::size_t>(indices[e]) * kColumns;
      const double value = values[e];
      for (int c = 0; c < kColumns; ++c) sums[c] -= value * from[c];
    }
    std::copy(sums, sums + kColumns, residual + row * kColumns);
  }
}

void RestrictBlock(const FloatRows& prolongation, const double* fine, double* coarse) {
  std::fill(coarse, coarse + static_cast<std::size_t>(prolongation.cols()) * kColumns, 0.0);
  const int* starts = prolongation.outerIndexPtr();
  const int* indices = prolongation.innerIndexPtr();
  const float* values = prolongation.valuePtr();
  for (Eigen::Index row = 0; row < prolongation.rows(); ++row) {
    const double* from = fine + static_cast<std::size_t>(row) * kColumns;
    for (int e = starts[row]; e < starts[row + 1]; ++e) {
      double* to = coarse + static_cast<std::size_t>(indices[e]) * kColumns;
      const double value = values[e];
      for (int c = 0; c < kColumns; ++c) to[c] += value * from[c];
    }
  }
}

void ProlongAndAdd(const FloatRows& prolongation, const double* coarse, double* fine) {
  const int* starts = prolongation.outerIndexPtr();
  const int* indices = prolongation.innerIndexPtr();
  const float* values = prolongation.valuePtr();
  for (Eigen::Index row = 0; row < prolongation.rows(); ++row) {
    double* to = fine + static_cast<std::size_t>(row) * kColumns;
    for (int e = starts[row]; e < starts[row + 1]; ++e) {
      const double* from = coarse + static_cast<std::size_t>(indices[e]) * kColumns;
      const double value = values[e];
      for (int c = 0; c < kColumns; ++c) to[c] += value * from[c];
    }
  }
}

void ColumnDots(const double* first, const double* second, std::size_t rows, double* dots) {
  std::fill(dots, dots + kColumns, 0.0);
  for (std::size_t row = 0; row < rows; ++row) {
    for (int c = 0; c < kColumns; ++c) {
      dots[c] += first[row * kColumns + c] * second[row * kColumns + c];
    }
  }
}
