// The handler adapter of the multi-asset families, whose codes read a counted row table: row 0's
// first value is the number of assets n, and each later row holds one value, one value per asset
// or the n x n correlation matrix, row-major (binding/codetable.h names them: "S_i" per asset,
// "rho_ij" the matrix). From the family's code table and one pricing routine it makes both
// handlers of the codes:
//
//   const scalarhandlerentry mountainhandler = countedscalarentry<mountaincodes, price>(entries);
//   const vectorhandlerentry mountainvectorhandler = countedvectorentry<mountaincodes, price>(...);
//
// Each binds the rows into its own counted row table, takes the code's variant (found at
// registration), checks that the table holds the code's rows and, for n of 1 or more, the columns
// its rows need (n for a per-asset row, n x n for the matrix), and calls the pricing routine with
// the variant and the rows. The routine returns a result array (binding/resultarray.h): the vector
// handler returns it, the scalar handler answers its element 1. A table too short or too narrow
// for the code is refused before anything is read past its end: "Input data error, value
// undefined" and a one-value result holding the undefined value.
//
// Under library option 4 a negative rate or yield (r, q_i) of a table that does not accept them
// is refused with one line naming the input, as binding/tablehandler.h does (binding/ratesigns.h).
//
// The registry takes the row capacity of a counted code from its input names: a table with more
// rows than the code names is refused before the handler runs.
//
// Not thread-safe: each handler's row table is process-wide.
#ifndef KZR_BINDING_COUNTEDHANDLER_H
#define KZR_BINDING_COUNTEDHANDLER_H

#include <cstdint>
#include <optional>
#include <string>

#include "binding/codetable.h"
#include "binding/libraryoptions.h"
#include "binding/parameterblock.h"
#include "binding/ratesigns.h"
#include "binding/resultarray.h"
#include "numerics/messages.h"

// The rows of a counted table as a pricing routine reads them.
struct assetrows {
  std::int32_t n;             // row 0's first value, truncated
  const double* const* slot;  // slot[k] is row k, k >= 1
  double value(int k) const { return slot[k][0]; }
  const double* values(int k) const { return slot[k]; }
};

using assetpricing = resultarray (*)(int variant, const assetrows& rows, parameterblock* block);

// Not constexpr: reached in a constant expression only when a row name is missing, which stops
// the build there.
inline int rownamenotintable() { return -1; }

// The row of the input called name in the codes of variant (n is row 0), for use in a constant
// expression: a name those codes do not list, or list at different rows, does not compile. A
// routine reads its rows by name through it instead of by counted positions:
//   constexpr int sigma = inputrow(tableof(rainbowcodes), callonmax, "sigma_i");
constexpr int inputrow(codetable table, int variant, const char* name) {
  int found = -1;
  for (const coderow& row : table) {
    if (row.variant != variant) continue;
    int position = 0, here = -1;
    const char* c = row.inputs;
    while (*c != '\0') {
      while (*c == ' ') ++c;
      const char* n = name;
      const char* start = c;
      while (*c != '\0' && *c != ',' && *n != '\0' && *c == *n) ++c, ++n;
      if (*n == '\0' && (*c == ',' || *c == '\0') && c != start) here = position;
      while (*c != '\0' && *c != ',') ++c;
      if (*c == ',') ++c;
      ++position;
    }
    if (here < 0 || (found >= 0 && found != here)) return rownamenotintable();
    found = here;
  }
  return found >= 0 ? found : rownamenotintable();
}

namespace countedhandling {

enum rowwidth { onevalue = 0, perasset = 1, matrix = 2 };

// The widest row of an input list: a name ending in "_ij" is the matrix, in "_i" a per-asset row.
constexpr rowwidth widestrow(const char* inputs) {
  rowwidth widest = onevalue;
  for (const char* c = inputs; *c != '\0'; ++c) {
    if (c[0] != '_' || c[1] != 'i') continue;
    const rowwidth width = c[2] == 'j' ? matrix : perasset;
    if (width > widest) widest = width;
  }
  return widest;
}

// The columns the rows of an input list need for n >= 1 assets.
inline std::int64_t columnsneeded(const char* inputs, std::int64_t n) {
  switch (widestrow(inputs)) {
    case matrix: return n * n;
    case perasset: return n;
    default: return 1;
  }
}

inline const coderow& rowofvariant(codetable codes, int variant) {
  for (const coderow& row : codes)
    if (row.variant == variant) return row;
  return *codes.begin();
}

template <const auto& codes, assetpricing pricing, bool vectorform>
resultarray countedresult(int variant, const double* data, const datashape& shape,
                          parameterblock* block) {
  static countedrowtable<largestinputcount(tableof(codes))> rows;
  bindcountedrows(rows, data, shape);
  const coderow& row = rowofvariant(tableof(codes), variant);
  if (!rows.holds(inputcount(row.inputs)) ||
      (rows.count >= 1 && tablecolumns(shape) < columnsneeded(row.inputs, rows.count))) {
    writemessage(messages::valueundefined);
    return undefinedresult();
  }
  const bool negative = block != nullptr && negativeratesrequested(*block);
  if (negative && !acceptsnegativerates<codes>) {
    const std::string name =
        negativerateinput(row.inputs, rows.count, [&](int k, int j) { return rows.slot[k][j]; });
    if (!name.empty()) {
      refusednegative(name);
      return undefinedresult();
    }
  }
  std::optional<negativeratescope> signs;  // relaxed only for an accepting table, under the option
  if (negative && acceptsnegativerates<codes>) signs.emplace(true);
  return pricing(variant, {rows.count, rows.slot}, block);
}

template <const auto& codes>
constexpr bool countedcodes() {
  for (const coderow& row : tableof(codes))
    if (!countedinputs(row.inputs) || row.description[0] == '\0') return false;
  return true;
}

}  // namespace countedhandling

template <const auto& codes, assetpricing pricing>
double countedscalarhandler(int variant, const double* data, const datashape* shape,
                            parameterblock* block) {
  static_assert(countedhandling::countedcodes<codes>(),
                "every code of a counted table ends its inputs with \"...\" and has a description");
  return countedhandling::countedresult<codes, pricing, false>(variant, data, *shape, block)[1];
}

template <const auto& codes, assetpricing pricing>
double* countedvectorhandler(int variant, const double* data, const datashape* shape,
                             parameterblock* block) {
  return countedhandling::countedresult<codes, pricing, true>(variant, data, *shape, block)
      .release();
}

// The registration entries of the two handlers. The entries the codes read for their sizes come
// from the table's parameters (codeparametersof, sizeentries); entries lists the others the
// pricing routine reads (the mode, the sensitivity selector).
template <const auto& codes, assetpricing pricing>
constexpr scalarhandlerentry countedscalarentry(entrymask entries) {
  return {countedscalarhandler<codes, pricing>, familytable<codes>(),
          largestinputcount(tableof(codes)), entries | sizeentries(familytable<codes>())};
}

template <const auto& codes, assetpricing pricing>
constexpr vectorhandlerentry countedvectorentry(entrymask entries) {
  return {countedvectorhandler<codes, pricing>, familytable<codes>(),
          largestinputcount(tableof(codes)), entries | sizeentries(familytable<codes>())};
}

#endif  // KZR_BINDING_COUNTEDHANDLER_H
