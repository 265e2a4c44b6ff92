// The smooth fill's two systems over its layout (fill_layout.h), and their right-hand sides.
//
// Harmonic: each vertex to fill takes the mean of its neighbours, the known ones held; the system
// is the graph Laplacian among the vertices to fill, negated (positive definite), and a known
// neighbour's value goes to the right side.
//
// Biharmonic: the displacements d minimise the sum over the rows r of weight_r * |(L d)_r - g_r|^2,
// the known displacements held, where g_r is the Laplacian the row should have: zero for a fill
// that carries no frames, the rest Laplacian turned by the surface's change for one that does.
// The system is the normal equations over the columns, L_U^T W L_U, kept as its factors
// (squared_laplacian.h).
#pragma once

#include <vector>

#include "surface_transfer/fill_layout.h"
#include "surface_transfer/sparse_rows.h"
#include "surface_transfer/squared_laplacian.h"

SparseRows HarmonicSystem(const FillLayout& layout);

// The harmonic right side for three values per frame vertex: frameValues[frame * stride + first]
// and the two after it.
std::vector<double> HarmonicRightSide(const FillLayout& layout,
                                      const std::vector<double>& frameValues, std::size_t stride,
                                      int first);

// The biharmonic right side, L_U^T W (g - L_K d_K), for three columns: `squares` holds L_U and W,
// `known` gives the displacement of every known vertex by mesh vertex, `targetLaplacians` g,
// three per row.
std::vector<double> BiharmonicRightSide(const FillLayout& layout, const SquaredLaplacian& squares,
                                        const Vector3* known,
                                        const std::vector<double>& targetLaplacians);
