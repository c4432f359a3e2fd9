#include "batchplan.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "codeentries.h"
#include "commandline.h"

namespace {

enum class store { none, grid, draws, curves };

struct lineuse {
  store uses = store::none;
  bool reads = false;  // may read the store (a clearer otherwise)
};

// Whether a mode surely does not cache: the grids cache at every mode but 1, the simulations at
// mode 0 alone; the library reads the integer part of the value, NaN as 0.
bool surelynoncaching(const pricingcall& call, cacheuse keeps) {
  if (call.flags[entrymode] != 0) return true;  // the default mode, 1
  const double mode = call.entries[entrymode][0];
  if (std::isnan(mode)) return false;
  if (keeps == cacheuse::grid) return mode >= 1.0 && mode < 2.0;
  return mode >= 1.0 || mode <= -1.0;
}

// The call of a price, vector, greeks or solve line, read by the tool's own parsers; false when
// the line is none of them or cannot be read (it never reaches the library).
bool callof(const std::vector<std::string>& words, pricingcall& call) {
  try {
    if (words[0] == "price" || words[0] == "vector")
      call = parsepricingcall(words);
    else if (words[0] == "greeks")
      call = parsegreekscall(words).call;
    else if (words[0] == "solve")
      call = parsesolvecall(words).call;
    else
      return false;
    return true;
  } catch (const usageerror&) {
    return false;
  }
}

// What a line does to the stores; call is its call when it has one.
lineuse useof(const std::vector<std::string>& words, const pricingcall* call) {
  if (words[0] == "fi") return {store::curves, true};
  const catalogueentry* entry = call != nullptr ? findentry(call->code) : nullptr;
  if (entry == nullptr || entry->keeps == cacheuse::none) return {};
  const store uses = entry->keeps == cacheuse::grid ? store::grid : store::draws;
  // greeks and solve, and a price line's sensitivity taken by differences, choose their modes.
  if (words[0] == "greeks" || words[0] == "solve" ||
      sensitivities::takenbydifferences(*call, *entry))
    return {uses, true};
  return {uses, !surelynoncaching(*call, entry->keeps)};
}

// Value k of entry e as the call gives it, or `otherwise` when absent or not a positive number.
double entryor(const pricingcall& call, int e, int k, double otherwise) {
  const double value = call.entries[e][k];
  return call.flags[e] == 0 && std::isfinite(value) && value > 0 ? value : otherwise;
}

double costof(const std::vector<std::string>& words, const pricingcall* call) {
  if (words[0] == "fi") return 50;
  const catalogueentry* entry = call != nullptr ? findentry(call->code) : nullptr;
  if (entry == nullptr) return 1;
  const double steps = entryor(*call, entrysteps, 0, 0);
  double cost = 1;
  if (entry->keeps == cacheuse::draws) {
    cost = entryor(*call, entrypaths, 0, 100000) * std::max(steps, 1.0) / 1000;
  } else if (entry->keeps == cacheuse::grid) {
    const double nodes = entryor(*call, entrygrid, 0, 200) * entryor(*call, entrygrid, 1, 200);
    cost = std::max(nodes / 1000, steps * steps / 10000);  // or a tree of the family
  } else {
    cost += steps * steps / 10000;  // a tree, when it has steps
  }
  if (words[0] == "greeks" || sensitivities::takenbydifferences(*call, *entry)) cost *= 10;
  if (words[0] == "solve") cost *= 20;
  return cost >= 1 ? std::min(cost, 1e12) : 1.0;  // NaN too: the sort needs plain numbers
}

}  // namespace

double linecost(const std::vector<std::string>& words) {
  if (words.empty()) return 0;
  pricingcall call;
  return costof(words, callof(words, call) ? &call : nullptr);
}

batchplan planbatch(const std::string& text) {
  batchplan plan;
  std::vector<lineuse> uses;
  std::vector<double> costs;
  std::stringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    const std::vector<std::string> words = splitwords(line);
    if (!isbatchentry(words)) continue;
    pricingcall call;
    const pricingcall* read = callof(words, call) ? &call : nullptr;
    plan.entries.push_back({number, line});
    uses.push_back(useof(words, read));
    costs.push_back(costof(words, read));
  }
  const int count = static_cast<int>(plan.entries.size());
  // Each store's group runs from its first reader to its last.
  constexpr int stores = 4;
  int first[stores], last[stores];
  std::fill(first, first + stores, count);
  std::fill(last, last + stores, -1);
  for (int i = 0; i < count; ++i) {
    if (!uses[i].reads) continue;
    const int s = static_cast<int>(uses[i].uses);
    first[s] = std::min(first[s], i);
    last[s] = i;
  }
  int groupunit[stores] = {-1, -1, -1, -1};
  for (int i = 0; i < count; ++i) {
    const int s = static_cast<int>(uses[i].uses);
    const double cost = costs[i];
    const bool grouped = uses[i].uses != store::none && i >= first[s] && i <= last[s];
    if (grouped && groupunit[s] >= 0) {
      plan.units[groupunit[s]].entries.push_back(i);
      plan.units[groupunit[s]].cost += cost;
      continue;
    }
    if (grouped) groupunit[s] = static_cast<int>(plan.units.size());
    plan.units.push_back({{i}, cost});
  }
  std::stable_sort(plan.units.begin(), plan.units.end(),
                   [](const batchunit& a, const batchunit& b) { return a.cost > b.cost; });
  return plan;
}

std::vector<std::vector<int>> chunksof(const batchplan& plan, double target) {
  std::vector<std::vector<int>> chunks;
  double gathered = 0;
  for (int u = 0; u < static_cast<int>(plan.units.size()); ++u) {
    const double cost = plan.units[u].cost;
    if (chunks.empty() || gathered + cost > target) {
      chunks.emplace_back();
      gathered = 0;
    }
    chunks.back().push_back(u);
    gathered += cost;
  }
  return chunks;
}
