// How the sensitivities and the implied inputs reach the library: a pricer makes one fun or
// funvec call of a pricingcall and hands back what the entry point answered. hostpricer makes the
// calls through the host stand-in, as the kzr tool does; another host (a scripting module) gives
// its own pricer and gets the same figures.
//
// Not thread-safe: the library's calls must not overlap.
#ifndef KZR_TOOLS_PRICER_H
#define KZR_TOOLS_PRICER_H

#include <vector>

#include "host.h"
#include "pricingcall.h"

namespace sensitivities {

struct scalaranswer {
  bool refused = false;  // the entry point refused the call (an unknown code, refused tables)
  double value = 0.0;
};

struct vectoranswer {
  bool refused = false;
  std::vector<double> values;
};

class pricer {
 public:
  virtual ~pricer() = default;
  // fun, or funvec, on the call (whatever call.vector says).
  virtual scalaranswer fun(const pricingcall& call) = 0;
  virtual vectoranswer funvec(const pricingcall& call) = 0;
  // Whether the library's messages reach the user during the calls that follow (on at first).
  virtual void showmessages(bool on) = 0;
};

// Calls through a loaded library; the three tables are kept from call to call and rewritten in
// place, so that a run of calls allocates nothing after the first.
class hostpricer : public pricer {
 public:
  explicit hostpricer(standin::host& library) : library(library) {}
  scalaranswer fun(const pricingcall& call) override;
  vectoranswer funvec(const pricingcall& call) override;
  // Off: the library's messages, written to standard output, are dropped until it is on again.
  void showmessages(bool on) override;

 private:
  void filltables(const pricingcall& call);

  standin::host& library;
  standin::tensor T0, T1, T2;
  bool quiet = false;
};

// While it lives, the library's messages do not reach the user (the bumped calls of a request:
// a refused bump shows in the figures instead).
class quietcalls {
 public:
  explicit quietcalls(pricer& library) : library(library) { library.showmessages(false); }
  ~quietcalls() { library.showmessages(true); }
  quietcalls(const quietcalls&) = delete;
  quietcalls& operator=(const quietcalls&) = delete;

 private:
  pricer& library;
};

}  // namespace sensitivities

#endif  // KZR_TOOLS_PRICER_H
