// The heat-equation grid driver and the Douglas compact coefficients.
//
// `logndi` solves u_tau = u_xx on a uniform grid in x = ln(S/K), obtained by S = K e^x,
// tau = sigma^2 (T - t) / 2 and V = K exp(-(k'-1) x / 2 - ((k'-1)^2 / 4 + k) tau) u, with
// k = 2 r / sigma^2 and k' = 2 (r - q) / sigma^2: one tridiagonal implicit step per level,
// meeting the instrument's edge values at the level's tau, then its step condition (early
// exercise onto the transformed exercise value), and the value at the spot by the natural cubic
// spline. It has no critical-price search.
//
// `DouglasLogNDI` supplies the coefficients of Douglas's fourth-order compact scheme:
// (1 - 6a)(u[i-1] + u[i+1]) + (10 + 12a) u[i] at the new level equals
// (1 + 6a)(u[i-1] + u[i+1]) + (10 - 12a) u[i] at the old one, a = dtau / dx^2.
// Sources: Wilmott, Howison and Dewynne (Cambridge University Press, 1995) (the
// transformation to the heat equation); the compact scheme is Douglas's, of fourth order in dx
// and second order in dtau.
#ifndef KZR_FINITEDIFFERENCE_LOGNDI_H
#define KZR_FINITEDIFFERENCE_LOGNDI_H

#include "finitedifference/fdvaluation.h"

class logndi : public fdvaluation {
 public:
  explicit logndi(fdbase* instrument) : fdvaluation(instrument) {}

  double solve(int mode, parameterblock* params) override;
  double fromcarrier(parameterblock* params) override;
  // The instrument's heatedgesready.
  bool readytosolve(const parameterblock* params) const override;

 protected:
  ~logndi() = default;

 private:
  // The value at the current contract's spot from a finished heat-equation grid.
  double readoff(const finishedgrid& grid) const;
  // The heat variable u at the spot's log-moneyness, from a finished grid.
  double spotheat(const finishedgrid& grid) const;
};

class DouglasLogNDI : public logndi {
 public:
  explicit DouglasLogNDI(fdbase* instrument) : logndi(instrument) {}
  ~DouglasLogNDI() = default;

  void buildmatrix(double* diag, double* upper, double* lower, double h, int n) override;
  void explicitpart(const double* diag, const double* upper, const double* lower, double* v,
                    int n) override;
};

#endif  // KZR_FINITEDIFFERENCE_LOGNDI_H
