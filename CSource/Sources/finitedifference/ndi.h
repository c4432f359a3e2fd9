// The price-grid driver and its Crank-Nicolson coefficients.
//
// `ndi` solves the Black-Scholes equation with rate r and dividend yield q on a uniform grid of
// N prices from the instrument's low to high limit and M time levels, backward from expiry: one
// tridiagonal implicit step per level, meeting the instrument's edge values at the level's time,
// then its step condition (early exercise); the instrument's edgematrix and finalcondition
// adjust the matrix and today's level (a reflecting edge). Today's level is read off at the spot
// by the natural cubic spline (straight-line interpolation when T x sigma <= 0.05), or, for a
// critical request, by the instrument's criticalprice search (fdbase.h).
//
// `CNNDI` supplies the Crank-Nicolson coefficients, taken at each node's own price in node
// spacings, S_i / dS: i on a grid from 0, S_low / dS + i on a grid from a barrier S_low > 0
// (the coefficients at i would solve the equation of a price shifted by S_low). Source:
// Wilmott, Howison and Dewynne (Cambridge University Press, 1995) (Crank-Nicolson
// with projection for early exercise).
#ifndef KZR_FINITEDIFFERENCE_NDI_H
#define KZR_FINITEDIFFERENCE_NDI_H

#include "finitedifference/fdvaluation.h"

class ndi : public fdvaluation {
 public:
  explicit ndi(fdbase* instrument) : fdvaluation(instrument) {}

  double solve(int mode, parameterblock* params) override;
  double fromcarrier(parameterblock* params) override;

 protected:
  ~ndi() = default;

  // The low limit of the grid being solved in node spacings, S_low / dS (0 on a grid from 0):
  // node i lies at (lowestnode + i) dS.
  double lowestnode = 0.0;

 private:
  // The value at the spot or the critical price, from a finished grid.
  double readoff(const finishedgrid& grid, const parameterblock* params) const;
  // The value at the spot, from a finished grid.
  double spotvalue(const finishedgrid& grid) const;
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
