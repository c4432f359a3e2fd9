// Asian options: the geometric codes against QuantLib's analytic continuous geometric-average
// engine for a fresh start and, with a past average, against the price integrated here over the
// law of the geometric average still to come; the arithmetic codes at a fixed seed against
// QuantLib's discrete arithmetic Monte Carlo engine on the same fixing dates, the weight of the
// past average, put-call parity of the average; every refusal, message and T = 0 value.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "../closedform/flatmarket.h"
#include "mctestsupport.h"
#include "montecarlo/EuropeanAsian.h"
#include "numerics/messages.h"
#include "testsupport.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

struct asian {
  double Tavg, T, S, A, K, sigma, r, q;
  std::vector<double> inputs() const { return {Tavg, T, S, A, K, sigma, r, q}; }
};

struct answer {
  double value;
  std::string out;
};

answer call(const std::string& code, const asian& c, const testsupport::parameters& entries = {}) {
  CaptureStdout();
  const double value = testsupport::price(code, c.inputs(), entries);
  return {value, GetCapturedStdout()};
}

testsupport::parameters seeded(double seed, double steps) {
  testsupport::parameters entries;
  entries.set(4, steps).set(5, seed);
  return entries;
}

// e^(-r T) E[max(+-(G - K), 0)], G = A^(1 - w) Gf^w with w = T / Tavg and Gf the continuous
// geometric average of the T still to come: ln Gf = ln S + (r - q - sigma^2 / 2) T / 2 +
// sigma sqrt(T / 3) Z. Simpson's rule over Z in [-12, 12].
double integratedgeometric(const asian& c, int callput) {
  const double w = c.T / c.Tavg, b = c.r - c.q - c.sigma * c.sigma / 2;
  const int intervals = 20000;
  const double lo = -12.0, h = 24.0 / intervals;
  double sum = 0.0;
  for (int i = 0; i <= intervals; ++i) {
    const double z = lo + i * h;
    const double Gf = c.S * std::exp(b * c.T / 2 + c.sigma * std::sqrt(c.T / 3) * z);
    const double G = std::pow(c.A, 1 - w) * std::pow(Gf, w);
    const double weight = (i == 0 || i == intervals) ? 1.0 : (i % 2 ? 4.0 : 2.0);
    sum += weight * std::max(callput * (G - c.K), 0.0) * std::exp(-z * z / 2);
  }
  return std::exp(-c.r * c.T) * sum * h / 3 / std::sqrt(2 * M_PI);
}

TEST(GeometricAsian, FreshStartAgreesWithQuantLibsContinuousEngine) {
  const asian cases[] = {
      {1.0, 1.0, 100, 1, 100, 0.2, 0.05, 0.02},
      {0.5, 0.5, 100, 1, 90, 0.3, 0.08, 0.0},
      {2.0, 2.0, 80, 1, 100, 0.25, 0.03, 0.05},
      {0.25, 0.25, 100, 1, 101, 0.1, 0.0, 0.01},
  };
  for (const asian& c : cases) {
    flatmarket::market m(c.S, c.sigma, c.r, c.q);
    for (int callput : {+1, -1}) {
      using namespace QuantLib;
      auto payoff =
          ext::make_shared<PlainVanillaPayoff>(callput > 0 ? Option::Call : Option::Put, c.K);
      ContinuousAveragingAsianOption option(Average::Geometric, payoff, m.expiry(c.T));
      option.setPricingEngine(
          ext::make_shared<AnalyticContinuousGeometricAveragePriceAsianEngine>(m.process));
      const double value = call(callput > 0 ? "ASIANGARECO" : "ASIANGAREPO", c).value;
      EXPECT_NEAR(value, option.NPV(), 1e-10 * c.S) << c.T << " " << c.K << " " << callput;
    }
  }
}

