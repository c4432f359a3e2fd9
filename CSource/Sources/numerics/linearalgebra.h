// Linear algebra for the engines: the tridiagonal solver of the finite-difference schemes and the
// Cholesky factor of the Monte Carlo covariance. Trouble is reported by a fixed message on the
// standard output stream; the caller decides what it means. Neither routine throws.
#ifndef KZR_NUMERICS_LINEARALGEBRA_H
#define KZR_NUMERICS_LINEARALGEBRA_H

// Solves the tridiagonal system in n unknowns by the Thomas algorithm (no pivoting).
// diag[i] is the diagonal of row i; upper[i] the coefficient of x[i+1] in row i; lower[i] the
// coefficient of x[i] in row i+1 (n-1 entries each). The inputs are left as they are. An exactly
// zero pivot writes "Singular matrix" (no line end) and makes every x[i] undefined.
void tridiagonalsolve(const double* diag, const double* upper, const double* lower,
                      const double* rhs, double* x, int n);

// Replaces the symmetric positive definite row-major matrix a (order n) by its lower Cholesky
// factor L, a = L L^T, zeros above the diagonal. Entries that differ from their mirror by no more
// than 1e-17 are taken from the lower triangle. A larger asymmetry ("Non symmetric matrix") or a
// pivot of 1e-7 or less ("Matrix is not enough positive define") leaves a unchanged.
void choleskyfactor(int n, double* a);

#endif  // KZR_NUMERICS_LINEARALGEBRA_H
