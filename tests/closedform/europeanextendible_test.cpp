// Extendible options. Holder-extendible prices are checked against direct integration of their
// value at the first expiry, max(S - X1, C(T2 - t1, S, X2) - A, 0) for the call and
// max(X1 - S, P(T2 - t1, S, X2) - A, 0) for the put, over the lognormal law of the price then;
// writer-extendible prices against QuantLib's analytic engine and Haug's example.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "closedform/BlackScholes.h"
#include "closedform/EuropeanExtendible.h"
#include "flatmarket.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using namespace EuropeanExtendible;
using BlackScholes::blackscholescall;
using BlackScholes::blackscholesput;

struct contract {
  double t1, T2, S, X1, X2, sigma, r, q, A;
};

std::ostream& operator<<(std::ostream& out, const contract& c) {
  return out << "t1=" << c.t1 << " T2=" << c.T2 << " S=" << c.S << " X1=" << c.X1 << " X2=" << c.X2
             << " sigma=" << c.sigma << " r=" << c.r << " q=" << c.q << " A=" << c.A;
}

// The value of the holder's choice at t1, as a function of the price then.
double holderchoice(bool call, const contract& c, double x) {
  const double tau = c.T2 - c.t1;
  if (call)
    return std::fmax(std::fmax(x - c.X1, blackscholescall(tau, x, c.X2, c.sigma, c.r, c.q) - c.A),
                     0.0);
  return std::fmax(std::fmax(c.X1 - x, blackscholesput(tau, x, c.X2, c.sigma, c.r, c.q) - c.A),
                   0.0);
}

double integrated(bool call, const contract& c) {
  return flatmarket::lognormalexpectation([&](double x) { return holderchoice(call, c, x); }, c.t1,
                                          c.S, c.sigma, c.r, c.q);
}

// Whether extending beats both exercising and lapsing at today's spot (the extension range).
bool spotinextensionrange(bool call, const contract& c) {
  const double tau = c.T2 - c.t1;
  const double extended = (call ? blackscholescall(tau, c.S, c.X2, c.sigma, c.r, c.q)
                                : blackscholesput(tau, c.S, c.X2, c.sigma, c.r, c.q)) -
                          c.A;
  const double exercised = call ? c.S - c.X1 : c.X1 - c.S;
  return extended > exercised && extended > 0;
}

// The library's bivariate normal is good to about 1e-5; it enters multiplied by prices of 100.
constexpr double integrationtolerance = 2e-3;

// Rows that go through every branch of the critical-price logic. Two rows have today's spot
// outside the extension range, where the extension is still worth something: the closed form
// must be used there too. Every put row checks the sign of the correlation in its box terms.
TEST(EuropeanExtendible, HolderAgreesWithIntegration) {
  struct row {
    contract c;
    const char* regime;
  };
  const row rows[] = {
      {{0.5, 0.75, 100, 100, 105, 0.25, 0.08, 0.0, 1}, "fee, spot inside"},
      {{0.5, 0.75, 100, 100, 105, 0.25, 0.08, 0.08, 1}, "fee, zero carry"},
      {{0.5, 1.0, 100, 100, 100, 0.3, 0.05, 0.0, 2}, "fee, at the money"},
      {{0.5, 1.0, 60, 100, 100, 0.3, 0.05, 0.0, 2}, "spot below the range"},
      {{0.5, 1.0, 200, 100, 100, 0.3, 0.05, 0.0, 5}, "spot above the range"},
      {{0.5, 1.0, 100, 100, 90, 0.3, 0.05, 0.0, 0}, "no fee, X1 > X2 e^(-r tau)"},
      {{0.5, 1.0, 100, 100, 120, 0.3, 0.05, 0.0, 0}, "no fee, X1 <= X2 e^(-r tau)"},
      {{0.5, 1.0, 100, 100, 160, 0.3, 0.05, 0.0, 0}, "no fee, far second strike"},
      {{0.5, 1.0, 100, 95, 100, 0.2, 0.05, 0.02, 0.5}, "small fee, dividend"},
      {{0.25, 1.0, 100, 100, 100, 0.4, 0.05, 0.0, 10}, "large fee"},
      {{0.5, 1.0, 100, 100, 100, 0.3, 0.05, 0.0, 60}, "fee above any extension"},
      {{0.5, 1.0, 100, 120, 90, 0.3, 0.05, 0.0, 5}, "call on call path"},
  };
  for (const row& x : rows)
    for (bool call : {true, false}) {
      const contract& c = x.c;
      const double value =
          call ? holderextendiblecall(c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q, c.A)
               : holderextendibleput(c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q, c.A);
      EXPECT_NEAR(value, integrated(call, c), integrationtolerance)
          << (call ? "EXTHECO " : "EXTHEPO ") << x.regime << ": " << c;
    }
  // The rows that say so do have today's spot outside the extension range.
  EXPECT_FALSE(spotinextensionrange(true, rows[3].c));
  EXPECT_FALSE(spotinextensionrange(true, rows[4].c));
  EXPECT_FALSE(spotinextensionrange(false, rows[3].c));
}