TEST(GeometricAsian, PastAverageAgreesWithTheIntegratedLawAndParity) {
  const asian cases[] = {
      {1.0, 0.5, 100, 95, 100, 0.2, 0.05, 0.02},
      {1.0, 0.1, 100, 110, 105, 0.3, 0.04, 0.0},
      {2.0, 1.5, 90, 100, 95, 0.25, 0.0, 0.03},
      {0.5, 0.49, 100, 80, 100, 0.2, 0.06, 0.01},
  };
  for (const asian& c : cases) {
    const double C = call("ASIANGARECO", c).value, P = call("ASIANGAREPO", c).value;
    EXPECT_NEAR(C, integratedgeometric(c, +1), 1e-8 * c.S) << c.Tavg << " " << c.T;
    EXPECT_NEAR(P, integratedgeometric(c, -1), 1e-8 * c.S) << c.Tavg << " " << c.T;
    // Parity: C - P = e^(-r T) (E[G] - K), E[G] = A^(1 - w) S^w e^(w b T / 2 + w^2 sigma^2 T / 6).
    const double w = c.T / c.Tavg, b = c.r - c.q - c.sigma * c.sigma / 2;
    const double EG = std::pow(c.A, 1 - w) * std::pow(c.S, w) *
                      std::exp(w * b * c.T / 2 + w * w * c.sigma * c.sigma * c.T / 6);
    EXPECT_NEAR(C - P, std::exp(-c.r * c.T) * (EG - c.K), 1e-10 * c.S);
  }
}

// QuantLib's discrete arithmetic engine on the fixing dates 0, dt, ..., T with dt = T / (M - 1).
struct quantlibarithmetic {
  double value, error;
};
quantlibarithmetic quantlibasian(const asian& c, int callput, int M, int paths, bool control) {
  using namespace QuantLib;
  flatmarket::market m(c.S, c.sigma, c.r, c.q);
  std::vector<Date> fixings;
  for (int k = 0; k < M; ++k) fixings.push_back(m.at(c.T * k / (M - 1)));
  auto payoff = ext::make_shared<PlainVanillaPayoff>(callput > 0 ? Option::Call : Option::Put, c.K);
  DiscreteAveragingAsianOption option(Average::Arithmetic, 0.0, 0, fixings, payoff, m.expiry(c.T));
  option.setPricingEngine(MakeMCDiscreteArithmeticAPEngine<PseudoRandom>(m.process)
                              .withSamples(paths)
                              .withSeed(42)
                              .withControlVariate(control));
  return {option.NPV(), option.errorEstimate()};
}

TEST(ArithmeticAsian, SeededPriceWithinStandardErrorsOfQuantLib) {
  // Monthly points over a year (13 points, 30 days apart in QuantLib's Actual/360 year).
  const int M = 13;
  const asian cases[] = {{1.0, 1.0, 100, 1, 100, 0.2, 0.05, 0.02},
                         {1.0, 1.0, 100, 1, 90, 0.35, 0.03, 0.0}};
  for (const asian& c : cases) {
    for (int callput : {+1, -1}) {
      const double value = call(callput > 0 ? "ASIANAARECO" : "ASIANAAREPO", c, seeded(5, M)).value;
      const quantlibarithmetic reference = quantlibasian(c, callput, M, 10000, true);
      const double error = quantlibasian(c, callput, M, 10000, false).error;  // at our 10,000
      EXPECT_NEAR(value, reference.value, 4 * std::hypot(error, reference.error))
          << c.K << " " << callput;
    }
  }
}

TEST(ArithmeticAsian, PastAverageWeighsTheElapsedPart) {
  // With w = T / Tavg, the payoff max((1 - w) A + w m - K, 0) is w max(m - K', 0) with
  // K' = (K - (1 - w) A) / w: the same draws price both contracts.
  const asian past{1.0, 0.25, 100, 96, 100, 0.2, 0.05, 0.02};
  const double w = past.T / past.Tavg;
  asian fresh = past;
  fresh.Tavg = past.T;
  fresh.K = (past.K - (1 - w) * past.A) / w;
  for (const char* code : {"ASIANAARECO", "ASIANAAREPO"}) {
    const double withpast = call(code, past, seeded(9, 50)).value;
    const double scaled = w * call(code, fresh, seeded(9, 50)).value;
    EXPECT_NEAR(withpast, scaled, 1e-12 * past.S) << code;
  }
}

