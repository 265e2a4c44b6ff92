#include "weight_transfer/stored_weights.h"

#include <algorithm>
#include <cmath>

namespace {

// The unit every stored weight is a whole multiple of: sums of such multiples up to 1 are exact
// in floats whatever their order.
constexpr double kUnitsInOne = 16777216.0;  // 2^24

// Joints in increasing order, each once with its weights added up, keeping only positive ones.
void MergeJoints(std::vector<Influence>& candidates) {
  // A joint's weights are added from the smallest up, whatever order they came in.
  std::sort(candidates.begin(), candidates.end(), [](const Influence& a, const Influence& b) {
    return a.joint < b.joint || (a.joint == b.joint && a.weight < b.weight);
  });
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

// Each weight, scaled to sum 1, becomes its whole units of 2^-24 (in place, as a double), the units
// left over going one each to the largest remainders (the earlier slot first between equal ones):
// the order of the weights is kept, and the units add up to 2^24.
void Apportion(std::vector<Influence>& kept) {
  double sum = 0.0;
  for (const Influence& influence : kept) sum = sum + influence.weight;
  double given = 0.0;
  for (Influence& influence : kept) {
    influence.weight = std::min(influence.weight / sum, 1.0) * kUnitsInOne;
    given = given + std::floor(influence.weight);
  }
  // Fewer units are left over than there are weights; a slot given one holds a whole number.
  for (; given < kUnitsInOne; given = given + 1.0) {
    std::size_t largest = 0;
    double remainder = -1.0;
    for (std::size_t k = 0; k < kept.size(); ++k) {
      const double own = kept[k].weight - std::floor(kept[k].weight);
      if (own > remainder) largest = k, remainder = own;
    }
    kept[largest].weight = std::floor(kept[largest].weight) + 1.0;
  }
  for (Influence& influence : kept) influence.weight = std::floor(influence.weight);
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
  Apportion(candidates);
  candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                  [](const Influence& kept) { return kept.weight == 0.0; }),
                   candidates.end());
  // Rounding may only have made equal what was not: the joints of equal weights are put in order.
  std::sort(candidates.begin(), candidates.end(), StoredBefore);
  for (std::size_t k = 0; k < candidates.size(); ++k) {
    joints[k] = candidates[k].joint;
    weights[k] = static_cast<float>(candidates[k].weight / kUnitsInOne);
  }
}

void AppendStored(const uint32_t* joints, const float* weights, std::size_t slots, double factor,
                  std::vector<Influence>& candidates) {
  for (std::size_t k = 0; k < slots; ++k) {
    if (weights[k] > 0.0f) candidates.push_back({joints[k], factor * weights[k]});
  }
}
