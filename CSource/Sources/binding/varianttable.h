// A handler's table from contract code to its small variant number, filled from the handler's
// code table on its first call and read on every call. Codes are turned into variants here, once;
// nothing below a handler compares strings.
//
// Not thread-safe: each handler's table is process-wide; calls must not overlap.
#ifndef KZR_BINDING_VARIANTTABLE_H
#define KZR_BINDING_VARIANTTABLE_H

#include <map>
#include <string>

#include "binding/codetable.h"

class varianttable {
 public:
  // The variant of code, filling the table from codes on the first call. A code the table lacks
  // is added with variant 0 (the registry sends a handler only its own codes).
  int lookup(const std::string& code, codetable codes) {
    if (!filled) {
      for (const coderow& row : codes) variants[row.code] = row.variant;
      filled = true;
    }
    // A host tends to price one contract many times in a row: remember the last answer.
    if (code != lastcode) {
      lastvariant = variants[code];
      lastcode = code;
    }
    return lastvariant;
  }

 private:
  std::map<std::string, int> variants;
  bool filled = false;
  std::string lastcode;
  int lastvariant = 0;
};

#endif  // KZR_BINDING_VARIANTTABLE_H
