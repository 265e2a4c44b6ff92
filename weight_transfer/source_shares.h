// The Source's weights as the methods read them: each vertex's joints once each, with their
// shares of the vertex's whole weight (summing to 1, or none at all for a vertex whose weights are
// all 0), and the checks that the given weights can serve.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "weight_transfer/stored_weights.h"
#include "weight_transfer/weight_transfer.h"

class SourceShares {
 public:
  // False with `error` set for weights that cannot serve: a used slot's joint at or above
  // `jointCount`, a weight not finite or negative, counts that do not fit the Source.
  bool Build(const SparseWeights& weights, std::size_t sourceVertexCount, std::size_t jointCount,
             std::string* error);

  // Appends vertex v's shares times `factor` to `candidates`.
  void Append(std::size_t v, double factor, std::vector<Influence>& candidates) const {
    const std::size_t begin = v * stride_;
    for (std::size_t k = begin; k < begin + counts_[v]; ++k) {
      candidates.push_back({joints_[k], factor * shares_[k]});
    }
  }

 private:
  std::size_t stride_ = 0;
  std::vector<uint8_t> counts_;
  std::vector<uint32_t> joints_;
  std::vector<double> shares_;
};
