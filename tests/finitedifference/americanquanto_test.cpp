// American quantos: the floating-rate codes against the American vanilla tree on E*S, the
// fixed-rate codes against QuantLib's quanto engine over its American finite-difference engine
// and against the vanilla tree on the adjusted drift, the European closed forms where early
// exercise never pays (and below the American value always), a one-step tree by hand, the
// deterministic limit, the steps of parameter entry 4, early results and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <ql/quantlib.hpp>

#include "closedform/EuropeanQuanto.h"
#include "fdtestsupport.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testsupport::price;

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();
const char* const inputerror = "Input data error, value undefined\n";

// E is the exchange rate for the floating-rate codes and the fixed rate Ep for the others.
struct contract {
  double T, S, E, K, sigmaS, sigmaE, rho, r, q, rf;
};

std::string describe(const contract& c) {
  return "T=" + std::to_string(c.T) + " S=" + std::to_string(c.S) + " E=" + std::to_string(c.E) +
         " K=" + std::to_string(c.K) + " sigmaS=" + std::to_string(c.sigmaS) +
         " sigmaE=" + std::to_string(c.sigmaE) + " rho=" + std::to_string(c.rho) +
         " r=" + std::to_string(c.r) + " q=" + std::to_string(c.q) + " rf=" + std::to_string(c.rf);
}

std::vector<double> floatinginputs(const contract& c) {
  return {c.T, c.S, c.E, c.K, c.sigmaS, c.sigmaE, c.rho, c.r, c.q};
}
std::vector<double> fixedinputs(const contract& c) {
  return {c.T, c.S, c.E, c.K, c.sigmaS, c.sigmaE, c.rho, c.r, c.q, c.rf};
}

testsupport::parameters steps(double n) { return testsupport::parameters().set(4, n); }

double combinedvolatility(const contract& c) {
  return std::sqrt(c.sigmaS * c.sigmaS + c.sigmaE * c.sigmaE + 2 * c.rho * c.sigmaS * c.sigmaE);
}
// The yield that gives S the growth rf - q - rho sigmaS sigmaE at the rate r.
double adjustedyield(const contract& c) { return c.r - (c.rf - c.q - c.rho * c.sigmaS * c.sigmaE); }

// Expiries are whole days so that QuantLib's Actual/365 (Fixed) dates give the same T. Yields
// and adjusted yields are above the vanilla call's no-dividend threshold (0.00001).
const contract contracts[] = {
    {73 / 365.0, 100, 1.5, 105, 0.2, 0.10, 0.3, 0.08, 0.04, 0.05},
    {1.0, 50, 0.8, 40, 0.35, 0.12, -0.6, 0.06, 0.02, 0.01},
    {2.0, 1000, 1.1, 1150, 0.15, 0.25, 0.9, 0.05, 0.03, 0.0},
    {146 / 365.0, 20, 110, 22, 0.5, 0.08, 0.0, 0.03, 0.01, 0.02},
    {3.0, 80, 1.0, 70, 0.25, 0.3, -1.0, 0.04, 0.1, 0.04},
};

// QuantLib's finite-difference engine on a fine grid, for QuantLib's quanto engine to wrap.
class finefdengine : public QuantLib::FdBlackScholesVanillaEngine {
 public:
  explicit finefdengine(
      const QuantLib::ext::shared_ptr<QuantLib::GeneralizedBlackScholesProcess>& process)
      : FdBlackScholesVanillaEngine(process, 800, 800) {}
};

// The fixed-rate American quanto under QuantLib's quanto engine (which adjusts the asset's drift
// by the correlation with the exchange rate) over its American finite-difference engine, in
// units of the fixed rate; Ep scales it.
double quantlibamericanquanto(QuantLib::Option::Type type, const contract& c) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  Settings::instance().evaluationDate() = today;
  const DayCounter dc = Actual365Fixed();
  const Date expiry = today + static_cast<int>(std::lround(c.T * 365));
  auto flat = [&](double rate) {
    return Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, rate, dc));
  };
  auto vol = [&](double sigma) {
    return Handle<BlackVolTermStructure>(
        ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc));
  };
  auto process = ext::make_shared<BlackScholesMertonProcess>(
      Handle<Quote>(ext::make_shared<SimpleQuote>(c.S)), flat(c.q), flat(c.r), vol(c.sigmaS));
  QuantoVanillaOption option(ext::make_shared<PlainVanillaPayoff>(type, c.K),
                             ext::make_shared<AmericanExercise>(today, expiry));
  option.setPricingEngine(ext::make_shared<QuantoEngine<VanillaOption, finefdengine>>(
      process, flat(c.rf), vol(c.sigmaE), Handle<Quote>(ext::make_shared<SimpleQuote>(c.rho))));
  return c.E * option.NPV();
}

