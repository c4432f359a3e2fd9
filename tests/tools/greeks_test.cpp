// Sensitivities through the entry points (tools/sensitivities/greeks.h): Black-Scholes and
// Black-76 greeks against closed forms written here, digitals against the greeks of QuantLib's
// analytic engine, barriers against differences of QuantLib's analytic barrier prices, the
// American put against QuantLib's finite-difference engine; the grid cache giving the same bits
// as fresh solves, the modes and seeds of the calls, and the vector and counted paths on stand-ins
// of the simulation codes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "../closedform/flatmarket.h"
#include "codeentries.h"
#include "greeks.h"
#include "inputroles.h"
#include "onecolumn.h"
#include "testsupport.h"

namespace {

using namespace sensitivities;
using QuantLib::Option;

const double nan = std::numeric_limits<double>::quiet_NaN();

greeksreport greeksofcall(const pricingcall& call, greekselection which = {}) {
  hostpricer calls(testsupport::library());
  return greeksof(calls, call, which);
}

// The sensitivity of the report taken in the input named (empty: theta); NaN when absent.
double valueof(const greeksreport& report, greek which, const std::string& input = "") {
  for (const sensitivity& s : report.sensitivities)
    if (s.which == which && s.input == input) return s.available ? s.value : nan;
  return nan;
}

// The normal law.
double N(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }
double density(double x) { return std::exp(-0.5 * x * x) / std::sqrt(2.0 * M_PI); }

// A European option on a forward F paid at T and discounted at r (Black, 1976): Black-Scholes
// with dividend yield q is F = S e^((r-q)T). The greeks are those of the formula, in F.
struct black {
  double value, delta, gamma, vega;
};

black blackformula(bool call, double T, double F, double K, double sigma, double r) {
  const double discount = std::exp(-r * T);
  if (T == 0) return {std::fmax(call ? F - K : K - F, 0.0), 0, 0, 0};
  const double v = sigma * std::sqrt(T), d1 = std::log(F / K) / v + v / 2, d2 = d1 - v;
  const double w = call ? 1.0 : -1.0;
  return {discount * w * (F * N(w * d1) - K * N(w * d2)), discount * w * N(w * d1),
          discount * density(d1) / (F * v), discount * F * density(d1) * std::sqrt(T)};
}

struct vanilla {
  double T, S, K, sigma, r, q;
};

// Spot below, at and above the strike; short and long expiries; a rate of 0; an expiry under a
// day away.
const vanilla vanillas[] = {
    {1.0, 100, 100, 0.2, 0.05, 0.02},    {0.25, 90, 100, 0.3, 0.01, 0.0},
    {2.0, 120, 100, 0.15, 0.08, 0.04},   {0.01, 100, 101, 0.5, 0.03, 0.0},
    {10.0, 50, 80, 0.35, 0.02, 0.01},    {0.5, 100, 60, 0.9, 0.0, 0.1},
    {0.002, 102, 100, 0.25, 0.04, 0.01},
};

std::string describe(const vanilla& c) {
  return "T=" + std::to_string(c.T) + " S=" + std::to_string(c.S) + " K=" + std::to_string(c.K) +
         " sigma=" + std::to_string(c.sigma) + " r=" + std::to_string(c.r) +
         " q=" + std::to_string(c.q);
}

// Within tolerance of expected, relative to its size above 1.
void expectnear(double value, double expected, double tolerance, const std::string& what) {
  EXPECT_NEAR(value, expected, tolerance * std::fmax(1.0, std::fabs(expected))) << what;
}

// The prices of a formula at x - h, x and x + h, h the tool's step for an input of the role.
bumpedprices formulaprices(const std::function<double(double)>& price, inputrole role, double x) {
  const double h = bumpsize(role, x);
  return {x - h, x, x + h, price(x - h), price(x), price(x + h)};
}

// Each greek twice: against the central difference of the closed form with the tool's own step
// (tight: only rounding separates them, so a wrong step or a wrong input shows), and against the
// closed-form derivative (loose: the step's truncation, h^2/6 of the third derivative, reaches
// 2e-6 for a delta two days from expiry and 1e-4 for the rho of a ten-year put of 530).
struct greekcheck {
  const char* name;
  double reported, difference, exact;
};
void expectgreeks(const std::vector<greekcheck>& checks, const std::string& what) {
  for (const greekcheck& g : checks) {
    expectnear(g.reported, g.difference, 1e-8, what + " " + g.name + " (same step)");
    expectnear(g.reported, g.exact, 1e-5, what + " " + g.name);
  }
}

TEST(Greeks, BlackScholesAgainstItsClosedForms) {
  for (const vanilla& c : vanillas) {
    for (const bool call : {true, false}) {
      const greeksreport report =
          greeksofcall(contract(call ? "BSECO" : "BSEPO", {c.T, c.S, c.K, c.sigma, c.r, c.q}));
      auto priced = [&](double T, double S, double sigma, double r) {
        const double forward = S * std::exp((r - c.q) * T);
        black b = blackformula(call, T, forward, c.K, sigma, r);
        const double growth = forward / S;  // dF/dS
        return black{b.value, b.delta * growth, b.gamma * growth * growth, b.vega};
      };
      const black exact = priced(c.T, c.S, c.sigma, c.r);
      // d/dr of e^(-rT) E[payoff(F)] with F = S e^((r-q)T): -T V + T F dV/dF.
      const double rho = -c.T * exact.value + c.T * c.S * exact.delta;
      const double theta =
          priced(std::fmax(c.T - 1.0 / 365, 0.0), c.S, c.sigma, c.r).value - exact.value;
      const bumpedprices S = formulaprices(
          [&](double s) { return priced(c.T, s, c.sigma, c.r).value; }, inputrole::spot, c.S);
      const bumpedprices sigma = formulaprices(
          [&](double v) { return priced(c.T, c.S, v, c.r).value; }, inputrole::volatility, c.sigma);
      const std::string what = (call ? "BSECO " : "BSEPO ") + describe(c);
      ASSERT_FALSE(report.refused) << what;
      expectnear(report.price, exact.value, 1e-12, what + " price");
      expectgreeks(
          {{"delta", valueof(report, greek::delta, "S"), firstdifference(S), exact.delta},
           {"gamma", valueof(report, greek::gamma, "S"), seconddifference(S), exact.gamma},
           {"vega", valueof(report, greek::vega, "sigma"), firstdifference(sigma), exact.vega}},
          what);
      expectnear(valueof(report, greek::theta), theta, 1e-10, what + " theta");
      // At r = 0 the lower bump is refused: rho is the upper one-sided difference, O(1e-4).
      if (c.r == 0) {
        expectnear(valueof(report, greek::rho, "r"), rho, 1e-3, what + " rho");
        continue;
      }
      const bumpedprices r = formulaprices(
          [&](double x) { return priced(c.T, c.S, c.sigma, x).value; }, inputrole::rate, c.r);
      expectgreeks({{"rho", valueof(report, greek::rho, "r"), firstdifference(r), rho}}, what);
    }
  }
}

// Under the negative-rates option both bumps of r = 0 are priced: rho is central again.
TEST(Greeks, RhoAtZeroRateIsCentralUnderNegativeRates) {
  const double T = 1, S = 100, K = 100, sigma = 0.2, q = 0.0;
  pricingcall call = contract("BSECO", {T, S, K, sigma, 0.0, q});
  call.setvalue(entryoptions, optionnegativerates, 1.0);
  const greeksreport report = greeksofcall(call);
  ASSERT_FALSE(report.refused);
  // rho of the call at r = 0: K T e^(-rT) N(d2).
  const double d2 = (std::log(S / K) - sigma * sigma * T / 2) / (sigma * std::sqrt(T));
  const double rho = K * T * 0.5 * std::erfc(-d2 / std::sqrt(2.0));
  expectnear(valueof(report, greek::rho, "r"), rho, 1e-6, "BSECO rho at r = 0");
}

TEST(Greeks, Black76InTheForward) {
  for (const vanilla& c : vanillas) {
    for (const bool call : {true, false}) {
      const double F = c.S;
      const greeksreport report =
          greeksofcall(contract(call ? "BLACK76ECO" : "BLACK76EPO", {c.T, F, c.K, c.sigma, c.r}));
      const black exact = blackformula(call, c.T, F, c.K, c.sigma, c.r);
      auto priced = [&](double f, double sigma, double r) {
        return blackformula(call, c.T, f, c.K, sigma, r).value;
      };
      const std::string what = (call ? "BLACK76ECO " : "BLACK76EPO ") + describe(c);
      expectnear(report.price, exact.value, 1e-12, what);
      const bumpedprices forward =
          formulaprices([&](double f) { return priced(f, c.sigma, c.r); }, inputrole::spot, F);
      const bumpedprices sigma = formulaprices([&](double v) { return priced(F, v, c.r); },
                                               inputrole::volatility, c.sigma);
      expectgreeks(
          {{"delta", valueof(report, greek::delta, "F"), firstdifference(forward), exact.delta},
           {"gamma", valueof(report, greek::gamma, "F"), seconddifference(forward), exact.gamma},
           {"vega", valueof(report, greek::vega, "sigma"), firstdifference(sigma), exact.vega}},
          what);
      const double theta =
          blackformula(call, std::fmax(c.T - 1.0 / 365, 0.0), F, c.K, c.sigma, c.r).value -
          exact.value;
      expectnear(valueof(report, greek::theta), theta, 1e-10, what + " theta");
      if (c.r == 0) {
        expectnear(valueof(report, greek::rho, "r"), -c.T * exact.value, 1e-3, what + " rho");
        continue;
      }
      const bumpedprices r =
          formulaprices([&](double x) { return priced(F, c.sigma, x); }, inputrole::rate, c.r);
      expectgreeks(
          {{"rho", valueof(report, greek::rho, "r"), firstdifference(r), -c.T * exact.value}},
          what);
    }
  }
}

// A digital in QuantLib's analytic European engine on a flat market counted in whole days of an
// Actual/365 year, so that one day less to expiry is a date one day earlier.
using strikedpayoff = QuantLib::ext::shared_ptr<QuantLib::StrikedTypePayoff>;
QuantLib::VanillaOption quantlibdigital(const strikedpayoff& payoff, int days, const vanilla& c) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  Settings::instance().evaluationDate() = today;
  const DayCounter daycount = Actual365Fixed();
  auto flat = [&](double rate) {
    return Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, rate, daycount));
  };
  auto process = ext::make_shared<BlackScholesMertonProcess>(
      Handle<Quote>(ext::make_shared<SimpleQuote>(c.S)), flat(c.q), flat(c.r),
      Handle<BlackVolTermStructure>(
          ext::make_shared<BlackConstantVol>(today, NullCalendar(), c.sigma, daycount)));
  VanillaOption option(payoff, ext::make_shared<EuropeanExercise>(today + days));
  option.setPricingEngine(ext::make_shared<AnalyticEuropeanEngine>(process));
  return option;
}

