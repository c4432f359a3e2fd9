#include "splitsimulation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "codeentries.h"
#include "commandline.h"
#include "runner.h"

namespace {

constexpr double undefined = std::numeric_limits<double>::quiet_NaN();

std::uint64_t splitmix64(std::uint64_t state) {
  std::uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// The seed word the library takes from a seed value: its integer part modulo 2^32.
std::uint32_t seedwordof(double seed) {
  const double whole = std::trunc(seed);
  if (!(whole >= 1.0)) return 0;
  if (whole >= 9.2233720368547758e18) return 0xFFFFFFFFu;  // the library clamps to 2^63 - 1
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(whole));
}

// The code's table marks a price formed as D (exp(m) - 1) from the mean m of its log payoffs,
// D = exp(-r T) notional (binding/codetable.h).
bool meanisnonlinear(const pricingcall& call) {
  const catalogueentry* entry = findentry(call.code);
  return entry != nullptr && entry->estimate == estimator::expmeanlog;
}

double inputnamed(const pricingcall& call, const std::string& name) {
  const catalogueentry* entry = findentry(call.code);
  if (entry == nullptr) return undefined;
  const auto at = std::find(entry->inputs.begin(), entry->inputs.end(), name);
  const std::size_t row = static_cast<std::size_t>(at - entry->inputs.begin());
  if (at == entry->inputs.end() || row >= call.rows.size() || call.rows[row].empty())
    return undefined;
  return call.rows[row][0];
}

double himalayascale(const pricingcall& call) {
  return std::exp(-inputnamed(call, "r") * inputnamed(call, "T")) * inputnamed(call, "notional");
}

// The path-weighted mean of x (x_0 + sum n_b (x_b - x_0) / N) and its batch-means error.
void weightedmean(const std::vector<double>& x, const std::vector<std::int64_t>& paths,
                  double& mean, double& error) {
  if (x.size() == 1) {  // one call's answer, as it stands
    mean = x[0];
    error = undefined;
    return;
  }
  double total = 0;
  for (const std::int64_t n : paths) total += static_cast<double>(n);
  double shift = 0;
  for (std::size_t b = 1; b < x.size(); ++b) shift += static_cast<double>(paths[b]) * (x[b] - x[0]);
  mean = x[0] + shift / total;
  double spread = 0;
  for (std::size_t b = 0; b < x.size(); ++b)
    spread += static_cast<double>(paths[b]) * (x[b] - mean) * (x[b] - mean);
  error = std::sqrt(spread / static_cast<double>(x.size() - 1) / total);
}

}  // namespace

std::uint32_t blockseedword(std::uint32_t seedword, int b,
                            const std::vector<std::uint32_t>& taken) {
  constexpr std::uint64_t gamma = 0x9E3779B97F4A7C15ull;
  std::uint64_t state = seedword + static_cast<std::uint64_t>(b) * gamma;
  for (;;) {
    const auto word = static_cast<std::uint32_t>(splitmix64(state) >> 32);
    if (std::find(taken.begin(), taken.end(), word) == taken.end()) return word;
    state += gamma;
  }
}

std::vector<simulationblock> splitpaths(std::int64_t paths, double seed, int blocks) {
  const std::int64_t count = std::max<std::int64_t>(1, std::min<std::int64_t>(blocks, paths));
  std::vector<simulationblock> split;
  std::vector<std::uint32_t> taken{seedwordof(seed)};
  for (std::int64_t b = 0; b < count; ++b) {
    const std::int64_t share = paths / count + (b < paths % count ? 1 : 0);
    if (b == 0) {
      split.push_back({share, seed});
      continue;
    }
    const std::uint32_t word = blockseedword(taken[0], static_cast<int>(b), taken);
    taken.push_back(word);
    // A word of 0 is passed as 2^32: positive, and 0 modulo 2^32.
    split.push_back({share, word == 0 ? 4294967296.0 : static_cast<double>(word)});
  }
  return split;
}

int blocksfor(double paths, int asked) {
  const double needed = std::ceil(paths / static_cast<double>(mostblockpaths));
  if (!(needed <= mostblocks)) return 0;
  return std::max(asked, static_cast<int>(needed));
}