TEST(AmericanQuanto, FloatingRateIsTheAmericanTreeOnTheDomesticAsset) {
  // E*S is a domestic asset with yield q and the combined volatility: the same tree as the
  // American vanilla codes on it, to the bit.
  for (const contract& c : contracts) {
    for (double n : {100.0, 37.0}) {
      const std::vector<double> vanilla = {c.T, c.E * c.S, c.K, combinedvolatility(c), c.r, c.q};
      EXPECT_EQ(price("QUANTOFSFEACO", floatinginputs(c), steps(n)),
                price("BINACO", vanilla, steps(n)))
          << describe(c) << " steps " << n;
      EXPECT_EQ(price("QUANTOFSFEAPO", floatinginputs(c), steps(n)),
                price("BINAPO", vanilla, steps(n)))
          << describe(c) << " steps " << n;
    }
    // Parameter entry 4 at its default: 100 steps.
    EXPECT_EQ(price("QUANTOFSFEAPO", floatinginputs(c)),
              price("QUANTOFSFEAPO", floatinginputs(c), steps(100)));
  }
}

TEST(AmericanQuanto, FixedRateIsTheVanillaTreeOnTheAdjustedDrift) {
  // S grows at rf - q - rho sigmaS sigmaE and is discounted at r: a vanilla tree with the yield
  // r - (rf - q - rho sigmaS sigmaE), times Ep (equal up to the rounding of that yield).
  for (const contract& c : contracts) {
    const std::vector<double> vanilla = {c.T, c.S, c.K, c.sigmaS, c.r, adjustedyield(c)};
    const double scale = 1e-12 * c.E * c.S;
    EXPECT_NEAR(price("QUANTOFXFEACO", fixedinputs(c)), c.E * price("BINACO", vanilla), scale)
        << describe(c);
    EXPECT_NEAR(price("QUANTOFXFEAPO", fixedinputs(c)), c.E * price("BINAPO", vanilla), scale)
        << describe(c);
  }
}

TEST(AmericanQuanto, FixedRateAgreesWithQuantLibsQuantoEngine) {
  // 2000 steps against QuantLib's engine on an 800 x 800 grid: they agree to 1.6e-4 of the value
  // at worst.
  for (const contract& c : {contracts[0], contracts[1], contracts[3]}) {
    for (QuantLib::Option::Type type : {QuantLib::Option::Call, QuantLib::Option::Put}) {
      const char* code = type == QuantLib::Option::Call ? "QUANTOFXFEACO" : "QUANTOFXFEAPO";
      const double tree = price(code, fixedinputs(c), steps(2000));
      const double peer = quantlibamericanquanto(type, c);
      EXPECT_NEAR(tree, peer, 4e-4 * peer) << code << " " << describe(c);
    }
  }
}

