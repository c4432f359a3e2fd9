// The tridiagonal system of a grid's time step, which is the same at every level: factored once,
// then solved per level by substitution alone. The operations and their order are those of
// tridiagonalsolve (Thomas algorithm without pivoting), so every solution is the same to the
// last bit; a zero pivot leaves each solve to tridiagonalsolve, which reports "Singular matrix"
// and gives undefined values, level by level.
#ifndef KZR_FINITEDIFFERENCE_LEVELSOLVER_H
#define KZR_FINITEDIFFERENCE_LEVELSOLVER_H

#include <vector>

class levelsolver {
 public:
  // diag (n), upper and lower (n - 1) as for tridiagonalsolve; they are borrowed and must stay
  // unchanged while the solver is used.
  levelsolver(const double* diag, const double* upper, const double* lower, int n);

  // x = the solution for right-hand side rhs (n values each). x may be rhs itself: rhs is read
  // only by the forward sweep, before any x is written.
  void solve(const double* rhs, double* x);

 private:
  const double* diag;
  const double* upper;
  const double* lower;
  int n;
  bool singular = false;
  std::vector<double> pivot;       // beta[j]
  std::vector<double> multiplier;  // lower[j-1] / beta[j-1]
  std::vector<double> reduced;     // rho[j] of the current solve
};

#endif  // KZR_FINITEDIFFERENCE_LEVELSOLVER_H
