// The handler adapter: one template is the handler of every family whose codes read a plain row
// table. From the family's code table and its formulas it binds the rows of the data table,
// takes the code's variant (found at registration), checks that the table holds the inputs of the
// code and calls the formula of the variant with the inputs in row order, one argument each:
//
//   const scalarhandlerentry blackscholeshandler =
//       handlerentryof<blackscholescodes, refusal::silent, formulafor<call, blackscholescall>,
//                      formulafor<put, blackscholesput>>();
//
// Each formula is paired with the variant it prices, so the pairs may come in any order, and a
// formula listed against the wrong variant is found wherever the build can find it: every variant
// of the table needs exactly one formula, every formula a variant of the table, and each formula
// takes as many inputs as the table names for the codes of its variant. A formula takes its
// inputs as its leading double parameters and may take one parameter more, which the adapter
// fills:
//   bivariatemethod   the rule of the bivariate normal chosen in the library options (entry 5);
//   parameterblock*   the block itself, for engines with caches or parameter entries of their
//                     own to read.
//
// Library option 4, negative rates (binding/ratesigns.h): under it the adapter refuses a negative
// rate or yield of a code whose table does not accept them, with one line naming the input, and
// lets the formula of one that does see them.
//
// Codes whose input list ends in "..." read a counted row table (the number of assets first,
// then per-asset rows): binding/countedhandler.h makes their scalar and vector handlers, and the
// vector registry takes the rows marked vector.
//
// Each call binds a row table of its own, on the stack.
#ifndef KZR_BINDING_TABLEHANDLER_H
#define KZR_BINDING_TABLEHANDLER_H

#include <cstddef>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>

#include "binding/codetable.h"
#include "binding/libraryoptions.h"
#include "binding/parameterblock.h"
#include "binding/ratesigns.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

// How a family answers a data table too short for the inputs of its code: the way it answers
// refused inputs, silently or with "Input data error, value undefined".
enum class refusal { silent, withmessage };

namespace tablehandling {

template <typename... A>
constexpr int leadingdoubles() {
  constexpr bool isdouble[] = {std::is_same_v<A, double>..., false};
  int count = 0;
  while (isdouble[count]) ++count;
  return count;
}

template <typename formula>
struct formulatraits;

template <typename... A>
struct formulatraits<double (*)(A...)> {
  static constexpr int inputs = leadingdoubles<A...>();
  static constexpr int extras = static_cast<int>(sizeof...(A)) - inputs;
  // The last parameter (meaningful when extras is 1).
  using extra =
      std::tuple_element_t<(sizeof...(A) > 0 ? sizeof...(A) - 1 : 0), std::tuple<A..., void>>;
  static constexpr bool fillable =
      extras == 0 || (extras == 1 && (std::is_same_v<extra, bivariatemethod> ||
                                      std::is_same_v<extra, parameterblock*>));
};

template <auto formula>
constexpr int inputsof() {
  return formulatraits<decltype(formula)>::inputs;
}

}  // namespace tablehandling

// A formula and the variant of the code table it prices.
template <int variantvalue, auto formula>
struct formulafor {
  static constexpr int variant = variantvalue;
  static constexpr auto function = formula;
};