TEST(AmericanQuanto, EuropeanWhereEarlyExerciseNeverPaysAndBelowOtherwise) {
  using namespace EuropeanQuanto;
  for (const contract& c : contracts) {
    const double tolerance = 2e-4 * c.E * c.S;  // the tree's error at 1000 steps
    const double floatingcall = price("QUANTOFSFEACO", floatinginputs(c), steps(1000));
    const double floatingput = price("QUANTOFSFEAPO", floatinginputs(c), steps(1000));
    const double fixedcall = price("QUANTOFXFEACO", fixedinputs(c), steps(1000));
    const double fixedput = price("QUANTOFXFEAPO", fixedinputs(c), steps(1000));
    const double args[] = {c.T, c.S, c.E, c.K, c.sigmaS, c.sigmaE, c.rho, c.r, c.q};
    const double europeanfloatingcall = quantofloatingcall(
        args[0], args[1], args[2], args[3], args[4], args[5], args[6], args[7], args[8]);
    const double europeanfloatingput = quantofloatingput(
        args[0], args[1], args[2], args[3], args[4], args[5], args[6], args[7], args[8]);
    const double europeanfixedcall = quantofixedcall(args[0], args[1], args[2], args[3], args[4],
                                                     args[5], args[6], args[7], args[8], c.rf);
    const double europeanfixedput = quantofixedput(args[0], args[1], args[2], args[3], args[4],
                                                   args[5], args[6], args[7], args[8], c.rf);
    EXPECT_GE(floatingcall, europeanfloatingcall - tolerance) << describe(c);
    EXPECT_GE(floatingput, europeanfloatingput - tolerance) << describe(c);
    EXPECT_GE(fixedcall, europeanfixedcall - tolerance) << describe(c);
    EXPECT_GE(fixedput, europeanfixedput - tolerance) << describe(c);
    // Without a yield on E*S the floating-rate call is never exercised early.
    contract noyield = c;
    noyield.q = 0;
    EXPECT_NEAR(price("QUANTOFSFEACO", floatinginputs(noyield), steps(1000)),
                quantofloatingcall(c.T, c.S, c.E, c.K, c.sigmaS, c.sigmaE, c.rho, c.r, 0.0),
                tolerance)
        << describe(noyield);
    // Nor is the fixed-rate call when S grows at least at r: its adjusted yield is 0 or below.
    contract growing = c;
    growing.q = 0;
    growing.rf = c.r + c.rho * c.sigmaS * c.sigmaE + 0.01;
    if (growing.rf >= 0) {
      EXPECT_NEAR(
          price("QUANTOFXFEACO", fixedinputs(growing), steps(1000)),
          quantofixedcall(c.T, c.S, c.E, c.K, c.sigmaS, c.sigmaE, c.rho, c.r, 0.0, growing.rf),
          tolerance)
          << describe(growing);
    }
  }
  // Deep in the money with a high rate the put is exercised now.
  const contract deep = {1.0, 40, 1.0, 100, 0.2, 0.1, 0.0, 0.1, 0.0, 0.0};
  EXPECT_DOUBLE_EQ(price("QUANTOFSFEAPO", floatinginputs(deep)), 60.0);
  EXPECT_DOUBLE_EQ(price("QUANTOFXFEAPO", fixedinputs(deep)), 60.0);
}

TEST(AmericanQuanto, OneStepTreeByHand) {
  // max(exercise now, the discounted expectation over the two nodes X0 u and X0 / u).
  const contract c = contracts[0];
  auto onestep = [](double X0, double sigma, double growth, double r, double T, double scale,
                    double K, int callput) {
    const double u = std::exp(sigma * std::sqrt(T)), d = 1 / u;
    const double p = (std::exp(growth * T) - d) / (u - d);
    auto g = [&](double X) { return scale * std::max(callput * (X - K), 0.0); };
    return std::max(g(X0), std::exp(-r * T) * (p * g(X0 * u) + (1 - p) * g(X0 * d)));
  };
  const double fixedgrowth = c.rf - c.q - c.rho * c.sigmaS * c.sigmaE;
  EXPECT_NEAR(price("QUANTOFSFEAPO", floatinginputs(c), steps(1)),
              onestep(c.E * c.S, combinedvolatility(c), c.r - c.q, c.r, c.T, 1, c.K, -1), 1e-12);
  EXPECT_NEAR(price("QUANTOFXFEACO", fixedinputs(c), steps(1)),
              onestep(c.S, c.sigmaS, fixedgrowth, c.r, c.T, c.E, c.K, 1), 1e-12);
}

TEST(AmericanQuanto, WithoutCombinedVolatilityTheBestExerciseDateIsTaken) {
  // rho = -1 and sigmaS = sigmaE: E*S grows as E S e^((r - q) t). The value is the largest
  // discounted exercise value over the exercise dates, found here by a scan of [0, T].
  struct row {
    double T, S, E, K, r, q;
  };
  const row rows[] = {
      {1.0, 100, 1.0, 90, 0.05, 0.08},   // call: exercise now (the yield outgrows the rate)
      {1.0, 100, 1.0, 90, 0.08, 0.02},   // call: at expiry
      {2.0, 100, 1.0, 110, 0.06, 0.0},   // put: now
      {4.0, 100, 1.0, 101, 0.02, 0.05},  // put: E S falls below K later
      {5.0, 100, 1.0, 60, 0.10, 0.05},   // call: at the interior stationary date
      {1.0, 50, 2.0, 100, 0.03, 0.03},   // r = q: never in the money
  };
  for (const row& w : rows) {
    for (int callput : {1, -1}) {
      double scan = 0;
      for (int k = 0; k <= 100000; ++k) {
        const double t = w.T * k / 100000;
        const double X = w.E * w.S * std::exp((w.r - w.q) * t);
        scan = std::max(scan, std::exp(-w.r * t) * std::max(callput * (X - w.K), 0.0));
      }
      const std::vector<double> in = {w.T, w.S, w.E, w.K, 0.2, 0.2, -1.0, w.r, w.q};
      const double value = price(callput > 0 ? "QUANTOFSFEACO" : "QUANTOFSFEAPO", in);
      EXPECT_NEAR(value, scan, 1e-9 * w.E * w.S)
          << "T=" << w.T << " K=" << w.K << " r=" << w.r << " q=" << w.q << " cp=" << callput;
    }
  }
}

