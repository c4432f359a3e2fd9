// Perpetual calls and puts, perpetual floating-strike lookbacks and the Russian option: each
// value checked against the conditions that define it (the Black-Scholes equation, value matching
// and smooth pasting at the returned boundary, the reflecting condition at the extreme), against
// long-dated American contracts on fine grids, the Russian boundary against Shepp and Shiryaev's
// closed form, the limits where the boundary search has no bracket, and the early results and
// refusals of the twelve codes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "binding/parameterblock.h"
#include "earlyresults.h"
#include "fdtestsupport.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using testsupport::parameters;
using testsupport::price;

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

struct market {
  double sigma, r, q;
};

const market markets[] = {
    {0.3, 0.05, 0.04}, {0.2, 0.08, 0.02}, {0.45, 0.03, 0.06}, {0.25, 0.06, 0.03}, {0.15, 0.1, 0.1},
};

// sigma^2/2 S^2 V'' + (r - q) S V' - r V by central differences of step h S.
double residual(const std::function<double(double)>& V, double S, const market& m) {
  const double h = 1e-3 * S;
  const double d1 = (V(S + h) - V(S - h)) / (2 * h);
  const double d2 = (V(S + h) - 2 * V(S) + V(S - h)) / (h * h);
  return 0.5 * m.sigma * m.sigma * S * S * d2 + (m.r - m.q) * S * d1 - m.r * V(S);
}

// The one-sided slope dV/dS on the continuation side (direction +1: above S, -1: below S),
// second order: (-3 V(S) + 4 V(S + h) - V(S + 2h)) / 2h.
double slope(const std::function<double(double)>& V, double S, int direction) {
  const double h = direction * 1e-5 * S;
  return (-3 * V(S) + 4 * V(S + h) - V(S + 2 * h)) / (2 * h);
}

TEST(Perpetual, ValueSolvesTheEquationAndPastesSmoothlyAtTheBoundary) {
  const double K = 100;
  for (const market& m : markets) {
    auto call = [&](double S) { return price("PERPETUALACO", {S, K, m.sigma, m.r, m.q}); };
    auto put = [&](double S) { return price("PERPETUALAPO", {S, K, m.sigma, m.r, m.q}); };
    const double callboundary = price("PERPETUALACOCrit", {K, m.sigma, m.r, m.q});
    const double putboundary = price("PERPETUALAPOCrit", {K, m.sigma, m.r, m.q});
    ASSERT_GT(callboundary, K);
    ASSERT_LT(putboundary, K);
    EXPECT_NEAR(residual(call, 0.8 * callboundary, m), 0.0, 1e-5 * K) << m.sigma;
    EXPECT_NEAR(residual(put, 1.3 * putboundary, m), 0.0, 1e-5 * K) << m.sigma;
    EXPECT_NEAR(call(callboundary), callboundary - K, 1e-9 * K);
    EXPECT_NEAR(put(putboundary), K - putboundary, 1e-9 * K);
    EXPECT_NEAR(slope(call, callboundary, -1), 1.0, 1e-6);
    EXPECT_NEAR(slope(put, putboundary, +1), -1.0, 1e-6);
    // Exercised beyond the boundary, worth more than exercise before it.
    EXPECT_EQ(call(1.1 * callboundary), 1.1 * callboundary - K);
    EXPECT_EQ(put(0.9 * putboundary), K - 0.9 * putboundary);
    EXPECT_GT(put(K), 0.0);
  }
}

TEST(Perpetual, LongDatedAmericanPutOnAFineGridApproachesFromBelow) {
  for (const market& m : {markets[0], markets[1]}) {
    const fdtest::market contract{365 * 60, 100, 100, m.sigma, m.r, m.q};
    const double american =
        fdtest::quantlibfd(QuantLib::Option::Put, fdtest::exercise::american, contract, 1000, 1000);
    const double perpetual = price("PERPETUALAPO", {100, 100, m.sigma, m.r, m.q});
    EXPECT_LT(american, perpetual);
    EXPECT_NEAR(american, perpetual, 0.005 * perpetual);
  }
}

TEST(Perpetual, PutWithoutARateIsWorthItsStrike) {
  // r = 0: waiting costs nothing, the put is never exercised; its value rises to K and its
  // boundary falls to 0 as r falls to 0.
  const double K = 100, sigma = 0.3, q = 0.04;
  EXPECT_EQ(price("PERPETUALAPO", {80, K, sigma, 0.0, q}), K);
  EXPECT_EQ(price("PERPETUALAPOCrit", {K, sigma, 0.0, q}), 0.0);
  EXPECT_NEAR(price("PERPETUALAPO", {80, K, sigma, 1e-12, q}), K, 1e-6 * K);
  EXPECT_LT(price("PERPETUALAPOCrit", {K, sigma, 1e-12, q}), 1e-6 * K);
}

