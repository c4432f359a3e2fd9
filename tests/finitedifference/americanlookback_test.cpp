// The American floating-strike lookbacks on the similarity grid: against the one-state lattice
// written in the tests (itself checked against QuantLib's analytic European lookback), above the
// European value, converging as the grid is refined, the critical spot by the exercise-equals-
// value condition, and the early results and refusals of the four codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include <ql/quantlib.hpp>

#include "binding/parameterblock.h"
#include "earlyresults.h"
#include "lookbacktree.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using testsupport::parameters;

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

// QuantLib's continuous floating lookback (Goldman, Sosin and Gatto), expiry in whole days.
double quantlibeuropean(int callput, int days, double S, double extreme, double sigma, double r,
                        double q) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  Settings::instance().evaluationDate() = today;
  const DayCounter dc = Actual365Fixed();
  auto process = ext::make_shared<BlackScholesMertonProcess>(
      Handle<Quote>(ext::make_shared<SimpleQuote>(S)),
      Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, q, dc)),
      Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, r, dc)),
      Handle<BlackVolTermStructure>(
          ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc)));
  ContinuousFloatingLookbackOption option(
      extreme, ext::make_shared<FloatingTypePayoff>(callput > 0 ? Option::Call : Option::Put),
      ext::make_shared<EuropeanExercise>(today + days));
  option.setPricingEngine(ext::make_shared<AnalyticContinuousFloatingLookbackEngine>(process));
  return option.NPV();
}

struct contract {
  int callput;
  int days;
  double S, sigma, r, q;
  int j0;  // the extreme lies j0 steps of a 250-step lattice from S
  double T() const { return days / 365.0; }
  double extreme() const { return lookbacktree::extremeof(callput, T(), S, sigma, 250, j0); }
  const char* code() const { return callput > 0 ? "LBFLSTACO" : "LBFLSTAPO"; }
};

const contract contracts[] = {
    {+1, 365, 100, 0.3, 0.05, 0.04, 0},  {+1, 365, 100, 0.2, 0.03, 0.08, 10},
    {+1, 730, 100, 0.4, 0.06, 0.02, 25}, {-1, 365, 100, 0.3, 0.05, 0.04, 0},
    {-1, 365, 100, 0.2, 0.08, 0.0, 10},  {-1, 182, 100, 0.35, 0.02, 0.06, 25},
};

TEST(AmericanLookbackLattice, EuropeanLatticeMatchesQuantLib) {
  // The reference lattice is right before it judges the grid.
  for (const contract& c : contracts) {
    const double lattice =
        lookbacktree::extrapolated(c.callput, false, c.T(), c.S, c.sigma, c.r, c.q, 250, c.j0);
    const double analytic =
        quantlibeuropean(c.callput, c.days, c.S, c.extreme(), c.sigma, c.r, c.q);
    EXPECT_NEAR(lattice, analytic, 0.002 * analytic) << c.code() << " j0 " << c.j0;
  }
}

TEST(AmericanLookback, FineGridMatchesTheLatticeAndLiesAboveTheEuropean) {
  for (const contract& c : contracts) {
    const double m = c.extreme();
    const double american =
        lookbacktree::extrapolated(c.callput, true, c.T(), c.S, c.sigma, c.r, c.q, 250, c.j0);
    const double european = quantlibeuropean(c.callput, c.days, c.S, m, c.sigma, c.r, c.q);
    const double fine = testsupport::price(c.code(), {c.T(), c.S, m, c.sigma, c.r, c.q},
                                           parameters().set(entrygrid, 800, 400));
    EXPECT_NEAR(fine, american, 0.003 * american) << c.code() << " j0 " << c.j0;
    EXPECT_GE(fine, european) << c.code() << " j0 " << c.j0;
    // The default 100 x 50 grid (first-order at the reflecting edge), within two per cent.
    const double coarse = testsupport::price(c.code(), {c.T(), c.S, m, c.sigma, c.r, c.q});
    EXPECT_NEAR(coarse, american, 0.02 * american) << c.code() << " j0 " << c.j0;
  }
}

