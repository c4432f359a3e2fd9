#include "impliedinput.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <limits>

#include "brent.h"
#include "codeentries.h"
#include "greeks.h"
#include "letsberational.h"

namespace sensitivities {

namespace {

constexpr double bracketwidth = 2e-12;  // relative to the bracket's larger end
constexpr int insidepoints = 16;        // priced when the ends do not straddle the target
// The Newton step on the library's price after the rational method: taken where a few ulps of the
// price would move sigma by more than polishbelow of itself, and kept when it moves sigma by at
// most largestpolish of itself (a larger one comes of a price in the rounding noise of the
// library's formula).
constexpr double polishbelow = 1e-13;
constexpr double largestpolish = 1e-3;
const double nan = std::numeric_limits<double>::quiet_NaN();

std::string number(double x) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", x);
  return text;
}

std::string interval(const bracket& b) { return "[" + number(b.low) + ", " + number(b.high) + "]"; }

// The price as a function of one input, less the target.
class pricefunction {
 public:
  pricefunction(pricer& library, const pricingcall& call, cell at, double target)
      : library(library), work(withrequestseed(call)), at(at), target(target) {
    work.vector = false;
    work.flags[entrysensitivity] = 1;
    work.set(entrymode, 1);
  }
  double operator()(double x) {
    setvalue(work.rows, at, x);
    const scalaranswer answer = library.fun(work);
    ++evaluations;
    if (answer.refused) refused = true;
    return answer.value - target;
  }

  int evaluations = 0;
  bool refused = false;

