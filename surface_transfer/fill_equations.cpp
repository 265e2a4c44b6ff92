#include "surface_transfer/fill_equations.h"

namespace {

using Triplets = std::vector<Eigen::Triplet<double, int>>;

int Count(std::size_t count) {
  return static_cast<int>(count);
}

}  // namespace

SparseRows HarmonicSystem(const FillLayout& layout) {
  Triplets triplets;
  for (const FillRow& row : layout.rows) {
    if (row.column == kNoIndex) continue;
    for (std::size_t e = row.unknownBegin; e < row.unknownEnd; ++e) {
      const UnknownEntry& entry = layout.unknownEntries[e];
      triplets.emplace_back(Count(row.column), Count(entry.column), -entry.coefficient);
    }
  }
  const int size = Count(layout.filledVertices.size());
  SparseRows system(size, size);
  system.setFromTriplets(triplets.begin(), triplets.end());
  return system;
}

std::vector<double> HarmonicRightSide(const FillLayout& layout,
                                      const std::vector<double>& frameValues, std::size_t stride,
                                      int first) {
  std::vector<double> right(3 * layout.filledVertices.size(), 0.0);
  for (const FillRow& row : layout.rows) {
    if (row.column == kNoIndex) continue;
    double* to = right.data() + 3 * static_cast<std::size_t>(row.column);
    for (std::size_t e = row.knownBegin; e < row.knownEnd; ++e) {
      const KnownEntry& entry = layout.knownEntries[e];
      const double* from = frameValues.data() + entry.frame * stride + first;
      for (int c = 0; c < 3; ++c) to[c] += entry.coefficient * from[c];
    }
  }
  return right;
}

std::vector<double> BiharmonicRightSide(const FillLayout& layout, const SquaredLaplacian& squares,
                                        const Vector3* known,
                                        const std::vector<double>& targetLaplacians) {
  std::vector<double> rowValues(3 * layout.rows.size());
  for (std::size_t r = 0; r < layout.rows.size(); ++r) {
    const FillRow& row = layout.rows[r];
    double sum[3] = {targetLaplacians[3 * r], targetLaplacians[3 * r + 1],
                     targetLaplacians[3 * r + 2]};
    for (std::size_t e = row.knownBegin; e < row.knownEnd; ++e) {
      const KnownEntry& entry = layout.knownEntries[e];
      const Vector3& d = known[entry.vertex];
      sum[0] -= entry.coefficient * static_cast<double>(d.x);
      sum[1] -= entry.coefficient * static_cast<double>(d.y);
      sum[2] -= entry.coefficient * static_cast<double>(d.z);
    }
    for (int c = 0; c < 3; ++c) rowValues[3 * r + c] = row.weight * sum[c];
  }
  std::vector<double> right(3 * layout.filledVertices.size());
  squares.Transpose(rowValues.data(), right.data());
  return right;
}