// QuantLib's analytic European engine reports delta, gamma, vega and rho of digitals; theta is
// its price one day nearer expiry less its price today.
TEST(Greeks, DigitalsAgainstQuantLibAnalyticGreeks) {
  using namespace QuantLib;
  struct digital {
    const char* code;
    Option::Type side;
    bool cash;
  };
  const digital digitals[] = {{"BSEDCO", Option::Call, true},
                              {"BSEDPO", Option::Put, true},
                              {"BSEDACO", Option::Call, false},
                              {"BSEDAPO", Option::Put, false}};
  const int days[] = {146, 365};  // T = 0.4 and 1
  const vanilla markets[] = {{146 / 365.0, 100, 95, 0.25, 0.05, 0.02},
                             {365 / 365.0, 90, 100, 0.3, 0.03, 0.0}};
  for (int m = 0; m < 2; ++m) {
    const vanilla& c = markets[m];
    for (const digital& d : digitals) {
      ext::shared_ptr<StrikedTypePayoff> payoff;
      if (d.cash)
        payoff = ext::make_shared<CashOrNothingPayoff>(d.side, c.K, 1.0);
      else
        payoff = ext::make_shared<AssetOrNothingPayoff>(d.side, c.K);
      VanillaOption option = quantlibdigital(payoff, days[m], c);
      const double nextday = quantlibdigital(payoff, days[m] - 1, c).NPV();
      const greeksreport report =
          greeksofcall(contract(d.code, {c.T, c.S, c.K, c.sigma, c.r, c.q, d.cash ? 0.0 : 1.0}));
      const std::string what = std::string(d.code) + " " + describe(c);
      expectnear(report.price, option.NPV(), 1e-11, what);
      expectnear(valueof(report, greek::delta, "S"), option.delta(), 1e-7, what + " delta");
      expectnear(valueof(report, greek::gamma, "S"), option.gamma(), 1e-7, what + " gamma");
      expectnear(valueof(report, greek::vega, "sigma"), option.vega(), 1e-6, what + " vega");
      expectnear(valueof(report, greek::rho, "r"), option.rho(), 1e-6, what + " rho");
      expectnear(valueof(report, greek::theta), nextday - option.NPV(), 1e-10, what + " theta");
    }
  }
}