namespace tablehandling {

// Every row's variant has exactly one formula, which takes as many inputs as the row names; every
// formula prices a variant of the table.
template <const auto& codes, class... pairs>
constexpr bool formulasmatchvariants() {
  constexpr int variants[] = {pairs::variant...};
  constexpr int arities[] = {inputsof<pairs::function>()...};
  for (const coderow& row : tableof(codes)) {
    int found = 0;
    for (std::size_t f = 0; f < sizeof...(pairs); ++f) {
      if (variants[f] != row.variant) continue;
      ++found;
      if (countedinputs(row.inputs) || inputcount(row.inputs) != arities[f]) return false;
    }
    if (found != 1) return false;
  }
  for (int variant : variants) {
    bool used = false;
    for (const coderow& row : tableof(codes)) used = used || row.variant == variant;
    if (!used) return false;
  }
  return true;
}

// A formula that takes the bivariate normal's rule prices codes whose parameters say the precise
// numerics apply (codeparametersof), so that the catalogue shows the option where it acts.
template <const auto& codes, class... pairs>
constexpr bool bivariateformulasmarkedprecise() {
  constexpr int variants[] = {pairs::variant...};
  constexpr bool takesrule[] = {
      std::is_same_v<typename formulatraits<std::remove_cv_t<decltype(pairs::function)>>::extra,
                     bivariatemethod> &&
      formulatraits<std::remove_cv_t<decltype(pairs::function)>>::extras == 1 ...};
  for (std::size_t f = 0; f < sizeof...(pairs); ++f)
    if (takesrule[f] && !codeparametersof<codes>(variants[f]).precise) return false;
  return true;
}

template <const auto& codes>
constexpr bool codesareunique() {
  const codetable table = tableof(codes);
  for (std::size_t i = 0; i < table.count; ++i) {
    if (table.rows[i].description[0] == '\0') return false;
    for (std::size_t j = i + 1; j < table.count; ++j)
      if (samecode(table.rows[i].code, table.rows[j].code)) return false;
  }
  return true;
}

inline double refused(refusal style) {
  return style == refusal::withmessage ? refusedwith(messages::valueundefined) : undefinedvalue();
}

template <auto formula, int slots, std::size_t... k>
double invoke(const rowtable<slots>& rows, parameterblock* block, std::index_sequence<k...>) {
  using traits = formulatraits<decltype(formula)>;
  if constexpr (traits::extras == 0) {
    return formula(rows.input(k)...);
  } else if constexpr (std::is_same_v<typename traits::extra, bivariatemethod>) {
    return formula(rows.input(k)..., readlibraryoptions(*block).numerics);
  } else {
    return formula(rows.input(k)..., block);
  }
}

// The input names of the variant's codes.
inline const char* inputsofvariant(codetable table, int variant) {
  for (const coderow& row : table)
    if (row.variant == variant) return row.inputs;
  return "";
}

template <const auto& codes, refusal style, int slots, class pair, class... rest>
double dispatch(int variant, const rowtable<slots>& rows, parameterblock* block) {
  if constexpr (sizeof...(rest) > 0) {
    if (variant != pair::variant)
      return dispatch<codes, style, slots, rest...>(variant, rows, block);
  }
  constexpr int inputs = inputsof<pair::function>();
  if (!rows.holds(inputs)) return refused(style);
  const bool negative = block != nullptr && negativeratesrequested(*block);
  if (negative && !acceptsnegativerates<codes>) {
    const std::string name = negativerateinput(inputsofvariant(tableof(codes), variant), 1,
                                               [&](int k, int) { return rows.input(k); });
    if (!name.empty()) return refusednegative(name);
  }
  std::optional<negativeratescope> signs;  // relaxed only for an accepting table, under the option
  if (negative && acceptsnegativerates<codes>) signs.emplace(true);
  return invoke<pair::function>(rows, block, std::make_index_sequence<inputs>{});
}

}  // namespace tablehandling

template <const auto& codes, refusal style, class... formulas>
double tablehandler(int variant, const double* data, const datashape* shape,
                    parameterblock* block) {
  using namespace tablehandling;
  static_assert(sizeof...(formulas) > 0, "a handler needs a formula");
  static_assert((formulatraits<std::remove_cv_t<decltype(formulas::function)>>::fillable && ...),
                "a formula takes doubles, then at most a bivariatemethod or a parameterblock*");
  static_assert(formulasmatchvariants<codes, formulas...>(),
                "each variant of the table needs one formula, each formula a variant, taking as "
                "many inputs as the table names for the variant's codes");
  static_assert(codesareunique<codes>(), "a code is listed twice, or without a description");
  static_assert(bivariateformulasmarkedprecise<codes, formulas...>(),
                "a formula takes the bivariate normal's rule for codes not marked precise");
  constexpr int slots = largestinputcount(tableof(codes));
  // The row table lives on the stack: bound and read within the call, its slots stay in
  // registers.
  rowtable<slots> rows;
  bindrows(rows, data, *shape);
  return dispatch<codes, style, slots, formulas...>(variant, rows, block);
}

// The registration entry of the handler above. The entries its codes read for their sizes come
// from the table's parameters (codeparametersof, sizeentries); entries lists the others its
// formulas read (readsentry(entrymode) | ...).
template <const auto& codes, refusal style, class... formulas>
constexpr scalarhandlerentry handlerentryof(entrymask entries = noentries) {
  return {tablehandler<codes, style, formulas...>, familytable<codes>(),
          largestinputcount(tableof(codes)), entries | sizeentries(familytable<codes>())};
}

#endif  // KZR_BINDING_TABLEHANDLER_H