TEST(ArithmeticAsian, PutCallParityOfTheAverage) {
  // On the same draws C - P = e^(-r T) ((1 - w) A + w mean(m) - K); mean(m) estimates
  // E[m] = S / M sum over k of e^((r - q) k dt), within a few standard errors of m.
  const int M = 40, N = 10000;
  const asian c{1.0, 0.75, 100, 102, 98, 0.25, 0.05, 0.01};
  const double C = call("ASIANAARECO", c, seeded(3, M)).value;
  const double P = call("ASIANAAREPO", c, seeded(3, M)).value;
  const double w = c.T / c.Tavg, dt = c.T / (M - 1);
  double Em = 0.0;
  for (int k = 0; k < M; ++k) Em += c.S * std::exp((c.r - c.q) * k * dt) / M;
  // The average is no more spread than the price at expiry.
  const double deviation =
      c.S * std::exp((c.r - c.q) * c.T) * std::sqrt(std::exp(c.sigma * c.sigma * c.T) - 1);
  EXPECT_NEAR(C - P, std::exp(-c.r * c.T) * ((1 - w) * c.A + w * Em - c.K),
              4 * std::exp(-c.r * c.T) * w * deviation / std::sqrt(N));
}

TEST(Asian, AtExpiryTheIntrinsicValueAgainstThePastAverage) {
  const asian c{1.0, 0.0, 100, 107, 100, 0.2, 0.05, 0.02};
  EXPECT_EQ(call("ASIANGARECO", c).value, 7.0);
  EXPECT_EQ(call("ASIANGAREPO", c).value, 0.0);
  // No simulation: a seedless call gives the same number every time.
  EXPECT_EQ(call("ASIANAARECO", c).value, 7.0);
  EXPECT_EQ(call("ASIANAAREPO", c).value, 0.0);
  asian put = c;
  put.A = 93;
  EXPECT_EQ(call("ASIANAAREPO", put).value, 7.0);
  EXPECT_EQ(call("ASIANGAREPO", put).value, 7.0);
  // Zero steps too: no path is run at T = 0 (the count of 1 keeps its refusal, a decision on the
  // step length T / (M - 1) taken before the engine).
  const answer zero = call("ASIANAARECO", c, seeded(1, 0));
  EXPECT_EQ(zero.value, 7.0);
  EXPECT_EQ(zero.out, "");
}

TEST(Asian, Refusals) {
  const asian base{1.0, 0.5, 100, 98, 100, 0.2, 0.05, 0.02};
  struct refusal {
    const char* what;
    asian contract;
    const char* arithmeticmessage;  // the geometric codes are always silent
  };
  const auto with = [&](auto change) {
    asian c = base;
    change(c);
    return c;
  };
  const std::string input = std::string(messages::valueundefined) + "\n";
  const refusal cases[] = {
      {"negative period", with([](asian& c) { c.Tavg = -1, c.T = -2; }), ""},
      {"T beyond the period", with([](asian& c) { c.T = 1.5; }), ""},
      {"past average 0", with([](asian& c) { c.A = 0; }), ""},
      {"negative T", with([](asian& c) { c.T = -0.1; }), input.c_str()},
      {"spot 0", with([](asian& c) { c.S = 0; }), input.c_str()},
      {"strike 0", with([](asian& c) { c.K = 0; }), input.c_str()},
      {"volatility 0", with([](asian& c) { c.sigma = 0; }), input.c_str()},
      {"negative rate", with([](asian& c) { c.r = -0.01; }), input.c_str()},
      {"negative yield", with([](asian& c) { c.q = -0.01; }), input.c_str()},
  };
  for (const refusal& c : cases) {
    for (const char* code : {"ASIANAARECO", "ASIANAAREPO"}) {
      const answer a = call(code, c.contract, seeded(1, 20));
      EXPECT_TRUE(std::isnan(a.value)) << c.what << " " << code;
      EXPECT_EQ(a.out, c.arithmeticmessage) << c.what << " " << code;
    }
    for (const char* code : {"ASIANGARECO", "ASIANGAREPO"}) {
      const answer a = call(code, c.contract);
      EXPECT_TRUE(std::isnan(a.value)) << c.what << " " << code;
      EXPECT_EQ(a.out, "") << c.what << " " << code;
    }
  }
}

