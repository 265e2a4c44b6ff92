// The coarse spaces of the fill's multigrid, by smoothed aggregation over a graph. The graph is a
// weighted graph Laplacian held at zero beyond its vertices (the mesh's, among the vertices to
// fill, at the finest level): every off-diagonal entry is an edge, and the diagonal holds each
// vertex's total weight, its edges to held vertices included.
//
// Vertices are gathered into aggregates, each a vertex and its neighbours, the few left over
// joining the aggregate they are most strongly tied to; a coarse function is constant over each
// aggregate, then smoothed by several damped Jacobi steps over the graph, so that the coarse
// functions overlap as wide smooth bumps, as the fill's biharmonic system, of the fourth order,
// asks; their thin tails are cut off. The next level's graph links the aggregates that an edge
// links, weighted by the edges between them. Everything runs in increasing vertex order: the bits
// depend on nothing but the graph.
#pragma once

#include <vector>

#include "surface_transfer/sparse_rows.h"

struct CoarseSpace {
  // Fine rows by coarse columns: how each coarse function is seen on the fine vertices, made in
  // floats (each smoothing step rounded to them).
  FloatRows prolongation;
  // The graph among the aggregates.
  SparseRows coarseGraph;
};

// Each vertex's aggregate, numbered from 0 in the order they are made.
std::vector<int> Aggregates(const SparseRows& graph, int* aggregateCount);

// The coarse space of `graph`, its coarse functions smoothed by `smoothingSteps` Jacobi steps.
CoarseSpace CoarsenGraph(const SparseRows& graph, int smoothingSteps);