 private:
  pricer& library;
  pricingcall work;
  const cell at;
  const double target;
};

// The codes whose price is Black's formula, with the rows of their inputs (from the catalogue,
// found once).
struct blackcode {
  const char* code;
  bool forward;  // F and no yield (Black-76), or S and q
  double theta;  // +1 call, -1 put
};
constexpr blackcode blackcodes[] = {{"BSECO", false, 1.0},
                                    {"BSEPO", false, -1.0},
                                    {"BLACK76ECO", true, 1.0},
                                    {"BLACK76EPO", true, -1.0}};
constexpr std::size_t blackcodecount = sizeof blackcodes / sizeof blackcodes[0];
constexpr std::size_t absent = static_cast<std::size_t>(-1);

// Rows of T, the spot (S or F), K, sigma, r and q (absent for the forward codes).
struct blackrows {
  std::size_t T = absent, spot = absent, K = absent, sigma = absent, r = absent, q = absent;
};

const std::array<blackrows, blackcodecount>& blackrowsofcodes() {
  static const std::array<blackrows, blackcodecount> rows = [] {
    std::array<blackrows, blackcodecount> all{};
    for (std::size_t c = 0; c < blackcodecount; ++c) {
      const catalogueentry* entry = findentry(blackcodes[c].code);
      if (entry == nullptr || entry->variable) continue;
      for (std::size_t k = 0; k < entry->inputs.size(); ++k) {
        const std::string& name = entry->inputs[k];
        if (name == "T") all[c].T = k;
        if (name == (blackcodes[c].forward ? "F" : "S")) all[c].spot = k;
        if (name == "K") all[c].K = k;
        if (name == "sigma") all[c].sigma = k;
        if (name == "r") all[c].r = k;
        if (name == "q") all[c].q = k;
      }
    }
    return all;
  }();
  return rows;
}

// The implied volatility of a Black code by the rational method (letsberational.h), asking the
// library for nothing where its price is Black's to the accuracy asked: the library's normal
// distribution has no complementary form, so its price differs from Black's by a few ulps of the
// discounted S + K, and where that difference would move sigma by more than 1e-13 of itself (a
// small vega), one Newton step on the library's own price (one call) takes sigma to the root of
// the function actually inverted. None where the code or the input is another, an input is
// outside the formula's domain, the method finds no volatility inside the bracket, or the library
// answers no number: Brent's search then decides, with its messages.
std::optional<solveresult> rationalsolve(pricer& library, const pricingcall& call,
                                         const solverequest& request) {
  if (request.input != "sigma") return std::nullopt;
  std::size_t c = 0;
  while (c < blackcodecount && call.code != blackcodes[c].code) ++c;
  if (c == blackcodecount) return std::nullopt;
  const blackcode& black = blackcodes[c];
  const blackrows& at = blackrowsofcodes()[c];
  if (at.T == absent || at.spot == absent || at.K == absent || at.sigma == absent ||
      at.r == absent || (!black.forward && at.q == absent) || at.sigma >= call.rows.size())
    return std::nullopt;
  auto value = [&](std::size_t row) { return valueat(call.rows, cell{row, 0}); };
  const double T = value(at.T), spot = value(at.spot), K = value(at.K), r = value(at.r);
  const double q = black.forward ? 0.0 : value(at.q);
  const double target = request.target;
  const bracket b = request.within ? *request.within
                                   : *rolebracket(inputrole::volatility, "sigma", value(at.sigma));
  if (!(b.low < b.high) || !(T > 0 && spot > 0 && K > 0 && r >= 0 && q >= 0) ||
      !std::isfinite(T + spot + K + r + q + target))
    return std::nullopt;
  const double discount = std::exp(-r * T);
  const double F = black.forward ? spot : spot * std::exp((r - q) * T);
  double sigma = impliedblackvolatility(target, F, K, T, discount, black.theta);
  if (!(sigma >= b.low && sigma <= b.high)) return std::nullopt;
  solveresult result;
  result.searched = b;
  const double vega = blackvega(F, K, sigma, T, discount);
  const double difference = 8 * std::numeric_limits<double>::epsilon() * discount * (F + K);
  if (!(difference <= polishbelow * vega * sigma)) {
    const quietcalls quiet(library);
    pricefunction f(library, call, cell{at.sigma, 0}, target);
    const double residual = f(sigma);
    result.evaluations = f.evaluations;
    if (f.refused || !std::isfinite(residual)) return std::nullopt;
    const double step = residual / vega;
    const double polished = sigma - step;
    if (std::fabs(step) <= largestpolish * sigma && polished >= b.low && polished <= b.high)
      sigma = polished;
  }
  result.value = sigma;
  return result;
}

// The i-th of the points inside the bracket, evenly spaced (in the logarithm when positive).
double insidepoint(const bracket& b, int i) {
  const double w = static_cast<double>(i) / (insidepoints + 1);
  if (b.low > 0) return b.low * std::pow(b.high / b.low, w);
  return b.low + (b.high - b.low) * w;
}

}  // namespace

std::optional<bracket> rolebracket(inputrole role, const std::string& name, double x,
                                   bool negativerates) {
  if (role == inputrole::volatility) return bracket{0.001, 5.0};
  if (role == inputrole::rate) return bracket{negativerates ? -0.1 : 0.0, 1.0};
  if (name == "rho") return bracket{-1.0, 1.0};
  if (x > 0) return bracket{x / 10, 10 * x};
  if (x < 0) return bracket{10 * x, x / 10};
  return std::nullopt;
}