// QuantLib's analytic barrier engine reports prices only: its delta, gamma, vega and rho are
// taken here by central differences of its prices with a step of 1e-3 (ten times ours).
TEST(Greeks, BarriersAgainstDifferencesOfQuantLibAnalyticPrices) {
  using namespace QuantLib;
  struct barrier {
    const char* code;
    Barrier::Type type;
    Option::Type side;
    double H;
  };
  const barrier barriers[] = {{"DOWNOUTECO", Barrier::DownOut, Option::Call, 90},
                              {"DOWNINEPO", Barrier::DownIn, Option::Put, 90},
                              {"UPOUTEPO", Barrier::UpOut, Option::Put, 115},
                              {"UPINECO", Barrier::UpIn, Option::Call, 115}};
  const double T = 0.5, S = 100, X = 100, sigma = 0.25, r = 0.05, q = 0.02, R = 3;
  for (const barrier& b : barriers) {
    auto npv = [&](double s, double vol, double rate) {
      flatmarket::market m(s, vol, rate, q);
      BarrierOption option(b.type, b.H, R, ext::make_shared<PlainVanillaPayoff>(b.side, X),
                           m.expiry(T));
      option.setPricingEngine(ext::make_shared<AnalyticBarrierEngine>(m.process));
      return option.NPV();
    };
    const double hs = 1e-3 * S, hv = 1e-3 * sigma, hr = 1e-3;
    const double up = npv(S + hs, sigma, r), down = npv(S - hs, sigma, r), V = npv(S, sigma, r);
    const greeksreport report = greeksofcall(contract(b.code, {T, S, b.H, X, sigma, r, q, R}));
    const std::string what = b.code;
    expectnear(report.price, V, 1e-9, what);
    expectnear(valueof(report, greek::delta, "S"), (up - down) / (2 * hs), 1e-5, what + " delta");
    expectnear(valueof(report, greek::gamma, "S"), (up - 2 * V + down) / (hs * hs), 1e-5,
               what + " gamma");
    expectnear(valueof(report, greek::vega, "sigma"),
               (npv(S, sigma + hv, r) - npv(S, sigma - hv, r)) / (2 * hv), 1e-5, what + " vega");
    expectnear(valueof(report, greek::rho, "r"),
               (npv(S, sigma, r + hr) - npv(S, sigma, r - hr)) / (2 * hr), 1e-5, what + " rho");
  }
}

