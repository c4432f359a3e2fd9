// A handler's table from contract code to its small variant number, filled on the handler's
// first call and read on every call. Codes are turned into variants here, once; nothing below a
// handler compares strings.
//
// Not thread-safe: each handler's table is process-wide; calls must not overlap.
#ifndef KZR_BINDING_VARIANTTABLE_H
#define KZR_BINDING_VARIANTTABLE_H

#include <initializer_list>
#include <map>
#include <string>
#include <utility>

class varianttable {
 public:
  // The variant of code, filling the table from entries (pairs of code and variant) on the first
  // call. A code the table lacks is added with variant 0 (the registry sends a handler only its
  // own codes).
  template <typename entrylist>
  int lookup(const std::string& code, const entrylist& entries) {
    if (!filled) {
      for (const auto& entry : entries) variants[entry.first] = entry.second;
      filled = true;
    }
    // A host tends to price one contract many times in a row: remember the last answer.
    if (code != lastcode) {
      lastvariant = variants[code];
      lastcode = code;
    }
    return lastvariant;
  }
  // The same with the entries written in place: {{"CODE", 0}, {"OTHER", 1}}.
  int lookup(const std::string& code, std::initializer_list<std::pair<const char*, int>> entries) {
    return lookup<std::initializer_list<std::pair<const char*, int>>>(code, entries);
  }

 private:
  std::map<std::string, int> variants;
  bool filled = false;
  std::string lastcode;
  int lastvariant = 0;
};

#endif  // KZR_BINDING_VARIANTTABLE_H
