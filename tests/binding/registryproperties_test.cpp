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

// A contract every code can price, from the names of its inputs: a year to expiry, prices and
// strikes of 100, barriers on the live side, the extreme observed so far at the spot.
double basevalue(const std::string& code, const std::string& name) {
  static const std::map<std::string, double> values = {
      {"T", 1.0},     {"t", 0.5},      {"t1", 0.5},     {"T2", 1.0},     {"Tc", 1.0},
      {"Tp", 0.9},    {"S", 100.0},    {"S1", 100.0},   {"S2", 95.0},    {"F", 100.0},
      {"K", 100.0},   {"X", 100.0},    {"X1", 100.0},   {"X2", 105.0},   {"Kc", 100.0},
      {"Kp", 95.0},   {"k", 5.0},      {"sigma", 0.2},  {"sigma1", 0.2}, {"sigma2", 0.3},
      {"sigmaS", 0.2}, {"sigmaE", 0.1}, {"r", 0.05},    {"rf", 0.04},    {"q", 0.02},
      {"q1", 0.02},   {"q2", 0.03},    {"rho", 0.5},    {"R", 3.0},      {"m", 100.0},
      {"i", 2.0},     {"C", 500.0},    {"A", 2.0},      {"kind", 0.0},   {"E", 1.5},
      {"Ep", 1.5}};
  if (name == "H") return code.rfind("UP", 0) == 0 ? 110.0 : 90.0;
  if (name == "L") return 90.0;
  if (name == "U") return 110.0;
  const auto found = values.find(name);
  return found == values.end() ? nan : found->second;
}

struct registeredcode {
  std::string code;
  std::vector<std::string> names;
  std::int64_t rowcapacity;
};

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
    codes.push_back({code, inputnames(*row->second), entry.rowcapacity});
  }
  return codes;
}

std::vector<double> basecontract(const registeredcode& c) {
  std::vector<double> inputs;
  for (const std::string& name : c.names) inputs.push_back(basevalue(c.code, name));
  return inputs;
}

double quietprice(const std::string& code, const std::vector<double>& inputs) {
  CaptureStdout();
  const double value = testsupport::price(code, inputs);
  GetCapturedStdout();
  return value;
}

TEST(RegisteredCodes, EveryBaseContractHasAPrice) {
  for (const registeredcode& c : registeredcodes()) {
    const double value = quietprice(c.code, basecontract(c));
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
      std::vector<double> inputs = basecontract(c);
      inputs[k] = nan;
      const double value = quietprice(c.code, inputs);
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
    const std::vector<double> base = basecontract(c);
    const double expected = quietprice(c.code, base);
    std::vector<double> padded = base;
    padded.resize(static_cast<std::size_t>(c.rowcapacity), 7.0);
    const double value = quietprice(c.code, padded);
    EXPECT_EQ(value, expected) << c.code << " with " << c.rowcapacity << " rows";
    padded.push_back(7.0);
    CaptureStdout();
    const double refused = testsupport::price(c.code, padded);
    EXPECT_EQ(GetCapturedStdout().rfind("Input tables refused: ", 0), 0u) << c.code;
    EXPECT_TRUE(std::isnan(refused)) << c.code;
  }
}

// Input names follow the convention of binding/codetable.h, so that a program can tell each
// input's role by its name.
TEST(RegisteredCodes, InputNamesFollowTheConvention) {
  const std::set<std::string> known = {
      "T",  "t",  "t1", "T2", "Tc",  "Tp", "S",    "S1", "S2", "F",  "K",  "X",
      "X1", "X2", "Kc", "Kp", "k",   "r",  "rf",   "q",  "q1", "q2", "rho", "H",
      "R",  "m",  "i",  "C",  "A",   "kind", "E",  "Ep", "n",  "L",  "U"};
  for (const codetable& table : codecatalogue()) {
    for (const coderow& row : table) {
      for (const std::string& name : inputnames(row)) {
        const bool volatility = name.rfind("sigma", 0) == 0;
        EXPECT_TRUE(volatility || known.count(name) == 1)
            << row.code << ": input " << name << " follows no naming convention";
      }
      EXPECT_EQ(inputnames(row).size(), static_cast<std::size_t>(inputcount(row.inputs)))
          << row.code;
    }
  }
}

}  // namespace
