// The handler adapter's pairing of formulas with variants: the checks the build runs on every
// family's handler, evaluated here on a small table, and the dispatch of a code to its variant's
// formula whatever order the pairs are listed in.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "binding/countedhandler.h"
#include "binding/registries.h"
#include "binding/tablehandler.h"

namespace {

enum sidevariant { up = 0, down = 1, level = 2 };

inline constexpr coderow sidecodes[] = {
    {"UPA", up, "T, S", "first"},
    {"DOWNA", down, "T, S", "second"},
    {"UPB", up, "T, S", "first again"},
    {"LEVEL", level, "T", "third"},
};

double first(double T, double S) { return T + S; }
double second(double T, double S) { return T - S; }
double third(double T) { return 10 * T; }

using tablehandling::formulasmatchvariants;

// Listed in any order, each variant with its formula: accepted.
static_assert(formulasmatchvariants<sidecodes, formulafor<up, first>, formulafor<down, second>,
                                    formulafor<level, third>>());
static_assert(formulasmatchvariants<sidecodes, formulafor<level, third>, formulafor<down, second>,
                                    formulafor<up, first>>());
// A variant without a formula, a variant with two, a formula whose variant the table lacks, and a
// formula whose inputs differ from its variant's codes: refused when the handler is compiled.
static_assert(!formulasmatchvariants<sidecodes, formulafor<up, first>, formulafor<down, second>>());
static_assert(!formulasmatchvariants<sidecodes, formulafor<up, first>, formulafor<up, second>,
                                     formulafor<down, second>, formulafor<level, third>>());
static_assert(!formulasmatchvariants<sidecodes, formulafor<up, first>, formulafor<down, second>,
                                     formulafor<level, third>, formulafor<3, third>>());
static_assert(!formulasmatchvariants<sidecodes, formulafor<up, first>, formulafor<down, third>,
                                     formulafor<level, second>>());

// Counted tables are read by row name: the row of a name in the codes of a variant (n is row 0),
// whatever the other variants list. A name the variant's codes lack, or list at different rows,
// does not compile (a constant expression that calls a function which is not constexpr).
inline constexpr coderow assetcodes[] = {
    {"BESTA", up, "n, T, S_i, sigma_i, rho_ij, r, q_i, ...", "no strike"},
    {"CALLA", down, "n, T, S_i, K, sigma_i, rho_ij, r, q_i, ...", "a strike"},
    {"CALLB", down, "n, T, S_i, K, sigma_i, rho_ij, r, q_i, ...", "the same rows"},
};
static_assert(inputrow(tableof(assetcodes), up, "n") == 0);
static_assert(inputrow(tableof(assetcodes), up, "sigma_i") == 3);
static_assert(inputrow(tableof(assetcodes), down, "sigma_i") == 4);
static_assert(inputrow(tableof(assetcodes), down, "K") == 3);
static_assert(inputrow(tableof(assetcodes), down, "q_i") == 7);

// Registered, each code carries its variant to the handler, which calls that variant's formula.
TEST(TableHandler, EachCodeReachesTheFormulaOfItsVariant) {
  const double table[] = {2.0, 0.5};  // T, S, one value a row
  const std::int64_t dims[] = {2, 1};
  const datashape shape{2, dims, 8};
  scalarregistry registry;
  registerhandler(registry, handlerentryof<sidecodes, refusal::silent, formulafor<level, third>,
                                           formulafor<down, second>, formulafor<up, first>>());
  const auto price = [&](const char* code) {
    const auto& entry = registry.at(code);
    return entry.function(entry.variant, table, &shape, nullptr);
  };
  EXPECT_EQ(price("UPA"), 2.5);
  EXPECT_EQ(price("DOWNA"), 1.5);
  EXPECT_EQ(price("UPB"), 2.5);
  EXPECT_EQ(price("LEVEL"), 20.0);
}

}  // namespace
