// Sparse matrices stored by rows, and the few products and sweeps the fill's solver makes with
// them over blocks of three columns (x, y and z, or three right-hand sides side by side), entry
// (row, column) at row * 3 + column. Every sum runs over a row's entries in their stored order, one
// row after another, so that the bits never depend on the machine or on the number of threads.
#pragma once

#include <Eigen/SparseCore>
#include <cstddef>
#include <vector>

using SparseRows = Eigen::SparseMatrix<double, Eigen::RowMajor, int>;

// The columns of a block.
constexpr int kColumns = 3;

// product = matrix * block.
void MultiplyBlock(const SparseRows& matrix, const double* block, double* product);

// residual = rightSide - matrix * block.
void ResidualOfBlock(const SparseRows& matrix, const double* rightSide, const double* block,
                     double* residual);

// One Gauss-Seidel sweep over the rows of `matrix` towards matrix * block = rightSide, in
// increasing row order (forward) or decreasing. Every row must hold its diagonal entry, positive.
void GaussSeidelSweep(const SparseRows& matrix, const double* rightSide, bool forward,
                      double* block);

// coarse = prolongation^T * fine (the restriction of a residual).
void RestrictBlock(const SparseRows& prolongation, const double* fine, double* coarse);

// fine += prolongation * coarse.
void ProlongAndAdd(const SparseRows& prolongation, const double* coarse, double* fine);

// Per column, the sum over the rows of first * second, in increasing row order.
void ColumnDots(const double* first, const double* second, std::size_t rows, double* dots);