// QuantLib's finite-difference engine reports delta and gamma off its grid. Both grids are fine
// enough that the two lie within 2e-3 of each other (the default grids differ by per cents).
TEST(Greeks, AmericanPutAgainstQuantLibFiniteDifferences) {
  using namespace QuantLib;
  const double T = 1.0, K = 100, sigma = 0.2, r = 0.05, q = 0.02;
  for (const double S : {90.0, 100.0, 110.0}) {
    flatmarket::market m(S, sigma, r, q);
    VanillaOption option(ext::make_shared<PlainVanillaPayoff>(Option::Put, K),
                         ext::make_shared<AmericanExercise>(m.today, m.at(T)));
    option.setPricingEngine(ext::make_shared<FdBlackScholesVanillaEngine>(m.process, 400, 400));
    pricingcall call = contract("BSAPO", {T, S, K, sigma, r, q});
    call.set(entrygrid, 2001, 401);
    greekselection spotgreeks{bitof(greek::delta) | bitof(greek::gamma)};
    const greeksreport report = greeksofcall(call, spotgreeks);
    const std::string what = "BSAPO S=" + std::to_string(S);
    EXPECT_NEAR(report.price, option.NPV(), 2e-3) << what;
    EXPECT_NEAR(valueof(report, greek::delta, "S"), option.delta(), 2e-3) << what;
    EXPECT_NEAR(valueof(report, greek::gamma, "S"), option.gamma(), 2e-4) << what;
  }
}

