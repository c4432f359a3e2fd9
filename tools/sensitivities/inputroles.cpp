#include "inputroles.h"

#include <cmath>

namespace sensitivities {

inputrole roleof(const std::string& name) {
  if (name.empty()) return inputrole::other;
  if (name[0] == 't' || name[0] == 'T') return inputrole::date;
  if (name[0] == 'S' || name == "F" || name == "E") return inputrole::spot;
  if (name.rfind("sigma", 0) == 0) return inputrole::volatility;
  if (name == "r" || name == "rf") return inputrole::rate;
  return inputrole::other;
}

double bumpsize(inputrole role, double x) {
  switch (role) {
    case inputrole::spot:
    case inputrole::volatility: return x == 0 ? relativebump : relativebump * std::fabs(x);
    case inputrole::rate: return ratebump;
    case inputrole::date: return oneday;
    case inputrole::other: break;
  }
  return 0.0;
}

std::vector<placedinput> placedinputs(const catalogueentry& entry,
                                      const std::vector<std::vector<double>>& rows) {
  std::size_t assets = 1;
  if (entry.variable && !rows.empty() && !rows[0].empty() && rows[0][0] >= 1) {
    // The number of assets, held to the values the rows can carry.
    std::size_t widest = 1;
    for (const auto& row : rows) widest = std::max(widest, row.size());
    assets =
        rows[0][0] < static_cast<double>(widest) ? static_cast<std::size_t>(rows[0][0]) : widest;
  }
  std::vector<placedinput> placed;
  for (std::size_t k = 0; k < entry.inputs.size() && k < rows.size(); ++k) {
    const std::string& name = entry.inputs[k];
    const inputrole role = roleof(name);
    const bool perasset =
        entry.variable && (role == inputrole::spot || role == inputrole::volatility);
    if (!perasset) {
      placed.push_back({name, role, {k, 0}});
      continue;
    }
    for (std::size_t j = 0; j < assets; ++j)
      placed.push_back({name + "[" + std::to_string(j + 1) + "]", role, {k, j}});
  }
  return placed;
}

double valueat(const std::vector<std::vector<double>>& rows, cell at) {
  if (at.row >= rows.size() || at.column >= rows[at.row].size()) return 0.0;
  return rows[at.row][at.column];
}

void setvalue(std::vector<std::vector<double>>& rows, cell at, double value) {
  if (at.row >= rows.size()) rows.resize(at.row + 1);
  if (at.column >= rows[at.row].size()) rows[at.row].resize(at.column + 1, 0.0);
  rows[at.row][at.column] = value;
}

}  // namespace sensitivities
