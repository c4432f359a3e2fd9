// American vanillas under the negative-rates option (parameter entry 5, value 4 = 1): puts with
// r <= 0 <= q (and r <= q < 0), calls with q <= 0 <= r (and q <= r < 0), are never exercised
// early and equal the European on the tree, the grid and the precise path; a put with q < r < 0
// has two exercise boundaries, which the tree and the grid find (against an independent grid
// written here), while the precise path and the critical prices refuse it with one line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testsupport::price;

const char* const twoboundarieslines =
    "Two exercise boundaries (put: q < r < 0, call: r < q < 0), value undefined\n";

testsupport::parameters negativerates() {
  testsupport::parameters entries;
  entries.flags[entryoptions] = 0;
  entries.rows[entryvaluecount * entryoptions + optionnegativerates] = 1.0;
  return entries;
}

testsupport::parameters precise() {
  testsupport::parameters entries = negativerates();
  entries.rows[entryvaluecount * entryoptions + optionnumerics] = 1.0;
  return entries;
}

testsupport::parameters steps(double n) { return negativerates().set(entrysteps, n); }
testsupport::parameters grid(double n, double m) { return negativerates().set(entrygrid, n, m); }

struct neverearly {
  bool call;
  double S, r, q;
};

TEST(NegativeRates, AmericanThatIsNeverExercisedEarlyIsTheEuropean) {
  const neverearly cases[] = {
      {false, 90, -0.01, 0.02}, {false, 90, -0.01, 0.0}, {false, 90, -0.01, -0.005},
      {true, 110, 0.02, -0.01}, {true, 110, 0.0, -0.01}, {true, 110, -0.005, -0.01},
  };
  for (const neverearly& c : cases) {
    const std::vector<double> in = {1.0, c.S, 100, 0.2, c.r, c.q};
    const double european = price(c.call ? "BSECO" : "BSEPO", in, negativerates());
    const std::string side = c.call ? "CO" : "PO";
    const std::string what = side + " r=" + std::to_string(c.r) + " q=" + std::to_string(c.q);
    EXPECT_NEAR(price("BINA" + side, in, steps(1000)), european, 2e-3) << what;
    EXPECT_NEAR(price("BSA" + side, in, grid(801, 400)), european, 6e-3) << what;
    EXPECT_NEAR(price("BSA" + side, in, precise()), european, 1e-9 * european) << what;
    EXPECT_NEAR(price("BINA" + side, in, precise()), european, 1e-9 * european) << what;
    // No exercise region: the put's critical price is 0, the call's +infinity.
    const std::vector<double> critical = {1.0, 100, 0.2, c.r, c.q};
    for (const char* method : {"BINA", "BSA"}) {
      const double boundary = price(method + side + "Crit", critical, negativerates());
      if (c.call)
        EXPECT_EQ(boundary, HUGE_VAL) << method << what;
      else
        EXPECT_EQ(boundary, 0.0) << method << what;
    }
  }
}

// r > 0 with q < 0 (a put) or q > 0 with r < 0 (a call) keeps one boundary: the precise path
// agrees with a fine tree.
TEST(NegativeRates, OneBoundaryWithANegativeInputOnThePrecisePathAgreesWithTheTree) {
  const std::vector<double> put = {1, 95, 100, 0.25, 0.05, -0.02};
  const std::vector<double> call = {1, 105, 100, 0.25, -0.02, 0.05};
  EXPECT_NEAR(price("BSAPO", put, precise()), price("BINAPO", put, steps(5000)), 1e-3);
  EXPECT_NEAR(price("BSACO", call, precise()), price("BINACO", call, steps(5000)), 1e-3);
  EXPECT_GT(price("BSAPO", put, precise()), price("BSEPO", put, negativerates()) + 0.05);
}