// Delta and gamma of a grid code come off the grid that the price solved and kept (mode 0): the
// grid does not move with the spot, so they are the very bits of fresh solves at S - h and S + h.
TEST(Greeks, GridSpotGreeksAreFreshSolvesToTheBit) {
  for (const char* code : {"BSAPO", "BSACO"}) {
    for (const double nodes : {0.0, 401.0}) {
      pricingcall call = contract(code, {1.0, 97.3, 100, 0.25, 0.04, 0.03});
      testsupport::parameters fresh;
      fresh.set(entrymode, 1);
      if (nodes > 0) {
        call.set(entrygrid, nodes, 101);
        fresh.set(entrygrid, nodes, 101);
      }
      const greeksreport report =
          greeksofcall(call, greekselection{bitof(greek::delta) | bitof(greek::gamma)});
      const double S = 97.3, h = bumpsize(inputrole::spot, S);
      auto solved = [&](double s) {
        return testsupport::price(code, {1.0, s, 100, 0.25, 0.04, 0.03}, fresh);
      };
      const bumpedprices p{S - h, S, S + h, solved(S - h), solved(S), solved(S + h)};
      EXPECT_EQ(report.price, p.centre) << code << " " << nodes;
      EXPECT_EQ(valueof(report, greek::delta, "S"), firstdifference(p)) << code << " " << nodes;
      EXPECT_EQ(valueof(report, greek::gamma, "S"), seconddifference(p)) << code << " " << nodes;
    }
  }
}

// A pricer that records what each call asked for and passes it on (or answers it itself).
class recordingpricer : public pricer {
 public:
  struct call {
    bool vector;
    double mode;      // NaN when the flag asks for the default
    double selector;  // likewise
    double seed;      // likewise
    std::vector<std::vector<double>> rows;
  };
  std::function<double(const pricingcall&)> scalar;
  std::function<std::vector<double>(const pricingcall&)> vectorial;
  std::vector<call> calls;

  scalaranswer fun(const pricingcall& c) override {
    record(c);
    return {false, scalar(c)};
  }
  vectoranswer funvec(const pricingcall& c) override {
    record(c);
    return {false, vectorial(c)};
  }
  void showmessages(bool on) override { shown.push_back(on); }
  std::vector<bool> shown;

 private:
  void record(const pricingcall& c) {
    auto entry = [&](int e) { return c.flags[e] == 0 ? c.entries[e][0] : nan; };
    calls.push_back(
        {c.vector, entry(entrymode), entry(entrysensitivity), entry(entryoptions), c.rows});
  }
};

// The price and the spot bumps in mode 0 (the kept grid), every other bump afresh in mode 1; one
// seed for the whole request; the library's messages shown for the price alone.
TEST(Greeks, ModesSeedsAndMessagesOfTheCalls) {
  hostpricer library(testsupport::library());
  recordingpricer recorder;
  recorder.scalar = [&](const pricingcall& c) { return library.fun(c).value; };
  const greeksreport report =
      greeksof(recorder, contract("BSAPO", {1.0, 100, 100, 0.2, 0.05, 0.02}));
  ASSERT_EQ(recorder.calls.size(), 1u + 2 + 2 + 1 + 2);  // price, S, sigma, T, r
  const double modes[] = {0, 0, 0, 1, 1, 1, 1, 1};
  for (std::size_t i = 0; i < recorder.calls.size(); ++i) {
    EXPECT_EQ(recorder.calls[i].mode, modes[i]) << i;
    EXPECT_TRUE(std::isnan(recorder.calls[i].selector)) << i;
    EXPECT_GE(recorder.calls[i].seed, 1.0) << i;
    EXPECT_EQ(recorder.calls[i].seed, recorder.calls[0].seed) << i;
  }
  EXPECT_EQ(recorder.calls[3].rows[3][0], 0.2 + bumpsize(inputrole::volatility, 0.2));
  EXPECT_EQ(recorder.calls[5].rows[0][0], 1.0 - oneday);
  EXPECT_EQ(recorder.shown.back(), true);  // messages on again when the request ends
  // A seed the caller gives is the seed of every call.
  pricingcall seeded = contract("BSECO", {1.0, 100, 100, 0.2, 0.05, 0.02});
  seeded.set(entryoptions, 42, 1);
  recorder.calls.clear();
  greeksof(recorder, seeded);
  for (const auto& c : recorder.calls) EXPECT_EQ(c.seed, 42);
  // A step below the caches' tolerance is priced afresh: S = 0.5 moves by 5e-5.
  recorder.calls.clear();
  greeksof(recorder, contract("BSAPO", {1.0, 0.5, 0.6, 0.2, 0.05, 0.02}),
           greekselection{bitof(greek::delta)});
  ASSERT_EQ(recorder.calls.size(), 3u);
  EXPECT_EQ(recorder.calls[1].mode, 1);
  EXPECT_EQ(recorder.calls[2].mode, 1);
}