// With the precise bivariate normal (the library options' numerics 1, as kzr --precise asks)
// the prices are those of the value at t1 integrated over the law of the price then, to the
// accuracy of the critical-price searches: the kinks and jumps of that value are found here by
// bisection and the smooth pieces between them integrated by Gauss-Legendre. The searches stop
// at |f(I)| <= 1e-4, and an error in a critical price enters the price to second order only.
// Every regime of the holder's logic, and the writer's options on the same contracts.
TEST(EuropeanExtendible, PreciseNumericsMatchThePiecewiseIntegral) {
  testsupport::parameters precise;
  precise.set(5, 0, 1);
  const contract rows[] = {
      {0.5, 0.75, 100, 100, 105, 0.25, 0.08, 0.0, 1},
      {0.5, 1.0, 100, 100, 100, 0.3, 0.05, 0.0, 2},
      {0.5, 1.0, 60, 100, 100, 0.3, 0.05, 0.0, 2},
      {0.5, 1.0, 200, 100, 100, 0.3, 0.05, 0.0, 5},
      {0.5, 1.0, 100, 100, 90, 0.3, 0.05, 0.0, 0},
      {0.5, 1.0, 100, 100, 120, 0.3, 0.05, 0.0, 0},
      {0.5, 1.0, 100, 95, 100, 0.2, 0.05, 0.02, 0.5},
      {0.25, 1.0, 100, 100, 100, 0.4, 0.05, 0.0, 10},
      {0.5, 1.0, 100, 100, 100, 0.3, 0.05, 0.0, 60},
      {0.5, 1.0, 100, 120, 90, 0.3, 0.05, 0.0, 5},
  };
  for (const contract& c : rows) {
    const double tau = c.T2 - c.t1;
    for (bool call : {true, false}) {
      auto extended = [&](double x) {
        return call ? blackscholescall(tau, x, c.X2, c.sigma, c.r, c.q)
                    : blackscholesput(tau, x, c.X2, c.sigma, c.r, c.q);
      };
      auto exercised = [&](double x) { return call ? x - c.X1 : c.X1 - x; };
      std::vector<double> breaks = {c.X1};
      for (const auto& f : std::vector<std::function<double(double)>>{
               [&](double x) { return extended(x) - c.A; },
               [&](double x) { return extended(x) - c.A - exercised(x); }})
        for (double root : flatmarket::signchanges(f, 1e-6 * c.S, 1e3 * c.S))
          breaks.push_back(root);
      const std::vector<double> inputs = {c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q, c.A};
      const double holder = flatmarket::piecewiseexpectation(
          [&](double x) { return holderchoice(call, c, x); }, breaks, c.t1, c.S, c.sigma, c.r, c.q);
      EXPECT_NEAR(testsupport::price(call ? "EXTHECO" : "EXTHEPO", inputs, precise), holder,
                  1e-9 * holder)
          << (call ? "EXTHECO " : "EXTHEPO ") << c;
      // The writer extends an option out of the money at t1: a jump at X1.
      auto writerchoice = [&](double x) { return exercised(x) > 0 ? exercised(x) : extended(x); };
      const double writer =
          flatmarket::piecewiseexpectation(writerchoice, {c.X1}, c.t1, c.S, c.sigma, c.r, c.q);
      const std::vector<double> writerinputs(inputs.begin(), inputs.begin() + 8);
      EXPECT_NEAR(testsupport::price(call ? "EXTWECO" : "EXTWEPO", writerinputs, precise), writer,
                  1e-9 * writer)
          << (call ? "EXTWECO " : "EXTWEPO ") << c;
    }
  }
}

