// The converged American two-asset values that tests/finitedifference/americanrainbowtwoasset_test.cpp
// and americanspread_test.cpp store: QuantLib's two-dimensional finite-difference engine
// (Fd2dBlackScholesVanillaEngine, American exercise) on grids of N x N space nodes and N time steps
// for N = 200 and 400, extrapolated as second order in the spacing: (4 V(400) - V(200)) / 3. It
// prints each contract's values and the extrapolation. Not part of the build (one run takes some
// minutes); from the worktree, with QuantLib installed:
//   g++ -O2 -std=c++17 benchmarks/references/twoassetamerican.cpp -lQuantLib -o /tmp/reference
//   /tmp/reference
#include <cmath>
#include <cstdio>

#include <ql/quantlib.hpp>

namespace {

struct contract {
  const char* name;
  double T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K;
};

enum class kind { callmax, putmax, callmin, putmin, spreadcall, spreadput };

double quantlib(kind k, const contract& c, QuantLib::Size N) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  Settings::instance().evaluationDate() = today;
  const DayCounter dc = Actual365Fixed();
  auto flat = [&](double rate) {
    return Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, rate, dc));
  };
  auto process = [&](double S, double q, double sigma) {
    return ext::make_shared<BlackScholesMertonProcess>(
        Handle<Quote>(ext::make_shared<SimpleQuote>(S)), flat(q), flat(c.r),
        Handle<BlackVolTermStructure>(
            ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc)));
  };
  ext::shared_ptr<BasketPayoff> payoff;
  const auto call = ext::make_shared<PlainVanillaPayoff>(Option::Call, c.K);
  const auto put = ext::make_shared<PlainVanillaPayoff>(Option::Put, c.K);
  switch (k) {
    case kind::callmax: payoff = ext::make_shared<MaxBasketPayoff>(call); break;
    case kind::putmax: payoff = ext::make_shared<MaxBasketPayoff>(put); break;
    case kind::callmin: payoff = ext::make_shared<MinBasketPayoff>(call); break;
    case kind::putmin: payoff = ext::make_shared<MinBasketPayoff>(put); break;
    case kind::spreadcall: payoff = ext::make_shared<SpreadBasketPayoff>(call); break;
    case kind::spreadput: payoff = ext::make_shared<SpreadBasketPayoff>(put); break;
  }
  const Date expiry = today + static_cast<Integer>(std::lround(c.T * 365));
  BasketOption option(payoff, ext::make_shared<AmericanExercise>(today, expiry));
  option.setPricingEngine(ext::make_shared<Fd2dBlackScholesVanillaEngine>(
      process(c.S1, c.q1, c.sigma1), process(c.S2, c.q2, c.sigma2), c.rho, N, N, N));
  return option.NPV();
}

}  // namespace

int main() {
  const contract contracts[] = {
      {"callmax", 73 / 365.0, 100, 105, 0.11, 0.16, 0.63, 0.05, 0.06, 0.09, 98},
      {"putmin", 73 / 365.0, 100, 105, 0.11, 0.16, 0.63, 0.1, 0.0, 0.0, 101},
      {"putmax", 1.0, 100, 95, 0.25, 0.2, 0.3, 0.08, 0.05, 0.03, 100},
      {"callmin", 2.0, 120, 100, 0.2, 0.3, 0.9, 0.06, 0.02, 0.0, 110},
      {"spreadcall", 1.0, 100, 95, 0.25, 0.2, 0.5, 0.08, 0.05, 0.03, 5},
      {"spreadput", 0.5, 100, 90, 0.3, 0.25, 0.4, 0.06, 0.0, 0.04, 12},
  };
  const kind kinds[] = {kind::callmax, kind::putmin, kind::putmax,
                        kind::callmin, kind::spreadcall, kind::spreadput};
  for (int i = 0; i < 6; ++i) {
    const double coarse = quantlib(kinds[i], contracts[i], 200);
    const double fine = quantlib(kinds[i], contracts[i], 400);
    std::printf("%-10s %.8f %.8f extrapolated %.8f\n", contracts[i].name, coarse, fine,
                (4.0 * fine - coarse) / 3.0);
    std::fflush(stdout);
  }
}