TEST(AmericanLookback, RefiningTheGridApproachesTheLattice) {
  for (const contract& c : {contracts[2], contracts[5]}) {
    const double american =
        lookbacktree::extrapolated(c.callput, true, c.T(), c.S, c.sigma, c.r, c.q, 250, c.j0);
    double previous = inf;
    for (int nodes : {50, 200, 800}) {
      const double grid = testsupport::price(c.code(), {c.T(), c.S, c.extreme(), c.sigma, c.r, c.q},
                                             parameters().set(entrygrid, nodes, nodes / 2));
      const double error = std::fabs(grid - american);
      EXPECT_LT(error, previous) << c.code() << " " << nodes << " nodes";
      previous = error;
    }
  }
}

TEST(AmericanLookbackCritical, ExerciseBelowTheSpotAndValueAboveTheExerciseBeyondIt) {
  // The critical spot splits the prices where the value equals the exercise value from those
  // where it exceeds it: checked on a grid of 400 nodes, a node and a half either side.
  const double T = 1, sigma = 0.3, r = 0.05, q = 0.04, extreme = 100;
  const parameters grid = parameters().set(entrygrid, 400, 200);
  const double step = 1.0 / 399;
  {
    const double critical = testsupport::price("LBFLSTAPOCrit", {T, extreme, sigma, r, q}, grid);
    ASSERT_GT(critical, 0.0);
    ASSERT_LT(critical, extreme);
    const double inside = critical - 1.5 * step * extreme;
    const double outside = critical + 1.5 * step * extreme;
    EXPECT_NEAR(testsupport::price("LBFLSTAPO", {T, inside, extreme, sigma, r, q}, grid),
                extreme - inside, 1e-9);
    EXPECT_GT(testsupport::price("LBFLSTAPO", {T, outside, extreme, sigma, r, q}, grid),
              extreme - outside + 1e-6);
  }
  {
    // The call's critical spot is m / xi*: exercise at or above it.
    const double critical = testsupport::price("LBFLSTACOCrit", {T, extreme, sigma, r, q}, grid);
    ASSERT_GT(critical, extreme);
    const double xi = extreme / critical;
    const double inside = extreme / (xi - 1.5 * step), outside = extreme / (xi + 1.5 * step);
    EXPECT_NEAR(testsupport::price("LBFLSTACO", {T, inside, extreme, sigma, r, q}, grid),
                inside - extreme, 1e-9);
    EXPECT_GT(testsupport::price("LBFLSTACO", {T, outside, extreme, sigma, r, q}, grid),
              outside - extreme + 1e-6);
  }
}

TEST(AmericanLookback, CallAtItsMinimumIsReadAtTheReflectingEdge) {
  // m = S: the value is S W(1), the grid's last node, which copies its neighbour.
  const contract c = contracts[0];
  const double american =
      lookbacktree::extrapolated(+1, true, c.T(), c.S, c.sigma, c.r, c.q, 250, 0);
  const double grid = testsupport::price("LBFLSTACO", {c.T(), c.S, c.S, c.sigma, c.r, c.q},
                                         parameters().set(entrygrid, 800, 400));
  EXPECT_NEAR(grid, american, 0.003 * american);
}

