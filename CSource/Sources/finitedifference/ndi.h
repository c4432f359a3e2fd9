// The price-grid driver and its Crank-Nicolson coefficients.
//
// `ndi` solves the Black-Scholes equation with rate r and dividend yield q on a uniform grid of
// N prices from the instrument's low to high limit and M time levels, backward from expiry: one
// tridiagonal implicit step per level, projection onto the exercise value for American
// contracts, the instrument's edge values at both ends. Today's level is read off at the spot by
// the natural cubic spline (straight-line interpolation when T x sigma <= 0.05), or searched for
// the critical price: from the instrument's critstart towards the exercise region, the result
// being half a step short of the first exercise node. The search stops at the grid ends and then
// returns that edge's result; a NaN on its way is the result.
//
// `CNNDI` supplies the Crank-Nicolson coefficients for a grid whose low limit is 0 (node i at
// price i x dS). Source: Wilmott, Howison and Dewynne, The Mathematics of Financial Derivatives,
// 1995 (Crank-Nicolson with projection for early exercise).
#ifndef KZR_FINITEDIFFERENCE_NDI_H
#define KZR_FINITEDIFFERENCE_NDI_H

#include "finitedifference/fdbase.h"

class ndi : public fdvaluation {
 public:
  explicit ndi(fdbase* instrument) : fdvaluation(instrument) {}

  double solve(int mode, parameterblock* params) override;
  double fromcarrier(parameterblock* params) override;

 protected:
  ~ndi() = default;

 private:
  // The value at the spot or the critical price, from a finished grid.
  double readoff(const double* nodes, const double* values, const double* curvature,
                 const double* gridinfo, double dS, int n, const parameterblock* params) const;
};

class CNNDI : public ndi {
 public:
  explicit CNNDI(fdbase* instrument) : ndi(instrument) {}
  ~CNNDI() = default;

  void buildmatrix(double* diag, double* upper, double* lower, double h, int n) override;
  void explicitpart(const double* diag, const double* upper, const double* lower, double* v,
                    int n) override;
};

#endif  // KZR_FINITEDIFFERENCE_NDI_H
