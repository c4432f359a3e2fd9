#include "batchplan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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
  if (call.flags[modeentry] != 0) return true;  // the default mode, 1
  const double mode = call.entries[modeentry][0];
  if (std::isnan(mode)) return false;
  if (keeps == cacheuse::grid) return mode >= 1.0 && mode < 2.0;
  return mode >= 1.0 || mode <= -1.0;
}

lineuse useof(const std::vector<std::string>& words) {
  if (words[0] == "fi") return {store::curves, true};
  if (words.size() < 2) return {};
  const catalogueentry* entry = findentry(words[1]);
  if (entry == nullptr || entry->keeps == cacheuse::none) return {};
  const store uses = entry->keeps == cacheuse::grid ? store::grid : store::draws;
  if (words[0] == "greeks" || words[0] == "solve") return {uses, true};
  if (words[0] != "price" && words[0] != "vector") return {};
  try {
    return {uses, !surelynoncaching(parsepricingcall(words), entry->keeps)};
  } catch (const usageerror&) {
    return {};  // never reaches the library
  }
}

// The text of option `name` in the words (the last one given, as the parser takes it), or "".
std::string optiontext(const std::vector<std::string>& words, const std::string& name) {
  std::string text;
  for (std::size_t i = 0; i + 1 < words.size(); ++i)
    if (words[i] == name) text = words[i + 1];
  return text;
}

// The value of option `name`, or `otherwise` when it is absent or not a positive number.
double optionvalue(const std::vector<std::string>& words, const std::string& name,
                   double otherwise) {
  const double value = std::strtod(optiontext(words, name).c_str(), nullptr);
  return std::isfinite(value) && value > 0 ? value : otherwise;
}

}  // namespace

double linecost(const std::vector<std::string>& words) {
  if (words.empty()) return 0;
  if (words[0] == "fi") return 50;
  const catalogueentry* entry = words.size() > 1 ? findentry(words[1]) : nullptr;
  double cost = 1;
  if (entry != nullptr) {
    const double steps = optionvalue(words, "--steps", 0);
    if (entry->keeps == cacheuse::draws) {
      cost = std::max(optionvalue(words, "--paths", 100000) * std::max(steps, 1.0) / 1000, 1.0);
    } else if (entry->keeps == cacheuse::grid) {
      double n = 200, m = 200;
      std::sscanf(optiontext(words, "--grid").c_str(), "%lf,%lf", &n, &m);
      cost = std::max({std::fabs(n * m) / 1000, steps * steps / 10000, 1.0});  // or a tree
    } else if (steps > 0) {
      cost += steps * steps / 10000;  // a tree
    }
  }
  if (words[0] == "greeks") cost *= 10;
  if (words[0] == "solve") cost *= 20;
  return cost >= 1 ? std::min(cost, 1e12) : 1.0;  // NaN too: the sort needs plain numbers
}

batchplan planbatch(const std::string& text) {
  batchplan plan;
  std::vector<lineuse> uses;
  std::stringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    const std::vector<std::string> words = splitwords(line);
    if (!isbatchentry(words)) continue;
    plan.entries.push_back({number, line});
    uses.push_back(useof(words));
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
    const double cost = linecost(splitwords(plan.entries[i].text));
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
    if (chunks.empty() || gathered >= target || gathered + cost > target) {
      chunks.emplace_back();
      gathered = 0;
    }
    chunks.back().push_back(u);
    gathered += cost;
  }
  return chunks;
}