// The lookback exponents a (>= 1) and b (<= 0) of S (m/S)^k, as the roots of
// sigma^2/2 k^2 - (sigma^2/2 + r - q) k - q = 0 (the equation for V = S h(m/S)).
struct roots {
  double a, b;
};
roots lookbackroots(const market& m) {
  const double A = 0.5 * m.sigma * m.sigma, B = -(A + m.r - m.q), C = -m.q;
  const double disc = std::sqrt(B * B - 4 * A * C);
  return {(-B + disc) / (2 * A), (-B - disc) / (2 * A)};
}

// The bisection as first written: the put's bracket [0, 1000] with the rule
// hi = mid when f(mid) f(lo) <= 0. Below the pole a / (a - 1) it can stop at a false root.
double firstbracketroot(const roots& e) {
  auto f = [&](double z) {
    return std::pow(z, e.a - e.b) -
           (e.a * (1 - e.b) * z + e.a * e.b) / (e.b * (1 - e.a) * z + e.a * e.b);
  };
  double lo = 0, hi = 1000;
  do {
    const double mid = (lo + hi) / 2;
    if (f(mid) * f(lo) <= 0) {
      hi = mid;
    } else {
      lo = mid;
    }
  } while (std::fabs(hi - lo) > 1e-10);
  return (lo + hi) / 2;
}

struct lookbackcodes {
  const char* value;
  const char* critical;
  int direction;  // +1: the continuation lies above the boundary (put, Russian); -1 below
};

TEST(PerpetualLookback, PutAndCallPasteSmoothlyAndReflectAtTheExtreme) {
  const double extreme = 100;
  for (const market& m : markets) {
    for (const int callput : {+1, -1}) {
      const std::string value = callput > 0 ? "PERPETUALLBFLSTACO" : "PERPETUALLBFLSTAPO";
      auto V = [&](double S) { return price(value, {S, extreme, m.sigma, m.r, m.q}); };
      auto exercise = [&](double S) { return callput * (S - extreme); };
      const double boundary = price(value + "Crit", {extreme, m.sigma, m.r, m.q});
      ASSERT_TRUE(callput > 0 ? boundary > extreme : boundary < extreme)
          << value << " " << boundary;
      const int inward = -callput;  // towards the extreme
      EXPECT_NEAR(V(boundary), exercise(boundary), 1e-7 * extreme) << value << m.sigma;
      EXPECT_NEAR(slope(V, boundary, inward), callput, 1e-5) << value << " " << m.sigma;
      const double between = std::sqrt(boundary * extreme);
      EXPECT_GT(V(between), exercise(between)) << value;
      EXPECT_NEAR(residual(V, between, m), 0.0, 1e-5 * extreme) << value << " " << m.sigma;
      // Reflection: V = S h(m / S) with h'(1) = 0, the slope in the extreme at S = 100 as the
      // extreme approaches S.
      auto inm = [&](double level) { return price(value, {100, level, m.sigma, m.r, m.q}); };
      const double near = inm(100 - 1e-6 * callput), nearer = inm(100 - 2e-6 * callput);
      EXPECT_NEAR((near - nearer) / 1e-6, 0.0, 1e-3) << value << " " << m.sigma;
    }
  }
}

TEST(PerpetualLookback, PutFindsTheRootAboveThePole) {
  // S = 100, M = 120, sigma 0.3, r 0.05, q 0.04: the first bracket stops at z = 0.3167, below 1,
  // which would put the critical spot above the maximum; the boundary is M / 3.628.
  const market m{0.3, 0.05, 0.04};
  const roots e = lookbackroots(m);
  EXPECT_NEAR(firstbracketroot(e), 0.3167, 1e-4);
  EXPECT_NEAR(price("PERPETUALLBFLSTAPOCrit", {120, m.sigma, m.r, m.q}), 120 / 3.628,
              120 / 3.628 * 1e-3);
  // Where the first bracket's root lies above the pole it is the boundary, and the answer is
  // the same; the table holds both kinds of market.
  int samecases = 0, falsecases = 0;
  for (const market& c : markets) {
    const roots r = lookbackroots(c);
    const double first = firstbracketroot(r);
    const double critical = price("PERPETUALLBFLSTAPOCrit", {120, c.sigma, c.r, c.q});
    if (first > r.a / (r.a - 1)) {
      ++samecases;
      EXPECT_NEAR(critical, 120 / first, 1e-8) << c.sigma;
    } else {
      ++falsecases;
      EXPECT_GT(120 / first, 120.0) << c.sigma;
    }
  }
  EXPECT_GT(samecases, 0);
  EXPECT_GT(falsecases, 0);
}