TEST(AmericanLookback, EarlyResultsAndRefusals) {
  const char* undefined = "Input data error, value undefined\n";
  const char* critundefined = "Input data error, critical value undefined\n";
  const earlyresults::row rows[] = {
      {"LBFLSTACO", {1, 100, 0, 0.3, 0.05, 0.04}, nan, undefined},
      {"LBFLSTACO", {1, 100, 101, 0.3, 0.05, 0.04}, nan, undefined},
      {"LBFLSTACO", {0, 100, 90, 0.3, 0.05, 0.04}, 10.0, ""},
      {"LBFLSTACO", {0, 100, 100, -0.3, 0.05, 0.04}, 0.0, ""},  // T = 0 before the grid's checks
      {"LBFLSTACO", {1, 100, 90, 0, 0.05, 0.04}, nan, ""},      // the grid refuses silently
      {"LBFLSTAPO", {1, 100, 0, 0.3, 0.05, 0.04}, nan, undefined},
      {"LBFLSTAPO", {1, 100, 99, 0.3, 0.05, 0.04}, nan, undefined},
      {"LBFLSTAPO", {0, 100, 120, 0.3, 0.05, 0.04}, 20.0, ""},
      {"LBFLSTAPO", {1, 100, 120, 0.3, -0.05, 0.04}, nan, ""},
      {"LBFLSTAPO", {-1, 100, 120, 0.3, 0.05, 0.04}, nan, ""},
      {"LBFLSTACOCrit", {1, 0, 0.3, 0.05, 0.04}, nan, critundefined},
      {"LBFLSTACOCrit", {0, 100, 0.3, 0.05, 0.04}, 0.0, ""},
      {"LBFLSTACOCrit",
       {1, 100, 0.3, 0.05, 0.00001},
       inf,
       "Input data error, critical value is infinity\n"},
      {"LBFLSTAPOCrit", {1, -1, 0.3, 0.05, 0.04}, nan, critundefined},
      {"LBFLSTAPOCrit", {0, 100, 0.3, 0.05, 0.04}, 0.0, ""},
  };
  earlyresults::check(rows);
  // The put has no yield floor: without a yield its critical spot is finite.
  const double put = testsupport::price("LBFLSTAPOCrit", {1, 100, 0.3, 0.05, 0.0});
  EXPECT_TRUE(put > 0 && put < 100) << put;
}

}  // namespace

namespace {

testsupport::parameters preciseoption() {
  return testsupport::parameters().set(entryoptions, 0, 1);
}

// Under the precise option, where early exercise never pays (the call without yield, the put
// without rate: holding is worth at least the exercise value), the American lookback is the
// European one: QuantLib's analytic value, to max(1e-5 price, 1e-7 m).
TEST(AmericanLookbackPrecise, EuropeanWhereEarlyExerciseNeverPays) {
  struct row {
    int callput, days;
    double S, m, sigma, r, q;
  };
  const row rows[] = {
      {+1, 365, 100, 100, 0.2, 0.05, 0.0}, {+1, 182, 110, 95, 0.3, 0.03, 0.0},
      {+1, 730, 100, 80, 0.25, 0.08, 0.0}, {-1, 365, 100, 100, 0.2, 0.0, 0.02},
      {-1, 182, 95, 110, 0.3, 0.0, 0.05},  {-1, 730, 100, 130, 0.25, 0.0, 0.03},
  };
  for (const row& c : rows) {
    const double T = c.days / 365.0;
    const double expected = quantlibeuropean(c.callput, c.days, c.S, c.m, c.sigma, c.r, c.q);
    const double value = testsupport::price(c.callput > 0 ? "LBFLSTACO" : "LBFLSTAPO",
                                            {T, c.S, c.m, c.sigma, c.r, c.q}, preciseoption());
    EXPECT_NEAR(value, expected, std::max(1e-5 * expected, 1e-7 * c.m))
        << c.callput << " days " << c.days << " S " << c.S << " m " << c.m;
  }
}

// With early exercise, the precise grid against the lattice within the lattice's own accuracy
// (0.3 per cent), and nearer the lattice than the design's default grid; above the European.
TEST(AmericanLookbackPrecise, AmericanNearTheLattice) {
  for (const contract& c : contracts) {
    const double m = c.extreme();
    const double american =
        lookbacktree::extrapolated(c.callput, true, c.T(), c.S, c.sigma, c.r, c.q, 250, c.j0);
    const std::vector<double> inputs{c.T(), c.S, m, c.sigma, c.r, c.q};
    const double precise = testsupport::price(c.code(), inputs, preciseoption());
    const double design = testsupport::price(c.code(), inputs);
    EXPECT_NEAR(precise, american, 0.003 * american) << c.code() << " j0 " << c.j0;
    EXPECT_LT(std::fabs(precise - american), std::fabs(design - american))
        << c.code() << " j0 " << c.j0;
    EXPECT_GE(precise, quantlibeuropean(c.callput, c.days, c.S, m, c.sigma, c.r, c.q));
  }
}

}  // namespace

