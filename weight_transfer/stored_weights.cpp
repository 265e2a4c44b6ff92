#include "weight_transfer/stored_weights.h"

#include <algorithm>
#include <cmath>

namespace {

// The unit every stored weight is a whole multiple of: sums of such multiples up to 1 are exact
// in floats whatever their order.
constexpr double kUnitsInOne = 16777216.0;  // 2^24

// Joints in increasing order, each once with its weights added up, keeping only positive ones.
void MergeJoints(std::vector<Influence>& candidates) {
  std::sort(candidates.begin(), candidates.end(),
            [](const Influence& a, const Influence& b) { return a.joint < b.joint; });
  std::size_t kept = 0;
  for (std::size_t k = 0; k < candidates.size();) {
    Influence merged = candidates[k];
    for (++k; k < candidates.size() && candidates[k].joint == merged.joint; ++k) {
      merged.weight = merged.weight + candidates[k].weight;
    }
    if (merged.weight > 0.0 && std::isfinite(merged.weight)) candidates[kept++] = merged;
  }
  candidates.resize(kept);
}

// Each weight's whole units of 2^-24 once scaled to sum 1, the units left over going one each to
// the largest remainders (the earlier slot first between equal ones): the order of the weights
// is kept, and the units add up to 2^24.
std::vector<uint32_t> Apportion(const std::vector<Influence>& kept) {
  double sum = 0.0;
  for (const Influence& influence : kept) sum = sum + influence.weight;
  std::vector<uint32_t> units(kept.size());
  std::vector<double> remainders(kept.size());
  uint32_t given = 0;
  for (std::size_t k = 0; k < kept.size(); ++k) {
    const double scaled = std::min(kept[k].weight / sum, 1.0) * kUnitsInOne;
    units[k] = static_cast<uint32_t>(std::floor(scaled));
    remainders[k] = scaled - std::floor(scaled);
    given += units[k];
  }
  std::vector<std::size_t> order(kept.size());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return remainders[a] > remainders[b]; });
  const auto total = static_cast<uint32_t>(kUnitsInOne);
  for (std::size_t k = 0; given < total; k = (k + 1) % order.size()) {
    ++units[order[k]];
    ++given;
  }
  return units;
}

}  // namespace

void StoreLargest(std::vector<Influence>& candidates, std::size_t slots, uint32_t* joints,
                  float* weights) {
  std::fill(joints, joints + slots, 0u);
  std::fill(weights, weights + slots, 0.0f);
  MergeJoints(candidates);
  if (candidates.empty()) return;
  const std::size_t keep = std::min(slots, candidates.size());
  std::partial_sort(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(keep),
                    candidates.end(), StoredBefore);
  candidates.resize(keep);
  const std::vector<uint32_t> units = Apportion(candidates);
  std::vector<Influence> stored;
  for (std::size_t k = 0; k < keep; ++k) {
    if (units[k] > 0) stored.push_back({candidates[k].joint, units[k] / kUnitsInOne});
  }
  // Rounding may only have made equal what was not: the joints of equal weights are put in order.
  std::sort(stored.begin(), stored.end(), StoredBefore);
  for (std::size_t k = 0; k < stored.size(); ++k) {
    joints[k] = stored[k].joint;
    weights[k] = static_cast<float>(stored[k].weight);
  }
}

void AppendStored(const uint32_t* joints, const float* weights, std::size_t slots, double factor,
                  std::vector<Influence>& candidates) {
  for (std::size_t k = 0; k < slots; ++k) {
    if (weights[k] > 0.0f) candidates.push_back({joints[k], factor * weights[k]});
  }
}