pricingcall blockcall(const pricingcall& call, const simulationblock& block, bool alone) {
  pricingcall part = call;
  part.set(entrypaths, static_cast<double>(block.paths));
  // The block's seed; every other option as the call gives it (its default when not given).
  if (call.flags[entryoptions] != 0) part.set(entryoptions, 0.0);
  part.setvalue(entryoptions, optionseed, block.seed);
  if (!alone) part.set(entrymode, 1);
  return part;
}

std::string whynotsplit(const pricingcall& call) {
  if (!meanisnonlinear(call)) return "";
  const bool sensitivity = call.vector || (call.flags[entrysensitivity] == 0 &&
                                           std::trunc(call.entries[entrysensitivity][0]) != 0);
  if (sensitivity)
    return call.code +
           "'s sensitivities are differences of a non-linear function of bumped means, which "
           "its answers do not reveal: they cannot be combined from blocks (use --blocks 1)";
  const double scale = himalayascale(call);
  if (!std::isfinite(scale) || scale == 0)
    return call.code + "'s price does not reveal its mean payoff when exp(-r T) notional is " +
           (std::isfinite(scale) ? "0" : "not finite") + " (use --blocks 1)";
  return "";
}

combinedestimate combineblocks(const pricingcall& call,
                               const std::vector<std::vector<double>>& answers,
                               const std::vector<std::int64_t>& paths) {
  combinedestimate result;
  if (answers.empty()) return result;
  const std::size_t length = answers[0].size();
  const bool nonlinear = meanisnonlinear(call) && answers.size() > 1;
  const double scale = nonlinear ? himalayascale(call) : 1.0;
  for (std::size_t j = 0; j < length; ++j) {
    std::vector<double> x;
    for (const auto& answer : answers) {
      const double value = j < answer.size() ? answer[j] : undefined;
      x.push_back(nonlinear ? std::log1p(value / scale) : value);
    }
    double mean = 0, error = 0;
    weightedmean(x, paths, mean, error);
    if (nonlinear) {
      error *= std::fabs(scale) * std::exp(mean);
      mean = scale * std::expm1(mean);
    }
    result.values.push_back(mean);
    result.errors.push_back(error);
  }
  return result;
}