double quantlibholdercall(const contract& c) {
  using namespace QuantLib;
  flatmarket::market m(c.S, c.sigma, c.r, c.q);
  HolderExtensibleOption option(Option::Call, c.A, m.at(c.T2), c.X2,
                                ext::make_shared<PlainVanillaPayoff>(Option::Call, c.X1),
                                m.expiry(c.t1));
  option.setPricingEngine(ext::make_shared<AnalyticHolderExtensibleOptionEngine>(m.process));
  return option.NPV();
}

// QuantLib's holder engine agrees on calls with a fee and the spot inside the range (its put and
// its no-fee cases do not follow the integrated value, so they are not compared).
TEST(EuropeanExtendible, HolderCallMatchesQuantLib) {
  const contract rows[] = {{0.5, 0.75, 100, 100, 105, 0.25, 0.08, 0.0, 1},
                           {0.5, 1.0, 100, 100, 100, 0.3, 0.05, 0.0, 2},
                           {0.5, 1.0, 100, 95, 100, 0.2, 0.05, 0.02, 0.5}};
  for (const contract& c : rows)
    EXPECT_NEAR(holderextendiblecall(c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q, c.A),
                quantlibholdercall(c), 1e-5 * c.S)
        << c;
}

double quantlibwriter(bool call, const contract& c) {
  using namespace QuantLib;
  flatmarket::market m(c.S, c.sigma, c.r, c.q);
  const Option::Type side = call ? Option::Call : Option::Put;
  WriterExtensibleOption option(ext::make_shared<PlainVanillaPayoff>(side, c.X1), m.expiry(c.t1),
                                ext::make_shared<PlainVanillaPayoff>(side, c.X2), m.expiry(c.T2));
  option.setPricingEngine(ext::make_shared<AnalyticWriterExtensibleOptionEngine>(m.process));
  return option.NPV();
}

TEST(EuropeanExtendible, WriterMatchesQuantLib) {
  const contract rows[] = {{0.5, 0.75, 100, 100, 105, 0.25, 0.08, 0.0, 0},
                           {0.5, 1.0, 60, 100, 100, 0.3, 0.05, 0.0, 0},
                           {0.5, 1.0, 150, 100, 90, 0.3, 0.05, 0.03, 0},
                           {0.25, 1.0, 100, 100, 100, 0.4, 0.05, 0.0, 0},
                           {0.5, 1.0, 100, 100, 160, 0.3, 0.0, 0.0, 0}};
  for (const contract& c : rows) {
    EXPECT_NEAR(writerextendiblecall(c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q),
                quantlibwriter(true, c), 1e-5 * c.S)
        << "EXTWECO " << c;
    EXPECT_NEAR(writerextendibleput(c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q),
                quantlibwriter(false, c), 1e-5 * c.S)
        << "EXTWEPO " << c;
  }
}

// Haug, The Complete Guide to Option Pricing Formulas, 2nd ed., 2007, p. 138: writer-extendible
// call, S = 80, X1 = 90, X2 = 82, t1 = 0.5, T2 = 0.75, r = 0.10, b = 0.10 (q = 0), sigma = 0.30.
TEST(EuropeanExtendible, HaugWriterExample) {
  EXPECT_NEAR(writerextendiblecall(0.5, 0.75, 80, 90, 82, 0.3, 0.10, 0.0), 6.8238, 1e-4);
}

