// The American single-barrier codes under the precise option (parameter entry 5, value 1 = 1):
// knock-outs against a converged grid written here (uniform in ln S with the barrier and the
// strike on nodes, the barrier edge at the exercise value there, early exercise by projection,
// Richardson over two grids) and against QuantLib's European barrier formulas where early
// exercise never pays; critical prices against the precise vanilla boundary under a far barrier
// and against the exercise value at the returned price; explicit sizes; refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "binding/parameterblock.h"
#include "fdtestsupport.h"
#include "finitedifference/AmericanBarrier.h"
#include "finitedifference/precisebarrier.h"
#include "numerics/undefined.h"
#include "qlbarrier.h"
#include "testsupport.h"

namespace {

using fdtest::exercise;
using QuantLib::Barrier;

const double nan = std::numeric_limits<double>::quiet_NaN();

testsupport::parameters precise() { return testsupport::parameters().set(entryoptions, 0, 1); }

// One theta step of the reference grids' operator (lo, mid, hi on the node and its neighbours,
// uniform in y) for the values v on nodes [a, z], edge values va and vz, by the tridiagonal
// elimination; floored at the exercise values g when asked (early exercise by projection).
class thetastep {
 public:
  thetastep(double lo, double mid, double hi, const std::vector<double>& g)
      : lo(lo), mid(mid), hi(hi), g(g), sub(g.size()), dia(g.size()), sup(g.size()),
        rhs(g.size()) {}
  void operator()(std::vector<double>& v, std::size_t a, std::size_t z, double dt, double theta,
                  double va, double vz, bool floored) {
    for (std::size_t k = a + 1; k < z; ++k) {
      rhs[k] = v[k] + (1 - theta) * dt * (lo * v[k - 1] + mid * v[k] + hi * v[k + 1]);
      sub[k] = -theta * dt * lo;
      dia[k] = 1 - theta * dt * mid;
      sup[k] = -theta * dt * hi;
    }
    v[a] = va;
    v[z] = vz;
    rhs[a + 1] -= sub[a + 1] * va;
    rhs[z - 1] -= sup[z - 1] * vz;
    for (std::size_t k = a + 2; k < z; ++k) {
      const double m = sub[k] / dia[k - 1];
      dia[k] -= m * sup[k - 1];
      rhs[k] -= m * rhs[k - 1];
    }
    for (std::size_t k = z - 1; k > a; --k)
      v[k] = (rhs[k] - (k == z - 1 ? 0.0 : sup[k] * v[k + 1])) / dia[k];
    if (floored)
      for (std::size_t k = a + 1; k < z; ++k) v[k] = std::max(v[k], g[k]);
  }