errorrequest takeerroroptions(std::vector<std::string>& words) {
  errorrequest request;
  for (std::size_t i = 0; i < words.size();) {
    if (words[i] == "--stderr") {
      request.wanted = true;
      words.erase(words.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    if (words[i] != "--blocks") {
      ++i;
      continue;
    }
    if (i + 1 >= words.size()) throw usageerror("--blocks needs a value");
    const double b = parsenumber(words[i + 1]);
    if (!(b >= 1 && b <= mostblocks && b == std::trunc(b)))
      throw usageerror("--blocks takes a whole number from 1 to " + std::to_string(mostblocks));
    request.blocks = static_cast<int>(b);
    words.erase(words.begin() + static_cast<std::ptrdiff_t>(i),
                words.begin() + static_cast<std::ptrdiff_t>(i) + 2);
  }
  return request;
}

int errorblocksof(const errorrequest& request) {
  if (!request.wanted && request.blocks != 0)
    throw usageerror("--blocks B goes with --stderr: it sets the blocks of the standard error");
  return request.blocks != 0 ? request.blocks : errorblocks;
}

std::string whynoerror(const pricingcall& call) {
  const catalogueentry* entry = findentry(call.code);
  // A simulation keeps draws and its engine reads the selector: the geometric Asians share the
  // simulations' table but are closed forms.
  if (entry == nullptr || (entry->keeps == cacheuse::draws && entry->sensitivities)) return "";
  return call.code + " is not a simulation: its answer has no standard error (leave out --stderr)";
}

std::string planblocks(const pricingcall& call, int asked, splitplan& plan) {
  plan = splitplan();
  const double paths = call.entries[entrypaths][0];
  if (!(paths >= 1)) return "";  // priced once, as it stands
  const int blocks = blocksfor(paths, asked);
  if (blocks == 0)
    return "--paths " + formatnumber(paths) + " would take more than " +
           std::to_string(mostblocks) + " blocks of " + std::to_string(mostblockpaths) + " paths";
  if (blocks > asked)
    plan.said = formatnumber(paths) + " paths are split into " + std::to_string(blocks) +
                " blocks, not " + std::to_string(asked) + ": one call takes at most " +
                std::to_string(mostblockpaths) + " paths";
  if (blocks > 1) {
    const std::string why = whynotsplit(call);
    if (!why.empty()) return why;
  }
  plan.blocks =
      splitpaths(static_cast<std::int64_t>(paths), call.entries[entryoptions][optionseed], blocks);
  return "";
}

errorplan planerrors(const pricingcall& call, int blocks, bool sensitivities) {
  const std::string notsimulated = whynoerror(call);
  if (!notsimulated.empty()) throw usageerror(notsimulated);
  errorplan plan;
  plan.call = sensitivities::withrequestseed(call);
  if (findentry(call.code) == nullptr) return plan;  // priced once: the library refuses it
  if (call.flags[entrypaths] != 0)
    throw usageerror("give --paths N with --stderr: the blocks share the paths");
  pricingcall asked = plan.call;
  if (sensitivities) asked.set(entrysensitivity, selectdelta);
  const std::string why = planblocks(asked, blocks, plan.split);
  if (!why.empty()) throw usageerror(why);
  return plan;
}

namespace {

// One fun or funvec call as the fronts make it: a sensitivity the engine does not compute is
// taken by differences (greeks.h).
sensitivities::vectoranswer askonce(sensitivities::pricer& library, const pricingcall& call) {
  if (call.vector) return library.funvec(call);
  const catalogueentry* entry = findentry(call.code);
  if (entry != nullptr && sensitivities::takenbydifferences(call, *entry)) {
    const sensitivities::selectedfigure figure =
        sensitivities::selectedsensitivity(library, call, *entry);
    if (!figure.refused && !figure.available)
      throw usageerror(sensitivities::nokindtext(call.code, figure.which));
    return {figure.refused, {figure.value}};
  }
  const sensitivities::scalaranswer one = library.fun(call);
  return {one.refused, {one.value}};
}

// The blocks of a plan, one call of each through `ask`, combined; the first block speaks.
template <typename answer, typename asker, typename valuesof>
std::vector<answer> runblocks(sensitivities::pricer& library, const errorplan& plan, asker ask,
                              valuesof values, combinedestimate& estimate,
                              std::vector<std::int64_t>& paths) {
  std::vector<answer> answers;
  std::vector<std::vector<double>> figures;
  const std::vector<simulationblock>& blocks = plan.split.blocks;
  const std::size_t count = std::max<std::size_t>(1, blocks.size());
  for (std::size_t b = 0; b < count; ++b) {
    const pricingcall part =
        blocks.empty() ? plan.call : blockcall(plan.call, blocks[b], blocks.size() == 1);
    library.showmessages(b == 0);  // set again each time: greeksof turns messages back on
    answers.push_back(ask(part));
    figures.push_back(values(answers.back()));
    paths.push_back(blocks.empty() ? 0 : blocks[b].paths);
  }
  library.showmessages(true);
  estimate = combineblocks(plan.call, figures, paths);
  return answers;
}

}  // namespace

blockestimate priceblocks(sensitivities::pricer& library, const errorplan& plan) {
  blockestimate result;
  std::vector<std::int64_t> paths;
  const auto answers = runblocks<sensitivities::vectoranswer>(
      library, plan, [&library](const pricingcall& part) { return askonce(library, part); },
      [](const sensitivities::vectoranswer& a) { return a.values; }, result.estimate, paths);
  for (const auto& answer : answers) result.refused = result.refused || answer.refused;
  return result;
}

greeksestimate greeksinblocks(sensitivities::pricer& library, const errorplan& plan,
                              const sensitivities::greekselection& which) {
  greeksestimate result;
  std::vector<std::int64_t> paths;
  combinedestimate estimate;
  const auto reports = runblocks<sensitivities::greeksreport>(
      library, plan,
      [&library, &which](const pricingcall& part) {
        return sensitivities::greeksof(library, part, which);
      },
      [](const sensitivities::greeksreport& r) {
        std::vector<double> figures{r.price};
        for (const sensitivities::sensitivity& s : r.sensitivities) figures.push_back(s.value);
        return figures;
      },
      estimate, paths);
  result.report = reports[0];
  for (const auto& report : reports)
    result.report.refused = result.report.refused || report.refused;
  if (result.report.refused) return result;
  result.report.price = estimate.values[0];
  for (std::size_t k = 0; k < result.report.sensitivities.size(); ++k)
    result.report.sensitivities[k].value = estimate.values[1 + k];
  result.errors = estimate.errors;
  return result;
}
