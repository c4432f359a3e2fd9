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

// How a Cholesky factorisation ended.
enum class choleskyoutcome { factored, nonsymmetric, notpositivedefinite };

// Replaces the symmetric positive definite row-major matrix a (order n) by its lower Cholesky
// factor L, a = L L^T, zeros above the diagonal. Entries that differ from their mirror by no more
// than 1e-17 are taken from the lower triangle. A larger asymmetry ("Non symmetric matrix") or a
// pivot of 1e-7 or less ("Matrix is not enough positive define") leaves a unchanged. The pivot
// test is absolute: it fails a well-conditioned matrix whose entries are all small.
void choleskyfactor(int n, double* a);
// The same factorisation, arithmetic and refusals, writing no message: the outcome says how it
// ended (a is unchanged unless factored).
choleskyoutcome quietcholeskyfactor(int n, double* a);

// Replaces the symmetric positive semi-definite row-major matrix a (order n, read from its lower
// triangle) by a lower factor L, a = L L^T, zeros above the diagonal, and returns true. The pivot
// test is relative, so the factor does not depend on the scale of a: with tolerance
// tau = n x machine epsilon x the largest diagonal entry, a pivot within tau of zero is taken as
// zero and its column of L is zero, provided every entry left below it in that column is within
// sqrt(tau x the largest diagonal entry) of zero (the 2 x 2 minors of a semi-definite matrix
// bound them by the pivot). A pivot below -tau, or a zero pivot with a column beyond that bound,
// means a is not semi-definite: false, and a is unchanged. Singular matrices (unit correlations,
// repeated rows) are factored: L has a zero column per lost rank.
// Source: Higham (1990), "Analysis of the Cholesky decomposition of a semi-definite matrix", in
// Cox and Hammarling (eds.), Reliable Numerical Computation, Oxford University Press,
// pp. 161-185 (the unpivoted algorithm of its section 2 with a zero-pivot tolerance).
bool semidefinitefactor(int n, double* a);

#endif  // KZR_NUMERICS_LINEARALGEBRA_H