// t1 = 0: the value at the first expiry itself, the end of a continuous path in t1.
TEST(EuropeanExtendible, FirstExpiryNow) {
  const double T2 = 1, sigma = 0.3, r = 0.05, q = 0.01, A = 2;
  for (double S : {80.0, 97.0, 104.0, 130.0}) {
    const contract c{0, T2, S, 100, 100, sigma, r, q, A};
    const double call = holderextendiblecall(0, T2, S, 100, 100, sigma, r, q, A);
    const double put = holderextendibleput(0, T2, S, 100, 100, sigma, r, q, A);
    EXPECT_EQ(call, holderchoice(true, c, S)) << c;
    EXPECT_EQ(put, holderchoice(false, c, S)) << c;
    EXPECT_NEAR(holderextendiblecall(1e-7, T2, S, 100, 100, sigma, r, q, A), call, 1e-3) << c;
    EXPECT_NEAR(holderextendibleput(1e-7, T2, S, 100, 100, sigma, r, q, A), put, 1e-3) << c;
    EXPECT_NEAR(writerextendiblecall(1e-7, T2, S, 100, 95, sigma, r, q),
                writerextendiblecall(0, T2, S, 100, 95, sigma, r, q), 1e-3)
        << c;
    EXPECT_NEAR(writerextendibleput(1e-7, T2, S, 100, 95, sigma, r, q),
                writerextendibleput(0, T2, S, 100, 95, sigma, r, q), 1e-3)
        << c;
  }
  EXPECT_EQ(writerextendiblecall(0, T2, 90, 100, 95, sigma, r, q),
            blackscholescall(T2, 90, 95, sigma, r, q));
  EXPECT_EQ(writerextendiblecall(0, T2, 110, 100, 95, sigma, r, q), 10.0);
  // At the money the limit in t1 extends half the time.
  const double half = 0.5 * blackscholescall(T2, 100, 95, sigma, r, q);
  EXPECT_EQ(writerextendiblecall(0, T2, 100, 100, 95, sigma, r, q), half);
  EXPECT_NEAR(writerextendiblecall(1e-9, T2, 100, 100, 95, sigma, r, q), half, 1e-3);
}

// Where the extension always or never pays, the holder's option is a plain one.
TEST(EuropeanExtendible, HolderShortcuts) {
  const double t1 = 0.5, T2 = 1, S = 100, sigma = 0.3, r = 0.05, q = 0;
  // No fee and X1 > X2 e^(-r tau): always extended, a call to T2.
  EXPECT_EQ(holderextendiblecall(t1, T2, S, 100, 90, sigma, r, q, 0),
            blackscholescall(T2, S, 90, sigma, r, q));
  // No fee and X1 <= X2 e^(-r tau): the put is always extended, a put to T2.
  EXPECT_EQ(holderextendibleput(t1, T2, S, 100, 120, sigma, r, q, 0),
            blackscholesput(T2, S, 120, sigma, r, q));
  // A fee the extended call is worth only above X1: never extended.
  EXPECT_EQ(holderextendiblecall(t1, T2, S, 100, 100, sigma, r, q, 60),
            blackscholescall(t1, S, 100, sigma, r, q));
  // A fee at least X2 e^(-r tau): the put is never extended.
  EXPECT_EQ(holderextendibleput(t1, T2, S, 100, 100, sigma, r, q, 99),
            blackscholesput(t1, S, 100, sigma, r, q));
}

