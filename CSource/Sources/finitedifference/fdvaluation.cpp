#include "finitedifference/fdvaluation.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <typeinfo>
#include <utility>

#include "binding/ratesigns.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace {

// Every mode but 1 caches, as mode 0.
int gridmode(const parameterblock& params) { return gridcaching(params) ? 0 : 1; }

const cacheunload<gridcache> freegridcacheatunload;

}  // namespace

// methodcarriesfd

methodcarriesfd::methodcarriesfd(std::int32_t n)
    : nodes(static_cast<std::size_t>(n > 0 ? n : 1)),
      values(nodes.size()),
      curvature(nodes.size()),
      size(n) {}

void methodcarriesfd::fill(double step, const finishedgrid& grid) {
  if (grid.n != size) return;
  dt = step;
  dx = grid.spacing;
  gridinfo = grid.gridinfo;
  std::copy(grid.nodes, grid.nodes + size, nodes.begin());
  std::copy(grid.values, grid.values + size, values.begin());
  std::copy(grid.curvature, grid.curvature + size, curvature.begin());
}

finishedgrid methodcarriesfd::finished() const {
  return {nodes.data(), values.data(), curvature.data(), gridinfo, dx, size};
}

bool gridcaching(const parameterblock& params) { return valuationmode(params) != 1; }

const methodcarriesfd* cachedgrid(const parameterblock& params) {
  return dynamic_cast<const methodcarriesfd*>(params.fdcarrier);
}

// fdvaluation

fdvaluation::fdvaluation(fdbase* instrument)
    : instrument(instrument), cache(std::move(instrument->clone)) {}

double fdvaluation::value(parameterblock* params) {
  const int mode = gridmode(*params);
  if (cache.working() == nullptr) return undefinedvalue();  // the clone went to another valuation
  if (checkinputs(1) != 1.0) {
    cache.discard();  // the working copy is nobody's; the cache stays as it was
    return undefinedvalue();
  }
  const bool reused = mode == 1 ? false : canreuse(params);
  double result;
  if (reused) {
    cache.usecached(*params);
    result = fromcarrier(params);
  } else {
    if (!readytosolve(params)) {
      cache.discard();
      return undefinedvalue();
    }
    std::unique_ptr<methodcarriesfd> fresh;
    if (mode == 0) {
      fresh = std::make_unique<methodcarriesfd>(instrument->nspace);
      fresh->scheme = &typeid(*this);
    }
    cache.usefresh(*params, std::move(fresh));
    result = solve(mode, params);
  }
  release(reused, mode, params);
  return result;
}

bool fdvaluation::canreuse(parameterblock* params) {
  if (!cache.canreuse(*params)) return false;
  const std::type_info* solvedby = cachedgrid(*params)->scheme;
  return solvedby != nullptr && *solvedby == typeid(*this);
}

bool fdvaluation::readytosolve(const parameterblock* /*params*/) const { return true; }

void fdvaluation::release(bool reused, int mode, parameterblock* params) {
  cache.release(reused, mode != 1, *params);
}

double fdvaluation::checkinputs(int /*flag*/) {
  const contractdata& d = contract();
  if (d.expiry < 0 || d.spot < 0 || d.volatility <= 0 || signrefused(d.rate) ||
      signrefused(d.dividend))
    return undefinedvalue();
  if (!gridsizesadmissible(instrument->nspace, instrument->ntime))
    return refusedwith(messages::gridsizes);
  return 1.0;
}
