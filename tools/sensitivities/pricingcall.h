// One call of fun or funvec as a host makes it: the contract code, the rows of the data table and
// the parameter entries (binding/interfacenumbers.h). An entry whose flag is nonzero asks for the
// library's default; a zero flag hands the library the entry's values. Every entry's row is
// entryvaluecount wide, the widest an entry reads (the library options of entry 5), so that a
// front can pass every option; a value left at 0 is that option's default.
#ifndef KZR_TOOLS_PRICINGCALL_H
#define KZR_TOOLS_PRICINGCALL_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "binding/interfacenumbers.h"

struct pricingcall {
  bool vector = false;  // funvec instead of fun
  std::string code;
  std::vector<std::vector<double>> rows;
  std::array<std::int64_t, parameterentrycount> flags{1, 1, 1, 1, 1, 1};
  std::array<std::array<double, entryvaluecount>, parameterentrycount> entries{};

  // Sets entry e to the values given (flag 0); the values after the second are 0.
  void set(int e, double first, double second = 0.0) {
    flags[e] = 0;
    entries[e] = {first, second};
  }
  // Sets value k of entry e (flag 0), keeping the entry's other values.
  void setvalue(int e, int k, double value) {
    flags[e] = 0;
    entries[e][k] = value;
  }
};

#endif  // KZR_TOOLS_PRICINGCALL_H
