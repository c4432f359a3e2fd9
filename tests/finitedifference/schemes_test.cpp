// The two grid schemes against independent values: European contracts on either grid against the
// Black-Scholes-Merton closed form, an American put on the heat-equation grid against QuantLib's
// finite-difference engine, one Crank-Nicolson step written out from the pricing equation, and
// the read-off rules (linear switch, nodes, critical search at the grid ends).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fdtestsupport.h"
#include "finitedifference/AmericanVanilla.h"
#include "finitedifference/levelsolver.h"
#include "finitedifference/logndi.h"
#include "finitedifference/ndi.h"
#include "numerics/linearalgebra.h"
#include "numerics/undefined.h"

namespace {

using fdtest::block;
using QuantLib::Option;

contractdata record(int callput, int american, double T, double S, double K, double sigma, double r,
                    double q) {
  return contractdata{T, S, sigma, r, q, K, 0.0, 0.0, callput, american, 0, 0};
}

// A vanilla on the heat-equation grid x = ln(S/K) in [xlow, xhigh], with the edge values of the
// European contract (discounted forward terms) or of the American one (the exercise value).
class heatvanilla : public fdbase {
 public:
  heatvanilla(contractdata& contract, const parameterentry& grid, double xlow, double xhigh)
      : fdbase(contract, grid), xlow(xlow), xhigh(xhigh) {
    clone.reset(new heatvanilla(*this, clonetag{}));
  }
  bool issame(const fdbase* other) const override {
    const auto* same = dynamic_cast<const heatvanilla*>(other);
    return same != nullptr && samecontract(other) && same->xlow == xlow && same->xhigh == xhigh;
  }
  void heatgridlimits(gridinfo& grid, const parameterblock*) const override {
    grid.extent = data->volatility * data->volatility * data->expiry / 2.0;
    grid.low = xlow;
    grid.high = xhigh;
  }
  double heatpayoff(double x, double kp, const parameterblock*) const override {
    const double up = std::exp((kp + 1.0) * x / 2.0), down = std::exp((kp - 1.0) * x / 2.0);
    return std::fmax(data->callput * (up - down), 0.0);
  }
  void heatboundary(double tau, double k, double kp, gridinfo& grid,
                    const parameterblock* params) const override {
    const double x = data->callput == 1 ? xhigh : xlow;
    double edge;
    if (data->american == 1) {
      edge = heatpayoff(x, kp, params) * std::exp(((kp - 1) * (kp - 1) / 4 + k) * tau);
    } else {
      // u of the discounted forward S e^(-q(T-t)) - K e^(-r(T-t)), times callput.
      const double forward = std::exp((kp + 1) * x / 2 + (kp + 1) * (kp + 1) * tau / 4) -
                             std::exp((kp - 1) * x / 2 + (kp - 1) * (kp - 1) * tau / 4);
      edge = std::fmax(data->callput * forward, 0.0);
    }
    grid.lowedge = data->callput == 1 ? 0.0 : edge;
    grid.highedge = data->callput == 1 ? edge : 0.0;
  }

