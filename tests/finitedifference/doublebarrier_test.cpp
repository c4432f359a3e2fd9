// The double-barrier codes against values found without the library's grids: QuantLib's
// Ikeda-Kunitomo series for the European knock-out, the Black-Scholes price for the in-out
// parity, a fine grid written in the test with both barriers (barrierreference.h) and QuantLib's
// binomial double-barrier tree for the American codes; then the early results, the shared grid
// of the European pair and inputs that cannot work.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "barrierreference.h"
#include "fdtestsupport.h"
#include "finitedifference/DoubleBarrier.h"
#include "numerics/undefined.h"
#include "qlbarrier.h"
#include "testsupport.h"
#include "unworkable.h"

namespace {

namespace br = barrierreference;
using fdtest::block;
using fdtest::exercise;

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

struct corridorcase {
  int callput;
  double S, L, U, K, sigma, r, q;
  fdtest::market market() const { return {365, S, K, sigma, r, q}; }
  std::vector<double> inputs() const { return {1.0, S, L, U, K, sigma, r, q}; }
  double vanilla() const {
    return fdtest::quantlibeuropean(callput > 0 ? QuantLib::Option::Call : QuantLib::Option::Put,
                                    1.0, S, K, sigma, r, q);
  }
  double reference(br::kind what, bool american, int spacings) const {
    br::corridor c;
    c.low = L;
    c.high = U;
    return br::solve({1.0, K, sigma, r, q, callput, american}, what, c, S, 0.0, spacings, spacings)
        .at(S);
  }
};

double price(const char* code, const corridorcase& c, int nspace = 0, int ntime = 0) {
  testsupport::parameters entries;
  if (nspace > 0) entries.set(entrygrid, nspace, ntime);
  return testsupport::price(code, c.inputs(), entries);
}

// The Ikeda-Kunitomo series holds for L < K < U.
const corridorcase europeancases[] = {
    {1, 100, 80, 130, 100, 0.2, 0.05, 0.02}, {-1, 100, 80, 130, 100, 0.2, 0.05, 0.02},
    {1, 95, 70, 150, 100, 0.3, 0.08, 0.04},  {-1, 110, 90, 120, 105, 0.15, 0.03, 0.0},
    {1, 100, 50, 200, 100, 0.25, 0.05, 0.0},
};

TEST(DoubleBarrier, EuropeanKnockOutAgainstTheSeries) {
  for (const corridorcase& c : europeancases) {
    const char* code = c.callput > 0 ? "DBKNOCKOUTECO" : "DBKNOCKOUTEPO";
    const double series = qlbarrier::analyticdoubleknockout(c.callput, c.market(), c.L, c.U);
    EXPECT_NEAR(price(code, c), series, 2e-3 * c.K) << code << " S " << c.S;
    EXPECT_NEAR(price(code, c, 400, 200), series, 2e-4 * c.K) << code << " S " << c.S;
  }
}

// The knock-in is the Black-Scholes price less the knock-out of the same inputs, at any grid.
TEST(DoubleBarrier, EuropeanInOutParity) {
  for (const corridorcase& c : europeancases) {
    const bool call = c.callput > 0;
    for (int n : {0, 201}) {
      const double out = price(call ? "DBKNOCKOUTECO" : "DBKNOCKOUTEPO", c, n, 60);
      const double in = price(call ? "DBKNOCKINECO" : "DBKNOCKINEPO", c, n, 60);
      EXPECT_NEAR(in + out, c.vanilla(), 1e-12 * c.K) << "S " << c.S << " grid " << n;
    }
  }
}

// American codes. The knock-outs against QuantLib's tree with early exercise and against the
// test's grid; the knock-ins against the test's grid, whose barrier edges carry the American
// vanilla. The calls are in the money at U and the puts at L, where the knock-out is worth about
// its exercise value just inside the corridor and 0 on it: every grid and tree meets that jump
// within a spacing and converges slowly, so the bounds are wider than for the European codes.
TEST(DoubleBarrier, AmericanCodesAgainstATreeAndAGrid) {
  struct row {
    corridorcase c;
    double outtolerance, intolerance;
  };
  const row rows[] = {
      {{1, 100, 80, 130, 100, 0.2, 0.05, 0.02}, 0.4, 0.1},
      {{-1, 100, 80, 130, 100, 0.2, 0.05, 0.02}, 0.2, 0.1},
      {{-1, 110, 90, 150, 105, 0.25, 0.08, 0.0}, 0.2, 0.1},
      {{1, 100, 70, 120, 95, 0.3, 0.05, 0.06}, 0.4, 0.1},
  };
  for (const row& w : rows) {
    const corridorcase& c = w.c;
    const bool call = c.callput > 0;
    const char* outcode = call ? "DBKNOCKOUTACO" : "DBKNOCKOUTAPO";
    const char* incode = call ? "DBKNOCKINACO" : "DBKNOCKINAPO";
    const double out = price(outcode, c, 800, 400);
    const double tree =
        qlbarrier::binomialdoubleknockout(c.callput, exercise::american, c.market(), c.L, c.U, 500);
    EXPECT_NEAR(out, c.reference(br::kind::knockout, true, 2000), w.outtolerance) << outcode;
    EXPECT_NEAR(out, tree, 2 * w.outtolerance) << outcode;
    const double in = price(incode, c, 800, 400);
    EXPECT_NEAR(in, c.reference(br::kind::knockin, true, 500), w.intolerance) << incode;
    // American above European, for the knock-out and for the knock-in.
    EXPECT_GE(out, price(call ? "DBKNOCKOUTECO" : "DBKNOCKOUTEPO", c, 800, 400)) << outcode;
    EXPECT_GE(in + 1e-3, price(call ? "DBKNOCKINECO" : "DBKNOCKINEPO", c, 800, 400)) << incode;
  }
}

// Each knock-out code refined by entry 2 comes closer to its reference.
TEST(DoubleBarrier, KnockOutsConvergeAsTheGridIsRefined) {
  const corridorcase c{-1, 100, 80, 130, 100, 0.2, 0.05, 0.02};
  const double series = qlbarrier::analyticdoubleknockout(-1, c.market(), c.L, c.U);
  const double american = c.reference(br::kind::knockout, true, 2000);
  double european = inf, early = inf;
  for (int n : {50, 200, 800}) {
    const double e = std::abs(price("DBKNOCKOUTEPO", c, n, n / 2) - series);
    const double a = std::abs(price("DBKNOCKOUTAPO", c, n, n / 2) - american);
    EXPECT_LT(e, european) << n;
    EXPECT_LT(a, early) << n;
    european = e;
    early = a;
  }
}

struct earlyrow {
  const char* code;
  std::vector<double> inputs;
  double expected;  // NaN: the undefined value
  bool message;
  const char* why;
};

TEST(DoubleBarrier, EarlyResultsAndMessages) {
  const std::string refused = "Input data error, value undefined\n";
  const double bsc = fdtest::quantlibeuropean(QuantLib::Option::Call, 1, 80, 100, 0.2, 0.05, 0.02);
  const double bsp = fdtest::quantlibeuropean(QuantLib::Option::Put, 1, 130, 100, 0.2, 0.05, 0.02);
  const double binc = testsupport::price("BINACO", {1, 80, 100, 0.2, 0.05, 0.02});
  const double binp = testsupport::price("BINAPO", {1, 130, 100, 0.2, 0.05, 0.02});
  const earlyrow rows[] = {
      {"DBKNOCKOUTACO", {1, 100, 0, 130, 100, 0.2, 0.05, 0.02}, nan, true, "L <= 0"},
      {"DBKNOCKINAPO", {1, 100, 130, 130, 100, 0.2, 0.05, 0.02}, nan, true, "L >= U"},
      {"DBKNOCKOUTEPO", {1, 100, 140, 130, 100, 0.2, 0.05, 0.02}, nan, true, "L >= U"},
      {"DBKNOCKINECO", {1, 100, 130, 120, 100, 0.2, 0.05, 0.02}, nan, true, "L >= U"},
      {"DBKNOCKOUTECO", {1, 100, 80, 130, 0, 0.2, 0.05, 0.02}, nan, true, "K <= 0"},
      {"DBKNOCKOUTECO", {-1, 100, 80, 130, 100, 0.2, 0.05, 0.02}, nan, false, "T < 0: grid"},
      {"DBKNOCKOUTAPO", {1, 100, 80, 130, 100, 0, 0.05, 0.02}, nan, false, "sigma: grid"},
      {"DBKNOCKINECO", {-1, 100, 80, 130, 100, 0.2, 0.05, 0.02}, nan, true, "T < 0"},
      {"DBKNOCKINEPO", {1, 0, 80, 130, 100, 0.2, 0.05, 0.02}, nan, true, "S <= 0"},
      {"DBKNOCKINECO", {1, 100, 80, 130, 100, 0, 0.05, 0.02}, nan, true, "sigma <= 0"},
      {"DBKNOCKINEPO", {1, 100, 80, 130, 100, 0.2, -0.05, 0.02}, nan, true, "r < 0"},
      {"DBKNOCKINECO", {1, 100, 80, 130, 100, 0.2, 0.05, -0.02}, nan, true, "q < 0"},
      {"DBKNOCKOUTACO", {1, 80, 80, 130, 100, 0.2, 0.05, 0.02}, 0.0, false, "S = L"},
      {"DBKNOCKOUTEPO", {1, 130, 80, 130, 100, 0.2, 0.05, 0.02}, 0.0, false, "S = U"},
      {"DBKNOCKINACO", {1, 80, 80, 130, 100, 0.2, 0.05, 0.02}, binc, false, "S = L"},
      {"DBKNOCKINAPO", {1, 130, 80, 130, 100, 0.2, 0.05, 0.02}, binp, false, "S = U"},
      {"DBKNOCKINECO", {1, 80, 80, 130, 100, 0.2, 0.05, 0.02}, bsc, false, "S = L"},
      {"DBKNOCKINEPO", {1, 130, 80, 130, 100, 0.2, 0.05, 0.02}, bsp, false, "S = U"},
      {"DBKNOCKOUTACO", {0, 110, 80, 130, 100, 0.2, 0.05, 0.02}, 10.0, false, "T = 0"},
      {"DBKNOCKOUTEPO", {0, 90, 80, 130, 100, 0.2, 0.05, 0.02}, 10.0, false, "T = 0"},
      {"DBKNOCKINAPO", {0, 90, 80, 130, 100, 0.2, 0.05, 0.02}, 0.0, false, "T = 0"},
      {"DBKNOCKINECO", {0, 110, 80, 130, 100, 0.2, 0.05, 0.02}, 0.0, false, "T = 0"},
  };
  for (const earlyrow& c : rows) {
    testing::internal::CaptureStdout();
    const double result = testsupport::price(c.code, c.inputs);
    const std::string printed = testing::internal::GetCapturedStdout();
    if (std::isnan(c.expected))
      EXPECT_TRUE(isundefined(result)) << c.code << ": " << c.why << " gave " << result;
    else
      EXPECT_NEAR(result, c.expected, 1e-12 * (1 + c.expected)) << c.code << ": " << c.why;
    EXPECT_EQ(printed, c.message ? refused : "") << c.code << ": " << c.why;
  }
}

// The European knock-in and knock-out of one contract share one grid in valuation mode 0; the
// American knock-in, a class of its own, solves its own.
TEST(DoubleBarrier, GridCacheSequences) {
  namespace edb = EuropeanDoubleBarrier;
  namespace adb = AmericanDoubleBarrier;
  auto fresh = [](auto code, double S) {
    block params;
    return code(S, params.get());
  };
  auto out = [](double S, parameterblock* b) {
    return edb::knockoutcall(1, S, 80, 130, 100, 0.2, 0.05, 0.02, b);
  };
  auto in = [](double S, parameterblock* b) {
    return edb::knockincall(1, S, 80, 130, 100, 0.2, 0.05, 0.02, b);
  };
  auto americanin = [](double S, parameterblock* b) {
    return adb::knockincall(1, S, 80, 130, 100, 0.2, 0.05, 0.02, b);
  };
  block params;
  params.set(entrymode, 0);
  EXPECT_EQ(out(100, params.get()), fresh(out, 100));
  const fdbase* cached = params->fdclone;
  ASSERT_NE(cached, nullptr);
  EXPECT_EQ(out(110, params.get()), fresh(out, 110));
  EXPECT_EQ(in(95, params.get()), fresh(in, 95));
  EXPECT_EQ(params->fdclone, cached) << "the knock-in solved its own grid";
  EXPECT_EQ(americanin(105, params.get()), fresh(americanin, 105));
  EXPECT_NE(params->fdclone, cached);
  cached = params->fdclone;
  EXPECT_EQ(americanin(90, params.get()), fresh(americanin, 90));
  EXPECT_EQ(params->fdclone, cached);
}

// The same through one loaded library and the kzr tool: mode 0 at two spots reads the grid.
TEST(DoubleBarrier, GridCacheThroughTheTool) {
  const std::string terms = " 80 130 100 0.2 0.05 0.02";
  const testsupport::toolrun run = testsupport::runkzr(
      "batch -", "price DBKNOCKOUTEPO 1 100" + terms + " --mode 0\n" + "price DBKNOCKOUTEPO 1 90" +
                     terms + " --mode 0\n" + "price DBKNOCKINEPO 1 90" + terms + " --mode 0\n" +
                     "price DBKNOCKOUTEPO 1 90" + terms + "\n" + "price DBKNOCKINEPO 1 90" + terms +
                     "\n");
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<double> values;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    const auto colon = line.find(": ");
    values.push_back(std::stod(colon == std::string::npos ? line : line.substr(colon + 2)));
  }
  ASSERT_EQ(values.size(), 5u) << run.out;
  EXPECT_EQ(values[1], values[3]);
  EXPECT_EQ(values[2], values[4]);
  EXPECT_NE(values[0], values[1]);
}