// A simulation with a vector form gives its engine's own estimates: funvec with selectors 0 to
// 5, all in mode 0 so that the engine keeps the price's draws for them; theta turned into a day.
TEST(Greeks, VectorCodesAskTheirEngine) {
  const catalogueentry simulation = entryof(
      {"STANDINEO", 0, "n, T, S, sigma, rho, r, q, ...", "a stand-in", true}, cacheuse::draws, true);
  recordingpricer engine;
  engine.vectorial = [](const pricingcall& c) {
    const double s = c.entries[entrysensitivity][0];
    if (s == 0) return std::vector<double>{7.5, 0};
    if (s >= 4) return std::vector<double>{s == 4 ? -3.65 : 12.0, 0};
    return std::vector<double>{s, 10 * s};
  };
  pricingcall call;
  call.code = "STANDINEO";
  call.rows = {{2}, {1}, {100, 90}, {0.2, 0.3}, {1, 0.5, 0.5, 1}, {0.05}, {0, 0}};
  const greeksreport report = greeksof(engine, call, simulation);
  ASSERT_EQ(engine.calls.size(), 6u);
  for (std::size_t s = 0; s < engine.calls.size(); ++s) {
    EXPECT_TRUE(engine.calls[s].vector);
    EXPECT_EQ(engine.calls[s].mode, 0);
    EXPECT_EQ(engine.calls[s].selector, static_cast<double>(s));
  }
  EXPECT_EQ(report.price, 7.5);
  EXPECT_EQ(valueof(report, greek::delta, "asset 1"), 1);
  EXPECT_EQ(valueof(report, greek::delta, "asset 2"), 10);
  EXPECT_EQ(valueof(report, greek::gamma, "asset 2"), 20);
  EXPECT_EQ(valueof(report, greek::vega, "asset 1"), 3);
  EXPECT_NEAR(valueof(report, greek::theta), -0.01, 1e-15);
  EXPECT_EQ(valueof(report, greek::rho, "r"), 12);
}

