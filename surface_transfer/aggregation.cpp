#include "surface_transfer/aggregation.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int kNoAggregate = -1;

// The Jacobi weight: 4 / (3 * rho), rho bounding the spectral radius of D^-1 * graph. Each row's
// off-diagonal weights add up to at most its diagonal, so rho is at most 2.
constexpr double kJacobiWeight = 2.0 / 3.0;

// Each Jacobi step that smooths the coarse functions widens them by one ring of their level's
// graph: after six, a function spans about as far again beyond its aggregate as the aggregate's
// own width.

// Entries of a smoothed coarse function smaller than this share of its row's largest are dropped,
// the rest of the row scaled to keep its sum (so that constants stay where they were). Six Jacobi
// steps leave long thin tails; on a hole of 3·10^5 vertices, dropping below 0.003 of the largest
// took a fifth off the time and the memory of the fill for one more step (27 against 26), 0.006
// one more again, 0.03 more than twice as many steps.
constexpr double kTruncation = 0.005;

// Gathers every vertex whose neighbours are all free, with them, into a new aggregate.
void GatherWholeNeighbourhoods(const SparseRows& graph, std::vector<int>& aggregateOf, int& count) {
  const int* starts = graph.outerIndexPtr();
  const int* indices = graph.innerIndexPtr();
  for (int v = 0; v < graph.rows(); ++v) {
    if (aggregateOf[v] != kNoAggregate) continue;
    bool free = true;
    for (int e = starts[v]; e < starts[v + 1] && free; ++e) {
      free = aggregateOf[indices[e]] == kNoAggregate;
    }
    if (!free) continue;
    aggregateOf[v] = count;
    for (int e = starts[v]; e < starts[v + 1]; ++e) aggregateOf[indices[e]] = count;
    ++count;
  }
}

// A free vertex joins the aggregate (made before this step) of its most strongly tied neighbour,
// the first of equal ties.
void JoinStrongestNeighbour(const SparseRows& graph, std::vector<int>& aggregateOf) {
  const std::vector<int> before = aggregateOf;
  const int* starts = graph.outerIndexPtr();
  const int* indices = graph.innerIndexPtr();
  const double* values = graph.valuePtr();
  for (int v = 0; v < graph.rows(); ++v) {
    if (before[v] != kNoAggregate) continue;
    double strongest = 0.0;
    for (int e = starts[v]; e < starts[v + 1]; ++e) {
      const int other = indices[e];
      if (other == v || before[other] == kNoAggregate) continue;
      if (std::fabs(values[e]) > strongest) {
        strongest = std::fabs(values[e]);
        aggregateOf[v] = before[other];
      }
    }
  }
}

// Vertices still free (all their neighbours were free when they were passed) gather with their
// free neighbours.
void GatherTheRest(const SparseRows& graph, std::vector<int>& aggregateOf, int& count) {
  const int* starts = graph.outerIndexPtr();
  const int* indices = graph.innerIndexPtr();
  for (int v = 0; v < graph.rows(); ++v) {
    if (aggregateOf[v] != kNoAggregate) continue;
    aggregateOf[v] = count;
    for (int e = starts[v]; e < starts[v + 1]; ++e) {
      if (aggregateOf[indices[e]] == kNoAggregate) aggregateOf[indices[e]] = count;
    }
    ++count;
  }
}

// I - weight * D^-1 * graph.
SparseRows JacobiStep(const SparseRows& graph) {
  SparseRows step = graph;
  for (int v = 0; v < step.rows(); ++v) {
    const double diagonal = graph.coeff(v, v);
    for (SparseRows::InnerIterator entry(step, v); entry; ++entry) {
      entry.valueRef() = -kJacobiWeight * entry.value() / diagonal;
      if (entry.col() == v) entry.valueRef() += 1.0;
    }
  }
  return step;
}

// Drops the entries of each row below kTruncation of its largest, keeping the row's sum; the
// entry of the row's own aggregate (aggregateOf) stays whatever its size, so that no coarse
// function can vanish.
void Truncate(const int* aggregateOf, FloatRows& prolongation) {
  for (Eigen::Index row = 0; row < prolongation.rows(); ++row) {
    double largest = 0.0, sum = 0.0, kept = 0.0;
    for (FloatRows::InnerIterator entry(prolongation, row); entry; ++entry) {
      largest = std::max(largest, std::fabs(static_cast<double>(entry.value())));
      sum += static_cast<double>(entry.value());
    }
    for (FloatRows::InnerIterator entry(prolongation, row); entry; ++entry) {
      if (entry.col() != aggregateOf[row] &&
          std::fabs(static_cast<double>(entry.value())) < kTruncation * largest) {
        entry.valueRef() = 0.0f;
      } else {
        kept += static_cast<double>(entry.value());
      }
    }
    if (kept == 0.0) continue;
    for (FloatRows::InnerIterator entry(prolongation, row); entry; ++entry) {
      entry.valueRef() = static_cast<float>(static_cast<double>(entry.value()) * (sum / kept));
    }
  }
  prolongation.prune(0.0f);
}

}  // namespace

std::vector<int> Aggregates(const SparseRows& graph, int* aggregateCount) {
  std::vector<int> aggregateOf(static_cast<std::size_t>(graph.rows()), kNoAggregate);
  int count = 0;
  GatherWholeNeighbourhoods(graph, aggregateOf, count);
  JoinStrongestNeighbour(graph, aggregateOf);
  GatherTheRest(graph, aggregateOf, count);
  *aggregateCount = count;
  return aggregateOf;
}

namespace {

// The piecewise constant functions over the aggregates of `graph`, and the graph among them.
SparseRows Tentative(const SparseRows& graph, SparseRows* coarseGraph) {
  int count = 0;
  const std::vector<int> aggregateOf = Aggregates(graph, &count);
  SparseRows tentative(graph.rows(), count);
  tentative.reserve(Eigen::VectorXi::Constant(graph.rows(), 1));
  for (int v = 0; v < graph.rows(); ++v) tentative.insert(v, aggregateOf[v]) = 1.0;
  tentative.makeCompressed();
  const SparseRows graphTimesTentative = Product<SparseRows>(graph, tentative);
  *coarseGraph = Product<SparseRows>(SparseRows(tentative.transpose()), graphTimesTentative);
  coarseGraph->prune(0.0);
  return tentative;
}

}  // namespace

CoarseSpace CoarsenGraph(const SparseRows& graph, int smoothingSteps) {
  CoarseSpace space;
  const SparseRows tentative = Tentative(graph, &space.coarseGraph);
  space.prolongation = tentative.cast<float>();
  const SparseRows step = JacobiStep(graph);
  for (int k = 0; k < smoothingSteps; ++k) {
    FloatRows smoother = Product<FloatRows>(step, space.prolongation);
    space.prolongation.swap(smoother);
  }
  Truncate(tentative.innerIndexPtr(), space.prolongation);
  return space;
}