TEST(AmericanQuanto, ExpiryPaysTheExerciseValue) {
  const contract c = {0, 100, 1.5, 140, 0.2, 0.1, 0.3, 0.05, 0.02, 0.03};
  EXPECT_EQ(price("QUANTOFSFEACO", floatinginputs(c)), 10.0);
  EXPECT_EQ(price("QUANTOFSFEAPO", floatinginputs(c)), 0.0);
  EXPECT_EQ(price("QUANTOFXFEACO", fixedinputs(c)), 0.0);
  EXPECT_EQ(price("QUANTOFXFEAPO", fixedinputs(c)), 1.5 * 40);
  // No tree is built at T = 0: steps out of range do not matter.
  EXPECT_EQ(price("QUANTOFXFEAPO", fixedinputs(c), steps(0)), 1.5 * 40);
}

TEST(AmericanQuanto, RefusalsWriteTheMessage) {
  const contract base = contracts[0];
  struct refusal {
    int input;
    double value;
  };
  // T < 0, prices <= 0, K <= 0, volatilities <= 0, |rho| > 1, rates and yields < 0.
  const refusal cases[] = {{0, -1},   {1, 0},     {2, -1.5},  {3, 0},     {4, 0},    {5, -0.1},
                           {6, 1.01}, {6, -1.01}, {7, -0.01}, {8, -0.01}, {9, -0.01}};
  for (const refusal& c : cases) {
    for (const char* code : {"QUANTOFSFEACO", "QUANTOFSFEAPO", "QUANTOFXFEACO", "QUANTOFXFEAPO"}) {
      const bool fixed = std::string(code).find("FX") != std::string::npos;
      if (!fixed && c.input == 9) continue;
      std::vector<double> in = fixed ? fixedinputs(base) : floatinginputs(base);
      in[c.input] = c.value;
      CaptureStdout();
      const double value = price(code, in);
      EXPECT_EQ(GetCapturedStdout(), inputerror) << code << " input " << c.input;
      EXPECT_TRUE(isundefined(value)) << code << " input " << c.input << " = " << c.value;
    }
  }
  // Correlations of exactly +-1 are accepted.
  for (double rho : {1.0, -1.0}) {
    contract c = base;
    c.rho = rho;
    EXPECT_TRUE(std::isfinite(price("QUANTOFSFEACO", floatinginputs(c)))) << rho;
    EXPECT_TRUE(std::isfinite(price("QUANTOFXFEAPO", fixedinputs(c)))) << rho;
  }
  // A table shorter than the code's inputs.
  CaptureStdout();
  const double shorttable = price("QUANTOFXFEACO", floatinginputs(base));
  EXPECT_EQ(GetCapturedStdout(), inputerror);
  EXPECT_TRUE(isundefined(shorttable));
}

TEST(AmericanQuanto, TreesThatCannotWorkAreRefusedWithAMessage) {
  const contract c = contracts[0];
  for (double n : {0.0, -3.0, 100001.0, 1e300, nan, inf}) {
    CaptureStdout();
    const double value = price("QUANTOFSFEAPO", floatinginputs(c), steps(n));
    EXPECT_EQ(GetCapturedStdout(), "Tree steps out of range, value undefined\n") << n;
    EXPECT_TRUE(isundefined(value)) << n;
  }
  // A growth of 0.3 a year against a volatility of 0.001: the up probability is far above 1.
  contract strong = c;
  strong.sigmaS = 0.001;
  strong.rf = 0.3;
  CaptureStdout();
  const double outside = price("QUANTOFXFEACO", fixedinputs(strong));
  EXPECT_EQ(GetCapturedStdout(), "Tree probability outside [0, 1], value undefined\n");
  EXPECT_TRUE(isundefined(outside));
}