// The arithmetic Asians simulate without a vector form: their greeks are the engine's own, the
// very figures fun gives with selectors 1 to 5 in mode 0 after the price in mode 0 on one seed
// (theta per year turned into a day), not differences of simulated prices at a step of 1e-4
// (a gamma of -1.8e-10 at 2000 paths, where the engine's is 0.028).
TEST(Greeks, SimulationsWithoutAVectorFormAskTheirEngineThroughFun) {
  const std::vector<double> asian = {1, 1, 100, 100, 100, 0.2, 0.05, 0.02};
  pricingcall call = contract("ASIANAARECO", asian);
  call.set(entrypaths, 2000);
  call.set(entrysteps, 20);
  call.set(entryoptions, 3);
  const greeksreport report = greeksofcall(call);
  auto engine = [&](int selector) {
    testsupport::parameters p;
    p.set(entrymode, 0).set(entrysensitivity, selector).set(entrypaths, 2000);
    p.set(entrysteps, 20).set(entryoptions, 3);
    return testsupport::price("ASIANAARECO", asian, p);
  };
  EXPECT_EQ(report.price, engine(0));
  EXPECT_EQ(valueof(report, greek::delta, "S"), engine(1));
  EXPECT_EQ(valueof(report, greek::gamma, "S"), engine(2));
  EXPECT_EQ(valueof(report, greek::vega, "sigma"), engine(3));
  EXPECT_EQ(valueof(report, greek::theta), engine(4) * oneday);
  EXPECT_EQ(valueof(report, greek::rho, "r"), engine(5));
  // Against the continuous geometric average's closed-form gamma (Kemna and Vorst, 1990), an
  // arithmetic average's near neighbour: 0.0328 here; the engine's step of 17% of the spot
  // smooths the arithmetic's to 0.028 to 0.030, within a quarter of it.
  const double sigmaa = 0.2 / std::sqrt(3.0), ba = 0.5 * (0.05 - 0.02 - 0.2 * 0.2 / 6);
  const double d1 = (ba + sigmaa * sigmaa / 2) / sigmaa;
  const double geometricgamma = std::exp(ba - 0.05) * density(d1) / (100 * sigmaa);
  EXPECT_NEAR(valueof(report, greek::gamma, "S"), geometricgamma, 0.25 * geometricgamma);
  // The geometric codes are closed forms: differences of their prices, as before.
  const greeksreport geometric = greeksofcall(contract("ASIANGARECO", asian));
  EXPECT_NEAR(valueof(geometric, greek::gamma, "S"), geometricgamma, 1e-5);
}

// The rule of the fronts' --greek: a sensitivity the engine does not compute is greeksof's
// figure of that greek in the first input of its kind, never the price fun would answer; one the
// engine computes is fun's answer as it stands; a code without an input of the kind has none.
TEST(Greeks, FrontsTakeWhatTheEngineDoesNotComputeAsGreeksDoes) {
  hostpricer library(testsupport::library());
  const std::vector<double> spread = {1, 100, 96, 5, 0.2, 0.25, 0.5, 0.05, 0.01, 0.02};
  pricingcall call = contract("SPREADECO", spread);
  call.set(entrysteps, 40);
  const greeksreport all = greeksofcall(call);
  for (const greek g : {greek::delta, greek::gamma, greek::vega, greek::theta, greek::rho}) {
    call.set(entrysensitivity, static_cast<double>(g));
    const selectedfigure figure = selectedsensitivity(library, call, *findentry("SPREADECO"));
    const std::string input = g == greek::vega    ? "sigma1"
                              : g == greek::theta ? ""
                              : g == greek::rho   ? "r"
                                                  : "S1";
    ASSERT_TRUE(figure.available) << nameof(g);
    EXPECT_EQ(figure.value, valueof(all, g, input)) << nameof(g);
  }
  // Black-Scholes delta e^(-qT) N(d1), where fun would answer the price 9.227.
  pricingcall bseco = contract("BSECO", {1, 100, 100, 0.2, 0.05, 0.02});
  bseco.set(entrysensitivity, 1);
  EXPECT_NEAR(selectedsensitivity(library, bseco, *findentry("BSECO")).value,
              std::exp(-0.02) * N(0.25), 1e-8);
  // A simulation's engine answers for itself: fun with the selector, untouched.
  pricingcall asian = contract("ASIANAARECO", {1, 1, 100, 100, 100, 0.2, 0.05, 0.02});
  asian.set(entrysensitivity, 4);
  asian.set(entrypaths, 500);
  asian.set(entryoptions, 9);
  EXPECT_FALSE(takenbydifferences(asian, *findentry("ASIANAARECO")));
  testsupport::parameters p;
  p.set(entrysensitivity, 4).set(entrypaths, 500).set(entryoptions, 9);
  EXPECT_EQ(selectedsensitivity(library, asian, *findentry("ASIANAARECO")).value,
            testsupport::price("ASIANAARECO", {1, 1, 100, 100, 100, 0.2, 0.05, 0.02}, p));
  pricingcall critical = contract("BSAPOCrit", {1, 100, 0.2, 0.05, 0.02});
  critical.set(entrysensitivity, 2);
  const selectedfigure none = selectedsensitivity(library, critical, *findentry("BSAPOCrit"));
  EXPECT_FALSE(none.available);
  EXPECT_EQ(nokindtext("BSAPOCrit", none.which), "BSAPOCrit has no spot (S, S1, F, E) input, so no gamma");
}

