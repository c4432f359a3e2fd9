// Properties every registered code keeps, checked through the loaded library for each code the
// registry holds (so they grow with it): a NaN in any input gives NaN, rows of the data table
// within the handler's row table that a code does not read change nothing, and the code tables
// name their inputs by the common convention. Each code is priced on a base contract built from
// the names of its inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "binding/codecatalogue.h"
#include "binding/parameterblock.h"
#include "binding/registries.h"
#include "testsupport.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

const double nan = std::numeric_limits<double>::quiet_NaN();

std::vector<std::string> inputnames(const coderow& row) {
  std::vector<std::string> names;
  std::string name;
  for (const char* c = row.inputs;; ++c) {
    if (*c == ',' || *c == '\0') {
      if (!name.empty() && name != "...") names.push_back(name);
      name.clear();
      if (*c == '\0') break;
    } else if (*c != ' ') {
      name += *c;
    }
  }
  return names;
}

// A name without its per-asset suffix (_i, or _ij for the correlation matrix).
std::string basename(const std::string& name) { return name.substr(0, name.find('_')); }

constexpr int baseassets = 3;  // n of the counted tables

// A contract every code can price, from the names of its inputs: a year to expiry, prices and
// strikes of 100, barriers on the live side, the extreme observed so far at the spot (off it where
// a code needs that); three assets correlated 0.5 for the counted tables, whose coupon contracts
// have barriers 30% above (a level) or 20% below (a fraction of the start) the spots.
double basevalue(const std::string& code, const std::string& name) {
  if (name == "n") return baseassets;
  if (name == "coupon") return 10.0;
  if (name == "notional") return 100.0;
  if (name == "H_i") return code == "ANNAPURNAEO" ? 0.8 : 130.0;
  static const std::map<std::string, double> values = {
      {"T", 1.0},      {"t", 0.5},      {"t1", 0.5},    {"T2", 1.0},     {"Tc", 1.0},
      {"Tp", 0.9},     {"S", 100.0},    {"S1", 100.0},  {"S2", 95.0},    {"F", 100.0},
      {"K", 100.0},    {"X", 100.0},    {"X1", 100.0},  {"X2", 105.0},   {"Kc", 100.0},
      {"Kp", 95.0},    {"k", 5.0},      {"sigma", 0.2}, {"sigma1", 0.2}, {"sigma2", 0.3},
      {"sigmaS", 0.2}, {"sigmaE", 0.1}, {"r", 0.05},    {"rf", 0.04},    {"q", 0.02},
      {"q1", 0.02},    {"q2", 0.03},    {"rho", 0.5},   {"R", 3.0},      {"m", 100.0},
      {"i", 2.0},      {"C", 500.0},    {"A", 2.0},     {"kind", 0.0},   {"E", 1.5},
      {"Ep", 1.5},     {"Tavg", 2.0}};
  if (name == "H") return code.rfind("UP", 0) == 0 ? 110.0 : 90.0;
  // The perpetual lookbacks take the extreme strictly away from the spot.
  if (name == "m" && code.rfind("PERPETUALLBFLSTACO", 0) == 0) return 90.0;
  if (name == "m" && code.rfind("PERPETUALLBFLSTAPO", 0) == 0) return 110.0;
  if (name == "L") return 90.0;
  if (name == "U") return 110.0;
  const auto found = values.find(basename(name));
  return found == values.end() ? nan : found->second;
}

struct registeredcode {
  std::string code;
  std::vector<std::string> names;
  std::int64_t rowcapacity;
  bool counted;    // the number of assets first, then rows of one value per asset
  bool simulated;  // reads the Monte Carlo paths (parameter entry 3)
};

// A row of the data table: one value, or for a counted table one value per asset (_i) or the
// correlation matrix (_ij: 1 on the diagonal, 0.5 elsewhere).
std::vector<double> baserow(const std::string& code, const std::string& name) {
  const double value = basevalue(code, name);
  if (name.size() > 3 && name.compare(name.size() - 3, 3, "_ij") == 0) {
    std::vector<double> matrix(baseassets * baseassets, value);
    for (int i = 0; i < baseassets; ++i) matrix[i * baseassets + i] = 1.0;
    return matrix;
  }
  if (name.size() > 2 && name.compare(name.size() - 2, 2, "_i") == 0)
    return std::vector<double>(baseassets, value);
  return {value};
}

// Every registered code with the names of its inputs, from the code tables.
std::vector<registeredcode> registeredcodes() {
  initializeregistries();
  std::map<std::string, const coderow*> rows;
  for (const codetable& table : codecatalogue())
    for (const coderow& row : table) rows[row.code] = &row;
  std::vector<registeredcode> codes;
  for (const auto& [code, entry] : scalarhandlers()) {
    if (code.rfind("TEST", 0) == 0) continue;  // handlers other tests add
    const auto row = rows.find(code);
    if (row == rows.end()) {
      ADD_FAILURE() << code << " is registered but in no code table";
      continue;
    }
    codes.push_back({code, inputnames(*row->second), entry.rowcapacity,
                     countedinputs(row->second->inputs),
                     (entry.entries & readsentry(entrypaths)) != 0});
  }
  return codes;
}