// Inputs that cannot work give the undefined value or NaN, never a crash or a made-up number.
TEST(DoubleBarrier, SpecialValues) {
  const std::string grid = "Grid sizes out of range, value undefined\n";
  const std::string steps = "Tree steps out of range, value undefined\n";
  const corridorcase c{1, 100, 80, 130, 100, 0.2, 0.05, 0.02};
  expectunharmed({
      {"DBKNOCKOUTECO", c.inputs(), testsupport::parameters().set(entrygrid, 1e5, 1e5),
       grid.c_str()},
      {"DBKNOCKINECO", c.inputs(), testsupport::parameters().set(entrygrid, 1, 50), grid.c_str()},
      {"DBKNOCKINACO", c.inputs(), testsupport::parameters().set(entrysteps, 1e12), steps.c_str()},
      {"DBKNOCKINAPO", c.inputs(),
       testsupport::parameters().set(entrysteps, 20000).set(entrygrid, 100, 100), steps.c_str()},
      {"DBKNOCKOUTACO", {inf, 100, 80, 130, 100, 0.2, 0.05, 0.02}, {}, nullptr},
      {"DBKNOCKOUTACO", {1, 100, 80, inf, 100, 0.2, 0.05, 0.02}, {}, nullptr},
      {"DBKNOCKINACO", {1, 100, 80, 130, 100, inf, 0.05, 0.02}, {}, nullptr},
      {"DBKNOCKINEPO", {1, 100, 80, 130, inf, 0.2, 0.05, 0.02}, {}, nullptr},
      {"DBKNOCKOUTEPO", {1, 100, 80, 130, 100, 0.2, inf, 0.02}, {}, nullptr},
  });
}

}  // namespace
