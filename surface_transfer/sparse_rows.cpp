#include "surface_transfer/sparse_rows.h"

#include <algorithm>

FloatRows::FloatRows(const SparseRows& matrix)
    : rows_(matrix.rows()), cols_(matrix.cols()), starts_(1, 0) {
  starts_.reserve(static_cast<std::size_t>(rows_) + 1);
  indices_.reserve(static_cast<std::size_t>(matrix.nonZeros()));
  values_.reserve(static_cast<std::size_t>(matrix.nonZeros()));
  for (Eigen::Index row = 0; row < rows_; ++row) {
    for (SparseRows::InnerIterator entry(matrix, row); entry; ++entry) {
      indices_.push_back(static_cast<int>(entry.col()));
      values_.push_back(static_cast<float>(entry.value()));
    }
    starts_.push_back(static_cast<int>(indices_.size()));
  }
}

namespace {

// The number of entries in each row of first * second, from the second row on (the first is 0).
void CountProduct(const SparseRows& first, const SparseRows& second, int* starts) {
  std::vector<Eigen::Index> seen(static_cast<std::size_t>(second.cols()), -1);
  starts[0] = 0;
  for (Eigen::Index row = 0; row < first.rows(); ++row) {
    int count = 0;
    for (SparseRows::InnerIterator middle(first, row); middle; ++middle) {
      for (SparseRows::InnerIterator entry(second, middle.col()); entry; ++entry) {
        if (seen[static_cast<std::size_t>(entry.col())] == row) continue;
        seen[static_cast<std::size_t>(entry.col())] = row;
        ++count;
      }
    }
    starts[row + 1] = starts[row] + count;
  }
}

}  // namespace

SparseRows Product(const SparseRows& first, const SparseRows& second) {
  SparseRows product(first.rows(), second.cols());
  int* starts = product.outerIndexPtr();
  CountProduct(first, second, starts);
  product.resizeNonZeros(starts[first.rows()]);
  int* indices = product.innerIndexPtr();
  double* values = product.valuePtr();
  std::vector<Eigen::Index> seen(static_cast<std::size_t>(second.cols()), -1);
  std::vector<double> sums(static_cast<std::size_t>(second.cols()), 0.0);
  for (Eigen::Index row = 0; row < first.rows(); ++row) {
    int next = starts[row];
    for (SparseRows::InnerIterator middle(first, row); middle; ++middle) {
      for (SparseRows::InnerIterator entry(second, middle.col()); entry; ++entry) {
        const auto column = static_cast<std::size_t>(entry.col());
        if (seen[column] != row) {
          seen[column] = row;
          indices[next++] = static_cast<int>(column);
        }
        sums[column] += middle.value() * entry.value();
      }
    }
    std::sort(indices + starts[row], indices + next);
    for (int e = starts[row]; e < next; ++e) {
      values[e] = sums[static_cast<std::size_t>(indices[e])];
      sums[static_cast<std::size_t>(indices[e])] = 0.0;
    }
  }
  return product;
}

void RoundToFloats(SparseRows* matrix) {
  matrix->makeCompressed();
  double* values = matrix->valuePtr();
  for (Eigen::Index e = 0; e < matrix->nonZeros(); ++e) {
    values[e] = static_cast<double>(static_cast<float>(values[e]));
  }
}

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

void ResidualOfBlock(const FloatRows& matrix, const double* rightSide, const double* block,
                     double* residual) {
  MultiplyBlock(matrix, block, residual);
  const std::size_t count = static_cast<std::size_t>(matrix.rows()) * kColumns;
  for (std::size_t k = 0; k < count; ++k) residual[k] = rightSide[k] - residual[k];
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