TEST(PerpetualLookback, LongDatedAmericanLookbacksOnAFineGridApproachFromBelow) {
  const market m{0.3, 0.05, 0.04};
  const parameters grid = parameters().set(entrygrid, 400, 400);
  const double put = price("PERPETUALLBFLSTAPO", {100, 120, m.sigma, m.r, m.q});
  const double longput = price("LBFLSTAPO", {100, 100, 120, m.sigma, m.r, m.q}, grid);
  EXPECT_LT(longput, put);
  EXPECT_NEAR(longput, put, 0.005 * put);
  const double call = price("PERPETUALLBFLSTACO", {100, 90, m.sigma, m.r, m.q});
  const double longcall = price("LBFLSTACO", {100, 100, 90, m.sigma, m.r, m.q}, grid);
  EXPECT_LT(longcall, call);
  EXPECT_NEAR(longcall, call, 0.005 * call);
}

// E[max(M, sup S)] when nothing is discounted: sup ln(S_t / S) is exponential with rate
// lambda = 1 + 2q / sigma^2 (the drift -q - sigma^2/2), so the expectation is
// M (1 - x^-lambda) + S lambda / (lambda - 1) x^(1 - lambda), x = M / S.
double expectedfinalmaximum(double S, double M, double sigma, double q) {
  const double lambda = 1 + 2 * q / (sigma * sigma), x = M / S;
  return M * (1 - std::pow(x, -lambda)) + S * lambda / (lambda - 1) * std::pow(x, 1 - lambda);
}

TEST(PerpetualLookback, WithoutARateThePutAndTheRussianAreWorthTheExpectedMaximum) {
  const double S = 100, M = 120, sigma = 0.3, q = 0.04;
  const double expected = expectedfinalmaximum(S, M, sigma, q);
  EXPECT_NEAR(price("PERPETUALLBFLSTAPO", {S, M, sigma, 0.0, q}), expected, 1e-10 * expected);
  EXPECT_NEAR(price("RUSSIAN", {S, M, sigma, 0.0, q}), expected, 1e-10 * expected);
  EXPECT_EQ(price("PERPETUALLBFLSTAPOCrit", {M, sigma, 0.0, q}), 0.0);
  EXPECT_EQ(price("RUSSIANCrit", {M, sigma, 0.0, q}), 0.0);
  // The limit as r falls to 0 (the pole a / (a - 1) runs off to infinity).
  EXPECT_NEAR(price("PERPETUALLBFLSTAPO", {S, M, sigma, 1e-7, q}), expected, 1e-4 * expected);
  EXPECT_NEAR(price("RUSSIAN", {S, M, sigma, 1e-7, q}), expected, 1e-4 * expected);
}

TEST(PerpetualLookback, WithoutAYieldThePutIsUnboundedAndTheCallIsWorthTheSpot) {
  // q = 0: stopping when S falls to M / z is worth (z - 1) S for every z, and stopping the call
  // when S rises to m / z is worth (1 - z) S.
  const double sigma = 0.3, r = 0.05;
  testing::internal::CaptureStdout();
  EXPECT_EQ(price("PERPETUALLBFLSTAPO", {100, 120, sigma, r, 0.0}), inf);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "For dividend approacing zero the value is unbounded\n");
  EXPECT_EQ(price("PERPETUALLBFLSTAPOCrit", {120, sigma, r, 0.0}), 0.0);
  double previous = 0;
  for (const double q : {1e-2, 1e-4, 1e-6}) {  // the put grows without end as q falls
    const double put = price("PERPETUALLBFLSTAPO", {100, 120, sigma, r, q});
    EXPECT_GT(put, previous) << q;
    previous = put;
  }
  EXPECT_GT(previous, 1000.0);
  EXPECT_EQ(price("PERPETUALLBFLSTACO", {100, 90, sigma, r, 0.0}), 100.0);
  EXPECT_NEAR(price("PERPETUALLBFLSTACO", {100, 90, sigma, r, 1e-7}), 100.0, 0.05);
  testing::internal::CaptureStdout();
  EXPECT_EQ(price("PERPETUALLBFLSTACOCrit", {90, sigma, r, 0.0}), inf);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "For dividend approacing zero the critical grows to infinity\n");
}

