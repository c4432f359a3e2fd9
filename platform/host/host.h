// The host stand-in: the host side of the library-link callback table, and a loader that opens
// libkzr.so at run time as a real host does (dlopen, version check, initialisation) and calls its
// entry points with a code and tensors.
//
// It keeps account of what it lends: every tensor argument carries a share that the library must
// give back with releasetensor, every code text a string that it must give back with
// releasestring (at the start of its next call of the same entry point). Tests read the counts
// and, when recording is on, the ordered list of give-backs.
//
// The kernel side of the link: getlink hands out one link per process; processlink evaluates the
// expression the library wrote on it. The kernel knows two functions: the retrieval of a text by
// id from the host's table of texts (answered with a packet of kind 3 holding a string token) and
// the display of a message (kept in order, handed to the message watcher, answered with kind 3).
// For tests it can be told to queue packets of other kinds before each answer, to answer a
// retrieval with an integer token, or to end the wait with a packet of kind 0.
//
// One host is active in a process at a time (the callback table carries no context, as in a real
// host). Not thread-safe.
#ifndef KZR_PLATFORM_HOST_H
#define KZR_PLATFORM_HOST_H

#include <array>
#include <cstdint>
#include <functional>
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
  std::vector<double> reals;          // type real
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
// The same table written into t, reusing its storage (for hosts that call again and again).
void filltable(tensor& t, const std::vector<std::vector<double>>& rows);

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

// The 7-row result table of fifun.
struct fixedincomeresult {
  int status = 0;
  std::vector<hostinteger> dims;  // empty when no table came back
  std::vector<double> values;     // row-major
  // Element (row, column), 1-based as the host counts; NaN outside the table.
  double at(hostinteger row, hostinteger column) const;
  hostinteger columns() const { return dims.size() == 2 ? dims[1] : 0; }
};

// How the kernel answers over the link (test switches).
struct linkbehaviour {
  std::vector<int> packetsbefore;  // kinds of packets queued before every answer
  enum class answerkind { string, integer, endpacket };
  answerkind retrieval = answerkind::string;  // how a text retrieval is answered
};

class loaderror : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The parameter tables of a call, T1 (the flags) and T2 (the values), with every entry at the
// library's default: each flag 1, each value 0, each row wide enough for every library option.
// set gives value k of an entry (its flag becomes 0, so the library reads the entry's values).
struct parametertables {
  tensor flags;
  tensor entries;
  void set(int entry, int k, double value);
};
parametertables defaultparameters();

// Where the default constructor looks for libkzr.so, in order: the folder of the running
// program; the library folder of an installation the program belongs to (bin/../lib); the folder
// the link library (libkzrlink.so, installed beside libkzr.so) was loaded from, which finds an
// installed lib/ from a host program built anywhere against the installation.
std::vector<std::string> librarycandidates();
// The first candidate that exists, or the first when none does.
std::string defaultlibrarypath();

class host {
 public:
  // Loads the library, checks its version and initialises it; throws loaderror on failure.
  explicit host(const std::string& librarypath);
  // The same from the first of librarycandidates() that exists; when none does, the loaderror
  // names every place looked in.
  host();
  ~host();
  host(const host&) = delete;
  host& operator=(const host&) = delete;

  // fun and funvec with a code and the three tables.
  scalarresult fun(const std::string& code, tensor& T0, tensor& T1, tensor& T2);
  vectorresult funvec(const std::string& code, tensor& T0, tensor& T1, tensor& T2);
  // Any entry point by name, with the arguments in order; result points at the result cell.
  int call(const char* entry, const std::vector<argument>& arguments, void* result);
  // fifun with an instrument name and the eleven tables T0 to T10; `function` replaces the
  // library's export (an in-process copy of the entry point, for tests).
  fixedincomeresult fifun(const std::string& name, const std::array<tensor*, 11>& tables,
                          entrypoint function = nullptr);
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
  // With recording on, also lists the library's questions about tensors, in order:
  // "tensorrank LABEL", "tensordims LABEL", "integerdata LABEL", "realdata LABEL".
  void recordqueries(bool on);
  // How realdata and integerdata answer for a tensor that holds no elements: a null pointer (the
  // default), or with this switch on a valid pointer to a one-byte block, as hosts built on
  // malloc(0) do. Under AddressSanitizer any read through it is reported.
  void lendonebyteforempty(bool on);

  // The kernel's table of texts by id. addtext gives the id of a text, the same id for the same
  // text; settext puts a text under a chosen id.
  hostinteger addtext(const std::string& text);
  void settext(hostinteger id, const std::string& text);
  void cleartexts();
  // The kernel's link and how it answers.
  hostlink link();
  void setlinkbehaviour(const linkbehaviour& behaviour);
  long getlinkcalls() const;  // getlink calls so far
  // Messages the library showed the user, in order; the watcher sees each as it arrives.
  const std::vector<std::string>& shownmessages() const;
  void clearshownmessages();
  void watchmessages(std::function<void(const std::string&)> watcher);

 private:
  void* library = nullptr;
  entrypoint funentry = nullptr;
  entrypoint funvecentry = nullptr;
  entrypoint fifunentry = nullptr;
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