using table = std::vector<std::vector<double>>;

table basecontract(const registeredcode& c) {
  table rows;
  for (const std::string& name : c.names) rows.push_back(baserow(c.code, name));
  return rows;
}

// The price of a contract, its messages swallowed. Simulations run 2,000 paths of at most 20
// steps at a fixed seed, so that a price repeats itself.
double quietprice(const registeredcode& c, const table& rows) {
  testsupport::parameters entries;
  if (c.simulated) entries.set(3, 2000).set(4, 20).set(5, 11);
  CaptureStdout();
  const double value = testsupport::funrows(c.code, rows, entries).value;
  GetCapturedStdout();
  return value;
}

TEST(RegisteredCodes, EveryBaseContractHasAPrice) {
  for (const registeredcode& c : registeredcodes()) {
    const double value = quietprice(c, basecontract(c));
    EXPECT_TRUE(std::isfinite(value)) << c.code << " gives " << value << " on its base contract";
  }
}

// Inputs whose NaN the price may ignore, because the price does not depend on them at all.
const std::set<std::pair<std::string, std::string>> ignoredinputs = {
    // Checked (a negative rate is refused), but the better or the worse of two assets is paid
    // in the assets themselves: no discounting at r enters.
    {"RAINBOWBEST2EO", "r"},
    {"RAINBOWWORST2EO", "r"},
};

// A NaN input is never answered with a number: it travels into the result (or meets a refusal,
// which is NaN too), through every branch and every search.
TEST(RegisteredCodes, ANaNInAnyInputGivesNaN) {
  for (const registeredcode& c : registeredcodes()) {
    for (std::size_t k = 0; k < c.names.size(); ++k) {
      table inputs = basecontract(c);
      inputs[k][0] = nan;
      const double value = quietprice(c, inputs);
      if (ignoredinputs.count({c.code, c.names[k]}) != 0) {
        EXPECT_TRUE(std::isfinite(value)) << c.code << " ignores " << c.names[k];
        continue;
      }
      EXPECT_TRUE(std::isnan(value))
          << c.code << " with a NaN " << c.names[k] << " (input " << k << ") gives " << value;
    }
  }
}

// One table shape serves a whole handler: the rows a code does not read are ignored, up to the
// handler's row table; one row more is refused before the handler runs.
TEST(RegisteredCodes, RowsBeyondTheInputsWithinTheRowTableAreIgnored) {
  for (const registeredcode& c : registeredcodes()) {
    const table base = basecontract(c);
    const double expected = quietprice(c, base);
    table padded = base;
    padded.resize(static_cast<std::size_t>(c.rowcapacity), {7.0});
    const double value = quietprice(c, padded);
    EXPECT_EQ(value, expected) << c.code << " with " << c.rowcapacity << " rows";
    padded.push_back({7.0});
    CaptureStdout();
    const double refused = testsupport::funrows(c.code, padded).value;
    EXPECT_EQ(GetCapturedStdout().rfind("Input tables refused: ", 0), 0u) << c.code;
    EXPECT_TRUE(std::isnan(refused)) << c.code;
  }
}

// Input names follow the convention of binding/codetable.h, so that a program can tell each
// input's role by its name.
TEST(RegisteredCodes, InputNamesFollowTheConvention) {
  const std::set<std::string> known = {
      "T",  "t",  "t1", "T2",   "Tc", "Tp", "S", "S1",     "S2",       "F",    "K", "X", "X1",
      "X2", "Kc", "Kp", "k",    "r",  "rf", "q", "q1",     "q2",       "rho",  "H", "R", "m",
      "i",  "C",  "A",  "kind", "E",  "Ep", "n", "coupon", "notional", "Tavg", "L", "U"};
  for (const codetable& codes : codecatalogue()) {
    for (const coderow& row : codes) {
      for (const std::string& name : inputnames(row)) {
        const bool volatility = name.rfind("sigma", 0) == 0;
        EXPECT_TRUE(volatility || known.count(basename(name)) == 1)
            << row.code << ": input " << name << " follows no naming convention";
        const std::string suffix = name.substr(basename(name).size());
        EXPECT_TRUE(suffix.empty() || (countedinputs(row.inputs) &&
                                       (suffix == "_i" || (suffix == "_ij" && name == "rho_ij"))))
            << row.code << ": " << name << " (a per-asset suffix outside a counted table)";
      }
      EXPECT_EQ(inputnames(row).size(), static_cast<std::size_t>(inputcount(row.inputs)))
          << row.code;
    }
  }
}

}  // namespace