solveresult solvefor(pricer& library, const pricingcall& call, const solverequest& request) {
  if (std::optional<solveresult> rational = rationalsolve(library, call, request)) return *rational;
  solveresult result;
  const catalogueentry* entry = findentry(call.code);
  if (entry == nullptr) {
    result.outcome = solveoutcome::refused;
    result.message = "unknown code " + call.code;
    return result;
  }
  const std::vector<placedinput> inputs = placedinputs(*entry, call.rows);
  const placedinput* input = nullptr;
  std::string names;
  for (const placedinput& candidate : inputs) {
    if (candidate.name == request.input) input = &candidate;
    names += (names.empty() ? "" : ", ") + candidate.name;
  }
  if (input == nullptr) {
    result.outcome = solveoutcome::unknowninput;
    result.message = call.code + " has no input " + request.input + " in the rows given (" +
                     (names.empty() ? "none" : names) + ")";
    return result;
  }
  const std::optional<bracket> within =
      request.within ? request.within
                     : rolebracket(input->role, input->name, valueat(call.rows, input->at),
                                   call.flags[entryoptions] == 0 &&
                                       call.entries[entryoptions][optionnegativerates] == 1);
  if (!within || !(within->low < within->high)) {
    result.outcome = solveoutcome::nobracket;
    result.message = within ? "the bracket " + interval(*within) + " is empty"
                            : input->name + " is 0 in the rows: give a bracket to search";
    return result;
  }
  result.searched = *within;
  const bracket b = *within;

  const quietcalls quiet(library);
  pricefunction f(library, call, input->at, request.target);
  auto finish = [&](solveoutcome outcome, double value, std::string message) {
    result.outcome = f.refused ? solveoutcome::refused : outcome;
    result.value = value;
    result.evaluations = f.evaluations;
    result.message = f.refused ? "the library refused the call of " + call.code : message;
    return result;
  };
  auto undefinedat = [&](double x) {
    return finish(solveoutcome::undefined, x,
                  call.code + " answers undefined for " + input->name + " = " + number(x) +
                      ", in the bracket " + interval(b));
  };
  auto search = [&](double lo, double flo, double hi, double fhi) {
    const rootsearch root =
        brentroot(std::ref(f), lo, flo, hi, fhi,
                  bracketwidth * std::fmax(std::fabs(b.low), std::fabs(b.high)));
    if (root.outcome == searchoutcome::undefined) return undefinedat(root.x);
    if (root.outcome == searchoutcome::exhausted)
      return finish(solveoutcome::exhausted, root.x,
                    "no convergence for " + input->name + " in " + interval(b) + " after " +
                        std::to_string(f.evaluations) + " prices");
    return finish(solveoutcome::found, root.x, "");
  };
  auto straddles = [](double f1, double f2) {
    if (std::isnan(f1) || std::isnan(f2)) return false;
    return (f1 <= 0) != (f2 <= 0) || f1 == 0 || f2 == 0;
  };

  const double flow = f(b.low);
  if (f.refused) return finish(solveoutcome::refused, 0, "");
  const double fhigh = f(b.high);
  if (straddles(flow, fhigh)) return search(b.low, flow, b.high, fhigh);

  // The ends do not straddle the target, or one is undefined: the points inside, in order, the
  // first two neighbours with a price each that straddle it bound the search.
  double lowest = std::numeric_limits<double>::infinity(), highest = -lowest;
  double firstundefined = nan;
  double previous = b.low, fprevious = flow;
  for (int i = 1; i <= insidepoints + 1; ++i) {
    const double x = i <= insidepoints ? insidepoint(b, i) : b.high;
    const double fx = i <= insidepoints ? f(x) : fhigh;
    if (straddles(fprevious, fx)) return search(previous, fprevious, x, fx);
    for (const auto& [at, value] : {std::pair(previous, fprevious), std::pair(x, fx)}) {
      if (std::isnan(value) && std::isnan(firstundefined)) firstundefined = at;
      if (std::isnan(value)) continue;
      lowest = std::fmin(lowest, value);
      highest = std::fmax(highest, value);
    }
    previous = x;
    fprevious = fx;
  }
  if (!std::isnan(firstundefined)) return undefinedat(firstundefined);
  result.lowest = lowest + request.target;
  result.highest = highest + request.target;
  const std::string range = number(result.lowest) + " to " + number(result.highest);
  if (request.within)
    return finish(solveoutcome::noroot, 0,
                  "no " + input->name + " in " + interval(b) + " gives " + call.code +
                      " the price " + number(request.target) + ": its prices there run from " +
                      range);
  return finish(solveoutcome::outofrange, 0,
                "the price " + number(request.target) + " is outside the range " + call.code +
                    " attains for " + input->name + " in " + interval(b) + ": " + range);
}

}  // namespace sensitivities