TEST(ArithmeticAsian, StepCounts) {
  const asian c{1.0, 0.5, 100, 98, 100, 0.2, 0.05, 0.02};
  const std::string positive = std::string(messages::stepspositive) + "\n";
  const struct {
    double steps;
    std::string message;
  } cases[] = {{-3, positive}, {0, positive}, {1, std::string(messages::twosteps) + "\n"}};
  for (const auto& s : cases) {
    const answer a = call("ASIANAARECO", c, seeded(1, s.steps));
    EXPECT_TRUE(std::isnan(a.value)) << s.steps;
    EXPECT_EQ(a.out, s.message) << s.steps;
  }
  // Two points, today and the expiry: the average of S and S_T, priced like any other count.
  EXPECT_TRUE(std::isfinite(call("ASIANAARECO", c, seeded(1, 2)).value));
}

TEST(ArithmeticAsian, SensitivityStepsAndTheMemoryLimit) {
  const double S = 100, sigma = 0.2, q = 0.02, one = 1.0;
  mctest::block block;
  const auto instrument = [&](double T, double r) {
    return std::make_unique<marketdata>(1, T, &S, 100.0, &sigma, &one, r, &q);
  };
  struct steps {
    double Tavg, T, r, delta, gamma, vega, theta, rho;
  };
  const steps cases[] = {
      {1.0, 0.5, 0.05, 3.0, std::sqrt(0.03) * 100, 0.006, 0.015, 0.0015},
      // Elapsed 0.02, less than 3% of 1.0: the theta step turns back.
      {1.02, 1.0, 0.0, 3.0, std::sqrt(0.03) * 100, 0.006, -0.03, 0.0},
  };
  for (const steps& c : cases) {
    auto record = instrument(c.T, c.r);
    EuropeanAsian::asianarithmetic a(*record, +1, c.Tavg, 98, block.words);
    const double expected[] = {c.delta, c.gamma, c.vega, c.theta, c.rho};
    for (int s = 1; s <= 5; ++s) EXPECT_NEAR(a.bumpsize(s, 0), expected[s - 1], 1e-15) << s;
    EXPECT_EQ(a.paths, 10000);
    EXPECT_EQ(a.steps, 500);
  }
  // The two-way memory limit (1e9 bytes of draws, one asset).
  auto record = instrument(0.5, 0.05);
  const struct {
    double paths, steps;  // 0: default
    int N, M;
  } limits[] = {{300000, 600, 250000, 500},
                {0, 20000, 10000, 12500},
                {400000, 0, 250000, 500},
                {100000, 1000, 100000, 1000}};
  for (const auto& l : limits) {
    mctest::block counts;
    if (l.paths > 0) counts.set(3, l.paths);
    if (l.steps > 0) counts.set(4, l.steps);
    EuropeanAsian::asianarithmetic a(*record, -1, 1.0, 98, counts.words);
    EXPECT_EQ(a.paths, l.N) << l.paths << " " << l.steps;
    EXPECT_EQ(a.steps, l.M) << l.paths << " " << l.steps;
  }
}

}  // namespace
