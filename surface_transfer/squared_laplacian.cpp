#include "surface_transfer/squared_laplacian.h"

#include <algorithm>
#include <cmath>

namespace {

// Rows of L multiplied into P at once when the coarse operator is made: the products of a block
// take some 700 bytes a row, so that a block stays within some 50 MB while the blocks' sums cost
// little beside the products (with blocks four times larger, the fill of 3·10^5 vertices peaked
// 140 MB higher).
constexpr std::size_t kGalerkinRows = std::size_t{1} << 16;

}  // namespace

SquaredLaplacian::SquaredLaplacian(const FillLayout& layout)
    : ownRow_(layout.filledVertices.size(), kNoIndex),
      columnStart_(layout.filledVertices.size() + 1, 0),
      diagonal_(layout.filledVertices.size(), 0.0) {
  const std::size_t rows = layout.rows.size();
  weight_.reserve(rows);
  degree_.reserve(rows);
  ownColumn_.reserve(rows);
  rowStart_.reserve(rows + 1);
  rowStart_.push_back(0);
  for (std::size_t r = 0; r < rows; ++r) {
    const FillRow& row = layout.rows[r];
    const std::size_t entries =
        (row.unknownEnd - row.unknownBegin) + (row.knownEnd - row.knownBegin);
    weight_.push_back(row.weight);
    degree_.push_back(static_cast<double>(entries - 1));
    ownColumn_.push_back(row.column);
    if (row.column != kNoIndex) ownRow_[row.column] = static_cast<uint32_t>(r);
    for (std::size_t e = row.unknownBegin; e < row.unknownEnd; ++e) {
      const uint32_t column = layout.unknownEntries[e].column;
      if (column == row.column) continue;
      rowColumns_.push_back(column);
      ++columnStart_[column + 1];
    }
    rowStart_.push_back(rowColumns_.size());
  }
  for (std::size_t u = 0; u < ownRow_.size(); ++u) columnStart_[u + 1] += columnStart_[u];
  columnRows_.resize(rowColumns_.size());
  std::vector<std::size_t> next(columnStart_.begin(), columnStart_.end() - 1);
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t e = rowStart_[r]; e < rowStart_[r + 1]; ++e) {
      columnRows_[next[rowColumns_[e]]++] = static_cast<uint32_t>(r);
    }
  }
  for (std::size_t u = 0; u < ownRow_.size(); ++u) {
    const double degree = degree_[ownRow_[u]];
    double sum = weight_[ownRow_[u]] * degree * degree;
    for (std::size_t e = columnStart_[u]; e < columnStart_[u + 1]; ++e) {
      sum += weight_[columnRows_[e]];
    }
    diagonal_[u] = sum;
  }
}

void SquaredLaplacian::RowValues(const double* x, double* rowValues) const {
  for (std::size_t r = 0; r < weight_.size(); ++r) {
    double sums[kColumns] = {};
    for (std::size_t e = rowStart_[r]; e < rowStart_[r + 1]; ++e) {
      const double* from = x + std::size_t{rowColumns_[e]} * kColumns;
      for (int c = 0; c < kColumns; ++c) sums[c] += from[c];
    }
    if (ownColumn_[r] != kNoIndex) {
      const double* own = x + std::size_t{ownColumn_[r]} * kColumns;
      for (int c = 0; c < kColumns; ++c) sums[c] -= degree_[r] * own[c];
    }
    for (int c = 0; c < kColumns; ++c) rowValues[r * kColumns + c] = weight_[r] * sums[c];
  }
}

void SquaredLaplacian::Transposed(std::size_t column, const double* rowValues, double* sums) const {
  const uint32_t own = ownRow_[column];
  const double* ownValues = rowValues + std::size_t{own} * kColumns;
  for (int c = 0; c < kColumns; ++c) sums[c] = -degree_[own] * ownValues[c];
  for (std::size_t e = columnStart_[column]; e < columnStart_[column + 1]; ++e) {
    const double* values = rowValues + std::size_t{columnRows_[e]} * kColumns;
    for (int c = 0; c < kColumns; ++c) sums[c] += values[c];
  }
}