 private:
  double lo, mid, hi;
  const std::vector<double>& g;
  std::vector<double> sub, dia, sup, rhs;
};

// The target of the option: |error| <= max(1e-5 price, 1e-7 K).
double tolerance(double price, double K) { return std::max(1e-5 * std::fabs(price), 1e-7 * K); }

struct knockout {
  const char* code;
  bool down;
  int callput;
  double T, S, H, K, sigma, r, q;
  std::vector<double> inputs() const { return {T, S, H, K, sigma, r, q}; }
  std::string describe() const {
    return std::string(code) + " T " + std::to_string(T) + " S " + std::to_string(S) + " H " +
           std::to_string(H) + " K " + std::to_string(K) + " sigma " + std::to_string(sigma) +
           " r " + std::to_string(r) + " q " + std::to_string(q);
  }
};

// The knock-out on a uniform grid in y = ln S: the barrier is the edge, the strike a node
// (the spacing, about sigma sqrt(T) / perdeviation, divides their distance), the far edge 6
// standard deviations beyond spot and strike, where the option is its exercise value or its
// forward, whichever is more. The barrier edge is the exercise value at the barrier: an option
// in the money there is exercised the moment before it dies. Levels at tau = T (k / M)^2 with
// M = 3 perdeviation, the first two steps as four implicit half steps, then Crank-Nicolson; early
// exercise by projection after each step. The value at S by the cubic through the four nearest
// nodes.
double referencegrid(const knockout& c, int perdeviation) {
  const int steps = 3 * perdeviation;
  const double deviation = c.sigma * std::sqrt(c.T), reach = 6 * deviation;
  const double yH = std::log(c.H), yK = std::log(c.K), yS = std::log(c.S);
  const double far = c.down ? std::max(yS, yK) + reach : std::min(yS, yK) - reach;
  const double target = deviation / perdeviation, distance = std::fabs(yK - yH);
  const double h = distance > target ? distance / std::round(distance / target) : target;
  const int n = static_cast<int>(std::ceil(std::fabs(far - yH) / h)) + 1;
  const double sign = c.down ? 1.0 : -1.0;
  std::vector<double> y(static_cast<std::size_t>(n)), v(y.size()), g(y.size());
  for (int i = 0; i < n; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    y[k] = yH + sign * h * i;
    g[k] = std::max(c.callput * (std::exp(y[k]) - c.K), 0.0);
    v[k] = g[k];
  }
  const double a2 = 0.5 * c.sigma * c.sigma / (h * h);
  const double a1 = sign * (c.r - c.q - 0.5 * c.sigma * c.sigma) / (2 * h);
  const double lo = a2 - a1, mid = -2 * a2 - c.r, hi = a2 + a1;  // node i-1, i, i+1 (index order)
  const double Sfar = std::exp(y.back());
  auto faredge = [&](double tau) {
    const double forward = c.callput * (Sfar * std::exp(-c.q * tau) - c.K * std::exp(-c.r * tau));
    return std::max({forward, g.back(), 0.0});
  };
  thetastep solve(lo, mid, hi, g);
  auto step = [&](double dt, double theta, double tau) {
    solve(v, 0, y.size() - 1, dt, theta, g[0], faredge(tau), true);
  };
  auto level = [&](double k) { return c.T * (k / steps) * (k / steps); };
  for (int k = 1; k <= steps; ++k) {
    if (k <= 2) {
      step(level(k - 0.5) - level(k - 1), 1.0, level(k - 0.5));
      step(level(k) - level(k - 0.5), 1.0, level(k));
    } else {
      step(level(k) - level(k - 1), 0.5, level(k));
    }
  }
  const double at = (yS - yH) / (sign * h);
  const int start = std::clamp(static_cast<int>(std::floor(at)) - 1, 0, n - 4);
  double sum = 0.0;
  for (int a = start; a < start + 4; ++a) {
    double weight = 1.0;
    for (int b = start; b < start + 4; ++b)
      if (b != a) weight *= (at - b) / static_cast<double>(a - b);
    sum += weight * v[static_cast<std::size_t>(a)];
  }
  return sum;
}

// The projection makes the grid's error c1 h + c2 h^2 (h the spacing, the time step in
// proportion): the extrapolation over three grids removes both terms.
double reference(const knockout& c) {
  const double v1 = referencegrid(c, 80), v2 = referencegrid(c, 160), v4 = referencegrid(c, 320);
  return (8 * v4 - 6 * v2 + v1) / 3;
}

// Ordinary contracts of each code, the example first: at the money and away from it,
// barriers near and far, short and long expiries, r above and below q.
const knockout knockouts[] = {
    {"DOWNOUTAPO", true, -1, 1.0, 100, 90, 100, 0.2, 0.05, 0.02},
    {"DOWNOUTAPO", true, -1, 0.5, 95, 80, 100, 0.3, 0.08, 0.0},
    {"DOWNOUTAPO", true, -1, 2.0, 110, 70, 100, 0.25, 0.03, 0.05},
    {"DOWNOUTACO", true, 1, 1.0, 100, 90, 100, 0.2, 0.05, 0.02},
    {"DOWNOUTACO", true, 1, 0.25, 105, 95, 100, 0.35, 0.02, 0.08},
    {"UPOUTACO", false, 1, 1.0, 100, 130, 100, 0.2, 0.05, 0.02},
    {"UPOUTACO", false, 1, 0.5, 95, 120, 90, 0.3, 0.03, 0.06},
    {"UPOUTAPO", false, -1, 1.0, 100, 130, 100, 0.2, 0.05, 0.02},
    {"UPOUTAPO", false, -1, 1.5, 105, 115, 110, 0.25, 0.07, 0.01},
};

// The references of the table, solved once for the tests that read them.
double referenceof(std::size_t row) {
  static std::vector<double> solved;
  if (solved.empty())
    for (const knockout& c : knockouts) solved.push_back(reference(c));
  return solved[row];
}

TEST(AmericanBarrierPrecise, KnockOutsMatchAConvergedGrid) {
  for (std::size_t row = 0; row < std::size(knockouts); ++row) {
    const knockout& c = knockouts[row];
    const double expected = referenceof(row);
    const double value = testsupport::price(c.code, c.inputs(), precise());
    EXPECT_NEAR(value, expected, tolerance(expected, c.K)) << c.describe();
  }
}

// Explicit sizes keep their meaning under the option: the same nodes and levels, a better method.
TEST(AmericanBarrierPrecise, ExplicitSizesDoNoWorseThanTheDesign) {
  const double sizes[][2] = {{100, 50}, {400, 200}};
  for (std::size_t row = 0; row < std::size(knockouts); ++row) {
    const knockout& c = knockouts[row];
    const double expected = referenceof(row);
    for (const auto& size : sizes) {
      const auto grid = testsupport::parameters().set(entrygrid, size[0], size[1]);
      const auto both = testsupport::parameters(grid).set(entryoptions, 0, 1);
      const double design = testsupport::price(c.code, c.inputs(), grid);
      const double improved = testsupport::price(c.code, c.inputs(), both);
      EXPECT_LE(std::fabs(improved - expected), std::fabs(design - expected))
          << c.describe() << " grid " << size[0] << " x " << size[1];
    }
  }
}

// Where early exercise never pays, the American knock-out is the European one: a call without
// yield whose barrier is at or below the strike (at the barrier it is out of the money), a put
// without rate whose barrier is at or above the strike. QuantLib's European barrier formulas.
TEST(AmericanBarrierPrecise, EuropeanWhereEarlyExerciseNeverPays) {
  const knockout europeans[] = {
      {"DOWNOUTACO", true, 1, 1.0, 100, 90, 100, 0.2, 0.05, 0.0},
      {"DOWNOUTACO", true, 1, 0.5, 120, 100, 100, 0.3, 0.02, 0.0},
      {"DOWNOUTACO", true, 1, 2.0, 95, 60, 110, 0.25, 0.08, 0.0},
      {"UPOUTAPO", false, -1, 1.0, 100, 130, 100, 0.2, 0.0, 0.02},
      {"UPOUTAPO", false, -1, 0.5, 90, 100, 100, 0.3, 0.0, 0.05},
  };
  for (const knockout& c : europeans) {
    const int days = static_cast<int>(std::lround(c.T * 365));  // QuantLib's whole days
    const fdtest::market m{days, c.S, c.K, c.sigma, c.r, c.q};
    const double expected =
        qlbarrier::analyticbarrier(c.down ? Barrier::DownOut : Barrier::UpOut, c.callput, m, c.H);
    std::vector<double> inputs = c.inputs();
    inputs[0] = m.T();
    const double value = testsupport::price(c.code, inputs, precise());
    EXPECT_NEAR(value, expected, tolerance(expected, c.K)) << c.describe();
  }
}

// A call without yield whose barrier is above the strike is exercised only the moment before
// it dies (at the barrier, H - K): the European knock-out with a rebate of H - K paid at the
// touch, QuantLib's formula; so is a put without rate whose barrier is below the strike.
// The design answers the exercise value for these two.
TEST(AmericanBarrierPrecise, InTheMoneyAtTheBarrierIsARebateAtTheTouch) {
  const knockout rows[] = {
      {"DOWNOUTACO", true, 1, 1.0, 110, 105, 100, 0.3, 0.05, 0.0},
      {"DOWNOUTACO", true, 1, 0.5, 130, 110, 100, 0.2, 0.02, 0.0},
      {"UPOUTAPO", false, -1, 1.0, 100, 105, 110, 0.3, 0.0, 0.03},
  };
  for (const knockout& c : rows) {
    using namespace QuantLib;
    const fdtest::market m{static_cast<int>(std::lround(c.T * 365)), c.S, c.K, c.sigma, c.r, c.q};
    auto process = qlbarrier::processof(m);
    BarrierOption option(c.down ? Barrier::DownOut : Barrier::UpOut, c.H, c.callput * (c.H - c.K),
                         ext::make_shared<PlainVanillaPayoff>(qlbarrier::optiontype(c.callput), c.K),
                         qlbarrier::exerciseof(m, exercise::european));
    option.setPricingEngine(ext::make_shared<AnalyticBarrierEngine>(process));
    const double expected = option.NPV();
    std::vector<double> inputs = c.inputs();
    inputs[0] = m.T();
    EXPECT_NEAR(testsupport::price(c.code, inputs, precise()), expected, tolerance(expected, c.K))
        << c.describe();
  }
}

// What the critical prices reach at the option's sizes, relative (1e-5 to 3e-5 typical, 1.2e-4
// the worst below, a boundary far from the strike where the nodes are sparse; a single reading
// without a node on the boundary came to 7.6e-4 there): the exercise step leaves an error near
// the boundary that depends on where it falls between nodes (precisegrid.h).
constexpr double criticaltolerance = 2e-4;

// The perpetual knock-out's boundary with the barrier on the continuation side (an up-and-out
// put, H > K; a down-and-out call, H < K, q > 0): V = A S^l1 + B S^l2 on the continuation
// region, l1 > 0 > l2 the roots of sigma^2/2 l (l - 1) + (r - q) l - r = 0, with V(H) = 0,
// V(b) = exercise and V'(b) = callput at the boundary b; for a given b the first two fix A and
// B, and the third is found by bisection between the perpetual vanilla's level and K.
double perpetualknockoutboundary(int callput, double H, double K, double sigma, double r,
                                 double q) {
  const double a = 0.5 * sigma * sigma, b = r - q - a, d = std::sqrt(b * b + 4 * a * r);
  const double l1 = (-b + d) / (2 * a), l2 = (-b - d) / (2 * a);
  auto pasting = [&](double x) {
    const double g = callput * (x - K);
    const double det = std::pow(H, l1) * std::pow(x, l2) - std::pow(H, l2) * std::pow(x, l1);
    const double A = -g * std::pow(H, l2) / det, B = g * std::pow(H, l1) / det;
    return A * l1 * std::pow(x, l1 - 1) + B * l2 * std::pow(x, l2 - 1) - callput;
  };
  double lo = callput < 0 ? K * l2 / (l2 - 1) : K, hi = callput < 0 ? K : K * l1 / (l1 - 1);
  const double low = pasting(lo * (1 + 1e-12));
  for (int k = 0; k < 200; ++k) {
    const double middle = 0.5 * (lo + hi);
    if ((pasting(middle) > 0) == (low > 0)) lo = middle; else hi = middle;
  }
  return 0.5 * (lo + hi);
}

// At long expiries a knock-out whose barrier bounds its continuation region has reached its
// perpetual boundary (the region is bounded, so the finite expiry's trace decays exponentially):
// the closed form above, where the barrier moves the boundary far from the vanilla's.
TEST(AmericanBarrierPrecise, CriticalPricesAtLongExpiriesMeetThePerpetualKnockOut) {
  struct row {
    const char* code;
    int callput;
    double T, H, K, sigma, r, q;
  };
  const row rows[] = {
      {"UPOUTAPOCrit", -1, 20, 130, 100, 0.3, 0.05, 0.02},
      {"DOWNOUTACOCrit", 1, 20, 80, 100, 0.3, 0.02, 0.05},
      {"UPOUTAPOCrit", -1, 20, 110, 100, 0.2, 0.06, 0.0},
  };
  for (const row& c : rows) {
    const double expected = perpetualknockoutboundary(c.callput, c.H, c.K, c.sigma, c.r, c.q);
    const double critical =
        testsupport::price(c.code, {c.T, c.H, c.K, c.sigma, c.r, c.q}, precise());
    EXPECT_NEAR(critical, expected, criticaltolerance * expected) << c.code << " H " << c.H;
  }
}

// A barrier far below the put's boundary (far above the call's) leaves the vanilla's boundary:
// the precise vanilla critical price. And at the returned price the knock-out is worth its
// exercise value, a little further into the continuation region more.
TEST(AmericanBarrierPrecise, CriticalPricesReadBetweenNodes) {
  struct row {
    const char* code;
    const char* vanilla;
    int callput;
    double T, H, K, sigma, r, q;
  };
  const row rows[] = {
      {"DOWNOUTAPOCrit", "BSAPOCrit", -1, 1.0, 30, 100, 0.2, 0.05, 0.02},
      {"UPOUTAPOCrit", "BSAPOCrit", -1, 1.0, 1000, 100, 0.2, 0.05, 0.02},
      {"DOWNOUTAPOCrit", "BSAPOCrit", -1, 0.5, 40, 100, 0.3, 0.08, 0.0},
      {"DOWNOUTACOCrit", "BSACOCrit", 1, 1.0, 5, 100, 0.2, 0.05, 0.04},
      {"UPOUTAPOCrit", "BSAPOCrit", -1, 2.0, 500, 100, 0.25, 0.06, 0.03},
      {"UPOUTACOCrit", "BSACOCrit", 1, 1.0, 1000, 100, 0.2, 0.03, 0.06},
      {"DOWNOUTAPOCrit", "BSAPOCrit", -1, 0.1, 50, 100, 0.15, 0.04, 0.0},
      {"UPOUTACOCrit", "BSACOCrit", 1, 5.0, 10000, 100, 0.3, 0.02, 0.05},
  };
  for (const row& c : rows) {
    const std::string name = std::string(c.code) + " T " + std::to_string(c.T) + " H " +
                             std::to_string(c.H) + " sigma " + std::to_string(c.sigma);
    const double critical = testsupport::price(c.code, {c.T, c.H, c.K, c.sigma, c.r, c.q}, precise());
    const double vanilla =
        testsupport::price(c.vanilla, {c.T, c.K, c.sigma, c.r, c.q}, precise());
    EXPECT_NEAR(critical, vanilla, criticaltolerance * vanilla) << name;
    const std::string knockout = std::string(c.code).substr(0, std::string(c.code).size() - 4);
    auto value = [&](double S) {
      return testsupport::price(knockout, {c.T, S, c.H, c.K, c.sigma, c.r, c.q}, precise());
    };
    const double beyond = critical * (1 - 0.02 * c.callput);
    EXPECT_NEAR(value(critical), c.callput * (critical - c.K), 1e-4 * c.K) << name;
    EXPECT_GT(value(beyond), c.callput * (beyond - c.K) + 1e-3) << name;
  }
}

// Extreme expiries stay finite (a vanishing or an enormous deviation once put the nodes out of
// the range of doubles: NaN), and a put without rate, never exercised early, has no critical
// price above 0 (it once answered the grid's far edge).
TEST(AmericanBarrierPrecise, ExtremeInputsAndNoExerciseRegion) {
  EXPECT_NEAR(testsupport::price("DOWNOUTAPO", {1e-300, 95, 90, 100, 0.2, 0.05, 0.02}, precise()),
              5.0, 1e-9);
  EXPECT_NEAR(testsupport::price("LBFLSTAPO", {1e-300, 90, 100, 0.2, 0.05, 0.02}, precise()), 10.0,
              1e-9);
  for (const char* code : {"DOWNOUTAPO", "DOWNINAPO"}) {
    std::vector<double> inputs{1e6, 100, 90, 100, 0.2, 0.05, 0.02};
    if (std::string(code) == "DOWNINAPO") inputs.push_back(1.0);
    const double value = testsupport::price(code, inputs, precise());
    EXPECT_TRUE(std::isfinite(value) && value >= 0 && value <= 100) << code << " " << value;
  }
  EXPECT_EQ(testsupport::price("UPOUTAPOCrit", {1, 130, 100, 0.2, 0.0, 0.02}, precise()), 0.0);
}

// The option's own early results and refusals: the barrier reached, expiry, the grid's refusals
// (silent), sizes out of range (after their message), NaN.
TEST(AmericanBarrierPrecise, EarlyResultsAndRefusals) {
  EXPECT_EQ(testsupport::price("DOWNOUTAPO", {1, 85, 90, 100, 0.2, 0.05, 0.02}, precise()), 0.0);
  EXPECT_EQ(testsupport::price("UPOUTACO", {1, 140, 130, 100, 0.2, 0.05, 0.02}, precise()), 0.0);
  EXPECT_EQ(testsupport::price("DOWNOUTAPO", {0, 95, 90, 100, 0.2, 0.05, 0.02}, precise()), 5.0);
  for (const char* code : {"DOWNOUTAPO", "DOWNOUTACO", "UPOUTACO", "UPOUTAPO"}) {
    const std::vector<double> ok{1, 100, 100, 100, 0.2, 0.05, 0.02};
    std::vector<double> fine = ok;
    fine[2] = std::string(code).rfind("DOWN", 0) == 0 ? 90 : 130;
    for (int term : {0, 4, 5, 6}) {  // T, sigma, r, q
      std::vector<double> bad = fine;
      bad[static_cast<std::size_t>(term)] = -0.1;
      EXPECT_TRUE(isundefined(testsupport::price(code, bad, precise()))) << code << " " << term;
    }
    std::vector<double> withnan = fine;
    withnan[4] = nan;
    EXPECT_TRUE(std::isnan(testsupport::price(code, withnan, precise()))) << code;
    const auto tiny = testsupport::parameters(precise()).set(entrygrid, 2, 50);
    EXPECT_TRUE(isundefined(testsupport::price(code, fine, tiny))) << code;
  }
  const auto tiny = testsupport::parameters(precise()).set(entrygrid, 2, 50);
  EXPECT_TRUE(
      isundefined(testsupport::price("DOWNINAPO", {1, 100, 90, 100, 0.2, 0.05, 0.02, 0}, tiny)));
  EXPECT_TRUE(isundefined(
      testsupport::price("UPINACO", {1, 100, 120, 100, 0.2, 0.05, 0.02, -1}, precise())));
  EXPECT_TRUE(std::isnan(
      testsupport::price("UPINACO", {1, 100, 120, 100, nan, 0.05, 0.02, 1}, precise())));
}

// The knock-in on a uniform grid in y = ln S with the barrier and the strike on nodes, 6
// standard deviations beyond spot, strike and barrier each way: the American vanilla on every
// node (exercise by projection, the far edges as for the knock-out), and the region not yet
// knocked in from the barrier to its far edge, without exercise, R at expiry, R discounted at the
// far edge and the vanilla's value at the barrier. Levels and the start as referencegrid.
double referenceknockingrid(const knockout& c, double R, int perdeviation) {
  const int steps = 3 * perdeviation;
  const double deviation = c.sigma * std::sqrt(c.T), reach = 6 * deviation;
  const double yH = std::log(c.H), yK = std::log(c.K), yS = std::log(c.S);
  const double target = deviation / perdeviation, distance = std::fabs(yK - yH);
  const double h = distance > target ? distance / std::round(distance / target) : target;
  const double low = std::min({yS, yK, yH}) - reach, high = std::max({yS, yK, yH}) + reach;
  const int below = static_cast<int>(std::ceil((yH - low) / h));
  const int n = below + static_cast<int>(std::ceil((high - yH) / h)) + 1;
  std::vector<double> y(static_cast<std::size_t>(n)), g(y.size());
  for (int i = 0; i < n; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    y[k] = yH + h * (i - below);
    g[k] = std::max(c.callput * (std::exp(y[k]) - c.K), 0.0);
  }
  std::vector<double> vanilla = g, waiting(y.size(), R);
  const std::size_t b = static_cast<std::size_t>(below);
  waiting[b] = g[b];
  const std::size_t first = c.down ? b : 0, last = c.down ? y.size() - 1 : b;
  const double a2 = 0.5 * c.sigma * c.sigma / (h * h);
  const double a1 = (c.r - c.q - 0.5 * c.sigma * c.sigma) / (2 * h);
  const double lo = a2 - a1, mid = -2 * a2 - c.r, hi = a2 + a1;
  auto vanillaedge = [&](std::size_t k, double tau) {
    const double S = std::exp(y[k]);
    const double forward = c.callput * (S * std::exp(-c.q * tau) - c.K * std::exp(-c.r * tau));
    return std::max({forward, g[k], 0.0});
  };
  thetastep step(lo, mid, hi, g);
  auto advance = [&](double dt, double theta, double tau) {
    step(vanilla, 0, y.size() - 1, dt, theta, vanillaedge(0, tau), vanillaedge(y.size() - 1, tau),
         true);
    const double rebate = R * std::exp(-c.r * tau);
    step(waiting, first, last, dt, theta, c.down ? vanilla[b] : rebate,
         c.down ? rebate : vanilla[b], false);
  };
  auto level = [&](double k) { return c.T * (k / steps) * (k / steps); };
  for (int k = 1; k <= steps; ++k) {
    if (k <= 2) {
      advance(level(k - 0.5) - level(k - 1), 1.0, level(k - 0.5));
      advance(level(k) - level(k - 0.5), 1.0, level(k));
    } else {
      advance(level(k) - level(k - 1), 0.5, level(k));
    }
  }
  const double at = (yS - y[first]) / h;
  const int span = static_cast<int>(last - first);
  const int start = std::clamp(static_cast<int>(std::floor(at)) - 1, 0, span - 3);
  double sum = 0.0;
  for (int a = start; a < start + 4; ++a) {
    double weight = 1.0;
    for (int z = start; z < start + 4; ++z)
      if (z != a) weight *= (at - z) / static_cast<double>(a - z);
    sum += weight * waiting[first + static_cast<std::size_t>(a)];
  }
  return sum;
}

struct knockin {
  knockout contract;
  double R;
  std::vector<double> inputs() const {
    std::vector<double> all = contract.inputs();
    all.push_back(R);
    return all;
  }
};

// The two contracts first (the design's blend gives 7.232 and 3.810), then each code.
const knockin knockins[] = {
    {{"DOWNINAPO", true, -1, 1.0, 100, 90, 100, 0.25, 0.08, 0.0}, 0.0},
    {{"DOWNINACO", true, 1, 1.0, 100, 90, 100, 0.25, 0.05, 0.03}, 2.0},
    {{"UPINACO", false, 1, 1.0, 100, 120, 100, 0.2, 0.05, 0.03}, 1.0},
    {{"UPINAPO", false, -1, 1.0, 100, 110, 100, 0.2, 0.05, 0.01}, 0.0},
    {{"DOWNINAPO", true, -1, 0.5, 110, 95, 105, 0.3, 0.06, 0.02}, 0.5},
};

// Under the option the knock-ins are the contract itself, no longer the design's blend.
TEST(AmericanBarrierPrecise, KnockInsMatchAConvergedGrid) {
  for (const knockin& c : knockins) {
    const double v1 = referenceknockingrid(c.contract, c.R, 80);
    const double v2 = referenceknockingrid(c.contract, c.R, 160);
    const double v4 = referenceknockingrid(c.contract, c.R, 320);
    const double expected = (8 * v4 - 6 * v2 + v1) / 3;
    const double value = testsupport::price(c.contract.code, c.inputs(), precise());
    EXPECT_NEAR(value, expected, tolerance(expected, c.contract.K))
        << c.contract.describe() << " R " << c.R;
  }
}

// A knocked-in call without yield (put without rate) is the European vanilla: the American
// knock-in is then the European one, QuantLib's formula (no rebate). A barrier already reached
// gives the converged American vanilla, the vanilla code's answer under the option.
TEST(AmericanBarrierPrecise, KnockInsWhereEarlyExerciseNeverPaysAndAtTheBarrier) {
  const knockout europeans[] = {
      {"DOWNINACO", true, 1, 1.0, 100, 90, 100, 0.25, 0.05, 0.0},
      {"DOWNINACO", true, 1, 1.0, 100, 95, 90, 0.2, 0.03, 0.0},
      {"UPINAPO", false, -1, 1.0, 100, 110, 100, 0.2, 0.0, 0.03},
      {"UPINACO", false, 1, 1.0, 100, 120, 100, 0.2, 0.05, 0.0},
  };
  for (const knockout& c : europeans) {
    const fdtest::market m{365, c.S, c.K, c.sigma, c.r, c.q};
    const double expected =
        qlbarrier::analyticbarrier(c.down ? Barrier::DownIn : Barrier::UpIn, c.callput, m, c.H);
    std::vector<double> inputs = c.inputs();
    inputs.push_back(0.0);
    EXPECT_NEAR(testsupport::price(c.code, inputs, precise()), expected,
                tolerance(expected, c.K))
        << c.describe();
  }
  EXPECT_EQ(testsupport::price("DOWNINAPO", {1, 85, 90, 100, 0.2, 0.05, 0.02, 1}, precise()),
            testsupport::price("BINAPO", {1, 85, 100, 0.2, 0.05, 0.02}, precise()));
  EXPECT_EQ(testsupport::price("UPINACO", {1, 130, 120, 100, 0.2, 0.05, 0.02, 1}, precise()),
            testsupport::price("BSACO", {1, 130, 100, 0.2, 0.05, 0.02}, precise()));
  EXPECT_EQ(testsupport::price("UPINACO", {0, 100, 120, 100, 0.2, 0.05, 0.02, 1.5}, precise()),
            1.5);
}

struct doubleknockout {
  const char* code;
  int callput;
  double T, S, L, U, K, sigma, r, q;
  std::vector<double> inputs() const { return {T, S, L, U, K, sigma, r, q}; }
  std::string describe() const {
    return std::string(code) + " T " + std::to_string(T) + " S " + std::to_string(S) + " L " +
           std::to_string(L) + " U " + std::to_string(U) + " K " + std::to_string(K) +
           " sigma " + std::to_string(sigma) + " r " + std::to_string(r) + " q " +
           std::to_string(q);
  }
};

// The double knock-out on a uniform grid in y = ln S from L to U whose spacing divides both
// ln(K / L) and ln(U / L) (the table's levels are chosen so: K = 100, L = 100 e^(-a/20),
// U = 100 e^(b/20) for whole a, b), perdeviation spacings a deviation or more. Both edges carry
// the exercise value at their barrier; levels, start, projection and read-off as referencegrid.
double referencecorridor(const doubleknockout& c, int perdeviation) {
  const int steps = 3 * perdeviation;
  const double yL = std::log(c.L), yU = std::log(c.U);
  const double unit = 0.05;  // divides ln(K / L) and ln(U / L) in the table
  const double pieces = std::ceil(unit / (c.sigma * std::sqrt(c.T) / perdeviation));
  const double h = unit / pieces;
  const int n = static_cast<int>(std::lround((yU - yL) / h)) + 1;
  std::vector<double> y(static_cast<std::size_t>(n)), v(y.size()), g(y.size());
  for (int i = 0; i < n; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    y[k] = yL + h * i;
    g[k] = std::max(c.callput * (std::exp(y[k]) - c.K), 0.0);
    v[k] = g[k];
  }
  const double a2 = 0.5 * c.sigma * c.sigma / (h * h);
  const double a1 = (c.r - c.q - 0.5 * c.sigma * c.sigma) / (2 * h);
  const double lo = a2 - a1, mid = -2 * a2 - c.r, hi = a2 + a1;
  const double edgelow = std::max(c.callput * (c.L - c.K), 0.0);
  const double edgehigh = std::max(c.callput * (c.U - c.K), 0.0);
  thetastep solve(lo, mid, hi, g);
  auto step = [&](double dt, double theta) {
    solve(v, 0, y.size() - 1, dt, theta, edgelow, edgehigh, true);
  };
  auto level = [&](double k) { return c.T * (k / steps) * (k / steps); };
  for (int k = 1; k <= steps; ++k) {
    if (k <= 2) {
      step(level(k - 0.5) - level(k - 1), 1.0);
      step(level(k) - level(k - 0.5), 1.0);
    } else {
      step(level(k) - level(k - 1), 0.5);
    }
  }
  const double at = (std::log(c.S) - yL) / h;
  const int start = std::clamp(static_cast<int>(std::floor(at)) - 1, 0, n - 4);
  double sum = 0.0;
  for (int a = start; a < start + 4; ++a) {
    double weight = 1.0;
    for (int b = start; b < start + 4; ++b)
      if (b != a) weight *= (at - b) / static_cast<double>(a - b);
    sum += weight * v[static_cast<std::size_t>(a)];
  }
  return sum;
}

// The example first (the design's grid gives 8.5297; here L = 100 e^(-0.2) = 81.87 and
// U = 100 e^(0.25) = 128.40 keep the reference's levels on nodes).
const doubleknockout doubleknockouts[] = {
    {"DBKNOCKOUTACO", 1, 1.0, 100, 100 * std::exp(-0.2), 100 * std::exp(0.25), 100, 0.2, 0.05, 0.02},
    {"DBKNOCKOUTAPO", -1, 1.0, 100, 100 * std::exp(-0.2), 100 * std::exp(0.25), 100, 0.2, 0.05,
     0.02},
    {"DBKNOCKOUTACO", 1, 0.5, 105, 100 * std::exp(-0.1), 100 * std::exp(0.35), 100, 0.3, 0.03, 0.06},
    {"DBKNOCKOUTAPO", -1, 2.0, 95, 100 * std::exp(-0.4), 100 * std::exp(0.15), 100, 0.25, 0.07, 0.0},
};

TEST(DoubleBarrierPrecise, KnockOutsMatchAConvergedGrid) {
  for (const doubleknockout& c : doubleknockouts) {
    const double v1 = referencecorridor(c, 80), v2 = referencecorridor(c, 160),
                 v4 = referencecorridor(c, 320);
    const double expected = (8 * v4 - 6 * v2 + v1) / 3;
    const double value = testsupport::price(c.code, c.inputs(), precise());
    EXPECT_NEAR(value, expected, tolerance(expected, c.K)) << c.describe();
  }
}

// The double knock-in between bounds that hold for the contract: no more than the American
// vanilla, and with the knock-out at least the American vanilla (the holder of both follows the
// vanilla's exercise with the knock-out until a touch, with the knock-in after it). Outside the
// corridor it is the vanilla code's converged value.
TEST(DoubleBarrierPrecise, KnockInsBetweenTheirBounds) {
  for (const doubleknockout& c : doubleknockouts) {
    const std::string in = c.callput > 0 ? "DBKNOCKINACO" : "DBKNOCKINAPO";
    const std::string vanilla = c.callput > 0 ? "BSACO" : "BSAPO";
    const double knockin = testsupport::price(in, c.inputs(), precise());
    const double knockout = testsupport::price(c.code, c.inputs(), precise());
    const double american =
        testsupport::price(vanilla, {c.T, c.S, c.K, c.sigma, c.r, c.q}, precise());
    EXPECT_GE(knockin + knockout, american - tolerance(american, c.K)) << c.describe();
    EXPECT_LE(knockin, american) << c.describe();
    EXPECT_GT(knockin, 0.0) << c.describe();
  }
  EXPECT_EQ(testsupport::price("DBKNOCKINAPO", {1, 75, 80, 130, 100, 0.2, 0.05, 0.02}, precise()),
            testsupport::price("BSAPO", {1, 75, 100, 0.2, 0.05, 0.02}, precise()));
}

// In caching mode (entry 0 = 0) a precise price keeps its grids; a re-price at another spot of
// the same grid reads them (the same carrier, the same number as a fresh solve: an
// interpolation on the same grids); a design grid in the cache is never read under the option,
// nor the precise grids by the design.
TEST(AmericanBarrierPrecise, CachingModeKeepsThePreciseGridsApartFromTheDesigns) {
  fdtest::block params;
  std::int64_t dims[2] = {6, 2};
  params->rank = 2;
  params->dims = dims;
  params->elementsize = 8;
  params.set(entrymode, 0);
  auto put = [&](double S) {
    return AmericanBarrier::downoutput(1, S, 90, 100, 0.2, 0.05, 0.02, params.get());
  };
  const double design = put(100);
  params.set(entryoptions, 0, 1);
  EXPECT_NEAR(put(100), 5.887568, 1e-5);
  const auto* kept = dynamic_cast<const precisebarrier::precisecarrier*>(params->fdcarrier);
  ASSERT_NE(kept, nullptr);
  const double moved = put(99.5);  // the same grid: spot and strike below the far edge's reach
  EXPECT_EQ(params->fdcarrier, kept);
  params.set(entrymode, 1);
  EXPECT_EQ(moved, put(99.5));
  params.set(entrymode, 0).usedefault(entryoptions);
  EXPECT_EQ(put(100), design);
  EXPECT_EQ(dynamic_cast<const precisebarrier::precisecarrier*>(params->fdcarrier), nullptr);
}

// kzr greeks and kzr solve under --precise price through the option: the price line is the
// converged price, and the volatility solved for the converged price is the one it was priced at.
TEST(AmericanBarrierPrecise, ToolGreeksAndSolveUseTheConvergedPrices) {
  const std::string row = "DOWNOUTAPO 1 100 90 100 0.2 0.05 0.02";
  const double price = testsupport::price("DOWNOUTAPO", {1, 100, 90, 100, 0.2, 0.05, 0.02},
                                          precise());
  const testsupport::toolrun greeks = testsupport::runkzr("greeks " + row + " --precise");
  ASSERT_EQ(greeks.status, 0) << greeks.err;
  const std::string first = greeks.out.substr(0, greeks.out.find('\n'));
  EXPECT_NEAR(std::stod(first.substr(first.find_last_of(' ') + 1)), price, 1e-12 * price) << first;
  char target[40];
  std::snprintf(target, sizeof target, "%.17g", price);
  const testsupport::toolrun solved =
      testsupport::runkzr("solve " + row + " --target " + target + " --for sigma --precise");
  ASSERT_EQ(solved.status, 0) << solved.err;
  EXPECT_NEAR(std::stod(testsupport::lastline(solved.out)), 0.2, 1e-6);
}

// The double knock-in on a uniform grid in y = ln S whose spacing divides 0.05 (the table's
// levels lie on multiples of it from K = 100), 6 standard deviations beyond both barriers: the
// American vanilla on every node (exercise by projection, far edges as referencegrid's), and
// between the barriers the region not yet knocked in, 0 at expiry, at each barrier the vanilla's
// node. Levels and the start as referencegrid.
double referencedoubleknockin(const doubleknockout& c, int perdeviation) {
  const int steps = 3 * perdeviation;
  const double deviation = c.sigma * std::sqrt(c.T), reach = 6 * deviation;
  const double h = 0.05 / std::ceil(0.05 / (deviation / perdeviation));
  const double yL = std::log(c.L), yU = std::log(c.U);
  const int below = static_cast<int>(std::ceil(reach / h));
  const int inside = static_cast<int>(std::lround((yU - yL) / h));
  const int n = 2 * below + inside + 1;
  const int callput = c.callput;
  std::vector<double> y(static_cast<std::size_t>(n)), g(y.size());
  for (int i = 0; i < n; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    y[k] = yL + h * (i - below);
    g[k] = std::max(callput * (std::exp(y[k]) - c.K), 0.0);
  }
  const std::size_t first = static_cast<std::size_t>(below);
  const std::size_t last = static_cast<std::size_t>(below + inside);
  std::vector<double> vanilla = g, waiting(y.size(), 0.0);
  waiting[first] = g[first];
  waiting[last] = g[last];
  const double a2 = 0.5 * c.sigma * c.sigma / (h * h);
  const double a1 = (c.r - c.q - 0.5 * c.sigma * c.sigma) / (2 * h);
  const double lo = a2 - a1, mid = -2 * a2 - c.r, hi = a2 + a1;
  auto vanillaedge = [&](std::size_t k, double tau) {
    const double S = std::exp(y[k]);
    const double forward = callput * (S * std::exp(-c.q * tau) - c.K * std::exp(-c.r * tau));
    return std::max({forward, g[k], 0.0});
  };
  thetastep step(lo, mid, hi, g);
  auto advance = [&](double dt, double theta, double tau) {
    step(vanilla, 0, y.size() - 1, dt, theta, vanillaedge(0, tau), vanillaedge(y.size() - 1, tau),
         true);
    step(waiting, first, last, dt, theta, vanilla[first], vanilla[last], false);
  };
  auto level = [&](double k) { return c.T * (k / steps) * (k / steps); };
  for (int k = 1; k <= steps; ++k) {
    if (k <= 2) {
      advance(level(k - 0.5) - level(k - 1), 1.0, level(k - 0.5));
      advance(level(k) - level(k - 0.5), 1.0, level(k));
    } else {
      advance(level(k) - level(k - 1), 0.5, level(k));
    }
  }
  const double at = (std::log(c.S) - yL) / h;
  const int start = std::clamp(static_cast<int>(std::floor(at)) - 1, 0, inside - 3);
  double sum = 0.0;
  for (int a = start; a < start + 4; ++a) {
    double weight = 1.0;
    for (int z = start; z < start + 4; ++z)
      if (z != a) weight *= (at - z) / static_cast<double>(a - z);
    sum += weight * waiting[first + static_cast<std::size_t>(a)];
  }
  return sum;
}

// A call and a put of the knock-outs' table (the reference's vanilla spans both barriers and
// 12 deviations: two contracts keep the test quick).
TEST(DoubleBarrierPrecise, KnockInsMatchAConvergedGrid) {
  for (doubleknockout c : {doubleknockouts[0], doubleknockouts[3]}) {
    c.code = c.callput > 0 ? "DBKNOCKINACO" : "DBKNOCKINAPO";
    const double v1 = referencedoubleknockin(c, 80), v2 = referencedoubleknockin(c, 160),
                 v4 = referencedoubleknockin(c, 320);
    const double expected = (8 * v4 - 6 * v2 + v1) / 3;
    const double value = testsupport::price(c.code, c.inputs(), precise());
    EXPECT_NEAR(value, expected, tolerance(expected, c.K)) << c.describe();
  }
}

}  // namespace