namespace {

// An independent converged American lookback, written here: the similarity reduction in
// y = ln(m / S) (put, m the maximum) or y = ln(S / m) (call, m the minimum), V = m U(y) (put) or
// S U(y) (call), with U_tau = sigma^2/2 U_yy - (rho - delta - sigma^2/2) U_y - rho U, rho and
// delta the rate and the yield (exchanged for the call, whose numeraire is the share), exercise
// value 1 - e^(-y), the reflecting edge U_y = -c U at y = 0 (c = 1 put, 0 call) by a ghost node,
// and U at its exercise value at y = farlimit (deep in the exercise region for the contracts
// below: the reference checks that its last inner node is exercised). A uniform grid with the
// spot on a node, time levels crowded at expiry, four implicit Euler half steps then
// Crank-Nicolson, the exercise step exact
// (the region lies at the high side: eliminate upward, substitute downward with the floor),
// Richardson over three grids (h, h/2, h/4) and their two extrapolations, which must agree.
struct lookbackreference {
  double value;   // V today
  double spread;  // |difference| of the two extrapolations
  bool farexercised;
};

double similarityvalue(int callput, double T, double y0, double sigma, double rho, double delta,
                       int intervalsperunit, bool& farexercised) {
  constexpr double farlimit = 2.5;
  const int spotnodes =
      y0 > 0 ? std::max(1, static_cast<int>(std::lround(y0 * intervalsperunit))) : 0;
  const double h = y0 > 0 ? y0 / spotnodes : 1.0 / intervalsperunit;
  const int n = static_cast<int>(std::ceil(farlimit / h));
  const int steps =
      std::max(8, static_cast<int>(std::ceil(std::sqrt(T) * intervalsperunit / 2.0)));
  const double c = callput < 0 ? 1.0 : 0.0;
  const double a = 0.5 * sigma * sigma, b = -(rho - delta - a);
  const double lo = a / (h * h) - b / (2 * h), mid = -2 * a / (h * h) - rho,
               hi = a / (h * h) + b / (2 * h);
  std::vector<double> g(static_cast<std::size_t>(n + 1)), v;
  for (int k = 0; k <= n; ++k) g[static_cast<std::size_t>(k)] = 1.0 - std::exp(-k * h);
  v = g;
  std::vector<double> sub(v.size()), dia(v.size()), sup(v.size()), rhs(v.size());
  auto operatorat = [&](const std::vector<double>& u, int k) {
    const std::size_t i = static_cast<std::size_t>(k);
    if (k == 0) return lo * (u[1] + 2 * h * c * u[0]) + mid * u[0] + hi * u[1];
    return lo * u[i - 1] + mid * u[i] + hi * u[i + 1];
  };
  auto step = [&](double dt, double theta) {
    for (int k = 0; k < n; ++k) {
      const std::size_t i = static_cast<std::size_t>(k);
      rhs[i] = v[i] + (1 - theta) * dt * operatorat(v, k);
      if (k == 0) {  // the ghost node folded in
        sub[i] = 0.0;
        dia[i] = 1 - theta * dt * (mid + 2 * h * c * lo);
        sup[i] = -theta * dt * (hi + lo);
      } else {
        sub[i] = -theta * dt * lo;
        dia[i] = 1 - theta * dt * mid;
        sup[i] = -theta * dt * hi;
      }
    }
    const std::size_t last = static_cast<std::size_t>(n);
    v[last] = g[last];
    rhs[last - 1] -= sup[last - 1] * v[last];
    for (std::size_t k = 1; k < last; ++k) {
      const double m = sub[k] / dia[k - 1];
      dia[k] -= m * sup[k - 1];
      rhs[k] -= m * rhs[k - 1];
    }
    for (std::size_t k = last; k-- > 0;) {
      const double value = (rhs[k] - (k + 1 == last ? 0.0 : sup[k] * v[k + 1])) / dia[k];
      v[k] = std::max(value, g[k]);
    }
  };
  // Levels T (k / steps)^2: crowded at expiry, where the payoff's slope meets the edge's.
  auto level = [&](double k) { return T * (k / steps) * (k / steps); };
  for (int k = 0; k < steps; ++k) {
    const double dt = level(k + 1) - level(k);
    if (k < 2) {
      step(dt / 2, 1.0);
      step(dt / 2, 1.0);
    } else {
      step(dt, 0.5);
    }
  }
  farexercised = !(v[static_cast<std::size_t>(n - 1)] > g[static_cast<std::size_t>(n - 1)]);
  return v[static_cast<std::size_t>(spotnodes)];
}

lookbackreference referencelookback(int callput, double T, double S, double m, double sigma,
                                    double r, double q) {
  const double y0 = callput < 0 ? std::log(m / S) : std::log(S / m);
  const double rho = callput < 0 ? r : q, delta = callput < 0 ? q : r;
  const double scale = callput < 0 ? m : S;
  bool e1 = false, e2 = false, e3 = false;
  const double u1 = similarityvalue(callput, T, y0, sigma, rho, delta, 400, e1);
  const double u2 = similarityvalue(callput, T, y0, sigma, rho, delta, 800, e2);
  const double u3 = similarityvalue(callput, T, y0, sigma, rho, delta, 1600, e3);
  const double r12 = (4 * u2 - u1) / 3, r23 = (4 * u3 - u2) / 3;
  return {scale * r23, scale * std::fabs(r23 - r12), e1 && e2 && e3};
}

// With early exercise, the precise codes against the independent reference above, to
// max(1e-5 price, 1e-7 m): short and long expiries, r above and below q, the spot away from the
// extreme and at it.
TEST(AmericanLookbackPrecise, AmericanAgainstAnIndependentConvergedGrid) {
  struct row {
    int callput;
    double T, S, m, sigma, r, q;
  };
  const row rows[] = {
      {-1, 1.0, 100, 100, 0.2, 0.05, 0.02},  {-1, 0.25, 90, 100, 0.3, 0.08, 0.0},
      {-1, 3.0, 80, 100, 0.25, 0.02, 0.06},  {+1, 1.0, 100, 100, 0.2, 0.02, 0.05},
      {+1, 0.25, 110, 100, 0.3, 0.0, 0.08},  {+1, 3.0, 120, 100, 0.25, 0.06, 0.03},
  };
  for (const row& c : rows) {
    const std::string name = std::string(c.callput > 0 ? "LBFLSTACO" : "LBFLSTAPO") + " T " +
                             std::to_string(c.T) + " S " + std::to_string(c.S) + " r " +
                             std::to_string(c.r) + " q " + std::to_string(c.q);
    const lookbackreference reference =
        referencelookback(c.callput, c.T, c.S, c.m, c.sigma, c.r, c.q);
    const double tolerance = std::max(1e-5 * reference.value, 1e-7 * c.m);
    EXPECT_TRUE(reference.farexercised) << name;
    EXPECT_LT(reference.spread, 0.5 * tolerance) << name;
    const double value = testsupport::price(c.callput > 0 ? "LBFLSTACO" : "LBFLSTAPO",
                                            {c.T, c.S, c.m, c.sigma, c.r, c.q}, preciseoption());
    EXPECT_NEAR(value, reference.value, tolerance) << name;
  }
}

}  // namespace
