#include "weight_transfer/source_shares.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The most slots a Source vertex may have: its joints' count is kept in a byte.
constexpr std::size_t kMostSourceInfluences = 255;

std::string Slot(std::size_t vertex, std::size_t slot) {
  return "slot " + std::to_string(slot) + " of Source vertex " + std::to_string(vertex);
}

// The first slot whose weight or joint cannot serve, as a message; empty when all can.
std::string FirstBadSlot(const SparseWeights& weights, std::size_t jointCount) {
  for (std::size_t v = 0; v < weights.vertexCount; ++v) {
    for (std::size_t k = 0; k < weights.influences; ++k) {
      const std::size_t at = v * weights.influences + k;
      const float weight = weights.weights[at];
      if (!std::isfinite(weight) || weight < 0.0f) {
        return Slot(v, k) + " has the weight " + std::to_string(weight) +
               ": weights must be finite and not negative";
      }
      if (weight > 0.0f && weights.joints[at] >= jointCount) {
        return Slot(v, k) + " names joint " + std::to_string(weights.joints[at]) +
               ", not below the joint count " + std::to_string(jointCount);
      }
    }
  }
  return std::string();
}

std::string CountsProblem(const SparseWeights& weights, std::size_t sourceVertexCount) {
  if (weights.vertexCount != sourceVertexCount) {
    return "the Source's weights are given for " + std::to_string(weights.vertexCount) +
           " vertices, not its " + std::to_string(sourceVertexCount);
  }
  if (weights.influences == 0 || weights.influences > kMostSourceInfluences) {
    return "the Source's weights have " + std::to_string(weights.influences) +
           " slots per vertex, not 1 to 255";
  }
  if (weights.vertexCount > std::numeric_limits<std::size_t>::max() / weights.influences) {
    return "the Source's weights are too many";
  }
  if (weights.vertexCount > 0 && (weights.joints == nullptr || weights.weights == nullptr)) {
    return "the Source's weights are missing";
  }
  return std::string();
}

}  // namespace

bool SourceShares::Build(const SparseWeights& weights, std::size_t sourceVertexCount,
                         std::size_t jointCount, std::string* error) {
  *error = CountsProblem(weights, sourceVertexCount);
  if (error->empty()) *error = FirstBadSlot(weights, jointCount);
  if (!error->empty()) return false;
  stride_ = weights.influences;
  counts_.assign(weights.vertexCount, 0);
  joints_.assign(weights.vertexCount * stride_, 0);
  shares_.assign(weights.vertexCount * stride_, 0.0);
  std::vector<Influence> merged;
  for (std::size_t v = 0; v < weights.vertexCount; ++v) {
    merged.clear();
    double sum = 0.0;
    for (std::size_t k = v * stride_; k < (v + 1) * stride_; ++k) {
      if (weights.weights[k] > 0.0f) merged.push_back({weights.joints[k], weights.weights[k]});
    }
    std::sort(merged.begin(), merged.end(), StoredBefore);
    for (const Influence& influence : merged) sum = sum + influence.weight;
    for (std::size_t k = 0; k < merged.size(); ++k) {
      joints_[v * stride_ + k] = merged[k].joint;
      shares_[v * stride_ + k] = merged[k].weight / sum;
    }
    counts_[v] = static_cast<uint8_t>(merged.size());
  }
  return true;
}
