#include "pricer.h"

#include <iostream>
#include <streambuf>

namespace sensitivities {

namespace {

// Takes every character and keeps none.
class droppingbuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// While it lives, standard output goes nowhere (the library writes its messages there).
class silencedoutput {
 public:
  explicit silencedoutput(bool on) : previous(on ? std::cout.rdbuf(&sink) : nullptr) {}
  ~silencedoutput() {
    if (previous != nullptr) std::cout.rdbuf(previous);
  }
  silencedoutput(const silencedoutput&) = delete;
  silencedoutput& operator=(const silencedoutput&) = delete;

 private:
  droppingbuffer sink;
  std::streambuf* previous;
};

}  // namespace

void hostpricer::filltables(const pricingcall& call) {
  standin::filltable(T0, call.rows);
  T1.type = hosttypeinteger;
  T1.dims.assign({parameterentrycount});
  T1.integers.assign(call.flags.begin(), call.flags.end());
  T2.type = hosttypereal;
  T2.dims.assign({parameterentrycount, entryvaluecount});
  T2.reals.clear();
  for (const auto& entry : call.entries)
    T2.reals.insert(T2.reals.end(), entry.begin(), entry.end());
}

scalaranswer hostpricer::fun(const pricingcall& call) {
  filltables(call);
  std::cout.flush();
  const silencedoutput silence(quiet);
  const standin::scalarresult out = library.fun(call.code, T0, T1, T2);
  std::cout.flush();
  return {out.status != hoststatusok, out.value};
}

vectoranswer hostpricer::funvec(const pricingcall& call) {
  filltables(call);
  std::cout.flush();
  const silencedoutput silence(quiet);
  standin::vectorresult out = library.funvec(call.code, T0, T1, T2);
  std::cout.flush();
  return {out.status != hoststatusok, std::move(out.values)};
}

void hostpricer::showmessages(bool on) { quiet = !on; }

}  // namespace sensitivities