TEST(AmericanQuanto, SpecialValues) {
  // A NaN input gives NaN, never a number and never the undefined value; infinite inputs end in a
  // refusal or a number, never a crash.
  for (std::size_t k = 0; k < 10; ++k) {
    std::vector<double> in = fixedinputs(contracts[1]);
    in[k] = nan;
    CaptureStdout();
    const double fixed = price("QUANTOFXFEAPO", in);
    const double floating =
        k < 9 ? price("QUANTOFSFEACO", std::vector<double>(in.begin(), in.end() - 1)) : nan;
    GetCapturedStdout();
    EXPECT_TRUE(std::isnan(fixed) && !isundefined(fixed)) << k;
    EXPECT_TRUE(std::isnan(floating) && !isundefined(floating)) << k;
    in[k] = inf;
    CaptureStdout();
    price("QUANTOFXFEAPO", in);
    price("QUANTOFSFEACO", std::vector<double>(in.begin(), in.end() - 1));
    GetCapturedStdout();
  }
}

// Under the precise option: a table of contracts (whole days, adjusted yields of both signs)
// against QuantLib's fixed-point American engine at its accurate scheme (about 1e-8) on the
// underlying each tree runs on (E S with the combined volatility and yield q; S with the adjusted
// yield), or the European closed form where early exercise never pays (a call whose underlying
// yields nothing or less). Target: max(1e-5 price, 1e-7 K) at the option's default steps; at
// explicit steps the option is never further from the reference than the design's tree of those
// steps (from 50 steps: below that an odd-step design tree can land nearer by a cancellation, as
// the first contract's put does at 25 steps, 0.0025 against 0.0028).
double quantlibconverged(QuantLib::Option::Type type, int days, double X, double K, double sigma,
                         double r, double yield) {
  using namespace QuantLib;
  const double T = days / 365.0;
  if (type == Option::Call && yield <= 0)
    return fdtest::quantlibeuropean(type, T, X, K, sigma, r, yield);
  const Date today(15, May, 2024);
  const fdtest::market m{days, X, K, sigma, r, yield};
  VanillaOption option(ext::make_shared<PlainVanillaPayoff>(type, K),
                       ext::make_shared<AmericanExercise>(today, today + days));
  option.setPricingEngine(ext::make_shared<QdFpAmericanEngine>(
      fdtest::quantlibprocess(m, today), QdFpAmericanEngine::accurateScheme()));
  return option.NPV();
}

TEST(AmericanQuanto, PreciseOptionConvergesAndNeverDoesWorse) {
  struct row {
    int days;
    contract c;  // c.T is set from days
  };
  const row rows[] = {
      {73, {0, 100, 1.5, 105, 0.2, 0.10, 0.3, 0.08, 0.04, 0.05}},
      {365, {0, 50, 0.8, 40, 0.35, 0.12, -0.6, 0.06, 0.02, 0.01}},
      {730, {0, 1000, 1.1, 1150, 0.15, 0.25, 0.9, 0.05, 0.03, 0.0}},
      {146, {0, 20, 1.1, 22, 0.5, 0.08, 0.0, 0.03, 0.01, 0.08}},
      {7, {0, 100, 1.0, 100, 0.3, 0.1, 0.5, 0.05, 0.02, 0.03}},
  };
  const testsupport::parameters precise = testsupport::parameters().set(entryoptions, 0, 1);
  for (const row& w : rows) {
    contract c = w.c;
    c.T = w.days / 365.0;
    const double sigma = combinedvolatility(c), yieldfixed = adjustedyield(c);
    for (const bool callside : {true, false}) {
      const QuantLib::Option::Type type = callside ? QuantLib::Option::Call : QuantLib::Option::Put;
      const std::string floatingcode = callside ? "QUANTOFSFEACO" : "QUANTOFSFEAPO";
      const std::string fixedcode = callside ? "QUANTOFXFEACO" : "QUANTOFXFEAPO";
      const struct {
        std::string code;
        std::vector<double> inputs;
        double reference;
      } cases[] = {
          {floatingcode, floatinginputs(c),
           quantlibconverged(type, w.days, c.E * c.S, c.K, sigma, c.r, c.q)},
          {fixedcode, fixedinputs(c),
           c.E * quantlibconverged(type, w.days, c.S, c.K, c.sigmaS, c.r, yieldfixed)},
      };
      for (const auto& k : cases) {
        const double tolerance =
            std::max(1e-5 * k.reference, 1e-7 * c.K * (k.code == fixedcode ? c.E : 1.0));
        EXPECT_NEAR(price(k.code, k.inputs, precise), k.reference, tolerance)
            << k.code << " " << describe(c);
        for (double n : {50.0, 100.0, 400.0}) {
          const double design = price(k.code, k.inputs, steps(n));
          const double improved =
              price(k.code, k.inputs, testsupport::parameters().set(entryoptions, 0, 1).set(4, n));
          EXPECT_LE(std::fabs(improved - k.reference), std::fabs(design - k.reference))
              << k.code << " steps " << n << " " << describe(c);
        }
      }
    }
  }
}

