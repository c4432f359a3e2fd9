// The host stand-in: the host side of the library-link callback table, and a loader that opens
// libkzr.so at run time as a real host does (dlopen, version check, initialisation) and calls its
// entry points with a code and tensors.
//
// It keeps account of what it lends: every tensor argument carries a share that the library must
// give back with releasetensor, every code text a string that it must give back with
// releasestring (at the start of its next call of the same entry point). Tests read the counts
// and, when recording is on, the ordered list of give-backs.
//
// One host is active in a process at a time (the callback table carries no context, as in a real
// host). Not thread-safe.
#ifndef KZR_PLATFORM_HOST_H
#define KZR_PLATFORM_HOST_H

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "hostinterface.h"

namespace standin {

// A host tensor: rank = dims.size(), elements row-major.
struct tensor {
  hostinteger type = hosttypereal;
  std::vector<hostinteger> dims;
  std::vector<double> reals;         // type real
  std::vector<hostinteger> integers;  // type integer
  int shares = 0;                     // shares lent to the library and not yet given back
  std::string label;                  // names the tensor in the event list

  hosttensor handle() { return reinterpret_cast<hosttensor>(this); }
  static tensor* from(hosttensor handle) { return reinterpret_cast<tensor*>(handle); }
};

tensor realtensor(std::vector<hostinteger> dims, std::vector<double> values);
tensor integertensor(std::vector<hostinteger> dims, std::vector<hostinteger> values);
// A rows x columns real table from rows of values, shorter rows padded with zeros.
tensor realtable(const std::vector<std::vector<double>>& rows);

// One argument of an entry point: a code text or a tensor.
struct argument {
  std::string text;
  tensor* table = nullptr;
  static argument code(std::string text) { return {std::move(text), nullptr}; }
  static argument of(tensor& t) { return {std::string(), &t}; }
};

struct scalarresult {
  int status;
  double value;
};

struct vectorresult {
  int status;
  std::vector<double> values;  // empty when the call was refused
};

class loaderror : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

// libkzr.so in the folder of the running program.
std::string defaultlibrarypath();

class host {
 public:
  // Loads the library, checks its version and initialises it; throws loaderror on failure.
  explicit host(const std::string& librarypath = defaultlibrarypath());
  ~host();
  host(const host&) = delete;
  host& operator=(const host&) = delete;

  // fun and funvec with a code and the three tables.
  scalarresult fun(const std::string& code, tensor& T0, tensor& T1, tensor& T2);
  vectorresult funvec(const std::string& code, tensor& T0, tensor& T1, tensor& T2);
  // Any entry point by name, with the arguments in order; result points at the result cell.
  int call(const char* entry, const std::vector<argument>& arguments, void* result);
  // Calls QuillonLibrary_initialize again.
  int initialize();

  // The callback table handed to the library.
  librarydata table();
  // Looks up an exported symbol (null when the library does not export it).
  void* symbol(const char* name) const;

  // Accounting.
  long outstandingshares() const;   // tensor shares lent and not given back
  long outstandingstrings() const;  // code texts lent and not given back
  long outstandingresults() const;  // tensors the library created and the host has not freed
  void recordevents(bool on);
  const std::vector<std::string>& events() const;  // "releasestring CODE", "releasetensor LABEL"
  void clearevents();

 private:
  void* library = nullptr;
  entrypoint funentry = nullptr;
  entrypoint funvecentry = nullptr;
  int (*initializeentry)(librarydata) = nullptr;
};

// What the host does for each argument it passes: a copy of a text that the library gives back
// with releasestring, and a share of a tensor that it gives back with releasetensor. For callers
// that build argument arrays themselves.
char* lendstring(const std::string& text);
void lend(tensor& t);
// Frees a tensor the library created with newtensor (a result), once the caller has read it.
void freeresult(hosttensor result);

// The host state the callbacks work on (shared by every host object: one is active at a time).
struct hoststate;
hoststate& state();

}  // namespace standin

#endif  // KZR_PLATFORM_HOST_H