// The American put by an independent grid: Crank-Nicolson in x = ln S (four implicit half steps
// first), the exercise value imposed after each level, near S = 0 the larger of the exercise and
// the forward value, 0 far above.
double independentamericanput(double T, double S, double K, double sigma, double r, double q) {
  const int n = 1200, m = 1000;
  const double low = std::log(K) - 5.0, high = std::log(K) + 3.0;
  const double dx = (high - low) / n, dt = T / m;
  std::vector<double> x(n + 1), V(n + 1);
  for (int i = 0; i <= n; ++i) {
    x[i] = low + i * dx;
    V[i] = std::max(K - std::exp(x[i]), 0.0);
  }
  const double a = 0.5 * sigma * sigma / (dx * dx), b = (r - q - 0.5 * sigma * sigma) / (2 * dx);
  const double lower = a - b, middle = -2 * a - r, upper = a + b;  // dV/dtau = L V
  std::vector<double> rhs(n + 1), c(n + 1), d(n + 1);
  double tau = 0.0;
  auto level = [&](double h, double theta) {
    tau += h;
    for (int i = 1; i < n; ++i)
      rhs[i] = V[i] + (1 - theta) * h * (lower * V[i - 1] + middle * V[i] + upper * V[i + 1]);
    const double S0 = std::exp(x[0]);
    const double edge = std::max(K - S0, K * std::exp(-r * tau) - S0 * std::exp(-q * tau));
    // (1 - theta h L) V = rhs, Thomas's algorithm with V[0] = edge and V[n] = 0.
    const double al = -theta * h * lower, am = 1 - theta * h * middle, au = -theta * h * upper;
    c[1] = au / am;
    d[1] = (rhs[1] - al * edge) / am;
    for (int i = 2; i < n; ++i) {
      const double denominator = am - al * c[i - 1];
      c[i] = au / denominator;
      d[i] = (rhs[i] - al * d[i - 1]) / denominator;
    }
    V[0] = edge;
    V[n] = 0.0;
    V[n - 1] = d[n - 1];
    for (int i = n - 2; i >= 1; --i) V[i] = d[i] - c[i] * V[i + 1];
    for (int i = 0; i <= n; ++i) V[i] = std::max(V[i], K - std::exp(x[i]));
  };
  for (int k = 0; k < 4; ++k) level(dt / 2, 1.0);
  for (int k = 2; k < m; ++k) level(dt, 0.5);
  const double at = (std::log(S) - low) / dx;
  const int i = static_cast<int>(at);
  return V[i] + (at - i) * (V[i + 1] - V[i]);
}

// q < r < 0: exercise pays only between r K / q (here 33.3) and an upper boundary below K.
TEST(NegativeRates, PutWithTwoBoundariesOnTheTreeAndTheGridAgreesWithAnIndependentGrid) {
  const double T = 1, K = 100, sigma = 0.15, r = -0.02, q = -0.06;
  for (double S : {25.0, 60.0, 88.0}) {
    const std::vector<double> in = {T, S, K, sigma, r, q};
    const double reference = independentamericanput(T, S, K, sigma, r, q);
    EXPECT_NEAR(price("BSAPO", in, grid(1601, 800)), reference, 0.01) << S;
    EXPECT_NEAR(price("BINAPO", in, steps(2000)), reference, 0.01) << S;
  }
  // Below the lower boundary and above the upper one the put is held, between them exercised.
  EXPECT_GT(independentamericanput(T, 25, K, sigma, r, q), K - 25 + 0.1);
  EXPECT_NEAR(independentamericanput(T, 60, K, sigma, r, q), K - 60, 1e-3);  // interpolated
  EXPECT_GT(independentamericanput(T, 88, K, sigma, r, q),
            price("BSEPO", {T, 88, K, sigma, r, q}, negativerates()) + 0.5);
}

TEST(NegativeRates, TwoBoundariesAreRefusedByThePreciseMethodAndTheCriticalPrices) {
  const struct {
    std::string code;
    std::vector<double> in;
    testsupport::parameters entries;
  } cases[] = {
      {"BSAPO", {1, 80, 100, 0.15, -0.02, -0.06}, precise()},
      {"BINAPO", {1, 80, 100, 0.15, -0.02, -0.06}, precise()},
      {"BSACO", {1, 120, 100, 0.15, -0.06, -0.02}, precise()},
      {"BSAPOCrit", {1, 100, 0.15, -0.02, -0.06}, negativerates()},
      {"BINAPOCrit", {1, 100, 0.15, -0.02, -0.06}, negativerates()},
      {"BSACOCrit", {1, 100, 0.15, -0.06, -0.02}, negativerates()},
      {"BINACOCrit", {1, 100, 0.15, -0.06, -0.02}, negativerates()},
      {"BSACOCrit", {1, 100, 0.15, -0.06, -0.02}, precise()},
  };
  for (const auto& c : cases) {
    CaptureStdout();
    EXPECT_TRUE(isundefined(price(c.code, c.in, c.entries))) << c.code;
    EXPECT_EQ(GetCapturedStdout(), twoboundarieslines) << c.code;
  }
  // The tree prices the call with two boundaries instead of taking the European (its q <= 0).
  const std::vector<double> call = {1, 120, 100, 0.15, -0.06, -0.02};
  EXPECT_GT(price("BINACO", call, steps(500)), price("BSECO", call, negativerates()) + 1.0);
}

// A family kept out of the option refuses a negative rate under it with one line naming the
// input; without the option it answers as designed.
TEST(NegativeRates, AFamilyKeptOutRefusesNamingTheInput) {
  const std::vector<double> in = {110.0, 100.0, 0.2, 0.03, -0.01};
  CaptureStdout();
  EXPECT_TRUE(isundefined(price("PERPETUALAPO", in, negativerates())));
  EXPECT_EQ(GetCapturedStdout(), "Negative input refused by this code, value undefined: q\n");
  CaptureStdout();
  EXPECT_TRUE(isundefined(price("PERPETUALAPO", in)));
  EXPECT_EQ(GetCapturedStdout(), "Input data error\n");
}

}  // namespace