// Under the option, extreme inputs answer a number wherever the design's tree does (its smoothed
// last step and its extrapolation must not turn an overflowed or underflowed tree into NaN).
TEST(AmericanQuanto, PreciseOptionAnswersWhereTheDesignAnswers) {
  const testsupport::parameters precise = testsupport::parameters().set(entryoptions, 0, 1);
  const std::vector<std::vector<double>> rows = {
      {1e-9, 100, 1, 100, 0.2, 0.1, 0, 0.05, 0.02}, {100, 100, 1, 100, 5, 0.1, 0, 0.5, 0},
      {1, 1e-6, 1, 100, 0.2, 0.1, 0, 0.05, 0.02},   {1, 1e6, 1, 100, 0.2, 0.1, 0, 0.05, 0.02},
      {5, 100, 1, 100, 0.01, 0.01, 0.5, 0, 0.1},
  };
  for (const char* code : {"QUANTOFSFEACO", "QUANTOFSFEAPO"})
    for (const std::vector<double>& inputs : rows)
      for (double n : {1.0, 2.0, 2000.0}) {
        const double design = price(code, inputs, steps(n));
        const double improved = price(code, inputs, testsupport::parameters(precise).set(4, n));
        EXPECT_TRUE(std::isnan(design) || !std::isnan(improved)) << code << " steps " << n;
      }
}

// A 100-year tree at a volatility of 5 has node prices past the largest double. The call's value
// came out as +inf, reported as a price, and then undefined; the tree now values itself again
// with the price as numeraire. References: a call on a price without yield (the quanto's E S,
// q = 0) is never exercised early and is worth S - K e^(-rT) N(d2), here S to 1e-18; with a
// yield q > 0 the American call lies between the European S e^(-qT) N(d1) - K e^(-rT) N(d2)
// (36.79 here) and the perpetual call (McKean 1965, Merton 1973):
// (S* - K) (S / S*)^beta, S* = beta K / (beta - 1), beta = 1/2 - b / sigma^2 +
// sqrt((b / sigma^2 - 1/2)^2 + 2 r / sigma^2), b = r - q: 99.37345 here, and a hundred years at
// sigma = 5 is all but perpetual. The tree's first-order error keeps 1000 steps 0.14% below it.
TEST(AmericanQuanto, OverflowingTreeValuesItselfWithThePriceAsNumeraire) {
  const std::vector<double> quanto = {100, 100, 1, 100, 5, 0.1, 0, 0.5, 0};
  const testsupport::parameters precise = testsupport::parameters().set(entryoptions, 0, 1);
  for (const testsupport::parameters& entries :
       {steps(1000), testsupport::parameters(precise).set(4, 1000)}) {
    CaptureStdout();
    EXPECT_NEAR(price("QUANTOFSFEACO", quanto, entries), 100.0, 1e-9);
    EXPECT_EQ(GetCapturedStdout(), "");
  }
  const double S = 100, K = 100, sigma = 5, r = 0.5, q = 0.01, b = r - q;
  const double beta = 0.5 - b / (sigma * sigma) +
                      std::sqrt(std::pow(b / (sigma * sigma) - 0.5, 2) + 2 * r / (sigma * sigma));
  const double boundary = beta * K / (beta - 1);
  const double perpetual = (boundary - K) * std::pow(S / boundary, beta);
  const double european = fdtest::quantlibeuropean(QuantLib::Option::Call, 100, S, K, sigma, r, q);
  const std::vector<double> vanilla = {100, S, K, sigma, r, q};
  const double coarse = price("BINACO", vanilla, steps(1000));
  const double fine = price("BINACO", vanilla, steps(4000));
  EXPECT_GT(coarse, european);
  EXPECT_LT(fine, perpetual);
  EXPECT_NEAR(coarse, perpetual, 2e-3 * perpetual);
  EXPECT_LT(perpetual - fine, 0.5 * (perpetual - coarse));  // first order: a quarter, nearly
  // The put's payoff stays finite on the same tree: still a price, within 0 and K.
  const double put = price("BINAPO", vanilla, steps(1000));
  EXPECT_GE(put, 0.0);
  EXPECT_LE(put, 100.0);
}

}  // namespace