 private:
  heatvanilla(const heatvanilla& source, clonetag tag)
      : fdbase(source, tag), xlow(source.xlow), xhigh(source.xhigh) {}
  double xlow, xhigh;
};

struct europeanrow {
  int callput;
  double T, S, K, sigma, r, q;
};

// Contracts around the money, in and out of it, with and without a yield.
const europeanrow europeans[] = {
    {+1, 1.0, 100, 100, 0.20, 0.05, 0.00}, {-1, 1.0, 100, 100, 0.20, 0.05, 0.00},
    {+1, 0.5, 90, 100, 0.30, 0.03, 0.02},  {-1, 0.5, 90, 100, 0.30, 0.03, 0.02},
    {+1, 2.0, 120, 100, 0.25, 0.06, 0.00}, {-1, 2.0, 120, 100, 0.25, 0.06, 0.04},
    {+1, 0.25, 40, 50, 0.40, 0.00, 0.00},  {-1, 0.25, 40, 50, 0.40, 0.00, 0.00},
};

TEST(PriceGrid, EuropeanMatchesClosedForm) {
  // Fine grid: 0 to 10K with 2001 nodes (spacing K/200), 501 levels; observed errors are below
  // 7e-4. The edge values of this grid are those of the American contract (undiscounted), so the
  // calls here have no yield and their grid ends at 10K.
  for (const europeanrow& c : europeans) {
    block params;
    params.set(entrygrid, 2001, 501);
    contractdata contract = record(c.callput, 0, c.T, c.S, c.K, c.sigma, c.r, c.q);
    AmericanVanilla::americanvanilla instrument(contract, params->entries[entrygrid]);
    CNNDI scheme(&instrument);
    const double grid = scheme.value(params.get());
    const double exact = fdtest::quantlibeuropean(c.callput == 1 ? Option::Call : Option::Put, c.T,
                                                  c.S, c.K, c.sigma, c.r, c.q);
    EXPECT_NEAR(grid, exact, 1e-3) << "cp " << c.callput << " T " << c.T << " S " << c.S << " K "
                                   << c.K << " sigma " << c.sigma << " r " << c.r << " q " << c.q;
  }
}

TEST(HeatGrid, EuropeanMatchesClosedForm) {
  // x in [-2.5, 2.5], 1001 nodes (dx = 0.005), 401 levels. The payoff's kink at x = 0 makes the
  // error second order in dx: 1.5e-3 at dx = 0.01, 4e-4 at dx = 0.005.
  for (const europeanrow& c : europeans) {
    block params;
    params.set(entrygrid, 1001, 401);
    contractdata contract = record(c.callput, 0, c.T, c.S, c.K, c.sigma, c.r, c.q);
    heatvanilla instrument(contract, params->entries[entrygrid], -2.5, 2.5);
    DouglasLogNDI scheme(&instrument);
    const double grid = scheme.value(params.get());
    const double exact = fdtest::quantlibeuropean(c.callput == 1 ? Option::Call : Option::Put, c.T,
                                                  c.S, c.K, c.sigma, c.r, c.q);
    EXPECT_NEAR(grid, exact, 1e-3) << "cp " << c.callput << " T " << c.T << " S " << c.S << " K "
                                   << c.K << " sigma " << c.sigma << " r " << c.r << " q " << c.q;
  }
}

TEST(HeatGrid, AmericanMatchesQuantLib) {
  struct row {
    int callput;
    fdtest::market m;
  };
  const row rows[] = {
      {-1, {365, 100, 100, 0.20, 0.05, 0.00}},
      {-1, {182, 90, 100, 0.30, 0.08, 0.02}},
      {+1, {365, 110, 100, 0.25, 0.03, 0.09}},
  };
  for (const row& c : rows) {
    block params;
    params.set(entrygrid, 1601, 801);
    contractdata contract = record(c.callput, 1, c.m.T(), c.m.S, c.m.K, c.m.sigma, c.m.r, c.m.q);
    heatvanilla instrument(contract, params->entries[entrygrid], -2.5, 2.5);
    DouglasLogNDI scheme(&instrument);
    const double grid = scheme.value(params.get());
    const double reference = fdtest::quantlibfd(c.callput == 1 ? Option::Call : Option::Put,
                                                fdtest::exercise::american, c.m, 1000, 1000);
    // QuantLib on 1000 x 1000; observed differences are below 3.5e-4.
    EXPECT_NEAR(grid, reference, 6e-4)
        << "cp " << c.callput << " days " << c.m.days << " S " << c.m.S << " sigma " << c.m.sigma;
  }
}

TEST(LevelSolver, SameBitsAsTheTridiagonalSolverAtEveryLevel) {
  // A Crank-Nicolson matrix and a Douglas matrix, each solved for several right-hand sides.
  for (int scheme = 0; scheme < 2; ++scheme) {
    const int n = 57;
    std::vector<double> diag(n), upper(n - 1), lower(n - 1), rhs(n), expected(n), got(n);
    diag[0] = diag[n - 1] = 1.0;
    for (int i = 1; i < n - 1; ++i) {
      diag[i] = scheme == 0 ? 1 + 0.5 * (0.05 + 0.04 * i * i) * 0.02 : 10 + 12 * 0.7;
      upper[i] = scheme == 0 ? 0.5 * (-0.5 * 0.03 * i - 0.02 * i * i) * 0.02 : 1 - 6 * 0.7;
      lower[i - 1] = scheme == 0 ? 0.5 * (0.5 * 0.03 * i - 0.02 * i * i) * 0.02 : 1 - 6 * 0.7;
    }
    levelsolver solver(diag.data(), upper.data(), lower.data(), n);
    for (int level = 0; level < 5; ++level) {
      for (int i = 0; i < n; ++i) rhs[i] = std::sin(0.37 * i + level) * (level + 1.5);
      tridiagonalsolve(diag.data(), upper.data(), lower.data(), rhs.data(), expected.data(), n);
      solver.solve(rhs.data(), got.data());
      for (int i = 0; i < n; ++i)
        EXPECT_EQ(got[i], expected[i]) << "scheme " << scheme << " level " << level << " i " << i;
    }
  }
}

TEST(LevelSolver, ZeroPivotReportsAtEverySolve) {
  const double diag[] = {1.0, 0.0, 1.0}, upper[] = {0.0, 0.5}, lower[] = {0.0, 0.0};
  const double rhs[] = {1.0, 2.0, 3.0};
  double x[3];
  levelsolver solver(diag, upper, lower, 3);
  for (int level = 0; level < 2; ++level) {
    testing::internal::CaptureStdout();
    solver.solve(rhs, x);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Singular matrix");
    for (double value : x) EXPECT_TRUE(isundefined(value));
  }
}

TEST(PriceGrid, SingleStepIsOneCrankNicolsonStep) {
  // Three nodes 0, 50, 100 (K = 10, so the grid ends at 100) and two levels. At expiry the put
  // pays 10 at node 0 only; one step of (V1 - V0) / dt = (L V1 + L V0) / 2 at node 1, with
  // L V = sigma^2/2 S^2 V'' + (r - q) S V' - r V by central differences, gives the middle value.
  const double T = 0.5, K = 10, sigma = 0.3, r = 0.04, q = 0.01;
  block params;
  params.set(entrygrid, 3, 2);
  contractdata contract = record(-1, 0, T, 50.0, K, sigma, r, q);
  AmericanVanilla::americanvanilla instrument(contract, params->entries[entrygrid]);
  CNNDI scheme(&instrument);
  const double grid = scheme.value(params.get());
  // Node 1 is at i = 1: L V = a (V0 - 2 V1 + V2) + b (V2 - V0) - r V1 with a = sigma^2/2 and
  // b = (r - q)/2; V0 = K at both levels, V2 = 0, V1 = 0 at expiry.
  const double a = sigma * sigma / 2, b = (r - q) / 2;
  const double oldpart = a * K - b * K;  // L V at expiry
  // V1 (1 + dt/2 (2a + r)) = dt/2 (a K - b K) + dt/2 oldpart
  const double expected = (T / 2 * (a * K - b * K) + T / 2 * oldpart) / (1 + T / 2 * (2 * a + r));
  EXPECT_NEAR(grid, expected, 1e-14);
}

// The finished grid of one put in caching mode, for the read-off checks.
struct cachedgrid {
  block params;
  double result;
  cachedgrid(double T, double S, double sigma) {
    params.set(entrymode, 0);
    contractdata contract = record(-1, 1, T, S, 100.0, sigma, 0.05, 0.0);
    AmericanVanilla::americanvanilla instrument(contract, params->entries[entrygrid]);
    CNNDI scheme(&instrument);
    result = scheme.value(params.get());
  }
  const methodcarriesfd& grid() { return *::cachedgrid(*params.get()); }
  double linear(double S) {
    const methodcarriesfd& g = grid();
    const int lo = static_cast<int>(S / g.dx);
    const double w = (S - g.nodes[lo]) / g.dx;
    return (1 - w) * g.values[lo] + w * g.values[lo + 1];
  }
};

TEST(PriceGrid, ReadOffIsLinearUpToTSigmaOfFiveHundredths) {
  // Default grid, node spacing 1000/99; 97.3 lies between nodes 9 and 10.
  cachedgrid atswitch(0.25, 97.3, 0.2);  // T sigma = 0.05 exactly
  EXPECT_NEAR(atswitch.result, atswitch.linear(97.3), 1e-12);
  cachedgrid above(0.25, 97.3, 0.2000001);
  EXPECT_GT(std::fabs(above.result - above.linear(97.3)), 1e-6);
}

TEST(PriceGrid, SpotOnANodeGivesTheNodeValue) {
  const double node = 1000.0 / 99.0 * 9.0;
  cachedgrid linear(0.25, node, 0.2);
  cachedgrid cubic(1.0, node, 0.3);
  EXPECT_NEAR(linear.result, linear.grid().values[9], 1e-12);
  EXPECT_NEAR(cubic.result, cubic.grid().values[9], 1e-12);
}

TEST(PriceGrid, CriticalSearchStopsAtTheGridEnds) {
  // A short call with a small yield is exercised only far above 10K (as T -> 0 the critical
  // price tends to r K / q = 5000), so the search runs to the last node: half a step below it.
  // A put without interest is never exercised early: the search runs to node 0.
  block params;
  const double dS = 1000.0 / 99.0;
  EXPECT_DOUBLE_EQ(AmericanVanilla::gridcallcritical(0.05, 100, 0.2, 0.05, 0.001, params.get()),
                   dS * 98.5);
  EXPECT_DOUBLE_EQ(AmericanVanilla::gridputcritical(1.0, 100, 0.2, 0.0, 0.0, params.get()),
                   dS * 0.5);
}

TEST(PriceGrid, NotANumberPropagates) {
  block params;
  const double nan = std::nan("");
  for (double result : {AmericanVanilla::gridput(1, nan, 100, 0.2, 0.05, 0.02, params.get()),
                        AmericanVanilla::gridputcritical(1, nan, 0.2, 0.05, 0.02, params.get()),
                        AmericanVanilla::gridcall(nan, 100, 100, 0.2, 0.05, 0.02, params.get())}) {
    EXPECT_TRUE(std::isnan(result));
    EXPECT_FALSE(isundefined(result));
  }
}

}  // namespace
