// The three roots that every numerically priced contract is split across:
//
//   financialbase   the instrument: the contract's terms, exercise value, grid edges;
//   valuation       the valuation method: the numerical procedure run against an instrument;
//   methodcarries   the carrier: what a method computed, kept so that a later call for the same
//                   contract can reuse it.
//
// The finite-difference branch is fdbase (fdbase.h), fdvaluation and methodcarriesfd
// (fdvaluation.h); the Monte Carlo branch derives from the same three roots. The cache protocol
// that both branches follow is in valuationcache.h.
//
// Layout: the roots and the cache protocol stay in finitedifference/, beside the grid branch
// that they were built with; the Monte Carlo engine includes them from here.
#ifndef KZR_FINITEDIFFERENCE_FINANCIALBASE_H
#define KZR_FINITEDIFFERENCE_FINANCIALBASE_H

#include "binding/parameterblock.h"

// Instrument root: no data; instruments are deleted through a root or branch pointer.
class financialbase {
 public:
  financialbase() = default;
  virtual ~financialbase();

 protected:
  financialbase(const financialbase&) = default;
  financialbase& operator=(const financialbase&) = default;
};

// Valuation-method root. Method objects live on the handler's stack and are never deleted through
// this root, so it has no virtual destructor.
class valuation {
 public:
  // True when the engine's cache in the block holds a carrier computed for this very contract.
  virtual bool canreuse(parameterblock* params) = 0;
  // Frees the working objects or hands them to the block's cache (valuationcache.h). Which
  // valuation modes cache is the branch's own: the grids cache in every mode but 1.
  virtual void release(bool reused, int mode, parameterblock* params) = 0;
  // 1.0 when the contract's inputs are admissible, otherwise the undefined value. What flag
  // carries is the branch's own (the Monte Carlo branch passes its step count).
  virtual double checkinputs(int flag) = 0;

 protected:
  valuation() = default;
  ~valuation() = default;
  valuation(const valuation&) = default;
  valuation& operator=(const valuation&) = default;
};

// Carrier root.
class methodcarries {
 public:
  methodcarries() = default;
  virtual ~methodcarries();
  // Does nothing in every carrier; kept so that each carrier has the same table layout.
  virtual void nothing();

  methodcarries(const methodcarries&) = delete;
  methodcarries& operator=(const methodcarries&) = delete;
};

#endif  // KZR_FINITEDIFFERENCE_FINANCIALBASE_H