// A counted table without a vector form goes through fun, with one bump per asset for the spots
// and volatilities: here a stand-in pricing the sum of one call per asset.
TEST(Greeks, CountedTablesBumpEachAsset) {
  const catalogueentry basket =
      entryof({"STANDINCO", 0, "n, T, S, K, sigma, r, q, ...", "a stand-in", false});
  recordingpricer sum;
  sum.scalar = [](const pricingcall& c) {
    double total = 0;
    for (int j = 0; j < 2; ++j) {
      const double T = c.rows[1][0], S = c.rows[2][j], K = c.rows[3][0], sigma = c.rows[4][j];
      const double r = c.rows[5][0], q = c.rows[6][0];
      total += blackformula(true, T, S * std::exp((r - q) * T), K, sigma, r).value;
    }
    return total;
  };
  pricingcall call;
  call.code = "STANDINCO";
  call.rows = {{2}, {1}, {100, 90}, {95}, {0.2, 0.3}, {0.05}, {0.01}};
  const greeksreport report = greeksof(sum, call, basket);
  const double growth = std::exp(0.04);
  const black second = blackformula(true, 1, 90 * growth, 95, 0.3, 0.05);
  expectnear(valueof(report, greek::delta, "S[2]"), second.delta * growth, 1e-7, "delta");
  expectnear(valueof(report, greek::vega, "sigma[2]"), second.vega, 1e-7, "vega");
  EXPECT_FALSE(std::isnan(valueof(report, greek::gamma, "S[1]")));
  EXPECT_TRUE(std::isnan(valueof(report, greek::delta, "S[3]")));  // two assets only
}

// A code without an input of a kind shows "-" for its greeks; the price still comes.
TEST(Greeks, MissingKindsAreUnavailable) {
  const greeksreport report = greeksofcall(contract("BSAPOCrit", {1.0, 100, 0.2, 0.05, 0.02}));
  ASSERT_FALSE(report.refused);
  EXPECT_TRUE(std::isfinite(report.price));
  for (const greek g : {greek::delta, greek::gamma}) {
    bool found = false;
    for (const sensitivity& s : report.sensitivities)
      if (s.which == g) found = !s.available && s.input.empty();
    EXPECT_TRUE(found) << nameof(g);
  }
  EXPECT_TRUE(greeksofcall(contract("NOSUCH", {1.0})).refused);
}

TEST(Greeks, DifferencesAndRoles) {
  const bumpedprices smooth{0.9, 1.0, 1.1, 0.81, 1.0, 1.21};  // x^2
  EXPECT_NEAR(firstdifference(smooth), 2.0, 1e-12);
  EXPECT_NEAR(seconddifference(smooth), 2.0, 1e-9);
  EXPECT_NEAR(firstdifference({0.9, 1.0, 1.1, nan, 1.0, 1.21}), 2.1, 1e-12);  // upper side
  EXPECT_NEAR(firstdifference({0.9, 1.0, 1.1, 0.81, 1.0, nan}), 1.9, 1e-12);  // lower side
  EXPECT_TRUE(std::isnan(seconddifference({0.9, 1.0, 1.1, 0.81, 1.0, nan})));
  EXPECT_TRUE(std::isnan(firstdifference({0.9, 1.0, 1.1, nan, 1.0, nan})));
  struct named {
    const char* name;
    inputrole role;
  };
  const named names[] = {{"S", inputrole::spot},
                         {"S2", inputrole::spot},
                         {"F", inputrole::spot},
                         {"E", inputrole::spot},
                         {"sigmaE", inputrole::volatility},
                         {"r", inputrole::rate},
                         {"rf", inputrole::rate},
                         {"rho", inputrole::other},
                         {"T", inputrole::date},
                         {"t1", inputrole::date},
                         {"Tp", inputrole::date},
                         {"Ep", inputrole::other},
                         {"q1", inputrole::other},
                         {"K", inputrole::other}};
  for (const named& n : names) EXPECT_EQ(roleof(n.name), n.role) << n.name;
  EXPECT_EQ(bumpsize(inputrole::spot, 250), 0.025);
  EXPECT_EQ(bumpsize(inputrole::spot, 0), 1e-4);
  EXPECT_EQ(bumpsize(inputrole::rate, 0.3), 1e-4);
}

}  // namespace