// Refused inputs give the undefined value without a message. Kept on purpose: t1 = T2 is refused
// (t1 < T2 is strict), although the contract is then a plain option.
TEST(EuropeanExtendible, RefusedInputsAreSilent) {
  const contract rows[] = {
      {-0.1, 1, 100, 100, 100, 0.3, 0.05, 0, 1}, {0.5, -1, 100, 100, 100, 0.3, 0.05, 0, 1},
      {1, 1, 100, 100, 100, 0.3, 0.05, 0, 1},    {1.5, 1, 100, 100, 100, 0.3, 0.05, 0, 1},
      {0.5, 1, 0, 100, 100, 0.3, 0.05, 0, 1},    {0.5, 1, 100, 0, 100, 0.3, 0.05, 0, 1},
      {0.5, 1, 100, 100, 0, 0.3, 0.05, 0, 1},    {0.5, 1, 100, 100, 100, 0, 0.05, 0, 1},
      {0.5, 1, 100, 100, 100, 0.3, -0.05, 0, 1}, {0.5, 1, 100, 100, 100, 0.3, 0.05, -0.01, 1},
  };
  for (const contract& c : rows) {
    flatmarket::capturedoutput out;
    EXPECT_TRUE(
        isundefined(holderextendiblecall(c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q, c.A)))
        << c;
    EXPECT_TRUE(
        isundefined(holderextendibleput(c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q, c.A)))
        << c;
    EXPECT_TRUE(isundefined(writerextendiblecall(c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q)))
        << c;
    EXPECT_TRUE(isundefined(writerextendibleput(c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q)))
        << c;
    EXPECT_EQ(out.text(), "");
  }
  flatmarket::capturedoutput out;
  EXPECT_TRUE(isundefined(holderextendiblecall(0.5, 1, 100, 100, 100, 0.3, 0.05, 0, -1)));
  EXPECT_TRUE(isundefined(holderextendibleput(0.5, 1, 100, 100, 100, 0.3, 0.05, 0, -1)));
  EXPECT_EQ(out.text(), "");
}

// A search that cannot move (the call's slope underflows to 0 far out of the money) says so and
// gives the undefined value.
TEST(EuropeanExtendible, StalledSearchWritesTheMessage) {
  flatmarket::capturedoutput out;
  EXPECT_TRUE(isundefined(holderextendiblecall(0.5, 1, 1, 1, 1000, 0.05, 0.05, 0, 10)));
  EXPECT_EQ(out.text(), std::string(messages::criticalsearchfailed) + "\n");
}

// Not-a-number and infinite inputs, in every position: each call ends and never gives a negative
// price.
TEST(EuropeanExtendible, NonFiniteInputsEnd) {
  const double base[] = {0.5, 1, 100, 100, 100, 0.3, 0.05, 0.01, 2};
  for (double bad :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
    for (int position = 0; position < 9; ++position) {
      flatmarket::capturedoutput out;
      double x[9];
      std::copy(base, base + 9, x);
      x[position] = bad;
      const double values[] = {
          holderextendiblecall(x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], x[8]),
          holderextendibleput(x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], x[8]),
          writerextendiblecall(x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7]),
          writerextendibleput(x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7])};
      for (double value : values)
        EXPECT_FALSE(std::isfinite(value) && value < -1e-9) << "input " << position << " = " << bad;
    }
}

TEST(EuropeanExtendible, CodesThroughFun) {
  const contract c{0.5, 1.0, 100, 100, 100, 0.3, 0.05, 0.0, 2};
  EXPECT_EQ(testsupport::price("EXTHECO", {c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q, c.A}),
            holderextendiblecall(c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q, c.A));
  EXPECT_EQ(testsupport::price("EXTHEPO", {c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q, c.A}),
            holderextendibleput(c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q, c.A));
  EXPECT_EQ(testsupport::price("EXTWECO", {c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q}),
            writerextendiblecall(c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q));
  EXPECT_EQ(testsupport::price("EXTWEPO", {c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q}),
            writerextendibleput(c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q));
  EXPECT_TRUE(
      isundefined(testsupport::price("EXTHECO", {c.t1, c.T2, c.S, c.X1, c.X2, c.sigma, c.r, c.q})));
}

}  // namespace