TEST(Russian, MatchesSheppAndShiryaevsClosedForm) {
  // Shepp and Shiryaev (1993): the boundary ratio z* = (a (1 - b) / (b (1 - a)))^(1 / (a - b));
  // below it V = S (P (x / z*)^a + Q (x / z*)^b), x = M / S, with P + Q = z* (value matching)
  // and a P + b Q = z* (smooth pasting).
  const double M = 120;
  for (const market& m : markets) {
    const roots e = lookbackroots(m);
    const double z = std::pow(e.a * (1 - e.b) / (e.b * (1 - e.a)), 1 / (e.a - e.b));
    const double P = z * (1 - e.b) / (e.a - e.b), Q = z - P;
    EXPECT_NEAR(price("RUSSIANCrit", {M, m.sigma, m.r, m.q}), M / z, 1e-8 * M) << m.sigma;
    for (const double S : {M, 0.9 * M, 1.1 * M / z}) {
      const double x = M / S;
      const double expected = S * (P * std::pow(x / z, e.a) + Q * std::pow(x / z, e.b));
      EXPECT_NEAR(price("RUSSIAN", {S, M, m.sigma, m.r, m.q}), expected, 1e-8 * expected)
          << m.sigma << " S " << S;
    }
    EXPECT_EQ(price("RUSSIAN", {0.9 * M / z, M, m.sigma, m.r, m.q}), M);
  }
}

TEST(PerpetualFamilies, EarlyResultsAndRefusals) {
  const char* error = "Input data error\n";
  const char* undefined = "Input data error, value undefined\n";
  const char* unbounded = "For dividend approacing zero the value is unbounded\n";
  const earlyresults::row rows[] = {
      {"PERPETUALACO", {0, 100, 0.3, 0.05, 0.04}, nan, error},
      {"PERPETUALACO", {100, 0, 0.3, 0.05, 0.04}, nan, error},
      {"PERPETUALACO", {100, 100, 0, 0.05, 0.04}, nan, error},
      {"PERPETUALACO", {100, 100, 0.3, -0.01, 0.04}, nan, error},
      {"PERPETUALACO", {100, 100, 0.3, 0.05, -0.01}, nan, error},
      {"PERPETUALACO", {100, 100, 0.3, 0.05, 0.0}, inf, unbounded},
      {"PERPETUALACO", {100, 100, 0.3, 0.05, 0.0000099}, inf, unbounded},
      {"PERPETUALACOCrit",
       {100, 0.3, 0.05, 0.0},
       inf,
       "For dividend approacing zero the critical grows to infinity\n"},
      {"PERPETUALACOCrit", {0, 0.3, 0.05, 0.04}, nan, error},
      {"PERPETUALAPO", {-1, 100, 0.3, 0.05, 0.04}, nan, error},
      {"PERPETUALAPOCrit", {100, 0.3, 0.05, -0.04}, nan, error},
      {"PERPETUALLBFLSTACO", {100, 100, 0.3, 0.05, 0.04}, nan, undefined},  // m < S
      {"PERPETUALLBFLSTACO", {100, 0, 0.3, 0.05, 0.04}, nan, undefined},
      {"PERPETUALLBFLSTACO", {100, 90, 0.3, 0.05, -0.04}, nan, undefined},
      {"PERPETUALLBFLSTAPO", {100, 100, 0.3, 0.05, 0.04}, nan, undefined},  // S < M
      {"PERPETUALLBFLSTAPO", {0, 100, 0.3, 0.05, 0.04}, nan, undefined},
      {"PERPETUALLBFLSTAPO", {90, 100, 0, 0.05, 0.04}, nan, undefined},
      {"RUSSIAN", {100, 99, 0.3, 0.05, 0.04}, nan, undefined},
      {"RUSSIAN", {100, 100, 0.3, -0.05, 0.04}, nan, undefined},
      {"RUSSIAN", {100, 100, 0.3, 0.05, 0.0}, inf, unbounded},
      {"RUSSIAN", {100, 100, 0.3, 0.05, 0.0000099}, inf, unbounded},
      {"PERPETUALLBFLSTACOCrit", {0, 0.3, 0.05, 0.04}, nan, undefined},
      {"PERPETUALLBFLSTAPOCrit", {100, 0.3, -0.05, 0.04}, nan, undefined},
      {"RUSSIANCrit", {100, 0, 0.05, 0.04}, nan, undefined},
      {"RUSSIANCrit", {100, 0.3, 0.05, 0.0}, 0.0, ""},  // no yield check; no boundary: 0
  };
  earlyresults::check(rows);
  // S = M is allowed for the Russian option and gives a finite value above M.
  const double atmaximum = price("RUSSIAN", {100, 100, 0.3, 0.05, 0.04});
  EXPECT_TRUE(std::isfinite(atmaximum) && atmaximum > 100);
  EXPECT_TRUE(std::isfinite(price("PERPETUALAPO", {100, 100, 0.3, 0.05, 0.0})));
}

}  // namespace