void SquaredLaplacian::Transpose(const double* rowValues, double* product) const {
  for (std::size_t u = 0; u < ownRow_.size(); ++u) {
    Transposed(u, rowValues, product + u * kColumns);
  }
}

void SquaredLaplacian::Multiply(const double* x, double* product, double* rowRoom) const {
  RowValues(x, rowRoom);
  Transpose(rowRoom, product);
}

void SquaredLaplacian::Residual(const double* rightSide, const double* rowValues,
                                double* residual) const {
  for (std::size_t u = 0; u < ownRow_.size(); ++u) {
    double sums[kColumns];
    Transposed(u, rowValues, sums);
    for (int c = 0; c < kColumns; ++c)
      residual[u * kColumns + c] = rightSide[u * kColumns + c] - sums[c];
  }
}

void SquaredLaplacian::Sweep(const double* rightSide, bool forward, double* x,
                             double* rowValues) const {
  const std::size_t columns = ownRow_.size();
  for (std::size_t step = 0; step < columns; ++step) {
    const std::size_t u = forward ? step : columns - 1 - step;
    double change[kColumns];
    Transposed(u, rowValues, change);
    for (int c = 0; c < kColumns; ++c) {
      change[c] = (rightSide[u * kColumns + c] - change[c]) / diagonal_[u];
      x[u * kColumns + c] += change[c];
    }
    const uint32_t own = ownRow_[u];
    const double ownScale = -weight_[own] * degree_[own];
    for (int c = 0; c < kColumns; ++c)
      rowValues[std::size_t{own} * kColumns + c] += ownScale * change[c];
    for (std::size_t e = columnStart_[u]; e < columnStart_[u + 1]; ++e) {
      const std::size_t r = columnRows_[e];
      for (int c = 0; c < kColumns; ++c) rowValues[r * kColumns + c] += weight_[r] * change[c];
    }
  }
}

// Rows [begin, end) of W^(1/2) L, by columns to fill.
SparseRows SquaredLaplacian::Rows(std::size_t begin, std::size_t end) const {
  SparseRows rows(static_cast<Eigen::Index>(end - begin),
                  static_cast<Eigen::Index>(ownRow_.size()));
  rows.reserve(static_cast<Eigen::Index>(rowStart_[end] - rowStart_[begin] + (end - begin)));
  std::vector<std::pair<uint32_t, double>> entries;
  for (std::size_t r = begin; r < end; ++r) {
    const double scale = std::sqrt(weight_[r]);
    entries.clear();
    for (std::size_t e = rowStart_[r]; e < rowStart_[r + 1]; ++e) {
      entries.emplace_back(rowColumns_[e], scale);
    }
    if (ownColumn_[r] != kNoIndex) entries.emplace_back(ownColumn_[r], -scale * degree_[r]);
    std::sort(entries.begin(), entries.end());
    rows.startVec(static_cast<Eigen::Index>(r - begin));
    for (const auto& entry : entries) {
      rows.insertBack(static_cast<Eigen::Index>(r - begin),
                      static_cast<Eigen::Index>(entry.first)) = entry.second;
    }
  }
  rows.finalize();
  return rows;
}

SparseRows SquaredLaplacian::Galerkin(const FloatRows& prolongation) const {
  SparseRows coarse(prolongation.cols(), prolongation.cols());
  for (std::size_t begin = 0; begin < weight_.size(); begin += kGalerkinRows) {
    const std::size_t end = std::min(weight_.size(), begin + kGalerkinRows);
    const SparseRows block = Product<SparseRows>(Rows(begin, end), prolongation);
    const SparseRows transposed = block.transpose();
    SparseRows part = Product<SparseRows>(transposed, block);
    if (begin > 0) {
      SparseRows sum = coarse + part;
      part.swap(sum);
    }
    coarse.swap(part);
  }
  return coarse;
}
