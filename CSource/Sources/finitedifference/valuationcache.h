// The cache protocol of the valuation engines, shared by the grid engine and the simulation
// engine: what a valuation keeps in the parameter block between calls and when it reads it back.
//
// Each engine owns two words of the block: a cached working instrument and a cached carrier (the
// grids: fdclone and fdcarrier; the simulations: mcclone and mccarrier). The carrier word is a
// methodcarries pointer, so that reuse tests the carrier's run-time type: a grid carrier and a
// simulation carrier can never be mistaken for each other, whichever word they end up in.
//
// One valuation, from the engine's side:
//   mode     the valuation mode of parameter entry 0 (valuationmode; 1 by default); each engine
//            decides which modes cache (the grids: every mode but 1);
//   reuse    only when caching, and only when the cached carrier is of the engine's carrier class
//            and the cached instrument is the same contract as the working copy (its issame);
//   fresh    otherwise the cached carrier is deleted at once and a fresh one is made;
//   release  reused: the working copy goes, the cached pair stays; not reused: the cached
//            instrument goes, then a caching valuation parks its working copy and its fresh
//            carrier in the two words, any other frees them;
//   refused  a valuation whose inputs are refused discards its working copy and leaves the cache
//            as it was;
//   unload   whatever the words hold when the library is unloaded is freed (cacheunload).
// The working copy and the fresh carrier are held by smart pointers until they are parked; the
// block's words own what they hold.
//
// Not thread-safe: the cache lives in the process-wide parameter block; calls must not overlap.
#ifndef KZR_FINITEDIFFERENCE_VALUATIONCACHE_H
#define KZR_FINITEDIFFERENCE_VALUATIONCACHE_H

#include <cstdint>
#include <memory>
#include <utility>

#include "binding/parameterblock.h"
#include "finitedifference/financialbase.h"

// The integer part of parameter entry 0's value (1 when its flag asks for the default).
std::int64_t valuationmode(const parameterblock& params);

// The working objects of one valuation and the engine's two cache words. instrumenttype offers
// issame(const instrumenttype*); carriertype derives from methodcarries.
template <class instrumenttype, class carriertype, instrumenttype* parameterblock::*instrumentword,
          methodcarries* parameterblock::*carrierword>
class cachedworking {
 public:
  explicit cachedworking(std::unique_ptr<instrumenttype> working) : copy(std::move(working)) {}
  cachedworking(const cachedworking&) = delete;
  cachedworking& operator=(const cachedworking&) = delete;

  // The working copy (null once released or discarded).
  instrumenttype* working() const { return copy.get(); }
  // The carrier in use: the cached one after usecached, the fresh one after usefresh.
  carriertype* carrier() const { return inuse; }

  bool canreuse(const parameterblock& params) const {
    return dynamic_cast<const carriertype*>(params.*carrierword) != nullptr &&
           params.*instrumentword != nullptr && copy != nullptr &&
           copy->issame(params.*instrumentword);
  }
  // Reads the cached carrier (after canreuse).
  void usecached(const parameterblock& params) {
    inuse = dynamic_cast<carriertype*>(params.*carrierword);
  }
  // Deletes the cached carrier and uses fresh instead (fresh may be null: nothing to fill).
  void usefresh(parameterblock& params, std::unique_ptr<carriertype> fresh) {
    delete (params.*carrierword);
    params.*carrierword = nullptr;
    made = std::move(fresh);
    inuse = made.get();
  }
  void release(bool reused, bool caching, parameterblock& params) {
    if (!reused) {
      delete (params.*instrumentword);
      params.*instrumentword = nullptr;
      if (caching) {
        params.*instrumentword = copy.release();
        params.*carrierword = made.release();
      }
    }
    discard();
  }
  // Frees the working copy and any fresh carrier; the cache is left as it is.
  void discard() {
    copy.reset();
    made.reset();
    inuse = nullptr;
  }

  // Frees what the engine's two words hold and empties them.
  static void freecache(parameterblock& params) {
    delete (params.*instrumentword);
    params.*instrumentword = nullptr;
    delete (params.*carrierword);
    params.*carrierword = nullptr;
  }

 private:
  std::unique_ptr<instrumenttype> copy;
  std::unique_ptr<carriertype> made;
  carriertype* inuse = nullptr;
};

// A process-wide object of this type frees an engine's cache when the library is unloaded (the
// block itself is plain data and outlives it).
template <class cache>
struct cacheunload {
  ~cacheunload() { cache::freecache(theparameterblock()); }
};

#endif  // KZR_FINITEDIFFERENCE_VALUATIONCACHE_H
